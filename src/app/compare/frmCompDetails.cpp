#include "frmCompDetails.h"

#include "CompareTexts.h"
#include "ComparisonRows.h"
#include "FileTime.h"
#include "LiveFile.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace vambrel {

frmCompDetails::frmCompDetails(QWidget* parent)
    : QDialog(parent), m_imaFichier(new QLabel(this)), m_lblFichier(new QLabel(this)),
      m_lblChemin(new QLabel(this)), m_lblInfo(new QLabel(this)),
      m_cmdFermer(new QPushButton(QStringLiteral("&Fermer"), this)) {
    setWindowTitle(QStringLiteral("Détails sur le fichier"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_imaFichier, 0, 0);
    const char* const labels[5] = {"Nom", "Chemin", "Taille", "Modifié", "Version"};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
        label->setObjectName(QStringLiteral("lblEti%1").arg(i));
        grid->addWidget(label, i < 2 ? i + 1 : i + 2, 0);
    }
    m_lblFichier->setObjectName(QStringLiteral("lblFichier"));
    m_lblChemin->setObjectName(QStringLiteral("lblChemin"));
    m_lblFichier->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblChemin->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_lblFichier, 1, 1, 1, 2);
    grid->addWidget(m_lblChemin, 2, 1, 1, 2);
    m_lblOu[0] = new QLabel(QStringLiteral("Vambrel"), this);
    m_lblOu[1] = new QLabel(QStringLiteral("Poste de travail"), this);
    for (int c = 0; c < 2; ++c) {
        m_lblOu[size_t(c)]->setObjectName(QStringLiteral("lblOu%1").arg(c));
        m_lblOu[size_t(c)]->hide();
        grid->addWidget(m_lblOu[size_t(c)], 3, c + 1);
    }
    const char* const names[3] = {"Taille", "Date", "Version"};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) {
            auto* value = new QLabel(this);
            value->setObjectName(QStringLiteral("lbl") + QLatin1String(names[r]) +
                                 (c == 0 ? QStringLiteral("ID") : QStringLiteral("PT")));
            if (c == 1)
                value->hide();
            grid->addWidget(value, r + 4, c + 1);
            m_values[size_t(r)][size_t(c)] = value;
        }
    m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
    grid->addWidget(m_lblInfo, 7, 0, 1, 3);
    m_cmdFermer->setObjectName(QStringLiteral("cmdFermer"));
    grid->addWidget(m_cmdFermer, 8, 2, Qt::AlignRight);
    connect(m_cmdFermer, &QPushButton::clicked, this, &QDialog::accept);
}

QString frmCompDetails::NotFoundMessage() {
    return QStringLiteral("Une erreur est survenue.\nImpossible de poursuivre.");
}

QString frmCompDetails::SizeText(qint64 size) {
    return GroupedNumberText(size);
}

void frmCompDetails::setIcon(const QIcon& icon) {
    m_imaFichier->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(16, 16));
}

void frmCompDetails::showCatalogueFile(const ComparisonRows& rows, int category, const QIcon& icon) {
    setIcon(icon);
    m_lblFichier->setText(DisplayName(rows.nom()));
    m_lblChemin->setText(DisplayName(rows.folder()));
    const QVariant taille = rows.taille();
    lblTailleID()->setText(taille.isNull() ? QString() : SizeText(taille.toLongLong()));
    const QVariant modifie = rows.modifie();
    lblDateID()->setText(modifie.isNull() ? QString() : GeneralDateText(DateFromText(modifie.toString())));
    lblVersionID()->setText(rows.productVersion());
    m_lblInfo->setText(CompareTexts::DetailsSentence(category));
    if (category != 1)
        return;
    const LiveFile live = LiveFile::look(RecordedFilePath(rows.folder(), rows.nom()));
    switch (live.state) {
    case LiveFile::State::Missing: {
        const QString unknown = QStringLiteral("Indéterminé");
        lblDatePT()->setText(unknown);
        lblTaillePT()->setText(unknown);
        lblVersionPT()->setText(unknown);
        break;
    }
    case LiveFile::State::File:
        lblDatePT()->setText(GeneralDateText(live.modified));
        lblTaillePT()->setText(SizeText(live.size));
        lblVersionPT()->setText(live.productVersion);
        break;
    case LiveFile::State::FolderOnly:
        break;
    }
    for (QLabel* label : {m_lblOu[0], m_lblOu[1], lblDatePT(), lblTaillePT(), lblVersionPT()})
        label->show();
}

void frmCompDetails::showNewFile(const QString& nom, const QString& folder, const QIcon& icon) {
    setIcon(icon);
    m_lblFichier->setText(DisplayName(nom));
    m_lblChemin->setText(DisplayName(folder));
    m_lblInfo->setText(CompareTexts::DetailsSentence(3));
    const LiveFile live = LiveFile::look(RecordedFilePath(folder, nom));
    if (live.state != LiveFile::State::File)
        return;
    lblDateID()->setText(GeneralDateText(live.modified));
    lblTailleID()->setText(SizeText(live.size));
    lblVersionID()->setText(live.productVersion);
}

} // namespace vambrel
