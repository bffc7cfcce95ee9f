// Sculpting a surface of revolution: axis strokes edit the axis turned to the picked section
// point's angle; section strokes edit the section placed at the picked axis point.
#include <cmath>

#include "elements/Curve.h"
#include "elements/CurveSurfaceSculpt.h"
#include "elements/PatchSearch.h"
#include "elements/Revoluton.h"

namespace kal {

using surfacesculpt::LocalSpace;
using surfacesculpt::StrokeCall;

namespace {

vec3 onSurface(vec3 a, vec3 s) { return s * Revoluton::surfaceFrame(a) + vec3(0, a.y, 0); }

// The quad of axis segment (a0, a1) and section segment (s0, s1) searched for q: false when q
// lies nowhere near it.
bool searchQuad(vec3 a0, vec3 a1, vec3 s0, vec3 s1, vec3 q, float& v, float& u, vec3& X) {
    const vec3 P00 = onSurface(a0, s0), P10 = onSurface(a1, s0), P01 = onSurface(a0, s1), P11 = onSurface(a1, s1);
    X = closestPatchPoint(P00, P10, P01, P11, q, v, u);
    return pickOnPatch(P00, P10, P01, P11, q, X);
}

bool sectionEnds(Curve& section, uint32_t s, vec3& s0, vec3& s1) {
    if (!surfacesculpt::segmentEnds(section, s, s0, s1)) return false;
    s0 = section.toLocal(s0);
    s1 = section.toLocal(s1);
    return true;
}

} // namespace

void Revoluton::symmetryFrames(std::vector<SymmetryOp>& ops, vec3 point, vec3 direction, uint8_t mirrorX,
                               uint8_t mirrorY, uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ,
                               int32_t count, std::vector<vec3>& positions, std::vector<mat3>& frames,
                               std::vector<float>& weights, int32_t itemId, uint8_t sectionMode) {
    if (!sectionMode && axis) {
        axis->symmetryFrames(ops, point, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count,
                             positions, frames, weights, itemId, 0);
        return;
    }
    if (!axis || !section) {
        Element::symmetryFrames(ops, point, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count,
                                positions, frames, weights, itemId, sectionMode);
        return;
    }
    const size_t first = positions.size();
    const LocalSpace L(*this);
    const vec3 q = L.toStored(point);
    const vec3 d = L.directionToStored(direction);
    vec3 c = q;
    if (!pickFrozen()) {
        const uint32_t id = uint32_t(itemId);
        vec3 a0, a1, s0, s1;
        pickLocated = itemId >= 0 && surfacesculpt::segmentEnds(*axis, id >> 16, a0, a1) &&
                      sectionEnds(*section, id & 0xFFFF, s0, s1);
        float v = 0.0f, u = 0.0f;
        vec3 X;
        pickLocated = pickLocated && searchQuad(a0, a1, s0, s1, q, v, u, X);
        if (pickLocated) {
            c = X;
            axisPoint = a0 * (1.0f - v) + a1 * v;
        }
    }
    const vec3 P = axisPoint;
    const float R2 = P.x * P.x + P.z * P.z;
    // an axis point on the Y axis places the section in one point: nothing to copy it around
    if (!pickLocated || !(R2 > 1e-20f)) {
        Element::symmetryFrames(ops, point, direction, 0, 0, 0, 0, 0, 0, count, positions, frames, weights, itemId,
                                sectionMode);
        return;
    }
    const float R = std::sqrt(R2);
    const vec3 sp((c.x * P.x + c.z * P.z) / R2, (c.z * P.x - c.x * P.z) / R2, (c.y - P.y) / R);
    vec3 sd((d.x * P.x + d.z * P.z) / R2, (d.z * P.x - d.x * P.z) / R2, d.y / R);
    sd = normalize(sd);
    section->symmetryFrames(ops, sp, sd, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count, positions,
                            frames, weights, itemId, 1);
    surfacesculpt::placeCopies(positions, frames, first, surfaceFrame(P), vec3(0, P.y, 0), L.M);
}

void Revoluton::applyAxisStroke(StrokeCall& call) {
    Curve* target = axis ? surfacesculpt::editTarget(axis) : nullptr;
    if (!target || !section) {
        endStrokeCall(call, true);
        return;
    }
    if (editPreview && !ownsWorkingCurve(false)) dropWorkingCurve();
    const bool firstCall = editPreview == nullptr;
    surfacesculpt::copyGestures(call, *axis, firstCall, nullptr);
    if (firstCall) {
        StrokeSample& picked = call.received.front()->samples.front();
        const int32_t m = picked.itemId;
        int32_t k = m < 0 ? -1 : int32_t(uint32_t(m) >> 16);
        if (k >= 0 && axis->typeCode == UCurveType) {
            // the surface was drawn from the following curve: its segment names the source's
            const int32_t a = k < axis->segmentCount() ? axis->segments[size_t(k)].a : -1;
            k = a >= 0 && a < axis->pointCount() ? axis->points[size_t(a)].link : -1;
        }
        vec3 a0, a1, s0, s1;
        if (k < 0 || !surfacesculpt::segmentEnds(*target, uint32_t(k), a0, a1) ||
            !sectionEnds(*section, uint32_t(m) & 0xFFFF, s0, s1)) {
            endStrokeCall(call, true);
            return;
        }
        float v = 0.0f, u = 0.0f;
        vec3 snapped;
        const bool onQuad = searchQuad(a0, a1, s0, s1, picked.point, v, u, snapped);
        const vec3 G = s0 * (1.0f - u) + s1 * u;
        // a section point on the element's Y axis turns the axis onto that axis: no way back
        if (!onQuad || !(G.x * G.x + G.y * G.y > 1e-20f)) {
            endStrokeCall(call, true);
            return;
        }
        picked.point = snapped;
        gesturePoint = G;
        startWorkingCurve(*target, false, [&](vec3 p) {
            const float r = std::sqrt(p.x * p.x + p.z * p.z);
            return vec3(p.x * G.x - p.z * G.y, r * G.z + p.y, p.x * G.y + p.z * G.x);
        });
    }
    const vec3 G = gesturePoint;
    const float g2 = G.x * G.x + G.y * G.y;
    editThroughWorkingCurve(call, *target, nullptr, [&](vec3 p) {
        const float x = (p.x * G.x + p.z * G.y) / g2, z = (p.z * G.x - p.x * G.y) / g2;
        return vec3(x, p.y - G.z * std::sqrt(x * x + z * z), z);
    });
    endStrokeCall(call, false);
}

void Revoluton::applySectionStroke(StrokeCall& call) {
    Curve* target = section ? surfacesculpt::editTarget(section) : nullptr;
    const vec3 P = axisPoint;
    const float R2 = P.x * P.x + P.z * P.z;
    if (!target || !pickLocated || !(R2 > 1e-20f)) {
        endStrokeCall(call, true);
        return;
    }
    if (editPreview && !ownsWorkingCurve(true)) dropWorkingCurve();
    const bool firstCall = editPreview == nullptr;
    surfacesculpt::copyGestures(call, *section, firstCall, nullptr);
    const mat3 F = surfaceFrame(P);
    const float R = std::sqrt(R2);
    if (firstCall) startWorkingCurve(*target, true, [&](vec3 p) { return target->toLocal(p) * F + vec3(0, P.y, 0); });
    // turns and scalings centre on the placed section's own origin
    const vec3 centre(0, P.y, 0);
    editThroughWorkingCurve(call, *target, &centre, [&](vec3 p) {
        return target->toWorld(vec3((p.x * P.x + p.z * P.z) / R2, (p.z * P.x - p.x * P.z) / R2, (p.y - P.y) / R));
    });
    endStrokeCall(call, false);
}

} // namespace kal
