// The folder change watcher: which changes signal which filter, over folders built in a
// temporary folder.

#include "NativeName.h"
#include "TestFiles.h"
#include "explorer/FolderWatcher.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using namespace Qt::StringLiterals;
using vambrel::test::makeFile;

class TestFolderWatcher : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_case = 0;

    QString folder() {
        const QString path = m_tmp.filePath(QString::number(++m_case));
        QDir().mkpath(path);
        makeFile(path + u"/old.txt"_s, "old");
        QDir().mkpath(path + u"/oldsub"_s);
        return path;
    }

private Q_SLOTS:
    void changes_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("signalled");
        const QList<std::tuple<const char*, bool, bool>> rows = {
            // change, seen by file names (1), seen by folder names (2)
            {"nothing", false, false},
            {"file created", true, false},
            {"file deleted", true, false},
            {"file renamed", true, false},
            {"file moved out", true, false},
            {"file written", false, false},
            {"file in a subfolder", false, false},
            {"folder created", false, true},
            {"folder deleted", false, true},
            {"folder renamed", false, true},
            {"watched folder deleted", true, true},
            {"watched folder moved", true, true},
        };
        for (const auto& [change, files, folders] : rows) {
            QTest::addRow("%s, file names", change) << QString::fromLatin1(change) << 1 << files;
            QTest::addRow("%s, folder names", change) << QString::fromLatin1(change) << 2 << folders;
        }
    }
    void changes() {
        QFETCH(QString, change);
        QFETCH(int, filter);
        QFETCH(bool, signalled);
        const QString dir = folder();
        FolderWatcher watcher;
        watcher.setFolder(dir);
        QVERIFY(watcher.addWatch(1, filter));
        QVERIFY(watcher.start());
        QDir d(dir);
        if (change == u"file created"_s)
            makeFile(dir + u"/new.txt"_s);
        else if (change == u"file deleted"_s)
            QVERIFY(d.remove(u"old.txt"_s));
        else if (change == u"file renamed"_s)
            QVERIFY(d.rename(u"old.txt"_s, u"new.txt"_s));
        else if (change == u"file moved out"_s)
            QVERIFY(d.rename(u"old.txt"_s, m_tmp.filePath(u"moved%1.txt"_s.arg(m_case))));
        else if (change == u"file written"_s)
            makeFile(dir + u"/old.txt"_s, "new content");
        else if (change == u"file in a subfolder"_s)
            makeFile(dir + u"/oldsub/deep.txt"_s);
        else if (change == u"folder created"_s)
            QVERIFY(d.mkdir(u"newsub"_s));
        else if (change == u"folder deleted"_s)
            QVERIFY(d.rmdir(u"oldsub"_s));
        else if (change == u"folder renamed"_s)
            QVERIFY(d.rename(u"oldsub"_s, u"newsub"_s));
        else if (change == u"watched folder deleted"_s)
            QVERIFY(d.removeRecursively());
        else if (change == u"watched folder moved"_s)
            QVERIFY(QDir().rename(dir, dir + u"-moved"_s));
        watcher.wait(signalled ? 5000 : 50);
        QCOMPARE(watcher.signalled(1), signalled);
    }

    // Watches are told apart by number; a number never registered is never signalled.
    void watchNumbers() {
        const QString dir = folder();
        FolderWatcher watcher;
        watcher.setFolder(dir);
        QVERIFY(watcher.addWatch(1, FolderWatcher::FileNames));
        QVERIFY(watcher.addWatch(2, FolderWatcher::FolderNames));
        QVERIFY(!watcher.addWatch(3, 4));
        QVERIFY(watcher.start());
        QVERIFY(QDir(dir).mkdir(u"x"_s));
        watcher.wait(5000);
        QVERIFY(!watcher.signalled(1));
        QVERIFY(watcher.signalled(2));
        QVERIFY(!watcher.signalled(3));
    }

    // A folder that cannot be watched: start says so and nothing is ever signalled.
    void missingFolder() {
        FolderWatcher watcher;
        watcher.setFolder(m_tmp.filePath(u"missing"_s));
        watcher.addWatch(1, FolderWatcher::FileNames);
        QVERIFY(!watcher.start());
        watcher.wait(10);
        QVERIFY(!watcher.signalled(1));
        FolderWatcher onFile;
        makeFile(m_tmp.filePath(u"plain"_s));
        onFile.setFolder(m_tmp.filePath(u"plain"_s));
        QVERIFY(!onFile.start());
    }

    void folderNameNotUtf8() {
        const QByteArray native = PathToNative(m_tmp.path()) + "/r\xe9p";
        QVERIFY(::mkdir(native.constData(), 0755) == 0);
        FolderWatcher watcher;
        watcher.setFolder(PathFromNative(native));
        watcher.addWatch(1, FolderWatcher::FileNames);
        QVERIFY(watcher.start());
        QVERIFY(test::writeBytes(native + "/f", "x", 1'600'000'000));
        watcher.wait(5000);
        QVERIFY(watcher.signalled(1));
        // Names that are not UTF-8 are beyond QTemporaryDir's clean-up.
        QVERIFY(::unlink((native + "/f").constData()) == 0);
        QVERIFY(::rmdir(native.constData()) == 0);
    }

    // The wait runs the event loop: timers fire (and windows repaint) while it waits.
    void waitKeepsEventsFlowing() {
        const QString dir = folder();
        FolderWatcher watcher;
        watcher.setFolder(dir);
        watcher.addWatch(1, FolderWatcher::FileNames);
        QVERIFY(watcher.start());
        bool fired = false;
        QTimer::singleShot(0, this, [&] { fired = true; });
        watcher.wait(100);
        QVERIFY(fired);
        QVERIFY(!watcher.signalled(1));
        // A change made from the event loop during the wait is seen.
        QTimer::singleShot(0, this, [&] { makeFile(dir + u"/during.txt"_s); });
        watcher.wait(5000);
        QVERIFY(watcher.signalled(1));
    }
};

QTEST_GUILESS_MAIN(TestFolderWatcher)
#include "tst_folderwatcher.moc"
