// One whole viewport frame at 1280 x 720: both layers, normals, composition, the refraction and
// contour mixes, optional glow and lens chromatism, and the status text. The scene is one lit
// sphere and one glass sphere, so the passes dominate, not the geometry.
#include <QOpenGLFunctions_4_0_Core>

#include <benchmark/benchmark.h>

#include "GLBenchContext.h"
#include "gpu/Texture2D.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"

using namespace kal;

namespace {

constexpr int W = 1280, H = 720;

void addSphere(GLView& view, float radiusPixels, float dx, const pbr& material) {
    Mesh* ico = Mesh::createIcosahedron();
    Mesh* sphere = Mesh::subdivided(ico, 4, false, true);
    delete ico;
    const float unit = view.pixelVector(false).length();
    const vec3 centre = view.screenToWorld(W / 2.0f, H / 2.0f, view.focusDepth());
    mat4 m = mat4::uniformScaling(radiusPixels * unit);
    m *= mat4::translation(centre + vec3(dx * unit, 0, 0));
    Tool* t = new Tool(sphere, m, material, false);
    t->flags |= PlacedFlag;
    view.scene->sceneRoot->addChild(t, false);
}

void frame(benchmark::State& state) {
    if (!bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    GLView view(W, H);
    view.updateCamera();
    addSphere(view, 200, -150, pbr());
    pbr glass;
    glass.opacity = 0x6000;
    addSphere(view, 120, 200, glass);
    view.glow = state.range(0) != 0;
    view.lensChromatism = state.range(1) != 0;
    view.redraw = true;
    view.render(); // first frame compiles shaders and uploads the meshes
    for (auto _ : state) {
        view.redraw = true;
        benchmark::DoNotOptimize(view.render());
        gl->glFinish();
    }
}
BENCHMARK(frame)->Args({0, 0})->Args({1, 0})->Args({1, 1})->ArgNames({"glow", "lens"})->Unit(benchmark::kMillisecond);

} // namespace
