#pragma once
// The nearest point of a bilinear quad to a target, searched on a fixed 512 x 512 grid: picks on
// tubes and revolutions snap onto the quad their item id names, and that grid decides where.
#include "foundation/Vec.h"

namespace kal {

constexpr int kPatchGrid = 512;

// X(v, u) = (P00 (1 - v) + P10 v)(1 - u) + (P01 (1 - v) + P11 v) u with v, u on the grid k / 511.
// The nearest grid point wins; on equal distances the earlier one (v first, then u). Answers X
// there and its (v, u).
vec3 closestPatchPoint(vec3 P00, vec3 P10, vec3 P01, vec3 P11, vec3 q, float& v, float& u);

// Whether a pick that snapped to X on the quad plausibly lay on it: within twice the quad's
// largest corner distance. An id that names some other quad (a copy drawn under another id) puts
// the pick far away; read-back error near a small quad does not.
bool pickOnPatch(vec3 P00, vec3 P10, vec3 P01, vec3 P11, vec3 q, vec3 X);

} // namespace kal
