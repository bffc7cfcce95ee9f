// Orientation tests on random and on nearly degenerate points, and triangulation of a
// 1,000-point outline. On random input the plain-double filter should decide nearly
// every call, so Orient2dRandom should cost about as much as Orient2dPlainFormula.
#include "foundation/Predicates.h"
#include "foundation/Triangulation.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

using namespace kal;

namespace {

constexpr int kPoints = 4096;

std::vector<double> randomPoints(int dims) {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    std::vector<double> p(size_t(kPoints) * dims);
    for (double& v : p) v = u(rng);
    return p;
}

// Points within a few ulps of a line (2-D) or on a plane (3-D), with coordinates whose
// differences round: the plain result cannot be trusted, so the exact stages run.
std::vector<double> nearlyDegeneratePoints(int dims) {
    std::mt19937_64 rng(2);
    std::uniform_int_distribution<int> ulps(-8, 8);
    std::uniform_int_distribution<int> exponent(-10, 30);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> p(size_t(kPoints) * dims);
    for (int i = 0; i < kPoints; ++i) {
        double* q = &p[size_t(i) * dims];
        if (dims == 2) {
            // Every third point is near (0.5, 0.5) on the diagonal, the others far out on it.
            double t = i % 3 == 0 ? 0.5 : std::ldexp(u(rng), exponent(rng));
            q[0] = t + ulps(rng) * std::ldexp(std::fabs(t), -53);
            q[1] = t + ulps(rng) * std::ldexp(std::fabs(t), -53);
        } else {
            // Exactly on the plane x == y, with one coordinate in eight moved by an ulp.
            q[0] = q[1] = std::ldexp(u(rng), exponent(rng));
            q[2] = std::ldexp(u(rng), exponent(rng));
            if (i % 8 == 0) q[1] = std::nextafter(q[1], 1e300);
        }
    }
    return p;
}

void orient2dOver(benchmark::State& state, const std::vector<double>& p) {
    int i = 0;
    for (auto _ : state) {
        const double* q = &p[size_t(i) * 2];
        benchmark::DoNotOptimize(orient2d(q, q + 2, q + 4));
        i = (i + 1) % (kPoints - 3);
    }
    state.SetItemsProcessed(state.iterations());
}

void orient3dOver(benchmark::State& state, const std::vector<double>& p) {
    int i = 0;
    for (auto _ : state) {
        const double* q = &p[size_t(i) * 3];
        benchmark::DoNotOptimize(orient3d(q, q + 3, q + 6, q + 9));
        i = (i + 1) % (kPoints - 4);
    }
    state.SetItemsProcessed(state.iterations());
}

void Orient2dPlainFormula(benchmark::State& state) {
    static const std::vector<double> p = randomPoints(2);
    int i = 0;
    for (auto _ : state) {
        const double* a = &p[size_t(i) * 2];
        const double *b = a + 2, *c = a + 4;
        benchmark::DoNotOptimize((a[0] - c[0]) * (b[1] - c[1]) - (a[1] - c[1]) * (b[0] - c[0]));
        i = (i + 1) % (kPoints - 3);
    }
    state.SetItemsProcessed(state.iterations());
}

void Orient2dRandom(benchmark::State& state) {
    static const std::vector<double> p = randomPoints(2);
    orient2dOver(state, p);
}

void Orient2dNearlyDegenerate(benchmark::State& state) {
    static const std::vector<double> p = nearlyDegeneratePoints(2);
    orient2dOver(state, p);
}

void Orient3dRandom(benchmark::State& state) {
    static const std::vector<double> p = randomPoints(3);
    orient3dOver(state, p);
}

void Orient3dNearlyDegenerate(benchmark::State& state) {
    static const std::vector<double> p = nearlyDegeneratePoints(3);
    orient3dOver(state, p);
}

// A wavy closed outline of n points, like a long drawn stroke.
Outline wavyOutline(int n) {
    Outline o;
    for (int i = 0; i < n; ++i) {
        double a = 2 * M_PI * i / n;
        double r = 100.0 + 8.0 * std::sin(17 * a) + 3.0 * std::cos(5 * a);
        o.points.push_back(vec2(float(r * std::cos(a)), float(r * std::sin(a))));
        o.flags.push_back(i % 50 == 0);
    }
    return o;
}

void TriangulateOutline1000(benchmark::State& state) {
    const Outline outline = wavyOutline(1000);
    const bool split = state.range(0) != 0;
    size_t triangles = 0;
    for (auto _ : state) {
        std::vector<vec2> points;
        std::vector<bool> flags;
        std::vector<int> tris;
        triangulateOutline(outline, points, flags, tris, split);
        triangles = tris.size() / 3;
        benchmark::DoNotOptimize(tris.data());
    }
    state.counters["triangles"] = double(triangles);
}

void OutlineSimplicityCheck1000(benchmark::State& state) {
    const Outline outline = wavyOutline(1000);
    for (auto _ : state) benchmark::DoNotOptimize(isSimpleOutline(outline));
}

} // namespace

BENCHMARK(Orient2dPlainFormula);
BENCHMARK(Orient2dRandom);
BENCHMARK(Orient2dNearlyDegenerate);
BENCHMARK(Orient3dRandom);
BENCHMARK(Orient3dNearlyDegenerate);
BENCHMARK(TriangulateOutline1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OutlineSimplicityCheck1000)->Unit(benchmark::kMicrosecond);
