#include <gtest/gtest.h>

#include <memory>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"
#include "OneThreadScope.h"
#include "mesh/MeshEdits.h"

namespace kal::test {
namespace {

// Triangles with k old corners (index below oldCount), for k = 0..3.
std::vector<int> cornersByAge(const Mesh& m, int oldCount) {
    std::vector<int> counts(4, 0);
    for (int t = 0; t < m.triangleCount(); ++t) {
        int old = 0;
        for (int c = 0; c < 3; ++c) old += m.triangles[t].vertex[c] < oldCount;
        ++counts[size_t(old)];
    }
    return counts;
}

TEST(Subdivide, LoneTriangleBecomesThreeCornersAndAMiddle) {
    Mesh m = triangleMesh(vec3(0, 0, 0), vec3(2, 0, 0), vec3(0, 2, 0));
    // a material linear in the position: the midpoints must come out as the means of their ends
    auto shade = [&m](int v) {
        vec3 p = m.vertices[v].position;
        return int(10000 * (p.x + 2 * p.y));
    };
    for (int c = 0; c < 3; ++c) m.triangles[0].corner[c].red = uint16_t(shade(m.triangles[0].vertex[c]));
    EXPECT_TRUE(m.subdivide(false));
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 6);
    EXPECT_EQ(m.triangleCount(), 4);
    EXPECT_EQ(cornersByAge(m, 3), (std::vector<int>{1, 3, 0, 0}));
    for (int v = 3; v < 6; ++v) EXPECT_TRUE(m.vertices[v].open());
    for (int t = 0; t < 4; ++t)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(m.triangles[t].corner[c].red, shade(m.triangles[t].vertex[c]));
}

TEST(Subdivide, IcosahedronGivesFortyTwoVerticesAndEightyTrianglesOneToFour) {
    std::unique_ptr<Mesh> m(Mesh::createIcosahedron());
    m->subdivide(false);
    ASSERT_MESH_VALID(*m);
    EXPECT_EQ(m->vertexCount(), 42);
    EXPECT_EQ(m->triangleCount(), 80);
    EXPECT_EQ(cornersByAge(*m, 12), (std::vector<int>{20, 60, 0, 0}));
    // the old marked edges stay hard in both halves, the new inner edges are soft
    EdgeCounts e = countEdges(*m);
    EXPECT_EQ(e.marked, 60);
    EXPECT_EQ(e.unmarked, 60);
    for (int t = 0; t < 80; ++t) {
        vec3 n = m->triangles[t].faceNormal;
        EXPECT_NEAR(length(n), 1.0f, 1e-5f);
    }
}

TEST(Subdivide, ClosedMeshStaysClosedAndConsistentOverLevels) {
    Mesh m = rebuilt(octahedronMesh(), Recenter::Mean);
    for (int level = 1; level <= 3; ++level) {
        m.subdivide(true);
        ASSERT_MESH_VALID(m);
        EXPECT_EQ(m.triangleCount(), 8 << (2 * level));
        EXPECT_EQ(countEdges(m).open, 0);
        EXPECT_GT(signedVolume(m), 0.0);
    }
}

TEST(Subdivide, SmoothingLeavesPinnedVerticesWhereTheyAre) {
    Mesh m = rebuilt(cubeMesh(true));
    std::vector<vec3> before;
    for (int v = 0; v < 8; ++v) {
        ASSERT_TRUE(m.vertices[v].pinned());
        before.push_back(m.vertices[v].position);
    }
    m.subdivide(true);
    ASSERT_MESH_VALID(m);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(m.vertices[v].position, before[size_t(v)]);
}

TEST(Subdivide, SmoothingMovesOldInnerVerticesHalfwayAndNewOnesNot) {
    Mesh m = rebuilt(hexagonFanMesh());
    m.vertices[0].position.z = 1.0f;
    m.subdivide(true);
    ASSERT_MESH_VALID(m);
    // the centre's new neighbours are the six spoke midpoints at z = 0.5
    EXPECT_NEAR(m.vertices[0].position.z, 0.75f, 1e-6f);
    for (int v = 7; v < m.vertexCount(); ++v) {
        float z = m.vertices[v].position.z;
        EXPECT_TRUE(z == 0.0f || z == 0.5f) << v;
    }
}

// Splits and flips settle only the rings of seam, open and pinned vertices; every other ring
// must come out as its own update would leave it.
TEST(Subdivide, EveryRingIsLeftAsItsUpdateWouldLeaveIt) {
    Mesh marked = rebuilt(uvSphereMesh(8, 10));
    for (int s = 0; s < 10; ++s) marked.setEdgeFlag(11 + s, 11 + (s + 1) % 10, true);
    marked.vertices[30].setPinned(true);
    for (Mesh m : {marked, rebuilt(gridMesh(4)), rebuilt(cubeMesh(true)), rebuilt(awkwardGrid())}) {
        m.subdivide(true);
        m.subdivide(false);
        Mesh settled = m;
        for (int v = 0; v < settled.vertexCount(); ++v)
            if (settled.vertices[v].alive()) settled.updateVertexRing(v);
        expectSameRecords(m, settled);
        EXPECT_MESH_VALID(m);
    }
}

// Every corner its own material, a few beyond the stored range (a copy clamps them), and a few
// triangles selected.
Mesh painted(Mesh m) {
    for (int t = 0; t < m.triangleCount(); ++t) {
        for (int c = 0; c < 3; ++c) {
            pbr& p = m.triangles[t].corner[c];
            p.red = uint16_t((t * 7919 + c * 104729) & 0xFFFF);
            p.lightBlue = uint16_t(t * 3 + c);
            p.roughness = int16_t(t % 5 == 0 ? -32768 : (t % 300) * 100 - 15000);
        }
        if (t % 7 == 3) m.triangles[t].flags |= TriangleSelected;
    }
    return m;
}

// A sphere with a marked line round it, a hole (open border), a pinned vertex and a pinched
// bow tie beside it; links rebuilt.
Mesh seamedSphere() {
    Mesh m = rebuilt(uvSphereMesh(8, 10));
    for (int s = 0; s < 10; ++s) m.setEdgeFlag(11 + s, 11 + (s + 1) % 10, true);
    m.deleteTriangle(40);
    m.deleteTriangle(41);
    m = rebuilt(m);
    m.vertices[30].setPinned(true);
    m.vertices[52].setPinned(true);
    return m;
}

// The smallest closed meshes: a tetrahedron, where every two triangles share an edge, and a
// pillow of two triangles on the same three corners, where they share all three.
Mesh tetrahedronMesh() {
    Mesh m;
    m.addVertex(vec3(1, 1, 1));
    m.addVertex(vec3(-1, -1, 1));
    m.addVertex(vec3(-1, 1, -1));
    m.addVertex(vec3(1, -1, -1));
    addTri(m, 0, 1, 2);
    addTri(m, 0, 3, 1);
    addTri(m, 1, 3, 2);
    addTri(m, 0, 2, 3);
    return rebuilt(m);
}

Mesh pillowMesh() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0, 1, 0));
    addTri(m, 0, 1, 2);
    addTri(m, 0, 2, 1);
    return rebuilt(m);
}

// Two closed octahedra sharing one vertex, links built before they met there: its ring walk
// goes round one of its two fans, so a flip whose edge lies in the other is not found.
Mesh pinchedOctahedra() {
    Mesh m = octahedronMesh();
    Mesh other = octahedronMesh();
    for (int v = 0; v < other.vertexCount(); ++v) m.addVertex(other.vertices[v].position + vec3(2, 0, 0));
    for (int t = 0; t < other.triangleCount(); ++t) {
        const int32_t* c = other.triangles[t].vertex;
        addTri(m, c[0] + 6, c[1] + 6, c[2] + 6);
    }
    m = rebuilt(m);
    // vertex 7 (-1, 0, 0) of the second meets vertex 0 (1, 0, 0) of the first
    for (int t = 8; t < 16; ++t)
        for (int32_t& v : m.triangles[t].vertex)
            if (v == 7) v = 0;
    m.vertices[7].flags &= uint8_t(~VertexAlive);
    m.vertices[7].firstTriangle = -1;
    return m;
}

// The bulk subdivision splits and flips on slim copies of the triangles and writes the records
// after; every record must be what one split and one flip at a time on the mesh's own records
// leave: positions, walk starts, flags, links, normals and materials, over several levels.
TEST(Subdivide, BulkRecordsMatchOneSplitAndFlipAtATime) {
    std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(ico.get(), 1, true, false));
    std::vector<Mesh> fixtures = {quadMesh(),
                                  rebuilt(quadMesh()),
                                  rebuilt(octahedronMesh(), Recenter::Mean),
                                  rebuilt(cubeMesh(true)),
                                  rebuilt(cubeMesh(false)),
                                  rebuilt(gridMesh(3)),
                                  rebuilt(bowTieMesh()),
                                  rebuilt(threeOnEdgeMesh()),
                                  awkwardGrid(),
                                  rebuilt(awkwardGrid()),
                                  rebuilt(hexagonFanMesh()),
                                  *sphere,
                                  seamedSphere(),
                                  rebuilt(uvSphereMesh(24, 32)),
                                  pinchedOctahedra(),
                                  tetrahedronMesh(),
                                  pillowMesh()};
    for (size_t i = 0; i < fixtures.size(); ++i) {
        for (bool smooth : {false, true}) {
            SCOPED_TRACE(testing::Message() << "fixture " << i << (smooth ? " smoothed" : " midpoint"));
            Mesh bulk = painted(fixtures[i]), reference = bulk;
            for (int level = 1; level <= 3; ++level) {
                SCOPED_TRACE(testing::Message() << "level " << level);
                bulk.subdivide(smooth);
                meshedit::subdivideSplitBySplit(reference, smooth);
                expectSameRecords(bulk, reference);
                if (HasFailure()) return;
            }
        }
    }
}

// The record passes in blocks give the same records as on one thread, smoothed or not. Copies of
// each fixture make the stores large enough for the loops to cross block boundaries all through it.
TEST(Subdivide, BulkRecordsDoNotDependOnTheBlocks) {
    for (const Mesh& fixture : {seamedSphere(), rebuilt(uvSphereMesh(12, 16)), pinchedOctahedra(), tetrahedronMesh(),
                                pillowMesh(), rebuilt(gridMesh(3))}) {
        const Mesh m = painted(tiledCopies(fixture, 8192));
        ASSERT_TRUE(test::splitsWhereThreadsAllow(std::min(m.vertexCount(), m.triangleCount())));
        for (bool smooth : {true, false}) {
            Mesh serial = m, split = m;
            {
                test::OneThreadScope one;
                serial.subdivide(smooth);
            }
            split.subdivide(smooth);
            expectSameRecords(split, serial);
        }
    }
}

TEST(SubdivideCentroid, ThreeTrianglesPerOldOneAndOldEdgesFlipped) {
    Mesh m = rebuilt(octahedronMesh(), Recenter::Mean);
    m.subdivideCentroid();
    ASSERT_MESH_VALID(m);
    EXPECT_EQ(m.vertexCount(), 14);
    EXPECT_EQ(m.triangleCount(), 24);
    EXPECT_FALSE(hasEdge(m, 0, 2));
    EXPECT_GT(signedVolume(m), 0.0);
}

} // namespace
} // namespace kal::test
