// The environment cube-map build: at the defaults (faces of 128, 64 levels) it reads
// the float cube back 64 times and runs 7187 blur passes of six faces each, while the
// progress bar is kept moving level by level.
#include "gpu/Environment.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QProgressBar>
#include <QSurfaceFormat>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// One application and one current 4.0 core context for the whole run.
bool ensureContext()
{
    static int argc = 1;
    static char name[] = "bench_environment";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down after the benchmark library's exit would race
    // the leaked context.
    static QApplication* application = nullptr;
    static QOffscreenSurface* surface = nullptr;
    static QOpenGLContext* context = nullptr;
    if (context)
        return context->makeCurrent(surface);
    qputenv("QT_QPA_PLATFORM", "xcb");
    application = new QApplication(argc, argv);
    QSurfaceFormat format;
    format.setVersion(4, 0);
    format.setProfile(QSurfaceFormat::CoreProfile);
    surface = new QOffscreenSurface();
    surface->setFormat(format);
    surface->create();
    context = new QOpenGLContext();
    context->setFormat(format);
    if (!context->create() || !context->makeCurrent(surface))
        return false;
    auto* functions = context->versionFunctions<QOpenGLFunctions_4_0_Core>();
    if (!functions || !functions->initializeOpenGLFunctions())
        return false;
    kal::setGLFunctions(functions);
    return true;
}

void buildEnvironment(benchmark::State& state)
{
    if (!ensureContext()) {
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
    for (int level = 0; level + 1 < levels; ++level)
        passes += kal::blurPassCount(level);
    state.counters["passes"] = passes;
    state.counters["readbacks"] = levels;
}
BENCHMARK(buildEnvironment)->Args({32, 16})->Args({128, 64})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
