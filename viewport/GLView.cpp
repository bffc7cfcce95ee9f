#include "viewport/GLView.h"

#include <algorithm>

#include "scene/Scene.h"
#include "scene/Tool.h"
#include "scene/Gesture.h"
#include "viewport/MouseState.h"

namespace kal {

GLView::GLView(int width_, int height_, Bare) : QObject(nullptr), width(width_), height(height_) {
    initialiseDefaults();
}

GLView::GLView(int width_, int height_) : QObject(nullptr), width(width_), height(height_) {
    scene = new Scene();
    createRenderTargets();
    initialiseDefaults();
    fillDefaultScene();
    makeInsertTool(InsertKind::UseTool, true);
    displayState = int32_t(wireframe) + 2 * int32_t(selectionDisplay);
    redraw = true;
}

void GLView::initialiseDefaults() {
    startClock = monotonicMilliseconds();
    arrayItems = {0x8001};
    chosenCommand = command = lastPlacingCommand = lastInsertCommand = Command::Place;
    chosenSculptOption = sculptOption = 2;
    redraw = true;
}

GLView::~GLView() {
    frameReady = false;
    // a view closed in the middle of a stroke still owns its sculptors; the stroke's tool is alive yet
    dropSculptStroke();
    undoStack.clear();
    discardPendingTools();
    delete scene;
    scene = nullptr;
    destroyGpuObjects();
}

void GLView::setMode(int m) {
    chosenMode = mode = m;
    redraw = true;
}

void GLView::setAssemblyCommand(Command c) {
    chosenCommand = command = c;
    if (c == Command::Insert || c == Command::Paint || c == Command::Place)
        lastPlacingCommand = lastInsertCommand = c;
    else if (c == Command::Draw)
        lastPlacingCommand = Command::Draw;
    redraw = true;
}

void GLView::setSculptBrush(Brush b) {
    chosenBrush = brush = b;
    redraw = true;
}

void GLView::setSelectionMode(int s) {
    chosenSelectionMode = selectionMode = s;
    redraw = true;
}

void GLView::setSculptOption(int v) {
    chosenSculptOption = sculptOption = v;
    redraw = true;
}

void GLView::setSymmetry(const uint8_t flags[6], int count) {
    symmetry.mirrorX = flags[0];
    symmetry.mirrorY = flags[1];
    symmetry.mirrorZ = flags[2];
    symmetry.rotationX = flags[3];
    symmetry.rotationY = flags[4];
    symmetry.rotationZ = flags[5];
    symmetry.count = count;
}

void GLView::setOrthogonal(int p) {
    if (p == perspective) return;
    perspective = p;
    resetPick(false);
    redraw = true;
    mode = chosenMode;
    command = chosenCommand;
    brush = chosenBrush;
}

void GLView::setFieldOfView(float degrees) {
    fieldOfView = degrees;
    if (perspective) redraw = true;
}

void GLView::setFrame(int f) {
    if (f == frame) return;
    frame = f;
    redraw = true;
}

void GLView::setPivotMode(int p) {
    if (p == pivotMode) return;
    pivotMode = p;
    redraw = true;
}

void GLView::setWireframe(bool on) {
    if (on == wireframe) return;
    wireframe = on;
    updateDisplayState();
}

void GLView::setSelectionDisplay(bool on) {
    if (on == selectionDisplay) return;
    selectionDisplay = on;
    updateDisplayState();
}

void GLView::updateDisplayState() {
    displayState = int32_t(wireframe) + 2 * int32_t(selectionDisplay);
    redraw = true;
}

bool GLView::isDrawing() const { return busy != 0 && mode == ASSEMBLY && command == Command::Draw; }

void GLView::setClosed(bool on) {
    if (on != closed) {
        closed = on;
        if (isDrawing()) buildDrawnTool();
    }
    redraw = true;
}

void GLView::setSnapSymmetry(bool on) {
    if (on != snapSymmetry) {
        snapSymmetry = on;
        if (isDrawing()) buildDrawnTool();
    }
    redraw = true;
}

void GLView::setSnapGrid(bool on) {
    if (on != snapGrid) {
        snapGrid = on;
        if (isDrawing()) buildDrawnTool();
    }
    redraw = true;
}

void GLView::setBrushSize(float s) {
    brushSize = std::clamp(s, 1.0f, 2000.0f);
    if (frameMouse.left && drawAnchored && isDrawing()) {
        setLastStrokeRadius(brushSize);
        buildDrawnTool();
    }
    redraw = true;
}

void GLView::setElevation(float e) {
    elevation = std::clamp(e, -1.0f, 1.0f);
    if (frameMouse.left && drawAnchored && isDrawing()) {
        setLastStrokeRadius(brushSize);
        buildDrawnTool();
    }
    redraw = true;
}

void GLView::setAxisShape(int id) {
    axisShape = id;
    rebuildInsertTool();
}

void GLView::setSectionShape(int id) {
    sectionShape = id;
    rebuildInsertTool();
}

bool GLView::toggleBlockSize() {
    if (!blockSize) blockExtent = pixelVector(true);
    blockSize = !blockSize;
    return blockSize;
}

void GLView::applyAssemblyMaterial() {
    if (!pendingTool) return;
    pendingTool->material = assemblyMaterial;
    redraw = true;
}

Command GLView::assemblyCommand() const {
    if (command != Command::Insert) return command;
    return fullMode ? Command::Place : Command::Insert;
}

int GLView::effectiveHierarchyTarget(bool flag) const {
    if (fullMode) return flag ? 1 : 2;
    return hierarchyTarget;
}

double GLView::smallerSide() const { return double(std::min(width, height)); }

bool GLView::isCursorInView() const {
    if (outside) return false;
    return 0 < frameMouse.x && frameMouse.x + 1 < float(width) && 0 < frameMouse.y && frameMouse.y + 1 < float(height);
}

} // namespace kal
