// Hot matrix paths: chained products (tool hierarchies, draw setup) and point transforms
// over a large vertex array (picking, exports, symmetric copies).
#include "foundation/Mat.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

using namespace kal;

namespace {

constexpr int kPoints = 1 << 20;

std::vector<vec3> randomPoints(int n) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-10, 10);
    std::vector<vec3> p(static_cast<size_t>(n));
    for (vec3& v : p) v = {u(rng), u(rng), u(rng)};
    return p;
}

mat4 someTransform() {
    mat4 m = mat4::scaling(1.5f, 0.5f, 2.0f);
    m *= mat4::rotationEuler(0.3f, 0.4f, 0.5f);
    m *= mat4::translation(vec3(1, 2, 3));
    return m;
}

void Mat4InPlaceProduct(benchmark::State& state) {
    mat4 a = someTransform(), b = inverseAffine(someTransform());
    for (auto _ : state) {
        a *= b;
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(Mat4InPlaceProduct);

void Mat4InverseAffine(benchmark::State& state) {
    mat4 a = someTransform();
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        mat4 r = inverseAffine(a);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(Mat4InverseAffine);

void TransformPoints(benchmark::State& state) {
    const std::vector<vec3> in = randomPoints(kPoints);
    std::vector<vec3> out(in.size());
    const mat4 m = someTransform();
    for (auto _ : state) {
        for (size_t i = 0; i < in.size(); ++i) out[i] = in[i] * m;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(in.size()));
}
BENCHMARK(TransformPoints)->Unit(benchmark::kMillisecond);

void TransformDirections(benchmark::State& state) {
    const std::vector<vec3> in = randomPoints(kPoints);
    std::vector<vec3> out(in.size());
    const mat4 m = someTransform();
    for (auto _ : state) {
        for (size_t i = 0; i < in.size(); ++i) out[i] = normalize(transformDirection(in[i], m));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(in.size()));
}
BENCHMARK(TransformDirections)->Unit(benchmark::kMillisecond);

void FramesFromDirections(benchmark::State& state) {
    const std::vector<vec3> in = randomPoints(1 << 16);
    std::vector<mat3> out(in.size());
    for (auto _ : state) {
        for (size_t i = 0; i < in.size(); ++i) out[i] = mat3::frameFromDirection(in[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(in.size()));
}
BENCHMARK(FramesFromDirections)->Unit(benchmark::kMillisecond);

} // namespace
