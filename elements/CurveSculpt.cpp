// Sculpting a curve: gathers of points under a brush, falloff kernels (smooth, deform, inflate,
// paint), moves, turns and scalings of a region, dragging a placed point, and plane cuts and
// clips. Edits gather points into selection records, work out one offset per selected point,
// add them with applyDrag and clear the selection.
#include <cmath>

#include "elements/Curve.h"
#include "foundation/Predicates.h"

namespace kal {

namespace {

// Both 1 at the centre (t = 0) and 0 at the rim (t = 1).
float smoothStepWeight(float t) { return 2 * t * t * t - 3 * t * t + 1; }
float quarticWeight(float t) { return 3 * t * t * t * t - 4 * t * t * t + 1; }

// A brush that can gather anything: a radius of zero, below or not a number gathers nothing.
bool usableRadius(float r) { return std::isfinite(r) && r > 0.0f; }

void gatherPoint(Curve& c, int p, float t, vec3 offset) {
    CurveSelectionRecord r;
    r.point = p;
    r.t = t;
    r.offset = offset;
    c.selectionRecords.push_back(r);
    CurvePoint& q = c.points[size_t(p)];
    if (q.flags & PointSelected) return;
    q.flags |= PointSelected;
    q.link = int32_t(c.selectedPoints.size());
    c.selectedPoints.push_back(uint32_t(p));
}

void selectSegment(Curve& c, int s) {
    CurveSegment& seg = c.segments[size_t(s)];
    if (seg.flags & SegmentVisited) return;
    seg.flags |= SegmentVisited;
    c.selectedSegments.push_back(uint32_t(s));
}

// The per-selected-point lists sized to the selection; new entries are zero.
void sizeDeltas(Curve& c) {
    const size_t n = c.selectedPoints.size();
    c.dragOffsets.resize(n);
    c.radiusDeltas.resize(n, 0.0f);
    c.twistDeltas.resize(n, 0.0f);
}

// Walks from the centre along the chain both ways; t is the arc length over the radius.
void gatherAlongChain(Curve& c, vec3 centre, float r, bool clear, int segment, uint8_t stopFlag) {
    segment = c.liveSegment(segment);
    if (segment < 0) segment = c.closestSegment(centre);
    if (segment < 0) return;
    if (clear) c.clearSelection();
    c.selectionRecords.clear();
    if (!usableRadius(r)) return;
    std::vector<int32_t> recordOf(size_t(c.pointCount()), -1);
    for (int side = 0; side < 2; ++side) {
        int s = segment, end = side;
        float t = 0.0f;
        vec3 previous = centre;
        // t grows on every step, so a walk ends; the bound guards a broken network
        for (int steps = 0; steps <= 2 * c.segmentCount(); ++steps) {
            selectSegment(c, s);
            const int e = c.segments[size_t(s)].end(end);
            const vec3 at = c.points[size_t(e)].position;
            t += length(at - previous) / r;
            if (t > 1.0f) break;
            const int32_t k = recordOf[size_t(e)];
            if (k >= 0) {
                if (c.selectionRecords[size_t(k)].t <= t) break;
                c.selectionRecords[size_t(k)].t = t;
            } else {
                recordOf[size_t(e)] = int32_t(c.selectionRecords.size());
                gatherPoint(c, e, t, vec3());
            }
            if (c.points[size_t(e)].flags & stopFlag) break;
            const int next = c.segments[size_t(s)].neighbour[end];
            if (c.liveSegment(next) < 0) break;
            end = c.segments[size_t(next)].a == e ? 1 : 0;
            previous = at;
            s = next;
        }
    }
}

// Selects the region a move works on and answers its centre: the patch (mode 1) or chain (3)
// under `from` with their points, or every point (0, 2) about the curve's placement.
vec3 selectRegionByMode(Curve& c, vec3 from, int& segment, int mode) {
    if (mode == 0 || mode == 2) {
        c.selectAll();
        return c.translation;
    }
    if (mode == 1) {
        c.selectPatch(from, true, segment);
    } else {
        c.selectComponent(from, true, segment);
    }
    c.selectionRecords.clear();
    dvec3 sum;
    for (uint32_t s : c.selectedSegments)
        for (int k = 0; k < 2; ++k) {
            const int p = c.segments[s].end(k);
            if (c.points[size_t(p)].flags & PointSelected) continue;
            gatherPoint(c, p, 0.0f, vec3());
            sum = sum + dvec3(c.points[size_t(p)].position);
        }
    const size_t n = c.selectedPoints.size();
    return n ? (sum / double(n)).toFloat() : c.translation;
}

// m applied about the centre, minus the identity on the diagonal: the matrix transformOffsets takes.
mat4 offsetTransform(const mat3& m, vec3 centre) {
    mat4 M = mat4::translation(-centre);
    M *= mat4::fromMat3(m);
    M *= mat4::translation(centre);
    M[0] -= 1.0f;
    M[5] -= 1.0f;
    M[10] -= 1.0f;
    return M;
}

vec3 acrossAxis(vec3 u, vec3 axis) {
    const vec3 a = normalize(axis);
    return u - a * dot(a, u);
}

void finishDrag(Curve& c, bool radiusToo) {
    c.applyDrag(true, radiusToo, radiusToo);
    c.clearSelection();
}

} // namespace

void Curve::gatherSphere(vec3 centre, float r, bool clear) {
    if (clear) clearSelection();
    selectionRecords.clear();
    if (!usableRadius(r)) return;
    const double r2 = double(r) * r;
    for (int i = 0; i < pointCount(); ++i) {
        const CurvePoint& p = points[size_t(i)];
        if (!p.alive()) continue;
        const vec3 d = p.position - centre;
        if (std::fabs(d.x) > r || std::fabs(d.y) > r || std::fabs(d.z) > r || lengthSquared(d) > r2) continue;
        gatherPoint(*this, i, kal::length(d) / r, d);
    }
}

void Curve::gatherAlong(vec3 centre, float r, bool clear, int segment) {
    gatherAlongChain(*this, centre, r, clear, segment, PointChainEnd);
}

void Curve::gatherAlongPatch(vec3 centre, float r, bool clear, int segment) {
    gatherAlongChain(*this, centre, r, clear, segment, PointMarked);
}

void Curve::smoothKernel(float strength) {
    sizeDeltas(*this);
    for (const CurveSelectionRecord& r : selectionRecords) {
        const CurvePoint& p = points[size_t(r.point)];
        const float w = smoothStepWeight(r.t) * strength;
        const size_t k = size_t(p.link);
        dragOffsets[k] += (smoothTarget(r.point) - p.position) * w;
        radiusDeltas[k] += (neighbourRadius(r.point) - p.radius) * w;
        twistDeltas[k] += (neighbourTwist(r.point) - p.twist) * w;
    }
}

void Curve::smoothSphere(vec3 centre, float r) {
    gatherSphere(centre, r, true);
    smoothKernel(0.5f);
    finishDrag(*this, true);
}

void Curve::smoothAlong(vec3 centre, float r, int segment) {
    gatherAlong(centre, r, true, segment);
    smoothKernel(0.5f);
    finishDrag(*this, true);
}

void Curve::deformOffsets(vec3 d) {
    sizeDeltas(*this);
    for (const CurveSelectionRecord& r : selectionRecords)
        dragOffsets[size_t(points[size_t(r.point)].link)] += d * quarticWeight(r.t);
}

void Curve::deformSphere(vec3 from, vec3 to, float r) {
    if (points.empty()) return;
    gatherSphere(from, r, true);
    deformOffsets(to - from);
    finishDrag(*this, false);
}

void Curve::deformAlong(vec3 from, vec3 to, float r, int segment) {
    if (points.empty()) return;
    gatherAlong(from, r, true, segment);
    deformOffsets(to - from);
    finishDrag(*this, false);
}

void Curve::inflate(vec3 from, vec3 to, float r, int segment) {
    segment = liveSegment(segment);
    if (segment < 0) segment = closestSegment(from);
    if (segment < 0) return;
    gatherAlong(from, r, true, segment);
    const vec3 a = points[size_t(segments[size_t(segment)].a)].position;
    const vec3 u = normalize(points[size_t(segments[size_t(segment)].b)].position - a);
    auto offAxis = [&](vec3 q) { return kal::length((q - a) - u * dot(q - a, u)); };
    const float dFrom = offAxis(from), dTo = offAxis(to);
    const float k = (dTo - dFrom) / dFrom;
    // on the axis there is no scale to grow from: infinite radii would be saved
    if (dFrom > 1e-10f && std::isfinite(k))
        for (const CurveSelectionRecord& rec : selectionRecords)
            points[size_t(rec.point)].radius *= 1.0f + quarticWeight(rec.t) * k;
    clearSelection();
}

void Curve::paintMaterial(vec3 centre, float r, int segment, const pbr& material, uint8_t mask, float strength) {
    gatherAlongPatch(centre, r, true, segment);
    const pbrFloat target = pbrFloat::fromPbr(material);
    std::vector<int32_t> segs;
    for (const CurveSelectionRecord& rec : selectionRecords) {
        const float w = smoothStepWeight(rec.t) * strength;
        pointSegments(rec.point, segs);
        for (int32_t s : segs) {
            CurveSegment& seg = segments[size_t(s)];
            if (!(seg.flags & SegmentVisited)) continue;
            pbr& end = seg.material[seg.a == rec.point ? 0 : 1];
            const pbrFloat now = pbrFloat::fromPbr(end);
            pbrFloat blended;
            for (int i = 0; i < 10; ++i) blended[i] = now[i] + (target[i] - now[i]) * w;
            // toPbr clamps before the integer conversion
            pbrCopyMasked(end, pbrFloat::toPbr(blended), mask);
        }
    }
    clearSelection();
}

void Curve::translateOffsets(vec3 d) {
    sizeDeltas(*this);
    for (const CurveSelectionRecord& r : selectionRecords) dragOffsets[size_t(points[size_t(r.point)].link)] += d;
}

void Curve::scaleOffsets(vec3 centre, float factor) {
    sizeDeltas(*this);
    for (const CurveSelectionRecord& r : selectionRecords) {
        const CurvePoint& p = points[size_t(r.point)];
        dragOffsets[size_t(p.link)] = (p.position - centre) * (factor - 1.0f);
    }
}

void Curve::transformOffsets(const mat4& M) {
    sizeDeltas(*this);
    for (const CurveSelectionRecord& r : selectionRecords) {
        const CurvePoint& p = points[size_t(r.point)];
        const vec3 q = p.position;
        const float w = M[12] * q.x + M[13] * q.y + M[14] * q.z + M[15];
        const vec3 moved(M[0] * q.x + M[1] * q.y + M[2] * q.z + M[3], M[4] * q.x + M[5] * q.y + M[6] * q.z + M[7],
                         M[8] * q.x + M[9] * q.y + M[10] * q.z + M[11]);
        dragOffsets[size_t(p.link)] = moved / w;
    }
}

void Curve::scaleAlongDirection(vec3 centre, vec3 direction, float factor) {
    transformOffsets(offsetTransform(mat3::stretch(direction, factor - 1.0f), centre));
}

void Curve::movePatch(vec3 from, vec3 to, int& segment) {
    selectRegionByMode(*this, from, segment, 1);
    translateOffsets(to - from);
    finishDrag(*this, false);
}

void Curve::moveComponent(vec3 from, vec3 to, int& segment) {
    selectRegionByMode(*this, from, segment, 3);
    translateOffsets(to - from);
    finishDrag(*this, false);
}

void Curve::rotateSelection(vec3 from, vec3 to, int segment, int mode, vec3 axis) {
    if (from == to) return;
    const vec3 c = selectRegionByMode(*this, from, segment, mode);
    vec3 a = from - c, l = to - c;
    // a rotation about a given axis turns only the parts across it
    if (!(axis == vec3(0, 0, 0))) {
        a = acrossAxis(a, axis);
        l = acrossAxis(l, axis);
    }
    transformOffsets(offsetTransform(mat3::rotationBetween(a, l), c));
    finishDrag(*this, false);
}

void Curve::scaleSelection(vec3 from, vec3 to, int segment, int mode, bool uniform) {
    if (from == to) return;
    const vec3 c = selectRegionByMode(*this, from, segment, mode);
    if (uniform) {
        const double before = lengthSquared(from - c);
        // a drag from the centre itself has no scale to start from
        if (before > 1e-20) scaleOffsets(c, float(std::sqrt(lengthSquared(to - c) / before)));
    } else {
        const vec3 d = to - from;
        const float eFrom = std::fabs(dot(from - c, d)), eTo = std::fabs(dot(to - c, d));
        if (2 * eFrom <= eTo || 2 * eTo <= eFrom) {
            clearSelection();
            return;
        }
        scaleAlongDirection(c, d, eTo / eFrom);
    }
    finishDrag(*this, false);
}

void Curve::dragPlacedPoint(int p, vec3 to) {
    if (p < 0 || p >= pointCount() || !points[size_t(p)].alive()) return;
    std::vector<int32_t> segs, run;
    pointSegments(p, segs);
    for (size_t k = 0; k < segs.size(); ++k) {
        selectionRecords.clear();
        run.clear();
        const int m = walkRun(p, segs[k], run);
        if (m < 0) continue; // round a loop without another marked point
        const vec3 fixed = points[size_t(m)].position, at = points[size_t(p)].position;
        if (fixed == at) continue;
        const mat4 M = mat4::frameFromPoints(fixed, at, to);
        for (size_t i = k == 0 ? 0 : 1; i < run.size(); ++i) gatherPoint(*this, run[i], 0.0f, vec3());
        mat4 offsets = M;
        offsets[0] -= 1.0f;
        offsets[5] -= 1.0f;
        offsets[10] -= 1.0f;
        transformOffsets(offsets);
    }
    finishDrag(*this, false);
}

namespace {

// Selects every point in front of the plane and splits the segments that cross it, marking
// the cut points; answers nothing. A point on the plane counts as behind it.
void splitAtPlane(Curve& c, vec3 P, vec3 N) {
    c.clearSelection();
    const int n = c.pointCount(), m = c.segmentCount();
    for (int i = 0; i < n; ++i) {
        CurvePoint& p = c.points[size_t(i)];
        if (!p.alive() || dot(p.position - P, N) <= 0.0f) continue;
        p.flags |= PointSelected;
        p.link = int32_t(c.selectedPoints.size());
        c.selectedPoints.push_back(uint32_t(i));
    }
    for (int s = 0; s < m; ++s) {
        const CurveSegment seg = c.segments[size_t(s)];
        if (!seg.alive()) continue;
        const bool inA = c.points[size_t(seg.a)].flags & PointSelected;
        const bool inB = c.points[size_t(seg.b)].flags & PointSelected;
        if (inA == inB) continue;
        const dvec3 x = segmentPlaneIntersection(dvec3(P), dvec3(N), dvec3(c.points[size_t(seg.a)].position),
                                                 dvec3(c.points[size_t(seg.b)].position));
        c.splitSegmentAt(s, x.toFloat(), true);
    }
}

} // namespace

void Curve::cutPlane(vec3 P, vec3 N) {
    splitAtPlane(*this, P, N);
    clearSelection();
}

void Curve::clipPlane(vec3 P, vec3 N) {
    splitAtPlane(*this, P, N);
    std::vector<int32_t> segs;
    const std::vector<uint32_t> front = selectedPoints;
    for (uint32_t p : front) {
        pointSegments(int(p), segs);
        for (int32_t s : segs) selectSegment(*this, s);
    }
    for (uint32_t s : selectedSegments)
        if (segments[s].alive()) removeSegment(int(s));
    clearSelection();
    cleanup(false);
}

} // namespace kal
