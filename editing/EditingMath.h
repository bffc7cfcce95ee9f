#pragma once
// Small numeric helpers shared by the editing operations.
#include <cmath>
#include <cstddef>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal::editing {

// The brush falloff: 1 at the centre (t = 0), 0 at the rim (t = 1), flat at both ends.
inline float falloff(float t) { return ((t + t - 3) * t * t) + 1; }

// d without its component along the unit axis a.
inline vec3 withoutAxis(vec3 d, vec3 a) {
    double k = double(d.x) * a.x + double(d.y) * a.y + double(d.z) * a.z;
    return vec3(float(d.x - a.x * k), float(d.y - a.y * k), float(d.z - a.z * k));
}

// The mean direction of count unit face normals summing to sum; none when they cancel (a closed
// region), since rounding alone would then choose where it points.
inline vec3 meanNormal(vec3 sum, size_t count) {
    const double least = 1e-4 * double(count);
    return double(sum.lengthSquared()) > least * least ? normalize(sum) : vec3();
}

// The rotation turning the direction of a onto that of b. Opposite directions give a half turn
// about `axis` when it is perpendicular to a (else about a perpendicular of a), never a mirror.
mat4 rotationTurning(const vec3& a, const vec3& b, const vec3& axis);

// old moved toward m by (1 - keep) in the masked channels: each becomes m + (old - m) keep,
// truncated toward zero; colour channels saturate to 0..65535, roughness and metalness to
// -32766..32766.
pbr blendTowards(const pbr& old, const pbr& m, double keep, uint8_t mask);

} // namespace kal::editing
