// The six deformation passes against the formulas worked out on the CPU, read back from the
// clay's buffers on a real context.
#include <gtest/gtest.h>

#include <memory>

#include "ClayFixtures.h"

namespace {

using namespace kal;
using namespace kal::test;

using ClayPasses = IcosahedronClay;

TEST_F(ClayPasses, everyPassMovesTheCornersAsItsFormulaSays) {
    // two instances that overlap on the sphere, so the sums matter
    const std::vector<vec3> c = {vec3(0.3f, 1.7f, 0.8f), vec3(-0.2f, 1.5f, 1.1f)};
    const std::vector<vec3> second = {normalize(vec3(0.2f, 1, 0.4f)), normalize(vec3(-0.5f, 0.3f, 1))};
    const float radius = 1.3f;

    clay->deform(c, second, radius);
    expectCorners([&](vec3 p) { return deformReference(p, c, second, radius); }, "deform");

    clay->pinch(c, 0.3f, radius);
    expectCorners([&](vec3 p) { return pinchReference(p, c, 0.06, radius); }, "pinch");

    const double angle = 0.4;
    clay->twist(c, second, float(std::cos(angle)), float(std::sin(angle)), radius);
    expectCorners([&](vec3 p) { return twistReference(p, c, second, angle, radius); }, "twist");

    clay->subPlane(c, second);
    expectCorners([&](vec3 p) { return subPlaneReference(p, c, second); }, "subPlane");

    const std::vector<vec3> out = {vec3(0.3f, 2.5f, 0.8f), vec3(-0.2f, 2.4f, 1.1f)};
    const std::vector<vec3> up = {vec3(0, -1, 0), normalize(vec3(0.1f, -1, -0.2f))};
    clay->flatten(out, up, 0.8f, radius);
    expectCorners([&](vec3 p) { return flattenReference(p, out, up, 0.8, radius); }, "flatten");

    const std::vector<mat3> frames = {mat3::frameFromDirection(vec3(0.2f, 0.3f, 1)),
                                      mat3::frameFromDirection(vec3(1, -0.4f, 0.1f))};
    clay->deformVolume(c, frames, 0.25f, radius);
    expectCorners([&](vec3 p) { return deformVolumeReference(p, c, frames, 0.25, radius); }, "deformVolume");
}

TEST_F(ClayPasses, eachPassFlipsCurrentAndCountZeroCopiesEveryPosition) {
    const uint8_t start = clay->current;
    clay->deform({}, {}, 1.0f);
    EXPECT_NE(clay->current, start);
    EXPECT_EQ(gpuCorners(*clay), before);
    clay->subPlane({}, {});
    EXPECT_EQ(clay->current, start);
    EXPECT_EQ(gpuCorners(*clay), before);
}

TEST_F(ClayPasses, moreThanTwentyInstancesAreAllApplied) {
    // 25 small brushes, each round its own vertex and touching no other
    std::vector<vec3> centres, moves;
    for (int v = 0; v < 25; ++v) {
        centres.push_back(clay->source->vertices[v].position);
        moves.push_back(vec3(0, 0.01f * float(v + 1), 0));
    }
    const std::vector<vec3> start = before;
    clay->deform(centres, moves, 0.05f);
    expectCorners([&](vec3 p) { return deformReference(p, centres, moves, 0.05f); }, "25 instances");
    EXPECT_NE(gpuCorners(*clay), start);
}

TEST(ClayPassEdges, rimStaysPlaneCutsBackAndZeroTwistKeepsAll) {
    std::unique_ptr<Mesh> mesh(cornerMesh());
    Clay clay(mesh.get());
    // no buffers yet: the pass uploads first
    clay.deform({vec3(0, 0, 0)}, {vec3(0, 0, 0.5f)}, 1.0f);
    ASSERT_NE(clay.buffers[0], 0u);
    std::vector<vec3> got = gpuCorners(clay);
    EXPECT_EQ(got[0], vec3(0, 0, 0.5f)); // the centre moves fully
    EXPECT_EQ(got[1], vec3(1, 0, 0));    // exactly one radius away: falloff 0
    EXPECT_EQ(got[2], vec3(0, 1, 0));

    // a plane through the origin facing +z: the far vertex lands on it, whatever its distance
    clay.subPlane({vec3(0, 0, 0)}, {vec3(0, 0, 1)});
    got = gpuCorners(clay);
    EXPECT_EQ(got[4], vec3(0, 0, 0));
    EXPECT_EQ(got[0], vec3(0, 0, 0));
    EXPECT_EQ(got[1], vec3(1, 0, 0));

    // angle 0 turns nothing
    const std::vector<vec3> still = gpuCorners(clay);
    clay.twist({vec3(0.2f, 0.2f, 0)}, {vec3(0, 0, 1)}, 1.0f, 0.0f, 3.0f);
    EXPECT_EQ(gpuCorners(clay), still);
}

TEST(ClayPassEdges, flattenMeetsItselfWhereTheOuterRingBegins) {
    std::unique_ptr<Mesh> mesh(cornerMesh());
    // the far vertex sits 5 above the centre: radius 5 / 0.7 puts it on the ring's inner edge
    for (float t : {0.6999f, 0.7001f}) {
        Clay clay(mesh.get());
        clay.flatten({vec3(0, 0, 0)}, {vec3(0, 0, 1)}, 0.5f, 5.0f / t);
        EXPECT_NEAR(gpuCorners(clay)[4].z, 2.5f, 1e-3f) << t;
    }
}

} // namespace
