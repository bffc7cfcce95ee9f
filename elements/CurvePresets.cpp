// The curve presets of the shape menus and the flattening of a drawn outline onto the plane that
// fits its points best.
#include <cmath>

#include "elements/Curve.h"

namespace kal {

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double pi = 3.141592653589793;

Curve* closedCurve(const std::vector<vec3>& positions) { return new Curve(positions, true, 0); }

void setAllRadii(Curve& c, float r) {
    for (CurvePoint& p : c.points) p.radius = r;
}

} // namespace

Curve* Curve::makeSegmentAtOrigin() {
    Curve* c = new Curve({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    c->markAll();
    c->rebuild(Recenter::Keep);
    return c;
}

Curve* Curve::makeSegment() {
    Curve* c = new Curve({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    c->markAll();
    c->rebuild(Recenter::Mean);
    return c;
}

Curve* Curve::makeLine(int n, Recenter recenter) {
    if (n < 1) n = 1; // the coordinates divide by n
    std::vector<vec3> p;
    for (int i = 0; i <= n; ++i) p.push_back(vec3(float(i) / float(n), 0, 0));
    Curve* c = new Curve(p, false, 0);
    c->rebuild(recenter);
    return c;
}

Curve* Curve::makeTriangle() {
    Curve* c = closedCurve({vec3(-1, 0, 0), vec3(1, 0, 0), vec3(0, 1.7320508f, 0)});
    c->markAll();
    c->rebuild(Recenter::Mean);
    c->scale = 1.0f;
    return c;
}

Curve* Curve::makeRectangle(float w, float h) {
    Curve* c = closedCurve({vec3(0, 0, 0), vec3(0, h, 0), vec3(w, h, 0), vec3(w, 0, 0)});
    c->markAll();
    c->rebuild(Recenter::Mean);
    c->scale = 0.5f * std::max(w, h);
    return c;
}

Curve* Curve::makeCircle(int n, bool mark) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) {
        const float a = float(i * (twoPi / n));
        p.push_back(vec3(float(std::cos(a)), float(std::sin(a)), 0));
    }
    Curve* c = closedCurve(p);
    c->scale = 1.0f;
    setAllRadii(*c, float(c->length() / (n + 0.4)));
    if (mark) c->markAll();
    return c;
}

Curve* Curve::makeDoubleArc(int n, bool mark) {
    int h = n / 2;
    if (h == 0) h = 1;
    const int N = 2 * h + 6;
    std::vector<vec3> p(size_t(N), vec3{});
    for (int i = 0; i <= h; ++i) {
        const float a = float(i * (pi / h));
        const float x = float(std::cos(a)), y = float(1.0 + std::sin(a));
        p[size_t(1 + i)] = vec3(x, y, 0);
        p[size_t(N - 2 - i)] = vec3(x, -y, 0);
    }
    const float d = 0.1f;
    p[0] = vec3(p[1].x, p[1].y - d, 0);
    p[size_t(N - 1)] = vec3(p[1].x, -(p[1].y - d), 0);
    p[size_t(h + 2)] = vec3(p[size_t(h + 1)].x, p[size_t(h + 1)].y - d, 0);
    p[size_t(h + 3)] = vec3(p[size_t(h + 1)].x, -(p[size_t(h + 1)].y - d), 0);
    Curve* c = closedCurve(p);
    c->scale = 1.0f;
    setAllRadii(*c, float(c->length() / (N + 0.4)));
    if (mark) {
        for (int i : {0, h + 2, h + 3, N - 1}) c->points[size_t(i)].flags |= PointMarked;
    }
    return c;
}

Curve* Curve::makeTrefoilKnot(int n) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) {
        const double t = float((i * twoPi) / n);
        p.push_back(vec3(float(std::sin(t) + 2 * std::sin(2 * t)), float(std::cos(t) - 2 * std::cos(2 * t)),
                         float(-1.8 * std::sin(3 * t))));
    }
    Curve* c = closedCurve(p);
    setAllRadii(*c, float(c->length() / (n + 0.4)));
    c->scale = 3.0f;
    return c;
}

Curve* Curve::makeTorusKnot(int pw, int qw, int n) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) {
        const double t = float((i * twoPi) / n);
        const double r = std::cos(qw * t) + 1.5;
        p.push_back(vec3(float(r * std::cos(pw * t)), float(r * std::sin(pw * t)), float(-std::sin(qw * t))));
    }
    return closedCurve(p);
}

Outline Curve::projectOntoFitPlane(const Curve& curve, mat4& M) {
    Outline out;
    M = mat4();
    double sum[3] = {0, 0, 0}, sq[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    const double n = double(curve.points.size());
    for (size_t i = 0; i < curve.points.size(); ++i) {
        const vec3 q = curve.points[i].position;
        const double c[3] = {q.x, q.y, q.z};
        for (int a = 0; a < 3; ++a) {
            sum[a] += c[a];
            for (int b = 0; b < 3; ++b) sq[a][b] += c[a] * c[b];
            lo[a] = i == 0 ? c[a] : std::min(lo[a], c[a]);
            hi[a] = i == 0 ? c[a] : std::max(hi[a], c[a]);
        }
    }
    if (curve.points.size() < 3) return out;
    const double e[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    int first = 0;
    if (e[1] < e[0] && e[1] < e[2]) first = 1;
    if (e[2] < e[0] && e[2] < e[1]) first = 2;
    if (e[0] < e[1] && e[0] < e[2]) first = 0;

    // The fit w = a u + b v + c is singular when u and v are dependent: collinear points, or a
    // plane that contains the w axis. Then another axis is tried as w.
    vec3 normal;
    bool found = false;
    for (int attempt = 0; attempt < 3 && !found; ++attempt) {
        const int w = (first + attempt) % 3;
        const int u = w == 0 ? 1 : 0, v = w == 2 ? 1 : 2;
        const double mu = sum[u] / n, mv = sum[v] / n;
        const double cuu = sq[u][u] / n - mu * mu, cvv = sq[v][v] / n - mv * mv, cuv = sq[u][v] / n - mu * mv;
        const double spread = cuu * cvv;
        if (!(spread > 0.0) || cuu * cvv - cuv * cuv <= 1e-9 * spread) continue;
        dmat3 A{{sq[u][u], sq[u][v], sum[u], sq[u][v], sq[v][v], sum[v], sum[u], sum[v], n}};
        const dmat3 I = inverse(A);
        const double r[3] = {sq[u][w], sq[v][w], sum[w]};
        const double a = I[0] * r[0] + I[1] * r[1] + I[2] * r[2];
        const double b = I[3] * r[0] + I[4] * r[1] + I[5] * r[2];
        if (!std::isfinite(a) || !std::isfinite(b)) continue;
        float N[3];
        N[u] = float(a);
        N[v] = float(b);
        N[w] = -1.0f;
        normal = normalize(vec3(N[0], N[1], N[2]));
        found = true;
    }
    if (!found) return out;

    const mat3 F = mat3::frameFromDirection(-normal);
    const mat3 Ft{{F[0], F[3], F[6], F[1], F[4], F[7], F[2], F[5], F[8]}};
    M = mat4::fromMat3(Ft);
    for (const CurvePoint& p : curve.points) {
        const vec3 q = p.position;
        const float w = M[12] * q.x + M[13] * q.y + M[14] * q.z + M[15];
        out.points.push_back(
            vec2((M[0] * q.x + M[1] * q.y + M[2] * q.z + M[3]) / w, (M[4] * q.x + M[5] * q.y + M[6] * q.z + M[7]) / w));
        out.flags.push_back(p.flags & PointMarked);
    }
    M = inverseAffine(M);
    return out;
}

} // namespace kal
