// Edge splits and point insertion. Each edit touches only the triangles of the edge (or the
// triangle), their outer neighbours and a few vertex rings; the split triangle keeps its index
// and the new records go to the end.
#include <cmath>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

bool hardOrOpen(const MeshTriangle& tri, int e) { return tri.marked(e) || tri.neighbour[e] < 0; }

void relink(MeshStore<MeshTriangle>& tris, int outer, int from, int to) {
    if (outer < 0) return;
    int slot = tris[outer].slotOf(from);
    if (slot >= 0) tris[outer].neighbour[slot] = to;
}

// How the split of one edge places its vertex and its materials.
struct SplitRule {
    vec3 point;
    bool midpoint = false;  // averaged materials and zero face normals on the new triangles
    double s = 0.5;         // fraction of the way from Q to R
};

pbr splitMaterial(const SplitRule& rule, const pbr& atQ, const pbr& atR) {
    if (rule.midpoint) {
        pbrAccumulator sum(atQ);
        sum.add(pbrAccumulator(atR), kPbrAll);
        sum.divide(2, kPbrAll);
        return sum.toPbr();
    }
    return mix(pbrAccumulator(atQ), pbrAccumulator(atR), float(rule.s), kPbrAll).toPbr();
}

// Fraction of the way from q to r at p. A zero-length (or non-finite) edge would make it 0/0 and
// spread a NaN into the materials, so it falls back to q's end; a point off the segment is held to it.
double edgeFraction(vec3 p, vec3 q, vec3 r) {
    dvec3 d = dvec3(r) - dvec3(q), f = dvec3(p) - dvec3(q);
    double len2 = dot(d, d);
    if (!(len2 > 1e-20)) return 0.0;
    double s = std::sqrt(dot(f, f) / len2);
    if (!(s >= 0.0)) return 0.0;
    return s > 1.0 ? 1.0 : s;
}

int splitEdgeWith(Mesh& mesh, int t, int e, const SplitRule& rule, int* oppositeP, int* oppositeS) {
    MeshStore<MeshTriangle>& tris = mesh.triangles;
    const MeshTriangle T = tris[t];
    int e1 = next3(e), e2 = prev3(e);
    int P = T.vertex[e], Q = T.vertex[e1];
    int n = T.neighbour[e];
    int k = tris.size();

    int v = mesh.pushVertex(MeshVertex(rule.point, -1, -1, VertexAlive));
    MeshVertex& V = mesh.vertices[v];
    V.firstTriangle = t;
    V.setSeam(n < 0 || T.marked(e));
    vec3 faceT = rule.midpoint ? vec3() : T.faceNormal;
    pbr Mt = splitMaterial(rule, T.corner[e1], T.corner[e2]);

    if (n < 0) {
        MeshTriangle low(P, Q, v, -1, t, T.neighbour[e2], true, false, hardOrOpen(T, e2), T.corner[e], T.corner[e1],
                         Mt);
        low.faceNormal = faceT;
        tris.push(low);
        MeshTriangle& rewritten = tris[t];
        rewritten.vertex[e1] = v;
        pbrCopyMasked(rewritten.corner[e1], Mt, kPbrAll);
        rewritten.neighbour[e2] = k;
        rewritten.flags &= uint8_t(~(1 << e2));
        mesh.vertices[Q].firstTriangle = k;
        relink(tris, T.neighbour[e2], t, k);
        settleEditedRing(mesh, P);
        settleEditedRing(mesh, Q);
        settleEditedRing(mesh, v);
        if (oppositeP) *oppositeP = P;
        if (oppositeS) *oppositeS = -1;
        return v;
    }

    const MeshTriangle N = tris[n];
    int f = N.slotOf(t);
    int f1 = next3(f), f2 = prev3(f);
    int S = N.vertex[f];
    pbr Mn = splitMaterial(rule, N.corner[f2], N.corner[f1]);
    MeshTriangle low(P, Q, v, k + 1, t, T.neighbour[e2], T.marked(e), false, hardOrOpen(T, e2), T.corner[e],
                     T.corner[e1], Mt);
    low.faceNormal = faceT;
    MeshTriangle across(S, v, Q, k, N.neighbour[f1], n, hardOrOpen(N, f), hardOrOpen(N, f1), false, N.corner[f], Mn,
                        N.corner[f2]);
    across.faceNormal = rule.midpoint ? vec3() : N.faceNormal;
    tris.push(low);
    tris.push(across);
    MeshTriangle& rt = tris[t];
    rt.vertex[e1] = v;
    pbrCopyMasked(rt.corner[e1], Mt, kPbrAll);
    rt.neighbour[e2] = k;
    rt.flags &= uint8_t(~(1 << e2));
    MeshTriangle& rn = tris[n];
    rn.vertex[f2] = v;
    pbrCopyMasked(rn.corner[f2], Mn, kPbrAll);
    rn.neighbour[f1] = k + 1;
    rn.flags &= uint8_t(~(1 << f1));
    mesh.vertices[Q].firstTriangle = k;
    relink(tris, T.neighbour[e2], t, k);
    relink(tris, N.neighbour[f1], n, k + 1);
    settleEditedRing(mesh, P);
    settleEditedRing(mesh, Q);
    settleEditedRing(mesh, v);
    settleEditedRing(mesh, S);
    if (oppositeP) *oppositeP = P;
    if (oppositeS) *oppositeS = S;
    return v;
}

} // namespace

int Mesh::splitEdge(int t, int e, const vec3& p) {
    const MeshTriangle& T = triangles[t];
    SplitRule rule;
    rule.point = p;
    rule.s = edgeFraction(p, vertices[T.vertex[next3(e)]].position, vertices[T.vertex[prev3(e)]].position);
    return splitEdgeWith(*this, t, e, rule, nullptr, nullptr);
}

int Mesh::splitEdgeAt(int a, int b, const vec3& p) {
    int t, e;
    if (!findEdge(a, b, t, e)) return -1;
    return splitEdge(t, e, p);
}

int Mesh::splitEdgeMidpoint(int t, int e, int& oppositeP, int& oppositeS) {
    const MeshTriangle& T = triangles[t];
    dvec3 q(vertices[T.vertex[next3(e)]].position), r(vertices[T.vertex[prev3(e)]].position);
    SplitRule rule;
    rule.point = ((q + r) * 0.5).toFloat();
    rule.midpoint = true;
    return splitEdgeWith(*this, t, e, rule, &oppositeP, &oppositeS);
}

int Mesh::splitEdgeMidpoint(int t, int e) {
    int p, s;
    return splitEdgeMidpoint(t, e, p, s);
}

int Mesh::splitEdgeBetweenMidpoint(int a, int b) {
    int t, e;
    if (!findEdge(a, b, t, e)) return -1;
    return splitEdgeMidpoint(t, e);
}

int Mesh::splitTriangle(int t, const vec3& p) {
    const MeshTriangle T = triangles[t];
    int a = T.vertex[0], b = T.vertex[1], c = T.vertex[2];
    int nb0 = T.neighbour[0], nb1 = T.neighbour[1], nb2 = T.neighbour[2];
    int k = triangles.size();
    int v = addVertex(p);
    pbrFloat sum = pbrFloat::fromPbr(T.corner[0]) + pbrFloat::fromPbr(T.corner[1]) + pbrFloat::fromPbr(T.corner[2]);
    pbr centre = pbrFloat::toPbr(sum / 3.0f);
    MeshTriangle t0(a, b, v, k, k + 1, nb2, false, false, hardOrOpen(T, 2), T.corner[0], T.corner[1], centre);
    MeshTriangle t1(b, c, v, k + 1, t, nb0, false, false, hardOrOpen(T, 0), T.corner[1], T.corner[2], centre);
    MeshTriangle t2(c, a, v, t, k, nb1, false, false, hardOrOpen(T, 1), T.corner[2], T.corner[0], centre);
    t0.faceNormal = t1.faceNormal = t2.faceNormal = T.faceNormal;
    vertices[v].firstTriangle = t;
    vertices[c].firstTriangle = k;
    relink(triangles, nb0, t, k);
    relink(triangles, nb1, t, k + 1);
    triangles[t] = t0;
    triangles.push(t1);
    triangles.push(t2);
    updateVertexRing(a);
    updateVertexRing(b);
    updateVertexRing(c);
    updateVertexRing(v);
    return v;
}

int Mesh::insertCentroid(int t) {
    const MeshTriangle& T = triangles[t];
    dvec3 sum = dvec3(vertices[T.vertex[0]].position) + dvec3(vertices[T.vertex[1]].position) +
                dvec3(vertices[T.vertex[2]].position);
    return splitTriangle(t, (sum / 3.0).toFloat());
}

} // namespace kal
