// Hot paths of the mesh core on a generated closed mesh of about a million triangles:
// link rebuild, the full rebuild, all normals, and one smoothing pass, each also stated as a
// multiple of one sweep over the triangle records (x_sweep, and x_sweep_1t with ours on one thread).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <utility>

#include "BenchMeshes.h"
#include "SweepRatio.h"
#include "mesh/Mesh.h"

namespace {

const kal::Mesh& sphere() { return bench::millionTriangleSphere(kal::Recenter::Mean); }

void BM_BuildLinks(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { benchmark::DoNotOptimize(mesh.buildLinks()); });
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_BuildLinks)->Unit(benchmark::kMillisecond);

// A copy into fresh memory (the program's copies, subdivisions and imports all write new stores).
void BM_Copy(benchmark::State& state) {
    for (auto _ : state) {
        auto copy = std::make_unique<kal::Mesh>(sphere());
        benchmark::DoNotOptimize(copy->triangleCount());
        state.PauseTiming();
        copy.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * sphere().triangleCount());
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);

void BM_Rebuild(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.rebuild(kal::Recenter::Keep); });
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

// The winding pass alone, on a sphere whose every other band of triangles is wound the wrong
// way (so the pass reverses about half the records each time it runs).
void BM_OrientComponents(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) {
        state.PauseTiming();
        for (int t = 0; t < m.triangleCount(); ++t)
            if ((t / 1000) % 2) std::swap(m.triangles[t].vertex[0], m.triangles[t].vertex[2]);
        state.ResumeTiming();
        m.orientComponents();
    }
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_OrientComponents)->Unit(benchmark::kMillisecond);

// The pinch check on a mesh without pinches: one count and one ring walk per vertex.
void BM_SplitPinchedVertices(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.splitPinchedVertices(); });
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_SplitPinchedVertices)->Unit(benchmark::kMillisecond);

void BM_UpdateAllNormals(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.updateNormals(kal::NormalUpdate::All); });
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_UpdateAllNormals)->Unit(benchmark::kMillisecond);

void BM_RelaxPass(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.relax(false, false); });
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_RelaxPass)->Unit(benchmark::kMillisecond);

// The same pass on a painted mesh (a different material on every corner), where the corner
// materials must be averaged too; on a mesh of one material that work is skipped.
void BM_RelaxPassPainted(benchmark::State& state) {
    kal::Mesh m = sphere();
    uint32_t seed = 7;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (kal::pbr& c : m.triangles[t].corner) {
            seed = seed * 1664525u + 1013904223u;
            c.red = uint16_t(seed >> 16);
            c.roughness = int16_t(int(seed % 60000) - 30000);
        }
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.relax(false, false); });
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_RelaxPassPainted)->Unit(benchmark::kMillisecond);

void BM_RelaxTangentialPass(benchmark::State& state) {
    kal::Mesh m = sphere();
    bench::ratioInPlace(state, m, [](kal::Mesh& mesh) { mesh.relaxTangential(false); });
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_RelaxTangentialPass)->Unit(benchmark::kMillisecond);

} // namespace
