// Brush gathering and the kernels of the Element-mode brushes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "editing/EditingMath.h"

namespace kal::test {
namespace {

// Loose vertices (no triangles): gathering reads only positions and flags.
Mesh pointCloud(std::initializer_list<vec3> points) {
    Mesh m;
    for (vec3 p : points) m.addVertex(p);
    return m;
}

int indexOf(const Mesh& m, int v) {
    for (size_t i = 0; i < m.brushVertices.size(); ++i)
        if (m.brushVertices[i].vertex == v) return int(i);
    return -1;
}

int vertexAt(const Mesh& m, vec3 p) {
    for (int v = 0; v < m.vertexCount(); ++v)
        if (lengthSquared(m.vertices[v].position - p) < 1e-12) return v;
    return -1;
}

TEST(BrushGather, TakesOnlyAliveVerticesStrictlyInsideTheSphere) {
    Mesh m = pointCloud({vec3(5, 0, 0), vec3(3, 4, 0), vec3(0, 0, 3), vec3(1, 0, 0), vec3(0, -4.99f, 0)});
    m.vertices[3].flags &= uint8_t(~VertexAlive);
    m.gatherBrushVertices(vec3(), 5.0f, true);
    // on the rim along an axis, on the rim in distance, and dead: all left out
    EXPECT_EQ(indexOf(m, 0), -1);
    EXPECT_EQ(indexOf(m, 1), -1);
    EXPECT_EQ(indexOf(m, 3), -1);
    ASSERT_EQ(m.brushVertices.size(), 2u);
    const BrushVertex& b = m.brushVertices[size_t(indexOf(m, 2))];
    EXPECT_FLOAT_EQ(b.weight, 0.6f);
    EXPECT_EQ(b.offset, vec3(0, 0, 3));
    EXPECT_EQ(m.vertices[2].link, 0);
    EXPECT_EQ(m.vertices[4].link, 1);
    EXPECT_TRUE(m.vertices[4].flags & VertexSelected);

    // without clearing, a vertex already selected keeps its link and a new one is appended
    m.gatherBrushVertices(vec3(0, 0, 4), 1.5f, false);
    EXPECT_EQ(m.vertices[2].link, 0);
    EXPECT_EQ(m.selectedVertices.size(), 2u);
    m.clearSelection();
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].link, -1);
}

TEST(BrushPaint, BlendsOncePerRingTriangleFromCentreToRim) {
    Mesh m = rebuilt(gridMesh(4));
    int centre = vertexAt(m, vec3(2, 2, 0)), corner = vertexAt(m, vec3(0, 0, 0));
    pbr paint;
    paint.red = 0;
    paint.roughness = 32767; // out of the stored range
    Mesh unchanged = m;
    m.paintMaterial(vec3(2, 2, 0), 1.5f, paint, kPbrColor, 0.0f);
    expectSameRecords(m, unchanged);

    m.paintMaterial(vec3(2, 2, 0), 1.5f, paint, kPbrColor, 0.5f);
    std::vector<int32_t> ring;
    m.vertexTriangles(centre, ring);
    ASSERT_EQ(ring.size(), 6u);
    // keep = 1 - 0.5 at the centre, once for each of its six triangles, truncated each time:
    // 65535 -> 32767 -> 16383 -> 8191 -> 4095 -> 2047 -> 1023
    for (int32_t t : ring) EXPECT_EQ(m.triangles[t].corner[m.triangles[t].cornerOf(centre)].red, 1023);

    m.paintMaterial(vec3(2, 2, 0), 1.5f, paint, kPbrColor | kPbrRoughness, 1.0f);
    for (int32_t t : ring) {
        const pbr& c = m.triangles[t].corner[m.triangles[t].cornerOf(centre)];
        EXPECT_EQ(c.red, 0);
        EXPECT_EQ(c.roughness, 32766);
        EXPECT_EQ(c.green, 65535);
    }
    m.vertexTriangles(corner, ring);
    for (int32_t t : ring) EXPECT_EQ(m.triangles[t].corner[m.triangles[t].cornerOf(corner)], pbr());
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(m.selectedVertices.empty());
}

TEST(BrushTwist, TurnsAboutAnObliqueAxisKeepingPointsOnItStill) {
    vec3 c(0.5f, -0.25f, 1.0f), a = normalize(vec3(1, 2, 3));
    Mesh m = pointCloud({c + a * 0.2f, c - a * 0.3f, c + vec3(0.3f, 0, 0), c + vec3(0, -0.2f, 0.1f)});
    const float angle = 0.7f;
    std::vector<vec3> before = positionsOf(m);
    m.twist(c, a, angle, 1.0f);
    m.applyDrag();
    m.clearSelection();
    EXPECT_LT((m.vertices[0].position - before[0]).length(), 1e-6f);
    EXPECT_LT((m.vertices[1].position - before[1]).length(), 1e-6f);
    // off the axis: the falloff share of a true rotation about the axis
    mat3 R = mat3::rotationAxisAngle(a, angle);
    for (int v = 2; v < 4; ++v) {
        vec3 d = before[size_t(v)] - c;
        float w = editing::falloff(d.length());
        vec3 expected = before[size_t(v)] + (d * R - d) * w;
        EXPECT_LT((m.vertices[v].position - expected).length(), 1e-5f) << v;
    }

    Mesh sphere = rebuilt(uvSphereMesh(8, 12));
    Mesh still = sphere;
    sphere.twist(vec3(0, 0, 1), vec3(0, 0, 1), 0.0f, 0.8f);
    sphere.applyDrag();
    sphere.clearSelection();
    expectSameRecords(sphere, still);
}

TEST(BrushGrowPinch, OppositeStrengthsUndoEachOtherToFirstOrder) {
    Mesh m = rebuilt(uvSphereMesh(10, 16));
    vec3 centre(0, 0, 1);
    std::vector<vec3> before = positionsOf(m);
    m.growPinch(centre, 0.9f, -0.01f);
    m.applyDrag();
    m.clearSelection();
    double grown = 0;
    for (int v = 0; v < m.vertexCount(); ++v) {
        double d0 = (before[size_t(v)] - centre).length(), d1 = (m.vertices[v].position - centre).length();
        EXPECT_GE(d1, d0 - 1e-7) << "grow pulls nothing inward";
        grown = std::max(grown, d1 - d0);
    }
    EXPECT_GT(grown, 1e-3);
    m.growPinch(centre, 0.9f, 0.01f);
    m.applyDrag();
    m.clearSelection();
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_LT((m.vertices[v].position - before[size_t(v)]).length(), 1e-4f);
    EXPECT_MESH_VALID(m);
}

TEST(BrushDeform, CentreFollowsTheDragAndAZeroVolumeDragMovesNothing) {
    Mesh m = rebuilt(gridMesh(4));
    int centre = vertexAt(m, vec3(2, 2, 0)), outside = vertexAt(m, vec3(0, 2, 0));
    m.deformBrush(vec3(2, 2, 0), vec3(2, 2, 0.5f), 1.5f);
    m.applyDrag();
    m.clearSelection();
    EXPECT_EQ(m.vertices[centre].position, vec3(2, 2, 0.5f));
    EXPECT_EQ(m.vertices[outside].position, vec3(0, 2, 0));

    Mesh still = m;
    m.deformVolume(vec3(2, 2, 0.5f), vec3(2, 2, 0.5f), 1.5f);
    m.applyDrag();
    m.clearSelection();
    expectSameRecords(m, still);
}

TEST(BrushSmooth, PullsARaisedVertexHalfwayToItsRingMean) {
    Mesh m = gridMesh(4);
    int centre = vertexAt(m, vec3(2, 2, 0));
    m.vertices[centre].position.z = 1.0f;
    m = rebuilt(m);
    m.smoothBrush(vec3(2, 2, 1), vec3(), 0.5f);
    EXPECT_FLOAT_EQ(m.vertices[centre].position.z, 0.5f);
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(m.selectedTriangles.empty());
    // its triangles got new normals
    std::vector<int32_t> ring;
    m.vertexTriangles(centre, ring);
    for (int32_t t : ring) EXPECT_LT(m.triangles[t].faceNormal.z, 0.99f);
}

TEST(BrushExtrudeInflate, EveryStepPushesTheSameVerticesAlongTheirNormals) {
    Mesh m = rebuilt(gridMesh(2));
    int t = 0;
    m.selectPatch(vec3(), true, t);
    m.extrudeInflate(vec3(), vec3(0, 0, 0.5f), t);
    m.extrudeInflate(vec3(), vec3(0.3f, 0, 0.25f), t);
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_FLOAT_EQ(m.vertices[v].position.z, 0.75f);
    m.clearSelection();
}

} // namespace
} // namespace kal::test

namespace kal::test {
namespace {

std::vector<int32_t> gatheredIds(const Mesh& m) {
    std::vector<int32_t> ids;
    for (const BrushVertex& b : m.brushVertices) ids.push_back(b.vertex);
    return ids;
}

TEST(BrushGather, RunBoxesSkipOnlyRunsTheBrushMissesAndGrowWithTheDrag) {
    // 71 x 71 vertices: many runs of records
    Mesh m = rebuilt(gridMesh(70));
    ASSERT_GT(m.vertexCount(), MeshStrokeCache::kRun);
    for (vec3 c : {vec3(10, 10, 0), vec3(35, 57.5f, 0), vec3(69, 69, 0)}) {
        m.gatherBrushVertices(c, 3.0f, true);
        std::vector<int32_t> plain = gatheredIds(m);
        m.buildGatherBounds();
        m.strokeCache.lent = true;
        m.gatherBrushVertices(c, 3.0f, true);
        EXPECT_EQ(gatheredIds(m), plain);
        EXPECT_FALSE(plain.empty());
        m.strokeCache.lent = false;
    }
    // a drag carries vertices of the first run far off: the next gathering still finds them
    m.buildGatherBounds();
    m.strokeCache.lent = true;
    m.gatherBrushVertices(vec3(10, 10, 0), 1.5f, true);
    m.dragOffsets.assign(m.selectedVertices.size(), vec3(0, 0, 100));
    m.applyDrag();
    m.gatherBrushVertices(vec3(10, 10, 100), 1.5f, true);
    EXPECT_EQ(m.brushVertices.size(), m.selectedVertices.size());
    EXPECT_GE(m.brushVertices.size(), 5u);
    // the grown boxes give what the plain pass gives, in its order, on and off the moved patch
    for (vec3 c : {vec3(10, 10, 100), vec3(10, 10, 0), vec3(60, 60, 0)}) {
        m.gatherBrushVertices(c, 2.5f, true);
        std::vector<int32_t> boxed = gatheredIds(m);
        m.strokeCache.lent = false;
        m.gatherBrushVertices(c, 2.5f, true);
        EXPECT_EQ(boxed, gatheredIds(m));
        m.strokeCache.lent = true;
    }
    m.strokeCache.lent = false;
    m.clearSelection();
}

TEST(BrushGather, AStrokeKeepsItsRunBoxesOnlyWhileItGoesOn) {
    Mesh m = rebuilt(gridMesh(70));
    auto g = stroke(Brush::Deform, 0, GestureRunning, {sampleAt(vec3(10, 10, 0), 2), sampleAt(vec3(10, 10, 5), 2)});
    apply(m, {g.get()});
    EXPECT_FALSE(m.strokeCache.lent);
    EXPECT_EQ(m.strokeCache.stroke, g.get());
    // an edit between two ticks of another stroke is seen: that stroke builds its boxes anew
    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z += 50;
    auto h = stroke(Brush::Deform, 0, GestureRunning, {sampleAt(vec3(30, 30, 50), 2), sampleAt(vec3(30, 30, 51), 2)});
    apply(m, {h.get()});
    int v = -1;
    for (int i = 0; i < m.vertexCount(); ++i)
        if (m.vertices[i].position.x == 30 && m.vertices[i].position.y == 30) v = i;
    ASSERT_GE(v, 0);
    EXPECT_FLOAT_EQ(m.vertices[v].position.z, 51);
    h->finish();
    h->samples.push_back(sampleAt(vec3(30, 30, 51), 2));
    apply(m, {h.get()});
    EXPECT_EQ(m.strokeCache.stroke, nullptr);
}

} // namespace
} // namespace kal::test

namespace kal::test {
namespace {

// The dirty triangles of a brush selection on top of triangles already selected: those stay
// listed once and ahead, and every other alive triangle with a selected corner joins once.
TEST(BrushDirtyTriangles, AlreadySelectedStayListedOnceAndEveryTriangleRoundTheBrushJoins) {
    Mesh m = rebuilt(uvSphereMesh(14, 20));
    m.gatherBrushVertices(vec3(0.3f, 0.2f, 0.9f), 0.7f, true);
    ASSERT_GT(m.selectedVertices.size(), 20u);
    const std::vector<int32_t> before = {3, 40, 41};
    for (int t : before) {
        m.triangles[t].flags |= TriangleSelected;
        m.selectedTriangles.push_back(t);
    }
    m.markDirtyTriangles();
    ASSERT_GE(m.selectedTriangles.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m.selectedTriangles.begin()));
    std::vector<int> listed(size_t(m.triangleCount()), 0);
    for (int32_t t : m.selectedTriangles) ++listed[size_t(t)];
    for (int t = 0; t < m.triangleCount(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        bool dirty = std::find(before.begin(), before.end(), t) != before.end();
        for (int32_t v : tri.vertex) dirty |= tri.alive() && (m.vertices[v].flags & VertexSelected);
        EXPECT_EQ(listed[size_t(t)], dirty ? 1 : 0) << t;
        EXPECT_EQ(bool(tri.flags & TriangleSelected), dirty) << t;
    }
}

} // namespace
} // namespace kal::test
