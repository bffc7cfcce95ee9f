// The pattern brushes: every triangle is replaced by a tile whose vertices 0, 1, 2 stand for its
// corners, the other tile vertices placed in the triangle's frame.
#include <cmath>

#include "mesh/Mesh.h"

namespace kal {

void Mesh::applyPattern(Mesh* tile) {
    markAllSeams();
    int count = triangleCount();
    for (int t = 0; t < count; ++t)
        if (triangles[t].alive()) tileTriangle(t, tile);
    purgeDeleted(false);
    rebuild(Recenter::Keep);
    markCreasesByAngle(5.0f);
}

void Mesh::tileTriangle(int t, Mesh* tile) {
    if (!tile || t < 0 || t >= triangleCount() || !triangles[t].alive()) return;
    if (tile->vertexCount() < 3) return;
    const int nv = vertexCount(), nt = triangleCount();
    const int tileVertices = tile->vertexCount(), tileTriangles = tile->triangleCount();
    const MeshTriangle base = triangles[t];
    vec3 p0 = vertices[base.vertex[0]].position, p1 = vertices[base.vertex[1]].position,
         p2 = vertices[base.vertex[2]].position;
    vec3 g = (p0 + p1 + p2) / 3.0f;
    vec3 a = p0 - g;
    float r = a.length();
    vec3 u = (p2 - p1) / 1.7320508f;
    vec3 n = base.faceNormal;

    // the slots of the tile's reference corners stay dead: the triangle's own corners stand in
    vertices.grow(tileVertices, MeshVertex(vec3(), -1, -1, 0));
    for (int i = 3; i < tileVertices; ++i) {
        MeshVertex v = tile->vertices[i];
        if (v.firstTriangle >= 0) v.firstTriangle += nt;
        vec3 q = tile->toWorld(v.position);
        v.position = g + u * q.x + a * q.y + n * (q.z * r);
        vertices[nv + i] = v;
    }
    triangles.grow(tileTriangles);
    for (int j = 0; j < tileTriangles; ++j) {
        MeshTriangle tri = tile->triangles[j];
        const int32_t* ids = tile->triangles[j].vertex;
        for (int c = 0; c < 3; ++c) tri.vertex[c] = ids[c] < 3 ? base.vertex[ids[c]] : ids[c] + nv;
        for (int e = 0; e < 3; ++e) {
            int32_t i0 = ids[(e + 1) % 3], i1 = ids[(e + 2) % 3];
            if (i0 < 3 && i1 < 3 && i0 != i1) {
                // this edge lies on the triangle's edge opposite the third reference corner
                int32_t outside = base.neighbour[3 - i0 - i1];
                tri.neighbour[e] = outside;
                if (outside >= 0) {
                    int slot = triangles[outside].slotOf(t);
                    if (slot >= 0) triangles[outside].neighbour[slot] = nt + j;
                }
            } else if (tri.neighbour[e] >= 0) {
                tri.neighbour[e] += nt;
            }
        }
        triangles[nt + j] = tri;
    }
    for (int c = 0; c < 3; ++c) {
        int32_t v = base.vertex[c];
        int32_t first = tile->vertices[c].firstTriangle;
        if (first >= 0) vertices[v].firstTriangle = nt + first;
        updateVertexRing(v);
    }
    triangles[t].flags &= uint8_t(~TriangleAlive);
    purgeNeeded = true;
}

} // namespace kal
