// libFuzzer entry point for the job protocol's frame buffer and message decoder.
#include "JobProtocolReads.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!vambrel::jobwire::fuzz::checkStream(reinterpret_cast<const char*>(data), size))
        __builtin_trap();
    return 0;
}
