#pragma once

#include "FileOpHost.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace vambrel {

// One copy, move, delete or rename of any number of files or folders, run as one call for the
// whole list. The class gives the services a desktop shell would: a French progress window with a
// cancel button for work that lasts, French confirmations, rename on collision ("nom (2).ext"),
// and the freedesktop.org trash for deletions when RecycleBin is set.
//
// Contract of the four operations: false when the source list is empty (nothing is done), on any
// failure and on any cancellation, including a confirmation answered "Non"; true only when every
// item was done. A failed or cancelled operation leaves every source intact and no partial file
// at any destination. With one destination, every source goes into that folder (Rename: to that
// name); with several, the n-th source goes to the n-th destination.
//
// The lists stay filled after an operation; a caller that reuses an instance clears them.
class cSHFileOp {
public:
    cSHFileOp() = default;

    bool RecycleBin() const { return m_recycleBin; }
    void setRecycleBin(bool on) { m_recycleBin = on; }
    bool ConfirmMakeDir() const { return m_confirmMakeDir; }
    void setConfirmMakeDir(bool on) { m_confirmMakeDir = on; }
    bool ConfirmOperation() const { return m_confirmOperation; }
    void setConfirmOperation(bool on) { m_confirmOperation = on; }
    // Not empty: the progress window shows this title instead of each item's name.
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    // False: folders among the sources are left alone; only files are acted on.
    bool IncludeDirectories() const { return m_includeDirectories; }
    void setIncludeDirectories(bool on) { m_includeDirectories = on; }
    // Owner of the progress window and of the confirmations; may be null.
    QWidget* ParentWnd() const { return m_parent; }
    void setParentWnd(QWidget* parent) { m_parent = parent; }
    bool RenameOnCollision() const { return m_renameOnCollision; }
    void setRenameOnCollision(bool on) { m_renameOnCollision = on; }
    // True: no progress window. Confirmations are still asked unless ConfirmOperation is false.
    bool SilentMode() const { return m_silentMode; }
    void setSilentMode(bool on) { m_silentMode = on; }

    bool MoveFiles();
    bool CopyFiles();
    bool DeleteFiles();
    bool RenameFiles();

    void ClearSourceFiles() { m_sources.clear(); }
    void AddSourceFile(const QString& path) { m_sources.append(path); }
    void ClearDestFiles() { m_dests.clear(); }
    void AddDestFile(const QString& path) { m_dests.append(path); }

    const QStringList& sourceFiles() const { return m_sources; }
    const QStringList& destFiles() const { return m_dests; }

    // In place of the dialogs (tests, callers with their own windows): the answer to each
    // question and the French failure messages, called on the calling thread.
    using QuestionHandler = std::function<fileops::Reply(const fileops::Question&)>;
    using ErrorHandler = std::function<void(const QString&)>;
    void setQuestionHandler(QuestionHandler handler) { m_questionHandler = std::move(handler); }
    void setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }
    // How long the work runs before the progress window shows, in milliseconds.
    int progressDelay() const { return m_progressDelay; }
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }
    // The failure messages of the last operation, in order.
    const QStringList& lastErrors() const { return m_lastErrors; }

private:
    bool run(fileops::Function function);

    bool m_recycleBin = true;
    bool m_confirmMakeDir = true;
    bool m_confirmOperation = true;
    QString m_title;
    bool m_includeDirectories = true;
    QWidget* m_parent = nullptr;
    bool m_renameOnCollision = true;
    bool m_silentMode = false;
    QStringList m_sources;
    QStringList m_dests;
    QuestionHandler m_questionHandler;
    ErrorHandler m_errorHandler;
    int m_progressDelay = 500;
    QStringList m_lastErrors;
};

} // namespace vambrel
