// Feeds arbitrary text to the OBJ importer and the import finish.
#include <cstddef>
#include <cstdint>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/ObjImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // tiny chunks, so that short inputs take the parallel parse and its join
    static const bool split = (kal::setParallelMode({false, true}), true);
    (void)split;
    kal::Mesh mesh;
    kal::parseObjText(mesh, reinterpret_cast<const char*>(data), size);
    mesh.finishImport(1);
    return 0;
}
