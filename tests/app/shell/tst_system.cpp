#include "AppInfo.h"
#include "shell/AboutTexts.h"
#include "shell/OsVersion.h"
#include "shell/PropPosteTexts.h"
#include "shell/SystemSource.h"
#include "shell/cRegistry.h"
#include "shell/frmAbout.h"
#include "shell/frmPropPoste.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace vambrel;

Q_DECLARE_METATYPE(cRegistry::RootKey)

namespace {

constexpr uint kUid = 1000;

bool writeFile(const QString& root, const QString& relative, const QByteArray& data) {
    const QString path = QDir(root).filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A complete sample system.
bool writeSampleSystem(const QString& root) {
    return writeFile(root, QStringLiteral("etc/os-release"),
                     "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                     "VERSION_ID=\"12\"\nVERSION_CODENAME=bookworm\nBUILD_ID=20240101\n") &&
           writeFile(
               root, QStringLiteral("proc/meminfo"),
               "MemTotal:         262144 kB\nMemFree:           1000 kB\nMemAvailable:     102400 kB\n") &&
           writeFile(root, QStringLiteral("proc/sys/kernel/osrelease"), "6.1.0-18-amd64\n") &&
           writeFile(root, QStringLiteral("proc/sys/kernel/hostname"), "poste-ana\n") &&
           writeFile(root, QStringLiteral("sys/class/dmi/id/sys_vendor"), "Quorvat Systèmes\n") &&
           writeFile(root, QStringLiteral("etc/passwd"),
                     "root:x:0:0:root:/root:/bin/bash\n"
                     "ana:x:1000:1000:Ana Lefèvre,Bureau 12,,:/home/ana:/bin/bash\n");
}

} // namespace

class TestSystem : public QObject {
    Q_OBJECT

    QTemporaryDir m_full;  // every source present
    QTemporaryDir m_empty; // no source at all

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_full.isValid());
        QVERIFY(m_empty.isValid());
        QVERIFY(writeSampleSystem(m_full.path()));
    }
    void cleanup() { SystemSource::resetCurrent(); }

    void parseOsRelease_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double quotes") << QByteArray("NAME=\"Debian GNU/Linux\"") << QStringLiteral("NAME")
                                       << QStringLiteral("Debian GNU/Linux");
        QTest::newRow("single quotes")
            << QByteArray("NAME='A \\ B'") << QStringLiteral("NAME") << QStringLiteral("A \\ B");
        QTest::newRow("bare") << QByteArray("ID=debian") << QStringLiteral("ID") << QStringLiteral("debian");
        QTest::newRow("escapes") << QByteArray("NAME=\"say \\\"hi\\\" \\$x\"") << QStringLiteral("NAME")
                                 << QStringLiteral("say \"hi\" $x");
        QTest::newRow("utf-8") << QByteArray("NAME=\"Système\"") << QStringLiteral("NAME")
                               << QStringLiteral("Système");
        QTest::newRow("comment skipped")
            << QByteArray("#NAME=x\nNAME=y") << QStringLiteral("NAME") << QStringLiteral("y");
        QTest::newRow("unterminated quote")
            << QByteArray("NAME=\"broken") << QStringLiteral("NAME") << QString();
        QTest::newRow("bad key") << QByteArray("1NAME=x") << QStringLiteral("1NAME") << QString();
        QTest::newRow("no equals") << QByteArray("NAME") << QStringLiteral("NAME") << QString();
        QTest::newRow("crlf line") << QByteArray("NAME=\"x\"\r\nID=y\r\n") << QStringLiteral("ID")
                                   << QStringLiteral("y");
        QTest::newRow("binary junk") << QByteArray("\x01\x02=\xff\xfe\nID=ok", 12) << QStringLiteral("ID")
                                     << QStringLiteral("ok");
    }
    void parseOsRelease() {
        QFETCH(QByteArray, data);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(SystemSource::parseOsRelease(data).value(key), expected);
    }

    void parseMemInfo_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("found");
        QTest::addColumn<quint64>("expected");
        QTest::newRow("kilo-octets") << QByteArray("MemTotal:  262144 kB\n") << QByteArray("MemTotal") << true
                                     << quint64(268435456);
        QTest::newRow("no unit") << QByteArray("HugePages_Total:  12\n") << QByteArray("HugePages_Total")
                                 << true << quint64(12);
        QTest::newRow("prefix of another field")
            << QByteArray("MemTotalX: 5 kB\n") << QByteArray("MemTotal") << false << quint64(0);
        QTest::newRow("not a number")
            << QByteArray("MemTotal: lots kB\n") << QByteArray("MemTotal") << false << quint64(0);
        QTest::newRow("overflow") << QByteArray("MemTotal: 18446744073709551615 kB\n")
                                  << QByteArray("MemTotal") << false << quint64(0);
        QTest::newRow("negative") << QByteArray("MemTotal: -5 kB\n") << QByteArray("MemTotal") << false
                                  << quint64(0);
        QTest::newRow("missing") << QByteArray() << QByteArray("MemTotal") << false << quint64(0);
    }
    void parseMemInfo() {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, field);
        QFETCH(bool, found);
        QFETCH(quint64, expected);
        const auto value = SystemSource::parseMemInfo(data, field);
        QCOMPARE(value.has_value(), found);
        if (found)
            QCOMPARE(*value, expected);
    }

    void parsePasswd_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("uid");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("fullName");
        const QByteArray sample = "root:x:0:0:root:/root:/bin/bash\n"
                                  "ana:x:1000:1000:Ana Lefèvre,Bureau 12,,:/home/ana:/bin/bash\n"
                                  "bob:x:1001:1001:& Martin:/home/bob:/bin/sh\n"
                                  "nogecos:x:1002:1002::/home/x:/bin/sh\n"
                                  "short:x:1003\n"
                                  ":x:1004:1004:No Name:/:/bin/sh\n";
        QTest::newRow("comment fields cut")
            << sample << 1000u << QStringLiteral("ana") << QStringLiteral("Ana Lefèvre");
        QTest::newRow("ampersand") << sample << 1001u << QStringLiteral("bob")
                                   << QStringLiteral("Bob Martin");
        QTest::newRow("empty comment") << sample << 1002u << QStringLiteral("nogecos") << QString();
        QTest::newRow("truncated line") << sample << 1003u << QString() << QString();
        QTest::newRow("empty login") << sample << 1004u << QString() << QString();
        QTest::newRow("unknown uid") << sample << 4242u << QString() << QString();
    }
    void parsePasswd() {
        QFETCH(QByteArray, data);
        QFETCH(uint, uid);
        QFETCH(QString, login);
        QFETCH(QString, fullName);
        const auto user = SystemSource::parsePasswd(data, uid);
        QCOMPARE(user.has_value(), !login.isEmpty());
        if (user) {
            QCOMPARE(user->loginName, login);
            QCOMPARE(user->fullName, fullName);
        }
    }

    void kernelRelease_data() {
        QTest::addColumn<QString>("release");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::newRow("debian") << QStringLiteral("6.1.0-18-amd64") << true << QStringLiteral("6.1")
                                << QStringLiteral("0");
        QTest::newRow("four parts") << QStringLiteral("5.15.90.1-microsoft-standard") << true
                                    << QStringLiteral("5.15") << QStringLiteral("90");
        QTest::newRow("no patch") << QStringLiteral("6.7-rc1") << true << QStringLiteral("6.7")
                                  << QStringLiteral("0");
        QTest::newRow("leading zeros")
            << QStringLiteral("06.01.03") << true << QStringLiteral("6.1") << QStringLiteral("3");
        QTest::newRow("major only") << QStringLiteral("6") << false << QString() << QString();
        QTest::newRow("letters") << QStringLiteral("abc") << false << QString() << QString();
        QTest::newRow("empty") << QString() << false << QString() << QString();
    }
    void kernelRelease() {
        QFETCH(QString, release);
        QFETCH(bool, ok);
        QFETCH(QString, version);
        QFETCH(QString, build);
        OsVersion result;
        result.platformName = QStringLiteral("stale");
        QCOMPARE(OsVersion::FromKernelRelease(release, QStringLiteral("Debian"), &result), ok);
        QCOMPARE(result.versionText, version);
        QCOMPARE(result.buildText, build);
        QCOMPARE(result.platformName, ok ? QStringLiteral("Linux") : QString());
        QCOMPARE(result.serviceText, ok ? QStringLiteral("Debian") : QString());
    }

    void platformName_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refreshesItself");
        QTest::newRow("win32s") << 0 << 3 << 11 << QStringLiteral("Win32") << true;
        QTest::newRow("95") << 1 << 4 << 0 << QStringLiteral("Windows 95") << true;
        QTest::newRow("98") << 1 << 4 << 10 << QStringLiteral("Windows 98") << false;
        QTest::newRow("ME") << 1 << 4 << 90 << QStringLiteral("Windows ME") << false;
        QTest::newRow("9x other major") << 1 << 5 << 0 << QStringLiteral("Windows 98") << false;
        QTest::newRow("2000") << 2 << 5 << 0 << QStringLiteral("Windows 2000") << false;
        QTest::newRow("XP") << 2 << 5 << 1 << QStringLiteral("Windows XP") << false;
        QTest::newRow("5.2 is NT") << 2 << 5 << 2 << QStringLiteral("Windows NT") << false;
        QTest::newRow("NT 4") << 2 << 4 << 0 << QStringLiteral("Windows NT") << false;
        QTest::newRow("other platform") << 3 << 1 << 0 << QStringLiteral("Unknown") << false;
        QTest::newRow("linux") << int(OsVersion::LinuxKernel) << 6 << 1 << QStringLiteral("Linux") << false;
    }
    void platformName() {
        QFETCH(int, platform);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, name);
        QFETCH(bool, refreshesItself);
        QCOMPARE(OsVersion::PlatformName(platform, major, minor), name);
        QCOMPARE(OsVersion::RefreshesItself(name), refreshesItself);
    }

    void versionFromSampleSystem() {
        OsVersion version;
        QVERIFY(OsVersion::Query(&version, SystemSource(m_full.path(), kUid)));
        QCOMPARE(version.versionText, QStringLiteral("6.1"));
        QCOMPARE(version.buildText, QStringLiteral("0"));
        QCOMPARE(version.platformName, QStringLiteral("Linux"));
        QCOMPARE(version.serviceText, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
        QVERIFY(!OsVersion::RefreshesItself(version.platformName));
        // No kernel to ask: the routine fails and leaves every text empty.
        OsVersion none;
        QVERIFY(!OsVersion::Query(&none, SystemSource(m_empty.path(), kUid)));
        QVERIFY(none.versionText.isEmpty() && none.platformName.isEmpty() && none.serviceText.isEmpty());
        QVERIFY(!OsVersion::Query(nullptr));
    }

    void versionOfRealSystem() {
        // The running kernel always answers; only the shape of the answer is checked.
        OsVersion version;
        QVERIFY(OsVersion::Query(&version, SystemSource()));
        QCOMPARE(version.platformName, QStringLiteral("Linux"));
        QVERIFY(version.versionText.contains(QLatin1Char('.')));
    }

    void registry_data() {
        QTest::addColumn<cRegistry::RootKey>("root");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("expected");
        const QString current = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
        const QString acme = QStringLiteral("Software\\Microsoft\\MS Setup (ACME)\\User Info");
        using R = cRegistry::RootKey;
        QTest::newRow("product") << R::LocalMachine << current << QStringLiteral("ProductName") << true
                                 << QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        QTest::newRow("version") << R::LocalMachine << current << QStringLiteral("Version") << true
                                 << QStringLiteral("Debian GNU/Linux");
        QTest::newRow("version number")
            << R::LocalMachine << current << QStringLiteral("VersionNumber") << true << QStringLiteral("12");
        QTest::newRow("sub version") << R::LocalMachine << current << QStringLiteral("SubVersionNumber")
                                     << true << QStringLiteral("6.1.0-18-amd64");
        QTest::newRow("product id") << R::LocalMachine << current << QStringLiteral("ProductId") << true
                                    << QStringLiteral("20240101");
        QTest::newRow("owner") << R::LocalMachine << current << QStringLiteral("RegisteredOwner") << true
                               << QStringLiteral("Ana Lefèvre");
        QTest::newRow("names ignore case")
            << R::LocalMachine << current.toUpper() << QStringLiteral("productname") << true
            << QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        QTest::newRow("extra backslashes")
            << R::LocalMachine << QStringLiteral("\\") + current + QStringLiteral("\\")
            << QStringLiteral("VersionNumber") << true << QStringLiteral("12");
        QTest::newRow("unknown value")
            << R::LocalMachine << current << QStringLiteral("ProgramFilesDir") << true << QString();
        QTest::newRow("manufacturer")
            << R::LocalMachine << current + QStringLiteral("\\Setup") << QStringLiteral("Manufacturer")
            << true << QStringLiteral("Quorvat Systèmes");
        QTest::newRow("user name") << R::CurrentUser << acme << QStringLiteral("DefName") << true
                                   << QStringLiteral("Ana Lefèvre");
        QTest::newRow("no company on linux")
            << R::CurrentUser << acme << QStringLiteral("DefCompany") << true << QString();
        QTest::newRow("default user") << R::Users << QStringLiteral(".Default\\") + acme
                                      << QStringLiteral("DefName") << true << QStringLiteral("Ana Lefèvre");
        QTest::newRow("wrong root") << R::CurrentUser << current << QStringLiteral("ProductName") << false
                                    << QString();
        QTest::newRow("classes root")
            << R::ClassesRoot << QStringLiteral(".txt") << QString() << false << QString();
        QTest::newRow("unknown key") << R::LocalMachine << QStringLiteral("Software\\Other")
                                     << QStringLiteral("x") << false << QString();
        QTest::newRow("parent key") << R::LocalMachine << QStringLiteral("Software\\Microsoft")
                                    << QStringLiteral("ProductName") << false << QString();
    }
    void registry() {
        QFETCH(cRegistry::RootKey, root);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(QString, expected);
        SystemSource::setCurrent(SystemSource(m_full.path(), kUid));
        cRegistry registry;
        registry.setClassKey(root);
        registry.setSectionKey(path);
        registry.setValueKey(name);
        QCOMPARE(registry.ClassKey(), root);
        QCOMPARE(registry.KeyExists(), exists);
        const QVariant value = registry.Value();
        QCOMPARE(value.isValid(), !expected.isEmpty());
        QCOMPARE(value.toString(), expected);
    }

    void registryWithoutSources() {
        const SystemSource empty(m_empty.path(), kUid);
        cRegistry registry(empty);
        registry.setClassKey(cRegistry::RootKey::Users);
        registry.setSectionKey(QStringLiteral(".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info"));
        registry.setValueKey(QStringLiteral("DefName"));
        QVERIFY(!registry.KeyExists());
        QVERIFY(!registry.Value().isValid());
        registry.setClassKey(cRegistry::RootKey::LocalMachine);
        registry.setSectionKey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"));
        registry.setValueKey(QStringLiteral("ProductName"));
        QCOMPARE(registry.Value().toString(), QStringLiteral("Linux"));
        registry.setValueKey(QStringLiteral("VersionNumber"));
        QVERIFY(!registry.Value().isValid());
    }

    void propPosteTexts() {
        const PropPosteTexts texts(SystemSource(m_full.path(), kUid));
        QCOMPARE(texts.system(), QStringLiteral("Debian GNU/Linux 12 (bookworm)\n"
                                                "Version: Debian GNU/Linux 12 6.1.0-18-amd64\n"
                                                "\n"
                                                "Licence accordée à Ana Lefèvre\n"
                                                "20240101"));
        QCOMPARE(texts.memory(), QStringLiteral("Total: 262,1 Mo\nDisponible : 102,4 Mo"));
        QCOMPARE(texts.user(), QStringLiteral("Nom: Ana Lefèvre\nCompagnie: "));
        QCOMPARE(texts.computer(),
                 QStringLiteral("Fabricant: Quorvat Systèmes\nNom: poste-ana\nEn tant que: ana"));
    }

    void propPosteTextsWithoutSources() {
        const PropPosteTexts texts(SystemSource(m_empty.path(), kUid));
        QCOMPARE(texts.system(), QStringLiteral("Linux\nVersion: Linux  \n\nLicence accordée à \n"));
        QCOMPARE(texts.memory(), QStringLiteral("Total: \nDisponible : "));
        QCOMPARE(texts.user(), QStringLiteral("Nom: \nCompagnie: "));
        QCOMPARE(texts.computer(), QStringLiteral("Fabricant: \nNom: \nEn tant que: "));
    }

    void memoryFallsBackToFree() {
        QTemporaryDir root;
        QVERIFY(writeFile(root.path(), QStringLiteral("proc/meminfo"),
                          "MemTotal: 2048000 kB\nMemFree: 1024000 kB\n"));
        const PropPosteTexts texts(SystemSource(root.path(), kUid));
        QCOMPARE(texts.memory(), QStringLiteral("Total: 2 048,0 Mo\nDisponible : 1 024,0 Mo"));
    }

    void hostileSources() {
        QTemporaryDir root;
        // A FIFO in place of a system file must not block, a huge file must not be read whole,
        // and a DMI field name must not climb out of its folder.
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("etc"))));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(root.filePath(QStringLiteral("etc/os-release"))).constData(), 0600),
            0);
        QVERIFY(writeFile(root.path(), QStringLiteral("proc/meminfo"),
                          QByteArray(1024 * 1024, 'x') + "\nMemTotal: 5 kB\n"));
        QVERIFY(writeFile(root.path(), QStringLiteral("sys/class/dmi/secret"), "hidden"));
        const SystemSource source(root.path(), kUid);
        QVERIFY(source.osRelease().isEmpty());
        QVERIFY(!source.memoryTotal().has_value());
        QCOMPARE(source.dmiValue(QStringLiteral("../secret")), QString());
        QCOMPARE(source.dmiValue(QString()), QString());
    }

    void aboutTexts() {
        const AboutTexts texts(SystemSource(m_full.path(), kUid));
        QCOMPARE(AboutTexts::version(), QStringLiteral("Version %1.%2.%3")
                                            .arg(AppInfo::versionMajor())
                                            .arg(AppInfo::versionMinor())
                                            .arg(AppInfo::versionPatch()));
        QVERIFY(AppInfo::versionText().startsWith(AboutTexts::version().mid(8)));
        QCOMPARE(texts.user(), QStringLiteral("License accordée à Ana Lefèvre"));
        QCOMPARE(AboutTexts(SystemSource(m_empty.path(), kUid)).user(), QString());
        QCOMPARE(AboutTexts::mailTarget(QStringLiteral(" info@quorvat.example ")),
                 QStringLiteral("mailto:info@quorvat.example"));
        QCOMPARE(AboutTexts::webTarget(QStringLiteral("https://quorvat.example/")),
                 QStringLiteral("https://quorvat.example/"));
    }

    void propPosteWindow() {
        SystemSource::setCurrent(SystemSource(m_full.path(), kUid));
        frmPropPoste window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Propriétés"));
        const QString captions[] = {QStringLiteral("Système"), QStringLiteral("Mémoire"),
                                    QStringLiteral("Utilisateur"), QStringLiteral("Machine")};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(window.lblEti(i)->text(), captions[i]);
        QVERIFY(
            window.lblSys()->text().startsWith(QStringLiteral("Debian GNU/Linux 12 (bookworm)\nVersion: ")));
        QCOMPARE(window.lblMem()->text(), QStringLiteral("Total: 262,1 Mo\nDisponible : 102,4 Mo"));
        QCOMPARE(window.lblUser()->text(), QStringLiteral("Nom: Ana Lefèvre\nCompagnie: "));
        QVERIFY(window.lblComputer()->text().contains(QStringLiteral("Nom: poste-ana")));
    }

    void aboutWindow_data() {
        QTest::addColumn<bool>("userKnown");
        QTest::newRow("known user") << true;
        QTest::newRow("no user") << false;
    }
    void aboutWindow() {
        QFETCH(bool, userKnown);
        frmAbout window(nullptr, SystemSource(userKnown ? m_full.path() : m_empty.path(), kUid));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.lblTitle()->text(), AppInfo::productName());
        QCOMPARE(window.lblVersion()->text(), AboutTexts::version());
        QCOMPARE(window.lblDescription()->text(), AppInfo::description());
        QCOMPARE(window.lblDisclaimer()->text(), AppInfo::legalNotice());
        QVERIFY(!window.lblTitle()->text().isEmpty() && !window.lblDisclaimer()->text().isEmpty());
        QCOMPARE(window.lblUser()->text(),
                 userKnown ? QStringLiteral("License accordée à Ana Lefèvre") : QString());
        QCOMPARE(window.lblWeb(0)->text(), QStringLiteral("Web:"));
        QCOMPARE(window.lblMail(0)->text(), QStringLiteral("Mail:"));
        QCOMPARE(window.lblWeb(1)->text(), AppInfo::webAddress());
        QCOMPARE(window.lblMail(1)->text(), AppInfo::mailAddress());
        QVERIFY(!window.lblWeb(1)->text().isEmpty() && !window.lblMail(1)->text().isEmpty());
        QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestSystem)
#include "tst_system.moc"
