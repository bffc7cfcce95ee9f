#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MeshInvariants.h"
#include "TopologyChecks.h"
#include "foundation/Outline.h"

namespace kal::test {
namespace {

Outline square(bool pinned) {
    Outline o;
    o.points = {vec2(-1, -1), vec2(1, -1), vec2(1, 1), vec2(-1, 1)};
    o.flags.assign(4, pinned);
    return o;
}

int verticesAtCorners(const Mesh& m, float z) {
    int count = 0;
    for (float x : {-1.0f, 1.0f})
        for (float y : {-1.0f, 1.0f}) count += verticesAt(m, vec3(x, y, z));
    return count;
}

TEST(FromOutline, ThinSquareIsAFlatSheetWithPinnedOutlineCorners) {
    Mesh m = Mesh::fromOutline(square(true), false, 0, 0);
    ASSERT_GT(m.triangleCount(), 0);
    EXPECT_MESH_VALID(m);
    EXPECT_EQ(verticesAtCorners(m, 0), 4);
    for (int v = 0; v < m.vertexCount(); ++v) {
        const MeshVertex& vx = m.vertices[v];
        EXPECT_EQ(vx.position.z, 0.0f);
        bool corner = std::fabs(vx.position.x) == 1.0f && std::fabs(vx.position.y) == 1.0f;
        if (corner) {
            EXPECT_TRUE(vx.pinned());
            EXPECT_TRUE(vx.seam());
        }
        // the "no points on the rim" switch keeps the rim to the outline's own points
        if (vx.open()) {
            EXPECT_TRUE(corner) << v;
        }
    }
    EXPECT_NEAR(m.scale, 2.0f * std::sqrt(2.0f), 1e-5f);
}

TEST(FromOutline, ThickSquareIsAClosedSolidOfATenthOfItsSize) {
    Mesh m = Mesh::fromOutline(square(true), false, 0, 1);
    ASSERT_GT(m.triangleCount(), 0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(countEdges(m).open, 0);
    EXPECT_GT(signedVolume(m), 0.0);
    float half = float(2.0 * std::sqrt(2.0) / 20.0);
    EXPECT_EQ(verticesAtCorners(m, half), 4);
    EXPECT_EQ(verticesAtCorners(m, -half), 4);
    // both rims and the four corner walls are hard
    int hardRim = 0, hardWall = 0;
    for (int tt = 0; tt < m.triangleCount(); ++tt)
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[tt];
            if (!tri.marked(k) || tri.neighbour[k] < tt) continue;
            vec3 a = m.vertices[tri.vertex[(k + 1) % 3]].position, b = m.vertices[tri.vertex[(k + 2) % 3]].position;
            if (a.z == b.z)
                ++hardRim;
            else if (a.x == b.x && a.y == b.y)
                ++hardWall;
        }
    EXPECT_EQ(hardRim, 8);
    EXPECT_EQ(hardWall, 4);
}

TEST(FromOutline, HalfSquareHasAFlatBackAtZero) {
    Mesh m = Mesh::fromOutline(square(true), false, 0, 2);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(countEdges(m).open, 0);
    float half = float(2.0 * std::sqrt(2.0) / 20.0);
    EXPECT_EQ(verticesAtCorners(m, half), 4);
    EXPECT_EQ(verticesAtCorners(m, 0), 4);
}

TEST(FromOutline, UniformProfileThickIsClosedWithItsFrontLevelled) {
    // the uniform profile's grid is flat and needs no GPU work
    Mesh m = Mesh::fromOutline(square(true), true, 1, 1);
    ASSERT_GT(m.triangleCount(), 0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(countEdges(m).open, 0);
    float top = 0, bottom = 0;
    for (int v = 0; v < m.vertexCount(); ++v) {
        top = std::max(top, m.vertices[v].position.z);
        bottom = std::min(bottom, m.vertices[v].position.z);
    }
    EXPECT_GT(top, 0.0f);
    EXPECT_NEAR(top, -bottom, 1e-5f);
    Mesh sheet = Mesh::fromOutline(square(false), true, 1, 0);
    EXPECT_MESH_VALID(sheet);
    EXPECT_GT(sheet.triangleCount(), 0);
}

TEST(FromOutline, UnusableOutlineGivesAnEmptyMesh) {
    Outline line;
    line.points = {vec2(0, 0), vec2(1, 0)};
    line.flags.assign(2, false);
    Mesh m = Mesh::fromOutline(line, true, 0, 1);
    EXPECT_EQ(m.vertexCount(), 0);
    EXPECT_EQ(m.triangleCount(), 0);
    Outline crossing = square(false);
    std::swap(crossing.points[1], crossing.points[2]);
    EXPECT_EQ(Mesh::fromOutline(crossing, true, 0, 0).triangleCount(), 0);
    EXPECT_EQ(Mesh::fromOutline(line, true, 1, 1).vertexCount(), 0);
}

} // namespace
} // namespace kal::test
