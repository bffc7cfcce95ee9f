// Fills, erasers, patterns and the Patch-mode brushes.
#include <gtest/gtest.h>

#include <cmath>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

Mesh twoOctahedra() {
    Mesh a = octahedronMesh(), b = octahedronMesh();
    for (int v = 0; v < b.vertexCount(); ++v) b.vertices[v].position.x += 4;
    a.append(&b);
    return rebuilt(a);
}

int vertexAt(const Mesh& m, vec3 p) {
    for (int v = 0; v < m.vertexCount(); ++v)
        if (lengthSquared(m.vertices[v].position - p) < 1e-12) return v;
    return -1;
}

// A 4 x 4 grid with the marked edges along the given chain of grid points.
Mesh gridWithLine(std::initializer_list<vec3> chain) {
    Mesh m = rebuilt(gridMesh(4));
    const vec3* prev = nullptr;
    for (const vec3& p : chain) {
        if (prev) m.setEdgeFlag(vertexAt(m, *prev), vertexAt(m, p), true);
        prev = &p;
    }
    m.updateNormals(NormalUpdate::All);
    return m;
}

TEST(RegionFill, TakesOnlyTheRegionUnderThePoint) {
    Mesh m = twoOctahedra();
    pbr paint;
    paint.red = 0;
    paint.roughness = -32767;
    m.fillMaterial(vec3(4.3f, 0.3f, 0.3f), -1, paint, kPbrColor | kPbrRoughness);
    for (int t = 0; t < m.triangleCount(); ++t) {
        bool right = m.vertices[m.triangles[t].vertex[0]].position.x > 2;
        EXPECT_EQ(m.triangles[t].corner[1].red, right ? 0 : 65535) << t;
        EXPECT_EQ(m.triangles[t].corner[1].roughness, right ? -32766 : 0) << t;
    }
    Mesh cube = rebuilt(cubeMesh(true));
    cube.fillPatch(vec3(), 0, paint, kPbrColor);
    int painted = 0;
    for (int t = 0; t < cube.triangleCount(); ++t) painted += cube.triangles[t].corner[0].red == 0;
    EXPECT_EQ(painted, 2);
    EXPECT_TRUE(cube.selectedTriangles.empty());
}

TEST(RegionErase, PatchLeavesAnOpenBoxAndComponentLeavesNothingBehind) {
    Mesh cube = rebuilt(cubeMesh(true));
    cube.erasePatch(vec3(), 0);
    EXPECT_EQ(cube.triangleCount(), 10);
    EXPECT_EQ(cube.vertexCount(), 8);
    EXPECT_EQ(countEdges(cube).open, 4);
    EXPECT_MESH_VALID(cube, InvariantOptions{false, true, false});

    Mesh two = twoOctahedra();
    two.eraseComponent(vec3(0.3f, 0.3f, 0.3f), -1);
    EXPECT_EQ(two.triangleCount(), 8);
    EXPECT_EQ(two.vertexCount(), 6);
    for (int v = 0; v < two.vertexCount(); ++v) EXPECT_GT(two.vertices[v].position.x, 2);
    EXPECT_MESH_VALID(two, InvariantOptions{false, true, false});
}

TEST(RegionErase, FeatureBetweenPinnedCornersJoinsTwoFaces) {
    Mesh cube = rebuilt(cubeMesh(true));
    for (int v = 0; v < 8; ++v) cube.vertices[v].setPinned(true);
    // near the edge between the -z face and the -y face
    cube.eraseFeature(vec3(0, -0.9f, -1), true, 0);
    int t = 0;
    cube.selectPatch(vec3(), true, t);
    EXPECT_EQ(cube.selectedTriangles.size(), 4u);
    cube.clearSelection();
    EXPECT_EQ(countEdges(cube).marked, 11);
    EXPECT_MESH_VALID(cube);
}

TEST(RegionErase, FeatureWalksStopOnClosedLoopsAndUnpinnedEnds) {
    Mesh loop = gridWithLine({vec3(1, 1, 0), vec3(2, 1, 0), vec3(3, 1, 0), vec3(3, 2, 0), vec3(3, 3, 0), vec3(2, 3, 0),
                              vec3(1, 3, 0), vec3(1, 2, 0), vec3(1, 1, 0)});
    ASSERT_EQ(countEdges(loop).marked, 8);
    loop.eraseFeature(vec3(2, 1.1f, 0), true, -1);
    EXPECT_EQ(countEdges(loop).marked, 0);
    EXPECT_MESH_VALID(loop);

    Mesh line = gridWithLine({vec3(1, 2, 0), vec3(2, 2, 0), vec3(3, 2, 0)});
    for (int v = 0; v < line.vertexCount(); ++v) line.vertices[v].flags &= uint8_t(~VertexPinned);
    line.eraseFeature(vec3(2.5f, 2.1f, 0), true, -1);
    EXPECT_EQ(countEdges(line).marked, 0);
    EXPECT_MESH_VALID(line);
}

// A tile of the reference triangle with one inner vertex at tile point (0.1, 0.2, 0.3).
Mesh fanTile() {
    Mesh tile;
    const float h = std::sqrt(3.0f) / 2;
    tile.addVertex(vec3(0, 1, 0));
    tile.addVertex(vec3(-h, -0.5f, 0));
    tile.addVertex(vec3(h, -0.5f, 0));
    tile.addVertex(vec3(0.1f, 0.2f, 0.3f));
    addTri(tile, 0, 1, 3);
    addTri(tile, 1, 2, 3);
    addTri(tile, 2, 0, 3);
    return rebuilt(tile);
}

TEST(RegionPattern, TilePlacedInTheTriangleFrameAndLinkedToItsNeighbours) {
    // the reference triangle doubled and moved by (1, 1, 1), beside a second triangle
    const float h = std::sqrt(3.0f) / 2;
    Mesh m;
    m.addVertex(vec3(1, 3, 1));
    m.addVertex(vec3(1 - 2 * h, 0, 1));
    m.addVertex(vec3(1 + 2 * h, 0, 1));
    m.addVertex(vec3(1, -3, 1));
    addTri(m, 0, 1, 2);
    addTri(m, 2, 1, 3);
    m = rebuilt(m);
    Mesh tile = fanTile();
    m.tileTriangle(0, &tile);
    m.purgeDeleted(false);
    EXPECT_EQ(m.triangleCount(), 4);
    EXPECT_EQ(m.vertexCount(), 5);
    EXPECT_EQ(verticesAt(m, vec3(1.2f, 1.4f, 1.6f)), 1);
    // the old neighbour links to the tile triangle on its edge, and back
    int across = 0;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            int n = m.triangles[t].neighbour[k];
            if (n < 0) continue;
            EXPECT_GE(m.triangles[n].slotOf(t), 0);
            ++across;
        }
    EXPECT_EQ(across, 8);
    EXPECT_MESH_VALID(m);
}

TEST(RegionPattern, DeadTrianglesStayDead) {
    Mesh m = rebuilt(gridMesh(2));
    m.deleteTriangle(3);
    m.purgeNeeded = false;
    int alive = 0;
    for (int t = 0; t < m.triangleCount(); ++t) alive += m.triangles[t].alive();
    Mesh tile(*std::unique_ptr<Mesh>(Mesh::createPatternTile(0.7f, false)));
    const int count = m.triangleCount();
    for (int t = 0; t < count; ++t) m.tileTriangle(t, &tile);
    int after = 0;
    for (int t = 0; t < m.triangleCount(); ++t) after += m.triangles[t].alive();
    EXPECT_EQ(after, alive * tile.triangleCount());
}

TEST(RegionPatchBrush, PaintStaysInTheFanOfThePatch) {
    Mesh cube = rebuilt(cubeMesh(true));
    pbr paint;
    paint.red = 0;
    int corner = vertexAt(cube, vec3(-1, -1, -1));
    cube.paintPatch(vec3(-1, -1, -1), 0.5f, 0, paint, kPbrColor, 1.0f);
    std::vector<int32_t> ring;
    cube.vertexTriangles(corner, ring);
    int painted = 0;
    for (int32_t t : ring) {
        int c = cube.triangles[t].cornerOf(corner);
        bool inFace = t == 0 || t == 1;
        EXPECT_EQ(cube.triangles[t].corner[c].red, inFace ? 0 : 65535) << t;
        painted += cube.triangles[t].corner[c].red == 0;
    }
    EXPECT_GE(painted, 1);
}

TEST(RegionPatchBrush, DeformMovesAVertexOfTwoFansOnce) {
    // (2, 2) lies inside a marked line that ends inside the patch: two fans, one patch
    Mesh m = gridWithLine({vec3(1, 2, 0), vec3(2, 2, 0), vec3(3, 2, 0)});
    int v = vertexAt(m, vec3(2, 2, 0));
    m.deformPatch(vec3(2, 2, 0), vec3(2, 2, 1), 0.5f, -1);
    EXPECT_EQ(m.vertices[v].position, vec3(2, 2, 1));
    EXPECT_MESH_VALID(m);

    Mesh s = gridWithLine({vec3(1, 2, 0), vec3(2, 2, 0), vec3(3, 2, 0)});
    s.vertices[v].position.z = 1;
    s.updateNormals(NormalUpdate::All);
    s.deformComponent(vec3(2, 2, 1), vec3(2, 2, 2), 0.5f, -1);
    EXPECT_EQ(s.vertices[v].position, vec3(2, 2, 2));
}

} // namespace
} // namespace kal::test

namespace kal::test {
namespace {

TEST(RegionPatchBrush, PatchAndComponentStrokesGatherAsTheFloodDoes) {
    // two spheres of several record runs each, the second shifted by 1.5 along x so they overlap;
    // the first parted into two patches along a marked ring
    Mesh a = uvSphereMesh(60, 80), b = uvSphereMesh(60, 80);
    for (int v = 0; v < b.vertexCount(); ++v) b.vertices[v].position.x += 1.5f;
    a.append(&b);
    Mesh start = rebuilt(a);
    ASSERT_GT(start.vertexCount(), 2 * MeshStrokeCache::kRun);
    const int ring = 1 + 27 * 80; // the ring at row 28, a little above the equator
    for (int s = 0; s < 80; ++s) start.setEdgeFlag(ring + s, ring + (s + 1) % 80, true);
    for (int mode : {SelectComponent, SelectPatch})
        for (Brush code : {Brush::Deform, Brush::Smooth, Brush::PaintMaterial}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " code " << brushName(code));
            Mesh stroked = start, direct = start;
            std::vector<StrokeSample> samples = {sampleAt(vec3(0.9f, 0, 0.3f), 0.5f),
                                                 sampleAt(vec3(1.0f, 0, 0.3f), 0.5f)};
            for (StrokeSample& s : samples) s.material.red = 0;
            auto g = stroke(code, mode, GestureRunning, samples);
            for (int tick = 0; tick < 4; ++tick) {
                apply(stroked, {g.get()});
                const StrokeSample& P = g->samples[g->samples.size() - 2];
                const StrokeSample& L = g->samples.back();
                const bool patch = mode == SelectPatch;
                if (code == Brush::Deform && patch) direct.deformPatch(P.point, L.point, P.radius, -1);
                if (code == Brush::Deform && !patch) direct.deformComponent(P.point, L.point, P.radius, -1);
                if (code == Brush::Smooth && patch) direct.smoothPatch(P.point, L.point, P.radius, -1);
                if (code == Brush::Smooth && !patch) direct.smoothComponent(P.point, L.point, P.radius, -1);
                if (code == Brush::PaintMaterial && patch)
                    direct.paintPatch(P.point, P.radius, -1, P.material, 0xFF, 0.5f);
                if (code == Brush::PaintMaterial && !patch)
                    direct.paintComponent(P.point, P.radius, -1, P.material, 0xFF, 0.5f);
                StrokeSample next = sampleAt(L.point + vec3(0.05f, 0.02f, 0.04f), 0.5f);
                next.material.red = 0;
                g->samples.push_back(next);
            }
            for (int v = 0; v < direct.vertexCount(); ++v)
                ASSERT_EQ(stroked.vertices[v].position, direct.vertices[v].position) << "vertex " << v;
            for (int t = 0; t < direct.triangleCount(); ++t)
                for (int c = 0; c < 3; ++c) ASSERT_EQ(stroked.triangles[t].corner[c], direct.triangles[t].corner[c]);
            EXPECT_MESH_VALID(stroked);
        }
}

} // namespace
} // namespace kal::test
