// Feeds arbitrary text to the OBJ importer and the import finish. The text is parsed both whole
// and cut into tiny chunks (the parallel parse and its join): the records must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mesh/Mesh.h"
#include "mesh/ObjImport.h"
#include "scene/SceneFile.h"

// Under the budget a file read has, as Mesh::importObj opens it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    kal::Mesh whole, cut;
    bool fits;
    {
        kal::ReadBudget budget(size);
        fits = kal::parseObjText(whole, text, size, SIZE_MAX);
    }
    {
        // the chunks charge only what they keep, the single pass also what it refuses: only reads
        // that both keep are compared
        kal::ReadBudget budget(size);
        fits = kal::parseObjText(cut, text, size, 5) && fits;
    }
    if (!fits) return 0;
    if (whole.vertexCount() != cut.vertexCount() || whole.triangleCount() != cut.triangleCount()) std::abort();
    for (int v = 0; v < whole.vertexCount(); ++v)
        if (std::memcmp(&whole.vertices[v].position, &cut.vertices[v].position, sizeof(kal::vec3)) != 0) std::abort();
    for (int t = 0; t < whole.triangleCount(); ++t) {
        const kal::MeshTriangle &a = whole.triangles[t], &b = cut.triangles[t];
        if (std::memcmp(a.vertex, b.vertex, sizeof a.vertex) != 0 ||
            std::memcmp(a.cornerNormal, b.cornerNormal, sizeof a.cornerNormal) != 0)
            std::abort();
    }
    cut.finishImport(kal::Recenter::Mean);
    return 0;
}
