#include "controls/BackgroundWork.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

using namespace vambrel;
using namespace std::chrono_literals;

namespace {

// Spins until the stop flag is set, giving up after a few seconds so that a broken stop fails
// the test instead of hanging it.
bool waitForStop(const StopFlag& stop) {
    for (int i = 0; i < 5000 && !StopRequested(&stop); ++i)
        std::this_thread::sleep_for(1ms);
    return StopRequested(&stop);
}

} // namespace

class TestBackgroundWork : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void finishRunsOnTheOwnersThread() {
        BackgroundWork work;
        QThread* workThread = nullptr;
        QThread* finishThread = nullptr;
        int finishes = 0;
        work.start([&](const StopFlag&) -> BackgroundWork::Finish {
            workThread = QThread::currentThread();
            return [&] {
                finishThread = QThread::currentThread();
                ++finishes;
            };
        });
        QVERIFY(work.busy());
        QTRY_VERIFY(!work.busy());
        QCOMPARE(finishes, 1);
        QVERIFY(workThread != nullptr);
        QVERIFY(workThread != QThread::currentThread());
        QCOMPARE(finishThread, QThread::currentThread());
        QCoreApplication::processEvents();
        QCOMPARE(finishes, 1);
    }

    // A new start stops the running work and drops its finish; only the last one lands.
    void startReplacesTheRunningWork() {
        BackgroundWork work;
        std::atomic<bool> firstStopped{false};
        int firstFinishes = 0, secondFinishes = 0;
        work.start([&](const StopFlag& stop) -> BackgroundWork::Finish {
            firstStopped = waitForStop(stop);
            return [&] { ++firstFinishes; };
        });
        work.start([&](const StopFlag&) -> BackgroundWork::Finish { return [&] { ++secondFinishes; }; });
        QVERIFY(firstStopped);
        QTRY_COMPARE(secondFinishes, 1);
        QTest::qWait(20);
        QCOMPARE(firstFinishes, 0);
    }

    // Done work whose finish is already waiting in the event queue: a cancel still drops it.
    void cancelDropsAPostedFinish() {
        BackgroundWork work;
        std::atomic<bool> returned{false};
        int finishes = 0;
        work.start([&](const StopFlag&) -> BackgroundWork::Finish {
            returned = true;
            return [&] { ++finishes; };
        });
        while (!returned)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(20ms);
        work.cancel();
        QVERIFY(!work.busy());
        QTest::qWait(20);
        QCOMPARE(finishes, 0);
    }

    // Destruction stops the work and waits for its thread: nothing runs after it.
    void destructionWaitsForTheThread() {
        std::atomic<bool> ended{false};
        int finishes = 0;
        {
            BackgroundWork work;
            work.start([&](const StopFlag& stop) -> BackgroundWork::Finish {
                waitForStop(stop);
                std::this_thread::sleep_for(30ms); // a slow way out is still waited for
                ended = true;
                return [&] { ++finishes; };
            });
            std::this_thread::sleep_for(5ms);
        }
        QVERIFY(ended);
        QTest::qWait(20);
        QCOMPARE(finishes, 0);
    }

    void cancelWithoutWork() {
        BackgroundWork work;
        work.cancel();
        QVERIFY(!work.busy());
    }
};

QTEST_GUILESS_MAIN(TestBackgroundWork)
#include "tst_backgroundwork.moc"
