// The explorer window, its version window and the main window's commands around it, over a
// drive made of a temporary folder.

#include "Drives.h"
#include "TestFiles.h"
#include "catalogue/frmNouveau.h"
#include "catalogue/frmVersion.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"
#include "explorer/frmDir.h"
#include "explorer/qvtFichier.h"
#include "mVersionInfo.h"
#include "shell/frmVambrel.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

using namespace vambrel;
using namespace Qt::StringLiterals;
using vambrel::test::makeFile;

class TestExplorer : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_drive;

    QString path(const QString& rel) const { return m_drive + u'/' + rel; }

    static void waitListed(frmDir& window) { QTRY_VERIFY_WITH_TIMEOUT(!window.qvtFich()->listing(), 5000); }
    QStringList names(const frmDir& window) const {
        QStringList out;
        for (int i = 1; i <= window.qvtFich()->ListItemsCount(); ++i)
            out << window.qvtFich()->ItemText(i);
        return out;
    }
    // A right click at a point of the tree's or list's viewport.
    static void rightClick(QWidget* viewport, QPoint at) {
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        m_drive = m_tmp.path();
        QDir().mkpath(path(QStringLiteral("docs/deep")));
        QDir().mkpath(path(QStringLiteral("other")));
        makeFile(path(QStringLiteral("a.txt")), QByteArray(3000, 'a'));
        makeFile(path(QStringLiteral("b.txt")), "b");
        makeFile(path(QStringLiteral("c.dat")), QByteArray(20000, 'c'));
        qvtRepertoire::setDriveSource([this] {
            Drive d;
            d.root = m_drive;
            d.type = DriveType::Fixed;
            return QList<Drive>{d};
        });
    }

    void loadShowsDriveAndStatus() {
        frmDir window;
        window.resize(640, 400);
        window.show();
        window.Load();
        waitListed(window);
        QCOMPARE(window.windowTitle(), QStringLiteral("Poste de Travail"));
        QCOMPARE(window.qvtRep()->Path(), m_drive);
        QCOMPARE(names(window), (QStringList{u"a.txt"_s, u"b.txt"_s, u"c.dat"_s}));
        QCOMPARE(window.panel(1)->text(), QStringLiteral("Taper F5 pour actualiser le Poste de travail"));
        QCOMPARE(window.panel(2)->text(), QStringLiteral("3 fichier(s)"));
        QCOMPARE(window.panel(3)->text(), QStringLiteral("22,46 Ko"));
        QCOMPARE(window.qvtFich()->View(), int(qvtFichier::Report));
        QVERIFY(window.qvtFich()->MultiSelect());
        QVERIFY(window.Frame1()->isVisible());
    }

    void f5FallsBackToDriveWhenFolderIsGone() {
        QDir().mkpath(path(QStringLiteral("gone")));
        makeFile(path(QStringLiteral("gone/x.txt")));
        frmDir window;
        window.show();
        window.Load();
        QVERIFY(window.qvtRep()->OpenAFolder(path(QStringLiteral("gone"))));
        waitListed(window);
        QCOMPARE(names(window), QStringList{u"x.txt"_s});
        QVERIFY(QDir(path(QStringLiteral("gone"))).removeRecursively());
        QTest::keyClick(window.qvtRep()->treRep(), Qt::Key_F5);
        waitListed(window);
        QCOMPARE(window.qvtRep()->Path(), m_drive);
        QCOMPARE(window.panel(2)->text(), QStringLiteral("3 fichier(s)"));
    }

    void columnClickSortsByText() {
        frmDir window;
        window.show();
        window.Load();
        waitListed(window);
        auto* header = window.qvtFich()->reportView()->header();
        Q_EMIT header->sectionClicked(1); // Taille: "1 Ko", "20 Ko", "3 Ko" as texts
        QCOMPARE(names(window), (QStringList{u"b.txt"_s, u"c.dat"_s, u"a.txt"_s}));
        Q_EMIT header->sectionClicked(1);
        QCOMPARE(names(window), (QStringList{u"a.txt"_s, u"c.dat"_s, u"b.txt"_s}));
        Q_EMIT header->sectionClicked(0);
        QCOMPARE(window.qvtFich()->SortKey(), 0);
        QCOMPARE(window.qvtFich()->SortOrder(), 1);
    }

    void mouseRules() {
        frmDir window;
        window.resize(700, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Load();
        waitListed(window);
        QSignalSpy menus(&window, &frmDir::ContextMenu);

        // Tree: a right click far to the right of a short label selects that row.
        QTreeWidget* tree = window.qvtRep()->treRep();
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QTreeWidgetItem* docs = root->child(0);
        QCOMPARE(docs->text(0), QStringLiteral("docs"));
        const QRect row = tree->visualItemRect(docs);
        rightClick(tree->viewport(), QPoint(tree->viewport()->width() - 3, row.center().y()));
        QCOMPARE(window.qvtRep()->Path(), path(QStringLiteral("docs")));
        QCOMPARE(menus.count(), 1);
        QCOMPARE(menus.takeFirst().at(0).toInt(), int(frmDir::FolderMenu));
        // Below the last row: the menu of the node selected before.
        rightClick(tree->viewport(), QPoint(5, tree->viewport()->height() - 3));
        QCOMPARE(window.qvtRep()->Path(), path(QStringLiteral("docs")));
        QCOMPARE(menus.count(), 1);
        menus.clear();

        // List: a right click in the Type column selects its row.
        window.qvtRep()->OpenAFolder(m_drive);
        waitListed(window);
        QTreeView* list = window.qvtFich()->reportView();
        const QRect second = list->visualRect(list->model()->index(1, 2));
        rightClick(list->viewport(), second.center());
        QCOMPARE(window.qvtFich()->SelectedItem(), 2);
        QCOMPARE(menus.count(), 1);
        QCOMPARE(menus.takeFirst().at(0).toInt(), int(frmDir::FileMenu));
        // Below the last row the selection stays and the file menu shows.
        rightClick(list->viewport(), QPoint(5, list->viewport()->height() - 3));
        QCOMPARE(window.qvtFich()->SelectedItem(), 2);
        QCOMPARE(menus.count(), 1);

        QSignalSpy commands(&window, &frmDir::ContextCommand);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(commands.count(), 1);
        QCOMPARE(commands.first().at(0).toInt(), 0);
    }

    void renames() {
        frmDir window;
        window.show();
        window.Load();
        waitListed(window);
        QStringList said, asked;
        window.setMessageHandler([&said](QMessageBox::Icon, const QString& text) { said << text; });
        bool answer = false;
        window.setQuestionHandler([&](const QString& text) {
            asked << text;
            return answer;
        });

        // A drive cannot be renamed.
        bool cancel = false;
        QString newName = QStringLiteral("disk");
        window.treeAfterEdit(cancel, newName);
        QVERIFY(cancel);
        QCOMPARE(said, QStringList{QStringLiteral("Impossible de renommer un lecteur.")});

        // Changing the extension's case asks; Cancel keeps the file.
        window.qvtFich()->setSelectedItem(window.qvtFich()->FindItem(QStringLiteral("b.txt")));
        cancel = false;
        newName = QStringLiteral("b.TXT");
        window.listAfterEdit(cancel, newName);
        QVERIFY(cancel);
        QCOMPARE(asked, QStringList{QStringLiteral("Changement d'extension de fichier.\nConfirmez:")});
        QVERIFY(QFile::exists(path(QStringLiteral("b.txt"))));

        // A name in use is refused (no renaming on collision); the label reverts.
        said.clear();
        cancel = false;
        newName = QStringLiteral("a.txt");
        window.listAfterEdit(cancel, newName);
        QVERIFY(cancel);
        QCOMPARE(said.size(), 1);
        QVERIFY(QFile::exists(path(QStringLiteral("b.txt"))));

        // A plain rename through the label's editor is done and listed again.
        window.qvtFich()->StartEdit();
        auto* editor = window.qvtFich()->reportView()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(u"bb.txt"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(names(window).contains(u"bb.txt"_s));
        QVERIFY(QFile::exists(path(u"bb.txt"_s)));
        QVERIFY(QFile::rename(path(u"bb.txt"_s), path(u"b.txt"_s)));

        // A folder renamed through the tree's editor: the tree then stands on its parent.
        QDir().mkpath(path(u"old"_s));
        QVERIFY(window.qvtRep()->OpenAFolder(path(u"old"_s)));
        window.qvtRep()->StartEdit();
        auto* folderEditor = window.qvtRep()->treRep()->findChild<QLineEdit*>();
        QVERIFY(folderEditor);
        folderEditor->setText(u"new"_s);
        QTest::keyClick(folderEditor, Qt::Key_Return);
        QTRY_COMPARE(window.qvtRep()->Path(), m_drive);
        QVERIFY(QFileInfo(path(u"new"_s)).isDir());
        QVERIFY(!QFileInfo::exists(path(u"old"_s)));
        QVERIFY(QDir().rmdir(path(u"new"_s)));
    }

    void versionWindowComputerMode() {
        frmDir window;
        window.show();
        window.Load();
        waitListed(window);
        window.qvtFich()->setSelectedItem(3);
        frmVersion version;
        QVERIFY(window.prepareVersion(version));
        QVERIFY(version.ModePoste());
        version.activate();
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("c.dat"));
        for (int i = 0; i < frmVersion::kInfoCount; ++i)
            QVERIFY(version.lblInfo(i)->text().isEmpty());
        version.imaNavig_Click(frmVersion::Next); // the last file stays
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("c.dat"));
        QTest::keyClick(&version, Qt::Key_Home);
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("a.txt"));
        version.imaNavig_Click(frmVersion::Previous);
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("a.txt"));
        QTest::keyClick(&version, Qt::Key_PageDown);
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("b.txt"));
        QTest::keyClick(&version, Qt::Key_End);
        QCOMPARE(version.lblFichier()->text(), QStringLiteral("c.dat"));

        // A program's resource read from disk, in the labels' order.
        QDir().mkpath(path(u"prog"_s));
        QVERIFY(
            QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"), path(u"prog/p.exe"_s)));
        makeFile(path(u"prog/q.txt"_s));
        window.qvtRep()->OpenAFolder(path(u"prog"_s));
        waitListed(window);
        window.qvtFich()->setSelectedItem(1);
        frmVersion program;
        QVERIFY(window.prepareVersion(program));
        program.activate();
        const VersionInfo info = ReadVersionInfo(path(u"prog/p.exe"_s));
        QVERIFY(info.hasStrings && info.hasFixed);
        QCOMPARE(program.lblFichier()->text(), u"p.exe"_s);
        QCOMPARE(program.lblInfo(0)->text(), info.strings.companyName);
        QCOMPARE(program.lblInfo(7)->text(), info.strings.productVersion);
        QCOMPARE(program.lblInfo(8)->text(), info.fixed.fileVersion);
        QCOMPARE(program.lblInfo(10)->text(), info.fixed.os);
        QCOMPARE(program.lblInfo(13)->text(), info.fixed.attributes);
        QVERIFY(!program.lblInfo(0)->text().isEmpty());
        program.imaNavig_Click(frmVersion::Next); // a file without resource empties every value
        QCOMPARE(program.lblFichier()->text(), u"q.txt"_s);
        QVERIFY(program.lblInfo(0)->text().isEmpty());
        QVERIFY(program.lblInfo(13)->text().isEmpty());

        // An empty list shows no window.
        window.qvtFich()->GetFiles(path(QStringLiteral("other")));
        frmVersion none;
        QVERIFY(!window.prepareVersion(none));
    }

    void mainWindowCommands() {
        frmVambrel main;
        main.show();
        QStringList said;
        main.setMessageHandler([&said](QMessageBox::Icon, const QString& text) { said << text; });
        QStringList inputs;
        ExplorerCommands::Hooks hooks;
        hooks.input = [&inputs](const QString& title, const QString&) {
            inputs << title;
            return QString();
        };
        main.setExplorerHooks(hooks);
        QVERIFY(!main.mnuInutilise(1)->isEnabled());
        QVERIFY(main.mnuFichier(0)->isEnabled());
        QVERIFY(main.toolButton(1)->isEnabled());

        main.mnuFichier(0)->trigger();
        frmDir* explorer = main.explorer();
        QVERIFY(explorer);
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
        QVERIFY(main.mnuInutilise(1)->isEnabled());
        QVERIFY(!main.mnuInutilise(2)->isEnabled());
        main.toolButton(1)->trigger(); // one instance
        QCOMPARE(main.explorer(), explorer);
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
        QTRY_VERIFY(!explorer->qvtFich()->listing());

        // Captions follow the control that has the focus.
        explorer->qvtRep()->treRep()->setFocus();
        main.mnuEdition_Adapt();
        QCOMPARE(main.mnuEdition(2)->text(), QStringLiteral("&Copier le répertoire"));
        QCOMPARE(main.mnuEdition(10)->text(), QStringLiteral("R&enommer le répertoire"));
        QVERIFY(!main.mnuEdition(0)->isEnabled());
        explorer->qvtFich()->reportView()->setFocus();
        main.mnuEdition_Adapt();
        QCOMPARE(main.mnuEdition(2)->text(), QStringLiteral("&Copier les fichiers"));
        QCOMPARE(main.mnuEdition(6)->text(), QStringLiteral("&Supprimer les fichiers"));
        QVERIFY(main.mnuEdition(0)->isEnabled());

        // With the file list active and nothing selected, the commands ask for a selection,
        // except "C&réer un répertoire".
        explorer->qvtFich()->reportView()->clearSelection();
        main.mnuEdition_Click(2);
        main.mnuEdition_Click(9);
        QCOMPARE(said, QStringList{QStringLiteral("Sélectionner au moins un fichier pour cette opération.")});
        QCOMPARE(inputs, QStringList{QStringLiteral("Nouveau répertoire")});

        // The context menus exist with their default entries.
        QCOMPARE(main.mnuContextEntree(0)->defaultAction(), main.mnuContext(0));
        QCOMPARE(main.mnuContext(0)->text(), QStringLiteral("&Informations de version"));
        QCOMPARE(main.mnuContextEntree(1)->defaultAction(), main.mnuContextRep(0));
        QVERIFY(!main.mnuContextRep(5)->isVisible());

        // A new catalogue starts on the explorer's folder.
        explorer->qvtRep()->OpenAFolder(path(QStringLiteral("docs/deep")));
        {
            frmNouveau dialog(&main);
            QCOMPARE(dialog.qvtBrowse()->Text(), path(QStringLiteral("docs/deep")));
        }

        // Closing the explorer disables "&Edition".
        main.mdiArea()->closeAllSubWindows();
        QTRY_VERIFY(!main.explorer());
        QTRY_VERIFY(!main.mnuInutilise(1)->isEnabled());
    }
};

QTEST_MAIN(TestExplorer)
#include "tst_explorer.moc"
