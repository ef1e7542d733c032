#include "CatalogueFileType.h"
#include "Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

namespace {

QByteArray sqliteHead(const char* id, qsizetype size = 100) {
    QByteArray bytes("SQLite format 3\0", 16);
    bytes.append(QByteArray(size - 16, '\0'));
    if (id != nullptr && size >= 72)
        bytes.replace(68, 4, id);
    return bytes.left(size);
}

} // namespace

class TestCatalogueFileType : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void header_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("catalogue");
        QTest::newRow("catalogue") << sqliteHead("VBML") << true;
        QTest::newRow("just the 72 bytes") << sqliteHead("VBML", 72) << true;
        QTest::newRow("cut inside the id") << sqliteHead("VBML", 71) << false;
        QTest::newRow("plain SQLite") << sqliteHead(nullptr) << false;
        QTest::newRow("id byte-swapped") << sqliteHead("LMBV") << false;
        QTest::newRow("other id") << sqliteHead("VBMK") << false;
        QByteArray noNul = sqliteHead("VBML");
        noNul[15] = ' ';
        QTest::newRow("magic without its NUL") << noNul << false;
        QByteArray lower = sqliteHead("VBML");
        lower[0] = 's';
        QTest::newRow("magic in lower case") << lower << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void header() {
        QFETCH(QByteArray, head);
        QFETCH(bool, catalogue);
        QCOMPARE(HasCatalogueHeader(head), catalogue);
    }

    // The writer's file is recognised whatever its name; what cannot be read is not.
    void files() {
        QVERIFY(m_dir.isValid());
        const QString made = m_dir.filePath(QStringLiteral("photos.bin"));
        {
            Database db;
            QVERIFY2(db.create(made, DbKind::Catalogue), qPrintable(db.lastError()));
        }
        QVERIFY(IsCatalogueFile(made));
        const QString plain = m_dir.filePath(QStringLiteral("plain.dat"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sqliteHead(nullptr));
        file.close();
        QVERIFY(!IsCatalogueFile(plain));
        QVERIFY(!IsCatalogueFile(m_dir.filePath(QStringLiteral("absent.dat"))));
        QVERIFY(!IsCatalogueFile(m_dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFileType)
#include "tst_cataloguefiletype.moc"
