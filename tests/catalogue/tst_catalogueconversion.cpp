#include "CatalogueConversion.h"
#include "Snapshot.h"
#include "TestCatalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;

namespace {

QStringList propertyNames(const Database& db) {
    QStringList names;
    const auto all = db.properties();
    if (all)
        for (const DbProperty& p : all.value())
            names << p.name;
    return names;
}

QString text(const Database& db, const QString& name) {
    const auto p = db.property(name);
    return p.ok() && p.value() ? p.value()->value.toString() : QStringLiteral("<missing>");
}

} // namespace

class TestCatalogueConversion : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void source_data() {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("source");
        QTest::newRow("one folder: the shortest path")
            << QStringLiteral("/home/")
            << QStringList{QStringLiteral("/home/Data/Sub"), QStringLiteral("/home/Data")}
            << QStringLiteral("/home/Data");
        QTest::newRow("whole computer: the drives")
            << QStringLiteral("Poste de travail")
            << QStringList{QStringLiteral("/usr"), QStringLiteral("/"), QStringLiteral("/mnt/disque/a"),
                           QStringLiteral("/mnt/disque")}
            << QStringLiteral("/:/mnt/disque");
    }
    void source() {
        QFETCH(QString, origin);
        QFETCH(QStringList, folders);
        const QString path =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".dat"));
        QList<Folder> rows;
        for (int i = 0; i < folders.size(); ++i)
            rows << Folder{i, folders[i]};
        QVERIFY(makeCatalogue(path, origin, QString(), rows, {}, Format::Earlier));

        Database db;
        QVERIFY(db.open(path, OpenMode::ReadWrite));
        QVERIFY(CatalogueConversion::needsConversion(db));
        QString error;
        QVERIFY2(CatalogueConversion::convert(db, QStringLiteral("2.0.0"), &error), qPrintable(error));
        QTEST(text(db, Schema::kSource), "source");
        QCOMPARE(text(db, Schema::kVersionId), QStringLiteral("2.0.0"));
        // Appended after the properties the file had.
        QCOMPARE(propertyNames(db).mid(propertyNames(db).size() - 2),
                 (QStringList{Schema::kVersionId, Schema::kSource}));
        QVERIFY(!CatalogueConversion::needsConversion(db));
    }

    void failuresLeaveTheFileAlone() {
        const QString empty = m_dir.filePath(QStringLiteral("empty.dat"));
        QVERIFY(makeCatalogue(empty, QStringLiteral("/"), QString(), {}, {}, Format::Earlier));
        Database db;
        QVERIFY(db.open(empty, OpenMode::ReadWrite));
        QString error;
        QVERIFY(!CatalogueConversion::convert(db, QStringLiteral("2.0.0"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(CatalogueConversion::needsConversion(db));
        QVERIFY(!propertyNames(db).contains(Schema::kVersionId));
        db.close();

        const QString readOnly = m_dir.filePath(QStringLiteral("ro.dat"));
        QVERIFY(makeCatalogue(readOnly, QStringLiteral("/"), QString(), {{0, QStringLiteral("/x")}}, {},
                              Format::Earlier));
        QVERIFY(db.open(readOnly, OpenMode::ReadOnly));
        QVERIFY(!CatalogueConversion::convert(db, QStringLiteral("2.0.0"), &error));
        QVERIFY(CatalogueConversion::needsConversion(db));
    }

    void currentFormatNeedsNothing() {
        const QString path = m_dir.filePath(QStringLiteral("current.dat"));
        QVERIFY(
            makeCatalogue(path, QStringLiteral("/"), QStringLiteral("/x"), {{0, QStringLiteral("/x")}}, {}));
        Database db;
        QVERIFY(db.open(path, OpenMode::ReadOnly));
        QVERIFY(!CatalogueConversion::needsConversion(db));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueConversion)
#include "tst_catalogueconversion.moc"
