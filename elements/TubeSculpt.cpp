// Sculpting a tube: a pick on its surface is located on the quad its id names (which axis point,
// which section point), the symmetric copies are made where the edited curve lives, and a stroke
// is handed to the axis or, through a working copy placed at the picked axis point, the section.
#include <cmath>

#include "elements/Curve.h"
#include "elements/CurveSurfaceSculpt.h"
#include "elements/PatchSearch.h"
#include "elements/Tube.h"

namespace kal {

using surfacesculpt::StrokeCall;

bool Tube::locatePick(vec3 q, int32_t itemId, vec3& c) {
    if (itemId < 0) return false;
    const uint32_t id = uint32_t(itemId);
    vec3 a0, a1, s0, s1;
    if (!surfacesculpt::segmentEnds(*axis, id >> 16, a0, a1) ||
        !surfacesculpt::segmentEnds(*section, id & 0xFFFF, s0, s1))
        return false;
    s0 = sectionToLocal(s0);
    s1 = sectionToLocal(s1);
    axis->updateFrames(false);
    const CurveSegment& seg = axis->segments[id >> 16];
    const mat3 F0 = Curve::pointFrame(*axis, seg.a), F1 = Curve::pointFrame(*axis, seg.b);
    const vec3 P00 = a0 + s0 * F0, P10 = a1 + s0 * F1, P01 = a0 + s1 * F0, P11 = a1 + s1 * F1;
    float v = 0.0f, u = 0.0f;
    const vec3 X = closestPatchPoint(P00, P10, P01, P11, q, v, u);
    if (!pickOnPatch(P00, P10, P01, P11, q, X)) return false;
    c = X;
    axisPoint = a0 * (1.0f - v) + a1 * v;
    for (int k = 0; k < 9; ++k) pickFrame.m[k] = F0.m[k] + (F1.m[k] - F0.m[k]) * v;
    pickFrameInverse = inverse(pickFrame);
    return true;
}

bool Tube::placedSection(mat3& frame, vec3& origin) const {
    mat3 inv;
    // a radius of 0 places the whole section in one point
    if (!pickLocated || !surfacesculpt::invertible(pickFrame, inv)) return false;
    frame = pickFrame;
    origin = axisPoint;
    return true;
}

vec3 Tube::intoSection(vec3 v, bool direction) const { return (direction ? v : v - axisPoint) * pickFrameInverse; }

void Tube::applyAxisStroke(StrokeCall& call) {
    if (!axis || !pickLocated) {
        endStrokeCall(call, true);
        return;
    }
    // a working curve of another stroke is never the axis's preview
    if (editPreview && editPreview != axis) dropWorkingCurve();
    surfacesculpt::copyGestures(call, *axis, editPreview == nullptr, &axisPoints);
    axis->applyGestures(call.list);
    surfacesculpt::writeBackIds(call, true);
    editPreview = axis;
    endStrokeCall(call, false);
}

} // namespace kal
