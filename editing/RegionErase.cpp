// Erasing a patch, and erasing the feature line nearest a point so that the patches on its two
// sides become one.
#include <cmath>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

void Mesh::erasePatch(const vec3& point, int triangle) {
    selectPatch(point, true, triangle);
    // a deleted triangle keeps its selection mark until the purge drops it
    std::vector<int32_t> doomed;
    doomed.swap(selectedTriangles);
    deleteTriangles(doomed);
    purgeDeleted(false);
    clearSelection();
}

namespace {

double distanceToSegment(const vec3& p, const vec3& A, const vec3& B) {
    vec3 d = normalize(B - A), w = p - A;
    float along = dot(w, d);
    if (along <= 0) return w.length();
    if (dot(p - B, d) >= 0) return (p - B).length();
    return (w - d * along).length();
}

struct LineStep {
    int32_t vertex, triangle, edge;
};

} // namespace

void Mesh::eraseFeature(const vec3& point, bool clear, int triangle) {
    selectPatch(point, clear, triangle);
    int bestTriangle = -1, bestEdge = -1;
    double best = 0;
    for (int32_t t : selectedTriangles) {
        const MeshTriangle& tri = triangles[t];
        for (int k = 0; k < 3; ++k) {
            if (!tri.marked(k) && tri.neighbour[k] >= 0) continue;
            double d = distanceToSegment(point, vertices[tri.vertex[next3(k)]].position,
                                         vertices[tri.vertex[prev3(k)]].position);
            if (bestTriangle < 0 || d < best) {
                best = d;
                bestTriangle = t;
                bestEdge = k;
            }
        }
    }
    if (bestTriangle < 0) {
        clearSelection();
        return;
    }
    // Walk the line both ways from the nearest edge until a pinned vertex; a walk that comes
    // back to a vertex it has seen (a closed line, or a loop without pins) stops there.
    std::vector<LineStep> line;
    std::vector<uint8_t> seen(size_t(vertexCount()), 0);
    const MeshTriangle& start = triangles[bestTriangle];
    int a = start.vertex[next3(bestEdge)], b = start.vertex[prev3(bestEdge)];
    bool closed = false;
    for (int phase = 0; phase < 2 && !closed; ++phase) {
        int v = phase == 0 ? a : b, t = bestTriangle, e = bestEdge;
        while (true) {
            line.push_back({v, t, e});
            seen[size_t(v)] = 1;
            if (vertices[v].pinned()) break;
            cornerWalk(v, t, e);
            if (phase == 0 && v == a) {
                closed = true;
                break;
            }
            if (seen[size_t(v)]) break;
        }
    }
    for (const LineStep& s : line)
        if (!vertices[s.vertex].pinned()) vertices[s.vertex].setSeam(false);
    for (const LineStep& s : line) {
        MeshTriangle& tri = triangles[s.triangle];
        int32_t n = tri.neighbour[s.edge];
        if (n < 0) continue;
        tri.flags &= uint8_t(~(1 << s.edge));
        int slot = triangles[n].slotOf(s.triangle);
        if (slot >= 0) triangles[n].flags &= uint8_t(~(1 << slot));
    }
    for (const LineStep& s : line) updateVertexRing(s.vertex);
    for (const LineStep& s : line) updateVertexNormal(s.vertex);
    clearSelection();
}

} // namespace kal
