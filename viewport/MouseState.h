#pragma once
// Mouse records: rawMouse is written by the GL widget's event handlers, frameMouse is the copy the
// view makes once per frame and the one every gesture reads. Positions are render pixels, origin
// top left, y down.
#include <cstdint>

namespace kal {

struct MouseState {
    float prevX = 0, prevY = 0;
    float x = 0, y = 0;
    float dx = 0, dy = 0;
    uint8_t prevLeft = 0, left = 0;
    uint8_t prevRight = 0, right = 0;
    float wheel = 0; // delta of the tick, 120 per notch, positive away from the user
    // Raw record only: a press no frame has seen yet. A click shorter than a tick (a quick tap, a
    // touchpad tap) would otherwise come and go between two frames and never reach the steps.
    uint8_t leftPressUnseen = 0, rightPressUnseen = 0;
    // Raw record only: a button went up since the last frame (a later press drops it).
    uint8_t releaseUnseen = 0;
    // Raw record only: where that press went down and that release came up. The tick's cursor poll
    // may have moved on since.
    float pressX = 0, pressY = 0, releaseX = 0, releaseY = 0;
};

extern MouseState rawMouse;
extern MouseState frameMouse;

// Set by the main window's Backspace action; counted as a key event by the next frame.
extern uint8_t backspaceRequest;

} // namespace kal
