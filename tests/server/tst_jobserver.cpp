// The job server driven in-process over two pipes, as a client would drive qvtSrv.

#include "JobServer.h"
#include "WireDecoder.h"
#include "WireEncoder.h"
#include "WireFrameBuffer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace vambrel;
using namespace vambrel::jobwire;

namespace {

struct Event {
    Msg type{};
    quint32 job = 0;
    QByteArray payload; // after the job id (the whole payload for Welcome)
};

// A server on a thread of its own; the test holds the other ends of its pipes.
class Harness {
public:
    Harness() {
        int in[2], out[2];
        QVERIFY(::pipe(in) == 0 && ::pipe(out) == 0);
        m_toServer = in[1];
        m_fromServer = out[0];
        m_serverIn = in[0];
        m_serverOut = out[1];
        // Like a process at exit, the server's ends close when it returns.
        m_thread = std::thread([this] {
            m_status = JobServer(m_serverIn, m_serverOut).run();
            ::close(m_serverIn);
            ::close(m_serverOut);
        });
    }
    ~Harness() {
        closeInput();
        m_thread.join();
        ::close(m_fromServer);
    }

    void raw(const QByteArray& bytes) {
        QCOMPARE(::write(m_toServer, bytes.constData(), bytes.size()), bytes.size());
    }
    template <typename Fill> void send(Msg type, Fill&& fill) {
        QByteArray b;
        WireEncoder e(b);
        e.begin(type);
        fill(e);
        e.end();
        raw(b);
    }
    void hello(quint32 version = kProtocolVersion) {
        send(Msg::Hello, [&](WireEncoder& e) { e.putU32(version); });
    }
    void start(quint32 id, const QString& file, const QString& spec, JobClass cls = JobClass::Build) {
        send(Msg::Start, [&](WireEncoder& e) {
            e.putU32(id);
            e.putU8(static_cast<quint8>(cls));
            e.putString(file);
            e.putString(spec);
            e.putString(QStringLiteral("*.*"));
            e.putString(QString());
        });
    }
    void jobMessage(Msg type, quint32 id) {
        send(type, [&](WireEncoder& e) { e.putU32(id); });
    }
    void closeInput() {
        if (m_toServer >= 0)
            ::close(m_toServer);
        m_toServer = -1;
    }

    // The next message; false at the end of the server's output or after 60 s without one.
    bool next(Event& ev) {
        WireFrameBuffer::Frame f;
        while (m_frames.next(f) != WireFrameBuffer::Status::Frame) {
            pollfd p{m_fromServer, POLLIN, 0};
            if (::poll(&p, 1, 60000) <= 0)
                return false;
            char buf[4096];
            const ssize_t n = ::read(m_fromServer, buf, sizeof buf);
            if (n <= 0)
                return false;
            m_frames.append(buf, n);
        }
        ev.type = f.type;
        WireDecoder d(f.payload, f.size);
        ev.job = f.type == Msg::Welcome ? 0 : d.u32();
        const qsizetype skip = f.type == Msg::Welcome ? 0 : 4;
        ev.payload = QByteArray(f.payload + skip, f.size - skip);
        return true;
    }
    // Messages up to and including the terminal event of `id`, answering Settle for every job.
    QList<Event> untilTerminal(quint32 id) {
        QList<Event> got;
        Event ev;
        while (next(ev)) {
            if (ev.type == Msg::Settle)
                jobMessage(Msg::Ack, ev.job);
            got.append(ev);
            if (ev.job == id && (ev.type == Msg::Complete || ev.type == Msg::Cancelled))
                break;
        }
        return got;
    }
    int waitExit() {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_status;
    }

private:
    int m_toServer = -1, m_fromServer = -1, m_serverIn = -1, m_serverOut = -1;
    std::thread m_thread;
    int m_status = -1;
    WireFrameBuffer m_frames;
};

bool completeSuccess(const Event& ev) {
    return ev.type == Msg::Complete && !ev.payload.isEmpty() && ev.payload.at(0) == 1;
}

int terminalCount(const QList<Event>& events, quint32 id) {
    int n = 0;
    for (const Event& ev : events)
        n += ev.job == id && (ev.type == Msg::Complete || ev.type == Msg::Cancelled);
    return n;
}

} // namespace

class TestJobServer : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree;

    QString target(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(QStringLiteral("tree"));
        for (const char* d : {"a/b", "c"})
            QVERIFY(QDir(m_tree).mkpath(QString::fromUtf8(d)));
        for (const char* f : {"one.txt", "a/two.txt", "a/b/three.txt", "c/four.txt"}) {
            QFile file(QDir(m_tree).filePath(QString::fromUtf8(f)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
    }

    void handshake() {
        Harness h;
        h.hello();
        Event ev;
        QVERIFY(h.next(ev));
        QCOMPARE(ev.type, Msg::Welcome);
        WireDecoder d(ev.payload.constData(), ev.payload.size());
        QCOMPARE(d.u32(), kProtocolVersion);
        QCOMPARE(d.u16(), quint16(2));
        d.u16();
        d.u16();
        QVERIFY(d.complete());
    }

    // Input that ends the session: an error, then the end of the server's output.
    void fatalInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("welcomeFirst");
        QByteArray wrongVersion;
        WireEncoder e(wrongVersion);
        e.begin(Msg::Hello);
        e.putU32(kProtocolVersion + 1);
        e.end();
        QByteArray startFirst;
        WireEncoder s(startFirst);
        s.begin(Msg::Start);
        s.putU32(1);
        s.end();
        QTest::newRow("wrong version") << wrongVersion << false;
        QTest::newRow("no hello first") << startFirst << false;
        QTest::newRow("zero length") << QByteArray(4, '\0') << true;
        QTest::newRow("length over limit") << QByteArray::fromHex("01001000"
                                                                  "02")
                                           << true;
        QTest::newRow("truncated frame") << QByteArray::fromHex("0a000000"
                                                                "0201")
                                         << true;
        QTest::newRow("truncated length") << QByteArray::fromHex("0a00") << true;
    }
    void fatalInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, welcomeFirst);
        Harness h;
        Event ev;
        if (welcomeFirst) {
            h.hello();
            QVERIFY(h.next(ev));
            QCOMPARE(ev.type, Msg::Welcome);
        }
        h.raw(bytes);
        h.closeInput();
        QVERIFY(h.next(ev));
        QCOMPARE(ev.type, Msg::Error);
        QVERIFY(!h.next(ev)); // nothing after it: the session is over
        QCOMPARE(h.waitExit(), 2);
    }

    // Bad messages inside a working session: an error each, and the session goes on.
    void rejectedMessage_data() {
        QTest::addColumn<QByteArray>("frame");
        auto frame = [](quint8 type, const QByteArray& payload) {
            QByteArray b;
            WireEncoder e(b);
            e.begin(static_cast<Msg>(type));
            e.end();
            b.append(payload);
            const auto len = static_cast<quint32>(1 + payload.size());
            for (int i = 0; i < 4; ++i)
                b[i] = static_cast<char>((len >> (8 * i)) & 0xFF);
            return b;
        };
        QTest::newRow("unknown type") << frame(0x7F, QByteArray());
        QTest::newRow("server type sent to server") << frame(0x90, QByteArray(5, '\0'));
        QTest::newRow("repeated hello") << frame(0x01, QByteArray::fromHex("01000000"));
        QTest::newRow("start with unknown class") << frame(0x02, QByteArray::fromHex("05000000"
                                                                                     "09"));
        QTest::newRow("start with job 0") << frame(0x02, QByteArray::fromHex("00000000"
                                                                             "01"
                                                                             "00000000"
                                                                             "00000000"
                                                                             "00000000"
                                                                             "00000000"));
        QTest::newRow("string longer than frame") << frame(0x02, QByteArray::fromHex("05000000"
                                                                                     "01"
                                                                                     "ffffff7f"));
        QTest::newRow("trailing bytes") << frame(0x03, QByteArray::fromHex("0500000000"));
        QTest::newRow("short cancel") << frame(0x03, QByteArray::fromHex("0500"));
    }
    void rejectedMessage() {
        QFETCH(QByteArray, frame);
        Harness h;
        h.hello();
        Event ev;
        QVERIFY(h.next(ev));
        h.raw(frame);
        QVERIFY(h.next(ev));
        QCOMPARE(ev.type, Msg::Error);
        // Still serving: a real job runs to its end.
        static int serial = 0;
        const QString file = target(QStringLiteral("after-reject-%1.dat").arg(++serial));
        h.start(9, file, m_tree);
        const QList<Event> events = h.untilTerminal(9);
        QVERIFY(!events.isEmpty());
        QVERIFY(completeSuccess(events.last()));
        QVERIFY(QFile::exists(file));
    }

    void eventsInOrderWithOneTerminal() {
        Harness h;
        h.hello();
        const QString file = target(QStringLiteral("order.dat"));
        h.start(3, file, m_tree);
        const QList<Event> events = h.untilTerminal(3);
        QStringList kinds;
        for (const Event& ev : events) {
            if (ev.type == Msg::ProgressMain)
                kinds << QStringLiteral("M");
            else if (ev.type == Msg::ProgressFolder)
                kinds << QStringLiteral("D");
            else if (ev.type == Msg::ProgressState)
                kinds << QStringLiteral("S");
            else if (ev.type == Msg::ProgressFile)
                kinds << QStringLiteral("F");
            else if (ev.type == Msg::Complete)
                kinds << QStringLiteral("C");
        }
        // Four folders (start, a, c, a/b), one file in each.
        QCOMPARE(kinds.join(QString()), QStringLiteral("MDSFSFSFSFC"));
        QCOMPARE(terminalCount(events, 3), 1);
        QVERIFY(completeSuccess(events.last()));
        // ProgressFile counts 1, 2, 3, 4.
        qint32 expected = 0;
        for (const Event& ev : events) {
            if (ev.type == Msg::ProgressFile) {
                WireDecoder d(ev.payload.constData(), ev.payload.size());
                QCOMPARE(d.i32(), ++expected);
            }
        }
        QCOMPARE(expected, 4);
    }

    void startTwiceRunsOnce() {
        Harness h;
        h.hello();
        const QString file = target(QStringLiteral("twice.dat"));
        h.start(4, file, m_tree);
        h.start(4, target(QStringLiteral("twice-other.dat")), m_tree);
        const QList<Event> events = h.untilTerminal(4);
        bool refused = false;
        for (const Event& ev : events) {
            if (ev.type != Msg::Error)
                continue;
            WireDecoder d(ev.payload.constData(), ev.payload.size());
            QCOMPARE(d.i32(), 32540);
            QCOMPARE(d.string(), QStringLiteral("qvtSrv.cAsync"));
            QCOMPARE(d.string(), QStringLiteral("Already running."));
            refused = true;
        }
        QVERIFY(refused);
        QCOMPARE(terminalCount(events, 4), 1);
        QVERIFY(completeSuccess(events.last()));
        QVERIFY(!QFile::exists(target(QStringLiteral("twice-other.dat"))));
        // Idle again: the same job may be started anew.
        h.start(4, target(QStringLiteral("twice-again.dat")), m_tree);
        QVERIFY(completeSuccess(h.untilTerminal(4).last()));
    }

    void twoJobsRunInOrder() {
        Harness h;
        h.hello();
        h.start(5, target(QStringLiteral("first.dat")), m_tree);
        h.start(6, target(QStringLiteral("second.dat")), m_tree);
        const QList<Event> events = h.untilTerminal(6);
        qsizetype endOfFirst = -1, firstOfSecond = -1;
        for (qsizetype i = 0; i < events.size(); ++i) {
            if (events[i].job == 5 && events[i].type == Msg::Complete)
                endOfFirst = i;
            if (events[i].job == 6 && firstOfSecond < 0)
                firstOfSecond = i;
        }
        QVERIFY(endOfFirst >= 0);
        QVERIFY(firstOfSecond > endOfFirst);
        QVERIFY(completeSuccess(events[endOfFirst]));
        QVERIFY(completeSuccess(events.last()));
        QCOMPARE(terminalCount(events, 5), 1);
        QCOMPARE(terminalCount(events, 6), 1);
    }

    // A cancel sent in answer to an event reaches the job at a later event, or at the latest at
    // the Settle that precedes a success: the build ends Cancelled and leaves no file.
    void cancel_data() {
        QTest::addColumn<int>("answerTo");
        QTest::newRow("first ProgressMain") << int(Msg::ProgressMain);
        QTest::newRow("last ProgressFile") << -4;
        QTest::newRow("settle") << int(Msg::Settle);
    }
    void cancel() {
        QFETCH(int, answerTo);
        QTemporaryDir out;
        Harness h;
        h.hello();
        const QString file = out.filePath(QStringLiteral("cancelled.dat"));
        h.start(7, file, m_tree);
        Event ev;
        bool sent = false;
        int complete = 0, cancelled = 0;
        while (h.next(ev)) {
            if (ev.job != 7)
                continue;
            if (ev.type == Msg::Complete)
                ++complete;
            if (ev.type == Msg::Cancelled) {
                ++cancelled;
                break;
            }
            bool match = int(ev.type) == answerTo;
            if (answerTo < 0 && ev.type == Msg::ProgressFile) {
                WireDecoder d(ev.payload.constData(), ev.payload.size());
                match = d.i32() == -answerTo;
            }
            if (match && !sent) {
                h.jobMessage(Msg::Cancel, 7);
                sent = true;
            }
            if (ev.type == Msg::Settle)
                h.jobMessage(Msg::Ack, 7);
        }
        QVERIFY(sent);
        QCOMPARE(complete, 0);
        QCOMPARE(cancelled, 1);
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    // The client goes away mid-build: the job is cancelled, its file deleted, the server returns.
    void clientGone() {
        QTemporaryDir out;
        Harness h;
        h.hello();
        const QString file = out.filePath(QStringLiteral("orphan.dat"));
        h.start(8, file, m_tree);
        h.start(9, out.filePath(QStringLiteral("never.dat")), m_tree);
        Event ev;
        QVERIFY(h.next(ev)); // Welcome
        QVERIFY(h.next(ev));
        QCOMPARE(ev.type, Msg::ProgressMain);
        h.closeInput();
        QCOMPARE(h.waitExit(), 0);
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    void failureKeepsCause() {
        Harness h;
        h.hello();
        const QString file = target(QStringLiteral("exists.dat"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("keep");
        }
        h.start(10, file, m_tree);
        const QList<Event> events = h.untilTerminal(10);
        QCOMPARE(events.last().type, Msg::Complete);
        WireDecoder d(events.last().payload.constData(), events.last().payload.size());
        QCOMPARE(d.boolean(), false);
        QVERIFY(!d.string().isEmpty());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep"));
    }

    // A check of a missing catalogue, a search without FileRec: Complete false with the cause,
    // and no event before it (empty collections send no Positions).
    void compareJobsFailWithFrenchCause_data() {
        QTest::addColumn<int>("cls");
        QTest::newRow("cAsync2") << int(JobClass::Check);
        QTest::newRow("cAsync3") << int(JobClass::Search);
    }
    void compareJobsFailWithFrenchCause() {
        QFETCH(int, cls);
        Harness h;
        h.hello();
        h.start(11, target(QStringLiteral("none.dat")), m_tree, static_cast<JobClass>(cls));
        const QList<Event> events = h.untilTerminal(11);
        QCOMPARE(std::count_if(events.begin(), events.end(),
                               [](const Event& ev) { return ev.type != Msg::Welcome; }),
                 1);
        WireDecoder d(events.last().payload.constData(), events.last().payload.size());
        QCOMPARE(events.last().type, Msg::Complete);
        QCOMPARE(d.boolean(), false);
        QVERIFY(!d.string().isEmpty());
        QVERIFY(d.complete());
    }
};

QTEST_GUILESS_MAIN(TestJobServer)
#include "tst_jobserver.moc"
