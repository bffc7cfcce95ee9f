// Frames carried along chains and loops, against directions worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "CurveExpect.h"
#include "elements/Curve.h"

using namespace kal;

using test::expectNear;

TEST(CurveFrames, straightChainAlongXHasNormalsDown) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0), vec3(2, 0, 0), vec3(3, 0, 0)}, false, 0);
    c.updateFrames(true);
    for (const CurveSegment& s : c.segments) {
        expectNear(s.tangent, vec3(1, 0, 0), 1e-5f);
        expectNear(s.normal, vec3(0, 0, -1), 1e-5f);
    }
    EXPECT_TRUE(c.framesValid);
}

TEST(CurveFrames, loneSegmentIsTravelledBackwards) {
    Curve c(0);
    c.addPoint(vec3(0, 0, 0));
    c.addPoint(vec3(1, 0, 0));
    c.addSegment(0, 1);
    c.updateFrames(true);
    expectNear(c.segments[0].tangent, vec3(-1, 0, 0), 1e-5f);
}

TEST(CurveFrames, twistTurnsEachSegmentAQuarterMore) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0), vec3(2, 0, 0), vec3(3, 0, 0)}, false, 0);
    for (CurvePoint& p : c.points) p.twist = float(M_PI / 2);
    c.updateFrames(true);
    for (int i = 1; i < 3; ++i) {
        const vec3 n0 = c.segments[size_t(i - 1)].normal, n1 = c.segments[size_t(i)].normal;
        // about +X, a quarter turn: the turn from n0 to n1 measured about the tangent
        const float angle = std::atan2(dot(cross(n0, n1), vec3(1, 0, 0)), dot(n0, n1));
        EXPECT_NEAR(std::fabs(angle), float(M_PI / 2), 1e-4f);
        EXPECT_NEAR(dot(n1, vec3(1, 0, 0)), 0.0f, 1e-5f);
    }
}

TEST(CurveFrames, loopsCloseWithoutSeam) {
    // a knotted loop: transport alone would not meet itself
    Curve* k = Curve::makeTrefoilKnot(40);
    k->updateFrames(true);
    const int n = k->segmentCount();
    for (int s = 0; s < n; ++s) {
        const CurveSegment& a = k->segments[size_t(s)];
        const CurveSegment& b = k->segments[size_t(a.neighbour[1])];
        // successive normals differ by about the small turn between their tangents, never a jump
        const vec3 carried = a.normal * mat3::rotationBetween(a.tangent, b.tangent);
        EXPECT_GT(dot(carried, b.normal), 0.95f) << s;
        EXPECT_NEAR(dot(b.normal, b.tangent), 0.0f, 1e-4f);
    }
    delete k;

    Curve* circle = Curve::makeCircle(12, false);
    circle->updateFrames(true);
    for (const CurveSegment& s : circle->segments) expectNear(s.normal, vec3(0, 0, -1), 1e-5f);
    delete circle;
}

TEST(CurveFrames, staleCheckSkipsAnUnchangedCurve) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    c.updateFrames(false);
    c.segments[0].normal = vec3(9, 9, 9);
    c.updateFrames(false);
    EXPECT_EQ(c.segments[0].normal, vec3(9, 9, 9));
    c.touch();
    c.updateFrames(false);
    expectNear(c.segments[0].normal, vec3(0, 0, -1), 1e-5f);
}

TEST(CurveFrames, halfWrittenLinksDoNotHang) {
    // links as a refused validity test can leave them: a cycle that never returns to its seed
    Curve c(0);
    for (int i = 0; i < 4; ++i) c.addPoint(vec3(float(i), float(i * i), 0));
    for (int i = 0; i < 3; ++i) c.addSegment(i, i + 1);
    c.segments[0].neighbour[1] = 1;
    c.segments[1].neighbour[0] = 2;
    c.segments[1].neighbour[1] = 2;
    c.segments[2].neighbour[0] = 1;
    c.segments[2].neighbour[1] = 1;
    c.updateFrames(true);
    c.orientChains();
    EXPECT_GE(c.chainStart(2), 0);
    std::vector<int32_t> run;
    c.points[0].segment = 0;
    c.walkRun(0, 0, run);
    EXPECT_LE(run.size(), 6u);
}
