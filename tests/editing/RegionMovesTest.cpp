// Move, rotate and scale of a patch, a component or the whole mesh.
#include <gtest/gtest.h>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

Mesh shiftedOctahedron(vec3 by) {
    Mesh m = octahedronMesh();
    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position += by;
    return rebuilt(m);
}

TEST(RegionMove, EachApplicationMovesFromThePreviousToTheLastSample) {
    Mesh m = rebuilt(octahedronMesh());
    auto g =
        stroke(Brush::Move, 3, GestureRunning, {sampleAt(vec3(0.3f, 0.3f, 0.4f)), sampleAt(vec3(0.8f, 0.3f, 0.4f))});
    apply(m, {g.get()});
    g->samples.push_back(sampleAt(vec3(0.8f, 1.3f, 0.4f)));
    apply(m, {g.get()});
    EXPECT_EQ(verticesAt(m, vec3(1.5f, 1, 0)), 1);
    EXPECT_MESH_VALID(m);
}

TEST(RegionMove, PatchMoveRenormalsTheNeighbouringFaces) {
    Mesh m = rebuilt(cubeMesh(true));
    m.movePatch(vec3(0, 0, -1), vec3(0, 0, -2), 0);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, -2)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 1)), 1);
    for (int t = 0; t < m.triangleCount(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        vec3 p0 = m.vertices[tri.vertex[0]].position, p1 = m.vertices[tri.vertex[1]].position,
             p2 = m.vertices[tri.vertex[2]].position;
        vec3 n = normalize(cross(p1 - p0, p2 - p0));
        EXPECT_LT((tri.faceNormal - n).length(), 1e-6f) << t;
    }
    EXPECT_MESH_VALID(m);
}

TEST(RegionScale, AlongTheDragDropsStepsOfFactorTwoAndMirrorsAcrossThePivot) {
    Mesh m = rebuilt(octahedronMesh());
    Mesh before = m;
    m.scaleRegion(vec3(1, 0, 0), vec3(2, 0, 0), -1, SelectElement, false);
    expectSameRecords(m, before);
    m.scaleRegion(vec3(1, 0, 0), vec3(1.9f, 0, 0), -1, SelectElement, false);
    EXPECT_EQ(verticesAt(m, vec3(1.9f, 0, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(0, 1, 0)), 1);
    m.scaleRegion(vec3(1, 0, 0), vec3(-1, 0, 0), -1, SelectElement, false);
    EXPECT_EQ(verticesAt(m, vec3(-1.9f, 0, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1.9f, 0, 0)), 1);
}

TEST(RegionScale, UniformAboutTheFacePivotAndNeverFromThePivotItself) {
    Mesh m = rebuilt(cubeMesh(true));
    m.scaleRegion(vec3(1, 0, 1), vec3(2, 0, 1), 2, SelectPatch, true);
    EXPECT_EQ(verticesAt(m, vec3(2, 2, 1)), 1);
    EXPECT_EQ(verticesAt(m, vec3(-2, -2, 1)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, -1)), 1);

    Mesh o = rebuilt(octahedronMesh());
    Mesh before = o;
    o.scaleRegion(vec3(0, 0, 0), vec3(1, 0, 0), -1, SelectElement, true);
    expectSameRecords(o, before);
    o.scaleRegion(vec3(1, 0, 0), vec3(2, 0, 0), -1, SelectElement, true);
    EXPECT_EQ(verticesAt(o, vec3(0, 0, -2)), 1);
}

TEST(RegionRotate, TurnsAboutTheViewAxisThroughTheBoxCentre) {
    Mesh m = shiftedOctahedron(vec3(5, 0, 0));
    m.rotateRegion(vec3(6, 0, 0), vec3(5, 1, 0), -1, SelectComponent, vec3(0, 0, 1));
    EXPECT_EQ(verticesAt(m, vec3(5, 1, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(6, 0, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(5, 0, 1)), 1);
    EXPECT_MESH_VALID(m);

    // Element mode turns about the element's translation, not the mesh's centre
    Mesh e = rebuilt(octahedronMesh());
    e.translation = vec3(5, 0, 0);
    e.rotateRegion(vec3(6, 0, 0), vec3(5, 1, 0), -1, SelectElement, vec3(0, 0, 1));
    EXPECT_EQ(verticesAt(e, vec3(5, -4, 0)), 1);
}

TEST(RegionRotate, AnObliqueViewAxisKeepsTheTurnAboutIt) {
    Mesh m = rebuilt(octahedronMesh());
    vec3 v = normalize(vec3(1, 1, 1));
    std::vector<vec3> before = positionsOf(m);
    m.rotateRegion(vec3(1, 0, 0), vec3(0, 1, 0), -1, SelectComponent, v);
    for (int i = 0; i < m.vertexCount(); ++i) {
        // a turn about v keeps each point's height along v and its distance from the axis
        EXPECT_NEAR(dot(m.vertices[i].position, v), dot(before[size_t(i)], v), 1e-5f);
        EXPECT_NEAR(m.vertices[i].position.length(), before[size_t(i)].length(), 1e-5f);
    }
    EXPECT_GT(signedVolume(m), 0);
}

TEST(RegionRotate, OppositeDirectionsGiveAHalfTurnNotAMirror) {
    Mesh m = rebuilt(octahedronMesh());
    double volume = signedVolume(m);
    m.rotateRegion(vec3(1, 0, 0), vec3(-1, 0, 0), -1, SelectElement, vec3());
    EXPECT_NEAR(signedVolume(m), volume, 1e-6);
    m.rotateRegion(vec3(1, 0, 0), vec3(-1, 0, 0), -1, SelectElement, vec3(0, 0, 1));
    EXPECT_NEAR(signedVolume(m), volume, 1e-6);
    EXPECT_EQ(verticesAt(m, vec3(0, 0, 1)), 1);
    EXPECT_MESH_VALID(m);
}

} // namespace
} // namespace kal::test
