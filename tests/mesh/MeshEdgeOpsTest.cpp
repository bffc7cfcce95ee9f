#include <gtest/gtest.h>

#include <memory>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

// Two triangles sharing the long diagonal (0, 1) of a flat rhombus; (2, 3) is the short one.
Mesh thinRhombus() {
    Mesh m;
    m.addVertex(vec3(-2, 0, 0));
    m.addVertex(vec3(2, 0, 0));
    m.addVertex(vec3(0, 0.5f, 0));
    m.addVertex(vec3(0, -0.5f, 0));
    addTri(m, 0, 1, 2);
    addTri(m, 1, 0, 3);
    return rebuilt(m);
}

// Every corner's material says which vertex it belongs to.
void paintByVertex(Mesh& m) {
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) m.triangles[t].corner[c].red = uint16_t(1000 + m.triangles[t].vertex[c]);
}

bool materialsFollowVertices(const Mesh& m) {
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c)
            if (m.triangles[t].corner[c].red != 1000 + m.triangles[t].vertex[c]) return false;
    return true;
}

TEST(FlipEdge, SwapsTheDiagonalAndKeepsLinksWalkStartsAndCornerMaterials) {
    Mesh m = rebuilt(quadMesh());
    paintByVertex(m);
    ASSERT_TRUE(m.flipEdgeBetween(0, 2));
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(hasEdge(m, 1, 3));
    EXPECT_FALSE(hasEdge(m, 0, 2));
    EXPECT_TRUE(materialsFollowVertices(m));
    EXPECT_FALSE(m.flipEdgeBetween(0, 2)); // gone
    ASSERT_TRUE(m.flipEdgeBetween(1, 3));
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(hasEdge(m, 0, 2));
}

TEST(FlipEdge, InsideALargerMeshRelinksTheFourOuterNeighbours) {
    Mesh m = rebuilt(gridMesh(3));
    // the diagonal of the middle square, (5, 10)
    paintByVertex(m);
    ASSERT_TRUE(m.flipEdgeBetween(5, 10));
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(hasEdge(m, 6, 9));
    EXPECT_TRUE(materialsFollowVertices(m));
}

TEST(FlipEdge, MarkedAndOpenEdgesNeverFlip) {
    Mesh cube = rebuilt(cubeMesh(true));
    Mesh before = cube;
    EXPECT_FALSE(cube.flipEdgeBetween(0, 2)); // a marked cube edge
    EXPECT_FALSE(cube.flipEdgeBetween(0, 1));
    Mesh quad = rebuilt(quadMesh());
    EXPECT_FALSE(quad.flipEdgeBetween(0, 1)); // open
    for (int t = 0; t < cube.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(cube.triangles[t].vertex[c], before.triangles[t].vertex[c]);
    // the pass leaves marked edges alone too, however badly shaped
    Mesh marked = thinRhombus();
    marked.setEdgeFlag(0, 1, true);
    marked.flipEdges(3);
    EXPECT_TRUE(hasEdge(marked, 0, 1));
    EXPECT_MESH_VALID(marked);
}

TEST(FlipEdge, FlipThatWouldDuplicateAnEdgeIsRefused) {
    std::unique_ptr<Mesh> tetra(Mesh::createTetrahedron());
    tetra->clearAllSeams();
    for (int t = 0; t < 4; ++t)
        for (int e = 0; e < 3; ++e) EXPECT_FALSE(tetra->flipEdge(t, e));
    EXPECT_MESH_VALID(*tetra);
}

TEST(FlipEdges, ThinRhombusTurnsToTheShortDiagonalAndStays) {
    Mesh m = thinRhombus();
    m.flipEdges(1);
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(hasEdge(m, 2, 3));
    m.flipEdges(2);
    EXPECT_TRUE(hasEdge(m, 2, 3));
    EXPECT_FALSE(hasEdge(m, 0, 1));
    EXPECT_MESH_VALID(m);
}

TEST(FlipEdges, SkipsAFlipThatWouldFoldOverTheTriangle) {
    // W sits almost on the edge X-Y, so its angle begs for a flip, but Z lies past Y and the
    // quadrilateral is not convex: the new edge W-Z would fold the surface.
    Mesh m;
    m.addVertex(vec3(-0.01f, 0.5f, 0)); // W
    m.addVertex(vec3(0, 0, 0));         // X
    m.addVertex(vec3(0, 1, 0));         // Y
    m.addVertex(vec3(0.1f, 10, 0));     // Z
    addTri(m, 0, 1, 2);
    addTri(m, 3, 2, 1);
    m = rebuilt(m);
    m.flipEdges(1);
    EXPECT_TRUE(hasEdge(m, 1, 2));
    EXPECT_MESH_VALID(m);
}

TEST(CollapseEdge, InnerEdgeMergesItsEndsAndDropsTwoTriangles) {
    Mesh m = rebuilt(gridMesh(4));
    // vertices 6 and 12 are inner, joined by a square's diagonal
    ASSERT_TRUE(hasEdge(m, 6, 12));
    ASSERT_TRUE(m.collapseEdgeBetween(6, 12));
    EXPECT_TRUE(m.purgeNeeded);
    ASSERT_MESH_VALID(m);
    m.purgeDeleted(false);
    InvariantOptions purged;
    purged.allowDeadRecords = false;
    EXPECT_MESH_VALID(m, purged);
    EXPECT_EQ(m.vertexCount(), 24);
    EXPECT_EQ(m.triangleCount(), 30);
}

TEST(CollapseEdge, RefusesOpenEdgesPinnedPairsAndBoundaryPairs) {
    Mesh m = rebuilt(gridMesh(3));
    EXPECT_FALSE(m.collapseEdgeBetween(0, 1)); // open
    Mesh square = rebuilt(gridMesh(1));
    EXPECT_FALSE(square.collapseEdgeBetween(0, 3)); // an inner edge with both ends on the open boundary
    EXPECT_FALSE(square.purgeNeeded);
    m.vertices[5].setPinned(true);
    m.vertices[10].setPinned(true);
    m.setEdgeFlag(5, 10, true);
    EXPECT_FALSE(m.collapseEdgeBetween(5, 10)); // both pinned
    EXPECT_MESH_VALID(m);
    EXPECT_FALSE(m.purgeNeeded);
}

TEST(CollapseEdge, APinnedEndKeepsItsPlace) {
    Mesh m = rebuilt(gridMesh(4));
    m.vertices[12].setPinned(true);
    m.setEdgeFlag(6, 12, true);
    m.vertices[6].setSeam(true);
    vec3 pinned = m.vertices[12].position;
    ASSERT_TRUE(m.collapseEdgeBetween(6, 12));
    ASSERT_MESH_VALID(m);
    int survivor = m.vertices[6].alive() ? 6 : 12;
    EXPECT_EQ(m.vertices[survivor].position, pinned);
    EXPECT_TRUE(m.vertices[survivor].pinned());
}

TEST(Remeshing, EveryPassKeepsTheMeshValid) {
    Mesh m = rebuilt(uvSphereMesh(6, 10), Recenter::Mean);
    // stretch it so the refinement and collapses have work to do
    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z *= 4.0f;
    m.refineTriangles(2, 2.0f);
    ASSERT_MESH_VALID(m);
    m.collapseShortEdges(1, 3.0f);
    InvariantOptions purged;
    purged.allowDeadRecords = false;
    ASSERT_MESH_VALID(m, purged);
    m.remesh(1);
    ASSERT_MESH_VALID(m, purged);
    m.remeshPass(1);
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(countEdges(m).open, 0);
}

} // namespace
} // namespace kal::test
