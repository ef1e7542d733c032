// `Vambrel FILE...`: the files named on the command line open as "O&uvrir" opens them.

#include "TestCatalogue.h"
#include "shell/CommandLineFiles.h"
#include "shell/frmVambrel.h"
#include "shell/mMRU.h"
#include "shell/mSettings.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace Qt::StringLiterals;

class TestCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_dir;

    QString catalogue(const QString& name) {
        const QString p = m_dir.filePath(name);
        if (!QFile::exists(p))
            test::makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/d"), {{0, QStringLiteral("/d")}},
                                {test::file(0, 0, QStringLiteral("x.txt"), 3)});
        return p;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_config.isValid() && m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }

    void files_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("none") << QStringList{} << QStringList{};
        QTest::newRow("absolute and relative, in order")
            << QStringList{u"/data/b.dat"_s, u"a.dat"_s, u"../up.dat"_s, u"./sub//c.dat"_s}
            << QStringList{u"/data/b.dat"_s, u"/home/ana/a.dat"_s, u"/home/up.dat"_s,
                           u"/home/ana/sub/c.dat"_s};
        QTest::newRow("options left out")
            << QStringList{u"-x"_s, u"--style=fusion"_s, u"a.dat"_s} << QStringList{u"/home/ana/a.dat"_s};
        QTest::newRow("after --, a name that looks like an option")
            << QStringList{u"--"_s, u"-x.dat"_s, u"--"_s}
            << QStringList{u"/home/ana/-x.dat"_s, u"/home/ana/--"_s};
        QTest::newRow("file URL") << QStringList{u"file:///tmp/caf%C3%A9.dat"_s}
                                  << QStringList{u"/tmp/café.dat"_s};
        QTest::newRow("other URLs and empty words")
            << QStringList{u"https://example.org/a.dat"_s, u""_s, u"file://server/share/a.dat"_s}
            << QStringList{};
        QTest::newRow("spaces kept") << QStringList{u"mes catalogues/x y.dat"_s}
                                     << QStringList{u"/home/ana/mes catalogues/x y.dat"_s};
    }
    void files() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, files);
        QCOMPARE(CommandLineFiles(arguments, QStringLiteral("/home/ana")), files);
    }

    void openedAsTheOpenCommandDoes() {
        QList<QPair<QMessageBox::Icon, QString>> messages;
        frmVambrel w;
        w.setMessageHandler(
            [&](QMessageBox::Icon icon, const QString& text) { messages << qMakePair(icon, text); });
        const QString one = catalogue(QStringLiteral("un.dat"));
        const QString two = catalogue(QStringLiteral("deux.dat"));
        const QString gone = m_dir.filePath(QStringLiteral("absent.dat"));
        w.OpenFiles({one, gone, two, one});
        // One window per catalogue, the last opened in front; the missing file is reported.
        QCOMPARE(w.mdiArea()->subWindowList().size(), 2);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().first, QMessageBox::Critical);
        QVERIFY(messages.first().second.contains(QStringLiteral("absent.dat")));
        // Those that opened joined the recent files, newest first; the missing one did not.
        QCOMPARE(w.mnuMRU(1)->data().toString(), one);
        QCOMPARE(w.mnuMRU(2)->data().toString(), two);
        QVERIFY(!w.mnuMRU(3)->isVisible());
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
