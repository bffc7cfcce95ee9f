#pragma once
// A view holding a real scene but no render targets: nothing is drawn or read back, so a test sets
// the picks itself and drives the steps, the commands and the files through the frame or directly.
#include <string>

#include <QCoreApplication>

#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"
#include "viewport/PlatformKeys.h"

namespace kal::test {

class SceneView : public GLView {
public:
    explicit SceneView(bool withDefaultTool = true, int w = 1000, int h = 800) : GLView(w, h, Bare{}) {
        scene = new Scene();
        if (withDefaultTool) {
            fillDefaultScene();
            makeInsertTool(kal::InsertKind::UseTool, true);
        }
        animate = false;
    }
    Texture2D* render() override {
        redraw = false;
        return nullptr;
    }
    bool buildEnvironment() override { return true; }

    // Start-up frames done, cursor inside at (x, y), no button held.
    void enter(float x, float y) {
        while (startupFrame < 4) update();
        restoreInputState();
        rawMouse.x = x;
        rawMouse.y = y;
        update();
    }
    // One frame with the cursor at (x, y) and the buttons as given.
    void frameAt(float x, float y, bool left, bool right) {
        rawMouse.x = x;
        rawMouse.y = y;
        rawMouse.left = left ? 1 : 0;
        rawMouse.right = right ? 1 : 0;
        update();
    }
};

inline void resetAllInput() {
    static int argc = 1;
    static char name[] = "viewport_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    clearPlatformKeys();
    keyboard.reset();
    rawMouse = MouseState();
    frameMouse = MouseState();
    backspaceRequest = 0;
}

// Holds keys down for the next polls through the platform key table (Windows key codes).
inline void holdKeys(std::initializer_list<int> keys) {
    uint8_t table[256] = {};
    for (int k : keys) table[k & 255] = 0x80;
    keyboard.pollFrom(table);
}

// A scene object at the top of the scene tree, with the lists rebuilt so it has an id.
// Placed objects carry their placement in the pivot, as the Place command leaves them.
inline Tool* addSceneObject(Scene& scene, Element* element, const mat4& pivot) {
    Tool* t = scene.sceneRoot->addChild(new Tool(element, mat4(), pbr(), false), false);
    t->pivot = pivot;
    t->flags |= PlacedFlag;
    scene.rebuildToolLists();
    return t;
}

} // namespace kal::test
