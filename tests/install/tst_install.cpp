// The build installed into a temporary prefix, and the programs run from there: the layout, the
// server found from the installed client only, the program started offscreen with a catalogue,
// the desktop files checked by their validators, the catalogue type matched by content.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

const QString kBuild = QStringLiteral(VAMBREL_BINARY_DIR);
const QString kAppId = QStringLiteral("com.quorvat.Vambrel");
const QString kCatalogueType = QStringLiteral("application/x-vambrel-catalogue");

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args, const QString& folder = {},
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setProcessEnvironment(env);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start();
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("<not started or timed out> ") + p.errorString();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void write(const QString& path, const QByteArray& content, QFile::Permissions permissions = {}) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
    f.close();
    if (permissions)
        QVERIFY(f.setPermissions(permissions));
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_catalogue;

    QString prefixed(const QString& relative) const { return m_prefix + QLatin1Char('/') + relative; }

    QProcessEnvironment cleanEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("VAMBREL_QVTSRV"));
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        return env;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath(QStringLiteral("prefix"));
        const Run install = run(QStringLiteral(VAMBREL_CMAKE_COMMAND),
                                {QStringLiteral("--install"), kBuild, QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(install.code == 0, qPrintable(install.err));
        QDir d(m_dir.path());
        QVERIFY(d.mkpath(QStringLiteral("tree/sub")) && d.mkpath(QStringLiteral("home")) &&
                d.mkpath(QStringLiteral("config")) && d.mkpath(QStringLiteral("elsewhere")));
        write(d.filePath(QStringLiteral("tree/a.txt")), "a");
        write(d.filePath(QStringLiteral("tree/sub/b.txt")), "bb");
    }

    void layout_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << QStringLiteral("bin/Vambrel") << true;
        QTest::newRow("command") << QStringLiteral("bin/qvtjob") << true;
        QTest::newRow("server, private") << QStringLiteral("libexec/vambrel/qvtSrv") << true;
        QTest::newRow("help start page") << QStringLiteral("share/vambrel/aide/index.html") << false;
        QTest::newRow("help comparison page")
            << QStringLiteral("share/vambrel/aide/comparaison.html") << false;
        QTest::newRow("desktop entry")
            << QStringLiteral("share/applications/com.quorvat.Vambrel.desktop") << false;
        QTest::newRow("metainfo") << QStringLiteral("share/metainfo/com.quorvat.Vambrel.metainfo.xml")
                                  << false;
        QTest::newRow("catalogue type")
            << QStringLiteral("share/mime/packages/com.quorvat.Vambrel.xml") << false;
        QTest::newRow("icon, scalable")
            << QStringLiteral("share/icons/hicolor/scalable/apps/com.quorvat.Vambrel.svg") << false;
        QTest::newRow("icon, 48") << QStringLiteral("share/icons/hicolor/48x48/apps/com.quorvat.Vambrel.png")
                                  << false;
        QTest::newRow("icon, 256") << QStringLiteral(
                                          "share/icons/hicolor/256x256/apps/com.quorvat.Vambrel.png")
                                   << false;
        QTest::newRow("manual of qvtjob") << QStringLiteral("share/man/man1/qvtjob.1.gz") << false;
        QTest::newRow("manual of Vambrel") << QStringLiteral("share/man/man1/Vambrel.1.gz") << false;
        QTest::newRow("copyright") << QStringLiteral("share/doc/vambrel/copyright") << false;
    }
    void layout() {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(prefixed(path));
        QVERIFY2(info.isFile(), qPrintable(path));
        QCOMPARE(info.isExecutable(), executable);
        if (path.endsWith(QStringLiteral(".gz"))) {
            QFile f(info.filePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.read(2), QByteArray("\x1f\x8b"));
        }
    }

    void noServerInBin() { QVERIFY(!QFileInfo::exists(prefixed(QStringLiteral("bin/qvtSrv")))); }

    // The installed client finds the installed server, from anywhere, and never through the
    // current folder or PATH: a decoy there would leave its mark.
    void qvtjobRunsFromThePrefix() {
        const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
        const QString mark = m_dir.filePath(QStringLiteral("decoy-ran"));
        write(elsewhere + QStringLiteral("/qvtSrv"), "#!/bin/sh\ntouch '" + QFile::encodeName(mark) + "'\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = cleanEnvironment();
        env.insert(QStringLiteral("PATH"), elsewhere + QStringLiteral(":/usr/bin:/bin"));
        m_catalogue = m_dir.filePath(QStringLiteral("photos.dat"));
        const Run r = run(prefixed(QStringLiteral("bin/qvtjob")),
                          {QStringLiteral("build"), m_catalogue, QStringLiteral("--spec"),
                           m_dir.filePath(QStringLiteral("tree")), QStringLiteral("--quiet")},
                          elsewhere, env);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("Complete true\n"));
        QVERIFY(!QFileInfo::exists(mark));

        // Without the installed server the client fails: it uses that one and no other.
        const QString server = prefixed(QStringLiteral("libexec/vambrel/qvtSrv"));
        QVERIFY(QFile::rename(server, server + QStringLiteral(".away")));
        const Run lost = run(prefixed(QStringLiteral("bin/qvtjob")),
                             {QStringLiteral("build"), m_dir.filePath(QStringLiteral("other.dat")),
                              QStringLiteral("--spec"), m_dir.filePath(QStringLiteral("tree"))},
                             elsewhere, env);
        QVERIFY(QFile::rename(server + QStringLiteral(".away"), server));
        QCOMPARE(lost.code, 1);
        QVERIFY2(lost.err.contains(server), qPrintable(lost.err));
        QVERIFY(!QFileInfo::exists(mark));
    }

    // The installed program starts offscreen with a catalogue on its command line: it stays up,
    // and the catalogue it opened joins the recent files in the settings.
    void vambrelStartsWithACatalogue() {
        QVERIFY(!m_catalogue.isEmpty());
        QProcess p;
        p.setProgram(prefixed(QStringLiteral("bin/Vambrel")));
        p.setArguments({m_catalogue});
        p.setWorkingDirectory(m_dir.filePath(QStringLiteral("elsewhere")));
        QProcessEnvironment env = cleanEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start();
        QVERIFY(p.waitForStarted());
        const QString settings = m_dir.filePath(QStringLiteral("config/Quorvat App Vambrel.conf"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(settings), 20000);
        QVERIFY(!p.waitForFinished(500));
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QFile f(settings);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).contains(m_catalogue));
    }

    void validators_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop entry") << QStringLiteral("desktop-file-validate")
                                       << QStringList{prefixed(QStringLiteral("share/applications/") +
                                                               kAppId + QStringLiteral(".desktop"))};
        QTest::newRow("metainfo") << QStringLiteral("appstreamcli")
                                  << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                                 prefixed(QStringLiteral("share/metainfo/") + kAppId +
                                                          QStringLiteral(".metainfo.xml"))};
    }
    void validators() {
        QFETCH(QString, tool);
        QFETCH(QStringList, args);
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            QSKIP(
                qPrintable(tool + QStringLiteral(" is not installed (scripts/install-deps.sh installs it)")));
        const Run r = run(program, args);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    // A catalogue is told by its content, whatever its name; another SQLite file or another
    // "dat" file is not taken for one.
    void catalogueTypeByContent() {
        QVERIFY(!m_catalogue.isEmpty());
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (tool.isEmpty())
            QSKIP("update-mime-database is not installed (package shared-mime-info)");
        // One database holding our type and the generic SQLite type, as a distribution's merged
        // /usr/share/mime does. (Qt 6.4 lets a later folder's compiled mime.cache override a match
        // from an earlier folder whatever its priority: mShellExecute copes with that.)
        write(prefixed(QStringLiteral("share/mime/packages/generic-sqlite.xml")),
              "<?xml version=\"1.0\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\"application/vnd.sqlite3\">\n"
              "    <comment>SQLite3 database</comment>\n"
              "    <glob pattern=\"*.sqlite3\"/>\n"
              "    <magic><match type=\"string\" value=\"SQLite format 3\" offset=\"0\"/></magic>\n"
              "  </mime-type>\n"
              "</mime-info>\n");
        const Run update = run(tool, {prefixed(QStringLiteral("share/mime"))});
        QVERIFY2(update.code == 0, qPrintable(update.err));
        // Read by the MIME database at its first use, which is below.
        qputenv("XDG_DATA_DIRS", QFile::encodeName(prefixed(QStringLiteral("share"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data-home"))));

        const QString renamed = m_dir.filePath(QStringLiteral("photos.bin"));
        QVERIFY(QFile::copy(m_catalogue, renamed));
        const QString plain = m_dir.filePath(QStringLiteral("plain.dat"));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(plain).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const QString text = m_dir.filePath(QStringLiteral("text.dat"));
        write(text, "SQLite format 3 is not the start of this text file");

        // The compiled rule: above the generic SQLite type, the application id under the header.
        QFile magic(prefixed(QStringLiteral("share/mime/magic")));
        QVERIFY(magic.open(QIODevice::ReadOnly));
        const QByteArray rules = magic.readAll();
        const qsizetype rule = rules.indexOf("[80:" + kCatalogueType.toLatin1() + "]\n>0=");
        QVERIFY(rule >= 0);
        QVERIFY(rules.indexOf("SQLite format 3", rule) > rule);
        QVERIFY(rules.indexOf("1>68=", rule) > rule);
        QVERIFY(rules.indexOf("VBML", rule) > rule);

        QMimeDatabase mime;
        QVERIFY(mime.mimeTypeForName(kCatalogueType).isValid());
        QVERIFY(mime.mimeTypeForName(kCatalogueType).inherits(QStringLiteral("application/vnd.sqlite3")));
        QCOMPARE(mime.mimeTypeForName(kCatalogueType).iconName(), kAppId);
        QCOMPARE(mime.mimeTypeForFile(m_catalogue).name(), kCatalogueType);
        QCOMPARE(mime.mimeTypeForFile(renamed).name(), kCatalogueType);
        QCOMPARE(mime.mimeTypeForFile(plain).name(), QStringLiteral("application/vnd.sqlite3"));
        QVERIFY(mime.mimeTypeForFile(text).name() != kCatalogueType);
        // The name alone says nothing: the program's own type names are untouched.
        QVERIFY(mime.mimeTypeForFile(QStringLiteral("nothing.dat"), QMimeDatabase::MatchExtension).name() !=
                kCatalogueType);
        QVERIFY(QFileInfo::exists(renamed));

        // The desktop entry offers the program for that type.
        QFile entry(prefixed(QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString desktop = QString::fromUtf8(entry.readAll());
        QVERIFY(desktop.contains(QStringLiteral("\nMimeType=") + kCatalogueType + QLatin1Char(';')));
        QVERIFY(desktop.contains(QStringLiteral("\nExec=Vambrel %F\n")));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
