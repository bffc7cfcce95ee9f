// The outline depth field at the resolution the mesh builder uses (128): one small GPU
// draw per outline cell, and for the sphere and chamfer profiles one more per cell of
// the interior, each after a full-grid copy; two read-backs per call.
#include "GLBenchContext.h"

#include "gpu/GLFunctions.h"
#include "gpu/OutlineDepthField.h"

#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {

kal::Outline circle(int points) {
    kal::Outline outline;
    for (int i = 0; i < points; ++i) {
        const float a = 6.2831853f * float(i) / float(points);
        outline.points.push_back(kal::vec2{10.0f * std::cos(a), 10.0f * std::sin(a)});
        outline.flags.push_back(false);
    }
    return outline;
}

void outlineDepthField(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    const kal::Outline outline = circle(200);
    const auto profile = std::uint8_t(state.range(0));
    const float resolution = float(state.range(1));
    std::size_t points = 0;
    for (auto _ : state) {
        std::vector<kal::vec3> vertices;
        std::vector<bool> flags;
        std::vector<int> triangles;
        kal::outlineDepthField(outline, vertices, flags, triangles, profile, resolution);
        kal::gl->glFinish();
        points = vertices.size();
    }
    state.counters["points"] = double(points);
}
BENCHMARK(outlineDepthField)
    ->Args({0, 128})
    ->Args({4, 64})
    ->Args({4, 128})
    ->Args({1, 128})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
