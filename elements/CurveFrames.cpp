// Frames along a curve: a unit tangent per segment and a normal carried from segment to segment
// by the smallest rotation between successive tangents, turned by the points' twist; on a loop
// the mismatch after one turn is spread evenly so that the normal meets itself.
#include <cmath>

#include "elements/Curve.h"

namespace kal {

namespace {

vec3 normalizedIfLong(vec3 v) { return lengthSquared(v) > 1e-20 ? v / float(std::sqrt(lengthSquared(v))) : v; }

// The normal that segment `to` gets from segment `from` by one step of transport.
vec3 transported(const Curve& c, const CurveSegment& from, const CurveSegment& to) {
    const float angle = (c.points[size_t(to.a)].twist + c.points[size_t(to.b)].twist) * 0.5f;
    const mat3 R1 = mat3::rotationAxisAngle(to.tangent, angle);
    const mat3 R2 = mat3::rotationBetween(from.tangent, to.tangent);
    return normalizedIfLong((from.normal * R2) * R1);
}

} // namespace

void Curve::updateFrames(bool force) {
    if (framesValid && !force) return;
    const int n = segmentCount();
    // links that a damaged file left half-written may form cycles a walk never leaves: every
    // walk below stops after n steps
    for (int s = 0; s < n; ++s) {
        if (!segments[size_t(s)].alive() || (segments[size_t(s)].flags & SegmentVisited)) continue;

        // the chain's first segment and the direction of travel
        int start = s, following = -1;
        const int away = nextSegment(s, -1);
        if (away != -1) {
            int prev = away, cur = s;
            start = -1;
            for (int steps = 0; steps <= n; ++steps) {
                const int next = nextSegment(cur, prev);
                if (next == -1) {
                    start = cur;
                    following = prev;
                    break;
                }
                if (next == s) {
                    start = s;
                    following = cur;
                    break;
                }
                prev = cur;
                cur = next;
            }
            if (start < 0) {
                start = s;
                following = away;
            }
        }

        int cur = start, next = following, previous = -1, after = -1, k = 0;
        for (int steps = 0; steps <= n; ++steps) {
            CurveSegment& c = segments[size_t(cur)];
            c.flags |= SegmentVisited;
            const bool backwards = next == c.neighbour[0];
            const vec3 from = points[size_t(backwards ? c.b : c.a)].position;
            const vec3 to = points[size_t(backwards ? c.a : c.b)].position;
            c.tangent = normalizedIfLong(to - from);
            if (k == 0) {
                const mat3 F = mat3::frameFromDirectionAndSide(vec3(0, 0, 1), c.tangent);
                c.normal = normalizedIfLong(cross(c.tangent, F.column(1)));
            } else {
                c.normal = transported(*this, segments[size_t(previous)], c);
            }
            after = nextSegment(next, cur);
            ++k;
            if (next == -1 || next == start || (segments[size_t(next)].flags & SegmentVisited)) break;
            previous = cur;
            cur = next;
            next = after;
        }

        if (next != start || k < 1 || following == -1) continue;
        // closing a loop: the turn the normal is short of meeting itself, spread over the loop
        const CurveSegment& first = segments[size_t(start)];
        const vec3 W = transported(*this, segments[size_t(cur)], first);
        const vec3 t0 = first.tangent, n0 = first.normal;
        const double theta = std::atan2(double(dot(cross(W, n0), t0)), double(dot(W, n0)));
        int c = start, nx = following;
        for (int i = 0; i < k; ++i) {
            CurveSegment& seg = segments[size_t(c)];
            const double phi = double(i) * (theta / double(k));
            const vec3 t = seg.tangent, nn = seg.normal;
            seg.normal = nn * float(std::cos(phi)) + cross(t, nn) * float(std::sin(phi));
            const int af = nextSegment(nx, c);
            c = nx;
            nx = af;
            if (c < 0) break;
        }
    }
    for (CurveSegment& seg : segments) seg.flags &= uint8_t(~SegmentVisited);
    framesValid = true;
}

} // namespace kal
