#include "DirectoryLister.h"
#include "NativeName.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;

namespace {

bool makeFile(const QByteArray& path, qint64 size = 0) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && ::ftruncate(fd, size) == 0;
    return fd >= 0 && ::close(fd) == 0 && ok;
}

// The entries of a folder, sorted by their bytes (the file system's order is its own).
QList<DirEntry> listAll(const QString& folder, const QString& pattern = QStringLiteral("*.*")) {
    QList<DirEntry> entries;
    DirectoryLister lister;
    DirEntry entry;
    if (lister.open(folder, pattern)) {
        while (lister.next(entry))
            entries.append(entry);
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.nativeName < b.nativeName; });
    return entries;
}

QStringList namesOf(const QList<DirEntry>& entries) {
    QStringList names;
    for (const DirEntry& entry : entries)
        names << entry.name;
    return names;
}

const QString kBad = QStringLiteral("bad") + QChar(0xF7FF) + QStringLiteral(".txt");

} // namespace

class TestDirectoryLister : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        const QByteArray root = QFile::encodeName(m_dir.path()) + '/';
        for (const char* name : {"plain.txt", "\xc3\xa9t\xc3\xa9.TXT", "new\nline", "quote\"'", ".hidden"})
            QVERIFY(makeFile(root + name, 5));
        QVERIFY(makeFile(root + "bad\xff.txt", 4));
        QCOMPARE(::mkdir((root + "sub").constData(), 0755), 0);
        QCOMPARE(::symlink("sub", (root + "link").constData()), 0);
        QCOMPARE(::symlink("nowhere", (root + "dangling").constData()), 0);
        QCOMPARE(::mkfifo((root + "fifo").constData(), 0644), 0);
        QVERIFY(makeFile(root + "sub/big", qint64(5) << 30)); // sparse: past 32 bits, no disk used
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'123, 456'789'012}};
        QCOMPARE(::utimensat(AT_FDCWD, (root + "sub/big").constData(), times, 0), 0);
    }

    void cleanupTestCase() {
        // Qt cannot name this one to remove it.
        ::unlink((QFile::encodeName(m_dir.path()) + "/bad\xff.txt").constData());
    }

    void entries() {
        const QList<DirEntry> entries = listAll(m_dir.path());
        const QStringList expected{QStringLiteral(".hidden"),   kBad,
                                   QStringLiteral("dangling"),  QStringLiteral("fifo"),
                                   QStringLiteral("link"),      QStringLiteral("new\nline"),
                                   QStringLiteral("plain.txt"), QStringLiteral("quote\"'"),
                                   QStringLiteral("sub"),       QStringLiteral("été.TXT")};
        QCOMPARE(namesOf(entries), expected);
        for (const DirEntry& entry : entries) {
            QCOMPARE(NameToNative(entry.name), entry.nativeName);
            const bool link = entry.name == QLatin1String("link") || entry.name == QLatin1String("dangling");
            const bool special =
                link || entry.name == QLatin1String("sub") || entry.name == QLatin1String("fifo");
            QCOMPARE(entry.isSymlink, link);
            QCOMPARE(entry.isDirectory, entry.name == QLatin1String("sub"));
            QCOMPARE(entry.isRegular, !special);
        }
        QCOMPARE(entries.at(1).size, qint64(4));
        QCOMPARE(entries.at(4).size, qint64(3)); // the link's own size: the length of its target
        const QList<DirEntry> big = listAll(m_dir.filePath(QStringLiteral("sub")));
        QCOMPARE(big.size(), 1);
        QCOMPARE(big.at(0).size, qint64(5) << 30);
        QCOMPARE(big.at(0).mtimeSeconds, qint64(1'700'000'123));
        QCOMPARE(big.at(0).mtimeNanoseconds, 456'789'012);
    }

    void pattern_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("extension, any case")
            << QStringLiteral("*.txt")
            << QStringList{kBad, QStringLiteral("plain.txt"), QStringLiteral("été.TXT")};
        QTest::newRow("folders obey it too") << QStringLiteral("s*") << QStringList{QStringLiteral("sub")};
        QTest::newRow("nothing") << QStringLiteral("*.none") << QStringList{};
    }
    void pattern() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        QCOMPARE(namesOf(listAll(m_dir.path(), pattern)), names);
    }

    void openFails_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("noFollow");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << QStringLiteral("missing") << false << ENOENT;
        QTest::newRow("a file") << QStringLiteral("plain.txt") << false << ENOTDIR;
        QTest::newRow("link refused") << QStringLiteral("link") << true << ENOTDIR;
        QTest::newRow("NUL in the path")
            << QStringLiteral("sub") + QChar(0) + QStringLiteral("x") << false << EINVAL;
        QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << false << ENAMETOOLONG;
    }
    void openFails() {
        QFETCH(QString, folder);
        QFETCH(bool, noFollow);
        QFETCH(int, error);
        DirectoryLister lister;
        QVERIFY(lister.open(m_dir.path())); // a failed open leaves nothing of the previous one
        QVERIFY(
            !lister.open(m_dir.filePath(folder), QStringLiteral("*.*"),
                         noFollow ? DirectoryLister::LinkRule::NoFollow : DirectoryLister::LinkRule::Follow));
        QCOMPARE(lister.error(), error);
        DirEntry entry;
        QVERIFY(!lister.next(entry));
        QCOMPARE(lister.descriptor(), -1);
    }

    void vanishedEntriesSkipped() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        for (int i = 0; i < 200; ++i)
            QVERIFY(makeFile(root + QByteArray::number(i)));
        DirectoryLister lister;
        QVERIFY(lister.open(dir.path()));
        DirEntry entry;
        QVERIFY(lister.next(entry)); // the folder has been read now; the rest goes away
        for (int i = 0; i < 200; ++i) {
            if (QByteArray::number(i) != entry.nativeName)
                QCOMPARE(::unlink((root + QByteArray::number(i)).constData()), 0);
        }
        QVERIFY(!lister.next(entry));
        QCOMPARE(lister.error(), 0);
    }

    // A folder whose entries take many reads of the folder: each comes once, none is lost at
    // the seams, and a lister opened again starts afresh.
    void folderLargerThanOneRead() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        constexpr int kCount = 3000;
        const QByteArray padding(150, 'n'); // long names: about 5 entries per kilobyte
        for (int i = 0; i < kCount; ++i)
            QVERIFY(makeFile(root + padding + QByteArray::number(i)));
        DirectoryLister lister;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(lister.open(dir.path()));
            QSet<QByteArray> seen;
            DirEntry entry;
            while (lister.next(entry)) {
                QVERIFY2(!seen.contains(entry.nativeName), entry.nativeName.constData());
                seen.insert(entry.nativeName);
            }
            QCOMPARE(lister.error(), 0);
            QCOMPARE(seen.size(), kCount);
        }
    }

    // Types only: the folder's own types, no size or time, and still the pattern and the dot rule.
    void typesOnly() {
        DirectoryLister lister;
        lister.setTypesOnly(true);
        lister.setSkipDotNames(true);
        QVERIFY(lister.open(m_dir.path(), QStringLiteral("*")));
        QList<DirEntry> entries;
        DirEntry entry;
        while (lister.next(entry))
            entries << entry;
        QCOMPARE(entries.size(), 9);
        for (const DirEntry& e : entries) {
            if (e.described) // the file system left it untyped: it was looked at after all
                continue;
            QCOMPARE(e.size, qint64(0));
            QCOMPARE(e.mtimeSeconds, qint64(0));
            QCOMPARE(e.isDirectory, e.name == QLatin1String("sub"));
            QCOMPARE(e.isSymlink, e.name == QLatin1String("link") || e.name == QLatin1String("dangling"));
            QCOMPARE(e.isRegular, e.name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ||
                                      e.name == QLatin1String("new\nline") ||
                                      e.name == QLatin1String("quote\"'"));
        }
        lister.setTypesOnly(false);
        QVERIFY(lister.open(m_dir.path(), QStringLiteral("plain.txt")));
        QVERIFY(lister.next(entry));
        QVERIFY(entry.described);
        QCOMPARE(entry.size, qint64(5));
    }

    // Names as bytes give what next() gives, under the same pattern and dot rule.
    void namesAsBytes_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("skipDots");
        QTest::newRow("every name") << QStringLiteral("*.*") << false;
        QTest::newRow("no dot names") << QStringLiteral("*") << true;
        QTest::newRow("pattern on the decoded name") << QStringLiteral("*.txt") << false;
        QTest::newRow("escaped byte matched by ?") << QStringLiteral("bad?.txt") << true;
        QTest::newRow("nothing") << QStringLiteral("*.none") << false;
    }
    void namesAsBytes() {
        QFETCH(QString, pattern);
        QFETCH(bool, skipDots);
        DirectoryLister lister;
        lister.setSkipDotNames(skipDots);
        QVERIFY(lister.open(m_dir.path(), pattern));
        QList<QByteArray> viaNext;
        DirEntry entry;
        while (lister.next(entry))
            viaNext << entry.nativeName;
        QVERIFY(lister.open(m_dir.path(), pattern));
        QList<QByteArray> viaBytes;
        std::string_view name;
        unsigned char type = DT_UNKNOWN;
        while (lister.nextName(name, type)) {
            viaBytes << QByteArray(name.data(), qsizetype(name.size()));
            if (type != DT_UNKNOWN)
                QCOMPARE(type == DT_DIR, name == "sub");
        }
        QCOMPARE(lister.error(), 0);
        std::sort(viaNext.begin(), viaNext.end());
        std::sort(viaBytes.begin(), viaBytes.end());
        QCOMPARE(viaBytes, viaNext);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryLister)
#include "tst_directorylister.moc"
