#include "foundation/LargeMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

namespace kal {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundUp(size_t bytes, size_t to) { return (bytes + to - 1) / to * to; }

} // namespace

void* allocateLarge(size_t bytes) {
    if (bytes == 0 || bytes > size_t(1) << 46) throw std::bad_alloc();
    const size_t length = roundUp(bytes, kHugePage);
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
    if (p) munmap(p, roundUp(bytes, kHugePage));
}

void returnFreedMemory() { malloc_trim(0); }

} // namespace kal
