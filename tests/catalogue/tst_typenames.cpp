#include "TypeNames.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QTest>

using namespace vambrel;

class TestTypeNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // The answers must not depend on the machine's locale.
        QLocale::setDefault(QLocale::c());
        if (!QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).isValid())
            QSKIP("no MIME database");
    }

    void typeOf_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("known") << QStringLiteral("notes.txt") << QStringLiteral("Document texte brut");
        QTest::newRow("known, capitals")
            << QStringLiteral("NOTES.TXT") << QStringLiteral("Document texte brut");
        QTest::newRow("last extension counts")
            << QStringLiteral("a.txt.zzq") << QStringLiteral("Fichier ZZQ");
        QTest::newRow("unknown") << QStringLiteral("data.xyzq") << QStringLiteral("Fichier XYZQ");
        QTest::newRow("unknown, accented") << QStringLiteral("x.éq") << QStringLiteral("Fichier ÉQ");
        QTest::newRow("escaped byte")
            << QStringLiteral("x.q") + QChar(0xF7FF) << QStringLiteral("Fichier Q") + QChar(0xF7FF);
        QTest::newRow("no extension") << QStringLiteral("README") << QStringLiteral("Fichier");
        QTest::newRow("whole-name rule ignored") << QStringLiteral("Makefile") << QStringLiteral("Fichier");
        QTest::newRow("ends with a dot") << QStringLiteral("name.") << QStringLiteral("Fichier");
        QTest::newRow("empty") << QString() << QStringLiteral("Fichier");
    }
    void typeOf() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        TypeNames names;
        QCOMPARE(names.typeOf(name), expected);
        QCOMPARE(names.typeOf(name), expected); // from the cache
    }

    void frenchAndCapitalised() {
        TypeNames names;
        for (const char* name : {"a.png", "a.pdf", "a.html", "a.zip"}) {
            const QString type = names.typeOf(QString::fromLatin1(name));
            QVERIFY2(!type.startsWith(QLatin1String("Fichier ")), name);
            QVERIFY2(type.at(0).isUpper(), qPrintable(type));
        }
        QCOMPARE(names.typeOf(QStringLiteral("a.png")), QStringLiteral("Image PNG"));
    }
};

QTEST_GUILESS_MAIN(TestTypeNames)
#include "tst_typenames.moc"
