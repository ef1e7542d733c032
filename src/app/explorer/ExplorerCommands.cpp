#include "ExplorerCommands.h"

#include "Drives.h"
#include "FileDestroyer.h"
#include "FolderWatcher.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "cSHFileOp.h"
#include "controls/ChildWindow.h"
#include "controls/WaitCursor.h"
#include "controls/frmMsgBox.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"
#include "frmDir.h"
#include "frmFileOp.h"
#include "qvtFichier.h"
#include "shell/mShellExecute.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QInputDialog>
#include <QScopeGuard>
#include <QTreeWidgetItem>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace vambrel {

namespace {

const QString kCopyCaption = QStringLiteral("Copier les fichiers vers...");
const QString kMoveCaption = QStringLiteral("Déplacer les fichiers vers...");

} // namespace

ExplorerCommands::ExplorerCommands(frmDir* window, QWidget* owner, Hooks hooks, bool alwaysRefresh)
    : m_window(window), m_owner(owner), m_hooks(std::move(hooks)), m_alwaysRefresh(alwaysRefresh) {}

// ---- routing ----

void ExplorerCommands::Context(int index) {
    switch (index) {
    case 0:
        if (m_hooks.version)
            m_hooks.version();
        break;
    case 1:
        OpenFile();
        break;
    case 3:
    case 4:
        CopyFiles(index == 4);
        break;
    case 6:
    case 7:
        DeleteFiles(index == 6);
        break;
    case 8:
        DestroyFiles();
        break;
    case 10:
        ContextRep(7);
        break;
    case 11:
        if (m_window)
            m_window->startRename(ChildWindow::EditTarget::Files);
        break;
    case 13:
        Properties(false);
        break;
    default:
        break;
    }
}

void ExplorerCommands::ContextRep(int index) {
    switch (index) {
    case 0:
    case 1:
        CopyFolder(index == 1);
        break;
    case 3:
    case 4:
        DeleteFolder(index == 3);
        break;
    case 7:
        CreateFolder();
        break;
    case 8:
        if (m_window)
            m_window->startRename(ChildWindow::EditTarget::Folder);
        break;
    case 10:
        Properties(true);
        break;
    default:
        break;
    }
}

void ExplorerCommands::Edition(int index) {
    if (!m_window)
        return;
    if (index == 9) {
        ContextRep(7);
        return;
    }
    if (m_window->editTarget() == ChildWindow::EditTarget::Files) {
        if (m_window->hasSelectedFile())
            Context(index + 1);
        else
            message(QMessageBox::Information,
                    QStringLiteral("Sélectionner au moins un fichier pour cette opération."));
        return;
    }
    if (index >= 2)
        ContextRep(index - 2);
}

// ---- the user's side ----

void ExplorerCommands::message(QMessageBox::Icon icon, const QString& text) {
    if (m_hooks.message) {
        m_hooks.message(icon, text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Vambrel"), text, QMessageBox::Ok, m_owner);
    box.exec();
}

bool ExplorerCommands::question(const QString& text) {
    if (m_hooks.question)
        return m_hooks.question(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vambrel"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, m_owner);
    return box.exec() == QMessageBox::Ok;
}

std::optional<ExplorerCommands::Destination>
ExplorerCommands::destination(const QString& caption, int picture, const QString& preset) {
    if (m_hooks.destination)
        return m_hooks.destination(caption, picture, preset);
    frmFileOp dialog(m_owner);
    dialog.setWindowTitle(caption);
    dialog.qvtBrowse()->setText(preset);
    dialog.setPicture(picture);
    dialog.exec();
    if (dialog.Tag() != QStringLiteral("OK"))
        return std::nullopt;
    return Destination{dialog.qvtBrowse()->Text(), dialog.chkRename()->isChecked()};
}

bool ExplorerCommands::Run(cSHFileOp& operation, Operation kind) {
    switch (kind) {
    case Operation::Move:
        return operation.MoveFiles();
    case Operation::Copy:
        return operation.CopyFiles();
    case Operation::Delete:
        return operation.DeleteFiles();
    case Operation::Rename:
        return operation.RenameFiles();
    }
    return false;
}

bool ExplorerCommands::run(cSHFileOp& operation, Operation kind) {
    operation.setParentWnd(m_owner);
    return m_hooks.run ? m_hooks.run(operation, kind) : Run(operation, kind);
}

// ---- helpers ----

QStringList ExplorerCommands::SelectedFiles() const {
    QStringList files;
    if (!m_window)
        return files;
    const qvtFichier* list = m_window->qvtFich();
    for (const QString& name : list->SelectedNames())
        files << JoinPath(list->Path(), name);
    return files;
}

QString ExplorerCommands::CreatePrompt(const QString& folder) {
    QString shown = DisplayName(folder);
    if (!shown.endsWith(QChar(kPathSeparator)))
        shown += QChar(kPathSeparator);
    return QStringLiteral("Entrer le nom du nouveau répertoire:\n") + shown;
}

bool ExplorerCommands::watchedFiles(const std::function<bool()>& operation) {
    FolderWatcher watcher;
    watcher.setFolder(m_window->qvtFich()->Path());
    watcher.addWatch(1, FolderWatcher::FileNames);
    watcher.start();
    const bool done = operation();
    watcher.wait(kWatchWait);
    if (m_window && (watcher.signalled(1) || m_alwaysRefresh)) {
        m_window->qvtFich()->RefreshList();
        m_window->showStatus();
    }
    return done;
}

void ExplorerCommands::toParentFolder() {
    if (!m_window)
        return;
    qvtRepertoire* tree = m_window->qvtRep();
    if (QTreeWidgetItem* node = tree->SelectedItem(); node && node->parent())
        tree->setSelectedItem(node->parent());
    tree->RefreshDir();
}

bool ExplorerCommands::refuseDrive(const QString& folder, const QString& text) {
    if (!IsDriveRoot(folder, qvtRepertoire::Drives()))
        return false;
    message(QMessageBox::Information, text);
    return true;
}

// ---- file commands ----

void ExplorerCommands::OpenFile() {
    if (!m_window)
        return;
    const qvtFichier* list = m_window->qvtFich();
    const int item = list->SelectedItem();
    if (item == 0)
        return;
    mShellExecute::Open(JoinPath(list->Path(), list->ItemName(item)), QStringLiteral("open"), QString(),
                        list->Path(), mShellExecute::kShowDefault, nullptr, true);
}

void ExplorerCommands::CopyFiles(bool move) {
    if (!m_window)
        return;
    const QStringList sources = SelectedFiles();
    if (sources.isEmpty())
        return;
    const std::optional<Destination> target = destination(
        move ? kMoveCaption : kCopyCaption, move ? frmFileOp::MoveFilesPicture : frmFileOp::CopyFilesPicture,
        m_window->selectedFolder());
    if (!target || !m_window)
        return;
    const bool same = target->folder == m_window->qvtFich()->Path();
    if (same && !question(QStringLiteral("Le répertoire destination est identique ") +
                          QStringLiteral("au répertoire source.") + QStringLiteral("\nConfirmez:")))
        return;
    cSHFileOp operation;
    for (const QString& source : sources)
        operation.AddSourceFile(source);
    operation.AddDestFile(target->folder);
    operation.setRenameOnCollision(target->renameOnCollision);
    const Operation kind = move ? Operation::Move : Operation::Copy;
    if (move || same)
        watchedFiles([&] { return run(operation, kind); });
    else
        run(operation, kind);
}

void ExplorerCommands::DeleteFiles(bool recycle) {
    if (!m_window)
        return;
    const QStringList sources = SelectedFiles();
    if (sources.isEmpty())
        return;
    cSHFileOp operation;
    for (const QString& source : sources)
        operation.AddSourceFile(source);
    operation.setRecycleBin(recycle);
    watchedFiles([&] { return run(operation, Operation::Delete); });
}

void ExplorerCommands::DestroyFiles() {
    if (!m_window || m_window->qvtFich()->SelectedNames().isEmpty())
        return;
    const QString text =
        QStringLiteral("Vous êtes sur le point de détruire des fichiers.") + QLatin1Char('\n') +
        QStringLiteral("Par sécurité, après une demande de confirmation, les fichiers système ") +
        QStringLiteral("seront supprimés et non pas détruits.") + QLatin1Char('\n') +
        QStringLiteral("Voulez-vous continuer ?");
    QString answer;
    if (m_hooks.destroyQuestion) {
        answer = m_hooks.destroyQuestion(text);
    } else {
        frmMsgBox box(m_owner);
        box.setFormType(3);
        box.setPictureType(4);
        box.setMessage(text);
        answer = box.ShowModal();
    }
    // Only "&Oui" goes on; the box gives "2" for "&Non", Escape and its frame.
    if (answer != QStringLiteral("1") || !m_window)
        return;
    const QString folder = m_window->qvtFich()->Path();
    const QStringList names = m_window->qvtFich()->SelectedNames();
    watchedFiles([&] {
        for (const QString& name : names)
            destroyOne(folder, name);
        return true;
    });
}

void ExplorerCommands::destroyOne(const QString& folder, const QString& name) {
    FileDestroyer destroyer;
    // One instance for the renames, its lists cleared before each.
    cSHFileOp renamer;
    renamer.setSilentMode(true);
    renamer.setRenameOnCollision(false);
    destroyer.setRenamer([this, &renamer](const QString& from, const QString& to) {
        renamer.ClearSourceFiles();
        renamer.ClearDestFiles();
        renamer.AddSourceFile(from);
        renamer.AddDestFile(to);
        return run(renamer, Operation::Rename);
    });
    destroyer.setSystemDeleter([this](const QString& path) {
        // The shell's question comes with the ordinary pointer.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        cSHFileOp operation;
        operation.setRecycleBin(false);
        operation.setSilentMode(false);
        operation.setConfirmOperation(true);
        operation.AddSourceFile(path);
        return run(operation, Operation::Delete);
    });
    // Seven flushed passes over a large file last: they run beside the event loop, which keeps
    // repainting the windows and takes no input from the user meanwhile.
    destroyer.setPassRunner([](const std::function<int()>& passes) {
        int error = 0;
        QEventLoop loop;
        std::thread worker;
        try {
            worker = std::thread([&] {
                error = passes();
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
        } catch (const std::system_error&) {
            return passes(); // no thread to be had: the passes run here
        }
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
        return error;
    });
    FileDestroyer::Result result;
    {
        // The hourglass while the passes last.
        WaitCursor hourglass;
        result = destroyer.Destroy(folder, name);
    }
    if (!result.message.isEmpty())
        message(QMessageBox::NoIcon, result.message);
}

void ExplorerCommands::Properties(bool folder) {
    if (!m_window)
        return;
    QString path;
    if (folder) {
        path = qvtRepertoire::FullPath(m_window->qvtRep()->SelectedItem());
    } else if (const int item = m_window->qvtFich()->SelectedItem()) {
        path = JoinPath(m_window->qvtFich()->Path(), m_window->qvtFich()->ItemName(item));
    }
    if (path.isEmpty())
        return;
    int code = 0;
    if (!mShellExecute::ShellRequest(path, QStringLiteral("Properties"), QString(), QString(),
                                     mShellExecute::kShowDefault, m_owner, true, nullptr, &code))
        message(QMessageBox::Information, QStringLiteral("Fonction indisponible pour cet élément."));
}

// ---- folder commands ----

void ExplorerCommands::CreateFolder() {
    if (!m_window)
        return;
    const QString folder = m_window->qvtRep()->Path();
    if (folder.isEmpty())
        return;
    const QString title = QStringLiteral("Nouveau répertoire");
    const QString prompt = CreatePrompt(folder);
    QString answer;
    if (m_hooks.input) {
        answer = m_hooks.input(title, prompt);
    } else {
        QInputDialog box(m_owner);
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setTextValue(QString());
        box.setOkButtonText(QStringLiteral("OK"));
        box.setCancelButtonText(QStringLiteral("Annuler"));
        if (box.exec() == QDialog::Accepted)
            answer = box.textValue();
    }
    if (answer.isEmpty() || !m_window)
        return;
    const QString path = JoinPath(folder, answer);
    if (::mkdir(PathToNative(path).constData(), 0777) == 0)
        m_window->qvtRep()->RefreshDir();
    else
        message(QMessageBox::Information,
                QStringLiteral("Erreur lors de la création de ") + DisplayName(path));
}

void ExplorerCommands::CopyFolder(bool move) {
    if (!m_window)
        return;
    const QString folder = m_window->qvtRep()->Path();
    if (folder.isEmpty())
        return;
    if (move && refuseDrive(folder, QStringLiteral("Impossible de déplacer un lecteur.")))
        return;
    const std::optional<Destination> target = destination(
        move ? kMoveCaption : kCopyCaption,
        move ? frmFileOp::MoveFolderPicture : frmFileOp::CopyFolderPicture, m_window->selectedFolder());
    if (!target || !m_window)
        return;
    if (move && target->folder == m_window->qvtFich()->Path()) {
        message(QMessageBox::Information,
                QStringLiteral("Les répertoires destination et source ne peuvent ") +
                    QStringLiteral("pas être les mêmes."));
        return;
    }
    cSHFileOp operation;
    operation.AddSourceFile(folder);
    operation.AddDestFile(target->folder);
    operation.setConfirmMakeDir(false);
    operation.setRenameOnCollision(target->renameOnCollision);
    FolderWatcher watcher;
    watcher.setFolder(move ? folder : target->folder);
    watcher.addWatch(1, FolderWatcher::FolderNames);
    watcher.start();
    run(operation, move ? Operation::Move : Operation::Copy);
    watcher.wait(kWatchWait);
    if (!m_window || !(watcher.signalled(1) || m_alwaysRefresh))
        return;
    if (move)
        toParentFolder();
    else
        m_window->qvtRep()->OpenAFolder(folder);
}

void ExplorerCommands::DeleteFolder(bool recycle) {
    if (!m_window)
        return;
    const QString folder = m_window->qvtRep()->Path();
    if (folder.isEmpty() || refuseDrive(folder, QStringLiteral("Impossible de supprimer un lecteur.")))
        return;
    cSHFileOp operation;
    operation.AddSourceFile(folder);
    operation.setRecycleBin(recycle);
    FolderWatcher watcher;
    watcher.setFolder(folder);
    watcher.addWatch(1, FolderWatcher::FolderNames);
    watcher.start();
    run(operation, Operation::Delete);
    watcher.wait(kWatchWait);
    if (m_window && (watcher.signalled(1) || m_alwaysRefresh))
        toParentFolder();
}

} // namespace vambrel
