#pragma once
// Tiny procedural meshes for the mesh tests. Each factory returns the raw records (no links);
// call rebuilt() to link them.
#include "mesh/Mesh.h"

namespace kal::test {

// Appends triangle (a, b, c) with no links and the default material; marks edge i when bit i of marks is set.
int addTri(Mesh& m, int a, int b, int c, int marks = 0);
// m after rebuild(mode).
Mesh rebuilt(Mesh m, Recenter mode = Recenter::Keep);

// The one triangle (a, b, c), linked.
Mesh triangleMesh(vec3 a, vec3 b, vec3 c);
// Unit square in z = 0 as two triangles (0,1,2) and (0,2,3), both facing +z; open all round.
Mesh quadMesh();
// Closed octahedron of radius 1: 6 vertices, 8 triangles, outward winding.
Mesh octahedronMesh();
// Cube of side 2 centred at the origin, 12 triangles facing out; with borders the edges between
// faces are marked, so each face is one patch.
Mesh cubeMesh(bool borders = true);
// n x n squares in z = 0 over [0, n]^2, two triangles each, facing +z.
Mesh gridMesh(int n);
// Closed UV sphere of radius 1 with poles, facing out.
Mesh uvSphereMesh(int rings, int segments);
// Two triangles touching only at vertex 0 (a pinched vertex).
Mesh bowTieMesh();
// Three triangles on the edge (0, 1).
Mesh threeOnEdgeMesh();
// A 4 x 4 grid after edits: a marked line, a triangle wound the other way, a dead triangle and
// corners bent out of plane (records not rebuilt since).
Mesh awkwardGrid();
// A closed fan of 6 triangles round vertex 0 in z = 0 (a hexagon), facing +z.
Mesh hexagonFanMesh();

// Copies of m side by side along x, each copy's records after those of the copy before: enough of
// them that both stores hold at least records records, so that loops over them cross block
// boundaries all through m's features. m holds no selection.
Mesh tiledCopies(const Mesh& m, int records);

// The middle of every marked edge between alive triangles, each edge once.
std::vector<vec3> markedEdgeMiddles(const Mesh& m);

} // namespace kal::test
