#pragma once

#include "CatalogueSchema.h"
#include "CatalogueWriter.h"
#include "Database.h"

#include <QString>
#include <memory>

namespace vambrel {

// The skeleton of a job body that creates one database file, a catalogue or a new-files list,
// and fills it: the build and the new-file search. The body creates the file (never over an
// existing one), writes its rows through one writer, which commits them in batches, and says how
// it ended; the skeleton does the rest, and raises exactly one terminal event:
// - done: the last rows are committed, the file closed and flushed to the disk; Complete with
//   Success true;
// - cancelled: the file this run created is deleted, with its journal; Cancelled;
// - failed (also when the body throws): the file is released without further writes, so that
//   complete rows up to the last commit stay; Complete with Success false, and the cause.
class CatalogueFileJob {
public:
    enum class Outcome { Done, Cancelled, Failed };

    // `fileName`: the file to create. `unexpected`: the French cause of a failure that gave none.
    CatalogueFileJob(const QString& fileName, const QString& unexpected);
    virtual ~CatalogueFileJob();
    CatalogueFileJob(const CatalogueFileJob&) = delete;
    CatalogueFileJob& operator=(const CatalogueFileJob&) = delete;

    // Runs the body to its end, then raises Complete or Cancelled on `events`. When `failure` is
    // given it receives the cause of a failed run.
    template <typename Events> void run(Events& events, QString* failure);

    // Deletes a job's output file and the journal the database engine may keep beside it.
    // False when the file is still there.
    static bool removeOutput(const QString& fileName);
    // Waits until the closed file's data is on the disk; false when the system reports an error.
    static bool syncToDisk(const QString& fileName);

protected:
    // The work from the creation of the file up to its last rows; the skeleton commits them.
    virtual Outcome body() = 0;

    // Creates the file (`mask` is a catalogue's Masque); false with the cause kept.
    bool createFile(DbKind kind, const QString& mask = QStringLiteral("*.*"));
    // Begins the writing of rows, once the file is created; false with the cause kept.
    bool startWriter();

    Database& db() { return m_db; }
    CatalogueWriter& writer() { return *m_writer; }

    Outcome fail(const QString& cause);

private:
    Outcome runBody();
    Outcome finish();
    void release();
    void discard();

    const QString m_fileName;
    const QString m_unexpected;
    Database m_db;
    std::unique_ptr<CatalogueWriter> m_writer; // destroyed before the database it writes to
    bool m_created = false;
    QString m_failure;
};

template <typename Events> void CatalogueFileJob::run(Events& events, QString* failure) {
    switch (runBody()) {
    case Outcome::Done:
        events.Complete(true);
        break;
    case Outcome::Cancelled:
        events.Cancelled();
        break;
    case Outcome::Failed:
        if (failure != nullptr)
            *failure = m_failure;
        events.Complete(false);
        break;
    }
}

} // namespace vambrel
