#pragma once

#include "JobProtocol.h"
#include "WireFrameBuffer.h"

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>

namespace vambrel::client {

class JobProxy;

// The link to qvtSrv, one per client process: the server is started on the first Start and
// started again on the next Start after it was lost. Lives on the application's main thread and
// is destroyed with the application; destroying it closes the server's input, which cancels the
// server's jobs, and waits a while for the server to delete their files and exit.
class JobConnection : public QObject {
    Q_OBJECT
public:
    static JobConnection& instance();

    // Where the server is: the setter's value, else the environment variable VAMBREL_QVTSRV,
    // else the installed server or the one beside the client's executable (ProgramFiles).
    static void setServerPath(const QString& path);
    static QString serverPath();

    static quint32 newJobId();
    // For a proxy going away: its job runs on unobserved (no effect when the connection is gone).
    static void detachIfAlive(quint32 id);

    void start(JobProxy* proxy, jobwire::JobClass cls, const QString& fileName, const QString& spec,
               const QString& mask, const QString& fileRec);
    void cancel(quint32 id);
    void release(quint32 id); // the job's terminal event was delivered

    // Closes the server's input, which cancels its jobs, and waits up to `msecs` for it to delete
    // their files and exit. Jobs still running end with Complete false. The next Start starts a
    // new server (with the server path then in force).
    void stopServer(int msecs = 30000);

    // The running server's process id, 0 when none (for tests).
    qint64 serverProcessId() const;

    ~JobConnection() override;

private:
    explicit JobConnection(QObject* parent);
    void ensureServer();
    void write(const QByteArray& frames);
    void readServer();
    bool dispatch(const jobwire::WireFrameBuffer::Frame& frame, QString& problem);
    // Ends the link: unfinished jobs get Complete false with `cause`. Unless the server ended by
    // itself after its input was closed (it then deleted its jobs' files), the files that the
    // unfinished jobs were creating are deleted here, since no server is left to do it.
    void serverLost(const QString& cause, bool removeOutputs = true);
    void claimOutput(quint32 id, jobwire::JobClass cls, const QString& fileName);
    void outputSettled(quint32 id, jobwire::Msg terminal);
    void removeClaimedOutputs();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void processError(QProcess::ProcessError error);

    QProcess* m_process = nullptr;
    quint64 m_generation = 0;
    jobwire::WireFrameBuffer m_frames;
    bool m_welcomed = false;
    bool m_reading = false;
    bool m_readAgain = false;
    QHash<quint32, JobProxy*> m_jobs; // running jobs whose proxy is alive
    QSet<quint32> m_orphans;          // running jobs whose proxy is gone
    // The file that each unfinished build or search is to create, when nothing was at that path
    // as it was started: what a lost server may leave half written.
    QHash<quint32, QString> m_outputs;
};

} // namespace vambrel::client
