#pragma once

#include <QString>
#include <QtGlobal>

namespace vambrel {

// The texts and keys of the live file list, apart from any widget.
class FileListTexts {
public:
    // A size in kilobytes rounded up to the next whole one, digits grouped by three with spaces:
    // 0 gives "0 Ko", 1 and 1024 give "1 Ko", 1025 gives "2 Ko". Exact for every 64-bit size;
    // a negative size counts as 0.
    static QString KoText(qint64 size);

    // The image cache's key of an entry: a folder, every program (".exe" in any case) and every
    // name without extension have a key of their own (their full path); other files share one
    // key per extension as written.
    static QString ImageKey(const QString& folder, const QString& shownName, bool isFolder);

    // The date text of a modification time in seconds since 1970, as FormatFileDate writes it
    // (dd/MM/yyyy HH:mm:ss, local time; empty when it cannot be converted), made without asking
    // for the time zone again at each call: the keys of a sort by date.
    static QString DateText(qint64 seconds);
};

} // namespace vambrel
