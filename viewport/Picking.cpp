// The assembly pick: what lies under the cursor, read back from the scene targets the last frame
// drew, or a previous pick moved under one of the placement modes.
#include <cmath>

#include "gpu/FBOScene.h"
#include "scene/CameraMatrices.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/PickReadback.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

namespace {

constexpr int kKeyP = 0x50;

bool finite(vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The world position of a tool's pivot under the matrix the scene hands it.
vec3 pivotInWorld(const Tool& tool, const mat4& world) {
    mat4 m = tool.pivot;
    m *= world;
    return m.translation();
}

} // namespace

namespace {

// Every step of one pick, over the view it reads and the record it fills.
struct Picker {
    GLView& view;
    PickRecord& r;
    const PickRecord* previous;
    float elevation = 0.0f;

    float elevationOffset() const { return elevation * view.brushSize * r.pixelVector.length(); }

    void nothingUnderCursor() {
        r.stencilBits = 0;
        if (previous) {
            r.kind = 2;
            const vec3 s = view.worldToScreen(previous->point);
            r.point = view.windowToWorld({float(r.cursorX), float(r.cursorY), s.z});
            r.delta = r.point - previous->point;
            return;
        }
        r.kind = 0;
        r.depth = view.focusDepth();
        r.point = view.screenToWorld(float(r.cursorX), float(r.cursorY), r.depth);
        r.normal = view.screenNormal();
        if (view.scene) view.scene->pick(0);
    }

    void readBack(bool snapToPivot) {
        pickread::TargetHit hit;
        if (!pickread::readHit(view.transparentTarget, view.opaqueTarget, r.cursorX, r.cursorY, hit)) return;
        if (hit.stencil == 0 || hit.ids[0] == 0) {
            nothingUnderCursor();
            hit.bound->unbind();
            return;
        }
        const FBOScene& target = *hit.bound;
        r.depth = hit.depth;
        r.stencilBits = hit.stencil;
        r.kind = 1;
        const uint32_t id = hit.ids[0] & 0x7FFFFFFFu;
        r.surfaceMaterial = pickread::surfaceMaterial(target, r.cursorX, r.cursorY, hit.ids[2]);
        vec3 n = pickread::normal(target, r.cursorX, r.cursorY);
        if (previous) {
            ToolRef group, object;
            mat4 groupWorld, objectWorld;
            if (view.scene) view.scene->lookupWithMatrices(int32_t(id), group, object, groupWorld, objectWorld, false);
            r.normal = view.viewToWorldDirection(n);
            r.point = snapToPivot && object ? pivotInWorld(*object, objectWorld) : surfacePoint();
            r.delta = r.point - previous->point;
            hit.bound->unbind();
            return;
        }
        r.objectId = id;
        r.itemId = hit.ids[1];
        if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f)
            n = pickread::normalFromDepth(target, r.cursorX, r.cursorY, view.farDistance);
        if (view.scene)
            view.scene->lookupWithMatrices(int32_t(id), r.groupRoot, r.object, r.rootWorld, r.objectWorld, true);
        r.normal = view.viewToWorldDirection(n);
        r.point = snapToPivot && r.object ? pivotInWorld(*r.object, r.objectWorld) : surfacePoint();
        if (r.object) placeMatrices();
        hit.bound->unbind();
    }

    vec3 surfacePoint() const {
        return view.screenToWorld(float(r.cursorX), float(r.cursorY), r.depth) + r.normal * elevationOffset();
    }

    void placeMatrices() {
        mat4 objectMatrix = r.object->composeMatrix();
        objectMatrix *= r.objectWorld;
        mat4 rootMatrix = r.groupRoot ? r.groupRoot->composeMatrix() : mat4();
        rootMatrix *= r.rootWorld;
        const mat4 objectInverse = inverseAffineOrIdentity(objectMatrix);
        const mat4 rootInverse = inverseAffineOrIdentity(rootMatrix);
        const int h = view.effectiveHierarchyTarget(false);
        if (view.relativeToChild == 2) {
            r.worldToFrame = objectInverse;
            if (h == 0) {
                r.frameToTarget = objectMatrix;
            } else if (h == 1) {
                r.frameToTarget = objectMatrix;
                r.frameToTarget *= rootInverse;
            } else {
                r.frameToTarget = mat4();
            }
        } else {
            r.worldToFrame = h == 1 ? rootInverse : h == 2 ? objectInverse : mat4();
            r.frameToTarget = mat4();
        }
    }

    // Same Depth: the previous point's window depth under the cursor, on an optional pixel grid.
    void sameDepth() {
        const vec3 s = view.worldToScreen(previous->point);
        vec3 t{float(r.cursorX), float(r.cursorY), s.z};
        if (view.snapGrid && view.gridStep > 0.0f) {
            t.x = s.x + std::round((t.x - s.x) / view.gridStep) * view.gridStep;
            t.y = s.y + std::round((t.y - s.y) / view.gridStep) * view.gridStep;
        }
        r.point = view.windowToWorld(t);
        r.kind = 2;
        r.delta = r.point - previous->point;
    }

    // On Normal: along the normal's screen direction, by the cursor's offset along it.
    bool onNormal() {
        const vec3 p = view.worldToScreen(r.point);
        vec3 d = view.perspective == 0 ? view.worldToViewDirection(r.normal)
                                       : normalize(view.worldToScreen(r.point + r.normal) - p);
        if (std::fabs(d.z) > 0.9f) return false;
        if (view.perspective == 0) d.z = -d.z;
        const float L = std::sqrt(d.x * d.x + d.y * d.y);
        if (!(L > 1e-10f)) return false;
        const float ux = d.x / L, uy = d.y / L;
        const float t = (float(r.cursorX) - p.x) * ux + (float(r.cursorY) - p.y) * uy;
        if ((t * ux) * (t * ux) + (t * uy) * (t * uy) > 1.0f) {
            const vec3 q = view.windowToWorld(p + d * (t / L));
            r.delta = q - r.point;
            r.point = q;
        }
        r.kind = 3;
        return true;
    }

    // Normal Plane: in the plane that holds the normal and an axis latched for the whole gesture.
    bool normalPlane() {
        if (view.perspective == 0) {
            const Assemblor& drawing = view.assemblor;
            if (view.busy == 3 && drawing.strokes.empty() && drawing.picks.size() >= 2)
                r.normal = view.placementFrameStep(drawing.picks[0].point, drawing.picks[1].point);
            const vec3 c = view.worldToViewDirection(r.normal);
            if (std::fabs(c.z) > 0.9f) return false;
            const vec3 p = view.worldToScreen(r.point);
            const vec3 u = latchAxis(normalize(vec3(-c.y, c.x, 0)));
            const vec3 cw{c.x, c.y, -c.z}, uw{u.x, u.y, -u.z};
            const vec3 m = normalize(cross(cw, uw));
            // a plane seen edge-on has no depth to give the cursor
            if (!(std::fabs(m.z) > 1e-6f)) return false;
            vec3 target{float(r.cursorX), float(r.cursorY),
                        p.z + ((p.x - float(r.cursorX)) * m.x + (p.y - float(r.cursorY)) * m.y) / m.z};
            if (view.snapGrid && view.gridStep > 0.0f) {
                const vec3 q = (target - p) / view.gridStep;
                const float a = std::round(dot(q, cw)), b = std::round(dot(q, uw));
                target = p + (uw * b + cw * a) * view.gridStep;
            }
            r.point = view.windowToWorld(target);
        } else if (view.perspective == 1) {
            const vec3 a = previous->point * cameraMatrices.viewMatrix;
            const vec3 c = view.worldToViewDirection(r.normal);
            const vec3 ray = rayThroughCursor();
            const vec3 u = latchAxis(normalize(cross(c, ray)));
            const vec3 m = cross(u, c);
            if (std::fabs(dot(m, ray)) < 1e-10f) return false;
            vec3 x = ray * (dot(m, a) / dot(m, ray));
            if (view.snapGrid && view.gridStep > 0.0f) {
                const vec3 q = (x - a) / view.gridStep;
                x = a + (c * std::round(dot(c, q)) + u * std::round(dot(u, q))) * view.gridStep;
            }
            r.point = x * cameraMatrices.inverseView;
        } else {
            return false;
        }
        r.kind = 4;
        r.delta = r.point - previous->point;
        return true;
    }

    // Tangent Plane: in the plane through the point across the normal.
    bool tangentPlane() {
        if (view.perspective == 0) {
            const vec3 c = view.worldToViewDirection(r.normal);
            if (std::fabs(c.z) < 0.1f) return false;
            const vec3 p = view.worldToScreen(r.point);
            r.point =
                view.windowToWorld({float(r.cursorX), float(r.cursorY),
                                    p.z - ((p.x - float(r.cursorX)) * c.x + (p.y - float(r.cursorY)) * c.y) / c.z});
        } else if (view.perspective == 1) {
            const vec3 a = previous->point * cameraMatrices.viewMatrix;
            const vec3 c = normalize(transformDirection(r.normal, cameraMatrices.viewMatrix));
            const vec3 ray = rayThroughCursor();
            if (dot(c, ray) < 1e-10f) return false;
            r.point = (ray * (dot(c, a) / dot(c, ray))) * cameraMatrices.inverseView;
        } else {
            return false;
        }
        r.kind = 5;
        r.delta = r.point - previous->point;
        return true;
    }

    vec3 rayThroughCursor() const {
        return {float(view.width) / 2 - float(r.cursorX), float(view.height) / 2 - float(r.cursorY), view.focalLength};
    }

    vec3 latchAxis(vec3 fresh) {
        if (view.latchedAxis == vec3(0, 0, 0)) {
            view.latchedAxis = view.viewToWorldDirection(fresh);
            return fresh;
        }
        return view.worldToViewDirection(view.latchedAxis);
    }

    // Runs one placement mode; a degenerate or non-finite outcome leaves the record as it was.
    void place(int mode) {
        if (!previous) return;
        const PickRecord before = r;
        bool moved = true;
        switch (mode) {
        case PlaceSameDepth: sameDepth(); break;
        case PlaceOnNormal: moved = onNormal(); break;
        case PlaceNormalPlane: moved = normalPlane(); break;
        default: moved = tangentPlane(); break;
        }
        if (!moved || !finite(r.point) || !finite(r.delta)) r = before;
    }
};

} // namespace

void movePickByPlacement(GLView& view, PickRecord& r, const PickRecord& previous, int mode) {
    Picker picker{view, r, &previous};
    picker.place(mode);
}

PickRecord GLView::pickAt(int mode, const PickRecord* previous) {
    PickRecord r = previous ? *previous : PickRecord();
    r.cursorX = lastCursorX;
    r.cursorY = lastCursorY;
    const Command cmd = assemblyCommand();
    bool pressureRadius =
        pressureSizing && !drawAnchored && cmd != Command::Insert && !(cmd == Command::Place && pendingPartner);
    if (cmd == Command::Draw) pressureRadius = pressureRadius && !isArrayKind(insertKind) && penState > 1;
    r.radius = pressureRadius ? brushSize * pressure : brushSize;
    r.pixelVector = pixelVector(true);
    r.delta = {0, 0, 0};
    r.material = assemblyMaterial;

    Picker picker{*this, r, previous};
    if (cmd == Command::Insert || cmd == Command::Place || cmd == Command::Draw) picker.elevation = elevation;

    if (keyboard.isDown(kKeyP) || keyboard.isDown(VkF1))
        picker.readBack(true);
    else if (mode == PlaceOnObject)
        picker.readBack(false);
    else if (mode >= PlaceSameDepth && mode <= PlaceTangentPlane)
        picker.place(mode);
    return r;
}

} // namespace kal
