// libFuzzer entry point for the version resource reader.
#include "mVersionInfo.h"

#include <cstddef>
#include <cstdint>

using namespace vambrel;

namespace {

// A half that was not read must come back empty.
void checkEmptyWhenUnread(const VersionInfo& info) {
    if (!info.hasStrings && !(info.strings == VersionStrings()))
        __builtin_trap();
    if (!info.hasFixed && !(info.fixed == VersionFixed()))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    // As a whole image, then as a bare resource, so that the block parser is reached directly too.
    checkEmptyWhenUnread(ParseVersionImage(bytes, size));
    checkEmptyWhenUnread(ParseVersionResource(bytes, size));
    return 0;
}
