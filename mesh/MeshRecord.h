#pragma once
// Registration of the mesh's record readers and OBJ writers with the scene files.
#include <cstddef>
#include <cstdint>

namespace kal {

class ByteBuffer;
class Element;

// Registers the mesh record (0xE0000001), the placeholder sphere for unknown element tags and
// the mesh OBJ writers. Safe to call repeatedly; the program calls it once at start-up, before
// any file is opened. The clay record (a mesh body) belongs to the clay's registration.
void registerMeshRecords();

// The reader of the mesh record (and of the clay's, which holds a mesh body): null with ok false
// when the body is damaged (counts beyond the bytes left, corner indices outside the vertex records).
Element* readMeshRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
