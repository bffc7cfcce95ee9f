#include "foundation/Circles.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <utility>

using namespace kal;

namespace {

void expectNear(vec3 a, vec3 b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

vec3 randomVec(std::mt19937& rng, float range = 3) {
    std::uniform_real_distribution<float> u(-range, range);
    return {u(rng), u(rng), u(rng)};
}

} // namespace

TEST(ArcFromTangent, QuarterAndHalfCircleExamples) {
    vec3 centre, end;
    float radius = -1;
    arcFromTangent(vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0), centre, radius, end);
    expectNear(centre, vec3(0, 1, 0));
    EXPECT_NEAR(radius, 1.0f, 1e-6f);
    expectNear(end, vec3(0, 1, 0));
    arcFromTangent(vec3(0, 0, 0), vec3(0, 1, 0), vec3(2, 0, 0), centre, radius, end);
    expectNear(centre, vec3(1, 0, 0));
    EXPECT_NEAR(radius, 1.0f, 1e-6f);
    expectNear(end, vec3(0, -1, 0));
}

TEST(ArcFromTangent, PerpendicularTangentGivesHalfCircleOnTheChord) {
    const vec3 a(1, 2, 3), b(4, -2, 3);
    const vec3 t = cross(b - a, vec3(0, 0, 1)) * 0.3f; // in the plane, 90 degrees from the chord
    vec3 centre, end;
    float radius;
    arcFromTangent(a, t, b, centre, radius, end);
    EXPECT_NEAR(radius, 2.5f, 1e-5f);
    expectNear(centre, (a + b) * 0.5f);
    expectNear(end, -normalize(t));
}

TEST(ArcFromTangent, ArcIsTangentAtStartAndPassesThroughBothEnds) {
    std::mt19937 rng(12);
    for (int k = 0; k < 200; ++k) {
        vec3 a = randomVec(rng), b = randomVec(rng), t = randomVec(rng);
        vec3 chord = normalize(b - a), tn = normalize(t);
        if ((b - a).length() < 0.1f || cross(chord, tn).length() < 0.05f) continue;
        vec3 centre, end;
        float radius;
        arcFromTangent(a, t, b, centre, radius, end);
        const float tol = 1e-4f * (1 + radius);
        EXPECT_NEAR((a - centre).length(), radius, tol);
        EXPECT_NEAR((b - centre).length(), radius, tol);
        EXPECT_NEAR(dot(a - centre, tn), 0.0f, tol); // the circle touches t at a
        EXPECT_NEAR(end.length(), 1.0f, 1e-4f);
        EXPECT_NEAR(dot(b - centre, end), 0.0f, tol);
        // the end tangent mirrors the start tangent across the chord's perpendicular
        expectNear(end, chord * (2 * dot(tn, chord)) - tn, 1e-3f);
    }
}

TEST(ArcFromTangent, TangentAlongChordGivesStraightArcWithoutNaN) {
    vec3 centre, end;
    float radius = -1;
    arcFromTangent(vec3(0, 0, 0), vec3(2, 0, 0), vec3(3, 0, 0), centre, radius, end);
    EXPECT_EQ(radius, 0.0f);
    expectNear(centre, vec3(1.5f, 0, 0));
    expectNear(end, vec3(1, 0, 0));
    // pointing away from b: still a line, travelled along t
    arcFromTangent(vec3(0, 0, 0), vec3(-1, 0, 0), vec3(3, 0, 0), centre, radius, end);
    EXPECT_EQ(radius, 0.0f);
    expectNear(end, vec3(-1, 0, 0));
}

TEST(ArcFromTangent, CoincidentEndsOrNullTangentGiveNoNaN) {
    vec3 centre, end;
    float radius = -1;
    arcFromTangent(vec3(1, 2, 3), vec3(0, 1, 0), vec3(1, 2, 3), centre, radius, end);
    EXPECT_EQ(radius, 0.0f);
    EXPECT_EQ(centre, vec3(1, 2, 3));
    expectNear(end, vec3(0, 1, 0));
    arcFromTangent(vec3(0, 0, 0), vec3(0, 0, 0), vec3(1, 0, 0), centre, radius, end);
    EXPECT_EQ(radius, 0.0f);
    EXPECT_TRUE(isFinite(centre));
    EXPECT_TRUE(isFinite(end));
}

TEST(CircleThroughPoints, UnitCircleExample) {
    vec3 centre, ta, tc;
    float radius;
    vec3 tb = circleThroughPoints(vec3(1, 0, 0), vec3(0, 1, 0), vec3(-1, 0, 0), centre, radius, ta, tc);
    expectNear(centre, vec3(0, 0, 0));
    EXPECT_NEAR(radius, 1.0f, 1e-6f);
    expectNear(ta, vec3(0, 1, 0));
    expectNear(tb, vec3(-1, 0, 0));
    expectNear(tc, vec3(0, -1, 0));
}

TEST(CircleThroughPoints, OtherOrderTravelsTheCircleBackwards) {
    const vec3 a(1, 0, 0), b(0, 1, 0), c(-1, 0, 0);
    vec3 c1, ta1, tc1, c2, ta2, tc2;
    float r1, r2;
    vec3 tb1 = circleThroughPoints(a, b, c, c1, r1, ta1, tc1);
    // a, c, b: the tangent at a is written to tangentA, at c is returned, at b to tangentC
    vec3 tMid = circleThroughPoints(a, c, b, c2, r2, ta2, tc2);
    expectNear(c2, c1);
    EXPECT_NEAR(r2, r1, 1e-6f);
    expectNear(ta2, -ta1);
    expectNear(tMid, -tc1);
    expectNear(tc2, -tb1);
}

TEST(CircleThroughPoints, RandomTripletsLieOnTheCircleWithTangentsAlongTravel) {
    std::mt19937 rng(13);
    for (int k = 0; k < 200; ++k) {
        vec3 a = randomVec(rng), b = randomVec(rng), c = randomVec(rng);
        vec3 n = cross(b - a, c - a);
        if (n.length() < 0.2f) continue;
        vec3 centre, ta, tc;
        float radius;
        vec3 tb = circleThroughPoints(a, b, c, centre, radius, ta, tc);
        const float tol = 2e-4f * (1 + radius);
        for (vec3 p : {a, b, c}) EXPECT_NEAR((p - centre).length(), radius, tol);
        EXPECT_NEAR(dot(centre - a, normalize(n)), 0.0f, tol);
        for (vec3 t : {ta, tb, tc}) EXPECT_NEAR(t.length(), 1.0f, 1e-4f);
        EXPECT_NEAR(dot(ta, a - centre), 0.0f, tol);
        EXPECT_NEAR(dot(tb, b - centre), 0.0f, tol);
        // a, b, c run counterclockwise about n, and so does every tangent
        for (auto [p, t] : {std::pair(a, ta), std::pair(b, tb), std::pair(c, tc)})
            EXPECT_GT(dot(cross(p - centre, t), n), 0.0f);
    }
}

TEST(CircleThroughPoints, CollinearPointsReportRadiusZero) {
    vec3 centre(9, 9, 9), ta, tc;
    float radius = -1;
    vec3 tb = circleThroughPoints(vec3(0, 0, 0), vec3(1, 0, 0), vec3(2, 0, 0), centre, radius, ta, tc);
    EXPECT_EQ(radius, 0.0f);
    EXPECT_EQ(centre, vec3(0, 0, 0));
    EXPECT_EQ(ta, vec3(-1, 0, 0));
    EXPECT_EQ(tc, vec3(1, 0, 0));
    EXPECT_EQ(tb, vec3(1, 0, 0));
    // coincident points: no NaN either
    tb = circleThroughPoints(vec3(1, 1, 1), vec3(1, 1, 1), vec3(1, 1, 1), centre, radius, ta, tc);
    EXPECT_EQ(radius, 0.0f);
    EXPECT_TRUE(isFinite(tb));
}
