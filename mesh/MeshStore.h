#pragma once
// Record store of a mesh: indexable in constant time, and appending never moves a stored
// record, so an operation may hold a reference to a record while it appends copies of it.
// Records live in blocks of doubling size (1, 2, 4, ... records): growing adds blocks, never
// reallocates old ones, and a store reserves at most twice what it holds, so a file of many
// tiny meshes costs memory in proportion to its records, not a large block per mesh.
// A block is raw storage: a slot is constructed when a record is appended to it, so a block
// costs no per-slot initialisation (a mesh of millions of records would write it all twice).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace kal {

template <class T>
class MeshStore {
    // records are dropped by freeing their block, without running destructors
    static_assert(std::is_trivially_destructible<T>::value, "MeshStore records must be trivially destructible");
    static_assert(std::is_trivially_copyable<T>::value, "MeshStore records must be trivially copyable");

public:
    MeshStore() = default;
    MeshStore(const MeshStore& other) { *this = other; }
    MeshStore(MeshStore&&) noexcept = default;
    MeshStore& operator=(MeshStore&&) noexcept = default;
    MeshStore& operator=(const MeshStore& other) {
        if (this == &other) return *this;
        clear();
        reserveBlocks(other.count);
        for (size_t b = 0; b < blocks.size(); ++b) {
            int first = (1 << b) - 1;
            int n = std::min(1 << b, other.count - first);
            std::uninitialized_copy(other.blocks[b].get(), other.blocks[b].get() + n, blocks[b].get());
        }
        count = other.count;
        return *this;
    }

    int size() const { return count; }
    bool empty() const { return count == 0; }

    // Record i lives in block k = floor(log2(i + 1)), at i + 1 - 2^k.
    T& operator[](int i) {
        uint32_t j = uint32_t(i) + 1;
        int k = 31 - __builtin_clz(j);
        return blocks[size_t(k)][j - (1u << k)];
    }
    const T& operator[](int i) const {
        uint32_t j = uint32_t(i) + 1;
        int k = 31 - __builtin_clz(j);
        return blocks[size_t(k)][j - (1u << k)];
    }

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

    // Keeps the first n records and frees the blocks past them.
    void truncate(int n) {
        if (n < 0) n = 0;
        if (n >= count) return;
        count = n;
        blocks.resize(blocksFor(n));
    }

    void clear() {
        blocks.clear();
        count = 0;
    }

    // Records the reserved blocks can hold, and their bytes.
    int capacity() const { return (1 << blocks.size()) - 1; }
    size_t reservedBytes() const { return size_t(capacity()) * sizeof(T); }
    // The bytes of the blocks a store of n records reserves.
    static size_t bytesFor(int n) { return ((size_t(1) << blocksFor(n)) - 1) * sizeof(T); }

private:
    struct FreeBlock {
        void operator()(T* p) const { ::operator delete(static_cast<void*>(p)); }
    };
    using Block = std::unique_ptr<T[], FreeBlock>;

    static size_t blocksFor(int n) { return n <= 0 ? 0 : size_t(32 - __builtin_clz(uint32_t(n))); }

    T* slot(int i) { return &(*this)[i]; }

    void reserveBlocks(int n) {
        size_t need = blocksFor(n);
        while (blocks.size() < need)
            blocks.push_back(Block(static_cast<T*>(::operator new(sizeof(T) << blocks.size()))));
    }

    std::vector<Block> blocks;
    int count = 0;
};

} // namespace kal
