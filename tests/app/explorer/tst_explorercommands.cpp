// The commands of the explorer's menus over a drive made of a temporary folder: results checked
// on disk byte for byte, every question answered by the test. Also the destination dialog.

#include "Drives.h"
#include "NativeName.h"
#include "TestFiles.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"
#include "explorer/ExplorerCommands.h"
#include "explorer/cSHFileOp.h"
#include "explorer/frmDir.h"
#include "explorer/frmFileOp.h"
#include "explorer/qvtFichier.h"
#include "shell/mShellExecute.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using namespace Qt::StringLiterals;
using vambrel::test::makeFile;
using vambrel::test::readAll;
using Destination = ExplorerCommands::Destination;
using Operation = ExplorerCommands::Operation;

namespace {

// One run of cSHFileOp as the command prepared it.
struct Run {
    Operation kind;
    QStringList sources;
    QStringList dests;
    bool recycleBin;
    bool renameOnCollision;
    bool confirmMakeDir;
    bool silentMode;
};

// Entries of a folder, sorted, hidden ones included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The content of a file named by its bytes; empty when it cannot be read.
QByteArray readNative(const QByteArray& path) {
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return content;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, got);
    ::close(fd);
    return content;
}

} // namespace

class TestExplorerCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_drive;
    int m_case = 0;

    // What the hooks saw and will answer.
    QStringList m_said;
    QStringList m_asked;
    bool m_answer = true;
    QString m_destroyAnswer = u"1"_s;
    QStringList m_inputs;
    QString m_inputAnswer;
    QStringList m_destinations; // "caption|picture|preset"
    std::optional<Destination> m_destination;
    QList<Run> m_runs;
    QStringList m_opQuestions;
    QStringList m_opErrors;

    ExplorerCommands::Hooks hooks() {
        ExplorerCommands::Hooks h;
        h.message = [this](QMessageBox::Icon, const QString& text) { m_said << text; };
        h.question = [this](const QString& text) {
            m_asked << text;
            return m_answer;
        };
        h.destroyQuestion = [this](const QString& text) {
            m_asked << text;
            return m_destroyAnswer;
        };
        h.input = [this](const QString& title, const QString& prompt) {
            m_inputs << title + u'|' + prompt;
            return m_inputAnswer;
        };
        h.destination = [this](const QString& caption, int picture, const QString& preset) {
            m_destinations << caption + u'|' + QString::number(picture) + u'|' + preset;
            return m_destination;
        };
        h.run = [this](cSHFileOp& op, Operation kind) {
            m_runs << Run{kind,
                          op.sourceFiles(),
                          op.destFiles(),
                          op.RecycleBin(),
                          op.RenameOnCollision(),
                          op.ConfirmMakeDir(),
                          op.SilentMode()};
            // The operation's own questions and failures, answered and kept by the test.
            op.setQuestionHandler([this](const fileops::Question& question) {
                m_opQuestions << question.text;
                return fileops::Reply::Yes;
            });
            op.setErrorHandler([this](const QString& text) { m_opErrors << text; });
            return ExplorerCommands::Run(op, kind);
        };
        h.version = [this] { m_said << u"<version>"_s; };
        return h;
    }

    // A fresh folder of the drive holding a.txt, b.txt and a subfolder sub/ with s.txt.
    QString newCase() {
        const QString dir = m_drive + u"/case"_s + QString::number(++m_case);
        QDir().mkpath(dir + u"/sub"_s);
        QDir().mkpath(dir + u"/other"_s);
        makeFile(dir + u"/a.txt"_s, "alpha");
        makeFile(dir + u"/b.txt"_s, "beta");
        makeFile(dir + u"/sub/s.txt"_s, "sub content");
        m_said.clear();
        m_asked.clear();
        m_inputs.clear();
        m_destinations.clear();
        m_runs.clear();
        m_opQuestions.clear();
        m_opErrors.clear();
        m_answer = true;
        m_destroyAnswer = u"1"_s;
        m_destination.reset();
        m_inputAnswer.clear();
        return dir;
    }

    static void waitListed(frmDir& window) { QTRY_VERIFY_WITH_TIMEOUT(!window.qvtFich()->listing(), 5000); }
    static QStringList names(const frmDir& window) {
        QStringList out;
        for (int i = 1; i <= window.qvtFich()->ListItemsCount(); ++i)
            out << window.qvtFich()->ItemName(i);
        out.sort();
        return out;
    }
    // Opens the explorer on a folder, the listing done.
    static void open(frmDir& window, const QString& folder) {
        window.resize(700, 420);
        window.show();
        QVERIFY(window.qvtRep()->OpenAFolder(folder));
        waitListed(window);
    }
    static void select(frmDir& window, const QStringList& selected) {
        qvtFichier* list = window.qvtFich();
        for (int i = 1; i <= list->ListItemsCount(); ++i)
            list->setItemSelected(i, selected.contains(list->ItemName(i)));
    }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        m_drive = m_tmp.path();
        // The home trash inside the drive, so that a recycled file stays on its file system.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_drive + u"/.home-data"_s));
        qvtRepertoire::setDriveSource([this] {
            Drive d;
            d.root = m_drive;
            d.type = DriveType::Fixed;
            return QList<Drive>{d};
        });
    }

    // ---- frmFileOp ----

    void destinationDialog() {
        frmFileOp dialog;
        dialog.setWindowTitle(u"Copier les fichiers vers..."_s);
        QVERIFY(dialog.qvtBrowse()->Locked());
        QVERIFY(dialog.qvtBrowse()->Text1()->isReadOnly());
        QCOMPARE(dialog.chkRename()->text(), u"Renommer les fichiers si conflit de nom"_s);
        QVERIFY(!dialog.chkRename()->isChecked());
        QCOMPARE(dialog.cmdAction(0)->text(), u"&OK"_s);
        QCOMPARE(dialog.cmdAction(1)->text(), u"&Annuler"_s);
        QVERIFY(!dialog.cmdAction(2));
        QCOMPARE(dialog.imaIcon().size(), 4);
        // Four different pictures.
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                QVERIFY(dialog.imaIcon()[i].toImage() != dialog.imaIcon()[j].toImage());
        dialog.setPicture(frmFileOp::MoveFolderPicture);
        QCOMPARE(dialog.picture(), 3);
        QCOMPARE(dialog.imaPic()->pixmap().toImage(), dialog.imaIcon()[3].toImage());
        dialog.setPicture(4); // ignored
        QCOMPARE(dialog.picture(), 3);

        // Annuler hides with an empty tag; OK sets "OK".
        dialog.show();
        dialog.cmdAction(1)->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.Tag().isEmpty());
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.Tag().isEmpty());
        dialog.show();
        dialog.cmdAction(0)->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Tag(), u"OK"_s);
    }

    // ---- files ----

    // Copying into the folder of the files asks first; Cancel does nothing; OK with the rename
    // box copies under new names, and the list shows them.
    void copyIntoSameFolder() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        select(window, {u"a.txt"_s, u"b.txt"_s});
        m_destination = Destination{dir, true};
        m_answer = false;
        ExplorerCommands commands(&window, nullptr, hooks());
        commands.Context(3);
        QCOMPARE(m_destinations, QStringList{u"Copier les fichiers vers...|0|"_s + dir});
        QCOMPARE(m_asked,
                 QStringList{u"Le répertoire destination est identique au répertoire source.\nConfirmez:"_s});
        QVERIFY(m_runs.isEmpty());
        QCOMPARE(entries(dir), (QStringList{u"a.txt"_s, u"b.txt"_s, u"other"_s, u"sub"_s}));

        m_answer = true;
        commands.Context(3);
        QCOMPARE(m_runs.size(), 1);
        QCOMPARE(m_runs[0].kind, Operation::Copy);
        QCOMPARE(m_runs[0].sources, (QStringList{dir + u"/a.txt"_s, dir + u"/b.txt"_s}));
        QCOMPARE(m_runs[0].dests, QStringList{dir});
        QVERIFY(m_runs[0].renameOnCollision);
        const QStringList files = QDir(dir).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 4);
        QStringList contents;
        for (const QString& file : files)
            contents << QString::fromLatin1(readAll(dir + u'/' + file));
        contents.sort();
        QCOMPARE(contents, (QStringList{u"alpha"_s, u"alpha"_s, u"beta"_s, u"beta"_s}));
        waitListed(window);
        QCOMPARE(names(window), files);
    }

    // Copying elsewhere leaves the list as it was (it is not read again); moving reads it again.
    void copyElsewhereThenMove() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        const QStringList before = names(window);
        makeFile(dir + u"/late.txt"_s, "late"); // behind the list's back
        select(window, {u"a.txt"_s});
        m_destination = Destination{dir + u"/other"_s, false};
        ExplorerCommands commands(&window, nullptr, hooks());
        commands.Context(3);
        QCOMPARE(readAll(dir + u"/other/a.txt"_s), QByteArray("alpha"));
        QCOMPARE(readAll(dir + u"/a.txt"_s), QByteArray("alpha"));
        QVERIFY(!m_runs[0].renameOnCollision);
        QTest::qWait(20);
        QVERIFY(!window.qvtFich()->listing());
        QCOMPARE(names(window), before);

        select(window, {u"b.txt"_s});
        commands.Context(4);
        QCOMPARE(m_destinations.last(), u"Déplacer les fichiers vers...|1|"_s + dir);
        QCOMPARE(m_runs.last().kind, Operation::Move);
        QCOMPARE(readAll(dir + u"/other/b.txt"_s), QByteArray("beta"));
        QVERIFY(!QFile::exists(dir + u"/b.txt"_s));
        waitListed(window);
        QCOMPARE(names(window), (QStringList{u"a.txt"_s, u"late.txt"_s}));
        QCOMPARE(window.panel(2)->text(), u"2 fichier(s)"_s);
        QVERIFY(m_asked.isEmpty());
    }

    void cancelledDestination() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        select(window, {u"a.txt"_s});
        ExplorerCommands commands(&window, nullptr, hooks());
        commands.Context(4);
        QCOMPARE(m_destinations.size(), 1);
        QVERIFY(m_runs.isEmpty());
        QCOMPARE(readAll(dir + u"/a.txt"_s), QByteArray("alpha"));
    }

    // Delete for good and recycle: the operation's option, the files gone, the list read again.
    void deleteAndRecycleFiles() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        ExplorerCommands commands(&window, nullptr, hooks());
        select(window, {u"a.txt"_s});
        commands.Context(7);
        QCOMPARE(m_runs.size(), 1);
        QCOMPARE(m_runs[0].kind, Operation::Delete);
        QVERIFY(!m_runs[0].recycleBin);
        QVERIFY(!QFile::exists(dir + u"/a.txt"_s));
        waitListed(window);
        QCOMPARE(names(window), QStringList{u"b.txt"_s});

        select(window, {u"b.txt"_s});
        commands.Context(6);
        QCOMPARE(m_runs.size(), 2);
        QVERIFY(m_runs[1].recycleBin);
        QVERIFY(!QFile::exists(dir + u"/b.txt"_s));
        const QString trash = m_drive + u"/.home-data/Trash"_s;
        QCOMPARE(readAll(trash + u"/files/b.txt"_s), QByteArray("beta"));
        QVERIFY(QFileInfo(trash + u"/info/b.txt.trashinfo"_s).isFile());
        waitListed(window);
        QVERIFY(names(window).isEmpty());
        QCOMPARE(window.panel(2)->text(), u"0 fichier(s)"_s);
    }

    // A read-only file of 10 bytes destroyed through the menu: the question first, the renames
    // through cSHFileOp, the file gone and the list read again.
    void destroyFiles() {
        const QString dir = newCase();
        const QString file = dir + u"/b.txt"_s;
        makeFile(file, "0123456789");
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);
        frmDir window;
        open(window, dir);
        select(window, {u"b.txt"_s});
        ExplorerCommands commands(&window, nullptr, hooks());
        m_destroyAnswer = u"2"_s;
        commands.Context(8);
        QCOMPARE(m_asked,
                 QStringList{u"Vous êtes sur le point de détruire des fichiers.\nPar sécurité, après une "
                             u"demande de confirmation, les fichiers système seront supprimés et non pas "
                             u"détruits.\nVoulez-vous continuer ?"_s});
        QVERIFY(m_runs.isEmpty());
        QCOMPARE(readAll(file), QByteArray("0123456789"));

        m_destroyAnswer = u"1"_s;
        commands.Context(8);
        QCOMPARE(m_runs.size(), 26);
        for (const Run& run : m_runs) {
            QCOMPARE(run.kind, Operation::Rename);
            QVERIFY(run.silentMode);
            QVERIFY(!run.renameOnCollision);
            QCOMPARE(run.sources.size(), 1);
            QCOMPARE(run.dests.size(), 1);
        }
        QCOMPARE(m_runs[0].sources, QStringList{file});
        QCOMPARE(m_runs[0].dests, QStringList{dir + u"/A.AAA"_s});
        QCOMPARE(m_runs[25].dests, QStringList{dir + u"/Z.ZZZ"_s});
        QCOMPARE(entries(dir), (QStringList{u"a.txt"_s, u"other"_s, u"sub"_s}));
        QVERIFY(m_said.isEmpty());
        waitListed(window);
        QCOMPARE(names(window), QStringList{u"a.txt"_s});
    }

    // Names that are not UTF-8 are copied under the same bytes, with the same bytes.
    void nameNotUtf8() {
        const QString dir = newCase();
        const QByteArray native = PathToNative(dir) + "/\xff\xfe.bin";
        QVERIFY(test::writeBytes(native, QByteArray("\x00\x01\xff", 3), 1'600'000'000));
        frmDir window;
        open(window, dir);
        select(window, {NameFromNative("\xff\xfe.bin", 6)});
        QCOMPARE(ExplorerCommands(&window, nullptr, hooks()).SelectedFiles(),
                 QStringList{PathFromNative(native)});
        m_destination = Destination{dir + u"/other"_s, false};
        ExplorerCommands(&window, nullptr, hooks()).Context(3);
        QCOMPARE(readNative(PathToNative(dir) + "/other/\xff\xfe.bin"), QByteArray("\x00\x01\xff", 3));
        QCOMPARE(readNative(native), QByteArray("\x00\x01\xff", 3));
        // Names that are not UTF-8 are beyond QTemporaryDir's clean-up.
        QVERIFY(::unlink(native.constData()) == 0);
        QVERIFY(::unlink((PathToNative(dir) + "/other/\xff\xfe.bin").constData()) == 0);
    }

    // ---- folders ----

    void createFolder() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        ExplorerCommands commands(&window, nullptr, hooks());
        m_inputAnswer.clear();
        commands.ContextRep(7);
        QCOMPARE(m_inputs,
                 QStringList{u"Nouveau répertoire|Entrer le nom du nouveau répertoire:\n"_s + dir + u'/'});
        QCOMPARE(entries(dir), (QStringList{u"a.txt"_s, u"b.txt"_s, u"other"_s, u"sub"_s}));

        m_inputAnswer = u"neuf"_s;
        commands.Context(10); // the file menu's entry runs the folder menu's
        QVERIFY(QFileInfo(dir + u"/neuf"_s).isDir());
        QCOMPARE(window.qvtRep()->Path(), dir);
        QTreeWidgetItem* node = window.qvtRep()->SelectedItem();
        QStringList children;
        for (int i = 0; i < node->childCount(); ++i)
            children << node->child(i)->text(0);
        QVERIFY(children.contains(u"neuf"_s));

        commands.ContextRep(7); // exists now
        QCOMPARE(m_said, QStringList{u"Erreur lors de la création de "_s + dir + u"/neuf"_s});
    }

    void createPrompt_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("end");
        QTest::newRow("root") << u"/"_s << u"\n/"_s;
        QTest::newRow("folder") << u"/home/ana"_s << u"\n/home/ana/"_s;
        QTest::newRow("not UTF-8") << NameFromNative("/r\xe9p", 4) << u"\n/r\\xE9p/"_s;
    }
    void createPrompt() {
        QFETCH(QString, folder);
        QFETCH(QString, end);
        QCOMPARE(ExplorerCommands::CreatePrompt(folder), u"Entrer le nom du nouveau répertoire:"_s + end);
    }

    // Moving the current folder to itself is refused; elsewhere it moves and the tree stands on
    // the parent. Copying leaves the tree on the folder.
    void copyAndMoveFolder() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir + u"/sub"_s);
        ExplorerCommands commands(&window, nullptr, hooks());
        m_destination = Destination{dir + u"/sub"_s, false};
        commands.ContextRep(1);
        QCOMPARE(m_destinations, QStringList{u"Déplacer les fichiers vers...|3|"_s + dir + u"/sub"_s});
        QCOMPARE(m_said,
                 QStringList{u"Les répertoires destination et source ne peuvent pas être les mêmes."_s});
        QVERIFY(m_runs.isEmpty());
        QCOMPARE(readAll(dir + u"/sub/s.txt"_s), QByteArray("sub content"));

        // Into its own subfolder: the operation refuses and nothing moves.
        QDir().mkpath(dir + u"/sub/inner"_s);
        m_destination = Destination{dir + u"/sub/inner"_s, false};
        commands.ContextRep(1);
        QCOMPARE(m_runs.size(), 1);
        QCOMPARE(m_opErrors.size(), 1);
        QCOMPARE(entries(dir + u"/sub"_s), (QStringList{u"inner"_s, u"s.txt"_s}));
        QVERIFY(entries(dir + u"/sub/inner"_s).isEmpty());
        QCOMPARE(window.qvtRep()->Path(), dir + u"/sub"_s);
        QVERIFY(QDir().rmdir(dir + u"/sub/inner"_s));
        m_runs.clear();

        m_destination = Destination{dir + u"/other"_s, true};
        commands.ContextRep(0);
        QCOMPARE(m_destinations.last(), u"Copier les fichiers vers...|2|"_s + dir + u"/sub"_s);
        QCOMPARE(m_runs.size(), 1);
        QCOMPARE(m_runs[0].kind, Operation::Copy);
        QCOMPARE(m_runs[0].sources, QStringList{dir + u"/sub"_s});
        QVERIFY(!m_runs[0].confirmMakeDir);
        QVERIFY(m_runs[0].renameOnCollision);
        QCOMPARE(readAll(dir + u"/other/sub/s.txt"_s), QByteArray("sub content"));
        QCOMPARE(window.qvtRep()->Path(), dir + u"/sub"_s);

        m_destination = Destination{dir + u"/other/sub"_s, false};
        commands.ContextRep(1);
        QCOMPARE(m_runs.size(), 2);
        QCOMPARE(m_runs[1].kind, Operation::Move);
        QVERIFY(!m_runs[1].confirmMakeDir);
        QCOMPARE(readAll(dir + u"/other/sub/sub/s.txt"_s), QByteArray("sub content"));
        QVERIFY(!QFileInfo::exists(dir + u"/sub"_s));
        QCOMPARE(window.qvtRep()->Path(), dir);
        waitListed(window);
        QCOMPARE(names(window), (QStringList{u"a.txt"_s, u"b.txt"_s}));
    }

    void deleteFolder() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir + u"/sub"_s);
        ExplorerCommands commands(&window, nullptr, hooks());
        commands.ContextRep(4);
        QCOMPARE(m_runs.size(), 1);
        QVERIFY(!m_runs[0].recycleBin);
        QCOMPARE(m_runs[0].sources, QStringList{dir + u"/sub"_s});
        QVERIFY(!QFileInfo::exists(dir + u"/sub"_s));
        QCOMPARE(window.qvtRep()->Path(), dir);

        QVERIFY(window.qvtRep()->OpenAFolder(dir + u"/other"_s));
        commands.ContextRep(3);
        QVERIFY(m_runs[1].recycleBin);
        QVERIFY(!QFileInfo::exists(dir + u"/other"_s));
        QCOMPARE(window.qvtRep()->Path(), dir);

        // A drive is neither deleted nor moved.
        QVERIFY(window.qvtRep()->OpenAFolder(m_drive));
        commands.ContextRep(4);
        commands.ContextRep(1);
        QCOMPARE(m_said, (QStringList{u"Impossible de supprimer un lecteur."_s,
                                      u"Impossible de déplacer un lecteur."_s}));
        QCOMPARE(m_runs.size(), 2);
        QVERIFY(QFileInfo(dir + u"/a.txt"_s).isFile());
    }

    // ---- routing, properties, opening ----

    // With the list active and nothing selected, every routed command but "C&réer un répertoire"
    // asks for a selection. With the tree active, they run the folder menu's commands.
    void editionRouting() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ExplorerCommands commands(&window, nullptr, hooks());
        window.qvtFich()->reportView()->setFocus();
        window.qvtFich()->reportView()->clearSelection();
        QCOMPARE(window.editTarget(), ChildWindow::EditTarget::Files);
        for (int index : {0, 2, 3, 5, 6, 10, 12})
            commands.Edition(index);
        QCOMPARE(m_said.size(), 7);
        for (const QString& text : std::as_const(m_said))
            QCOMPARE(text, u"Sélectionner au moins un fichier pour cette opération."_s);
        commands.Edition(9);
        QCOMPARE(m_inputs.size(), 1);
        QCOMPARE(m_said.size(), 7);

        // A selected file: "&Copier" is the file menu's copy.
        select(window, {u"a.txt"_s});
        commands.Edition(2);
        QCOMPARE(m_destinations.last().section(u'|', 0, 1), u"Copier les fichiers vers...|0"_s);

        window.qvtRep()->treRep()->setFocus();
        QCOMPARE(window.editTarget(), ChildWindow::EditTarget::Folder);
        m_said.clear();
        commands.Edition(0); // no folder command
        commands.Edition(3);
        QCOMPARE(m_destinations.last().section(u'|', 0, 1), u"Déplacer les fichiers vers...|3"_s);
        QVERIFY(m_said.isEmpty());
    }

    void properties() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        ExplorerCommands commands(&window, &window, hooks());
        select(window, {u"a.txt"_s});
        QVERIFY(QFile::remove(dir + u"/a.txt"_s));
        commands.Context(13);
        QCOMPARE(m_said, QStringList{u"Fonction indisponible pour cet élément."_s});
        m_said.clear();
        commands.ContextRep(10); // the folder's sheet opens, with no message
        QVERIFY(m_said.isEmpty());
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &window && top->isVisible() && top->parentWidget() == &window)
                top->close();
    }

    void openFile() {
        const QString dir = newCase();
        frmDir window;
        open(window, dir);
        QStringList reported;
        mShellExecute::setReporter([&](QWidget*, const QString& text) { reported << text; });
        select(window, {u"b.txt"_s});
        QVERIFY(QFile::remove(dir + u"/b.txt"_s));
        ExplorerCommands(&window, nullptr, hooks()).Context(1);
        mShellExecute::setReporter({});
        QCOMPARE(reported, QStringList{mShellExecute::ErrorMessage(mShellExecute::FileNotFound)});
        ExplorerCommands(&window, nullptr, hooks()).Context(0);
        QCOMPARE(m_said, QStringList{u"<version>"_s});
    }
};

QTEST_MAIN(TestExplorerCommands)
#include "tst_explorercommands.moc"
