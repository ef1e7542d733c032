#include "AppInfo.h"
#include "AsOtherUser.h"
#include "NativeName.h"
#include "shell/DesktopEntry.h"
#include "shell/MimeApps.h"
#include "shell/ShellLauncher.h"
#include "shell/ShellPropertiesTexts.h"
#include "shell/frmAbout.h"
#include "shell/frmShellProperties.h"
#include "shell/mShellExecute.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vambrel;

namespace {

// Records what would have been started; never starts anything.
class FakeLauncher : public ShellLauncher {
public:
    bool launch(const QStringList& command, const QString& workingFolder, qint64* processId) override {
        m_command = command;
        m_workingFolder = workingFolder;
        ++m_calls;
        if (processId != nullptr)
            *processId = 4321;
        return m_succeed;
    }
    QStringList m_command;
    QString m_workingFolder;
    int m_calls = 0;
    bool m_succeed = true;
};

bool writeFile(const QString& path, const QByteArray& data, QFile::Permissions permissions = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return false;
    file.close();
    return permissions == QFile::Permissions() || file.setPermissions(permissions);
}

const QFile::Permissions kExecutable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                       QFile::ExeGroup;

QByteArray desktopFile(const QByteArray& exec, const QByteArray& types, const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=Test\nExec=" + exec + "\nMimeType=" + types + "\n" +
           extra;
}

} // namespace

class TestShellExecute : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    FakeLauncher m_launcher;
    QStringList m_reported;

    QString path(const QString& relative) const { return QDir(m_root.path()).filePath(relative); }
    QString bin(const char* name) const { return path(QStringLiteral("bin/") + QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        // A controlled desktop: its own MIME types, applications and associations, nothing of the machine's.
        qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", path(QStringLiteral("etcxdg")).toUtf8());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", path(QStringLiteral("share")).toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "Test");
        QVERIFY(
            writeFile(path(QStringLiteral("share/mime/packages/vambrel-test.xml")),
                      "<?xml version=\"1.0\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                      " <mime-type type=\"application/x-vbtest\"><comment>Document test</comment>"
                      "<glob pattern=\"*.vbt\"/></mime-type>\n"
                      " <mime-type type=\"application/x-vbchild\"><comment>Enfant</comment>"
                      "<sub-class-of type=\"application/x-vbtest\"/><glob pattern=\"*.vbc\"/></mime-type>\n"
                      " <mime-type type=\"application/x-vbnone\"><comment>Sans</comment>"
                      "<glob pattern=\"*.vbn\"/></mime-type>\n"
                      " <mime-type type=\"application/x-vbbroken\"><comment>Cassé</comment>"
                      "<glob pattern=\"*.vbb\"/></mime-type>\n"
                      " <mime-type type=\"application/x-vbterm\"><comment>Terminal</comment>"
                      "<glob pattern=\"*.vbterm\"/></mime-type>\n"
                      " <mime-type type=\"application/x-vbpath\"><comment>Chemin</comment>"
                      "<glob pattern=\"*.vbpath\"/></mime-type>\n"
                      " <mime-type type=\"inode/directory\"><comment>Dossier</comment></mime-type>\n"
                      " <mime-type type=\"inode/fifo\"><comment>FIFO</comment></mime-type>\n"
                      " <mime-type type=\"application/vnd.sqlite3\"><comment>SQLite</comment>"
                      "<magic><match type=\"string\" value=\"SQLite format 3\" offset=\"0\"/></magic>"
                      "</mime-type>\n"
                      "</mime-info>\n"));
        // The catalogue type in another data folder than the generic SQLite type, as when the
        // program is installed in ~/.local or /usr/local, and the generic type compiled into a
        // mime.cache as a system's is: Qt 6.4 then answers the generic type for a catalogue, and
        // the program must still tell its files.
        QVERIFY(writeFile(path(QStringLiteral("data/mime/packages/catalogue.xml")),
                          "<?xml version=\"1.0\"?>\n"
                          "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                          " <mime-type type=\"application/x-vambrel-catalogue\"><comment>Catalogue</comment>"
                          "<sub-class-of type=\"application/vnd.sqlite3\"/><magic priority=\"80\">"
                          "<match type=\"string\" value=\"SQLite format 3\" offset=\"0\">"
                          "<match type=\"string\" value=\"VBML\" offset=\"68\"/></match></magic>"
                          "</mime-type>\n</mime-info>\n"));
        const QString compiler = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!compiler.isEmpty())
            QCOMPARE(QProcess::execute(compiler, {path(QStringLiteral("share/mime"))}), 0);
        for (const char* name : {"vbviewer", "vbother", "vbbrowser", "vbfiles", "vbcatalogue", "vbsqlite",
                                 "x-terminal-emulator"})
            QVERIFY(writeFile(bin(name), "#!/bin/sh\nexit 0\n", kExecutable));
        // Programs named without a folder are found on the search path.
        qputenv("PATH", path(QStringLiteral("bin")).toUtf8() + ':' + qgetenv("PATH"));
        const QString apps = path(QStringLiteral("share/applications/"));
        QVERIFY(writeFile(
            apps + QStringLiteral("vbviewer.desktop"),
            desktopFile("\"" + bin("vbviewer").toUtf8() + "\" --open %f", "application/x-vbtest;")));
        QVERIFY(writeFile(apps + QStringLiteral("vbother.desktop"),
                          desktopFile(bin("vbother").toUtf8() + " %U", "application/x-vbtest;")));
        QVERIFY(writeFile(apps + QStringLiteral("broken.desktop"),
                          desktopFile("/nonexistent/program %f", "application/x-vbbroken;")));
        QVERIFY(writeFile(apps + QStringLiteral("browser.desktop"),
                          desktopFile(bin("vbbrowser").toUtf8() + " %u",
                                      "x-scheme-handler/https;x-scheme-handler/mailto;")));
        QVERIFY(writeFile(apps + QStringLiteral("term.desktop"),
                          desktopFile("vbviewer %f", "application/x-vbterm;", "Terminal=true\n")));
        QVERIFY(writeFile(apps + QStringLiteral("onpath.desktop"),
                          desktopFile("vbviewer %f", "application/x-vbpath;")));
        QVERIFY(writeFile(apps + QStringLiteral("files.desktop"),
                          desktopFile(bin("vbfiles").toUtf8() + " %U", "inode/directory;")));
        QVERIFY(
            writeFile(apps + QStringLiteral("catalogue.desktop"),
                      desktopFile(bin("vbcatalogue").toUtf8() + " %F", "application/x-vambrel-catalogue;")));
        QVERIFY(writeFile(apps + QStringLiteral("sqlite.desktop"),
                          desktopFile(bin("vbsqlite").toUtf8() + " %f", "application/vnd.sqlite3;")));
        QByteArray sqlite("SQLite format 3\0", 16);
        sqlite.append(QByteArray(84, '\0'));
        QVERIFY(writeFile(path(QStringLiteral("docs/base.dat")), sqlite));
        QVERIFY(writeFile(path(QStringLiteral("docs/photos.dat")), sqlite.replace(68, 4, "VBML")));
        // The user's choice: the second viewer, after one that is not installed.
        QVERIFY(writeFile(path(QStringLiteral("config/mimeapps.list")),
                          "[Default Applications]\napplication/x-vbtest=missing.desktop;vbother.desktop;\n"));
        QVERIFY(writeFile(path(QStringLiteral("docs/lettre.vbt")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/enfant.vbc")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/rien.vbn")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/casse.vbb")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/plain.txt")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/script.vbterm")), "contenu"));
        QVERIFY(writeFile(path(QStringLiteral("docs/note.vbpath")), "contenu"));
        QCOMPARE(QMimeDatabase().mimeTypeForFile(path(QStringLiteral("docs/lettre.vbt"))).name(),
                 QStringLiteral("application/x-vbtest"));
        QCOMPARE(QMimeDatabase().mimeTypeForFile(path(QStringLiteral("docs/note.vbpath"))).name(),
                 QStringLiteral("application/x-vbpath"));

        mShellExecute::setLauncher(&m_launcher);
        mShellExecute::setReporter([this](QWidget*, const QString& message) { m_reported.append(message); });
    }
    void init() {
        m_launcher = FakeLauncher();
        m_reported.clear();
    }
    void cleanupTestCase() {
        mShellExecute::setLauncher(nullptr);
        mShellExecute::setReporter({});
    }

    void errorMessage_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("0") << 0 << QStringLiteral("Mémoire insuffisante.");
        QTest::newRow("8") << 8 << QStringLiteral("Mémoire insuffisante.");
        QTest::newRow("2") << 2 << QStringLiteral("Fichier non trouvé.");
        QTest::newRow("3") << 3 << QStringLiteral("Erreur dans le chemin.");
        QTest::newRow("5") << 5 << QStringLiteral("Accès au fichier refusé.");
        QTest::newRow("11") << 11 << QStringLiteral("Erreur lors de l'ouverture du fichier.");
        QTest::newRow("26") << 26 << QStringLiteral("Violation de partage.");
        QTest::newRow("27") << 27 << QStringLiteral("Ce type de fichier n'a pas d'association valide.");
        QTest::newRow("28") << 28 << QStringLiteral("Délai d'attente dépassé.");
        QTest::newRow("29") << 29 << QStringLiteral("Erreur dans la transaction DDE.");
        QTest::newRow("30") << 30 << QStringLiteral("L'application demandée est occupée.");
        QTest::newRow("31") << 31
                            << QStringLiteral("Aucune application n'est associée à ce type de fichier.");
        QTest::newRow("32") << 32 << QStringLiteral("Une DLL requise n'a pas été trouvée.");
        QTest::newRow("other") << 7
                               << QStringLiteral("Une erreur est survenue pendant l'ouverture du fichier.");
        QTest::newRow("negative") << -1
                                  << QStringLiteral(
                                         "Une erreur est survenue pendant l'ouverture du fichier.");
    }
    void errorMessage() {
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(mShellExecute::ErrorMessage(code), message);
    }

    void open_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("command");
        const QString docs = path(QStringLiteral("docs"));
        const QString letter = path(QStringLiteral("docs/lettre.vbt"));
        QTest::newRow("default application")
            << letter << QStringLiteral("open") << QString() << 33 << QStringList{bin("vbother"), letter};
        QTest::newRow("empty verb opens")
            << letter << QString() << QString() << 33 << QStringList{bin("vbother"), letter};
        QTest::newRow("relative in folder") << QStringLiteral("lettre.vbt") << QStringLiteral("open") << docs
                                            << 33 << QStringList{bin("vbother"), letter};
        QTest::newRow("parent type's application")
            << path(QStringLiteral("docs/enfant.vbc")) << QStringLiteral("open") << QString() << 33
            << QStringList{bin("vbother"), path(QStringLiteral("docs/enfant.vbc"))};
        QTest::newRow("folder") << docs << QStringLiteral("open") << QString() << 33
                                << QStringList{bin("vbfiles"), docs};
        QTest::newRow("web address") << QStringLiteral("https://quorvat.example/a b")
                                     << QStringLiteral("open") << QString() << 33
                                     << QStringList{bin("vbbrowser"),
                                                    QStringLiteral("https://quorvat.example/a%20b")};
        QTest::newRow("mail address")
            << QStringLiteral("mailto:info@quorvat.example") << QStringLiteral("open") << QString() << 33
            << QStringList{bin("vbbrowser"), QStringLiteral("mailto:info@quorvat.example")};
        QTest::newRow("file address") << QStringLiteral("file://") + letter << QStringLiteral("open")
                                      << QString() << 33 << QStringList{bin("vbother"), letter};
        QTest::newRow("program on the search path")
            << path(QStringLiteral("docs/note.vbpath")) << QStringLiteral("open") << QString() << 33
            << QStringList{bin("vbviewer"), path(QStringLiteral("docs/note.vbpath"))};
        QTest::newRow("terminal application")
            << path(QStringLiteral("docs/script.vbterm")) << QStringLiteral("open") << QString() << 33
            << QStringList{bin("x-terminal-emulator"), QStringLiteral("-e"), QStringLiteral("vbviewer"),
                           path(QStringLiteral("docs/script.vbterm"))};
        QTest::newRow("catalogue by its content")
            << path(QStringLiteral("docs/photos.dat")) << QStringLiteral("open") << QString() << 33
            << QStringList{bin("vbcatalogue"), path(QStringLiteral("docs/photos.dat"))};
        QTest::newRow("other SQLite file")
            << path(QStringLiteral("docs/base.dat")) << QStringLiteral("open") << QString() << 33
            << QStringList{bin("vbsqlite"), path(QStringLiteral("docs/base.dat"))};
        QTest::newRow("missing file") << path(QStringLiteral("docs/absent.vbt")) << QStringLiteral("open")
                                      << QString() << 2 << QStringList();
        QTest::newRow("empty name") << QString() << QStringLiteral("open") << QString() << 2 << QStringList();
        QTest::newRow("missing folder") << path(QStringLiteral("nowhere/absent.vbt"))
                                        << QStringLiteral("open") << QString() << 3 << QStringList();
        QTest::newRow("file as folder")
            << letter + QStringLiteral("/x.vbt") << QStringLiteral("open") << QString() << 3 << QStringList();
        QTest::newRow("missing working folder")
            << letter << QStringLiteral("open") << path(QStringLiteral("nowhere")) << 3 << QStringList();
        QTest::newRow("working folder is a file")
            << letter << QStringLiteral("open") << letter << 3 << QStringList();
        QTest::newRow("no association") << path(QStringLiteral("docs/rien.vbn")) << QStringLiteral("open")
                                        << QString() << 31 << QStringList();
        QTest::newRow("unknown type") << path(QStringLiteral("docs/plain.txt")) << QStringLiteral("open")
                                      << QString() << 31 << QStringList();
        QTest::newRow("unknown scheme") << QStringLiteral("gopher://quorvat.example/")
                                        << QStringLiteral("open") << QString() << 31 << QStringList();
        QTest::newRow("unknown verb")
            << letter << QStringLiteral("print") << QString() << 31 << QStringList();
        QTest::newRow("application gone") << path(QStringLiteral("docs/casse.vbb")) << QStringLiteral("open")
                                          << QString() << 27 << QStringList();
    }
    void open() {
        QFETCH(QString, file);
        QFETCH(QString, verb);
        QFETCH(QString, folder);
        QFETCH(int, code);
        QFETCH(QStringList, command);
        QCOMPARE(
            mShellExecute::Open(file, verb, QString(), folder, mShellExecute::kShowDefault, nullptr, false),
            code);
        QCOMPARE(m_launcher.m_command, command);
        QCOMPARE(m_launcher.m_calls, command.isEmpty() ? 0 : 1);
        QCOMPARE(m_launcher.m_workingFolder, code > 32 ? folder : QString());
        QVERIFY(m_reported.isEmpty());
        // Reporting shows exactly the message of the code, and only on failure.
        QCOMPARE(
            mShellExecute::Open(file, verb, QString(), folder, mShellExecute::kShowDefault, nullptr, true),
            code);
        QCOMPARE(m_reported, code > 32 ? QStringList() : QStringList{mShellExecute::ErrorMessage(code)});
    }

    void launchFailure() {
        m_launcher.m_succeed = false;
        QCOMPARE(mShellExecute::Open(path(QStringLiteral("docs/lettre.vbt")), QStringLiteral("open"),
                                     QString(), QString(), mShellExecute::kShowDefault, nullptr, true),
                 11);
        QCOMPARE(m_reported, QStringList{QStringLiteral("Erreur lors de l'ouverture du fichier.")});
    }

    void fifoIsNotRead() {
        const QString fifo = path(QStringLiteral("docs/tube"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(mShellExecute::Open(fifo, QStringLiteral("open"), QString(), QString(), 10, nullptr, false),
                 31);
        QVERIFY(QFile::remove(fifo));
    }

    void unreadableFile() {
        // Run as an ordinary user: the super-user reads every file.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(), kExecutable));
        const QString file = dir.filePath(QStringLiteral("secret.vbt"));
        QVERIFY(writeFile(file, "secret", QFile::WriteOwner));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (!test::becomeNobody())
                ::_exit(200);
            ::_exit(
                mShellExecute::Open(file, QStringLiteral("open"), QString(), QString(), 10, nullptr, false));
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 5);
        QCOMPARE(m_launcher.m_calls, 0);
    }

    void propertiesRequest() {
        const QString letter = path(QStringLiteral("docs/lettre.vbt"));
        int code = 0;
        qint64 process = -1;
        QVERIFY(mShellExecute::ShellRequest(letter, QStringLiteral("Properties"), QString(), QString(), 10,
                                            nullptr, true, &process, &code));
        QCOMPARE(code, 33);
        QCOMPARE(m_launcher.m_calls, 0);
        frmShellProperties* sheet = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* candidate = qobject_cast<frmShellProperties*>(widget);
                candidate && candidate->isVisible())
                sheet = candidate;
        }
        QVERIFY(sheet != nullptr);
        QCOMPARE(sheet->windowTitle(), QStringLiteral("Propriétés de lettre.vbt"));
        QStringList values;
        for (const QLabel* label : sheet->findChildren<QLabel*>())
            values.append(label->text());
        QVERIFY(values.contains(QStringLiteral("lettre.vbt")));
        QVERIFY(values.contains(QStringLiteral("7 octet(s) (7 octets)")));
        QPointer<frmShellProperties> guard(sheet);
        sheet->close();
        QTRY_VERIFY(guard.isNull());

        // The item is gone: the request fails, silently with no-error-display.
        QVERIFY(!mShellExecute::ShellRequest(path(QStringLiteral("docs/parti.vbt")),
                                             QStringLiteral("Properties"), QString(), QString(), 10, nullptr,
                                             true, nullptr, &code));
        QCOMPARE(code, 2);
        QVERIFY(m_reported.isEmpty());
        QVERIFY(!mShellExecute::ShellRequest(path(QStringLiteral("docs/parti.vbt")),
                                             QStringLiteral("Properties"), QString(), QString(), 10, nullptr,
                                             false, nullptr, &code));
        QCOMPARE(m_reported, QStringList{QStringLiteral("Fichier non trouvé.")});
    }

    void shellRequestProcess() {
        int code = 0;
        qint64 process = 0;
        QVERIFY(mShellExecute::ShellRequest(path(QStringLiteral("docs/lettre.vbt")), QStringLiteral("open"),
                                            QString(), QString(), 10, nullptr, true, &process, &code));
        QCOMPARE(code, 33);
        QCOMPARE(process, qint64(4321));
        QVERIFY(!mShellExecute::ShellRequest(path(QStringLiteral("docs/rien.vbn")), QStringLiteral("open"),
                                             QString(), QString(), 10, nullptr, true, &process, &code));
        QCOMPARE(code, 31);
        QCOMPARE(process, qint64(0));
    }

    void aboutLinks() {
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.lblWeb(1), Qt::LeftButton);
        QCOMPARE(m_launcher.m_command, (QStringList{bin("vbbrowser"), AppInfo::webAddress()}));
        QTest::mouseClick(about.lblMail(1), Qt::LeftButton);
        QCOMPARE(m_launcher.m_command,
                 (QStringList{bin("vbbrowser"), QStringLiteral("mailto:") + AppInfo::mailAddress()}));
        // The captions are not links.
        QTest::mouseClick(about.lblWeb(0), Qt::LeftButton);
        QCOMPARE(m_launcher.m_calls, 2);
        QVERIFY(m_reported.isEmpty());
    }

    void splitExec_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringLiteral("vim %f") << true
                               << QStringList{QStringLiteral("vim"), QStringLiteral("%f")};
        QTest::newRow("blanks") << QStringLiteral("  a \t b  ") << true
                                << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("quoted with space")
            << QStringLiteral("\"/opt/My App/run\" %U") << true
            << QStringList{QStringLiteral("/opt/My App/run"), QStringLiteral("%U")};
        QTest::newRow("escapes in quotes")
            << QStringLiteral("sh \"a \\\"b\\\" \\$c \\\\d\"") << true
            << QStringList{QStringLiteral("sh"), QStringLiteral("a \"b\" $c \\d")};
        QTest::newRow("empty quoted")
            << QStringLiteral("a \"\"") << true << QStringList{QStringLiteral("a"), QString()};
        QTest::newRow("unterminated") << QStringLiteral("\"abc") << false << QStringList();
        QTest::newRow("empty") << QString() << true << QStringList();
    }
    void splitExec() {
        QFETCH(QString, exec);
        QFETCH(bool, ok);
        QFETCH(QStringList, arguments);
        const auto split = DesktopEntry::splitExec(exec);
        QCOMPARE(split.has_value(), ok);
        if (split)
            QCOMPARE(*split, arguments);
    }

    void command_data() {
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QStringList>("command");
        const QString t = QStringLiteral("/tmp/a b;$(x).txt");
        QTest::newRow("file code") << QByteArray("app %f") << QStringList{QStringLiteral("app"), t};
        QTest::newRow("list code once") << QByteArray("app %F %U") << QStringList{QStringLiteral("app"), t};
        QTest::newRow("no code appends")
            << QByteArray("app --new") << QStringList{QStringLiteral("app"), QStringLiteral("--new"), t};
        QTest::newRow("code inside argument")
            << QByteArray("app --file=%f")
            << QStringList{QStringLiteral("app"), QStringLiteral("--file=") + t};
        QTest::newRow("icon name path")
            << QByteArray("app %i %c %k %f")
            << QStringList{
                   QStringLiteral("app"),         QStringLiteral("--icon"),          QStringLiteral("vbicon"),
                   QStringLiteral("Visionneuse"), QStringLiteral("/apps/v.desktop"), t};
        QTest::newRow("deprecated removed")
            << QByteArray("app %d %n %m %f") << QStringList{QStringLiteral("app"), t};
        QTest::newRow("percent") << QByteArray("app 100%% %f")
                                 << QStringList{QStringLiteral("app"), QStringLiteral("100%"), t};
        QTest::newRow("string escape")
            << QByteArray("app\\sx %f") << QStringList{QStringLiteral("app"), QStringLiteral("x"), t};
        QTest::newRow("bad quoting") << QByteArray("\"app %f") << QStringList();
        QTest::newRow("only a code") << QByteArray("%f") << QStringList();
        QTest::newRow("code in program") << QByteArray("%f.sh --x") << QStringList();
        QTest::newRow("percent in program")
            << QByteArray("100%%app %f") << QStringList{QStringLiteral("100%app"), t};
    }
    void command() {
        QFETCH(QByteArray, exec);
        QFETCH(QStringList, command);
        const DesktopEntry entry = DesktopEntry::parse("[Desktop Entry]\nType=Application\nName=Viewer\n"
                                                       "Name[fr]=Visionneuse\nIcon=vbicon\nExec=" +
                                                           exec + "\n",
                                                       QStringLiteral("/apps/v.desktop"));
        QCOMPARE(entry.command(QStringLiteral("/tmp/a b;$(x).txt")), command);
    }

    void launchable_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("launchable");
        QTest::newRow("application") << QByteArray("[Desktop Entry]\nType=Application\nExec=a\n") << true;
        QTest::newRow("link") << QByteArray("[Desktop Entry]\nType=Link\nExec=a\n") << false;
        QTest::newRow("no exec") << QByteArray("[Desktop Entry]\nType=Application\n") << false;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nType=Application\nExec=a\nHidden=true\n")
                                << false;
        QTest::newRow("try exec missing")
            << QByteArray("[Desktop Entry]\nType=Application\nExec=a\nTryExec=/nonexistent/x\n") << false;
        QTest::newRow("other group first")
            << QByteArray("[Other]\nType=Link\n[Desktop Entry]\nType=Application\nExec=a\n") << true;
        QTest::newRow("action group ignored")
            << QByteArray("[Desktop Entry]\nType=Application\n[Desktop Action x]\nExec=a\n") << false;
    }
    void launchable() {
        QFETCH(QByteArray, data);
        QFETCH(bool, launchable);
        QCOMPARE(DesktopEntry::parse(data).isLaunchable(), launchable);
    }

    void mimeApps_data() {
        QTest::addColumn<QByteArray>("userList");
        QTest::addColumn<QByteArray>("desktopList");
        QTest::addColumn<QByteArray>("systemList");
        QTest::addColumn<QString>("expected");
        const QByteArray none;
        QTest::newRow("declared only: first by name") << none << none << none << QStringLiteral("a.desktop");
        QTest::newRow("user default") << QByteArray("[Default Applications]\nx/y=b.desktop\n") << none << none
                                      << QStringLiteral("b.desktop");
        QTest::newRow("default not installed skipped")
            << QByteArray("[Default Applications]\nx/y=zz.desktop;c.desktop;\n") << none << none
            << QStringLiteral("c.desktop");
        QTest::newRow("default not associated skipped")
            << QByteArray("[Default Applications]\nx/y=other.desktop\n") << none << none
            << QStringLiteral("a.desktop");
        QTest::newRow("added makes it associated")
            << QByteArray(
                   "[Default Applications]\nx/y=other.desktop\n[Added Associations]\nx/y=other.desktop\n")
            << none << none << QStringLiteral("other.desktop");
        QTest::newRow("desktop-specific before generic")
            << QByteArray("[Default Applications]\nx/y=b.desktop\n")
            << QByteArray("[Default Applications]\nx/y=c.desktop\n") << none << QStringLiteral("c.desktop");
        QTest::newRow("user before system")
            << QByteArray("[Default Applications]\nx/y=b.desktop\n") << none
            << QByteArray("[Default Applications]\nx/y=c.desktop\n") << QStringLiteral("b.desktop");
        QTest::newRow("removed association")
            << QByteArray("[Removed Associations]\nx/y=a.desktop;b.desktop;\n") << none << none
            << QStringLiteral("c.desktop");
        QTest::newRow("all removed")
            << QByteArray("[Removed Associations]\nx/y=a.desktop;b.desktop;c.desktop;vendor-d.desktop\n")
            << none << none << QString();
        QTest::newRow("added ignored in desktop-specific file")
            << none << QByteArray("[Added Associations]\nx/y=other.desktop\n") << none
            << QStringLiteral("a.desktop");
        QTest::newRow("hidden application") << QByteArray("[Default Applications]\nx/y=hidden.desktop\n")
                                            << none << none << QStringLiteral("a.desktop");
        QTest::newRow("subfolder id") << QByteArray("[Default Applications]\nx/y=vendor-d.desktop\n") << none
                                      << none << QStringLiteral("vendor/d.desktop");
    }
    void mimeApps() {
        QFETCH(QByteArray, userList);
        QFETCH(QByteArray, desktopList);
        QFETCH(QByteArray, systemList);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString apps = dir.filePath(QStringLiteral("share/applications/"));
        for (const char* name : {"c", "b", "a"})
            QVERIFY(writeFile(apps + QLatin1String(name) + QStringLiteral(".desktop"),
                              desktopFile("true %f", "x/y;")));
        QVERIFY(writeFile(apps + QStringLiteral("other.desktop"), desktopFile("true %f", "q/r;")));
        QVERIFY(writeFile(apps + QStringLiteral("hidden.desktop"),
                          desktopFile("true %f", "x/y;", "Hidden=true\n")));
        QVERIFY(writeFile(apps + QStringLiteral("vendor/d.desktop"), desktopFile("true %f", "x/y;")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config/mimeapps.list")), userList));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config/kde-mimeapps.list")), desktopList));
        QVERIFY(writeFile(apps + QStringLiteral("mimeapps.list"), systemList));
        const MimeApps associations({dir.filePath(QStringLiteral("config"))},
                                    {dir.filePath(QStringLiteral("share"))}, {QStringLiteral("KDE")});
        const QString found = associations.applicationFor(QStringLiteral("x/y"));
        QCOMPARE(found, expected.isEmpty() ? QString() : apps + expected);
    }

    void permissionsText_data() {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << 0644u << QStringLiteral("rw-r--r--");
        QTest::newRow("none") << 0000u << QStringLiteral("---------");
        QTest::newRow("all") << 0777u << QStringLiteral("rwxrwxrwx");
        QTest::newRow("setuid") << 04755u << QStringLiteral("rwsr-xr-x");
        QTest::newRow("setgid without x") << 02640u << QStringLiteral("rw-r-S---");
        QTest::newRow("sticky") << 01777u << QStringLiteral("rwxrwxrwt");
    }
    void permissionsText() {
        QFETCH(uint, mode);
        QFETCH(QString, text);
        QCOMPARE(ShellPropertiesTexts::permissionsText(mode), text);
    }

    void propertiesTexts() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("données.vbt"));
        QVERIFY(writeFile(file, QByteArray(1536, 'x')));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const auto texts = ShellPropertiesTexts::read(file);
        QVERIFY(texts.has_value());
        QCOMPARE(texts->value(QStringLiteral("Nom :")), QStringLiteral("données.vbt"));
        QCOMPARE(texts->value(QStringLiteral("Emplacement :")), dir.path());
        QCOMPARE(texts->value(QStringLiteral("Type :")), QStringLiteral("Document test"));
        QCOMPARE(texts->value(QStringLiteral("Taille :")), QStringLiteral("1,50 Ko (1 536 octets)"));
        QCOMPARE(texts->value(QStringLiteral("Autorisations :")), QStringLiteral("rw-r-----"));
        QVERIFY(!texts->value(QStringLiteral("Modifié le :")).isEmpty());
        QVERIFY(!texts->value(QStringLiteral("Propriétaire :")).isEmpty());

        const auto folder = ShellPropertiesTexts::read(dir.path() + QStringLiteral("/"));
        QVERIFY(folder.has_value());
        QCOMPARE(folder->value(QStringLiteral("Type :")), QStringLiteral("Dossier"));
        QCOMPARE(folder->value(QStringLiteral("Nom :")), QFileInfo(dir.path()).fileName());
        QCOMPARE(folder->value(QStringLiteral("Taille :")), QString());

        const QString link = dir.filePath(QStringLiteral("lien"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("absent")), link));
        const auto linkTexts = ShellPropertiesTexts::read(link);
        QVERIFY(linkTexts.has_value());
        QCOMPARE(linkTexts->value(QStringLiteral("Type :")), QStringLiteral("Lien symbolique"));
        QCOMPARE(linkTexts->value(QStringLiteral("Cible :")), dir.filePath(QStringLiteral("absent")));

        // A name that is not UTF-8 is found on disk and shown with its byte escaped.
        const QByteArray raw = PathToNative(dir.path()) + "/\xff-brut.txt";
        {
            QFile f;
            QVERIFY(
                f.open(::fopen(raw.constData(), "w"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
            f.write("abc");
        }
        const auto rawTexts = ShellPropertiesTexts::read(PathFromNative(raw));
        ::unlink(raw.constData());
        QVERIFY(rawTexts.has_value());
        QCOMPARE(rawTexts->value(QStringLiteral("Nom :")), QStringLiteral("\\xFF-brut.txt"));
        QCOMPARE(rawTexts->value(QStringLiteral("Taille :")), QStringLiteral("3 octet(s) (3 octets)"));

        QVERIFY(!ShellPropertiesTexts::read(dir.filePath(QStringLiteral("absent"))).has_value());
        QVERIFY(!ShellPropertiesTexts::read(QString()).has_value());
        QCOMPARE(ShellPropertiesTexts::read(QStringLiteral("/"))->value(QStringLiteral("Nom :")),
                 QStringLiteral("/"));
    }

    void typeText_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("known") << QStringLiteral("a.vbt") << QStringLiteral("Document test");
        QTest::newRow("unknown extension") << QStringLiteral("a.zzq") << QStringLiteral("Fichier ZZQ");
        QTest::newRow("no extension") << QStringLiteral("README") << QStringLiteral("Fichier");
    }
    void typeText() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QCOMPARE(ShellPropertiesTexts::typeText(name, false, false), type);
    }
};

QTEST_MAIN(TestShellExecute)
#include "tst_shellexecute.moc"
