// The record store: records keep their index and value across growth by blocks and by large
// regions, truncation into a region, further pushes and copies; the budget's byte count holds.
#include <gtest/gtest.h>

#include "mesh/MeshStore.h"

using namespace kal;

namespace {

struct Record {
    int32_t index;
    int32_t pad[7]; // 32 bytes: a few hundred thousand make a region
};

void fill(MeshStore<Record>& s, int from) {
    for (int i = from; i < s.size(); ++i) s[i] = Record{i, {}};
}

void expectIndices(const MeshStore<Record>& s) {
    for (int i = 0; i < s.size(); ++i)
        if (s[i].index != i) FAIL() << "record " << i << " reads " << s[i].index;
}

} // namespace

TEST(MeshStore, regionsHoldRecordsThroughTruncatePushAndCopy) {
    MeshStore<Record> s;
    for (int i = 0; i < 100; ++i) s.push(Record{i, {}});
    s.growUnwritten(300000); // most of it one region
    fill(s, 100);
    EXPECT_EQ(s.reservedBytes(), MeshStore<Record>::bytesFor(s.size()));
    expectIndices(s);

    // cut inside the region, then grow past the cut again, one push at a time and in bulk
    s.truncate(150001);
    EXPECT_GE(s.capacity(), s.size());
    for (int i = s.size(); i < 160000; ++i) s.push(Record{i, {}});
    s.grow(400000, Record{-1, {}});
    fill(s, 160000);
    expectIndices(s);

    MeshStore<Record> copy;
    copy.push(Record{7, {}});
    copy = s;
    ASSERT_EQ(copy.size(), s.size());
    expectIndices(copy);

    s.truncate(3);
    expectIndices(s);
    s.clear();
    EXPECT_EQ(s.reservedBytes(), 0u);
    expectIndices(copy);
}

// What a read charges for growing a store to n records is what the store then holds reserved.
TEST(MeshStore, reservedBytesAfterGrowthAreWhatTheBudgetCharged) {
    for (int n : {1, 4096, 4097, 70000, 1 << 20}) {
        MeshStore<Record> s;
        s.growUnwritten(n);
        EXPECT_EQ(s.reservedBytes(), MeshStore<Record>::bytesFor(n)) << n;
        MeshStore<Record> r;
        r.reserve(n);
        EXPECT_EQ(r.size(), 0);
        EXPECT_EQ(r.reservedBytes(), MeshStore<Record>::bytesFor(n)) << n;
    }
}
