// Edge flip and edge collapse: local edits that keep links, walk starts and flags true
// without a rebuild.
#include <algorithm>

#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"

namespace kal {

using namespace meshwalk;
using meshedit::hardOrOpen;

namespace {

bool contains(const std::vector<int32_t>& list, int32_t x) {
    return std::find(list.begin(), list.end(), x) != list.end();
}

} // namespace

bool Mesh::flipEdge(int t, int e) { return meshedit::flipEdge(triangles, vertices, t, e); }

bool Mesh::flipEdgeBetween(int a, int b) {
    int t, e;
    if (!findEdge(a, b, t, e)) return false;
    return flipEdge(t, e);
}

void Mesh::flipEdges(int passes) {
    for (int pass = 0; pass < passes; ++pass) {
        int nt = triangles.size();
        for (int t = 0; t < nt; ++t) {
            // dead records carry stale links that a flip must not follow
            if (!triangles[t].alive()) continue;
            for (int k = 0; k < 3; ++k) {
                const MeshTriangle& T = triangles[t];
                int n = T.neighbour[k];
                if (T.marked(k) || n < 0 || n <= t) continue;
                const MeshTriangle& N = triangles[n];
                int m = N.slotOf(t);
                if (m < 0) continue;
                vec3 W = vertices[T.vertex[k]].position, X = vertices[T.vertex[next3(k)]].position;
                vec3 Y = vertices[T.vertex[prev3(k)]].position, Z = vertices[N.vertex[m]].position;
                vec3 nt3 = cross(X - W, Y - W);
                if (!(dot(cross(X - W, Z - X), nt3) > 0) || !(dot(cross(Y - Z, W - Y), nt3) > 0)) continue;
                vec3 u = normalize(X - W), w = normalize(Z - X), q = normalize(Y - Z), r = normalize(W - Y);
                if (std::max(dot(r, u), dot(w, q)) > std::max(dot(u, w), dot(q, r))) {
                    flipEdge(t, k);
                    // t's other edges wait for the next pass
                    break;
                }
            }
        }
    }
}

bool Mesh::collapseEdge(int t, int e) {
    const MeshTriangle T = triangles[t];
    int n = T.neighbour[e];
    if (n < 0 || n == t) return false;
    const MeshTriangle N = triangles[n];
    int m = N.slotOf(t);
    if (m < 0) return false;
    int e1 = next3(e), e2 = prev3(e), m1 = next3(m), m2 = prev3(m);
    int W = T.vertex[e], a = T.vertex[e1], b = T.vertex[e2], Z = N.vertex[m];
    // side neighbours: t across b-W (e1) and W-a (e2); n across a-Z (m1) and Z-b (m2)
    int tbW = T.neighbour[e1], tWa = T.neighbour[e2], naZ = N.neighbour[m1], nZb = N.neighbour[m2];
    if (W == Z) return false;
    if ((tbW == naZ && tWa == nZb) || (tbW == nZb && tWa == naZ)) return false;

    MeshVertex& A = vertices[a];
    MeshVertex& B = vertices[b];
    bool marked = T.marked(e);
    if (A.pinned() && B.pinned()) return false;
    if (marked && !A.seam() && !B.seam()) return false;
    if (!marked && A.seam() && B.seam()) return false;
    if (A.open() && B.open()) return false;

    std::vector<int32_t> ringA, trisA, ringB, trisB, seams;
    int seamsA = -1, seamsB = -1;
    if (A.seam() && !A.pinned()) {
        vertexRingEdges(a, ringA, trisA, seams);
        seamsA = int(seams.size());
    } else {
        vertexRingPairs(a, ringA, trisA);
    }
    if (B.seam() && !B.pinned()) {
        vertexRingEdges(b, ringB, trisB, seams);
        seamsB = int(seams.size());
    } else {
        vertexRingPairs(b, ringB, trisB);
    }
    if ((A.pinned() || seamsA > 2) && (B.pinned() || seamsB > 2)) return false;
    for (int32_t u : ringA) {
        if (u == W || u == Z || u == b) continue;
        if (contains(ringB, u)) return false;
    }

    for (int32_t f : trisA) {
        if (f < 0) continue;
        int c = triangles[f].cornerOf(a);
        if (c >= 0) triangles[f].vertex[c] = b;
    }
    // a pinned end never moves, whichever end it is
    if (A.pinned())
        B.position = A.position;
    else if (B.pinned())
        ;
    else if (seamsA > seamsB)
        B.position = A.position;
    else if (seamsA == seamsB)
        B.position = ((dvec3(A.position) + dvec3(B.position)) * 0.5).toFloat();

    triangles[t].flags &= uint8_t(~TriangleAlive);
    triangles[n].flags &= uint8_t(~TriangleAlive);
    bool seam = A.seam() || B.seam(), pinned = A.pinned() || B.pinned();
    A.flags &= uint8_t(~VertexAlive);
    A.firstTriangle = -1;
    B.setSeam(seam);
    B.setPinned(pinned);

    // the two sides of each dead triangle close up into one edge
    auto join = [&](int p, int q, bool hard) {
        for (int side : {p, q}) {
            if (side < 0) continue;
            MeshTriangle& S = triangles[side];
            int slot = S.slotOf(t) >= 0 ? S.slotOf(t) : S.slotOf(n);
            if (slot < 0) continue;
            S.neighbour[slot] = side == p ? q : p;
            if (hard)
                S.flags |= uint8_t(1 << slot);
            else
                S.flags &= uint8_t(~(1 << slot));
        }
    };
    join(tbW, tWa, hardOrOpen(T, e1) || hardOrOpen(T, e2));
    join(naZ, nZb, hardOrOpen(N, m1) || hardOrOpen(N, m2));

    auto settle = [&](int v, int p, int q) {
        MeshVertex& vx = vertices[v];
        int s = p >= 0 ? p : q;
        if (vx.firstTriangle == t || vx.firstTriangle == n || v == b) {
            if (s < 0 && v == b) s = naZ >= 0 ? naZ : nZb;
            vx.firstTriangle = s;
        }
        if (vx.firstTriangle < 0) {
            // its only triangles died with the edge
            vx.flags &= uint8_t(~VertexAlive);
            return;
        }
        updateVertexRing(v);
    };
    settle(b, tbW, tWa);
    settle(W, tbW, tWa);
    settle(Z, naZ, nZb);
    // the ring update unpins a survivor left without hard edges; a pin is the user's and stays
    if (pinned && vertices[b].alive()) vertices[b].setPinned(true);
    if (vertices[b].alive()) averageVertexMaterials(b, kPbrAll);
    purgeNeeded = true;
    return true;
}

bool Mesh::collapseEdgeBetween(int a, int b) {
    int t, e;
    if (!findEdge(a, b, t, e)) return false;
    return collapseEdge(t, e);
}

} // namespace kal
