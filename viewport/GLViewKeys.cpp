// The key step: Escape cancels the gesture in progress, Backspace takes back a drawing point,
// modifier keys retag the last one, Enter completes a drawing, and held modifier and digit keys
// remap the effective brush or command from the chosen one for as long as they are held.
#include <cmath>

#include "scene/Acts.h"
#include "scene/Element.h"
#include "scene/Globals.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

namespace kal {

namespace {

bool digitDown(int d) { return keyboard.isDown('0' + d); }

// Erase, plane and sphere brushes: the only ones Escape cancels (the others keep what they did).
bool escapeCancels(int brush) {
    return (brush >= 32 && brush <= 35) || (brush >= 47 && brush <= 49) || (brush >= 52 && brush <= 59);
}

int drawingPointCount(const Assemblor& g) {
    int n = int(g.picks.size());
    for (const AStroke& s : g.strokes) n += int(s.picks.size());
    return n;
}

// The quarter turn about X that stands a drawing up: (x, y, z) -> (x, -z, y) on an object.
mat4 quarterTurn(bool onObject) {
    const float s = onObject ? 1.0f : -1.0f;
    return mat4{{1, 0, 0, 0, 0, 0, -s, 0, 0, s, 0, 0, 0, 0, 0, 1}};
}

mat4 transposed(const mat4& m) {
    mat4 t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.m[4 * r + c] = m.m[4 * c + r];
    return t;
}

} // namespace

void GLView::keyStep() {
    escapeKey();
    backspaceKey();
    retagDrawingPoint();
    completeDrawing();
    if (chosenMode == SCULPT)
        remapSculpt();
    else if (chosenMode == ASSEMBLY)
        remapAssembly();
}

void GLView::escapeKey() {
    if (!keyboard.pressed(VkEscape) || busy == 0) return;
    const bool left = frameMouse.left != 0;
    if (mode == ASSEMBLY) {
        if (copySource) {
            // the copy the press made goes with its record
            undoStack.undoAndDropNewest();
            copySource = nullptr;
        }
        const int c = assemblyCommand();
        if (c == CommandDraw && !assemblor.picks.empty() && !assemblor.strokes.empty()) {
            assemblor.state = GestureIdle;
            assemblor.strokes.clear();
            assemblor.strokeCount = 0;
            buildDrawnTool();
            return;
        }
        resetPick(c == CommandDraw);
        if (left) mode = IDLE;
    } else if (mode == SCULPT && escapeCancels(brush)) {
        resetPick(false);
        if (left) mode = IDLE;
    }
}

void GLView::backspaceKey() {
    if (!backspaceRequest || busy == 0 || frameMouse.left || mode != ASSEMBLY || assemblyCommand() != CommandDraw)
        return;
    Assemblor& g = assemblor;
    if (drawingPointCount(g) < 2) {
        resetPick(true);
        return;
    }
    if (g.strokes.empty()) {
        g.picks.pop_back();
        busy = int32_t(uint8_t(g.picks.size()));
        return;
    }
    std::vector<PickRecord>& last = g.strokes.back().picks;
    if (!last.empty()) last.pop_back();
    if (last.empty()) g.strokes.pop_back();
    buildDrawnTool();
    if (g.strokes.empty()) busy = int32_t(g.picks.size()) + 1;
}

void GLView::retagDrawingPoint() {
    const bool changed = keyboard.isDown(VkShift) != keyboard.wasDown(VkShift) ||
                         keyboard.isDown(VkMenu) != keyboard.wasDown(VkMenu) ||
                         keyboard.isDown(VkControl) != keyboard.wasDown(VkControl);
    if (!changed || busy == 0 || !frameMouse.left || mode != ASSEMBLY || assemblyCommand() != CommandDraw) return;
    if (assemblor.strokes.empty() || assemblor.strokes.back().picks.empty()) return;
    PickRecord& p = assemblor.strokes.back().picks.back();
    if (p.pointKind == 0) return;
    if (keyboard.isDown(VkControl))
        p.pointKind = 3;
    else if (keyboard.isDown(VkMenu))
        p.pointKind = 2;
    else if (keyboard.isDown(VkShift))
        p.pointKind = 1;
    buildDrawnTool();
}

void GLView::completeDrawing() {
    if (!keyboard.isDown(VkReturn) || busy == 0 || frameMouse.left || mode != ASSEMBLY ||
        assemblyCommand() != CommandDraw)
        return;
    // an outline that makes no profile inserts nothing: the drawing stays for more points
    if (isProfileKind(insertKind) && !buildProfileFromDrawing()) return;
    if (keyboard.isDown(VkMenu) && insertKind == 18) extendRevolutionAxis();

    Element* e = pendingTool ? pendingTool->element : nullptr;
    const float s = e ? e->scale : 1.0f;
    const vec3 t = e ? e->translation : vec3(0, 0, 0);
    // the placement divides by the scale: a flat or broken element places nothing
    const bool placeable = pendingTool && s != 0.0f && std::isfinite(s) && std::isfinite(t.x) &&
                           std::isfinite(t.y) && std::isfinite(t.z);
    if (placeable && scene) {
        const mat4 Q = quarterTurn(pressPick.kind == 1);
        mat4 T = mat4::translation(t / s);
        T *= Q;
        pendingTool->transform = T;
        mat4 M = transposed(Q);
        M *= mat4::uniformScaling(s);
        if (!assemblor.picks.empty()) M *= strokeFrame;
        for (mat4& P : placements) {
            mat4 m = M;
            m *= P;
            P = m;
        }
        if (!(insertKind == 21 && addedTools.empty()))
            pushIfEffective(new ActObjectAdd(scene, int32_t(pressPick.objectId), pendingTool, placements,
                                             effectiveHierarchyTarget(false), isAddOnLinked(), isLinked()));
    }
    resetPick(true);
}

void GLView::remapSculpt() {
    showHelpers = 0;
    const bool ctrl = keyboard.isDown(VkControl);
    const int b = chosenBrush;
    if (ctrl && b >= 52 && b <= 55) {
        brush = b + 4;
        return;
    }
    if (frameMouse.left) return;
    if (b == 47 && pressPick.stencilBits != 0 && pressPick.object && pressPick.object->element &&
        (pressPick.object->element->typeCode == RevolutonType || pressPick.object->element->typeCode == TubeType)) {
        if (ctrl) {
            brush = 51;
            selectionMode = SelectPatch;
        } else {
            brush = chosenBrush;
            selectionMode = chosenSelectionMode;
            sculptOption = chosenSculptOption;
        }
        return;
    }
    if (digitDown(1)) {
        switch (b) {
        case 5: brush = ctrl ? 6 : 9; return;
        case 9: brush = 5; return;
        case 36: brush = 37; return;
        case 37: brush = 36; return;
        case 55: brush = 54; return;
        case 29: case 30: brush = 31; break;
        default: brush = 15; break;
        }
    } else if (digitDown(2)) {
        switch (b) {
        case 1: brush = ctrl ? 2 : 5; return;
        case 3: brush = ctrl ? 4 : 1; return;
        case 5: brush = ctrl ? 6 : 1; return;
        case 20: brush = 21; return;
        case 21: brush = 20; return;
        default: brush = chosenBrush; break;
        }
    } else {
        brush = chosenBrush;
        selectionMode = chosenSelectionMode;
        sculptOption = chosenSculptOption;
        redraw = true;
    }
    if (ctrl && (b == 1 || b == 3 || b == 5)) brush = b + 1;
}

void GLView::remapAssembly() {
    showHelpers = uint8_t(handles ? 1 : 0);
    if (!digitDown(1) && mode == SCULPT) setMode(ASSEMBLY);
    shiftHeld = keyboard.isDown(VkShift);

    // Per chosen command: the result for digits 1..6 (-1 none, -2 unchanged) and with none held.
    struct Row {
        int chosen;
        bool anyTime;
        int digits[6];
        int otherwise;
    };
    const int kind = insertKind;
    const bool arrayKind = kind == 21 || kind == 22;
    const int c = chosenCommand;
    const int place = c == CommandInsert || c == CommandPlace ? c : 0;
    const Row rows[] = {
        {17, true, {18, 19, -1, -1, -1, -1}, 17},
        {18, true, {17, 19, 23, -1, -1, -1}, 18},
        {19, true, {17, 18, 24, -1, -1, -1}, 19},
        {43, true, {44, -1, -1, -1, -1, -1}, 43},
        {44, true, {43, -1, -1, -1, -1, -1}, 44},
        {CommandInsert, false, {4, 8, 1, 6, 5, 7}, place},
        {CommandPlace, false, {4, 8, 1, 6, 5, 7}, place},
        {CommandDraw, false, {-3, 8, 13, kind == 21 ? 11 : 14, arrayKind ? 10 : -2, 15}, CommandDraw},
        {28, false, {32, 31, 29, 30, -1, -1}, 28},
        {35, false, {36, -1, -1, -1, -1, -1}, 35},
        {36, false, {35, -1, -1, -1, -1, -1}, 36},
        {37, false, {38, 41, -1, -1, -1, -1}, 37},
        {39, false, {40, 42, -1, -1, -1, -1}, 39},
        {46, false, {47, 50, -1, -1, -1, -1}, 46},
        {52, false, {53, -1, -1, -1, -1, -1}, 52},
    };
    const Row* row = nullptr;
    for (const Row& r : rows)
        if (r.chosen == c) row = &r;

    bool settle = true; // the Insert-to-Place rule for two-object tools applies afterwards
    if (row && (row->anyTime || busy == 0)) {
        int result = row->otherwise;
        for (int d = 0; d < 6; ++d) {
            if (row->digits[d] == -1 || !digitDown(d + 1)) continue;
            result = row->digits[d];
            break;
        }
        if (result == -3) {
            // Draw with 1 held: sculpt for a moment with the smoothing brush
            mode = SCULPT;
            brush = 15;
            selectionMode = SelectComponent;
            handles = showHelpers != 0;
            showHelpers = 0;
        } else if (result != -2) {
            command = result;
            const bool alignRow = c == 43 || c == 44;
            const bool placeEndsOnChosen = (c == CommandInsert || c == CommandPlace) && result == c;
            settle = alignRow || placeEndsOnChosen;
        }
    }
    if (settle && command == CommandInsert && pendingTool && pendingTool->isBiTool()) command = CommandPlace;
}

} // namespace kal
