#include "editing/StrokeChain.h"

#include <cmath>

#include "foundation/Circles.h"

namespace kal {

namespace {

constexpr double kTwoPi = 6.283185307179586;

enum Kind { Plain = 0, Corner = 1, Arc = 2, Smooth = 3 };

vec3 unit(vec3 v) { return normalize(v); }

bool isNull(vec3 v) { return !(v.lengthSquared() > kNullLengthSquared); }

vec3 shortened(vec3 v, float limit) {
    float l = v.length();
    return l > limit && l > 0 ? v * (limit / l) : v;
}

float cubicBlend(float a, float b, float t) {
    float s = 1 - t;
    return s * s * s * a + 3 * s * s * t * a + 3 * s * t * t * b + t * t * t * b;
}

vec3 bezier(vec3 p0, vec3 p1, vec3 p2, vec3 p3, float t) {
    float s = 1 - t;
    return p0 * (s * s * s) + p1 * (3 * s * s * t) + p2 * (3 * s * t * t) + p3 * (t * t * t);
}

// Angle from u to e in the plane of u and w, in 0..2 pi.
float sweep(vec3 u, vec3 w, vec3 e) {
    double a = std::atan2(double(dot(w, e)), double(dot(u, e)));
    return float(a < 0 ? a + kTwoPi : a);
}

struct Chain {
    std::vector<vec3>& positions;
    std::vector<vec3>& normals;
    std::vector<float>& radii;
    std::vector<bool>& marks;

    void add(vec3 p, float r, bool mark) {
        positions.push_back(p);
        radii.push_back(r);
        marks.push_back(mark);
    }
    // The Bezier from p0 to p3 at k / steps for k = first..last, radii blended from r0 to r1.
    void addCubic(vec3 p0, vec3 p1, vec3 p2, vec3 p3, float r0, float r1, int steps, int first, int last) {
        for (int k = first; k <= last; ++k) {
            float t = float(k) / float(steps);
            add(bezier(p0, p1, p2, p3, t), cubicBlend(r0, r1, t), false);
        }
    }
};

// The two-point closed shapes: circle, lens or flat loop.
void closedPair(const StrokeSample& s0, const StrokeSample& s1, int k0, int k1, Chain& out) {
    // plain points count as smooth here
    char a = "fsab"[k0 == Plain ? Smooth : k0], b = "fsab"[k1 == Plain ? Smooth : k1];
    vec3 p0 = s0.point, p1 = s1.point, m = (p0 + p1) * 0.5f;
    float r0 = s0.radius, r1 = s1.radius;
    size_t first = out.positions.size();
    if (a == 's' && b == 's') {
        const vec3 points[5] = {p0, m, p1, m, p0};
        const float rm = (r0 + r1) * 0.5f, rs[5] = {r0, rm, r1, rm, r0};
        const vec3 ns[5] = {s0.normal, vec3(), s1.normal, vec3(), s0.normal};
        for (int i = 0; i < 5; ++i) {
            out.add(points[i], rs[i], i % 2 == 0);
            out.normals.push_back(ns[i]);
        }
        return;
    }
    bool circle = a == 'a' || b == 'a';
    float D = (p1 - p0).length();
    if (circle && !(D > 0)) {
        // coincident points have no circle: the two points themselves
        out.add(p0, r0, false);
        out.add(p1, r1, false);
    } else if (circle) {
        vec3 u = unit(p0 - m), d = (p1 - p0) / D;
        vec3 w = unit(vec3(-d.y, d.x, d.z));
        float angle = sweep(u, w, unit(p1 - m));
        for (int i = 0; i < 32; ++i) {
            float f = float(i) * angle * 0.03125f;
            out.add(m + (u * std::cos(f) + w * std::sin(f)) * (D * 0.5f), cubicBlend(r0, r1, float(i) * 0.03125f),
                    false);
        }
        vec3 u2 = unit(p1 - m), w2 = -w;
        float angle2 = sweep(u2, w2, unit(p0 - m));
        for (int i = 0; i < 32; ++i) {
            float f = float(i) * angle2 * 0.03125f;
            out.add(m + (u2 * std::cos(f) + w2 * std::sin(f)) * (D * 0.5f), cubicBlend(r1, r0, float(i) * 0.03125f),
                    false);
        }
    } else {
        vec3 h = (p1 - p0) * 0.4f, k(-h.y, h.x, 0);
        vec3 A = a == 's' ? h : vec3(), B = b == 's' ? -h : vec3();
        out.addCubic(p0, p0 + k + A, p1 + k + B, p1, r0, r1, 32, 0, 31);
        out.addCubic(p1, p1 - k + B, p0 - k + A, p0, r1, r0, 32, 0, 31);
    }
    size_t added = out.positions.size() - first, half = added / 2;
    if (a == 's') out.marks[first] = true;
    if (b == 's') out.marks[first + half] = true;
    for (size_t i = 0; i < added; ++i) out.normals.push_back(i == 0 ? s0.normal : vec3());
}

struct Arcs {
    std::vector<vec3> centre, tangent;
    std::vector<float> radius;
    std::vector<uint8_t> has;
    explicit Arcs(size_t n) : centre(n), tangent(n), radius(n, 0.0f), has(n, 0) {}
    void set(int i, vec3 c, float r) {
        centre[size_t(i)] = c;
        radius[size_t(i)] = r;
        has[size_t(i)] = 1;
    }
};

// Arcs through runs of arc points, each run widened by its plain neighbours.
void findArcs(const std::vector<StrokeSample>& s, const std::vector<int>& kind, bool closed, Arcs& arcs) {
    const int n = int(s.size());
    auto p = [&](int i) { return s[size_t(((i % n) + n) % n)].point; };
    auto wrap = [&](int i) { return ((i % n) + n) % n; };
    // an arc from i along its tangent to point `to`; answers its end tangent, or none when straight
    auto arcFrom = [&](int i, vec3 to, vec3& endTangent) {
        vec3 c, e;
        float r = 0;
        arcFromTangent(p(i), arcs.tangent[size_t(i)], to, c, r, e);
        if (!(r > 0) || !std::isfinite(r)) return false;
        arcs.set(i, c, r);
        endTangent = e;
        return true;
    };
    int pos = 0;
    while (pos < n) {
        int start = pos;
        while (start < n && kind[size_t(start)] != Arc) ++start;
        if (start >= n) break;
        int end = start;
        while (end + 1 < n && kind[size_t(end + 1)] == Arc) ++end;
        pos = end + 1;
        bool hasPrev = closed || start > 0, hasNext = closed || end + 1 < n;
        int prev = wrap(start - 1), next = wrap(end + 1);
        if (start == end) {
            bool useCircle = hasPrev && hasNext && start != 0 && start != n - 1;
            if (closed) useCircle = useCircle || (start == 0 && kind[size_t(n - 1)] != Arc) || start == n - 1;
            if (!useCircle) continue;
            vec3 c, tA, tC;
            float r = 0;
            vec3 tB = circleThroughPoints(p(prev), p(start), p(next), c, r, tA, tC);
            // collinear points pass straight
            if (!(r > 0) || !std::isfinite(r)) continue;
            arcs.set(prev, c, r);
            arcs.set(start, c, r);
            arcs.tangent[size_t(prev)] = tA;
            arcs.tangent[size_t(start)] = tB;
            if (!arcs.has[size_t(next)]) arcs.tangent[size_t(next)] = tC;
            vec3 ignored;
            if (closed && start == n - 1 && kind[0] == Arc && n > 1) arcFrom(0, p(1), ignored);
            continue;
        }
        int s0 = start, e0 = end;
        if (start > 0 && kind[size_t(prev)] != Arc) s0 = start - 1;
        if (!closed) {
            if (end + 1 < n) e0 = end + 1;
        } else {
            e0 = end + 1;
            if (end == n - 1 && kind[0] == Arc && n > 1 && kind[1] != Arc) e0 = n + 1;
        }
        int count = e0 - s0 + 1;
        if (count < 3) continue;
        int a = wrap(s0), b = wrap(s0 + 1), c = wrap(s0 + 2);
        vec3 centre, tA, tC;
        float r = 0;
        vec3 tB = circleThroughPoints(p(a), p(b), p(c), centre, r, tA, tC);
        if (r > 0 && std::isfinite(r)) {
            arcs.set(a, centre, r);
            arcs.set(b, centre, r);
            arcs.tangent[size_t(a)] = tA;
            arcs.tangent[size_t(b)] = tB;
            if (!arcs.has[size_t(c)]) {
                arcs.tangent[size_t(c)] = tC;
                vec3 ignored;
                if (count == 4) arcFrom(c, p(s0 + 3), ignored);
            }
        }
        for (int j = s0 + 3; j <= e0; ++j) {
            int before = wrap(j - 1), here = wrap(j);
            vec3 endTangent;
            if (!arcFrom(before, p(j), endTangent)) continue;
            if (arcs.has[size_t(here)]) continue;
            arcs.tangent[size_t(here)] = endTangent;
            vec3 ignored;
            if (j == e0 - 1) arcFrom(here, p(j + 1), ignored);
        }
    }
}

} // namespace

mat4 transformPrimitives(const Assemblor& source, std::vector<StrokeSample>& out, const mat4& frame) {
    dmat3 A;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) A[3 * r + c] = frame[4 * r + c];
    double d = det(A);
    dmat3 inv; // identity: a singular frame maps nothing
    dvec3 t;
    double k = 1;
    if (d != 0 && std::isfinite(d)) {
        inv = inverse(A);
        dvec3 ft(frame[3], frame[7], frame[11]);
        for (int r = 0; r < 3; ++r) (&t.x)[r] = -(inv[3 * r] * ft.x + inv[3 * r + 1] * ft.y + inv[3 * r + 2] * ft.z);
        // a mirroring frame has a negative determinant: its size is the real cube root of |det|
        k = std::cbrt(std::fabs(1.0 / d));
    }
    auto apply = [&](vec3 v, dvec3 shift) {
        dvec3 r;
        for (int i = 0; i < 3; ++i)
            (&r.x)[i] = inv[3 * i] * v.x + inv[3 * i + 1] * v.y + inv[3 * i + 2] * v.z + (&shift.x)[i];
        return r.toFloat();
    };
    for (const AStroke& stroke : source.strokes)
        for (const PickRecord& pick : stroke.picks) {
            StrokeSample s(pick);
            s.point = apply(s.point, t);
            s.normal = apply(s.normal, dvec3());
            s.radius = float(double(s.radius) * k);
            out.push_back(s);
        }
    return mat4();
}

void sampleStrokeChain(const std::vector<StrokeSample>& s, std::vector<vec3>& positions, std::vector<vec3>& normals,
                       std::vector<float>& radii, std::vector<bool>& marks, bool closed) {
    Chain out{positions, normals, radii, marks};
    const int n = int(s.size());
    if (n == 0) return;
    // one letter per sample: a kind outside the four counts as plain
    std::vector<int> kind(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        kind[size_t(i)] = s[size_t(i)].pointKind <= Smooth ? int(s[size_t(i)].pointKind) : Plain;
    if (closed && n == 2) {
        closedPair(s[0], s[1], kind[0], kind[1], out);
        return;
    }
    Arcs arcs{size_t(n)};
    findArcs(s, kind, closed, arcs);
    auto exists = [&](int i) { return closed || (i >= 0 && i < n); };
    auto at = [&](int i) { return ((i % n) + n) % n; };
    for (int i = 0; i < n; ++i) {
        const StrokeSample& si = s[size_t(i)];
        const bool hasNext = exists(i + 1), hasNext2 = exists(i + 2), hasPrev = exists(i - 1);
        const int next = at(i + 1), next2 = at(i + 2), prev = at(i - 1);
        const vec3 pi = si.point;
        if (arcs.has[size_t(i)] && hasNext) {
            vec3 O = arcs.centre[size_t(i)];
            float R = arcs.radius[size_t(i)];
            vec3 u = unit(pi - O), t = unit(arcs.tangent[size_t(i)]);
            float angle = sweep(u, t, unit(s[size_t(next)].point - O));
            for (int k = 0; k < 20; ++k) {
                float f = float(k) * angle / 20.0f;
                out.add(O + (u * std::cos(f) + t * std::sin(f)) * R,
                        cubicBlend(si.radius, s[size_t(next)].radius, float(k) / 20.0f),
                        k == 0 && kind[size_t(i)] == Corner);
            }
            continue;
        }
        const bool smooth = kind[size_t(i)] == Smooth;
        if (!smooth) out.add(pi, si.radius, kind[size_t(i)] == Corner);
        if (!hasNext) {
            if (smooth) out.add(pi, si.radius, false);
            continue;
        }
        if (!smooth && kind[size_t(next)] != Smooth) continue;
        // a cubic from i to next
        vec3 pn = s[size_t(next)].point;
        float L = 0.5f * (pn - pi).length();
        vec3 E;
        if (!isNull(arcs.tangent[size_t(next)]))
            E = arcs.tangent[size_t(next)] * L;
        else if (hasNext2 && kind[size_t(next)] == Smooth)
            E = (s[size_t(next2)].point - pi) * 0.25f;
        else if (hasNext2 && kind[size_t(next)] == Corner && kind[size_t(next2)] == Corner)
            E = s[size_t(next2)].point - pn;
        vec3 S;
        if (!isNull(arcs.tangent[size_t(i)]))
            S = arcs.tangent[size_t(i)] * L;
        else if (!smooth)
            S = hasPrev && kind[size_t(i)] == Corner && kind[size_t(prev)] == Corner ? pi - s[size_t(prev)].point
                                                                                     : ((pn - E) - pi) * 0.5f;
        else if (!hasPrev)
            S = ((pn - E) - pi) * 0.5f;
        else
            S = (pn - s[size_t(prev)].point) * 0.25f;
        E = shortened(E, L);
        S = shortened(S, L);
        if (isNull(E) && !hasNext2) E = shortened(((pn - pi) - S) * 0.5f, L);
        out.addCubic(pi, pi + S, pn - E, pn, si.radius, s[size_t(next)].radius, 20, smooth ? 0 : 1, 19);
    }
}

mat4 buildStrokeChain(const Assemblor& source, std::vector<vec3>& positions, std::vector<vec3>& normals,
                      std::vector<float>& radii, std::vector<bool>& marks, bool closed, const mat4& frame) {
    std::vector<StrokeSample> samples;
    mat4 result = transformPrimitives(source, samples, frame);
    sampleStrokeChain(samples, positions, normals, radii, marks, closed);
    return result;
}

} // namespace kal
