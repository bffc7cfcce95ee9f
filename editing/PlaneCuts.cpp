// Cuts along a plane: the edges the plane crosses are split, and the chain of new vertices
// becomes a line of border-marked edges. The clips then remove the side the normal points to;
// SubPlane caps the opening with a flat face of its own material.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Outline.h"
#include "foundation/Parallel.h"
#include "foundation/Predicates.h"
#include "mesh/Mesh.h"
#include "mesh/MeshShortcuts.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

class PlaneCut {
public:
    PlaneCut(Mesh& m, const vec3& q, const vec3& n)
        : m(m), Q(q), N(n), V0(m.vertexCount()), T0(m.triangleCount()) {}

    // A vertex exactly on the plane counts as the negative side.
    void markSide(int v) {
        const MeshVertex& vx = m.vertices[v];
        if (v >= V0 || !vx.alive() || (vx.flags & VertexSelected)) return;
        if (dot(dvec3(vx.position) - Q, N) > 0) editing::selectVertex(m, v);
    }
    bool positive(int v) const {
        const MeshVertex& vx = m.vertices[v];
        return vx.alive() && !(vx.flags & VertexSelected) && dot(dvec3(vx.position) - Q, N) > 0;
    }

    // markSide of every vertex in record order: the positive ones counted per chunk in parallel,
    // then selected in that order.
    void markAll() {
        if (parallelThreads() <= 1) {
            for (int v = 0; v < V0; ++v) markSide(v);
            return;
        }
        constexpr int kChunk = 4096;
        const int chunks = (V0 + kChunk - 1) / kChunk;
        std::vector<int32_t> start(size_t(chunks) + 1, 0);
        auto chunked = [&](const std::function<void(int first, int end, size_t k)>& body) {
            parallelFor(
                chunks,
                [&](int begin, int end) {
                    for (int k = begin; k < end; ++k) body(k * kChunk, std::min(V0, (k + 1) * kChunk), size_t(k));
                },
                V0 < kParallelMinimum ? INT_MAX : 2);
        };
        // the sides read once, into bits; a vertex selected already drops them (the search then
        // reads the flags)
        sideBits.assign(size_t(chunks) * (kChunk / 64), 0);
        std::atomic<bool> selectedBefore{false};
        chunked([&](int first, int end, size_t k) {
            int32_t count = 0;
            for (int v = first; v < end; ++v) {
                if (m.vertices[v].flags & VertexSelected) selectedBefore = true;
                if (!positive(v)) continue;
                sideBits[size_t(v / 64)] |= uint64_t(1) << (v % 64);
                ++count;
            }
            start[k + 1] = count;
        });
        for (int k = 0; k < chunks; ++k) start[size_t(k) + 1] += start[size_t(k)];
        const size_t base = m.selectedVertices.size();
        m.selectedVertices.resize(base + size_t(start[size_t(chunks)]));
        chunked([&](int first, int end, size_t k) {
            size_t next = base + size_t(start[k]);
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
        return a >= 0 && b >= 0 && a < V0 && b < V0 && selected(a) != selected(b);
    }

    // Splits every crossed edge of the triangles of the work list (all triangles when null); the
    // halves split off selected triangles join the list. Over the whole mesh only the triangles
    // with a crossed edge are visited, then those appended: a split replaces the crossed edge of
    // both its triangles by edges to the new vertex, so no triangle gains a crossed edge.
    void split(std::vector<int32_t>* work) {
        std::vector<int32_t> crossed;
        const bool search = !work && searches();
        if (search) crossed = crossedTriangles();
        splitFound(work, crossed, search);
    }
    // The search is a pass of its own: on one thread the visits themselves are as cheap.
    bool searches() const { return !plainPasses() && parallelThreads() > 1; }
    // split, with the search's finds when searched.
    void splitFound(std::vector<int32_t>* work, const std::vector<int32_t>& crossed, bool searched) {
        const int skipped = searched ? T0 : 0;
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
    int V0, T0;
    std::vector<int32_t> cutVertices;
    // The triangles' alive flags as the search read them, one bit a record below T0, when asked
    // for (empty when no search ran).
    bool readAlive = false;
    std::vector<uint64_t> aliveBits;
    // markAll's positive vertices, one bit a vertex below V0 (empty when it read none or a
    // vertex was selected before)
    std::vector<uint64_t> sideBits;
    // Some edge from one side to the other stayed whole.
    bool skippedCrossing = false;

private:
    // The triangles with a crossed edge, in record order: the dead ones among them too (their
    // visits do nothing). Any two corners share an edge, so a triangle is crossed when its corners
    // older than the cut lie on both sides. The alive flags are read into aliveBits on the way,
    // for a purge to come.
    std::vector<int32_t> crossedTriangles() {
        std::vector<std::pair<int, std::vector<int32_t>>> blocks;
        std::mutex gather;
        // blocks of whole words of bits
        constexpr int kSpan = 4096;
        if (readAlive) aliveBits.assign(size_t(T0 + 63) / 64, 0);
        // after markAll a vertex older than the cut is selected when its side bit is set
        const bool bits = !sideBits.empty();
        parallelFor((T0 + kSpan - 1) / kSpan, [&](int firstSpan, int endSpan) {
            const int begin = firstSpan * kSpan, end = std::min(T0, endSpan * kSpan);
            std::vector<int32_t> found;
            for (int t = begin; t < end; ++t) {
                const MeshTriangle& tri = m.triangles[t];
                int sides = 0;
                if (bits) {
                    for (int32_t v : tri.vertex)
                        if (v >= 0 && v < V0) sides |= sideBit(v) ? 2 : 1;
                } else {
                    for (int32_t v : tri.vertex)
                        if (v >= 0 && v < V0) sides |= selected(v) ? 2 : 1;
                }
                if (sides == 3) found.push_back(t);
                if (readAlive && tri.alive()) aliveBits[size_t(t / 64)] |= uint64_t(1) << (t % 64);
            }
            std::lock_guard<std::mutex> lock(gather);
            blocks.emplace_back(begin, std::move(found));
        }, 2);
        std::sort(blocks.begin(), blocks.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        std::vector<int32_t> list;
        for (const auto& block : blocks) list.insert(list.end(), block.second.begin(), block.second.end());
        return list;
    }

public:
    // The points of the loop a clip will leave, foreseen before the splits from the search's
    // finds: each crossed edge is split once, from the first triangle found on it, and from the
    // point where a crossed triangle's winding enters the negative side the rim runs to where it
    // leaves. False where that is not a single loop through every crossed edge.
    bool foreseeRim(const std::vector<int32_t>& crossed, std::vector<vec3>& rim) const {
        struct Crossing {
            vec3 point;
            int64_t next = -1;
        };
        std::unordered_map<int64_t, Crossing> edges;
        int64_t first = -1;
        auto key = [](int32_t a, int32_t b) { return (int64_t(std::min(a, b)) << 32) | int64_t(std::max(a, b)); };
        for (int32_t t : crossed) {
            const MeshTriangle& tri = m.triangles[t];
            if (!tri.alive()) continue;
            int64_t entry = -1, exit = -1;
            for (int k = 0; k < 3; ++k) {
                if (!crosses(tri, k)) continue;
                const int32_t a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
                const int64_t e = key(a, b);
                auto [at, added] = edges.try_emplace(e);
                if (added) {
                    at->second.point = segmentPlaneIntersection(Q, N, dvec3(m.vertices[a].position),
                                                                dvec3(m.vertices[b].position))
                                           .toFloat();
                    if (!isFinite(at->second.point)) return false;
                    if (first < 0) first = e;
                }
                // the winding runs from a to b
                (selected(a) ? entry : exit) = e;
            }
            if (entry < 0 || exit < 0 || edges[entry].next >= 0) return false;
            edges[entry].next = exit;
        }
        if (first < 0) return false;
        int64_t e = first;
        do {
            auto at = edges.find(e);
            if (at == edges.end() || rim.size() >= edges.size()) return false;
            rim.push_back(at->second.point);
            e = at->second.next;
        } while (e != first);
        return rim.size() == edges.size() && rim.size() >= 3;
    }
    std::vector<int32_t> found() { return crossedTriangles(); }

private:
    bool splitFirstCrossing(int t, std::vector<int32_t>* work) {
        for (int k = 0; k < 3; ++k) {
            const MeshTriangle& tri = m.triangles[t];
            if (!crosses(tri, k)) continue;
            int a = tri.vertex[next3(k)], b = tri.vertex[prev3(k)];
            vec3 X = segmentPlaneIntersection(Q, N, dvec3(m.vertices[a].position), dvec3(m.vertices[b].position))
                         .toFloat();
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

// Deletes every triangle round a positive vertex, then renormals what the cut and the deletion
// changed (or the whole mesh, for the plain passes): the faces round the cut vertices, and the
// corners round them, round every vertex that lost triangles and round the copies the deletion
// made. The selection is cleared. purgeNext: the caller purges before it adds any record.
// Answers whether the deleted triangles keep their alive flags, their bits cleared in
// cut.aliveBits instead (then extended to every record): the caller purges by those bits.
// alongside, when given, is prepared once the crossed triangles are found (before the splits) and
// run while the cut and the deletion run (it must not touch the mesh); where the deletion left
// out the dead copies (purgeNext), accept then tells whether the records still come out the
// same, given how many vertices may be added before the purge: if not, the deletion is undone
// and run again with them.
struct Alongside {
    std::function<void(const std::vector<int32_t>& crossed)> prepare;
    std::function<void()> run;
    std::function<bool(int64_t spare)> accept;
};
bool clipAndCut(PlaneCut& cut, bool purgeNext, const Alongside* alongside = nullptr) {
    Mesh& m = cut.m;
    cut.readAlive = purgeNext;
    m.clearSelection();
    cut.markAll();
    const bool searched = cut.searches();
    std::vector<int32_t> crossed;
    if (searched) crossed = cut.found();
    // the triangles go without joining the selection: the flag would be cleared with them
    std::vector<int32_t> doomed;
    int made = 0;
    bool byBits = false;
    DeletionUndo undo;
    int64_t spare = INT64_MAX;
    bool leftOut = false;
    auto remove = [&] {
        if (m.deleteTrianglesRoundSelection(cut.skippedCrossing ? &doomed : nullptr, purgeNext,
                                            byBits ? cut.aliveBits.data() : nullptr, &spare,
                                            alongside && purgeNext ? &undo : nullptr)) {
            leftOut = purgeNext;
            return;
        }
        byBits = false;
        if (!editing::trianglesRoundSelection(m, doomed)) {
            m.markDirtyTriangles();
            doomed = m.selectedTriangles;
        }
        m.deleteTriangles(doomed);
    };
    // the faces round the cut vertices, and the corners round them, round every vertex that lost
    // triangles and round the copies the deletion made (for the plain passes: all of them)
    auto renormal = [&] {
        if (plainPasses()) {
            m.updateNormals(2);
            return;
        }
        editing::CutCorners corners(m);
        for (int32_t c : cut.cutVertices)
            if (m.vertices[c].alive()) corners.addRound(c, true);
        // a vertex that lost triangles lies on a split edge, round a cut vertex, unless an edge
        // from one side to the other stayed whole
        if (cut.skippedCrossing) corners.addCornersOf(doomed);
        corners.addMadeSince(made);
        corners.renormal();
    };
    auto cutAndRemove = [&] {
        cut.splitFound(nullptr, crossed, searched);
        cut.markLine();
        made = m.vertexCount();
        // the search's bits, extended over the triangles the splits appended; the deletion clears
        // the bits instead of the flags (nothing before the purge reads the deleted triangles' flags)
        byBits = purgeNext && !cut.aliveBits.empty();
        if (byBits) {
            const int nt = m.triangleCount();
            cut.aliveBits.resize(size_t(nt + 63) / 64, 0);
            for (int t = cut.T0; t < nt; ++t)
                if (m.triangles[t].alive()) cut.aliveBits[size_t(t / 64)] |= uint64_t(1) << (t % 64);
        }
        remove();
        renormal();
    };
    if (alongside) {
        alongside->prepare(crossed);
        parallelFor(
            2,
            [&](int begin, int end) {
                for (int task = begin; task < end; ++task) task == 0 ? cutAndRemove() : alongside->run();
            },
            1);
        if (leftOut && !alongside->accept(spare)) {
            m.undoDeletion(undo);
            // the deleted triangles' flags were left as they were: their bits are set back from them
            if (byBits)
                parallelFor(int(undo.deleted.size()), [&](int begin, int end) {
                    for (int b = begin; b < end; ++b)
                        for (int32_t t : undo.deleted[size_t(b)])
                            if (m.triangles[t].alive())
                                __atomic_fetch_or(&cut.aliveBits[size_t(t / 64)], uint64_t(1) << (t % 64),
                                                  __ATOMIC_RELAXED);
                }, 2);
            doomed.clear();
            purgeNext = leftOut = false;
            remove();
            // the records the first renormal wrote are those this one writes, with the same values:
            // the records round the cut come out the same either way
            renormal();
        }
    } else {
        cutAndRemove();
    }
    if (plainPasses()) {
        m.clearSelection();
        return false;
    }
    editing::clearSelectionInParallel(m);
    return byBits;
}

// The open boundary from the first cut vertex, when it closes into one loop.
bool closedBoundaryLoop(const Mesh& m, int start, std::vector<int32_t>& loop) {
    m.boundaryLoop(start, loop);
    if (loop.size() < 3 || m.boundaryNeighbour(loop.back()) != start) return false;
    std::vector<int32_t> sorted = loop;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

// The flat cap of a loop: the loop's points on the plane through its first point facing along
// n, brought onto z = 0 by M, and their triangulation.
struct Cap {
    std::vector<int32_t> loop;
    mat4 M;
    Outline outline;
    Mesh mesh;

    // The outline of the loop, read from the mesh.
    void trace(const Mesh& m, const std::vector<int32_t>& rim, const vec3& n) {
        std::vector<vec3> points;
        for (int32_t v : rim) points.push_back(m.vertices[v].position);
        trace(points, n);
        loop = rim;
    }
    // The outline of a loop of points (the loop itself left empty).
    void trace(const std::vector<vec3>& points, const vec3& n) {
        loop.clear();
        // the plane onto z = 0, the first point at the origin; a proper turn even for n = -z
        M = mat4::translation(-points[0]);
        M *= editing::rotationTurning(n, vec3(0, 0, 1), vec3(1, 0, 0));
        outline = Outline();
        for (const vec3& point : points) {
            vec3 p = point * M;
            outline.points.push_back(vec2(p.x, p.y));
            outline.flags.push_back(false);
        }
    }
    // Takes the real loop: the triangulation stays where its outline is the loop's.
    void adopt(const Mesh& m, const std::vector<int32_t>& rim, const vec3& n) {
        if (rim == loop) return;
        Cap real;
        real.trace(m, rim, n);
        const bool same = triangulated && real.outline.points == outline.points;
        loop = rim;
        M = real.M;
        outline = real.outline;
        if (!same) triangulate();
    }
    void triangulate() {
        mesh = Mesh::fromOutline(outline, false, 0, 0);
        triangulated = true;
    }
    bool triangulated = false;
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
    // The vertices capping adds.
    int added() const { return fits() ? mesh.vertexCount() - int(loop.size()) : 0; }
};

// Fills the cap's loop with the cap, facing along n, stitched to the mesh along the loop.
void capLoop(Mesh& m, const Cap& capped, const vec3& n, const pbr& material) {
    const std::vector<int32_t>& loop = capped.loop;
    const Mesh& cap = capped.mesh;
    const mat4& M = capped.M;
    const int k = int(loop.size());
    if (!capped.fits()) return;
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
    if (clipAndCut(cut, true))
        purgeDeletedByBits(cut.aliveBits);
    else
        purgeDeleted(false);
}

void Mesh::subPlane(const vec3& q, const vec3& n, const pbr& material) {
    PlaneCut cut(*this, q, n);
    const vec3 normal = normalize(n);
    // The rim the clip will leave is foreseen from the crossed triangles and triangulated while
    // the cut and the deletion run; the triangulation is kept when the real loop's outline is the
    // foreseen one.
    Cap foreseen;
    const Alongside alongside{[&](const std::vector<int32_t>& crossed) {
                                  std::vector<vec3> rim;
                                  if (!crossed.empty() && cut.foreseeRim(crossed, rim)) foreseen.trace(rim, normal);
                              },
                              [&] {
                                  if (!foreseen.outline.points.empty()) foreseen.triangulate();
                              },
                              [&](int64_t spare) {
                                  std::vector<int32_t> loop;
                                  if (cut.cutVertices.empty() || !closedBoundaryLoop(*this, cut.cutVertices[0], loop))
                                      return true;
                                  foreseen.adopt(*this, loop, normal);
                                  return foreseen.added() <= spare;
                              }};
    // the cap adds vertices before the purge: the deletion may leave out the dead copies only
    // while the live count stays within the vertices there were
    const bool byBits = clipAndCut(cut, true, &alongside);
    const int beforeCap = triangleCount();
    std::vector<int32_t> loop;
    // a walk that does not close (several loops, a vertex off the boundary) caps nothing
    if (!cut.cutVertices.empty() && closedBoundaryLoop(*this, cut.cutVertices[0], loop)) {
        foreseen.adopt(*this, loop, normal);
        capLoop(*this, foreseen, normal, material);
    }
    if (!byBits) {
        purgeDeleted(false);
        return;
    }
    // the cap's triangles join the bits
    cut.aliveBits.resize(size_t(triangleCount() + 63) / 64, 0);
    for (int t = beforeCap; t < triangleCount(); ++t)
        if (triangles[t].alive()) cut.aliveBits[size_t(t / 64)] |= uint64_t(1) << (t % 64);
    purgeDeletedByBits(cut.aliveBits);
}

} // namespace kal
