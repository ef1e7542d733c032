#include "CatalogueCheck.h"

#include "ComparisonQuery.h"
#include "Database.h"
#include "DirectoryLister.h"
#include "FileDescriptor.h"
#include "FileProbe.h"
#include "FileTime.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "ReadAhead.h"
#include "SystemCalls.h"
#include "mVersionInfo.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <vector>

namespace vambrel {

namespace {

constexpr qint64 kBatchRows = 64;

// What one catalogue row needs to be judged, copied out of the snapshot for another thread.
struct RecordedFile {
    QString folder;
    QString name;
    bool hasSize = false;
    qint64 size = 0;
    QString modified;       // storage text; empty for Null
    QString productVersion; // empty for Null
};

// Whether a file's time gives the stored text of the row (empty for Null).
bool sameDate(qint64 seconds, const QString& stored) {
    char text[kDateTextSize];
    return QLatin1StringView(text, UnixTimeToText(seconds, text)) == stored;
}

enum Verdict : int { Unsorted = -1, Identical = 0, Different = 1, Gone = 2 };

struct Found {
    bool exists = false;
    bool onlyFolders = false;
    int folderFd = AT_FDCWD; // nativePath is relative to it
    QByteArray nativePath;
    bool regular = false;
    qint64 size = 0;
    qint64 mtime = 0;
};

// The open folder of the last rows judged: rows come folder by folder, and a name looked up
// relative to its folder saves walking the folder's path again for each file.
class FolderHandle {
public:
    // The descriptor of `folder`, or AT_FDCWD when it cannot be opened.
    int open(const QString& folder) {
        if (folder != m_folder) {
            m_folder = folder;
            m_fd =
                FileDescriptor(sys::open(PathToNative(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        return m_fd.isValid() ? m_fd.get() : AT_FDCWD;
    }

private:
    QString m_folder;
    FileDescriptor m_fd;
};

// Looks the recorded path up as a search with the path as its pattern would: the exact name
// first, then any name that matches it without regard to case; folders do not count.
Found lookUp(const RecordedFile& file, FolderHandle& folder) {
    Found found;
    const QByteArray nativeName = NameToNative(file.name);
    // judge() lets through only names of one entry, so the name never climbs out of its folder.
    found.folderFd = folder.open(file.folder);
    found.nativePath =
        found.folderFd == AT_FDCWD ? PathToNative(JoinPath(file.folder, file.name)) : nativeName;
    struct stat st {};
    if (sys::fstatat(found.folderFd, found.nativePath.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISDIR(st.st_mode)) {
        found.exists = true;
        found.regular = S_ISREG(st.st_mode);
        found.size = st.st_size;
        found.mtime = st.st_mtim.tv_sec;
        return found;
    }
    DirectoryLister lister;
    if (!lister.open(file.folder, file.name))
        return found;
    DirEntry entry;
    bool sawFolder = false;
    while (lister.next(entry)) {
        if (entry.isDirectory) {
            sawFolder = true;
            continue;
        }
        found.exists = true;
        found.regular = entry.isRegular;
        found.size = entry.size;
        found.mtime = entry.mtimeSeconds;
        QByteArray native = PathToNative(file.folder);
        if (!native.endsWith('/'))
            native += '/';
        found.folderFd = AT_FDCWD;
        found.nativePath = native + entry.nativeName;
        return found;
    }
    found.onlyFolders = sawFolder;
    return found;
}

int judge(const RecordedFile& file, FolderHandle& folder) {
    // A damaged or forged row (a name with a separator, "..", a folder that is not absolute) is
    // never looked up: the file it claims is not at its recorded place.
    if (!IsAbsoluteFolder(file.folder) || !IsEntryName(file.name))
        return Gone;
    const Found found = lookUp(file, folder);
    if (!found.exists)
        return found.onlyFolders ? Unsorted : Gone;
    // Whole seconds of local time on both sides: the stored text against the same rendering.
    if (!sameDate(found.mtime, file.modified))
        return Different;
    if (!file.hasSize || found.size != file.size)
        return Different;
    // Only regular files are opened; anything else has no version resource.
    QString productVersion;
    if (found.regular) {
        const VersionInfo info = found.folderFd == AT_FDCWD
                                     ? ReadListedVersionInfo(found.nativePath, found.size)
                                     : ReadListedVersionInfo(found.folderFd, found.nativePath, found.size);
        if (info.hasFixed)
            productVersion = info.fixed.productVersion;
    }
    return productVersion == file.productVersion ? Identical : Different;
}

// The verdicts of a batch of rows, in order. The names found at their exact place (nearly all of
// them) are looked at together: their lstats in one go, then the first bytes of those that may
// be images; the others take the slow way of judge(). A stop cuts the list short.
std::vector<int> judgeBatch(const std::vector<RecordedFile>& batch, const StopFlag* stop) {
    std::vector<int> verdicts(batch.size(), Gone);
    std::vector<QByteArray> names(batch.size());
    std::vector<ProbeEntry> probes;
    std::vector<size_t> rowOf;
    probes.reserve(batch.size());
    rowOf.reserve(batch.size());
    // Rows come folder by folder: the folders of a batch stay open until its end.
    std::vector<std::pair<QString, FileDescriptor>> folders;
    auto folderFd = [&](const QString& folder) {
        if (folders.empty() || folders.back().first != folder)
            folders.emplace_back(folder, FileDescriptor(sys::open(PathToNative(folder).constData(),
                                                                  O_PATH | O_DIRECTORY | O_CLOEXEC)));
        return folders.back().second.isValid() ? folders.back().second.get() : AT_FDCWD;
    };
    for (size_t i = 0; i < batch.size(); ++i) {
        const RecordedFile& file = batch[i];
        // A damaged or forged row (a name with a separator, "..", a folder that is not absolute)
        // is never looked up: the file it claims is not at its recorded place.
        if (!IsAbsoluteFolder(file.folder) || !IsEntryName(file.name))
            continue;
        ProbeEntry p;
        p.folderFd = folderFd(file.folder);
        names[i] =
            p.folderFd == AT_FDCWD ? PathToNative(JoinPath(file.folder, file.name)) : NameToNative(file.name);
        p.name = names[i].constData();
        probes.push_back(p);
        rowOf.push_back(i);
    }
    FileProbe& probe = FileProbe::forThread();
    probe.stat(probes);
    for (size_t k = 0; k < probes.size(); ++k) {
        ProbeEntry& p = probes[k];
        const RecordedFile& file = batch[rowOf[k]];
        int& verdict = verdicts[rowOf[k]];
        verdict = Identical;
        if (p.statError != 0 || S_ISDIR(p.mode)) {
            // Not at its exact place: looked for without regard to case, one at a time.
            if (StopRequested(stop))
                return {};
            FolderHandle folder;
            verdict = judge(file, folder);
            continue;
        }
        // Whole seconds of local time on both sides: the stored text against the same rendering.
        if (!sameDate(p.mtimeSeconds, file.modified) || !file.hasSize || p.size != file.size)
            verdict = Different;
        else
            p.wantSignature = S_ISREG(p.mode) && p.size >= qint64(kVersionMinImageSize);
    }
    if (StopRequested(stop))
        return {};
    probe.readSignatures(probes);
    for (size_t k = 0; k < probes.size(); ++k) {
        const ProbeEntry& p = probes[k];
        if (!p.wantSignature || verdicts[rowOf[k]] != Identical)
            continue;
        // Only files that begin like an image are read further; any other has no version resource.
        QString productVersion;
        if (p.imageSignature) {
            const VersionInfo info = ReadListedVersionInfo(p.folderFd, names[rowOf[k]], p.size);
            if (info.hasFixed)
                productVersion = info.fixed.productVersion;
        }
        if (productVersion != batch[rowOf[k]].productVersion)
            verdicts[rowOf[k]] = Different;
    }
    // Identical files without a signature to read have no version resource.
    for (size_t k = 0; k < probes.size(); ++k) {
        const ProbeEntry& p = probes[k];
        const size_t row = rowOf[k];
        if (p.statError == 0 && !S_ISDIR(p.mode) && !p.wantSignature && verdicts[row] == Identical &&
            !batch[row].productVersion.isEmpty())
            verdicts[row] = Different;
    }
    return verdicts;
}

} // namespace

void RunCatalogueCheck(const QString& fileName, CheckEvents& events, QString* failure) {
    QList<qint32> idem, distinct, nonExist;
    auto fail = [&](const QString& cause) {
        if (failure != nullptr)
            *failure = cause;
        events.Complete(false, idem, distinct, nonExist);
    };

    const StopFlag* const stop = events.stopFlag();
    Database db;
    if (!db.open(fileName, OpenMode::ReadOnly))
        return fail(db.lastError());
    auto opened = OpenComparisonQuery(db, stop);
    if (StopRequested(stop))
        return events.Cancelled();
    if (!opened)
        return fail(opened.error());
    Snapshot rows = std::move(opened).value();
    db.close();
    if (rows.recordCount() == 0)
        return fail(QStringLiteral("Le catalogue ne contient aucun fichier."));
    if (rows.recordCount() > std::numeric_limits<qint32>::max())
        return fail(QStringLiteral("Le catalogue contient trop de fichiers."));

    const int fFolder = rows.fieldIndex(u"Folders.Nom");
    const int fName = rows.fieldIndex(u"Files.Nom");
    const int fSize = rows.fieldIndex(u"Taille");
    const int fModified = rows.fieldIndex(u"Modifié");
    const int fVersion = rows.fieldIndex(u"Produit Version");

    // Rows are judged ahead on a few threads, in batches so that handing work over costs little
    // beside the lookups; verdicts and events still come in query order.
    ReadAhead<std::vector<int>> ahead(ReadAheadThreads());
    const qint64 batchesAheadMax = 2 * ReadAheadThreads();
    const qint64 count = rows.recordCount();
    qint64 submitted = 0;
    qint64 batchesAhead = 0;
    auto submitBatch = [&] {
        std::vector<RecordedFile> batch;
        batch.reserve(size_t(kBatchRows));
        for (; submitted < count && qint64(batch.size()) < kBatchRows; ++submitted) {
            rows.setAbsolutePosition(submitted);
            RecordedFile file;
            file.folder = rows.text(fFolder);
            file.name = rows.text(fName);
            const QVariant size = rows.value(fSize);
            file.hasSize = !size.isNull() && size.isValid();
            file.size = size.toLongLong();
            file.modified = rows.text(fModified);
            file.productVersion = rows.text(fVersion);
            batch.push_back(std::move(file));
        }
        ahead.submit([batch = std::move(batch), stop] {
            // Cut short by a stop: the check cancels before it looks at the missing verdicts.
            return judgeBatch(batch, stop);
        });
        ++batchesAhead;
    };
    std::vector<int> verdicts;
    size_t next = 0;
    for (qint64 position = 0; position < count; ++position) {
        // Rows that end up in no category raise no event that carries Cancel.
        if (StopRequested(stop))
            return events.Cancelled();
        if (next == verdicts.size()) {
            while (submitted < count && batchesAhead < batchesAheadMax)
                submitBatch();
            verdicts = ahead.take();
            --batchesAhead;
            next = 0;
            if (verdicts.empty() || StopRequested(stop))
                return events.Cancelled();
        }
        const int verdict = verdicts[next++];
        if (verdict != Unsorted) {
            const auto pos = qint32(position);
            (verdict == Identical ? idem : verdict == Different ? distinct : nonExist).append(pos);
            if (events.ProgressFile(quint8(verdict))) {
                events.Cancelled();
                return;
            }
        }
        events.ProgressState(qint32(position));
    }
    events.Complete(true, idem, distinct, nonExist);
}

} // namespace vambrel
