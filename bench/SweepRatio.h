#pragma once
// The yardstick of the mesh benchmarks: one linear pass reading every triangle record once, on
// one thread, and the counter that states a timed operation as a multiple of it (x_sweep; the
// programs built with OneThreadMain.cpp print it again with ours on one thread, x_sweep_1t).
#include <chrono>
#include <functional>
#include <memory>

#include <benchmark/benchmark.h>

#include "mesh/Mesh.h"

namespace bench {

// One pass reading every triangle record once.
inline float sweep(const kal::Mesh& m) {
    float sum = 0;
    for (int t = 0; t < m.triangleCount(); ++t) sum += m.triangles[t].faceNormal.z + float(m.triangles[t].flags);
    return sum;
}

// Seconds of one sweep, the best of five, measured once per program (each benchmark program
// sweeps one mesh).
inline double sweepSeconds(const kal::Mesh& m) {
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

// Time per iteration over one sweep of the yardstick mesh.
inline void reportRatio(benchmark::State& state, double seconds, const kal::Mesh& yardstick) {
    state.counters["x_sweep"] = seconds / double(state.iterations()) / sweepSeconds(yardstick);
}

// The operation on a fresh copy of source per iteration; the copy is not timed.
inline void ratioOnCopy(benchmark::State& state, const kal::Mesh& source, const std::function<void(kal::Mesh&)>& op) {
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto m = std::make_unique<kal::Mesh>(source);
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        op(*m);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(m->triangleCount());
        state.PauseTiming();
        m.reset();
        state.ResumeTiming();
    }
    reportRatio(state, seconds, source);
}

// The operation again and again on the same mesh.
inline void ratioInPlace(benchmark::State& state, kal::Mesh& m, const std::function<void(kal::Mesh&)>& op) {
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        op(m);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    reportRatio(state, seconds, m);
}

} // namespace bench
