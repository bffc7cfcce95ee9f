// Compaction of dead records: the last live record moves into the first hole, so at most one
// record moves per hole. References to a moved record are repaired from its own ring and
// neighbour links, not by scanning the mesh.
#include "mesh/Mesh.h"

namespace kal {

namespace {

// Fills every hole below the live count with the last live record; repair(from, to) fixes the
// references to the record before it moves. Answers the live count.
// The k-th hole from the front takes the k-th live record from the back until the two meet, so
// no pass counts the live records first.
template <class Store, class Repair>
int compact(Store& store, Repair&& repair) {
    int n = store.size();
    int i = 0, j = n - 1;
    for (;;) {
        while (i < n && store[i].alive()) ++i;
        while (j >= 0 && !store[j].alive()) --j;
        if (i > j) break;
        repair(j, i);
        store[i] = store[j];
        ++i;
        --j;
    }
    store.truncate(j + 1);
    return j + 1;
}

} // namespace

void Mesh::purgeDeleted(bool force) {
    if (!purgeNeeded && !force) return;
    std::vector<int32_t> ring, corners;
    compact(vertices, [&](int from, int to) {
        collectVertexRing(from, ring, corners);
        for (size_t k = 0; k < ring.size(); ++k) triangles[ring[k]].vertex[corners[k]] = to;
        // a selected vertex stays findable from the selection list
        const MeshVertex& v = vertices[from];
        if ((v.flags & VertexSelected) && v.link >= 0 && size_t(v.link) < selectedVertices.size())
            selectedVertices[size_t(v.link)] = to;
    });
    compact(triangles, [&](int from, int to) {
        const MeshTriangle& moved = triangles[from];
        for (int c = 0; c < 3; ++c) {
            int32_t v = moved.vertex[c];
            if (v >= 0 && v < vertices.size() && vertices[v].firstTriangle == from) vertices[v].firstTriangle = to;
        }
        for (int k = 0; k < 3; ++k) {
            int32_t n = moved.neighbour[k];
            if (n < 0 || n >= triangles.size()) continue;
            int slot = triangles[n].slotOf(from);
            if (slot >= 0) triangles[n].neighbour[slot] = to;
        }
    });
    purgeNeeded = false;
    vertexCountMark = vertices.size();
    triangleCountMark = triangles.size();
}

} // namespace kal
