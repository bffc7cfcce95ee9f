#pragma once
// Record store of a mesh: indexable in constant time, and appending never moves a stored
// record, so an operation may hold a reference to a record while it appends copies of it.
// Records live in fixed-size blocks; growing adds blocks, never reallocates old ones.
// A block is raw storage: a slot is constructed when a record is appended to it, so a block
// costs no per-slot initialisation (a mesh of millions of records would write it all twice).
#include <algorithm>
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
    static constexpr int kShift = 12;
    static constexpr int kBlock = 1 << kShift;
    static constexpr int kMask = kBlock - 1;

    MeshStore() = default;
    MeshStore(const MeshStore& other) { *this = other; }
    MeshStore(MeshStore&&) noexcept = default;
    MeshStore& operator=(MeshStore&&) noexcept = default;
    MeshStore& operator=(const MeshStore& other) {
        if (this == &other) return *this;
        clear();
        reserveBlocks(other.count);
        for (size_t b = 0; b < blocks.size(); ++b) {
            int n = std::min(kBlock, other.count - int(b) * kBlock);
            std::uninitialized_copy(other.blocks[b].get(), other.blocks[b].get() + n, blocks[b].get());
        }
        count = other.count;
        return *this;
    }

    int size() const { return count; }
    bool empty() const { return count == 0; }

    T& operator[](int i) { return blocks[size_t(i) >> kShift][i & kMask]; }
    const T& operator[](int i) const { return blocks[size_t(i) >> kShift][i & kMask]; }

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

    // Keeps the first n records and frees the blocks past them.
    void truncate(int n) {
        if (n < 0) n = 0;
        if (n >= count) return;
        count = n;
        blocks.resize((size_t(n) + kBlock - 1) >> kShift);
    }

    void clear() {
        blocks.clear();
        count = 0;
    }

private:
    struct FreeBlock {
        void operator()(T* p) const { ::operator delete(static_cast<void*>(p)); }
    };
    using Block = std::unique_ptr<T[], FreeBlock>;

    T* slot(int i) { return blocks[size_t(i) >> kShift].get() + (i & kMask); }

    void reserveBlocks(int n) {
        size_t need = (size_t(n) + kBlock - 1) >> kShift;
        while (blocks.size() < need) blocks.push_back(Block(static_cast<T*>(::operator new(sizeof(T) * kBlock))));
    }

    std::vector<Block> blocks;
    int count = 0;
};

} // namespace kal
