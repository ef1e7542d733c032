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
    static QString webAddress();  // the maker's web address
    static QString mailAddress(); // the maker's mail address
};

} // namespace vambrel
