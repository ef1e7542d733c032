#include "CatalogueBuilder.h"

#include "CatalogueFileJob.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "DirectoryLister.h"
#include "FileDescriptor.h"
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
#include "Wildcard.h"
#include "mVersionInfo.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vambrel {

namespace {

using Outcome = CatalogueFileJob::Outcome;

// Listing folders and reading the start of each file is what a disk makes slow: folders are
// listed, and their files' version resources read, on threads of their own ahead of the writing.
// On a cold disk many reads in flight at once keep the disk's queue full; threads mostly wait.
// Far enough ahead that the threads seldom wait for the oldest task (every result is taken in
// order), and bounded by the entries the walk saw so that large folders do not pile up.
constexpr qint64 kFoldersAhead = 1024;
constexpr size_t kListedBytesAhead = size_t(1) << 20;
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
            // Shared with the read-ahead tasks, which a failure or a cancel may leave running.
            const auto walked = std::make_shared<WalkedFiles>();
            walk.files = walked.get();
            walk.keepBytes = m_params.keptNames;
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
            size_t listedAhead = 0; // the walk's bytes of the folders handed over and not yet recorded
            std::vector<FolderBatch> group;
            size_t inGroup = 0;
            for (qint64 j = 0; j <= highest; ++j) {
                for (; nextToList <= highest && (nextToList <= j || (nextToList - j < kFoldersAhead &&
                                                                     listedAhead < kListedBytesAhead));
                     nextToList += kFoldersPerTask) {
                    const qint64 end = std::min(highest + 1, nextToList + kFoldersPerTask);
                    for (qint64 f = nextToList; f < end; ++f)
                        listedAhead += walked->listedBytes(size_t(f));
                    m_readAhead.submit(
                        [part = folders.mid(nextToList, end - nextToList), walked, first = size_t(nextToList),
                         mask, stop = m_stop] { return listFolders(part, *walked, first, mask, stop); });
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
                listedAhead -= walked->listedBytes(size_t(j));
            }
            m_folderBase += highest + 1;
            // Each start folder ends on a commit: a later failure keeps it whole.
            if (!writer().commit())
                return fail(db().lastError());
        }
        return Outcome::Done;
    }

    struct ListedFile {
        quint32 nameAt = 0; // the stored name in FolderBatch::names
        quint32 nameLength = 0;
        qint64 size = 0;
        char modified[kDateTextSize];
        quint8 modifiedLength = 0;            // 0: Null
        std::unique_ptr<VersionInfo> version; // only for the images that have one
    };
    struct FolderBatch {
        std::string names; // the stored (UTF-8) names of the files, end to end
        std::vector<ListedFile> files;
        std::string_view name(const ListedFile& f) const {
            return std::string_view(names).substr(f.nameAt, f.nameLength);
        }
    };

    // Lists a few folders' files and reads their version resources. Runs on a read-ahead thread:
    // touches nothing of the build. A stop cuts the batches short; the build then cancels.
    // The listings give names and types; the lstats, and the first bytes of the files that may be
    // images, are then asked for many names of these folders at once. Everything a row needs is
    // made here, in the form it is stored, so that the writing converts nothing.
    // `first` is the index of the first of `folders` in the walk.
    static std::vector<FolderBatch> listFolders(const QStringList& folders, const WalkedFiles& walked,
                                                size_t first, const QString& mask, const StopFlag* stop) {
        std::vector<FolderBatch> batches(size_t(folders.size()));
        // The folders stay open until their files are read: names are looked at relative to them.
        std::deque<DirectoryLister> listers;
        std::vector<FileDescriptor> opened;
        std::string native; // the names on disk, each ended by a NUL
        struct Listed {
            int folderFd;
            size_t folder;
            size_t pathAt;       // in `native`: the path relative to folderFd
            size_t prefixLength; // of the path, before the name
            size_t nameLength;
        };
        std::vector<Listed> listed;
        const Wildcard pattern(mask);
        QString decoded;
        // Folders of a task are mostly siblings: their files are looked up from their parent as
        // "folder/name", which saves opening each folder.
        QString parentPath;
        int parentFd = -1;
        for (qsizetype k = 0; k < folders.size() && !StopRequested(stop); ++k) {
            QByteArray prefix;
            const auto add = [&](int folderFd, std::string_view name) {
                listed.push_back(
                    Listed{folderFd, size_t(k), native.size(), size_t(prefix.size()), name.size()});
                native.append(prefix.constData(), size_t(prefix.size()));
                native.append(name);
                native += '\0';
            };
            if (walked.kept(first + size_t(k))) {
                // The walk kept the folder's names: only a descriptor to look them up from is needed.
                const qsizetype cut = folders[k].lastIndexOf(u'/');
                const QString child = cut < 0 ? QString() : folders[k].mid(cut + 1);
                int fd = -1;
                if (IsEntryName(child)) {
                    const QString parent = cut == 0 ? QStringLiteral("/") : folders[k].left(cut);
                    if (parent != parentPath) {
                        parentPath = parent;
                        parentFd =
                            opened.emplace_back(OpenLongPath(PathToNative(parent), O_PATH | O_DIRECTORY))
                                .get();
                    }
                    fd = parentFd;
                    prefix = NameToNative(child) + '/';
                } else {
                    fd = opened.emplace_back(OpenLongPath(PathToNative(folders[k]), O_PATH | O_DIRECTORY))
                             .get();
                }
                if (fd < 0)
                    continue; // gone since the walk: its row stays, without files
                walked.forEach(first + size_t(k), [&](std::string_view name, unsigned char type) {
                    if (type == DT_DIR)
                        return;
                    if (!pattern.matchesAll()) {
                        NameFromNativeInto(decoded, name.data(), name.size());
                        if (!pattern.matches(decoded))
                            return;
                    }
                    add(fd, name);
                });
                continue;
            }
            DirectoryLister& lister = listers.emplace_back();
            lister.setSkipDotNames(true);
            // A folder that cannot be read keeps its row, without files; the build goes on.
            if (!lister.open(folders[k], mask))
                continue;
            std::string_view name;
            unsigned char type = DT_UNKNOWN;
            while (!StopRequested(stop) && lister.nextName(name, type)) {
                if (type != DT_DIR)
                    add(lister.descriptor(), name);
            }
        }
        FileProbe& probe = FileProbe::forThread();
        std::vector<ProbeEntry> probes;
        for (size_t begin = 0; begin < listed.size() && !StopRequested(stop); begin += kProbeBatch) {
            const size_t end = std::min(listed.size(), begin + kProbeBatch);
            probes.assign(end - begin, ProbeEntry{});
            for (size_t i = begin; i < end; ++i) {
                probes[i - begin].folderFd = listed[i].folderFd;
                probes[i - begin].name = native.data() + listed[i].pathAt;
            }
            probe.stat(probes);
            for (ProbeEntry& p : probes) {
                // Only regular files are ever opened; links, pipes and devices are recorded as
                // they are. Most files are no image: their first two bytes are all that is read.
                p.wantSignature =
                    p.statError == 0 && S_ISREG(p.mode) && p.size >= qint64(kVersionMinImageSize);
            }
            probe.readSignatures(probes);
            for (size_t i = begin; i < end; ++i) {
                const ProbeEntry& p = probes[i - begin];
                if (p.statError == ENOENT)
                    continue; // gone since the folder was read
                if (p.statError == 0 && S_ISDIR(p.mode))
                    continue;
                // A name that cannot be looked at is recorded with nothing more than its name.
                const bool described = p.statError == 0;
                FolderBatch& batch = batches[listed[i].folder];
                ListedFile& file = batch.files.emplace_back();
                file.nameAt = quint32(batch.names.size());
                const char* const name = p.name + listed[i].prefixLength;
                NativeToStoredUtf8(name, listed[i].nameLength, batch.names);
                file.nameLength = quint32(batch.names.size() - file.nameAt);
                file.size = described ? p.size : 0;
                file.modifiedLength = quint8(UnixTimeToText(described ? p.mtimeSeconds : 0, file.modified));
                if (p.imageSignature) {
                    // Images are few: one looked up from its parent is read through its own folder.
                    const QByteArray nameBytes(name, qsizetype(listed[i].nameLength));
                    FileDescriptor own;
                    if (listed[i].prefixLength != 0)
                        own.reset(OpenLongPath(PathToNative(folders[qsizetype(listed[i].folder)]),
                                               O_PATH | O_DIRECTORY));
                    VersionInfo info = ReadListedVersionInfo(
                        listed[i].prefixLength == 0 ? p.folderFd : own.get(), nameBytes, p.size);
                    if (info.hasStrings || info.hasFixed)
                        file.version = std::make_unique<VersionInfo>(std::move(info));
                }
            }
        }
        if (StopRequested(stop))
            batches.clear();
        return batches;
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
            const std::string_view name = batch.name(file);
            const QByteArray& type = m_types.typeOfUtf8(name);
            if (!writer().addFileUtf8(m_fileCounter, num, name, file.size,
                                      std::string_view(file.modified, file.modifiedLength),
                                      std::string_view(type.constData(), size_t(type.size()))))
                return fail(writer().lastError());
            if (const VersionInfo* info = file.version.get();
                info && !writer().addVersion(m_fileCounter, info->hasStrings ? &info->strings : nullptr,
                                             info->hasFixed ? &info->fixed : nullptr))
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
