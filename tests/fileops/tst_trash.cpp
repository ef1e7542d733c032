// Deletion to the trash: the home trash, the trash of another volume in its two forms, the
// .trashinfo files, names made unique, and a volume where no trash can be made.
#include "AsOtherUser.h"
#include "CollisionName.h"
#include "FileOpTestTools.h"
#include "FileOpTexts.h"
#include "Trash.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;
using vambrel::fileops::Trash;

class TestTrash : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    QByteArray m_root;
    QByteArray m_uid = QByteArray::number(::geteuid());

    QByteArray at(const QByteArray& relative) const { return m_root + '/' + relative; }

    // Path= and DeletionDate= of a .trashinfo file, checked for its form.
    QByteArray infoPath(const QByteArray& file) {
        const QByteArray text = content(file);
        const QList<QByteArray> lines = text.split('\n');
        if (lines.size() != 4 || lines.at(0) != "[Trash Info]" || !lines.at(1).startsWith("Path=") ||
            !QRegularExpression(QStringLiteral("^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"))
                 .match(QString::fromLatin1(lines.at(2)))
                 .hasMatch() ||
            !lines.at(3).isEmpty())
            return "<bad: " + text + ">";
        return lines.at(1).mid(5);
    }

    static Options trashing() {
        Options options;
        options.recycleBin = true;
        return options;
    }

private Q_SLOTS:
    void init() {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_dir->setAutoRemove(false);
        m_root = QFile::encodeName(m_dir->path());
        qputenv("XDG_DATA_HOME", at("fresh-home/share"));
    }
    void cleanup() {
        removeAll(m_root);
        delete m_dir;
        m_dir = nullptr;
    }

    void homeTrashMadeWhenMissing() {
        QVERIFY(folder(at("src")) && put(at("src/a b.txt"), "first") && folder(at("src/d")) &&
                put(at("src/d/in"), "in"));
        QVERIFY(!exists(at("fresh-home")));
        const QByteArrayList folderBefore = entry(at("src/d"));
        RecordingHost host;
        QVERIFY(run(Function::Delete, trashing(), {at("src/a b.txt"), at("src/d")}, {}, host));
        QVERIFY(host.questions.isEmpty()); // the trash can give back: nothing to confirm
        const QByteArray trash = at("fresh-home/share/Trash");
        struct stat st {};
        QCOMPARE(::stat(trash.constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QCOMPARE(content(trash + "/files/a b.txt"), QByteArray("first"));
        QCOMPARE(entry(trash + "/files/d"), folderBefore);
        QCOMPARE(infoPath(trash + "/info/a b.txt.trashinfo"), Trash::EncodePath(at("src/a b.txt")));
        QVERIFY(infoPath(trash + "/info/a b.txt.trashinfo").endsWith("/src/a%20b.txt"));
        QCOMPARE(infoPath(trash + "/info/d.trashinfo"), Trash::EncodePath(at("src/d")));
        QVERIFY(!exists(at("src/a b.txt")) && !exists(at("src/d")));
    }

    void namesMadeUniqueInTheTrash() {
        QVERIFY(folder(at("src")));
        const QByteArray trash = at("fresh-home/share/Trash");
        for (const QByteArray& text : {QByteArray("one"), QByteArray("two"), QByteArray("three")}) {
            QVERIFY(put(at("src/same.txt"), text));
            RecordingHost host;
            QVERIFY(run(Function::Delete, trashing(), {at("src/same.txt")}, {}, host));
        }
        QCOMPARE(content(trash + "/files/same.txt"), QByteArray("one"));
        QCOMPARE(content(trash + "/files/same (2).txt"), QByteArray("two"));
        QCOMPARE(content(trash + "/files/same (3).txt"), QByteArray("three"));
        for (const QByteArray& name :
             {QByteArray("same.txt"), QByteArray("same (2).txt"), QByteArray("same (3).txt")})
            QCOMPARE(infoPath(trash + "/info/" + name + ".trashinfo"), Trash::EncodePath(at("src/same.txt")));
        // An info file left without its entry still keeps its name taken.
        QVERIFY(put(trash + "/info/orphan.trashinfo", "[Trash Info]\n"));
        QVERIFY(put(at("src/orphan"), "o"));
        RecordingHost host;
        QVERIFY(run(Function::Delete, trashing(), {at("src/orphan")}, {}, host));
        QCOMPARE(content(trash + "/files/orphan (2)"), QByteArray("o"));
    }

    void oddNames() {
        const QByteArray odd = "\xff%\n\xc3\xa9";
        const QByteArray longName(250, 'L');
        QVERIFY(folder(at("src")) && put(at("src/" + odd), "odd") && put(at("src/" + longName), "long"));
        RecordingHost host;
        QVERIFY(run(Function::Delete, trashing(), {at("src/" + odd), at("src/" + longName)}, {}, host));
        const QByteArray trash = at("fresh-home/share/Trash");
        QCOMPARE(content(trash + "/files/" + odd), QByteArray("odd"));
        QVERIFY(infoPath(trash + "/info/" + odd + ".trashinfo").endsWith("/src/%FF%25%0A%C3%A9"));
        // The info file's name must fit: the entry takes a shorter name in the trash.
        const QByteArrayList files = tree(trash + "/files");
        QCOMPARE(files.size(), 2);
        const QByteArray shortened = matching(files, "LLL").value(0).split('|').value(0);
        QCOMPARE(shortened.size(), 255 - 10);
        QCOMPARE(content(trash + "/files/" + shortened), QByteArray("long"));
        QCOMPARE(infoPath(trash + "/info/" + shortened + ".trashinfo"),
                 Trash::EncodePath(at("src/" + longName)));
    }

    void volumeTrash_data() {
        QTest::addColumn<QByteArray>("prepare");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no .Trash") << QByteArray() << QByteArray(".Trash-UID");
        QTest::newRow("shared .Trash") << QByteArray("sticky") << QByteArray(".Trash/UID");
        QTest::newRow(".Trash without the sticky bit") << QByteArray("plain") << QByteArray(".Trash-UID");
        QTest::newRow(".Trash as a link") << QByteArray("link") << QByteArray(".Trash-UID");
        QTest::newRow(".Trash as a file") << QByteArray("file") << QByteArray(".Trash-UID");
    }
    void volumeTrash() {
        QFETCH(QByteArray, prepare);
        QFETCH(QByteArray, expected);
        expected.replace("UID", m_uid);
        SmallVolume volume(at("vol"), "2m");
        VAMBREL_NEED_VOLUME(volume);
        // The home trash exists, on another file system.
        QVERIFY(folder(at("fresh-home")) && folder(at("fresh-home/share")));
        if (prepare == "sticky" || prepare == "plain")
            QVERIFY(folder(at("vol/.Trash"), prepare == "sticky" ? 01777 : 0777));
        if (prepare == "link") {
            QVERIFY(folder(at("vol/real"), 01777));
            QCOMPARE(::symlink("real", at("vol/.Trash").constData()), 0);
        }
        if (prepare == "file")
            QVERIFY(put(at("vol/.Trash"), "not a folder"));
        QVERIFY(folder(at("vol/work")) && folder(at("vol/work/sub")) &&
                put(at("vol/work/sub/f.txt"), "on the volume"));
        RecordingHost host;
        QVERIFY(run(Function::Delete, trashing(), {at("vol/work/sub/f.txt")}, {}, host));
        QVERIFY2(host.errors.isEmpty(), qPrintable(host.errors.join(QLatin1Char('\n'))));
        const QByteArray trash = at("vol/" + expected);
        QCOMPARE(content(trash + "/files/f.txt"), QByteArray("on the volume"));
        // Relative to the volume's top folder.
        QCOMPARE(infoPath(trash + "/info/f.txt.trashinfo"), QByteArray("work/sub/f.txt"));
        struct stat st {};
        QCOMPARE(::lstat(trash.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
        QVERIFY(!exists(at("fresh-home/share/Trash/files/f.txt")));
        QVERIFY(!exists(at("vol/real/" + m_uid)));
    }

    void noTrashOnTheVolume_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QByteArrayList>("left");
        QTest::newRow("yes") << true << QList<Reply>{Reply::Yes} << true << QByteArrayList();
        QTest::newRow("no, yes") << true << QList<Reply>{Reply::No, Reply::Yes} << false
                                 << QByteArrayList{"a"};
        QTest::newRow("yes to all") << true << QList<Reply>{Reply::YesToAll} << true << QByteArrayList();
        QTest::newRow("cancel") << true << QList<Reply>{Reply::Cancel} << false << QByteArrayList{"a", "b"};
        // Without confirmations nothing is ever deleted for good in place of the trash.
        QTest::newRow("no confirmation")
            << false << QList<Reply>{Reply::Yes} << false << QByteArrayList{"a", "b"};
    }
    void noTrashOnTheVolume() {
        QFETCH(bool, confirm);
        QFETCH(QList<Reply>, answers);
        QFETCH(bool, result);
        QFETCH(QByteArrayList, left);
        SmallVolume volume(at("vol"));
        VAMBREL_NEED_VOLUME(volume);
        // Neither form can be made: .Trash-$uid is taken by a file.
        QVERIFY(put(at("vol/.Trash-" + m_uid), "in the way"));
        QVERIFY(put(at("vol/a"), "a") && put(at("vol/b"), "b"));
        Options options = trashing();
        options.confirmOperation = confirm;
        RecordingHost host;
        host.answers = answers;
        QCOMPARE(run(Function::Delete, options, {at("vol/a"), at("vol/b")}, {}, host), result);
        if (confirm) {
            QCOMPARE(host.questions.first().kind, QuestionKind::DeleteWithoutTrash);
            QVERIFY(host.questions.first().text.contains(fileops::NoTrashCause()));
            QVERIFY(host.questions.first().offersAll);
        } else {
            QCOMPARE(host.errors.size(), 1);
            QVERIFY(host.errors.first().contains(fileops::NoTrashCause()));
        }
        QByteArrayList names;
        for (const QByteArray& line : tree(at("vol")))
            names << line.left(line.indexOf('|'));
        QCOMPARE(names, QByteArrayList{".Trash-" + m_uid} + left);
    }

    // A user who may not write in the volume's top folder has no trash there.
    void noRightToMakeTheTrash_data() {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("keep it") << Reply::No << QByteArray("false|asked|there");
        QTest::newRow("delete it for good") << Reply::Yes << QByteArray("true|asked|gone");
    }
    void noRightToMakeTheTrash() {
        QFETCH(Reply, answer);
        QFETCH(QByteArray, expected);
        if (::geteuid() != 0)
            QSKIP("needs the super-user to act as another user");
        SmallVolume volume(at("vol"));
        VAMBREL_NEED_VOLUME(volume);
        QCOMPARE(::chmod(m_root.constData(), 0755), 0);
        QVERIFY(folder(at("vol/mine")) && put(at("vol/mine/f"), "f") && folder(at("home")));
        for (const QByteArray& path : {at("vol/mine"), at("vol/mine/f"), at("home")})
            QCOMPARE(::chown(path.constData(), test::kNobody, test::kNobody), 0);
        qputenv("XDG_DATA_HOME", at("home/share"));
        const QByteArray file = at("vol/mine/f");
        const std::optional<QByteArray> outcome = test::RunAsNobody([&] {
            RecordingHost host;
            host.answers = {answer};
            const bool ok = run(Function::Delete, trashing(), {file}, {}, host);
            const bool asked =
                host.questions.size() == 1 && host.questions.first().kind == QuestionKind::DeleteWithoutTrash;
            return QByteArray(ok ? "true" : "false") + (asked ? "|asked|" : "|not asked|") +
                   (exists(file) ? "there" : "gone");
        });
        QVERIFY(outcome.has_value());
        QCOMPARE(*outcome, expected);
        QVERIFY(!exists(at("vol/.Trash-" + QByteArray::number(test::kNobody))));
        QVERIFY(!exists(at("home/share/Trash/files/f")));
    }

    void trashCannotGoToTheTrash() {
        QVERIFY(folder(at("src")) && put(at("src/x"), "x"));
        RecordingHost host;
        QVERIFY(run(Function::Delete, trashing(), {at("src/x")}, {}, host));
        RecordingHost again;
        QVERIFY(!run(Function::Delete, trashing(), {at("fresh-home/share/Trash")}, {}, again));
        QVERIFY(again.errors.first().contains(fileops::TrashItselfCause()));
        RecordingHost holder;
        QVERIFY(!run(Function::Delete, trashing(), {at("fresh-home")}, {}, holder));
        QCOMPARE(content(at("fresh-home/share/Trash/files/x")), QByteArray("x"));
    }

    void topDirOfAMount() {
        SmallVolume volume(at("vol"));
        VAMBREL_NEED_VOLUME(volume);
        QVERIFY(folder(at("vol/a")) && folder(at("vol/a/b")));
        struct stat st {};
        QCOMPARE(::stat(at("vol/a/b").constData(), &st), 0);
        char resolved[PATH_MAX];
        QVERIFY(::realpath(at("vol").constData(), resolved));
        QCOMPARE(Trash::TopDirOf(QByteArray(resolved) + "/a/b", st.st_dev), QByteArray(resolved));
    }

    void collisionNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<int>("attempt");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("first") << QByteArray("nom.ext") << false << 0 << 255 << QByteArray("nom (2).ext");
        QTest::newRow("second") << QByteArray("nom.ext") << false << 1 << 255 << QByteArray("nom (3).ext");
        QTest::newRow("goes on") << QByteArray("nom (7).ext") << false << 0 << 255
                                 << QByteArray("nom (8).ext");
        QTest::newRow("not a number")
            << QByteArray("nom (a).ext") << false << 0 << 255 << QByteArray("nom (a) (2).ext");
        QTest::newRow("last dot") << QByteArray("a.tar.gz") << false << 0 << 255
                                  << QByteArray("a.tar (2).gz");
        QTest::newRow("folder") << QByteArray("v1.0") << true << 0 << 255 << QByteArray("v1.0 (2)");
        QTest::newRow("dot first") << QByteArray(".profile") << false << 0 << 255
                                   << QByteArray(".profile (2)");
        QTest::newRow("cut") << QByteArray("abcdefghij.txt") << false << 0 << 16
                             << QByteArray("abcdefgh (2).txt");
        // Never half a character: "é" is two bytes.
        QTest::newRow("cut before a character")
            << QByteArray("abc\xc3\xa9z") << true << 0 << 8 << QByteArray("abc (2)");
    }
    void collisionNames() {
        QFETCH(QByteArray, name);
        QFETCH(bool, isFolder);
        QFETCH(int, attempt);
        QFETCH(int, limit);
        QFETCH(QByteArray, expected);
        const QByteArray candidate = fileops::CollisionCandidate(name, isFolder, attempt, limit);
        QCOMPARE(candidate, expected);
        QVERIFY(candidate.size() <= limit);
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
