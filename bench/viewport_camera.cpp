// The camera update runs once per rendered frame; the conversions run per picked or placed point,
// many per frame while a brush footprint or a drawn stroke is being processed.
#include <vector>

#include <benchmark/benchmark.h>

#include "viewport/Camera.h"

using namespace kal;

namespace {

CameraState turnedCamera() {
    CameraState c;
    rotateCamera(c, 0.3f, -0.7f, 1.1f);
    c.translation = {40.0f, -25.0f, 3.0f};
    c.scale = 1.7f;
    return c;
}

ProjectionSettings fullHd(int perspective) {
    ProjectionSettings p;
    p.width = 1920;
    p.height = 1080;
    p.perspective = perspective;
    return p;
}

void BM_CameraUpdate(benchmark::State& state) {
    const CameraState c = turnedCamera();
    const ProjectionSettings p = fullHd(int(state.range(0)));
    CameraMatrices m;
    for (auto _ : state) {
        benchmark::DoNotOptimize(computeCameraMatrices(c, p, m));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CameraUpdate)->Arg(0)->Arg(1);

void BM_WindowWorldRoundTrip(benchmark::State& state) {
    const ProjectionSettings p = fullHd(int(state.range(0)));
    CameraMatrices m;
    computeCameraMatrices(turnedCamera(), p, m);
    std::vector<vec3> points;
    for (int i = 0; i < 100000; ++i)
        points.push_back({float(i % 317) / 317.0f - 0.5f, float(i % 211) / 211.0f - 0.5f, float(i % 97) / 970.0f});
    for (auto _ : state) {
        vec3 sum{0, 0, 0};
        for (const vec3& w : points) sum = sum + windowToWorld(p, m, worldToScreen(p, m, w));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_WindowWorldRoundTrip)->Arg(0)->Arg(1);

} // namespace
