// Corner material smoothing against its defining arithmetic: per triangle each corner goes halfway
// to the triangle's mean, then per fan every corner takes the fan's mean, all in truncating 64-bit
// integers, narrowed and clamped to the stored ranges. The reference below spells that out with
// pbrAccumulator, the program's general material arithmetic.
#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "foundation/Parallel.h"

namespace kal::test {
namespace {

void referenceBlend(MeshTriangle& tri, uint8_t mask) {
    pbrAccumulator mean(tri.corner[0]);
    mean.add(tri.corner[1], kPbrAll);
    mean.add(tri.corner[2], kPbrAll);
    mean.divide(3, kPbrAll);
    for (pbr& corner : tri.corner) {
        pbrAccumulator blend(corner);
        blend.add(mean, kPbrAll);
        blend.divide(2, kPbrAll);
        pbrCopyMasked(corner, blend.toPbr(), mask);
    }
}

// The fans of v: runs of its ring between marked or open edges, found without the mesh's walks.
void referenceFans(Mesh& m, int v, uint8_t mask) {
    std::vector<int32_t> tris, corners;
    m.collectVertexRing(v, tris, corners);
    if (tris.empty()) return;
    // rotate so the list starts right after a fan boundary (the ring start is one when v is a seam)
    std::vector<std::vector<int>> fans(1);
    for (size_t i = 0; i < tris.size(); ++i) {
        fans.back().push_back(int(i));
        const MeshTriangle& tri = m.triangles[tris[i]];
        int back = (corners[i] + 1) % 3;
        if (tri.marked(back) || tri.neighbour[back] < 0) fans.emplace_back();
    }
    for (const auto& fan : fans) {
        if (fan.empty()) continue;
        pbrAccumulator sum;
        for (int i : fan) sum.add(m.triangles[tris[size_t(i)]].corner[corners[size_t(i)]], kPbrAll);
        sum.divide(int(fan.size()), kPbrAll);
        for (int i : fan) pbrCopyMasked(m.triangles[tris[size_t(i)]].corner[corners[size_t(i)]], sum.toPbr(), mask);
    }
}

void referenceSmooth(Mesh& m, uint8_t mask) {
    for (int t = 0; t < m.triangleCount(); ++t)
        if (m.triangles[t].alive()) referenceBlend(m.triangles[t], mask);
    for (int v = 0; v < m.vertexCount(); ++v)
        if (m.vertices[v].alive()) referenceFans(m, v, mask);
}

// Every corner a different material, some channels at and past the ends of their ranges.
void paintVaried(Mesh& m) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int t = 0; t < m.triangleCount(); ++t)
        for (pbr& c : m.triangles[t].corner) {
            uint16_t* u[8] = {&c.red,      &c.green,      &c.blue,      &c.opacity,
                              &c.lightRed, &c.lightGreen, &c.lightBlue, &c.refractivity};
            for (uint16_t* f : u) *f = uint16_t(next() % 5 == 0 ? 65535 : next() % 65536);
            c.roughness = int16_t(next() % 7 == 0 ? -32768 : int(next() % 65536) - 32768);
            c.metalness = int16_t(next() % 7 == 0 ? 32767 : int(next() % 65536) - 32768);
        }
}

bool sameMaterials(const Mesh& a, const Mesh& b) {
    for (int t = 0; t < a.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c)
            if (a.triangles[t].corner[c] != b.triangles[t].corner[c]) return false;
    return true;
}

// A grid with a hard line through it and an open rim, so vertices have one, two or more fans.
Mesh fannedGrid() {
    Mesh m = rebuilt(gridMesh(5));
    for (int x = 0; x < 5; ++x) m.setEdgeFlag(12 + x, 13 + x, true);
    m.setEdgeFlag(14, 20, true);
    return m;
}

TEST(MaterialSmoothing, variedCornersMatchTheTruncatingIntegerMeans) {
    for (uint8_t mask : {kPbrAll, uint8_t(kPbrColor | kPbrRoughness), kPbrMetalness, uint8_t(0)}) {
        Mesh m = fannedGrid();
        paintVaried(m);
        Mesh expected = m;
        m.smoothMaterials(mask, 1);
        referenceSmooth(expected, mask);
        EXPECT_TRUE(sameMaterials(m, expected)) << int(mask);
        ASSERT_MESH_VALID(m);
    }
}

TEST(MaterialSmoothing, oneMaterialEverywhereOnlyClampsOutOfRangeSignedChannels) {
    Mesh m = fannedGrid();
    pbr odd;
    odd.red = 7;
    odd.roughness = -32768; // below the stored range
    odd.metalness = 32767;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (pbr& c : m.triangles[t].corner) c = odd;
    Mesh expected = m;
    m.smoothMaterials(kPbrAll, 2);
    referenceSmooth(expected, kPbrAll);
    referenceSmooth(expected, kPbrAll);
    EXPECT_TRUE(sameMaterials(m, expected));
    EXPECT_EQ(m.triangles[3].corner[1].roughness, -kPbrSignedLimit);
    EXPECT_EQ(m.triangles[3].corner[1].metalness, kPbrSignedLimit);
    EXPECT_EQ(m.triangles[3].corner[1].red, 7);
    // a masked-out channel keeps its out-of-range value
    Mesh colourOnly = fannedGrid();
    for (int t = 0; t < colourOnly.triangleCount(); ++t)
        for (pbr& c : colourOnly.triangles[t].corner) c = odd;
    colourOnly.smoothMaterials(kPbrColor, 1);
    EXPECT_EQ(colourOnly.triangles[3].corner[1].roughness, -32768);
}

TEST(MaterialSmoothing, singleTriangleAndSingleVertexCallsMatchTheReference) {
    Mesh m = fannedGrid();
    paintVaried(m);
    Mesh expected = m;
    m.blendTriangleMaterials(7, kPbrLight);
    referenceBlend(expected.triangles[7], kPbrLight);
    m.averageVertexMaterials(14, kPbrAll);
    referenceFans(expected, 14, kPbrAll);
    EXPECT_TRUE(sameMaterials(m, expected));
}

// relax moves positions by the smoothing targets and smooths materials once, as two separate
// passes would.
TEST(MaterialSmoothing, relaxEqualsThePositionPassFollowedByTheMaterialPass) {
    for (bool seamsToo : {false, true}) {
        Mesh m = fannedGrid();
        paintVaried(m);
        for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z = float((v * 5) % 7) * 0.25f;
        m.vertices[8].setPinned(true);
        Mesh expected = m;
        std::vector<vec3> targets(size_t(m.vertexCount()));
        for (int v = 0; v < m.vertexCount(); ++v) targets[size_t(v)] = expected.smoothTarget(v);
        for (int v = 0; v < m.vertexCount(); ++v) {
            MeshVertex& vx = expected.vertices[v];
            if (vx.seam() && !seamsToo) continue;
            vx.position = ((dvec3(vx.position) + dvec3(targets[size_t(v)])) * 0.5).toFloat();
        }
        referenceSmooth(expected, kPbrAll);
        m.relax(seamsToo, false);
        for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].position, expected.vertices[v].position) << v;
        EXPECT_TRUE(sameMaterials(m, expected));
        ASSERT_MESH_VALID(m);
    }
}

// One in-range material everywhere smooths to itself; a single different corner anywhere a walk can
// reach, even on a deleted but still linked triangle, must still spread.
TEST(MaterialSmoothing, oneMaterialMeshStaysAndAnyOddCornerStillSpreads) {
    pbr paint;
    paint.red = 1000;
    paint.roughness = -32766;
    paint.metalness = 32766;
    auto painted = [&paint] {
        Mesh m = fannedGrid();
        for (int t = 0; t < m.triangleCount(); ++t)
            for (pbr& c : m.triangles[t].corner) c = paint;
        return m;
    };
    Mesh same = painted();
    same.smoothMaterials(kPbrAll, 3);
    same.relax(true, false);
    for (int t = 0; t < same.triangleCount(); ++t)
        for (const pbr& c : same.triangles[t].corner) EXPECT_EQ(c, paint);

    for (bool deadOdd : {false, true}) {
        Mesh m = painted();
        m.triangles[20].corner[1].green = 7;
        // deleted without unlinking: the neighbours' walks still reach it
        if (deadOdd) m.triangles[20].flags &= uint8_t(~TriangleAlive);
        Mesh expected = m;
        m.smoothMaterials(kPbrAll, 1);
        referenceSmooth(expected, kPbrAll);
        EXPECT_TRUE(sameMaterials(m, expected)) << deadOdd;
        Mesh relaxed = expected; // a second pass through relax, from the same start
        Mesh relaxedExpected = expected;
        relaxed.relax(false, false);
        referenceSmooth(relaxedExpected, kPbrAll);
        EXPECT_TRUE(sameMaterials(relaxed, relaxedExpected)) << deadOdd;
    }
}

// On a mesh large enough to be checked in parallel blocks, one odd corner in the last triangle
// still counts: every block must be looked at, not only the first to finish.
TEST(MaterialSmoothing, oddCornerInTheLastBlockOfALargeMeshStillSpreads) {
    Mesh m = rebuilt(gridMesh(100));
    ASSERT_GT(m.triangleCount(), 16384);
    int last = m.triangleCount() - 1;
    m.triangles[last].corner[2].green = 7;
    Mesh expected = m;
    m.relax(false, false);
    referenceSmooth(expected, kPbrAll);
    EXPECT_NE(m.triangles[last].corner[2].green, 7);
    EXPECT_TRUE(sameMaterials(m, expected));
}

} // namespace
} // namespace kal::test
