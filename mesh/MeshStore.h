#pragma once
// Record store of a mesh: indexable in constant time, and appending never moves a stored
// record, so an operation may hold a reference to a record while it appends copies of it.
// Records live in fixed-size blocks; growing adds blocks, never reallocates old ones.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace kal {

template <class T>
class MeshStore {
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
            std::copy(other.blocks[b].get(), other.blocks[b].get() + n, blocks[b].get());
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
        (*this)[count] = copy;
        return count++;
    }

    // Appends n copies of fill.
    void grow(int n, const T& fill = T()) {
        if (n <= 0) return;
        reserveBlocks(count + n);
        for (int i = 0; i < n; ++i) (*this)[count + i] = fill;
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
    void reserveBlocks(int n) {
        size_t need = (size_t(n) + kBlock - 1) >> kShift;
        while (blocks.size() < need) blocks.push_back(std::make_unique<T[]>(kBlock));
    }

    std::vector<std::unique_ptr<T[]>> blocks;
    int count = 0;
};

} // namespace kal
