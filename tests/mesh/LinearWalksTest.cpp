// Hostile OBJ shapes whose import once cost the square of the file: the import's ring walks must
// take a number of steps proportional to the input. Each shape is imported at two sizes and the
// walk steps compared: linear work grows fourfold, quadratic work sixteenfold.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "HostileShapes.h"
#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "mesh/MeshWalk.h"
#include "mesh/ObjImport.h"

using namespace kal;
using namespace kal::test;

namespace {

struct Import {
    uint64_t steps = 0;
    int vertices = 0, triangles = 0, creases = 0;
    bool invalid = false;
};

Import importCounted(const std::string& text) {
    // each thread counts its own walks: count them all on this one
    OneThreadScope serial;
    Mesh m;
    parseObjText(m, text.data(), text.size());
    uint64_t before = meshwalk::walkSteps;
    m.finishImport(Recenter::Mean);
    Import r;
    r.steps = meshwalk::walkSteps - before;
    r.vertices = m.vertexCount();
    r.triangles = m.triangleCount();
    r.invalid = m.invalid;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) r.creases += m.triangles[t].marked(k);
    return r;
}

// Steps at 4n may be a little over four times those at n (fixed costs), never near sixteen.
void expectLinear(const std::function<std::string(int)>& shape, int n) {
    Import small = importCounted(shape(n)), large = importCounted(shape(4 * n));
    EXPECT_GT(small.steps, 0u);
    EXPECT_LE(large.steps, 5 * small.steps + 64) << "steps " << small.steps << " then " << large.steps;
}

// The parsed text with the rebuild's passes up to the crease pass: links, one winding, rings.
Mesh linkedAndSettled(const std::string& text) {
    Mesh m;
    parseObjText(m, text.data(), text.size());
    m.invalid = !m.buildLinks();
    if (m.invalid) return m;
    m.orientComponents();
    m.updateAllRings();
    return m;
}

// The crease pass as it was written first: each creased side marked through setEdgeMark, which
// settles both end rings on the spot, then every ring settled once more.
void marksOneByOne(Mesh& m) {
    bool any = false;
    for (int t = 0; t < m.triangleCount(); ++t) {
        if (!m.triangles[t].alive()) continue;
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[t];
            int n = tri.neighbour[k];
            if (tri.marked(k) || n < 0) continue;
            const MeshTriangle& other = m.triangles[n];
            int o = other.slotOf(t);
            if (o < 0) continue;
            if (tri.cornerNormal[(k + 1) % 3] == other.cornerNormal[(o + 2) % 3] &&
                tri.cornerNormal[(k + 2) % 3] == other.cornerNormal[(o + 1) % 3])
                continue;
            m.setEdgeMark(t, k, true);
            any = true;
        }
    }
    if (any) m.updateAllRings();
}

// A grid of quads, each face with a normal number drawn from a fixed sequence: creases, seam
// vertices, corners where three or more creases meet, and smooth stretches in between.
std::string patchyGrid(int side) {
    std::string s;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x) s += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            state = state * 1103515245u + 12345u;
            int normal = 1 + int((state >> 16) % 3);
            int a = y * (side + 1) + x + 1, b = a + 1, c = a + side + 2, d = a + side + 1;
            s += "f";
            for (int v : {a, b, c, d}) s += " " + std::to_string(v) + "//" + std::to_string(normal);
            s += "\n";
        }
    return s;
}

// Marking in one sweep leaves exactly the records the one-by-one marking leaves, walk starts
// and seam and pinned flags included.
TEST(LinearWalks, creaseSweepGivesTheRecordsOfMarkingOneByOne) {
    for (const std::string& text : {patchyGrid(12), creasedHub(40), pinchedFan(20)}) {
        Mesh m = linkedAndSettled(text);
        ASSERT_FALSE(m.invalid);
        Mesh swept = m, oneByOne = m;
        swept.markNormalCreases();
        marksOneByOne(oneByOne);
        kal::test::expectSameRecords(swept, oneByOne);
    }
}

// The pinch split as it was written first: a ring walk from every corner of a suspect vertex,
// each split settling both rings at once.
void splitCornerByCorner(Mesh& m) {
    int nv = m.vertexCount();
    std::vector<int> uses(size_t(nv), 0);
    for (int t = 0; t < m.triangleCount(); ++t)
        if (m.triangles[t].alive())
            for (int32_t v : m.triangles[t].vertex) ++uses[size_t(v)];
    std::vector<int32_t> fan;
    std::vector<uint8_t> suspect(size_t(nv), 0);
    for (int v = 0; v < nv; ++v)
        suspect[size_t(v)] = uses[size_t(v)] > 0 && m.vertexTriangles(v, fan) != uses[size_t(v)];
    int count = m.triangleCount();
    for (int t = 0; t < count; ++t) {
        if (!m.triangles[t].alive()) continue;
        for (int c = 0; c < 3; ++c) {
            int32_t v = m.triangles[t].vertex[c];
            if (v >= nv || !suspect[size_t(v)]) continue;
            m.ringFromTriangle(v, t, fan);
            bool holdsStart = false;
            for (int32_t f : fan) holdsStart |= f == m.vertices[v].firstTriangle;
            if (holdsStart || fan.empty()) continue;
            m.vertices[v].setPinned(true);
            MeshVertex copy = m.vertices[v];
            copy.flags &= uint8_t(~VertexSelected);
            copy.link = -1;
            int32_t w = m.pushVertex(copy);
            m.vertices[w].firstTriangle = fan[0];
            for (int32_t f : fan) m.triangles[f].vertex[m.triangles[f].cornerOf(v)] = w;
            m.updateVertexRing(v);
            m.updateVertexRing(w);
            m.vertices[v].setPinned(true);
            m.vertices[w].setPinned(true);
        }
    }
}

// Vertex 1 named by a closed fan, an open fan and three lone triangles, in mixed record order.
std::string hedgehog() {
    std::string s = "v 0 0 0\n";
    for (int i = 0; i < 30; ++i) s += "v " + std::to_string(i) + " 1 0\n";
    std::string f;
    for (int i = 0; i < 6; ++i) f += "f 1 " + std::to_string(2 + i) + " " + std::to_string(2 + (i + 1) % 6) + "\n";
    f += "f 1 20 21\n";
    for (int i = 0; i < 4; ++i) f += "f 1 " + std::to_string(10 + i) + " " + std::to_string(11 + i) + "\n";
    f += "f 1 23 24\nf 1 26 27\n";
    return s + f;
}

// Splitting fan by fan leaves exactly the records of splitting corner by corner.
TEST(LinearWalks, pinchSweepGivesTheRecordsOfSplittingCornerByCorner) {
    for (const std::string& text : {hedgehog(), pinchedFan(30), patchyGrid(6) + "v 9 9 9\nv 9 8 9\nf 1 -1 -2\n"}) {
        Mesh m = linkedAndSettled(text);
        ASSERT_FALSE(m.invalid);
        Mesh swept = m, cornerByCorner = m;
        swept.splitPinchedVertices();
        splitCornerByCorner(cornerByCorner);
        EXPECT_GT(swept.vertexCount(), m.vertexCount());
        kal::test::expectSameRecords(swept, cornerByCorner);
    }
}

TEST(LinearWalks, creasedHubMarksEverySpokeInLinearSteps) {
    Import hub = importCounted(creasedHub(64));
    EXPECT_FALSE(hub.invalid);
    EXPECT_EQ(hub.triangles, 64);
    EXPECT_EQ(hub.creases, 2 * 64); // each spoke marked on both of its sides
    expectLinear(creasedHub, 400);
}

TEST(LinearWalks, pinchedFanSplitsInLinearSteps) {
    Import fan = importCounted(pinchedFan(50));
    EXPECT_FALSE(fan.invalid);
    // the lone triangle takes a copy of the hub
    EXPECT_EQ(fan.vertices, 50 + 3 + 1);
    expectLinear(pinchedFan, 400);
}

TEST(LinearWalks, nonOrientableBandsEndTheirWalksAtTheTwist) {
    Import bands = importCounted(moebiusBands(10));
    EXPECT_FALSE(bands.invalid);
    EXPECT_EQ(bands.triangles, 50); // the dead padding is purged
    expectLinear(moebiusBands, 100);
}

} // namespace
