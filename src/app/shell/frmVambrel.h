#pragma once

#include "explorer/ExplorerCommands.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <array>
#include <functional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace vambrel {

class ChildWindow;
class frmDir;
class frmDirDat;
class frmCompare;
class frmInfo;
class frmAide;

// The program's frame: menus, toolbar and the child windows (catalogues, later the explorer).
// Each menu command is an action connected to a handler of its own; the handlers reach the active
// child through ChildWindow, and children speak back through their signals. The menu arrays keep
// their indices as the position of each action.
class frmVambrel : public QMainWindow {
    Q_OBJECT

public:
    explicit frmVambrel(QWidget* parent = nullptr);
    ~frmVambrel() override;

    // Menu items by their names; top-level titles are mnuInutilise(0 to 5).
    QAction* mnuInutilise(int index) const;
    QAction* mnuFichier(int index) const; // 0 to 2
    QAction* mnuMRU(int index) const;     // 0 (separator) to 4
    QAction* mnuQuitter(int index) const; // 0 (separator), 1
    QAction* mnuEdition(int index) const; // 0 to 12
    QAction* mnuAffichage() const { return m_mnuAffichage; }
    QAction* mnuOutils(int index) const;  // 0 to 3
    QAction* mnuFenetre(int index) const; // 0 to 3
    QAction* mnuAide(int index) const;    // 0, 1
    // The pop-up menus of the explorer: mnuContextEntree(0) the files', (1) the folders'.
    QMenu* mnuContextEntree(int index) const;
    QAction* mnuContext(int index) const;    // 0 to 13
    QAction* mnuContextRep(int index) const; // 0 to 10
    QToolBar* tooBar() const { return m_tooBar; }
    QAction* toolButton(int index) const; // 1 to 6
    QMdiArea* mdiArea() const { return m_mdi; }

    // True when the system leaves refreshing after file operations to the program.
    bool refreshesItself() const { return m_refreshesItself; }

    // Opens a catalogue in a new window, or brings forward the window that shows this exact path.
    // A non-empty replacement first takes the place of the file.
    bool OpenCatalogue(const QString& path, const QString& replacement);
    // Opens each file as "O&uvrir" does: those that open join the recent-files list.
    void OpenFiles(const QStringList& files);
    // The help window at a page of the help book ("index.html", "comparaison.html").
    void ShowHelp(const QString& page);
    // Hides this window and shows the build progress window of a new catalogue; the catalogue is
    // opened and remembered when the build succeeds. In print mode (no file name) the catalogue
    // is built in a temporary file only to be previewed and printed.
    frmInfo* showBuildProgress(const QString& spec, const QString& mask, const QString& fileName,
                               bool impression = false);
    // Hides this window and shows the comparison of a catalogue with the computer; the comparison
    // window shows this window again when it closes.
    frmCompare* showComparison(const QString& path);
    // The context-menu commands of the explorer's files (0 is "&Informations de version") and
    // folders, and the "&Edition" commands that route to them.
    void mnuContext_Click(int index);
    void mnuContextRep_Click(int index);
    void mnuEdition_Click(int index);
    // The questions and dialogs of the explorer's commands, replaceable for tests; an empty hook
    // shows the real window (messages go through the message handler).
    void setExplorerHooks(ExplorerCommands::Hooks hooks) { m_explorerHooks = std::move(hooks); }
    // Adapts the "&Edition" commands to the explorer's control that has the focus.
    void mnuEdition_Adapt();
    // The single explorer window, opened and brought forward.
    frmDir* OpenExplorer();
    frmDir* explorer() const;

    // The commands by their menu and index, as a click on the item does.
    void mnuFichier_Click(int index);
    void mnuMRU_Click(int index);
    void mnuAffichage_Click();
    void mnuOutils_Click(int index);
    void mnuFenetre_Click(int index);
    void mnuAide_Click(int index);

    // The active child window; null when there is none.
    QWidget* activeChild() const;
    // The active child's commands; null when there is none.
    ChildWindow* activeChildWindow() const;
    QList<frmDirDat*> catalogueWindows() const;

    // Messages and the open dialog, replaceable for tests. A message handler gets the icon and text.
    using MessageHandler = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    using FileChooser = std::function<QString()>;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // The save dialog of "&Nouveau"; an empty answer is a cancellation.
    void setSaveChooser(FileChooser chooser) { m_saveChooser = std::move(chooser); }
    void showMessage(QMessageBox::Icon icon, const QString& text);
    // The help book's folder; the installed book (ProgramFiles) unless a test sets another.
    void setHelpFolder(const QString& folder) { m_helpFolder = folder; }
    frmAide* helpWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void restorePlacement();
    QString chooseCatalogue();
    QString chooseNewCatalogue();
    void childActivated(QMdiSubWindow* window);
    void childClosed();
    void updateAffichageCaption(bool explore);
    // Enables the commands that need something to act on in the active child.
    void updateCommands();
    void fillWindowMenu();

    // Command handlers.
    void newCatalogue();
    void openCatalogue();
    void openRecent(int index);
    void switchView();
    void showVersion();
    void showProperties();
    void printCatalogue();
    void compareCatalogue();
    void cascade();
    void tileHorizontally();
    void tileVertically();
    void arrangeIcons();
    void showAbout();
    void popupContextMenu(int menu, const QPoint& globalPos);
    // The explorer's commands for one menu command.
    ExplorerCommands explorerCommands();

    QMdiArea* m_mdi;
    QToolBar* m_tooBar = nullptr;
    std::array<QAction*, 6> m_mnuInutilise{};
    std::array<QAction*, 3> m_mnuFichier{};
    std::array<QAction*, 5> m_mnuMRU{};
    std::array<QAction*, 2> m_mnuQuitter{};
    std::array<QAction*, 13> m_mnuEdition{};
    QAction* m_mnuAffichage = nullptr;
    std::array<QAction*, 4> m_mnuOutils{};
    std::array<QAction*, 4> m_mnuFenetre{};
    std::array<QAction*, 2> m_mnuAide{};
    std::array<QMenu*, 2> m_mnuContextEntree{};
    std::array<QAction*, 14> m_mnuContext{};
    std::array<QAction*, 11> m_mnuContextRep{};
    QPointer<frmDir> m_explorer;
    QPointer<frmAide> m_help;
    QString m_helpFolder;
    std::array<QAction*, 6> m_toolButtons{};
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowList;
    bool m_refreshesItself = false;
    MessageHandler m_messageHandler;
    FileChooser m_fileChooser;
    FileChooser m_saveChooser;
    ExplorerCommands::Hooks m_explorerHooks;
};

} // namespace vambrel
