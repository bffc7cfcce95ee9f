// Cuts along a plane: the edges the plane crosses are split, and the chain of new vertices
// becomes a line of border-marked edges. The clips then remove the side the normal points to;
// SubPlane caps the opening with a flat face of its own material.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>
#include <vector>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Outline.h"
#include "foundation/Parallel.h"
#include "foundation/Predicates.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

// The passes over every record work in chunks of this many records, each chunk's results apart.
constexpr int kChunk = 4096;

class PlaneCut {
public:
    PlaneCut(Mesh& m, const vec3& q, const vec3& n)
        : m(m), Q(q), N(n), V0(m.vertexCount()), T0(m.triangleCount()), onBits(size_t(V0 / 64 + 1), 0) {}

    // The positive vertices are selected. A vertex on the plane (within the rounding) is a point
    // of the cut line: no edge from it is split, and for a clip it counts as the negative side.
    void markSide(int v) {
        const MeshVertex& vx = m.vertices[v];
        if (v >= V0 || !vx.alive() || (vx.flags & VertexSelected) || onPlane(v)) return;
        const int side = editing::planeSide(vx.position, Q, N);
        if (side > 0) editing::selectVertex(m, v);
        if (side == 0) {
            setOnPlane(v);
            onVertices.push_back(v);
        }
    }
    // Sets v's bit when it lies on the plane; true when it lies ahead of it.
    bool positive(int v) {
        const MeshVertex& vx = m.vertices[v];
        if (!vx.alive() || (vx.flags & VertexSelected)) return false;
        const int side = editing::planeSide(vx.position, Q, N);
        if (side == 0) setOnPlane(v);
        return side > 0;
    }
    bool onPlane(int v) const { return v < V0 && ((onBits[size_t(v / 64)] >> (v % 64)) & 1); }

    // markSide of every vertex in record order: the positive ones counted per chunk in parallel,
    // then selected in that order.
    void markAll() {
        const int chunks = (V0 + kChunk - 1) / kChunk;
        std::vector<int32_t> start(size_t(chunks) + 1, 0);
        // the sides read once, into bits; a vertex selected already drops them (the search then
        // reads the flags)
        sideBits.assign(size_t(chunks) * (kChunk / 64), 0);
        std::atomic<bool> selectedBefore{false};
        parallelForChunks(V0, kChunk, [&](int k, int first, int end) {
            int32_t count = 0;
            for (int v = first; v < end; ++v) {
                if (m.vertices[v].flags & VertexSelected) selectedBefore = true;
                if (!positive(v)) continue;
                sideBits[size_t(v / 64)] |= uint64_t(1) << (v % 64);
                ++count;
            }
            start[size_t(k) + 1] = count;
        });
        for (int k = 0; k < chunks; ++k) start[size_t(k) + 1] += start[size_t(k)];
        for (size_t word = 0; word < onBits.size(); ++word)
            for (uint64_t bits = onBits[word]; bits; bits &= bits - 1)
                onVertices.push_back(int32_t(word * 64 + size_t(__builtin_ctzll(bits))));
        const size_t base = m.selectedVertices.size();
        m.selectedVertices.resize(base + size_t(start[size_t(chunks)]));
        parallelForChunks(V0, kChunk, [&](int k, int first, int end) {
            size_t next = base + size_t(start[size_t(k)]);
            for (int v = first; v < end; ++v) {
                if (!sideBit(v)) continue;
                MeshVertex& vx = m.vertices[v];
                vx.flags |= VertexSelected;
                vx.link = int32_t(next);
                m.selectedVertices[next++] = v;
            }
        });
        if (selectedBefore) sideBits.clear();
    }
    bool sideBit(int v) const { return (sideBits[size_t(v / 64)] >> (v % 64)) & 1; }

    // Whether edge k of t runs from one side to the other between vertices older than the cut.
    bool crosses(const MeshTriangle& tri, int k) const {
        int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
        return a >= 0 && b >= 0 && a < V0 && b < V0 && selected(a) != selected(b) && !onPlane(a) && !onPlane(b);
    }

    // Splits every crossed edge of the triangles of the work list (all triangles when null); the
    // halves split off selected triangles join the list. Over the whole mesh only the triangles
    // with a crossed edge are visited, then those appended: a split replaces the crossed edge of
    // both its triangles by edges to the new vertex, so no triangle gains a crossed edge.
    void split(std::vector<int32_t>* work) {
        if (!work) sortSides();
        const int skipped = work ? 0 : T0;
        for (size_t pos = 0;; ++pos) {
            int t;
            if (work) {
                if (pos >= work->size()) break;
                t = (*work)[pos];
            } else if (pos < crossed.size()) {
                t = crossed[pos];
            } else {
                t = int(pos - crossed.size()) + skipped;
                if (t >= m.triangleCount()) break;
            }
            while (m.triangles[t].alive() && splitFirstCrossing(t, work)) {}
        }
    }

    // The chain of cut vertices becomes a line of border edges. Where the line runs through
    // vertices on the plane, an edge at one is marked when it parts the two sides.
    void markLine() {
        std::vector<int32_t> ring;
        for (const std::vector<int32_t>* line : {&cutVertices, &onVertices})
            for (int32_t c : *line) {
                if (!m.vertices[c].alive()) continue;
                m.vertexNeighbours(c, ring);
                for (int32_t w : ring)
                    if ((c >= V0 && w >= V0) || ((w >= V0 || onPlane(w)) && partsSides(c, w)))
                        m.setEdgeFlag(c, w, true);
            }
    }

    // -1 behind, 1 ahead, 0 on the line.
    int side(int v) const { return v >= V0 || onPlane(v) ? 0 : selected(v) ? 1 : -1; }
    // Whether the corners facing edge a-b lie on opposite sides.
    bool partsSides(int a, int b) const {
        int t, e;
        if (!m.findEdge(a, b, t, e)) return false;
        const MeshTriangle& tri = m.triangles[t];
        const int n = tri.neighbour[e];
        if (n < 0) return false;
        const int back = m.triangles[n].slotOf(t);
        return back >= 0 && side(tri.vertex[e]) * side(m.triangles[n].vertex[back]) < 0;
    }

    // The vertices of the cut line: those the cut made, then those on the plane.
    std::vector<int32_t> lineVertices() const {
        std::vector<int32_t> line = cutVertices;
        line.insert(line.end(), onVertices.begin(), onVertices.end());
        return line;
    }

    bool selected(int v) const { return m.vertices[v].flags & VertexSelected; }

    // After the split over the whole mesh: the alive triangles with a corner on the positive side.
    // Those older than the cut and not crossed kept their corners through the split, so only the
    // crossed ones and those the split appended are looked at again.
    std::vector<int32_t> positiveTriangles() const {
        std::vector<int32_t> list = allPositive;
        auto add = [&](int t) {
            const MeshTriangle& tri = m.triangles[t];
            if (tri.alive() && (selected(tri.vertex[0]) || selected(tri.vertex[1]) || selected(tri.vertex[2])))
                list.push_back(t);
        };
        for (int32_t t : crossed) add(t);
        for (int t = T0; t < m.triangleCount(); ++t) add(t);
        return list;
    }

    // Every record the cut changed lies round a cut vertex: a split triangle keeps one half that
    // holds the new vertex, and the marks run between cut vertices. Renormals just those faces and
    // the corners of their vertices, which is what the full pass would change.
    void renormalCut() {
        editing::CutCorners corners(m);
        for (int32_t c : lineVertices()) corners.addRound(c, true);
        corners.renormal();
    }

    Mesh& m;
    dvec3 Q, N;
    int V0, T0;
    std::vector<int32_t> cutVertices;
    // The vertices older than the cut that lie on the plane, in the order the cut met them.
    std::vector<int32_t> onVertices;
    // markAll's positive vertices, one bit a vertex below V0 (empty when it read none or a
    // vertex was selected before)
    std::vector<uint64_t> sideBits;
    // Some edge from one side to the other stayed whole.
    bool skippedCrossing = false;
    // The split over the whole mesh also lists the wholly positive triangles, for a clip.
    bool listPositive = false;

private:
    // From sortSides, in record order: the triangles with a crossed edge (the dead ones among them
    // too: their visits do nothing), and the alive ones with every corner off the plane on the
    // positive side.
    std::vector<int32_t> crossed, allPositive;
    // one bit a vertex below V0: on the plane
    std::vector<uint64_t> onBits;

    // markAll sets the bits of a chunk's vertices from one thread, each chunk its own words
    void setOnPlane(int v) { onBits[size_t(v / 64)] |= uint64_t(1) << (v % 64); }

    // One parallel pass over the triangles older than the cut. Any two corners share an edge, so a
    // triangle is crossed when its corners older than the cut lie on both sides.
    void sortSides() {
        // after markAll a vertex older than the cut is selected when its side bit is set
        const bool bits = !sideBits.empty();
        struct Chunk {
            std::vector<int32_t> crossed, positive;
        };
        std::vector<Chunk> chunks(size_t(T0 / kChunk + 1));
        parallelForChunks(T0, kChunk, [&](int k, int first, int end) {
            Chunk& chunk = chunks[size_t(k)];
            for (int t = first; t < end; ++t) {
                const MeshTriangle& tri = m.triangles[t];
                int sides = 0;
                for (int32_t v : tri.vertex)
                    if (v >= 0 && v < V0 && !onPlane(v)) sides |= (bits ? sideBit(v) : selected(v)) ? 2 : 1;
                if (sides == 3)
                    chunk.crossed.push_back(t);
                else if (listPositive && sides == 2 && tri.alive())
                    chunk.positive.push_back(t);
            }
        });
        for (const Chunk& chunk : chunks) {
            crossed.insert(crossed.end(), chunk.crossed.begin(), chunk.crossed.end());
            allPositive.insert(allPositive.end(), chunk.positive.begin(), chunk.positive.end());
        }
    }

    bool splitFirstCrossing(int t, std::vector<int32_t>* work) {
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[t];
            if (!crosses(tri, k)) continue;
            int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
            vec3 X =
                segmentPlaneIntersection(Q, N, dvec3(m.vertices[a].position), dvec3(m.vertices[b].position)).toFloat();
            // a corner that is not finite gives no crossing
            if (!isFinite(X)) {
                skippedCrossing = true;
                continue;
            }
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

// Cuts, then deletes every triangle with a positive corner and renormals what the cut and the
// deletion changed: the faces round the cut vertices, and the corners round them, round every
// vertex that lost triangles and round the copies the deletion made. The selection is cleared.
void clipAndCut(PlaneCut& cut) {
    Mesh& m = cut.m;
    m.clearSelection();
    cut.markAll();
    cut.listPositive = true;
    cut.split(nullptr);
    cut.markLine();
    const int made = m.vertexCount();
    const std::vector<int32_t> doomed = cut.positiveTriangles();
    m.deleteTriangles(doomed);
    editing::CutCorners corners(m);
    for (int32_t c : cut.lineVertices())
        if (m.vertices[c].alive()) corners.addRound(c, true);
    // a vertex that lost triangles lies on a split edge, round a cut vertex, unless an edge
    // from one side to the other stayed whole
    if (cut.skippedCrossing) corners.addCornersOf(doomed);
    corners.addMadeSince(made);
    corners.renormal();
    editing::clearSelectionInParallel(m);
}

// The open boundary from the first cut vertex, when it closes into one loop on the plane through q
// facing along n. An opening that meets an older hole runs off the plane along the hole's rim: a
// flat cap there would lie across the mesh and give its edges third triangles.
bool closedBoundaryLoop(const Mesh& m, int start, const vec3& q, const vec3& n, std::vector<int32_t>& loop) {
    m.boundaryLoop(start, loop);
    if (loop.size() < 3 || m.boundaryNeighbour(loop.back()) != start) return false;
    std::vector<int32_t> sorted = loop;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
    // the cut points lie on the plane to within their rounding to float, as the cut sees it
    return std::all_of(loop.begin(), loop.end(),
                       [&](int32_t v) { return editing::planeSide(m.vertices[v].position, dvec3(q), dvec3(n)) == 0; });
}

// The flat cap of a loop on the plane through q facing along n, and its triangulation. The loop
// is laid out on the plane's axes along (in the plane) and hand x n x along, counterclockwise from
// its leftmost point: a mirrored or turned copy of the loop, laid out from its copy of q, along
// and hand, gives the triangulation the same outline, so its cap is the copy of this one.
struct Cap {
    std::vector<int32_t> loop;
    vec3 origin, u, v;
    Outline outline;
    Mesh mesh;

    Cap(const Mesh& m, std::vector<int32_t> rim, const vec3& q, const vec3& n, const vec3& along, float hand)
        : loop(std::move(rim)), origin(q) {
        u = editing::withoutAxis(along, n);
        // no stroke to lay it out along: any axis of the plane
        if (!(u.lengthSquared() > kNullLengthSquared))
            u = editing::withoutAxis(std::fabs(n.x) < 0.9f ? vec3(1, 0, 0) : vec3(0, 1, 0), n);
        u = normalize(u);
        v = cross(n, u) * (hand < 0 ? -1.0f : 1.0f);
        std::vector<vec2> points;
        double area = 0;
        for (int32_t i : loop) points.push_back(onPlane(m.vertices[i].position));
        for (size_t i = 0; i < points.size(); ++i) {
            const vec2 a = points[i], b = points[(i + 1) % points.size()];
            area += double(a.x) * b.y - double(b.x) * a.y;
        }
        if (area < 0) {
            std::reverse(loop.begin(), loop.end());
            std::reverse(points.begin(), points.end());
        }
        const size_t first =
            size_t(std::min_element(points.begin(), points.end(),
                                    [](vec2 a, vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }) -
                   points.begin());
        std::rotate(loop.begin(), loop.begin() + long(first), loop.end());
        std::rotate(points.begin(), points.begin() + long(first), points.end());
        outline.points = points;
        outline.flags.assign(points.size(), false);
        mesh = Mesh::fromOutline(outline, false, 0, 0);
    }
    vec2 onPlane(const vec3& p) const { return vec2(dot(p - origin, u), dot(p - origin, v)); }
    vec3 inSpace(const vec3& p) const { return origin + u * p.x + v * p.y; }
    // Whether the triangulation starts with the loop's points, in order: coincident cut points
    // leave the outline without one, and the hole stays open.
    bool fits() const {
        const int k = int(loop.size());
        if (mesh.triangleCount() == 0 || mesh.vertexCount() < k) return false;
        for (int i = 0; i < k; ++i)
            if (lengthSquared(mesh.vertices[i].position -
                              vec3(outline.points[size_t(i)].x, outline.points[size_t(i)].y, 0)) > 1e-10)
                return false;
        return true;
    }
};

// Fills the cap's loop with the cap, wound as the mesh round it, stitched to the mesh along the loop.
void capLoop(Mesh& m, const Cap& capped, const vec3& n, const pbr& material) {
    const std::vector<int32_t>& loop = capped.loop;
    const Mesh& cap = capped.mesh;
    const int k = int(loop.size());
    if (!capped.fits()) return;
    // a cap edge across the loop between rim vertices the mesh already joins would give that edge
    // a third triangle: a rim that meets an older hole within the rounding stays open. A cap
    // triangle on the corners of a mesh triangle (the rim of a lone triangle the clip left) would
    // meet it on all three edges, which no link can tell apart: that rim stays open too.
    for (int t = 0; t < cap.triangleCount(); ++t)
        for (int e = 0; e < 3; ++e) {
            const MeshTriangle& ct = cap.triangles[t];
            const int from = ct.vertex[next3(e)], to = ct.vertex[prev3(e)], apex = ct.vertex[e];
            const int gap = std::abs(from - to);
            int rimT, rimE;
            if (from >= k || to >= k || !m.findEdge(loop[size_t(from)], loop[size_t(to)], rimT, rimE)) continue;
            if ((gap != 1 && gap != k - 1) || (apex < k && m.triangles[rimT].vertex[rimE] == loop[size_t(apex)]))
                return;
        }
    const int nt = m.triangleCount();
    std::vector<int32_t> id(size_t(cap.vertexCount()));
    for (int i = 0; i < cap.vertexCount(); ++i) {
        if (i < k) {
            id[size_t(i)] = loop[size_t(i)];
            continue;
        }
        MeshVertex v(capped.inSpace(cap.vertices[i].position), -1, -1, VertexAlive);
        id[size_t(i)] = m.pushVertex(v);
    }
    // the cap faces along n whichever way the triangulation wound it
    const MeshTriangle& t0 = cap.triangles[0];
    const vec3 a = capped.inSpace(cap.vertices[t0.vertex[0]].position);
    const vec3 b = capped.inSpace(cap.vertices[t0.vertex[1]].position);
    const vec3 c = capped.inSpace(cap.vertices[t0.vertex[2]].position);
    bool flip = dot(cross(b - a, c - a), n) < 0;
    // each rim edge runs against the mesh triangle on it, so the winding stays one: on a mesh wound
    // inside out the cap faces against n
    vec3 facing = n;
    int rimT, rimE;
    if (m.findEdge(loop[0], loop[1], rimT, rimE)) {
        const bool meshForward = m.triangles[rimT].vertex[next3(rimE)] == loop[0];
        for (int t = 0; t < cap.triangleCount(); ++t)
            for (int e = 0; e < 3; ++e) {
                const int from = cap.triangles[t].vertex[next3(e)], to = cap.triangles[t].vertex[prev3(e)];
                if (std::min(from, to) != 0 || std::max(from, to) != 1) continue;
                const bool rimFlip = (from == 0) == meshForward;
                if (rimFlip != flip) facing = -n;
                flip = rimFlip;
            }
    }
    for (int t = 0; t < cap.triangleCount(); ++t) {
        const MeshTriangle& ct = cap.triangles[t];
        MeshTriangle tri;
        const int order[3] = {flip ? 2 : 0, 1, flip ? 0 : 2};
        for (int i = 0; i < 3; ++i) {
            tri.vertex[i] = id[size_t(ct.vertex[order[i]])];
            int nb = ct.neighbour[order[i]];
            tri.neighbour[i] = nb >= 0 ? nb + nt : -1;
            tri.cornerNormal[i] = facing;
            pbrCopyMasked(tri.corner[i], material, kPbrAll);
        }
        tri.faceNormal = facing;
        tri.flags = TriangleAlive;
        m.pushTriangle(tri);
    }
    // each inner cap vertex starts its walks at the first cap triangle naming it
    const int firstInner = k < cap.vertexCount() ? id[size_t(k)] : m.vertexCount();
    for (int t = nt; t < m.triangleCount(); ++t)
        for (int32_t v : m.triangles[t].vertex)
            if (v >= firstInner && m.vertices[v].firstTriangle < 0) m.vertices[v].firstTriangle = t;
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
            // the line may run through a vertex on the plane, or along an edge on it: the band goes
            // on round the vertex and across the edge, so that the corners on both sides are read
            const bool border = tri.marked(k) && !strokeCache.alongDrawnLine(a, b);
            const int sa = cut.side(a), sb = cut.side(b);
            if (!border && nb >= 0 && (sa != sb || sa == 0)) queue.push_back(nb);
        }
    }
    cut.split(&selectedTriangles);
    cut.markLine();
    for (int32_t v : cut.lineVertices()) strokeCache.keepLineVertex(v);
    cut.renormalCut();
    clearSelection();
}

void Mesh::clipPlane(const vec3& q, const vec3& n) {
    PlaneCut cut(*this, q, n);
    clipAndCut(cut);
    purgeDeleted(false);
}

void Mesh::subPlane(const vec3& q, const vec3& n, const pbr& material, const vec3& along, float handedness) {
    PlaneCut cut(*this, q, n);
    clipAndCut(cut);
    std::vector<int32_t> loop;
    // the loop from the first vertex of the line left on the opening (a vertex on the plane may
    // have kept its whole ring); a walk that does not close (several loops, a vertex off the
    // boundary) or leaves the plane caps nothing
    int start = -1;
    for (int32_t v : cut.lineVertices())
        if (start < 0 && vertices[v].alive() && vertices[v].open()) start = v;
    if (start >= 0 && closedBoundaryLoop(*this, start, q, n, loop)) {
        const vec3 normal = normalize(n);
        capLoop(*this, Cap(*this, loop, q, normal, along, handedness), normal, material);
    }
    purgeDeleted(false);
}

} // namespace kal
