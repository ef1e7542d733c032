// The file-operation engine on trees built in a temporary folder, read back byte for byte.
#include "FileOpTestTools.h"
#include "FileOpTexts.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;

class TestFileOperation : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    QByteArray m_root;

    QByteArray at(const QByteArray& relative) const { return m_root + '/' + relative; }
    // src/: a.txt, b.bin (read-only), d/ (x.txt, sub/y.txt, empty/, a link to x.txt, a dangling link)
    void makeSources() {
        QVERIFY(folder(at("src")));
        QVERIFY(put(at("src/a.txt"), "alpha\n"));
        QVERIFY(put(at("src/b.bin"), QByteArray(70'000, '\x5a') + QByteArray("\0\x01\xff", 3), 0444));
        QVERIFY(folder(at("src/d"), 0750));
        QVERIFY(put(at("src/d/x.txt"), "x content"));
        QVERIFY(folder(at("src/d/sub")));
        QVERIFY(put(at("src/d/sub/y.txt"), "why", 0600, 1'500'000'000));
        QVERIFY(folder(at("src/d/empty"), 0555));
        QCOMPARE(::symlink("x.txt", at("src/d/link").constData()), 0);
        QCOMPARE(::symlink("../nowhere", at("src/d/dangling").constData()), 0);
        const struct timespec times[2] = {{1'400'000'000, 0}, {1'400'000'000, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, at("src/d/sub").constData(), times, 0), 0);
        QCOMPARE(::utimensat(AT_FDCWD, at("src/d").constData(), times, 0), 0);
    }

private Q_SLOTS:
    void init() {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_dir->setAutoRemove(false);
        m_root = QFile::encodeName(m_dir->path());
        // Any trash goes under the test's folder.
        qputenv("XDG_DATA_HOME", at("xdg"));
    }
    void cleanup() {
        // Folders copied read-only must be opened again before the temporary folder can go.
        removeAll(m_root);
        delete m_dir;
        m_dir = nullptr;
    }

    void noSourceDoesNothing_data() {
        QTest::addColumn<int>("function");
        QTest::newRow("move") << int(Function::Move);
        QTest::newRow("copy") << int(Function::Copy);
        QTest::newRow("delete") << int(Function::Delete);
        QTest::newRow("rename") << int(Function::Rename);
    }
    void noSourceDoesNothing() {
        QFETCH(int, function);
        QVERIFY(folder(at("dest")));
        RecordingHost host;
        QVERIFY(!run(Function(function), Options(), {}, {at("dest")}, host));
        QVERIFY(host.questions.isEmpty());
        QVERIFY(host.errors.isEmpty());
        QCOMPARE(tree(at("dest")), QByteArrayList());
    }

    void copyKeepsEverything() {
        makeSources();
        QVERIFY(folder(at("dest")));
        const QByteArrayList before = tree(at("src"));
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/a.txt"), at("src/b.bin"), at("src/d")}, {at("dest")},
                    host));
        QVERIFY2(host.errors.isEmpty(), qPrintable(host.errors.join(QLatin1Char('\n'))));
        QCOMPARE(tree(at("dest")), before);
        QCOMPARE(tree(at("src")), before);
        QCOMPARE(host.last.itemsDone, host.last.itemsTotal);
        QCOMPARE(host.last.itemsTotal, qint64(9));
        QCOMPARE(host.last.bytesDone, host.last.bytesTotal);
        QCOMPARE(host.last.bytesTotal, qint64(6 + 70'003 + 9 + 3));
    }

    void largeFileInBlocks_data() {
        QTest::addColumn<qint64>("cancelAt");
        QTest::newRow("whole") << qint64(-1);
        QTest::newRow("cancelled in the middle") << qint64(9 << 20);
    }
    void largeFileInBlocks() {
        QFETCH(qint64, cancelAt);
        QVERIFY(folder(at("src")) && folder(at("dest")));
        QByteArray data(76 << 20 | 123, Qt::Uninitialized); // past the write-behind distance
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char((i * 7919) >> 9);
        QVERIFY(put(at("src/large.bin"), data));
        RecordingHost host;
        host.cancelAfterBytes = cancelAt;
        QCOMPARE(run(Function::Copy, Options(), {at("src/large.bin")}, {at("dest")}, host), cancelAt < 0);
        if (cancelAt < 0) {
            QCOMPARE(entry(at("dest/large.bin")), entry(at("src/large.bin")));
            QVERIFY(host.progressCalls > 10); // the data is reported as it goes
        } else {
            QCOMPARE(tree(at("dest")), QByteArrayList());
            QVERIFY(host.last.bytesDone < data.size());
        }
    }

    void moveWithinOneFileSystemRenames() {
        makeSources();
        QVERIFY(folder(at("dest")));
        const QByteArrayList before = tree(at("src"));
        struct stat st {};
        QCOMPARE(::lstat(at("src/d").constData(), &st), 0);
        RecordingHost host;
        QVERIFY(run(Function::Move, Options(), {at("src/a.txt"), at("src/b.bin"), at("src/d")}, {at("dest")},
                    host));
        QCOMPARE(tree(at("dest")), before);
        QCOMPARE(tree(at("src")), QByteArrayList());
        struct stat moved {};
        QCOMPARE(::lstat(at("dest/d").constData(), &moved), 0);
        QCOMPARE(moved.st_ino, st.st_ino);
    }

    void moveAcrossFileSystems() {
        SmallVolume volume(at("vol"), "4m");
        VAMBREL_NEED_VOLUME(volume);
        makeSources();
        QVERIFY(folder(at("vol/dest")));
        const QByteArrayList before = tree(at("src"));
        RecordingHost host;
        QVERIFY(run(Function::Move, Options(), {at("src/a.txt"), at("src/b.bin"), at("src/d")},
                    {at("vol/dest")}, host));
        QVERIFY2(host.errors.isEmpty(), qPrintable(host.errors.join(QLatin1Char('\n'))));
        QCOMPARE(tree(at("vol/dest")), before);
        QCOMPARE(tree(at("src")), QByteArrayList());
    }

    void severalDestinations_data() {
        QTest::addColumn<int>("function");
        QTest::newRow("copy") << int(Function::Copy);
        QTest::newRow("move") << int(Function::Move);
    }
    void severalDestinations() {
        QFETCH(int, function);
        makeSources();
        QVERIFY(folder(at("one")));
        QVERIFY(folder(at("two")));
        const QByteArrayList file = entry(at("src/a.txt"));
        const QByteArrayList dir = entry(at("src/d"));
        RecordingHost host;
        QVERIFY(run(Function(function), Options(), {at("src/a.txt"), at("src/d")},
                    {at("one/first.txt"), at("two/D")}, host));
        QCOMPARE(entry(at("one/first.txt")), file);
        QCOMPARE(entry(at("two/D")), dir);
        QCOMPARE(exists(at("src/a.txt")), Function(function) == Function::Copy);

        // One destination per source, or one for all: anything else does nothing.
        RecordingHost refused;
        QVERIFY(!run(Function(function), Options(), {at("src/b.bin"), at("one/first.txt"), at("two/D")},
                     {at("one/x"), at("two/y")}, refused));
        QCOMPARE(refused.errors, QStringList{fileops::DestinationCountText()});
        QVERIFY(!exists(at("one/x")));
        QVERIFY(!exists(at("two/y")));
    }

    void oneDestinationTakesEverySource() {
        makeSources();
        QVERIFY(folder(at("dest")));
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/a.txt"), at("src/d/x.txt")}, {at("dest")}, host));
        QCOMPARE(content(at("dest/a.txt")), QByteArray("alpha\n"));
        QCOMPARE(content(at("dest/x.txt")), QByteArray("x content"));
    }

    void renameOnCollision_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArrayList>("taken");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("file") << QByteArray("a.txt") << QByteArrayList{"a.txt"} << QByteArray("a (2).txt");
        QTest::newRow("third") << QByteArray("a.txt") << QByteArrayList{"a.txt", "a (2).txt"}
                               << QByteArray("a (3).txt");
        QTest::newRow("folder") << QByteArray("d") << QByteArrayList{"d"} << QByteArray("d (2)");
        QTest::newRow("folder with dot")
            << QByteArray("d.v1") << QByteArrayList{"d.v1"} << QByteArray("d.v1 (2)");
        QTest::newRow("no extension") << QByteArray("b") << QByteArrayList{"b"} << QByteArray("b (2)");
        QTest::newRow("hidden") << QByteArray(".rc") << QByteArrayList{".rc"} << QByteArray(".rc (2)");
        QTest::newRow("not utf-8") << QByteArray("\xe9t\xe9.txt") << QByteArrayList{"\xe9t\xe9.txt"}
                                   << QByteArray("\xe9t\xe9 (2).txt");
    }
    void renameOnCollision() {
        QFETCH(QByteArray, source);
        QFETCH(QByteArrayList, taken);
        QFETCH(QByteArray, expected);
        QVERIFY(folder(at("src")));
        QVERIFY(folder(at("dest")));
        if (source.startsWith('d'))
            QVERIFY(folder(at("src/" + source)) && put(at("src/" + source + "/in"), "in"));
        else
            QVERIFY(put(at("src/" + source), "new"));
        for (const QByteArray& name : taken)
            QVERIFY(put(at("dest/" + name), "old " + name));
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/" + source)}, {at("dest")}, host));
        QVERIFY(host.questions.isEmpty());
        QCOMPARE(entry(at("dest/" + expected)), entry(at("src/" + source)));
        for (const QByteArray& name : taken)
            QCOMPARE(content(at("dest/" + name)), "old " + name);
    }

    void copyIntoItsOwnFolder() {
        makeSources();
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/a.txt"), at("src/d")}, {at("src")}, host));
        QCOMPARE(content(at("src/a (2).txt")), QByteArray("alpha\n"));
        QCOMPARE(entry(at("src/d (2)")), entry(at("src/d")));

        Options options;
        options.renameOnCollision = false;
        RecordingHost refused;
        QVERIFY(!run(Function::Copy, options, {at("src/a.txt")}, {at("src")}, refused));
        QCOMPARE(refused.errors.size(), 1);
        QVERIFY(refused.errors.first().contains(fileops::SameEntryCause()));
        RecordingHost move;
        QVERIFY(!run(Function::Move, Options(), {at("src/a.txt")}, {at("src")}, move));
        QVERIFY(move.errors.first().contains(fileops::SameEntryCause()));
        QCOMPARE(content(at("src/a.txt")), QByteArray("alpha\n"));
    }

    void replaceAnswers_data() {
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("questions");
        QTest::newRow("yes, yes") << QList<Reply>{Reply::Yes, Reply::Yes} << true << QByteArray("new 1")
                                  << QByteArray("new 2") << true << 2;
        QTest::newRow("no, yes") << QList<Reply>{Reply::No, Reply::Yes} << true << QByteArray("old 1")
                                 << QByteArray("new 2") << false << 2;
        QTest::newRow("yes to all") << QList<Reply>{Reply::YesToAll} << true << QByteArray("new 1")
                                    << QByteArray("new 2") << true << 1;
        QTest::newRow("cancel") << QList<Reply>{Reply::Cancel} << true << QByteArray("old 1")
                                << QByteArray("old 2") << false << 1;
        QTest::newRow("yes, cancel") << QList<Reply>{Reply::Yes, Reply::Cancel} << true << QByteArray("new 1")
                                     << QByteArray("old 2") << false << 2;
        QTest::newRow("no confirmation") << QList<Reply>{Reply::Cancel} << false << QByteArray("new 1")
                                         << QByteArray("new 2") << true << 0;
    }
    void replaceAnswers() {
        QFETCH(QList<Reply>, answers);
        QFETCH(bool, confirm);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, result);
        QFETCH(int, questions);
        QVERIFY(folder(at("src")));
        QVERIFY(folder(at("dest")));
        QVERIFY(put(at("src/1"), "new 1"));
        QVERIFY(put(at("src/2"), "new 2"));
        QVERIFY(put(at("dest/1"), "old 1", 0600, 1'000'000'000));
        QVERIFY(put(at("dest/2"), "old 2"));
        Options options;
        options.renameOnCollision = false;
        options.confirmOperation = confirm;
        RecordingHost host;
        host.answers = answers;
        QCOMPARE(run(Function::Copy, options, {at("src/1"), at("src/2")}, {at("dest")}, host), result);
        QCOMPARE(content(at("dest/1")), first);
        QCOMPARE(content(at("dest/2")), second);
        QCOMPARE(host.questions.size(), questions);
        if (questions > 0) {
            QCOMPARE(host.questions.first().kind, QuestionKind::ReplaceFile);
            QVERIFY(host.questions.first().text.contains(QStringLiteral("existe déjà")));
            QVERIFY(host.questions.first().text.contains(QStringLiteral("5 octet(s)")));
        }
        QCOMPARE(content(at("src/1")), QByteArray("new 1"));
        QCOMPARE(tree(at("dest")).size(), 2);
    }

    void mergeFolders() {
        QVERIFY(folder(at("src")) && folder(at("src/d")) && folder(at("src/d/deep")));
        QVERIFY(put(at("src/d/x"), "new x") && put(at("src/d/z"), "new z") &&
                put(at("src/d/deep/w"), "new w"));
        QVERIFY(folder(at("dest")) && folder(at("dest/d")) && folder(at("dest/d/deep")));
        QVERIFY(put(at("dest/d/x"), "old x") && put(at("dest/d/y"), "old y"));
        Options options;
        options.renameOnCollision = false;
        RecordingHost host;
        host.answers = {Reply::Yes, Reply::Yes, Reply::Yes};
        QVERIFY(run(Function::Move, options, {at("src/d")}, {at("dest")}, host));
        QCOMPARE(host.questions.size(), 3);
        QCOMPARE(host.questions.at(0).kind, QuestionKind::MergeFolder);
        QCOMPARE(content(at("dest/d/x")), QByteArray("new x"));
        QCOMPARE(content(at("dest/d/y")), QByteArray("old y"));
        QCOMPARE(content(at("dest/d/z")), QByteArray("new z"));
        QCOMPARE(content(at("dest/d/deep/w")), QByteArray("new w"));
        QVERIFY(!exists(at("src/d")));
    }

    void typeClashes() {
        QVERIFY(folder(at("src")) && folder(at("src/f")) && put(at("src/g"), "g"));
        QVERIFY(folder(at("dest")) && put(at("dest/f"), "file f") && folder(at("dest/g")));
        Options options;
        options.renameOnCollision = false;
        RecordingHost host;
        QVERIFY(!run(Function::Copy, options, {at("src/f")}, {at("dest")}, host));
        QVERIFY(host.errors.first().contains(fileops::FileInTheWayCause()));
        RecordingHost second;
        QVERIFY(!run(Function::Copy, options, {at("src/g")}, {at("dest")}, second));
        QVERIFY(second.errors.first().contains(fileops::FolderInTheWayCause()));
        QCOMPARE(content(at("dest/f")), QByteArray("file f"));
    }

    void folderIntoItself_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("destination");
        QTest::newRow("copy into a subfolder") << int(Function::Copy) << QByteArray("src/d/sub");
        QTest::newRow("copy into a new subfolder") << int(Function::Copy) << QByteArray("src/d/sub/new");
        QTest::newRow("copy into itself") << int(Function::Copy) << QByteArray("src/d");
        QTest::newRow("move into a subfolder") << int(Function::Move) << QByteArray("src/d/sub");
        QTest::newRow("through a link") << int(Function::Copy) << QByteArray("to-sub");
    }
    void folderIntoItself() {
        QFETCH(int, function);
        QFETCH(QByteArray, destination);
        makeSources();
        QCOMPARE(::symlink("src/d/sub", at("to-sub").constData()), 0);
        const QByteArrayList before = tree(at("src"));
        Options options;
        options.confirmMakeDir = false;
        RecordingHost host;
        QVERIFY(!run(Function(function), options, {at("src/d")}, {at(destination)}, host));
        QCOMPARE(host.errors.size(), 1);
        QVERIFY2(host.errors.first().contains(fileops::IntoItselfCause()), qPrintable(host.errors.first()));
        QCOMPARE(tree(at("src")), before);
    }

    void symlinksStayLinks() {
        QVERIFY(folder(at("src")) && folder(at("outside")) && put(at("outside/secret"), "secret"));
        QCOMPARE(::symlink("../outside", at("src/dirlink").constData()), 0);
        QCOMPARE(::symlink(at("outside/secret").constData(), at("src/filelink").constData()), 0);
        QVERIFY(folder(at("dest")));
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/dirlink"), at("src/filelink")}, {at("dest")}, host));
        QCOMPARE(tree(at("dest")), tree(at("src")));
        struct stat st {};
        QCOMPARE(::lstat(at("dest/dirlink").constData(), &st), 0);
        QVERIFY(S_ISLNK(st.st_mode));

        // Deleting a link for good leaves what it points at.
        Options options;
        options.recycleBin = false;
        options.confirmOperation = false;
        RecordingHost remove;
        QVERIFY(run(Function::Delete, options, {at("dest/dirlink"), at("dest/filelink")}, {}, remove));
        QCOMPARE(content(at("outside/secret")), QByteArray("secret"));
        QCOMPARE(tree(at("dest")), QByteArrayList());
    }

    void namesThatAreNotUtf8() {
        QVERIFY(folder(at("src")) && folder(at("src/\xff\xfe")) &&
                put(at("src/\xff\xfe/\x80name.bin"), "bytes"));
        QVERIFY(folder(at("dest")));
        const QByteArrayList before = tree(at("src"));
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/\xff\xfe")}, {at("dest")}, host));
        QCOMPARE(tree(at("dest")), before);
        RecordingHost renamed;
        QVERIFY(run(Function::Rename, Options(), {at("dest/\xff\xfe")}, {at("dest/\xfd")}, renamed));
        QCOMPARE(content(at("dest/\xfd/\x80name.bin")), QByteArray("bytes"));
    }

    void veryLongNamesAndPaths() {
        const QByteArray longName(250, 'n');
        QVERIFY(folder(at("src")));
        QVERIFY(put(at("src/" + longName + ".txt"), "long"));
        QVERIFY(folder(at("dest")));
        QVERIFY(put(at("dest/" + longName + ".txt"), "taken"));
        // A tree deeper than a path can name at once.
        QByteArray deep = at("src/deep");
        QVERIFY(folder(deep));
        int fd = ::open(deep.constData(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < 24; ++level) {
            QCOMPARE(::mkdirat(fd, longName.constData(), 0755), 0);
            const int next = ::openat(fd, longName.constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        const int leaf = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
        QCOMPARE(::write(leaf, "bottom", 6), ssize_t(6));
        ::close(leaf);
        ::close(fd);
        const QByteArrayList before = tree(at("src/deep"));
        QCOMPARE(before.size(), 25);
        RecordingHost host;
        QVERIFY(run(Function::Copy, Options(), {at("src/" + longName + ".txt"), at("src/deep")}, {at("dest")},
                    host));
        QVERIFY2(host.errors.isEmpty(), qPrintable(host.errors.join(QLatin1Char('\n'))));
        const QByteArrayList names = tree(at("dest"));
        QByteArray renamed;
        for (const QByteArray& line : names) {
            if (line.contains(" (2)"))
                renamed = line.left(line.indexOf('|'));
        }
        QVERIFY(renamed.size() <= 255);
        QVERIFY(renamed.endsWith(" (2).txt"));
        QCOMPARE(content(at("dest/" + renamed)), QByteArray("long"));
        QCOMPARE(tree(at("dest/deep")), before);

        Options options;
        options.recycleBin = false;
        options.confirmOperation = false;
        RecordingHost remove;
        QVERIFY(run(Function::Delete, options, {at("dest/deep"), at("src/deep")}, {}, remove));
        QVERIFY(!exists(at("dest/deep")));
    }

    void cancelAtEachStep_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("after");
        for (const int after : {0, 1, 2, 4, 7}) {
            QTest::addRow("copy after %d", after) << int(Function::Copy) << after;
            QTest::addRow("move after %d", after) << int(Function::Move) << after;
        }
    }
    void cancelAtEachStep() {
        QFETCH(int, function);
        QFETCH(int, after);
        SmallVolume volume(at("vol"), "8m");
        VAMBREL_NEED_VOLUME(volume);
        makeSources();
        QVERIFY(folder(at("vol/dest")));
        const QByteArrayList names{"a.txt", "b.bin", "d"};
        QHash<QByteArray, QByteArrayList> before;
        for (const QByteArray& name : names)
            before.insert(name, entry(at("src/" + name)));
        RecordingHost host;
        host.cancelAfter = after;
        QVERIFY(!run(Function(function), Options(), {at("src/a.txt"), at("src/b.bin"), at("src/d")},
                     {at("vol/dest")}, host));
        QVERIFY(host.errors.isEmpty());
        QCOMPARE(leftovers(at("vol/dest")), QByteArrayList());
        // Each entry is whole at its source, at its destination, or (a copy) both.
        for (const QByteArray& name : names) {
            const bool atSource = exists(at("src/" + name));
            const bool atDestination = exists(at("vol/dest/" + name));
            if (atSource)
                QCOMPARE(entry(at("src/" + name)), before.value(name));
            if (atDestination)
                QCOMPARE(entry(at("vol/dest/" + name)), before.value(name));
            if (Function(function) == Function::Copy)
                QVERIFY(atSource);
            else
                QVERIFY(atSource != atDestination);
        }
        if (after == 0)
            QCOMPARE(tree(at("vol/dest")), QByteArrayList());
    }

    void sourceVanishes_data() {
        QTest::addColumn<QByteArray>("watched");
        QTest::addColumn<QByteArray>("removed");
        QTest::addColumn<QByteArrayList>("copied");
        QTest::newRow("a later source")
            << QByteArray("src/a.txt") << QByteArray("src/b.bin") << QByteArrayList{"a.txt", "d"};
        // A folder's entries are taken in the order of their names.
        QTest::newRow("inside a folder")
            << QByteArray("src/d/dangling") << QByteArray("src/d/x.txt") << QByteArrayList{"a.txt"};
    }
    void sourceVanishes() {
        QFETCH(QByteArray, watched);
        QFETCH(QByteArray, removed);
        QFETCH(QByteArrayList, copied);
        makeSources();
        QVERIFY(folder(at("dest")));
        RecordingHost host;
        const QString watchedPath = PathFromNative(at(watched));
        const QByteArray removedPath = at(removed);
        host.onProgress = [&](const Progress& progress) {
            if (progress.current == watchedPath)
                ::unlink(removedPath.constData());
        };
        QVERIFY(!run(Function::Copy, Options(), {at("src/a.txt"), at("src/d"), at("src/b.bin")}, {at("dest")},
                     host));
        QCOMPARE(host.errors.size(), 1);
        QVERIFY2(host.errors.first().contains(fileops::CauseText(ENOENT)), qPrintable(host.errors.first()));
        QVERIFY(host.errors.first().contains(QString::fromUtf8(removed.mid(4))));
        QByteArrayList names;
        for (const QByteArray& line : tree(at("dest"))) {
            if (!line.left(line.indexOf('|')).contains('/'))
                names << line.left(line.indexOf('|'));
        }
        QCOMPARE(names, copied);
    }

    void fullDisk_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("oneFile");
        QTest::newRow("copy a large file") << int(Function::Copy) << true;
        QTest::newRow("copy a folder") << int(Function::Copy) << false;
        QTest::newRow("move a large file") << int(Function::Move) << true;
        QTest::newRow("move a folder") << int(Function::Move) << false;
    }
    void fullDisk() {
        QFETCH(int, function);
        QFETCH(bool, oneFile);
        SmallVolume volume(at("vol"), "1m");
        VAMBREL_NEED_VOLUME(volume);
        QVERIFY(folder(at("src")) && folder(at("src/big")));
        QVERIFY(put(at("src/large.bin"), QByteArray(3 << 20, 'L')));
        for (int i = 0; i < 5; ++i)
            QVERIFY(put(at("src/big/part" + QByteArray::number(i)), QByteArray(300 << 10, char('0' + i))));
        QVERIFY(put(at("vol/kept"), "kept"));
        const QByteArray source = oneFile ? at("src/large.bin") : at("src/big");
        const QByteArrayList before = entry(source);
        RecordingHost host;
        QVERIFY(!run(Function(function), Options(), {source}, {at("vol")}, host));
        QCOMPARE(host.errors.size(), 1);
        QVERIFY2(host.errors.first().contains(fileops::CauseText(ENOSPC)), qPrintable(host.errors.first()));
        QCOMPARE(tree(at("vol")).size(), 1);
        QCOMPARE(content(at("vol/kept")), QByteArray("kept"));
        QCOMPARE(entry(source), before);
    }

    void readOnlyDestination() {
        SmallVolume volume(at("vol"));
        VAMBREL_NEED_VOLUME(volume);
        makeSources();
        QVERIFY(folder(at("vol/dest")));
        QVERIFY(volume.remountReadOnly());
        RecordingHost host;
        QVERIFY(!run(Function::Copy, Options(), {at("src/a.txt")}, {at("vol/dest")}, host));
        QCOMPARE(host.errors.size(), 1);
        QVERIFY2(host.errors.first().contains(fileops::CauseText(EROFS)), qPrintable(host.errors.first()));
        QCOMPARE(tree(at("vol/dest")), QByteArrayList());
        RecordingHost move;
        QVERIFY(!run(Function::Move, Options(), {at("src/d")}, {at("vol/dest")}, move));
        QVERIFY(exists(at("src/d/sub/y.txt")));
    }

    void makeDirQuestion_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<bool>("made");
        QTest::newRow("asked, yes") << true << QList<Reply>{Reply::Yes} << true;
        QTest::newRow("asked, no") << true << QList<Reply>{Reply::No} << false;
        QTest::newRow("not asked") << false << QList<Reply>{Reply::No} << true;
    }
    void makeDirQuestion() {
        QFETCH(bool, confirm);
        QFETCH(QList<Reply>, answers);
        QFETCH(bool, made);
        makeSources();
        Options options;
        options.confirmMakeDir = confirm;
        RecordingHost host;
        host.answers = answers;
        QCOMPARE(run(Function::Copy, options, {at("src/a.txt")}, {at("new/deeper")}, host), made);
        QCOMPARE(host.questions.size(), confirm ? 1 : 0);
        if (confirm)
            QCOMPARE(host.questions.first().kind, QuestionKind::MakeDir);
        QCOMPARE(exists(at("new")), made);
        QCOMPARE(content(at("new/deeper/a.txt")), made ? QByteArray("alpha\n") : QByteArray("<absent>"));
    }

    void filesOnly_data() {
        QTest::addColumn<int>("function");
        QTest::newRow("copy") << int(Function::Copy);
        QTest::newRow("move") << int(Function::Move);
        QTest::newRow("delete") << int(Function::Delete);
    }
    void filesOnly() {
        QFETCH(int, function);
        makeSources();
        QVERIFY(folder(at("dest")));
        Options options;
        options.includeDirectories = false;
        RecordingHost host;
        QVERIFY(run(Function(function), options, {at("src/a.txt"), at("src/d")}, {at("dest")}, host));
        QVERIFY(exists(at("src/d/x.txt")));
        QVERIFY(!exists(at("dest/d")));
        QCOMPARE(exists(at("src/a.txt")), Function(function) == Function::Copy);
        QCOMPARE(exists(at("dest/a.txt")), Function(function) != Function::Delete);
    }

    void deleteForGood_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("yes") << true << Reply::Yes << true;
        QTest::newRow("no") << true << Reply::No << false;
        QTest::newRow("without asking") << false << Reply::No << true;
    }
    void deleteForGood() {
        QFETCH(bool, confirm);
        QFETCH(Reply, answer);
        QFETCH(bool, deleted);
        makeSources();
        const QByteArrayList before = tree(at("src"));
        Options options;
        options.recycleBin = false;
        options.confirmOperation = confirm;
        RecordingHost host;
        host.answers = {answer};
        QCOMPARE(run(Function::Delete, options, {at("src/d"), at("src/a.txt")}, {}, host), deleted);
        QCOMPARE(host.questions.size(), confirm ? 1 : 0);
        if (confirm) {
            QCOMPARE(host.questions.first().kind, QuestionKind::DeleteForGood);
            QVERIFY(host.questions.first().text.contains(QStringLiteral("ces 2 éléments")));
        }
        if (deleted)
            QCOMPARE(tree(at("src")), matching(before, "b.bin"));
        else
            QCOMPARE(tree(at("src")), before);
    }

    void deleteStopsAtAnotherVolume() {
        QVERIFY(folder(at("src")) && put(at("src/a"), "a"));
        SmallVolume volume(at("src/mounted"));
        VAMBREL_NEED_VOLUME(volume);
        QVERIFY(put(at("src/mounted/inside"), "inside"));
        Options options;
        options.recycleBin = false;
        options.confirmOperation = false;
        RecordingHost host;
        QVERIFY(!run(Function::Delete, options, {at("src")}, {}, host));
        QVERIFY(host.errors.first().contains(fileops::MountedInsideCause()));
        QCOMPARE(content(at("src/mounted/inside")), QByteArray("inside"));
    }

    void renames() {
        makeSources();
        RecordingHost host;
        QVERIFY(run(Function::Rename, Options(), {at("src/a.txt")}, {at("src/renamed.txt")}, host));
        QCOMPARE(content(at("src/renamed.txt")), QByteArray("alpha\n"));
        QVERIFY(!exists(at("src/a.txt")));

        // Never over an existing name, whatever the options say.
        RecordingHost taken;
        QVERIFY(!run(Function::Rename, Options(), {at("src/renamed.txt")}, {at("src/b.bin")}, taken));
        QVERIFY(taken.errors.first().contains(fileops::NameTakenCause()));
        QCOMPARE(content(at("src/renamed.txt")), QByteArray("alpha\n"));

        // One new name per source.
        RecordingHost several;
        QVERIFY(!run(Function::Rename, Options(), {at("src/renamed.txt"), at("src/b.bin")}, {at("src/c")},
                     several));
        QCOMPARE(several.errors, QStringList{fileops::OneTargetPerSourceText()});
        QVERIFY(exists(at("src/renamed.txt")) && exists(at("src/b.bin")));

        RecordingHost pairs;
        QVERIFY(run(Function::Rename, Options(), {at("src/renamed.txt"), at("src/d")},
                    {at("src/1"), at("src/2")}, pairs));
        QVERIFY(exists(at("src/1")) && exists(at("src/2/x.txt")));
    }
};

QTEST_GUILESS_MAIN(TestFileOperation)
#include "tst_fileoperation.moc"
