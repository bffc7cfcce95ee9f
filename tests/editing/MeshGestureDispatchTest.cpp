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

using B = Brush;

struct Row {
    Brush code;
    int mode, state, samples, effect, flags;
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
        {B::Smooth, 0, GestureBegun, 1, None, 0},
        {B::Smooth, 0, GestureRunning, 3, Moves, P | N},
        {B::Smooth, 1, GestureRunning, 3, Moves, P | N},
        {B::Smooth, 3, GestureRunning, 3, Moves, P | N},
        {B::Smooth, 0, GestureFinished, 3, Moves, P | N},
        {B::Deform, 0, GestureRunning, 3, Moves, P},
        {B::Deform, 1, GestureRunning, 2, Moves, P | N},
        {B::Deform, 3, GestureRunning, 3, Moves, P | N},
        // a mode outside 0..3 dispatches nothing, after the pre-pass
        {B::Deform, 7, GestureRunning, 3, None, P},
        {B::Move, 7, GestureRunning, 3, None, P},
        {B::FillMaterial, 4, GestureBegun, 1, None, M},
        {B::Extrude, 6, GestureRunning, 2, None, G},
        {B::DeformVolume, 0, GestureRunning, 3, Moves, P},
        {B::Grow, 0, GestureRunning, 3, Moves, P},
        {B::Pinch, 2, GestureRunning, 3, Moves, P},
        {B::Move, 3, GestureRunning, 3, Moves, P},
        {B::Move, 1, GestureRunning, 3, Moves, P},
        {B::Rotate, 0, GestureRunning, 3, Moves, P},
        {B::Scale, 3, GestureRunning, 3, Moves, P},
        {B::ScaleDirection, 0, GestureRunning, 3, Moves, P},
        // paint and fill act from the press on, never once finished
        {B::PaintMaterial, 0, GestureBegun, 1, Paints, M},
        {B::PaintMaterial, 1, GestureRunning, 2, Paints, M},
        {B::PaintMaterial, 3, GestureRunning, 2, Paints, M},
        {B::PaintMaterial, 0, GestureFinished, 2, None, 0},
        {B::FillMaterial, 1, GestureBegun, 1, Paints, M},
        {B::FillMaterial, 0, GestureBegun, 1, Paints, M},
        {B::Relax, 0, GestureBegun, 1, Moves, P | N},
        {B::Relax, 0, GestureFinished, 2, None, 0},
        // the finish-only and release groups act once, on the finished stroke
        {B::EraseComponent, 0, GestureRunning, 3, None, 0},
        {B::EraseComponent, 0, GestureFinished, 1, Topology, G},
        {B::ErasePatch, 0, GestureFinished, 2, Topology, G},
        {B::Subdivide, 0, GestureFinished, 1, None, 0},
        {B::Subdivide, 0, GestureFinished, 2, Topology, G},
        {B::Pattern0, 0, GestureRunning, 3, None, 0},
        {B::Pattern0, 0, GestureFinished, 1, Topology, G},
        {B::CutPlane, 0, GestureRunning, 3, None, 0},
        {B::CutPlane, 3, GestureFinished, 2, Topology, G},
        {B::ClipPlane, 2, GestureFinished, 3, Topology, G},
        {B::SubPlane, 3, GestureFinished, 2, Topology, G},
        {B::CutSphere, 0, GestureFinished, 1, None, 0},
        {B::CutSphere, 0, GestureFinished, 2, Topology, G},
        {B::CutSphere, 5, GestureFinished, 2, None, G},
        {B::ClipSphere, 1, GestureFinished, 2, Topology, G},
        {B::AddSphere, 3, GestureFinished, 2, Topology, G},
        {B::ClipSphereReverse, 0, GestureFinished, 2, None, G},
        {B::Extrude, 1, GestureRunning, 1, None, 0},
        // one closed patch: nothing to split, and its normals cancel, so no push either
        {B::Extrude, 1, GestureRunning, 2, None, G},
        {B::Extrude, 1, GestureRunning, 3, None, P},
        {B::Bevel, 0, GestureRunning, 2, None, G},
        // a finished extrusion-group stroke only renormals
        {B::TearInflate, 0, GestureFinished, 3, None, N},
        {B::TearInflate, 0, GestureRunning, 2, None, G},
        {B::TearInflate, 0, GestureRunning, 3, None, P},
        // codes without a mesh case, and codes past the table
        {Brush{}, 0, GestureRunning, 3, None, 0},
        {B::Mirror, 0, GestureRunning, 3, None, 0},
        {B::PickMaterial, 0, GestureBegun, 1, None, 0},
        {B(72), 0, GestureBegun, 2, None, 0},
        {B(1000), 1, GestureRunning, 3, None, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << brushName(row.code) << " mode " << row.mode << " state "
                                        << row.state << " samples " << row.samples);
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
    auto g = stroke(B::Smooth, 0, GestureRunning, samplesOnSphere(3));
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
    auto a = stroke(B::Subdivide, 0, GestureFinished, samplesOnSphere(2));
    auto b = stroke(B::Subdivide, 0, GestureFinished, samplesOnSphere(2));
    apply(m, {a.get(), b.get()});
    EXPECT_EQ(m.triangleCount(), 32);
    EXPECT_MESH_VALID(m);

    Mesh p = rebuilt(octahedronMesh());
    auto c = stroke(B::Pattern0, 0, GestureFinished, samplesOnSphere(1));
    auto d = stroke(B::Pattern0, 0, GestureFinished, samplesOnSphere(1));
    apply(p, {c.get()});
    int once = p.triangleCount();
    Mesh q = rebuilt(octahedronMesh());
    apply(q, {c.get(), d.get()});
    EXPECT_EQ(q.triangleCount(), once);
}

TEST(MeshGestureDispatch, CopyMoveLeavesACopyBehind) {
    Mesh m = rebuilt(octahedronMesh());
    auto g =
        stroke(B::CopyMove, 0, GestureRunning, {sampleAt(vec3(0.3f, 0.3f, 0.4f)), sampleAt(vec3(2.3f, 0.3f, 0.4f))});
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
    auto a = stroke(B::Move, 3, GestureRunning,
                    {sampleAt(vec3(0.3f, 0.3f, 0.4f), 1, 0), sampleAt(vec3(0.5f, 0.3f, 0.4f), 1, 0)});
    auto b = stroke(B::Move, 3, GestureRunning,
                    {sampleAt(vec3(-0.3f, 0.3f, 0.4f), 1, -1), sampleAt(vec3(-0.5f, 0.3f, 0.4f), 1, -1)});
    apply(m, {a.get(), b.get()});
    EXPECT_EQ(verticesAt(m, vec3(1.2f, 0, 0)), 1);

    Mesh r = rebuilt(octahedronMesh());
    auto c = stroke(B::Rotate, 0, GestureRunning, {sampleAt(vec3(1, 0, 0)), sampleAt(vec3(0, 1, 0))}, vec3(0, 0, 1));
    auto d = stroke(B::Rotate, 0, GestureRunning, {sampleAt(vec3(-1, 0, 0)), sampleAt(vec3(0, 1, 0))}, vec3(0, 0, 1));
    apply(r, {c.get(), d.get()});
    EXPECT_EQ(verticesAt(r, vec3(0, 1, 0)), 1);
    EXPECT_EQ(verticesAt(r, vec3(-1, 0, 0)), 1);
}

TEST(MeshGestureDispatch, GrowPushesOutPinchPullsInByThePathOfTheLastStep) {
    for (Brush code : {B::Grow, B::Pinch}) {
        Mesh m = rebuilt(uvSphereMesh(10, 16));
        auto g =
            stroke(code, 0, GestureRunning,
                   {sampleAt(vec3(0, 0, 1), 0.8f), sampleAt(vec3(0, 0, 1), 0.8f), sampleAt(vec3(0.1f, 0, 1), 0.8f)});
        apply(m, {g.get()});
        // the pole lies 0 from the brush centre; its neighbours move along their offsets
        int v = 1;
        double d = (m.vertices[v].position - vec3(0, 0, 1)).length();
        double d0 = (uvSphereMesh(10, 16).vertices[v].position - vec3(0, 0, 1)).length();
        if (code == B::Grow)
            EXPECT_GT(d, d0);
        else
            EXPECT_LT(d, d0);
    }
}

TEST(MeshGestureDispatch, TwistEndingOnTheViewLineDoesNothing) {
    Mesh m = rebuilt(uvSphereMesh(8, 12));
    Mesh before = m;
    auto g = stroke(B::Twist, 0, GestureRunning,
                    {sampleAt(vec3(0, 0, 1), 0.6f), sampleAt(vec3(0.2f, 0, 1), 0.6f), sampleAt(vec3(0, 0, 0.5f), 0.6f)},
                    vec3(0, 0, 1));
    apply(m, {g.get()});
    EXPECT_EQ(effectOf(before, m), None);
    auto h = stroke(B::Twist, 0, GestureRunning,
                    {sampleAt(vec3(0, 0, 1), 0.6f), sampleAt(vec3(0.2f, 0, 1), 0.6f), sampleAt(vec3(0, 0.2f, 1), 0.6f)},
                    vec3(0, 0, 1));
    apply(m, {h.get()});
    EXPECT_EQ(effectOf(before, m), Moves);
}

TEST(MeshGestureDispatch, ItemsNamingNoAliveTriangleCountAsNone) {
    for (int item : {-7, 5000, 3}) {
        Mesh m = rebuilt(octahedronMesh());
        if (item == 3) m.triangles[3].flags &= uint8_t(~TriangleAlive);
        auto g = stroke(B::FillMaterial, 3, GestureBegun, samplesOnSphere(1));
        g->samples[0].itemId = item;
        g->samples[0].point = vec3(0.3f, 0.3f, 0.4f);
        apply(m, {g.get()});
        EXPECT_EQ(m.triangles[0].corner[0].red, 0) << item;
    }
}

} // namespace
} // namespace kal::test
