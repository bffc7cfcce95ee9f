#pragma once
// Sampling of the circular arcs along which the sphere operations cut.
#include <vector>

#include "foundation/Vec.h"

namespace kal {

// Samples the arc from a round centre towards axis, to b, at the given radius, in edges of less
// than maxStep radians. An arc of at most maxStep needs no inner point: returns 0 and appends
// nothing. Otherwise appends the n + 1 points from a to b (both included) and returns n + 1.
int subdivideArc(const dvec3& a, const dvec3& axis, const dvec3& b, const dvec3& centre, double radius, double maxStep,
                 std::vector<dvec3>& out);

} // namespace kal
