#include "CollisionName.h"

namespace vambrel::fileops {

namespace {

struct Parts {
    QByteArray stem;
    QByteArray extension; // with its dot
    int next = 2;         // the number the first candidate takes
};

Parts split(const QByteArray& name, bool folder) {
    Parts parts;
    const qsizetype dot = folder ? -1 : name.lastIndexOf('.');
    if (dot > 0) {
        parts.stem = name.left(dot);
        parts.extension = name.mid(dot);
    } else {
        parts.stem = name;
    }
    // "nom (7)" goes on with 8.
    if (parts.stem.endsWith(')')) {
        const qsizetype open = parts.stem.lastIndexOf(" (");
        if (open > 0) {
            const QByteArray digits = parts.stem.mid(open + 2, parts.stem.size() - open - 3);
            bool ok = false;
            const int value = digits.toInt(&ok);
            if (ok && value >= 1 && value < 1'000'000 && !digits.startsWith('0') && !digits.startsWith('+')) {
                parts.stem.truncate(open);
                parts.next = value + 1;
            }
        }
    }
    return parts;
}

// Cuts `text` to at most `size` bytes without leaving half a UTF-8 sequence at its end.
QByteArray cutBytes(const QByteArray& text, qsizetype size) {
    if (size >= text.size())
        return text;
    if (size <= 0)
        return {};
    qsizetype end = size;
    // Back over continuation bytes to the lead byte; drop the lead too when its sequence no
    // longer fits.
    while (end > 0 && (static_cast<unsigned char>(text.at(end)) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

} // namespace

QByteArray FitName(const QByteArray& name, int limit) {
    if (name.size() <= limit)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray extension = dot > 0 ? name.mid(dot) : QByteArray();
    if (extension.size() > limit / 2)
        extension.clear();
    const QByteArray stem = dot > 0 && !extension.isEmpty() ? name.left(dot) : name;
    return cutBytes(stem, limit - extension.size()) + extension;
}

QByteArray CollisionCandidate(const QByteArray& name, bool folder, int attempt, int limit) {
    const Parts parts = split(name, folder);
    const QByteArray suffix = " (" + QByteArray::number(parts.next + attempt) + ')';
    QByteArray extension = parts.extension;
    if (extension.size() + suffix.size() > limit / 2)
        extension = cutBytes(extension, limit / 2 - suffix.size());
    const QByteArray stem = cutBytes(parts.stem, limit - suffix.size() - extension.size());
    return stem + suffix + extension;
}

QByteArray FreeName(const QByteArray& name, bool folder, const std::function<bool(const QByteArray&)>& taken,
                    int limit) {
    for (int attempt = 0; attempt < 1'000'000; ++attempt) {
        QByteArray candidate = CollisionCandidate(name, folder, attempt, limit);
        if (!taken(candidate))
            return candidate;
    }
    return {};
}

} // namespace vambrel::fileops
