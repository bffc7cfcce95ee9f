// Midpoint subdivision of a closed mesh of about a million triangles (four million after):
// the splits, the recorded flips, and with smoothing the halfway moves of the old vertices.
#include <benchmark/benchmark.h>

#include <cmath>

#include "mesh/Mesh.h"

namespace {

// Closed UV sphere with poles: 2 * segments * (rings - 1) triangles.
kal::Mesh makeSphere(int rings, int segments) {
    kal::Mesh m;
    const double pi = 3.141592653589793;
    int north = m.addVertex(kal::vec3(0, 0, 1));
    for (int r = 1; r < rings; ++r) {
        double theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            double phi = 2 * pi * s / segments;
            m.addVertex(kal::vec3(float(std::sin(theta) * std::cos(phi)), float(std::sin(theta) * std::sin(phi)),
                                  float(std::cos(theta))));
        }
    }
    int south = m.addVertex(kal::vec3(0, 0, -1));
    auto ring = [segments](int r, int s) { return uint32_t(1 + (r - 1) * segments + (s % segments)); };
    for (int s = 0; s < segments; ++s) m.addTriangle(uint32_t(north), ring(1, s), ring(1, s + 1), false, false, false);
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s) {
            m.addTriangle(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1), false, false, false);
            m.addTriangle(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1), false, false, false);
        }
    for (int s = 0; s < segments; ++s)
        m.addTriangle(uint32_t(south), ring(rings - 1, s + 1), ring(rings - 1, s), false, false, false);
    return m;
}

const kal::Mesh& sphere() {
    static kal::Mesh m = [] {
        kal::Mesh s = makeSphere(501, 1000);
        s.rebuild(1);
        return s;
    }();
    return m;
}

void subdivideOnce(benchmark::State& state, bool smooth) {
    int64_t triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        kal::Mesh m = sphere();
        state.ResumeTiming();
        m.subdivide(smooth);
        benchmark::DoNotOptimize(m.triangleCount());
        triangles += sphere().triangleCount();
        state.PauseTiming();
        // the four-million-triangle result is freed outside the timing
        m.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(triangles);
}

void BM_SubdivideMidpoint(benchmark::State& state) { subdivideOnce(state, false); }
BENCHMARK(BM_SubdivideMidpoint)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SubdivideMidpointSmooth(benchmark::State& state) { subdivideOnce(state, true); }
BENCHMARK(BM_SubdivideMidpointSmooth)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

namespace {

// All normals of the subdivided mesh: its new records are appended in split order, so the
// triangles of one ring lie far apart in memory (unlike a freshly built mesh).
void BM_NormalsAfterSubdivide(benchmark::State& state) {
    static kal::Mesh m = [] {
        kal::Mesh s = sphere();
        s.subdivide(false);
        return s;
    }();
    for (auto _ : state) m.updateNormals(2);
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_NormalsAfterSubdivide)->Unit(benchmark::kMillisecond);

} // namespace
