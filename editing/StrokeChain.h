#pragma once
// The points of a Draw stroke as a sampled chain of curve points in the drawing frame: straight
// through plain and corner points, circular arcs through runs of arc points, cubics into and out
// of smooth points; two points of a closed chain make a circle, a lens or a flat loop.
#include <vector>

#include "foundation/Mat.h"
#include "scene/Gesture.h"

namespace kal {

// Appends one sample per pick record of the drawing's strokes (stroke order, then record order),
// carried into the local space of frame: points by its inverse, normals by the inverse's 3x3, radii
// divided by the frame's size (the cube root of |det|). A singular frame counts as the identity.
// Returns the identity.
mat4 transformPrimitives(const Assemblor& source, std::vector<StrokeSample>& out, const mat4& frame);

// Appends the chain of the drawing's strokes in the local space of frame: positions, one radius and
// one corner mark per position; normals only for the two-point closed shapes (the first N0, the rest
// zero). Returns the identity, the frame of the positions relative to the drawing frame.
mat4 buildStrokeChain(const Assemblor& source, std::vector<vec3>& positions, std::vector<vec3>& normals,
                      std::vector<float>& radii, std::vector<bool>& marks, bool closed, const mat4& frame);

// The chain of samples already in the drawing frame.
void sampleStrokeChain(const std::vector<StrokeSample>& samples, std::vector<vec3>& positions,
                       std::vector<vec3>& normals, std::vector<float>& radii, std::vector<bool>& marks, bool closed);

} // namespace kal
