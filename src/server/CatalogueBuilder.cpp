#include "CatalogueBuilder.h"

#include "CatalogueFileJob.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "DirectoryLister.h"
#include "FileDescriptor.h"
#include "FileTime.h"
#include "FolderWalk.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "ReadAhead.h"
#include "StartFolders.h"
#include "SystemCalls.h"
#include "TextHelpers.h"
#include "TypeNames.h"
#include "mVersionInfo.h"

#include <fcntl.h>
#include <limits>

namespace vambrel {

namespace {

using Outcome = CatalogueFileJob::Outcome;

// Listing folders and reading the start of each file is what a disk makes slow: folders are
// listed, and their files' version resources read, on threads of their own ahead of the writing.
// On a cold disk many reads in flight at once keep the disk's queue full; threads mostly wait.
constexpr qint64 kFoldersAhead = 64;

class Build final : public CatalogueFileJob {
public:
    Build(const BuildParams& params, BuildEvents& events)
        : CatalogueFileJob(params.fileName,
                           QStringLiteral("Erreur inattendue pendant la création du catalogue.")),
          m_params(params), m_events(events) {}

private:
    Outcome body() override {
        QStringList starts;
        QString cause;
        if (!SplitJobSpec(m_params.spec, &starts, &cause))
            return fail(cause);
        const QString mask = m_params.mask.isEmpty() ? QStringLiteral("*.*") : m_params.mask;

        if (!createFile(DbKind::Catalogue, mask))
            return Outcome::Failed;
        if (!db().setProperty(Schema::kVersionId, Schema::formatVersion()) ||
            !db().setProperty(Schema::kSource, m_params.spec))
            return fail(db().lastError());
        if (!startWriter())
            return Outcome::Failed;

        for (const QString& start : starts) {
            if (m_events.ProgressMain(start))
                return Outcome::Cancelled;
            if (!db().setProperty(Schema::kOrigine, OrigineOf(start)))
                return fail(db().lastError());
            WalkOptions walk;
            walk.stop = m_stop;
            const QStringList folders = ListFolders(start, walk);
            if (StopRequested(m_stop))
                return Outcome::Cancelled; // the list may be cut short
            const qint64 highest = folders.size() - 1;
            if (m_folderBase + highest >= qint64(std::numeric_limits<qint32>::max()))
                return fail(QStringLiteral("Trop de dossiers pour un seul catalogue."));
            if (highest > 0 && m_events.ProgressFolder(qint32(highest)))
                return Outcome::Cancelled;
            // Rows and events still come strictly in walk order: results are taken in the order
            // the folders were handed over.
            qint64 nextToList = 0;
            for (qint64 j = 0; j <= highest; ++j) {
                for (; nextToList <= highest && nextToList - j < kFoldersAhead; ++nextToList)
                    m_readAhead.submit([folder = folders[nextToList], mask, stop = m_stop] {
                        return listFolder(folder, mask, stop);
                    });
                const FolderBatch batch = m_readAhead.take();
                const Outcome o = recordFolder(qint32(j), folders[j], batch);
                if (o != Outcome::Done)
                    return o;
            }
            m_folderBase += highest + 1;
            // Each start folder ends on a commit: a later failure keeps it whole.
            if (!writer().commit())
                return fail(db().lastError());
        }
        return Outcome::Done;
    }

    struct ListedFile {
        QString name;
        qint64 size = 0;
        qint64 mtime = 0;
        VersionInfo version;
    };
    struct FolderBatch {
        std::vector<ListedFile> files;
    };

    // Lists a folder's files and reads their version resources. Runs on a read-ahead thread:
    // touches nothing of the build. A stop cuts the batch short; the build then cancels.
    static FolderBatch listFolder(const QString& folder, const QString& mask, const StopFlag* stop) {
        FolderBatch batch;
        DirectoryLister lister;
        // A folder that cannot be read keeps its row, without files; the build goes on.
        if (!lister.open(folder, mask))
            return batch;
        // Files are opened relative to the folder: no walk of its path for each of them.
        const QByteArray nativeFolder = PathToNative(folder);
        const FileDescriptor folderFd(sys::open(nativeFolder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        DirEntry entry;
        while (!StopRequested(stop) && lister.next(entry)) {
            if (entry.isDirectory || entry.name.startsWith(u'.'))
                continue;
            ListedFile file;
            file.name = StripAtNul(entry.name);
            file.size = entry.size;
            file.mtime = entry.mtimeSeconds;
            // Only regular files are ever opened; links, pipes and devices are recorded as they are.
            if (entry.isRegular) {
                if (folderFd.isValid()) {
                    file.version = ReadListedVersionInfo(folderFd.get(), entry.nativeName, entry.size);
                } else {
                    QByteArray path = nativeFolder;
                    if (!path.endsWith('/'))
                        path += '/';
                    file.version = ReadListedVersionInfo(path + entry.nativeName, entry.size);
                }
            }
            batch.files.push_back(std::move(file));
        }
        return batch;
    }

    Outcome recordFolder(qint32 index, const QString& folder, const FolderBatch& batch) {
        // Folders without files raise no event that carries Cancel: the flag is read here.
        if (StopRequested(m_stop))
            return Outcome::Cancelled;
        m_events.ProgressState(index);
        const qint32 num = qint32(m_folderBase + index);
        if (!writer().addFolder(num, folder))
            return fail(writer().lastError());
        for (const ListedFile& file : batch.files) {
            FileRow row;
            row.numId = m_fileCounter;
            row.num = num;
            row.nom = file.name;
            row.taille = file.size;
            row.modifie = UnixTimeToDate(file.mtime);
            row.type = m_types.typeOf(row.nom);
            if (!writer().addFile(row))
                return fail(writer().lastError());
            const VersionInfo& info = file.version;
            if ((info.hasStrings || info.hasFixed) &&
                !writer().addVersion(m_fileCounter, info.hasStrings ? &info.strings : nullptr,
                                     info.hasFixed ? &info.fixed : nullptr))
                return fail(writer().lastError());
            if (m_fileCounter == std::numeric_limits<qint32>::max())
                return fail(QStringLiteral("Trop de fichiers pour un seul catalogue."));
            ++m_fileCounter;
            if (m_events.ProgressFile(m_fileCounter) || StopRequested(m_stop))
                return Outcome::Cancelled;
        }
        return Outcome::Done;
    }

    const BuildParams& m_params;
    BuildEvents& m_events;
    const StopFlag* const m_stop = m_events.stopFlag();
    TypeNames m_types;
    ReadAhead<FolderBatch> m_readAhead{ReadAheadThreads()};
    qint64 m_folderBase = 0;
    qint32 m_fileCounter = 0;
};

} // namespace

void RunCatalogueBuild(const BuildParams& params, BuildEvents& events, QString* failure) {
    Build(params, events).run(events, failure);
}

} // namespace vambrel
