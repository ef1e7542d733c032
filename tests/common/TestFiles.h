// Files and catalogue rows for tests: a file with a chosen content and time, and the rows of a
// query as "a|b|c" lines.
#pragma once

#include "Database.h"
#include "Snapshot.h"

#include <QFile>
#include <QStringList>
#include <QTest>
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
