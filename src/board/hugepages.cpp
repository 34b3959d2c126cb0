#include "board/hugepages.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

} // namespace

void *MapLargeTable(std::size_t bytes)
{
    // Whole huge pages, and one more to slide the start to a 2 MiB boundary. Nothing is touched
    // here: the pages arrive zeroed when first written.
    const std::size_t whole = (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    void *p = mmap(nullptr, whole + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED) return nullptr;
    const std::uintptr_t start =
        (reinterpret_cast<std::uintptr_t>(p) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void *>(start), whole, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void *>(start);
}

void UnmapLargeTable(void *table, std::size_t bytes)
{
    if (!table) return;
    munmap(table, (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1));
}
