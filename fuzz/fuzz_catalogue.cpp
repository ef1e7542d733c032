// libFuzzer entry point for the catalogue readers: each input is written as a catalogue file and
// read as the windows and jobs read one (CatalogueReads.h).
#include "CatalogueReads.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

namespace {

// One file per fuzzing process, in the temporary folder; its journal goes with it.
const QString& scratchPath() {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/vambrel-fuzz-%1.dat").arg(QCoreApplication::applicationPid());
    return path;
}

void removeScratch() {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(scratchPath() + QLatin1String(suffix));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    removeScratch();
    {
        QFile f(scratchPath());
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            __builtin_trap();
    }
    if (!vambrel::fuzz::readCatalogueFile(scratchPath()))
        __builtin_trap();
    removeScratch();
    return 0;
}
