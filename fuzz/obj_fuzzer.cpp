// Feeds arbitrary text to the OBJ importer and the import finish.
#include <cstddef>
#include <cstdint>

#include "mesh/Mesh.h"
#include "mesh/ObjImport.h"
#include "scene/SceneFile.h"

// Under the budget a file read has, as Mesh::importObj opens it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kal::Mesh mesh;
    kal::ReadBudget budget(size);
    if (kal::parseObjText(mesh, reinterpret_cast<const char*>(data), size)) mesh.finishImport(1);
    return 0;
}
