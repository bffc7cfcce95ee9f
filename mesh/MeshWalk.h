#pragma once
// Internal walk helpers shared by the mesh sources. Every walk is bounded by a step limit
// (the triangle count), so broken links end a walk instead of hanging it, and stops where two
// neighbours run their shared edge the same way: a walk that crossed there would bounce between
// them to its limit, on every ring of a non-orientable or misoriented piece.
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/LargeMemory.h"
#include "foundation/Parallel.h"

#include "mesh/MeshRecords.h"
#include "mesh/MeshStore.h"

namespace kal {
class Mesh;

// The link rebuild's large arrays, kept from one rebuild to the next: on a large mesh a
// good part of a rebuild would otherwise go to having fresh pages zeroed. Per triangle its corners
// (-1 for a dead one), links and flags as the link build left them; per vertex how many alive
// triangles name it and whether it is pinched; the edge buckets of the build. The LargeVectors are
// left unwritten by resize(): the build fills them in parallel, so their pages are first touched by
// the threads that write them.
struct RebuildScratch {
    struct Side {
        int32_t other, slot;
    };
    // What the link build's first sweep keeps of a run of triangles over a narrow range of
    // vertices (window > 0): per vertex from lowest on, the run's first place in its bucket of sides.
    struct Run {
        int32_t lowest = 0, window = 0;
        std::vector<int32_t> places;
    };
    LargeVector<int32_t> corners, links, uses, start, firsts;
    std::vector<Run> runs;
    LargeVector<Side> sides;
    std::vector<uint8_t> flags, pinched;
    bool wound = true;            // every linked pair runs its shared edge in opposite directions
    bool faceNormals = false;     // the alive triangles' face normals are up to date
    bool oneCornerNormal = false; // every alive triangle's corner normals are one value (no creases)
};

namespace meshwalk {

inline int next3(int i) { return i == 2 ? 0 : i + 1; }
inline int prev3(int i) { return i == 0 ? 2 : i - 1; }

// Visits every alive vertex once: first in the order the triangles name them, then the alive
// vertices that no triangle names. corners(t) answers triangle t's three corners, or null for a
// triangle to pass over. Only for per-vertex passes whose result does not depend on the order, and
// whose visit writes nothing but its own vertex's state: the visits run in parallel blocks,
// visit(v, scratch) with one default-made Scratch per block.
template <class Scratch, class Corners, class Visit>
void forEachVertexByCorners(const MeshStore<MeshVertex>& verts, int nt, Corners&& corners, Visit&& visit) {
    int nv = verts.size();
    if (nv == 0) return;
    // the first block to name a vertex claims it
    std::unique_ptr<std::atomic<uint8_t>[]> done(new std::atomic<uint8_t>[size_t(nv)]());
    parallelFor(nt, [&](int begin, int end) {
        Scratch scratch{};
        for (int t = begin; t < end; ++t) {
            const int32_t* named = corners(t);
            if (!named) continue;
            for (int c = 0; c < 3; ++c) {
                int32_t v = named[c];
                if (v < 0 || v >= nv) continue;
                std::atomic<uint8_t>& mark = done[size_t(v)];
                if (mark.load(std::memory_order_relaxed) || mark.exchange(1, std::memory_order_relaxed)) continue;
                if (verts[v].alive()) visit(v, scratch);
            }
        }
    });
    parallelFor(nv, [&](int begin, int end) {
        Scratch scratch{};
        for (int v = begin; v < end; ++v)
            if (!done[size_t(v)].load(std::memory_order_relaxed) && verts[v].alive()) visit(v, scratch);
    });
}

// The same in the order the alive triangle records name the vertices. Once edits have appended
// records, vertex order jumps across the triangle records, while this order finds each ring's
// records still in cache.
template <class Scratch, class Visit>
void forEachVertexByTriangles(const MeshStore<MeshVertex>& verts, const MeshStore<MeshTriangle>& tris, Visit&& visit) {
    forEachVertexByCorners<Scratch>(
        verts, tris.size(),
        [&](int t) -> const int32_t* {
            const MeshTriangle& tri = tris[t];
            return tri.alive() ? tri.vertex : nullptr;
        },
        visit);
}

// No scratch: visit(v).
struct NoScratch {};
template <class Visit>
void forEachVertexByTriangles(const MeshStore<MeshVertex>& verts, const MeshStore<MeshTriangle>& tris, Visit&& visit) {
    forEachVertexByTriangles<NoScratch>(verts, tris, [&](int v, NoScratch&) { visit(v); });
}

// Steps this thread's ring walks have taken. Always counted, at the cost of one increment:
// benchmarks and tests read it to see a pass stay linear in the mesh.
inline thread_local uint64_t walkSteps = 0;

// Whether tri, reached at corner c of the walk's vertex across the edge that joins it to o,
// is wound against the triangle before it, as a ring needs. A backward step (across the edge
// after the corner) meets o after the corner, a forward step before it.
template <class Tri>
inline bool continuesBackward(const Tri& tri, int c, int32_t o) {
    return tri.vertex[next3(c)] == o;
}
template <class Tri>
inline bool continuesForward(const Tri& tri, int c, int32_t o) {
    return tri.vertex[prev3(c)] == o;
}

enum class RingEnd { Closed, Open, Broken };

// Visits the triangles round v in ring order from start (crossing backward edges): visit(t, corner).
// Tells how the walk ended; on Open, last/lastCorner name the triangle whose backward edge is open.
// A neighbour wound the same way ends the walk as Broken before it is visited.
template <class Tris, class Visit>
RingEnd walkRing(const Tris& tris, int v, int start, int limit, int& last, int& lastCorner, Visit&& visit) {
    last = -1;
    lastCorner = -1;
    if (start < 0 || start >= tris.size()) return RingEnd::Broken;
    int t = start;
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const auto& tri = tris[t];
        int c = tri.cornerOf(v);
        if (c < 0 || (step > 0 && !continuesBackward(tri, c, from))) return RingEnd::Broken;
        ++walkSteps;
        from = tri.vertex[prev3(c)];
        visit(t, c);
        last = t;
        lastCorner = c;
        int n = tri.neighbour[next3(c)];
        if (n < 0) return RingEnd::Open;
        if (n == start) return RingEnd::Closed;
        if (n >= tris.size()) return RingEnd::Broken;
        t = n;
    }
    return RingEnd::Broken;
}

// Walks v's ring from start in groups of triangles joined by unmarked edges (one group per fan)
// and hands each group, as (triangle, corner) pairs, to close(group).
template <class Close>
void walkFans(const MeshStore<MeshTriangle>& tris, int v, int start, int limit, std::vector<int>& group,
              Close&& close) {
    group.clear();
    if (start < 0 || start >= tris.size()) return;
    int t = start;
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const MeshTriangle& tri = tris[t];
        int c = tri.cornerOf(v);
        if (c < 0 || (step > 0 && !continuesBackward(tri, c, from))) break;
        ++walkSteps;
        from = tri.vertex[prev3(c)];
        group.push_back(t);
        group.push_back(c);
        int k = next3(c);
        int n = tri.neighbour[k];
        if (n >= 0 && n != start && !tri.marked(k) && n < tris.size()) {
            t = n;
            continue;
        }
        close(group);
        group.clear();
        if (n < 0 || n == start || n >= tris.size()) return;
        t = n;
    }
    if (!group.empty()) close(group);
    group.clear();
}

// How many triangles the ring walk from start reaches round v, at most limit: the pinch checks
// pass one more than the triangles naming v, which is all a walk could reach on sound links.
inline int ringReach(const MeshStore<MeshTriangle>& tris, int v, int start, int limit) {
    int reached = 0, last, lastCorner;
    walkRing(tris, v, start, limit, last, lastCorner, [&](int, int) { ++reached; });
    return reached;
}

// Reverses a triangle's winding: corners, neighbours, edge marks and corner materials 0 <-> 2.
void reverseTriangle(MeshTriangle& tri);

// Gives every component one winding (that of the majority of its triangles), reading the
// records' corners, links and flags from flat copies (3 corners and 3 links per triangle, dead
// triangles' corners are read only when a link reaches them); the records get the reversals.
void orientComponentsFrom(Mesh& m, const int32_t* corners, const int32_t* links, const uint8_t* flags);

// Splits off every fan of a suspect vertex (flag per vertex) that its ring walk does not reach,
// triangle by triangle in record order; each split appends one vertex.
void splitSuspectVertices(Mesh& m, const std::vector<uint8_t>& suspect);

} // namespace meshwalk
} // namespace kal
