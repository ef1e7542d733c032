#include "frmAvance.h"

#include "Drives.h"
#include "NativeName.h"
#include "catalogue/NewCatalogueAnswer.h"
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

    // The drives as they are now: drives that come later are not offered.
    for (const Drive& drive : qvtRepertoire::Drives()) {
        auto* item = new QListWidgetItem(DisplayName(drive.root), m_lisLecteur);
        item->setData(Qt::UserRole, drive.root);
    }
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
    NewCatalogueAnswer::Choice choice;
    choice.drives = m_optRacine[0]->isChecked();
    for (int i = 0; i < m_lisLecteur->count(); ++i) {
        choice.driveList << m_lisLecteur->item(i)->data(Qt::UserRole).toString();
        choice.selected << m_lisLecteur->item(i)->isSelected();
    }
    choice.folder = m_qvtBrowse->Text();
    choice.mask = m_txtMask->text();
    const NewCatalogueAnswer::Result result = NewCatalogueAnswer::Decide(choice);
    switch (result.verdict) {
    case NewCatalogueAnswer::Verdict::NoDrive:
        showMessage(QMessageBox::Information, result.message);
        return;
    case NewCatalogueAnswer::Verdict::SeparatorInPath:
        showMessage(QMessageBox::Warning, result.message);
        return;
    case NewCatalogueAnswer::Verdict::Ok:
        break;
    }
    // The mask box keeps what the user typed: OK does not change it.
    m_tag = result.tag;
    accept();
}

} // namespace vambrel
