// Files and catalogue rows for tests: a file with a chosen content and time, and the rows of a
// query as "a|b|c" lines.
#pragma once

#include "Database.h"
#include "Snapshot.h"

#include <QFile>
#include <QStringList>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace vambrel::test {

// Writes `content` to `path` and sets its modification time (seconds since 1970).
inline void makeFile(const QString& path, const QByteArray& content = "x", qint64 mtime = 1'600'000'000) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
    f.close();
    struct utimbuf times {
        mtime, mtime
    };
    QCOMPARE(utime(QFile::encodeName(path).constData(), &times), 0);
}

// The same for a path given as bytes, so that names that are not UTF-8 can be made; false on
// any failure.
inline bool writeBytes(const QByteArray& path, const QByteArray& content, qint64 mtime) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    return ::close(fd) == 0 && written && ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

// Writes `bytes` to `path`, replacing what it held; false on any failure.
inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The whole content of a file, or "<absent>" when it cannot be read: a missing file is told
// apart from an empty one.
inline QByteArray contentOrAbsent(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// The whole content of a file; empty when it cannot be read.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows of `sql` over the file `path`, each as its fields joined by "|", Null as "<null>";
// a failure gives one line "<cause>".
inline QStringList queryRows(const QString& path, const QString& sql, DbKind kind = DbKind::Catalogue) {
    Database db;
    if (!db.open(path, OpenMode::ReadOnly, kind))
        return {QStringLiteral("<") + db.lastError() + QStringLiteral(">")};
    auto s = Snapshot::open(db, sql);
    if (!s)
        return {QStringLiteral("<") + s.error() + QStringLiteral(">")};
    QStringList out;
    for (bool ok = s->moveFirst(); ok; ok = s->moveNext()) {
        QStringList cells;
        for (int c = 0; c < s->fieldCount(); ++c)
            cells << (s->isNull(c) ? QStringLiteral("<null>") : s->text(c));
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace vambrel::test
