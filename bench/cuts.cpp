// Plane and sphere cuts, clips and the plane cap on copies of a 1M-triangle sphere, each beside
// one linear pass reading every triangle record once, in the same run.
#include <functional>
#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>

#include "BenchMeshes.h"
#include "mesh/Mesh.h"

namespace {

using namespace kal;

// One pass reading every triangle record once.
float sweep(const Mesh& m) {
    float sum = 0;
    for (int t = 0; t < m.triangleCount(); ++t) sum += m.triangles[t].faceNormal.z + float(m.triangles[t].flags);
    return sum;
}

// Seconds of one sweep, the best of five: the yardstick of the ratios.
double sweepSeconds(const Mesh& m) {
    static double best = 0;
    if (best > 0) return best;
    for (int i = 0; i < 5; ++i) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sweep(m));
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (best == 0 || s < best) best = s;
    }
    return best;
}

// Time per iteration over one sweep.
void reportRatio(benchmark::State& state, double seconds) {
    state.counters["x_sweep"] = seconds / double(state.iterations()) / sweepSeconds(::bench::millionTriangleSphere(0));
}

void triangleSweep(benchmark::State& state) {
    const Mesh& m = ::bench::millionTriangleSphere(0);
    for (auto _ : state) benchmark::DoNotOptimize(sweep(m));
}

// The operation on a fresh copy per iteration; the copy is not timed.
void onCopy(benchmark::State& state, const std::function<void(Mesh&)>& op) {
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto m = std::make_unique<Mesh>(::bench::millionTriangleSphere(0));
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        op(*m);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(m->triangleCount());
        state.PauseTiming();
        m.reset();
        state.ResumeTiming();
    }
    reportRatio(state, seconds);
}

// A plane through the centre, tilted so that it passes no vertex.
const vec3 kNormal = normalize(vec3(0.01f, 0.02f, 1));
const vec3 kCentre(0.0011f, 0, 0);

void cutPlane(benchmark::State& s) { onCopy(s, [](Mesh& m) { m.cutPlane(kCentre, kNormal); }); }
void clipPlane(benchmark::State& s) { onCopy(s, [](Mesh& m) { m.clipPlane(kCentre, kNormal); }); }
void subPlane(benchmark::State& s) { onCopy(s, [](Mesh& m) { m.subPlane(kCentre, kNormal, pbr()); }); }
void cutSphere(benchmark::State& s) { onCopy(s, [](Mesh& m) { m.cutSphere(vec3(1, 0, 0), vec3(1.2f, 0, 0)); }); }
void clipSphere(benchmark::State& s) { onCopy(s, [](Mesh& m) { m.clipSphere(vec3(1, 0, 0), vec3(1.2f, 0, 0)); }); }

BENCHMARK(triangleSweep)->Unit(benchmark::kMillisecond);
BENCHMARK(cutPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(clipPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(subPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(cutSphere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(clipSphere)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
