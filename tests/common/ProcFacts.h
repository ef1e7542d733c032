// What /proc tells about a process: its state, memory, open descriptors and children. Tests of
// process faults use these to prove that nothing is left running, unreaped or growing.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

namespace vambrel::test {

// The one-letter state of `pid` ('R', 'S', 'Z'...), 0 when there is no such process.
inline char processState(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    // The command name is in parentheses and may hold anything: the state follows the last ')'.
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && close + 2 < stat.size() ? stat.at(close + 2) : 0;
}

// The parent of `pid`, 0 when there is no such process.
inline qint64 parentOf(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

// The command name of `pid` (/proc/PID/comm, readable while it is a zombie too), empty when there
// is no such process.
inline QByteArray commandName(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().trimmed();
}

// The processes whose parent is `pid`.
inline QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> out;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        bool number = false;
        const qint64 candidate = e.toLongLong(&number);
        if (number && parentOf(candidate) == pid)
            out << candidate;
    }
    return out;
}

// A field of /proc/PID/status in KiB ("VmRSS", "VmHWM"), -1 when it cannot be read.
inline qint64 statusKiB(qint64 pid, const char* field) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The number of descriptors `pid` holds open, -1 when they cannot be listed.
inline int openDescriptors(qint64 pid) {
    QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    if (!fds.exists())
        return -1;
    return int(fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

} // namespace vambrel::test
