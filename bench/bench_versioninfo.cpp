// Rate of the version reader over a folder of small files that are mostly not executable images,
// as a catalogue build meets them: warm cache, with and without the size known from the folder walk.
#include "mVersionInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

using namespace vambrel;

namespace {

constexpr int kFiles = 20000;

struct Entry {
    QByteArray path;
    qint64 size;
};

QByteArray content(int i, QRandomGenerator& rng) {
    const int kind = i % 10;
    if (kind < 4) // text
        return QByteArray("Ligne de texte ordinaire, sans en-tête d'image.\n")
            .repeated(1 + int(rng.bounded(40)));
    if (kind < 7) { // random bytes
        QByteArray b(50 + int(rng.bounded(4000)), '\0');
        for (char& c : b)
            c = char(rng.bounded(256));
        return b;
    }
    if (kind < 9) { // "MZ" with a new header that is not there
        QByteArray b(200 + int(rng.bounded(3000)), '\0');
        b[0] = 'M';
        b[1] = 'Z';
        const quint32 lfanew = kind == 7 ? quint32(rng.bounded(1u << 20)) : quint32(0x80);
        for (int k = 0; k < 4; ++k)
            b[0x3C + k] = char((lfanew >> (8 * k)) & 0xFF);
        return b;
    }
    return QByteArray(int(rng.bounded(quint32(kVersionMinImageSize))), 'x'); // too small to be an image
}

double rate(const std::vector<Entry>& entries, bool withSize, int& found) {
    QElapsedTimer timer;
    timer.start();
    found = 0;
    for (const Entry& e : entries) {
        const VersionInfo info = ReadVersionInfo(e.path, withSize ? e.size : -1);
        found += info.hasFixed ? 1 : 0;
    }
    return double(entries.size()) / (double(timer.nsecsElapsed()) / 1e9);
}

} // namespace

int main() {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    QRandomGenerator rng(20261207);
    std::vector<Entry> nonImages;
    for (int i = 0; i < kFiles; ++i) {
        const QString path = dir.filePath(
            QStringLiteral("f%1.%2").arg(i).arg(i % 3 ? QStringLiteral("dat") : QStringLiteral("exe")));
        QFile f(path);
        const QByteArray data = content(i, rng);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return 1;
        nonImages.push_back({QFile::encodeName(path), data.size()});
    }

    // A few real images from the test fixtures.
    const QDir fixtures(QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                        QStringLiteral("/../tests/data/version"));
    std::vector<Entry> images;
    for (const QString& name :
         fixtures.entryList({QStringLiteral("pe*.exe"), QStringLiteral("pe*.dll"), QStringLiteral("ne*.exe")},
                            QDir::Files, QDir::Name)) {
        const QString copy = dir.filePath(name);
        QFile::copy(fixtures.filePath(name), copy);
        images.push_back({QFile::encodeName(copy), QFileInfo(copy).size()});
    }
    std::vector<Entry> mixed = nonImages;
    mixed.insert(mixed.end(), images.begin(), images.end());

    int found = 0;
    rate(mixed, false, found); // first pass warms the page cache
    std::printf("version reader, %zu files (%d non-images, %zu images), warm cache\n", mixed.size(), kFiles,
                images.size());
    const double nonImageRate = rate(nonImages, false, found);
    std::printf("  non-images, size unknown : %10.0f files/s\n", nonImageRate);
    const double knownRate = rate(nonImages, true, found);
    std::printf("  non-images, size known   : %10.0f files/s\n", knownRate);
    const double mixedRate = rate(mixed, true, found);
    std::printf("  mixed, size known        : %10.0f files/s (%d with a version resource)\n", mixedRate,
                found);

    std::vector<Entry> realOnly;
    for (int k = 0; k < 500; ++k)
        realOnly.insert(realOnly.end(), images.begin(), images.end());
    const double imageRate = rate(realOnly, true, found);
    std::printf("  images only              : %10.0f files/s\n", imageRate);

    // Parsing alone, without the file system.
    QFile full(fixtures.filePath(QStringLiteral("pe32_full.exe")));
    if (full.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = full.readAll();
        QElapsedTimer timer;
        timer.start();
        constexpr int kParses = 100000;
        int ok = 0;
        for (int k = 0; k < kParses; ++k)
            ok += ParseVersionImage(bytes.constData(), std::size_t(bytes.size())).hasStrings ? 1 : 0;
        std::printf("  in-memory parse, PE32    : %10.0f images/s (%d read)\n",
                    kParses / (double(timer.nsecsElapsed()) / 1e9), ok);
    }
    std::printf("  target: at least 150000 files/s for non-images\n");
    return 0;
}
