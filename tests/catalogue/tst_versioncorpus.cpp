// Replays the seed corpus of the fuzz target (and every finding added to it) through the reader
// in the normal build, under the sanitizers when they are on.
#include "mVersionInfo.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cstring>
#include <memory>

using namespace vambrel;

class TestVersionCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void corpus_data() {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(VAMBREL_SOURCE_DIR "/fuzz/corpus/versioninfo"));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(names.size() >= 10, "the seed corpus is missing");
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }

    void corpus() {
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        // An exact-size copy, so that a read past the end is caught.
        const std::size_t size = std::size_t(bytes.size());
        const std::unique_ptr<char[]> copy(new char[size + 1]);
        std::memcpy(copy.get(), bytes.constData(), size);
        for (const VersionInfo& info :
             {ParseVersionImage(copy.get(), size), ParseVersionResource(copy.get(), size)}) {
            if (!info.hasStrings)
                QCOMPARE(info.strings, VersionStrings());
            if (!info.hasFixed)
                QCOMPARE(info.fixed, VersionFixed());
        }
        // The file reader agrees with the in-memory one.
        const VersionInfo fromFile = ReadVersionInfo(path);
        const VersionInfo fromMemory = ParseVersionImage(copy.get(), size);
        QCOMPARE(fromFile.hasStrings, fromMemory.hasStrings);
        QCOMPARE(fromFile.strings, fromMemory.strings);
        QCOMPARE(fromFile.hasFixed, fromMemory.hasFixed);
        QCOMPARE(fromFile.fixed, fromMemory.fixed);
    }
};

QTEST_GUILESS_MAIN(TestVersionCorpus)
#include "tst_versioncorpus.moc"
