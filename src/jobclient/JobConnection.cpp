#include "JobConnection.h"

#include "JobProxy.h"
#include "NativeName.h"
#include "ProgramFiles.h"
#include "WireDecoder.h"
#include "WireEncoder.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel::client {

using jobwire::Msg;
using jobwire::WireDecoder;
using jobwire::WireEncoder;
using jobwire::WireFrameBuffer;

namespace {
JobConnection* s_instance = nullptr;
QString s_serverPath;
quint32 s_lastId = 0;

bool isEvent(Msg t) {
    const auto v = static_cast<quint8>(t);
    return v >= static_cast<quint8>(Msg::Complete) && v <= static_cast<quint8>(Msg::Settle);
}
} // namespace

JobConnection& JobConnection::instance() {
    if (!s_instance) {
        Q_ASSERT_X(QCoreApplication::instance(), "JobConnection", "needs an application object");
        s_instance = new JobConnection(QCoreApplication::instance());
    }
    return *s_instance;
}

JobConnection::JobConnection(QObject* parent) : QObject(parent) {}

JobConnection::~JobConnection() {
    s_instance = nullptr;
    if (m_process) {
        m_process->disconnect(this);
        m_process->closeWriteChannel();
        const bool ended = m_process->waitForFinished(30000);
        if (!ended)
            m_process->kill();
        m_process->waitForFinished(5000);
        if (!ended)
            removeClaimedOutputs();
    }
}

void JobConnection::stopServer(int msecs) {
    if (!m_process)
        return;
    m_process->disconnect(this);
    m_process->closeWriteChannel();
    const bool ended = m_process->waitForFinished(msecs);
    if (!ended)
        m_process->kill();
    serverLost(QStringLiteral("Le serveur de tâches a été arrêté."), !ended);
}

void JobConnection::setServerPath(const QString& path) {
    s_serverPath = path;
}

QString JobConnection::serverPath() {
    if (!s_serverPath.isEmpty())
        return s_serverPath;
    const QString fromEnv = qEnvironmentVariable("VAMBREL_QVTSRV");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return ProgramFiles::serverProgram();
}

quint32 JobConnection::newJobId() {
    if (++s_lastId == 0)
        ++s_lastId; // 0 is never a job
    return s_lastId;
}

void JobConnection::detachIfAlive(quint32 id) {
    if (s_instance && s_instance->m_jobs.remove(id))
        s_instance->m_orphans.insert(id);
}

qint64 JobConnection::serverProcessId() const {
    return m_process ? m_process->processId() : 0;
}

void JobConnection::start(JobProxy* proxy, jobwire::JobClass cls, const QString& fileName,
                          const QString& spec, const QString& mask, const QString& fileRec) {
    const quint32 id = proxy->jobId();
    m_orphans.remove(id);
    m_jobs.insert(id, proxy);
    claimOutput(id, cls, fileName);
    ensureServer();
    QByteArray frame;
    WireEncoder e(frame);
    e.begin(Msg::Start);
    e.putU32(id);
    e.putU8(static_cast<quint8>(cls));
    e.putString(fileName);
    e.putString(spec);
    e.putString(mask);
    e.putString(fileRec);
    e.end();
    write(frame);
}

void JobConnection::cancel(quint32 id) {
    if (!m_process)
        return;
    QByteArray frame;
    WireEncoder e(frame);
    e.begin(Msg::Cancel);
    e.putU32(id);
    e.end();
    write(frame);
}

void JobConnection::release(quint32 id) {
    m_jobs.remove(id);
}

void JobConnection::claimOutput(quint32 id, jobwire::JobClass cls, const QString& fileName) {
    m_outputs.remove(id);
    if (cls == jobwire::JobClass::Check || fileName.isEmpty())
        return;
    // The server creates its file exclusively: a path that is taken now (a dangling link
    // included) is never the job's to delete.
    struct stat st {};
    if (::lstat(PathToNative(fileName).constData(), &st) != 0 && errno == ENOENT)
        m_outputs.insert(id, fileName);
}

void JobConnection::outputSettled(quint32 id, Msg terminal) {
    const QString output = m_outputs.take(id);
    if (output.isEmpty() || terminal != Msg::Complete)
        return; // a cancelled job's file was deleted by the server
    // The file now holds this job's result (or its partial rows after a failure): a later job
    // queued for the same name will find it taken, and never owns it.
    for (auto it = m_outputs.begin(); it != m_outputs.end();) {
        if (it.value() == output)
            it = m_outputs.erase(it);
        else
            ++it;
    }
}

void JobConnection::removeClaimedOutputs() {
    for (const QString& output : std::as_const(m_outputs)) {
        const QByteArray native = PathToNative(output);
        ::unlink((native + "-journal").constData());
        ::unlink(native.constData());
    }
    m_outputs.clear();
}

void JobConnection::write(const QByteArray& frames) {
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->write(frames);
}

void JobConnection::ensureServer() {
    if (m_process)
        return;
    m_process = new QProcess(this);
    m_frames = WireFrameBuffer();
    m_welcomed = false;
    const quint64 generation = ++m_generation;
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &JobConnection::readServer);
    connect(m_process, &QProcess::finished, this, &JobConnection::processFinished);
    // Reported later, from the event loop, so that a failed start never reaches a handler
    // before Start has returned.
    connect(
        m_process, &QProcess::errorOccurred, this,
        [this, generation](QProcess::ProcessError error) {
            if (generation == m_generation)
                processError(error);
        },
        Qt::QueuedConnection);
    m_process->start(serverPath(), QStringList(), QIODevice::ReadWrite);
    QByteArray hello;
    WireEncoder e(hello);
    e.begin(Msg::Hello);
    e.putU32(jobwire::kProtocolVersion);
    e.end();
    write(hello);
}

void JobConnection::readServer() {
    if (m_reading) {
        // A handler runs a nested event loop: read on when the outer delivery returns.
        m_readAgain = true;
        return;
    }
    m_reading = true;
    do {
        m_readAgain = false;
        if (!m_process)
            break;
        m_frames.append(m_process->readAllStandardOutput());
        WireFrameBuffer::Frame frame;
        WireFrameBuffer::Status st = WireFrameBuffer::Status::NeedMore;
        QString problem;
        while (m_process && (st = m_frames.next(frame)) == WireFrameBuffer::Status::Frame) {
            if (!dispatch(frame, problem))
                break;
        }
        if (problem.isEmpty() && m_process && st == WireFrameBuffer::Status::BadLength)
            problem = QStringLiteral("longueur de message invalide");
        if (!problem.isEmpty()) {
            serverLost(
                QStringLiteral("Le serveur de tâches a envoyé un message invalide (%1).").arg(problem));
            break;
        }
    } while (m_readAgain);
    m_reading = false;
}

bool JobConnection::dispatch(const WireFrameBuffer::Frame& frame, QString& problem) {
    WireDecoder d(frame.payload, frame.size);
    if (!m_welcomed) {
        if (frame.type != Msg::Welcome) {
            if (frame.type == Msg::Error) {
                d.u32();
                d.i32();
                d.string();
                problem = QStringLiteral("refus : %1").arg(d.string());
            } else {
                problem = QStringLiteral("accueil attendu");
            }
            return false;
        }
        const quint32 version = d.u32();
        d.u16();
        d.u16();
        d.u16();
        if (!d.complete()) {
            problem = QStringLiteral("accueil mal formé");
            return false;
        }
        if (version != jobwire::kProtocolVersion) {
            problem = QStringLiteral("version de protocole %1 au lieu de %2")
                          .arg(version)
                          .arg(jobwire::kProtocolVersion);
            return false;
        }
        m_welcomed = true;
        return true;
    }
    if (frame.type == Msg::Error) {
        const quint32 id = d.u32();
        const qint32 number = d.i32();
        const QString source = d.string();
        const QString text = d.string();
        if (!d.complete()) {
            problem = QStringLiteral("erreur mal formée");
            return false;
        }
        JobProxy* proxy = m_jobs.value(id);
        if (!proxy && !m_orphans.contains(id)) {
            // Not about a job: the server refused one of our messages, so client and server disagree.
            problem = QStringLiteral("erreur %1 : %2").arg(number).arg(text);
            return false;
        }
        m_orphans.remove(id);
        m_jobs.remove(id);
        m_outputs.remove(id); // refused: it never ran
        if (proxy)
            proxy->fail(QStringLiteral("Le serveur de tâches a refusé la tâche : %1 (%2, erreur %3).")
                            .arg(text, source)
                            .arg(number));
        return true;
    }
    if (!isEvent(frame.type)) {
        problem = QStringLiteral("type 0x%1 inconnu")
                      .arg(static_cast<unsigned>(frame.type), 2, 16, QLatin1Char('0'));
        return false;
    }
    WireDecoder head(frame.payload, frame.size);
    const quint32 id = head.u32();
    if (!head.ok()) {
        problem = QStringLiteral("événement sans tâche");
        return false;
    }
    if (frame.type == Msg::Settle) {
        if (!head.complete() || (!m_jobs.contains(id) && !m_orphans.contains(id))) {
            problem = QStringLiteral("demande d'accusé de réception inattendue");
            return false;
        }
        // Every earlier event of the job has been handled: any cancel its handlers set went out
        // before this acknowledgement.
        QByteArray ack;
        WireEncoder e(ack);
        e.begin(Msg::Ack);
        e.putU32(id);
        e.end();
        write(ack);
        return true;
    }
    if (frame.type == Msg::Complete || frame.type == Msg::Cancelled)
        outputSettled(id, frame.type);
    if (m_orphans.contains(id)) {
        if (frame.type == Msg::Complete || frame.type == Msg::Cancelled)
            m_orphans.remove(id);
        return true;
    }
    JobProxy* proxy = m_jobs.value(id);
    if (!proxy) {
        problem = QStringLiteral("événement d'une tâche inconnue %1").arg(id);
        return false;
    }
    if (!proxy->deliver(frame.type, head)) {
        problem = QStringLiteral("événement 0x%1 inattendu ou mal formé")
                      .arg(static_cast<unsigned>(frame.type), 2, 16, QLatin1Char('0'));
        return false;
    }
    return true;
}

void JobConnection::processFinished(int exitCode, QProcess::ExitStatus status) {
    readServer(); // events already written still count
    if (status == QProcess::CrashExit)
        serverLost(QStringLiteral("Le serveur de tâches s'est arrêté brutalement."));
    else
        serverLost(QStringLiteral("Le serveur de tâches s'est arrêté (code de sortie %1).").arg(exitCode));
}

void JobConnection::processError(QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
        serverLost(QStringLiteral("Le serveur de tâches « %1 » n'a pas pu être démarré.").arg(serverPath()));
    else if (error == QProcess::WriteError) {
        // A write fails when the server has gone; its exit, reported by finished, says more.
        if (m_process && m_process->state() != QProcess::NotRunning)
            m_process->waitForFinished(2000);
        serverLost(QStringLiteral("Le serveur de tâches ne reçoit plus les demandes."));
    }
    // Crashes arrive through finished.
}

void JobConnection::serverLost(const QString& cause, bool removeOutputs) {
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    ++m_generation;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
    }
    process->deleteLater();
    // Before any handler runs: a window that sees Complete false finds no half-written file.
    if (removeOutputs)
        removeClaimedOutputs();
    m_outputs.clear();
    m_orphans.clear();
    // Handlers may start new jobs (and so a new server): take the list first.
    QList<QPointer<JobProxy>> lost;
    for (JobProxy* proxy : std::as_const(m_jobs))
        lost.append(proxy);
    m_jobs.clear();
    for (const auto& proxy : lost) {
        if (proxy)
            proxy->fail(cause);
    }
}

} // namespace vambrel::client
