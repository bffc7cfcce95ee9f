// The particular matrices every transform is composed from: rotations, frames, reflections,
// stretches and the axis constraints of tools. Degenerate inputs get fixed, finite fallbacks.
#include "foundation/Mat.h"

#include <cmath>

namespace kal {

namespace {

constexpr float kTinyComponent = 1e-20f;

bool allComponentsTiny(vec3 v) {
    return std::fabs(v.x) < kTinyComponent && std::fabs(v.y) < kTinyComponent && std::fabs(v.z) < kTinyComponent;
}

// normalize() leaves such a vector as it is, so it cannot serve as a frame axis.
bool cannotNormalize(vec3 v) { return !(v.lengthSquared() > kNullLengthSquared); }

// I + s·K + (1 − c)·K² for the cross-product matrix K of the unit vector k.
mat3 rodrigues(vec3 k, float s, float c) {
    const float t = 1.0f - c;
    const float xx = -(k.y * k.y + k.z * k.z), yy = -(k.x * k.x + k.z * k.z), zz = -(k.x * k.x + k.y * k.y);
    const float xy = k.x * k.y, xz = k.x * k.z, yz = k.y * k.z;
    return mat3{{1 + t * xx, -s * k.z + t * xy, s * k.y + t * xz, s * k.z + t * xy, 1 + t * yy, -s * k.x + t * yz,
                 -s * k.y + t * xz, s * k.x + t * yz, 1 + t * zz}};
}

mat3 scaled(mat3 a, float s) {
    for (float& e : a.m) e *= s;
    return a;
}

mat3 transposed(const mat3& a) {
    return mat3{{a.m[0], a.m[3], a.m[6], a.m[1], a.m[4], a.m[7], a.m[2], a.m[5], a.m[8]}};
}

// Upper 3x3 = a, translation chosen so that the point `fixed` stays where it is.
mat4 aboutPoint(const mat3& a, vec3 fixed) {
    mat4 r = mat4::fromMat3(a);
    r.setTranslation(fixed - fixed * a);
    return r;
}

// The uniform scale of a: the real cube root of |det| (a mirror would have no real root of
// det itself), 0 for singular or non-finite input.
float uniformScale(const mat3& a, float& detSign) {
    const float d = det(a);
    detSign = d < 0 ? -1.0f : 1.0f;
    if (!(std::fabs(d) > 0.0f) || !std::isfinite(d)) return 0.0f;
    return float(std::pow(double(std::fabs(d)), 1.0 / 3.0));
}

// The turn of a (divided by its scale s > 0) about the unit axis n, measured on the image of a
// unit vector r perpendicular to n.
float turnAbout(const mat3& a, vec3 n, float s, const mat3& frame) {
    const vec3 r = frame.column(0);
    vec3 u = (r * a) / s;
    const float k = dot(n, u);
    u = normalize(u - n * k);
    const float cosPart = dot(r, u);
    const vec3 w = cross(r, u);
    const float sign = dot(n, w) < 0 ? -1.0f : 1.0f;
    return std::atan2(sign * w.length(), cosPart);
}

} // namespace

mat3 mat3::reflection(vec3 n) {
    if (n.x == 0 && n.y == 0 && n.z == 0) return mat3();
    n = normalize(n);
    return mat3{{1 - 2 * n.x * n.x, -2 * n.x * n.y, -2 * n.x * n.z, -2 * n.y * n.x, 1 - 2 * n.y * n.y, -2 * n.y * n.z,
                 -2 * n.z * n.x, -2 * n.z * n.y, 1 - 2 * n.z * n.z}};
}

mat3 mat3::rotationEuler(float a, float b, float c) {
    const float sa = float(std::sin(double(a))), ca = float(std::cos(double(a)));
    const float sb = float(std::sin(double(b))), cb = float(std::cos(double(b)));
    const float sc = float(std::sin(double(c))), cc = float(std::cos(double(c)));
    return mat3{{cb * cc, sa * sb * cc + ca * sc, sa * sc - ca * sb * cc, -cb * sc, ca * cc - sa * sb * sc,
                 ca * sb * sc + sa * cc, sb, -sa * cb, ca * cb}};
}

mat3 mat3::rotationAxisAngle(vec3 axis, float angle) {
    // the element form below assumes a unit axis; an axis too short to normalise turns nothing
    if (cannotNormalize(axis)) return mat3();
    const vec3 n = normalize(axis);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    const float x = n.x, y = n.y, z = n.z;
    return mat3{{c + x * x * t, x * y * t - z * s, x * z * t + y * s, x * y * t + z * s, c + y * y * t,
                 y * z * t - x * s, x * z * t - y * s, y * z * t + x * s, c + z * z * t}};
}

mat3 mat3::rotationBetween(const vec3& a, const vec3& b) {
    const vec3 c = cross(a, b);
    const float d = dot(a, b);
    if (c.lengthSquared() < kNullLengthSquared) return d >= 0 ? mat3() : scaling(-1, -1, -1);
    const float s = c.length();
    const double h2 = double(d) * d + double(s) * s;
    float cosTheta = d, sinTheta = s;
    if (h2 > kNullLengthSquared) {
        const float h = float(std::sqrt(h2));
        cosTheta = d / h;
        sinTheta = s / h;
    }
    return rodrigues(c / s, sinTheta, cosTheta);
}

mat3 mat3::stretch(vec3 n, float k) {
    n = normalize(n);
    mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[3 * i + j] += k * n[i] * n[j];
    return r;
}

mat3 mat3::mapVectorOnto(const vec3& a, const vec3& b) {
    // a source without length has no defined image: leave everything in place
    const double a2 = a.lengthSquared();
    if (!(a2 > kNullLengthSquared)) return mat3();
    mat3 r = rotationBetween(a, b);
    const double f = std::sqrt(b.lengthSquared() / a2);
    r *= stretch(b, float(f - 1.0));
    return r;
}

mat3 mat3::rotatedBy(const mat3& a, const mat4& b) {
    mat3 r = a;
    r *= b.upper3();
    return r;
}

mat3 mat3::frameFromDirection(vec3 d) {
    if (allComponentsTiny(d) || cannotNormalize(d)) return mat3();
    const vec3 n = normalize(d);
    vec3 x = cross(vec3(1, 0, 0), n);
    const vec3 y = cross(vec3(0, 1, 0), n);
    const vec3 z = cross(vec3(0, 0, 1), n);
    if (y.lengthSquared() > x.lengthSquared()) x = y;
    if (z.lengthSquared() > x.lengthSquared()) x = z;
    x = normalize(x);
    mat3 f;
    f.setColumn(0, x);
    f.setColumn(1, cross(n, x));
    f.setColumn(2, n);
    return f;
}

namespace {

// The hint made perpendicular to the unit direction n; false when it has no usable part.
bool perpendicularHint(vec3 hint, vec3 d, vec3& n, vec3& q) {
    if (allComponentsTiny(hint - d) || allComponentsTiny(hint) || allComponentsTiny(d) || cannotNormalize(d))
        return false;
    n = normalize(d);
    const float k = dot(hint, n);
    q = hint - n * k;
    if (allComponentsTiny(q) || cannotNormalize(q)) return false;
    q = normalize(q);
    return true;
}

} // namespace

mat3 mat3::frameFromDirectionAndUp(vec3 up, vec3 d) {
    vec3 n, q;
    if (!perpendicularHint(up, d, n, q)) return frameFromDirection(d);
    mat3 f;
    f.setColumn(0, cross(q, n));
    f.setColumn(1, q);
    f.setColumn(2, n);
    return f;
}

mat3 mat3::frameFromDirectionAndSide(vec3 side, vec3 d) {
    vec3 n, q;
    if (!perpendicularHint(side, d, n, q)) return frameFromDirection(d);
    mat3 f;
    f.setColumn(0, q);
    f.setColumn(1, cross(n, q));
    f.setColumn(2, n);
    return f;
}

float mat3::angleAbout(mat3 a, vec3 axis) {
    float detSign;
    const float s = uniformScale(a, detSign);
    if (s == 0.0f) return 0.0f; // a flat or broken matrix turns by nothing we could measure
    const vec3 n = normalize(axis);
    return turnAbout(a, n, s, frameFromDirection(n));
}

mat3 mat3::constrainedRotation(mat3 a, vec3 axis) {
    float detSign;
    const float s = uniformScale(a, detSign);
    if (s == 0.0f) return mat3();
    const vec3 n = normalize(axis);
    const mat3 f = frameFromDirection(n);
    const float theta = turnAbout(a, n, s, f);
    // a mirrored input keeps its mirror, as the reflection across the plane perpendicular to the axis
    mat3 r = transposed(f);
    r *= scaling(1, 1, detSign);
    r *= rotationAxisAngle(vec3(0, 0, 1), theta);
    r *= f;
    return scaled(r, s);
}

mat4 mat4::mapPointAbout(const vec3& pivot, const vec3& from, const vec3& to) {
    return aboutPoint(mat3::mapVectorOnto(from - pivot, to - pivot), pivot);
}

mat4 mat4::planeReflection(const vec3& n, const vec3& p) { return aboutPoint(mat3::reflection(n), p); }

mat4 mat4::constrainToAxis(const mat4& M, vec3 axis) {
    if (axis.x == 0 && axis.y == 0 && axis.z == 0) return M;
    const vec3 n = normalize(axis);
    mat4 r = fromMat3(M.upper3());
    r.setTranslation(n * dot(n, M.translation()));
    return r;
}

mat4 mat4::constrainRotationToAxis(const mat4& M, vec3 axis) {
    if (axis.x == 0 && axis.y == 0 && axis.z == 0) return M;
    mat4 r = fromMat3(mat3::constrainedRotation(M.upper3(), axis));
    r.setTranslation(M.translation());
    return r;
}

} // namespace kal
