// Edge splits and point insertion. Each edit touches only the triangles of the edge (or the
// triangle), their outer neighbours and a few vertex rings; the split triangle keeps its index
// and the new records go to the end.
#include <cmath>

#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"

namespace kal {

using namespace meshwalk;
using meshedit::hardOrOpen;
using meshedit::relink;

namespace {

// How the split of one edge places its vertex and its materials.
struct SplitRule {
    vec3 point;
    bool midpoint = false; // averaged materials and zero face normals on the new triangles
    double s = 0.5;        // fraction of the way from Q to R
};

pbr splitMaterial(const SplitRule& rule, const pbr& atQ, const pbr& atR) {
    if (rule.midpoint) return pbrMean(atQ, atR);
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

// The split rule of the mesh's own records: materials mixed along the edge, clamped on copy.
struct RecordRule {
    Mesh& mesh;
    const SplitRule& split;
    int vertex(int, int) { return mesh.pushVertex(MeshVertex(split.point, -1, -1, VertexAlive)); }
    pbr mix(const pbr& atQ, const pbr& atR) const { return splitMaterial(split, atQ, atR); }
    static void copyCorner(pbr& dst, const pbr& src) { pbrCopyMasked(dst, src, kPbrAll); }
    void inherit(MeshTriangle& made, const MeshTriangle& from) const {
        made.faceNormal = split.midpoint ? vec3() : from.faceNormal;
    }
};

int splitEdgeWith(Mesh& mesh, int t, int e, const SplitRule& split, int* oppositeP, int* oppositeS) {
    RecordRule rule{mesh, split};
    int p, s;
    int v = meshedit::splitEdge(mesh.triangles, mesh.vertices, t, e, rule, p, s);
    if (oppositeP) *oppositeP = p;
    if (oppositeS) *oppositeS = s;
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
