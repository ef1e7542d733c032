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
        if (!QMimeDatabase().mimeTypeForName(QStringLiteral("image/png")).isValid())
            QSKIP("no MIME database");
    }

    void typeOf_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("known") << QStringLiteral("notes.txt") << QStringLiteral("Document texte brut");
        QTest::newRow("known, capitals") << QStringLiteral("PHOTO.PNG") << QStringLiteral("Image PNG");
        QTest::newRow("last extension counts")
            << QStringLiteral("a.txt.zzq") << QStringLiteral("Fichier ZZQ");
        QTest::newRow("unknown, accented") << QStringLiteral("x.éq") << QStringLiteral("Fichier ÉQ");
        QTest::newRow("escaped byte")
            << QStringLiteral("x.q") + QChar(0xF7FF) << QStringLiteral("Fichier Q") + QChar(0xF7FF);
        QTest::newRow("no extension") << QStringLiteral("Makefile") << QStringLiteral("Fichier");
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
};

QTEST_GUILESS_MAIN(TestTypeNames)
#include "tst_typenames.moc"
