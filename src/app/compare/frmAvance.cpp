#include "frmAvance.h"

#include "catalogue/StartFolderChoice.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vambrel {

frmAvance::frmAvance(QWidget* parent)
    : QDialog(parent), m_lisLecteur(new QListWidget(this)), m_qvtBrowse(new qvtBrowser(this)),
      m_lblInfo(new QLabel(this)), m_lblMask(new QLabel(QStringLiteral("Masque de fichiers"), this)),
      m_txtMask(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Comparaison avancée"));
    m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
    m_lblInfo->setWordWrap(true);
    m_optRacine[0] = new QRadioButton(QStringLiteral("A partir des lecteurs"), this);
    m_optRacine[1] = new QRadioButton(QStringLiteral("A partir du répertoire"), this);
    m_optRacine[2] = new QRadioButton(QStringLiteral("A partir de la source du fichier Vambrel"), this);
    m_optRacine[2]->setChecked(true);
    m_lisLecteur->setObjectName(QStringLiteral("lisLecteur"));
    m_lisLecteur->setSelectionMode(QAbstractItemView::MultiSelection);
    m_qvtBrowse->setObjectName(QStringLiteral("qvtBrowse"));
    m_txtMask->setObjectName(QStringLiteral("txtMask"));
    m_lblMask->setBuddy(m_txtMask);
    m_cmdAction[0] = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdAction[1] = new QPushButton(QStringLiteral("&Annuler"), this);
    m_cmdAction[0]->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblInfo);
    layout->addWidget(m_optRacine[0]);
    layout->addWidget(m_lisLecteur, 1);
    layout->addWidget(m_optRacine[1]);
    layout->addWidget(m_qvtBrowse);
    layout->addWidget(m_optRacine[2]);
    auto* mask = new QHBoxLayout;
    mask->addWidget(m_lblMask);
    mask->addWidget(m_txtMask, 1);
    layout->addLayout(mask);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAction[0]);
    buttons->addWidget(m_cmdAction[1]);
    layout->addLayout(buttons);
    resize(400, 380);

    StartFolderChoice::FillDrives(m_lisLecteur);
    m_qvtBrowse->setText(qvtRepertoire::DefaultDrive());

    for (QRadioButton* option : m_optRacine)
        connect(option, &QRadioButton::toggled, this, [this] { optRacine_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(m_cmdAction[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    optRacine_Click();
}

QRadioButton* frmAvance::optRacine(int index) const {
    return index >= 0 && index < 3 ? m_optRacine[size_t(index)] : nullptr;
}

QPushButton* frmAvance::cmdAction(int index) const {
    return index == 0 || index == 1 ? m_cmdAction[size_t(index)] : nullptr;
}

void frmAvance::optRacine_Click() {
    m_lisLecteur->setEnabled(m_optRacine[0]->isChecked());
    m_qvtBrowse->setEnabled(m_optRacine[1]->isChecked());
}

void frmAvance::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (m_messageHandler) {
        m_messageHandler(icon, text);
        return;
    }
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void frmAvance::cmdAction_Click(int index) {
    if (index != 0) {
        m_tag.clear();
        reject();
        return;
    }
    if (m_optRacine[2]->isChecked()) {
        m_tag = SourceAnswer();
        accept();
        return;
    }
    const auto result = StartFolderChoice::Decide(
        StartFolderChoice::Read(m_optRacine[0]->isChecked(), m_lisLecteur, m_qvtBrowse, m_txtMask),
        [this](QMessageBox::Icon icon, const QString& text) { showMessage(icon, text); });
    if (!result)
        return;
    // The mask box keeps what the user typed: OK does not change it.
    m_tag = result->tag;
    accept();
}

} // namespace vambrel
