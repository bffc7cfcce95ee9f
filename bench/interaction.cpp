// The interaction steps alone, without drawing: a Move click, a sculpt tick under mirror X and a
// rotation in four, an Align click and a Link click, in scenes of 10 and of 10,000 tools. The
// steps touch the picked tool and its records only, so both sizes should cost about the same.
// Then whole frames over a million-triangle sphere with a stroke held (a brush without a kernel)
// against the same frames with the button up: the stroke's bookkeeping should hardly show.
#include <benchmark/benchmark.h>

#include "BenchMeshes.h"
#include "GLBenchContext.h"
#include "mesh/Mesh.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Registries.h"
#include "viewport/MouseState.h"
#include "viewport/SymmetryReplication.h"

using namespace kal;

namespace {

// An element that takes gestures and does nothing with them: the kernels are measured elsewhere.
class Sink : public Element {
public:
    Sink() : Element(MeshType) {}
    void applyGestures(const std::vector<Gesture*>&) override {}
};

// A view without targets whose picks land on the first tool.
class StepsView : public GLView {
public:
    Tool* first = nullptr;
    Tool* second = nullptr;

    explicit StepsView(int tools) : GLView(1280, 720, Bare{}) {
        scene = new Scene();
        outside = false;
        animate = false;
        startupFrame = 4;
        for (int i = 0; i < tools; ++i) {
            Tool* t = scene->sceneRoot->addChild(
                new Tool(new Sink, mat4::translation(vec3(float(i), 0, 0)), pbr(), false), false);
            t->flags |= PlacedFlag;
        }
        scene->rebuildToolLists();
        first = scene->sceneRoot->children[0];
        second = scene->sceneRoot->children[1];
    }
    PickRecord on(Tool* t) {
        PickRecord r;
        r.kind = 1;
        r.stencilBits = 1;
        r.objectId = uint32_t(scene->idOf(t));
        r.point = t->composeMatrix().translation() + vec3(0.3f, 0.2f, 0);
        r.normal = {0, 0, 1};
        r.pixelVector = {0.001f, 0, 0};
        r.viewAxis = {0, 0, 1};
        r.radius = 30;
        r.object = t;
        r.worldToFrame = inverseAffineOrIdentity(t->composeMatrix());
        return r;
    }
    PickRecord pickSculpt(int, const PickRecord*) override { return on(first); }
    PickRecord pickAt(int, const PickRecord*) override { return on(second); }
    Texture2D* render() override {
        redraw = false;
        return nullptr;
    }
    void frame(float x, bool left) {
        rawMouse.x = x;
        rawMouse.y = 300;
        rawMouse.left = left ? 1 : 0;
        update();
    }
};

void click(benchmark::State& state, Command command) {
    StepsView v(int(state.range(0)));
    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(command);
    float x = 100;
    for (auto _ : state) {
        v.pressPick = v.on(v.first);
        v.frame(x, true);
        v.frame(x, false);
        x = x > 1000 ? 100 : x + 1;
        // undo what the click did, outside the measured steps' own work
        state.PauseTiming();
        while (v.undoStack.undo()) {}
        v.undoStack.clear();
        state.ResumeTiming();
    }
    rawMouse = MouseState();
    frameMouse = MouseState();
}

void moveClick(benchmark::State& state) { click(state, Command::Move); }
void alignClick(benchmark::State& state) { click(state, Command::Align); }
void linkClick(benchmark::State& state) { click(state, Command::Link); }

void sculptTick(benchmark::State& state) {
    StepsView v(int(state.range(0)));
    const uint8_t flags[6] = {1, 0, 0, 0, 0, 1};
    v.setSymmetry(flags, 4);
    v.setMode(SCULPT);
    v.setSculptBrush(Brush::Move);
    v.updateSymmetricPicks(true);
    v.frame(100, false);
    v.frame(100, true);
    float x = 101;
    for (auto _ : state) {
        v.updateSymmetricPicks(false);
        v.frame(x, true);
        x = x > 1000 ? 101 : x + 1;
        // the gesture keeps its samples: start it afresh now and then so it does not grow without end
        if (v.sculptors.front()->samples.size() > 1000) {
            state.PauseTiming();
            for (Sculptor* s : v.sculptors) s->samples.resize(1);
            state.ResumeTiming();
        }
    }
    v.frame(x, false);
    rawMouse = MouseState();
    frameMouse = MouseState();
}

// Frames at 1280 x 720 in SCULPT over the sphere, the cursor moving a pixel a frame; range(0) holds
// the left button.
void sculptFrames(benchmark::State& state) {
    if (!kal::bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 context");
        return;
    }
    registerAll();
    const bool held = state.range(0) != 0;
    {
        GLView v(1280, 720);
        v.startupFrame = 4;
        v.animate = false;
        v.updateCamera();
        Mesh* sphere = new Mesh(::bench::millionTriangleSphere(kal::Recenter::Keep));
        mat4 m = mat4::uniformScaling(250.0f * v.pixelVector(false).length());
        m *= mat4::translation(v.screenToWorld(640, 360, v.focusDepth()));
        Tool* t = v.scene->sceneRoot->addChild(new Tool(sphere, m, pbr(), false), false);
        t->flags |= PlacedFlag;
        v.scene->rebuildToolLists();
        const uint8_t flags[6] = {1, 0, 0, 0, 0, 1};
        v.setSymmetry(flags, 4);
        v.setMode(SCULPT);
        v.setSculptBrush(Brush{});
        v.restoreInputState();
        auto frameAt = [&](float x, bool left) {
            rawMouse.x = x;
            rawMouse.y = 300;
            rawMouse.left = left ? 1 : 0;
            v.update();
        };
        frameAt(601, false);
        frameAt(600, false);
        frameAt(600, held);
        float x = 600, step = 1;
        for (auto _ : state) {
            x += step;
            if (x > 680 || x < 600) step = -step;
            frameAt(x, held);
        }
        frameAt(x, false);
    }
    rawMouse = MouseState();
    frameMouse = MouseState();
}

} // namespace

BENCHMARK(sculptFrames)->Arg(0)->Arg(1)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(moveClick)->Arg(10)->Arg(10000);
BENCHMARK(alignClick)->Arg(10)->Arg(10000);
BENCHMARK(linkClick)->Arg(10)->Arg(10000);
BENCHMARK(sculptTick)->Arg(10)->Arg(10000);
