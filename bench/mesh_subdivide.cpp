// Subdivision of a closed mesh of about a million triangles (four million after): the splits,
// the recorded flips, and with smoothing the moves of the old vertices. The smoothed one is the
// headline (it stands beside OpenMesh's Loop in mesh_openmesh.cpp); each is also stated as a
// multiple of one sweep over the source's triangle records (x_sweep, x_sweep_1t on one thread).
#include <benchmark/benchmark.h>

#include <cmath>

#include "BenchMeshes.h"
#include "SweepRatio.h"
#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"

namespace {

const kal::Mesh& sphere() { return bench::millionTriangleSphere(kal::Recenter::Mean); }

void subdivideOnce(benchmark::State& state, bool smooth, bool splitBySplit = false) {
    bench::ratioOnCopy(state, sphere(), [&](kal::Mesh& m) {
        if (splitBySplit)
            kal::meshedit::subdivideSplitBySplit(m, smooth);
        else
            m.subdivide(smooth);
    });
    state.SetItemsProcessed(state.iterations() * sphere().triangleCount());
}

void BM_SubdivideSmoothed(benchmark::State& state) { subdivideOnce(state, true); }
BENCHMARK(BM_SubdivideSmoothed)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SubdivideMidpoint(benchmark::State& state) { subdivideOnce(state, false); }
BENCHMARK(BM_SubdivideMidpoint)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same records one split and one flip at a time on the mesh's own records: the yardstick of
// the bulk passes above.
void BM_SubdivideMidpointSplitBySplit(benchmark::State& state) { subdivideOnce(state, false, true); }
BENCHMARK(BM_SubdivideMidpointSplitBySplit)->Unit(benchmark::kMillisecond)->Iterations(3);

// All normals of the subdivided mesh: its new records are appended in split order, so the
// triangles of one ring lie far apart in memory (unlike a freshly built mesh).
void BM_NormalsAfterSubdivide(benchmark::State& state) {
    static kal::Mesh m = [] {
        kal::Mesh s = sphere();
        s.subdivide(false);
        return s;
    }();
    for (auto _ : state) m.updateNormals(kal::NormalUpdate::All);
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_NormalsAfterSubdivide)->Unit(benchmark::kMillisecond);

} // namespace
