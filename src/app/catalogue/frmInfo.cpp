#include "frmInfo.h"

#include "BuildProgressTexts.h"
#include "TempFileName.h"
#include "cAsync.h"
#include "controls/LightProgress.h"
#include "controls/frmMsgBox.h"
#include "print/frmApercu.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace vambrel {

frmInfo::frmInfo(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_owner(owner),
      m_progress(new LightProgress(this)) {
    setWindowTitle(BuildProgressTexts::Caption());
    // Fixed geometry, no layout: the labels change at every event and must not ask for one.
    const int width = 380;
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        label->setGeometry(12, 10 + i * 22, width - 24, 20);
        // A click on a label is a click on the window.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_lblInfo[size_t(i)] = label;
    }
    m_progress->setObjectName(QStringLiteral("qvtProgress"));
    m_progress->setGeometry(12, 10 + 4 * 22 + 4, width - 24, 18);
    setFixedSize(width, 10 + 4 * 22 + 4 + 18 + 12);
    // The events come by the hundred thousand: the widgets take the latest state a few dozen
    // times a second, which is all a screen shows and keeps the handlers cheap.
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(25);
    connect(&m_showTimer, &QTimer::timeout, this, &frmInfo::showProgress);
}

frmInfo::~frmInfo() = default;

QLabel* frmInfo::lblInfo(int index) const {
    return index >= 0 && index < 4 ? m_lblInfo[size_t(index)] : nullptr;
}

void frmInfo::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // From the event loop: the start may have to report a failure in a message box.
        QTimer::singleShot(0, this, &frmInfo::activate);
    }
}

void frmInfo::closeEvent(QCloseEvent* event) {
    if (m_running) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmInfo::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    Form_Click();
}

void frmInfo::activate() {
    m_cancel = false;
    m_tempFile = TempFileName(u"qvt");
    if (m_tempFile.isEmpty()) {
        complete(false, QStringLiteral("Aucun nom de fichier temporaire n'a pu être obtenu."));
        return;
    }
    m_Do = new client::cAsync(this);
    // Direct connections: the handlers write the Cancel they are given.
    connect(
        m_Do, &client::cAsync::ProgressMain, this,
        [this](const QString& sMain, bool& Cancel) {
            Cancel = m_cancel;
            m_shown.main = sMain;
            m_shown.folders = -1;
            m_shown.state = -1;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync::ProgressFolder, this,
        [this](qint32 Nbre, bool& Cancel) {
            Cancel = m_cancel;
            m_shown.folders = Nbre;
            if (Nbre > 0)
                m_shown.max = Nbre;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync::ProgressFile, this,
        [this](qint32 Nbre, bool& Cancel) {
            Cancel = m_cancel;
            m_shown.files = Nbre;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync::ProgressState, this,
        [this](qint32 nPos) {
            m_shown.state = nPos;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync::Cancelled, this,
        [this] {
            m_running = false;
            Q_EMIT BuildEnded(false);
            finish([this] {
                m_owner->show();
                unload();
            });
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync::Complete, this,
        [this](bool& Success) {
            m_running = false;
            const bool success = Success;
            const QString cause = m_Do->errorText();
            Q_EMIT BuildEnded(success);
            finish([this, success, cause] { complete(success, cause); });
        },
        Qt::DirectConnection);
    m_Do->setFileName(m_tempFile);
    m_Do->setSpec(m_spec);
    m_Do->setMask(m_mask);
    m_running = true;
    if (const auto refused = m_Do->Start()) {
        m_running = false;
        complete(false, refused->description);
    }
}

QString frmInfo::infoText(int index) const {
    switch (index) {
    case 0:
        return m_shown.main.isNull() ? QString() : BuildProgressTexts::Main(m_shown.main);
    case 1:
        return m_shown.folders < 0 ? QString() : BuildProgressTexts::Folders(m_shown.folders);
    case 2:
        return m_shown.files < 0 ? QString() : BuildProgressTexts::Files(m_shown.files);
    case 3:
        return m_shown.state < 0 ? QString() : BuildProgressTexts::State(m_shown.state);
    default:
        return {};
    }
}

void frmInfo::scheduleShow() {
    if (!m_showTimer.isActive())
        m_showTimer.start();
}

void frmInfo::showProgress() {
    m_showTimer.stop();
    for (int i = 0; i < 4; ++i) {
        const QString text = infoText(i);
        if (m_lblInfo[size_t(i)]->text() != text)
            m_lblInfo[size_t(i)]->setText(text);
    }
    if (m_shown.max > m_progress->Min() && m_shown.max != m_progress->Max())
        m_progress->setMax(m_shown.max);
    if (m_shown.state >= 0)
        m_progress->setValue(std::clamp(m_shown.state, m_progress->Min(), m_progress->Max()));
}

void frmInfo::complete(bool success, const QString& cause) {
    m_owner->show();
    if (success && m_impression) {
        hide();
        showPreview();
    } else if (success) {
        Q_EMIT CatalogueReady(m_fileName, m_tempFile);
    } else {
        // A failed build's partial file (the server keeps it) is of no use to anybody here.
        if (!m_tempFile.isEmpty()) {
            QFile::remove(m_tempFile + QStringLiteral("-journal"));
            QFile::remove(m_tempFile);
        }
        Q_EMIT BuildFailed(BuildProgressTexts::Failure(m_impression ? m_spec : m_fileName, cause));
    }
    unload();
}

// The temporary catalogue lives as long as its preview, whichever way that closes (the program
// closing with it included); it is deleted at once when no preview could be opened.
void frmInfo::showPreview() {
    const QString temporary = m_tempFile;
    const auto removeTemporary = [temporary] {
        QFile::remove(temporary + QStringLiteral("-journal"));
        QFile::remove(temporary);
    };
    QString error;
    frmApercu* preview = frmApercu::openCatalogue(m_owner, temporary, true, &error);
    if (!preview) {
        removeTemporary();
        Q_EMIT BuildFailed(error);
        return;
    }
    connect(preview, &frmApercu::Unloaded, preview, removeTemporary);
    Q_EMIT PreviewOpened(preview);
}

void frmInfo::finish(std::function<void()> end) {
    showProgress();
    m_cancelQuestion.finish(std::move(end));
}

void frmInfo::unload() {
    hide();
    Q_EMIT Unloaded();
    deleteLater();
}

void frmInfo::Form_Click() {
    if (!m_running || m_cancelQuestion.asking())
        return;
    // Sent at once: the job stops wherever it is, even in a folder walk that raises no event.
    // The flag answers any event already on its way.
    if (m_cancelQuestion.ask(this, BuildProgressTexts::CancelQuestion())) {
        m_cancel = true;
        if (m_Do)
            m_Do->Cancel();
    }
}

} // namespace vambrel
