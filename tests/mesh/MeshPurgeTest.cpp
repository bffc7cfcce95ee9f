// Compaction of dead records and the repair of every reference to a moved record.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "reference/ReferenceMesh.h"

namespace kal::test {
namespace {

InvariantOptions purged() {
    InvariantOptions o;
    o.allowDeadRecords = false;
    return o;
}

TEST(MeshPurge, deadFirstAndLastRecordsShrinkTheStoreByTwo) {
    Mesh m = rebuilt(gridMesh(3));
    vec3 lastLive = m.vertices[14].position;
    // delete the two triangles at each of the sheet corners 0 and 15
    std::vector<int32_t> ring;
    m.vertexTriangles(0, ring);
    for (int32_t t : ring) m.deleteTriangle(t);
    m.vertexTriangles(15, ring);
    for (int32_t t : ring) m.deleteTriangle(t);
    ASSERT_FALSE(m.vertices[0].alive());
    ASSERT_FALSE(m.vertices[15].alive());
    ASSERT_MESH_VALID(m);
    m.purgeDeleted(false);
    EXPECT_EQ(m.vertexCount(), 14);
    EXPECT_EQ(m.vertices[0].position, lastLive);
    EXPECT_EQ(m.triangleCount(), 14);
    EXPECT_MESH_VALID(m, purged());
    EXPECT_FALSE(m.purgeNeeded);
    EXPECT_EQ(m.vertexCountMark, 14);
    EXPECT_EQ(m.triangleCountMark, 14);
}

TEST(MeshPurge, withoutDeadRecordsOnlyForceRuns) {
    Mesh m = rebuilt(octahedronMesh());
    m.vertexCountMark = 99;
    m.purgeDeleted(false);
    EXPECT_EQ(m.vertexCountMark, 99);
    m.purgeDeleted(true);
    EXPECT_EQ(m.vertexCountMark, 6);
    EXPECT_MESH_VALID(m, purged());
}

// Each hole, front to back, takes the live record nearest the back: a triangle keeps its corner
// positions wherever it lands.
TEST(MeshPurge, holesTakeTheLastLiveRecordsInTurn) {
    for (int stride : {2, 3, 7}) {
        Mesh m = rebuilt(uvSphereMesh(12, 16));
        int n = m.triangleCount();
        for (int t = 0; t < n; t += stride)
            if (m.triangles[t].alive()) m.deleteTriangle(t);
        std::vector<int> order;
        std::vector<int> liveFromBack;
        for (int t = n - 1; t >= 0; --t)
            if (m.triangles[t].alive()) liveFromBack.push_back(t);
        int live = int(liveFromBack.size());
        size_t next = 0;
        for (int t = 0; t < live; ++t) order.push_back(m.triangles[t].alive() ? t : liveFromBack[next++]);
        std::vector<vec3> before;
        for (int t : order)
            for (int c = 0; c < 3; ++c) before.push_back(m.vertices[m.triangles[t].vertex[c]].position);
        m.purgeDeleted(false);
        ASSERT_EQ(m.triangleCount(), live);
        for (int t = 0; t < live; ++t)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(m.vertices[m.triangles[t].vertex[c]].position, before[size_t(3 * t + c)]) << t;
        EXPECT_MESH_VALID(m, purged());
    }
}

TEST(MeshPurge, randomHolesInALargeMeshLeaveItLinked) {
    Mesh m = rebuilt(uvSphereMesh(12, 16));
    uint32_t state = 12345;
    for (int i = 0; i < 40; ++i) {
        state = state * 1664525u + 1013904223u;
        int t = int(state % uint32_t(m.triangleCount()));
        if (m.triangles[t].alive()) m.deleteTriangle(t);
    }
    ASSERT_MESH_VALID(m);
    m.purgeDeleted(false);
    ASSERT_MESH_VALID(m, purged());
    m.rebuild(Recenter::Keep);
    EXPECT_FALSE(m.invalid);
    EXPECT_MESH_VALID(m, purged());
}

TEST(MeshPurge, rebuildWithPinchedVertexAndDeadRecordsRepairsEveryFan) {
    // a bow tie whose pinched vertex is the last record, behind a dead vertex: the purge must
    // move it with both fans named correctly
    Mesh m;
    m.addVertex(vec3(9, 9, 9));
    m.addVertex(vec3(1, -0.5f, 0));
    m.addVertex(vec3(1, 0.5f, 0));
    m.addVertex(vec3(-1, 0.5f, 0));
    m.addVertex(vec3(-1, -0.5f, 0));
    m.addVertex(vec3(0, 0, 0));
    addTri(m, 5, 1, 2);
    addTri(m, 5, 3, 4);
    m.rebuild(Recenter::Keep);
    ASSERT_FALSE(m.invalid);
    EXPECT_EQ(m.vertexCount(), 6);
    EXPECT_MESH_VALID(m, purged());
}

// A vertex left on no triangle by an erase that took its triangle but not the vertex: its walk
// start named the erased triangle, whose place the purge hands to another triangle or frees, so
// it names none afterwards, and a pick nearest it answers the nearest vertex that has a triangle.
TEST(MeshPurge, noWalkStartNamesAPurgedTriangle) {
    for (bool lastErased : {true, false}) {
        SCOPED_TRACE(lastErased ? "the erased triangle is the last record" : "the erased triangle is the first");
        Mesh m;
        for (vec3 p : {vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0), vec3(5, 5, 0), vec3(6, 5, 0), vec3(5, 6, 0)})
            m.addVertex(p);
        const int erased = lastErased ? 3 : 0;
        addTri(m, 0, 1, 2);
        addTri(m, 3, 4, 5);
        m.rebuild(Recenter::Keep);
        m.updateNormals(NormalUpdate::Faces);
        ASSERT_MESH_VALID(m, purged());
        const int doomed = lastErased ? 1 : 0;
        m.triangles[doomed].flags &= uint8_t(~TriangleAlive);
        m.vertices[erased + 1].flags &= uint8_t(~VertexAlive);
        m.vertices[erased + 2].flags &= uint8_t(~VertexAlive);
        m.purgeDeleted(true);
        EXPECT_MESH_VALID(m, purged());
        // beside the left vertex, off the kept triangle: the nearest vertex on a triangle answers
        const vec3 left = lastErased ? vec3(5, 5, 0) : vec3(0, 0, 0);
        ASSERT_EQ(m.triangleCount(), 1);
        EXPECT_EQ(m.closestTriangle(left + vec3(-0.5f, -0.5f, 3)), 0);
    }
}

// The moves are renamed through a table in parallel passes; the records and the selection list
// must come out as the repairs from each moved record's ring leave them. Both stores of the cut
// sphere span several chunks, split into blocks, and its last records, made by the cut, are linked
// to records all over it: a chunk passed over while it names a moved record keeps a stale link.
TEST(MeshPurge, renamingThroughATableGivesTheRepairedRecords) {
    std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(ico.get(), 3, true, false));
    Mesh cut = rebuilt(uvSphereMesh(64, 136));
    cut.cutPlane(vec3(0.01f, 0, 0), normalize(vec3(1, 0.3f, 0.2f)));
    ASSERT_TRUE(test::splitsWhereThreadsAllow(cut.vertexCount()));
    const std::vector<Mesh> fixtures = {rebuilt(uvSphereMesh(16, 24)), rebuilt(gridMesh(9)), *sphere, cut};
    for (size_t i = 0; i < fixtures.size(); ++i)
        for (int set = 0; set < 4; ++set) {
            SCOPED_TRACE(testing::Message() << "fixture " << i << " set " << set);
            Mesh m = fixtures[i];
            for (int t = 0; t < m.triangleCount(); ++t) {
                const MeshTriangle& tri = m.triangles[t];
                float x = m.vertices[tri.vertex[0]].position.x;
                // set 3: a few scattered triangles, so most chunks name no moved record
                bool doomed = set == 0 ? x < 0.1f : set == 1 ? t % 3 != 1 : set == 2 ? (t * 7) % 5 < 2 : t % 499 == 7;
                if (doomed && tri.alive()) m.deleteTriangle(t);
            }
            // a few selected vertices, some of them moved by the purge
            for (int v = m.vertexCount() - 1; v >= 0 && m.selectedVertices.size() < 12; v -= 5) {
                if (!m.vertices[v].alive()) continue;
                m.vertices[v].flags |= VertexSelected;
                m.vertices[v].link = int32_t(m.selectedVertices.size());
                m.selectedVertices.push_back(v);
            }
            Mesh renamed = m, repaired = m;
            renamed.purgeDeleted(false);
            reference::purgeRepairing(repaired);
            expectSameRecords(renamed, repaired);
            EXPECT_EQ(renamed.selectedVertices, repaired.selectedVertices);
            EXPECT_MESH_VALID(renamed, purged());
        }
}

} // namespace
} // namespace kal::test
