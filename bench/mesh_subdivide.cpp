// Midpoint subdivision of a closed mesh of about a million triangles (four million after):
// the splits, the recorded flips, and with smoothing the halfway moves of the old vertices.
#include <benchmark/benchmark.h>

#include <cmath>

#include "BenchMeshes.h"
#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"

namespace {

const kal::Mesh& sphere() { return bench::millionTriangleSphere(1); }

void subdivideOnce(benchmark::State& state, bool smooth, bool splitBySplit = false) {
    int64_t triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        kal::Mesh m = sphere();
        state.ResumeTiming();
        if (splitBySplit)
            kal::meshedit::subdivideSplitBySplit(m, smooth);
        else
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

// The same records one split and one flip at a time on the mesh's own records: the yardstick of
// the bulk passes above.
void BM_SubdivideMidpointSplitBySplit(benchmark::State& state) { subdivideOnce(state, false, true); }
BENCHMARK(BM_SubdivideMidpointSplitBySplit)->Unit(benchmark::kMillisecond)->Iterations(3);

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
