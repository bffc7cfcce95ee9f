// Plane and sphere cuts, clips and the plane cap on copies of a 1M-triangle sphere, each beside
// one linear pass reading every triangle record once, in the same run.
#include <functional>

#include <benchmark/benchmark.h>

#include "BenchMeshes.h"
#include "SweepRatio.h"
#include "mesh/Mesh.h"

namespace {

using namespace kal;

void triangleSweep(benchmark::State& state) {
    const Mesh& m = ::bench::millionTriangleSphere(kal::Recenter::Keep);
    for (auto _ : state) benchmark::DoNotOptimize(::bench::sweep(m));
}

void onCopy(benchmark::State& state, const std::function<void(Mesh&)>& op) {
    ::bench::ratioOnCopy(state, ::bench::millionTriangleSphere(kal::Recenter::Keep), op);
}

// A plane through the centre, tilted so that it passes no vertex.
const vec3 kNormal = normalize(vec3(0.01f, 0.02f, 1));
const vec3 kCentre(0.0011f, 0, 0);

void cutPlane(benchmark::State& s) {
    onCopy(s, [](Mesh& m) { m.cutPlane(kCentre, kNormal); });
}
void clipPlane(benchmark::State& s) {
    onCopy(s, [](Mesh& m) { m.clipPlane(kCentre, kNormal); });
}
void subPlane(benchmark::State& s) {
    onCopy(s, [](Mesh& m) { m.subPlane(kCentre, kNormal, pbr()); });
}
void cutSphere(benchmark::State& s) {
    onCopy(s, [](Mesh& m) { m.cutSphere(vec3(1, 0, 0), vec3(1.2f, 0, 0)); });
}
void clipSphere(benchmark::State& s) {
    onCopy(s, [](Mesh& m) { m.clipSphere(vec3(1, 0, 0), vec3(1.2f, 0, 0)); });
}

BENCHMARK(triangleSweep)->Unit(benchmark::kMillisecond);
BENCHMARK(cutPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(clipPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(subPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(cutSphere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(clipSphere)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
