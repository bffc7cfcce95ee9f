// Changing and walking the network of a curve: linked segments, splits, removal, compaction,
// chain walks, the frame that places a section at a point, and subdivision with smoothing.
#include <algorithm>
#include <cmath>

#include "elements/Curve.h"

namespace kal {

namespace {

// c0 + (c1 - c0) t per channel, truncated, within each channel's range; t outside 0..1 and
// non-finite values cannot wrap a channel.
pbr blend(const pbr& m0, const pbr& m1, double t) {
    if (!std::isfinite(t)) t = 0.0;
    const uint16_t* a = &m0.red;
    const uint16_t* b = &m1.red;
    pbr out;
    uint16_t* o = &out.red;
    for (int i = 0; i < 8; ++i) {
        const double v = std::trunc(a[i] + (double(b[i]) - a[i]) * t);
        o[i] = uint16_t(std::max(0.0, std::min(65535.0, v)));
    }
    auto signedChannel = [t](int16_t x, int16_t y) {
        const double v = std::trunc(x + (double(y) - x) * t);
        return int16_t(std::max(double(-kPbrSignedLimit), std::min(double(kPbrSignedLimit), v)));
    };
    out.roughness = signedChannel(m0.roughness, m1.roughness);
    out.metalness = signedChannel(m0.metalness, m1.metalness);
    return out;
}

pbr clamped(const pbr& m) {
    pbr out;
    pbrCopyMasked(out, m, kPbrAll);
    return out;
}

// The mean of a point field over p's neighbours; p's own value when it has none.
template <class T>
T neighbourMean(const Curve& c, int p, T CurvePoint::*field) {
    std::vector<int32_t> n;
    if (c.pointNeighbours(p, n) == 0) return c.points[size_t(p)].*field;
    T sum{};
    for (int32_t q : n) sum += c.points[size_t(q)].*field;
    return sum / float(n.size());
}

// Fills the dead slots of v from the back and drops the dead tail. Before live entry j moves
// into slot i, retarget(entry, j, i) points the references at i; j is then marked dead.
template <class T, class Retarget>
void compactFromBack(std::vector<T>& v, uint8_t aliveFlag, Retarget retarget) {
    int i = 0, j = int(v.size()) - 1;
    while (i < j) {
        if (v[size_t(i)].alive()) {
            ++i;
            continue;
        }
        while (j > i && !v[size_t(j)].alive()) --j;
        if (j <= i) break;
        const T moved = v[size_t(j)];
        retarget(moved, j, i);
        v[size_t(i)] = moved;
        v[size_t(j)].flags &= uint8_t(~aliveFlag);
        --j;
        ++i;
    }
    size_t keep = v.size();
    while (keep > 0 && !v[keep - 1].alive()) --keep;
    v.resize(keep);
}

} // namespace

int Curve::addLinkedSegment(int a, int b, int n0, int n1, bool mark0, bool mark1) {
    CurveSegment s;
    s.a = a;
    s.b = b;
    s.neighbour[0] = n0;
    s.neighbour[1] = n1;
    s.flags = uint8_t(SegmentAlive | (mark0 ? SegmentMarkA : 0) | (mark1 ? SegmentMarkB : 0));
    segments.push_back(s);
    return segmentCount() - 1;
}

int Curve::splitSegment(int si) {
    const CurveSegment s = segments[size_t(si)];
    const CurvePoint &A = points[size_t(s.a)], &B = points[size_t(s.b)];
    CurvePoint m;
    m.position = (A.position + B.position) * 0.5f;
    m.radius = (A.radius + B.radius) * 0.5f;
    m.twist = (A.twist + B.twist) * 0.5f;
    m.segment = si;
    points.push_back(m);
    const int mi = pointCount() - 1;
    pbrAccumulator sum(s.material[0]);
    sum.add(pbrAccumulator(s.material[1]), kPbrAll);
    sum.divide(2, kPbrAll);
    finishSplit(si, s, mi, clamped(sum.toPbr()), false);
    return mi;
}

void Curve::relinkNeighbour(int n, int from, int to) {
    if (n < 0) return;
    CurveSegment& s = segments[size_t(n)];
    if (s.neighbour[0] == from) {
        s.neighbour[0] = to;
    } else if (s.neighbour[1] == from) {
        s.neighbour[1] = to;
    }
}

int Curve::finishSplit(int si, const CurveSegment& s, int mid, const pbr& M, bool mark) {
    const int c1 = s.neighbour[1];
    const bool k1 = (s.flags & SegmentMarkB) || c1 == -1;
    const int u = addLinkedSegment(mid, s.b, si, c1, mark, k1);
    segments[size_t(u)].material[0] = M;
    segments[size_t(u)].material[1] = clamped(s.material[1]);
    relinkNeighbour(c1, si, u);
    points[size_t(s.b)].segment = u;
    CurveSegment& r = segments[size_t(si)];
    r.b = mid;
    r.neighbour[1] = u;
    r.material[1] = M;
    r.flags = uint8_t((r.flags & ~SegmentMarkB) | (mark ? SegmentMarkB : 0));
    return u;
}

int Curve::splitSegmentAt(int si, vec3 p, bool mark) {
    const CurveSegment s = segments[size_t(si)];
    const int q = addPoint(p);
    const vec3 a = points[size_t(s.a)].position, b = points[size_t(s.b)].position;
    const double ab = lengthSquared(a - b);
    // a segment of zero length has no parameter along it: the new point takes end a's values
    const double t = ab > 0.0 ? std::sqrt(lengthSquared(a - p) / ab) : 0.0;
    const pbr M = blend(s.material[0], s.material[1], t);
    CurvePoint& Q = points[size_t(q)];
    Q.radius = float(points[size_t(s.a)].radius + (points[size_t(s.b)].radius - points[size_t(s.a)].radius) * t);
    Q.segment = si;
    if (mark) {
        Q.flags |= PointMarked;
    } else if (!(Q.flags & PointChainEnd)) {
        Q.flags &= uint8_t(~PointMarked);
    }
    finishSplit(si, s, q, M, mark);
    return q;
}

int Curve::insertPoint(vec3 p, int s) {
    if (s < 0) s = closestSegment(p);
    if (s < 0) return -1;
    return splitSegmentAt(s, p, true);
}

int Curve::appendSegment(const CurveSegment& s) {
    segments.push_back(s);
    return segmentCount() - 1;
}

void Curve::addSegmentChain(const std::vector<int32_t>& ids, const std::vector<bool>& marks) {
    for (size_t i = 0; i + 1 < ids.size(); ++i) {
        const bool m0 = i < marks.size() && marks[i], m1 = i + 1 < marks.size() && marks[i + 1];
        addLinkedSegment(ids[i], ids[i + 1], -1, -1, m0, m1);
    }
}

int Curve::pointSegments(int p, std::vector<int32_t>& out) const {
    out.clear();
    const int s = points[size_t(p)].segment;
    if (s < 0) return 0; // a point no segment reaches
    out.push_back(s);
    const CurveSegment& seg = segments[size_t(s)];
    const int n = seg.neighbour[seg.endOf(p)];
    if (n != -1) out.push_back(n);
    return int(out.size());
}

int Curve::pointNeighbours(int p, std::vector<int32_t>& out) const {
    std::vector<int32_t> segs;
    return pointStar(p, out, segs);
}

int Curve::pointStar(int p, std::vector<int32_t>& neighbours, std::vector<int32_t>& segs) const {
    pointSegments(p, segs);
    neighbours.clear();
    for (int32_t s : segs) {
        const CurveSegment& seg = segments[size_t(s)];
        neighbours.push_back(seg.a == p ? seg.b : seg.a);
    }
    return int(neighbours.size());
}

int Curve::segmentBetween(int p, int q) const {
    if (p < 0 || q < 0) return -1;
    std::vector<int32_t> segs;
    pointSegments(p, segs);
    for (int32_t s : segs)
        if (segments[size_t(s)].a == q || segments[size_t(s)].b == q) return s;
    return -1;
}

int Curve::nextAlongChain(int p, int from) const {
    std::vector<int32_t> n;
    pointNeighbours(p, n);
    if (n.empty()) return -1;
    if (n.size() == 1) return n[0] == from ? -1 : n[0];
    return n[0] == from ? n[1] : n[0];
}

int Curve::walkRun(int start, int s, std::vector<int32_t>& out) const {
    out.push_back(start);
    if (s < 0 || s >= segmentCount()) return -1; // no segment to walk along
    int cur = start;
    // the caller promises a run that ends; a damaged network must still not spin for ever
    for (int steps = 0; steps <= segmentCount() && s >= 0; ++steps) {
        const CurveSegment& seg = segments[size_t(s)];
        const int k = seg.endOf(cur);
        const int x = seg.end(1 - k);
        out.push_back(x);
        if (x == start) return -1;
        if (points[size_t(x)].marked()) return x;
        s = seg.neighbour[1 - k];
        cur = x;
    }
    return cur;
}

void Curve::removeSegment(int si) {
    topologyChanged = true;
    segments[size_t(si)].flags &= uint8_t(~SegmentAlive);
    const CurveSegment s = segments[size_t(si)];
    for (int k = 0; k < 2; ++k) {
        CurvePoint& e = points[size_t(s.end(k))];
        if (!(e.flags & PointChainEnd)) {
            e.flags |= PointMarked | PointChainEnd;
            // the neighbour at this end is the point's one segment left
            e.segment = s.neighbour[k];
        } else {
            e.flags &= uint8_t(~PointAlive);
        }
    }
    for (int k = 0; k < 2; ++k) relinkNeighbour(s.neighbour[k], si, -1);
}

void Curve::cleanup(bool force) {
    if (!topologyChanged && !force) return;
    std::vector<int32_t> segs;
    compactFromBack(points, PointAlive, [&](const CurvePoint&, int j, int i) {
        pointSegments(j, segs);
        for (int32_t s : segs) {
            CurveSegment& seg = segments[size_t(s)];
            if (seg.a == j) seg.a = i;
            if (seg.b == j) seg.b = i;
        }
    });
    compactFromBack(segments, SegmentAlive, [&](const CurveSegment& moved, int j, int i) {
        for (int k = 0; k < 2; ++k) {
            const int e = moved.end(k);
            if (e < 0 || e >= pointCount()) continue;
            if (points[size_t(e)].segment == j) points[size_t(e)].segment = i;
            if (!(points[size_t(e)].flags & PointChainEnd) && moved.neighbour[k] >= 0)
                relinkNeighbour(moved.neighbour[k], j, i);
        }
    });

    cachedPointCount = pointCount();
    cachedSegmentCount = segmentCount();
    topologyChanged = false;
    touch();
}

mat3 Curve::pointFrame(const Curve& curve, int p) {
    std::vector<int32_t> segs;
    if (p < 0 || p >= curve.pointCount() || curve.pointSegments(p, segs) == 0) return mat3();
    const float r = curve.points[size_t(p)].radius;
    const CurveSegment& s1 = curve.segments[size_t(segs[0])];
    if (segs.size() == 1) {
        const vec3 T = s1.tangent, N = s1.normal, Y = cross(T, N);
        return mat3{{N.x * r, Y.x * r, T.x * r, N.y * r, Y.y * r, T.y * r, N.z * r, Y.z * r, T.z * r}};
    }
    const CurveSegment& s2 = curve.segments[size_t(segs[1])];
    const float d = dot(s1.tangent, s2.tangent);
    float k = 0.0f;
    if (d < 1.0f && d > -1.0f) {
        const double phi = std::atan2(std::sqrt(1.0 - double(d) * d), double(d));
        k = float(1.0 / std::cos(phi * 0.5) - 1.0);
    }
    const mat3 S = mat3::stretch(s1.tangent - s2.tangent, k);
    mat3 F = mat3::frameFromDirectionAndSide(s1.normal + s2.normal, s1.tangent + s2.tangent);
    F *= mat3::scaling(r, r, r);
    F *= S;
    return F;
}

vec3 Curve::smoothTarget(int p) const {
    if (points[size_t(p)].marked()) return points[size_t(p)].position;
    return neighbourMean(*this, p, &CurvePoint::position);
}

float Curve::neighbourRadius(int p) const { return neighbourMean(*this, p, &CurvePoint::radius); }

float Curve::neighbourTwist(int p) const { return neighbourMean(*this, p, &CurvePoint::twist); }

bool Curve::subdivide(bool smooth) {
    const int m = pointCount(), n = segmentCount();
    for (int s = 0; s < n; ++s) splitSegment(s);
    if (smooth) {
        std::vector<vec3> targets(static_cast<size_t>(m));
        for (int i = 0; i < m; ++i) targets[size_t(i)] = smoothTarget(i);
        for (int i = 0; i < m; ++i)
            points[size_t(i)].position = (targets[size_t(i)] + points[size_t(i)].position) * 0.5f;
    }
    for (CurvePoint& p : points) p.twist *= 0.5f;
    geometryDirty = true;
    return true;
}

void Curve::resample() {
    if (points.empty()) return;
    const float L = 0.95f * points[0].radius;
    for (int s = 0; s < segmentCount(); ++s) {
        const CurveSegment& seg = segments[size_t(s)];
        if (seg.alive() && kal::length(points[size_t(seg.b)].position - points[size_t(seg.a)].position) < 0.1f * L)
            collapseSegment(s);
    }
    cleanup(false);
    const int n = segmentCount();
    for (int s = 0; s < n; ++s) {
        const CurveSegment& seg = segments[size_t(s)];
        if (seg.alive() && kal::length(points[size_t(seg.b)].position - points[size_t(seg.a)].position) > L)
            splitSegment(s);
    }
}

void Curve::markCorners(float degrees) {
    unmarkAll();
    const float c = float(std::cos(degrees * 3.141592653589793 / 180.0));
    std::vector<int32_t> n;
    for (int p = 0; p < pointCount(); ++p) {
        if (pointNeighbours(p, n) != 2) continue;
        const vec3 P = points[size_t(p)].position;
        if (dot(points[size_t(n[1])].position - P, P - points[size_t(n[0])].position) < c) {
            points[size_t(p)].flags |= PointMarked;
        } else if (!(points[size_t(p)].flags & PointChainEnd)) {
            points[size_t(p)].flags &= uint8_t(~PointMarked);
        }
    }
}

} // namespace kal
