#pragma once
// The local edits behind edge splits and flips, written once over any triangle record with the
// mesh triangle's corners, links, flags and corner slots: the mesh runs them on its own records,
// and the bulk subdivision on slim records whose corner slots name where a material comes from.
// Both stores are templates: the bulk subdivision keeps its new records in flat arrays.
#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

#include "mesh/MeshWalk.h"

namespace kal::meshedit {

using meshwalk::continuesBackward;
using meshwalk::continuesForward;
using meshwalk::next3;
using meshwalk::prev3;
using meshwalk::RingEnd;
using meshwalk::walkRing;

// The record type of a triangle store. The edits run on the mesh's own stores and on the bulk
// subdivision's flat arrays alike.
template <class Tris>
using RecordOf = std::remove_cv_t<std::remove_reference_t<decltype(std::declval<Tris&>()[0])>>;

// Midpoint subdivision on the mesh's own records, one split and one flip at a time: the
// reference the bulk subdivision (Mesh::subdivide) reproduces record for record.
void subdivideSplitBySplit(Mesh& m, bool smooth);

// An inherited edge keeps its hardness; an open edge comes out hard.
template <class Tri>
bool hardOrOpen(const Tri& tri, int e) {
    return tri.marked(e) || tri.neighbour[e] < 0;
}

template <class Tris>
void relink(Tris& tris, int outer, int from, int to) {
    if (outer < 0) return;
    int slot = tris[outer].slotOf(from);
    if (slot >= 0) tris[outer].neighbour[slot] = to;
}

// The ring update of a vertex: its walk start, open and seam flags from its ring. ringSize
// receives how many triangles the forward walk passed before it came back round to its start,
// or -1 when it did not (open, broken, too long). limit bounds the walk.
template <class Tris>
int settleRing(const Tris& triangles, MeshVertex& vx, int v, int limit, int& ringSize) {
    using Tri = RecordOf<Tris>;
    ringSize = -1;
    int s = vx.firstTriangle;
    if (s < 0 || s >= triangles.size()) return s;
    int t = s;
    int32_t from = -1;
    int step = 0;
    for (;; ++step) {
        if (step >= limit) return s;
        const Tri& tri = triangles[t];
        int c = tri.cornerOf(v);
        if (c < 0 || (step > 0 && !continuesForward(tri, c, from))) return s;
        ++meshwalk::walkSteps;
        from = tri.vertex[next3(c)];
        int f = tri.neighbour[prev3(c)];
        if (f < 0) {
            vx.flags |= VertexOpen;
            vx.firstTriangle = t;
            vx.setSeam(true);
            return t;
        }
        if (f == s) break;
        if (f >= triangles.size()) return s;
        t = f;
    }
    ringSize = step + 1;
    vx.flags &= uint8_t(~VertexOpen);
    if (vx.seam()) {
        int last, lastCorner, found = -1;
        walkRing(triangles, v, s, limit, last, lastCorner, [&](int tt, int c) {
            if (found < 0 && triangles[tt].marked(prev3(c))) found = tt;
        });
        if (found >= 0) {
            vx.firstTriangle = found;
            return found;
        }
    }
    vx.setSeam(false);
    return s;
}

// The ring update after a split or flip. Neither edit opens or marks an edge at a vertex, and both
// leave every walk start on a triangle of its vertex: a vertex that is neither seam, open nor
// pinned keeps a closed, unmarked ring, and its update would change nothing, so it is left out.
template <class Tris, class Verts>
void settleEditedRing(const Tris& tris, Verts& verts, int v) {
    MeshVertex& vx = verts[v];
    if (!(vx.flags & (VertexSeam | VertexOpen | VertexPinned))) return;
    int ringSize;
    settleRing(tris, vx, v, tris.size() + 1, ringSize);
}

// The first ring neighbour of a that is b, in ring order; the open end of the ring counts last
// and is reached through the triangle before it. Walked in place, without collecting the ring:
// flips and splits look up edges millions of times.
template <class Tris, class Verts>
bool findEdge(const Tris& triangles, const Verts& vertices, int a, int b, int& t, int& e) {
    using Tri = RecordOf<Tris>;
    int limit = triangles.size() + 1;
    int start = vertices[a].firstTriangle;
    if (start < 0 || start >= triangles.size()) return false;
    int found = -1;
    int cur = start;
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const Tri& tri = triangles[cur];
        int c = tri.cornerOf(a);
        if (c < 0 || (step > 0 && !continuesBackward(tri, c, from))) break;
        ++meshwalk::walkSteps;
        from = tri.vertex[prev3(c)];
        if (tri.vertex[next3(c)] == b) {
            found = cur;
            break;
        }
        int n = tri.neighbour[next3(c)];
        if (n < 0) {
            if (tri.vertex[prev3(c)] == b) found = cur;
            break;
        }
        if (n == start || n >= triangles.size()) break;
        cur = n;
    }
    if (found < 0) return false;
    const Tri& tri = triangles[found];
    t = found;
    e = 3 - tri.cornerOf(a) - tri.cornerOf(b);
    return true;
}

// v's ring neighbours in ring order from its walk start; an open ring adds its far end.
template <class Tris, class Verts>
int ringNeighbours(const Tris& triangles, const Verts& vertices, int v, std::vector<int32_t>& verts) {
    verts.clear();
    int last, lastCorner;
    RingEnd end = walkRing(triangles, v, vertices[v].firstTriangle, triangles.size() + 1, last, lastCorner,
                           [&](int t, int c) { verts.push_back(triangles[t].vertex[next3(c)]); });
    if (end == RingEnd::Open) verts.push_back(triangles[last].vertex[prev3(lastCorner)]);
    return int(verts.size());
}

// The records a flip of edge e of T (index t) leaves at t and at n, the triangle N across it whose
// edge m faces t. The flipped edge joins W to Z, the corners facing the old one; the outer links
// are carried over as they stand.
template <class Tri>
void flippedPair(const Tri& T, const Tri& N, int t, int n, int e, int m, Tri& atT, Tri& atN) {
    int e1 = next3(e), e2 = prev3(e);
    int m1 = next3(m), m2 = prev3(m);
    int W = T.vertex[e], X = T.vertex[e1];
    int Z = N.vertex[m], Yn = N.vertex[m1];
    // t's edge Y-W is e1, W-X is e2; n's edge X-Z is m1, Z-Y is m2
    int tYW = T.neighbour[e1], tWX = T.neighbour[e2];
    int nXZ = N.neighbour[m1], nZY = N.neighbour[m2];
    atT =
        Tri(X, Z, W, n, tWX, nXZ, false, hardOrOpen(T, e2), hardOrOpen(N, m1), T.corner[e1], N.corner[m], T.corner[e]);
    atN =
        Tri(Yn, W, Z, t, nZY, tYW, false, hardOrOpen(N, m2), hardOrOpen(T, e1), N.corner[m1], T.corner[e], N.corner[m]);
}

// Flips edge e of t (see Mesh::flipEdge).
template <class Tris, class Verts>
bool flipEdge(Tris& triangles, Verts& vertices, int t, int e) {
    using Tri = RecordOf<Tris>;
    const Tri T = triangles[t];
    if (hardOrOpen(T, e)) return false;
    int n = T.neighbour[e];
    if (n == t) return false;
    const Tri N = triangles[n];
    int m = N.slotOf(t);
    if (m < 0) return false;
    int e1 = next3(e), e2 = prev3(e), m1 = next3(m);
    int W = T.vertex[e], X = T.vertex[e1], Y = T.vertex[e2];
    // with consistent winding n's corners after Z are Y and X again
    int Z = N.vertex[m], Yn = N.vertex[m1];
    // a degenerate pair (the same triangle twice, or both opposite corners one vertex) has no flip
    if (W == Z) return false;
    // kept between flips: a subdivision flips millions of edges
    static thread_local std::vector<int32_t> ring;
    ringNeighbours(triangles, vertices, W, ring);
    if (std::find(ring.begin(), ring.end(), Z) != ring.end()) return false;

    int tYW = T.neighbour[e1], nXZ = N.neighbour[m1];
    flippedPair(T, N, t, n, e, m, triangles[t], triangles[n]);
    relink(triangles, tYW, t, n);
    relink(triangles, nXZ, n, t);
    vertices[X].firstTriangle = t;
    vertices[Yn].firstTriangle = n;
    settleEditedRing(triangles, vertices, W);
    settleEditedRing(triangles, vertices, X);
    settleEditedRing(triangles, vertices, Y);
    settleEditedRing(triangles, vertices, Z);
    return true;
}

// Splits edge e of t (and the triangle across it) at a new vertex; the split triangle keeps its
// index and the new records go to the end. The rule supplies what differs between record kinds:
//   int vertex(Q, R)               appends the new vertex between Q and R, answers its index
//   corner mix(atQ, atR)           the new corner between the corners at Q and at R
//   void copyCorner(dst, src)      writes a corner slot of an existing record
//   void inherit(made, from)       what a new triangle takes from the one it was cut from
// oppositeP and oppositeS receive the corners facing the edge in t and across it (-1: open).
template <class Tris, class Verts, class Rule>
int splitEdge(Tris& tris, Verts& vertices, int t, int e, Rule& rule, int& oppositeP, int& oppositeS) {
    using Tri = RecordOf<Tris>;
    const Tri T = tris[t];
    int e1 = next3(e), e2 = prev3(e);
    int P = T.vertex[e], Q = T.vertex[e1];
    int n = T.neighbour[e];
    int k = tris.size();

    int v = rule.vertex(Q, T.vertex[e2]);
    MeshVertex& V = vertices[v];
    V.firstTriangle = t;
    V.setSeam(n < 0 || T.marked(e));
    auto Mt = rule.mix(T.corner[e1], T.corner[e2]);

    if (n < 0) {
        Tri low(P, Q, v, -1, t, T.neighbour[e2], true, false, hardOrOpen(T, e2), T.corner[e], T.corner[e1], Mt);
        rule.inherit(low, T);
        tris.push(low);
        Tri& rewritten = tris[t];
        rewritten.vertex[e1] = v;
        rule.copyCorner(rewritten.corner[e1], Mt);
        rewritten.neighbour[e2] = k;
        rewritten.flags &= uint8_t(~(1 << e2));
        vertices[Q].firstTriangle = k;
        relink(tris, T.neighbour[e2], t, k);
        settleEditedRing(tris, vertices, P);
        settleEditedRing(tris, vertices, Q);
        settleEditedRing(tris, vertices, v);
        oppositeP = P;
        oppositeS = -1;
        return v;
    }

    const Tri N = tris[n];
    int f = N.slotOf(t);
    int f1 = next3(f), f2 = prev3(f);
    int S = N.vertex[f];
    auto Mn = rule.mix(N.corner[f2], N.corner[f1]);
    Tri low(P, Q, v, k + 1, t, T.neighbour[e2], T.marked(e), false, hardOrOpen(T, e2), T.corner[e], T.corner[e1], Mt);
    rule.inherit(low, T);
    Tri across(S, v, Q, k, N.neighbour[f1], n, hardOrOpen(N, f), hardOrOpen(N, f1), false, N.corner[f], Mn,
               N.corner[f2]);
    rule.inherit(across, N);
    tris.push(low);
    tris.push(across);
    Tri& rt = tris[t];
    rt.vertex[e1] = v;
    rule.copyCorner(rt.corner[e1], Mt);
    rt.neighbour[e2] = k;
    rt.flags &= uint8_t(~(1 << e2));
    Tri& rn = tris[n];
    rn.vertex[f2] = v;
    rule.copyCorner(rn.corner[f2], Mn);
    rn.neighbour[f1] = k + 1;
    rn.flags &= uint8_t(~(1 << f1));
    vertices[Q].firstTriangle = k;
    relink(tris, T.neighbour[e2], t, k);
    relink(tris, N.neighbour[f1], n, k + 1);
    settleEditedRing(tris, vertices, P);
    settleEditedRing(tris, vertices, Q);
    settleEditedRing(tris, vertices, v);
    settleEditedRing(tris, vertices, S);
    oppositeP = P;
    oppositeS = S;
    return v;
}

} // namespace kal::meshedit
