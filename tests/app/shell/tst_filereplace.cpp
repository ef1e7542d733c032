// Putting a freshly built file in place of a catalogue: in one step, or not at all.

#include "TestFiles.h"
#include "shell/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <sys/stat.h>

using namespace vambrel;
using namespace vambrel::test;

namespace {

quint64 deviceOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_dev) : 0;
}

} // namespace

class TestFileReplace : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void replacesInPlace_data() {
        QTest::addColumn<bool>("oldExists");
        QTest::newRow("over an old file") << true;
        QTest::newRow("new name") << false;
    }
    void replacesInPlace() {
        QFETCH(bool, oldExists);
        const QString from = m_dir.filePath(QStringLiteral("qvt1.tmp"));
        const QString to = m_dir.filePath(QStringLiteral("cat.dat"));
        QFile::remove(to);
        QVERIFY(writeAll(from, "new"));
        if (oldExists)
            QVERIFY(writeAll(to, "old"));
        QString error = QStringLiteral("untouched");
        QVERIFY(ReplaceFile(from, to, &error));
        QCOMPARE(contentOrAbsent(to), QByteArray("new"));
        QVERIFY(!QFile::exists(from));
        QCOMPARE(error, QStringLiteral("untouched"));
    }

    void failureLeavesBothFiles_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing folder") << "missing/cat.dat"
                                        << "fichier ou dossier introuvable";
        QTest::newRow("folder is a file") << "plain.txt/cat.dat"
                                          << "un élément du chemin n'est pas un dossier";
        QTest::newRow("target is a folder") << "sub"
                                            << "c'est un dossier";
    }
    void failureLeavesBothFiles() {
        QFETCH(QString, target);
        QFETCH(QString, cause);
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("plain.txt")), "text"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("sub/inner")));
        const QString from = m_dir.filePath(QStringLiteral("qvt2.tmp"));
        QVERIFY(writeAll(from, "built"));
        QString error;
        QVERIFY(!ReplaceFile(from, m_dir.filePath(target), &error));
        QCOMPARE(contentOrAbsent(from), QByteArray("built"));
        QVERIFY2(error.endsWith(cause), qPrintable(error));
        QCOMPARE(contentOrAbsent(m_dir.filePath(QStringLiteral("plain.txt"))), QByteArray("text"));
    }

    void acrossFileSystems() {
        // A second file system: the shared-memory one, when there is one.
        const QString other = QStringLiteral("/dev/shm");
        if (!QFileInfo(other).isWritable() || deviceOf(other) == 0 ||
            deviceOf(other) == deviceOf(m_dir.path()))
            QSKIP("no second writable file system");
        QTemporaryDir far(other + QStringLiteral("/vambrel-XXXXXX"));
        QVERIFY(far.isValid());
        const QString from = far.filePath(QStringLiteral("qvt3.tmp"));
        QByteArray big(300 * 1024, 'x');
        big[7] = 'y';
        QVERIFY(writeAll(from, big));
        QFile::setPermissions(from,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        const QString to = m_dir.filePath(QStringLiteral("far.dat"));
        QVERIFY(writeAll(to, "old"));
        QString error;
        QVERIFY2(ReplaceFile(from, to, &error), qPrintable(error));
        QCOMPARE(contentOrAbsent(to), big);
        QVERIFY(!QFile::exists(from));
        QCOMPARE(QFile::permissions(to) & (QFileDevice::ReadGroup | QFileDevice::WriteGroup),
                 QFileDevice::ReadGroup);
        // No hidden copy stays beside the catalogue.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".vambrel-*")}, QDir::Hidden | QDir::Files),
                 QStringList());

        // Across file systems into a folder that is not one: the old file stays, nothing is left.
        const QString from2 = far.filePath(QStringLiteral("qvt4.tmp"));
        QVERIFY(writeAll(from2, "again"));
        QVERIFY(!ReplaceFile(from2, m_dir.filePath(QStringLiteral("nowhere/x.dat")), &error));
        QCOMPARE(contentOrAbsent(from2), QByteArray("again"));
    }

    void errorTexts_data() {
        QTest::addColumn<int>("err");
        QTest::addColumn<QString>("text");
        QTest::newRow("EACCES") << EACCES << "accès refusé";
        QTest::newRow("EROFS") << EROFS << "système de fichiers en lecture seule";
        QTest::newRow("ENOSPC") << ENOSPC << "plus de place sur le disque";
        QTest::newRow("other") << EXDEV << "erreur système 18";
    }
    void errorTexts() {
        QFETCH(int, err);
        QFETCH(QString, text);
        QVERIFY2(SystemErrorText(err).startsWith(text), qPrintable(SystemErrorText(err)));
    }
};

QTEST_MAIN(TestFileReplace)
#include "tst_filereplace.moc"
