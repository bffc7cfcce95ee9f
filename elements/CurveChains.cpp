// Resampling every chain of a curve at steps of the local radius: the samples are pulled back to
// keep the chain's end, then relaxed along their tangents. Following curves derive from it.
#include <algorithm>
#include <cmath>

#include "elements/Curve.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

// The most samples a resampling gives: 16 per point of the curve that the chain of following
// curves starts from, and this many more, shared among the chains by length. A radius of zero or
// no number at all would otherwise emit the same point for ever, and following curves stacked on
// one another would each multiply what the one below gave.
constexpr double minimumSampleCap = 4096;
constexpr double samplesPerBasePoint = 16;
// What a sample keeps once derived: its point and segment. The scratch of a chain is a fixed
// multiple of that and goes with the chain.
constexpr size_t bytesPerSample = sizeof(CurvePoint) + sizeof(CurveSegment);

double distance(const dvec3& a, const dvec3& b) { return (a - b).length(); }

// The parameter along a segment at a known source segment's ends: 0 for one of zero length.
double parameterOn(const Curve& c, int s, vec3 p) {
    if (s < 0) return 0.0;
    std::vector<vec3> ends;
    c.segmentEndPositions(s, ends);
    const double ab = lengthSquared(ends[1] - ends[0]);
    return ab > 0.0 ? std::sqrt(lengthSquared(p - ends[0]) / ab) : 0.0;
}

float radiusAt(const Curve& c, int s, double t) {
    if (s < 0) return 1.0f;
    std::vector<float> r;
    c.segmentEndRadii(s, r);
    return float(r[0] + (double(r[1]) - r[0]) * t);
}

// One chain walked from its start: its points in order, and whether it closes on itself.
struct Chain {
    std::vector<int32_t> points;
    bool closed = false;
};

// The point moved toward the middle of its neighbours along their chord only: it slides, the
// chain keeps its shape.
vec3 slideAlongChord(vec3 p, vec3 q0, vec3 q1) {
    const vec3 centre = (q0 + q1) * 0.5f;
    const vec3 u = normalize(q0 - q1);
    return p + u * dot(centre - p, u);
}

Chain walkChain(const Curve& c, int from) {
    Chain chain;
    std::vector<int32_t> n;
    if (c.pointNeighbours(from, n) == 0) return chain;
    // find the start: an open end, or `from` itself on a loop
    int start = from, came = n[0];
    for (int steps = 0; steps <= c.pointCount(); ++steps) {
        const int next = c.nextAlongChain(start, came);
        if (next < 0) break;
        if (next == from) {
            chain.closed = true;
            start = from;
            break;
        }
        came = start;
        start = next;
    }
    int previous = -1, at = start;
    for (int steps = 0; steps <= c.pointCount(); ++steps) {
        chain.points.push_back(at);
        const int next = c.nextAlongChain(at, previous);
        if (next < 0 || next == start) break;
        previous = at;
        at = next;
    }
    return chain;
}

} // namespace

vec3 Curve::tangentTarget(int p) const {
    const CurvePoint& P = points[size_t(p)];
    std::vector<int32_t> n;
    if (P.marked() || pointNeighbours(p, n) < 2) return P.position;
    return slideAlongChord(P.position, points[size_t(n[0])].position, points[size_t(n[1])].position);
}

namespace {

// passes of relaxAlongTangent; the network does not change between passes, so each point's
// neighbours are looked up once
void relaxPasses(Curve& c, int passes) {
    const int n = c.pointCount();
    std::vector<int32_t> first(size_t(n), -1), second(size_t(n), -1), nb;
    for (int i = 0; i < n; ++i) {
        if (!c.points[size_t(i)].alive()) continue;
        c.pointNeighbours(i, nb);
        if (!nb.empty()) first[size_t(i)] = nb[0];
        if (nb.size() > 1) second[size_t(i)] = nb[1];
    }
    std::vector<vec3> targets(static_cast<size_t>(n));
    std::vector<float> radii(static_cast<size_t>(n));
    for (int pass = 0; pass < passes; ++pass) {
        for (int i = 0; i < n; ++i) {
            const CurvePoint& p = c.points[size_t(i)];
            if (!p.alive()) continue;
            const int32_t a = first[size_t(i)], b = second[size_t(i)];
            targets[size_t(i)] = p.position;
            radii[size_t(i)] = p.radius;
            if (a < 0) continue;
            const CurvePoint& qa = c.points[size_t(a)];
            if (b < 0) {
                radii[size_t(i)] = qa.radius;
                continue;
            }
            const CurvePoint& qb = c.points[size_t(b)];
            radii[size_t(i)] = (qa.radius + qb.radius) / 2.0f;
            if (p.marked()) continue;
            targets[size_t(i)] = slideAlongChord(p.position, qa.position, qb.position);
        }
        for (int i = 0; i < n; ++i) {
            CurvePoint& p = c.points[size_t(i)];
            if (!p.alive()) continue;
            p.position = (p.position + targets[size_t(i)]) * 0.5f;
            p.radius = (p.radius + radii[size_t(i)]) * 0.5f;
        }
    }
}

} // namespace

void Curve::relaxAlongTangent() { relaxPasses(*this, 1); }

Curve* Curve::extractChains(int basePoints) {
    Curve* out = new Curve(0);
    bool anySegment = false;
    for (const CurveSegment& s : segments) anySegment = anySegment || s.alive();
    if (!anySegment) return out;

    // the chains and their lengths first: the floor of samples is shared among them by length
    std::vector<Chain> chains;
    std::vector<double> chainLengths;
    double totalLength = 0.0;
    for (int i = 0; i < pointCount(); ++i) {
        if (!points[size_t(i)].alive() || (points[size_t(i)].flags & PointSelected)) continue;
        Chain chain = walkChain(*this, i);
        for (int32_t p : chain.points) points[size_t(p)].flags |= PointSelected;
        if (chain.points.size() < 2) continue;
        const size_t m = chain.points.size();
        double chainLength = 0.0;
        for (size_t k = 0; k + 1 < m + (chain.closed ? 1 : 0); ++k)
            chainLength += kal::length(points[size_t(chain.points[(k + 1) % m])].position -
                                       points[size_t(chain.points[k])].position);
        chains.push_back(std::move(chain));
        chainLengths.push_back(chainLength);
        totalLength += chainLength;
    }
    // each chain may take 16 samples a point or its share of the floor, whichever is more; past
    // what the curve at the bottom of the chain of following curves allows, all are scaled down
    std::vector<double> caps(chains.size());
    double wanted = 0.0;
    for (size_t c = 0; c < chains.size(); ++c) {
        const double share = totalLength > 0.0 ? chainLengths[c] / totalLength : 1.0 / double(chains.size());
        caps[c] = std::max(samplesPerBasePoint * double(chains[c].points.size()), minimumSampleCap * share);
        wanted += caps[c];
    }
    const double allowed = samplesPerBasePoint * double(basePoints < 0 ? pointCount() : basePoints) + minimumSampleCap;
    if (wanted > allowed)
        for (double& cap : caps) cap *= allowed / wanted;

    bool overrun = false;
    for (size_t c = 0; c < chains.size() && !overrun; ++c) {
        const Chain& chain = chains[c];
        const size_t m = chain.points.size();
        const double chainLength = chainLengths[c];
        const double cap = std::max(caps[c], 1.0);
        const double floorStep = std::max(chainLength / cap, 1e-30);
        auto step = [&](double r) { return std::isfinite(r) && r > floorStep ? r : floorStep; };

        const int start = chain.points[0];
        std::vector<dvec3> emitted{dvec3(points[size_t(start)].position)};
        std::vector<int32_t> refs{segmentBetween(start, chain.points[1])};
        double r = step(points[size_t(start)].radius);
        // segment k of the walk runs from chain point k to k + 1 (the last back to the start on a loop)
        const size_t walkSegments = chain.closed ? m : m - 1;
        dvec3 A = emitted[0];
        for (size_t k = 0; k < walkSegments;) {
            const int a = chain.points[k], b = chain.points[(k + 1) % m];
            const dvec3 B(points[size_t(b)].position);
            const dvec3 D = B - A, E = A - emitted.back();
            const double k2 = dot(D, D), k1 = dot(E, D), k0 = dot(E, E) - r * r;
            const double disc = k1 * k1 - k2 * k0;
            double t = -1.0;
            if (k2 > 0.0 && disc >= 0.0) {
                const double root = std::sqrt(disc);
                if (-k1 - root >= 0.0 && -k1 - root <= k2) {
                    t = (-k1 - root) / k2;
                } else if (-k1 + root >= 0.0 && -k1 + root <= k2) {
                    t = (-k1 + root) / k2;
                }
            }
            const dvec3 next = A + D * t;
            // only a root that moves on from the last sample is a step
            if (t < 0.0 || distance(next, emitted.back()) <= 0.0) {
                ++k;
                A = B;
                continue;
            }
            const int s = segmentBetween(a, b);
            if (!chargeRead(bytesPerSample)) {
                overrun = true;
                break;
            }
            emitted.push_back(next);
            refs.push_back(s);
            A = next;
            r = step(radiusAt(*this, s, t));
        }
        if (overrun) break;
        const dvec3 end(points[size_t(chain.closed ? start : chain.points[m - 1])].position);
        if (!chain.closed) {
            if (distance(emitted.back(), end) < r * 0.5) {
                emitted.back() = end;
            } else {
                emitted.push_back(end);
                refs.push_back(refs.back());
            }
        } else if (emitted.size() > 1 && distance(emitted.back(), emitted.front()) < r * 0.5) {
            emitted.pop_back();
            refs.pop_back();
        }
        if (emitted.size() < 2) continue;

        // pull the samples back to keep the chain's end (on a loop, its start) while keeping
        // every step's length; the first sample never moves
        const size_t n = emitted.size();
        std::vector<vec3> p(n);
        for (size_t k = 0; k < n; ++k) p[k] = emitted[k].toFloat();
        std::vector<float> lengths(n - 1);
        for (size_t k = 0; k + 1 < n; ++k) lengths[k] = kal::length(p[k + 1] - p[k]);
        auto towards = [](vec3 from, vec3 to, float len) {
            const vec3 d = to - from;
            return from + (lengthSquared(d) > 1e-20 ? normalize(d) : d) * len;
        };
        for (int iteration = 0; iteration < 10; ++iteration) {
            p[n - 1] = end.toFloat();
            for (size_t j = n - 2; j >= 1; --j) p[j] = towards(p[j + 1], p[j], lengths[j]);
            for (size_t j = 1; j < n; ++j) p[j] = towards(p[j - 1], p[j], lengths[j - 1]);
        }

        Curve piece(p, chain.closed, 0);
        relaxPasses(piece, 20);
        const int offset = out->pointCount();
        out->append(piece);
        for (size_t k = 0; k < n && offset + int(k) < out->pointCount(); ++k) {
            CurvePoint& q = out->points[size_t(offset) + k];
            q.link = refs[k];
            q.radius = radiusAt(*this, refs[k], parameterOn(*this, refs[k], q.position));
        }
    }
    for (CurvePoint& p : points) {
        if (!p.alive()) continue;
        p.flags &= uint8_t(~PointSelected);
        p.link = -1;
    }
    if (overrun) {
        // past the open read's budget: nothing is derived, and the read is refused
        out->points.clear();
        out->segments.clear();
        return out;
    }
    out->rebuild(Recenter::Box);
    const float twist = points.empty() ? 0.0f : points[0].twist;
    for (CurvePoint& p : out->points) p.twist = twist;
    out->translation = translation;
    out->scale = scale;
    return out;
}

} // namespace kal
