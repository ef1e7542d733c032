// Where the program finds its server and its help: from its own folder, installed or built.

#include "ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace Qt::StringLiterals;

class TestProgramFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void installedPlaces() {
        // Relative to bin/, so that any prefix works.
        QCOMPARE(ProgramFiles::installedServer(), QStringLiteral("../libexec/vambrel/qvtSrv"));
        QCOMPARE(ProgramFiles::installedHelp(), QStringLiteral("../share/vambrel/aide"));
    }

    void find_data() {
        QTest::addColumn<QStringList>("present"); // files made under the temporary root
        QTest::addColumn<QString>("expected");
        QTest::newRow("installed") << QStringList{u"usr/libexec/vambrel/qvtSrv"_s}
                                   << QStringLiteral("usr/libexec/vambrel/qvtSrv");
        QTest::newRow("build tree") << QStringList{u"usr/bin/qvtSrv"_s} << QStringLiteral("usr/bin/qvtSrv");
        QTest::newRow("both: the installed one")
            << QStringList{u"usr/bin/qvtSrv"_s, u"usr/libexec/vambrel/qvtSrv"_s}
            << QStringLiteral("usr/libexec/vambrel/qvtSrv");
        QTest::newRow("neither: the installed place, for the message")
            << QStringList{} << QStringLiteral("usr/libexec/vambrel/qvtSrv");
        QTest::newRow("never the current folder")
            << QStringList{u"cwd/qvtSrv"_s} << QStringLiteral("usr/libexec/vambrel/qvtSrv");
    }
    void find() {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QDir d(root.path());
        QVERIFY(d.mkpath(QStringLiteral("usr/bin")) && d.mkpath(QStringLiteral("cwd")));
        for (const QString& f : present) {
            QVERIFY(d.mkpath(QFileInfo(d.filePath(f)).path()));
            QFile file(d.filePath(f));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(d.filePath(QStringLiteral("cwd"))));
        const QString found =
            ProgramFiles::find(d.filePath(QStringLiteral("usr/bin")),
                               QStringLiteral("../libexec/vambrel/qvtSrv"), QStringLiteral("qvtSrv"));
        QDir::setCurrent(before);
        QCOMPARE(found, d.filePath(expected));
    }

    void helpOfTheBuildTree() {
        // The build copies the book beside the program; the tests run one folder below it.
        QCOMPARE(ProgramFiles::find(QStringLiteral(VAMBREL_BINARY_DIR), ProgramFiles::installedHelp(),
                                    QStringLiteral("aide")),
                 QStringLiteral(VAMBREL_BINARY_DIR "/aide"));
    }
};

QTEST_GUILESS_MAIN(TestProgramFiles)
#include "tst_programfiles.moc"
