#pragma once
// A closed 2D outline turned into a regular-grid mesh of its interior, lifted by a
// height profile computed from a distance field on the GPU:
//   0 flat (no GPU work), 1 and 2 union of spheres, 3 chamfer, 4 distance (cone),
//   5 square root, 6 sine, 7 2t - sine; higher values behave as 4.
// The grid is `resolution` cells along the outline's longer side, with a margin of
// three cells. The output is in the outline's own units; heights are scaled with it.
#include "foundation/Outline.h"

#include <cstdint>
#include <vector>

namespace kal {

// Appends the mesh: points, one flag per point (true for a vertex made from a pinned
// outline point) and three indices into `points` per triangle. Needs the GL context
// current unless the profile is 0. Answers false, appending nothing, for an outline
// that has no area to fill (fewer than three points, a zero-width or zero-height box,
// non-finite coordinates) or an unusable resolution.
bool outlineDepthField(const Outline& outline, std::vector<vec3>& points, std::vector<bool>& flags,
                       std::vector<int>& triangles, std::uint8_t profile, float resolution);

} // namespace kal
