#include "LiveFile.h"

#include "FileTime.h"
#include "NativeName.h"
#include "SystemCalls.h"
#include "mVersionInfo.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace vambrel {

LiveFile LiveFile::look(const QString& path) {
    LiveFile live;
    const QByteArray native = PathToNative(path);
    struct stat st {};
    if (native.isEmpty() || sys::fstatat(AT_FDCWD, native.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return live;
    if (S_ISDIR(st.st_mode)) {
        live.state = State::FolderOnly;
        return live;
    }
    live.state = State::File;
    live.size = qint64(st.st_size);
    live.modified = FileTimeToDate(FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    // Only a regular file is opened; the reader refuses anything else itself as well.
    if (S_ISREG(st.st_mode)) {
        const VersionInfo info = ReadVersionInfo(native, live.size);
        if (info.hasFixed)
            live.productVersion = info.fixed.productVersion;
    }
    return live;
}

} // namespace vambrel
