#include "FileDescriptor.h"
#include "FileProbe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

// Byte paths: some names here are not valid in any encoding.
bool writeBytes(const QByteArray& path, const QByteArray& bytes) {
    FileDescriptor fd(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    return fd.isValid() && ::write(fd.get(), bytes.constData(), size_t(bytes.size())) == bytes.size() &&
           fd.close();
}

// Forces the plain path for the probes made while it lives.
class PlainIo {
public:
    explicit PlainIo(bool on) : m_on(on) {
        if (m_on)
            qputenv("VAMBREL_PLAIN_IO", "1");
    }
    ~PlainIo() {
        if (m_on)
            qunsetenv("VAMBREL_PLAIN_IO");
    }

private:
    bool m_on;
};

} // namespace

class TestFileProbe : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_root;
    QList<QByteArray> m_names; // every kind of entry, and enough files to fill several batches

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path());
        const QByteArray image = "MZ" + QByteArray(300, 'x');
        const QByteArray text = QByteArray(300, 'a');
        QVERIFY(writeBytes(m_root + "/image.exe", image));
        QVERIFY(writeBytes(m_root + "/text.txt", text));
        QVERIFY(writeBytes(m_root + "/short MZ", "MZ"));
        QVERIFY(writeBytes(m_root + "/one byte", "M"));
        QVERIFY(writeBytes(m_root + "/empty", ""));
        QVERIFY(writeBytes(m_root + "/\xe9t\xe9 latin-1", image)); // a name that is not UTF-8
        QVERIFY(::symlink("image.exe", (m_root + "/link to image").constData()) == 0);
        QVERIFY(::symlink("nowhere", (m_root + "/dangling").constData()) == 0);
        QVERIFY(::mkfifo((m_root + "/fifo").constData(), 0600) == 0);
        QVERIFY(::mkdir((m_root + "/folder").constData(), 0755) == 0);
        m_names = {"image.exe",     "text.txt", "short MZ", "one byte", "empty",   "\xe9t\xe9 latin-1",
                   "link to image", "dangling", "fifo",     "folder",   "missing", "folder/../image.exe"};
        // Over 700 more: several full batches of the ring, images and others mixed.
        for (int i = 0; i < 700; ++i) {
            const QByteArray name = "n" + QByteArray::number(i);
            QVERIFY(writeBytes(m_root + '/' + name, i % 3 == 0 ? image : text.left(i % 200)));
            m_names << name;
        }
    }

    // A name that is not valid in any encoding cannot be removed by QTemporaryDir.
    void cleanupTestCase() { ::unlink((m_root + "/\xe9t\xe9 latin-1").constData()); }

    // Both paths give what lstat, open and read give one name at a time: links are described and
    // never opened, a FIFO asked for is opened without waiting, a missing name has its error.
    void sameAsOneCallAtATime_data() {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<bool>("relative"); // names relative to an open folder, or full paths
        QTest::newRow("ring, relative") << false << true;
        QTest::newRow("ring, full paths") << false << false;
        QTest::newRow("plain, relative") << true << true;
        QTest::newRow("plain, full paths") << true << false;
    }
    void sameAsOneCallAtATime() {
        QFETCH(bool, plain);
        QFETCH(bool, relative);
        const PlainIo forced(plain);
        FileProbe probe;
        if (plain)
            QVERIFY(!probe.batched());
        else if (!probe.batched())
            qInfo("io_uring is not available here: both rows test the plain path");
        const FileDescriptor folder(::open(m_root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        QVERIFY(folder.isValid());
        std::vector<QByteArray> names;
        for (const QByteArray& n : m_names)
            names.push_back(relative ? n : m_root + '/' + n);
        std::vector<ProbeEntry> entries(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            entries[i].folderFd = relative ? folder.get() : AT_FDCWD;
            entries[i].name = names[i].constData();
        }
        probe.stat(entries);
        for (size_t i = 0; i < entries.size(); ++i) {
            const ProbeEntry& e = entries[i];
            struct stat st {};
            const int rc = ::fstatat(e.folderFd, e.name, &st, AT_SYMLINK_NOFOLLOW);
            QCOMPARE(e.statError, rc == 0 ? 0 : errno);
            if (rc != 0)
                continue;
            QCOMPARE(e.mode, st.st_mode);
            QCOMPARE(e.size, qint64(st.st_size));
            QCOMPARE(e.mtimeSeconds, qint64(st.st_mtim.tv_sec));
            QCOMPARE(e.mtimeNanoseconds, qint32(st.st_mtim.tv_nsec));
            QCOMPARE(e.device, quint64(st.st_dev));
        }
        QCOMPARE(entries[10].statError, ENOENT);
        QVERIFY(S_ISLNK(entries[6].mode));

        // Every name is asked for, whatever it is: only regular files may give a signature.
        for (ProbeEntry& e : entries)
            e.wantSignature = true;
        entries[1].wantSignature = false;
        probe.readSignatures(entries);
        for (size_t i = 0; i < entries.size(); ++i) {
            const ProbeEntry& e = entries[i];
            bool expected = false;
            if (e.wantSignature) {
                const FileDescriptor fd(::openat(e.folderFd, e.name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW));
                char bytes[2];
                expected =
                    fd.isValid() && ::pread(fd.get(), bytes, 2, 0) == 2 && bytes[0] == 'M' && bytes[1] == 'Z';
            }
            QVERIFY2(e.imageSignature == expected, names[i].constData());
        }
        QVERIFY(entries[0].imageSignature);
        QVERIFY(entries[2].imageSignature);  // two bytes are enough
        QVERIFY(!entries[3].imageSignature); // one is not
        QVERIFY(entries[5].imageSignature);
        QVERIFY(!entries[6].imageSignature); // a link is never opened
        QVERIFY(!entries[8].imageSignature); // a FIFO gives nothing, and no wait
        QVERIFY(entries[11].imageSignature); // names are paths relative to the folder
    }

    // A batch leaves no descriptor open behind it, on either path.
    void noDescriptorLeft_data() {
        QTest::addColumn<bool>("plain");
        QTest::newRow("ring") << false;
        QTest::newRow("plain") << true;
    }
    void noDescriptorLeft() {
        QFETCH(bool, plain);
        const PlainIo forced(plain);
        FileProbe probe;
        std::vector<QByteArray> names;
        for (const QByteArray& n : m_names)
            names.push_back(m_root + '/' + n);
        std::vector<ProbeEntry> entries(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            entries[i].name = names[i].constData();
            entries[i].wantSignature = true;
        }
        const int before = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(before);
        for (int round = 0; round < 3; ++round)
            probe.readSignatures(entries);
        const int after = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(after);
        QCOMPARE(after, before);
    }

    // An empty batch is no work, and each thread has its own probe.
    void emptyBatchAndThreads() {
        FileProbe& mine = FileProbe::forThread();
        mine.stat({});
        mine.readSignatures({});
        FileProbe* other = nullptr;
        std::thread([&] { other = &FileProbe::forThread(); }).join();
        QVERIFY(other != &mine);
        QCOMPARE(&FileProbe::forThread(), &mine);
    }
};

QTEST_GUILESS_MAIN(TestFileProbe)
#include "tst_fileprobe.moc"
