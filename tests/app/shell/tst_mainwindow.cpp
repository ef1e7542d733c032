#include "TestCatalogue.h"
#include "catalogue/frmDirDat.h"
#include "shell/WindowPlacement.h"
#include "shell/frmVambrel.h"
#include "shell/mMRU.h"
#include "shell/mSettings.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

using namespace vambrel;
using namespace vambrel::test;

namespace {

struct Messages {
    QList<QPair<QMessageBox::Icon, QString>> list;
    void attach(frmVambrel& w) {
        w.setMessageHandler(
            [this](QMessageBox::Icon icon, const QString& text) { list << qMakePair(icon, text); });
    }
};

// Five actions standing for mnuMRU(0) to mnuMRU(4).
struct MruMenu {
    std::vector<std::unique_ptr<QAction>> owned;
    MruItems items;
    MruMenu() {
        for (int i = 0; i <= kMruEntries; ++i) {
            owned.push_back(std::make_unique<QAction>());
            owned.back()->setVisible(false);
            items << owned.back().get();
        }
    }
    QString paths() const {
        QStringList p;
        for (int i = 1; i <= kMruEntries; ++i)
            if (items[i]->isVisible())
                p << items[i]->data().toString();
        return p.join(QLatin1Char(' '));
    }
};

void clearSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, kAppName.toString()).clear();
}

QString stored(const QString& section, const QString& key) {
    return GetSetting(kAppName, section, key);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_dir;

    QString catalogue(const QString& name, Format format = Format::Current) {
        const QString p = m_dir.filePath(name);
        if (!QFile::exists(p))
            makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/d"), {{0, QStringLiteral("/d")}},
                          {file(0, 0, QStringLiteral("x.txt"), 3)}, format);
        return p;
    }

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }
    void init() { clearSettings(); }

    void menus_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char* tag, const QString& caption, bool enabled) {
            QTest::newRow(tag) << QString::fromLatin1(tag) << caption << enabled;
        };
        row("Inutilise0", QStringLiteral("&Fichier"), true);
        row("Inutilise1", QStringLiteral("&Edition"), false);
        row("Inutilise2", QStringLiteral("&Affichage"), false);
        row("Inutilise3", QStringLiteral("&Outils"), true);
        row("Inutilise4", QStringLiteral("&Fenêtre"), true);
        row("Inutilise5", QStringLiteral("&?"), true);
        row("Fichier0", QStringLiteral("&Ouvrir le Poste de travail"), true);
        row("Fichier1", QStringLiteral("&Nouveau"), true);
        row("Fichier2", QStringLiteral("O&uvrir"), true);
        row("Quitter1", QStringLiteral("&Quitter"), true);
        row("Edition0", QStringLiteral("E&xécuter le fichier"), true);
        row("Edition5", QStringLiteral("E&nvoyer à la corbeille"), true);
        row("Edition7", QStringLiteral("Dé&truire les fichiers"), false);
        row("Edition12", QStringLiteral("&Propriétés"), true);
        row("Affichage", QStringLiteral("Type &Explorateur de fichiers"), true);
        // Nothing to show the version of before a window lists files.
        row("Outils0", QStringLiteral("&Informations de version"), false);
        row("Outils1", QStringLiteral("&Propriétés Vambrel"), true);
        row("Outils2", QStringLiteral("&Comparer"), true);
        row("Outils3", QStringLiteral("I&mprimer"), true);
        row("Fenetre1", QStringLiteral("Mosaïque &horizontale"), true);
        row("Fenetre3", QStringLiteral("&Réorganiser les icônes"), true);
        row("Aide0", QStringLiteral("&Aide"), true);
        row("Aide1", QStringLiteral("A &propos de..."), true);
    }
    void menus() {
        QFETCH(QString, name);
        frmVambrel w;
        const qsizetype digits = name.indexOf(QRegularExpression(QStringLiteral("\\d")));
        const QString base = digits < 0 ? name : name.left(digits);
        const int index = digits < 0 ? 0 : name.mid(digits).toInt();
        QAction* action = base == QStringLiteral("Inutilise")   ? w.mnuInutilise(index)
                          : base == QStringLiteral("Fichier")   ? w.mnuFichier(index)
                          : base == QStringLiteral("Quitter")   ? w.mnuQuitter(index)
                          : base == QStringLiteral("Edition")   ? w.mnuEdition(index)
                          : base == QStringLiteral("Affichage") ? w.mnuAffichage()
                          : base == QStringLiteral("Outils")    ? w.mnuOutils(index)
                          : base == QStringLiteral("Fenetre")   ? w.mnuFenetre(index)
                                                                : w.mnuAide(index);
        QVERIFY(action);
        QTEST(action->text(), "caption");
        QTEST(action->isEnabled(), "enabled");
    }

    void separatorsAndToolBar() {
        frmVambrel w;
        for (QAction* separator : {w.mnuMRU(0), w.mnuQuitter(0), w.mnuEdition(1), w.mnuEdition(11)})
            QVERIFY(separator->isSeparator());
        for (int i = 0; i <= kMruEntries; ++i)
            QVERIFY(!w.mnuMRU(i)->isVisible());
        const QStringList tips = {QStringLiteral("Ouvrir le Poste de travail"),
                                  QStringLiteral("Nouveau fichier Vambrel"),
                                  QStringLiteral("Ouvrir un fichier Vambrel"),
                                  QStringLiteral("Informations de version"),
                                  QStringLiteral("Imprimer"),
                                  QStringLiteral("Comparer Vambrel vs Poste de travail")};
        QCOMPARE(w.tooBar()->actions().size(), 6);
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(w.toolButton(i)->toolTip(), tips[i - 1]);
            QCOMPARE(w.toolButton(i), w.tooBar()->actions()[i - 1]);
        }
        QVERIFY(w.toolButton(3)->isEnabled());
        QVERIFY(w.toolButton(1)->isEnabled());
        QVERIFY(w.toolButton(5)->isEnabled());
        QVERIFY(w.toolButton(6)->isEnabled());
        // With no child window these do nothing.
        w.mnuOutils_Click(0);
        w.mnuOutils_Click(3);
    }

    void addMru_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("after");
        const QStringList abcd = {QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c"),
                                  QStringLiteral("/d")};
        QTest::newRow("existing moves up") << abcd << QStringLiteral("/c") << QStringLiteral("/c /a /b /d");
        QTest::newRow("last moves up") << abcd << QStringLiteral("/d") << QStringLiteral("/d /a /b /c");
        QTest::newRow("new drops the oldest")
            << abcd << QStringLiteral("/e") << QStringLiteral("/e /a /b /c");
        QTest::newRow("letter case makes another entry")
            << abcd << QStringLiteral("/A") << QStringLiteral("/A /a /b /c");
        QTest::newRow("first on a fresh list")
            << QStringList() << QStringLiteral("/x/cat.dat") << QStringLiteral("/x/cat.dat");
        QTest::newRow("two grow to three") << QStringList{QStringLiteral("/a"), QStringLiteral("/b")}
                                           << QStringLiteral("/c") << QStringLiteral("/c /a /b");
    }
    void addMru() {
        QFETCH(QStringList, before);
        QFETCH(QString, added);
        for (int i = 0; i < before.size(); ++i)
            SaveSetting(kAppName, kSectionMru, QString::number(i + 1), before[i]);
        MruMenu menu;
        LoadMRU(menu.items, kAppName);
        QCOMPARE(menu.items[0]->isVisible(), !before.isEmpty());
        AddMRU(menu.items, kAppName, added);
        QTEST(menu.paths(), "after");
        QVERIFY(menu.items[0]->isVisible());
        QCOMPARE(menu.items[1]->text(), MruCaption(1, added));
        // What was stored loads back the same.
        MruMenu reloaded;
        LoadMRU(reloaded.items, kAppName);
        QCOMPARE(reloaded.paths(), menu.paths());
        for (int i = 1; i <= kMruEntries && menu.items[i]->isVisible(); ++i)
            QCOMPARE(reloaded.items[i]->text(),
                     QLatin1Char('&') + QString::number(i) + QStringLiteral(". ") +
                         menu.items[i]->data().toString().section(QLatin1Char('/'), -1));
    }

    void mruFirstEntryWritesNothing() {
        SaveSetting(kAppName, kSectionMru, QStringLiteral("1"), QStringLiteral("/a"));
        SaveSetting(kAppName, kSectionMru, QStringLiteral("2"), QStringLiteral("/b"));
        MruMenu menu;
        LoadMRU(menu.items, kAppName);
        SaveSetting(kAppName, kSectionMru, QStringLiteral("2"), QStringLiteral("/changed"));
        AddMRU(menu.items, kAppName, QStringLiteral("/a"));
        QCOMPARE(menu.paths(), QStringLiteral("/a /b"));
        QCOMPARE(stored(kSectionMru.toString(), QStringLiteral("2")), QStringLiteral("/changed"));
    }

    void mruStopsAtTheFirstGap() {
        SaveSetting(kAppName, kSectionMru, QStringLiteral("1"), QStringLiteral("/a"));
        SaveSetting(kAppName, kSectionMru, QStringLiteral("3"), QStringLiteral("/c"));
        MruMenu menu;
        LoadMRU(menu.items, kAppName);
        QCOMPARE(menu.paths(), QStringLiteral("/a"));
        QCOMPARE(menu.items[1]->text(), QStringLiteral("&1. a"));
    }

    void placement() {
        {
            frmVambrel first;
            QCOMPARE(first.size(), QSize(800, 600));
            first.setGeometry(30, 45, 700, 500);
            first.close();
        }
        QCOMPARE(stored(kSectionStartUp.toString(), QStringLiteral("Height")), QStringLiteral("7500"));
        QCOMPARE(stored(kSectionStartUp.toString(), QStringLiteral("Left")), QStringLiteral("450"));
        {
            frmVambrel second;
            QCOMPARE(second.geometry(), QRect(30, 45, 700, 500));
            second.setWindowState(Qt::WindowMaximized);
            second.close();
        }
        // A maximised exit keeps the last normal placement.
        QCOMPARE(stored(kSectionStartUp.toString(), QStringLiteral("Width")), QStringLiteral("10500"));
    }

    void placementOnScreen_data() {
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("result");
        const QRect screen(0, 0, 1920, 1080);
        QTest::newRow("inside stays") << QRect(100, 100, 800, 600) << QRect(100, 100, 800, 600);
        QTest::newRow("partly off stays") << QRect(1500, 700, 800, 600) << QRect(1500, 700, 800, 600);
        QTest::newRow("far right comes back") << QRect(5000, 100, 800, 600) << QRect(560, 240, 800, 600);
        QTest::newRow("above the top comes back") << QRect(100, -2000, 800, 600) << QRect(560, 240, 800, 600);
        QTest::newRow("too big shrinks") << QRect(-9000, 0, 4000, 3000) << screen;
    }
    void placementOnScreen() {
        QFETCH(QRect, wanted);
        QTEST(WindowPlacement::onScreen(wanted, {QRect(0, 0, 1920, 1080)}), "result");
    }

    void placementTexts() {
        QVERIFY(!WindowPlacement::fromTexts(QString(), QStringLiteral("1"), QStringLiteral("1"),
                                            QStringLiteral("1")));
        QVERIFY(!WindowPlacement::fromTexts(QStringLiteral("abc"), QStringLiteral("1500"),
                                            QStringLiteral("0"), QStringLiteral("0")));
        QCOMPARE(*WindowPlacement::fromTexts(QStringLiteral("9000"), QStringLiteral("12000"),
                                             QStringLiteral("-150"), QStringLiteral("300")),
                 QRect(20, -10, 800, 600));
    }

    void openFromMenuAndRecentFiles() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString p = catalogue(QStringLiteral("menu.dat"));
        w.setFileChooser([&] { return p; });
        w.mnuFichier_Click(2);
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        QVERIFY(w.mnuMRU(0)->isVisible());
        QCOMPARE(w.mnuMRU(1)->text(), QStringLiteral("&1. menu.dat"));
        QCOMPARE(stored(kSectionMru.toString(), QStringLiteral("1")), p);
        // Cancelling the dialog does nothing.
        w.setFileChooser([] { return QString(); });
        w.mnuFichier_Click(2);
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);

        // The same path brings its window forward; the recent entry opens nothing new.
        w.mnuMRU_Click(1);
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        w.mdiArea()->subWindowList().first()->showMinimized();
        QVERIFY(w.OpenCatalogue(p, QString()));
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        QVERIFY(!w.mdiArea()->subWindowList().first()->isMinimized());
        // Another text for the same file is another window.
        QVERIFY(w.OpenCatalogue(m_dir.path() + QStringLiteral("/./menu.dat"), QString()));
        QCOMPARE(w.mdiArea()->subWindowList().size(), 2);
        QVERIFY(messages.list.isEmpty());
    }

    void openFailures() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString gone = m_dir.filePath(QStringLiteral("gone.dat"));
        SaveSetting(kAppName, kSectionMru, QStringLiteral("1"), gone);
        frmVambrel withList;
        messages.attach(withList);
        withList.mnuMRU_Click(1);
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Critical);
        QCOMPARE(messages.list[0].second.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Impossible d'ouvrir ") + gone);
        QVERIFY(
            messages.list[0].second.section(QLatin1Char('\n'), 1).contains(QStringLiteral("introuvable")));
        QVERIFY(withList.mdiArea()->subWindowList().isEmpty());
        QCOMPARE(withList.mnuMRU(1)->data().toString(), gone);

        const QString text = m_dir.filePath(QStringLiteral("notes.dat"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("notes");
        f.close();
        QVERIFY(!w.OpenCatalogue(text, QString()));
        QCOMPARE(messages.list.last().second.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Impossible d'ouvrir ") + text);
        QVERIFY(messages.list.last()
                    .second.section(QLatin1Char('\n'), 1)
                    .contains(QStringLiteral("n'est pas un catalogue")));
        QVERIFY(w.mdiArea()->subWindowList().isEmpty());
    }

    void conversionAskedOnce() {
        const QString p = catalogue(QStringLiteral("old.dat"), Format::Earlier);
        Messages messages;
        for (int pass = 0; pass < 2; ++pass) {
            frmVambrel w;
            messages.attach(w);
            QVERIFY(w.OpenCatalogue(p, QString()));
        }
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Information);
        QCOMPARE(messages.list[0].second,
                 QStringLiteral(
                     "Le fichier que vous voulez ouvrir a été créé avec une version antérieure de Vambrel.\n"
                     "L'application va le convertir au format 2.0.0."));
        Database db;
        QVERIFY(db.open(p, OpenMode::ReadOnly));
        QCOMPARE(db.property(Schema::kVersionId).value()->value.toString(), QStringLiteral("2.0.0"));
    }

    void failedConversionRefused() {
        // An earlier-format catalogue without folders cannot be converted: refused, file unchanged.
        const QString p = m_dir.filePath(QStringLiteral("oldempty.dat"));
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QString(), {}, {}, Format::Earlier));
        QFile before(p);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        QVERIFY(!w.OpenCatalogue(p, QString()));
        // The cause of a failed conversion comes on a second line.
        QCOMPARE(messages.list.last().second,
                 QStringLiteral("Impossible d'ouvrir ") + p +
                     QStringLiteral("\nLe catalogue ne contient aucun répertoire."));
        QVERIFY(w.mdiArea()->subWindowList().isEmpty());
        QFile after(p);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }

    void replacement() {
        const QString p = catalogue(QStringLiteral("rebuilt.dat"));
        const QString fresh = m_dir.filePath(QStringLiteral("qvtfresh.tmp"));
        QVERIFY(makeCatalogue(fresh, QStringLiteral("/"), QStringLiteral("/n"), {{0, QStringLiteral("/n")}},
                              {file(0, 0, QStringLiteral("1")), file(1, 0, QStringLiteral("2"))}));
        frmVambrel w;
        setViewSetting(false);
        QVERIFY(w.OpenCatalogue(p, QString()));
        QVERIFY(w.OpenCatalogue(p, fresh));
        QTRY_COMPARE(w.mdiArea()->subWindowList().size(), 1);
        QVERIFY(!QFile::exists(fresh));
        auto* child = qobject_cast<frmDirDat*>(w.mdiArea()->subWindowList().first()->widget());
        QVERIFY(child);
        QCOMPARE(child->rowCount(), qint64(2));
    }

    void viewSwitch() {
        setViewSetting(true);
        frmVambrel w;
        QCOMPARE(w.mnuAffichage()->text(), QStringLiteral("&Liste de fichiers"));
        QVERIFY(w.OpenCatalogue(catalogue(QStringLiteral("one.dat")), QString()));
        QVERIFY(w.OpenCatalogue(catalogue(QStringLiteral("two.dat")), QString()));
        QVERIFY(w.mnuInutilise(2)->isEnabled());
        QVERIFY(!w.mnuInutilise(1)->isEnabled());
        auto* child = qobject_cast<frmDirDat*>(w.activeChild());
        QVERIFY(child && child->InsExplore());
        QCOMPARE(w.mnuAffichage()->text(), QStringLiteral("&Liste de fichiers"));
        w.mnuAffichage_Click();
        QVERIFY(!child->InsExplore());
        QVERIFY(!child->lstListing()->isHidden());
        QVERIFY(child->treRep()->isHidden());
        QCOMPARE(w.mnuAffichage()->text(), QStringLiteral("Type &Explorateur de fichiers"));
        QVERIFY(!SettingTextToBool(stored(kSectionStartUp.toString(), kKeyAffichage.toString()), true));
        QVERIFY(w.OpenCatalogue(catalogue(QStringLiteral("three.dat")), QString()));
        QVERIFY(!qobject_cast<frmDirDat*>(w.activeChild())->InsExplore());

        // Closing all but the last keeps the menu; closing the last disables it.
        const QList<QMdiSubWindow*> windows = w.mdiArea()->subWindowList();
        windows[0]->close();
        windows[1]->close();
        QTest::qWait(20);
        QVERIFY(w.mnuInutilise(2)->isEnabled());
        windows[2]->close();
        QTRY_VERIFY(!w.mnuInutilise(2)->isEnabled());
    }

    // The window just opened is the active one, in front, with the focus in its list, whichever
    // window was in front before; the version command follows what the active window lists.
    void openedWindowInFront_data() {
        QTest::addColumn<bool>("explore");
        QTest::newRow("explorer view") << true;
        QTest::newRow("flat list") << false;
    }
    void openedWindowInFront() {
        QFETCH(bool, explore);
        setViewSetting(explore);
        frmVambrel w;
        w.show();
        const QString empty = m_dir.filePath(QStringLiteral("nofiles.dat"));
        if (!QFile::exists(empty))
            QVERIFY(makeCatalogue(empty, QStringLiteral("/"), QStringLiteral("/e"),
                                  {{0, QStringLiteral("/e")}}, {}));
        QVERIFY(w.OpenCatalogue(catalogue(QStringLiteral("one.dat")), QString()));
        QTRY_VERIFY(w.mnuOutils(0)->isEnabled());
        QVERIFY(w.toolButton(4)->isEnabled());
        QVERIFY(w.OpenCatalogue(empty, QString()));
        for (const QString& path : {empty, catalogue(QStringLiteral("one.dat"))}) {
            if (path != empty)
                QVERIFY(w.OpenCatalogue(path, QString())); // brought forward again
            QMdiSubWindow* front = w.mdiArea()->subWindowList(QMdiArea::StackingOrder).last();
            auto* child = qobject_cast<frmDirDat*>(front->widget());
            QVERIFY(child);
            QCOMPARE(child->Tag(), path);
            QCOMPARE(w.mdiArea()->activeSubWindow(), front);
            QWidget* list = explore ? static_cast<QWidget*>(child->lstFich()) : child->lstListing();
            QCOMPARE(child->focusWidget(), list);
            QCOMPARE(w.mnuOutils(0)->isEnabled(), path != empty);
        }
    }

    // A file that cannot be opened as a catalogue says why on a second line.
    void failuresSayWhy_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");
        QTest::newRow("text") << QByteArray("pas un catalogue\n") << QStringLiteral("n'est pas un catalogue");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("catalogue");
        QTest::newRow("missing file") << QByteArray("<none>") << QStringLiteral("introuvable");
    }
    void failuresSayWhy() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        const QString p =
            m_dir.filePath(QStringLiteral("bad-%1.dat").arg(QString::fromLatin1(QTest::currentDataTag())));
        if (bytes != "<none>") {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        QVERIFY(!w.OpenCatalogue(p, QString()));
        const QStringList lines = messages.list.last().second.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("Impossible d'ouvrir ") + p);
        QVERIFY2(lines[1].contains(cause), qPrintable(lines[1]));
        QVERIFY(w.mdiArea()->subWindowList().isEmpty());
    }

    // A large catalogue is read after its window is made; a failure found then closes the window
    // and says why, as a failure found at once does.
    void failureFoundInTheBackground() {
        const QString p = m_dir.filePath(QStringLiteral("large-nofolders.dat"));
        QList<FileRow> files;
        for (int i = 0; i < 40000; ++i)
            files << file(i, 0, QStringLiteral("file number %1 with a long name.txt").arg(i), i);
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/d"), {}, files));
        QVERIFY(QFileInfo(p).size() > frmDirDat::kBackgroundBytes);
        setViewSetting(true);
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        QVERIFY(w.OpenCatalogue(p, QString()));
        QTRY_COMPARE_WITH_TIMEOUT(messages.list.size(), 1, 10000);
        QCOMPARE(messages.list[0].first, QMessageBox::Critical);
        QCOMPARE(messages.list[0].second, QStringLiteral("Impossible d'ouvrir ") + p +
                                              QStringLiteral("\nLe catalogue ne contient aucun répertoire."));
        QTRY_VERIFY(w.mdiArea()->subWindowList().isEmpty());
    }

    // A truncated catalogue is refused with a cause too, and left as it was.
    void truncatedCatalogue() {
        const QString whole = catalogue(QStringLiteral("one.dat"));
        const QString p = m_dir.filePath(QStringLiteral("truncated.dat"));
        QFile in(whole);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray half = in.read(in.size() / 2);
        QFile out(p);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(half);
        out.close();
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        QVERIFY(!w.OpenCatalogue(p, QString()));
        QCOMPARE(messages.list.last().second.count(QLatin1Char('\n')), 1);
        QVERIFY(!messages.list.last().second.section(QLatin1Char('\n'), 1).isEmpty());
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), half);
    }

private:
    static void setViewSetting(bool explore) {
        SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(explore));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
