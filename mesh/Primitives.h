#pragma once
// The shared marker cube of the two-object tools. The solids themselves are the static
// factories of kal::Mesh (Mesh::createCube and friends).
namespace kal {

class Mesh;

// The coloured cube (faces square to Z red, to Y green, to X blue), built on first use and owned
// here; callers never delete it.
Mesh* colouredCube();
// Deletes the cube and its GPU buffers; the view calls it on destruction, with its context current.
void releaseColouredCube();

} // namespace kal
