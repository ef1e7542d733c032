#pragma once

#include <QString>

namespace vambrel {

// Facts about the program that come from the build.
struct AppInfo {
    static QString productName();
    static QString description();
    static QString legalNotice();
    static QString versionText(); // "major.minor.patch"
    static int versionMajor();
    static int versionMinor();
    static int versionPatch();
};

} // namespace vambrel
