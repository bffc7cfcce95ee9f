// Copies of patches and components into new meshes, and detaching a component.
#include <gtest/gtest.h>

#include <memory>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

std::unique_ptr<Mesh> asMesh(Element* e) { return std::unique_ptr<Mesh>(static_cast<Mesh*>(e)); }

void expectCleanCopy(const Mesh& copy) {
    for (int v = 0; v < copy.vertexCount(); ++v) {
        EXPECT_EQ(copy.vertices[v].link, -1);
        EXPECT_FALSE(copy.vertices[v].flags & VertexSelected);
    }
    EXPECT_MESH_VALID(copy, InvariantOptions{false, true, false});
}

TEST(Extraction, PatchAndComponentCopiesLeaveTheSourceAlone) {
    Mesh octa = rebuilt(octahedronMesh());
    Mesh before = octa;
    int item = -1;
    auto whole = asMesh(octa.extractPatch(vec3(0.3f, 0.3f, 0.4f), item));
    EXPECT_GE(item, 0);
    EXPECT_EQ(whole->vertexCount(), 6);
    EXPECT_EQ(whole->triangleCount(), 8);
    EXPECT_EQ(countEdges(*whole).open, 0);
    expectCleanCopy(*whole);
    expectSameRecords(octa, before);

    Mesh cube = rebuilt(cubeMesh(true));
    int face = 4;
    auto patch = asMesh(cube.extractPatch(vec3(), face));
    EXPECT_EQ(patch->vertexCount(), 4);
    EXPECT_EQ(patch->triangleCount(), 2);
    EXPECT_EQ(countEdges(*patch).open, 4);
    expectCleanCopy(*patch);

    int none = -1;
    auto empty = asMesh(Mesh().extractComponent(vec3(), none));
    EXPECT_EQ(empty->triangleCount(), 0);
    // a stale id counts as none: the triangle under the point is taken
    int stale = 4000;
    auto picked = asMesh(cube.extractPatch(vec3(0.2f, 0.3f, 1), stale));
    EXPECT_EQ(picked->triangleCount(), 2);
    EXPECT_GE(stale, 0);
}

TEST(Extraction, DetachMovesTheComponentOutAtTheSamePlace) {
    Mesh a = octahedronMesh(), b = octahedronMesh();
    for (int v = 0; v < b.vertexCount(); ++v) b.vertices[v].position.x += 4;
    a.append(&b);
    Mesh m = rebuilt(a);
    m.translation = vec3(1, 2, 3);
    m.scale = 2.0f;
    auto part = asMesh(m.detachComponent(9));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->triangleCount(), 8);
    EXPECT_EQ(part->translation, vec3(1, 2, 3));
    EXPECT_EQ(part->scale, 2.0f);
    EXPECT_EQ(verticesAt(*part, vec3(5, 0, 0)), 1);
    expectCleanCopy(*part);
    EXPECT_EQ(m.triangleCount(), 8);
    EXPECT_EQ(verticesAt(m, vec3(5, 0, 0)), 0);
    EXPECT_TRUE(m.geometryChanged);

    // an item naming no alive triangle detaches nothing
    Mesh kept = m;
    EXPECT_EQ(m.detachComponent(-1), nullptr);
    EXPECT_EQ(m.detachComponent(8), nullptr);
    m.triangles[2].flags &= uint8_t(~TriangleAlive);
    EXPECT_EQ(m.detachComponent(2), nullptr);
    m.triangles[2].flags |= TriangleAlive;
    expectSameRecords(m, kept);
}

} // namespace
} // namespace kal::test
