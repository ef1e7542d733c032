#include "frmConfig.h"

#include "frmApercu.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vambrel {

frmConfig::Outcome frmConfig::decide(int filesPerLine, int folderFilter, const std::array<bool, 5>& fichier,
                                     const std::array<bool, 2>& dossier) {
    Outcome out{filesPerLine, folderFilter, false};
    if (filesPerLine < 1 || filesPerLine > 4 || !fichier[size_t(filesPerLine)]) {
        for (int i = 1; i <= 4; ++i) {
            if (fichier[size_t(i)]) {
                out.filesPerLine = i;
                out.changed = true;
                break;
            }
        }
    }
    const int filter = folderFilter == 1 ? 1 : 0;
    if (!dossier[size_t(filter)]) {
        out.folderFilter = 1 - filter;
        out.changed = true;
    }
    return out;
}

frmConfig::frmConfig(frmApercu* preview) : QDialog(preview), m_preview(preview) {
    setWindowTitle(QStringLiteral("Configuration de l'aperçu"));
    auto* fraFichier = new QGroupBox(QStringLiteral("Fichiers"), this);
    auto* fichierLayout = new QVBoxLayout(fraFichier);
    const QString fichierTexts[5] = {QString(), QStringLiteral("Tous les détails (1 fichier par ligne)"),
                                     QStringLiteral("Nom et Date (2 fichiers par ligne)"),
                                     QStringLiteral("Nom seulement (3 fichiers par ligne)"),
                                     QStringLiteral("Nom seulement (4 fichiers par ligne)")};
    for (int i = 1; i <= 4; ++i) {
        m_fichier[size_t(i)] = new QRadioButton(fichierTexts[i], fraFichier);
        fichierLayout->addWidget(m_fichier[size_t(i)]);
    }
    auto* fraDossier = new QGroupBox(QStringLiteral("Dossiers"), this);
    auto* dossierLayout = new QVBoxLayout(fraDossier);
    m_dossier[0] = new QRadioButton(QStringLiteral("Afficher tous les dossiers"), fraDossier);
    m_dossier[1] = new QRadioButton(QStringLiteral("N'afficher que les dossiers non vides"), fraDossier);
    dossierLayout->addWidget(m_dossier[0]);
    dossierLayout->addWidget(m_dossier[1]);

    m_action[0] = new QPushButton(QStringLiteral("&OK"), this);
    m_action[1] = new QPushButton(QStringLiteral("&Annuler"), this);
    m_action[0]->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_action[0]);
    buttons->addWidget(m_action[1]);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraFichier);
    layout->addWidget(fraDossier);
    layout->addLayout(buttons);
    for (int i = 0; i < 2; ++i)
        connect(m_action[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });

    if (m_preview) {
        const int k = m_preview->filesPerLine();
        if (k >= 1 && k <= 4)
            m_fichier[size_t(k)]->setChecked(true);
        m_dossier[size_t(m_preview->folderFilter() == 1 ? 1 : 0)]->setChecked(true);
    }
    setFixedSize(sizeHint());
}

void frmConfig::cmdAction_Click(int index) {
    if (index == 0 && m_preview) {
        std::array<bool, 5> fichier{};
        for (int i = 1; i <= 4; ++i)
            fichier[size_t(i)] = m_fichier[size_t(i)]->isChecked();
        const std::array<bool, 2> dossier{m_dossier[0]->isChecked(), m_dossier[1]->isChecked()};
        const Outcome out = decide(m_preview->filesPerLine(), m_preview->folderFilter(), fichier, dossier);
        if (out.changed) {
            m_preview->setFilesPerLine(out.filesPerLine);
            m_preview->setFolderFilter(out.folderFilter);
            m_preview->PopulateRec();
        }
    }
    done(index == 0 ? Accepted : Rejected);
}

} // namespace vambrel
