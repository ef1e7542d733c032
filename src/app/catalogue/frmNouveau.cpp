#include "frmNouveau.h"

#include "StartFolderChoice.h"
#include "controls/DialogFlags.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vambrel {

namespace {
frmNouveau::FolderSource& startFolderSource() {
    static frmNouveau::FolderSource source;
    return source;
}
} // namespace

void frmNouveau::setStartFolderSource(FolderSource source) {
    startFolderSource() = std::move(source);
}

frmNouveau::frmNouveau(QWidget* parent)
    : QDialog(parent, kDialogFlags), m_lisLecteur(new QListWidget(this)), m_qvtBrowse(new qvtBrowser(this)),
      m_lblMask(new QLabel(QStringLiteral("Masque de fichiers"), this)), m_txtMask(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Créer un nouveau fichier Vambrel"));
    m_optRacine[0] = new QRadioButton(QStringLiteral("A partir des lecteurs"), this);
    m_optRacine[1] = new QRadioButton(QStringLiteral("A partir du répertoire"), this);
    m_optRacine[1]->setChecked(true);
    m_lisLecteur->setObjectName(QStringLiteral("lisLecteur"));
    m_lisLecteur->setSelectionMode(QAbstractItemView::MultiSelection);
    m_qvtBrowse->setObjectName(QStringLiteral("qvtBrowse"));
    m_txtMask->setObjectName(QStringLiteral("txtMask"));
    m_txtMask->setText(QStringLiteral("*.*"));
    m_lblMask->setBuddy(m_txtMask);
    m_cmdAction[0] = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdAction[1] = new QPushButton(QStringLiteral("&Annuler"), this);
    m_cmdAction[0]->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_optRacine[0]);
    layout->addWidget(m_lisLecteur, 1);
    layout->addWidget(m_optRacine[1]);
    layout->addWidget(m_qvtBrowse);
    auto* mask = new QHBoxLayout;
    mask->addWidget(m_lblMask);
    mask->addWidget(m_txtMask, 1);
    layout->addLayout(mask);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAction[0]);
    buttons->addWidget(m_cmdAction[1]);
    layout->addLayout(buttons);
    resize(380, 320);

    StartFolderChoice::FillDrives(m_lisLecteur);
    const FolderSource& source = startFolderSource();
    m_qvtBrowse->setText(source ? source() : qvtRepertoire::DefaultDrive());

    for (QRadioButton* option : m_optRacine)
        connect(option, &QRadioButton::toggled, this, [this] { optRacine_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(m_cmdAction[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    optRacine_Click();
}

QRadioButton* frmNouveau::optRacine(int index) const {
    return index == 0 || index == 1 ? m_optRacine[size_t(index)] : nullptr;
}

QPushButton* frmNouveau::cmdAction(int index) const {
    return index == 0 || index == 1 ? m_cmdAction[size_t(index)] : nullptr;
}

void frmNouveau::optRacine_Click() {
    m_lisLecteur->setEnabled(m_optRacine[0]->isChecked());
    m_qvtBrowse->setEnabled(m_optRacine[1]->isChecked());
}

void frmNouveau::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (m_messageHandler) {
        m_messageHandler(icon, text);
        return;
    }
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void frmNouveau::cmdAction_Click(int index) {
    if (index != 0) {
        m_tag.clear();
        reject();
        return;
    }
    const auto result = StartFolderChoice::Decide(
        StartFolderChoice::Read(m_optRacine[0]->isChecked(), m_lisLecteur, m_qvtBrowse, m_txtMask),
        [this](QMessageBox::Icon icon, const QString& text) { showMessage(icon, text); });
    if (!result)
        return;
    m_txtMask->setText(result->mask);
    m_tag = result->tag;
    accept();
}

} // namespace vambrel
