// Smoothing and relaxation targets, material smoothing and sphere projection.
#include <gtest/gtest.h>

#include <cmath>

#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

TEST(MeshSmoothTarget, seamVertexOnTwoSeamEdgesGoesToTheMidpointOfItsSeamNeighbours) {
    Mesh m = rebuilt(gridMesh(4));
    for (int x = 0; x < 4; ++x) m.setEdgeFlag(10 + x, 11 + x, true);
    m.vertices[11].position = vec3(1, 2.5f, 3);
    m.vertices[6].position.z = 7; // a plain neighbour far off must not matter
    EXPECT_EQ(m.smoothTarget(12), vec3(2, 2.25f, 1.5f));
    // plain vertex: the mean of its ring
    Mesh flat = rebuilt(gridMesh(2));
    flat.vertices[4].position = vec3(1, 1, 3);
    EXPECT_EQ(flat.smoothTarget(4), vec3(1, 1, 0));
    flat.vertices[4].setPinned(true);
    EXPECT_EQ(flat.smoothTarget(4), vec3(1, 1, 3));
}

TEST(MeshSmooth, eachPassPutsEveryVertexOnItsTargetFromThePassBefore) {
    // a bump in a flat grid: one pass flattens the bump onto the mean of its ring, which lifts
    // the ring by a sixth of what the bump had (each ring vertex sees it among six neighbours)
    Mesh m = rebuilt(gridMesh(4));
    m.vertices[12].position.z = 6;
    m.smooth(1);
    EXPECT_EQ(m.vertices[12].position, vec3(2, 2, 0));
    EXPECT_NEAR(m.vertices[13].position.z, 1.0f, 1e-6f);
    EXPECT_EQ(m.vertices[2].position, vec3(2, 0, 0)); // a border vertex follows its border
    EXPECT_MESH_VALID(m);
    m.smooth(0);
    EXPECT_NEAR(m.vertices[13].position.z, 1.0f, 1e-6f);
}

TEST(MeshRelax, pinnedAndSeamVerticesStayPut) {
    Mesh m = rebuilt(gridMesh(4));
    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z = float((v * 7) % 5) * 0.1f;
    Mesh before = m;
    m.relax(false, true);
    ASSERT_MESH_VALID(m);
    bool moved = false;
    for (int v = 0; v < m.vertexCount(); ++v) {
        if (m.vertices[v].seam())
            EXPECT_EQ(m.vertices[v].position, before.vertices[v].position) << v;
        else
            moved |= m.vertices[v].position != before.vertices[v].position;
    }
    EXPECT_TRUE(moved);
    // with seams too, border vertices move but a pinned one stays
    m.vertices[0].setPinned(true);
    m.relax(true, true);
    EXPECT_EQ(m.vertices[0].position, before.vertices[0].position);
    EXPECT_NE(m.vertices[24].position, before.vertices[24].position);
    EXPECT_MESH_VALID(m);
}

TEST(MeshRelax, targetsAreTakenBeforeAnyVertexMoves) {
    // relaxing a mesh and the same mesh with its vertex records in reverse order agree
    Mesh a = rebuilt(uvSphereMesh(6, 8));
    a.vertices[10].position = a.vertices[10].position * 1.3f;
    Mesh b = a;
    a.relax(true, false);
    // one pass by hand, visiting vertices backwards
    std::vector<vec3> targets(size_t(b.vertexCount()));
    for (int v = b.vertexCount() - 1; v >= 0; --v) targets[size_t(v)] = b.smoothTarget(v);
    for (int v = 0; v < b.vertexCount(); ++v)
        EXPECT_NEAR(a.vertices[v].position.x, ((b.vertices[v].position + targets[size_t(v)]) * 0.5f).x, 1e-6f);
}

TEST(MeshRelaxTangential, flatSheetStaysFlatAndSphereStaysRound) {
    Mesh m = rebuilt(gridMesh(4));
    m.vertices[12].position = vec3(2.4f, 1.7f, 0);
    m.relaxTangential(true);
    ASSERT_MESH_VALID(m);
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].position.z, 0.0f);
    EXPECT_LT(std::fabs(m.vertices[12].position.x - 2), 0.4f);

    Mesh s = rebuilt(uvSphereMesh(8, 12));
    for (int pass = 0; pass < 3; ++pass) s.relaxTangential(false);
    ASSERT_MESH_VALID(s);
    for (int v = 0; v < s.vertexCount(); ++v) EXPECT_NEAR(s.vertices[v].position.length(), 1.0f, 0.05f);
}

TEST(MeshVertexDirection, plainVertexPointsHalfwayToItsRelaxTarget) {
    Mesh m = rebuilt(gridMesh(2));
    m.vertices[4].position = vec3(1.2f, 1, 0);
    vec3 d = m.vertexDirection(4, m.vertices[4].firstTriangle);
    EXPECT_LT(d.x, 0);
    EXPECT_EQ(d.z, 0);
    // on a straight open border the direction is the unit vector across it, in the surface
    vec3 b = m.vertexDirection(1, m.vertices[1].firstTriangle);
    EXPECT_NEAR(b.x, 0.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(b.y), 1.0f, 1e-5f);
    EXPECT_EQ(b.z, 0.0f);
}

TEST(MeshMaterials, averagingStaysInsideEachFan) {
    Mesh m = rebuilt(hexagonFanMesh());
    m.setEdgeFlag(0, 1, true);
    m.setEdgeFlag(0, 4, true);
    pbr red, blue;
    red.green = red.blue = 0;
    blue.red = blue.green = 0;
    std::vector<int32_t> fans, fan;
    m.vertexFans(0, fans);
    m.vertexTrianglesFrom(0, fans[0], fan);
    for (int32_t t : fan) m.triangles[t].corner[m.triangles[t].cornerOf(0)] = red;
    m.vertexTrianglesFrom(0, fans[1], fan);
    m.triangles[fan[0]].corner[m.triangles[fan[0]].cornerOf(0)] = blue;
    m.averageVertexMaterials(0, kPbrColor);
    // the second fan: one blue and two white corners average to red 43690, green 43690, blue 65535
    for (int32_t t : fan) {
        const pbr& c = m.triangles[t].corner[m.triangles[t].cornerOf(0)];
        EXPECT_EQ(c.red, 43690);
        EXPECT_EQ(c.blue, 65535);
    }
    m.vertexTrianglesFrom(0, fans[0], fan);
    for (int32_t t : fan) EXPECT_EQ(m.triangles[t].corner[m.triangles[t].cornerOf(0)], red);
}

TEST(MeshMaterials, blendingMovesCornersHalfwayToTheTriangleMean) {
    Mesh m = rebuilt(quadMesh());
    pbr dark;
    dark.red = 0;
    dark.roughness = -30000;
    m.triangles[0].corner[0] = dark;
    m.blendTriangleMaterials(0, kPbrAll);
    // mean red 43690; corner 0: (0 + 43690) / 2, the others (65535 + 43690) / 2
    EXPECT_EQ(m.triangles[0].corner[0].red, 21845);
    EXPECT_EQ(m.triangles[0].corner[1].red, 54612);
    EXPECT_EQ(m.triangles[0].corner[0].roughness, -20000);
    m.smoothMaterials(kPbrAll, 2);
    EXPECT_MESH_VALID(m);
}

TEST(MeshSphere, projectionPutsEveryVertexOnTheElementSphere) {
    Mesh m = rebuilt(cubeMesh(true), Recenter::Mean);
    m.addVertex(m.translation);
    m.projectToSphere();
    float r = 0.5f * m.scale;
    for (int v = 0; v < 8; ++v) EXPECT_NEAR((m.vertices[v].position - m.translation).length(), r, 1e-5f);
    // a vertex exactly at the centre stays there
    EXPECT_EQ(m.vertices[8].position, m.translation);
}

TEST(MeshSphere, subdividedCopyLeavesTheSourceAlone) {
    Mesh source = rebuilt(octahedronMesh(), Recenter::Mean);
    source.markAllSeams();
    Mesh* copy = Mesh::subdivided(&source, 2, false, true);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->useCount, 0);
    EXPECT_MESH_VALID(*copy);
    for (int t = 0; t < copy->triangleCount(); ++t) EXPECT_EQ(copy->triangles[t].flags & EdgeMarks, 0);
    EXPECT_EQ(source.triangles[0].flags & EdgeMarks, EdgeMarks);
    delete copy;
    EXPECT_EQ(Mesh::subdivided(nullptr, 1, false, true), nullptr);
}

} // namespace
} // namespace kal::test
