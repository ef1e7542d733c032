// Replays the seed corpora of the catalogue and job protocol fuzz targets (and every finding
// added to them) in the normal build, under the sanitizers when they are on.
#include "CatalogueReads.h"
#include "JobProtocolReads.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

namespace {

QStringList corpusFiles(const char* corpus) {
    const QDir dir(QStringLiteral(VAMBREL_SOURCE_DIR "/fuzz/corpus/") + QLatin1String(corpus));
    QStringList paths;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

QByteArray frameBytes(jobwire::Msg type, const QByteArray& payload) {
    QByteArray out;
    jobwire::WireEncoder e(out);
    e.begin(type);
    out.append(payload);
    e.end();
    return out;
}

} // namespace

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void catalogueCorpus_data() {
        QTest::addColumn<QString>("path");
        const QStringList paths = corpusFiles("catalogue");
        QVERIFY2(paths.size() >= 5, "the catalogue seed corpus is missing");
        for (const QString& path : paths)
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }

    void catalogueCorpus() {
        QFETCH(QString, path);
        // A conversion writes to the file: read a copy.
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString copy = tmp.filePath(QStringLiteral("c.dat"));
        QVERIFY(QFile::copy(path, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(fuzz::readCatalogueFile(copy));
    }

    void seedsAreReadable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("catalogue") << QStringLiteral("catalogue.dat") << int(DbKind::Catalogue);
        QTest::newRow("earlier format") << QStringLiteral("earlier.dat") << int(DbKind::Catalogue);
        QTest::newRow("forged rows") << QStringLiteral("forged.dat") << int(DbKind::Catalogue);
        QTest::newRow("new-files list") << QStringLiteral("newfiles.dat") << int(DbKind::NewFilesList);
    }

    // The seeds reach the readers, not only the refusal of the open: otherwise fuzzing them
    // would test little beyond the schema check.
    void seedsAreReadable() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        Database db;
        QVERIFY2(db.open(QStringLiteral(VAMBREL_SOURCE_DIR "/fuzz/corpus/catalogue/") + name,
                         OpenMode::ReadOnly, DbKind(kind)),
                 qPrintable(db.lastError()));
    }

    void protocolCorpus_data() {
        QTest::addColumn<QString>("path");
        const QStringList paths = corpusFiles("jobprotocol");
        QVERIFY2(paths.size() >= 4, "the protocol seed corpus is missing");
        for (const QString& path : paths)
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }

    void protocolCorpus() {
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(jobwire::fuzz::checkStream(bytes.constData(), size_t(bytes.size())));
    }

    // The decoder check itself must see a broken message: a frame that decodes whole re-encodes
    // to its own bytes, and a malformed one is not taken as whole.
    void messageCheck_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("whole");
        QTest::newRow("hello") << 0x01 << QByteArray("\x01\x00\x00\x00", 4) << true;
        QTest::newRow("hello short") << 0x01 << QByteArray("\x01\x00\x00", 3) << false;
        QTest::newRow("hello long") << 0x01 << QByteArray("\x01\x00\x00\x00\x00", 5) << false;
        QTest::newRow("complete bool 2")
            << 0x90 << QByteArray("\x01\x00\x00\x00\x02\x00\x00\x00\x00", 9) << false;
        QTest::newRow("string past end")
            << 0x92 << QByteArray("\x01\x00\x00\x00\x05\x00\x00\x00\x41\x00", 10) << false;
        QTest::newRow("string huge count")
            << 0x92 << QByteArray("\x01\x00\x00\x00\xff\xff\xff\xff", 8) << false;
        QTest::newRow("positions") << 0x99
                                   << QByteArray("\x02\x00\x00\x00\x01\x01\x00\x00\x00\x07\x00\x00\x00", 13)
                                   << true;
        QTest::newRow("positions count over")
            << 0x99 << QByteArray("\x02\x00\x00\x00\x01\x01\x00\x01\x00", 9) << false;
        QTest::newRow("unknown type") << 0x7e << QByteArray("xyz", 3) << false;
    }

    void messageCheck() {
        QFETCH(int, type);
        QFETCH(QByteArray, payload);
        QFETCH(bool, whole);
        const auto msg = jobwire::Msg(type);
        QVERIFY(jobwire::fuzz::checkMessage(msg, payload.constData(), payload.size()));
        // Through the stream reader too: one frame, with the payload unchanged.
        jobwire::fuzz::StreamResult result;
        QVERIFY(jobwire::fuzz::readStream(frameBytes(msg, payload), {1, 3}, &result));
        QCOMPARE(result.frames.size(), 1);
        QCOMPARE(result.frames.first().payload, payload);
        QVERIFY(!result.badLength);
        QCOMPARE(result.leftOver, qsizetype(0));
        const std::vector<jobwire::fuzz::Field> fields = jobwire::fuzz::fieldsOf(msg);
        if (fields.empty()) {
            QVERIFY(!whole);
            return;
        }
        jobwire::WireDecoder d(payload.constData(), payload.size());
        d.u32();
        if (msg == jobwire::Msg::Hello) {
            QCOMPARE(d.complete(), whole);
        } else if (msg == jobwire::Msg::Complete) {
            d.boolean();
            d.string();
            QCOMPARE(d.complete(), whole);
        } else if (msg == jobwire::Msg::ProgressMain) {
            d.string();
            QCOMPARE(d.complete(), whole);
        } else if (msg == jobwire::Msg::Positions) {
            d.u8();
            const quint32 count = d.u32();
            const bool allowed = count <= jobwire::kMaxPositionsPerChunk;
            for (quint32 i = 0; allowed && i < count; ++i)
                d.i32();
            QCOMPARE(allowed && d.complete(), whole);
        }
    }

    void badLengthStaysBad_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("zero length") << QByteArray("\x00\x00\x00\x00\x01", 5);
        QTest::newRow("over the limit") << QByteArray("\x01\x00\x10\x00\x01", 5);
    }

    void badLengthStaysBad() {
        QFETCH(QByteArray, stream);
        const QByteArray good = frameBytes(jobwire::Msg::Cancelled, QByteArray("\x01\x00\x00\x00", 4));
        jobwire::fuzz::StreamResult result;
        QVERIFY(jobwire::fuzz::readStream(good + stream + good, {2}, &result));
        QVERIFY(result.badLength);
        QCOMPARE(result.frames.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
