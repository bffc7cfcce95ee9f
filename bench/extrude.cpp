// The extrusion start and its steps on a 1M-triangle sphere whose middle latitude ring is marked
// (two patches of about 500k triangles), each beside one linear pass reading every triangle record
// once, in the same run: the steps as plain calls, which find their patches each time, and as
// steps of a stroke through the dispatcher, which keeps them.
#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>

#include "BenchMeshes.h"
#include "SweepRatio.h"
#include "editing/MeshEditing.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"

namespace {

using namespace kal;

// The shared sphere with the edges along its middle ring (z = 0) marked: two half-sphere patches.
const Mesh& markedSphere() {
    static Mesh* m = nullptr;
    if (!m) {
        m = new Mesh(::bench::millionTriangleSphere(kal::Recenter::Keep));
        const int segments = 1000, ring = 250; // rings run 1..500; ring 250 lies at z = 0
        for (int s = 0; s < segments; ++s)
            m->setEdgeFlag(1 + (ring - 1) * segments + s, 1 + (ring - 1) * segments + (s + 1) % segments, true);
        m->updateNormals(NormalUpdate::All);
    }
    return *m;
}

void reportRatio(benchmark::State& state, double seconds) { ::bench::reportRatio(state, seconds, markedSphere()); }

void triangleSweep(benchmark::State& state) {
    const Mesh& m = markedSphere();
    for (auto _ : state) benchmark::DoNotOptimize(::bench::sweep(m));
}

void extrudeStart(benchmark::State& state) {
    ::bench::ratioOnCopy(state, markedSphere(), [](Mesh& m) { m.extrudePatch(vec3(0, 0, 1), 0, pbr(), true); });
}

// One step after the start; step 0 pushes the picked patch, step 1 every patch.
void extrudeStep(benchmark::State& state) {
    auto m = std::make_unique<Mesh>(markedSphere());
    m->extrudePatch(vec3(0, 0, 1), 0, pbr(), true);
    float d = 0.001f;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (state.range(0) == 0)
            m->pushAlongNormal(vec3(0, 0, 1), vec3(0, 0, 1 + d), 0);
        else
            m->pushAllPatches(vec3(0, 0, 1), vec3(0, 0, 1 + d), 0);
        d = -d;
    }
    reportRatio(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// A step of an Extrude stroke through the dispatcher, which keeps the pushed patches over the
// stroke; range 0 pushes the picked patch, 1 every patch.
void extrudeStrokeStep(benchmark::State& state) {
    auto m = std::make_unique<Mesh>(markedSphere());
    Sculptor g(Brush::Extrude, state.range(0) == 0 ? SelectPatch : SelectAllPatches, 2);
    g.state = GestureRunning;
    StrokeSample s;
    s.point = vec3(0, 0, 1);
    s.itemId = 0;
    g.samples = {s, s};
    std::vector<Gesture*> list{&g};
    applyMeshGestures(*m, list);
    float d = 0.001f;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        s.point.z += d;
        d = -d;
        g.samples.push_back(s);
        applyMeshGestures(*m, list);
    }
    reportRatio(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

BENCHMARK(triangleSweep)->Unit(benchmark::kMillisecond);
BENCHMARK(extrudeStart)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(extrudeStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(extrudeStrokeStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
