// The drag step: cursor motion while a button is held navigates the camera, feeds the running
// sculpt stroke, captures Draw strokes and moves, turns and scales the picked tool. The press step
// has already recorded the before-state for undo; nothing here pushes a record.
#include <cmath>

#include "scene/IKChain.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

namespace kal {

// GLViewPress.cpp: one gesture per symmetric pick, begun and applied.
void beginSculptStroke(GLView& view);
// SymmetricSculptPicks.cpp: for a plane brush pressed off the object, picks at the cursor; when
// that hits, the symmetric picks hold the press point at the depth of the hit.
bool meetObjectOnPlaneStroke(GLView& view);

namespace {

bool hasHit(const PickRecord& p) { return p.stencilBits != 0; }

int32_t truncatedSum(int32_t accum, float d) { return int32_t(std::trunc(float(accum) + d)); }

bool isFiniteMatrix(const mat4& m) {
    for (float v : m.m)
        if (!std::isfinite(v)) return false;
    return true;
}

// The frame in which a tool drag works: pivot-local to world, its inverse and the pivot's
// world position. Unusable when the tool has collapsed to no volume (its inverse would be junk).
struct PivotFrame {
    Tool* tool = nullptr;
    mat4 toWorld;
    mat4 toLocal;
    vec3 centre;
    bool usable = false;
};

PivotFrame pivotFrameOf(const PickRecord& press) {
    PivotFrame f;
    f.tool = press.object;
    if (!f.tool) return f;
    const mat4 W = f.tool->isBiTool() ? f.tool->firstEndFrame() : press.objectWorld;
    f.toWorld = f.tool->pivot;
    f.toWorld *= W;
    f.centre = f.toWorld.translation();
    const float d = det(f.toWorld.upper3());
    if (!(std::fabs(d) > 1e-30f) || !isFiniteMatrix(f.toWorld)) return f;
    f.toLocal = inverseAffine(f.toWorld);
    f.usable = isFiniteMatrix(f.toLocal);
    return f;
}

// q moved into the plane through the pivot parallel to the screen, relative to the pivot.
vec3 onScreenPlane(const vec3& q, const vec3& centre, const vec3& n) {
    const vec3 r = q - centre;
    const float along = float(dot(n, r));
    return r - n * along;
}

bool hasDirection(const vec3& v) { return v.lengthSquared() > kNullLengthSquared && std::isfinite(v.lengthSquared()); }

// The turn about the pivot that carries the pressed point's direction onto the hovered one, in
// pivot-local coordinates. False when either point sits on the pivot: no direction, no turn.
bool screenPlaneTurn(const PivotFrame& f, const vec3& a, const vec3& b, mat4& R) {
    if (!hasDirection(a) || !hasDirection(b)) return false;
    const vec3 A = (a + f.centre) * f.toLocal;
    const vec3 B = (b + f.centre) * f.toLocal;
    if (!hasDirection(A) || !hasDirection(B)) return false;
    R = mat4::rotationBetween(A, B);
    return isFiniteMatrix(R);
}

// Ratio of the hovered to the pressed distance from the pivot, when strictly between 0.5 and 2.
bool scaleRatio(float la, float lb, double& s) {
    if (!(2.0f * la > lb && 2.0f * lb > la)) return false;
    s = double(lb) / double(la);
    return true;
}

mat4 uniformScale(double s) { return mat4::scaling(float(s), float(s), float(s)); }

} // namespace

void GLView::dragStep() {
    const MouseState& m = frameMouse;
    if (m.prevX == m.x && m.prevY == m.y) return;
    if (!isCursorInView()) return;

    dragAccumX = truncatedSum(dragAccumX, m.dx);
    dragAccumY = truncatedSum(dragAccumY, m.dy);

    if (mode == VIEW) {
        float a = m.dx, b = m.dy;
        if (keyboard.isDown(VkShift)) {
            a /= 10.0f;
            b /= 10.0f;
        }
        if (m.left) {
            if (keyboard.isDown(VkMenu))
                rotateView(0.0f, 0.0f, a / 100.0f);
            else
                rotateView(b / 100.0f, -a / 100.0f, 0.0f);
            namedView = 0;
        } else if (m.right) {
            panView(a, b, 0.0f);
        }
    } else if (mode == SCULPT) {
        // a plane drawn from off the object starts once its line meets one
        if (busy != 0 && sculptors.empty() && !hasHit(pressPick) && meetObjectOnPlaneStroke(*this)) {
            beginSculptStroke(*this);
        } else if (busy != 0 && hasHit(pressPick)) {
            if (brush == Brush::PickMaterial) {
                brushMaterial = hoverPick.surfaceMaterial;
            } else {
                // a gesture whose copy was not made this frame sits the call out
                std::vector<Gesture*> gestures;
                gestures.reserve(sculptors.size());
                for (size_t i = 0; i < sculptors.size() && i < symmetricPicks.size(); ++i) {
                    Sculptor* s = sculptors[i];
                    if (!s) continue;
                    s->run();
                    s->samples.push_back(StrokeSample(symmetricPicks[i]));
                    s->viewDirection = symmetricPicks[i].viewAxis;
                    gestures.push_back(s);
                }
                if (pressPick.object && !gestures.empty()) pressPick.object->applyGestures(gestures);
            }
        }
    } else if (mode == ASSEMBLY) {
        if (assemblyCommand() == Command::Draw && busy != 0) captureDrawStroke();
        if (m.left && !m.right) {
            // only a gesture the press began (and recorded for undo) changes a tool: a press the
            // view never saw (on its border pixel) or a gesture a right click ended has no record
            const bool hit = busy != 0 && hasHit(pressPick);
            switch (assemblyCommand()) {
            case Command::Draw: buildDrawnTool(); break;
            case Command::InverseKinematics:
                if (busy != 0) dragChain();
                break;
            case Command::Move:
                if (hit) dragMove();
                break;
            case Command::Rotate:
                if (hit) dragRotate();
                break;
            case Command::Scale:
                if (hit) dragScale();
                break;
            case Command::RotateScale:
                if (hit) dragRotateScale();
                break;
            case Command::MatchMaterial:
                if (hit) {
                    hoverPick = pickAt(PlaceOnObject, nullptr);
                    if (hasHit(hoverPick) && hoverPick.object && pressPick.object)
                        pressPick.object->setMaterial(hoverPick.object->material, 0xFF, isLinked(), false);
                }
                break;
            case Command::PickMaterial:
                if (hit) {
                    hoverPick = pickAt(PlaceOnObject, nullptr);
                    if (hasHit(hoverPick)) assemblyMaterial = hoverPick.surfaceMaterial;
                }
                break;
            case Command::Speed:
                if (hit && pressPick.object) {
                    Tool* t = pressPick.object;
                    t->setRingFloatA(t->animationRate + float(dragAccumX) / 1000.0f, isLinked(), false);
                    dragAccumX = 0;
                }
                break;
            case Command::Delay:
                if (hit && pressPick.object) {
                    Tool* t = pressPick.object;
                    t->setRingFloatB(t->animationPhase + float(dragAccumX) / 1000.0f, isLinked(), false);
                    dragAccumX = 0;
                }
                break;
            default: break;
            }
        }
    }

    lastCursorX = int32_t(std::trunc(m.x));
    lastCursorY = int32_t(std::trunc(m.y));
    cursorMoved = true;
}

void GLView::dragMove() {
    const PivotFrame f = pivotFrameOf(pressPick);
    if (!f.usable) return;
    mat4 Y = f.toWorld;
    Y *= mat4::translation(hoverPick.delta);
    Y *= f.toLocal;
    const bool ringWide = isLinked() || copySource != nullptr;
    switch (pivotMode) {
    case PivotObject: f.tool->translateConstrained(Y, ringWide, 0); break;
    case PivotObjectPivot: f.tool->transformPivot(Y, ringWide, 0); break;
    case PivotOnly: f.tool->movePivot(Y, ringWide, 0); break;
    default: break;
    }
}

void GLView::dragRotate() {
    const PivotFrame f = pivotFrameOf(pressPick);
    if (f.usable) {
        const vec3 n = screenNormal();
        const vec3 a = onScreenPlane(pressPick.point, f.centre, n);
        const vec3 b = onScreenPlane(hoverPick.point, f.centre, n);
        mat4 R;
        if (screenPlaneTurn(f, a, b, R)) {
            const bool ringWide = isLinked() || copySource != nullptr;
            if (pivotMode == PivotObject)
                f.tool->rotateConstrained(R, ringWide, 0);
            else if (pivotMode == PivotObjectPivot)
                f.tool->transformPivot(R, ringWide, 0);
            else if (pivotMode == PivotOnly)
                f.tool->movePivot(R, ringWide, 0);
        }
    }
    pressPick.point = hoverPick.point;
}

void GLView::dragScale() {
    const PivotFrame f = pivotFrameOf(pressPick);
    if (f.usable) {
        const vec3 n = screenNormal();
        const float la = onScreenPlane(pressPick.point, f.centre, n).length();
        const float lb = onScreenPlane(hoverPick.point, f.centre, n).length();
        double s = 1.0;
        if (scaleRatio(la, lb, s) && s != 1.0) f.tool->transformBy(uniformScale(s), isLinked() || copySource, 0);
    }
    pressPick.point = hoverPick.point;
}

void GLView::dragRotateScale() {
    const PivotFrame f = pivotFrameOf(pressPick);
    if (f.usable) {
        const vec3 n = screenNormal();
        const vec3 a = onScreenPlane(pressPick.point, f.centre, n);
        const vec3 b = onScreenPlane(hoverPick.point, f.centre, n);
        double s = 1.0;
        if (!scaleRatio(a.length(), b.length(), s)) s = 1.0;
        mat4 R;
        if (screenPlaneTurn(f, a, b, R)) {
            const bool ringWide = isLinked() || copySource != nullptr;
            if (pivotMode == PivotObject) {
                f.tool->rotateConstrained(R, ringWide, 0);
                if (s != 1.0) f.tool->transformBy(uniformScale(s), ringWide, 0);
            } else if (pivotMode == PivotObjectPivot || pivotMode == PivotOnly) {
                mat4 X = uniformScale(s);
                X *= R;
                f.tool->transformPivot(X, ringWide, 0);
            }
        }
    }
    pressPick.point = hoverPick.point;
}

void GLView::dragChain() {
    if (!scene) return;
    const int depth = ikChainLength >= 0 ? ikChainLength + 1 : -1;
    const int32_t id = int32_t(pressPick.objectId);
    // the first collection marks the chain for this frame's drawing, the second clears the marks
    scene->collectById(id, chainTools, chainMatrices, depth);
    solveToolChain(chainTools, chainMatrices, pressPick.point, hoverPick.point);
    pressPick.point = hoverPick.point;
    scene->collectById(id, chainTools, chainMatrices, depth);
    chainTools.clear();
    chainMatrices.clear();
}

void GLView::captureDrawStroke() {
    Assemblor& g = assemblor;
    if ((busy == 1 || busy == 2) && !g.picks.empty()) drawAnchored = true;
    if (!frameMouse.left || hoverPick.kind == kPickNothing) return;

    auto movedFrom = [this](const PickRecord& p) {
        return p.cursorX != hoverPick.cursorX || p.cursorY != hoverPick.cursorY;
    };
    bool isNew = false;
    if (!g.strokes.empty())
        isNew = g.strokes.back().picks.empty() || movedFrom(g.strokes.back().picks.back());
    else if (!g.picks.empty())
        isNew = movedFrom(g.picks.back());
    if (!isNew) return;

    if ((busy == 1 || busy == 2) && !g.picks.empty()) {
        if (g.picks.size() == 1) {
            g.picks.push_back(hoverPick);
            ++busy;
        } else {
            g.picks.back() = hoverPick;
        }
    } else if (drawAnchored && !g.strokes.empty()) {
        AStroke& last = g.strokes.back();
        if (last.picks.empty()) last.picks.push_back(hoverPick);
        PickRecord& p = last.picks.back();
        p = hoverPick;
        if (keyboard.isDown(VkControl))
            p.pointKind = 3;
        else if (keyboard.isDown(VkShift))
            p.pointKind = 1;
        else if (keyboard.isDown(VkMenu))
            p.pointKind = 2;
    } else if (!g.strokes.empty()) {
        g.state = GestureRunning;
        AStroke& last = g.strokes.back();
        last.run();
        last.picks.push_back(hoverPick);
        last.picks.back().pointKind = 0;
        ++g.strokeCount;
    }
}

} // namespace kal
