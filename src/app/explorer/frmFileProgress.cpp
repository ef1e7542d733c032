#include "frmFileProgress.h"

#include "controls/DialogFlags.h"
#include "controls/ElidedLabel.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vambrel {

frmFileProgress::frmFileProgress(const FileOpProgressText& texts, QWidget* parent)
    : QDialog(parent, kDialogFlags), m_texts(texts) {
    setWindowTitle(texts.caption());
    setObjectName(QStringLiteral("frmFileProgress"));
    m_action = new ElidedLabel(this);
    m_folder = new ElidedLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_items = new QLabel(this);
    m_bytes = new QLabel(this);
    m_bytes->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_cancel = new QPushButton(QStringLiteral("Annuler"), this);
    m_cancel->setObjectName(QStringLiteral("cmdAnnuler"));
    connect(m_cancel, &QPushButton::clicked, this, &frmFileProgress::askCancel);

    auto* counts = new QHBoxLayout;
    counts->addWidget(m_items);
    counts->addStretch(1);
    counts->addWidget(m_bytes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_action);
    layout->addWidget(m_folder);
    layout->addWidget(m_bar);
    layout->addLayout(counts);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    showProgress(fileops::Progress());
}

void frmFileProgress::showProgress(const fileops::Progress& progress) {
    m_action->setText(m_cancelAsked ? QStringLiteral("Annulation en cours...") : m_texts.action(progress));
    m_folder->setText(m_texts.folder(progress));
    m_bar->setValue(m_texts.permille(progress));
    m_items->setText(m_texts.items(progress));
    m_bytes->setText(m_texts.bytes(progress));
}

QString frmFileProgress::actionText() const {
    return m_action->text();
}
QString frmFileProgress::folderText() const {
    return m_folder->text();
}
QString frmFileProgress::itemsText() const {
    return m_items->text();
}
QString frmFileProgress::bytesText() const {
    return m_bytes->text();
}
int frmFileProgress::barValue() const {
    return m_bar->value();
}

void frmFileProgress::askCancel() {
    if (m_cancelAsked)
        return;
    m_cancelAsked = true;
    m_cancel->setEnabled(false);
    m_action->setText(QStringLiteral("Annulation en cours..."));
    Q_EMIT cancelRequested();
}

void frmFileProgress::reject() {
    askCancel();
}

void frmFileProgress::closeEvent(QCloseEvent* event) {
    event->ignore();
    askCancel();
}

} // namespace vambrel
