// Deleting triangles keeps every vertex fan a single fan until the purge.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "editing/SelectionHelpers.h"

namespace kal::test {
namespace {

TEST(MeshDeleteTriangle, lastTriangleTakesItsVerticesWithIt) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0, 1, 0));
    addTri(m, 0, 1, 2);
    m.rebuild(Recenter::Keep);
    m.deleteTriangle(0);
    EXPECT_TRUE(m.purgeNeeded);
    for (int v = 0; v < 3; ++v) EXPECT_FALSE(m.vertices[v].alive());
    EXPECT_MESH_VALID(m);
    m.purgeDeleted(false);
    EXPECT_EQ(m.vertexCount(), 0);
    EXPECT_EQ(m.triangleCount(), 0);
}

TEST(MeshDeleteTriangle, holeInAClosedSurfaceOpensItsCornersAfterTheHole) {
    Mesh m = rebuilt(octahedronMesh());
    std::vector<int32_t> before[3];
    int corners[3];
    for (int c = 0; c < 3; ++c) {
        corners[c] = m.triangles[0].vertex[c];
        m.vertexTriangles(corners[c], before[c]);
    }
    m.deleteTriangle(0);
    ASSERT_MESH_VALID(m);
    for (int c = 0; c < 3; ++c) {
        const MeshVertex& v = m.vertices[corners[c]];
        EXPECT_TRUE(v.open());
        EXPECT_TRUE(v.seam());
        size_t k = 0;
        while (before[c][k] != 0) ++k;
        EXPECT_EQ(v.firstTriangle, before[c][(k + 1) % before[c].size()]);
    }
    for (int t = 1; t < 8; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_NE(m.triangles[t].neighbour[k], 0);
}

TEST(MeshDeleteTriangle, triangleInsideABoundaryFanSplitsTheVertex) {
    Mesh m = rebuilt(gridMesh(2));
    // vertex 1 (bottom border) has a fan of three; delete the middle one
    std::vector<int32_t> fan;
    ASSERT_EQ(m.vertexTriangles(1, fan), 3);
    int first = fan[0], middle = fan[1];
    int count = m.vertexCount();
    // a selected vertex: the split-off copy must not claim its place in the selection list
    m.vertices[1].flags |= VertexSelected;
    m.vertices[1].link = 0;
    m.selectedVertices.push_back(1);
    m.deleteTriangle(middle);
    ASSERT_MESH_VALID(m);
    m.clearSelection();
    int added = m.vertexCount() - count;
    EXPECT_GE(added, 1);
    EXPECT_EQ(m.triangles[first].cornerOf(1), -1) << "the triangles before the hole use the new vertex";
    EXPECT_GE(m.triangles[first].cornerOf(count), 0);
    EXPECT_EQ(m.vertices[count].position, m.vertices[1].position);
    m.purgeDeleted(false);
    EXPECT_MESH_VALID(m, {false, true, false});
}

TEST(MeshDeleteTriangle, firstOfABoundaryFanMovesTheWalkStartAndTheLastChangesNothing) {
    Mesh m = rebuilt(gridMesh(2));
    std::vector<int32_t> fan;
    m.vertexTriangles(1, fan);
    m.deleteTriangle(fan[0]);
    EXPECT_EQ(m.vertices[1].firstTriangle, fan[1]);
    EXPECT_MESH_VALID(m);

    Mesh n = rebuilt(gridMesh(2));
    n.vertexTriangles(1, fan);
    int start = n.vertices[1].firstTriangle;
    n.deleteTriangle(fan.back());
    EXPECT_EQ(n.vertices[1].firstTriangle, start);
    EXPECT_MESH_VALID(n);
}

TEST(MeshDeleteTriangle, erasingAStripeTriangleByTriangleStaysValid) {
    Mesh m = rebuilt(gridMesh(6));
    for (int t = 12; t < 24; ++t) {
        m.deleteTriangle(t);
        ASSERT_MESH_VALID(m) << "after deleting " << t;
    }
    m.purgeDeleted(false);
    EXPECT_EQ(m.triangleCount(), 60);
    EXPECT_MESH_VALID(m, {false, true, false});
    m.rebuild(Recenter::Keep);
    EXPECT_FALSE(m.invalid);
    EXPECT_MESH_VALID(m, {false, true, false});
}

// Deletion sets over a mesh, each in the order it is deleted: by triangle centre (a half and a
// band), scattered records, every other triangle (its corners end up with several fans), the
// half again in reverse record order and the band in a scrambled order.
std::vector<std::vector<int32_t>> deletionSets(const Mesh& m) {
    std::vector<std::vector<int32_t>> sets(5);
    sets.reserve(6);
    int count = m.triangleCount();
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = m.triangles[t];
        vec3 c = (m.vertices[tri.vertex[0]].position + m.vertices[tri.vertex[1]].position +
                  m.vertices[tri.vertex[2]].position) /
                 3.0f;
        if (c.x > 0) sets[0].push_back(t);
        if (std::fabs(c.z) < 0.3f) sets[1].push_back(t);
        if ((t * 7) % 11 < 3) sets[2].push_back(t);
        if (t % 2 == 0) sets[3].push_back(t);
    }
    sets[4].assign(sets[0].rbegin(), sets[0].rend());
    // the band in a scrambled order: fans split and their copies die in every order
    sets.push_back(sets[1]);
    for (size_t i = 0; i < sets[5].size(); ++i) std::swap(sets[5][i], sets[5][(i * 7919) % sets[5].size()]);
    // a repeated and an already dead entry are skipped, as the one-at-a-time callers skip them
    if (!sets[2].empty()) sets[2].push_back(sets[2].front());
    return sets;
}

// Whatever the order of the list, exactly the listed triangles go, every ring stays a sound walk
// (fans split where a deletion leaves two), and the purge keeps it so. The records depend on the
// set alone: not on the list's order, nor on how the blocks fall.
TEST(MeshDeleteTriangles, listLeavesTheOtherTrianglesWithSoundRings) {
    std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
    // large enough for the deletion's loops to cross block boundaries
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(ico.get(), 5, true, false));
    ASSERT_TRUE(splitsWhereThreadsAllow(sphere->vertexCount()));
    std::vector<Mesh> fixtures = {
        rebuilt(octahedronMesh()), rebuilt(cubeMesh(true)),   rebuilt(cubeMesh(false)),     rebuilt(gridMesh(4)),
        rebuilt(bowTieMesh()),     rebuilt(hexagonFanMesh()), rebuilt(uvSphereMesh(8, 12)), *sphere};
    for (size_t i = 0; i < fixtures.size(); ++i) {
        std::vector<std::vector<int32_t>> sets = deletionSets(fixtures[i]);
        std::vector<Mesh> deleted;
        for (size_t s = 0; s < sets.size(); ++s) {
            SCOPED_TRACE(testing::Message() << "fixture " << i << " set " << s);
            Mesh m = fixtures[i], split = fixtures[i];
            {
                OneThreadScope one;
                m.deleteTriangles(sets[s]);
            }
            split.deleteTriangles(sets[s]);
            expectSameRecords(split, m);
            deleted.push_back(m);
            std::vector<uint8_t> listed(size_t(m.triangleCount()), 0);
            for (int32_t t : sets[s]) listed[size_t(t)] = 1;
            for (int t = 0; t < fixtures[i].triangleCount(); ++t)
                EXPECT_EQ(m.triangles[t].alive(), fixtures[i].triangles[t].alive() && !listed[size_t(t)]) << t;
            EXPECT_EQ(m.purgeNeeded, !sets[s].empty());
            EXPECT_MESH_VALID(m);
            m.purgeDeleted(false);
            EXPECT_MESH_VALID(m, {false, true, false});
        }
        // set 4 is set 0 reversed, set 5 set 1 scrambled
        expectSameRecords(deleted[4], deleted[0]);
        expectSameRecords(deleted[5], deleted[1]);
    }
}

// The triangles round a selection are every alive triangle with a selected corner, each once, in
// the order the selected vertices' walks reach them; deleting them leaves a sound mesh.
// Scattered selections leave pinched fans.
TEST(MeshDeleteTriangles, roundTheSelectionTakesEveryTriangleWithASelectedCorner) {
    std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(ico.get(), 3, true, false));
    const std::vector<Mesh> fixtures = {rebuilt(gridMesh(6)), rebuilt(uvSphereMesh(10, 14)), *sphere};
    for (size_t i = 0; i < fixtures.size(); ++i)
        for (int set = 0; set < 3; ++set) {
            SCOPED_TRACE(testing::Message() << "fixture " << i << " set " << set);
            Mesh m = fixtures[i];
            for (int v = m.vertexCount() - 1; v >= 0; --v) {
                bool chosen = set == 0 ? m.vertices[v].position.x > 0.2f : set == 1 ? v % 3 == 0 : (v * 5) % 7 < 2;
                if (chosen) editing::selectVertex(m, v);
            }
            m.markDirtyTriangles();
            std::vector<int32_t> taken = m.selectedTriangles, expected;
            for (int t = 0; t < m.triangleCount(); ++t)
                for (int32_t v : m.triangles[t].vertex)
                    if (m.vertices[v].flags & VertexSelected) {
                        expected.push_back(t);
                        break;
                    }
            // the first walk to reach a triangle is that of its selected corner listed first
            ASSERT_EQ(taken.size(), expected.size());
            for (size_t k = 1; k < taken.size(); ++k) {
                auto firstLink = [&](int32_t t) {
                    int32_t link = INT32_MAX;
                    for (int32_t v : m.triangles[t].vertex)
                        if (m.vertices[v].flags & VertexSelected) link = std::min(link, m.vertices[v].link);
                    return link;
                };
                EXPECT_LE(firstLink(taken[k - 1]), firstLink(taken[k]));
            }
            std::sort(taken.begin(), taken.end());
            EXPECT_EQ(taken, expected);
            m.deleteTriangles(m.selectedTriangles);
            EXPECT_MESH_VALID(m);
            m.clearSelection();
            m.purgeDeleted(false);
            EXPECT_EQ(m.triangleCount(), fixtures[i].triangleCount() - int(expected.size()));
            EXPECT_MESH_VALID(m, {false, true, false});
        }
}

TEST(MeshSplitPinched, touchingFansGetOnePinnedVertexEach) {
    Mesh m = bowTieMesh();
    // two fans also at a closed surface vertex: two octahedra sharing vertex 0
    ASSERT_TRUE(m.buildLinks());
    m.updateAllRings();
    m.splitPinchedVertices();
    EXPECT_EQ(m.vertexCount(), 6);
    EXPECT_MESH_VALID(m);

    Mesh two = octahedronMesh();
    Mesh other = octahedronMesh();
    two.append(&other);
    // glue the second octahedron's vertex 0 onto the first one's
    for (int t = 8; t < 16; ++t)
        for (int c = 0; c < 3; ++c)
            if (two.triangles[t].vertex[c] == 6) two.triangles[t].vertex[c] = 0;
    two.rebuild(Recenter::Keep);
    ASSERT_FALSE(two.invalid);
    EXPECT_MESH_VALID(two, {false, true, false});
    EXPECT_TRUE(two.vertices[0].pinned());
    EXPECT_EQ(two.vertexCount(), 12);
}

} // namespace
} // namespace kal::test
