// What the file-operation tests share: a host that records and answers, trees made and read
// back byte for byte (names as bytes, so that names that are not UTF-8 can be made), and small
// file systems mounted for the test.
#pragma once

#include "FileOpHost.h"
#include "FileOperation.h"
#include "NativeName.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QList>
#include <QStringList>
#include <QTest>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel::test {

using fileops::Function;
using fileops::Options;
using fileops::Progress;
using fileops::Question;
using fileops::QuestionKind;
using fileops::Reply;

// Answers every question with `answers` (in turn, the last one repeated; "Yes" when empty),
// records questions and errors, and cancels once `cancelAfter` entries are done.
class RecordingHost : public fileops::Host {
public:
    QList<Reply> answers;
    QList<Question> questions;
    QStringList errors;
    Progress last;
    int progressCalls = 0;
    qint64 cancelAfter = -1;
    qint64 cancelAfterBytes = -1;
    std::function<void(const Progress&)> onProgress;

    Reply ask(const Question& question) override {
        questions.append(question);
        if (answers.isEmpty())
            return Reply::Yes;
        return answers.size() > 1 ? answers.takeFirst() : answers.first();
    }
    void error(const QString& message) override { errors.append(message); }
    void progress(const Progress& progress) override {
        ++progressCalls;
        last = progress;
        if (onProgress)
            onProgress(progress);
    }
    bool cancelRequested() override {
        return (cancelAfter >= 0 && last.itemsDone >= cancelAfter) ||
               (cancelAfterBytes >= 0 && last.bytesDone >= cancelAfterBytes);
    }
};

inline bool run(Function function, const Options& options, const QByteArrayList& sources,
                const QByteArrayList& destinations, fileops::Host& host) {
    QStringList s;
    for (const QByteArray& path : sources)
        s << PathFromNative(path);
    QStringList d;
    for (const QByteArray& path : destinations)
        d << PathFromNative(path);
    return fileops::RunFileOperation(function, options, s, d, host);
}

// Makes a file with `content`, `mode` and a modification time; false on any failure.
inline bool put(const QByteArray& path, const QByteArray& content, mode_t mode = 0644,
                qint64 mtime = 1'600'000'000) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    const struct timespec times[2] = {{mtime, 123}, {mtime, 456789}};
    return ::fchmod(fd, mode) == 0 && ::futimens(fd, times) == 0 && ::close(fd) == 0 && written;
}

inline bool folder(const QByteArray& path, mode_t mode = 0755) {
    return ::mkdir(path.constData(), 0700) == 0 && ::chmod(path.constData(), mode) == 0;
}

inline bool exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

inline QByteArray content(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    QByteArray data;
    if (fd < 0)
        return "<absent>";
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        data.append(buffer, got);
    ::close(fd);
    return data;
}

// Every entry under `root` (not `root` itself) as "relative path|kind|mode|mtime|content",
// sorted: files by their SHA-256, links by their text. Equal lists mean equal trees, byte for byte.
inline void describe(int dirFd, const QByteArray& prefix, QByteArrayList& out, int depth = 0) {
    const int copy = ::dup(dirFd);
    DIR* dir = ::fdopendir(copy);
    if (!dir)
        return;
    QByteArrayList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << name;
    }
    ::closedir(dir);
    for (const QByteArray& name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        QByteArray line = path + '|';
        QByteArray detail;
        if (S_ISDIR(st.st_mode)) {
            line += "dir";
        } else if (S_ISLNK(st.st_mode)) {
            line += "link";
            char text[4096];
            const ssize_t length = ::readlinkat(dirFd, name.constData(), text, sizeof text);
            detail = QByteArray(text, length > 0 ? length : 0);
        } else if (S_ISREG(st.st_mode)) {
            line += "file";
            const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            char buffer[65536];
            for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
                hash.addData(QByteArrayView(buffer, got));
            if (fd >= 0)
                ::close(fd);
            detail = hash.result().toHex().left(16) + ' ' + QByteArray::number(qint64(st.st_size));
        } else if (S_ISFIFO(st.st_mode)) {
            line += "fifo";
        } else {
            line += "other";
        }
        line += '|' + QByteArray::number(st.st_mode & 07777, 8);
        if (!S_ISLNK(st.st_mode))
            line += '|' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
                    QByteArray::number(qint64(st.st_mtim.tv_nsec));
        line += '|' + detail;
        out << line;
        if (S_ISDIR(st.st_mode) && depth < 200) {
            const int child =
                ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                describe(child, path, out, depth + 1);
                ::close(child);
            }
        }
    }
}

inline QByteArrayList tree(const QByteArray& root) {
    QByteArrayList out;
    const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {"<absent>"};
    describe(fd, {}, out);
    ::close(fd);
    std::sort(out.begin(), out.end());
    return out;
}

// The same for one entry: its own line and those of what it holds, relative to it.
inline QByteArrayList entry(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return {"<absent>"};
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray parent = path.left(slash);
    const QByteArray name = path.mid(slash + 1);
    QByteArrayList all = tree(parent);
    QByteArrayList out;
    for (QByteArray line : all) {
        if (line.startsWith(name + '|'))
            out << "." + line.mid(name.size());
        else if (line.startsWith(name + '/'))
            out << line.mid(name.size() + 1);
    }
    return out;
}

// The lines of `lines` that hold `needle`.
inline QByteArrayList matching(const QByteArrayList& lines, const QByteArray& needle) {
    QByteArrayList out;
    for (const QByteArray& line : lines) {
        if (line.contains(needle))
            out << line;
    }
    return out;
}

// Names in `folder` that the engine uses for its temporary entries.
inline QByteArrayList leftovers(const QByteArray& root) {
    QByteArrayList found;
    for (const QByteArray& line : tree(root)) {
        if (line.contains(".vambrel-"))
            found << line;
    }
    return found;
}

// A tmpfs mounted on a folder for the test's life; skip the test when mounting is not allowed.
class SmallVolume {
public:
    SmallVolume(const QByteArray& where, const char* size = "1m", unsigned long flags = 0) : m_where(where) {
        const QByteArray options = QByteArray("size=") + size + ",mode=755";
        m_mounted = ::mkdir(where.constData(), 0755) == 0 &&
                    ::mount("tmpfs", where.constData(), "tmpfs", flags, options.constData()) == 0;
    }
    ~SmallVolume() {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool remountReadOnly() {
        return ::mount("tmpfs", m_where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_where;
    bool m_mounted = false;
};

// Removes `root` and everything under it, whatever the names and rights (QTemporaryDir cannot
// remove names that are not UTF-8).
inline void removeAll(const QByteArray& root) {
    ::nftw(
        root.constData(),
        [](const char* path, const struct stat* st, int, struct FTW*) {
            if (S_ISDIR(st->st_mode))
                ::chmod(path, 0700);
            return 0;
        },
        64, FTW_PHYS);
    ::nftw(
        root.constData(),
        [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path), 0; }, 64,
        FTW_PHYS | FTW_DEPTH);
}

#define VAMBREL_NEED_VOLUME(volume)                                                                          \
    if (!(volume).mounted())                                                                                 \
    QSKIP("mounting a tmpfs is not permitted here")

} // namespace vambrel::test
