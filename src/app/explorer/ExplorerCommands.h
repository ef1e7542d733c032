#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace vambrel {

class cSHFileOp;
class frmDir;

// The commands of the explorer's three menus: the file menu (over the file list), the folder menu
// (over the folder tree) and "&Edition", which routes to the first two by the control that has the
// focus. They act on the explorer window's controls whichever window is active, run every bulk
// operation through cSHFileOp and refresh the list or the tree when a FolderWatcher saw the names
// change (or always, when the system leaves refreshing to the program).
//
// Each command is self-contained: its operation, watcher and dialog live for the command only.
// Every question and dialog goes through Hooks, which tests fill so that nothing blocks them;
// an empty hook shows the real window.
class ExplorerCommands {
public:
    enum class Operation { Move, Copy, Delete, Rename };
    struct Destination {
        QString folder;
        bool renameOnCollision = false;
    };
    struct Hooks {
        // A message with an OK button.
        std::function<void(QMessageBox::Icon icon, const QString& text)> message;
        // An OK / Annuler question with the question icon; true for OK.
        std::function<bool(const QString& text)> question;
        // The destroy confirmation in the program's own message box: the pressed button's tag.
        std::function<QString(const QString& text)> destroyQuestion;
        // The input box; empty when cancelled or left empty.
        std::function<QString(const QString& title, const QString& prompt)> input;
        // The destination dialog frmFileOp; nothing unless OK was pressed.
        std::function<std::optional<Destination>(const QString& caption, int picture, const QString& preset)>
            destination;
        // Runs a prepared operation; the default calls its method.
        std::function<bool(cSHFileOp& operation, Operation kind)> run;
        // The Tools menu's "&Informations de version".
        std::function<void()> version;
    };

    // How long a command waits for the watcher after its operation.
    static constexpr int kWatchWait = 500;

    ExplorerCommands(frmDir* window, QWidget* owner, Hooks hooks = {}, bool alwaysRefresh = false);

    // The menus by index, as their items are numbered.
    void Context(int index);
    void ContextRep(int index);
    void Edition(int index);

    void OpenFile();
    void CopyFiles(bool move);
    void DeleteFiles(bool recycle);
    void DestroyFiles();
    void CreateFolder();
    void CopyFolder(bool move);
    void DeleteFolder(bool recycle);
    void Properties(bool folder);

    // The selected files of the list, in list order, as exact full paths.
    QStringList SelectedFiles() const;
    // The prompt of "C&réer un répertoire" over a folder.
    static QString CreatePrompt(const QString& folder);
    // Runs a prepared operation through its method.
    static bool Run(cSHFileOp& operation, Operation kind);

private:
    void message(QMessageBox::Icon icon, const QString& text);
    bool question(const QString& text);
    std::optional<Destination> destination(const QString& caption, int picture, const QString& preset);
    bool run(cSHFileOp& operation, Operation kind);
    // The file list's watched refresh around an operation.
    bool watchedFiles(const std::function<bool()>& operation);
    // The tree stands on the parent of its selected folder, read again from the disk.
    void toParentFolder();
    // Refuses, with a message, to move or delete a drive.
    bool refuseDrive(const QString& folder, const QString& text);
    void destroyOne(const QString& folder, const QString& name);

    QPointer<frmDir> m_window;
    QPointer<QWidget> m_owner;
    Hooks m_hooks;
    bool m_alwaysRefresh;
};

} // namespace vambrel
