#include "NewFileSearch.h"

#include "CatalogueFileJob.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "DirectoryLister.h"
#include "FolderWalk.h"
#include "ReadAhead.h"
#include "SqliteStatement.h"
#include "StartFolders.h"
#include "TextHelpers.h"

#include <QHash>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace vambrel {

namespace {

// The case-folded UTF-8 form in which names are compared. Names of ASCII characters only (nearly
// all of them) are folded byte by byte, which gives what the full folding gives them.
void foldedUtf8(const char* bytes, size_t length, std::string& out) {
    out.assign(bytes, length);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out = QString::fromUtf8(bytes, qsizetype(length)).toCaseFolded().toStdString();
            return;
        }
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
}

void foldedUtf8(const QString& name, std::string& out) {
    out.resize(size_t(name.size()));
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c >= 0x80) {
            out = name.toCaseFolded().toStdString();
            return;
        }
        out[size_t(i)] = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
}

// The compared catalogue's files, indexed once: folder paths and (folder, name) pairs, both
// case-folded, so that each file on disk costs one hash lookup and never a scan. The pairs sit in
// a few flat arrays: a million of them cost little memory, and freeing them (when a cancelled
// search ends) takes no time.
class CatalogueIndex {
public:
    // False when the catalogue cannot be read, or when `stop` was set meanwhile.
    bool load(const QString& path, QString* cause, const StopFlag* stop) {
        Database db;
        if (!db.open(path, OpenMode::ReadOnly)) {
            *cause = db.lastError();
            return false;
        }
        SqliteStatement folders(db.handle(), "SELECT Num, Nom FROM Folders");
        if (!folders.isValid()) {
            db.fail(QStringLiteral("Impossible de lire les dossiers du catalogue"));
            *cause = db.lastError();
            return false;
        }
        int rc;
        while ((rc = folders.step()) == SQLITE_ROW && !StopRequested(stop))
            m_folders.insert(folders.columnText(1).toCaseFolded(), sqlite3_column_int64(folders.get(), 0));
        if (StopRequested(stop))
            return false;
        // Before the next statement is prepared, which clears the connection's error.
        if (rc != SQLITE_DONE) {
            db.fail(QStringLiteral("Impossible de lire les dossiers du catalogue"));
            *cause = db.lastError();
            return false;
        }
        SqliteStatement files(db.handle(), "SELECT Num, Nom FROM Files");
        if (!files.isValid()) {
            db.fail(QStringLiteral("Impossible de lire les fichiers du catalogue"));
            *cause = db.lastError();
            return false;
        }
        std::string folded;
        while ((rc = files.step()) == SQLITE_ROW) {
            if ((m_entries.size() & 0xfff) == 0 && StopRequested(stop))
                return false;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(files.get(), 1));
            foldedUtf8(text ? text : "", size_t(sqlite3_column_bytes(files.get(), 1)), folded);
            const qint64 folder = sqlite3_column_int64(files.get(), 0);
            m_entries.push_back(
                Entry{folder, m_names.size(), quint32(folded.size()), hashOf(folder, folded)});
            m_names += folded;
        }
        if (rc != SQLITE_DONE) {
            db.fail(QStringLiteral("Impossible de lire les fichiers du catalogue"));
            *cause = db.lastError();
            return false;
        }
        // Open addressing, at most half full: a lookup reads a slot or two.
        size_t capacity = 16;
        while (capacity < 2 * m_entries.size())
            capacity *= 2;
        m_table.assign(capacity, 0);
        m_mask = capacity - 1;
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if ((i & 0xffff) == 0 && StopRequested(stop))
                return false;
            size_t slot = m_entries[i].hash & m_mask;
            while (m_table[slot] != 0)
                slot = (slot + 1) & m_mask;
            m_table[slot] = quint32(i + 1);
        }
        return true;
    }

    // The catalogue's number for a folder, or -1 when it does not know the folder.
    qint64 folder(const QString& path) const { return m_folders.value(path.toCaseFolded(), -1); }

    // `folded` is scratch space, kept by the caller between calls.
    bool hasFile(qint64 folder, const QString& name, std::string& folded) const {
        if (m_table.empty())
            return false;
        foldedUtf8(name, folded);
        const quint64 hash = hashOf(folder, folded);
        for (size_t slot = hash & m_mask; m_table[slot] != 0; slot = (slot + 1) & m_mask) {
            const Entry& e = m_entries[m_table[slot] - 1];
            if (e.hash == hash && e.folder == folder &&
                std::string_view(m_names).substr(e.offset, e.length) == folded)
                return true;
        }
        return false;
    }

private:
    struct Entry {
        qint64 folder;
        size_t offset; // of the folded name in m_names
        quint32 length;
        quint64 hash;
    };

    static quint64 hashOf(qint64 folder, std::string_view name) {
        return quint64(std::hash<std::string_view>()(name)) ^ (quint64(folder) * 0x9e3779b97f4a7c15ULL);
    }

    QHash<QString, qint64> m_folders;
    std::string m_names; // the folded names, end to end
    std::vector<Entry> m_entries;
    std::vector<quint32> m_table; // 1 + an index in m_entries; 0 for an empty slot
    size_t m_mask = 0;
};

using Outcome = CatalogueFileJob::Outcome;

// Folders are listed, and their names looked up in the index, on threads of their own a little
// ahead of the writing; the lists come back in walk order.
constexpr qint64 kFoldersAhead = 64;

// The names of the files of `folder` that the catalogue does not hold, in listing order. Runs
// on a read-ahead thread: reads the index, which nothing changes any more.
// A stop cuts the list short; the search then cancels.
std::vector<QString> newNamesIn(const CatalogueIndex& index, const QString& folder, const QString& mask,
                                const StopFlag* stop) {
    std::vector<QString> names;
    DirectoryLister lister;
    lister.setTypesOnly(true); // names are all it needs: no lstat for each of them
    if (!lister.open(folder, mask))
        return names; // an unreadable folder holds nothing new that can be listed
    const qint64 known = index.folder(folder);
    DirEntry entry;
    std::string folded;
    while (!StopRequested(stop) && lister.next(entry)) {
        if (entry.isDirectory || entry.name.startsWith(u'.'))
            continue;
        QString name = StripAtNul(entry.name);
        // A folder the catalogue does not know makes all its files new without lookups.
        if (known >= 0 && index.hasFile(known, name, folded))
            continue;
        names.push_back(std::move(name));
    }
    return names;
}

class Search final : public CatalogueFileJob {
public:
    Search(const NewFileParams& params, NewFileEvents& events)
        : CatalogueFileJob(params.fileName, QStringLiteral("Erreur inattendue pendant la recherche.")),
          m_params(params), m_events(events) {}

private:
    Outcome body() override {
        QStringList starts;
        QString cause;
        if (!SplitJobSpec(m_params.spec, &starts, &cause))
            return fail(cause);
        const QString mask = m_params.mask.isEmpty() ? QStringLiteral("*.*") : m_params.mask;
        if (!createFile(DbKind::NewFilesList))
            return Outcome::Failed;
        // The catalogue is read while the first walk runs: one is mostly the disk's work, the
        // other the processor's. Nothing is compared before it is in.
        bool indexed = false;
        QString indexCause;
        const StopFlag* const stop = m_events.stopFlag();
        std::jthread loader([&] { indexed = m_index.load(m_params.catalogue, &indexCause, stop); });
        if (!startWriter())
            return Outcome::Failed;

        WalkOptions walk;
        walk.stop = stop;
        for (const QString& start : starts) {
            const QStringList folders = ListFolders(start, walk);
            if (loader.joinable())
                loader.join();
            if (StopRequested(stop))
                return Outcome::Cancelled; // the walk or the index may be cut short
            if (!indexed)
                return fail(indexCause);
            const qint64 highest = folders.size() - 1;
            if (highest > 0 &&
                m_events.ProgressMain(qint32(qMin<qint64>(highest, std::numeric_limits<qint32>::max()))))
                return Outcome::Cancelled;
            ReadAhead<std::vector<QString>> ahead(ReadAheadThreads());
            qint64 nextToList = 0;
            for (qint64 i = 0; i <= highest; ++i) {
                for (; nextToList <= highest && nextToList - i < kFoldersAhead; ++nextToList)
                    ahead.submit([this, folder = folders[nextToList], mask, stop] {
                        return newNamesIn(m_index, folder, mask, stop);
                    });
                std::vector<QString> newNames = ahead.take();
                if (StopRequested(stop))
                    return Outcome::Cancelled;
                const Outcome o = searchFolder(qint32(i), folders[i], newNames);
                if (o != Outcome::Done)
                    return o;
            }
        }
        return Outcome::Done;
    }

    Outcome searchFolder(qint32 index, const QString& folder, const std::vector<QString>& newNames) {
        if (m_events.ProgressFolder(index))
            return Outcome::Cancelled;
        if (m_folderRowWritten) {
            m_folderRowWritten = false;
            if (m_folderNumber == std::numeric_limits<qint32>::max())
                return fail(QStringLiteral("Trop de dossiers contiennent de nouveaux fichiers."));
            ++m_folderNumber;
        }
        for (const QString& name : newNames) {
            if (!writer().addNewFile(m_counter, m_folderNumber, name))
                return fail(writer().lastError());
            if (m_counter == std::numeric_limits<qint32>::max())
                return fail(QStringLiteral("Trop de nouveaux fichiers."));
            ++m_counter;
            if (m_events.ProgressFile(m_counter))
                return Outcome::Cancelled;
            if (!m_folderRowWritten) {
                if (!writer().addFolder(m_folderNumber, folder))
                    return fail(writer().lastError());
                m_folderRowWritten = true;
            }
        }
        return Outcome::Done;
    }

    const NewFileParams& m_params;
    NewFileEvents& m_events;
    CatalogueIndex m_index;
    qint32 m_folderNumber = 0;
    qint32 m_counter = 0;
    bool m_folderRowWritten = false;
};

} // namespace

void RunNewFileSearch(const NewFileParams& params, NewFileEvents& events, QString* failure) {
    Search(params, events).run(events, failure);
}

} // namespace vambrel
