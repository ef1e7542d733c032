#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace vambrel {

// Allocator for the large arrays that preparing a sort or reading many rows fills once: from
// 2 MB up they are mapped on their own, on huge-page boundaries, and the system is asked for
// huge pages. Filling them then takes a page fault per 2 MB instead of one per 4 KB, and for a
// million rows the faults otherwise cost more than the sort. Smaller arrays come from the heap.
template <typename T> struct BulkAllocator {
    using value_type = T;
    static constexpr size_t kHugePage = size_t(2) << 20;

    BulkAllocator() = default;
    template <typename U> BulkAllocator(const BulkAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < kHugePage)
            return std::allocator<T>().allocate(n);
        return static_cast<T*>(mapBulk(bytes));
    }
    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (bytes < kHugePage)
            std::allocator<T>().deallocate(p, n);
        else
            unmapBulk(p, bytes);
    }

    // `bytes` from a mapping of their own, starting on a huge-page boundary; throws bad_alloc.
    static void* mapBulk(size_t bytes) {
        const size_t mapped = bytes + kHugePage;
        void* area = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area == MAP_FAILED)
            throw std::bad_alloc();
        // Keep the aligned part only.
        auto* start = static_cast<char*>(area);
        auto* aligned =
            reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
        if (aligned > start)
            munmap(start, size_t(aligned - start));
        // The tail starts on the page after the last byte: munmap takes page-aligned addresses
        // only, and unmapBulk's length is rounded up to whole pages the same way.
        const size_t page = size_t(getpagesize());
        const size_t kept = (bytes + page - 1) & ~(page - 1);
        const size_t tail = mapped - size_t(aligned - start) - kept;
        if (tail > 0)
            munmap(aligned + kept, tail);
        madvise(aligned, bytes, MADV_HUGEPAGE);
        return aligned;
    }
    static void unmapBulk(void* p, size_t bytes) noexcept { munmap(p, bytes); }
};

template <typename T, typename U> bool operator==(const BulkAllocator<T>&, const BulkAllocator<U>&) {
    return true;
}

} // namespace vambrel
