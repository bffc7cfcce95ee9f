// The sculpt dispatcher: which operation runs for which code, mode, state and sample count,
// and which upload flags it raises.
#include <gtest/gtest.h>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

enum Effect { None = 0, Moves = 1, Paints = 2, Topology = 4 };
enum Flags { G = 1, P = 2, N = 4, M = 8 };

struct Row {
    int code, mode, state, samples, effect, flags;
};

int flagsOf(const Mesh& m) {
    return (m.geometryChanged ? G : 0) | (m.partChanged[0] ? P : 0) | (m.partChanged[1] ? N : 0) |
           (m.partChanged[2] ? M : 0);
}

int effectOf(const Mesh& before, const Mesh& after) {
    if (before.vertexCount() != after.vertexCount() || before.triangleCount() != after.triangleCount()) return Topology;
    // a cut along existing edges only marks them
    for (int t = 0; t < before.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            if (before.triangles[t].marked(k) != after.triangles[t].marked(k)) return Topology;
    int e = None;
    for (int v = 0; v < before.vertexCount(); ++v)
        if (before.vertices[v].position != after.vertices[v].position) e |= Moves;
    for (int t = 0; t < before.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c)
            if (before.triangles[t].corner[c] != after.triangles[t].corner[c]) e |= Paints;
    return e;
}

std::vector<StrokeSample> samplesOnSphere(int n) {
    const vec3 points[3] = {vec3(0, 0, 1), vec3(0.1f, 0, 0.995f), vec3(0.25f, 0.05f, 0.97f)};
    std::vector<StrokeSample> out;
    for (int i = 0; i < n; ++i) {
        StrokeSample s = sampleAt(points[i % 3], 0.6f);
        s.material.red = 0;
        out.push_back(s);
    }
    return out;
}

TEST(MeshGestureDispatch, CodesModesStatesAndSampleCountsChooseTheOperationAndFlags) {
    const Row rows[] = {
        // a single sample moves nothing in the Brush group
        {15, 0, GestureBegun, 1, None, 0},
        {15, 0, GestureRunning, 3, Moves, P | N},
        {15, 1, GestureRunning, 3, Moves, P | N},
        {15, 3, GestureRunning, 3, Moves, P | N},
        {15, 0, GestureFinished, 3, Moves, P | N},
        {12, 0, GestureRunning, 3, Moves, P},
        {12, 1, GestureRunning, 2, Moves, P | N},
        {12, 3, GestureRunning, 3, Moves, P | N},
        // a mode outside 0..3 dispatches nothing, after the pre-pass
        {12, 7, GestureRunning, 3, None, P},
        {1, 7, GestureRunning, 3, None, P},
        {30, 4, GestureBegun, 1, None, M},
        {36, 6, GestureRunning, 2, None, G},
        {13, 0, GestureRunning, 3, Moves, P},
        {22, 0, GestureRunning, 3, Moves, P},
        {23, 2, GestureRunning, 3, Moves, P},
        {1, 3, GestureRunning, 3, Moves, P},
        {1, 1, GestureRunning, 3, Moves, P},
        {3, 0, GestureRunning, 3, Moves, P},
        {5, 3, GestureRunning, 3, Moves, P},
        {9, 0, GestureRunning, 3, Moves, P},
        // paint and fill act from the press on, never once finished
        {29, 0, GestureBegun, 1, Paints, M},
        {29, 1, GestureRunning, 2, Paints, M},
        {29, 3, GestureRunning, 2, Paints, M},
        {29, 0, GestureFinished, 2, None, 0},
        {30, 1, GestureBegun, 1, Paints, M},
        {30, 0, GestureBegun, 1, Paints, M},
        {14, 0, GestureBegun, 1, Moves, P | N},
        {14, 0, GestureFinished, 2, None, 0},
        // the finish-only and release groups act once, on the finished stroke
        {32, 0, GestureRunning, 3, None, 0},
        {32, 0, GestureFinished, 1, Topology, G},
        {34, 0, GestureFinished, 2, Topology, G},
        {27, 0, GestureFinished, 1, None, 0},
        {27, 0, GestureFinished, 2, Topology, G},
        {67, 0, GestureRunning, 3, None, 0},
        {67, 0, GestureFinished, 1, Topology, G},
        {47, 0, GestureRunning, 3, None, 0},
        {47, 3, GestureFinished, 2, Topology, G},
        {48, 2, GestureFinished, 3, Topology, G},
        {49, 3, GestureFinished, 2, Topology, G},
        {52, 0, GestureFinished, 1, None, 0},
        {52, 0, GestureFinished, 2, Topology, G},
        {52, 5, GestureFinished, 2, None, G},
        {53, 1, GestureFinished, 2, Topology, G},
        {54, 3, GestureFinished, 2, Topology, G},
        {57, 0, GestureFinished, 2, None, G},
        {36, 1, GestureRunning, 1, None, 0},
        // one closed patch: nothing to split, and its normals cancel, so no push either
        {36, 1, GestureRunning, 2, None, G},
        {36, 1, GestureRunning, 3, None, P},
        {40, 0, GestureRunning, 2, None, G},
        // a finished extrusion-group stroke only renormals
        {43, 0, GestureFinished, 3, None, N},
        {43, 0, GestureRunning, 2, None, G},
        {43, 0, GestureRunning, 3, None, P},
        // codes without a mesh case, and codes past the table
        {0, 0, GestureRunning, 3, None, 0},
        {7, 0, GestureRunning, 3, None, 0},
        {31, 0, GestureBegun, 1, None, 0},
        {72, 0, GestureBegun, 2, None, 0},
        {1000, 1, GestureRunning, 3, None, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << row.code << " mode " << row.mode << " state " << row.state
                                        << " samples " << row.samples);
        Mesh m = rebuilt(uvSphereMesh(8, 12));
        clearUploadFlags(m);
        Mesh before = m;
        auto g = stroke(row.code, row.mode, row.state, samplesOnSphere(row.samples), vec3(0, 0, -1));
        apply(m, {g.get()});
        EXPECT_EQ(effectOf(before, m), row.effect);
        // a topology change sends everything, whatever else is flagged
        if (row.flags & G)
            EXPECT_TRUE(m.geometryChanged);
        else
            EXPECT_EQ(flagsOf(m), row.flags);
        InvariantOptions options;
        options.checkFaceNormals = row.state != GestureRunning;
        EXPECT_MESH_VALID(m, options);
        EXPECT_TRUE(m.selectedVertices.empty());
        EXPECT_TRUE(m.selectedTriangles.empty());
    }
}

TEST(MeshGestureDispatch, AFinishedBrushStrokeUploadsEveryTriangle) {
    Mesh m = rebuilt(uvSphereMesh(16, 24));
    auto g = stroke(15, 0, GestureRunning, samplesOnSphere(3));
    apply(m, {g.get()});
    // a dab marks only what it touched
    EXPECT_GE(m.gpuRangeFirst, 0);
    EXPECT_LT(m.gpuRangeLast, m.triangleCount() / 2);
    g->finish();
    apply(m, {g.get()});
    EXPECT_EQ(m.gpuRangeFirst, 0);
    EXPECT_EQ(m.gpuRangeLast, m.triangleCount() - 1);
}

TEST(MeshGestureDispatch, OperationsThatMustNotRepeatRunForTheFirstGestureOnly) {
    Mesh m = rebuilt(octahedronMesh());
    auto a = stroke(27, 0, GestureFinished, samplesOnSphere(2));
    auto b = stroke(27, 0, GestureFinished, samplesOnSphere(2));
    apply(m, {a.get(), b.get()});
    EXPECT_EQ(m.triangleCount(), 32);
    EXPECT_MESH_VALID(m);

    Mesh p = rebuilt(octahedronMesh());
    auto c = stroke(67, 0, GestureFinished, samplesOnSphere(1));
    auto d = stroke(67, 0, GestureFinished, samplesOnSphere(1));
    apply(p, {c.get()});
    int once = p.triangleCount();
    Mesh q = rebuilt(octahedronMesh());
    apply(q, {c.get(), d.get()});
    EXPECT_EQ(q.triangleCount(), once);
}

TEST(MeshGestureDispatch, CopyMoveLeavesACopyBehind) {
    Mesh m = rebuilt(octahedronMesh());
    auto g = stroke(2, 0, GestureRunning, {sampleAt(vec3(0.3f, 0.3f, 0.4f)), sampleAt(vec3(2.3f, 0.3f, 0.4f))});
    apply(m, {g.get()});
    ASSERT_EQ(m.triangleCount(), 16);
    EXPECT_MESH_VALID(m);
    // the copy stays round the origin, the picked body went 2 along x
    EXPECT_EQ(verticesAt(m, vec3(-1, 0, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 0, 0)), 2);
    EXPECT_EQ(verticesAt(m, vec3(3, 0, 0)), 1);
    // the next step moves the picked body only
    g->samples.push_back(sampleAt(vec3(2.3f, 1.3f, 0.4f)));
    apply(m, {g.get()});
    EXPECT_EQ(m.triangleCount(), 16);
    EXPECT_EQ(verticesAt(m, vec3(3, 1, 0)), 1);
    EXPECT_EQ(verticesAt(m, vec3(1, 0, 0)), 1);
}

TEST(MeshGestureDispatch, SymmetricCopiesOnOneBodyMoveItOnce) {
    Mesh m = rebuilt(octahedronMesh());
    // a mirrored pair of steps: both copies pick the same body
    auto a =
        stroke(1, 3, GestureRunning, {sampleAt(vec3(0.3f, 0.3f, 0.4f), 1, 0), sampleAt(vec3(0.5f, 0.3f, 0.4f), 1, 0)});
    auto b = stroke(1, 3, GestureRunning,
                    {sampleAt(vec3(-0.3f, 0.3f, 0.4f), 1, -1), sampleAt(vec3(-0.5f, 0.3f, 0.4f), 1, -1)});
    apply(m, {a.get(), b.get()});
    EXPECT_EQ(verticesAt(m, vec3(1.2f, 0, 0)), 1);

    Mesh r = rebuilt(octahedronMesh());
    auto c = stroke(3, 0, GestureRunning, {sampleAt(vec3(1, 0, 0)), sampleAt(vec3(0, 1, 0))}, vec3(0, 0, 1));
    auto d = stroke(3, 0, GestureRunning, {sampleAt(vec3(-1, 0, 0)), sampleAt(vec3(0, 1, 0))}, vec3(0, 0, 1));
    apply(r, {c.get(), d.get()});
    EXPECT_EQ(verticesAt(r, vec3(0, 1, 0)), 1);
    EXPECT_EQ(verticesAt(r, vec3(-1, 0, 0)), 1);
}

TEST(MeshGestureDispatch, GrowPushesOutPinchPullsInByThePathOfTheLastStep) {
    for (int code : {22, 23}) {
        Mesh m = rebuilt(uvSphereMesh(10, 16));
        auto g =
            stroke(code, 0, GestureRunning,
                   {sampleAt(vec3(0, 0, 1), 0.8f), sampleAt(vec3(0, 0, 1), 0.8f), sampleAt(vec3(0.1f, 0, 1), 0.8f)});
        apply(m, {g.get()});
        // the pole lies 0 from the brush centre; its neighbours move along their offsets
        int v = 1;
        double d = (m.vertices[v].position - vec3(0, 0, 1)).length();
        double d0 = (uvSphereMesh(10, 16).vertices[v].position - vec3(0, 0, 1)).length();
        if (code == 22)
            EXPECT_GT(d, d0);
        else
            EXPECT_LT(d, d0);
    }
}

TEST(MeshGestureDispatch, TwistEndingOnTheViewLineDoesNothing) {
    Mesh m = rebuilt(uvSphereMesh(8, 12));
    Mesh before = m;
    auto g = stroke(24, 0, GestureRunning,
                    {sampleAt(vec3(0, 0, 1), 0.6f), sampleAt(vec3(0.2f, 0, 1), 0.6f), sampleAt(vec3(0, 0, 0.5f), 0.6f)},
                    vec3(0, 0, 1));
    apply(m, {g.get()});
    EXPECT_EQ(effectOf(before, m), None);
    auto h = stroke(24, 0, GestureRunning,
                    {sampleAt(vec3(0, 0, 1), 0.6f), sampleAt(vec3(0.2f, 0, 1), 0.6f), sampleAt(vec3(0, 0.2f, 1), 0.6f)},
                    vec3(0, 0, 1));
    apply(m, {h.get()});
    EXPECT_EQ(effectOf(before, m), Moves);
}

TEST(MeshGestureDispatch, ItemsNamingNoAliveTriangleCountAsNone) {
    for (int item : {-7, 5000, 3}) {
        Mesh m = rebuilt(octahedronMesh());
        if (item == 3) m.triangles[3].flags &= uint8_t(~TriangleAlive);
        auto g = stroke(30, 3, GestureBegun, samplesOnSphere(1));
        g->samples[0].itemId = item;
        g->samples[0].point = vec3(0.3f, 0.3f, 0.4f);
        apply(m, {g.get()});
        EXPECT_EQ(m.triangles[0].corner[0].red, 0) << item;
    }
}

} // namespace
} // namespace kal::test
