#include "ReadAhead.h"
#include "mVersionInfo.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <atomic>

using namespace vambrel;

class TestReadAhead : public QObject {
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
        ReadAhead<VersionInfo> ahead(threads);
        for (int round = 0; round < 3; ++round) {
            for (const QByteArray& p : paths)
                ahead.submit([p] { return ReadVersionInfo(p); });
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

    // Tasks that finish out of order still come back in order.
    void slowFirstTask() {
        ReadAhead<int> ahead(3);
        for (int i = 0; i < 50; ++i)
            ahead.submit([i] {
                if (i % 7 == 0)
                    QThread::msleep(2);
                return i;
            });
        for (int i = 0; i < 50; ++i)
            QCOMPARE(ahead.take(), i);
    }

    // Destroying it with tasks still queued neither hangs nor runs them all.
    void destroyedWithWorkPending() {
        std::atomic<int> ran{0};
        {
            ReadAhead<int> ahead(2);
            for (int i = 0; i < 1000; ++i)
                ahead.submit([&ran] {
                    QThread::usleep(100);
                    return ++ran;
                });
            QVERIFY(ahead.take() >= 1);
        }
        QVERIFY(ran.load() < 1000);
    }
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "tst_readahead.moc"
