// A following curve re-derived from a 100k-point source (every stroke tick of the source and
// every load), beside the same number of plain passes over a flat array of the points: 20
// neighbour averages and 10 backward and forward length passes (counter x_plain, goal 3 or
// less). A Deform tick on the 100k points beside one bare pass reading every position
// (counter x_read, goal 2 or less).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "BenchClock.h"
#include "elements/UCurve.h"
#include "scene/Gesture.h"

namespace {

using namespace kal;
using ::bench::Clock;
using ::bench::seconds;

constexpr int pointCount = 100000;

// An open helix of 100k points, each radius one step long, so the resampling keeps about as many.
std::vector<vec3> helix() {
    std::vector<vec3> p;
    for (int i = 0; i < pointCount; ++i) {
        const double a = i * 0.01;
        p.push_back(vec3(float(10 * std::cos(a)), float(10 * std::sin(a)), float(i * 0.001)));
    }
    return p;
}

Curve* helixCurve() {
    Curve* c = new Curve(helix(), false, 0);
    const float step = length(c->points[1].position - c->points[0].position);
    for (CurvePoint& p : c->points) p.radius = step;
    return c;
}

// The yardstick: the same passes as the derivation on a flat array, nothing else.
void plainPasses(std::vector<vec3>& p) {
    const size_t n = p.size();
    std::vector<vec3> next(p);
    for (int pass = 0; pass < 20; ++pass) {
        for (size_t i = 1; i + 1 < n; ++i) next[i] = (p[i] + (p[i - 1] + p[i + 1]) * 0.5f) * 0.5f;
        p.swap(next);
    }
    std::vector<float> lengths(n);
    for (size_t i = 0; i + 1 < n; ++i) lengths[i] = length(p[i + 1] - p[i]);
    for (int pass = 0; pass < 10; ++pass) {
        for (size_t j = n - 2; j >= 1; --j) p[j] = p[j + 1] + normalize(p[j] - p[j + 1]) * lengths[j];
        for (size_t j = 1; j < n; ++j) p[j] = p[j - 1] + normalize(p[j] - p[j - 1]) * lengths[j - 1];
    }
}

void BM_FollowingCurveTouch(benchmark::State& state) {
    Curve* source = helixCurve();
    UCurve follower(source, 2);
    double derive = 0, plain = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        follower.touch();
        derive += seconds(a);
        state.PauseTiming();
        std::vector<vec3> flat = helix();
        auto b = Clock::now();
        plainPasses(flat);
        plain += seconds(b);
        benchmark::DoNotOptimize(flat.data());
        state.ResumeTiming();
    }
    state.counters["points"] = follower.pointCount();
    state.counters["x_plain"] = plain > 0 ? derive / plain : 0;
    follower.source = nullptr;
    delete source;
}
BENCHMARK(BM_FollowingCurveTouch)->Unit(benchmark::kMillisecond);

void BM_CurveDeformTick(benchmark::State& state) {
    std::unique_ptr<Curve> c(helixCurve());
    Sculptor g(Brush::Deform, SelectElement, 2);
    StrokeSample s;
    s.point = c->points[pointCount / 2].position;
    s.radius = 0.5f;
    g.samples = {s, s};
    g.samples[1].point = s.point + vec3(0, 0, 1e-4f);
    g.state = GestureRunning;
    const std::vector<Gesture*> list = {&g};
    double tick = 0, read = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        c->applyGestures(list);
        tick += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        vec3 sum;
        for (const CurvePoint& p : c->points) sum += p.position;
        benchmark::DoNotOptimize(sum);
        read += seconds(b);
        state.ResumeTiming();
    }
    state.counters["x_read"] = read > 0 ? tick / read : 0;
}
BENCHMARK(BM_CurveDeformTick)->Unit(benchmark::kMillisecond);

} // namespace
