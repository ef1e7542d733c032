#pragma once

#include "FileOpHost.h"

#include <QString>
#include <QStringList>

namespace vambrel::fileops {

// The French texts of the engine: failures and questions. Paths are exact names; the texts
// show them readably (bytes that are not UTF-8 as "\xNN").

// The cause of a failed system call, as one sentence.
QString CauseText(int error);

// "Impossible de copier /a/b" + line break + cause (the verb of the operation; trash has its own).
QString FailureText(Function function, bool trash, const QString& path, const QString& cause);

// What one side of a replacement is: shown under the question.
struct EntryFacts {
    qint64 size = 0;
    qint64 modified = 0; // seconds since 1970
    bool folder = false;
    bool link = false;
};

QString ReplaceQuestion(const QString& target, const EntryFacts& existing, const EntryFacts& incoming);
QString MergeQuestion(Function function, const QString& target);
QString DeleteForGoodQuestion(const QStringList& paths, bool firstIsFolder);
QString MakeDirQuestion(const QString& folder);
QString NoTrashQuestion(const QString& path, const QString& cause);

// Causes that are not system errors.
QString IntoItselfCause();
QString SameEntryCause();
QString FolderInTheWayCause();
QString FileInTheWayCause();
QString NameTakenCause();
QString OtherVolumeCause();
QString MountedInsideCause();
QString TooDeepCause();
QString NotAFolderCause();
QString TrashItselfCause();
QString NoTrashCause();
QString DestinationCountText();
QString NoDestinationText();
QString OneTargetPerSourceText();

} // namespace vambrel::fileops
