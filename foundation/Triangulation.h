#pragma once
// Quality triangulation of the interior of a closed 2D outline.
#include "foundation/Outline.h"

#include <vector>

namespace kal {

// True when the outline can be handed to the triangulator: at least three points (and
// as many flags), finite coordinates, a non-zero extent in x and y, no repeated point
// and no two edges meeting anywhere but at their shared corner.
bool isSimpleOutline(const Outline& outline);

// Triangulates the outline's interior with no angle below 30 degrees. Appends the output
// points (the outline's own first, in order, carrying their flags; added points carry
// false) and three indices per triangle, counted from the first point appended by this
// call. With splitBoundary false no point is added on the outline's edges. Answers false,
// leaving the vectors untouched, for an outline that isSimpleOutline rejects.
bool triangulateOutline(const Outline& outline, std::vector<vec2>& points, std::vector<bool>& flags,
                        std::vector<int>& triangles, bool splitBoundary);

} // namespace kal
