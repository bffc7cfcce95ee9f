#include <gtest/gtest.h>

#include <cstring>

#include "foundation/LargeMemory.h"

using namespace kal;

// A freed region is handed out again for an allocation it can hold, and what is kept for reuse
// stays bounded however much is freed.
TEST(LargeMemory, freedRegionsAreReusedAndBounded) {
    const size_t size = size_t(6) << 20;
    char* a = static_cast<char*>(allocateLarge(size));
    std::memset(a, 0x5a, size);
    freeLarge(a, size);
    char* b = static_cast<char*>(allocateLarge(size - 12345));
    EXPECT_EQ(b, a);
    std::memset(b, 1, size - 12345);
    freeLarge(b, size - 12345);

    // a larger kept region serves a smaller request, cut to its size; the rest is not handed out twice
    char* big = static_cast<char*>(allocateLarge(size_t(16) << 20));
    freeLarge(big, size_t(16) << 20);
    char* small = static_cast<char*>(allocateLarge(size_t(8) << 20));
    char* other = static_cast<char*>(allocateLarge(size_t(16) << 20));
    EXPECT_EQ(small, big);
    EXPECT_TRUE(other + (size_t(16) << 20) <= small || other >= small + (size_t(8) << 20));
    std::memset(small, 2, size_t(8) << 20);
    std::memset(other, 3, size_t(16) << 20);
    EXPECT_EQ(small[(size_t(8) << 20) - 1], 2);
    freeLarge(small, size_t(8) << 20);
    freeLarge(other, size_t(16) << 20);

    const size_t before = keptLargeBytes();
    std::vector<void*> many;
    for (int i = 0; i < 64; ++i) many.push_back(allocateLarge(size_t(32) << 20));
    for (void* p : many) freeLarge(p, size_t(32) << 20);
    EXPECT_LE(keptLargeBytes(), std::max(before, size_t(512) << 20));

    LargeVector<int> v(size_t(1) << 20, 7);  // a large vector goes through the regions
    EXPECT_EQ(v.back(), 7);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(v.data()) % (size_t(2) << 20), 0u);
}
