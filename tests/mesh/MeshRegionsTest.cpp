// Components, patches, brush gatherings and the winding pass.
#include <gtest/gtest.h>

#include <algorithm>

#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

std::vector<int32_t> sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Two octahedra: triangles 0..7 around the origin, 8..15 shifted by +4 in x.
Mesh twoOctahedra() {
    Mesh a = octahedronMesh();
    Mesh b = octahedronMesh();
    for (int v = 0; v < b.vertexCount(); ++v) b.vertices[v].position.x += 4;
    a.append(&b);
    return rebuilt(a);
}

TEST(MeshComponents, selectComponentTakesEveryConnectedTriangleOnce) {
    Mesh m = twoOctahedra();
    int t = -1;
    m.selectComponent(vec3(4.3f, 0.3f, 0.3f), true, t);
    EXPECT_GE(t, 8);
    EXPECT_EQ(sorted(m.selectedTriangles), (std::vector<int32_t>{8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_MESH_VALID(m);
    // with clear false the fill stops at what is already selected
    int u = 0;
    m.selectComponent(vec3(), false, u);
    EXPECT_EQ(m.selectedTriangles.size(), 16u);
    m.clearSelection();
    for (int i = 0; i < m.triangleCount(); ++i)
        EXPECT_EQ(m.triangles[i].flags & (TriangleSelected | TriangleVisited), 0);
    int none = -1;
    Mesh().selectComponent(vec3(), true, none);
    EXPECT_EQ(none, -1);
}

TEST(MeshPatches, cubeFaceIsAPatchBoundedByLinkedBorders) {
    Mesh m = rebuilt(cubeMesh(true));
    int t = 0;
    EXPECT_FALSE(m.selectPatch(vec3(), true, t));
    EXPECT_EQ(sorted(m.selectedTriangles), (std::vector<int32_t>{0, 1}));
    m.clearSelection();
    t = 3;
    m.selectComponent(vec3(), true, t);
    EXPECT_EQ(m.selectedTriangles.size(), 12u);
    m.clearSelection();

    Mesh sheet = rebuilt(quadMesh());
    int s = 0;
    EXPECT_TRUE(sheet.selectPatch(vec3(), true, s));
    EXPECT_EQ(sheet.selectedTriangles.size(), 2u);
    int none = -1;
    EXPECT_FALSE(Mesh().selectPatch(vec3(), true, none));
}

TEST(MeshPatches, fillVisitsEachTriangleOfALargeRegionOnce) {
    Mesh m = rebuilt(gridMesh(40));
    int t = 0;
    m.selectPatch(vec3(), true, t);
    EXPECT_EQ(m.selectedTriangles.size(), size_t(m.triangleCount()));
    std::vector<int32_t> s = sorted(m.selectedTriangles);
    EXPECT_EQ(std::adjacent_find(s.begin(), s.end()), s.end());
}

TEST(MeshGather, componentGatheringStaysInItsComponent) {
    Mesh m = twoOctahedra();
    // a sphere reaching both octahedra (x = 1 and x = 3)
    m.gatherComponentBrushVertices(vec3(2, 0, 0), 1.0f, true, 0);
    ASSERT_EQ(m.brushVertices.size(), 1u);
    EXPECT_EQ(m.brushVertices[0].vertex, 0);
    EXPECT_FLOAT_EQ(m.brushVertices[0].weight, 1.0f) << "a vertex exactly on the sphere is taken";
    EXPECT_EQ(m.brushVertices[0].offset, vec3(-1, 0, 0));
    EXPECT_EQ(m.selectedTriangles.size(), 8u);
    EXPECT_MESH_VALID(m);
    for (int t = 0; t < m.triangleCount(); ++t) EXPECT_FALSE(m.triangles[t].flags & TriangleProcessed);
    m.clearSelection();
    m.gatherComponentBrushVertices(vec3(2, 0, 0), 1.0f, true, 9);
    ASSERT_EQ(m.brushVertices.size(), 1u);
    EXPECT_EQ(m.brushVertices[0].vertex, 7);
    m.clearSelection();
}

TEST(MeshGather, patchGatheringGivesOneRecordPerFan) {
    Mesh m = rebuilt(gridMesh(4));
    // a marked line 11-12-13 whose ends lie inside the patch: its middle vertex 12 has two fans,
    // and the fill reaches both round the ends of the line
    ASSERT_TRUE(m.setEdgeFlag(11, 12, true));
    ASSERT_TRUE(m.setEdgeFlag(12, 13, true));
    m.updateAllRings();
    int t = m.vertices[6].firstTriangle;
    m.gatherPatchBrushVertices(vec3(2, 2, 0), 0.5f, true, t);
    ASSERT_MESH_VALID(m);
    ASSERT_EQ(m.selectedVertices.size(), 1u);
    EXPECT_EQ(m.selectedVertices[0], 12);
    ASSERT_EQ(m.patchFirstRecords.size(), 1u);
    int records = 0;
    std::vector<int32_t> fans;
    for (int r = m.patchFirstRecords[0]; r >= 0; r = m.patchRecords[size_t(r)].next) {
        ++records;
        fans.push_back(m.patchRecords[size_t(r)].fanTriangle);
        EXPECT_EQ(m.patchRecords[size_t(r)].weight, 0.0f);
    }
    ASSERT_EQ(records, 2);
    EXPECT_NE(fans[0], fans[1]);
    EXPECT_EQ(m.selectedTriangles.size(), size_t(m.triangleCount()));
    m.clearSelection();
}

TEST(MeshOrientation, majorityWindingWinsAndTiesKeepTheSeed) {
    // three triangles of a fan wound one way, one the other
    Mesh m = hexagonFanMesh();
    m.triangles.truncate(4);
    std::swap(m.triangles[0].vertex[0], m.triangles[0].vertex[2]);
    m.rebuild(Recenter::Keep);
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < 4; ++t) EXPECT_GT(m.triangles[t].faceNormal.z, 0.99f) << t;

    // half and half: the seed (triangle 0) keeps its winding
    Mesh tie = quadMesh();
    std::swap(tie.triangles[1].vertex[0], tie.triangles[1].vertex[2]);
    tie.rebuild(Recenter::Keep);
    ASSERT_MESH_VALID(tie);
    EXPECT_GT(tie.triangles[0].faceNormal.z, 0.99f);
    EXPECT_GT(tie.triangles[1].faceNormal.z, 0.99f);
}

TEST(MeshOrientation, reversingSwapsCornersNeighboursMarksAndMaterials) {
    Mesh m = quadMesh();
    // the second triangle is wound backwards and carries a mark on edge 0 and a red corner 0
    m.triangles[1] = MeshTriangle(3, 2, 0, -1, -1, -1, true, false, false, pbr(), pbr(), pbr());
    m.triangles[1].corner[0].green = 0;
    m.triangles[0].corner[2].blue = 0;
    m.triangles[0].flags |= 0x01;
    m.buildLinks();
    m.orientComponents();
    // tie: the seed's side (triangle 0) stays; triangle 1 becomes (0, 2, 3) with the mark on edge 2
    EXPECT_EQ(m.triangles[1].vertex[0], 0);
    EXPECT_EQ(m.triangles[1].vertex[2], 3);
    EXPECT_EQ(m.triangles[1].flags & EdgeMarks, 0x04);
    EXPECT_EQ(m.triangles[1].corner[2].green, 0);
    EXPECT_EQ(m.triangles[1].corner[0].green, 65535);
    EXPECT_EQ(m.triangles[0].corner[2].blue, 0);
    for (int t = 0; t < 2; ++t) EXPECT_EQ(m.triangles[t].flags & (TriangleSelected | TriangleVisited), 0);
}

TEST(MeshOrientation, scrambledSphereComesOutConsistent) {
    Mesh m = uvSphereMesh(8, 10);
    for (int t = 0; t < m.triangleCount(); t += 3) std::swap(m.triangles[t].vertex[1], m.triangles[t].vertex[2]);
    m.rebuild(Recenter::Mean);
    ASSERT_FALSE(m.invalid);
    ASSERT_MESH_VALID(m);
    int outward = 0;
    for (int t = 0; t < m.triangleCount(); ++t)
        outward += dot(m.triangles[t].faceNormal, m.vertices[m.triangles[t].vertex[0]].position) > 0 ? 1 : 0;
    EXPECT_TRUE(outward == 0 || outward == m.triangleCount());
}

} // namespace
} // namespace kal::test
