// The press step: the frame in which a mouse button goes down starts camera navigation, a sculpt
// stroke (one gesture per symmetric pick), a drawing point or the press action of an assembly
// command. The release step ends what it starts.
#include <cmath>

#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

namespace kal {

// One gesture per symmetric pick, begun with its sample and applied.
void beginSculptStroke(GLView& v) {
    // sculpting is not undoable: the records before it could no longer be replayed
    v.undoStack.clear();
    for (const PickRecord& pick : v.symmetricPicks) {
        auto* s = new Sculptor(v.brush, v.selectionMode, v.sculptOption);
        s->sectionFlag = uint8_t(v.axisSection ? 1 : 0);
        s->paintMask = byte(v.paintMask & 0xFF);
        v.sculptors.push_back(s);
        s->handedness = pick.handedness;
        s->begin();
        s->samples.push_back(StrokeSample(pick));
        s->viewDirection = pick.viewAxis;
    }
    v.pressPick.object->applyGestures(std::vector<Gesture*>(v.sculptors.begin(), v.sculptors.end()));
}

void GLView::pressStep() {
    const MouseState& m = frameMouse;
    const bool leftDown = !m.prevLeft && m.left;
    const bool rightDown = !m.prevRight && m.right;
    if (!leftDown && !rightDown) return;
    if (!isCursorInView()) return;

    pressX = int32_t(std::lround(m.x));
    pressY = int32_t(std::lround(m.y));
    if (isIdle() && keyboard.isDown(VkControl) && rightDown) {
        emit openMenu();
        return;
    }
    copySource = nullptr;
    dragAccumX = dragAccumY = 0;

    const Command c = assemblyCommand();
    if (mode == ASSEMBLY && c != Command::Draw && busy != 0 && rightDown) resetPick(false);

    bool forceBusy = false;
    if (rightDown && !m.left) {
        mode = VIEW;
    } else if (leftDown && mode == ASSEMBLY) {
        if (!pendingTool && (c == Command::Insert || c == Command::Place || c == Command::Draw)) {
            mode = VIEW;
        } else if (c == Command::Draw) {
            if (!m.right) drawingPress();
            return;
        } else {
            assemblyPress(c);
        }
    } else if (leftDown && mode == SCULPT && !m.right) {
        // leftovers of a click that never ended are finished before a new stroke begins
        if (!sculptors.empty()) finishSculptStroke();
        if (!pressPick.hitsObject()) {
            // a plane may be drawn from off the object: its gestures begin where the line meets it
            if (!drawsPlaneGuide(brush)) mode = VIEW;
            forceBusy = mode == SCULPT;
        } else if (brush == Brush::PickMaterial) {
            undoStack.clear();
            brushMaterial = pressPick.surfaceMaterial;
            return;
        } else {
            beginSculptStroke(*this);
            forceBusy = true;
        }
    } else {
        return;
    }
    if (forceBusy || (mode == VIEW && busy == 0)) busy = 1;
}

void GLView::assemblyPress(Command c) {
    const bool hit = pressPick.hitsObject();
    auto begin = [this] { busy = 1; };
    switch (c) {
    case Command::Insert:
    case Command::Place:
        if (pressPick.kind != kPickNothing)
            begin();
        else
            mode = VIEW;
        return;
    case Command::Multiply:
        if (hit)
            begin();
        else
            mode = VIEW;
        return;
    case Command::Pick:
    case Command::PickComponent:
    case Command::DetachComponent:
    case Command::PickPatch:
    case Command::Remove:
    case Command::ArrayPick:
    case Command::ArrayPickItem:
    case Command::DrawPickAxis:
    case Command::DrawPickSection:
    case Command::MakeUniform:
    case Command::ColorIsLight:
    case Command::MakeSprite:
    case Command::Orientation:
    case Command::Speed:
    case Command::Delay:
        if (!hit) break;
        hoverPick = pressPick;
        begin();
        return;
    case Command::InverseKinematics:
        if (!hit) break;
        undoStack.clear();
        hoverPick = pressPick;
        begin();
        return;
    case Command::Move:
    case Command::Rotate:
    case Command::Scale:
    case Command::Mirror:
    case Command::RotateScale: {
        if (!hit) break;
        const int32_t id = int32_t(pressPick.objectId);
        bool copied = false;
        if (keyboard.isDown(VkControl) && scene) {
            const int h = effectiveHierarchyTarget(false);
            auto* act = new ActObjectCopyTransform(scene, id, h, isAddOnLinked());
            act->toggle();
            // nothing could be copied: the press goes on as a plain transform
            if (act->created.empty()) {
                delete act;
            } else {
                undoStack.push(act);
                Tool* picked = pressPick.object;
                if (h == 2) {
                    mat4 C = picked->composeMatrix();
                    C *= pressPick.objectWorld;
                    pressPick.objectWorld = C;
                }
                copySource = picked;
                pressPick.object = act->created.back();
                copied = true;
            }
        }
        // the whole ring is recorded: Linked may be switched on while the drag runs, and then the
        // linked copies move too
        if (!copied && scene) undoStack.push(new ActObjectTransform(scene, id, true));
        hoverPick = pressPick;
        begin();
        return;
    }
    case Command::Material:
        if (!hit) break;
        if (scene) undoStack.push(new ActObjectMaterial(scene, int32_t(pressPick.objectId), isLinked()));
        begin();
        return;
    case Command::PickMaterial:
        if (!hit) break;
        assemblyMaterial = pressPick.surfaceMaterial;
        hoverPick = PickRecord();
        begin();
        return;
    case Command::QuickSave:
        if (!hit) break;
        saveObject();
        return;
    default:
        // the pivot, constraint, link and matching commands act on the pressed object alone
        if (!isPivotCommand(c) && c != Command::RotateMultiplicity && c != Command::MatchMaterial &&
            c != Command::Link && c != Command::Unlink)
            return;
        if (!hit) break;
        hoverPick = PickRecord();
        begin();
        return;
    }
    mode = VIEW;
}

void GLView::drawingPress() {
    const bool ctrl = keyboard.isDown(VkControl), alt = keyboard.isDown(VkMenu), shift = keyboard.isDown(VkShift);
    Assemblor& g = assemblor;
    const bool drawnSection = insertKind == InsertKind::Revolution || insertKind == InsertKind::TubeDrawnSection;
    const bool toPoints = drawnSection && busy < 3 && (keyboard.isDown(VkSpace) || !g.picks.empty());
    if (busy == 0) {
        // the frame's pick has just run: a drawing starts where it found something
        if (pressPick.kind != kPickNothing) {
            Assemblor fresh;
            PickRecord first = pressPick;
            first.pointKind = ctrl ? 3 : alt ? 2 : 1;
            if (toPoints) {
                fresh.picks.push_back(first);
                drawModifier = 1;
            } else {
                fresh.state = GestureBegun;
                fresh.addStroke(first);
                drawModifier = uint8_t(ctrl || alt || shift);
            }
            assemblor = std::move(fresh);
            busy = 1;
        }
    } else if (hoverPick.kind != kPickNothing) {
        if (toPoints) {
            g.picks.push_back(hoverPick);
            drawModifier = 1;
            ++busy;
        } else {
            PickRecord point = hoverPick;
            point.pointKind = ctrl ? 3 : shift ? 1 : alt ? 2 : 0;
            drawModifier = uint8_t(ctrl || shift || alt);
            if (g.strokes.empty()) {
                g.state = GestureBegun;
                g.addStroke(point);
            } else {
                g.run();
                g.strokes.back().picks.push_back(point);
                ++g.strokeCount;
            }
        }
    }
    buildDrawnTool();
}

} // namespace kal

namespace kal {

void GLView::setLastStrokeRadius(float radius) {
    if (assemblor.strokes.empty() || assemblor.strokes.back().picks.empty()) return;
    assemblor.strokes.back().picks.back().radius = radius;
}

} // namespace kal
