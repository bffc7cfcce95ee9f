// Face and corner normals, creases, and what degenerate input does to them.
#include <gtest/gtest.h>

#include <cmath>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "VecExpect.h"

namespace kal::test {
namespace {

int countMarkedEdges(const Mesh& m) {
    int marked = 0;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) marked += m.triangles[t].marked(k) ? 1 : 0;
    return marked / 2;
}

TEST(MeshNormals, borderedCubeIsFlatShaded) {
    Mesh m = rebuilt(cubeMesh(true));
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < 12; ++t) {
        const MeshTriangle& tri = m.triangles[t];
        EXPECT_NEAR(tri.faceNormal.length(), 1.0f, 1e-6f);
        for (int c = 0; c < 3; ++c) test::expectVecNear(tri.cornerNormal[c], tri.faceNormal, 1e-5f);
    }
}

TEST(MeshNormals, smoothCubeCornerIsTheUnweightedSumOfItsFaceNormals) {
    Mesh m = rebuilt(cubeMesh(true));
    m.clearAllSeams();
    ASSERT_MESH_VALID(m);
    // vertex 1 (1,-1,-1): the +x face is split at it (two terms), the -y and -z faces are not
    vec3 expected = normalize(vec3(2, -1, -1));
    std::vector<int32_t> ring;
    ASSERT_EQ(m.vertexTriangles(1, ring), 4);
    for (int32_t t : ring)
        test::expectVecNear(m.triangles[t].cornerNormal[m.triangles[t].cornerOf(1)], expected, 1e-5f);
}

TEST(MeshNormals, vertexOnAMarkedLineHasOneNormalPerSide) {
    Mesh m = rebuilt(gridMesh(4));
    // fold the upper half up so the two sides of row 2 face different ways
    for (int v = 15; v < 25; ++v) m.vertices[v].position.z = float(v / 5 - 2);
    for (int x = 0; x < 4; ++x) m.setEdgeFlag(10 + x, 11 + x, true);
    m.updateNormals(NormalUpdate::All);
    ASSERT_MESH_VALID(m);
    std::vector<int32_t> ring;
    m.vertexTriangles(12, ring);
    std::vector<vec3> normals;
    for (int32_t t : ring) {
        vec3 n = m.triangles[t].cornerNormal[m.triangles[t].cornerOf(12)];
        bool seen = false;
        for (vec3 o : normals) seen |= o == n;
        if (!seen) normals.push_back(n);
    }
    EXPECT_EQ(normals.size(), 2u);
}

TEST(MeshCreases, angleMarksCubeEdgesButNotFlatDiagonals) {
    Mesh grid = rebuilt(gridMesh(4));
    grid.markCreasesByAngle(5.0f);
    EXPECT_EQ(countMarkedEdges(grid), 0);
    EXPECT_MESH_VALID(grid);

    Mesh cube = rebuilt(cubeMesh(false));
    cube.markCreasesByAngle(5.0f);
    EXPECT_EQ(countMarkedEdges(cube), 12);
    for (int t = 0; t < 12; ++t) EXPECT_FALSE(cube.triangles[t].marked(t % 2 == 0 ? 1 : 2)) << "diagonal of " << t;
    EXPECT_MESH_VALID(cube);

    cube.resetCreasesByAngle(100.0f);
    EXPECT_EQ(countMarkedEdges(cube), 0);
    EXPECT_MESH_VALID(cube);
}

TEST(MeshCreases, markAllThenClearAllSwitchesBetweenFlatAndSmooth) {
    Mesh m = rebuilt(uvSphereMesh(6, 8));
    m.markAllSeams();
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < m.triangleCount(); ++t)
        test::expectVecNear(m.triangles[t].cornerNormal[1], m.triangles[t].faceNormal, 1e-5f);
    m.clearAllSeams();
    m.updateAllRings();
    ASSERT_MESH_VALID(m);
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_FALSE(m.vertices[v].seam());
    // smooth: a sphere's corner normal points away from the centre
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c)
            EXPECT_GT(dot(m.triangles[t].cornerNormal[c], normalize(m.vertices[m.triangles[t].vertex[c]].position)),
                      0.9f);
}

TEST(MeshDegenerate, zeroAreaAndCollinearTrianglesKeepNeighbourNormalsFinite) {
    Mesh m = gridMesh(2);
    // collapse vertex 4 onto vertex 5: two triangles of zero area, and a collinear one
    m.vertices[4].position = m.vertices[5].position;
    m.vertices[0].position = vec3(0.5f, 0, 0);
    m.rebuild(Recenter::Keep);
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < m.triangleCount(); ++t) {
        double l = m.triangles[t].faceNormal.lengthSquared();
        EXPECT_TRUE(l == 0 || std::fabs(l - 1) < 1e-5) << t;
    }
}

TEST(MeshDegenerate, nonFinitePositionDoesNotSpreadIntoNeighbours) {
    Mesh m = rebuilt(gridMesh(3));
    m.vertices[5].position = vec3(NAN, 0, INFINITY);
    m.updateNormals(NormalUpdate::All);
    InvariantOptions options;
    options.allowNonFinitePositions = true;
    ASSERT_MESH_VALID(m, options);
    m.relax(true, true);
    m.relaxTangential(true);
    m.smoothCornerNormals(2);
    EXPECT_MESH_VALID(m, options);
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_TRUE(v == 5 || isFinite(m.vertices[v].position)) << v;
    EXPECT_TRUE(isFinite(m.smoothTarget(6)));
    EXPECT_TRUE(isFinite(m.relaxTarget(6)));
    m.recenter(Recenter::Mean);
    EXPECT_TRUE(isFinite(m.translation));
}

TEST(MeshNormals, selectiveUpdatesTouchSelectedAndNewRecords) {
    Mesh m = rebuilt(gridMesh(3));
    m.vertices[5].position.z = 1;
    m.clearSelection();
    m.selectedVertices.push_back(5);
    m.vertices[5].link = 0;
    m.vertices[5].flags |= VertexSelected;
    m.growSelection();
    std::vector<int32_t> ring;
    EXPECT_EQ(m.selectedTriangles.size(), size_t(m.vertexTriangles(5, ring)));
    EXPECT_EQ(m.selectedVertices.size(), 7u);
    ASSERT_MESH_VALID(m);
    m.updateSelectedNormals();
    Mesh full = m;
    full.updateNormals(NormalUpdate::All);
    for (int32_t t : ring)
        for (int c = 0; c < 3; ++c)
            if (m.triangles[t].vertex[c] == 5)
                test::expectVecNear(m.triangles[t].cornerNormal[c], full.triangles[t].cornerNormal[c], 1e-5f);
    m.clearSelection();

    // records from the tear mark on, one of their vertices still selected
    m.tearTriangleMark = 0;
    m.vertices[0].position.z = -1;
    m.vertices[0].flags |= VertexSelected;
    m.vertices[0].link = 0;
    m.selectedVertices.push_back(0);
    m.updateNewNormals();
    EXPECT_TRUE(m.vertices[0].flags & VertexSelected);
    for (int v = 1; v < m.vertexCount(); ++v) EXPECT_FALSE(m.vertices[v].flags & VertexSelected);
    full = m;
    full.updateNormals(NormalUpdate::All);
    for (int t = 0; t < m.triangleCount(); ++t) {
        test::expectVecNear(m.triangles[t].faceNormal, full.triangles[t].faceNormal, 1e-5f);
        for (int c = 0; c < 3; ++c)
            test::expectVecNear(m.triangles[t].cornerNormal[c], full.triangles[t].cornerNormal[c], 1e-5f);
    }
    EXPECT_MESH_VALID(m);
    m.clearSelection();
}

TEST(MeshNormals, cornerNormalSmoothingStaysUnitAndValid) {
    Mesh m = rebuilt(cubeMesh(true));
    m.smoothCornerNormals(3);
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.triangles[t].cornerNormal[c].length(), 1.0f, 1e-5f);
}

} // namespace
} // namespace kal::test
