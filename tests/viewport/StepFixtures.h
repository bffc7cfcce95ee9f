#pragma once
// A mesh that records every gesture list it is handed, and a scene view whose sculpt and assembly
// picks come from the test: its "frame" runs the symmetric sculpt picks as the real one does.
#include <functional>
#include <vector>

#include "InputFixtures.h"
#include "SceneViewFixture.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"
#include "viewport/SymmetryReplication.h"

namespace kal::test {

// Exactly these Qt keys down for the frames to come, as the platform table reports them.
inline void holdQtKeys(std::initializer_list<int> keys) {
    heldModifiers() = Qt::NoModifier;
    clearPlatformKeys();
    for (int k : keys) sendKey(k, true);
}

// What one applyGestures call saw, gesture by gesture.
struct GestureCall {
    std::vector<int> states, selectionModes, sampleCounts, handedness;
    std::vector<Brush> actions;
    std::vector<std::vector<StrokeSample>> samples;
};

class RecordingMesh : public Mesh {
public:
    std::vector<GestureCall>* calls;
    explicit RecordingMesh(std::vector<GestureCall>* out) : calls(out) {}
    void applyGestures(const std::vector<Gesture*>& gestures) override {
        GestureCall c;
        for (Gesture* g : gestures) {
            auto* s = static_cast<Sculptor*>(g);
            c.states.push_back(s->state);
            c.actions.push_back(s->action);
            c.selectionModes.push_back(s->selectionMode);
            c.sampleCounts.push_back(int(s->samples.size()));
            c.handedness.push_back(s->handedness);
            c.samples.push_back(s->samples);
        }
        calls->push_back(c);
    }
};

// The pick a read-back would make of a world point on a scene object: world point and normal, and
// the matrices that carry world into the element.
inline PickRecord pickOn(Scene& scene, Tool* t, vec3 point, vec3 normal) {
    PickRecord r;
    r.kind = 1;
    r.stencilBits = 1;
    r.objectId = uint32_t(scene.idOf(t));
    r.itemId = 7;
    r.point = point;
    r.normal = normal;
    r.pixelVector = {0.001f, 0, 0};
    r.viewAxis = {0, 0, 1};
    r.radius = 300.0f;
    r.object = t;
    r.objectWorld = mat4();
    mat4 world = t->composeMatrix();
    r.worldToFrame = inverseAffineOrIdentity(world);
    r.frameToTarget = t->element ? inverseAffineOrIdentity(t->element->inverseTransform()) : mat4();
    return r;
}

// A two-object tool as far as the view can tell, with a partner it can be paired with.
class TwoEnds : public Tool {
public:
    Tool* other = nullptr;
    TwoEnds() : Tool(nullptr, mat4(), pbr(), false) { kind = BiToolKind; }
    Tool* partner() override { return other; }
    void attachPartner(Tool* t) override { other = t; }
};

// The view's dialog interface with no dialog open and every question cancelled.
struct NoDialog : MaterialEditSource {
    pbr currentMaterial() override { return pbr(); }
    uint8_t currentMask() override { return 0; }
    bool dialogOpen() override { return false; }
    bool accepted() override { return false; }
};

class StepView : public SceneView {
public:
    // The sculpt pick of the next frames; kind 6 for empty space.
    PickRecord sculptPick;
    // When set, what pickAt answers (the assembly picks and the release re-picks).
    std::function<PickRecord(int, const PickRecord*)> assemblyPick;
    int sculptPicks = 0;

    explicit StepView(bool withDefaultTool = true) : SceneView(withDefaultTool) {}
    PickRecord pickSculpt(int, const PickRecord* previous) override {
        ++sculptPicks;
        PickRecord r = sculptPick;
        if (previous && r.kind == kPickNothing) r = *previous;
        return r;
    }
    PickRecord pickAt(int mode, const PickRecord* previous) override {
        return assemblyPick ? assemblyPick(mode, previous) : PickRecord();
    }
    Texture2D* render() override {
        if (mode == SCULPT && isCursorInView()) updateSymmetricPicks(busy == 0);
        redraw = false;
        return nullptr;
    }
    // One frame with the cursor at (x, y), buttons as given.
    void frame(bool left, bool right = false, float x = 100, float y = 100) { frameAt(x, y, left, right); }
    // A frame that picks at (x, y), then the left press there.
    void hoverThenPress(float x = 101, float y = 100) {
        frame(false, false, x + 1, y);
        frame(false, false, x, y);
        frame(true, false, x, y);
    }
};

} // namespace kal::test
