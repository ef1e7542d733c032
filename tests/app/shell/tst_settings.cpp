#include "shell/mSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

    QString storeFile() const {
        return QDir(m_config.path()).filePath(kAppName.toString() + QStringLiteral(".conf"));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("placement") << kSectionStartUp.toString() << QStringLiteral("Height")
                                   << QStringLiteral("6540");
        QTest::newRow("accented section")
            << kSectionApercu.toString() << QStringLiteral("Left") << QStringLiteral("-120");
        QTest::newRow("numeric key") << kSectionMru.toString() << QStringLiteral("1")
                                     << QStringLiteral("/home/ana/Catalogues/Disque 1.dat");
        QTest::newRow("commas") << kSectionMru.toString() << QStringLiteral("2")
                                << QStringLiteral("/tmp/a,b,c.dat");
        QTest::newRow("quotes and semicolon")
            << kSectionMru.toString() << QStringLiteral("3") << QStringLiteral("/tmp/\"x\";y'z.dat");
        QTest::newRow("at sign first")
            << kSectionMru.toString() << QStringLiteral("4") << QStringLiteral("@Variant(bad)");
        QTest::newRow("spaces kept") << QStringLiteral("Essai") << QStringLiteral("k")
                                     << QStringLiteral("  deux espaces  ");
        QTest::newRow("line break") << QStringLiteral("Essai") << QStringLiteral("nl")
                                    << QStringLiteral("ligne 1\nligne 2");
        QTest::newRow("accents and backslash")
            << QStringLiteral("Essai") << QStringLiteral("é") << QStringLiteral("C:\\Données\\été.dat");
        QTest::newRow("empty text") << QStringLiteral("Essai") << QStringLiteral("empty") << QString();
        QTest::newRow("equals and brackets")
            << QStringLiteral("Essai") << QStringLiteral("eq") << QStringLiteral("[a]=b #c");
    }
    void roundTrip() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(SaveSetting(kAppName, section, key, value));
        // An empty value is still a value: the default must not come back.
        QCOMPARE(GetSetting(kAppName, section, key, QStringLiteral("défaut")), value);
        QVERIFY(QFile::exists(storeFile()));
    }

    void overwriteAndSeparateNames() {
        QVERIFY(SaveSetting(kAppName, u"StartUp", u"Width", QStringLiteral("100")));
        QVERIFY(SaveSetting(kAppName, u"StartUp", u"Width", QStringLiteral("200")));
        QVERIFY(SaveSetting(kAppName, u"Aperçu", u"Width", QStringLiteral("300")));
        QVERIFY(SaveSetting(u"Autre application", u"StartUp", u"Width", QStringLiteral("400")));
        QCOMPARE(GetSetting(kAppName, u"StartUp", u"Width"), QStringLiteral("200"));
        QCOMPARE(GetSetting(kAppName, u"Aperçu", u"Width"), QStringLiteral("300"));
        QCOMPARE(GetSetting(u"Autre application", u"StartUp", u"Width"), QStringLiteral("400"));
    }

    void missingGivesDefault_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("missing key") << QStringLiteral("StartUp") << QStringLiteral("Jamais");
        QTest::newRow("missing section") << QStringLiteral("Rien") << QStringLiteral("Height");
        QTest::newRow("empty section") << QString() << QStringLiteral("Height");
        QTest::newRow("empty key") << QStringLiteral("StartUp") << QString();
        QTest::newRow("separator in key") << QStringLiteral("StartUp") << QStringLiteral("a/b");
        QTest::newRow("backslash in section") << QStringLiteral("Start\\Up") << QStringLiteral("Height");
    }
    void missingGivesDefault() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QCOMPARE(GetSetting(kAppName, section, key, QStringLiteral("0")), QStringLiteral("0"));
        QCOMPARE(GetSetting(kAppName, section, key), QString());
        // Names that cannot be stored are refused rather than stored elsewhere.
        if (section.isEmpty() || key.isEmpty() || key.contains(u'/') || section.contains(u'\\'))
            QVERIFY(!SaveSetting(kAppName, section, key, QStringLiteral("1")));
    }

    void freshProfile() {
        // No configuration folder yet: reading gives the defaults, the first save creates it.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("config/sub"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
        const QString before = GetSetting(kAppName, kSectionMru, u"1");
        const bool saved = SaveSetting(kAppName, kSectionMru, u"1", QStringLiteral("/a.dat"));
        const QString after = GetSetting(kAppName, kSectionMru, u"1");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QCOMPARE(before, QString());
        QVERIFY(saved);
        QCOMPARE(after, QStringLiteral("/a.dat"));
        QVERIFY(QFile::exists(QDir(folder).filePath(kAppName.toString() + QStringLiteral(".conf"))));
    }

    void booleanSetting() {
        QVERIFY(SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(true)));
        QCOMPARE(SettingTextToBool(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QStringLiteral("0"))),
                 true);
        QVERIFY(SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(false)));
        QCOMPARE(SettingTextToBool(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QStringLiteral("0")),
                                   true),
                 false);
    }

    void settingTextToBool_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whenDefaultFalse");
        QTest::addColumn<bool>("whenDefaultTrue");
        QTest::newRow("True") << QStringLiteral("True") << true << true;
        QTest::newRow("False") << QStringLiteral("False") << false << false;
        QTest::newRow("lower case") << QStringLiteral("true") << true << true;
        QTest::newRow("upper case") << QStringLiteral("FALSE") << false << false;
        QTest::newRow("zero") << QStringLiteral("0") << false << false;
        QTest::newRow("minus one") << QStringLiteral("-1") << true << true;
        QTest::newRow("other number") << QStringLiteral("2") << true << true;
        QTest::newRow("padded") << QStringLiteral(" True ") << true << true;
        QTest::newRow("empty") << QString() << false << true;
        QTest::newRow("garbage") << QStringLiteral("peut-être") << false << true;
    }
    void settingTextToBool() {
        QFETCH(QString, text);
        QFETCH(bool, whenDefaultFalse);
        QFETCH(bool, whenDefaultTrue);
        QCOMPARE(SettingTextToBool(text, false), whenDefaultFalse);
        QCOMPARE(SettingTextToBool(text, true), whenDefaultTrue);
        QCOMPARE(SettingTextToBool(BoolToSettingText(whenDefaultFalse)), whenDefaultFalse);
    }

    void handEditedFile() {
        // A value edited by hand with bare commas is still read as its text.
        QFile file(storeFile());
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n[Main]\nListe=a,b,c\n");
        file.close();
        QCOMPARE(GetSetting(kAppName, u"Main", u"Liste"), QStringLiteral("a,b,c"));
    }

    void unwritableStore() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The store's place is taken by a folder: nothing can be written, and it says so.
        QVERIFY(QDir(dir.path()).mkpath(kAppName.toString() + QStringLiteral(".conf")));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        const bool saved = SaveSetting(kAppName, u"StartUp", u"Height", QStringLiteral("1"));
        const QString read = GetSetting(kAppName, u"StartUp", u"Height", QStringLiteral("d"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QVERIFY(!saved);
        QCOMPARE(read, QStringLiteral("d"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
