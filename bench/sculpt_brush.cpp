// One running-stroke sample of a sculpt brush on a 1M-triangle sphere, through the mesh's
// dispatcher: a dab of radius 0.2 at the equator (about 5,000 vertices). Beside each brush the
// floor: one pass over the same vertex ids, reading and writing each, and each triangle of their
// rings once. upload_bytes is what the next upload sent, touched_bytes the flagged groups of the
// touched triangles.
#include <algorithm>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchMeshes.h"
#include "GLBenchContext.h"
#include "editing/MeshEditing.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/Gesture.h"

namespace {

using namespace kal;

constexpr float kRadius = 0.2f;

// A copy of the shared sphere with its buffer uploaded once.
std::unique_ptr<Mesh> uploadedSphere() {
    auto m = std::make_unique<Mesh>(::bench::millionTriangleSphere(kal::Recenter::Keep));
    m->updateGpu();
    return m;
}

StrokeSample sampleAt(vec3 p) {
    StrokeSample s;
    s.point = p;
    s.normal = normalize(p);
    s.radius = kRadius;
    s.material.red = 0;
    return s;
}

// Steps that go back and forth across the equator, so the sphere keeps its shape over a run.
vec3 stepPoint(int i) { return vec3(1, (i & 1) ? 0.004f : -0.004f, 0); }

void brushSample(benchmark::State& state, Brush action, int mode) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no GL context");
        return;
    }
    registerMeshEditing();
    std::unique_ptr<Mesh> m = uploadedSphere();
    Sculptor g(action, mode, 2);
    g.paintMask = kPbrColor;
    g.state = GestureRunning;
    g.samples = {sampleAt(stepPoint(0)), sampleAt(stepPoint(1)), sampleAt(stepPoint(2))};
    std::vector<Gesture*> list{&g};
    int i = 3;
    // as the drag step does: one more sample a tick
    for (auto _ : state) {
        g.samples.push_back(sampleAt(stepPoint(i++)));
        m->applyGestures(list);
    }
    // the bytes of one more sample's upload, against those of the touched triangles' groups
    m->updateGpu();
    const uint64_t before = m->bytesUploaded;
    g.samples.push_back(sampleAt(stepPoint(i)));
    m->applyGestures(list);
    uint32_t perCorner = 0;
    if (m->partChanged[GroupPositions]) perCorner += cornerAttributeBytes[0];
    if (m->partChanged[GroupNormals]) perCorner += cornerAttributeBytes[1];
    if (m->partChanged[GroupMaterials])
        perCorner += cornerAttributeBytes[2] + cornerAttributeBytes[3] + cornerAttributeBytes[4];
    m->updateGpu();
    m->gatherBrushVertices(g.samples[g.samples.size() - 2].point, kRadius, true);
    m->markDirtyTriangles();
    state.counters["upload_bytes"] = double(m->bytesUploaded - before);
    state.counters["touched_bytes"] = double(m->selectedTriangles.size() * 3 * perCorner);
    m->clearSelection();
}

// The floor: each gathered vertex read and written, each triangle of their rings read once.
void brushFloor(benchmark::State& state) {
    std::unique_ptr<Mesh> m = std::make_unique<Mesh>(::bench::millionTriangleSphere(kal::Recenter::Keep));
    m->gatherBrushVertices(stepPoint(0), kRadius, true);
    std::vector<int32_t> ids = m->selectedVertices;
    m->markDirtyTriangles();
    std::vector<int32_t> tris = m->selectedTriangles;
    std::sort(tris.begin(), tris.end());
    m->clearSelection();
    for (auto _ : state) {
        float sum = 0;
        for (int32_t v : ids) m->vertices[v].position.x += 1e-9f;
        for (int32_t t : tris) sum += m->triangles[t].faceNormal.x;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["vertices"] = double(ids.size());
    state.counters["ring_triangles"] = double(tris.size());
}

BENCHMARK(brushFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(brushSample, smooth, Brush::Smooth, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(brushSample, deform, Brush::Deform, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(brushSample, grow, Brush::Grow, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(brushSample, paint, Brush::PaintMaterial, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(brushSample, componentSmooth, Brush::Smooth, 3)->Unit(benchmark::kMicrosecond);

} // namespace
