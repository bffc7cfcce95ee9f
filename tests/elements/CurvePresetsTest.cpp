// Preset shapes against their closed forms, and the best-fit plane of drawn outlines.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "CurveExpect.h"
#include "CurveInvariants.h"
#include "elements/Curve.h"

using namespace kal;

using test::expectNear;

TEST(CurvePresets, squareCircleHasPerimeterFourRootTwo) {
    std::unique_ptr<Curve> c(Curve::makeCircle(4, false));
    ASSERT_EQ(c->pointCount(), 4);
    const vec3 expected[4] = {vec3(1, 0, 0), vec3(0, 1, 0), vec3(-1, 0, 0), vec3(0, -1, 0)};
    for (int i = 0; i < 4; ++i) expectNear(c->points[size_t(i)].position, expected[i], 1e-5f);
    EXPECT_NEAR(c->length(), 4 * std::sqrt(2.0f), 1e-5f);
    for (const CurvePoint& p : c->points) EXPECT_NEAR(p.radius, std::sqrt(2.0f) * 4 / 4.4f, 1e-5f);
    for (const CurvePoint& p : c->points) EXPECT_FALSE(p.marked());
    EXPECT_EQ(curveFault(*c, true), "");
}

TEST(CurvePresets, doubleArcIsAMarkedStadium) {
    for (int n : {1, 2}) {
        std::unique_ptr<Curve> c(Curve::makeDoubleArc(n, true));
        ASSERT_EQ(c->pointCount(), 8);
        const float xy[8][2] = {{1, 0.9f}, {1, 1}, {-1, 1}, {-1, 0.9f}, {-1, -0.9f}, {-1, -1}, {1, -1}, {1, -0.9f}};
        for (int i = 0; i < 8; ++i) expectNear(c->points[size_t(i)].position, vec3(xy[i][0], xy[i][1], 0), 1e-5f);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(c->points[size_t(i)].marked(), i == 0 || i == 3 || i == 4 || i == 7);
        EXPECT_EQ(curveFault(*c, true), "");
    }
}

TEST(CurvePresets, placementsOfTheRecentredShapes) {
    std::unique_ptr<Curve> r(Curve::makeRectangle(2, 1));
    EXPECT_EQ(r->translation, vec3(1, 0.5f, 0));
    EXPECT_EQ(r->scale, 1.0f);
    std::unique_ptr<Curve> t(Curve::makeTriangle());
    EXPECT_EQ(t->scale, 1.0f);
    std::unique_ptr<Curve> s(Curve::makeSegment());
    EXPECT_EQ(s->translation, vec3(0.5f, 0, 0));
    EXPECT_TRUE(s->points[0].marked() && s->points[1].marked());
}

TEST(CurvePresets, fitPlaneOfAFlatOutline) {
    Curve c({vec3(0, 0, 5), vec3(2, 0, 5), vec3(2, 1, 5), vec3(0, 1, 5)}, true, 0);
    mat4 M;
    Outline o = Curve::projectOntoFitPlane(c, M);
    ASSERT_EQ(o.points.size(), 4u);
    // M maps the outline back onto the points (up to the plane's offset along its normal)
    for (size_t i = 0; i < 4; ++i) {
        const vec3 back = vec3(o.points[i].x, o.points[i].y, 0) * M;
        EXPECT_NEAR(back.x, c.points[i].position.x, 1e-5f);
        EXPECT_NEAR(back.y, c.points[i].position.y, 1e-5f);
    }
    // the frame's third column is minus the normal (0, 0, -1)
    expectNear(M.column(2), vec3(0, 0, 1), 1e-5f);
}

TEST(CurvePresets, fitPlaneContainingTheThinAxisTriesAnotherAxis) {
    // points in x + y = 0, wider than tall: z is the thinnest, yet z depends on nothing
    Curve c({vec3(0, 0, 0), vec3(3, -3, 0), vec3(3, -3, 1), vec3(0, 0, 1.5f)}, true, 0);
    mat4 M;
    Outline o = Curve::projectOntoFitPlane(c, M);
    ASSERT_EQ(o.points.size(), 4u);
    const vec3 n = M.column(2);
    EXPECT_NEAR(std::fabs(n.x), std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(n.x, n.y, 1e-5f);
    for (const vec2& p : o.points) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));

    Curve line({vec3(0, 0, 0), vec3(1, 1, 1), vec3(2, 2, 2)}, true, 0);
    EXPECT_TRUE(Curve::projectOntoFitPlane(line, M).points.empty());
    Curve two({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    EXPECT_TRUE(Curve::projectOntoFitPlane(two, M).points.empty());
}
