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
        // The same answer from the name's UTF-8, first looked up, then cached.
        const QByteArray utf8 = name.toUtf8();
        const std::string_view bytes(utf8.constData(), std::size_t(utf8.size()));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8(bytes)), expected);
        QCOMPARE(QString::fromUtf8(TypeNames().typeOfUtf8(bytes)), expected);
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8(bytes)), expected);
    }

    void utf8CacheKeepsSpellingsApart() {
        // Extensions differing in case share an answer; the cache must not mix up others.
        TypeNames names;
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("a.PNG")), QStringLiteral("Image PNG"));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("b.png")), QStringLiteral("Image PNG"));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("c.pngx")), QStringLiteral("Fichier PNGX"));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("d.pn")), QStringLiteral("Fichier PN"));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("noext")), QStringLiteral("Fichier"));
        QCOMPARE(QString::fromUtf8(names.typeOfUtf8("e.PNG")), QStringLiteral("Image PNG"));
    }
};

QTEST_GUILESS_MAIN(TestTypeNames)
#include "tst_typenames.moc"
