#pragma once

#include "controls/ChildWindow.h"

#include <QMessageBox>
#include <QWidget>
#include <functional>

class QLabel;
class QStatusBar;

namespace vambrel {

class cVSplitter;
class frmVersion;
class qvtFichier;
class qvtRepertoire;

// "Poste de Travail": the folder tree of this computer on the left, the files of its current
// folder on the right, the status bar below. The window performs no file operation itself: its
// clicks, keys and label edits become calls on its controls and requests to the main window
// (ContextMenu, ContextCommand). One instance, kept by the main window.
class frmDir : public QWidget, public ChildWindow {
    Q_OBJECT

public:
    enum Menu { FileMenu = 0, FolderMenu = 1 };

    explicit frmDir(QWidget* parent = nullptr);
    ~frmDir() override;

    // Opens the default drive in the tree, which lists its files.
    void Load();

    // ChildWindow
    QString catalogueFile() const override { return {}; }
    // The version window of the selected file, over the files of the list; nothing for an empty
    // list.
    void ShowVersion() override;
    EditTarget editTarget() const override;
    bool hasSelectedFile() const override;
    QString selectedFolder() const override;
    void startRename(EditTarget target) override;

    qvtRepertoire* qvtRep() const { return m_qvtRep; }
    qvtFichier* qvtFich() const { return m_qvtFich; }
    QStatusBar* staBar() const { return m_staBar; }
    QLabel* panel(int index) const; // 1 "Message", 2 "Nbre", 3 "Taille"
    QWidget* Frame1() const { return m_frame1; }
    // Prepares a version window in computer mode over this window's list; false for an empty list.
    bool prepareVersion(frmVersion& window);

    // F5: the tree's folder again, or the default drive when it has gone.
    void refreshKey();
    // The mouse rules of the two controls, as their MouseDown events give them (pixels).
    void treeMouseDown(int button, int x, int y);
    void listMouseDown(int button, int x, int y);
    void listColumnClick(int column);
    void listDblClick();
    // The end of a label edit in the tree or the list.
    void treeAfterEdit(bool& cancel, QString& newString);
    void listAfterEdit(bool& cancel, QString& newString);

    // The status panels after a listing of the current folder: the count and the size.
    void showStatus();

    // Messages, questions (true for OK) and renames, replaceable for tests. A renamer returns
    // whether it renamed and reports its own failures; the default renames through cSHFileOp,
    // never over a name in use, and shows its failures with the message handler.
    using MessageHandler = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    using QuestionHandler = std::function<bool(const QString& text)>;
    using Renamer = std::function<bool(const QString& from, const QString& to)>;
    void setMessageHandler(MessageHandler handler) { m_message = std::move(handler); }
    void setQuestionHandler(QuestionHandler handler) { m_question = std::move(handler); }
    void setRenamer(Renamer renamer) { m_renamer = std::move(renamer); }

Q_SIGNALS:
    // Pop up a context menu of the main window at a global position, its first entry the default.
    void ContextMenu(int menu, const QPoint& globalPos);
    // Run a command of the main window's file context menu.
    void ContextCommand(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutControls();
    bool rename(const QString& from, const QString& to);
    void pathChanged(const QString& path);
    void message(QMessageBox::Icon icon, const QString& text);
    bool question(const QString& text);

    qvtRepertoire* m_qvtRep;
    qvtFichier* m_qvtFich;
    QWidget* m_frame1;
    QStatusBar* m_staBar;
    QLabel* m_panels[3];
    cVSplitter* m_splitter;
    MessageHandler m_message;
    QuestionHandler m_question;
    Renamer m_renamer;
};

} // namespace vambrel
