#include "AsOtherUser.h"
#include "DirectoryLister.h"
#include "FolderWalk.h"
#include "NativeName.h"
#include "PathSyntax.h"

#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace vambrel;

namespace {

void makeFolders(const QString& root, const QList<QByteArray>& relative) {
    for (const QByteArray& path : relative)
        QVERIFY2(::mkdir((PathToNative(root) + '/' + path).constData(), 0755) == 0, path.constData());
}

// A chain of folders too long for ordinary paths, removed through descriptors at the end
// (a path-based removal cannot reach it).
class DeepChain {
public:
    DeepChain(const QString& root, const QByteArray& name, int levels) : m_name(name) {
        int fd = ::open(PathToNative(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; i < levels && fd >= 0; ++i) {
            m_fds.push_back(fd);
            if (::mkdirat(fd, name.constData(), 0755) != 0)
                return;
            fd = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~DeepChain() {
        for (auto it = m_fds.rbegin(); it != m_fds.rend(); ++it) {
            ::unlinkat(*it, m_name.constData(), AT_REMOVEDIR);
            ::close(*it);
        }
    }
    int levels() const { return static_cast<int>(m_fds.size()); }

private:
    QByteArray m_name;
    std::vector<int> m_fds;
};

// Breadth-first: the parents of successive folders never go back in the list.
bool isBreadthFirst(const QStringList& folders) {
    qsizetype lastParent = 0;
    for (qsizetype i = 1; i < folders.size(); ++i) {
        const QString parent = folders.at(i).left(folders.at(i).lastIndexOf(QChar(kPathSeparator)));
        const qsizetype at = folders.indexOf(parent);
        if (at < lastParent || at >= i)
            return false;
        lastParent = at;
    }
    return true;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TestFolderWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void breadthFirst() {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFolders(root, {"a", "a/b", "a/b/d", "c", "c/new\nline", "c/new\nline/quote\"'",
                           "\xc3\xa9t\xc3\xa9", "raw\xff", "raw\xff/inner", ".dot", ".dot/x", "a/.hid"});
        QVERIFY(QFile(root + QStringLiteral("/a/file")).open(QIODevice::WriteOnly));
        QCOMPARE(::symlink(".", PathToNative(root + QStringLiteral("/loop")).constData()), 0);
        QCOMPARE(::symlink("..", PathToNative(root + QStringLiteral("/c/up")).constData()), 0);
        QCOMPARE(::symlink("../a", PathToNative(root + QStringLiteral("/c/toa")).constData()), 0);

        const QStringList folders = ListFolders(root);
        // Qt cannot name these to remove them.
        const QByteArray rawNative = PathToNative(root) + "/raw\xff";
        ::rmdir((rawNative + "/inner").constData());
        ::rmdir(rawNative.constData());
        QCOMPARE(folders.first(), root);
        QVERIFY(isBreadthFirst(folders));
        // The escaped name leads back to the same folder: its sub-folder was found.
        const QString raw = QStringLiteral("/raw") + QChar(0xF7FF);
        QStringList expected{QString(),
                             QStringLiteral("/a"),
                             QStringLiteral("/a/b"),
                             QStringLiteral("/a/b/d"),
                             QStringLiteral("/c"),
                             QStringLiteral("/c/new\nline"),
                             QStringLiteral("/c/new\nline/quote\"'"),
                             QStringLiteral("/été"),
                             raw,
                             raw + QStringLiteral("/inner")};
        for (QString& folder : expected)
            folder.prepend(root);
        QCOMPARE(sorted(folders), sorted(expected));
    }

    void wideLevelsKeepTheOrder() {
        // Levels this wide are listed on several threads: the order must still be the one a
        // folder-by-folder walk gives, each folder's sub-folders in the order the lister reads.
        QTemporaryDir dir;
        const QString root = dir.path();
        QList<QByteArray> relative;
        for (int i = 0; i < 90; ++i) {
            const QByteArray top = "f" + QByteArray::number(i);
            relative << top;
            for (const char* sub : {"x", "y", ".dot", "z"})
                relative << top + '/' + sub;
            if (i % 10 == 0)
                relative << top + "/x/deep";
        }
        makeFolders(root, relative);
        QCOMPARE(::symlink("..", PathToNative(root + QStringLiteral("/f1/up")).constData()), 0);

        QStringList expected{root};
        DirectoryLister lister;
        DirEntry entry;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QVERIFY(lister.open(expected.at(i), QStringLiteral("*"), DirectoryLister::LinkRule::NoFollow));
            while (lister.next(entry)) {
                if (entry.isDirectory && !entry.isSymlink && !entry.name.startsWith(u'.'))
                    expected << JoinPath(expected.at(i), entry.name);
            }
            lister.close();
        }
        QCOMPARE(expected.size(), 1 + 90 * 4 + 9);
        QCOMPARE(ListFolders(root), expected);
    }

    void startFolder_data() {
        QTest::addColumn<QString>("start"); // relative to the temporary folder; "@" is that folder
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("missing") << QStringLiteral("@/missing") << QStringList{QStringLiteral("@/missing")};
        QTest::newRow("a file") << QStringLiteral("@/file") << QStringList{QStringLiteral("@/file")};
        QTest::newRow("empty") << QString() << QStringList{QString()};
        QTest::newRow("trailing separator")
            << QStringLiteral("@/top/") << QStringList{QStringLiteral("@/top/"), QStringLiteral("@/top/in")};
        QTest::newRow("a link named by the user")
            << QStringLiteral("@/toplink")
            << QStringList{QStringLiteral("@/toplink"), QStringLiteral("@/toplink/in")};
    }
    void startFolder() {
        QFETCH(QString, start);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        makeFolders(dir.path(), {"top", "top/in"});
        QVERIFY(QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly));
        QCOMPARE(::symlink("top", PathToNative(dir.filePath(QStringLiteral("toplink"))).constData()), 0);
        start.replace(QLatin1Char('@'), dir.path());
        expected.replaceInStrings(QStringLiteral("@"), dir.path());
        QCOMPARE(ListFolders(start), expected);
    }

    // The entries the walk keeps for each folder are what a listing gives, at the folder's index;
    // past the budget, folders say their files were not kept. Either way each folder tells the
    // size of its entries as the walk saw them (a type byte, the name and its NUL each).
    void filesKeptBesideTheFolders_data() {
        QTest::addColumn<size_t>("budget");
        QTest::addColumn<int>("keptFolders");
        QTest::newRow("all") << size_t(1 << 20) << 4;
        QTest::newRow("none") << size_t(0) << 1; // only the folder without files fits
    }
    void filesKeptBesideTheFolders() {
        QFETCH(size_t, budget);
        QFETCH(int, keptFolders);
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFolders(root, {"a", "a/b", "empty"});
        const QByteArray r = PathToNative(root);
        for (const char* name : {"/top.txt", "/.hidden", "/a/raw\xff", "/a/b/x", "/a/b/y"})
            QVERIFY(::close(::open((r + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644)) == 0);
        QCOMPARE(::symlink("a", (r + "/link").constData()), 0);
        QCOMPARE(::mkfifo((r + "/fifo").constData(), 0644), 0);
        WalkedFiles files;
        WalkOptions options;
        options.files = &files;
        options.keepBytes = budget;
        const QStringList folders = ListFolders(root, options);
        QCOMPARE(files.size(), size_t(folders.size()));
        int kept = 0;
        for (qsizetype i = 0; i < folders.size(); ++i) {
            QStringList names;
            files.forEach(size_t(i), [&](std::string_view name, unsigned char type) {
                names << NameFromNative(name.data(), name.size());
                QVERIFY(type != DT_DIR);
            });
            if (!files.kept(size_t(i))) {
                QVERIFY(names.isEmpty());
                continue;
            }
            ++kept;
        }
        for (qsizetype i = 0; i < folders.size(); ++i) {
            QStringList listed;
            size_t bytes = 0;
            DirectoryLister lister;
            lister.setSkipDotNames(true);
            QVERIFY(lister.open(folders[i]));
            std::string_view name;
            unsigned char type = DT_UNKNOWN;
            while (lister.nextName(name, type)) {
                if (type == DT_DIR)
                    continue;
                listed << NameFromNative(name.data(), name.size());
                bytes += name.size() + 2;
            }
            QCOMPARE(files.listedBytes(size_t(i)), bytes);
            if (!files.kept(size_t(i)))
                continue;
            QStringList names;
            files.forEach(size_t(i), [&](std::string_view entry, unsigned char) {
                names << NameFromNative(entry.data(), entry.size());
            });
            QCOMPARE(sorted(names), sorted(listed));
        }
        QCOMPARE(files.listedBytes(size_t(folders.size())), size_t(0));
        ::unlink((r + "/a/raw\xff").constData()); // Qt cannot name it to remove it
        QCOMPARE(kept, keptFolders);
    }

    // A file system mounted inside the tree is neither recorded nor entered, and the files kept
    // stay beside their folders. Needs the right to mount.
    void mountPointLeftOut() {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFolders(root, {"a", "a/mnt", "a/z", "b"});
        const QByteArray mnt = PathToNative(root) + "/a/mnt";
        if (::mount("vambrel-test", mnt.constData(), "tmpfs", 0, nullptr) != 0)
            QSKIP("mounting is not allowed here");
        QVERIFY(::mkdir((mnt + "/inside").constData(), 0755) == 0);
        QVERIFY(::close(::open((mnt + "/f").constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644)) == 0);
        QVERIFY(::close(::open((PathToNative(root) + "/a/z/g").constData(), O_CREAT | O_WRONLY | O_CLOEXEC,
                               0644)) == 0);
        WalkedFiles files;
        WalkOptions options;
        options.files = &files;
        options.keepBytes = 1 << 20;
        const QStringList folders = ListFolders(root, options);
        WalkOptions across;
        across.sameDeviceOnly = false;
        const QStringList all = ListFolders(root, across);
        QCOMPARE(::umount(mnt.constData()), 0);
        QCOMPARE(sorted(folders), sorted({root, root + QStringLiteral("/a"), root + QStringLiteral("/a/z"),
                                          root + QStringLiteral("/b")}));
        QCOMPARE(all.size(), 6);
        const qsizetype z = folders.indexOf(root + QStringLiteral("/a/z"));
        QCOMPARE(files.size(), size_t(folders.size()));
        std::string entries;
        files.forEach(size_t(z), [&](std::string_view name, unsigned char type) {
            entries += char(type);
            entries.append(name);
        });
        QCOMPARE(entries, std::string("\x08g"));
    }

    void unreadableFolderListedNotEntered() {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeFolders(root, {"open", "open/x", "locked", "locked/hidden"});
        QCOMPARE(::chmod(PathToNative(root).constData(), 0755), 0);
        QCOMPARE(::chmod(PathToNative(root + QStringLiteral("/locked")).constData(), 0), 0);
        const auto text =
            test::RunAsNobody([&] { return ListFolders(root).join(QLatin1Char('\n')).toUtf8(); });
        ::chmod(PathToNative(root + QStringLiteral("/locked")).constData(), 0755);
        QVERIFY(text);
        const QStringList expected{root, root + QStringLiteral("/locked"), root + QStringLiteral("/open"),
                                   root + QStringLiteral("/open/x")};
        QCOMPARE(sorted(QString::fromUtf8(*text).split(QLatin1Char('\n'))), expected);
    }

    void deepTree_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("levels");
        QTest::newRow("1,100 levels") << QByteArray("d") << 1100;
        QTest::newRow("longer than PATH_MAX") << QByteArray("a-rather-long-folder-name-of-40-letters") << 250;
    }
    void deepTree() {
        QFETCH(QByteArray, name);
        QFETCH(int, levels);
        QTemporaryDir dir;
        const DeepChain chain(dir.path(), name, levels);
        QCOMPARE(chain.levels(), levels);
        const QStringList folders = ListFolders(dir.path());
        QCOMPARE(folders.size(), levels + 1);
        QString deepest = dir.path();
        for (int i = 0; i < levels; ++i)
            deepest = JoinPath(deepest, QString::fromLatin1(name));
        QCOMPARE(folders.last(), deepest);
        if (name.size() > 1)
            QVERIFY(deepest.size() > PATH_MAX);
    }
};

QTEST_GUILESS_MAIN(TestFolderWalk)
#include "tst_folderwalk.moc"
