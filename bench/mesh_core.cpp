// Hot paths of the mesh core on a generated closed mesh of about a million triangles:
// link rebuild, the full rebuild, all normals, and one smoothing pass.
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
    auto ring = [segments](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    kal::pbr material;
    auto tri = [&](int a, int b, int c) {
        m.addTriangle(kal::MeshTriangle(a, b, c, -1, -1, -1, false, false, false, material, material, material));
    };
    for (int s = 0; s < segments; ++s) tri(north, ring(1, s), ring(1, s + 1));
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s) {
            tri(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
            tri(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
        }
    for (int s = 0; s < segments; ++s) tri(south, ring(rings - 1, s + 1), ring(rings - 1, s));
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

void BM_BuildLinks(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) benchmark::DoNotOptimize(m.buildLinks());
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_BuildLinks)->Unit(benchmark::kMillisecond);

void BM_Rebuild(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) m.rebuild(0);
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

void BM_UpdateAllNormals(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) m.updateNormals(2);
    state.SetItemsProcessed(state.iterations() * m.triangleCount());
}
BENCHMARK(BM_UpdateAllNormals)->Unit(benchmark::kMillisecond);

void BM_RelaxPass(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) m.relax(false, false);
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
    for (auto _ : state) m.relax(false, false);
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_RelaxPassPainted)->Unit(benchmark::kMillisecond);

void BM_RelaxTangentialPass(benchmark::State& state) {
    kal::Mesh m = sphere();
    for (auto _ : state) m.relaxTangential(false);
    state.SetItemsProcessed(state.iterations() * m.vertexCount());
}
BENCHMARK(BM_RelaxTangentialPass)->Unit(benchmark::kMillisecond);

} // namespace
