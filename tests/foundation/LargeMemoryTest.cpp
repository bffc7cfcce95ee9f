#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "ResidentBytes.h"
#include "foundation/LargeMemory.h"

using namespace kal;
using kal::test::residentBytes;

namespace {

bool hugePageAligned(const void* p) { return reinterpret_cast<uintptr_t>(p) % (size_t(2) << 20) == 0; }

} // namespace

// Regions start on a huge page, hold every byte asked for without overlapping each other, and
// large vectors go through them.
TEST(LargeMemory, regionsAreAlignedAndApart) {
    const size_t sizes[3] = {kLargeAllocation, (size_t(6) << 20) - 12345, size_t(16) << 20};
    char* regions[3];
    for (int i = 0; i < 3; ++i) {
        regions[i] = static_cast<char*>(allocateLarge(sizes[i]));
        EXPECT_TRUE(hugePageAligned(regions[i]));
        std::memset(regions[i], i + 1, sizes[i]);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(regions[i][0], i + 1);
        EXPECT_EQ(regions[i][sizes[i] - 1], i + 1);
        freeLarge(regions[i], sizes[i]);
    }
    LargeVector<int> v(size_t(1) << 20, 7);
    EXPECT_EQ(v.back(), 7);
    EXPECT_TRUE(hugePageAligned(v.data()));
}

// A freed region goes back to the system at once: after a closed scene the program's resident
// memory returns to what it was.
TEST(LargeMemory, freedRegionsLeaveNothingResident) {
    const size_t size = size_t(64) << 20, slack = size_t(8) << 20;
    const size_t before = residentBytes();
    for (int round = 0; round < 3; ++round) {
        char* p = static_cast<char*>(allocateLarge(size));
        std::memset(p, 0x5a, size);
        EXPECT_GE(residentBytes(), before + size - slack);
        freeLarge(p, size);
        EXPECT_LE(residentBytes(), before + slack);
    }
}
