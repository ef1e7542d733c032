#include "CatalogueBuilder.h"

#include "CatalogueFileJob.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "DirectoryLister.h"
#include "FileProbe.h"
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

#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/stat.h>

namespace vambrel {

namespace {

using Outcome = CatalogueFileJob::Outcome;

// Listing folders and reading the start of each file is what a disk makes slow: folders are
// listed, and their files' version resources read, on threads of their own ahead of the writing.
// On a cold disk many reads in flight at once keep the disk's queue full; threads mostly wait.
constexpr qint64 kFoldersAhead = 64;
constexpr qint64 kFoldersPerTask = 8;
// Names looked at in one go: large enough that a batch costs few system calls, small enough
// that a stop is seen soon in a huge folder.
constexpr size_t kProbeBatch = 1024;

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
            // A task lists a few folders in a row: most folders are small, and handing each
            // over alone would cost more thread wake-ups than listing it.
            qint64 nextToList = 0;
            std::vector<FolderBatch> group;
            size_t inGroup = 0;
            for (qint64 j = 0; j <= highest; ++j) {
                for (; nextToList <= highest && nextToList - j < kFoldersAhead;
                     nextToList += kFoldersPerTask) {
                    const qint64 end = std::min(highest + 1, nextToList + kFoldersPerTask);
                    m_readAhead.submit(
                        [part = folders.mid(nextToList, end - nextToList), mask, stop = m_stop] {
                            std::vector<FolderBatch> batches;
                            batches.reserve(size_t(part.size()));
                            for (qsizetype k = 0; k < part.size() && !StopRequested(stop); ++k)
                                batches.push_back(listFolder(part[k], mask, stop));
                            return batches;
                        });
                }
                if (inGroup == group.size()) {
                    group = m_readAhead.take();
                    inGroup = 0;
                    if (group.empty())
                        return Outcome::Cancelled; // cut short by a stop
                }
                const Outcome o = recordFolder(qint32(j), folders[j], group[inGroup++]);
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
    // The listing gives names and types; the lstats, and the first bytes of the files that may be
    // images, are then asked for many names at once.
    static FolderBatch listFolder(const QString& folder, const QString& mask, const StopFlag* stop) {
        FolderBatch batch;
        DirectoryLister lister;
        lister.setTypesOnly(true);
        // A folder that cannot be read keeps its row, without files; the build goes on.
        if (!lister.open(folder, mask))
            return batch;
        // Files are looked at relative to the folder: no walk of its path for each of them.
        const int folderFd = lister.descriptor();
        std::vector<DirEntry> listed;
        DirEntry entry;
        while (!StopRequested(stop) && lister.next(entry)) {
            if (entry.isDirectory || entry.name.startsWith(u'.'))
                continue;
            listed.push_back(entry);
        }
        FileProbe& probe = FileProbe::forThread();
        for (size_t begin = 0; begin < listed.size() && !StopRequested(stop); begin += kProbeBatch) {
            const size_t end = std::min(listed.size(), begin + kProbeBatch);
            std::vector<ProbeEntry> probes(end - begin);
            std::vector<size_t> toStat;
            for (size_t i = begin; i < end; ++i) {
                probes[i - begin].folderFd = folderFd;
                probes[i - begin].name = listed[i].nativeName.constData();
            }
            probe.stat(probes);
            for (size_t i = begin; i < end; ++i) {
                ProbeEntry& p = probes[i - begin];
                DirEntry& e = listed[i];
                if (p.statError == ENOENT)
                    continue; // gone since the folder was read
                if (p.statError == 0) {
                    e.isDirectory = S_ISDIR(p.mode);
                    e.isSymlink = S_ISLNK(p.mode);
                    e.isRegular = S_ISREG(p.mode);
                    e.size = p.size;
                    e.mtimeSeconds = p.mtimeSeconds;
                    e.described = true;
                }
                // Only regular files are ever opened; links, pipes and devices are recorded as
                // they are. Most files are no image: their first two bytes are all that is read.
                p.wantSignature = e.isRegular && e.size >= qint64(kVersionMinImageSize);
            }
            probe.readSignatures(probes);
            for (size_t i = begin; i < end; ++i) {
                const ProbeEntry& p = probes[i - begin];
                const DirEntry& e = listed[i];
                if (p.statError == ENOENT || e.isDirectory)
                    continue;
                ListedFile file;
                file.name = StripAtNul(e.name);
                file.size = e.size;
                file.mtime = e.mtimeSeconds;
                if (p.imageSignature)
                    file.version = ReadListedVersionInfo(folderFd, e.nativeName, e.size);
                batch.files.push_back(std::move(file));
            }
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
    ReadAhead<std::vector<FolderBatch>> m_readAhead{ReadAheadThreads()};
    qint64 m_folderBase = 0;
    qint32 m_fileCounter = 0;
};

} // namespace

void RunCatalogueBuild(const BuildParams& params, BuildEvents& events, QString* failure) {
    Build(params, events).run(events, failure);
}

} // namespace vambrel
