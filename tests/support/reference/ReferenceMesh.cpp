#include "reference/ReferenceMesh.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Predicates.h"

namespace kal::reference {

namespace {

int next3(int i) { return i == 2 ? 0 : i + 1; }
int prev3(int i) { return i == 0 ? 2 : i - 1; }

// The k-th hole below the live count takes the k-th live record from the back.
template <class Store>
void planMoves(const Store& store, int& live, std::vector<int32_t>& to, std::vector<int32_t>& from) {
    live = 0;
    for (int i = 0; i < store.size(); ++i) live += store[i].alive() ? 1 : 0;
    to.clear();
    from.clear();
    for (int i = 0; i < live; ++i)
        if (!store[i].alive()) to.push_back(i);
    for (int i = store.size() - 1; i >= live; --i)
        if (store[i].alive()) from.push_back(i);
}

// The patch's normal sum, its vertices collected into the brush list (each once) and, when asked,
// their position sum and box.
struct Patch {
    vec3 normalSum;
    size_t triangles = 0;
    dvec3 positionSum;
    vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    vec3 hi = -lo;
    size_t first = 0, count = 0;

    Patch(Mesh& m, bool mark, bool pivot) : first(m.brushVertices.size()) {
        for (int32_t t : m.selectedTriangles) {
            normalSum += m.triangles[t].faceNormal;
            ++triangles;
            m.triangles[t].flags |= TriangleProcessed;
        }
        editing::collectRegionVertices(m, true);
        if (!mark)
            for (int32_t t : m.selectedTriangles) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
        count = m.brushVertices.size() - first;
        if (!pivot) return;
        for (size_t i = first; i < m.brushVertices.size(); ++i) {
            const vec3 p = m.vertices[m.brushVertices[i].vertex].position;
            positionSum = positionSum + dvec3(p);
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    vec3 normal() const { return editing::meanNormal(normalSum, triangles); }
    dvec3 pivot() const {
        const dvec3 mean = positionSum / double(count);
        const dvec3 e = dvec3((lo + hi) * 0.5f) - mean, n(normal());
        return mean + e - n * dot(e, n);
    }
};

void moveAndRelease(Mesh& m, const Patch& patch, const std::function<vec3(vec3)>& move) {
    for (size_t i = patch.first; i < patch.first + patch.count; ++i) {
        MeshVertex& vx = m.vertices[m.brushVertices[i].vertex];
        vx.flags &= uint8_t(~VertexSelected);
        vx.link = -1;
        vx.position = move(vx.position);
    }
    m.selectedVertices.clear();
}

// step(patch, picked) on the picked patch, then on every other patch seeded below the start count.
void forEachPatch(Mesh& m, const vec3& previous, int triangle, bool pivot,
                  const std::function<void(const Patch&, bool)>& step) {
    const int count = std::min(m.tearTriangleMark, m.triangleCount());
    m.selectPatch(previous, true, triangle);
    step(Patch(m, true, pivot), true);
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive() || (tri.flags & TriangleProcessed)) continue;
        int seed = t;
        m.selectPatch(vec3(), true, seed);
        step(Patch(m, true, pivot), false);
    }
    m.clearSelection();
    for (int t = 0; t < count; ++t) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
}

} // namespace

void purgeRepairing(Mesh& m) {
    if (!m.purgeNeeded) return;
    int liveV, liveT;
    std::vector<int32_t> toV, fromV, toT, fromT, ring, corners;
    planMoves(m.vertices, liveV, toV, fromV);
    planMoves(m.triangles, liveT, toT, fromT);
    for (size_t k = 0; k < toV.size(); ++k) {
        const int from = fromV[k], to = toV[k];
        m.collectVertexRing(from, ring, corners);
        for (size_t i = 0; i < ring.size(); ++i) m.triangles[ring[i]].vertex[corners[i]] = to;
        const MeshVertex& v = m.vertices[from];
        if ((v.flags & VertexSelected) && v.link >= 0 && size_t(v.link) < m.selectedVertices.size())
            m.selectedVertices[size_t(v.link)] = to;
        m.vertices[to] = m.vertices[from];
    }
    m.vertices.truncate(liveV);
    for (size_t k = 0; k < toT.size(); ++k) {
        const int from = fromT[k], to = toT[k];
        const MeshTriangle& moved = m.triangles[from];
        for (int32_t v : moved.vertex)
            if (v >= 0 && v < m.vertexCount() && m.vertices[v].firstTriangle == from) m.vertices[v].firstTriangle = to;
        for (int32_t n : moved.neighbour) {
            if (n < 0 || n >= m.triangleCount()) continue;
            const int slot = m.triangles[n].slotOf(from);
            if (slot >= 0) m.triangles[n].neighbour[slot] = to;
        }
        m.triangles[to] = m.triangles[from];
    }
    m.triangles.truncate(liveT);
    m.purgeNeeded = false;
    m.vertexCountMark = m.vertexCount();
    m.triangleCountMark = m.triangleCount();
}

std::vector<int32_t> cutPlane(Mesh& m, const vec3& q, const vec3& n) {
    const dvec3 Q(q), N(n);
    const int V0 = m.vertexCount();
    // 1 ahead, -1 behind, 0 on the plane (the vertices the cut makes too)
    std::vector<int> sides(size_t(V0), -1);
    std::vector<int32_t> on;
    for (int v = 0; v < V0; ++v) {
        const MeshVertex& vx = m.vertices[v];
        if (!vx.alive()) continue;
        sides[size_t(v)] = editing::planeSide(vx.position, Q, N);
        if (sides[size_t(v)] > 0) editing::selectVertex(m, v);
        if (sides[size_t(v)] == 0) on.push_back(v);
    }
    auto side = [&](int v) { return v < V0 ? sides[size_t(v)] : 0; };
    std::vector<int32_t> cuts;
    auto splitFirstCrossing = [&](int t) {
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[t];
            const int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
            if (a < 0 || b < 0 || a >= V0 || b >= V0 || side(a) * side(b) >= 0) continue;
            const vec3 X =
                segmentPlaneIntersection(Q, N, dvec3(m.vertices[a].position), dvec3(m.vertices[b].position)).toFloat();
            if (!isFinite(X)) continue;
            const bool border = tri.marked(k) || tri.neighbour[k] < 0;
            const int c = m.splitEdge(t, k, X);
            cuts.push_back(c);
            if (border)
                m.vertices[c].setPinned(true);
            else
                m.vertices[c].flags &= uint8_t(~VertexPinned);
            return true;
        }
        return false;
    };
    for (int t = 0; t < m.triangleCount(); ++t)
        while (m.triangles[t].alive() && splitFirstCrossing(t)) {}
    // an edge between two points of the line is marked when it parts the sides: between two
    // cut points it always does
    auto parts = [&](int a, int b) {
        if (a >= V0 && b >= V0) return true;
        int t, e;
        if (!m.findEdge(a, b, t, e) || m.triangles[t].neighbour[e] < 0) return false;
        const MeshTriangle& across = m.triangles[m.triangles[t].neighbour[e]];
        for (int32_t x : across.vertex)
            if (x != a && x != b) return side(m.triangles[t].vertex[e]) * side(x) < 0;
        return false;
    };
    std::vector<int32_t> ring;
    for (const std::vector<int32_t>* line : {&cuts, &on})
        for (int32_t c : *line) {
            m.vertexNeighbours(c, ring);
            for (int32_t w : ring)
                if (side(w) == 0 && parts(c, w)) m.setEdgeFlag(c, w, true);
        }
    return cuts;
}

void clipPlane(Mesh& m, const vec3& q, const vec3& n) {
    m.clearSelection();
    cutPlane(m, q, n);
    m.markDirtyTriangles();
    m.deleteTriangles(std::vector<int32_t>(m.selectedTriangles));
    m.updateNormals(NormalUpdate::All);
    m.clearSelection();
    purgeRepairing(m);
}

void pushAlongNormal(Mesh& m, const vec3& previous, const vec3& current, int triangle) {
    m.selectPatch(previous, true, triangle);
    const Patch patch(m, false, false);
    const vec3 n = patch.normal();
    m.translateBrushVertices(n * dot(current - previous, n));
    m.applyDrag();
    m.clearSelection();
}

void pushAllPatches(Mesh& m, const vec3& previous, const vec3& current, int triangle) {
    float s = 0;
    forEachPatch(m, previous, triangle, false, [&](const Patch& patch, bool picked) {
        const vec3 n = patch.normal();
        if (picked) s = dot(current - previous, n);
        const vec3 D = n * s;
        moveAndRelease(m, patch, [&](vec3 p) { return p + D; });
    });
}

void scaleAllPatches(Mesh& m, const vec3& previous, const vec3& current, int triangle) {
    double f = 1;
    bool valid = false;
    forEachPatch(m, previous, triangle, true, [&](const Patch& patch, bool picked) {
        if (picked && patch.count > 0) {
            const dvec3 c = patch.pivot(), p = dvec3(previous) - c, q = dvec3(current) - c;
            const double before = dot(p, p);
            f = std::sqrt(dot(q, q) / before);
            valid = before > kNullLengthSquared && std::isfinite(f);
        }
        if (!valid || patch.count == 0) {
            moveAndRelease(m, patch, [](vec3 p) { return p; });
            return;
        }
        const dvec3 c = patch.pivot();
        moveAndRelease(m, patch, [&](vec3 p) { return (dvec3(p) * f + c * (1 - f)).toFloat(); });
    });
}

} // namespace kal::reference
