#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

Mesh loneTriangle() { return triangleMesh(vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0)); }

pbr shade(uint16_t red, int16_t roughness) {
    pbr p;
    p.red = red;
    p.roughness = roughness;
    return p;
}

// Gives every corner at vertex v the material p.
void paintVertex(Mesh& m, int v, const pbr& p) {
    for (int t = 0; t < m.triangleCount(); ++t) {
        int c = m.triangles[t].cornerOf(v);
        if (c >= 0) m.triangles[t].corner[c] = p;
    }
}

TEST(SplitEdge, OpenEdgeOfLoneTriangleKeepsBothHalvesOpen) {
    Mesh m = loneTriangle();
    int v = m.splitEdge(0, 0, vec3(0.5f, 0.5f, 0));
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 4);
    EXPECT_EQ(m.triangleCount(), 2);
    EXPECT_TRUE(m.vertices[v].seam());
    EXPECT_TRUE(m.vertices[v].open());
    EXPECT_EQ(countEdges(m).open, 4);
    // the new spoke to the opposite corner is the one inner edge, and soft
    int t, e;
    ASSERT_TRUE(m.findEdge(v, 0, t, e));
    EXPECT_GE(m.triangles[t].neighbour[e], 0);
    EXPECT_FALSE(m.triangles[t].marked(e));
}

TEST(SplitEdge, SharedEdgeGivesFourTrianglesRoundTheNewVertex) {
    Mesh m = rebuilt(quadMesh());
    int t, e;
    ASSERT_TRUE(m.findEdge(0, 2, t, e));
    int n = m.triangles[t].neighbour[e];
    int v = m.splitEdge(t, e, vec3(0.5f, 0.5f, 0));
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.triangleCount(), 4);
    EXPECT_FALSE(m.vertices[v].seam());
    std::vector<int32_t> ring;
    m.vertexTriangles(v, ring);
    ASSERT_EQ(ring.size(), 4u);
    // the ring holds t, k, k+1 and n, in that cyclic order
    size_t at = 0;
    while (ring[at] != t) ++at;
    EXPECT_EQ(ring[(at + 1) % 4], 2);
    EXPECT_EQ(ring[(at + 2) % 4], 3);
    EXPECT_EQ(ring[(at + 3) % 4], n);
}

TEST(SplitEdge, MarkedEdgeMakesASeamVertexAndKeepsPinnedEnds) {
    Mesh m = rebuilt(cubeMesh(true));
    ASSERT_TRUE(m.vertices[0].pinned());
    ASSERT_TRUE(m.vertices[1].pinned());
    int v = m.splitEdgeAt(0, 1, vec3(0, -1, -1));
    ASSERT_GE(v, 0);
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(m.vertices[v].seam());
    EXPECT_FALSE(m.vertices[v].pinned());
    EXPECT_TRUE(m.vertices[0].pinned());
    EXPECT_TRUE(m.vertices[1].pinned());
    // both halves keep the mark
    EXPECT_EQ(countEdges(m).marked, 13);
    EXPECT_EQ(m.splitEdgeAt(0, 7, vec3()), -1); // no such edge
}

TEST(SplitEdge, OpenEdgeKeepsPinnedEnds) {
    Mesh m = rebuilt(quadMesh());
    m.vertices[0].setPinned(true);
    m.vertices[1].setPinned(true);
    int v = m.splitEdgeAt(0, 1, vec3(0.5f, 0, 0));
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(m.vertices[0].pinned());
    EXPECT_TRUE(m.vertices[1].pinned());
    EXPECT_FALSE(m.vertices[v].pinned());
}

TEST(SplitEdge, QuarterWayMixesBothSidesThreeToOne) {
    Mesh m = rebuilt(quadMesh());
    paintVertex(m, 0, shade(0, -400));
    paintVertex(m, 2, shade(40000, 400));
    int v = m.splitEdgeAt(0, 2, vec3(0.25f, 0.25f, 0));
    ASSERT_MESH_VALID(m);
    int sides = 0;
    for (int t = 0; t < m.triangleCount(); ++t) {
        int c = m.triangles[t].cornerOf(v);
        if (c < 0) continue;
        ++sides;
        EXPECT_EQ(m.triangles[t].corner[c].red, 10000);
        EXPECT_EQ(m.triangles[t].corner[c].roughness, -200);
    }
    EXPECT_EQ(sides, 4);
}

TEST(SplitEdge, ZeroLengthEdgeTakesTheNearEndMaterialInsteadOfNaN) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(1, 0, 0)); // on top of vertex 1
    addTri(m, 0, 1, 2);
    m = rebuilt(m);
    paintVertex(m, 1, shade(1234, 77));
    paintVertex(m, 2, shade(60000, -900));
    int v = m.splitEdgeAt(1, 2, vec3(1, 0, 0));
    ASSERT_GE(v, 0);
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < m.triangleCount(); ++t) {
        int c = m.triangles[t].cornerOf(v);
        if (c < 0) continue;
        EXPECT_EQ(m.triangles[t].corner[c].red, 1234);
        EXPECT_EQ(m.triangles[t].corner[c].roughness, 77);
    }
}

TEST(SplitEdgeMidpoint, ReportsOppositeCornersAndAveragesMaterials) {
    Mesh m = rebuilt(quadMesh());
    paintVertex(m, 0, shade(100, 0));
    paintVertex(m, 2, shade(301, 0));
    int t, e;
    ASSERT_TRUE(m.findEdge(0, 2, t, e));
    int P = -2, S = -2;
    int v = m.splitEdgeMidpoint(t, e, P, S);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(P + S, 1 + 3); // the corners 1 and 3 face the diagonal
    EXPECT_NEAR(m.vertices[v].position.x, 0.5f, 1e-7f);
    int c = m.triangles[t].cornerOf(v);
    EXPECT_EQ(m.triangles[t].corner[c].red, 200);

    Mesh open = loneTriangle();
    open.splitEdgeMidpoint(0, 0, P, S);
    EXPECT_EQ(P, 0);
    EXPECT_EQ(S, -1);
    EXPECT_MESH_VALID(open);
    EXPECT_EQ(open.splitEdgeBetweenMidpoint(0, 3), 4);
    EXPECT_EQ(open.splitEdgeBetweenMidpoint(1, 1), -1);
    EXPECT_MESH_VALID(open);
}

TEST(SplitTriangle, KeepsTheOneMarkOnItsTriangleAndLeavesSpokesSoft) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(1, 1, 0));
    m.addVertex(vec3(0, 1, 0));
    addTri(m, 0, 1, 2, 2); // the diagonal 2-0 is marked
    addTri(m, 0, 2, 3, 4);
    m = rebuilt(m);
    int v = m.splitTriangle(0, vec3(0.7f, 0.3f, 0));
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 5);
    EXPECT_EQ(m.triangleCount(), 4);
    EXPECT_FALSE(m.vertices[v].seam());
    std::vector<int32_t> ring;
    ASSERT_EQ(m.vertexTriangles(v, ring), 3);
    int holdingDiagonal = 0;
    for (int32_t t : ring) {
        const MeshTriangle& tri = m.triangles[t];
        int c = tri.cornerOf(v);
        EXPECT_TRUE(tri.marked(c)) << "the old edge opposite v is hard or was open";
        EXPECT_FALSE(tri.marked((c + 1) % 3));
        EXPECT_FALSE(tri.marked((c + 2) % 3));
        if (tri.neighbour[c] == 1) ++holdingDiagonal;
    }
    EXPECT_EQ(holdingDiagonal, 1);
    EXPECT_EQ(m.insertCentroid(1), 5);
    EXPECT_MESH_VALID(m);
}

} // namespace
} // namespace kal::test
