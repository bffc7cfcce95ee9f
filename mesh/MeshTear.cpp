// Cutting patches off the rest of a mesh along their borders: each border vertex is split so the
// patch's fan gets a vertex of its own, and the links across the border are removed.
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

void replaceVertex(Mesh& m, const std::vector<int32_t>& tris, int from, int to) {
    for (int32_t f : tris) {
        int c = m.triangles[f].cornerOf(from);
        if (c >= 0) m.triangles[f].vertex[c] = to;
    }
}

// A copy of v. A copy of a selected vertex joins the selection, so the drivers see it as already
// torn and the final clear reaches it instead of leaving a stale flag and link behind.
int copyVertex(Mesh& m, int v, int firstTriangle) {
    int w = m.pushVertex(m.vertices[v]);
    MeshVertex& copy = m.vertices[w];
    copy.firstTriangle = firstTriangle;
    if (copy.flags & VertexSelected) {
        if (m.patchFirstRecords.size() == m.selectedVertices.size()) m.patchFirstRecords.push_back(-1);
        copy.link = int32_t(m.selectedVertices.size());
        m.selectedVertices.push_back(w);
    } else {
        copy.link = -1;
    }
    return w;
}

void markOpen(MeshVertex& v) {
    v.flags |= VertexOpen;
    v.setSeam(true);
}

void cutLink(Mesh& m, int outer, int inner, int innerSlot) {
    int slot = m.triangles[outer].slotOf(inner);
    if (slot >= 0) m.triangles[outer].neighbour[slot] = -1;
    m.triangles[inner].neighbour[innerSlot] = -1;
}

// An end vertex of a cut edge: an inner one just becomes open with its walk start at the triangle
// now open in front of it; an open one falls apart into two fans, and the fan that holds
// `otherSide` gets a copy.
void splitEnd(Mesh& m, int u, int start, int otherSide, std::vector<int32_t>& scratch) {
    if (start < 0) return;
    MeshVertex& vx = m.vertices[u];
    if (!vx.open()) {
        markOpen(vx);
        vx.firstTriangle = start;
        return;
    }
    if (otherSide < 0) return;
    vx.firstTriangle = start;
    m.vertexTrianglesTo(u, otherSide, scratch);
    if (scratch.empty()) return;
    int copy = copyVertex(m, u, scratch[0]);
    replaceVertex(m, scratch, u, copy);
}

bool onPatchBorder(const MeshTriangle& tri, int c) {
    int e1 = next3(c), e2 = prev3(c);
    return tri.marked(e1) || tri.neighbour[e1] < 0 || tri.marked(e2) || tri.neighbour[e2] < 0;
}

void selectVertex(Mesh& m, int v) {
    MeshVertex& vx = m.vertices[v];
    if (vx.flags & VertexSelected) return;
    vx.flags |= VertexSelected;
    vx.link = int32_t(m.selectedVertices.size());
    m.selectedVertices.push_back(v);
}

void deselectVertex(Mesh& m, int v) {
    m.vertices[v].flags &= uint8_t(~VertexSelected);
    m.vertices[v].link = -1;
}

// Tears every not yet torn border vertex of the selected patch.
void tearSelectedPatch(Mesh& m, bool markProcessed) {
    for (size_t i = 0; i < m.selectedTriangles.size(); ++i) {
        int t = m.selectedTriangles[i];
        if (markProcessed) m.triangles[t].flags |= TriangleProcessed;
        for (int c = 0; c < 3; ++c) {
            int v = m.triangles[t].vertex[c];
            if (m.vertices[v].flags & VertexSelected) continue;
            if (!onPatchBorder(m.triangles[t], c)) continue;
            int w = m.tearFan(v, t);
            selectVertex(m, v);
            if (w != -1) selectVertex(m, w);
        }
    }
}

} // namespace

int Mesh::tearFan(int v, int t) {
    std::vector<int32_t> fan, scratch;
    vertexTrianglesFrom(v, t, fan);
    if (fan.empty()) return -1;
    int A = fan.front(), Z = fan.back();
    int cA = triangles[A].cornerOf(v), cZ = triangles[Z].cornerOf(v);
    int edgeA = prev3(cA), edgeZ = next3(cZ);
    int a = triangles[A].vertex[next3(cA)], z = triangles[Z].vertex[prev3(cZ)];
    int nA = triangles[A].neighbour[edgeA], nZ = triangles[Z].neighbour[edgeZ];
    if (nA == -1 && nZ == -1) return -1;

    bool wasOpen = vertices[v].open();
    if (!wasOpen) markOpen(vertices[v]);
    int w = copyVertex(*this, v, A);
    replaceVertex(*this, fan, v, w);
    if (nA != -1) cutLink(*this, nA, A, edgeA);
    if (nZ != -1) {
        cutLink(*this, nZ, Z, edgeZ);
        vertices[v].firstTriangle = nZ;
        if (wasOpen && nA != -1) {
            vertexTrianglesTo(v, nA, scratch);
            if (!scratch.empty()) {
                int w2 = copyVertex(*this, v, scratch[0]);
                replaceVertex(*this, scratch, v, w2);
            }
        }
    }
    // an open v keeps its walk start at its far open end, outside the fan w took; should it have
    // been inside after all, find the open end again from the triangle beyond A
    if (triangles[vertices[v].firstTriangle].cornerOf(v) < 0) {
        vertices[v].firstTriangle = nA;
        updateVertexRing(v);
    }
    splitEnd(*this, a, nA, A, scratch);
    splitEnd(*this, z, Z, nZ, scratch);
    return w;
}

void Mesh::tearPatchAt(const vec3& point, int triangle) {
    tearTriangleMark = triangles.size();
    selectPatch(point, true, triangle);
    if (!selectedTriangles.empty()) tearSelectedPatch(*this, false);
    clearSelection();
}

void Mesh::tearPatchOf(int t) {
    tearTriangleMark = triangles.size();
    selectPatch(vec3(), true, t);
    if (!selectedTriangles.empty()) tearSelectedPatch(*this, true);
    clearSelection();
}

void Mesh::tearAllPatches() {
    int mark = triangles.size();
    tearTriangleMark = mark;
    clearSelection();
    for (int i = 0; i < mark; ++i) {
        const MeshTriangle& tri = triangles[i];
        if (tri.alive() && !(tri.flags & TriangleProcessed)) tearPatchOf(i);
    }
    for (int i = 0; i < mark; ++i) triangles[i].flags &= uint8_t(~TriangleProcessed);
    tearTriangleMark = mark;
}

void Mesh::tearDeformAllPatches(const vec3& point, float radius, int triangle) {
    tearTriangleMark = triangles.size();
    clearSelection();
    gatherPatchBrushVertices(point, radius, true, triangle);
    // here the selection holds the vertices still to tear
    for (size_t i = 0; i < selectedTriangles.size(); ++i) {
        int t = selectedTriangles[i];
        for (int c = 0; c < 3; ++c) {
            int v = triangles[t].vertex[c];
            if (!(vertices[v].flags & VertexSelected) || !onPatchBorder(triangles[t], c)) continue;
            int w = tearFan(v, t);
            deselectVertex(*this, v);
            if (w != -1) deselectVertex(*this, w);
        }
    }
    for (int v = 0; v < vertices.size(); ++v) deselectVertex(*this, v);
    selectedVertices.clear();
    clearSelection();
}

} // namespace kal
