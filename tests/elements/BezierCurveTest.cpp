// The cable's Bezier axis: its chain, the change test, the placed points against the Bezier
// formula, the end frames, and what it keeps of itself in files.
#include <gtest/gtest.h>

#include <cmath>

#include "GlobalScope.h"
#include "elements/BezierCurve.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

using namespace kal;

namespace {

vec3 bezier(vec3 p1, vec3 p2, float t) {
    const float u = 1 - t;
    return p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + vec3(0, 0, 1) * (t * t * t);
}

void expectNear(vec3 a, vec3 b, float tolerance, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

} // namespace

TEST(BezierCurve, aNewChainLiesAtTheOriginWithMarkedEnds) {
    BezierCurve c(vec3(), vec3(), 50);
    ASSERT_EQ(c.pointCount(), 51);
    ASSERT_EQ(c.segmentCount(), 50);
    EXPECT_EQ(c.typeCode, CurveType);
    for (const CurvePoint& p : c.points) {
        EXPECT_EQ(p.position, vec3());
        EXPECT_TRUE(p.alive());
    }
    EXPECT_TRUE(c.points.front().marked());
    EXPECT_TRUE(c.points.back().marked());
    EXPECT_EQ(c.segments.front().flags, 0x05);
    EXPECT_EQ(c.segments[25].flags, 0x04);
    EXPECT_EQ(c.segments.back().flags, 0x06);
    EXPECT_EQ(c.handle, -1.0f);
    EXPECT_EQ(c.lastDistance, -1.0f);
    EXPECT_TRUE(c.isValid());
}

TEST(BezierCurve, pointsFollowTheBezierWhoseHandlesKeepAThirdOfTheFirstDistance) {
    BezierCurve c(vec3(), vec3(), 50);
    const vec3 s(0, 0, 1), e(1, 0, 0);
    c.sample(s, vec3(2, 0, 0), 2.0f, 0); // directions are normalised
    EXPECT_EQ(c.handle, 2.0f);
    c.sample(s, e, 4.0f, 0);
    EXPECT_EQ(c.handle, 2.0f);
    EXPECT_EQ(c.lastDistance, 4.0f);
    const float k = 2.0f / 4.0f / 3.0f; // P1 = (0, 0, 1/6)
    for (int i = 0; i <= 50; i += 7)
        expectNear(c.points[size_t(i)].position, bezier(s * k, vec3(0, 0, 1) + e * k, i / 50.0f), 1e-6f,
                   "point " + std::to_string(i));
    expectNear(c.points.back().position, vec3(0, 0, 1), 1e-6f, "end");

    // the chain leaves along s and arrives travelling along -e; every normal is across its tangent
    expectNear(c.segments.front().tangent, s, 0, "first tangent");
    expectNear(c.segments.back().tangent, vec3(-1, 0, 0), 0, "last tangent");
    for (const CurveSegment& seg : c.segments) {
        EXPECT_NEAR(dot(seg.normal, seg.tangent), 0.0f, 1e-5f);
        EXPECT_NEAR(length(seg.normal), 1.0f, 1e-5f);
    }
}

TEST(BezierCurve, smallChangesAndDegenerateDistancesMoveNothing) {
    BezierCurve c(vec3(), vec3(), 10);
    const vec3 s(0, 1, 0), e(0, -1, 0);
    // no distance yet: nothing moves and the handle stays free, so a later distance still fixes it
    for (float d : {0.0f, -3.0f, std::nanf(""), INFINITY}) {
        c.sample(s, e, d, 0);
        EXPECT_EQ(c.handle, -1.0f) << d;
        EXPECT_EQ(c.points[2].position, vec3()) << d;
    }
    test::GlobalScope frame(frameCounter, 40);
    c.sample(s, e, 10.0f, 0);
    EXPECT_EQ(c.handle, 10.0f);
    EXPECT_EQ(c.stamp, 40);
    const vec3 placed = c.points[2].position;
    EXPECT_NE(placed, vec3());

    frameCounter = 41;
    c.sample(s, e, 10.0f, 0);
    c.sample(s, e, 10.1f, 0);                 // 1 % of the larger distance
    c.sample(vec3(0.01f, 1, 0), e, 10.0f, 0); // a component moved by 0.01
    EXPECT_EQ(c.stamp, 40);
    EXPECT_EQ(c.points[2].position, placed);
    c.sample(s, e, 10.2f, 0);
    EXPECT_EQ(c.stamp, 41);
    EXPECT_NE(c.points[2].position, placed);
    c.sample(vec3(0.1f, 1, 0), e, 10.2f, 0);
    EXPECT_EQ(c.lastDistance, 10.2f);
}

TEST(BezierCurve, aCopyIsAPlainCurveAndTheRecordKeepsNoShape) {
    registerBezierCurveRecords();
    BezierCurve c(vec3(), vec3(), 12);
    c.sample(vec3(1, 0, 0), vec3(0, 1, 0), 3.0f, 0);
    Element* copy = c.clone();
    EXPECT_EQ(asBezierCurve(copy), nullptr);
    EXPECT_EQ(asBezierCurve(&c), &c);
    ASSERT_EQ(static_cast<Curve*>(copy)->pointCount(), 13);
    EXPECT_EQ(static_cast<Curve*>(copy)->points[6].position, c.points[6].position);
    delete copy;

    ByteBuffer record;
    c.save(record);
    ByteBuffer hand;
    hand.write(uint32_t(0xE1100002));
    hand.write(uint32_t(0));
    EXPECT_EQ(record.bytes, hand.bytes);
    bool ok = false;
    record.position = 0;
    Element* e = readElementRecord(record, ok);
    ASSERT_TRUE(ok);
    BezierCurve* loaded = asBezierCurve(e);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->segmentCount(), 50);
    EXPECT_EQ(loaded->points[20].position, vec3());
    EXPECT_EQ(loaded->handle, -1.0f);
    delete e;
}
