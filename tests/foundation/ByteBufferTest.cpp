#include "foundation/ByteBuffer.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace kal;

namespace {
float fromBits(std::uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Independent decoder: exact value of a binary16 as a float.
float halfToFloat(std::uint16_t h) {
    const std::uint32_t sign = std::uint32_t(h & 0x8000) << 16;
    const int exponent = (h >> 10) & 0x1F;
    const std::uint32_t fraction = h & 0x3FF;
    if (exponent == 0x1F) return fromBits(sign | 0x7F800000u | (fraction << 13));
    float magnitude =
        exponent == 0 ? std::ldexp(float(fraction), -24) : std::ldexp(float(1024 + fraction), exponent - 25);
    return sign ? -magnitude : magnitude;
}

std::uint16_t wordAt(const ByteBuffer& b, std::size_t at) {
    return std::uint16_t(b.bytes[at] | (b.bytes[at + 1] << 8));
}

// A record of every kind of value a file reader takes.
struct Record {
    std::uint32_t tag = 0xABCDEF02;
    float f = -2.5f;
    vec3 v{1, 2, 3};
    mat4 m;
    pbr material;
    std::uint16_t word = 0xBEEF;
    std::uint8_t flag = 7;
};

ByteBuffer writeRecord(const Record& r) {
    ByteBuffer b;
    b.write(r.tag);
    b.write(r.f);
    b.write(r.v);
    b.write(r.m);
    b.write(r.material);
    b.write(r.word);
    b.write(r.flag);
    return b;
}
} // namespace

TEST(HalfFloat, WorkedExamples) {
    EXPECT_EQ(halfFromFloat(1.0f), 0x3C00);
    EXPECT_EQ(halfFromFloat(-2.5f), 0xC100);
    EXPECT_EQ(halfFromFloat(65504.0f), 0x7BFF);
    EXPECT_EQ(halfFromFloat(65505.0f), 0x7C00);
    EXPECT_EQ(halfFromFloat(65519.0f), 0x7C00); // nearest rounding would keep 65504
    EXPECT_EQ(halfFromFloat(std::ldexp(1.0f, -14)), 0x0400);
    EXPECT_EQ(halfFromFloat(std::ldexp(1.0f, -15)), 0x0200);
    EXPECT_EQ(halfFromFloat(std::ldexp(1.0f, -24)), 0x0001);
    EXPECT_EQ(halfFromFloat(std::ldexp(1.0f, -25)), 0x0000);
    EXPECT_EQ(halfFromFloat(0.1f), 0x2E66);
    EXPECT_EQ(halfFromFloat(1.0f / 3.0f), 0x3555);
    EXPECT_EQ(halfFromFloat(1.0f + 1.5f * std::ldexp(1.0f, -10)), 0x3C01);
}

// The inline shortcut for the normal half range must agree with the whole rule, above all at the
// ends of that range.
TEST(HalfFloat, shortcutAgreesWithTheWholeRule) {
    auto same = [](uint32_t bits) {
        const float f = fromBits(bits);
        return halfFromFloat(f) == halfFromAnyFloat(f);
    };
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 4099) ASSERT_TRUE(same(uint32_t(bits))) << bits;
    for (uint32_t edge : {0x38800000u, 0x477FE000u})
        for (uint32_t sign : {0u, 0x80000000u})
            for (uint32_t d = 0; d < 8192; ++d) ASSERT_TRUE(same((edge - 4096 + d) | sign)) << edge << " " << d;
}

TEST(HalfFloat, SignsInfinitiesAndNaNs) {
    EXPECT_EQ(halfFromFloat(0.0f), 0x0000);
    EXPECT_EQ(halfFromFloat(-0.0f), 0x8000);
    EXPECT_EQ(halfFromFloat(INFINITY), 0x7C00);
    EXPECT_EQ(halfFromFloat(-INFINITY), 0xFC00);
    EXPECT_EQ(halfFromFloat(-1e30f), 0xFC00);
    EXPECT_EQ(halfFromFloat(fromBits(0x7F7FFFFFu)), 0x7C00); // largest float
    EXPECT_EQ(halfFromFloat(fromBits(0x7F800001u)), 0x7C01); // stays a NaN
    EXPECT_EQ(halfFromFloat(fromBits(0x7F801FFFu)), 0x7C01);
    EXPECT_EQ(halfFromFloat(fromBits(0x7FC00000u)), 0x7E00);
    EXPECT_EQ(halfFromFloat(fromBits(0xFFC00000u)), 0xFE00);
    EXPECT_EQ(halfFromFloat(fromBits(0x00000001u)), 0x0000); // float subnormal
    EXPECT_EQ(halfFromFloat(-std::ldexp(1.0f, -24)), 0x8001);
}

TEST(HalfFloat, EveryHalfValueRoundTrips) {
    for (std::uint32_t h = 0; h <= 0xFFFF; ++h)
        ASSERT_EQ(halfFromFloat(halfToFloat(std::uint16_t(h))), h) << std::hex << h;
}

TEST(HalfFloat, FloatsBetweenTwoHalvesTruncateToTheLowerMagnitude) {
    // For each finite half, the floats up to (not including) the next half all map to it.
    for (std::uint32_t h = 0; h < 0x7BFF; ++h) {
        const float low = halfToFloat(std::uint16_t(h));
        const float high = halfToFloat(std::uint16_t(h + 1));
        const float probes[] = {std::nextafter(low, high), (low + high) * 0.5f, std::nextafter(high, 0.0f)};
        for (float p : probes) {
            ASSERT_EQ(halfFromFloat(p), h) << std::hex << h << " probe " << p;
            ASSERT_EQ(halfFromFloat(-p), h | 0x8000) << std::hex << h << " probe " << -p;
        }
    }
}

TEST(ByteBuffer, AppendGrowsAtTheEndAndKeepsThePosition) {
    ByteBuffer b;
    const std::uint8_t first[] = {1, 2, 3};
    const std::uint8_t second[] = {4, 5};
    b.append(first, 3);
    b.position = 2;
    b.append(second, 2);
    EXPECT_EQ(b.bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b.position, 2u);
    b.append(nullptr, 0);
    EXPECT_EQ(b.size(), 5u);
}

TEST(ByteBuffer, ValuesAreLittleEndian) {
    ByteBuffer b;
    b.write(std::uint32_t(0x11223344));
    EXPECT_EQ(b.bytes, (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(b.readU32(), 0x11223344u);
    EXPECT_EQ(b.position, 4u);
    EXPECT_FALSE(b.failed());
}

TEST(ByteBuffer, RecordReadsBackInOrder) {
    Record r;
    r.m.m[3] = 7.5f;
    r.material.roughness = -123;
    ByteBuffer b = writeRecord(r);
    EXPECT_EQ(b.size(), 4 + 4 + 12 + 64 + 20 + 2 + 1u);
    EXPECT_EQ(b.readU32(), r.tag);
    EXPECT_EQ(b.readFloat(), r.f);
    EXPECT_EQ(b.readVec3(), r.v);
    mat4 m = b.readMat4();
    EXPECT_EQ(std::memcmp(m.m, r.m.m, sizeof m.m), 0);
    EXPECT_EQ(b.readPbr(), r.material);
    EXPECT_EQ(b.readU16(), r.word);
    EXPECT_EQ(b.readU8(), r.flag);
    EXPECT_TRUE(b.atEnd());
    EXPECT_FALSE(b.failed());
}

TEST(ByteBuffer, EveryTruncatedPrefixReadsZerosPastTheEndAndFails) {
    Record r;
    r.material.roughness = -5;
    const ByteBuffer full = writeRecord(r);
    for (std::size_t n = 0; n < full.size(); ++n) {
        // a fresh allocation of exactly n bytes, so AddressSanitizer sees any overrun
        ByteBuffer b;
        if (n) b.append(full.bytes.data(), n);
        b.bytes.shrink_to_fit();
        std::size_t need = 4;
        const std::uint32_t tag = b.readU32();
        EXPECT_EQ(tag, n >= need ? r.tag : 0u);
        need += 4;
        EXPECT_EQ(b.readFloat(), n >= need ? r.f : 0.0f);
        need += 12;
        EXPECT_EQ(b.readVec3(), n >= need ? r.v : vec3());
        need += 64;
        mat4 m = b.readMat4();
        EXPECT_EQ(m.m[0], n >= need ? 1.0f : 0.0f); // identity, or all zeros
        need += 20;
        pbr p = b.readPbr();
        EXPECT_EQ(p.roughness, n >= need ? -5 : 0);
        EXPECT_EQ(p.red, n >= need ? 65535 : 0);
        need += 2;
        EXPECT_EQ(b.readU16(), n >= need ? r.word : 0);
        EXPECT_EQ(b.readU8(), 0); // the last byte is always missing here
        EXPECT_TRUE(b.failed()) << n;
        EXPECT_EQ(b.remaining(), 0u);
        EXPECT_EQ(b.position, n);
    }
}

TEST(ByteBuffer, FailureIsStickyUntilCleared) {
    ByteBuffer b;
    b.write(std::uint16_t(9));
    EXPECT_EQ(b.readU32(), 0u);
    EXPECT_TRUE(b.failed());
    EXPECT_TRUE(b.seek(0));
    EXPECT_EQ(b.readU16(), 9);
    EXPECT_TRUE(b.failed()); // a later good read does not hide the earlier fault
    b.clearFailure();
    EXPECT_FALSE(b.failed());
    b.clear();
    EXPECT_EQ(b.size(), 0u);
    EXPECT_EQ(b.position, 0u);
}

TEST(ByteBuffer, ReadBytesRefusesLengthsBeyondTheData) {
    ByteBuffer b;
    b.append("abcdef", 6);
    EXPECT_EQ(b.readBytes(2), "ab");
    EXPECT_EQ(b.readBytes(0), "");
    EXPECT_FALSE(b.failed());
    EXPECT_EQ(b.readBytes(0xFFFFFFF0u), ""); // no allocation of the claimed size
    EXPECT_TRUE(b.failed());
    EXPECT_EQ(b.remaining(), 0u);
}

TEST(ByteBuffer, ReadCountMustFitTheRemainingBytes) {
    ByteBuffer b;
    b.write(std::uint32_t(3));
    for (int i = 0; i < 3; ++i) b.write(vec3(1, 1, 1));
    EXPECT_EQ(b.readCount(sizeof(vec3)), 3u);
    EXPECT_FALSE(b.failed());

    ByteBuffer lying;
    lying.write(std::uint32_t(4));
    for (int i = 0; i < 3; ++i) lying.write(vec3(1, 1, 1));
    EXPECT_EQ(lying.readCount(sizeof(vec3)), 0u);
    EXPECT_TRUE(lying.failed());

    ByteBuffer huge;
    huge.write(std::uint32_t(0xFFFFFFFF));
    EXPECT_EQ(huge.readCount(0), 0u); // zero-sized items still may not exceed the data
    EXPECT_TRUE(huge.failed());
}

TEST(ByteBuffer, SkipAndSeekStayInside) {
    ByteBuffer b(10);
    EXPECT_TRUE(b.skip(4));
    EXPECT_EQ(b.position, 4u);
    EXPECT_TRUE(b.skip(6));
    EXPECT_TRUE(b.atEnd());
    EXPECT_FALSE(b.failed());
    EXPECT_TRUE(b.seek(10));
    EXPECT_FALSE(b.skip(1));
    EXPECT_TRUE(b.failed());
    b.clearFailure();
    EXPECT_FALSE(b.seek(11));
    EXPECT_TRUE(b.failed());
    EXPECT_EQ(b.position, 10u);
    b.clearFailure();
    EXPECT_FALSE(b.skip(std::size_t(-1)));
    EXPECT_EQ(b.position, 10u);
}

TEST(ByteBuffer, PositionMovedPastTheEndByHandReadsZeros) {
    ByteBuffer b;
    b.write(std::uint32_t(5));
    b.position = 100;
    EXPECT_EQ(b.remaining(), 0u);
    EXPECT_EQ(b.readU32(), 0u);
    EXPECT_TRUE(b.failed());
}

TEST(ByteBuffer, WriteHalf3WritesAtThePositionWithoutGrowing) {
    ByteBuffer b(8);
    b.position = 2;
    b.writeHalf3(vec3(1.0f, -2.5f, 65505.0f));
    EXPECT_EQ(b.size(), 8u);
    EXPECT_EQ(b.position, 8u);
    EXPECT_EQ(b.bytes[0], 0);
    EXPECT_EQ(b.bytes[1], 0);
    EXPECT_EQ(wordAt(b, 2), 0x3C00);
    EXPECT_EQ(wordAt(b, 4), 0xC100);
    EXPECT_EQ(wordAt(b, 6), 0x7C00);
    EXPECT_FALSE(b.failed());
}

TEST(ByteBuffer, WriteHalf3PastTheEndWritesNothing) {
    ByteBuffer b(5);
    b.bytes.shrink_to_fit();
    b.writeHalf3(vec3(1, 1, 1));
    EXPECT_TRUE(b.failed());
    EXPECT_EQ(b.bytes, std::vector<std::uint8_t>(5, 0));
}
