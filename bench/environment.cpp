// The environment cube-map build: at the defaults (faces of 128, 64 levels) it reads
// the float cube back 64 times and runs 7187 blur passes of six faces each, while the
// progress bar is kept moving level by level.
#include "GLBenchContext.h"

#include "gpu/Environment.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"

#include <QOpenGLFunctions_4_0_Core>
#include <QProgressBar>
#include <benchmark/benchmark.h>

namespace {

void buildEnvironment(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    const int size = int(state.range(0));
    const int levels = int(state.range(1));
    QProgressBar bar;
    bar.hide();
    kal::theProgressBar = &bar;
    for (auto _ : state) {
        kal::Environment environment(":/Environments/env_default.jpg", size, levels, true);
        if (!environment.build()) {
            state.SkipWithError("the default environment image did not load");
            break;
        }
        kal::gl->glFinish();
    }
    kal::theProgressBar = nullptr;
    int passes = 0;
    for (int level = 0; level + 1 < levels; ++level) passes += kal::blurPassCount(level);
    state.counters["passes"] = passes;
    state.counters["readbacks"] = levels;
}
BENCHMARK(buildEnvironment)->Args({32, 16})->Args({128, 64})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
