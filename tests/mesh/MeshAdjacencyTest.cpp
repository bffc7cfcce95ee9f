// Link rebuild, ring updates, walks and edge marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "mesh/MeshWalk.h"

namespace kal::test {
namespace {

TEST(MeshLinks, twoTrianglesOnOneEdgeLinkEachOtherAndOpenEverythingElse) {
    Mesh m = rebuilt(quadMesh());
    ASSERT_FALSE(m.invalid);
    ASSERT_MESH_VALID(m);
    // (0,1,2) and (0,2,3) share 0-2: edge 1 of the first, edge 2 of the second
    EXPECT_EQ(m.triangles[0].neighbour[1], 1);
    EXPECT_EQ(m.triangles[1].neighbour[2], 0);
    EXPECT_EQ(m.triangles[0].neighbour[0], -1);
    EXPECT_EQ(m.triangles[1].neighbour[0], -1);
    for (int v = 0; v < 4; ++v) {
        EXPECT_TRUE(m.vertices[v].open());
        EXPECT_TRUE(m.vertices[v].seam());
        // the walk start of a boundary vertex is the triangle whose forward edge is open
        const MeshTriangle& s = m.triangles[m.vertices[v].firstTriangle];
        int c = s.cornerOf(v);
        EXPECT_EQ(s.neighbour[(c + 2) % 3], -1) << "vertex " << v;
    }
}

TEST(MeshLinks, closedOctahedronIsFullyLinkedWithoutSeams) {
    Mesh m = rebuilt(octahedronMesh());
    ASSERT_MESH_VALID(m);
    for (int t = 0; t < 8; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_GE(m.triangles[t].neighbour[k], 0);
    for (int v = 0; v < 6; ++v) {
        EXPECT_FALSE(m.vertices[v].flags & (VertexOpen | VertexSeam | VertexPinned));
        EXPECT_EQ(m.valence(v), 4);
    }
}

TEST(MeshLinks, edgeOfThreeTrianglesMakesTheMeshInvalidAndLeavesLinksUntouched) {
    Mesh m = threeOnEdgeMesh();
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 3; ++k) m.triangles[t].neighbour[k] = 100 + 3 * t + k;
    EXPECT_FALSE(m.buildLinks());
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(m.triangles[t].neighbour[k], 100 + 3 * t + k);
    m.rebuild(Recenter::Keep);
    EXPECT_TRUE(m.invalid);
    EXPECT_EQ(m.triangles[0].neighbour[0], 100);
}

TEST(MeshLinks, unnamedVertexAndDeadTriangleAskForAPurge) {
    Mesh m = quadMesh();
    m.addVertex(vec3(5, 5, 5));
    EXPECT_TRUE(m.buildLinks());
    EXPECT_FALSE(m.vertices[4].alive());
    EXPECT_TRUE(m.purgeNeeded);

    Mesh d = quadMesh();
    d.addVertex(vec3(0, 0, 1));
    addTri(d, 0, 1, 4);
    d.triangles[2].flags &= uint8_t(~TriangleAlive);
    EXPECT_TRUE(d.buildLinks());
    EXPECT_TRUE(d.purgeNeeded);
    d.rebuild(Recenter::Keep);
    EXPECT_EQ(d.triangleCount(), 2);
    EXPECT_EQ(d.vertexCount(), 4);
    EXPECT_MESH_VALID(d, {false, true, false});
}

TEST(MeshLinks, repeatedForeignOrDeadCornersNeverReachTheEdgeTable) {
    Mesh m = gridMesh(2);
    int repeated = addTri(m, 0, 0, 4);
    int outside = addTri(m, 0, 99, 4);
    int negative = addTri(m, -3, 1, 4);
    int dead = m.addVertex(vec3(9, 9, 9));
    m.vertices[dead].flags &= uint8_t(~VertexAlive);
    int onDead = addTri(m, 0, 4, dead);
    EXPECT_TRUE(m.buildLinks());
    EXPECT_FALSE(m.triangles[onDead].alive());
    EXPECT_FALSE(m.triangles[repeated].alive());
    EXPECT_FALSE(m.triangles[outside].alive());
    EXPECT_FALSE(m.triangles[negative].alive());
    m.rebuild(Recenter::Keep);
    EXPECT_FALSE(m.invalid);
    EXPECT_EQ(m.triangleCount(), 8);
    EXPECT_MESH_VALID(m, {false, true, false});
}

TEST(MeshLinks, rebuildSplitsPinchedVertexIntoOnePinnedVertexPerFan) {
    Mesh m = rebuilt(bowTieMesh());
    EXPECT_EQ(m.vertexCount(), 6);
    ASSERT_MESH_VALID(m);
    EXPECT_TRUE(m.vertices[0].pinned());
    EXPECT_TRUE(m.vertices[5].pinned());
    EXPECT_EQ(m.vertices[5].position, m.vertices[0].position);
}

TEST(MeshLinks, oppositeWindingsOnOneEdgeStillBecomeNeighboursAndAgree) {
    Mesh m = quadMesh();
    std::swap(m.triangles[1].vertex[0], m.triangles[1].vertex[2]);
    m.rebuild(Recenter::Keep);
    ASSERT_MESH_VALID(m);
    EXPECT_GT(m.triangles[0].faceNormal.z, 0.99f);
    EXPECT_GT(m.triangles[1].faceNormal.z, 0.99f);
}

TEST(MeshLinks, randomPiecesOfASphereWithJunkRebuildIntoValidMeshes) {
    // subsets of an orientable surface, with windings flipped at random and junk triangles mixed in:
    // pinched vertices, opposite windings, repeated and foreign corners all at once
    Mesh sphere = uvSphereMesh(6, 8);
    uint32_t state = 7;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 150; ++round) {
        Mesh m;
        for (int v = 0; v < sphere.vertexCount(); ++v) m.pushVertex(sphere.vertices[v]);
        for (int t = 0; t < sphere.triangleCount(); ++t) {
            uint32_t r = next();
            if (r % 3 == 0) continue;
            const int32_t* c = sphere.triangles[t].vertex;
            if (r & 0x100)
                addTri(m, c[2], c[1], c[0]);
            else
                addTri(m, c[0], c[1], c[2]);
            if ((r >> 12) % 11 == 0) addTri(m, c[0], c[0], c[1]);
            if ((r >> 12) % 13 == 0) addTri(m, c[0], -1 - int(r % 5), 1000 + int(r % 7));
        }
        m.rebuild(Recenter(next() % 3));
        ASSERT_FALSE(m.invalid) << "round " << round;
        InvariantOptions options;
        options.allowDeadRecords = false;
        ASSERT_MESH_VALID(m, options) << "round " << round;
    }
}

TEST(MeshRecenter, modesSetCentreAndSizeFromAliveVertices) {
    Mesh one;
    one.addVertex(vec3(2, 3, 4));
    one.recenter(Recenter::Mean);
    EXPECT_EQ(one.translation, vec3(2, 3, 4));
    EXPECT_EQ(one.scale, 1.0f);

    Mesh quad = rebuilt(quadMesh(), Recenter::Mean);
    EXPECT_EQ(quad.translation, vec3(0.5f, 0.5f, 0));
    EXPECT_NEAR(quad.scale, 2 * std::sqrt(0.5), 1e-6);
    quad.recenter(Recenter::Box);
    EXPECT_NEAR(quad.scale, std::sqrt(2.0), 1e-6);
    quad.recenter(Recenter::Keep);
    EXPECT_NEAR(quad.scale, std::sqrt(2.0), 1e-6);

    Mesh empty;
    empty.recenter(Recenter::Box);
    EXPECT_EQ(empty.scale, 1.0f);
    // no alive vertex: a scale of 0 would divide by zero in every local conversion
    Mesh dead;
    dead.addVertex(vec3(1, 1, 1));
    dead.vertices[0].flags = 0;
    dead.recenter(Recenter::Mean);
    EXPECT_EQ(dead.scale, 1.0f);
}

TEST(MeshRecenter, nonFinitePositionsDoNotPoisonThePlacement) {
    Mesh m = quadMesh();
    m.vertices[3].position = vec3(NAN, 0, 0);
    m.recenter(Recenter::Mean);
    EXPECT_TRUE(isFinite(m.translation));
    EXPECT_TRUE(std::isfinite(m.scale));
    m.recenter(Recenter::Box);
    EXPECT_TRUE(isFinite(m.translation));
}

// Large enough for several summing blocks; positions uneven so that the order of the additions
// shows in the last bits.
TEST(MeshRecenter, centreIsTheMeanAndTheSameForEveryThreadCount) {
    Mesh m = gridMesh(200);
    dvec3 sum;
    for (int v = 0; v < m.vertexCount(); ++v) {
        vec3& p = m.vertices[v].position;
        p = vec3(p.x * 1.37f + 0.1f * float(v % 7), p.y + 0.01f * float(v % 13), std::sin(float(v)));
        sum = sum + dvec3(p);
    }
    m.vertices[5].flags = 0; // a dead vertex counts for nothing
    sum = sum - dvec3(m.vertices[5].position);
    const dvec3 mean = sum / double(m.vertexCount() - 1);
    double far2 = 0;
    for (int v = 0; v < m.vertexCount(); ++v) {
        if (v == 5) continue;
        dvec3 d = dvec3(m.vertices[v].position) - mean;
        far2 = std::max(far2, dot(d, d));
    }
    Mesh serial = m;
    {
        OneThreadScope one;
        serial.recenter(Recenter::Mean);
    }
    m.recenter(Recenter::Mean);
    EXPECT_NEAR(m.translation.x, mean.x, 1e-5);
    EXPECT_NEAR(m.translation.y, mean.y, 1e-5);
    EXPECT_NEAR(m.translation.z, mean.z, 1e-5);
    EXPECT_NEAR(m.scale, 2 * std::sqrt(far2), 1e-4);
    EXPECT_EQ(serial.translation, m.translation);
    EXPECT_EQ(serial.scale, m.scale);
}

// The link build keeps its arrays from one rebuild to the next: links of the last build must not
// survive where a neighbour has gone.
TEST(MeshLinks, rebuildAfterDeletingLeavesTheHolesOpen) {
    Mesh m = rebuilt(uvSphereMesh(60, 120));
    ASSERT_FALSE(m.invalid);
    auto openEdges = [](const Mesh& mesh) {
        int open = 0;
        for (int t = 0; t < mesh.triangleCount(); ++t)
            for (int k = 0; k < 3; ++k) open += mesh.triangles[t].neighbour[k] < 0;
        return open;
    };
    ASSERT_EQ(openEdges(m), 0);
    const int before = m.triangleCount();
    for (int t : {3001, 5002, 9003}) m.deleteTriangle(t);
    m.rebuild(Recenter::Keep);
    ASSERT_FALSE(m.invalid);
    EXPECT_EQ(m.triangleCount(), before - 3);
    EXPECT_EQ(openEdges(m), 9);
    EXPECT_MESH_VALID(m);
}

TEST(MeshRings, seamFlagsAndPinsFollowTheMarks) {
    Mesh cube = rebuilt(cubeMesh(true));
    ASSERT_MESH_VALID(cube);
    // every cube corner meets three marked edges
    for (int v = 0; v < 8; ++v) {
        EXPECT_TRUE(cube.isSeamCorner(v));
        EXPECT_TRUE(cube.vertices[v].pinned());
        const MeshTriangle& s = cube.triangles[cube.vertices[v].firstTriangle];
        EXPECT_TRUE(s.marked((s.cornerOf(v) + 2) % 3));
    }

    Mesh grid = rebuilt(gridMesh(4));
    // a marked line through the middle row: two marked edges at each inner vertex, so no pin
    for (int x = 0; x < 4; ++x) ASSERT_TRUE(grid.setEdgeFlag(2 * 5 + x, 2 * 5 + x + 1, true));
    grid.updateAllRings();
    ASSERT_MESH_VALID(grid);
    EXPECT_TRUE(grid.vertices[12].seam());
    EXPECT_FALSE(grid.vertices[12].pinned());
    EXPECT_FALSE(grid.isSeamCorner(12));
    // clearing the marks of a closed seam vertex drops its seam and pin
    grid.vertices[12].setPinned(true);
    for (int x = 0; x < 4; ++x) grid.setEdgeFlag(2 * 5 + x, 2 * 5 + x + 1, false);
    EXPECT_FALSE(grid.vertices[12].flags & (VertexSeam | VertexPinned));
    EXPECT_MESH_VALID(grid);
}

TEST(MeshWalks, collectorsOnAnOpenFanListOneMoreVertexThanTriangles) {
    Mesh m = rebuilt(gridMesh(2));
    // vertex 1 sits on the bottom border with a fan of three triangles
    std::vector<int32_t> verts, tris, seams;
    EXPECT_EQ(m.vertexTriangles(1, tris), 3);
    EXPECT_EQ(m.vertexNeighbours(1, verts), 4);
    EXPECT_EQ(m.valence(1), 4);
    EXPECT_EQ(m.vertexRingPairs(1, verts, tris), 4);
    EXPECT_EQ(tris.back(), -1);
    m.vertexRingEdges(1, verts, tris, seams);
    ASSERT_EQ(seams.size(), 2u);
    EXPECT_EQ(seams.front(), 0);
    EXPECT_EQ(seams.back(), 3);
    std::vector<int32_t> sorted = {verts.front(), verts.back()};
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{0, 2}));
    // interior vertex 4: closed ring of six
    EXPECT_EQ(m.vertexNeighbours(4, verts), 6);
    EXPECT_EQ(m.boundaryNeighbour(4), -1);
}

TEST(MeshWalks, boundaryLoopGoesOnceRoundTheBorder) {
    Mesh m = rebuilt(gridMesh(3));
    std::vector<int32_t> loop;
    EXPECT_EQ(m.boundaryLoop(0, loop), 12);
    std::vector<int32_t> sorted = loop;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    loop.clear();
    EXPECT_EQ(m.boundaryLoop(5, loop), 0);
}

TEST(MeshWalks, fanWalksStopAtMarkedEdges) {
    Mesh m = rebuilt(hexagonFanMesh());
    // mark two spokes: the centre gets two fans
    ASSERT_TRUE(m.setEdgeFlag(0, 1, true));
    ASSERT_TRUE(m.setEdgeFlag(0, 4, true));
    ASSERT_MESH_VALID(m);
    std::vector<int32_t> fans, from, to;
    EXPECT_EQ(m.vertexFans(0, fans), 2);
    EXPECT_EQ(m.vertexTrianglesFrom(0, fans[0], from), 3);
    EXPECT_EQ(m.vertexTrianglesFrom(0, fans[1], from), 3);
    int start = m.fanStart(0, from.back());
    EXPECT_EQ(start, from.front());
    EXPECT_EQ(m.fanEnd(0, from.front()), from.back());
    int after = m.seamNeighbourAfter(0, from[1]), before = m.seamNeighbourBefore(0, from[1]);
    std::vector<int32_t> ends = {after, before};
    std::sort(ends.begin(), ends.end());
    EXPECT_EQ(ends, (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(m.seamNeighbourAfter(1, 0), 2) << "rim vertices are open seams";
    // the open rim vertex 2: the list up to a triangle ends with it
    EXPECT_EQ(m.vertexTrianglesTo(2, m.vertices[2].firstTriangle, to), 1);
}

TEST(MeshWalks, walksOnBrokenLinksTerminate) {
    Mesh m = rebuilt(hexagonFanMesh());
    m.setEdgeFlag(0, 1, true);
    // a stale ring: two triangles point at each other in a loop that never reaches the start
    m.triangles[2].neighbour[0] = 3;
    m.triangles[3].neighbour[0] = 2;
    m.triangles[1].neighbour[1] = 2;
    m.triangles[2].neighbour[1] = 3;
    m.triangles[3].neighbour[1] = 2;
    // and links or walk starts that name no triangle at all
    m.triangles[4].neighbour[2] = 1000;
    m.triangles[5].neighbour[0] = -7;
    m.vertices[6].firstTriangle = 999;
    std::vector<int32_t> tris, verts, corners, seams;
    for (int v = 0; v < m.vertexCount(); ++v) {
        m.vertexTriangles(v, tris);
        m.collectVertexRing(v, tris, corners);
        m.vertexNeighbours(v, verts);
        m.vertexRingEdges(v, verts, tris, seams);
        m.vertexFans(v, tris);
        m.valence(v);
        m.boundaryNeighbour(v);
        verts.clear();
        m.boundaryLoop(v, verts);
        verts.clear();
        m.seamLine(v, verts, true, -1);
        for (int t = 0; t < m.triangleCount(); ++t) {
            if (m.triangles[t].cornerOf(v) < 0) continue;
            m.fanStart(v, t);
            m.fanEnd(v, t);
            m.openFanStart(v, t);
            m.ringFromTriangle(v, t, tris);
            m.vertexTrianglesFrom(v, t, tris);
            m.vertexTrianglesTo(v, t, tris);
        }
        m.updateVertexRing(v);
        m.updateVertexNormal(v);
    }
    m.updateAllRings();
    int t = 0;
    m.selectComponent(vec3(), true, t);
    m.clearSelection();
    t = 0;
    m.selectPatch(vec3(), true, t);
    m.clearSelection();
    m.gatherComponentBrushVertices(vec3(), 5.0f, true, 0);
    m.clearSelection();
    m.orientComponents();
    EXPECT_EQ(m.triangleCount(), 6);
}

// A stale ring that never comes back to its start and passes every winding check: triangle 5
// leads on to a copy of triangle 0, whose links go round again. Only the step limit ends it.
TEST(MeshWalks, staleRingWithoutReturnEndsBrokenAtTheLimit) {
    Mesh m = rebuilt(hexagonFanMesh());
    int copy = m.addTriangle(m.triangles[0]);
    int across = m.triangles[5].slotOf(0);
    ASSERT_GE(across, 0);
    m.triangles[5].neighbour[across] = copy;
    const int limit = m.triangleCount() + 1; // the bound of every walk
    std::vector<int32_t> seen;
    int last, lastCorner;
    meshwalk::RingEnd end =
        meshwalk::walkRing(m.triangles, 0, 0, limit, last, lastCorner, [&](int t, int) { seen.push_back(t); });
    EXPECT_EQ(end, meshwalk::RingEnd::Broken);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, copy, 1}));
    m.vertices[0].firstTriangle = 0;
    std::vector<int32_t> tris;
    EXPECT_EQ(m.vertexTriangles(0, tris), limit);
    EXPECT_EQ(m.valence(0), limit);
}

TEST(MeshEdges, findEdgeAndMarksActOnBothSides) {
    Mesh m = rebuilt(gridMesh(2));
    int t, e;
    ASSERT_TRUE(m.findEdge(4, 5, t, e));
    const MeshTriangle& tri = m.triangles[t];
    int a = tri.vertex[(e + 1) % 3], b = tri.vertex[(e + 2) % 3];
    EXPECT_TRUE((a == 4 && b == 5) || (a == 5 && b == 4));
    EXPECT_FALSE(m.findEdge(0, 8, t, e));
    EXPECT_FALSE(m.setEdgeFlag(0, 8, true));
    // the last edge of an open ring is found through the triangle before it
    ASSERT_TRUE(m.findEdge(1, 0, t, e));
    ASSERT_TRUE(m.setEdgeFlag(4, 5, true));
    EXPECT_MESH_VALID(m);
    ASSERT_TRUE(m.findEdge(4, 5, t, e));
    int n = m.triangles[t].neighbour[e];
    ASSERT_GE(n, 0);
    m.setEdgeMarkBetween(t, n, false);
    EXPECT_FALSE(m.triangles[t].marked(e));
    EXPECT_FALSE(m.triangles[n].marked(m.triangles[n].slotOf(t)));
}

TEST(MeshEdges, seamLineFollowsAMarkedLoop) {
    Mesh m = rebuilt(uvSphereMesh(6, 8));
    // the equator ring: vertices 1 + 2 * 8 .. + 7
    int first = 1 + 2 * 8;
    for (int s = 0; s < 8; ++s) ASSERT_TRUE(m.setEdgeFlag(first + s, first + (s + 1) % 8, true));
    ASSERT_MESH_VALID(m);
    std::vector<int32_t> line;
    EXPECT_EQ(m.seamLine(first, line, false, -1), 8);
    std::sort(line.begin(), line.end());
    for (int s = 0; s < 8; ++s) EXPECT_EQ(line[size_t(s)], first + s);
    line.clear();
    EXPECT_EQ(m.seamLine(0, line, false, -1), 0);
}

TEST(MeshEdges, seamLineWithPinsRunsBetweenTwoPinnedEnds) {
    Mesh m = rebuilt(gridMesh(4));
    // a marked line along row 2 from x = 0 to x = 4; its border ends are open vertices
    for (int x = 0; x < 4; ++x) ASSERT_TRUE(m.setEdgeFlag(10 + x, 11 + x, true));
    m.updateAllRings();
    ASSERT_TRUE(m.vertices[10].pinned());
    ASSERT_TRUE(m.vertices[14].pinned());
    std::vector<int32_t> line;
    m.seamLine(12, line, true, -1);
    ASSERT_EQ(line.size(), 5u);
    std::vector<int32_t> ends = {line.front(), line.back()};
    std::sort(ends.begin(), ends.end());
    EXPECT_EQ(ends, (std::vector<int32_t>{10, 14}));
}

TEST(MeshClosest, pointOverTheThirdEdgeIsNotOverTheTriangle) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(2, 0, 0));
    m.addVertex(vec3(0, 2, 0));
    addTri(m, 0, 1, 2);
    m.rebuild(Recenter::Keep);
    EXPECT_EQ(m.closestTriangle(vec3(0.5f, 0.5f, 3)), 0);
    // over edge corner 0 - corner 1 (s_0 = 0): accepted
    EXPECT_EQ(m.closestTriangle(vec3(1, 0, 1)), 0);
    // far away, nothing over it: the nearest vertex's walk start
    EXPECT_EQ(m.closestTriangle(vec3(50, 50, 0)), 0);

    Mesh two = rebuilt(quadMesh());
    // over the shared diagonal: corner 2 to corner 0 of the first triangle (refused), corner 0 to
    // corner 1 of the second (accepted)
    EXPECT_EQ(two.closestTriangle(vec3(0.5f, 0.5f, 1)), 1);
    EXPECT_EQ(Mesh().closestTriangle(vec3()), -1);
}

TEST(MeshClosest, zeroAreaTrianglesAreSkipped) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(2, 0, 0));
    addTri(m, 0, 1, 2);
    m.rebuild(Recenter::Keep);
    EXPECT_EQ(m.triangles[0].faceNormal, vec3());
    EXPECT_EQ(m.closestTriangle(vec3(1, 0, 1)), 0) << "found only through the nearest vertex";
    EXPECT_MESH_VALID(m);
}

TEST(MeshClosest, nonFiniteVertexIsNeverTheNearest) {
    Mesh m = rebuilt(gridMesh(2));
    m.vertices[0].position = vec3(NAN, NAN, NAN);
    m.updateNormals(NormalUpdate::All);
    int t = m.closestTriangle(vec3(5, 5, 0));
    ASSERT_GE(t, 0);
    EXPECT_GE(m.triangles[t].cornerOf(8), 0);
}

TEST(MeshImport, finishImportMarksEdgesWhereCornerNormalsDisagree) {
    Mesh m = gridMesh(1);
    m.triangles[0].cornerNormal[0] = vec3(0, 0, 1);
    m.triangles[0].cornerNormal[2] = vec3(0, 0, 1);
    m.triangles[1].cornerNormal[0] = vec3(0, 1, 0);
    m.triangles[1].cornerNormal[1] = vec3(0, 0, 1);
    m.finishImport(Recenter::Mean);
    ASSERT_MESH_VALID(m);
    // the shared diagonal 0-3: vertex 0's normals differ on the two sides
    EXPECT_TRUE(m.triangles[0].marked(1));

    Mesh plain = gridMesh(2);
    plain.finishImport(Recenter::Mean);
    for (int t = 0; t < plain.triangleCount(); ++t) EXPECT_EQ(plain.triangles[t].flags & EdgeMarks, 0);
}

} // namespace
} // namespace kal::test
