#include "zeroed_array.hpp"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void prefer_huge_pages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the block can be advised.
    constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + huge - 1) & ~(huge - 1);
    const std::uintptr_t last = (begin + bytes) & ~(huge - 1);
    if (first < last) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}
