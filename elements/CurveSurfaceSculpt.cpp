// Sculpting tubes and revolutions through their curves: the shared translation of gestures and
// the working curve, and the element's end of a stroke.
#include "elements/CurveSurfaceSculpt.h"

#include <cmath>

#include "elements/Curve.h"
#include "elements/UCurve.h"

namespace kal {

void CurveSurface::dropWorkingCurve() {
    // the tube's axis strokes preview the axis itself: that one is never ours to delete
    if (editPreview && editPreview != axis && editPreview != section) delete editPreview;
    editPreview = nullptr;
}

void CurveSurface::cancelGestures() {
    dropWorkingCurve();
    strokeRefused = false;
}

void CurveSurface::applyGestures(const std::vector<Gesture*>& gestures) {
    surfacesculpt::StrokeCall call;
    if (!surfacesculpt::readGestures(gestures, call)) return;
    if (!startStrokeCall(call)) {
        endStrokeCall(call, false);
        return;
    }
    if (call.sectionMode)
        applySectionStroke(call);
    else
        applyAxisStroke(call);
}

bool CurveSurface::startStrokeCall(const surfacesculpt::StrokeCall& call) {
    // a new stroke never edits through what an earlier one left behind
    if (call.received.front()->isStarted()) cancelGestures();
    return !strokeRefused;
}

void CurveSurface::endStrokeCall(const surfacesculpt::StrokeCall& call, bool refused) {
    if (call.finished) {
        dropWorkingCurve();
        strokeRefused = false;
    } else if (refused) {
        dropWorkingCurve();
        strokeRefused = true;
    }
    changeStamp();
}

bool CurveSurface::ownsWorkingCurve(bool sectionStroke) const {
    return editPreview && editPreview != axis && editPreview != section && workingOnSection == sectionStroke;
}

Curve& CurveSurface::startWorkingCurve(const Curve& target, bool sectionStroke,
                                       const std::function<vec3(vec3)>& place) {
    Curve* w = surfacesculpt::newWorkingCurve(*this, target);
    for (CurvePoint& p : w->points) p.position = place(p.position);
    w->translation = translation;
    w->scale = scale;
    editPreview = w;
    workingOnSection = sectionStroke;
    return *w;
}

void CurveSurface::editThroughWorkingCurve(surfacesculpt::StrokeCall& call, Curve& target, const vec3* centre,
                                           const std::function<vec3(vec3)>& back) {
    Curve& w = *editPreview;
    // the curve operations turn and scale about the curve's translation
    if (centre) w.translation = *centre;
    w.applyGestures(call.list);
    w.translation = translation;
    surfacesculpt::writeBackIds(call, !call.sectionMode);
    surfacesculpt::takeWorkingCurve(*this, target, w);
    for (CurvePoint& p : target.points) p.position = back(p.position);
}

void CurveSurface::symmetryFrames(std::vector<SymmetryOp>& ops, vec3 point, vec3 direction, uint8_t mirrorX,
                                  uint8_t mirrorY, uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ,
                                  int32_t count, std::vector<vec3>& positions, std::vector<mat3>& frames,
                                  std::vector<float>& weights, int32_t itemId, uint8_t sectionMode) {
    const bool axisOnly = !sectionMode && !axisStrokesStartAtPick();
    if (axisOnly && axis) {
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
    const surfacesculpt::LocalSpace L(*this);
    const vec3 q = L.toStored(point);
    vec3 c = q;
    if (!pickFrozen()) pickLocated = locatePick(q, itemId, c);

    if (!sectionMode) {
        axis->symmetryFrames(ops, point, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count,
                             positions, frames, weights, itemId, 0);
        if (!pickLocated) return;
        // copied in local space like the picks, so entry g lies under pick g wherever the surface stands
        std::vector<vec3> starts;
        std::vector<mat3> scratchFrames;
        std::vector<float> scratchWeights;
        axis->symmetryFrames(ops, axisPoint * L.M, direction, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ,
                             count, starts, scratchFrames, scratchWeights, itemId, 0);
        axisPoints.clear();
        for (vec3 s : starts) axisPoints.push_back(L.toStored(s));
        return;
    }

    mat3 F;
    vec3 origin;
    // a section squeezed into one point: nothing to copy it around
    if (!placedSection(F, origin)) {
        Element::symmetryFrames(ops, point, direction, 0, 0, 0, 0, 0, 0, count, positions, frames, weights, itemId,
                                sectionMode);
        return;
    }
    section->symmetryFrames(ops, intoSection(c, false), intoSection(L.directionToStored(direction), true), mirrorX,
                            mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count, positions, frames, weights, itemId, 1);
    surfacesculpt::placeCopies(positions, frames, first, F, origin, L.M);
}

void CurveSurface::applySectionStroke(surfacesculpt::StrokeCall& call) {
    Curve* target = section ? surfacesculpt::editTarget(section) : nullptr;
    mat3 F;
    vec3 origin;
    if (!target || !placedSection(F, origin)) {
        endStrokeCall(call, true);
        return;
    }
    if (editPreview && !ownsWorkingCurve(true)) dropWorkingCurve();
    const bool firstCall = editPreview == nullptr;
    surfacesculpt::copyGestures(call, *section, firstCall, nullptr);
    if (firstCall) startWorkingCurve(*target, true, [&](vec3 p) { return target->toLocal(p) * F + origin; });
    // turns and scalings centre on the placed section's own origin
    editThroughWorkingCurve(call, *target, &origin, [&](vec3 p) { return target->toWorld(intoSection(p, false)); });
    endStrokeCall(call, false);
}

namespace surfacesculpt {

bool readGestures(const std::vector<Gesture*>& gestures, StrokeCall& call) {
    call.received.clear();
    for (Gesture* g : gestures) {
        auto* s = dynamic_cast<Sculptor*>(g);
        if (!s || s->samples.empty()) return false;
        call.received.push_back(s);
    }
    if (call.received.empty()) return false;
    call.sectionMode = call.received.front()->sectionFlag != 0;
    call.finished = call.received.front()->isFinished();
    return true;
}

namespace {

int32_t rewriteId(int32_t id, const Curve& part, bool sectionMode, bool mapLinks) {
    if (id < 0) return id;
    id = sectionMode ? (id & 0xFFFF) : int32_t(uint32_t(id) >> 16);
    if (mapLinks && part.typeCode == UCurveType) {
        // a following curve's segment stands for the source segment its first point came from
        if (id >= part.segmentCount()) return -1;
        const int32_t a = part.segments[size_t(id)].a;
        id = a >= 0 && a < part.pointCount() ? part.points[size_t(a)].link : -1;
    }
    return id;
}

} // namespace

void copyGestures(StrokeCall& call, const Curve& part, bool mapLinks, const std::vector<vec3>* starts) {
    call.copies.clear();
    call.list.clear();
    for (size_t g = 0; g < call.received.size(); ++g) {
        auto copy = std::make_unique<Sculptor>(*call.received[g]);
        // inflating and deflating act where the surface is, not along the axis
        const bool keepsSurface = copy->action == Brush::Inflate || copy->action == Brush::Deflate;
        if (starts && g < starts->size() && !keepsSurface) {
            const vec3 origin = copy->samples.front().point;
            for (StrokeSample& s : copy->samples) s.point = (s.point - origin) + (*starts)[g];
        }
        for (StrokeSample& s : copy->samples) s.itemId = rewriteId(s.itemId, part, call.sectionMode, mapLinks);
        call.list.push_back(copy.get());
        call.copies.push_back(std::move(copy));
    }
}

void writeBackIds(StrokeCall& call, bool highHalf) {
    for (size_t g = 0; g < call.received.size(); ++g) {
        const uint32_t low = uint32_t(call.copies[g]->samples.front().itemId) & 0xFFFFu;
        int32_t& id = call.received[g]->samples.front().itemId;
        const uint32_t old = uint32_t(id);
        id = int32_t(highHalf ? (old & 0xFFFFu) | (low << 16) : (old & 0xFFFF0000u) | low);
    }
}

Curve* newWorkingCurve(const CurveSurface& s, const Curve& target) {
    auto* w = new Curve(0);
    w->points = target.points;
    w->segments = target.segments;
    w->geometryDirty = s.rebuildNeeded;
    w->uploadNeeded = s.stale[CurveSurface::StalePositions];
    w->normalsPending = s.stale[CurveSurface::StaleNormals];
    w->materialsPending = s.stale[CurveSurface::StaleMaterials];
    w->idsPending = s.stale[CurveSurface::StaleIds];
    return w;
}

void takeWorkingCurve(CurveSurface& s, Curve& target, const Curve& working) {
    target.setGeometry(working, true);
    s.stale[CurveSurface::StalePositions] = working.uploadNeeded;
    s.stale[CurveSurface::StaleNormals] = working.normalsPending;
    s.stale[CurveSurface::StaleMaterials] = working.materialsPending;
    s.stale[CurveSurface::StaleIds] = working.idsPending;
    s.rebuildNeeded = working.geometryDirty;
}

bool segmentEnds(const Curve& c, uint32_t s, vec3& a, vec3& b) {
    if (s >= uint32_t(c.segmentCount())) return false;
    const CurveSegment& seg = c.segments[s];
    if (!seg.alive() || seg.a < 0 || seg.b < 0 || seg.a >= c.pointCount() || seg.b >= c.pointCount()) return false;
    a = c.points[size_t(seg.a)].position;
    b = c.points[size_t(seg.b)].position;
    return true;
}

Curve* editTarget(Curve* part) {
    if (part && part->typeCode == UCurveType) return static_cast<UCurve*>(part)->source;
    return part;
}

LocalSpace::LocalSpace(Element& e) : M(e.inverseTransform()), N(inverse(M.upper3())), t(M.translation()) {}

void placeCopies(std::vector<vec3>& positions, std::vector<mat3>& frames, size_t first, const mat3& F, vec3 origin,
                 const mat4& M) {
    for (size_t i = first; i < positions.size(); ++i) positions[i] = (positions[i] * F + origin) * M;
    for (size_t i = first; i < frames.size(); ++i) frames[i] = mat3::rotatedBy(F * frames[i], M);
}

bool invertible(const mat3& m, mat3& inverseOut) {
    const float d = det(m);
    if (!(std::fabs(d) > 1e-30f) || !std::isfinite(d)) return false;
    inverseOut = inverse(m);
    for (float x : inverseOut.m)
        if (!std::isfinite(x)) return false;
    return true;
}

} // namespace surfacesculpt
} // namespace kal
