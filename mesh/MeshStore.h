#pragma once
// Record store of a mesh: indexable in constant time, and appending never moves a stored
// record, so an operation may hold a reference to a record while it appends copies of it.
// Records live in blocks: the first 4096 in blocks of doubling size (2, 2, 4, ... 2048), the
// rest in blocks of 4096. Growing adds blocks, never reallocates old ones; a small store reserves
// at most twice what it holds (a file of many tiny meshes costs memory in proportion to its
// records, not a large block per mesh), and a large one indexes its fixed blocks as cheaply as a
// store of fixed blocks alone.
// A block is raw storage: a slot is constructed when a record is appended to it, so a block
// costs no per-slot initialisation (a mesh of millions of records would write it all twice).
// Growing by many blocks at once (a file read, an import, a subdivision, a copy) takes them as one
// large region (foundation/LargeMemory.h), which a fault fills 2 MiB at a time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "foundation/LargeMemory.h"

namespace kal {

template <class T>
class MeshStore {
    // records are dropped by freeing their block, without running destructors
    static_assert(std::is_trivially_destructible<T>::value, "MeshStore records must be trivially destructible");
    static_assert(std::is_trivially_copyable<T>::value, "MeshStore records must be trivially copyable");

public:
    static constexpr int kShift = 12;
    static constexpr uint32_t kBlock = 1u << kShift;
    static constexpr uint32_t kMask = kBlock - 1;
    // blocks 0 to 11 hold the first kBlock records
    static constexpr size_t kSmallBlocks = kShift;

    MeshStore() = default;
    MeshStore(const MeshStore& other) { *this = other; }
    MeshStore(MeshStore&&) noexcept = default;
    MeshStore& operator=(MeshStore&&) noexcept = default;
    MeshStore& operator=(const MeshStore& other) {
        if (this == &other) return *this;
        clear();
        reserveBlocks(other.count);
        for (size_t b = 0; b < blocks.size(); ++b) {
            int n = std::min(int(blockSize(b)), other.count - int(blockStart(b)));
            std::uninitialized_copy(other.blocks[b].get(), other.blocks[b].get() + n, blocks[b].get());
        }
        count = other.count;
        return *this;
    }

    int size() const { return count; }
    bool empty() const { return count == 0; }

    // Record i < kBlock lives in block k = floor(log2(i | 1)), the others in block 11 + i / kBlock.
    T& operator[](int i) {
        uint32_t u = uint32_t(i);
        if (u >= kBlock) return blocks[(u >> kShift) + (kSmallBlocks - 1)][u & kMask];
        int k = 31 - __builtin_clz(u | 1);
        return blocks[size_t(k)][u & (((1u << k) - 1) | 1)];
    }
    const T& operator[](int i) const { return const_cast<MeshStore&>(*this)[i]; }

    // Appends a copy of r and answers its index. r may be a record of this store.
    int push(const T& r) {
        T copy = r;
        reserveBlocks(count + 1);
        new (slot(count)) T(copy);
        return count++;
    }

    // Appends n copies of fill.
    void grow(int n, const T& fill = T()) {
        if (n <= 0) return;
        T copy = fill;
        reserveBlocks(count + n);
        for (int i = 0; i < n; ++i) new (slot(count + i)) T(copy);
        count += n;
    }

    // Appends n slots left unwritten, for a caller that writes every one of them (in any order,
    // from any thread) before anything reads them.
    void growUnwritten(int n) {
        if (n <= 0) return;
        reserveBlocks(count + n);
        count += n;
    }

    // Reserves blocks for n records without adding any, so that pushes up to n allocate nothing.
    void reserve(int n) { reserveBlocks(n); }

    // Keeps the first n records and frees the blocks past them (those of a region partly kept
    // stay reserved: a region is freed whole).
    void truncate(int n) {
        if (n < 0) n = 0;
        if (n >= count) return;
        count = n;
        size_t keep = blocksFor(n);
        while (keep > 0 && keep < blocks.size() && blocks[keep].get_deleter().kind == BlockOwner::Member) ++keep;
        blocks.resize(keep);
    }

    void clear() {
        blocks.clear();
        count = 0;
    }

    // Records the reserved blocks can hold, and their bytes.
    int capacity() const { return int(capacityOf(blocks.size())); }
    size_t reservedBytes() const { return capacityOf(blocks.size()) * sizeof(T); }
    // The bytes of the blocks a store of n records reserves.
    static size_t bytesFor(int n) { return capacityOf(blocksFor(n)) * sizeof(T); }

private:
    // Heap: a block of its own; Head: the first block of a large region of `bytes`, which frees
    // it; Member: a later block of a region, freed with its head (always at a lower index).
    struct BlockOwner {
        enum Kind : uint8_t { Heap, Head, Member };
        Kind kind = Heap;
        size_t bytes = 0;
        void operator()(T* p) const {
            if (kind == Heap)
                ::operator delete(static_cast<void*>(p));
            else if (kind == Head)
                freeLarge(p, bytes);
        }
    };
    using Block = std::unique_ptr<T[], BlockOwner>;

    static size_t blockStart(size_t b) {
        return b == 0 ? 0 : b < kSmallBlocks ? size_t(1) << b : (b - (kSmallBlocks - 1)) * kBlock;
    }
    static size_t blockSize(size_t b) { return b == 0 ? 2 : b < kSmallBlocks ? size_t(1) << b : kBlock; }
    static size_t capacityOf(size_t blockCount) {
        return blockCount == 0 ? 0 : blockStart(blockCount - 1) + blockSize(blockCount - 1);
    }
    static size_t blocksFor(int n) {
        if (n <= 0) return 0;
        uint32_t last = uint32_t(n - 1);
        if (last >= kBlock) return (last >> kShift) + kSmallBlocks;
        return size_t(32 - __builtin_clz(last | 1));
    }

    T* slot(int i) { return &(*this)[i]; }

    void reserveBlocks(int n) {
        const size_t need = blocksFor(n);
        if (blocks.size() >= need) return;
        const size_t first = blocks.size();
        const size_t bytes = (capacityOf(need) - capacityOf(first)) * sizeof(T);
        if (need - first > 1 && bytes >= kLargeAllocation) {
            blocks.reserve(need); // nothing below may throw once the region is taken
            T* base = static_cast<T*>(allocateLarge(bytes));
            for (size_t b = first; b < need; ++b)
                blocks.push_back(Block(base + (blockStart(b) - blockStart(first)),
                                       BlockOwner{b == first ? BlockOwner::Head : BlockOwner::Member, bytes}));
            return;
        }
        while (blocks.size() < need)
            blocks.push_back(Block(static_cast<T*>(::operator new(sizeof(T) * blockSize(blocks.size())))));
    }

    std::vector<Block> blocks;
    int count = 0;
};

} // namespace kal
