// Records, storage, copies and selection bookkeeping of a mesh.
#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "foundation/Mat.h"

namespace kal::test {
namespace {

uint8_t afterSetSeam(uint8_t flags, bool on) {
    MeshVertex v;
    v.flags = flags;
    v.setSeam(on);
    return v.flags;
}

uint8_t afterSetPinned(uint8_t flags, bool on) {
    MeshVertex v;
    v.flags = flags;
    v.setPinned(on);
    return v.flags;
}

TEST(MeshVertexFlags, openBoundaryVertexStaysSeamAndPinnedImpliesSeam) {
    EXPECT_EQ(afterSetSeam(0x07, false), 0x05);
    EXPECT_EQ(afterSetSeam(0x03, false), 0x00);
    EXPECT_EQ(afterSetSeam(0x00, true), 0x01);
    EXPECT_EQ(afterSetPinned(0x00, true), 0x03);
    EXPECT_EQ(afterSetPinned(0x03, false), 0x01);
}

TEST(MeshTriangleRecord, constructorSetsMarksZeroNormalsAndClampedMaterials) {
    pbr rough;
    rough.roughness = 32767;
    rough.red = 7;
    MeshTriangle t(1, 2, 3, 4, 5, 6, false, true, true, rough, pbr(), pbr());
    EXPECT_EQ(t.flags, 0x0E);
    EXPECT_EQ(t.faceNormal, vec3());
    for (const vec3& n : t.cornerNormal) EXPECT_EQ(n, vec3());
    EXPECT_EQ(t.corner[0].roughness, 32766);
    EXPECT_EQ(t.corner[0].red, 7);
    EXPECT_EQ(t.corner[1], pbr());
    EXPECT_EQ(t.neighbour[2], 6);
}

TEST(MeshStorage, addVertexFlagsFollowSeamAndPinnedArguments) {
    Mesh m;
    EXPECT_EQ(m.vertices[m.addVertex(vec3(1, 2, 3), true)].flags, 0x0B);
    EXPECT_EQ(m.vertices[m.addVertex(vec3(1, 2, 3), false)].flags, 0x08);
    EXPECT_EQ(m.vertices[m.addVertex(1, 2, 3, 5, false, false)].flags, 0x08);
    EXPECT_EQ(m.vertices[m.addVertex(1, 2, 3, 5, true, false)].flags, 0x09);
    int v = m.addVertex(vec3(4, 5, 6));
    EXPECT_EQ(v, 4);
    EXPECT_EQ(m.vertices[v].firstTriangle, -1);
    EXPECT_EQ(m.vertices[v].link, -1);
    EXPECT_EQ(m.vertices[2].firstTriangle, 5);
}

TEST(MeshStorage, appendingNeverMovesStoredRecords) {
    Mesh m;
    m.addVertex(vec3(1, 0, 0));
    addTri(m, 0, 0, 0);
    const MeshVertex* firstVertex = &m.vertices[0];
    const MeshTriangle* firstTriangle = &m.triangles[0];
    for (int i = 0; i < 10000; ++i) { // across a dozen blocks
        // the source record is a reference into the growing store
        m.pushVertex(m.vertices[0]);
        m.addTriangle(m.triangles[0]);
    }
    EXPECT_EQ(firstVertex, &m.vertices[0]);
    EXPECT_EQ(firstTriangle, &m.triangles[0]);
    EXPECT_EQ(m.vertices[m.vertexCount() - 1].position, vec3(1, 0, 0));
}

TEST(MeshStorage, appendOffsetsIndicesAndKeepsOpenLinks) {
    Mesh a = rebuilt(quadMesh());
    Mesh b = rebuilt(octahedronMesh());
    Mesh onEmpty;
    onEmpty.append(&a);
    ASSERT_EQ(onEmpty.triangleCount(), 2);
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(onEmpty.triangles[t].vertex[k], a.triangles[t].vertex[k]);
            EXPECT_EQ(onEmpty.triangles[t].neighbour[k], a.triangles[t].neighbour[k]);
        }
    b.append(&a);
    EXPECT_EQ(b.vertexCount(), 10);
    EXPECT_EQ(b.triangleCount(), 10);
    for (int t = 8; t < 10; ++t)
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(b.triangles[t].vertex[k], 6);
            int n = a.triangles[t - 8].neighbour[k];
            EXPECT_EQ(b.triangles[t].neighbour[k], n < 0 ? -1 : n + 8);
        }
    EXPECT_EQ(b.vertices[6].firstTriangle, a.vertices[0].firstTriangle + 8);
    EXPECT_MESH_VALID(b);
    b.append(nullptr);
    EXPECT_EQ(b.triangleCount(), 10);
}

TEST(MeshStorage, appendOfItselfDoublesTheMesh) {
    Mesh m = rebuilt(octahedronMesh());
    m.append(&m);
    EXPECT_EQ(m.triangleCount(), 16);
    EXPECT_MESH_VALID(m);
}

TEST(MeshCopies, copiesNeverShareGpuBuffers) {
    Mesh m = rebuilt(quadMesh());
    m.glBuffer = 41;
    m.flatBuffer = 42;
    m.bound = true;
    m.useCount = 3;
    Mesh copy(m);
    EXPECT_EQ(copy.glBuffer, 0u);
    EXPECT_EQ(copy.flatBuffer, 0u);
    EXPECT_FALSE(copy.bound);
    EXPECT_TRUE(copy.geometryChanged);
    EXPECT_EQ(copy.triangleCount(), 2);

    Mesh target;
    target.glBuffer = 7;
    target = m;
    // the target keeps its own buffer and refills it
    EXPECT_EQ(target.glBuffer, 7u);
    EXPECT_TRUE(target.geometryChanged);
    EXPECT_EQ(target.triangleCount(), 2);
    target.glBuffer = 0;

    Mesh* clone = static_cast<Mesh*>(m.clone());
    EXPECT_NE(clone, &m);
    EXPECT_EQ(clone->useCount, 0);
    EXPECT_EQ(clone->glBuffer, 0u);
    EXPECT_MESH_VALID(*clone);
    delete clone;
    EXPECT_EQ(m.acquire(2), &m);
    EXPECT_EQ(m.useCount, 5);
    // no context in these tests: forget the fake names
    m.glBuffer = m.flatBuffer = 0;
    m.bound = false;
}

TEST(MeshCopies, resetEmptiesEverythingAndRestoresPlacement) {
    Mesh m = rebuilt(octahedronMesh(), Recenter::Mean);
    m.translation = vec3(1, 2, 3);
    m.invalid = true;
    m.selectAll();
    m.reset();
    EXPECT_EQ(m.vertexCount(), 0);
    EXPECT_EQ(m.triangleCount(), 0);
    EXPECT_EQ(m.translation, vec3());
    EXPECT_EQ(m.scale, 1.0f);
    EXPECT_FALSE(m.invalid);
    EXPECT_EQ(m.typeCode, 0);
    EXPECT_TRUE(m.selectedVertices.empty());
    EXPECT_EQ(m.vertexCountMark, 0);
    EXPECT_EQ(m.glBuffer, 0u);
    EXPECT_FALSE(m.purgeNeeded);
}

TEST(MeshCopies, transformMeshMapsThroughInversePlacementThenMatrix) {
    Mesh src = rebuilt(quadMesh());
    src.translation = vec3(1, 0, 0);
    src.scale = 2;
    Mesh out;
    transformMesh(out, src, mat4());
    EXPECT_EQ(out.vertices[2].position, vec3(0, 0.5f, 0));
    EXPECT_EQ(out.translation, vec3());
    EXPECT_EQ(out.scale, 1.0f);
    mat4 shift;
    shift.setTranslation(vec3(0, 0, 5));
    transformMesh(out, src, shift);
    EXPECT_EQ(out.vertices[0].position, vec3(-0.5f, 0, 5));
    EXPECT_MESH_VALID(out);
}

TEST(MeshCopies, unionOfTwoMeshesAppendsTheSecond) {
    Mesh a = rebuilt(quadMesh());
    Mesh b;
    b.addVertex(vec3(0, 0, 1));
    b.addVertex(vec3(1, 0, 1));
    b.addVertex(vec3(0, 1, 1));
    addTri(b, 0, 1, 2);
    b.rebuild(Recenter::Keep);
    Mesh u = a + b;
    EXPECT_EQ(u.vertexCount(), 7);
    EXPECT_EQ(u.triangleCount(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(u.triangles[2].vertex[k], 4);
        EXPECT_LE(u.triangles[2].vertex[k], 6);
        EXPECT_EQ(u.triangles[2].neighbour[k], -1);
    }
    EXPECT_EQ(a.triangleCount(), 2);
    EXPECT_MESH_VALID(u);
}

TEST(MeshSelection, selectAllThenClearLeavesNoLinksOrFlags) {
    Mesh m = rebuilt(octahedronMesh());
    m.selectAll();
    ASSERT_EQ(m.selectedVertices.size(), 6u);
    EXPECT_EQ(m.brushVertices.size(), 6u);
    EXPECT_MESH_VALID(m);
    m.clearSelection();
    for (int v = 0; v < m.vertexCount(); ++v) {
        EXPECT_EQ(m.vertices[v].link, -1);
        EXPECT_FALSE(m.vertices[v].flags & VertexSelected);
    }
    EXPECT_EQ(m.vertexCountMark, 6);
    EXPECT_EQ(m.triangleCountMark, 8);
    m.selectAllWithTriangles();
    EXPECT_EQ(m.selectedTriangles.size(), 8u);
    m.clearSelection();
    EXPECT_MESH_VALID(m);
}

} // namespace
} // namespace kal::test
