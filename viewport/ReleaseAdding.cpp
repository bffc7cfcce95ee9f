// Release handlers that change the scene's structure or the insert template: Insert, Multiply and
// Place add copies through one undo record; Pick and the component commands take a part of the
// scene into the library; Remove, Link and Unlink are undoable; the array and curve commands
// feed the drawing kinds.
#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "elements/UCurve.h"
#include "scene/Acts.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

namespace {

// One end of a two-object tool: scaled by the brush over the pick's size, Z along its normal.
mat4 endMatrix(const PickRecord& pick, float brushSize) {
    mat4 M = pick.worldToFrame;
    M *= pick.frameToTarget;
    const vec3 p = pick.point * M;
    const vec3 n = transformDirection(pick.normal, M);
    const vec3 v = transformDirection(pick.pixelVector, M);
    const float s = brushSize * v.length();
    mat4 end = mat4::scaling(s, s, s);
    end *= mat4::fromMat3(mat3::frameFromDirectionAndUp(vec3(0, 1, 0), n));
    end *= mat4::translation(p);
    return end;
}

} // namespace

void GLView::releaseInsert() {
    if (busy == 0 || pressPick.kind == kPickNothing) return;
    // nothing to copy, nothing to record
    if (pendingTool && scene)
        pushIfEffective(new ActObjectAdd(scene, int32_t(pressPick.objectId), pendingTool, placements,
                                         effectiveHierarchyTarget(false), isAddOnLinked(), isLinked()));
    mode = IDLE;
}

void GLView::releaseMultiply() {
    if (busy == 0 || !pressPick.hitsObject() || !scene) return;
    const mat4 pivot = pressPick.object->pivot;
    for (mat4& m : placements) {
        mat4 p = pivot;
        p *= m;
        m = p;
    }
    auto* act = new ActObjectMultiply(scene, int32_t(pressPick.objectId), placements, isAddOnLinked(), isLinked());
    act->toggle();
    pushIfEffective(act);
    mode = IDLE;
}

void GLView::releasePlace() {
    if (busy == 0 || !pendingTool || pressPick.kind == kPickNothing || hoverPick.kind == kPickNothing || !scene) return;
    if (!pendingTool->isBiTool()) {
        releaseInsert();
        return;
    }
    // a two-object tool needs both ends
    if (pendingPartner) {
        const std::vector<mat4> a{endMatrix(pressPick, brushSize)}, b{endMatrix(hoverPick, brushSize)};
        auto* act = new ActObjectAddBiTool(scene, int32_t(pressPick.objectId), int32_t(hoverPick.objectId), pendingTool,
                                           pendingPartner, a, b, effectiveHierarchyTarget(false), false, isLinked());
        act->toggle();
        pushIfEffective(act);
    }
    pressPick = PickRecord();
    hoverPick = PickRecord();
    mode = IDLE;
}

void GLView::releasePick() {
    if (!pressPick.hitsObject() || !scene) return;
    Tool* object = pressPick.object;
    Tool* partner = object->isBiTool() ? object->partner() : nullptr;
    if (object->isBiTool() && !partner) {
        mode = IDLE;
        return;
    }
    scene->addToMainRoot(object->copy(false));
    makeInsertTool(InsertKind::UseTool, false);
    pickPartnerOf(object, false);
    mode = IDLE;
}

void GLView::releasePickComponent(bool patch) {
    if (!pressPick.hitsObject() || !pressPick.object->element || !scene) return;
    Tool* object = pressPick.object;
    Element* e = object->element;
    mat4 world = object->composeMatrix();
    world *= pressPick.objectWorld;
    mat4 toElement = inverseAffineOrIdentity(world);
    toElement *= e->inverseTransform();
    int item = int32_t(pressPick.itemId);
    Element* part = patch ? e->extractPatch(pressPick.point * toElement, item)
                          : e->extractComponent(pressPick.point * toElement, item);
    // an element that cannot give the part leaves the library as it was
    if (!part) return;
    scene->addToMainRoot(new Tool(part, object->transform, object->material, (object->flags & TransparentFlag) != 0));
    makeInsertTool(InsertKind::UseTool, false);
}

void GLView::releaseDetachComponent() {
    repickRelease();
    if (!pressPick.hitsObject() || !pressPick.object->element || !hoverPick.hitsObject() || !scene) return;
    Tool* pressed = pressPick.object;
    Tool* released = hoverPick.object;
    mat4 from = pressed->pivot;
    from *= pressPick.objectWorld;
    mat4 to = released->composeMatrix();
    to *= hoverPick.objectWorld;
    mat4 toInverse;
    // a flattened target has no inverse: the element is left whole
    if (!inverseAffineChecked(to, toInverse)) return;
    mat4 X = from;
    X *= toInverse;
    Element* part = pressed->element->detachComponent(int32_t(pressPick.itemId));
    if (!part) return;
    Tool* holder = new Tool(part, pressed->transform, pressed->material, (pressed->flags & TransparentFlag) != 0);
    released->addChild(holder->copyTransformed(X, true, 0), false);
    delete holder;
    scene->rebuildToolLists();
    // records name tools by their place in the scene, which the new child shifted
    undoStack.clear();
}

void GLView::releaseRemove() {
    if (!pressPick.hitsObject() || busy == 0 || !scene) return;
    auto* act = new ActObjectRemove(scene, int32_t(pressPick.objectId));
    act->toggle();
    pushIfEffective(act);
    pressPick = PickRecord();
    mode = IDLE;
}

void GLView::releaseDraw() {
    if (busy == 0) return;
    if (busy == 2)
        busy = 3;
    else
        buildDrawnTool();
}

void GLView::releaseArrayPick() {
    repickRelease();
    if (hoverPick.hitsObject() && hoverPick.object->isArray() && loadArrayForEditing(hoverPick.object)) resetPick(true);
    mode = IDLE;
}

void GLView::releaseArrayPickItem() {
    if (!pressPick.hitsObject() || !scene) return;
    Tool* copy = pressPick.object->copy(false);
    scene->toolRoot->addChild(copy, false);
    addedTools.push_back(copy);
}

namespace {

// The curve a pick hands the curve commands: a curve itself, or a surface's axis or section.
Curve* pickedCurve(Element* e, bool section) {
    if (!e) return nullptr;
    if (e->typeCode == CurveType || e->typeCode == UCurveType) return static_cast<Curve*>(e);
    CurveSurface* s = curveSurfaceOf(e);
    if (!s) return nullptr;
    // a revolution's axis is its profile: only a tube's can carry something else
    if (section) return s->section;
    return e->typeCode == TubeType ? s->axis : nullptr;
}

// The pending surface of a revolution (18) or tube (20) template, null for any other.
CurveSurface* pendingSurface(InsertKind kind, Tool* pending) {
    Element* e = pending ? pending->element : nullptr;
    if (!e) return nullptr;
    if ((kind == InsertKind::Revolution && e->typeCode == RevolutonType) ||
        (kind == InsertKind::Tube && e->typeCode == TubeType))
        return static_cast<CurveSurface*>(e);
    return nullptr;
}

} // namespace

void GLView::releaseDrawPickAxis() {
    repickRelease();
    if (!hoverPick.hitsObject()) {
        mode = IDLE;
        return;
    }
    Curve* c = pickedCurve(hoverPick.object->element, false);
    const InsertKind k = insertKind;
    bool taken = false;
    if (c && pendingTool) {
        if (CurveSurface* s = pendingSurface(k, pendingTool)) {
            s->setAxis(c);
            taken = true;
        } else if (isProfileKind(k) || isArrayKind(k)) {
            pendingTool->setElement(c);
            taken = true;
        }
    }
    // only a template that took the curve is placed on it: the library tool keeps its matrices
    if (taken && pendingTool->element) {
        Element* e = pendingTool->element;
        e->rebuild(Recenter::Keep);
        mat4 placed;
        if (inverseAffineChecked(e->inverseTransform(), placed)) {
            pendingTool->transform = placed;
            pendingTool->pivot = placed;
            hoverPick.object->addChild(pendingTool->copyTransformed(mat4(), false, 0), false);
            if (scene) scene->rebuildToolLists();
            // as after a detached component: the records would aim at shifted places
            undoStack.clear();
        }
    }
    resetPick(true);
    mode = IDLE;
}

void GLView::releaseDrawPickSection() {
    repickRelease();
    if (hoverPick.hitsObject()) {
        Curve* c = pickedCurve(hoverPick.object->element, true);
        CurveSurface* s = pendingSurface(insertKind, pendingTool);
        if (c && s) s->setSection(c);
    }
    mode = IDLE;
}

void GLView::releaseMakeUniform() {
    repickRelease();
    if (hoverPick.hitsObject() && hoverPick.object->element) {
        Tool* t = hoverPick.object;
        Element* e = t->element;
        if (CurveSurface* s = curveSurfaceOf(e)) {
            Curve* a = s->axis;
            if (a && a->word != 2) {
                // held across the swap, which lets the old axis go before taking the new one
                a->acquire(1);
                s->setAxis(new UCurve(a, 2));
                a->release(1);
                redraw = true;
            }
        } else if (e->typeCode == CurveType && static_cast<Curve*>(e)->word != 2) {
            t->setElement(new UCurve(static_cast<Curve*>(e), 2));
            redraw = true;
        }
    }
    resetPick(false);
    mode = IDLE;
}

void GLView::releaseLink() {
    if (busy != 1 || !scene) return;
    repickRelease();
    if (hoverPick.hitsObject() && hoverPick.objectId != pressPick.objectId) {
        auto* act = new ActObjectLink(scene, int32_t(pressPick.objectId), int32_t(hoverPick.objectId));
        act->toggle();
        pushIfEffective(act);
    }
    mode = IDLE;
}

void GLView::releaseUnlink() {
    if (!pressPick.hitsObject() || !scene) return;
    auto* act = new ActObjectUnlink(scene, int32_t(pressPick.objectId));
    act->toggle();
    pushIfEffective(act);
    mode = IDLE;
}

} // namespace kal
