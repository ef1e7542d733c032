#include "VersionReadAhead.h"
#include "mVersionInfo.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace vambrel;

class TestVersionReadAhead : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever the threads do, results come back in submission order and equal a direct read.
    void resultsInSubmissionOrder_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("no worker") << 0;
        QTest::newRow("one worker") << 1;
        QTest::newRow("four workers") << 4;
    }
    void resultsInSubmissionOrder() {
        QFETCH(int, threads);
        const QDir data(QStringLiteral(VAMBREL_TEST_DATA "/version"));
        QList<QByteArray> paths;
        for (const QString& name : data.entryList(QDir::Files, QDir::Name))
            paths << QFile::encodeName(data.filePath(name));
        paths << QByteArray("/nonexistent/file.exe");
        QVERIFY(paths.size() > 10);
        VersionReadAhead ahead(threads);
        for (int round = 0; round < 3; ++round) {
            for (const QByteArray& p : paths)
                ahead.submit(p, -1);
            QCOMPARE(ahead.pending(), size_t(paths.size()));
            for (const QByteArray& p : paths) {
                const VersionInfo expected = ReadVersionInfo(p);
                const VersionInfo got = ahead.take();
                QCOMPARE(got.hasStrings, expected.hasStrings);
                QCOMPARE(got.hasFixed, expected.hasFixed);
                QVERIFY(got.strings == expected.strings);
                QVERIFY(got.fixed == expected.fixed);
            }
            QCOMPARE(ahead.pending(), size_t(0));
        }
    }

    // Destroying it with reads still queued must neither hang nor leak.
    void destroyedWithWorkPending() {
        auto ahead = std::make_unique<VersionReadAhead>(2);
        for (int i = 0; i < 1000; ++i)
            ahead->submit(QByteArray(VAMBREL_TEST_DATA "/version/pe32_full.exe"), -1);
        ahead->take();
        ahead.reset();
        QVERIFY(!ahead);
    }
};

QTEST_GUILESS_MAIN(TestVersionReadAhead)
#include "tst_versionreadahead.moc"
