#include "DirectoryLister.h"
#include "NativeName.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;

namespace {

void makeFile(const QByteArray& path, qint64 size = 0) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::ftruncate(fd, size), 0);
    ::close(fd);
}

struct Listed {
    QList<DirEntry> entries;
    int error = 0;
};

Listed listAll(const QString& folder, const QString& pattern) {
    Listed listed;
    DirectoryLister lister;
    if (lister.open(folder, pattern)) {
        DirEntry entry;
        while (lister.next(entry))
            listed.entries.append(entry);
    }
    listed.error = lister.error();
    std::sort(listed.entries.begin(), listed.entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.nativeName < b.nativeName; });
    return listed;
}

QStringList namesOf(const QList<DirEntry>& entries) {
    QStringList names;
    for (const DirEntry& entry : entries)
        names << entry.name;
    return names;
}

} // namespace

class TestDirectoryLister : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_root;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path()) + '/';
        makeFile(m_root + "plain.txt", 5);
        makeFile(m_root + "\xc3\xa9t\xc3\xa9.TXT", 1);
        makeFile(m_root + "new\nline", 2);
        makeFile(m_root + "quote\"'", 3);
        makeFile(m_root + "bad\xff.txt", 4);
        makeFile(m_root + ".hidden", 6);
        QCOMPARE(::mkdir((m_root + "sub").constData(), 0755), 0);
        QCOMPARE(::symlink("sub", (m_root + "link").constData()), 0);
        QCOMPARE(::symlink("nowhere", (m_root + "dangling").constData()), 0);
        QCOMPARE(::mkfifo((m_root + "fifo").constData(), 0644), 0);
    }

    void entries() {
        const Listed listed = listAll(m_dir.path(), QStringLiteral("*.*"));
        QCOMPARE(listed.error, 0);
        const QStringList expected{
            QStringLiteral(".hidden"),   QStringLiteral("bad") + QChar(0xF7FF) + QStringLiteral(".txt"),
            QStringLiteral("dangling"),  QStringLiteral("fifo"),
            QStringLiteral("link"),      QStringLiteral("new\nline"),
            QStringLiteral("plain.txt"), QStringLiteral("quote\"'"),
            QStringLiteral("sub"),       QStringLiteral("été.TXT")};
        QCOMPARE(namesOf(listed.entries), expected);
        for (const DirEntry& entry : listed.entries) {
            QCOMPARE(NameToNative(entry.name), entry.nativeName);
            const bool link = entry.name == QLatin1String("link") || entry.name == QLatin1String("dangling");
            QCOMPARE(entry.isSymlink, link);
            QCOMPARE(entry.isDirectory, entry.name == QLatin1String("sub"));
            QCOMPARE(entry.isRegular,
                     !link && entry.name != QLatin1String("sub") && entry.name != QLatin1String("fifo"));
        }
        // lstat data: the link's own size is the length of its target.
        QCOMPARE(listed.entries.at(4).size, qint64(3));
        QCOMPARE(listed.entries.at(1).size, qint64(4));
    }

    void pattern_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("extension, any case")
            << QStringLiteral("*.txt")
            << QStringList{QStringLiteral("bad") + QChar(0xF7FF) + QStringLiteral(".txt"),
                           QStringLiteral("plain.txt"), QStringLiteral("été.TXT")};
        QTest::newRow("folders obey the pattern too")
            << QStringLiteral("s*") << QStringList{QStringLiteral("sub")};
        QTest::newRow("escaped byte")
            << QStringLiteral("*") + QChar(0xF7FF) + QStringLiteral("*")
            << QStringList{QStringLiteral("bad") + QChar(0xF7FF) + QStringLiteral(".txt")};
        QTest::newRow("nothing") << QStringLiteral("*.none") << QStringList{};
    }
    void pattern() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        QCOMPARE(namesOf(listAll(m_dir.path(), pattern).entries), names);
    }

    void sizeAndTime() {
        const QByteArray path = m_root + "sub/big";
        makeFile(path, qint64(5) << 30); // sparse: past 32 bits without using the disk
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'123, 456'789'012}};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        const Listed listed = listAll(m_dir.filePath(QStringLiteral("sub")), QStringLiteral("*"));
        QCOMPARE(listed.entries.size(), 1);
        QCOMPARE(listed.entries.at(0).size, qint64(5) << 30);
        QCOMPARE(listed.entries.at(0).mtimeSeconds, qint64(1'700'000'123));
        QCOMPARE(listed.entries.at(0).mtimeNanoseconds, 456'789'012);
        QCOMPARE(::unlink(path.constData()), 0);
    }

    void openFails_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("rule");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << QStringLiteral("missing") << 0 << ENOENT;
        QTest::newRow("a file") << QStringLiteral("plain.txt") << 0 << ENOTDIR;
        QTest::newRow("link refused") << QStringLiteral("link") << 1 << ENOTDIR;
        QTest::newRow("dangling link") << QStringLiteral("dangling") << 0 << ENOENT;
        QTest::newRow("NUL in the path")
            << QStringLiteral("sub") + QChar(0) + QStringLiteral("x") << 0 << EINVAL;
        QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << 0 << ENAMETOOLONG;
    }
    void openFails() {
        QFETCH(QString, folder);
        QFETCH(int, rule);
        QFETCH(int, error);
        DirectoryLister lister;
        QVERIFY(!lister.open(m_dir.filePath(folder), QStringLiteral("*.*"),
                             rule ? DirectoryLister::LinkRule::NoFollow : DirectoryLister::LinkRule::Follow));
        QCOMPARE(lister.error(), error);
        DirEntry entry;
        QVERIFY(!lister.next(entry));
        QCOMPARE(lister.descriptor(), -1);
    }

    void linkFollowedWhenAsked() {
        DirectoryLister lister;
        QVERIFY(lister.open(m_dir.filePath(QStringLiteral("link"))));
        QVERIFY(lister.descriptor() >= 0);
    }

    void foldersOnly() {
        DirectoryLister lister;
        lister.setFoldersOnly(true);
        QVERIFY(lister.open(m_dir.path()));
        DirEntry entry;
        QStringList names;
        while (lister.next(entry))
            names << entry.name;
        QCOMPARE(names, QStringList{QStringLiteral("sub")});
    }

    void vanishedEntriesSkipped() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        for (int i = 0; i < 200; ++i)
            makeFile(root + QByteArray::number(i));
        DirectoryLister lister;
        QVERIFY(lister.open(dir.path()));
        DirEntry first;
        QVERIFY(lister.next(first)); // the folder has been read now
        for (int i = 0; i < 200; ++i) {
            if (QByteArray::number(i) != first.nativeName)
                QCOMPARE(::unlink((root + QByteArray::number(i)).constData()), 0);
        }
        DirEntry entry;
        int more = 0;
        while (lister.next(entry))
            ++more;
        QCOMPARE(more, 0);
        QCOMPARE(lister.error(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryLister)
#include "tst_directorylister.moc"
