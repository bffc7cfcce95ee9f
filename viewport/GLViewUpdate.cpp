// One frame of the program, the cursor entering and leaving the view, the wheel, and undo/redo.
#include <chrono>
#include <cmath>
#include <new>

#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "scene/UndoStack.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

namespace kal {

int64_t GLView::monotonicMilliseconds() {
    // A wall-independent clock: CPU time would stall the animation whenever the program idles.
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Texture2D* GLView::update() {
    // A modal dialog opened by a step keeps the timer ticking: such nested frames do nothing.
    if (!frameReady) return nullptr;
    try {
        return runFrame();
    } catch (const std::bad_alloc&) {
        // the stroke or click that needed the memory ends here, as after an Escape
        resetPick(false);
        if (frameMouse.left) mode = IDLE;
        rawMouse.wheel = 0;
        backspaceRequest = 0;
        redraw = true;
        if (materialSource) {
            GLWorkGuard question;
            materialSource->outOfMemory();
        }
        frameReady = true;
        return nullptr;
    }
}

Texture2D* GLView::runFrame() {
    frameReady = false;
    const int64_t now = monotonicMilliseconds();

    switch (startupFrame) {
    case 0:
        renderSimple = true;
        startupFrame = 1;
        loadDefaultEnvironment();
        render();
        // that image is dropped: this frame's own pass draws the first one shown
        redraw = true;
        break;
    case 1:
    case 2: ++startupFrame; break;
    case 3:
        buildEnvironment();
        startupFrame = 4;
        renderSimple = false;
        redraw = true; // the next frame is the first with the environment
        frameReady = true;
        return nullptr;
    default: break;
    }

    // A material edit whose dialog closed ends before this frame's input: a press in the same
    // frame pushes its own record, which the edit's cancel would otherwise undo in its place.
    if (liveMaterial) {
        followLiveMaterial();
        redraw = true;
    }

    const bool keyEvent = keyboard.poll() != 0 || backspaceRequest != 0;

    MouseState& f = frameMouse;
    // A press or a release is placed where its event says: a pen, a touch or a busy machine sends
    // no motion before it that a frame saw, and the cursor poll may already be past it. A press no
    // frame has seen goes first; its release, if it came too, in a later frame.
    const bool pressUnseen = rawMouse.leftPressUnseen || rawMouse.rightPressUnseen;
    const bool releaseUnseen = !pressUnseen && rawMouse.releaseUnseen;
    const float x = pressUnseen ? rawMouse.pressX : releaseUnseen ? rawMouse.releaseX : rawMouse.x;
    const float y = pressUnseen ? rawMouse.pressY : releaseUnseen ? rawMouse.releaseY : rawMouse.y;
    // Off the spot the last pick was made at (a frame that skipped its steps, the view left, picked
    // nowhere), this frame only moves there with the buttons as they were and picks there, so the
    // gesture starts or ends on that pick; the press or release itself comes in the next frame.
    const int32_t pixelX = int32_t(std::trunc(x)), pixelY = int32_t(std::trunc(y));
    const bool moveFirst = (pressUnseen || releaseUnseen) && (pixelX != lastCursorX || pixelY != lastCursorY);
    f.prevX = f.x;
    f.prevY = f.y;
    f.x = x;
    f.y = y;
    f.prevLeft = f.left;
    f.prevRight = f.right;
    if (!moveFirst) {
        // a press released before this frame still counts as down for it: the next frame releases it
        f.left = rawMouse.left || (rawMouse.leftPressUnseen && !f.prevLeft) ? 1 : 0;
        f.right = rawMouse.right || (rawMouse.rightPressUnseen && !f.prevRight) ? 1 : 0;
        if (pressUnseen)
            rawMouse.leftPressUnseen = rawMouse.rightPressUnseen = 0;
        else
            rawMouse.releaseUnseen = 0;
    }
    f.dx = f.x - f.prevX;
    f.dy = f.y - f.prevY;
    f.wheel = rawMouse.wheel;
    const bool mouseEvent = f.dx != 0 || f.dy != 0 || f.left != f.prevLeft || f.right != f.prevRight;

    if (f.wheel != 0) {
        onWheel();
        redraw = true;
    }
    if (!outside && (mouseEvent || f.wheel != 0 || keyEvent) && isCursorInView()) {
        keyStep();
        pressStep();
        releaseStep();
        dragStep();
        redraw = true;
    } else {
        endClickOutside();
    }
    if (moveFirst) {
        lastCursorX = pixelX;
        lastCursorY = pixelY;
        redraw = true;
    }

    if (turntable) turnCamera(camera);
    if (animate && scene) scene->setTime(double(now - startClock));
    // an idle frame whose image would be the last one draws nothing
    if (imageChangesWithTime()) redraw = true;

    Texture2D* result = nullptr;
    if (redraw) result = render();

    rawMouse.wheel = 0;
    backspaceRequest = 0;
    frameReady = true;
    return result;
}

namespace {

// Element kinds whose drawing reads the scene time (Tool::draw hands it to Element::draw), in
// top's subtree: a list, since a file may nest tools deeper than the call stack reaches.
bool drawnByTime(Tool* top) {
    std::vector<Tool*> all;
    listSubtree(top, all);
    for (const Tool* t : all)
        if (t->element && (t->element->typeCode == LightningType || t->element->typeCode == AnimatedSpriteType))
            return true;
    return false;
}

} // namespace

bool GLView::imageChangesWithTime() const {
    // the camera turns a step every frame (an environment turning with the camera turns with it)
    if (turntable) return true;
    // lightning and animated sprites are drawn at the scene time, which advances while animating
    if (animate && scene && (drawnByTime(scene->sceneRoot) || drawnByTime(scene->toolRoot))) return true;
    // everything else changes only through input, a command or a dialog, each of which asks for
    // a redraw (the live material edit redraws on every frame it runs)
    return false;
}

bool GLView::followLiveMaterial() {
    // Without a dialog or a tool there is nothing to follow: the edit ends as if the dialog closed.
    const bool open = materialSource && materialTool && materialSource->dialogOpen();
    if (materialSource && materialTool)
        materialTool->setMaterial(materialSource->currentMaterial(), materialSource->currentMask(), isLinked(), false);
    if (open) return true;
    const bool accepted = materialSource && materialSource->accepted();
    liveMaterial = false;
    materialTool = nullptr;
    if (!accepted)
        undoStack.undo();
    else
        undoStack.dropLastWithoutEffect();
    return false;
}

void GLView::resize(int w, int h) {
    if (w == width && h == height) return;
    // A resize inside a running frame (a modal dialog's event loop) must not reopen that frame.
    const bool wasReady = frameReady;
    frameReady = false;
    width = w;
    height = h;
    resizeRenderTargets();
    redraw = true;
    frameReady = wasReady;
}

void GLView::reapplyChosenSettings() {
    setAssemblyCommand(chosenCommand);
    setSculptBrush(chosenBrush);
    setSelectionMode(chosenSelectionMode);
    setSculptOption(chosenSculptOption);
}

void GLView::restoreInputState() {
    keyboard.reset();
    setMode(chosenMode);
    reapplyChosenSettings();
    outside = false;
    redraw = true;
}

void GLView::clearInputState() {
    mode = IDLE;
    keyboard.reset();
    reapplyChosenSettings();
    outside = true;
    redraw = true;
}

void GLView::onWheel() {
    const float d = frameMouse.wheel;
    if (d == 0) return;
    const bool shift = keyboard.isDown(VkShift);
    const bool ctrl = keyboard.isDown(VkControl);
    if (shift && ctrl)
        resetView(true, false);
    else if (shift)
        zoomView(-(d / 10.0f) / 1000.0f);
    else if (ctrl)
        setBrushSize((1.0f - d / 1000.0f) * brushSize);
    else
        zoomView(-d / 1000.0f);
}

void GLView::undo() {
    if (busy) return;
    undoStack.undo();
    pressPick = PickRecord();
    mode = IDLE;
    redraw = true;
}

void GLView::redo() {
    if (busy) return;
    undoStack.redo();
    pressPick = PickRecord();
    mode = IDLE;
    redraw = true;
}

} // namespace kal
