// Edge lookup by its two end vertices: the answer is the first triangle, in the ring order of the
// first vertex, holding the edge (through the triangle before the open end for the last boundary
// neighbour). The reference reads the ring through the public collector.
#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

bool referenceFindEdge(const Mesh& m, int a, int b, int& t, int& e) {
    std::vector<int32_t> verts, tris;
    int n = m.vertexRingPairs(a, verts, tris);
    for (int i = 0; i < n; ++i) {
        if (verts[size_t(i)] != b) continue;
        int tt = tris[size_t(i)];
        if (tt < 0) {
            if (i == 0) return false;
            tt = tris[size_t(i - 1)];
        }
        t = tt;
        e = 3 - m.triangles[tt].cornerOf(a) - m.triangles[tt].cornerOf(b);
        return true;
    }
    return false;
}

void expectLookupsMatch(const Mesh& m) {
    for (int a = 0; a < m.vertexCount(); ++a)
        for (int b = 0; b < m.vertexCount(); ++b) {
            int t1 = -7, e1 = -7, t2 = -7, e2 = -7;
            bool found = m.findEdge(a, b, t1, e1);
            ASSERT_EQ(found, referenceFindEdge(m, a, b, t2, e2)) << a << "-" << b;
            if (!found) continue;
            EXPECT_EQ(t1, t2) << a << "-" << b;
            EXPECT_EQ(e1, e2) << a << "-" << b;
        }
}

TEST(EdgeLookup, everyVertexPairAnswersLikeTheRingOrderDefinition) {
    // open borders (the last boundary neighbour), marked seams, and a closed surface
    Mesh grid = rebuilt(gridMesh(3));
    grid.setEdgeFlag(5, 6, true);
    expectLookupsMatch(grid);
    expectLookupsMatch(rebuilt(hexagonFanMesh()));
    expectLookupsMatch(rebuilt(uvSphereMesh(4, 6)));
    expectLookupsMatch(rebuilt(quadMesh()));
}

TEST(EdgeLookup, brokenOrMissingRingsAnswerNoEdgeAndTerminate) {
    Mesh m = rebuilt(octahedronMesh());
    int t, e;
    // a walk start that does not hold the vertex, and one outside the store
    m.vertices[0].firstTriangle = -1;
    EXPECT_FALSE(m.findEdge(0, 1, t, e));
    m.vertices[0].firstTriangle = 500;
    EXPECT_FALSE(m.findEdge(0, 1, t, e));
    // links that loop without returning to the start: the step limit ends the walk, and the
    // answers still follow the ring as far as it goes
    Mesh cycle = rebuilt(octahedronMesh());
    for (int k = 0; k < 3; ++k) cycle.triangles[1].neighbour[k] = 1;
    expectLookupsMatch(cycle);
}

} // namespace
} // namespace kal::test
