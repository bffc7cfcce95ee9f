#pragma once
// Circular arcs through stroke points. Tangents are unit directions of travel, so the end
// tangent of one arc can start the next.
#include "foundation/Vec.h"

namespace kal {

// The arc that leaves a along t and passes through b. When no arc exists (b on the line of t,
// or a = b) it writes radius 0, the chord's midpoint as centre and t's direction as endTangent.
void arcFromTangent(const vec3& a, const vec3& t, const vec3& b, vec3& centre, float& radius, vec3& endTangent);

// The circle through a, b and c travelled from a through b to c; answers the tangent at b.
// Collinear or coincident points give radius 0, centre (0, 0, 0), tangentA = a − b,
// tangentC = c − b and the unit direction from a to c at b.
vec3 circleThroughPoints(const vec3& a, const vec3& b, const vec3& c, vec3& centre, float& radius, vec3& tangentA,
                         vec3& tangentC);

// The same with the tangent at b as the first, written argument.
inline void circleThroughPoints(vec3& tangentB, const vec3& a, const vec3& b, const vec3& c, vec3& centre,
                                float& radius, vec3& tangentA, vec3& tangentC) {
    tangentB = circleThroughPoints(a, b, c, centre, radius, tangentA, tangentC);
}

} // namespace kal
