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

// The side of the plane through q facing along n that p lies on: 1 ahead, -1 behind (a point that
// is not finite too), 0 on it to within float rounding. A cut point rounded to float lands in that
// band, and so does a vertex placed by float trigonometry on a plane through the origin: a cut
// takes such a vertex as a point of its line instead of splitting an edge a rounding away from it.
inline int planeSide(const vec3& p, const dvec3& q, const dvec3& n) {
    const dvec3 d = dvec3(p) - q;
    const double along = d.x * n.x + d.y * n.y + d.z * n.z;
    // a few float steps of the larger of p and q, along n
    const double reach = std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z) + std::fabs(q.x) + std::fabs(q.y) +
                         std::fabs(q.z);
    const double band = 0x1p-22 * reach * std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (std::fabs(along) <= band && std::isfinite(band)) return 0;
    return along > 0 ? 1 : -1;
}

} // namespace kal::editing
