#include "CatalogueBuilder.h"

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
#include "TextHelpers.h"
#include "TypeNames.h"
#include "mVersionInfo.h"

#include <QDateTime>
#include <QFile>
#include <deque>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <unistd.h>

namespace vambrel {

namespace {

enum class Outcome { Done, Cancelled, Failed };

// Reading the start of each file is what a cold disk makes slow: keep several reads in flight.
// Files go to the read-ahead in groups, so that handing work over costs little per file.
constexpr int kReadAheadThreads = 4;
constexpr qint64 kReadAheadFiles = 1024;
constexpr size_t kVersionGroup = 32;
// Each folder listed ahead keeps a descriptor open until its files are read.
constexpr size_t kFoldersAhead = 128;

class Build {
public:
    Build(const BuildParams& params, BuildEvents& events) : m_params(params), m_events(events) {}

    Outcome run() {
        QStringList starts;
        QString cause;
        if (!SplitJobSpec(m_params.spec, &starts, &cause))
            return fail(cause);
        const QString mask = m_params.mask.isEmpty() ? QStringLiteral("*.*") : m_params.mask;

        if (!m_db.create(m_params.fileName, DbKind::Catalogue, mask, QDateTime::currentDateTime()))
            return fail(m_db.lastError());
        m_created = true;
        if (!m_db.setProperty(Schema::kVersionId, Schema::formatVersion()) ||
            !m_db.setProperty(Schema::kSource, m_params.spec))
            return fail(m_db.lastError());
        m_writer = std::make_unique<CatalogueWriter>(m_db);
        if (!m_writer->isValid())
            return fail(m_db.lastError());

        for (const QString& start : starts) {
            if (m_events.ProgressMain(start))
                return Outcome::Cancelled;
            if (!m_db.setProperty(Schema::kOrigine, OrigineOf(start)))
                return fail(m_db.lastError());
            const QStringList folders = ListFolders(start);
            const qint64 highest = folders.size() - 1;
            if (m_folderBase + highest >= qint64(std::numeric_limits<qint32>::max()))
                return fail(QStringLiteral("Trop de dossiers pour un seul catalogue."));
            if (highest > 0 && m_events.ProgressFolder(qint32(highest)))
                return Outcome::Cancelled;
            // Folders are listed, and their files' version resources read, a little ahead of
            // the writing; rows and events still come strictly in walk order.
            std::deque<FolderBatch> ahead;
            qint64 nextToList = 0;
            for (qint64 j = 0; j <= highest; ++j) {
                while (nextToList <= highest &&
                       (ahead.empty() || (m_filesAhead < kReadAheadFiles && ahead.size() < kFoldersAhead))) {
                    ahead.push_back(listFolder(folders[nextToList], mask));
                    ++nextToList;
                }
                const FolderBatch batch = std::move(ahead.front());
                ahead.pop_front();
                const Outcome o = recordFolder(qint32(j), folders[j], batch);
                if (o != Outcome::Done)
                    return o;
            }
            m_folderBase += highest + 1;
            // Each start folder ends on a commit: a later failure keeps it whole.
            if (!m_writer->commit())
                return fail(m_db.lastError());
        }
        if (!m_writer->commit())
            return fail(m_db.lastError());
        m_writer.reset();
        m_db.close();
        return Outcome::Done;
    }

    // Removes the file of a cancelled build.
    void discard() {
        m_writer.reset();
        m_db.close();
        if (m_created)
            ::unlink(QFile::encodeName(m_params.fileName).constData());
    }

    // Releases the database without writing more; complete rows up to the last commit stay.
    void release() {
        m_writer.reset();
        m_db.close();
    }

    const QString& failure() const { return m_failure; }

private:
    Outcome fail(const QString& cause) {
        m_failure = cause;
        return Outcome::Failed;
    }

    struct ListedFile {
        QString name;
        qint64 size = 0;
        qint64 mtime = 0;
        bool versionRead = false; // submitted to the read-ahead
    };
    struct FolderBatch {
        std::vector<ListedFile> files;
    };
    using VersionGroup = std::vector<VersionInfo>;

    // Hands the collected names of one folder to the read-ahead as one task. The files are opened
    // relative to the folder's descriptor when it could be opened, by their full path otherwise.
    void submitGroup(const std::shared_ptr<FileDescriptor>& folderFd, const QByteArray& nativeFolder,
                     std::vector<std::pair<QByteArray, qint64>>& group) {
        if (group.empty())
            return;
        m_filesAhead += qint64(group.size());
        m_readAhead.submit([folderFd, nativeFolder, names = std::move(group)] {
            VersionGroup infos;
            infos.reserve(names.size());
            for (const auto& [name, size] : names) {
                if (folderFd->isValid()) {
                    infos.push_back(ReadListedVersionInfo(folderFd->get(), name, size));
                } else {
                    QByteArray path = nativeFolder;
                    if (!path.endsWith('/'))
                        path += '/';
                    infos.push_back(ReadListedVersionInfo(path + name, size));
                }
            }
            return infos;
        });
        group.clear();
    }

    // The version resource of the next file submitted, in submission order.
    VersionInfo nextVersion() {
        if (m_groupAt >= m_group.size()) {
            m_group = m_readAhead.take();
            m_groupAt = 0;
            if (m_group.empty())
                return {};
        }
        --m_filesAhead;
        return std::move(m_group[m_groupAt++]);
    }

    FolderBatch listFolder(const QString& folder, const QString& mask) {
        FolderBatch batch;
        DirectoryLister lister;
        // A folder that cannot be read keeps its row, without files; the build goes on.
        if (!lister.open(folder, mask))
            return batch;
        const QByteArray nativeFolder = PathToNative(folder);
        const auto folderFd = std::make_shared<FileDescriptor>(
            ::open(nativeFolder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        std::vector<std::pair<QByteArray, qint64>> group;
        DirEntry entry;
        while (lister.next(entry)) {
            if (entry.isDirectory || entry.name.startsWith(u'.'))
                continue;
            ListedFile file;
            file.name = StripAtNul(entry.name);
            file.size = entry.size;
            file.mtime = entry.mtimeSeconds;
            // Only regular files are ever opened; links, pipes and devices are recorded as they are.
            if (entry.isRegular) {
                group.emplace_back(entry.nativeName, entry.size);
                if (group.size() == kVersionGroup)
                    submitGroup(folderFd, nativeFolder, group);
                file.versionRead = true;
            }
            batch.files.push_back(std::move(file));
        }
        submitGroup(folderFd, nativeFolder, group);
        return batch;
    }

    Outcome recordFolder(qint32 index, const QString& folder, const FolderBatch& batch) {
        m_events.ProgressState(index);
        const qint32 num = qint32(m_folderBase + index);
        if (!m_writer->addFolder(num, folder))
            return fail(m_writer->lastError());
        for (const ListedFile& file : batch.files) {
            FileRow row;
            row.numId = m_fileCounter;
            row.num = num;
            row.nom = file.name;
            row.taille = file.size;
            row.modifie = UnixTimeToDate(file.mtime);
            row.type = m_types.typeOf(row.nom);
            if (!m_writer->addFile(row))
                return fail(m_writer->lastError());
            if (file.versionRead) {
                const VersionInfo info = nextVersion();
                if ((info.hasStrings || info.hasFixed) &&
                    !m_writer->addVersion(m_fileCounter, info.hasStrings ? &info.strings : nullptr,
                                          info.hasFixed ? &info.fixed : nullptr))
                    return fail(m_writer->lastError());
            }
            if (m_fileCounter == std::numeric_limits<qint32>::max())
                return fail(QStringLiteral("Trop de fichiers pour un seul catalogue."));
            ++m_fileCounter;
            if (m_events.ProgressFile(m_fileCounter))
                return Outcome::Cancelled;
        }
        return Outcome::Done;
    }

    const BuildParams& m_params;
    BuildEvents& m_events;
    Database m_db;
    std::unique_ptr<CatalogueWriter> m_writer;
    TypeNames m_types;
    ReadAhead<VersionGroup> m_readAhead{kReadAheadThreads};
    VersionGroup m_group; // taken from the read-ahead, used from m_groupAt on
    size_t m_groupAt = 0;
    qint64 m_filesAhead = 0; // submitted and not yet used
    qint64 m_folderBase = 0;
    qint32 m_fileCounter = 0;
    bool m_created = false;
    QString m_failure;
};

} // namespace

void RunCatalogueBuild(const BuildParams& params, BuildEvents& events, QString* failure) {
    Build build(params, events);
    Outcome outcome = Outcome::Failed;
    try {
        outcome = build.run();
    } catch (const std::exception&) {
        outcome = Outcome::Failed;
    }
    switch (outcome) {
    case Outcome::Done:
        events.Complete(true);
        break;
    case Outcome::Cancelled:
        build.discard();
        events.Cancelled();
        break;
    case Outcome::Failed:
        build.release();
        if (failure != nullptr)
            *failure = build.failure().isEmpty()
                           ? QStringLiteral("Erreur inattendue pendant la création du catalogue.")
                           : build.failure();
        events.Complete(false);
        break;
    }
}

} // namespace vambrel
