#include "CatalogueFileJob.h"

#include "FileDescriptor.h"
#include "ListExport.h"

#include <QFile>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace vambrel {

CatalogueFileJob::CatalogueFileJob(const QString& fileName, const QString& unexpected)
    : m_fileName(fileName), m_unexpected(unexpected) {}

CatalogueFileJob::~CatalogueFileJob() = default;

bool CatalogueFileJob::removeOutput(const QString& fileName) {
    QFile::remove(fileName + QStringLiteral("-journal"));
    return QFile::remove(fileName) || !QFile::exists(fileName);
}

bool CatalogueFileJob::createFile(DbKind kind, const QString& mask) {
    if (!m_db.create(m_fileName, kind, mask)) {
        fail(m_db.lastError());
        return false;
    }
    m_created = true;
    return true;
}

bool CatalogueFileJob::startWriter() {
    m_writer = std::make_unique<CatalogueWriter>(m_db);
    if (!m_writer->isValid()) {
        fail(m_db.lastError());
        return false;
    }
    return true;
}

CatalogueFileJob::Outcome CatalogueFileJob::fail(const QString& cause) {
    m_failure = cause;
    return Outcome::Failed;
}

CatalogueFileJob::Outcome CatalogueFileJob::runBody() {
    Outcome outcome = Outcome::Failed;
    try {
        outcome = body();
        if (outcome == Outcome::Done)
            outcome = finish();
    } catch (const std::exception&) {
        outcome = Outcome::Failed;
    }
    switch (outcome) {
    case Outcome::Done:
        break;
    case Outcome::Cancelled:
        discard();
        break;
    case Outcome::Failed:
        release();
        if (m_failure.isEmpty())
            m_failure = m_unexpected;
        break;
    }
    return outcome;
}

// The last rows are committed, the file closed, and then flushed to the disk: the writer's
// commits do not wait for the disk, so success is reported only once the whole file is there.
CatalogueFileJob::Outcome CatalogueFileJob::finish() {
    if (!m_writer || !m_writer->commit())
        return fail(m_db.lastError());
    release();
    if (!syncToDisk(m_fileName)) {
        const int error = errno;
        return fail(QStringLiteral("%1\nLe fichier n'a pas pu être écrit sur le disque : %2.")
                        .arg(m_unexpected, ListExport::causeText(error)));
    }
    return Outcome::Done;
}

bool CatalogueFileJob::syncToDisk(const QString& fileName) {
    const FileDescriptor fd(sys::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC));
    return fd.isValid() && sys::fsync(fd.get()) == 0;
}

// Rows not committed are rolled back; nothing more is written.
void CatalogueFileJob::release() {
    m_writer.reset();
    m_db.close();
}

void CatalogueFileJob::discard() {
    release();
    if (m_created)
        removeOutput(m_fileName);
}

} // namespace vambrel
