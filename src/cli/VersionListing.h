#pragma once

#include "VersionRecord.h"

#include <QString>

namespace vambrel {

// The text that `qvtjob verinfo` prints for one file: the eight string values, then the fixed
// information, under the French labels of the version window. Absent values print empty.
class VersionListing {
public:
    static QString render(const QString& fileName, const VersionInfo& info);
};

} // namespace vambrel
