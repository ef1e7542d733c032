// The destroy routine over entries built in a temporary folder: the seven passes, the renames,
// the size limit, the entries that are never opened and the system attribute.

#include "AsOtherUser.h"
#include "NativeName.h"
#include "TestFiles.h"
#include "explorer/FileDestroyer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using namespace Qt::StringLiterals;
using vambrel::test::makeFile;
using vambrel::test::readAll;

namespace {

struct stat statOf(const QString& path) {
    struct stat info {};
    ::lstat(PathToNative(path).constData(), &info);
    return info;
}

QStringList entries(const QString& folder) {
    QDir dir(folder);
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFileDestroyer : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_case = 0;

    // A fresh empty folder for each case.
    QString folder() {
        const QString path = m_tmp.filePath(QString::number(++m_case));
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void letterName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("report") << u"report.doc"_s << QChar(u'A') << u"AAAAAA.AAA"_s;
        QTest::newRow("dots kept") << u"a.b.tar.gz"_s << QChar(u'Z') << u"Z.Z.ZZZ.ZZ"_s;
        QTest::newRow("hidden") << u".profile"_s << QChar(u'B') << u".BBBBBBB"_s;
        QTest::newRow("no dot") << u"Makefile"_s << QChar(u'C') << u"CCCCCCCC"_s;
        QTest::newRow("only dots") << u"..."_s << QChar(u'D') << u"..."_s;
        QTest::newRow("accent") << u"été.txt"_s << QChar(u'E') << u"EEE.EEE"_s;
        QTest::newRow("byte not UTF-8") << NameFromNative("a\xff.b", 4) << QChar(u'F') << u"FF.F"_s;
    }
    void letterName() {
        QFETCH(QString, name);
        QFETCH(QChar, letter);
        QFETCH(QString, expected);
        QCOMPARE(FileDestroyer::LetterName(name, letter), expected);
    }

    void failureMessages_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("cause");
        QTest::newRow("EACCES") << EACCES << u"\nAccès refusé."_s;
        QTest::newRow("EPERM") << EPERM << u"\nAccès refusé."_s;
        QTest::newRow("ETXTBSY") << ETXTBSY << u"\nAccès refusé."_s;
        QTest::newRow("EROFS") << EROFS << u"\nNon accédé."_s;
        QTest::newRow("EIO") << EIO << u"\nNon accédé."_s;
        QTest::newRow("ENODEV") << ENODEV << u"\nNon accédé."_s;
        QTest::newRow("ENXIO") << ENXIO << u"\nNon accédé."_s;
        QTest::newRow("ENOSPC") << ENOSPC << QString();
        QTest::newRow("none") << 0 << QString();
    }
    void failureMessages() {
        QFETCH(int, error);
        QFETCH(QString, cause);
        const QString path = NameFromNative("/d/caf\xe9", 7);
        QCOMPARE(FileDestroyer::FailureMessage(path, error),
                 u"Impossible de détruire le fichier\n/d/caf\\xE9"_s + cause);
    }

    // A read-only file of 10 bytes: the owner's write bit is lifted (the others kept), each pass
    // is on disk whole before the next, then 26 renames and the deletion.
    void readOnlyTenBytes() {
        const QString dir = folder();
        const QString file = dir + u"/report.doc"_s;
        makeFile(file, "0123456789");
        QVERIFY(::chmod(PathToNative(file).constData(), 0444) == 0);
        FileDestroyer destroyer;
        QList<int> passes;
        destroyer.setPassObserver([&](const QString& path, int pass) {
            QCOMPARE(path, file);
            QCOMPARE(readAll(file), QByteArray(10, char(pass)));
            QCOMPARE(int(statOf(file).st_mode & 07777), 0644);
            passes << pass;
        });
        QStringList names;
        destroyer.setRenamer([&](const QString& from, const QString& to) {
            names << QFileInfo(from).fileName() + u'>' + QFileInfo(to).fileName();
            return ::rename(PathToNative(from).constData(), PathToNative(to).constData()) == 0;
        });
        const FileDestroyer::Result result = destroyer.Destroy(dir, u"report.doc"_s);
        QVERIFY(result.ok);
        QVERIFY(result.message.isEmpty());
        QCOMPARE(passes, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(names.size(), 26);
        QCOMPARE(names.first(), u"report.doc>AAAAAA.AAA"_s);
        QCOMPARE(names.at(1), u"AAAAAA.AAA>BBBBBB.BBB"_s);
        QCOMPARE(names.last(), u"YYYYYY.YYY>ZZZZZZ.ZZZ"_s);
        QVERIFY(entries(dir).isEmpty());
    }

    // Blocks of more than one buffer, and an empty file.
    void sizes_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("one byte") << 1;
        QTest::newRow("buffer and a half") << (3 << 19) + 7;
    }
    void sizes() {
        QFETCH(int, size);
        const QString dir = folder();
        makeFile(dir + u"/f.bin"_s, QByteArray(size, 'q'));
        FileDestroyer destroyer;
        int passes = 0;
        destroyer.setPassObserver([&](const QString& path, int pass) {
            const QByteArray content = readAll(path);
            QCOMPARE(content.size(), size);
            QCOMPARE(content.count(char(pass)), size);
            ++passes;
        });
        QVERIFY(destroyer.Destroy(dir, u"f.bin"_s).ok);
        QCOMPARE(passes, FileDestroyer::kPasses);
        QVERIFY(entries(dir).isEmpty());
    }

    // A file of 2 GiB (sparse) is refused untouched: same name, size, time and no block written.
    void sizeLimit() {
        const QString dir = folder();
        const QString file = dir + u"/big.iso"_s;
        makeFile(file, QByteArray());
        QVERIFY(::truncate(PathToNative(file).constData(), FileDestroyer::kSizeLimit) == 0);
        const struct stat before = statOf(file);
        FileDestroyer destroyer;
        bool touched = false;
        destroyer.setPassObserver([&](const QString&, int) { touched = true; });
        destroyer.setRenamer([&](const QString&, const QString&) { return touched = true; });
        const FileDestroyer::Result result = destroyer.Destroy(dir, u"big.iso"_s);
        QVERIFY(!result.ok);
        QCOMPARE(result.message, u"Impossible de détruire le fichier\n"_s + file +
                                     u"\nSa taille excède les capacités du programme."_s);
        QVERIFY(!touched);
        const struct stat after = statOf(file);
        QCOMPARE(qint64(after.st_size), FileDestroyer::kSizeLimit);
        QCOMPARE(after.st_blocks, before.st_blocks);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(entries(dir), QStringList{u"big.iso"_s});
    }

    // Links, FIFOs and sockets are deleted as entries: nothing opened, nothing renamed, a link's
    // target untouched.
    void entriesNeverOpened_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to a file") << u"link"_s;
        QTest::newRow("dangling link") << u"dangling"_s;
        QTest::newRow("link to a folder") << u"folderlink"_s;
        QTest::newRow("fifo") << u"fifo"_s;
        QTest::newRow("socket") << u"socket"_s;
    }
    void entriesNeverOpened() {
        QFETCH(QString, kind);
        const QString dir = folder();
        const QString target = dir + u"/target.txt"_s;
        makeFile(target, "keep me");
        const QByteArray entry = PathToNative(dir + u"/entry"_s);
        if (kind == u"link"_s)
            QVERIFY(::symlink("target.txt", entry.constData()) == 0);
        else if (kind == u"dangling"_s)
            QVERIFY(::symlink("nowhere", entry.constData()) == 0);
        else if (kind == u"folderlink"_s)
            QVERIFY(::symlink(".", entry.constData()) == 0);
        else if (kind == u"fifo"_s)
            QVERIFY(::mkfifo(entry.constData(), 0644) == 0);
        else
            QVERIFY(::mknod(entry.constData(), S_IFSOCK | 0644, 0) == 0);
        FileDestroyer destroyer;
        bool touched = false;
        destroyer.setPassObserver([&](const QString&, int) { touched = true; });
        destroyer.setRenamer([&](const QString&, const QString&) { return touched = true; });
        QVERIFY(destroyer.Destroy(dir, u"entry"_s).ok);
        QVERIFY(!touched);
        QCOMPARE(entries(dir), QStringList{u"target.txt"_s});
        QCOMPARE(readAll(target), QByteArray("keep me"));
    }

    // A rename is never made over an existing name: that letter is skipped and the entry there
    // is kept as it was.
    void renameCollisionSkipsLetter() {
        const QString dir = folder();
        makeFile(dir + u"/ab.c"_s, "secret");
        makeFile(dir + u"/CC.C"_s, "other");
        QStringList names;
        FileDestroyer destroyer;
        destroyer.setRenamer([&](const QString& from, const QString& to) {
            const bool done = ::renameat2(AT_FDCWD, PathToNative(from).constData(), AT_FDCWD,
                                          PathToNative(to).constData(), RENAME_NOREPLACE) == 0;
            if (done)
                names << QFileInfo(to).fileName();
            return done;
        });
        QVERIFY(destroyer.Destroy(dir, u"ab.c"_s).ok);
        QCOMPARE(names.size(), 25);
        QCOMPARE(names.at(1), u"BB.B"_s);
        QCOMPARE(names.at(2), u"DD.D"_s);
        QCOMPARE(entries(dir), QStringList{u"CC.C"_s});
        QCOMPARE(readAll(dir + u"/CC.C"_s), QByteArray("other"));
    }

    // The default renamer, over a name that is not UTF-8.
    void nameNotUtf8() {
        const QString dir = folder();
        const QByteArray native = PathToNative(dir) + "/caf\xe9.txt";
        QVERIFY(vambrel::test::writeBytes(native, "abc", 1'600'000'000));
        FileDestroyer destroyer;
        QVERIFY(destroyer.Destroy(dir, NameFromNative("caf\xe9.txt", 8)).ok);
        QVERIFY(entries(dir).isEmpty());
    }

    void missingAndFolder() {
        const QString dir = folder();
        FileDestroyer destroyer;
        const FileDestroyer::Result missing = destroyer.Destroy(dir, u"none"_s);
        QVERIFY(!missing.ok);
        QVERIFY(missing.message.isEmpty());
        QVERIFY(QDir(dir).mkdir(u"sub"_s));
        makeFile(dir + u"/sub/in.txt"_s, "in");
        const FileDestroyer::Result folderResult = destroyer.Destroy(dir, u"sub"_s);
        QVERIFY(!folderResult.ok);
        QCOMPARE(folderResult.message, u"Impossible de détruire le fichier\n"_s + dir + u"/sub"_s);
        QCOMPARE(readAll(dir + u"/sub/in.txt"_s), QByteArray("in"));
    }

    // As an ordinary user: a file of another user that the user may not write is a system file,
    // handed to the system deleter and never overwritten; one that the user may write, or owns,
    // is destroyed.
    void systemAttribute_data() {
        QTest::addColumn<bool>("ownedByUser");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("other's, read-only") << false << 0644 << QByteArray("system:ok:data");
        QTest::newRow("other's, writable") << false << 0666 << QByteArray("ok:gone");
        QTest::newRow("own, read-only") << true << 0444 << QByteArray("ok:gone");
    }
    void systemAttribute() {
        QFETCH(bool, ownedByUser);
        QFETCH(int, mode);
        QFETCH(QByteArray, expected);
        if (::geteuid() != 0)
            QSKIP("needs to run as root to make files of another user");
        const QString dir = folder();
        QVERIFY(::chmod(PathToNative(m_tmp.path()).constData(), 0755) == 0);
        QVERIFY(::chown(PathToNative(dir).constData(), test::kNobody, test::kNobody) == 0);
        const QString file = dir + u"/sys.dat"_s;
        makeFile(file, "data");
        QVERIFY(::chmod(PathToNative(file).constData(), mode_t(mode)) == 0);
        if (ownedByUser)
            QVERIFY(::chown(PathToNative(file).constData(), test::kNobody, test::kNobody) == 0);
        const auto out = test::RunAsNobody([&] {
            QByteArray text;
            FileDestroyer destroyer;
            destroyer.setSystemDeleter([&](const QString& path) {
                text += "system:";
                return path == file;
            });
            text += destroyer.Destroy(dir, u"sys.dat"_s).ok ? "ok:" : "failed:";
            text += QFileInfo::exists(file) ? readAll(file) : QByteArray("gone");
            return text;
        });
        QVERIFY(out);
        QCOMPARE(*out, expected);
    }
};

QTEST_GUILESS_MAIN(TestFileDestroyer)
#include "tst_filedestroyer.moc"
