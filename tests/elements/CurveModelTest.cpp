// The curve's construction, validity test, chain orientation, recentring and merges, each result
// run through the network checker.
#include <gtest/gtest.h>

#include "CurveInvariants.h"
#include "elements/Curve.h"

using namespace kal;

namespace {

std::vector<vec3> xChain(int n) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) p.push_back(vec3(float(i), 0, 0));
    return p;
}

} // namespace

TEST(CurveModel, closedThreePointsRunForwardRoundTheLoop) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0)}, true, 0);
    ASSERT_EQ(c.segmentCount(), 3);
    EXPECT_EQ(c.segments[0].a, 2);
    EXPECT_EQ(c.segments[0].b, 0);
    EXPECT_EQ(c.segments[1].a, 0);
    EXPECT_EQ(c.segments[2].b, 2);
    EXPECT_FALSE(c.invalid);
    EXPECT_EQ(curveFault(c, true), "");
    for (const CurvePoint& p : c.points) EXPECT_EQ(p.flags & (PointMarked | PointChainEnd), 0);
}

TEST(CurveModel, chainAddedBackwardsIsOrientedEndToEnd) {
    Curve c(0);
    for (const vec3& p : xChain(4)) c.addPoint(p);
    c.addSegment(3, 2);
    c.addSegment(1, 0);
    c.addSegment(2, 1);
    c.rebuild(Recenter::Keep);
    EXPECT_EQ(curveFault(c, true), "");
    for (int end : {0, 3}) EXPECT_EQ(c.points[size_t(end)].flags & 3, 3);
    for (int inner : {1, 2}) EXPECT_EQ(c.points[size_t(inner)].flags & PointChainEnd, 0);
    // the walk starts at the first segment with a free end, so that end stays its start
    EXPECT_EQ(c.segments[0].a, 3);
}

TEST(CurveModel, junctionIsInvalidAndKeepsPlacement) {
    Curve c(0);
    for (vec3 p : {vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1)}) c.addPoint(p);
    for (int i = 1; i <= 3; ++i) c.addSegment(0, i);
    c.translation = vec3(7, 8, 9);
    c.rebuild(Recenter::Mean);
    EXPECT_TRUE(c.invalid);
    EXPECT_EQ(c.translation, vec3(7, 8, 9));
    Curve empty(0);
    empty.rebuild(Recenter::Keep);
    EXPECT_TRUE(empty.invalid);
}

TEST(CurveModel, recenterModes) {
    Curve one({vec3(2, 3, 4)}, false, 0);
    one.recenter(Recenter::Mean);
    EXPECT_EQ(one.translation, vec3(2, 3, 4));
    EXPECT_EQ(one.scale, 1.0f);
    Curve two({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    two.recenter(Recenter::Mean);
    EXPECT_EQ(two.translation, vec3(0.5f, 0, 0));
    EXPECT_EQ(two.scale, 1.0f);
}

TEST(CurveModel, oneClosedPointMakesNoSelfLoop) {
    Curve c({vec3(1, 1, 1)}, true, 0);
    EXPECT_EQ(c.segmentCount(), 0);
    c.close(); // needs two points
    EXPECT_EQ(c.segmentCount(), 0);
}

TEST(CurveModel, closeTurnsFormerEndsIntoPlainInnerPoints) {
    Curve c(xChain(3), false, 0);
    c.points[1].position.y = 1;
    c.close();
    EXPECT_FALSE(c.invalid);
    EXPECT_EQ(curveFault(c, true), "");
    EXPECT_EQ(c.points[0].flags & 3, 0);
    EXPECT_EQ(c.points[2].flags & 3, 0);
}

TEST(CurveModel, closestSegmentFallsBackToNearestPoint) {
    Curve c(xChain(3), false, 0);
    EXPECT_EQ(c.closestSegment(vec3(1.5f, 2, 0)), 1);
    EXPECT_EQ(c.closestSegment(vec3(-5, 1, 0)), c.points[0].segment);
    EXPECT_EQ(c.closestSegment(vec3(9, 0, 0)), c.points[2].segment);
    EXPECT_EQ(Curve(0).closestSegment(vec3()), -1);
}

TEST(CurveModel, collapseMergesUnmarkedSegmentsAndRefusesMarkedOnes) {
    Curve c(xChain(5), false, 0);
    ASSERT_TRUE(c.collapseSegment(1)); // both ends inner and unmarked: a keeps, moves to the middle
    EXPECT_EQ(curveFault(c, false), "");
    EXPECT_FALSE(c.points[2].alive());
    EXPECT_EQ(c.points[1].position, vec3(1.5f, 0, 0));
    EXPECT_TRUE(c.topologyChanged);

    Curve d(xChain(2), false, 0);
    EXPECT_FALSE(d.collapseSegment(0)); // both ends are chain ends
    EXPECT_EQ(curveFault(d, true), "");

    Curve e(xChain(3), false, 0);
    ASSERT_TRUE(e.collapseSegment(0)); // a is a marked end: b merges into it
    EXPECT_EQ(curveFault(e, false), "");
    EXPECT_EQ(e.segments[1].a, 0);
    EXPECT_TRUE(e.segments[1].flags & SegmentMarkA);
}

TEST(CurveModel, resetKeepsTheBufferNameAndRefillsIt) {
    Curve c(xChain(3), false, 0);
    c.buffer = 42;
    c.geometryDirty = false;
    c.reset();
    EXPECT_EQ(c.buffer, 42u);
    EXPECT_TRUE(c.geometryDirty);
    EXPECT_EQ(c.pointCount(), 0);
    c.buffer = 0;
}
