// Extrusion, tear and bevel starts and the steps that follow them.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "ReferenceCheck.h"
#include "TopologyChecks.h"
#include "editing/ExtrusionSteps.h"

namespace kal::test {
namespace {

bool noRepeatedCorners(const Mesh& m) {
    for (int t = 0; t < m.triangleCount(); ++t) {
        const int32_t* v = m.triangles[t].vertex;
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) return false;
    }
    return true;
}

TEST(ExtrusionStart, CubeFaceGetsSideWallsAndNoCopy) {
    Mesh m = rebuilt(cubeMesh(true));
    pbr wall;
    wall.red = 7;
    m.extrudePatch(vec3(0, 0, -1), 0, wall, true);
    EXPECT_EQ(m.vertexCount(), 12);
    EXPECT_EQ(m.triangleCount(), 20);
    EXPECT_EQ(m.tearTriangleMark, 12);
    for (int t = 12; t < 20; ++t) EXPECT_EQ(m.triangles[t].corner[0].red, 7);
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(m.selectedTriangles.empty());
    m.pushAlongNormal(vec3(0, 0, -1), vec3(0.5f, 0, -2), 0);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, -2)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, -1)), 1);
    m.updateNormals(NormalUpdate::All);
    EXPECT_MESH_VALID(m);
    EXPECT_GT(signedVolume(m), 8.5);
}

TEST(ExtrusionStart, AnOpenSheetBecomesAClosedShellFirst) {
    Mesh m = rebuilt(quadMesh());
    m.extrudePatch(vec3(0.5f, 0.5f, 0), 0, pbr(), true);
    EXPECT_EQ(countEdges(m).open, 0);
    EXPECT_MESH_VALID(m);
    m.pushAlongNormal(vec3(0.5f, 0.5f, 0), vec3(0.5f, 0.5f, 1), 0);
    m.updateNormals(NormalUpdate::All);
    EXPECT_MESH_VALID(m);
    EXPECT_NEAR(signedVolume(m), 1.0, 1e-5);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 1)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 0)), 1);
}

TEST(ExtrusionStart, AllPatchesSplitsEachFaceOnceAndPushesEachAlongItsNormal) {
    Mesh m = rebuilt(cubeMesh(true));
    m.extrudeAllPatches(pbr(), true);
    EXPECT_MESH_VALID(m);
    EXPECT_EQ(m.tearTriangleMark, 12);
    // the picked -z face dragged 1 along its normal: every face goes out by 1
    m.pushAllPatches(vec3(0, 0, -1), vec3(0, 0, -2), 0);
    for (vec3 p : {vec3(1, 1, -2), vec3(1, 1, 2), vec3(2, 1, 1), vec3(-2, -1, 1), vec3(1, 2, -1), vec3(-1, -2, 1)})
        EXPECT_EQ(verticesAt(m, p), 1) << p.x << " " << p.y << " " << p.z;
    // the side walls, made past the start count, stay where the cube was
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 1)), 1);
    m.updateNormals(NormalUpdate::All);
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(m.selectedVertices.empty());
}

TEST(ExtrusionStep, ScaleAllPatchesScalesEachAboutItsOwnPivot) {
    Mesh m = rebuilt(cubeMesh(true));
    m.extrudeAllPatches(pbr(), true);
    m.scaleAllPatches(vec3(1, 0, -1), vec3(2, 0, -1), 0);
    EXPECT_EQ(verticesAt(m, vec3(2, 2, -1)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, -2, 2)), 1);
    Mesh before = m;
    m.scaleAllPatches(vec3(0, 0, -1), vec3(2, 0, -1), 0);
    expectSameRecords(m, before);
    EXPECT_MESH_VALID(m);
}

// A sphere of one patch has no border to extrude and no mean normal: its face normals cancel, and
// a push along what rounding leaves of their sum would throw it anywhere.
TEST(ExtrusionStep, AClosedPatchWhoseNormalsCancelStaysInPlace) {
    std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(ico.get(), 3, false, true));
    for (bool all : {false, true}) {
        SCOPED_TRACE(all);
        Mesh m = *sphere;
        const std::vector<vec3> before = positionsOf(m);
        editing::pushStep(m, vec3(0.2f, 0.1f, 1.9f), vec3(0.5f, -0.3f, 2.4f), -1, all, false);
        const std::vector<vec3> after = positionsOf(m);
        float moved = 0;
        for (size_t i = 0; i < before.size(); ++i) moved = std::fmax(moved, (after[i] - before[i]).length());
        EXPECT_EQ(moved, 0.0f);
    }
}

TEST(ExtrusionStart, DeformStartSplitsOnlyBorderVerticesUnderTheBrush) {
    Mesh m = rebuilt(gridMesh(4));
    int before = m.vertexCount();
    m.extrudeDeformStart(vec3(0, 0, 0), 1.5f, -1, pbr(), true);
    EXPECT_EQ(m.vertexCount(), before + 3);
    EXPECT_MESH_VALID(m);
    EXPECT_TRUE(m.selectedVertices.empty());
}

TEST(BevelStart, CubeGetsStripsAndCornersAndAPlainMeshNothing) {
    Mesh o = rebuilt(octahedronMesh());
    Mesh kept = o;
    o.bevelPatch(pbr(), true);
    expectSameRecords(o, kept);

    Mesh m = rebuilt(cubeMesh(true));
    for (int v = 0; v < 8; ++v) m.vertices[v].setPinned(true);
    m.bevelPatch(pbr(), true);
    EXPECT_EQ(m.vertexCount(), 24);
    EXPECT_EQ(m.triangleCount(), 12 + 24 + 8);
    EXPECT_EQ(countEdges(m).open, 0);
    m.pushAllPatches(vec3(0, 0, -1), vec3(0, 0, -1.5f), 0);
    m.updateNormals(NormalUpdate::All);
    EXPECT_MESH_VALID(m);
    EXPECT_GT(signedVolume(m), 8.0);
}

TEST(BevelStart, AMarkedLineEndingInsideAPatchGivesNoEmptyStrip) {
    Mesh m = rebuilt(gridMesh(4));
    auto at = [&](vec3 p) {
        for (int v = 0; v < m.vertexCount(); ++v)
            if (m.vertices[v].position == p) return v;
        return -1;
    };
    m.setEdgeFlag(at(vec3(1, 2, 0)), at(vec3(2, 2, 0)), true);
    m.setEdgeFlag(at(vec3(2, 2, 0)), at(vec3(3, 2, 0)), true);
    m.bevelPatch(pbr(), true);
    EXPECT_TRUE(noRepeatedCorners(m));
    EXPECT_MESH_VALID(m);
}

TEST(ExtrusionDispatch, StartOnceThenStepsAndAFinishThatOnlyRenormals) {
    Mesh m = rebuilt(cubeMesh(true));
    auto a = stroke(Brush::Extrude, SelectAllPatches, GestureRunning,
                    {sampleAt(vec3(0, 0, -1), 1, 0), sampleAt(vec3(0, 0, -2), 1, 0)});
    auto b = stroke(Brush::Extrude, SelectAllPatches, GestureRunning,
                    {sampleAt(vec3(0, 0, 1), 1, 2), sampleAt(vec3(0, 0, 2), 1, 2)});
    apply(m, {a.get(), b.get()});
    // symmetric copies repeat neither the whole-mesh start nor its step
    EXPECT_EQ(m.triangleCount(), 12 + 6 * 8);
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 2)), 1);
    EXPECT_MESH_VALID(m);
    a->samples.push_back(sampleAt(vec3(0, 0, -2.5f), 1, 0));
    apply(m, {a.get()});
    EXPECT_EQ(verticesAt(m, vec3(1, 1, 2.5f)), 1);
    std::vector<vec3> before = positionsOf(m);
    a->samples.push_back(sampleAt(vec3(0, 0, -4), 1, 0));
    a->finish();
    apply(m, {a.get()});
    EXPECT_EQ(positionsOf(m), before);
    EXPECT_TRUE(m.partChanged[1]);

    // two copies on one face: one extrusion, one push
    Mesh p = rebuilt(cubeMesh(true));
    auto c = stroke(Brush::Extrude, SelectPatch, GestureRunning,
                    {sampleAt(vec3(0.3f, 0.2f, -1), 1, 0), sampleAt(vec3(0.3f, 0.2f, -2), 1, 0)});
    auto d = stroke(Brush::Extrude, SelectPatch, GestureRunning,
                    {sampleAt(vec3(-0.3f, 0.2f, -1), 1, -1), sampleAt(vec3(-0.3f, 0.2f, -2), 1, -1)});
    apply(p, {c.get(), d.get()});
    EXPECT_EQ(p.triangleCount(), 20);
    EXPECT_EQ(verticesAt(p, vec3(1, 1, -2)), 1);
    c->samples.push_back(sampleAt(vec3(0.3f, 0.2f, -3), 1, 0));
    d->samples.push_back(sampleAt(vec3(-0.3f, 0.2f, -3), 1, -1));
    apply(p, {c.get(), d.get()});
    EXPECT_EQ(verticesAt(p, vec3(1, 1, -3)), 1);
    EXPECT_MESH_VALID(p);

    Mesh t = rebuilt(cubeMesh(true));
    auto tear = stroke(Brush::TearNormal, SelectPatch, GestureRunning,
                       {sampleAt(vec3(0, 0, -1), 1, 0), sampleAt(vec3(0, 0, -2), 1, 0)});
    apply(t, {tear.get()});
    EXPECT_EQ(t.vertexCount(), 12);
    EXPECT_EQ(countEdges(t).open, 8);
    EXPECT_EQ(verticesAt(t, vec3(1, 1, -2)), 1);
    EXPECT_MESH_VALID(t);
}

} // namespace
} // namespace kal::test

namespace kal::test {
namespace {

TEST(ExtrusionDispatch, StepsThatKeepTheirPatchesMoveAsTheSearchingStepsDo) {
    struct Case {
        Brush code;
        int mode;
    };
    for (Case k : {Case{Brush::Extrude, SelectPatch}, Case{Brush::Extrude, SelectAllPatches},
                   Case{Brush::TearNormal, SelectElement}, Case{Brush::Bevel, SelectElement}}) {
        SCOPED_TRACE(testing::Message() << brushName(k.code) << " " << k.mode);
        Mesh stroked = rebuilt(cubeMesh(true));
        for (int v = 0; v < 8; ++v) stroked.vertices[v].setPinned(true);
        Mesh direct = stroked;
        std::vector<StrokeSample> samples = {sampleAt(vec3(0.2f, 0.1f, -1), 1, 0),
                                             sampleAt(vec3(0.2f, 0.1f, -1.3f), 1, 0)};
        auto g = stroke(k.code, k.mode, GestureRunning, samples);
        apply(stroked, {g.get()});
        const bool all = k.mode == SelectAllPatches || k.code == Brush::Bevel;
        if (k.code == Brush::Extrude && all) direct.extrudeAllPatches(pbr(), true);
        if (k.code == Brush::Extrude && !all) direct.extrudePatch(samples[0].point, 0, pbr(), true);
        if (k.code == Brush::TearNormal) direct.tearPatchAt(samples[0].point, 0);
        if (k.code == Brush::Bevel) direct.bevelPatch(pbr(), true);
        if (all)
            direct.pushAllPatches(samples[0].point, samples[1].point, 0);
        else
            direct.pushAlongNormal(samples[0].point, samples[1].point, 0);
        for (int step = 2; step < 6; ++step) {
            vec3 prev = g->samples.back().point;
            vec3 next = prev + vec3(0.01f * float(step), 0, -0.2f);
            g->samples.push_back(sampleAt(next, 1, 0));
            apply(stroked, {g.get()});
            if (all)
                direct.pushAllPatches(prev, next, 0);
            else
                direct.pushAlongNormal(prev, next, 0);
        }
        EXPECT_GE(stroked.strokeCache.pushStarts.size(), 2u) << "the steps kept their patches";
        ASSERT_EQ(stroked.vertexCount(), direct.vertexCount());
        for (int v = 0; v < direct.vertexCount(); ++v)
            ASSERT_EQ(stroked.vertices[v].position, direct.vertices[v].position) << "vertex " << v;
        EXPECT_MESH_VALID(stroked);
    }
}

// The unit sphere with its equator marked: two patches that meet along a ring of shared vertices.
Mesh equatorSphere(int rings = 24, int segments = 32) {
    Mesh m = rebuilt(uvSphereMesh(rings, segments));
    const int equator = 1 + (rings / 2 - 1) * segments;
    for (int s = 0; s < segments; ++s) EXPECT_TRUE(m.setEdgeFlag(equator + s, equator + (s + 1) % segments, true));
    return m;
}

// The starts and steps' shortcuts (parallel blocks, border triangles listed by the fill, the patch
// moved without drag offsets, seeds read only where no patch reached) against the plain forms.
TEST(ExtrusionShortcuts, StartsAndStepsGiveThePlainFormsRecords) {
    Mesh lined = rebuilt(gridMesh(6));
    lined.setEdgeFlag(2 * 7 + 1, 2 * 7 + 2, true);
    lined.setEdgeFlag(2 * 7 + 2, 2 * 7 + 3, true);
    // the last one with a patch large enough for the steps' loops to cross block boundaries
    const Mesh meshes[] = {rebuilt(cubeMesh(true)), rebuilt(quadMesh()), lined, equatorSphere(),
                           equatorSphere(94, 180)};
    const vec3 picks[] = {vec3(0, 0, -1), vec3(0.5f, 0.5f, 0), vec3(3, 3, 0), vec3(0, 0, 1), vec3(0, 0, 1)};
    ASSERT_TRUE(splitsWhereThreadsAllow(meshes[4].vertexCount() / 2));
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(testing::Message() << "mesh " << i);
        const vec3 p = picks[i], q = p + vec3(0.1f, -0.2f, 0.7f);
        runOnEveryPath(meshes[i], [&](Mesh& m) { m.extrudePatch(p, -1, pbr(), true); });
        for (int step = 0; step < 3; ++step) {
            SCOPED_TRACE(testing::Message() << "step " << step);
            expectSameAsReference(
                meshes[i],
                [&](Mesh& m) {
                    m.extrudePatch(p, -1, pbr(), true);
                    if (step == 0) m.pushAlongNormal(p, q, -1);
                    if (step == 1) m.pushAllPatches(p, q, -1);
                    if (step == 2) m.scaleAllPatches(p, q, -1);
                    m.pushAllPatches(q, p, -1);
                },
                [&](Mesh& m) {
                    m.extrudePatch(p, -1, pbr(), true);
                    if (step == 0) reference::pushAlongNormal(m, p, q, -1);
                    if (step == 1) reference::pushAllPatches(m, p, q, -1);
                    if (step == 2) reference::scaleAllPatches(m, p, q, -1);
                    reference::pushAllPatches(m, q, p, -1);
                });
        }
        // the stroke steps that keep the patches found by their first step: the first finds them
        // as a plain step does, the second moves what the first kept
        for (bool all : {false, true}) {
            SCOPED_TRACE(testing::Message() << "kept " << all);
            auto first = [&](Mesh& m) {
                m.extrudePatch(p, -1, pbr(), true);
                m.strokeCache.clear();
                editing::pushStep(m, p, q, -1, all, true);
            };
            expectSameAsReference(
                meshes[i],
                [&](Mesh& m) {
                    first(m);
                    m.strokeCache.clear();
                },
                [&](Mesh& m) {
                    m.extrudePatch(p, -1, pbr(), true);
                    (all ? reference::pushAllPatches : reference::pushAlongNormal)(m, p, q, -1);
                });
            runOnEveryPath(meshes[i], [&](Mesh& m) {
                first(m);
                editing::pushStep(m, q, p + vec3(0, 0, 0.3f), -1, all, true);
                m.strokeCache.clear();
            });
        }
        // marks left over from elsewhere: a seed passed by, a patch member, the last triangle
        auto marked = [&](Mesh& m) {
            m.extrudePatch(p, -1, pbr(), true);
            for (int t : {1, m.tearTriangleMark / 2, m.tearTriangleMark - 1}) m.triangles[t].flags |= TriangleProcessed;
        };
        expectSameAsReference(
            meshes[i],
            [&](Mesh& m) {
                marked(m);
                m.pushAllPatches(p, q, -1);
            },
            [&](Mesh& m) {
                marked(m);
                reference::pushAllPatches(m, p, q, -1);
            });
        expectSameAsReference(
            meshes[i],
            [&](Mesh& m) {
                m.extrudeAllPatches(pbr(), true);
                m.scaleAllPatches(p, q * 1.5f, -1);
                m.pushAllPatches(p, q, -1);
            },
            [&](Mesh& m) {
                m.extrudeAllPatches(pbr(), true);
                reference::scaleAllPatches(m, p, q * 1.5f, -1);
                reference::pushAllPatches(m, p, q, -1);
            });
    }
}

TEST(ExtrusionShortcuts, PatchListedBreadthFirstInTheOrderTriangleLinksReachIt) {
    const Mesh sphere = equatorSphere();
    for (int seed : {0, 200, sphere.triangleCount() - 1}) {
        Mesh m = sphere;
        // the plain queue fill, marking each triangle as it leaves the queue
        std::vector<int32_t> expected;
        std::vector<uint8_t> taken(size_t(m.triangleCount()), 0);
        std::deque<int32_t> queue{seed};
        while (!queue.empty()) {
            int32_t t = queue.front();
            queue.pop_front();
            if (taken[size_t(t)]) continue;
            taken[size_t(t)] = 1;
            expected.push_back(t);
            for (int k = 0; k < 3; ++k)
                if (!m.triangles[t].marked(k) && m.triangles[t].neighbour[k] >= 0)
                    queue.push_back(m.triangles[t].neighbour[k]);
        }
        int t = seed;
        std::vector<int32_t> borders, expectedBorders;
        EXPECT_FALSE(m.selectPatch(vec3(), true, t, &borders));
        EXPECT_EQ(m.selectedTriangles, expected);
        for (int32_t s : expected)
            if (m.triangles[s].flags & 7) expectedBorders.push_back(s);
        EXPECT_EQ(borders, expectedBorders);
        EXPECT_EQ(int(borders.size()), 32); // one triangle a segment has its edge on the marked ring
        EXPECT_EQ(int(expected.size()), m.triangleCount() / 2);
        for (int32_t s : expected) EXPECT_TRUE(m.triangles[s].flags & TriangleSelected);
    }
}

} // namespace
} // namespace kal::test
