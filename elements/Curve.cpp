// The curve's records, construction, the validity test that links segments into chains, chain
// orientation, recentring, and the bookkeeping of marks, selection and change.
#include "elements/Curve.h"

#include <algorithm>
#include <cmath>

namespace kal {

namespace {

void reverseSegment(CurveSegment& s) {
    std::swap(s.a, s.b);
    std::swap(s.neighbour[0], s.neighbour[1]);
    const uint8_t marks = s.flags & (SegmentMarkA | SegmentMarkB);
    s.flags = uint8_t((s.flags & ~(SegmentMarkA | SegmentMarkB)) | ((marks & SegmentMarkA) << 1) |
                      ((marks & SegmentMarkB) >> 1));
    if (s.neighbour[0] == -1) s.flags |= SegmentMarkA;
    if (s.neighbour[1] == -1) s.flags |= SegmentMarkB;
    std::swap(s.material[0], s.material[1]);
}

} // namespace

Curve::Curve(uint32_t w) : Element(CurveType), word(w) { clearSelection(); }

Curve::Curve(const std::vector<vec3>& positions, bool closed, uint32_t w) : Curve(w) {
    buildFromPoints(positions, closed);
}

Curve::Curve(const std::vector<vec3>& positions, const std::vector<float>& radii, const std::vector<bool>& marks,
             bool closed, uint32_t w)
    : Curve(w) {
    buildFromStroke(positions, radii, marks, closed);
}

Curve::Curve(const Curve& other)
    : Element(other), word(other.word), points(other.points), segments(other.segments),
      vertexOffset(other.vertexOffset), normalsPending(other.normalsPending), materialsPending(other.materialsPending),
      idsPending(other.idsPending), vertexCount(other.vertexCount), cachedPointCount(other.cachedPointCount),
      cachedSegmentCount(other.cachedSegmentCount), editList(other.editList), selectionRecords(other.selectionRecords),
      selectedPoints(other.selectedPoints), selectedSegments(other.selectedSegments), dragOffsets(other.dragOffsets),
      radiusDeltas(other.radiusDeltas), twistDeltas(other.twistDeltas), topologyChanged(other.topologyChanged),
      framesValid(other.framesValid) {}

Curve::~Curve() { releaseGpu(); }

Element* Curve::clone() { return new Curve(*this); }

void Curve::reset() {
    scale = 1.0f;
    invalid = false;
    stamp = 0;
    translation = vec3();
    typeCode = CurveType;
    // the GL name stays ours (deleting needs a context); the next upload refills it
    geometryDirty = true;
    uploadNeeded = true;
    topologyChanged = false;
    framesValid = false;
    points.clear();
    segments.clear();
    clearSelection();
}

namespace {

uint64_t shapeVersions = 0;

} // namespace

void Curve::touch() {
    Element::touch();
    shapeVersion = ++shapeVersions;
    geometryDirty = true;
    framesValid = false;
}

int Curve::addPoint(vec3 position) {
    CurvePoint p;
    p.position = position;
    points.push_back(p);
    return pointCount() - 1;
}

int Curve::addSegment(int a, int b) {
    CurveSegment s;
    s.a = a;
    s.b = b;
    segments.push_back(s);
    return segmentCount() - 1;
}

void Curve::buildFromPoints(const std::vector<vec3>& positions, bool closed) {
    const int n = int(positions.size());
    // one point cannot close on itself: a segment from a point to itself is no loop
    if (n < 2) closed = false;
    for (int i = 0; i < n; ++i) {
        addPoint(positions[size_t(i)]);
        if (i >= 1) {
            addSegment(i - 1, i);
        } else if (closed) {
            addSegment(n - 1, 0);
        }
    }
    rebuild(Recenter::Keep);
}

void Curve::buildFromStroke(const std::vector<vec3>& positions, const std::vector<float>& radii,
                            const std::vector<bool>& marks, bool closed) {
    if (positions.empty()) {
        rebuild(Recenter::Keep);
        return;
    }
    buildFromPoints(positions, closed);
    for (size_t i = 0; i < points.size(); ++i) {
        CurvePoint& p = points[i];
        if (i < radii.size()) p.radius = radii[i];
        if (i < marks.size() && marks[i]) {
            p.flags |= PointMarked;
        } else if (!(p.flags & PointChainEnd)) {
            p.flags &= uint8_t(~PointMarked);
        }
    }
    rebuild(Recenter::Keep);
}

void Curve::close() {
    if (pointCount() < 2) return;
    const int last = pointCount() - 1;
    // the end marks the old free ends left on their segments would mark the joints again
    for (CurveSegment& s : segments) {
        if (s.a == 0 || s.a == last) s.flags &= uint8_t(~SegmentMarkA);
        if (s.b == 0 || s.b == last) s.flags &= uint8_t(~SegmentMarkB);
    }
    addSegment(last, 0);
    for (int i : {0, last}) points[size_t(i)].flags &= uint8_t(~(PointChainEnd | PointMarked));
    rebuild(Recenter::Keep);
    touch();
}

void Curve::append(const Curve& other) {
    const int32_t P = pointCount(), S = segmentCount();
    for (CurvePoint p : other.points) {
        if (p.segment >= 0) p.segment += S;
        if (p.link >= 0) p.link += P;
        points.push_back(p);
    }
    for (CurveSegment s : other.segments) {
        s.a += P;
        s.b += P;
        for (int32_t& n : s.neighbour)
            if (n >= 0) n += S;
        segments.push_back(s);
    }
}

void Curve::setGeometry(const Curve& other, bool touchIt) {
    points = other.points;
    segments = other.segments;
    if (touchIt) touch();
}

bool Curve::isValid() {
    if (segments.empty()) return false;
    const int n = pointCount();
    for (const CurveSegment& s : segments)
        if (s.a < 0 || s.a >= n || s.b < 0 || s.b >= n) return false;
    std::vector<int32_t> first(size_t(n), -1), second(size_t(n), -1);
    for (size_t i = 0; i < segments.size(); ++i) {
        CurveSegment& s = segments[i];
        s.neighbour[0] = s.neighbour[1] = -1;
        points[size_t(s.a)].segment = int32_t(i);
        points[size_t(s.b)].segment = int32_t(i);
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        for (int k = 0; k < 2; ++k) {
            const int32_t q = segments[i].end(k);
            if (first[size_t(q)] < 0) {
                first[size_t(q)] = int32_t(i);
                points[size_t(q)].segment = int32_t(i);
            } else if (second[size_t(q)] >= 0) {
                return false; // a third segment at one point
            } else {
                second[size_t(q)] = int32_t(i);
                const int32_t f = first[size_t(q)];
                segments[i].neighbour[k] = f;
                CurveSegment& fs = segments[size_t(f)];
                fs.neighbour[fs.a == q ? 0 : 1] = int32_t(i);
            }
        }
    }
    for (CurveSegment& s : segments) {
        for (int k = 0; k < 2; ++k) {
            const uint8_t bit = k == 0 ? SegmentMarkA : SegmentMarkB;
            CurvePoint& q = points[size_t(s.end(k))];
            if (!(s.flags & bit) && s.neighbour[k] != -1 && !(q.flags & PointMarked)) {
                q.flags &= uint8_t(~PointChainEnd);
            } else {
                s.flags |= bit;
                q.flags |= PointMarked;
                if (s.neighbour[k] == -1) {
                    q.flags |= PointChainEnd;
                } else {
                    q.flags &= uint8_t(~PointChainEnd);
                }
            }
        }
    }
    touch();
    return true;
}

void Curve::orientChains() {
    const int n = segmentCount();
    // links an invalid file left half-written could form a cycle no walk leaves: bound every walk
    auto walk = [&](int start, bool loop) {
        int c = start;
        int next = nextSegment(c, -1);
        for (int steps = 0; steps <= n; ++steps) {
            segments[size_t(c)].flags |= SegmentVisited;
            if (next != segments[size_t(c)].neighbour[1]) reverseSegment(segments[size_t(c)]);
            if (next == -1 || (loop && next == start)) return;
            if (segments[size_t(next)].flags & SegmentVisited) return;
            const int after = nextSegment(next, c);
            c = next;
            next = after;
        }
    };
    for (int i = 0; i < n; ++i) {
        const CurveSegment& s = segments[size_t(i)];
        if (!(s.flags & SegmentVisited) && (s.neighbour[0] == -1 || s.neighbour[1] == -1)) walk(i, false);
    }
    for (int i = 0; i < n; ++i)
        if (!(segments[size_t(i)].flags & SegmentVisited)) walk(i, true);
    for (CurveSegment& s : segments) s.flags &= uint8_t(~SegmentVisited);
    touch();
}

namespace {

// The links of every segment in one number: a rebuild that leaves them changes no chain.
uint64_t linksHash(const std::vector<CurveSegment>& segments) {
    uint64_t h = 1469598103934665603ull;
    for (const CurveSegment& s : segments)
        for (int32_t v : {s.a, s.b, s.neighbour[0], s.neighbour[1], int32_t(s.flags)})
            h = (h ^ uint32_t(v)) * 1099511628211ull;
    return h;
}

} // namespace

void Curve::rebuild(Recenter mode) {
    const bool wasInvalid = invalid;
    const uint64_t links = linksHash(segments), version = shapeVersion;
    invalid = !isValid();
    if (!invalid) {
        orientChains();
        recenter(mode);
    }
    geometryDirty = true;
    // the points stay (orientChains touches all the same): only new links or a new verdict are a
    // new shape to follow
    shapeVersion = invalid != wasInvalid || linksHash(segments) != links ? ++shapeVersions : version;
}

void Curve::recenter(Recenter mode) {
    if (mode == Recenter::Mean) {
        if (points.empty()) return;
        double sx = 0, sy = 0, sz = 0;
        for (const CurvePoint& p : points) {
            sx += p.position.x;
            sy += p.position.y;
            sz += p.position.z;
        }
        const double k = double(points.size());
        translation = vec3(float(sx / k), float(sy / k), float(sz / k));
        float d = 0.0f;
        for (const CurvePoint& p : points) d = std::max(d, float(lengthSquared(p.position - translation)));
        scale = d == 0.0f ? 1.0f : 2.0f * std::sqrt(d);
    } else if (mode == Recenter::Box) {
        if (points.empty()) {
            translation = vec3();
            scale = 1.0f;
            return;
        }
        vec3 lo = points[0].position, hi = lo;
        for (const CurvePoint& p : points) {
            lo = vec3(std::min(lo.x, p.position.x), std::min(lo.y, p.position.y), std::min(lo.z, p.position.z));
            hi = vec3(std::max(hi.x, p.position.x), std::max(hi.y, p.position.y), std::max(hi.z, p.position.z));
        }
        translation = (lo + hi) * 0.5f;
        const float diagonal = kal::length(hi - lo);
        scale = diagonal == 0.0f ? 1.0f : diagonal;
    }
}

int Curve::nextSegment(int s, int previous) const {
    if (s < 0) return -1;
    const CurveSegment& seg = segments[size_t(s)];
    if (previous == seg.neighbour[0]) return seg.neighbour[1];
    if (previous == seg.neighbour[1]) return seg.neighbour[0];
    if (seg.neighbour[0] == -1) return seg.neighbour[1];
    if (seg.neighbour[1] == -1) return seg.neighbour[0];
    return seg.neighbour[1];
}

int Curve::chainStart(int s) const {
    if (s < 0) return -1;
    int c = s;
    for (int steps = 0; steps < segmentCount(); ++steps) {
        const int p = segments[size_t(c)].neighbour[0];
        if (p == -1) return c;
        if (p == s) return s; // a closed chain starts where it was entered
        c = p;
    }
    return c;
}

bool Curve::collapseSegment(int si) {
    CurveSegment& s = segments[size_t(si)];
    const int32_t a = s.a, b = s.b, c0 = s.neighbour[0], c1 = s.neighbour[1];
    const bool markA = s.flags & SegmentMarkA, markB = s.flags & SegmentMarkB;
    // the end that was `from` in segment n becomes `to`; with mark, that end is marked too
    auto moveEnd = [this](int n, int32_t from, int32_t to, bool mark) {
        CurveSegment& t = segments[size_t(n)];
        const int k = t.a == from ? 0 : 1;
        (k == 0 ? t.a : t.b) = to;
        if (mark) t.flags |= k == 0 ? SegmentMarkA : SegmentMarkB;
    };
    // end `drop` goes, end `keep` takes its place in chain neighbour `into`; `other` is the far neighbour
    auto collapseOnto = [&](int32_t keep, int32_t drop, int into, int other) {
        points[size_t(keep)].segment = into;
        points[size_t(drop)].flags &= uint8_t(~PointAlive);
        moveEnd(into, drop, keep, true);
        relinkNeighbour(into, si, other);
        if (!(points[size_t(keep)].flags & PointChainEnd)) relinkNeighbour(other, si, into);
    };
    if (!markA && !markB && c1 >= 0 && c0 >= 0) {
        points[size_t(a)].segment = c1;
        points[size_t(b)].flags &= uint8_t(~PointAlive);
        relinkNeighbour(c0, si, c1);
        moveEnd(c1, b, a, false);
        relinkNeighbour(c1, si, c0);
        points[size_t(a)].position = (points[size_t(a)].position + points[size_t(b)].position) * 0.5f;
    } else if (!markA && c0 >= 0 && (markB || c1 == -1)) {
        collapseOnto(b, a, c0, c1);
    } else if (!markB && c1 >= 0 && (markA || c0 == -1)) {
        collapseOnto(a, b, c1, c0);
    } else {
        return false;
    }
    segments[size_t(si)].flags &= uint8_t(~SegmentAlive);
    topologyChanged = true;
    return true;
}

int Curve::closestSegment(vec3 p) const {
    int best = -1;
    double bestDistance = 0.0;
    for (size_t i = 0; i < segments.size(); ++i) {
        const CurveSegment& s = segments[i];
        if (!s.alive()) continue;
        const vec3 A = points[size_t(s.a)].position, B = points[size_t(s.b)].position;
        const vec3 d = B - A;
        const double dd = lengthSquared(d);
        if (dd <= 0.0 || dot(p - A, d) < 0.0f || dot(B - p, d) < 0.0f) continue;
        const vec3 ap = p - A;
        const vec3 across = ap - d * float(dot(ap, d) / dd);
        const double distance = kal::length(across);
        if (best < 0 || distance < bestDistance) {
            best = int(i);
            bestDistance = distance;
        }
    }
    if (best >= 0) return best;
    int kept = -1;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!points[i].alive()) continue;
        const double distance = kal::length(points[i].position - p);
        if (kept < 0 || distance < bestDistance) {
            kept = int(i);
            bestDistance = distance;
        }
    }
    return kept < 0 ? -1 : points[size_t(kept)].segment;
}

float Curve::length() const {
    float sum = 0.0f;
    for (const CurveSegment& s : segments)
        if (s.alive()) sum += kal::length(points[size_t(s.b)].position - points[size_t(s.a)].position);
    return sum;
}

void Curve::segmentEndPositions(int s, std::vector<vec3>& out) const {
    out.clear();
    out.push_back(points[size_t(segments[size_t(s)].a)].position);
    out.push_back(points[size_t(segments[size_t(s)].b)].position);
}

void Curve::segmentEndRadii(int s, std::vector<float>& out) const {
    out.clear();
    out.push_back(points[size_t(segments[size_t(s)].a)].radius);
    out.push_back(points[size_t(segments[size_t(s)].b)].radius);
}

void Curve::segmentEndData(int s, std::vector<vec3>& positions, std::vector<float>& radii) const {
    segmentEndPositions(s, positions);
    segmentEndRadii(s, radii);
}

void Curve::markAll() {
    for (CurvePoint& p : points) p.flags |= PointMarked;
    for (CurveSegment& s : segments) s.flags |= SegmentMarkA | SegmentMarkB;
}

void Curve::unmarkAll() {
    for (CurvePoint& p : points)
        if (!(p.flags & PointChainEnd)) p.flags &= uint8_t(~PointMarked);
    for (CurveSegment& s : segments) s.flags &= uint8_t(~(SegmentMarkA | SegmentMarkB));
}

void Curve::clearSelection() {
    for (uint32_t i : selectedPoints) {
        if (i >= points.size()) continue;
        points[i].flags &= uint8_t(~PointSelected);
        points[i].link = -1;
    }
    for (uint32_t i : selectedSegments)
        if (i < segments.size()) segments[i].flags &= uint8_t(~SegmentVisited);
    selectedPoints.clear();
    selectedSegments.clear();
    dragOffsets.clear();
    radiusDeltas.clear();
    twistDeltas.clear();
    selectionRecords.clear();
    cachedPointCount = pointCount();
    cachedSegmentCount = segmentCount();
}

void Curve::selectAll() {
    clearSelection();
    selectedPoints.resize(points.size());
    selectionRecords.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        selectedPoints[i] = uint32_t(i);
        selectionRecords[i].point = int32_t(i);
        points[i].link = int32_t(i);
    }
}

void Curve::selectAllWithSegments() {
    selectAll();
    selectedSegments.resize(segments.size());
    for (size_t i = 0; i < segments.size(); ++i) selectedSegments[i] = uint32_t(i);
}

void Curve::applyDrag(bool move, bool radius, bool twist) {
    for (size_t k = 0; k < selectedPoints.size(); ++k) {
        if (selectedPoints[k] >= points.size()) continue;
        CurvePoint& p = points[selectedPoints[k]];
        if (move && k < dragOffsets.size()) p.position += dragOffsets[k];
        if (radius && k < radiusDeltas.size()) p.radius += radiusDeltas[k];
        if (twist && k < twistDeltas.size()) p.twist += twistDeltas[k];
        p.displacement = vec3();
    }
}

} // namespace kal
