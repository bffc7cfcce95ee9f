// The array's placement walk over a closed curve of 10,000 segments with a copy of three tools,
// beside the least any walk must do: one matrix product and four appends per output entry.
// Counter x_bare: the walk as a multiple of that loop, timed in the same iteration (goal: 2 or less).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "BenchClock.h"
#include "elements/Curve.h"
#include "tools/Array.h"

namespace {

using namespace kal;
using ::bench::Clock;
using ::bench::seconds;

constexpr int segments = 10000;

void BM_ArrayLayout(benchmark::State& state) {
    std::vector<vec3> p;
    for (int i = 0; i < segments; ++i) {
        const double a = 6.283185307179586 * i / segments;
        p.push_back(vec3(float(100 * std::cos(a)), float(100 * std::sin(a)), float(std::sin(7 * a))));
    }
    Tool item(nullptr, mat4::uniformScaling(0.5f), pbr(), false);
    item.addChild(new Tool(nullptr, mat4::translationXYZ(1, 0, 0), pbr(), false), false);
    item.addChild(new Tool(nullptr, mat4::translationXYZ(0, 1, 0), pbr(), false), false);
    std::unique_ptr<Array> array(new Array(new Curve(p, true, 0), {&item}, {arrayEntry(1, 1, EntryCyclic)}, ArrayChain,
                                           arrayAlternateMatrix(ArrayChain), mat4(), pbr(), false));
    std::vector<Tool*> tools;
    std::vector<mat4> matrices;
    std::vector<int32_t> groups, steps;
    std::vector<Tool*> t2;
    std::vector<mat4> m2;
    std::vector<int32_t> g2, s2;
    const mat4 step = mat4::translationXYZ(1, 2, 3);
    double walk = 0, bare = 0;
    for (auto _ : state) {
        tools.clear(), matrices.clear(), groups.clear(), steps.clear();
        auto a = Clock::now();
        array->collectWorldTransforms(tools, matrices, groups, steps, mat4(), 0, -1);
        walk += seconds(a);
        const size_t n = tools.size();
        state.PauseTiming();
        t2.clear(), m2.clear(), g2.clear(), s2.clear();
        auto b = Clock::now();
        for (size_t i = 0; i < n; ++i) {
            mat4 m = matrices[i];
            m *= step;
            t2.push_back(tools[i]);
            m2.push_back(m);
            g2.push_back(int32_t(i));
            s2.push_back(-1);
        }
        bare += seconds(b);
        benchmark::DoNotOptimize(m2.data());
        state.ResumeTiming();
    }
    state.counters["x_bare"] = bare > 0 ? walk / bare : 0;
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(tools.size()));
}
BENCHMARK(BM_ArrayLayout)->Unit(benchmark::kMillisecond);

} // namespace
