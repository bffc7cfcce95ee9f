// The bevel start: every patch is torn off its neighbours, a strip of two triangles bridges each
// torn border edge, and a polygon fills each corner where three or more patches met.
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

struct EdgePair {
    int32_t t, k, n, kn;
};

struct FanCorner {
    int32_t triangle, corner;
};

} // namespace

void Mesh::bevelPatch(const pbr& material, bool) {
    std::vector<EdgePair> pairs;
    const int nt = triangleCount();
    for (int t = 0; t < nt; ++t) {
        const MeshTriangle& tri = triangles[t];
        if (!tri.alive()) continue;
        for (int k = 0; k < 3; ++k) {
            int n = tri.neighbour[k];
            if (!tri.marked(k) || n <= t || n >= nt) continue;
            int kn = triangles[n].slotOf(t);
            if (kn >= 0) pairs.push_back({t, k, n, kn});
        }
    }
    if (pairs.empty()) return;
    // corners where three or more patches meet, as the first triangle of each fan round them
    std::vector<std::vector<FanCorner>> corners;
    std::vector<int32_t> ring;
    for (int v = 0; v < vertexCount(); ++v) {
        if (!vertices[v].alive() || !vertices[v].seam()) continue;
        if (vertexTriangles(v, ring) < 3) continue;
        std::vector<FanCorner> fans;
        for (int32_t t : ring) {
            int f = fanStart(v, t);
            if (f < 0) continue;
            bool seen = false;
            for (const FanCorner& x : fans) seen |= x.triangle == f;
            if (!seen) fans.push_back({f, triangles[f].cornerOf(v)});
        }
        if (fans.size() >= 3) corners.push_back(std::move(fans));
    }

    tearAllPatches();

    for (const EdgePair& p : pairs) {
        const MeshTriangle &first = triangles[p.t], &second = triangles[p.n];
        int a = first.vertex[next3(p.k)], b = first.vertex[prev3(p.k)];
        int d = second.vertex[next3(p.kn)], e = second.vertex[prev3(p.kn)];
        // Where a marked line ends inside a patch the tear left one vertex: that half has no area,
        // and the other half's diagonal lies on the torn border in its place.
        const bool firstHalf = a != e, secondHalf = d != b;
        if (firstHalf)
            pushTriangle(MeshTriangle(a, e, b, -1, -1, -1, !secondHalf, true, vertices[a].pinned(), material, material,
                                      material));
        if (secondHalf)
            pushTriangle(MeshTriangle(d, b, e, -1, -1, -1, !firstHalf, true, vertices[b].pinned(), material, material,
                                      material));
    }
    for (const std::vector<FanCorner>& fans : corners) {
        std::vector<int32_t> polygon;
        for (const FanCorner& f : fans) polygon.push_back(triangles[f.triangle].vertex[f.corner]);
        int before = triangleCount();
        addPolygon(polygon, std::vector<bool>(polygon.size(), true));
        for (int t = before; t < triangleCount(); ++t)
            for (pbr& c : triangles[t].corner) pbrCopyMasked(c, material, kPbrAll);
    }
    // one linking pass joins the strips, the corners and the torn patches
    rebuild(Recenter::Keep);
}

} // namespace kal
