// A reproducible folder tree for benchmarks: folders in a wide, shallow tree (eight children
// each, so 20,000 folders are about five levels deep), files spread evenly over them, small
// files of varied sizes, some names with accents, some hidden names. Same options, same tree.
#pragma once

#include "NativeName.h"
#include "PathSyntax.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

struct SyntheticTreeOptions {
    int files = 200'000;
    int folders = 20'000;
    int maxFileSize = 16 * 1024; // sizes are drawn from 0 to this, mostly small
    unsigned seed = 20261207;
};

struct SyntheticTree {
    qint64 files = 0;   // regular files, hidden ones included
    qint64 folders = 0; // root included
    qint64 bytes = 0;
    bool reused = false; // the tree was already there, made with the same options
    bool ok = false;
};

namespace synthetic_detail {

inline QByteArray markerText(const SyntheticTreeOptions& o) {
    return QByteArray::number(o.files) + ' ' + QByteArray::number(o.folders) + ' ' +
           QByteArray::number(o.maxFileSize) + ' ' + QByteArray::number(o.seed);
}

inline bool writeFile(const QByteArray& path, qint64 size) {
    static const std::array<char, 4096> filler = [] {
        std::array<char, 4096> a{};
        for (std::size_t i = 0; i < a.size(); ++i)
            a[i] = static_cast<char>('a' + i % 26);
        return a;
    }();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    for (qint64 left = size; left > 0 && ok;) {
        const auto chunk = static_cast<std::size_t>(std::min<qint64>(left, filler.size()));
        ok = ::write(fd, filler.data(), chunk) == static_cast<ssize_t>(chunk);
        left -= static_cast<qint64>(chunk);
    }
    return ::close(fd) == 0 && ok;
}

} // namespace synthetic_detail

// Creates the tree under root (which must exist). When root already holds a tree made with
// the same options (a marker file says so), it is reused as it is.
inline SyntheticTree CreateSyntheticTree(const QString& root, const SyntheticTreeOptions& options = {}) {
    using namespace synthetic_detail;
    SyntheticTree tree;
    const QByteArray marker = PathToNative(JoinPath(root, QStringLiteral(".synthetic-tree")));
    const QByteArray wanted = markerText(options);
    std::mt19937 random(options.seed);
    static const char* const kFolderWords[] = {"dossier", "Projets", "été",      "Données", "archives",
                                               "photos",  "Musique", "çà et là", "src",     "docs"};
    static const char* const kFileWords[] = {"rapport", "photo", "budget", "Setup", "lisezmoi", "index",
                                             "données", "image", "été",    "notes", "Facture",  "zèbre"};
    static const char* const kExtensions[] = {".txt", ".jpg",  ".pdf", ".dll", ".exe", ".png",
                                              ".doc", ".html", ".xml", ".c",   ".TXT", ""};
    QList<QByteArray> folders{PathToNative(root)};
    folders.reserve(options.folders);
    QFile existing(QString::fromLocal8Bit(marker));
    tree.reused = existing.open(QIODevice::ReadOnly) && existing.readAll() == wanted;
    for (int i = 1; i < options.folders; ++i) {
        const QByteArray& parent = folders.at((i - 1) / 8);
        const char* word = kFolderWords[random() % std::size(kFolderWords)];
        const QByteArray path = parent + '/' + word + ' ' + QByteArray::number(i);
        if (!tree.reused && ::mkdir(path.constData(), 0755) != 0)
            return tree;
        folders.append(path);
    }
    tree.folders = folders.size();
    std::geometric_distribution<int> smallSize(0.002);
    for (int i = 0; i < options.files; ++i) {
        const QByteArray& folder = folders.at(i % folders.size());
        const bool hidden = random() % 100 == 0;
        const QByteArray name = QByteArray(hidden ? "." : "") + kFileWords[random() % std::size(kFileWords)] +
                                '_' + QByteArray::number(i) + kExtensions[random() % std::size(kExtensions)];
        const qint64 size = std::min(smallSize(random), options.maxFileSize);
        if (!tree.reused && !writeFile(folder + '/' + name, size))
            return tree;
        ++tree.files;
        tree.bytes += size;
    }
    if (!tree.reused) {
        QFile done(QString::fromLocal8Bit(marker));
        if (!done.open(QIODevice::WriteOnly) || done.write(wanted) != wanted.size())
            return tree;
    }
    tree.ok = true;
    return tree;
}

// Makes the tree (creating root first) and prints one line about it: its size, whether it was
// made or reused and how long that took; a failure is told on standard error (ok is false).
inline SyntheticTree MakeReportedTree(const QString& root, const SyntheticTreeOptions& options = {}) {
    QElapsedTimer timer;
    timer.start();
    const SyntheticTree tree = QDir().mkpath(root) ? CreateSyntheticTree(root, options) : SyntheticTree{};
    if (tree.ok)
        std::printf("tree: %lld files, %lld folders, %.1f MB, %s in %.1f s\n",
                    static_cast<long long>(tree.files), static_cast<long long>(tree.folders),
                    static_cast<double>(tree.bytes) / 1e6, tree.reused ? "reused" : "created",
                    static_cast<double>(timer.nsecsElapsed()) / 1e9);
    else
        std::fprintf(stderr, "cannot make the tree in %s\n", qPrintable(root));
    return tree;
}

} // namespace vambrel
