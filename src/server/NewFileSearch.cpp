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
#include <unordered_set>

namespace vambrel {

namespace {

// The compared catalogue's files, indexed once: folder paths and (folder, name) pairs, both
// case-folded, so that each file on disk costs one hash lookup and never a scan.
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
        while ((rc = files.step()) == SQLITE_ROW) {
            if ((m_files.size() & 0xfff) == 0 && StopRequested(stop))
                return false;
            const QByteArray folded = files.columnText(1).toCaseFolded().toUtf8();
            Key key{sqlite3_column_int64(files.get(), 0), m_names.size(), size_t(folded.size())};
            m_names.append(folded.constData(), size_t(folded.size()));
            m_files.insert(key);
        }
        if (rc != SQLITE_DONE) {
            db.fail(QStringLiteral("Impossible de lire les fichiers du catalogue"));
            *cause = db.lastError();
            return false;
        }
        return true;
    }

    // The catalogue's number for a folder, or -1 when it does not know the folder.
    qint64 folder(const QString& path) const { return m_folders.value(path.toCaseFolded(), -1); }

    bool hasFile(qint64 folder, const QString& name) const {
        const QByteArray folded = name.toCaseFolded().toUtf8();
        return m_files.find(Probe{folder, std::string_view(folded.constData(), size_t(folded.size()))}) !=
               m_files.end();
    }

private:
    struct Key {
        qint64 folder;
        size_t offset;
        size_t length;
    };
    struct Probe {
        qint64 folder;
        std::string_view name;
    };
    struct Hash {
        using is_transparent = void;
        const std::string* names;
        size_t operator()(const Key& k) const { return (*this)(Probe{k.folder, view(k)}); }
        size_t operator()(const Probe& p) const {
            return std::hash<std::string_view>()(p.name) ^
                   (std::hash<qint64>()(p.folder) * 0x9e3779b97f4a7c15ULL);
        }
        std::string_view view(const Key& k) const {
            return std::string_view(*names).substr(k.offset, k.length);
        }
    };
    struct Equal {
        using is_transparent = void;
        const std::string* names;
        std::string_view view(const Key& k) const {
            return std::string_view(*names).substr(k.offset, k.length);
        }
        bool operator()(const Key& a, const Key& b) const {
            return a.folder == b.folder && view(a) == view(b);
        }
        bool operator()(const Probe& a, const Key& b) const {
            return a.folder == b.folder && a.name == view(b);
        }
        bool operator()(const Key& a, const Probe& b) const { return (*this)(b, a); }
    };

    QHash<QString, qint64> m_folders;
    std::string m_names; // the folded names, end to end
    std::unordered_set<Key, Hash, Equal> m_files{0, Hash{&m_names}, Equal{&m_names}};
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
    if (!lister.open(folder, mask))
        return names; // an unreadable folder holds nothing new that can be listed
    const qint64 known = index.folder(folder);
    DirEntry entry;
    while (!StopRequested(stop) && lister.next(entry)) {
        if (entry.isDirectory || entry.name.startsWith(u'.'))
            continue;
        QString name = StripAtNul(entry.name);
        // A folder the catalogue does not know makes all its files new without lookups.
        if (known >= 0 && index.hasFile(known, name))
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
