// The key step: Escape cancels the gesture in progress, Backspace takes back a drawing point,
// modifier keys retag the last one, Enter completes a drawing, and held modifier and digit keys
// remap the effective brush or command from the chosen one for as long as they are held.
#include <array>
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

// Digit 1 held: the chosen brush's alternative, or the smoothing brush.
Brush digitOneBrush(Brush b) {
    switch (b) {
    case Brush::Scale: return Brush::ScaleDirection;
    case Brush::ScaleDirection: return Brush::Scale;
    case Brush::Extrude: return Brush::ExtrudeScale;
    case Brush::ExtrudeScale: return Brush::Extrude;
    case Brush::SubSphere: return Brush::AddSphere;
    case Brush::PaintMaterial:
    case Brush::FillMaterial: return Brush::PickMaterial;
    default: return Brush::Smooth;
    }
}

// Digit 2 held: the chosen brush's counterpart, if it has one.
Brush digitTwoBrush(Brush b) {
    switch (b) {
    case Brush::Move: return Brush::Scale;
    case Brush::Rotate:
    case Brush::Scale: return Brush::Move;
    case Brush::Inflate: return Brush::Deflate;
    case Brush::Deflate: return Brush::Inflate;
    default: return b;
    }
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
        const Command c = assemblyCommand();
        if (c == Command::Draw && !assemblor.picks.empty() && !assemblor.strokes.empty()) {
            assemblor.state = GestureIdle;
            assemblor.strokes.clear();
            assemblor.strokeCount = 0;
            buildDrawnTool();
            return;
        }
        resetPick(c == Command::Draw);
        if (left) mode = IDLE;
    } else if (mode == SCULPT && escapeCancels(brush)) {
        resetPick(false);
        if (left) mode = IDLE;
    }
}

void GLView::backspaceKey() {
    if (!backspaceRequest || busy == 0 || frameMouse.left || mode != ASSEMBLY || assemblyCommand() != Command::Draw)
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
    if (!changed || busy == 0 || !frameMouse.left || mode != ASSEMBLY || assemblyCommand() != Command::Draw) return;
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
        assemblyCommand() != Command::Draw)
        return;
    // an outline that makes no profile inserts nothing: the drawing stays for more points
    if (isProfileKind(insertKind) && !buildProfileFromDrawing()) return;
    if (keyboard.isDown(VkMenu) && insertKind == InsertKind::Revolution) extendRevolutionAxis();

    Element* e = pendingTool ? pendingTool->element : nullptr;
    const float s = e ? e->scale : 1.0f;
    const vec3 t = e ? e->translation : vec3(0, 0, 0);
    // the placement divides by the scale: a flat or broken element places nothing
    const bool placeable =
        pendingTool && s != 0.0f && std::isfinite(s) && std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z);
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
        if (!(insertKind == InsertKind::Array && addedTools.empty()))
            pushIfEffective(new ActObjectAdd(scene, int32_t(pressPick.objectId), pendingTool, placements,
                                             effectiveHierarchyTarget(false), isAddOnLinked(), isLinked()));
    }
    resetPick(true);
}

void GLView::remapSculpt() {
    showHelpers = 0;
    const bool ctrl = keyboard.isDown(VkControl);
    const Brush b = chosenBrush;
    // Ctrl reverses a sphere brush even while a stroke is held
    if (ctrl && drawsSphereGuide(b) && ctrlVariant(b) != b) {
        brush = ctrlVariant(b);
        return;
    }
    if (frameMouse.left) return;
    if (b == Brush::CutPlane && pressPick.stencilBits != 0 && pressPick.object && pressPick.object->element &&
        (pressPick.object->element->typeCode == RevolutonType || pressPick.object->element->typeCode == TubeType)) {
        if (ctrl) {
            brush = Brush::PlacePoint;
            selectionMode = SelectPatch;
        } else {
            brush = chosenBrush;
            selectionMode = chosenSelectionMode;
            sculptOption = chosenSculptOption;
        }
        return;
    }
    Brush held = b;
    if (digitDown(1)) {
        held = digitOneBrush(b);
    } else if (digitDown(2)) {
        held = digitTwoBrush(b);
    } else {
        selectionMode = chosenSelectionMode;
        sculptOption = chosenSculptOption;
        redraw = true;
    }
    // Ctrl makes the chosen move, turn or scale a copying one, whatever digit is held
    if (ctrl && ctrlVariant(b) != b) held = ctrlVariant(b);
    brush = held;
}

void GLView::remapAssembly() {
    showHelpers = uint8_t(handles ? 1 : 0);
    if (!digitDown(1) && mode == SCULPT) setMode(ASSEMBLY);
    shiftHeld = keyboard.isDown(VkShift);

    // Per chosen command: the result for digits 1..6 and with none held.
    constexpr Command none = Command(-1), unchanged = Command(-2), sculptSmoothing = Command(-3);
    struct Row {
        Command chosen;
        bool anyTime;
        std::array<Command, 6> digits;
        Command otherwise;
    };
    using C = Command;
    const InsertKind kind = insertKind;
    const Command c = chosenCommand;
    const std::array<Command, 6> placeDigits{C::Pick,          C::Remove,   C::Multiply, C::DetachComponent,
                                             C::PickComponent, C::PickPatch};
    const std::array<Command, 6> drawDigits{sculptSmoothing,
                                            C::Remove,
                                            C::DrawPickAxis,
                                            kind == InsertKind::Array ? C::ArrayPickItem : C::DrawPickSection,
                                            isArrayKind(kind) ? C::ArrayPick : unchanged,
                                            C::MakeUniform};
    const Row rows[] = {
        {C::Move, true, {C::Rotate, C::Scale, none, none, none, none}, C::Move},
        {C::Rotate, true, {C::Move, C::Scale, C::RotateMultiplicity, none, none, none}, C::Rotate},
        {C::Scale, true, {C::Move, C::Rotate, C::Reserved24, none, none, none}, C::Scale},
        {C::Align, true, {C::CounterAlign, none, none, none, none, none}, C::Align},
        {C::CounterAlign, true, {C::Align, none, none, none, none, none}, C::CounterAlign},
        {C::Insert, false, placeDigits, C::Insert},
        {C::Place, false, placeDigits, C::Place},
        {C::Draw, false, drawDigits, C::Draw},
        {C::Material,
         false,
         {C::PickMaterial, C::MatchMaterial, C::ColorIsLight, C::MakeSprite, none, none},
         C::Material},
        {C::Link, false, {C::Unlink, none, none, none, none, none}, C::Link},
        {C::Unlink, false, {C::Link, none, none, none, none, none}, C::Unlink},
        {C::ConstrainRotation,
         false,
         {C::CounterConstrainRotation, C::RemoveRotationConstraint, none, none, none, none},
         C::ConstrainRotation},
        {C::ConstrainTranslation,
         false,
         {C::CounterConstrainTranslation, C::RemoveTranslationConstraint, none, none, none, none},
         C::ConstrainTranslation},
        {C::MatchPivot, false, {C::MatchObjectPivot, C::Orientation, none, none, none, none}, C::MatchPivot},
        {C::Speed, false, {C::Delay, none, none, none, none, none}, C::Speed},
    };
    const Row* row = nullptr;
    for (const Row& r : rows)
        if (r.chosen == c) row = &r;

    bool settle = true; // the Insert-to-Place rule for two-object tools applies afterwards
    if (row && (row->anyTime || busy == 0)) {
        Command result = row->otherwise;
        for (int d = 0; d < 6; ++d) {
            if (row->digits[d] == none || !digitDown(d + 1)) continue;
            result = row->digits[d];
            break;
        }
        if (result == sculptSmoothing) {
            // Draw with 1 held: sculpt for a moment with the smoothing brush
            mode = SCULPT;
            brush = Brush::Smooth;
            selectionMode = SelectComponent;
            handles = showHelpers != 0;
            showHelpers = 0;
        } else if (result != unchanged) {
            command = result;
            const bool alignRow = c == C::Align || c == C::CounterAlign;
            const bool placeEndsOnChosen = (c == C::Insert || c == C::Place) && result == c;
            settle = alignRow || placeEndsOnChosen;
        }
    }
    if (settle && command == Command::Insert && pendingTool && pendingTool->isBiTool()) command = Command::Place;
}

} // namespace kal
