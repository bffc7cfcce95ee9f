#include "editing/EditingMath.h"

#include <algorithm>
#include <cstdint>

namespace kal::editing {

mat4 rotationTurning(const vec3& a, const vec3& b, const vec3& axis) {
    // the same parallel test as rotationBetween, which answers minus the identity here
    if (cross(a, b).lengthSquared() >= kNullLengthSquared || dot(a, b) >= 0) return mat4::rotationBetween(a, b);
    // a half turn about u: 2 u u^T - I
    vec3 u = normalize(axis);
    bool usable = u.lengthSquared() > 0.5 && std::fabs(dot(u, normalize(a))) < 1e-3f;
    if (!usable) u = mat3::frameFromDirection(a).column(0);
    mat4 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[4 * i + j] = 2 * u[i] * u[j] - (i == j ? 1.0f : 0.0f);
    return r;
}

namespace {

int64_t blendChannel(int64_t old, int64_t m, double keep) { return int64_t(double(old - m) * keep + double(m)); }

uint16_t unsignedChannel(uint16_t old, uint16_t m, double keep) {
    return uint16_t(std::clamp<int64_t>(blendChannel(old, m, keep), 0, 65535));
}

int16_t signedChannel(int16_t old, int16_t m, double keep) {
    return int16_t(std::clamp<int64_t>(blendChannel(old, m, keep), -kPbrSignedLimit, kPbrSignedLimit));
}

} // namespace

pbr blendTowards(const pbr& old, const pbr& m, double keep, uint8_t mask) {
    pbr out = old;
    if (mask & kPbrColor) {
        out.red = unsignedChannel(old.red, m.red, keep);
        out.green = unsignedChannel(old.green, m.green, keep);
        out.blue = unsignedChannel(old.blue, m.blue, keep);
    }
    if (mask & kPbrLight) {
        out.lightRed = unsignedChannel(old.lightRed, m.lightRed, keep);
        out.lightGreen = unsignedChannel(old.lightGreen, m.lightGreen, keep);
        out.lightBlue = unsignedChannel(old.lightBlue, m.lightBlue, keep);
    }
    if (mask & kPbrRoughness) out.roughness = signedChannel(old.roughness, m.roughness, keep);
    if (mask & kPbrMetalness) out.metalness = signedChannel(old.metalness, m.metalness, keep);
    if (mask & kPbrOpacity) out.opacity = unsignedChannel(old.opacity, m.opacity, keep);
    if (mask & kPbrRefractivity) out.refractivity = unsignedChannel(old.refractivity, m.refractivity, keep);
    return out;
}

} // namespace kal::editing
