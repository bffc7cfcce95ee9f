#include "foundation/LargeMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kal {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundUp(size_t bytes, size_t to) { return (bytes + to - 1) / to * to; }

// Regions freed lately, kept mapped for the next large allocation: a mesh imported, subdivided or
// copied again then writes pages that are already there instead of faulting fresh ones in. They
// are advised free, so the system may still take their pages back when it runs short.
struct KeptRegions {
    struct Region {
        char* p;
        size_t length;
    };
    std::mutex lock;
    std::vector<Region> regions;  // oldest first
    size_t bytes = 0;
    size_t limit = 0;

    KeptRegions() {
        long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
        size_t physical = pages > 0 && pageSize > 0 ? size_t(pages) * size_t(pageSize) : 0;
        limit = std::min(size_t(512) << 20, physical / 32);
    }

    // A kept region of at least length bytes, cut to length, or nullptr.
    char* take(size_t length) {
        std::lock_guard<std::mutex> hold(lock);
        size_t best = regions.size();
        for (size_t i = 0; i < regions.size(); ++i)
            if (regions[i].length >= length && (best == regions.size() || regions[i].length < regions[best].length)) best = i;
        if (best == regions.size()) return nullptr;
        Region r = regions[best];
        regions.erase(regions.begin() + std::ptrdiff_t(best));
        bytes -= r.length;
        if (r.length > length) munmap(r.p + length, r.length - length);
        return r.p;
    }

    // Keeps the region, letting go of the oldest ones past the limit; false when it is larger than
    // the limit itself.
    bool keep(char* p, size_t length) {
        if (length > limit) return false;
#ifdef MADV_FREE
        madvise(p, length, MADV_FREE);
#endif
        std::lock_guard<std::mutex> hold(lock);
        while (bytes + length > limit && !regions.empty()) {
            munmap(regions.front().p, regions.front().length);
            bytes -= regions.front().length;
            regions.erase(regions.begin());
        }
        regions.push_back({p, length});
        bytes += length;
        return true;
    }
};

KeptRegions& kept() {
    static KeptRegions* regions = new KeptRegions;  // never destroyed: frees may come late at exit
    return *regions;
}

} // namespace

void* allocateLarge(size_t bytes) {
    if (bytes == 0 || bytes > size_t(1) << 46) throw std::bad_alloc();
    const size_t length = roundUp(bytes, kHugePage);
    if (char* p = kept().take(length)) return p;
    // map a huge page more than asked and cut the ends off, so the region starts on a huge page
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = uintptr_t(raw);
    const uintptr_t aligned = roundUp(start, kHugePage);
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t tail = aligned + length;
    const uintptr_t mappedEnd = start + length + kHugePage;
    if (mappedEnd > tail) munmap(reinterpret_cast<void*>(tail), mappedEnd - tail);
#ifdef MADV_HUGEPAGE
    // only advice: without huge pages the region works the same, a fault per small page
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void freeLarge(void* p, size_t bytes) {
    if (!p) return;
    const size_t length = roundUp(bytes, kHugePage);
    if (!kept().keep(static_cast<char*>(p), length)) munmap(p, length);
}

size_t keptLargeBytes() {
    std::lock_guard<std::mutex> hold(kept().lock);
    return kept().bytes;
}

} // namespace kal
