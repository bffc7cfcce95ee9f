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

// Some float steps of values whose magnitudes sum to reach: a measure made from them strays no
// further than this from its exact value once they are rounded to float. A cut takes a point this
// close to its plane or sphere as on it, as the point it made there and rounded to float is; so
// does a symmetric copy, whose plane or sphere carries the rounding of its own making too.
inline double roundingBand(double reach) { return 0x1p-20 * reach; }
// The band of a distance measured from p.
inline double roundingBand(const dvec3& p) { return roundingBand(std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z)); }

// The side of the plane through q facing along n that p lies on: 1 ahead, -1 behind, 0 on it to
// within the float rounding of p and q along n. Their extent across n widens that only by a few
// double steps, which a point placed on the plane in double (by trigonometry, say) keeps across
// it. A cut takes a point on it as a point of its line instead of splitting an edge a rounding
// away from it. A point that is not finite is never on it: it lies on the side its distance along
// n runs off to, and behind when that distance is not a number.
inline int planeSide(const vec3& p, const dvec3& q, const dvec3& n) {
    const dvec3 d = dvec3(p) - q;
    const double along = d.x * n.x + d.y * n.y + d.z * n.z;
    const dvec3 a(std::fabs(n.x), std::fabs(n.y), std::fabs(n.z));
    const dvec3 s(std::fabs(p.x) + std::fabs(q.x), std::fabs(p.y) + std::fabs(q.y), std::fabs(p.z) + std::fabs(q.z));
    const double band =
        roundingBand(a.x * s.x + a.y * s.y + a.z * s.z) + 0x1p-50 * (a.x + a.y + a.z) * (s.x + s.y + s.z);
    if (std::fabs(along) <= band && std::isfinite(band)) return 0;
    return along > 0 ? 1 : -1;
}

} // namespace kal::editing
