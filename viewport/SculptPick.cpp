// The sculpt pick: the read-back of sculpting, aimed at the hit object's element. Its matrices carry
// a world point into the element's own coordinates; objects without an element are refused.
#include "gpu/FBOScene.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/PickReadback.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

// Picking.cpp: a pick moved from previous by one of the placement modes 2..5.
void movePickByPlacement(GLView& view, PickRecord& r, const PickRecord& previous, int mode);

PickRecord GLView::pickSculpt(int placement, const PickRecord* previous) {
    PickRecord r = previous ? *previous : PickRecord();
    r.cursorX = lastCursorX;
    r.cursorY = lastCursorY;
    r.pixelVector = pixelVector(true);
    // the pen sizes the stroke through the samples' scale, not the radius
    r.radius = brushSize;
    r.scale = pressure;
    r.delta = {0, 0, 0};
    r.material = brushMaterial;
    if (previous && placement >= PlaceSameDepth && placement <= PlaceTangentPlane) {
        movePickByPlacement(*this, r, *previous, placement);
        return r;
    }

    pickread::TargetHit hit;
    if (!pickread::readHit(transparentTarget, opaqueTarget, r.cursorX, r.cursorY, hit)) return r;
    if (hit.stencil == 0) {
        if (previous) {
            r.kind = 2;
            const vec3 s = worldToScreen(previous->point);
            r.point = windowToWorld({float(r.cursorX), float(r.cursorY), s.z});
            r.delta = r.point - previous->point;
        } else {
            r.kind = 0;
            r.depth = focusDepth();
            r.point = screenToWorld(float(r.cursorX), float(r.cursorY), r.depth);
            r.normal = screenNormal();
        }
        hit.bound->unbind();
        return r;
    }
    const FBOScene& target = *hit.bound;
    r.depth = hit.depth;
    if (hit.ids[0] == 0) {
        r.stencilBits = 0;
        hit.bound->unbind();
        return r;
    }
    r.stencilBits = hit.stencil;
    r.objectId = hit.ids[0] & 0x7FFFFFFFu;
    // a stroke that crosses onto another object keeps the item of the object it began on
    if (!previous || r.objectId == previous->objectId) r.itemId = hit.ids[1];
    r.kind = 1;
    r.surfaceMaterial = pickread::surfaceMaterial(target, r.cursorX, r.cursorY, hit.ids[2]);
    vec3 n = pickread::normal(target, r.cursorX, r.cursorY);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f)
        n = pickread::normalFromDepth(target, r.cursorX, r.cursorY, farDistance);
    r.point = screenToWorld(float(r.cursorX), float(r.cursorY), r.depth);
    r.normal = viewToWorldDirection(n);

    if (!previous) {
        if (scene)
            scene->lookupWithMatrices(int32_t(r.objectId), r.groupRoot, r.object, r.rootWorld, r.objectWorld, true);
        if (!r.object || !r.object->element) {
            if (scene) scene->clearSelection();
            r = PickRecord();
            hit.bound->unbind();
            return r;
        }
        mat4 m = r.object->composeMatrix();
        m *= r.objectWorld;
        r.worldToFrame = inverseAffineOrIdentity(m);
        r.frameToTarget = inverseAffineOrIdentity(r.object->element->inverseTransform());
        r.viewAxis = screenNormal();
    } else {
        r.delta = r.point - previous->point;
    }
    hit.bound->unbind();
    return r;
}

} // namespace kal
