#pragma once

#include <atomic>

namespace vambrel {

// A request to end long work early, set from another thread (a job's cancel). Work that finds it
// set returns at once with what it has; the caller tells a stopped run from a whole one by asking
// the flag again. A null flag never stops anything.
using StopFlag = std::atomic<bool>;

inline bool StopRequested(const StopFlag* flag) {
    return flag != nullptr && flag->load(std::memory_order_relaxed);
}

} // namespace vambrel
