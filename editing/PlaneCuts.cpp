// Cuts along a plane: the edges the plane crosses are split, and the chain of new vertices
// becomes a line of border-marked edges. The clips then remove the side the normal points to;
// SubPlane caps the opening with a flat face of its own material.
#include <algorithm>
#include <cmath>
#include <vector>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Outline.h"
#include "foundation/Predicates.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

class PlaneCut {
public:
    PlaneCut(Mesh& m, const vec3& q, const vec3& n) : m(m), Q(q), N(n), V0(m.vertexCount()) {}

    // A vertex exactly on the plane counts as the negative side.
    void markSide(int v) {
        const MeshVertex& vx = m.vertices[v];
        if (v >= V0 || !vx.alive() || (vx.flags & VertexSelected)) return;
        if (dot(dvec3(vx.position) - Q, N) > 0) editing::selectVertex(m, v);
    }
    void markAll() {
        for (int v = 0; v < V0; ++v) markSide(v);
    }

    // Splits every crossed edge of the triangles of the work list (all triangles when null); the
    // halves split off selected triangles join the list.
    void split(std::vector<int32_t>* work) {
        for (size_t pos = 0;; ++pos) {
            int t;
            if (work) {
                if (pos >= work->size()) break;
                t = (*work)[pos];
            } else {
                if (int(pos) >= m.triangleCount()) break;
                t = int(pos);
            }
            while (m.triangles[t].alive() && splitFirstCrossing(t, work)) {
            }
        }
    }

    // The chain of cut vertices becomes a line of border edges.
    void markLine() {
        std::vector<int32_t> ring;
        for (int32_t c : cutVertices) {
            m.vertexNeighbours(c, ring);
            for (int32_t w : ring)
                if (w >= V0) m.setEdgeFlag(c, w, true);
        }
    }

    bool selected(int v) const { return m.vertices[v].flags & VertexSelected; }

    // Every record the cut changed lies round a cut vertex: a split triangle keeps one half that
    // holds the new vertex, and the marks run between cut vertices. Renormals just those faces and
    // the corners of their vertices, which is what the full pass would change.
    void renormalCut() {
        editing::CutCorners corners(m);
        for (int32_t c : cutVertices) corners.addRound(c, true);
        corners.renormal();
    }

    Mesh& m;
    dvec3 Q, N;
    int V0;
    std::vector<int32_t> cutVertices;

private:
    bool splitFirstCrossing(int t, std::vector<int32_t>* work) {
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[t];
            int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
            if (a >= V0 || b >= V0 || selected(a) == selected(b)) continue;
            vec3 X = segmentPlaneIntersection(Q, N, dvec3(m.vertices[a].position), dvec3(m.vertices[b].position))
                         .toFloat();
            // a corner that is not finite gives no crossing
            if (!isFinite(X)) continue;
            bool border = tri.marked(k) || tri.neighbour[k] < 0;
            int neighbour = tri.neighbour[k];
            bool neighbourSelected = neighbour >= 0 && (m.triangles[neighbour].flags & TriangleSelected);
            int before = m.triangleCount();
            int c = m.splitEdge(t, k, X);
            cutVertices.push_back(c);
            if (work) {
                for (int added = before; added < m.triangleCount(); ++added) {
                    bool fromT = added == before;
                    if (!fromT && !neighbourSelected) continue;
                    m.triangles[added].flags = uint8_t((m.triangles[added].flags & ~0x30) | TriangleSelected);
                    work->push_back(added);
                }
            }
            if (border)
                m.vertices[c].setPinned(true);
            else
                m.vertices[c].flags &= uint8_t(~VertexPinned);
            return true;
        }
        return false;
    }
};

// Selects the triangles round every positive vertex and deletes them.
void removePositiveSide(Mesh& m) {
    m.markDirtyTriangles();
    const std::vector<int32_t> doomed = m.selectedTriangles;
    for (int32_t t : doomed)
        if (m.triangles[t].alive()) m.deleteTriangle(t);
}

void clipAndCut(PlaneCut& cut) {
    cut.m.clearSelection();
    cut.markAll();
    cut.split(nullptr);
    cut.markLine();
    removePositiveSide(cut.m);
}

// The open boundary from the first cut vertex, when it closes into one loop.
bool closedBoundaryLoop(const Mesh& m, int start, std::vector<int32_t>& loop) {
    m.boundaryLoop(start, loop);
    if (loop.size() < 3 || m.boundaryNeighbour(loop.back()) != start) return false;
    std::vector<int32_t> sorted = loop;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

// Fills the loop with a flat cap facing along n, stitched to the mesh along the loop.
void capLoop(Mesh& m, const std::vector<int32_t>& loop, const vec3& n, const pbr& material) {
    const vec3 P0 = m.vertices[loop[0]].position;
    // the plane onto z = 0, P0 at the origin; a proper turn even for n = -z
    mat4 M = mat4::translation(-P0);
    M *= editing::rotationTurning(n, vec3(0, 0, 1), vec3(1, 0, 0));
    Outline outline;
    for (int32_t v : loop) {
        vec3 p = m.vertices[v].position * M;
        outline.points.push_back(vec2(p.x, p.y));
        outline.flags.push_back(false);
    }
    Mesh cap = Mesh::fromOutline(outline, false, 0, 0);
    const int k = int(loop.size());
    // coincident cut points leave the outline without a triangulation: the hole stays open
    if (cap.triangleCount() == 0 || cap.vertexCount() < k) return;
    for (int i = 0; i < k; ++i)
        if (lengthSquared(cap.vertices[i].position - vec3(outline.points[size_t(i)].x, outline.points[size_t(i)].y, 0)) >
            1e-10)
            return;
    const mat4 back = inverseAffine(M);
    const int nt = m.triangleCount();
    std::vector<int32_t> id(size_t(cap.vertexCount()));
    for (int i = 0; i < cap.vertexCount(); ++i) {
        if (i < k) {
            id[size_t(i)] = loop[size_t(i)];
            continue;
        }
        MeshVertex v(cap.vertices[i].position * back, -1, -1, VertexAlive);
        id[size_t(i)] = m.pushVertex(v);
    }
    // the cap faces along n whichever way the triangulation wound it
    const MeshTriangle& t0 = cap.triangles[0];
    vec3 a = cap.vertices[t0.vertex[0]].position * back, b = cap.vertices[t0.vertex[1]].position * back,
         c = cap.vertices[t0.vertex[2]].position * back;
    const bool flip = dot(cross(b - a, c - a), n) < 0;
    for (int t = 0; t < cap.triangleCount(); ++t) {
        const MeshTriangle& ct = cap.triangles[t];
        MeshTriangle tri;
        const int order[3] = {flip ? 2 : 0, 1, flip ? 0 : 2};
        for (int i = 0; i < 3; ++i) {
            tri.vertex[i] = id[size_t(ct.vertex[order[i]])];
            int nb = ct.neighbour[order[i]];
            tri.neighbour[i] = nb >= 0 ? nb + nt : -1;
            tri.cornerNormal[i] = n;
            pbrCopyMasked(tri.corner[i], material, kPbrAll);
        }
        tri.faceNormal = n;
        tri.flags = TriangleAlive;
        m.pushTriangle(tri);
    }
    for (int i = k; i < cap.vertexCount(); ++i)
        for (int t = nt; t < m.triangleCount(); ++t)
            if (m.triangles[t].cornerOf(id[size_t(i)]) >= 0) {
                m.vertices[id[size_t(i)]].firstTriangle = t;
                break;
            }
    // stitch the rim: each open cap edge meets the mesh triangle on the same two vertices
    for (int t = nt; t < m.triangleCount(); ++t)
        for (int e = 0; e < 3; ++e) {
            MeshTriangle& tri = m.triangles[t];
            if (tri.neighbour[e] >= 0) continue;
            int other, edge;
            if (!m.findEdge(tri.vertex[next3(e)], tri.vertex[prev3(e)], other, edge) || other >= nt) continue;
            tri.neighbour[e] = other;
            m.triangles[other].neighbour[edge] = t;
            // the cut line stays a border on both sides
            if (m.triangles[other].marked(edge)) tri.flags |= uint8_t(1 << e);
        }
    for (int32_t v : loop) m.updateVertexRing(v);
}

} // namespace

void Mesh::cutPlane(const vec3& q, const vec3& n) {
    clearSelection();
    PlaneCut cut(*this, q, n);
    cut.markAll();
    cut.split(nullptr);
    cut.markLine();
    cut.renormalCut();
    clearSelection();
}

void Mesh::cutPlaneComponent(const vec3& q, const vec3& n, int item) {
    clearSelection();
    selectComponent(q, true, item);
    PlaneCut cut(*this, q, n);
    for (size_t i = 0; i < selectedTriangles.size(); ++i)
        for (int32_t v : triangles[selectedTriangles[i]].vertex) cut.markSide(v);
    cut.split(&selectedTriangles);
    cut.markLine();
    cut.renormalCut();
    clearSelection();
}

void Mesh::cutPlanePatch(const vec3& q, const vec3& n, int item) {
    clearSelection();
    if (item < 0) item = closestTriangle(q);
    if (item < 0) return;
    PlaneCut cut(*this, q, n);
    // the band of crossed triangles joined to the picked one inside its patch
    std::vector<int32_t> queue{item};
    for (size_t head = 0; head < queue.size(); ++head) {
        int t = queue[head];
        if (triangles[t].flags & TriangleSelected) continue;
        triangles[t].flags = uint8_t((triangles[t].flags & ~0x30) | TriangleSelected);
        selectedTriangles.push_back(t);
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = triangles[t];
            int nb = tri.neighbour[k];
            if (nb >= 0 && (triangles[nb].flags & TriangleSelected)) continue;
            int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
            cut.markSide(a);
            cut.markSide(b);
            if (!tri.marked(k) && nb >= 0 && cut.selected(a) != cut.selected(b)) queue.push_back(nb);
        }
    }
    cut.split(&selectedTriangles);
    cut.markLine();
    cut.renormalCut();
    clearSelection();
}

void Mesh::clipPlane(const vec3& q, const vec3& n) {
    PlaneCut cut(*this, q, n);
    clipAndCut(cut);
    clearSelection();
    purgeDeleted(false);
    updateNormals(2);
}

void Mesh::subPlane(const vec3& q, const vec3& n, const pbr& material) {
    PlaneCut cut(*this, q, n);
    clipAndCut(cut);
    clearSelection();
    std::vector<int32_t> loop;
    // a walk that does not close (several loops, a vertex off the boundary) caps nothing
    if (!cut.cutVertices.empty() && closedBoundaryLoop(*this, cut.cutVertices[0], loop)) {
        updateNormals(2);
        capLoop(*this, loop, normalize(n), material);
    } else {
        updateNormals(2);
    }
    purgeDeleted(false);
}

} // namespace kal
