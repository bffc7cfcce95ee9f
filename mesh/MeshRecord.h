#pragma once
// Registration of the mesh's record readers and OBJ writers with the scene files.
#include <cstddef>

namespace kal {

class ByteBuffer;
class Mesh;

// Registers the mesh record (0xE0000001), the placeholder sphere for unknown element tags and
// the mesh OBJ writers. Safe to call repeatedly; the program calls it once at start-up, before
// any file is opened. The clay record (a mesh body) belongs to the clay's registration.
void registerMeshRecords();

// Reads one mesh body at the position into an empty mesh; false when the body is damaged
// (counts beyond the bytes left, corner indices outside the vertex records).
bool readMeshBody(Mesh& mesh, ByteBuffer& in);

} // namespace kal
