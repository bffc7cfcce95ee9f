// Sculpting a tube: a pick on its surface is located on the quad its id names (which axis point,
// which section point), the symmetric copies are made where the edited curve lives, and a stroke
// is handed to the axis or, through a working copy placed at the picked axis point, the section.
#include <cmath>

#include "elements/Curve.h"
#include "elements/CurveSurfaceSculpt.h"
#include "elements/PatchSearch.h"
#include "elements/Tube.h"

namespace kal {

using surfacesculpt::LocalSpace;
using surfacesculpt::StrokeCall;

bool Tube::locatePick(vec3 q, int32_t itemId, vec3& c) {
    if (itemId < 0) return false;
    const uint32_t id = uint32_t(itemId);
    vec3 a0, a1, s0, s1;
    if (!surfacesculpt::segmentEnds(*axis, id >> 16, a0, a1) || !surfacesculpt::segmentEnds(*section, id & 0xFFFF, s0, s1))
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

void Tube::symmetryFrames(std::vector<SymmetryOp>& ops, vec3 point, vec3 direction, uint8_t mirrorX, uint8_t mirrorY,
                          uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                          std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& weights,
                          int32_t itemId, uint8_t sectionMode) {
    if (!axis || !section) {
        Element::symmetryFrames(ops, point, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count,
                                positions, frames, weights, itemId, sectionMode);
        return;
    }
    const size_t first = positions.size();
    const LocalSpace L(*this);
    const vec3 q = L.toStored(point);
    vec3 c = q;
    if (!pickFrozen()) pickLocated = locatePick(q, itemId, c);

    if (!sectionMode) {
        axis->symmetryFrames(ops, point, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count,
                             positions, frames, weights, itemId, 0);
        if (!pickLocated) return;
        // copied in local space like the picks, so entry g lies under pick g wherever the tube stands
        std::vector<vec3> starts;
        std::vector<mat3> scratchFrames;
        std::vector<float> scratchWeights;
        axis->symmetryFrames(ops, axisPoint * L.M, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ,
                             count, starts, scratchFrames, scratchWeights, itemId, 0);
        axisPoints.clear();
        for (vec3 s : starts) axisPoints.push_back(L.toStored(s));
        return;
    }

    mat3 inv;
    // a radius of 0 places the whole section in one point: nothing to copy it around
    if (!pickLocated || !surfacesculpt::invertible(pickFrame, inv)) {
        Element::symmetryFrames(ops, point, direction, 0, 0, 0, 0, 0, 0, count, positions, frames, weights, itemId,
                                sectionMode);
        return;
    }
    const vec3 sp = (c - axisPoint) * inv;
    const vec3 sd = L.directionToStored(direction) * inv;
    section->symmetryFrames(ops, sp, sd, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count, positions,
                            frames, weights, itemId, 1);
    surfacesculpt::placeCopies(positions, frames, first, pickFrame, axisPoint, L.M);
}

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

void Tube::applySectionStroke(StrokeCall& call) {
    Curve* target = section ? surfacesculpt::editTarget(section) : nullptr;
    mat3 inv;
    if (!target || !pickLocated || !surfacesculpt::invertible(pickFrame, inv)) {
        endStrokeCall(call, true);
        return;
    }
    if (editPreview && !ownsWorkingCurve(true)) dropWorkingCurve();
    const bool firstCall = editPreview == nullptr;
    surfacesculpt::copyGestures(call, *section, firstCall, nullptr);
    const mat3 F = pickFrame;
    const vec3 at = axisPoint;
    if (firstCall)
        startWorkingCurve(*target, true, [&](vec3 p) { return target->toLocal(p) * F + at; });
    editThroughWorkingCurve(call, *target, &at, [&](vec3 p) { return target->toWorld((p - at) * inv); });
    endStrokeCall(call, false);
}

} // namespace kal
