#pragma once
// Memory for large record arrays (meshes of millions of triangles and their rebuild scratch).
// Fresh pages cost a fault each the first time they are written; a mesh of a million triangles
// is tens of thousands of them, and faults from several threads queue on the kernel's locks.
// Allocations of kLargeAllocation bytes or more are therefore mapped on their own, aligned for
// and advised to use huge pages where the system offers them (a fault per 2 MiB), and unmapped
// when freed, so that the memory of a closed scene goes back to the system at once. Smaller ones
// come from the ordinary heap.
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace kal {

constexpr size_t kLargeAllocation = size_t(2) << 20;

// bytes of memory (not cleared), aligned to 2 MiB, or std::bad_alloc. Pair with freeLarge(p, bytes).
void* allocateLarge(size_t bytes);
void freeLarge(void* p, size_t bytes);
// Gives the pages of freed heap memory back to the system. The records of a closed scene were
// mostly heap blocks; freed, they would stay resident until the heap above them empties.
void returnFreedMemory();

// The allocator of LargeVector: large arrays through allocateLarge, the rest through new.
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        size_t bytes = n * sizeof(T);
        return static_cast<T*>(bytes >= kLargeAllocation ? allocateLarge(bytes) : ::operator new(bytes));
    }
    // Sizing leaves the new elements uninitialised: large arrays are written whole after they are
    // sized, and clearing them first would touch every page twice.
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    void deallocate(T* p, size_t n) noexcept {
        size_t bytes = n * sizeof(T);
        if (bytes >= kLargeAllocation)
            freeLarge(p, bytes);
        else
            ::operator delete(static_cast<void*>(p));
    }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept {
        return true;
    }
    template <class U>
    bool operator!=(const LargeAllocator<U>&) const noexcept {
        return false;
    }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

} // namespace kal
