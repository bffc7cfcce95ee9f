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

#include "BenchClock.h"
#include "GLBenchContext.h"
#include "elements/Curve.h"
#include "elements/PatchSearch.h"

namespace {

using namespace kal;
using ::bench::Clock;
using ::bench::seconds;

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

namespace {

// The patch search as first written: the whole blend at every grid point, compared as it goes.
vec3 naivePatchSearch(vec3 P00, vec3 P10, vec3 P01, vec3 P11, vec3 q, float& v, float& u) {
    float best = 0.0f;
    int bi = 0, bj = 0;
    for (int i = 0; i < kPatchGrid; ++i) {
        const float vi = float(i) / float(kPatchGrid - 1);
        for (int j = 0; j < kPatchGrid; ++j) {
            const float uj = float(j) / float(kPatchGrid - 1);
            const vec3 X = (P00 * (1.0f - vi) + P10 * vi) * (1.0f - uj) + (P01 * (1.0f - vi) + P11 * vi) * uj;
            const vec3 d = X - q;
            const float dd = d.x * d.x + d.y * d.y + d.z * d.z;
            if ((i == 0 && j == 0) || dd < best) {
                best = dd;
                bi = i;
                bj = j;
            }
        }
    }
    v = float(bi) / float(kPatchGrid - 1);
    u = float(bj) / float(kPatchGrid - 1);
    return (P00 * (1.0f - v) + P10 * v) * (1.0f - u) + (P01 * (1.0f - v) + P11 * v) * u;
}

struct Quad {
    vec3 p[4];
    vec3 q;
};

std::vector<Quad> randomQuads(int n) {
    std::vector<Quad> out;
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / float(1u << 24) * 4.0f - 2.0f;
    };
    for (int k = 0; k < n; ++k) {
        Quad d;
        for (vec3& c : d.p) c = vec3(next(), next(), next());
        d.q = vec3(next(), next(), next());
        out.push_back(d);
    }
    return out;
}

// Counter x_naive: the search's time as a multiple of the first-written loop's (goal: 0.5 or
// less); a difference in (v, u) on any of 1,000 random quads fails the run.
void BM_PatchSearch(benchmark::State& state) {
    const std::vector<Quad> quads = randomQuads(1000);
    for (const Quad& d : quads) {
        float v0, u0, v1, u1;
        closestPatchPoint(d.p[0], d.p[1], d.p[2], d.p[3], d.q, v0, u0);
        naivePatchSearch(d.p[0], d.p[1], d.p[2], d.p[3], d.q, v1, u1);
        if (v0 != v1 || u0 != u1) {
            state.SkipWithError("the search and the first-written loop disagree");
            return;
        }
    }
    double search = 0, naive = 0;
    size_t k = 0;
    for (auto _ : state) {
        const Quad& d = quads[k++ % quads.size()];
        float v, u;
        auto a = Clock::now();
        benchmark::DoNotOptimize(closestPatchPoint(d.p[0], d.p[1], d.p[2], d.p[3], d.q, v, u));
        search += seconds(a);
        state.PauseTiming();
        auto b = Clock::now();
        benchmark::DoNotOptimize(naivePatchSearch(d.p[0], d.p[1], d.p[2], d.p[3], d.q, v, u));
        naive += seconds(b);
        state.ResumeTiming();
    }
    state.counters["x_naive"] = naive > 0 ? search / naive : 0;
}
BENCHMARK(BM_PatchSearch)->Unit(benchmark::kMicrosecond);

} // namespace
