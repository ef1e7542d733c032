#include "StartFolderChoice.h"

#include "Drives.h"
#include "NativeName.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"

#include <QLineEdit>
#include <QListWidget>

namespace vambrel::StartFolderChoice {

void FillDrives(QListWidget* list) {
    // The drives as they are now: drives that come later are not offered.
    for (const Drive& drive : qvtRepertoire::Drives()) {
        auto* item = new QListWidgetItem(DisplayName(drive.root), list);
        item->setData(Qt::UserRole, drive.root);
    }
}

NewCatalogueAnswer::Choice Read(bool drives, const QListWidget* list, const qvtBrowser* folder,
                                const QLineEdit* mask) {
    NewCatalogueAnswer::Choice choice;
    choice.drives = drives;
    for (int i = 0; i < list->count(); ++i) {
        choice.driveList << list->item(i)->data(Qt::UserRole).toString();
        choice.selected << list->item(i)->isSelected();
    }
    choice.folder = folder->Text();
    choice.mask = mask->text();
    return choice;
}

std::optional<NewCatalogueAnswer::Result> Decide(const NewCatalogueAnswer::Choice& choice,
                                                 const MessageHandler& show) {
    NewCatalogueAnswer::Result result = NewCatalogueAnswer::Decide(choice);
    switch (result.verdict) {
    case NewCatalogueAnswer::Verdict::NoDrive:
        show(QMessageBox::Information, result.message);
        return std::nullopt;
    case NewCatalogueAnswer::Verdict::SeparatorInPath:
        show(QMessageBox::Warning, result.message);
        return std::nullopt;
    case NewCatalogueAnswer::Verdict::Ok:
        break;
    }
    return result;
}

} // namespace vambrel::StartFolderChoice
