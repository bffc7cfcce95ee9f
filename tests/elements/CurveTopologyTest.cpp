// Splits, removal, compaction, walks and point frames, each result run through the checker.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "CurveInvariants.h"
#include "elements/Curve.h"

using namespace kal;

namespace {

Curve chain(int n) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) p.push_back(vec3(float(i), 0, 0));
    return Curve(p, false, 0);
}

} // namespace

TEST(CurveTopology, splittingTheLastSegmentMovesTheEndMark) {
    Curve c = chain(3);
    c.segments[1].material[1].red = 1000;
    c.segments[1].material[0].red = 3001;
    const int m = c.splitSegment(1);
    EXPECT_EQ(curveFault(c, true), "");
    EXPECT_FALSE(c.segments[1].flags & SegmentMarkB);
    EXPECT_TRUE(c.segments[2].flags & SegmentMarkB);
    EXPECT_FALSE(c.points[size_t(m)].marked());
    EXPECT_EQ(c.points[size_t(m)].position, vec3(1.5f, 0, 0));
    EXPECT_EQ(c.segments[2].material[0].red, 2000);
    EXPECT_EQ(c.segments[2].material[1].red, 1000);
}

TEST(CurveTopology, splitAtAPositionAndOnAZeroLengthSegment) {
    Curve c = chain(2);
    c.points[1].radius = 3;
    const int q = c.splitSegmentAt(0, vec3(0.25f, 0, 0), false);
    EXPECT_EQ(curveFault(c, true), "");
    EXPECT_FLOAT_EQ(c.points[size_t(q)].radius, 1.5f);

    Curve z({vec3(1, 1, 1), vec3(1, 1, 1)}, false, 0);
    z.segments[0].material[1].roughness = 500;
    const int r = z.splitSegmentAt(0, vec3(1, 1, 1), true);
    EXPECT_TRUE(std::isfinite(z.points[size_t(r)].radius));
    EXPECT_EQ(z.segments[1].material[0].roughness, 0); // end a's value, not garbage
    EXPECT_EQ(curveFault(z, true), "");
}

TEST(CurveTopology, subdivideMovesOnlyUnmarkedOldPoints) {
    std::unique_ptr<Curve> sq(Curve::makeRectangle(2, 2));
    sq->subdivide(true);
    EXPECT_EQ(sq->pointCount(), 8);
    EXPECT_EQ(sq->points[0].position, vec3(0, 0, 0)); // marked corners stay
    sq->rebuild(Recenter::Keep);
    EXPECT_EQ(curveFault(*sq, true), "");

    Curve loop({vec3(-1, -1, 0), vec3(-1, 1, 0), vec3(1, 1, 0), vec3(1, -1, 0)}, true, 0);
    loop.points[0].twist = 2;
    loop.subdivide(true);
    // the cubic B-spline vertex rule: (p- + 6p + p+) / 8
    EXPECT_EQ(loop.points[0].position, vec3(-0.75f, -0.75f, 0));
    EXPECT_EQ(loop.points[0].twist, 1.0f);
    loop.rebuild(Recenter::Keep);
    EXPECT_EQ(curveFault(loop, true), "");
}

TEST(CurveTopology, removingBothSegmentsOfAPointKillsIt) {
    Curve c = chain(3);
    c.removeSegment(0);
    EXPECT_EQ(c.points[1].flags & 3, 3); // now an end
    EXPECT_EQ(curveFault(c, false), "");
    c.removeSegment(1);
    EXPECT_FALSE(c.points[1].alive());
    c.cleanup(false);
    EXPECT_EQ(c.segmentCount(), 0);
    EXPECT_FALSE(c.topologyChanged);
}

TEST(CurveTopology, cleanupCompactsAndKeepsTheNetwork) {
    Curve c = chain(6);
    c.removeSegment(1);
    c.removeSegment(2); // point 2 is gone: two chains remain
    c.cleanup(false);
    EXPECT_EQ(c.pointCount(), 5);
    EXPECT_EQ(c.segmentCount(), 3);
    EXPECT_EQ(curveFault(c, false), "");
    c.rebuild(Recenter::Keep);
    EXPECT_FALSE(c.invalid);
    EXPECT_EQ(curveFault(c, true), "");

    Curve untouched = chain(3);
    untouched.points[2].flags &= uint8_t(~PointAlive);
    untouched.cleanup(false); // nothing armed it
    EXPECT_EQ(untouched.pointCount(), 3);
}

TEST(CurveTopology, queriesOnAPointWithoutSegment) {
    Curve c = chain(2);
    const int lone = c.addPoint(vec3(5, 5, 5));
    std::vector<int32_t> out = {7};
    EXPECT_EQ(c.pointSegments(lone, out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(c.pointNeighbours(lone, out), 0);
    EXPECT_EQ(c.nextAlongChain(lone, -1), -1);
    EXPECT_EQ(c.segmentBetween(lone, 0), -1);
    EXPECT_EQ(Curve::pointFrame(c, lone), mat3());
    std::vector<int32_t> run;
    EXPECT_EQ(c.walkRun(lone, c.points[size_t(lone)].segment, run), -1);
    EXPECT_EQ(run, (std::vector<int32_t>{lone}));
}

TEST(CurveTopology, pointFramesAtEndsAndJoints) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0)}, false, 0);
    c.points[0].radius = 2;
    c.updateFrames(true);
    const mat3 end = Curve::pointFrame(c, 0);
    EXPECT_EQ(end.column(2), vec3(2, 0, 0)); // along the curve, scaled by the radius
    const mat3 joint = Curve::pointFrame(c, 1);
    // a right-angle joint: the bisecting direction, stretched by the mitre 1 / cos 45 degrees across
    const vec3 z = joint.column(2);
    EXPECT_NEAR(z.x, z.y, 1e-5f);
    EXPECT_NEAR(kal::length(joint.column(1)), std::sqrt(2.0f), 1e-4f);
    EXPECT_NEAR(kal::length(joint.column(0)), 1.0f, 1e-5f);

    Curve straight({vec3(0, 0, 0), vec3(1, 0, 0), vec3(2, 0, 0)}, false, 0);
    straight.updateFrames(true);
    const mat3 f = Curve::pointFrame(straight, 1);
    EXPECT_NEAR(f.column(2).x, 1.0f, 1e-6f); // parallel tangents: no stretch
}
