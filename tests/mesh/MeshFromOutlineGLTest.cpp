// Solids from outlines with the raised profiles, whose heights come from the GPU depth field.
#include <gtest/gtest.h>

#include <cmath>

#include "MeshInvariants.h"
#include "TopologyChecks.h"
#include "foundation/Outline.h"

namespace kal::test {
namespace {

Outline disc(int points) {
    Outline o;
    for (int i = 0; i < points; ++i) {
        double a = 2.0 * 3.141592653589793 * i / points;
        o.points.push_back(vec2(float(std::cos(a)), float(std::sin(a))));
    }
    o.flags.assign(size_t(points), false);
    o.flags[0] = true;
    return o;
}

TEST(FromOutlineGL, RaisedProfilesMakeValidClosedSolids) {
    // a sphere-union and the scoop profile thick, the chamfer with a flat back
    const uint8_t cases[][2] = {{2, 1}, {8, 1}, {4, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c[0]));
        Mesh solid = Mesh::fromOutline(disc(24), true, c[0], c[1]);
        ASSERT_GT(solid.triangleCount(), 0);
        EXPECT_MESH_VALID(solid);
        EXPECT_EQ(countEdges(solid).open, 0);
        EXPECT_EQ(solid.vertexCount() % 2, 0); // every front vertex has its back copy
    }
}

TEST(FromOutlineGL, ThickBlobIsSmoothEverywhere) {
    Mesh m = Mesh::fromOutline(disc(24), true, 3, 1);
    ASSERT_GT(m.triangleCount(), 0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(countEdges(m).marked, 0);
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_FALSE(m.vertices[v].seam()) << v;
}

} // namespace
} // namespace kal::test
