#pragma once
// Wavefront OBJ text to mesh records: "v" positions and "f" faces, fanned into triangles, with
// the corners' normal numbers kept in the corner normals until the import finish marks hard edges.
#include <cstddef>

namespace kal {

class Mesh;

// Appends the vertices and faces of the text (which ends at its first zero byte) to the mesh.
// Faces that name vertex 0 or a vertex the text does not hold are skipped; negative numbers count
// back from the latest vertex. Numbers read the same in every C locale. Records are charged to
// the open read's budget (scene/SceneFile.h) before any is added: false, with the mesh as it was,
// when they do not fit in it. The text is cut at line ends into chunks of about chunkBytes that
// are counted, then parsed, in parallel; the result does not depend on where the cuts fall.
bool parseObjText(Mesh& mesh, const char* text, size_t size);
bool parseObjText(Mesh& mesh, const char* text, size_t size, size_t chunkBytes);

} // namespace kal
