// Copies of a patch or a component into a new mesh. These are element operations, so they live
// beside the mesh's other overrides.
#include <memory>

#include "mesh/Mesh.h"

namespace kal {

namespace {

// Appends copies of the selected triangles of source, and of the vertices they use, to target.
// The source vertices' links serve as the copy map and are reset afterwards.
void copySelectedTriangles(Mesh& source, Mesh& target) {
    for (int32_t t : source.selectedTriangles)
        for (int32_t v : source.triangles[t].vertex) source.vertices[v].link = -1;
    std::vector<int32_t> listed;
    for (int32_t t : source.selectedTriangles)
        for (int32_t v : source.triangles[t].vertex) {
            MeshVertex& vx = source.vertices[v];
            if (vx.link >= 0) continue;
            vx.link = int32_t(listed.size());
            listed.push_back(v);
        }
    for (int32_t v : listed) {
        MeshVertex copy = source.vertices[v];
        // the copy belongs to no selection of its own mesh
        copy.link = -1;
        copy.flags &= uint8_t(~VertexSelected);
        target.pushVertex(copy);
    }
    for (int32_t t : source.selectedTriangles) {
        MeshTriangle copy = source.triangles[t];
        for (int32_t& v : copy.vertex) v = source.vertices[v].link;
        copy.flags &= uint8_t(~(TriangleSelected | TriangleVisited));
        target.pushTriangle(copy);
    }
    for (int32_t v : listed) source.vertices[v].link = -1;
}

bool namesAliveTriangle(const Mesh& m, int t) { return t >= 0 && t < m.triangleCount() && m.triangles[t].alive(); }

} // namespace

Element* Mesh::extractSelection(const vec3& point, int& item, int mode) {
    auto copy = std::make_unique<Mesh>();
    // an id from an older frame may name no triangle any more: the one under the point then
    if (!namesAliveTriangle(*this, item)) item = -1;
    if (mode == 1)
        selectPatch(point, true, item);
    else
        selectComponent(point, true, item);
    copySelectedTriangles(*this, *copy);
    clearSelection();
    copy->rebuild(Recenter::Mean);
    return copy.release();
}

Element* Mesh::extractComponent(const vec3& point, int& item) { return extractSelection(point, item, 3); }

Element* Mesh::extractPatch(const vec3& point, int& item) { return extractSelection(point, item, 1); }

Element* Mesh::detachComponent(int item) {
    if (!namesAliveTriangle(*this, item)) return nullptr;
    auto copy = std::make_unique<Mesh>();
    int t = item;
    selectComponent(vec3(), true, t);
    copySelectedTriangles(*this, *copy);
    clearSelection();
    eraseComponent(vec3(), item);
    geometryChanged = true;
    copy->rebuild(Recenter::Keep);
    copy->translation = translation;
    copy->scale = scale;
    return copy.release();
}

} // namespace kal
