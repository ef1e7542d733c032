#include "AsOtherUser.h"
#include "CatalogueBuilder.h"
#include "Database.h"
#include "NewFileSearch.h"
#include "QuietBuild.h"
#include "Snapshot.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

class Recorder : public NewFileEvents {
public:
    QStringList lines;
    int cancelAtFile = 0;
    bool stopAfterMain = false; // the job's flag is set after ProgressMain, between events
    StopFlag stop{false};
    const StopFlag* stopFlag() const override { return &stop; }
    bool ProgressMain(qint32 n) override {
        if (stopAfterMain)
            stop = true;
        return note(u"ProgressMain "_s + QString::number(n));
    }
    bool ProgressFolder(qint32 n) override { return note(u"ProgressFolder "_s + QString::number(n)); }
    bool ProgressFile(qint32 n) override {
        note(u"ProgressFile "_s + QString::number(n));
        return n == cancelAtFile;
    }
    void Complete(bool ok) override { lines << (ok ? u"Complete true"_s : u"Complete false"_s); }
    void Cancelled() override { lines << u"Cancelled"_s; }

private:
    bool note(const QString& l) {
        lines << l;
        return false;
    }
};

void touch(const QString& path) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
}

// The rows of a new-files list.
QStringList listRows(const QString& list, const QString& sql) {
    return test::queryRows(list, sql, DbKind::NewFilesList);
}

} // namespace

class TestNewFileSearch : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(u"t"_s);
        for (const char* d : {"/a", "/a/b", "/a/c"})
            QVERIFY(QDir().mkpath(m_tree + QString::fromUtf8(d)));
        for (const char* f : {"/a/old.txt", "/a/Été.TXT", "/a/b/old.txt", "/a/c/keep.txt"})
            touch(m_tree + QString::fromUtf8(f));
        m_catalogue = m_dir.filePath(u"cat.dat"_s);
        QVERIFY(test::quietBuild(m_catalogue, m_tree + u"/a"_s));
        // Since then: new files in a known folder and in a new folder; a rename by case only.
        touch(m_tree + u"/a/b/new1.txt"_s);
        touch(m_tree + u"/a/b/.hidden"_s);
        QVERIFY(QDir().mkpath(m_tree + u"/a/d"_s));
        touch(m_tree + u"/a/d/new2.txt"_s);
        touch(m_tree + u"/a/d/new3.log"_s);
        QVERIFY(QFile::rename(m_tree + u"/a/Été.TXT"_s, m_tree + u"/a/été.txt"_s));
    }

    void findsExactlyTheNewFiles() {
        const QString list = m_dir.filePath(u"new.dat"_s);
        Recorder r;
        QString cause;
        RunNewFileSearch({list, m_tree + u"/a"_s, u"*.*"_s, m_catalogue}, r, &cause);
        QVERIFY2(r.lines.last() == u"Complete true"_s, qPrintable(cause));
        QCOMPARE(r.lines.first(), u"ProgressMain 3"_s);
        QCOMPARE(r.lines.count(u"ProgressFile 3"_s), 1);
        QStringList files = listRows(list, u"SELECT Folders.Nom, Files.Nom, Files.NumId FROM Files "
                                           "INNER JOIN Folders ON Files.Num = Folders.Num"_s);
        files.sort();
        QCOMPARE(files.size(), 3);
        QVERIFY(files[0].startsWith(m_tree + u"/a/b|new1.txt|"_s));
        QVERIFY(files[1].startsWith(m_tree + u"/a/d|new2.txt|"_s) ||
                files[1].startsWith(m_tree + u"/a/d|new3.log|"_s));
        // Only folders with new files get a row, numbered from 0 without gaps.
        QCOMPARE(listRows(list, u"SELECT Num FROM Folders ORDER BY Num"_s), (QStringList{u"0"_s, u"1"_s}));
        QCOMPARE(listRows(list, u"SELECT NumId FROM Files ORDER BY NumId"_s),
                 (QStringList{u"0"_s, u"1"_s, u"2"_s}));
    }

    void maskAndSingleFolder() {
        const QString list = m_dir.filePath(u"mask.dat"_s);
        Recorder r;
        RunNewFileSearch({list, m_tree + u"/a/d"_s, u"*.LOG"_s, m_catalogue}, r);
        // No sub-folder: no ProgressMain, but ProgressFolder 0 all the same.
        QCOMPARE(r.lines, (QStringList{u"ProgressFolder 0"_s, u"ProgressFile 1"_s, u"Complete true"_s}));
        QCOMPARE(listRows(list, u"SELECT Nom FROM Files"_s), QStringList{u"new3.log"_s});
    }

    void cancelDeletesTheList() {
        const QString list = m_dir.filePath(u"cancel.dat"_s);
        Recorder r;
        r.cancelAtFile = 1;
        RunNewFileSearch({list, m_tree + u"/a"_s, u"*.*"_s, m_catalogue}, r);
        QCOMPARE(r.lines.last(), u"Cancelled"_s);
        QVERIFY(!r.lines.contains(u"Complete true"_s) && !r.lines.contains(u"Complete false"_s));
        QVERIFY(!QFile::exists(list));
        QVERIFY(!QFile::exists(list + u"-journal"_s));
    }

    // A folder that cannot be read is passed over; the search goes on and finds the rest.
    void unreadableFolderIsPassedOver() {
        const QString tree = m_dir.filePath(u"locked"_s);
        QVERIFY(QDir().mkpath(tree + u"/open"_s));
        QVERIFY(QDir().mkpath(tree + u"/shut/deeper"_s));
        const QString catalogue = m_dir.filePath(u"locked.dat"_s);
        QVERIFY(test::quietBuild(catalogue, tree));
        touch(tree + u"/open/new.txt"_s);
        touch(tree + u"/shut/hidden.txt"_s);
        touch(tree + u"/shut/deeper/hidden.txt"_s);
        const QString out = m_dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(out));
        for (const QString& d : {m_dir.path(), tree, tree + u"/open"_s})
            QCOMPARE(::chmod(QFile::encodeName(d).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(out).constData(), 0777), 0);
        QCOMPARE(::chmod(QFile::encodeName(catalogue).constData(), 0644), 0);
        QCOMPARE(::chmod(QFile::encodeName(tree + u"/shut"_s).constData(), 0), 0);
        const QString list = out + u"/new.dat"_s;
        const auto text = test::RunAsNobody([&] {
            Recorder r;
            RunNewFileSearch({list, tree, u"*.*"_s, catalogue}, r);
            return r.lines.last().toUtf8();
        });
        ::chmod(QFile::encodeName(tree + u"/shut"_s).constData(), 0755);
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QVERIFY(text);
        QCOMPARE(*text, QByteArray("Complete true"));
        QCOMPARE(listRows(list, u"SELECT Folders.Nom || '/' || Files.Nom FROM Files "
                                "INNER JOIN Folders ON Files.Num = Folders.Num"_s),
                 QStringList{tree + u"/open/new.txt"_s});
    }

    // A cancel that arrives between events: while the catalogue is read and the folders walked,
    // or before the first folder is searched. The list goes as for any cancel.
    void cancelBetweenEvents_data() {
        QTest::addColumn<bool>("before");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("before the walk") << true << QStringList{u"Cancelled"_s};
        QTest::newRow("after ProgressMain") << false << QStringList{u"ProgressMain 3"_s, u"Cancelled"_s};
    }
    void cancelBetweenEvents() {
        QFETCH(bool, before);
        QFETCH(QStringList, lines);
        const QString list = m_dir.filePath(before ? u"stop-before.dat"_s : u"stop-after.dat"_s);
        Recorder r;
        r.stop = before;
        r.stopAfterMain = !before;
        RunNewFileSearch({list, m_tree + u"/a"_s, u"*.*"_s, m_catalogue}, r);
        QCOMPARE(r.lines, lines);
        QVERIFY(!QFile::exists(list));
        QVERIFY(!QFile::exists(list + u"-journal"_s));
    }

    void failures_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("list exists") << u"exists"_s;
        QTest::newRow("catalogue is not one") << u"badcat"_s;
        QTest::newRow("empty spec item") << u"spec"_s;
    }
    void failures() {
        QFETCH(QString, what);
        const QString list = m_dir.filePath(u"fail-"_s + what + u".dat"_s);
        QString catalogue = m_catalogue, spec = m_tree + u"/a"_s;
        if (what == u"exists"_s) {
            QFile f(list);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("garder");
        } else if (what == u"badcat"_s) {
            catalogue = m_dir.filePath(u"notacat.dat"_s);
            QFile f(catalogue);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("pas un catalogue");
        } else {
            spec = m_tree + u"/a::"_s;
        }
        Recorder r;
        QString cause;
        RunNewFileSearch({list, spec, u"*.*"_s, catalogue}, r, &cause);
        QCOMPARE(r.lines, QStringList{u"Complete false"_s});
        QVERIFY(!cause.isEmpty());
        if (what == u"exists"_s) {
            QFile f(list);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("garder"));
        }
    }
};

QTEST_GUILESS_MAIN(TestNewFileSearch)
#include "tst_newfilesearch.moc"
