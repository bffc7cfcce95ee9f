// A Deform pass over a 1M-triangle clay (3M corners) to glFinish, beside one single-thread CPU
// pass of the same deformation over the same positions; the read-back into the mesh beside a
// plain memcpy of the same 36 MB. Counter x_cpu / x_memcpy: the GPU side as a multiple of its
// yardstick, both timed in the same iteration (goals: 2 or less).
#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "BenchClock.h"
#include "BenchMeshes.h"
#include "GLBenchContext.h"
#include "elements/Clay.h"
#include "gpu/GLFunctions.h"

namespace {

using namespace kal;
using ::bench::Clock;
using ::bench::seconds;

Clay& bigClay() {
    static Clay* clay = nullptr;
    // the clay copies the shared sphere; the sphere itself is left as it is
    if (!clay) clay = new Clay(const_cast<Mesh*>(&::bench::millionTriangleSphere(kal::Recenter::Keep)));
    return *clay;
}

// The big clay with its buffers made, or null with the run marked skipped.
Clay* uploadedClay(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return nullptr;
    }
    Clay& clay = bigClay();
    if (!clay.updateGpu()) {
        state.SkipWithError("upload failed");
        return nullptr;
    }
    return &clay;
}

// The deform brushes on the CPU: what the shader does, corner by corner.
void deformOnCpu(std::vector<vec3>& p, const std::vector<vec3>& centres, const std::vector<vec3>& moves, float radius) {
    const float k = 1.0f / radius;
    for (vec3& q : p) {
        vec3 sum(0, 0, 0);
        for (size_t i = 0; i < centres.size(); ++i) {
            const vec3 d = (q - centres[i]) * k;
            const float r = dot(d, d);
            if (r < 1.0f) sum = sum + moves[i] * (r * (2.0f * std::sqrt(r) - 3.0f) + 1.0f);
        }
        q = q + sum;
    }
}

void BM_ClayDeformPass(benchmark::State& state) {
    Clay* uploaded = uploadedClay(state);
    if (!uploaded) return;
    Clay& clay = *uploaded;
    const int count = int(state.range(0));
    std::vector<vec3> centres, moves;
    for (int i = 0; i < count; ++i) {
        centres.push_back(vec3(float(i % 5) * 0.3f - 0.6f, float(i / 5) * 0.3f - 0.6f, 1.0f));
        moves.push_back(vec3(0, 0, 1e-4f));
    }
    std::vector<vec3> cpu(size_t(clay.vertexCount));
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay.buffers[clay.current]);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(cpu.size() * 12), cpu.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    double gpu = 0, reference = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        clay.deform(centres, moves, 0.5f);
        gl->glFinish();
        gpu += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        deformOnCpu(cpu, centres, moves, 0.5f);
        reference += seconds(b);
        benchmark::DoNotOptimize(cpu.data());
        state.ResumeTiming();
    }
    state.counters["x_cpu"] = reference > 0 ? gpu / reference : 0;
}
BENCHMARK(BM_ClayDeformPass)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_ClayReadBack(benchmark::State& state) {
    Clay* uploaded = uploadedClay(state);
    if (!uploaded) return;
    Clay& clay = *uploaded;
    const size_t bytes = size_t(clay.vertexCount) * 12;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    double gpu = 0, reference = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        benchmark::DoNotOptimize(clay.readBack());
        gpu += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        reference += seconds(b);
        state.ResumeTiming();
    }
    state.counters["x_memcpy"] = reference > 0 ? gpu / reference : 0;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_ClayReadBack)->Unit(benchmark::kMillisecond);

} // namespace
