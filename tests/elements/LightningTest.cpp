// The bolt without a GL context: one bolt per holder, the record and hostile bodies, and the CPU
// displacement against hand sums of noise texels, with the matrix that pins the bolt's ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "elements/Lightning.h"
#include "foundation/ByteBuffer.h"
#include "gpu/Texture2D.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

Lightning insertedBolt() { return Lightning(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6); }

void expectSameNoise(const Lightning& a, const Lightning& b) {
    EXPECT_EQ(std::memcmp(&a.amplitude, &b.amplitude, sizeof a.amplitude), 0);
    EXPECT_EQ(std::memcmp(&a.scale, &b.scale, sizeof a.scale), 0);
    EXPECT_EQ(a.octaves, b.octaves);
}

void expectNear(vec3 a, vec3 b, float tolerance, const char* what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

Element* readBack(const ByteBuffer& record, bool& ok) {
    ByteBuffer in;
    in.bytes = record.bytes;
    return readElementRecord(in, ok);
}

// A phase that puts the first octave's lookup exactly on texel index i of n.
float onTexel(int i, int n) { return (float(i) + 0.5f) / float(n); }

} // namespace

TEST(Lightning, everyHolderGetsABoltOfItsOwnAndACopyOfAHeldBoltIsFree) {
    auto* bolt = new Lightning(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6);
    for (int i = 0; i < 2000; ++i) {
        const vec2 p = Lightning(vec2(), vec2(), 1).phase;
        ASSERT_TRUE(p.x >= -1.0f && p.x < 1.0f && p.y >= -1.0f && p.y < 1.0f) << p.x << " " << p.y;
    }
    Tool first(bolt, mat4(), pbr(), false);
    EXPECT_EQ(first.element, bolt);
    EXPECT_EQ(bolt->useCount, 1);
    Tool second(bolt, mat4(), pbr(), false);
    ASSERT_NE(second.element, bolt);
    EXPECT_EQ(second.element->useCount, 1);
    EXPECT_EQ(bolt->useCount, 1);
    expectSameNoise(*bolt, *static_cast<Lightning*>(second.element));

    Element* copy = bolt->clone();
    ASSERT_NE(copy, bolt);
    EXPECT_EQ(copy->useCount, 0); // its holder acquires it; a count here would leak it
    expectSameNoise(*bolt, *static_cast<Lightning*>(copy));
    delete copy;
    auto* unheld = new Lightning(vec2(1, 1), vec2(1, 1), 1);
    EXPECT_EQ(unheld->clone(), unheld);
    EXPECT_EQ(unheld->useCount, 1);
    EXPECT_TRUE(releaseElement(unheld));

    // two linked holders read from a file share one bolt; detaching one leaves each a bolt
    bolt->resolveLinks({});
    ASSERT_EQ(bolt->useCount, 2);
    EXPECT_TRUE(first.detachElement());
    EXPECT_NE(first.element, bolt);
    EXPECT_EQ(first.element->useCount, 1);
    EXPECT_EQ(bolt->useCount, 1);
    EXPECT_TRUE(releaseElement(bolt)); // the file's second holder lets go
}

TEST(Lightning, theRecordKeepsTheNoiseExactlyAndHostileBodiesAreRefused) {
    registerLightningRecords();
    Lightning bolt(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6);
    ByteBuffer record;
    bolt.save(record);
    ByteBuffer hand;
    for (uint32_t w : {0xE1100005u, 20u}) hand.write(w);
    for (float f : {0.15f, 0.007f, 0.005f, 1e-5f}) hand.write(f);
    hand.write(int32_t(6));
    EXPECT_EQ(record.bytes, hand.bytes);

    bool ok = false;
    Element* e = readBack(record, ok);
    ASSERT_TRUE(ok);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->typeCode, LightningType);
    expectSameNoise(bolt, *static_cast<Lightning*>(e));
    delete e;

    auto patched = [&record](size_t offset, const void* value) {
        ByteBuffer b = record;
        std::memcpy(b.data() + offset, value, 4);
        return b;
    };
    const int32_t many = 1000000000, negative = -3;
    for (auto [count, held] : {std::pair{many, 16}, std::pair{negative, 0}}) {
        e = readBack(patched(24, &count), ok);
        ASSERT_TRUE(ok && e);
        EXPECT_EQ(static_cast<Lightning*>(e)->octaves, held) << count;
        delete e;
    }
    const float nan = std::nanf(""), inf = INFINITY;
    const uint32_t shortBody = 19;
    for (const ByteBuffer& bad : {patched(8, &nan), patched(20, &inf), patched(4, &shortBody)}) {
        EXPECT_EQ(readBack(bad, ok), nullptr);
        EXPECT_FALSE(ok);
    }
    for (size_t k = 0; k < record.size(); ++k) {
        ByteBuffer prefix;
        prefix.bytes.assign(record.bytes.begin(), record.bytes.begin() + long(k));
        EXPECT_EQ(readBack(prefix, ok), nullptr) << k;
        EXPECT_FALSE(ok) << k;
    }
}

TEST(Lightning, displacementIsTheHandSumOfNoiseTexels) {
    const int H = int(noiseTable.size()), W = int(noiseTable[0].size());
    ASSERT_GT(H, 4);
    const vec3 p(0.25f, 0.5f, -1);
    for (const int octaves : {1, 2}) {
        for (const int column : {0, 17}) {
            const int row = 9;
            Lightning bolt(vec2(0.3f, 1), vec2(0, 0), octaves);
            bolt.phase = vec2(onTexel(column, W), onTexel(row, H));
            // octave 1 sits on one texel; octave 2 halfway between texels 2i and 2i + 1 both ways
            vec3 expected = noiseTable[size_t(row)][size_t(column)];
            if (octaves == 2) {
                vec3 four;
                for (int r : {2 * row, 2 * row + 1})
                    for (int c : {2 * column, 2 * column + 1}) four = four + noiseTable[size_t(r)][size_t(c)];
                expected = expected + four * (0.5f / 4);
            }
            const vec3 moved = bolt.displace(p, 1234.0f);
            expectNear(moved, p + expected * 0.3f, octaves == 1 ? 0.0f : 1e-6f, "hand sum");
        }
    }

    // no octave or no amplitude leaves the bolt straight, and its Transform turns X onto Z
    for (Lightning straight : {Lightning(vec2(0.15f, 1), vec2(1, 1), 0), Lightning(vec2(0, 1), vec2(1, 1), 6)}) {
        expectNear(straight.displace(p, 77), p, 0, "straight");
        const mat4 t = straight.endsTransform(77);
        expectNear(vec3(1, 0, 0) * t, vec3(0, 0, 1), 1e-6f, "x onto z");
        expectNear(vec3(0, 0, 0) * t, vec3(0, 0, 0), 1e-6f, "origin stays");
    }

    // any time, any phases: the displaced ends land on (0,0,0) and (0,0,1)
    Lightning bolt = insertedBolt();
    for (float time : {0.0f, 16.0f, 3.6e6f, -5e4f, 1e30f, std::nanf("")}) {
        const mat4 t = bolt.endsTransform(time);
        const vec3 a = bolt.displace(vec3(0, 0, 0), time), b = bolt.displace(vec3(1, 0, 0), time);
        EXPECT_TRUE(std::isfinite(a.x) && std::isfinite(b.y)) << time;
        expectNear(a * t, vec3(0, 0, 0), 1e-5f, "start");
        expectNear(b * t, vec3(0, 0, 1), 1e-5f, "end");
    }
}
