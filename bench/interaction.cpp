// The interaction steps alone, without drawing: a Move click, a sculpt tick under mirror X and a
// rotation in four, an Align click and a Link click, in scenes of 10 and of 10,000 tools. The
// steps touch the picked tool and its records only, so both sizes should cost about the same.
#include <benchmark/benchmark.h>

#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
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
            Tool* t = scene->sceneRoot->addChild(new Tool(new Sink, mat4::translation(vec3(float(i), 0, 0)), pbr(),
                                                          false),
                                                 false);
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

void click(benchmark::State& state, int command) {
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

void moveClick(benchmark::State& state) { click(state, 17); }
void alignClick(benchmark::State& state) { click(state, 43); }
void linkClick(benchmark::State& state) { click(state, 35); }

void sculptTick(benchmark::State& state) {
    StepsView v(int(state.range(0)));
    const uint8_t flags[6] = {1, 0, 0, 0, 0, 1};
    v.setSymmetry(flags, 4);
    v.setMode(SCULPT);
    v.setSculptBrush(1);
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

} // namespace

BENCHMARK(moveClick)->Arg(10)->Arg(10000);
BENCHMARK(alignClick)->Arg(10)->Arg(10000);
BENCHMARK(linkClick)->Arg(10)->Arg(10000);
BENCHMARK(sculptTick)->Arg(10)->Arg(10000);
