#include "frmProprietes.h"

#include "controls/DialogFlags.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vambrel {

frmProprietes::frmProprietes(QWidget* parent) : QDialog(parent, kDialogFlags) {
    setWindowTitle(QStringLiteral("Propriétés"));
    const QStringList captions = {
        QStringLiteral("Nom du fichier"),      QStringLiteral("Emplacement"),
        QStringLiteral("Date de création"),    QStringLiteral("Source"),
        QStringLiteral("Masque de sélection"), QStringLiteral("Nombre de répertoires"),
        QStringLiteral("Nombre de fichiers"),  QStringLiteral("Taille des fichiers"),
        QStringLiteral("Description")};
    auto* grid = new QGridLayout;
    for (int i = 0; i < kInfoCount; ++i) {
        m_lblEti[size_t(i)] = new QLabel(captions[i], this);
        m_lblInfo[size_t(i)] = new QLabel(this);
        m_lblInfo[size_t(i)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_lblInfo[size_t(i)]->setWordWrap(true);
        m_lblInfo[size_t(i)]->setMinimumWidth(260);
        grid->addWidget(m_lblEti[size_t(i)], i, 0, Qt::AlignTop);
        grid->addWidget(m_lblInfo[size_t(i)], i, 1);
    }
    m_lblEti[kInfoCount] = new QLabel(captions[kInfoCount], this);
    m_txtDescription = new QPlainTextEdit(this);
    m_txtDescription->setTabChangesFocus(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const QStringList texts = {QStringLiteral("&Enregistrer"), QStringLiteral("&Fermer")};
    for (int i = 0; i < 2; ++i) {
        m_cmdAction[size_t(i)] = new QPushButton(texts[i], this);
        buttons->addWidget(m_cmdAction[size_t(i)]);
        connect(m_cmdAction[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    }
    m_cmdAction[1]->setDefault(true);
    m_cmdAction[0]->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_lblEti[kInfoCount]);
    layout->addWidget(m_txtDescription, 1);
    layout->addLayout(buttons);

    connect(m_txtDescription, &QPlainTextEdit::textChanged, this,
            [this] { m_cmdAction[0]->setEnabled(true); });
    m_cmdAction[0]->setEnabled(false);
}

QLabel* frmProprietes::lblEti(int index) const {
    return index >= 0 && index <= kInfoCount ? m_lblEti[size_t(index)] : nullptr;
}

QLabel* frmProprietes::lblInfo(int index) const {
    return index >= 0 && index < kInfoCount ? m_lblInfo[size_t(index)] : nullptr;
}

QPushButton* frmProprietes::cmdAction(int index) const {
    return index == 0 || index == 1 ? m_cmdAction[size_t(index)] : nullptr;
}

void frmProprietes::cmdAction_Click(int index) {
    if (index == 0)
        m_tag = QStringLiteral("Change");
    hide();
    if (index == 0)
        accept();
    else
        reject();
}

void frmProprietes::activate() {
    m_cmdAction[0]->setEnabled(m_unsaved);
}

void frmProprietes::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activate();
}

void frmProprietes::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activate();
}

} // namespace vambrel
