// A tube of a 1000-point axis and a 64-point section (about 380k vertices): the full rebuild and
// upload after one axis point moved, and a materials-only update, beside a bare glBufferSubData of
// the same 34 bytes a vertex, all three in each iteration. Counters: full_x_bare (goal 4 or less)
// and materials_x_full (goal 0.5 or less).
#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "BenchClock.h"
#include "GLBenchContext.h"
#include "elements/Curve.h"
#include "elements/Tube.h"

namespace {

using namespace kal;
using ::bench::Clock;
using ::bench::seconds;

void BM_TubeSurface(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    std::vector<vec3> axisPoints;
    for (int i = 0; i < 1000; ++i) {
        const double a = i * 0.02;
        axisPoints.push_back(vec3(float(10 * std::cos(a)), float(10 * std::sin(a)), float(i * 0.05)));
    }
    std::unique_ptr<Tube> tube(new Tube(new Curve(axisPoints, false, 0), Curve::makeCircle(64, false)));
    if (!tube->updateGpu()) {
        state.SkipWithError("upload failed");
        return;
    }
    const size_t bytes = size_t(tube->vertexCount) * 34;
    std::vector<uint8_t> data(bytes, 7);
    GLuint yardstick = 0;
    gl->glGenBuffers(1, &yardstick);
    gl->glBindBuffer(GL_ARRAY_BUFFER, yardstick);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), nullptr, GL_DYNAMIC_DRAW);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    double full = 0, materials = 0, bare = 0;
    int step = 0;
    for (auto _ : state) {
        tube->axis->points[500].position.z += (++step & 1) ? 0.01f : -0.01f;
        tube->axis->touch();
        tube->touch();
        auto a = Clock::now();
        tube->updateGpu();
        gl->glFinish();
        full += seconds(a);

        state.PauseTiming();
        tube->stale[CurveSurface::StaleMaterials] = true;
        auto b = Clock::now();
        tube->updateGpu();
        gl->glFinish();
        materials += seconds(b);

        auto c = Clock::now();
        gl->glBindBuffer(GL_ARRAY_BUFFER, yardstick);
        gl->glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), data.data());
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl->glFinish();
        bare += seconds(c);
        state.ResumeTiming();
    }
    gl->glDeleteBuffers(1, &yardstick);
    tube->releaseGpu();
    state.counters["full_x_bare"] = bare > 0 ? full / bare : 0;
    state.counters["materials_x_full"] = full > 0 ? materials / full : 0;
    state.counters["vertices"] = double(tube->vertexCount);
}
BENCHMARK(BM_TubeSurface)->Unit(benchmark::kMillisecond);

} // namespace
