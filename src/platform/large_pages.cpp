#include "platform/large_pages.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tarvix {

void PreferLargePagesForLargeBuffers()
{
    // Serve blocks up to the allocator's limit from the heap instead of separate mappings,
    // let the heap grow in one large step, and keep it when blocks are freed; then ask for
    // huge pages over that heap.
    constexpr size_t Reserve = size_t(256) << 20;
    constexpr uintptr_t HugePage = uintptr_t(2) << 20;
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TOP_PAD, int(Reserve));
    mallopt(M_TRIM_THRESHOLD, int(Reserve));
    // A block just below the mapping limit makes the heap grow now, by the whole reserve.
    void* probe = std::malloc((size_t(32) << 20) - 4096);
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(probe) + HugePage - 1) & ~(HugePage - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(::sbrk(0)) & ~(HugePage - 1);
    if (probe && end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    std::free(probe);
}

} // namespace tarvix
