// Putting a built catalogue in place of the old one while the disk fails: every call of the
// replacement fails in turn, in one file system and across two. The old catalogue is either
// replaced whole or left byte for byte, the new file is never lost, and no hidden copy stays.
#include "FaultInjection.h"
#include "SmallFileSystem.h"
#include "TestFiles.h"
#include "shell/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

using namespace vambrel;
using namespace vambrel::test;

namespace {

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

const QByteArray kOld = "ancien catalogue";

QByteArray newBytes() {
    QByteArray bytes(200 * 1024, 'n');
    bytes[12345] = 'x';
    return bytes;
}

} // namespace

class TestFileReplaceFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_runs = 0;
    int m_injected = 0;
    int m_replaced = 0;

    // One replacement in a fresh folder; `acrossFileSystems` makes the first rename report
    // EXDEV, so that the copy is taken. `fault` is armed on top.
    void replaceOnce(bool acrossFileSystems, FsCall call, int at, int err, const QString& where) {
        const QString folder = m_dir.filePath(QStringLiteral("r%1").arg(++m_runs));
        QVERIFY(QDir().mkpath(folder));
        const QString from = folder + QStringLiteral("/qvt1.tmp");
        const QString to = folder + QStringLiteral("/photos.dat");
        QVERIFY(writeAll(from, newBytes()));
        QVERIFY(writeAll(to, kOld));
        QString error;
        bool ok = false;
        {
            FaultInjector faults;
            if (acrossFileSystems)
                faults.arm(FsCall::Rename, 1, EXDEV);
            if (at > 0)
                faults.arm(call, at, err);
            ok = ReplaceFile(from, to, &error);
            m_injected += faults.disarm();
        }
        const QStringList left = entriesOf(folder);
        if (ok) {
            ++m_replaced;
            QVERIFY2(contentOrAbsent(to) == newBytes(), qPrintable(where));
            // Only a failed removal of the built file may leave it; it is then whole.
            if (call == FsCall::Unlink && at > 0 && left.contains(QStringLiteral("qvt1.tmp")))
                QVERIFY2(contentOrAbsent(from) == newBytes(), qPrintable(where));
            else
                QVERIFY2(left == QStringList{QStringLiteral("photos.dat")},
                         qPrintable(where + left.join(u' ')));
        } else {
            QVERIFY2(error.startsWith(QStringLiteral("Impossible d")), qPrintable(where + error));
            QVERIFY2(contentOrAbsent(to) == kOld, qPrintable(where));
            QVERIFY2(contentOrAbsent(from) == newBytes(), qPrintable(where));
            QVERIFY2((left == QStringList{QStringLiteral("photos.dat"), QStringLiteral("qvt1.tmp")}),
                     qPrintable(where + left.join(u' ')));
        }
        QDir(folder).removeRecursively();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cleanupTestCase() {
        qInfo("replacement: %d runs, %d faults injected, %d replaced, %d refused with the old file kept",
              m_runs, m_injected, m_replaced, m_runs - m_replaced);
    }

    void everyCallFails_data() {
        QTest::addColumn<bool>("across");
        QTest::newRow("one file system") << false;
        QTest::newRow("across file systems") << true;
    }
    void everyCallFails() {
        QFETCH(bool, across);
        std::array<int, kFsCallKinds> counts{};
        {
            FaultInjector counter;
            if (across)
                counter.arm(FsCall::Rename, 1, EXDEV);
            const QString folder = m_dir.filePath(QStringLiteral("count"));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(writeAll(folder + QStringLiteral("/a"), newBytes()));
            QVERIFY(ReplaceFile(folder + QStringLiteral("/a"), folder + QStringLiteral("/b")));
            for (int k = 0; k < kFsCallKinds; ++k)
                counts[size_t(k)] = counter.count(FsCall(k));
            QDir(folder).removeRecursively();
        }
        QVERIFY(counts[size_t(FsCall::Rename)] >= 1);
        if (across)
            QVERIFY(counts[size_t(FsCall::Write)] >= 1);
        replaceOnce(across, FsCall::Open, 0, 0, QStringLiteral("clean run "));
        for (int kind = 0; kind < kFsCallKinds; ++kind)
            for (int at = 1; at <= counts[size_t(kind)]; ++at)
                for (int err : {EIO, ENOSPC, EROFS, ENOENT}) {
                    // The forced EXDEV is the first rename's own fault.
                    if (across && FsCall(kind) == FsCall::Rename && at == 1)
                        continue;
                    replaceOnce(across, FsCall(kind), at, err,
                                QStringLiteral("%1 #%2 errno %3: ")
                                    .arg(QLatin1StringView(FsCallName(FsCall(kind))))
                                    .arg(at)
                                    .arg(err));
                    if (QTest::currentTestFailed())
                        return;
                }
    }

    // A real small disk beside the temporary folder: the copy fills it, then it is read-only.
    void realSmallDisk() {
        SmallFileSystem fs(64 * 1024);
        VAMBREL_REQUIRE_MOUNT(fs);
        const QString to = fs.filePath(QStringLiteral("photos.dat"));
        QVERIFY(writeAll(to, kOld));
        const QString from = m_dir.filePath(QStringLiteral("qvt-full.tmp"));
        QVERIFY(writeAll(from, newBytes()));
        QString error;
        QVERIFY(!ReplaceFile(from, to, &error));
        QVERIFY2(error.endsWith(QStringLiteral("plus de place sur le disque")), qPrintable(error));
        QCOMPARE(contentOrAbsent(to), kOld);
        QCOMPARE(contentOrAbsent(from), newBytes());
        QCOMPARE(entriesOf(fs.path()), QStringList{QStringLiteral("photos.dat")});

        QVERIFY(writeAll(from, "petit"));
        QVERIFY(fs.setReadOnly(true));
        QVERIFY(!ReplaceFile(from, to, &error));
        QVERIFY2(error.endsWith(QStringLiteral("système de fichiers en lecture seule")), qPrintable(error));
        QCOMPARE(contentOrAbsent(to), kOld);
        QCOMPARE(contentOrAbsent(from), QByteArray("petit"));
        QVERIFY(fs.setReadOnly(false));
        QVERIFY(ReplaceFile(from, to, &error));
        QCOMPARE(contentOrAbsent(to), QByteArray("petit"));
        QCOMPARE(entriesOf(fs.path()), QStringList{QStringLiteral("photos.dat")});
    }
};

QTEST_MAIN(TestFileReplaceFaults)
#include "tst_filereplacefaults.moc"
