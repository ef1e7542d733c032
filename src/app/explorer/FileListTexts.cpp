#include "FileListTexts.h"

#include "PathSyntax.h"
#include "TextFormat.h"

#include <cstdio>
#include <ctime>

namespace vambrel {

QString FileListTexts::KoText(qint64 size) {
    const quint64 octets = size < 0 ? 0 : quint64(size);
    // Rounded up without overflow: the quotient plus one when anything is left over.
    const quint64 ko = octets / 1024 + (octets % 1024 ? 1 : 0);
    return GroupedNumberText(qint64(ko)) + QStringLiteral(" Ko");
}

QString FileListTexts::ImageKey(const QString& folder, const QString& shownName, bool isFolder) {
    const QString full = JoinPath(folder, shownName);
    if (isFolder)
        return full;
    const QString extension = GetExtension(full);
    if (extension.isEmpty() || extension.compare(QLatin1String(".exe"), Qt::CaseInsensitive) == 0)
        return full;
    return extension;
}

QString FileListTexts::DateText(qint64 seconds) {
    const time_t t = time_t(seconds);
    struct tm local {};
    if (qint64(t) != seconds || !localtime_r(&t, &local))
        return {};
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "%02d/%02d/%d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                      local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return n > 0 && size_t(n) < sizeof text ? QString::fromLatin1(text, n) : QString();
}

} // namespace vambrel
