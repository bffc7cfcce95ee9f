// A 100k-point chain, open with twist and closed: frame transport beside a bare pass that reads
// each segment's ends and writes a unit tangent and a normal; the line upload (refill in place,
// and reallocation) beside a memcpy of the same bytes plus one glBufferSubData. Counters
// x_bare and x_reference: the curve's work as a multiple of its yardstick, timed in the same
// iteration (goals: 10 or less, 1.3 or less).
#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "GLBenchContext.h"
#include "elements/Curve.h"

namespace {

using namespace kal;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

constexpr int points = 100000;

// A helix of `points` points; closed curves join the last point to the first.
std::unique_ptr<Curve> chain(bool closed) {
    std::vector<vec3> p;
    for (int i = 0; i < points; ++i) {
        const double a = i * 0.01;
        p.push_back(vec3(float(std::cos(a)), float(std::sin(a)), float(i * 0.001)));
    }
    std::unique_ptr<Curve> c(new Curve(p, closed, 0));
    if (!closed)
        for (CurvePoint& q : c->points) q.twist = 0.01f;
    return c;
}

// What any frame pass must do at least: read both ends, write a unit tangent and a normal.
void barePass(Curve& c) {
    for (CurveSegment& s : c.segments) {
        const vec3 d = c.points[size_t(s.b)].position - c.points[size_t(s.a)].position;
        s.tangent = normalize(d);
        s.normal = normalize(cross(s.tangent, vec3(0, 0, 1)));
    }
}

void BM_CurveFrames(benchmark::State& state) {
    std::unique_ptr<Curve> c = chain(state.range(0) == 1);
    double frames = 0, bare = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        c->updateFrames(true);
        frames += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        barePass(*c);
        bare += seconds(b);
        benchmark::DoNotOptimize(c->segments.data());
        state.ResumeTiming();
    }
    state.counters["x_bare"] = bare > 0 ? frames / bare : 0;
}
BENCHMARK(BM_CurveFrames)->Arg(0)->Arg(1)->ArgNames({"closed"})->Unit(benchmark::kMillisecond);

void BM_CurveUpload(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    const bool reallocate = state.range(0) == 1;
    std::unique_ptr<Curve> c = chain(false);
    if (!c->updateGpu()) {
        state.SkipWithError("upload failed");
        return;
    }
    const size_t bytes = size_t(c->vertexCount) * 12;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    GLuint yardstick = 0;
    gl->glGenBuffers(1, &yardstick);
    gl->glBindBuffer(GL_ARRAY_BUFFER, yardstick);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), nullptr, GL_DYNAMIC_DRAW);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    double upload = 0, reference = 0;
    for (auto _ : state) {
        if (reallocate) {
            c->geometryDirty = true;
        } else {
            c->uploadNeeded = true;
        }
        auto a = Clock::now();
        c->updateGpu();
        gl->glFinish();
        upload += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        gl->glBindBuffer(GL_ARRAY_BUFFER, yardstick);
        gl->glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), to.data());
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl->glFinish();
        reference += seconds(b);
        state.ResumeTiming();
    }
    gl->glDeleteBuffers(1, &yardstick);
    c->releaseGpu();
    state.counters["x_reference"] = reference > 0 ? upload / reference : 0;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_CurveUpload)->Arg(0)->Arg(1)->ArgNames({"reallocate"})->Unit(benchmark::kMillisecond);

} // namespace
