// The rebuild checks pinched vertices on its vertex sweep, with the triangle counts taken by the
// link build, and the winding pass keeps its fill marks beside the records. Both must leave
// exactly the records of the plain passes: the separate public calls, and a winding fill that
// marks the records themselves.
#include <gtest/gtest.h>

#include <algorithm>

#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

Mesh passByPass(Mesh m, Recenter mode, bool markCreases) {
    m.invalid = !m.buildLinks();
    if (m.invalid) return m;
    m.orientComponents();
    m.updateAllRings();
    if (markCreases) m.markNormalCreases();
    m.updateNormals(NormalUpdate::All);
    m.recenter(mode);
    m.splitPinchedVertices();
    m.purgeDeleted(false);
    return m;
}

// The winding fill as it reads when it marks the records (Selected = reversed, Visited = reached)
// and clears the marks of every alive record afterwards.
void orientMarkingRecords(Mesh& m) {
    const uint8_t taken = TriangleSelected | TriangleVisited;
    int nt = m.triangleCount();
    auto next = [](int i) { return (i + 1) % 3; };
    auto prev = [](int i) { return (i + 2) % 3; };
    for (int seed = 0; seed < nt; ++seed) {
        MeshTriangle& s = m.triangles[seed];
        if (!s.alive() || (s.flags & TriangleVisited)) continue;
        s.flags = uint8_t((s.flags & ~taken) | TriangleVisited);
        std::vector<int32_t> component{seed};
        int reversed = 0;
        for (size_t head = 0; head < component.size(); ++head) {
            const MeshTriangle& T = m.triangles[component[head]];
            bool tReversed = T.flags & TriangleSelected;
            for (int k = 0; k < 3; ++k) {
                int32_t n = T.neighbour[k];
                if (n < 0 || n >= nt) continue;
                MeshTriangle& N = m.triangles[n];
                if (N.flags & TriangleVisited) continue;
                N.flags = uint8_t((N.flags & ~taken) | TriangleVisited);
                int i = N.cornerOf(T.vertex[next(k)]);
                bool sameWay = i >= 0 && N.vertex[next(i)] == T.vertex[prev(k)];
                if (tReversed != sameWay) {
                    N.flags |= TriangleSelected;
                    ++reversed;
                }
                component.push_back(n);
            }
        }
        bool flipSeedSide = reversed > int(component.size()) - reversed;
        for (int32_t t : component) {
            MeshTriangle& tri = m.triangles[t];
            if (bool(tri.flags & TriangleSelected) == flipSeedSide) continue;
            std::swap(tri.vertex[0], tri.vertex[2]);
            std::swap(tri.neighbour[0], tri.neighbour[2]);
            uint8_t f = tri.flags;
            tri.flags = uint8_t((f & ~0x05) | ((f & 0x01) << 2) | ((f & 0x04) >> 2));
            std::swap(tri.corner[0], tri.corner[2]);
        }
    }
    for (int t = 0; t < nt; ++t)
        if (m.triangles[t].alive()) m.triangles[t].flags &= uint8_t(~taken);
}

void flipAll(Mesh& m, int from, int to) {
    for (int t = from; t < to; ++t) std::swap(m.triangles[t].vertex[0], m.triangles[t].vertex[1]);
}

// Two closed cubes of one winding sharing a corner: both fans round it are closed rings.
Mesh weldedCubes() {
    Mesh m = cubeMesh(true);
    Mesh second = cubeMesh(true);
    m.append(&second);
    for (int t = 12; t < m.triangleCount(); ++t)
        for (int32_t& v : m.triangles[t].vertex)
            if (v == 8) v = 0;
    m.vertices[8].flags &= uint8_t(~VertexAlive);
    return m;
}

// Several components: a sphere wound inside out, a cube with one face flipped, a bow-tie, a fan
// whose majority is flipped, and two cubes welded at one corner (a pinched vertex).
Mesh manyComponents() {
    Mesh m = uvSphereMesh(4, 6);
    flipAll(m, 0, m.triangleCount());
    Mesh cube = cubeMesh(false);
    flipAll(cube, 2, 4);
    Mesh fan = hexagonFanMesh();
    flipAll(fan, 0, 4);
    for (const Mesh& part : {cube, bowTieMesh(), fan}) m.append(&part);
    Mesh welded = weldedCubes();
    m.append(&welded);
    return m;
}

// The same with deleted records left in place, stale selection marks and distinct corner colours
// (so a reversal that moves the wrong corners shows).
Mesh withDeletedAndMarked() {
    Mesh m = manyComponents();
    for (int t : {1, 9, 30}) m.triangles[t].flags &= uint8_t(~TriangleAlive);
    for (int t = 0; t < m.triangleCount(); t += 5) m.triangles[t].flags |= TriangleSelected;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) m.triangles[t].corner[c].red = uint16_t(t * 3 + c);
    return m;
}

TEST(OrientAndPinch, rebuildEqualsSeparateCallsOnManyComponentsAndPinches) {
    for (Recenter mode : {Recenter::Keep, Recenter::Mean}) {
        for (bool creases : {false, true}) {
            for (Mesh m : {manyComponents(), withDeletedAndMarked(), bowTieMesh(), weldedCubes()}) {
                if (creases && m.triangleCount() > 2) m.triangles[2].cornerNormal[1] = vec3(3, 1, 2); // one crease
                Mesh expected = passByPass(m, mode, creases);
                if (creases)
                    m.finishImport(mode);
                else
                    m.rebuild(mode);
                expectSameRecords(m, expected);
                EXPECT_MESH_VALID(m);
            }
        }
    }
}

// On a mesh of one winding the rebuild reverses nothing; the selection marks it drops (and the
// dead records it leaves alone) must still be those of the passes.
TEST(OrientAndPinch, rebuildOfOneWindingDropsMarksLikeThePasses) {
    for (Mesh m : {uvSphereMesh(5, 8), cubeMesh(true), gridMesh(3)}) {
        m.triangles[0].flags |= TriangleVisited;
        m.triangles[3].flags |= TriangleSelected;
        m.triangles[5].flags |= TriangleSelected | TriangleVisited;
        m.triangles[7].flags = uint8_t((m.triangles[7].flags & ~TriangleAlive) | TriangleSelected);
        Mesh expected = passByPass(m, Recenter::Keep, false);
        m.rebuild(Recenter::Keep);
        expectSameRecords(m, expected);
        EXPECT_MESH_VALID(m);
    }
}

TEST(OrientAndPinch, rebuildSplitsEveryPinchedVertexOnce) {
    Mesh m = rebuilt(manyComponents());
    Mesh again = m;
    again.splitPinchedVertices(); // nothing left to split
    expectSameRecords(again, m);
    // the bow-tie centre and the welded cube corner each gained one copy; the welded-away corner
    // is dead (a dead vertex alone starts no purge)
    Mesh source = manyComponents();
    auto alive = [](const Mesh& x) {
        int count = 0;
        for (int v = 0; v < x.vertexCount(); ++v) count += x.vertices[v].alive();
        return count;
    };
    EXPECT_EQ(alive(m), alive(source) + 2);
    EXPECT_EQ(m.vertexCount(), source.vertexCount() + 2);
}

TEST(OrientAndPinch, windingMatchesFillThatMarksRecords) {
    for (Mesh m : {manyComponents(), withDeletedAndMarked()}) {
        ASSERT_TRUE(m.buildLinks());
        Mesh expected = m;
        orientMarkingRecords(expected);
        m.orientComponents();
        expectSameRecords(m, expected);
    }
}

// Records marked Visited before the pass stay out of every fill; dead records reached through
// stale links keep the fill's marks. Both as when the fill marks the records.
TEST(OrientAndPinch, windingHonoursPresetVisitsAndStaleLinks) {
    Mesh m = withDeletedAndMarked();
    ASSERT_TRUE(m.buildLinks());
    m.triangles[0].flags |= TriangleVisited; // first of its component: the fill starts past it
    m.triangles[4].flags |= TriangleVisited;
    m.triangles[40].flags |= TriangleVisited | TriangleSelected;
    // a dead record still linked from its alive neighbours, one of them wound against it
    int dead = 12;
    m.triangles[dead].flags &= uint8_t(~TriangleAlive);
    std::swap(m.triangles[dead].vertex[0], m.triangles[dead].vertex[1]);
    Mesh expected = m;
    orientMarkingRecords(expected);
    m.orientComponents();
    expectSameRecords(m, expected);
    EXPECT_TRUE(m.triangles[dead].flags & TriangleVisited);
}

} // namespace
} // namespace kal::test
