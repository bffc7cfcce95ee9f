#pragma once
// The push steps of the extrusion and tear strokes, for the dispatcher.
#include "mesh/Mesh.h"

namespace kal::editing {

// Pushes the patch of the triangle (every patch seeded below the start count when `all` is set)
// along its mean normal by the step from previous to current measured on the picked patch. With
// `keep`, the mesh's stroke cache keeps the patches and normals found, and a later step of the same
// stroke moves those without looking for them again: the steps change no face normal.
void pushStep(Mesh& m, const vec3& previous, const vec3& current, int triangle, bool all, bool keep);

// selectPatch(point, true, triangle) with the previous selection cleared in parallel.
bool selectPatchAfresh(Mesh& m, const vec3& point, int& triangle);

} // namespace kal::editing
