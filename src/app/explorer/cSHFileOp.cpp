#include "cSHFileOp.h"

#include "FileOpQuestionButtons.h"
#include "FileOperation.h"
#include "frmFileProgress.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QHash>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

namespace vambrel {

using fileops::Function;
using fileops::Progress;
using fileops::Question;
using fileops::Reply;

namespace {

// While the work runs, the windows repaint but take no input except the progress window and the
// dialogs it opens: no second command can start under the running one.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        // A modal window (the progress window, a question) takes its own input; Qt keeps the
        // windows under it from any.
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal && (widget->window() == modal || modal->isAncestorOf(widget)))
            return false;
        return !(m_allowed && widget->window() == m_allowed);
    }

public:
    // The progress window takes input whatever its modality.
    void allow(QWidget* window) { m_allowed = window; }

private:
    QPointer<QWidget> m_allowed;
};

QMessageBox::ButtonRole roleOf(Reply reply) {
    switch (reply) {
    case Reply::Yes:
    case Reply::YesToAll:
        return QMessageBox::YesRole;
    case Reply::No:
        return QMessageBox::NoRole;
    case Reply::Cancel:
        return QMessageBox::RejectRole;
    }
    return QMessageBox::NoRole;
}

Reply showQuestion(QWidget* parent, const Question& question) {
    const FileOpQuestionButtons spec(question);
    QMessageBox box(spec.warns() ? QMessageBox::Warning : QMessageBox::Question, spec.title(), question.text,
                    QMessageBox::NoButton, parent);
    QHash<QAbstractButton*, Reply> replies;
    for (const FileOpQuestionButtons::Button& button : spec.buttons()) {
        QPushButton* push = box.addButton(button.caption, roleOf(button.reply));
        replies.insert(push, button.reply);
        if (button.reply == spec.defaultReply())
            box.setDefaultButton(push);
        if (button.reply == spec.escapeReply())
            box.setEscapeButton(push);
    }
    box.exec();
    return replies.value(box.clickedButton(), spec.escapeReply());
}

void showError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vambrel"), text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

// The engine's host: questions and errors cross to the window thread and wait for it there;
// progress is kept for the window's timer to read.
class WindowHost : public QObject, public fileops::Host {
public:
    WindowHost(QWidget* parent, const cSHFileOp::QuestionHandler& questions,
               const cSHFileOp::ErrorHandler& errors, QStringList& errorList)
        : m_parent(parent), m_questions(questions), m_errors(errors), m_errorList(errorList) {}

    Reply ask(const Question& question) override {
        Reply reply = Reply::Cancel;
        QMetaObject::invokeMethod(
            this,
            [&] {
                if (m_questions) {
                    reply = m_questions(question);
                    return;
                }
                const DialogOpen open(m_dialogOpen);
                reply = showQuestion(dialogParent(), question);
            },
            Qt::BlockingQueuedConnection);
        return reply;
    }

    void error(const QString& message) override {
        QMetaObject::invokeMethod(
            this,
            [&] {
                m_errorList.append(message);
                if (m_errors) {
                    m_errors(message);
                    return;
                }
                const DialogOpen open(m_dialogOpen);
                showError(dialogParent(), message);
            },
            Qt::BlockingQueuedConnection);
    }

    void progress(const Progress& progress) override {
        QMutexLocker lock(&m_mutex);
        m_progress = progress;
    }

    bool cancelRequested() override { return m_cancel.load(std::memory_order_relaxed); }

    Progress latest() {
        QMutexLocker lock(&m_mutex);
        return m_progress;
    }
    void cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    void setWindow(QWidget* window) { m_window = window; }
    // One of our questions or errors is on the screen (window thread only): no progress window
    // comes over it.
    bool dialogOpen() const { return m_dialogOpen > 0; }

private:
    struct DialogOpen {
        explicit DialogOpen(int& count) : m_count(count) { ++m_count; }
        ~DialogOpen() { --m_count; }
        int& m_count;
    };

    QWidget* dialogParent() const { return m_window ? m_window.data() : m_parent.data(); }

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_window;
    const cSHFileOp::QuestionHandler& m_questions;
    const cSHFileOp::ErrorHandler& m_errors;
    QStringList& m_errorList;
    QMutex m_mutex;
    Progress m_progress;
    std::atomic<bool> m_cancel{false};
    int m_dialogOpen = 0;
};

} // namespace

bool cSHFileOp::MoveFiles() {
    return run(Function::Move);
}

bool cSHFileOp::CopyFiles() {
    return run(Function::Copy);
}

bool cSHFileOp::DeleteFiles() {
    return run(Function::Delete);
}

bool cSHFileOp::RenameFiles() {
    return run(Function::Rename);
}

bool cSHFileOp::run(Function function) {
    m_lastErrors.clear();
    if (m_sources.isEmpty())
        return false;
    fileops::Options options;
    options.recycleBin = m_recycleBin;
    options.confirmMakeDir = m_confirmMakeDir;
    options.confirmOperation = m_confirmOperation;
    options.includeDirectories = m_includeDirectories;
    options.renameOnCollision = m_renameOnCollision;

    WindowHost host(m_parent, m_questionHandler, m_errorHandler, m_lastErrors);
    const QStringList sources = m_sources;
    const QStringList destinations = m_dests;
    bool result = false;
    std::unique_ptr<QThread> worker(QThread::create(
        [&] { result = fileops::RunFileOperation(function, options, sources, destinations, host); }));

    // The caller waits here while the windows keep painting; the progress window comes only
    // when the work lasts.
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    InputBlocker blocker;
    // The window is made now, hidden, so that showing it later costs the loop little.
    const FileOpProgressText texts(function, m_recycleBin, m_title);
    std::unique_ptr<frmFileProgress> window;
    if (!m_silentMode) {
        window = std::make_unique<frmFileProgress>(texts, m_parent);
        window->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(window.get(), &frmFileProgress::cancelRequested, &loop, [&host] { host.cancel(); });
        window->ensurePolished();
        window->adjustSize();
    }
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (!window)
            return;
        if (!window->isVisible() && !host.dialogOpen() && elapsed.elapsed() >= m_progressDelay) {
            host.setWindow(window.get());
            blocker.allow(window.get());
            window->show();
        }
        if (window->isVisible())
            window->showProgress(host.latest());
    });
    tick.start();
    worker->start();
    loop.exec();
    worker->wait();
    tick.stop();
    host.setWindow(nullptr);
    window.reset();
    return result;
}

} // namespace vambrel
