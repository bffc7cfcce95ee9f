#pragma once
// Counting helpers for the topology tests: edges by mark, enclosed volume, vertices at a point.
#include "mesh/Mesh.h"

namespace kal::test {

struct EdgeCounts {
    int marked = 0;
    int unmarked = 0;
    int open = 0;
};

// Every edge once: inner edges from their lower-index triangle, open edges from their one triangle.
inline EdgeCounts countEdges(const Mesh& m) {
    EdgeCounts counts;
    for (int t = 0; t < m.triangles.size(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) continue;
        for (int k = 0; k < 3; ++k) {
            int n = tri.neighbour[k];
            if (n >= 0 && n < t) continue;
            if (n < 0) ++counts.open;
            if (tri.marked(k))
                ++counts.marked;
            else
                ++counts.unmarked;
        }
    }
    return counts;
}

// Positive when the closed surface winds counter-clockwise seen from outside.
inline double signedVolume(const Mesh& m) {
    double sum = 0;
    for (int t = 0; t < m.triangles.size(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) continue;
        dvec3 a(m.vertices[tri.vertex[0]].position), b(m.vertices[tri.vertex[1]].position),
            c(m.vertices[tri.vertex[2]].position);
        sum += dot(a, cross(b, c)) / 6.0;
    }
    return sum;
}

inline int verticesAt(const Mesh& m, vec3 p) {
    int count = 0;
    for (int v = 0; v < m.vertices.size(); ++v)
        if (m.vertices[v].alive() && lengthSquared(m.vertices[v].position - p) < 1e-12) ++count;
    return count;
}

inline bool hasEdge(const Mesh& m, int a, int b) {
    int t, e;
    return m.findEdge(a, b, t, e);
}

} // namespace kal::test
