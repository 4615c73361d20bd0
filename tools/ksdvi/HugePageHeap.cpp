#include "HugePageHeap.h"

#include <cstdint>
#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

void UseHugePageHeap() {
    constexpr std::size_t kStep = std::size_t(64) << 20;
    constexpr std::uintptr_t kPage = 4096;
    if (mallopt(M_ARENA_MAX, 1) != 1 || mallopt(M_MMAP_THRESHOLD, 32 << 20) != 1 ||
        mallopt(M_TRIM_THRESHOLD, 1 << 30) != 1 || mallopt(M_TOP_PAD, int(kStep)) != 1)
        return;
    // A block larger than what is left of the heap makes it grow by the step;
    // the grown part is what the kernel is told about.
    void* probe = std::malloc(std::size_t(1) << 20);
    auto* end = static_cast<char*>(sbrk(0));
    if (!probe || end == reinterpret_cast<char*>(-1)) return std::free(probe);
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(probe) + kPage - 1) & ~(kPage - 1);
    if (reinterpret_cast<std::uintptr_t>(end) > from)
        madvise(reinterpret_cast<void*>(from), reinterpret_cast<std::uintptr_t>(end) - from, MADV_HUGEPAGE);
    std::free(probe);
}
