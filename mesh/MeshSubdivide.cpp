// Midpoint and centroid subdivision and the remeshing passes, all built from local splits,
// flips and collapses so the links stay true without a rebuild.
#include <cmath>
#include <utility>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

// Moves every alive vertex below count halfway to its smoothing target, all targets taken first.
void smoothOldVertices(Mesh& m, int count) {
    std::vector<vec3> targets(static_cast<size_t>(count));
    // targets read positions only, so they may be taken in the cache-friendlier triangle order
    forEachVertexByTriangles(m.vertices, m.triangles, [&](int v) {
        if (v < count) targets[size_t(v)] = m.smoothTarget(v);
    });
    parallelFor(count, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            MeshVertex& vx = m.vertices[v];
            if (!vx.alive()) continue;
            vx.position = ((dvec3(vx.position) + dvec3(targets[size_t(v)])) * 0.5).toFloat();
        }
    });
}

double squaredLength(vec3 a, vec3 b) {
    dvec3 d = dvec3(a) - dvec3(b);
    return dot(d, d);
}

} // namespace

bool Mesh::subdivide(bool smooth) {
    int oldCount = vertices.size();
    std::vector<std::pair<int32_t, int32_t>> flips;
    // the count grows while we walk: the new triangles hold halves of old edges still to split
    for (int t = 0; t < triangles.size(); ++t) {
        if (!triangles[t].alive()) continue;
        for (;;) {
            const MeshTriangle& T = triangles[t];
            bool old0 = T.vertex[0] < oldCount, old1 = T.vertex[1] < oldCount, old2 = T.vertex[2] < oldCount;
            int e = old0 && old1 ? 2 : old1 && old2 ? 0 : old2 && old0 ? 1 : -1;
            if (e < 0) break;
            int P, S;
            int v = splitEdgeMidpoint(t, e, P, S);
            if (P < oldCount) flips.emplace_back(P, v);
            if (S >= 0 && S < oldCount) flips.emplace_back(S, v);
        }
    }
    for (const auto& f : flips) flipEdgeBetween(f.first, f.second);
    if (smooth) smoothOldVertices(*this, oldCount);
    updateNormals(2);
    geometryChanged = true;
    for (bool& p : partChanged) p = true;
    return true;
}

void Mesh::subdivideCentroid() {
    int oldVertices = vertices.size(), oldTriangles = triangles.size();
    for (int t = 0; t < oldTriangles; ++t)
        if (triangles[t].alive()) insertCentroid(t);
    // pairs first: each flip changes the rings the search walks
    std::vector<std::pair<int32_t, int32_t>> pairs;
    std::vector<int32_t> ring;
    for (int i = 0; i < oldVertices; ++i) {
        if (!vertices[i].alive() || vertices[i].firstTriangle < 0) continue;
        vertexNeighbours(i, ring);
        for (int32_t j : ring)
            if (j > i && j < oldVertices) pairs.emplace_back(i, j);
    }
    for (const auto& p : pairs) flipEdgeBetween(p.first, p.second);
    smoothOldVertices(*this, oldVertices);
    updateNormals(2);
    releaseGpu();
}

void Mesh::refineTriangles(int passes, float ratio) {
    double ratio2 = double(ratio) * ratio;
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            const MeshTriangle& T = triangles[t];
            if (!T.alive()) continue;
            vec3 p[3];
            for (int c = 0; c < 3; ++c) p[c] = vertices[T.vertex[c]].position;
            double len2[3];
            for (int i = 0; i < 3; ++i) len2[i] = squaredLength(p[next3(i)], p[prev3(i)]);
            // a collapsed triangle has no angles to judge
            if (!(len2[0] > 1e-20 && len2[1] > 1e-20 && len2[2] > 1e-20)) continue;
            int widest = 0;
            double widestCos = 2.0;
            for (int c = 0; c < 3; ++c) {
                dvec3 u = dvec3(p[next3(c)]) - dvec3(p[c]), w = dvec3(p[prev3(c)]) - dvec3(p[c]);
                double cosine = dot(u, w) / std::sqrt(dot(u, u) * dot(w, w));
                if (cosine < widestCos) {
                    widestCos = cosine;
                    widest = c;
                }
            }
            if (widestCos < -0.5) {
                splitEdgeMidpoint(t, widest);
                continue;
            }
            int longest = 0, shortest = 0;
            for (int i = 1; i < 3; ++i) {
                if (len2[i] > len2[longest]) longest = i;
                if (len2[i] < len2[shortest]) shortest = i;
            }
            if (len2[longest] > ratio2 * len2[shortest]) splitEdgeMidpoint(t, longest);
        }
    }
}

void Mesh::collapseShortEdges(int passes, float ratio) {
    double ratio2 = double(ratio) * ratio;
    std::vector<int32_t> ring;
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            if (!triangles[t].alive()) continue;
            for (int k = 0; k < 3; ++k) {
                const MeshTriangle& T = triangles[t];
                if (T.neighbour[k] <= t) continue;
                int A = T.vertex[next3(k)], B = T.vertex[prev3(k)];
                vec3 a = vertices[A].position, b = vertices[B].position;
                double nearest = -1;
                for (int end : {A, B}) {
                    int other = end == A ? B : A;
                    vertexNeighbours(end, ring);
                    for (int32_t u : ring) {
                        if (u == other) continue;
                        double d = squaredLength(vertices[end].position, vertices[u].position);
                        if (nearest < 0 || d < nearest) nearest = d;
                    }
                }
                if (nearest > ratio2 * squaredLength(a, b) && collapseEdge(t, k)) break;
            }
        }
        purgeDeleted(false);
    }
}

void Mesh::remesh(int passes) {
    for (int i = 0; i < passes; ++i) {
        refineTriangles(1, 3.0f);
        relaxTangential(true);
        flipEdges(1);
        collapseShortEdges(1, 3.0f);
        flipEdges(1);
        relaxTangential(true);
    }
}

void Mesh::remeshPass(int passes) {
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            const MeshTriangle& T = triangles[t];
            if (!T.alive()) continue;
            double len2[3];
            for (int i = 0; i < 3; ++i)
                len2[i] = squaredLength(vertices[T.vertex[next3(i)]].position, vertices[T.vertex[prev3(i)]].position);
            int longest = 0, shortest = 0;
            for (int i = 1; i < 3; ++i) {
                if (len2[i] > len2[longest]) longest = i;
                if (len2[i] < len2[shortest]) shortest = i;
            }
            if (T.marked(longest) || T.neighbour[longest] < 0) continue;
            if (len2[longest] > 9.0 * len2[shortest]) splitEdgeMidpoint(t, longest);
        }
        relax(true, true);
        // the flip pass's own angle test decides: the larger angle facing the edge shrinks
        flipEdges(1);
        relax(false, true);
    }
}

} // namespace kal
