#pragma once

#include "AsyncJob.h"
#include "WireFrameBuffer.h"

#include <QString>
#include <map>
#include <memory>
#include <mutex>

namespace vambrel {

class ProtocolWriter;
class mStart;

// One server session: reads the client's messages from `inFd` on the calling thread, runs the
// jobs on the job thread of mStart and sends events to `outFd`. Returns when the client has
// closed its side (every job then cancelled, their files deleted) or broke the framing.
class JobServer {
public:
    JobServer(int inFd, int outFd);
    ~JobServer();
    JobServer(const JobServer&) = delete;
    JobServer& operator=(const JobServer&) = delete;

    // The exit status: 0 after an orderly end of input, 2 after a protocol error that ended it.
    int run();

private:
    enum class Outcome { Continue, Fatal };
    Outcome handle(const jobwire::WireFrameBuffer::Frame& frame);
    Outcome handleStart(const jobwire::WireFrameBuffer::Frame& frame);
    void sendError(quint32 job, qint32 number, const QString& source, const QString& text);
    void protocolError(quint32 job, const QString& text);
    std::shared_ptr<AsyncJob> find(quint32 id);
    void shutdown();

    int m_in;
    std::unique_ptr<ProtocolWriter> m_out;
    std::unique_ptr<mStart> m_queue;
    std::mutex m_jobsMutex;
    std::map<quint32, std::shared_ptr<AsyncJob>> m_jobs; // queued or running
    bool m_welcomed = false;
};

} // namespace vambrel
