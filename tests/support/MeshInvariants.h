#pragma once
// The invariant checker every mesh test runs after each operation. It assumes a mesh whose
// last rebuild succeeded (or that an operation kept linked) and reports the first few breaches.
#include <gtest/gtest.h>

#include "mesh/Mesh.h"
#include "mesh/MeshGpuArrays.h"

namespace kal::test {

struct InvariantOptions {
    // Positions that are deliberately not finite (normals must stay finite all the same).
    bool allowNonFinitePositions = false;
    // Skip the winding check (a non-orientable surface cannot satisfy it).
    bool checkWinding = true;
    // Dead records may remain (between a deletion and its purge).
    bool allowDeadRecords = true;
    // Check that no face normal points against its winding (a running stroke leaves the normals
    // to its finish, so a mirroring step may turn them all).
    bool checkFaceNormals = true;
};

::testing::AssertionResult meshInvariantsHold(const Mesh& m, const InvariantOptions& options = {});

// The alive triangles with no area: corners on one line, or so close to it that the face normal
// cannot be made (what an exported normal of 0 0 0 or a black seam shows). Cuts must leave none.
int zeroAreaTriangles(const Mesh& m);

// Expects a and b to hold the same records field by field: positions, links, flags, normals and
// corner materials (for passes that must give exactly what their plain forms give).
void expectSameRecords(const Mesh& a, const Mesh& b);

// Expects two builds of the corner arrays (a mesh's or a surface's) to agree array by array.
void expectSameCornerArrays(const MeshCornerArrays& a, const MeshCornerArrays& b);

} // namespace kal::test

#define EXPECT_MESH_VALID(...) EXPECT_TRUE(::kal::test::meshInvariantsHold(__VA_ARGS__))
#define ASSERT_MESH_VALID(...) ASSERT_TRUE(::kal::test::meshInvariantsHold(__VA_ARGS__))
