#include "JobServer.h"

#include "ProtocolWriter.h"
#include "WireDecoder.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"
#include "mStart.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace vambrel {

using jobwire::JobClass;
using jobwire::Msg;
using jobwire::WireDecoder;
using jobwire::WireEncoder;
using jobwire::WireFrameBuffer;

JobServer::JobServer(int inFd, int outFd)
    : m_in(inFd), m_out(std::make_unique<ProtocolWriter>(outFd)), m_queue(std::make_unique<mStart>()) {}

JobServer::~JobServer() {
    shutdown();
    m_queue.reset(); // joins the job thread before the writer goes
    m_out.reset();
}

int JobServer::run() {
    // A client that goes away must show as a failed write, not kill the server.
    std::signal(SIGPIPE, SIG_IGN);
    WireFrameBuffer frames;
    char chunk[65536];
    int status = 0;
    for (;;) {
        const ssize_t n = ::read(m_in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (frames.available() > 0) {
                protocolError(0, QStringLiteral("Message tronqué à la fin de l'entrée (%1 octets).")
                                     .arg(frames.available()));
                status = 2;
            }
            break;
        }
        frames.append(chunk, n);
        WireFrameBuffer::Frame frame;
        WireFrameBuffer::Status st = WireFrameBuffer::Status::NeedMore;
        Outcome outcome = Outcome::Continue;
        while (outcome == Outcome::Continue && (st = frames.next(frame)) == WireFrameBuffer::Status::Frame)
            outcome = handle(frame);
        if (outcome == Outcome::Fatal) {
            status = 2;
            break;
        }
        if (st == WireFrameBuffer::Status::BadLength) {
            protocolError(0, QStringLiteral("Longueur de message invalide."));
            status = 2;
            break;
        }
    }
    shutdown();
    return status;
}

void JobServer::shutdown() {
    // The client is gone: nothing more will read the events, nobody will answer a Settle.
    m_out->stopWaiting();
    for (const auto& job : m_queue->takePending())
        static_cast<AsyncJob*>(job.get())->drop();
    {
        std::lock_guard lock(m_jobsMutex);
        for (auto& [id, job] : m_jobs)
            job->abandon();
    }
    m_queue->waitIdle();
}

void JobServer::sendError(quint32 job, qint32 number, const QString& source, const QString& text) {
    m_out->send(
        Msg::Error,
        [&](WireEncoder& e) {
            e.putU32(job);
            e.putI32(number);
            e.putString(source);
            e.putString(text);
        },
        false);
}

void JobServer::protocolError(quint32 job, const QString& text) {
    sendError(job, jobwire::kErrProtocol, QStringLiteral("qvtSrv"), text);
}

std::shared_ptr<AsyncJob> JobServer::find(quint32 id) {
    std::lock_guard lock(m_jobsMutex);
    const auto it = m_jobs.find(id);
    return it == m_jobs.end() ? nullptr : it->second;
}

JobServer::Outcome JobServer::handle(const WireFrameBuffer::Frame& frame) {
    WireDecoder d(frame.payload, frame.size);
    if (!m_welcomed) {
        if (frame.type != Msg::Hello) {
            protocolError(0, QStringLiteral("Premier message inattendu : Hello attendu."));
            return Outcome::Fatal;
        }
        const quint32 version = d.u32();
        if (!d.complete()) {
            protocolError(0, QStringLiteral("Message Hello mal formé."));
            return Outcome::Fatal;
        }
        if (version != jobwire::kProtocolVersion) {
            protocolError(0,
                          QStringLiteral("Version de protocole %1 non prise en charge (version %2 attendue).")
                              .arg(version)
                              .arg(jobwire::kProtocolVersion));
            return Outcome::Fatal;
        }
        m_welcomed = true;
        m_out->send(
            Msg::Welcome,
            [](WireEncoder& e) {
                e.putU32(jobwire::kProtocolVersion);
                e.putU16(VAMBREL_VERSION_MAJOR);
                e.putU16(VAMBREL_VERSION_MINOR);
                e.putU16(VAMBREL_VERSION_PATCH);
            },
            false);
        return Outcome::Continue;
    }

    switch (frame.type) {
    case Msg::Start:
        return handleStart(frame);
    case Msg::Cancel:
    case Msg::Ack: {
        const quint32 id = d.u32();
        if (!d.complete() || id == 0) {
            protocolError(id, QStringLiteral("Message Cancel ou Ack mal formé."));
            return Outcome::Continue;
        }
        // A job that already ended is no error: the message crossed its terminal event.
        if (auto job = find(id)) {
            if (frame.type == Msg::Cancel)
                job->requestCancel();
            else
                job->acknowledge();
        }
        return Outcome::Continue;
    }
    case Msg::Hello:
        protocolError(0, QStringLiteral("Message Hello répété."));
        return Outcome::Continue;
    default:
        protocolError(0, QStringLiteral("Type de message inconnu : 0x%1.")
                             .arg(static_cast<unsigned>(frame.type), 2, 16, QLatin1Char('0')));
        return Outcome::Continue;
    }
}

JobServer::Outcome JobServer::handleStart(const WireFrameBuffer::Frame& frame) {
    WireDecoder d(frame.payload, frame.size);
    const quint32 id = d.u32();
    const quint8 cls = d.u8();
    const QString fileName = d.string();
    const QString spec = d.string();
    const QString mask = d.string();
    const QString fileRec = d.string();
    if (!d.complete() || id == 0 || !jobwire::isKnownClass(cls)) {
        protocolError(id, QStringLiteral("Message Start mal formé."));
        return Outcome::Continue;
    }
    const auto jobClass = static_cast<JobClass>(cls);

    std::lock_guard lock(m_jobsMutex);
    std::shared_ptr<AsyncJob>& slot = m_jobs[id];
    if (slot) {
        // Queued or running: the running flag refuses the second Start.
        const auto refused = slot->Start();
        if (refused)
            sendError(id, refused->number, refused->source, refused->description);
        return Outcome::Continue;
    }
    auto onFinish = [this](quint32 done) {
        std::lock_guard guard(m_jobsMutex);
        m_jobs.erase(done);
    };
    switch (jobClass) {
    case JobClass::Build: {
        auto job = std::make_shared<cAsync>(id, *m_out, *m_queue, onFinish);
        job->FileName(fileName);
        job->Spec(spec);
        job->Mask(mask);
        slot = job;
        break;
    }
    case JobClass::Check: {
        auto job = std::make_shared<cAsync2>(id, *m_out, *m_queue, onFinish);
        job->FileName(fileName);
        slot = job;
        break;
    }
    case JobClass::Search: {
        auto job = std::make_shared<cAsync3>(id, *m_out, *m_queue, onFinish);
        job->FileName(fileName);
        job->Spec(spec);
        job->Mask(mask);
        job->FileRec(fileRec);
        slot = job;
        break;
    }
    }
    slot->Start();
    return Outcome::Continue;
}

} // namespace vambrel
