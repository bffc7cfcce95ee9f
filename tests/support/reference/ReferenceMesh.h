#pragma once
// The plain forms of the mesh operations, for the tests to hold the program's against: every
// record visited in turn, one deletion, split or move at a time, on one thread, and every normal
// recomputed. The program's forms (searches, parallel passes, local renormals) must give the same
// records.
#include <cstdint>
#include <vector>

#include "mesh/Mesh.h"

namespace kal::reference {

// Compaction that repairs the references to each moved record from its ring and links.
void purgeRepairing(Mesh& m);

// The cut along a plane, every triangle visited in record order, without renormals; the positive
// vertices stay selected. Answers the cut vertices.
std::vector<int32_t> cutPlane(Mesh& m, const vec3& q, const vec3& n);

// The cut, the triangles round the positive side deleted, every normal recomputed, the purge.
void clipPlane(Mesh& m, const vec3& q, const vec3& n);

// The extrusion steps, one patch selected after another.
void pushAlongNormal(Mesh& m, const vec3& previous, const vec3& current, int triangle);
void pushAllPatches(Mesh& m, const vec3& previous, const vec3& current, int triangle);
void scaleAllPatches(Mesh& m, const vec3& previous, const vec3& current, int triangle);

} // namespace kal::reference
