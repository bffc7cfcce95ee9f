// A click through whole frames of a real view: the press and release read the pick the frame
// before drew, and Insert puts the library's default sphere where the cursor is.
#include <gtest/gtest.h>

#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

using namespace kal;

TEST(InsertClick, AClickInsertsTheDefaultSphereUnderTheCursorAndUndoRemovesIt) {
    keyboard.reset();
    rawMouse = MouseState();
    frameMouse = MouseState();
    GLView v(160, 120);
    v.startupFrame = 4;
    v.animate = false;
    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(CommandInsert);
    const uint8_t noSymmetry[6] = {};
    v.setSymmetry(noSymmetry, 6);
    v.restoreInputState();
    ASSERT_NE(v.pendingTool, nullptr);

    rawMouse.x = 60;
    rawMouse.y = 50;
    v.update(); // draws and picks under the cursor
    rawMouse.left = 1;
    v.update();
    EXPECT_EQ(v.busy, 1);
    rawMouse.left = 0;
    v.update();
    EXPECT_EQ(v.busy, 0);

    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActAddKind);
    ASSERT_EQ(v.scene->sceneRoot->children.size(), 1u);
    Tool* sphere = v.scene->sceneRoot->children[0];
    EXPECT_EQ(sphere->element, v.pendingTool->element);
    const vec3 at = v.worldToScreen(sphere->composeMatrix().translation());
    EXPECT_NEAR(at.x, 60.0f, 1.5f);
    EXPECT_NEAR(at.y, 50.0f, 1.5f);

    v.undo();
    EXPECT_TRUE(v.scene->sceneRoot->children.empty());
    rawMouse = MouseState();
    frameMouse = MouseState();
}
