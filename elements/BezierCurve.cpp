#include "elements/BezierCurve.h"

#include <algorithm>
#include <cmath>

#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

bool movedNoticeably(vec3 a, vec3 b) {
    const vec3 d = a - b;
    return std::fabs(d.x) > 0.01f || std::fabs(d.y) > 0.01f || std::fabs(d.z) > 0.01f;
}

// The part of n across the unit direction t, normalised when it has a length.
vec3 across(vec3 n, vec3 t) { return normalize(n - t * dot(n, t)); }

} // namespace

BezierCurve::BezierCurve(const vec3& start, const vec3& end, int n) : Curve(0) {
    Curve::reset();
    sample(start, end, handle, n);
}

namespace {

constexpr int bezierRecordSegments = 50;

} // namespace

void BezierCurve::sample(const vec3& startDir, const vec3& endDir, float distance, int n) {
    if (n > 0) {
        points.resize(size_t(n) + 1);
        segments.resize(size_t(n));
        // the chain's free ends: marked, as every open chain's ends are
        for (size_t i : {size_t(0), size_t(n)}) points[i].flags |= PointMarked | PointChainEnd;
        for (int i = 0; i <= n; ++i) points[size_t(i)].segment = std::min(i, n - 1);
        for (int j = 0; j < n; ++j) {
            CurveSegment s;
            s.a = j;
            s.b = j + 1;
            s.neighbour[0] = j - 1;
            s.neighbour[1] = j + 1 < n ? j + 1 : -1;
            s.flags = uint8_t(SegmentAlive | (j == 0 ? SegmentMarkA : 0) | (j == n - 1 ? SegmentMarkB : 0));
            segments[size_t(j)] = s;
        }
    }
    // ends at one place (or no distance at all) give no handle length: nothing to place yet
    if (!(distance > 0.0f) || !std::isfinite(distance) || segments.empty()) return;

    const vec3 s = normalize(startDir), e = normalize(endDir);
    const float r = std::fabs(distance - lastDistance) / std::max({distance, lastDistance, 1e-5f});
    if (r <= 0.01f && !movedNoticeably(s, startDirection) && !movedNoticeably(e, endDirection)) return;

    lastDistance = distance;
    if (handle < 0.0f) handle = distance;
    const float k = handle / distance / 3.0f;
    startDirection = s;
    endDirection = e;

    const vec3 p1 = s * k, p2 = vec3(0, 0, 1) + e * k, p3(0, 0, 1);
    const int m = segmentCount();
    for (int i = 0; i <= m && i < pointCount(); ++i) {
        const float t = float(i) / float(m), u = 1.0f - t;
        points[size_t(i)].position = p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
    }
    updateFrames(true);
    CurveSegment& first = segments.front();
    first.tangent = s;
    first.normal = across(first.normal, s);
    CurveSegment& last = segments.back();
    last.tangent = vec3() - e;
    last.normal = across(last.normal, last.tangent);
    // a stamp, not touch(): touching would throw away the end frames just set
    stamp = frameCounter;
    geometryDirty = true;
}

void BezierCurve::symmetryFrames(std::vector<SymmetryOp>& ops, vec3 centre, vec3 axis, uint8_t, uint8_t, uint8_t,
                                 uint8_t, uint8_t, uint8_t, int32_t, std::vector<vec3>& centres,
                                 std::vector<mat3>& frames, std::vector<float>& signs, int32_t, uint8_t) {
    ops.clear();
    centres.push_back(centre);
    frames.push_back(mat3::frameFromDirection(axis));
    signs.push_back(1.0f);
}

bool BezierCurve::save(ByteBuffer& out) {
    out.write(bezierCurveRecordTag);
    out.write(uint32_t(0));
    return true;
}

BezierCurve* asBezierCurve(Element* e) { return dynamic_cast<BezierCurve*>(e); }

namespace {

Element* readBezierCurveRecord(ByteBuffer& in, uint32_t, size_t end, bool& ok) {
    // eight bytes of record become a whole chain: charged as if its lists had been read
    ok = chargeRead(sizeof(BezierCurve)) && chargeCurveLists(bezierRecordSegments + 1, bezierRecordSegments);
    if (!ok) return nullptr;
    // nothing of the shape is stored; a body is skipped, not read as further records
    in.seek(end);
    return new BezierCurve(vec3(), vec3(), bezierRecordSegments);
}

} // namespace

void registerBezierCurveRecords() { registerElementReader(bezierCurveRecordTag, readBezierCurveRecord); }

} // namespace kal
