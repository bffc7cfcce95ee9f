// The link rebuild groups edges by their lower vertex; a vertex with many edges is handled apart
// from one with a few. These cases check the links against a brute-force pairing of triangle sides.
#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

// For every side of every alive triangle, the other alive triangle on the same edge (-1 if none),
// by comparing all pairs.
std::vector<int> bruteForceLinks(const Mesh& m) {
    int nt = m.triangleCount();
    std::vector<int> links(size_t(nt) * 3, -1);
    for (int t = 0; t < nt; ++t) {
        if (!m.triangles[t].alive()) continue;
        for (int k = 0; k < 3; ++k) {
            int a = m.triangles[t].vertex[(k + 1) % 3], b = m.triangles[t].vertex[(k + 2) % 3];
            for (int u = 0; u < nt; ++u) {
                if (u == t || !m.triangles[u].alive()) continue;
                const int32_t* w = m.triangles[u].vertex;
                bool hasA = w[0] == a || w[1] == a || w[2] == a, hasB = w[0] == b || w[1] == b || w[2] == b;
                if (hasA && hasB) links[size_t(3 * t + k)] = u;
            }
        }
    }
    return links;
}

void expectLinksMatchBruteForce(Mesh& m) {
    std::vector<int> expected = bruteForceLinks(m);
    ASSERT_TRUE(m.buildLinks());
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(m.triangles[t].neighbour[k], expected[size_t(3 * t + k)]) << "triangle " << t << " side " << k;
}

// A closed fan of n triangles round vertex hub, capped below by a fan round vertex apex, so both
// have n edges; the rim runs 1..n.
Mesh doubleFan(int n, int hub, int apex) {
    Mesh m;
    for (int i = 0; i < n + 2; ++i) m.addVertex(vec3(float(i), float(i * i % 7), 0));
    auto rim = [n, hub, apex](int i) {
        // rim vertices are the ids left over once hub and apex are placed
        int id = i % n;
        for (int skip : {std::min(hub, apex), std::max(hub, apex)})
            if (id >= skip) ++id;
        return id;
    };
    for (int i = 0; i < n; ++i) addTri(m, hub, rim(i), rim(i + 1));
    for (int i = 0; i < n; ++i) addTri(m, apex, rim(i + 1), rim(i));
    return m;
}

TEST(LinkBuckets, crowdedLowestVertexLinksLikeThePairwiseSearch) {
    // hub 0 is the lower end of all its 40 edges: one crowded bucket
    Mesh m = doubleFan(40, 0, 1);
    expectLinksMatchBruteForce(m);
    m.rebuild(Recenter::Keep);
    ASSERT_FALSE(m.invalid);
    EXPECT_MESH_VALID(m);
    EXPECT_EQ(m.valence(0), 40);
}

TEST(LinkBuckets, crowdedHighestVertexAndShuffledTrianglesLinkLikeThePairwiseSearch) {
    Mesh m = doubleFan(25, 26, 0);
    // reverse the triangle order so bucket contents arrive in a different order
    Mesh reversed;
    for (int v = 0; v < m.vertexCount(); ++v) reversed.addVertex(m.vertices[v].position);
    for (int t = m.triangleCount() - 1; t >= 0; --t)
        addTri(reversed, m.triangles[t].vertex[0], m.triangles[t].vertex[1], m.triangles[t].vertex[2]);
    expectLinksMatchBruteForce(m);
    expectLinksMatchBruteForce(reversed);
    Mesh sphere = uvSphereMesh(5, 30);
    expectLinksMatchBruteForce(sphere);
}

TEST(LinkBuckets, thirdTriangleOnAnEdgeOfACrowdedVertexFailsWithoutWritingLinks) {
    for (int extra : {0, 1}) {
        Mesh m = doubleFan(30, 0, 1);
        // one more triangle on the edge hub - first rim vertex, listed first or last
        int rim0 = 2, far = m.addVertex(vec3(0, 0, 5));
        if (extra == 0) {
            Mesh front;
            for (int v = 0; v < m.vertexCount(); ++v) front.addVertex(m.vertices[v].position);
            addTri(front, 0, far, rim0);
            for (int t = 0; t < m.triangleCount(); ++t)
                addTri(front, m.triangles[t].vertex[0], m.triangles[t].vertex[1], m.triangles[t].vertex[2]);
            m = front;
        } else {
            addTri(m, 0, far, rim0);
        }
        for (int t = 0; t < m.triangleCount(); ++t)
            for (int k = 0; k < 3; ++k) m.triangles[t].neighbour[k] = 1000 + t;
        EXPECT_FALSE(m.buildLinks()) << extra;
        for (int t = 0; t < m.triangleCount(); ++t)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(m.triangles[t].neighbour[k], 1000 + t);
        m.rebuild(Recenter::Keep);
        EXPECT_TRUE(m.invalid);
    }
}

TEST(LinkBuckets, deadAndUnusableTrianglesKeepTheirOldLinksAndAreSkipped) {
    Mesh m = gridMesh(3);
    m.triangles[4].flags &= uint8_t(~TriangleAlive);
    m.triangles[4].neighbour[0] = 77;
    m.triangles[6].vertex[2] = 999; // names no vertex: dies
    std::vector<int> expected;
    {
        Mesh probe = m;
        probe.triangles[6].flags &= uint8_t(~TriangleAlive);
        expected = bruteForceLinks(probe);
    }
    ASSERT_TRUE(m.buildLinks());
    EXPECT_FALSE(m.triangles[6].alive());
    EXPECT_EQ(m.triangles[4].neighbour[0], 77);
    EXPECT_TRUE(m.purgeNeeded);
    for (int t = 0; t < m.triangleCount(); ++t) {
        if (!m.triangles[t].alive()) continue;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(m.triangles[t].neighbour[k], expected[size_t(3 * t + k)]) << t;
    }
}

} // namespace
} // namespace kal::test
