// The starts of the extrusion strokes: every border vertex of a patch is split in two, the patch
// keeping the copy, and two side triangles join the copy to the rest of the mesh, so the patch
// can then move out on a strip of side walls.
#include <vector>

#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

bool cornerOnBorder(const MeshTriangle& tri, int c) {
    int e1 = next3(c), e2 = prev3(c);
    return tri.marked(e1) || tri.neighbour[e1] < 0 || tri.marked(e2) || tri.neighbour[e2] < 0;
}

// Crossing edge e of t keeps inside t's patch.
bool staysInPatch(const Mesh& m, int t, int e) {
    const MeshTriangle& tri = m.triangles[t];
    return !tri.marked(e) && tri.neighbour[e] >= 0 && tri.neighbour[e] < m.triangleCount();
}

void deselect(Mesh& m, int v) {
    m.vertices[v].flags &= uint8_t(~VertexSelected);
    m.vertices[v].link = -1;
}

// Splits every not yet selected border vertex of the selected triangles. borders, when given,
// lists (in selection order) the selected triangles with an edge marked, open or linked past the
// store: only those can have a border corner on their turn, as a split marks only such edges and
// links others only to its new side walls (which never make a border).
void borderPass(Mesh& m, const pbr& material, bool flag, const std::vector<int32_t>* borders) {
    auto split = [&](int32_t t) {
        for (int k = 0; k < 3; ++k) {
            int v = m.triangles[t].vertex[k];
            if (!cornerOnBorder(m.triangles[t], k) || (m.vertices[v].flags & VertexSelected)) continue;
            int c = m.extrudeBorderVertex(v, t, material, flag);
            editing::selectVertex(m, v);
            if (c >= 0) editing::selectVertex(m, c);
        }
    };
    if (!borders) {
        for (size_t i = 0; i < m.selectedTriangles.size(); ++i) split(m.selectedTriangles[i]);
        m.clearSelection();
        return;
    }
    for (int32_t t : *borders) split(t);
    editing::clearSelectionInParallel(m);
}

// An open sheet becomes a closed shell: a reversed copy glued along the open boundary. Inner edges
// between two boundary vertices are split first, or the copy would put four triangles on them.
void closeSheet(Mesh& m, const vec3& point, int item) {
    for (bool split = true; split;) {
        split = false;
        for (size_t i = 0; i < m.selectedTriangles.size() && !split; ++i) {
            int t = m.selectedTriangles[i];
            for (int k = 0; k < 3 && !split; ++k) {
                const MeshTriangle& tri = m.triangles[t];
                int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
                if (tri.neighbour[k] < 0 || !m.vertices[a].open() || !m.vertices[b].open()) continue;
                m.splitEdge(t, k, (m.vertices[a].position + m.vertices[b].position) * 0.5f);
                split = true;
            }
        }
        if (split) {
            int again = item;
            m.selectPatch(point, true, again);
        }
    }
    const std::vector<int32_t> patch = m.selectedTriangles;
    const int nt = m.triangleCount();
    // the copy of each inner vertex; boundary vertices serve both faces
    std::vector<int32_t> copyOf(size_t(m.vertexCount()), -1), slot(size_t(nt), -1);
    for (size_t i = 0; i < patch.size(); ++i) slot[size_t(patch[i])] = nt + int(i);
    std::vector<int32_t> touched;
    for (int32_t t : patch)
        for (int32_t v : m.triangles[t].vertex) {
            if (m.vertices[v].open() || copyOf[size_t(v)] >= 0) continue;
            MeshVertex copy = m.vertices[v];
            copy.flags &= uint8_t(~(VertexSelected | VertexOpen));
            copy.link = -1;
            if (copy.firstTriangle >= 0 && copy.firstTriangle < nt)
                copy.firstTriangle = slot[size_t(copy.firstTriangle)];
            copyOf[size_t(v)] = m.pushVertex(copy);
            touched.push_back(copyOf[size_t(v)]);
        }
    auto mapped = [&](int32_t v) { return copyOf[size_t(v)] >= 0 ? copyOf[size_t(v)] : v; };
    for (int32_t t : patch) {
        const MeshTriangle& o = m.triangles[t];
        MeshTriangle copy = o;
        copy.flags = uint8_t(TriangleAlive | (o.marked(2) ? 1 : 0) | (o.marked(1) ? 2 : 0) | (o.marked(0) ? 4 : 0));
        const int from[3] = {2, 1, 0};
        for (int c = 0; c < 3; ++c) {
            copy.vertex[c] = mapped(o.vertex[from[c]]);
            copy.corner[c] = o.corner[from[c]];
            copy.cornerNormal[c] = -o.cornerNormal[from[c]];
            int n = o.neighbour[from[c]];
            copy.neighbour[c] = n >= 0 ? slot[size_t(n)] : t;
            if (n < 0) copy.flags |= uint8_t(1 << c);
        }
        copy.faceNormal = -o.faceNormal;
        m.pushTriangle(copy);
    }
    // the open edges now join each face to its copy, as patch borders
    for (int32_t t : patch)
        for (int k = 0; k < 3; ++k)
            if (m.triangles[t].neighbour[k] < 0) {
                m.triangles[t].neighbour[k] = slot[size_t(t)];
                m.triangles[t].flags |= uint8_t(1 << k);
            }
    for (int32_t t : patch)
        for (int32_t v : m.triangles[t].vertex)
            if (m.vertices[v].open()) touched.push_back(v);
    for (int32_t v : touched) m.updateVertexRing(v);
    m.clearSelection();
}

} // namespace

int Mesh::extrudeBorderVertex(int v, int t, const pbr& material, bool flag) {
    // the fan of t's patch round v, from A (its edge v-a leaves the patch) to B (edge v-b)
    int A = t;
    for (int step = 0;; ++step) {
        int c = triangles[A].cornerOf(v);
        if (c < 0 || step > triangleCount()) return -1;
        if (!staysInPatch(*this, A, prev3(c))) break;
        A = triangles[A].neighbour[prev3(c)];
        if (A == t) return -1; // the patch surrounds v: nothing to split
    }
    std::vector<int32_t> fan;
    int B = A;
    for (int step = 0;; ++step) {
        int c = triangles[B].cornerOf(v);
        if (c < 0 || step > triangleCount()) return -1;
        fan.push_back(B);
        if (!staysInPatch(*this, B, next3(c))) break;
        B = triangles[B].neighbour[next3(c)];
    }
    const int cA = triangles[A].cornerOf(v), cB = triangles[B].cornerOf(v);
    const int edgeA = prev3(cA), edgeB = next3(cB);
    const int a = triangles[A].vertex[next3(cA)], b = triangles[B].vertex[prev3(cB)];
    const int outA = triangles[A].neighbour[edgeA], outB = triangles[B].neighbour[edgeB];
    auto old = [&](int x) { return x >= 0 && x < triangleCountMark; };

    MeshVertex copy = vertices[v];
    copy.flags &= uint8_t(~VertexOpen);
    const int c = pushVertex(copy);
    const int S1 = triangleCount(), S2 = S1 + 1;
    const bool seam = flag && vertices[v].pinned();
    pushTriangle(MeshTriangle(a, c, v, S2, outA, A, seam, old(outA), true, material, material, material));
    pushTriangle(MeshTriangle(b, v, c, S1, B, outB, seam, true, old(outB), material, material, material));
    auto relink = [&](int out, int from, int to) {
        if (out < 0) return;
        int slot = triangles[out].slotOf(from);
        if (slot < 0) return;
        triangles[out].neighbour[slot] = to;
        if (!old(out)) triangles[out].flags &= uint8_t(~(1 << slot));
    };
    relink(outA, A, S1);
    relink(outB, B, S2);
    triangles[A].neighbour[edgeA] = S1;
    triangles[A].flags |= uint8_t(1 << edgeA);
    triangles[B].neighbour[edgeB] = S2;
    triangles[B].flags |= uint8_t(1 << edgeB);
    for (int32_t f : fan) {
        int k = triangles[f].cornerOf(v);
        if (k >= 0) triangles[f].vertex[k] = c;
    }
    vertices[v].firstTriangle = S1;
    vertices[c].firstTriangle = A;
    for (int x : {v, c, a, b}) updateVertexRing(x);
    return c;
}

void Mesh::extrudePatch(const vec3& point, int item, const pbr& material, bool flag) {
    std::vector<int32_t> borders;
    bool open = selectPatch(point, true, item, &borders);
    if (selectedTriangles.empty()) {
        tearTriangleMark = triangleCount();
        clearSelection();
        return;
    }
    if (open) {
        // no purge here: the picked triangle and the start count must keep naming their records
        closeSheet(*this, point, item);
        borders.clear();
        selectPatch(point, true, item, &borders);
    }
    tearTriangleMark = triangleCount();
    // without a triangle the fill neither ran nor cleared what was selected
    borderPass(*this, material, flag, item >= 0 ? &borders : nullptr);
}

void Mesh::extrudePatchBorder(int t, const pbr& material, bool flag) {
    // the selection is empty here, so the fill's border list covers all of it
    std::vector<int32_t> borders;
    const bool fresh = selectedTriangles.empty();
    selectPatch(vec3(), false, t, &borders);
    if (selectedTriangles.empty()) {
        clearSelection();
        return;
    }
    for (int32_t s : selectedTriangles) triangles[s].flags |= TriangleProcessed;
    borderPass(*this, material, flag, fresh ? &borders : nullptr);
}

void Mesh::extrudeAllPatches(const pbr& material, bool flag) {
    clearSelection();
    const int count = triangleCount();
    tearTriangleMark = count;
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = triangles[t];
        if (!tri.alive() || (tri.flags & TriangleProcessed)) continue;
        extrudePatchBorder(t, material, flag);
    }
    for (int t = 0; t < count; ++t) triangles[t].flags &= uint8_t(~TriangleProcessed);
}

void Mesh::extrudeDeformStart(const vec3& point, float radius, int item, const pbr& material, bool flag) {
    tearTriangleMark = triangleCount();
    gatherPatchBrushVertices(point, radius, true, item);
    if (!selectedTriangles.empty()) {
        for (size_t i = 0; i < selectedTriangles.size(); ++i) {
            int t = selectedTriangles[i];
            for (int k = 0; k < 3; ++k) {
                int v = triangles[t].vertex[k];
                if (!(vertices[v].flags & VertexSelected) || !cornerOnBorder(triangles[t], k)) continue;
                int c = extrudeBorderVertex(v, t, material, flag);
                deselect(*this, c >= 0 ? c : v);
            }
        }
    }
    for (int32_t v : selectedVertices) deselect(*this, v);
    clearSelection();
}

} // namespace kal
