#pragma once
// A real view of 160 x 120 driven through whole frames: the keyboard and mouse start released,
// symmetry is off, and frameAt runs one frame with the cursor at (x, y).
#include <gtest/gtest.h>

#include <cstdint>

#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

namespace kal::test {

class FrameView : public ::testing::Test {
protected:
    static constexpr int W = 160, H = 120;
    GLView* v = nullptr;

    void SetUp() override {
        keyboard.reset();
        rawMouse = MouseState();
        frameMouse = MouseState();
        v = new GLView(W, H);
        v->startupFrame = 4;
        v->animate = false;
        const uint8_t noSymmetry[6] = {};
        v->setSymmetry(noSymmetry, 6);
    }
    void TearDown() override {
        delete v;
        v = nullptr;
        rawMouse = MouseState();
        frameMouse = MouseState();
    }
    void frameAt(float x, float y, bool left) {
        rawMouse.x = x;
        rawMouse.y = y;
        rawMouse.left = left ? 1 : 0;
        v->update();
    }
};

} // namespace kal::test
