#pragma once

#include "NewCatalogueAnswer.h"

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;
class QListWidget;

namespace vambrel {

class qvtBrowser;

// What the dialogs asking for start folders (a new catalogue, the new-file search) share: the
// drive list as the computer has it now, and reading the drive list, the folder box and the
// pattern box into one answer.
namespace StartFolderChoice {

// Fills `list` with the drives present now, each item holding its root as Qt::UserRole data.
void FillDrives(QListWidget* list);

// The user's choice as the answer rules read it; `drives` tells which option is checked.
NewCatalogueAnswer::Choice Read(bool drives, const QListWidget* list, const qvtBrowser* folder,
                                const QLineEdit* mask);

// Decides `choice`; a refusal is shown through `show` (information for no drive, warning for a
// folder holding the separator) and gives nothing.
using MessageHandler = std::function<void(QMessageBox::Icon icon, const QString& text)>;
std::optional<NewCatalogueAnswer::Result> Decide(const NewCatalogueAnswer::Choice& choice,
                                                 const MessageHandler& show);

} // namespace StartFolderChoice
} // namespace vambrel
