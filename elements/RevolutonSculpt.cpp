// Sculpting a surface of revolution: axis strokes edit the axis turned to the picked section
// point's angle; section strokes edit the section placed at the picked axis point.
#include <cmath>

#include "elements/Curve.h"
#include "elements/CurveSurfaceSculpt.h"
#include "elements/PatchSearch.h"
#include "elements/Revoluton.h"

namespace kal {

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

bool Revoluton::locatePick(vec3 q, int32_t itemId, vec3& c) {
    const uint32_t id = uint32_t(itemId);
    vec3 a0, a1, s0, s1;
    float v = 0.0f, u = 0.0f;
    vec3 X;
    if (itemId < 0 || !surfacesculpt::segmentEnds(*axis, id >> 16, a0, a1) ||
        !sectionEnds(*section, id & 0xFFFF, s0, s1) || !searchQuad(a0, a1, s0, s1, q, v, u, X))
        return false;
    c = X;
    axisPoint = a0 * (1.0f - v) + a1 * v;
    return true;
}

bool Revoluton::placedSection(mat3& frame, vec3& origin) const {
    const vec3 P = axisPoint;
    // an axis point on the Y axis places the section in one point
    if (!pickLocated || !(P.x * P.x + P.z * P.z > 1e-20f)) return false;
    frame = surfaceFrame(P);
    origin = vec3(0, P.y, 0);
    return true;
}

vec3 Revoluton::intoSection(vec3 v, bool direction) const {
    const vec3 P = axisPoint;
    const float R2 = P.x * P.x + P.z * P.z, R = std::sqrt(R2);
    const vec3 s((v.x * P.x + v.z * P.z) / R2, (v.z * P.x - v.x * P.z) / R2, (direction ? v.y : v.y - P.y) / R);
    return direction ? normalize(s) : s;
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

} // namespace kal
