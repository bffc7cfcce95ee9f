// The record passes run in parallel blocks; their records must be exactly, bit for bit, those of
// the same passes on one thread, however the blocks fall.
#include <atomic>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "OneThreadScope.h"
#include "mesh/MeshGpuArrays.h"

namespace kal::test {
namespace {

// f on one thread.
Mesh runOnOneThread(Mesh m, const std::function<void(Mesh&)>& f) {
    OneThreadScope one;
    f(m);
    return m;
}

// f in the blocks the fixtures fall into, and on one thread.
void expectSameOnEveryPath(const Mesh& m, const std::function<void(Mesh&)>& f) {
    Mesh split = m;
    f(split);
    expectSameRecords(split, runOnOneThread(m, f));
}

// A sphere painted in stripes, with a marked line round it, a hole and a pinned vertex.
Mesh editedSphere(int rings, int segments) {
    Mesh m = rebuilt(uvSphereMesh(rings, segments));
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) {
            pbr& p = m.triangles[t].corner[c];
            p.red = uint16_t((t * 7919 + c * 104729) & 0xFFFF);
            p.roughness = int16_t((t % 200) * 100 - 10000);
        }
    for (int s = 0; s < segments; ++s) m.setEdgeFlag(1 + segments + s, 1 + segments + (s + 1) % segments, true);
    m.deleteTriangle(m.triangleCount() / 2);
    m.vertices[m.vertexCount() / 3].setPinned(true);
    m.vertices[5].position = m.vertices[5].position * 1.25f;
    return m;
}

// Each large enough for the loops over its records to cross block boundaries.
const std::vector<Mesh>& fixtures() {
    static const std::vector<Mesh> all = [] {
        std::vector<Mesh> small = {awkwardGrid(), rebuilt(awkwardGrid()), rebuilt(cubeMesh(true)),
                                   rebuilt(hexagonFanMesh())};
        std::vector<Mesh> large;
        for (const Mesh& m : small) large.push_back(tiledCopies(m, 8192));
        large.push_back(editedSphere(80, 160));
        return large;
    }();
    return all;
}

TEST(ParallelPasses, fixturesCrossBlockBoundaries) {
    for (const Mesh& m : fixtures()) {
        EXPECT_TRUE(splitsWhereThreadsAllow(m.vertexCount()));
        EXPECT_TRUE(splitsWhereThreadsAllow(m.triangleCount()));
    }
}

TEST(ParallelPasses, normalsAndCreasesMatchTheSerialPasses) {
    for (const Mesh& m : fixtures()) {
        expectSameOnEveryPath(m, [](Mesh& x) { x.updateNormals(NormalUpdate::All); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.smoothCornerNormals(2); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.markCreasesByAngle(20.0f); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.transformVertices(mat4::scaling(1, 2, 3)); });
        // a whole-mesh edit: every record selected, positions moved, then the selective update
        expectSameOnEveryPath(m, [](Mesh& x) {
            x.selectAllWithTriangles();
            for (int v = 0; v < x.vertexCount(); ++v) x.vertices[v].position.z += 0.01f * float(v % 7);
            x.updateSelectedNormals();
        });
    }
}

TEST(ParallelPasses, smoothingAndRelaxingMatchTheSerialPasses) {
    for (const Mesh& m : fixtures()) {
        expectSameOnEveryPath(m, [](Mesh& x) { x.relax(false, true); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.relax(true, false); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.relaxTangential(true); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.smoothMaterials(kPbrAll, 2); });
        expectSameOnEveryPath(m, [](Mesh& x) { x.projectToSphere(); });
    }
}

TEST(ParallelPasses, rebuildAndSubdivisionMatchTheSerialPasses) {
    for (const Mesh& m : fixtures()) {
        expectSameOnEveryPath(m, [](Mesh& x) { x.rebuild(Recenter::Mean); });
        expectSameOnEveryPath(m, [](Mesh& x) {
            x.rebuild(Recenter::Keep);
            x.subdivide(true);
        });
    }
}

// Triangles listed alternately from both ends of a sphere: every run of them names vertices
// all over the mesh, not a narrow range, so the link build steps on shared counts one by one.
// Listed so from halfway on, the runs of the first half take their narrow path beside them.
TEST(ParallelPasses, rebuildOfScatteredTrianglesMatchesTheSerialPasses) {
    const Mesh sphere = rebuilt(uvSphereMesh(100, 200));
    const int n = sphere.triangleCount();
    for (int inOrder : {0, n / 2}) {
        Mesh m;
        for (int v = 0; v < sphere.vertexCount(); ++v) m.vertices.push(sphere.vertices[v]);
        // every 53rd triangle left out: holes, whose open edges keep no link
        auto take = [&](int t) {
            if (t % 53 != 7) m.triangles.push(sphere.triangles[t]);
        };
        for (int i = 0; i < inOrder; ++i) take(i);
        for (int i = 0; i < n - inOrder; ++i) {
            const int rest = n - inOrder;
            take(inOrder + (i % 2 ? rest - 1 - i / 2 : i / 2));
        }
        expectSameOnEveryPath(m, [](Mesh& x) { x.rebuild(Recenter::Mean); });
        // the link build alone (no use counts) takes the same steps
        expectSameOnEveryPath(m, [](Mesh& x) { EXPECT_TRUE(x.buildLinks()); });
        Mesh once = m;
        once.rebuild(Recenter::Mean);
        EXPECT_MESH_VALID(once);
    }
    expectSameOnEveryPath(fixtures().back(), [](Mesh& x) { EXPECT_TRUE(x.buildLinks()); });
}

// An import's corner normals hold the file's normal numbers; some disagree across edges.
TEST(ParallelPasses, importFinishWithCreasesMatchesTheSerialPasses) {
    Mesh m = editedSphere(80, 160);
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) {
            float number = float(m.triangles[t].vertex[c] % 4 + (t % 97 == 0 ? 5 : 1));
            m.triangles[t].cornerNormal[c] = vec3(number, number, number);
        }
    expectSameOnEveryPath(m, [](Mesh& x) { x.finishImport(Recenter::Mean); });
}

// The upload's corner arrays, edge lines and per-record first corners, filled in blocks: each
// alive record's corners follow those of the alive records before it, whatever the blocks.
TEST(ParallelPasses, cornerArraysMatchTheSerialFill) {
    const bool every[4] = {true, true, true, true};
    for (const Mesh& m : fixtures()) {
        MeshCornerArrays serial, split;
        std::vector<int32_t> serialStarts, splitStarts;
        runOnOneThread(m, [&](Mesh& x) { buildCornerArrays(x, every, serial, &serialStarts); });
        buildCornerArrays(m, every, split, &splitStarts);
        test::expectSameCornerArrays(split, serial);
        EXPECT_EQ(splitStarts, serialStarts);
        ASSERT_EQ(serialStarts.size(), size_t(m.triangleCount()) + 1);
        int32_t corner = 0;
        for (int t = 0; t < m.triangleCount(); ++t) {
            EXPECT_EQ(serialStarts[size_t(t)], corner) << t;
            if (!m.triangles[t].alive()) continue;
            for (int c = 0; c < 3; ++c, ++corner) {
                EXPECT_EQ(serial.ids[size_t(corner)], uint32_t(t));
                EXPECT_EQ(serial.positions[3 * size_t(corner) + 1], m.vertices[m.triangles[t].vertex[c]].position.y);
            }
        }
        EXPECT_EQ(serial.corners, corner);
        EXPECT_EQ(serialStarts.back(), corner);
    }
}

TEST(ParallelPasses, smallLoopsStayOnTheCallingThread) {
    std::vector<int> blocks;
    parallelFor(100, [&](int begin, int end) { blocks.push_back(end - begin); });
    EXPECT_EQ(blocks, std::vector<int>{100});
}

TEST(ParallelPasses, blocksCoverEveryIndexOnce) {
    for (bool one : {true, false}) {
        std::optional<OneThreadScope> scope;
        if (one) scope.emplace();
        std::vector<std::atomic<int>> hits(100000);
        parallelFor(int(hits.size()), [&](int begin, int end) {
            for (int i = begin; i < end; ++i) ++hits[size_t(i)];
        });
        int wrong = 0;
        for (auto& h : hits) wrong += h.load() != 1;
        EXPECT_EQ(wrong, 0);
        // in chunks: each chunk once, cut from the front, the last one short
        for (auto& h : hits) h = 0;
        const int chunk = 4096;
        parallelForChunks(int(hits.size()), chunk, [&](int k, int first, int end) {
            EXPECT_EQ(first, k * chunk);
            EXPECT_EQ(end, std::min(int(hits.size()), first + chunk));
            for (int i = first; i < end; ++i) ++hits[size_t(i)];
        });
        for (auto& h : hits) wrong += h.load() != 1;
        EXPECT_EQ(wrong, 0);
    }
}

// A cap set for a while, as the one-thread runs here set it, holds inside the scope only.
TEST(ParallelPasses, oneThreadScopeRunsLoopsOnTheCallingThreadThenLetsThemSplit) {
    auto blocks = [] {
        std::atomic<int> count{0};
        parallelFor(100000, [&](int, int) { ++count; });
        return count.load();
    };
    {
        OneThreadScope one;
        EXPECT_EQ(blocks(), 1);
    }
    if (tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism) > 1) {
        EXPECT_GT(blocks(), 1);
    }
}

} // namespace
} // namespace kal::test
