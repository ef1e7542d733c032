// Waiting for a condition that events bring about, woken by each event rather than polled (the
// poll of QTest::qWaitFor sleeps 10 ms a turn: a job of a few round trips would cost ten times
// its time).
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace vambrel::test {

// Handles events until `done()` holds (true) or `msecs` have passed (false).
template <typename Done> bool waitEvents(Done done, int msecs) {
    const QDeadlineTimer deadline(msecs);
    QTimer wake; // ends the last wait at the deadline
    wake.setSingleShot(true);
    wake.start(msecs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace vambrel::test
