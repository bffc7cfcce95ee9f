#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

// The triangles of t's patch reach no triangle outside it.
bool patchIsDetached(Mesh& m, int t) {
    int triangle = t;
    m.selectPatch(vec3(), true, triangle);
    std::vector<int32_t> patch = m.selectedTriangles;
    m.clearSelection();
    for (int32_t p : patch)
        for (int k = 0; k < 3; ++k) {
            int n = m.triangles[p].neighbour[k];
            if (n >= 0 && std::find(patch.begin(), patch.end(), n) == patch.end()) return false;
        }
    return true;
}

bool anyVertexSelected(const Mesh& m) {
    for (int v = 0; v < m.vertexCount(); ++v)
        if ((m.vertices[v].flags & VertexSelected) || m.vertices[v].link != -1) return true;
    return false;
}

// A half disc round vertex 0 on the open rim: three triangles, the middle one bounded by marks.
Mesh halfDisc() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0.5f, 1, 0));
    m.addVertex(vec3(-0.5f, 1, 0));
    m.addVertex(vec3(-1, 0, 0));
    addTri(m, 0, 1, 2, 0);
    addTri(m, 0, 2, 3, 2 | 4); // edges 3-0 and 0-2 are marked
    addTri(m, 0, 3, 4, 0);
    return rebuilt(m);
}

TEST(TearPatch, CubeFaceLoopDuplicatesEachBorderVertexOnce) {
    Mesh m = rebuilt(cubeMesh(true));
    m.tearPatchOf(0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 12);
    EXPECT_EQ(m.triangleCount(), 12);
    EXPECT_EQ(m.tearTriangleMark, 12);
    EXPECT_TRUE(patchIsDetached(m, 0));
    EXPECT_EQ(countEdges(m).open, 8);
    EXPECT_FALSE(anyVertexSelected(m));
    // the bottom face's corners 0..3 and their copies are open seams; the top corners are untouched
    for (int v = 0; v < m.vertexCount(); ++v) {
        bool border = v < 4 || v >= 8;
        EXPECT_EQ(m.vertices[v].open(), border) << v;
        EXPECT_TRUE(m.vertices[v].seam()) << v;
    }
}

TEST(TearPatch, PatchInsideALargerSurfaceComesOffAlongItsLoop) {
    Mesh m = rebuilt(gridMesh(4));
    // mark the loop round the middle 2 x 2 squares (vertices 6, 8, 18, 16)
    const int loop[] = {6, 7, 8, 13, 18, 17, 16, 11};
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(m.setEdgeFlag(loop[i], loop[(i + 1) % 8], true));
    int inside = -1;
    int e;
    ASSERT_TRUE(m.findEdge(12, 13, inside, e));
    m.tearPatchAt(vec3(2, 2, 0), inside);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 25 + 8);
    EXPECT_EQ(m.triangleCount(), 32);
    EXPECT_TRUE(patchIsDetached(m, inside));
    EXPECT_FALSE(anyVertexSelected(m));
}

TEST(TearFan, AlreadyDetachedPatchAnswersMinusOneAndChangesNothing) {
    Mesh m = rebuilt(cubeMesh(true));
    m.tearPatchOf(0);
    Mesh before = m;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(m.tearFan(m.triangles[0].vertex[c], 0), -1);
    m.tearPatchOf(0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), before.vertexCount());
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(m.triangles[t].vertex[k], before.triangles[t].vertex[k]);
            EXPECT_EQ(m.triangles[t].neighbour[k], before.triangles[t].neighbour[k]);
        }
}

TEST(TearFan, OpenBoundaryVertexWithNeighboursOnBothSidesGetsTwoCopies) {
    Mesh m = halfDisc();
    int w = m.tearFan(0, 1);
    ASSERT_GE(w, 0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.triangles[1].cornerOf(w), 0);
    EXPECT_EQ(verticesAt(m, vec3(0, 0, 0)), 3);
    // every triangle now stands alone
    EXPECT_EQ(countEdges(m).open, 9);
}

TEST(TearAllPatches, EveryCubeFaceGetsVerticesOfItsOwn) {
    Mesh m = rebuilt(cubeMesh(true));
    m.tearAllPatches();
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 24);
    EXPECT_EQ(countEdges(m).open, 24);
    for (int t = 0; t < m.triangleCount(); ++t) EXPECT_FALSE(m.triangles[t].flags & TriangleProcessed);
    EXPECT_FALSE(anyVertexSelected(m));
}

TEST(TearDeform, CutsOnlyTheBorderVerticesUnderTheBrush) {
    Mesh m = rebuilt(cubeMesh(true));
    // a small brush on corner (-1, -1, -1) of the bottom face (triangle 0)
    m.tearDeformAllPatches(vec3(-1, -1, -1), 0.5f, 0);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(verticesAt(m, vec3(-1, -1, -1)), 2);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, -1)), 1);
    EXPECT_FALSE(anyVertexSelected(m));
    EXPECT_TRUE(m.selectedVertices.empty());
}

} // namespace
} // namespace kal::test
