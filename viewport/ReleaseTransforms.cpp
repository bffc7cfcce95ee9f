// Release handlers that change a tool's transform, pivot, constraint axes, material or flags, or
// open a dialog on it. A handler that would need the inverse of a flattened matrix changes nothing
// and records nothing: NaN must never reach a transform, and through it a saved file.
#include <cmath>

#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

namespace {

constexpr float kPi = 3.14159265358979323846f;

// The tool's pivot frame in the world: its pivot, then the matrix the pick handed it.
mat4 pivotWorld(Tool* tool, const mat4& objectWorld) {
    mat4 w = tool->pivot;
    w *= objectWorld;
    return w;
}

mat4 then(mat4 a, const mat4& b) {
    a *= b;
    return a;
}

// The turn of a onto b; opposite directions turn by pi about an axis across a, where the plain
// builder would give minus the identity (a mirror).
mat4 turnBetween(vec3 a, vec3 b) {
    if (a.lengthSquared() > kNullLengthSquared && b.lengthSquared() > kNullLengthSquared) {
        const vec3 na = normalize(a), nb = normalize(b);
        if (dot(na, nb) < -0.9999f) {
            vec3 across = cross(na, vec3(1, 0, 0));
            if (across.lengthSquared() < 1e-6f) across = cross(na, vec3(0, 1, 0));
            return mat4::fromMat3(mat3::rotationAxisAngle(normalize(across), kPi));
        }
    }
    return mat4::rotationBetween(a, b);
}

} // namespace

void GLView::releaseEndDrag() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    // a drag that changed nothing leaves no record behind
    undoStack.dropLastWithoutEffect();
    if (copySource && isLinked()) copySource->link(pressPick.object);
    copySource = nullptr;
    mode = IDLE;
}

void GLView::releaseMirror() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    hoverPick = pickAt(placement, &pressPick);
    if (hoverPick.kind == kPickNothing) {
        mode = IDLE;
        return;
    }
    Tool* pressed = pressPick.object;
    const mat4 W = pivotWorld(pressed, pressPick.objectWorld);
    mat4 Winv;
    const vec3 normal = hoverPick.point - pressPick.point;
    if (inverseAffineChecked(W, Winv) && normal.lengthSquared() > kNullLengthSquared) {
        const mat4 T = then(then(W, mat4::planeReflection(normal, pressPick.point)), Winv);
        const bool ring = isLinked() || copySource != nullptr;
        if (pivotMode == PivotObject)
            pressed->transformBy(T, ring, 0);
        else
            pressed->transformPivot(T, ring, 0);
    }
    if (copySource && isLinked()) copySource->link(pressed);
    copySource = nullptr;
    mode = IDLE;
}

void GLView::releaseRotateMultiplicity() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    double value = pressPick.object->multiplicity;
    bool answered = false;
    if (materialSource) {
        GLWorkGuard question;
        answered = materialSource->askRotationMultiplicity(value);
    }
    if (answered) pressPick.object->multiplicity = float(value);
    mode = IDLE;
}

void GLView::releaseMaterial() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    liveMaterial = true;
    materialTool = pressPick.object;
    if (!materialSource || !materialSource->openMaterialDialog(materialTool)) {
        // no dialog: the record the press pushed has nothing to follow
        liveMaterial = false;
        materialTool = nullptr;
        undoStack.dropLastWithoutEffect();
    }
    mode = IDLE;
}

void GLView::releaseColorIsLight() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    Tool* t = pressPick.object;
    t->setColorIsLight((t->flags & ColourIsLightFlag) == 0, isLinked(), false);
    mode = IDLE;
}

void GLView::releaseMatchMaterial() {
    if (busy == 0 || !pressPick.hitsObject()) return;
    repickRelease();
    if (hoverPick.hitsObject()) pressPick.object->setMaterial(hoverPick.object->material, 0xFF, isLinked(), false);
    mode = IDLE;
}

void GLView::releaseConstrain(Command c) {
    if (busy != 1 || !pressPick.hitsObject() || !scene) return;
    repickRelease();
    const bool rotation = c == Command::ConstrainRotation || c == Command::CounterConstrainRotation;
    const bool counter = c == Command::CounterConstrainRotation || c == Command::CounterConstrainTranslation;
    const vec3 a = counter ? -hoverPick.normal : hoverPick.normal;
    Tool* pressed = pressPick.object;
    const mat3 A3 = pivotWorld(pressed, pressPick.objectWorld).upper3();
    const float d = det(A3);
    const vec3 axis = normalize(a * inverse(A3));
    mode = IDLE;
    if (d == 0.0f || !std::isfinite(axis.x) || !std::isfinite(axis.y) || !std::isfinite(axis.z)) return;
    const int32_t id = int32_t(pressPick.objectId);
    if (rotation) {
        undoStack.push(new ActObjectRotationAxis(scene, id, false));
        pressed->rotationAxis = axis;
    } else {
        undoStack.push(new ActObjectTranslationAxis(scene, id, false));
        pressed->translationAxis = axis;
    }
}

void GLView::releaseRemoveConstraint(Command c) {
    if (busy != 1 || !pressPick.hitsObject() || !scene) return;
    const int32_t id = int32_t(pressPick.objectId);
    if (c == Command::RemoveRotationConstraint) {
        undoStack.push(new ActObjectRotationAxis(scene, id, false));
        pressPick.object->rotationAxis = vec3(0, 0, 0);
    } else {
        undoStack.push(new ActObjectTranslationAxis(scene, id, false));
        pressPick.object->translationAxis = vec3(0, 0, 0);
    }
    mode = IDLE;
}

void GLView::releaseAlign() {
    if (busy != 1 || !pressPick.hitsObject() || !scene) return;
    repickRelease();
    mode = IDLE;
    Tool* pressed = pressPick.object;
    const mat4 W1 = pivotWorld(pressed, pressPick.objectWorld);
    mat4 W1inv, Tinv;
    if (!inverseAffineChecked(W1, W1inv) || !inverseAffineChecked(pressed->transform, Tinv)) return;
    undoStack.push(new ActObjectTransform(scene, int32_t(pressPick.objectId), false));
    if (hoverPick.hitsObject()) {
        const mat4 W2 = pivotWorld(hoverPick.object, hoverPick.objectWorld);
        const vec3 d = W2.translation() - W1.translation();
        const vec3 n = hoverPick.normal;
        const vec3 along = d - n * float(dot(d, n));
        pressed->pivot = then(then(then(W1, mat4::translation(along)), W1inv), pressed->pivot);
    }
    const mat4 K = pressed->composeMatrix();
    const mat3 KO = then(K, pressPick.objectWorld).upper3();
    const mat4 R = turnBetween(pressPick.normal * KO, hoverPick.normal * KO);
    pressed->pivot = then(then(Tinv, R), K);
}

void GLView::releaseMatchPivot(bool objectPivot) {
    if (busy != 1 || !pressPick.hitsObject() || !scene) return;
    repickRelease();
    mode = IDLE;
    if (!hoverPick.hitsObject()) return;
    Tool* pressed = pressPick.object;
    Tool* released = hoverPick.object;
    const bool ring = isLinked();
    if (hoverPick.objectId == pressPick.objectId) {
        undoStack.push(new ActObjectTransform(scene, int32_t(pressPick.objectId), ring));
        pressed->movePivot(mat4::translation(pressed->transform.translation()), false, 0);
        return;
    }
    auto worldOf = [objectPivot](Tool* t, const PickRecord& p) {
        return pivotWorld(t, objectPivot && t->isBiTool() ? t->firstEndFrame() : p.objectWorld);
    };
    const mat4 W1 = worldOf(pressed, pressPick);
    const mat4 W2 = worldOf(released, hoverPick);
    mat4 W1inv;
    if (!inverseAffineChecked(W1, W1inv)) return;
    undoStack.push(new ActObjectTransform(scene, int32_t(pressPick.objectId), ring));
    const mat4 X = then(then(W1, mat4::translation(W2.translation() - W1.translation())), W1inv);
    if (objectPivot)
        pressed->transformPivot(X, ring, 0);
    else
        pressed->movePivot(X, ring, 0);
}

void GLView::releaseOrientation() {
    if (busy != 1 || !pressPick.hitsObject()) return;
    Tool* t = pressPick.object;
    const uint8_t orientation = (t->flags & FacingMask) == 0x80 ? 0 : 0x80;
    t->setFlagMode(orientation, isLinked(), false);
    mode = IDLE;
}

} // namespace kal
