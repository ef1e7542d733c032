#pragma once

#include "SystemSource.h"

#include <QString>

namespace vambrel {

// The version routine: what the system says of its own version.
class OsVersion {
public:
    // Platform identifiers of the version table.
    enum Platform { Win32s = 0, Windows9x = 1, WindowsNT = 2, LinuxKernel = 100 };

    QString versionText;  // major "." minor
    QString buildText;    // build number, or on Linux the kernel's patch level
    QString platformName; // "Linux", "Windows XP", ...
    QString serviceText;  // service text, or on Linux the distribution's name

    // Asks the system; false, with every text empty, when it does not answer.
    static bool Query(OsVersion* out, const SystemSource& source = SystemSource::current());
    // Reads a kernel release such as "6.1.0-18-amd64"; false when it has no major.minor.
    static bool FromKernelRelease(const QString& release, const QString& distribution, OsVersion* out);
    // The name of a platform and version by the version table.
    static QString PlatformName(int platform, int major, int minor);
    // Whether a platform of this name leaves refreshing after file operations to the program.
    static bool RefreshesItself(const QString& platformName);
};

} // namespace vambrel
