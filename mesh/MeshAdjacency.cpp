// Links between triangles, walk starts of vertices, and every walk round a vertex.
// Walks cross backward edges (ring order) or forward edges and are bounded by the triangle
// count, so a broken ring (stale links after a failed rebuild) ends the walk instead of hanging.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

using Side = RebuildScratch::Side;

// The vertex edge slot 3t + k starts from in t's winding.
int32_t edgeStart(const int32_t* corners, int32_t slot) {
    int32_t t = slot / 3;
    return corners[size_t(3 * t + next3(slot - 3 * t))];
}

// The link build. forRebuild: also count the uses of each vertex, copy the flags and work out
// whether the mesh has one winding throughout, for the rebuild's later passes (left in s).
bool linkTriangles(Mesh& m, RebuildScratch& s, bool forRebuild) {
    int n = m.vertices.size();
    int nt = m.triangles.size();
    m.purgeNeeded = false;
    // One sweep over the (large) triangle records; the later passes read the flat copy of the
    // corners, -1 for a dead triangle. Triangles naming a vertex twice, a vertex outside the store
    // or a dead vertex never reach the edge table: they die here and the purge drops them.
    auto usable = [&](int32_t v) { return v >= 0 && v < n && m.vertices[v].alive(); };
    auto& corners = s.corners;
    auto& start = s.start;
    auto& uses = s.uses;
    auto& link = s.links;
    // the per-triangle arrays are written whole by the first sweep
    corners.resize(size_t(nt) * 3);
    link.resize(size_t(nt) * 3);
    // Walk starts are raised in a dense copy (the vertex records are large and the raises are
    // atomic), all -1 first so that stale ones cannot keep alive a vertex no alive triangle names
    // any more, and copied into the records on the vertex pass.
    auto& firsts = s.firsts;
    start.resize(size_t(n) + 1);
    firsts.resize(size_t(n));
    if (forRebuild) {
        uses.resize(size_t(n));
        s.flags.resize(size_t(nt));
    }
    parallelFor(n + 1, [&](int begin, int end) {
        std::fill(start.begin() + begin, start.begin() + end, 0);
        end = std::min(end, n);
        if (begin >= end) return;
        std::fill(firsts.begin() + begin, firsts.begin() + end, -1);
        if (forRebuild) std::fill(uses.begin() + begin, uses.begin() + end, 0);
    });
    // Runs of triangles share the per-vertex counts and walk starts: those take atomic steps,
    // however many threads there are. The highest alive triangle naming a vertex becomes
    // its walk start, and counts are sums, so the result does not depend on the blocks.
    // A run of triangles mostly names a narrow range of vertices, each several times: the run's
    // counts and starts are gathered in a small array over that range first, and the shared
    // arrays take one atomic step per vertex rather than one per corner. Each such step on a bucket
    // size reserves the run's places in that bucket, which the run keeps for the bucket fill; a
    // run scattered over the mesh keeps each side's place in its link entry instead.
    constexpr int kRun = 4096, kWindow = 4 * kRun;
    auto& runs = s.runs;
    runs.resize(size_t(nt / kRun + 1));
    std::atomic<bool> anyDead{false};
    parallelForChunks(nt, kRun, [&](int run, int runBegin, int runEnd) {
        RebuildScratch::Run& kept = runs[size_t(run)];
        kept.window = 0;
        bool dead = false;
        int32_t lowest = INT32_MAX, highest = -1;
        for (int t = runBegin; t < runEnd; ++t) {
            MeshTriangle& tri = m.triangles[t];
            int32_t* own = corners.data() + 3 * size_t(t);
            int32_t* ownLinks = link.data() + 3 * size_t(t);
            ownLinks[0] = ownLinks[1] = ownLinks[2] = -1;
            const int32_t* v = tri.vertex;
            if (tri.alive()) {
                bool named = usable(v[0]) && usable(v[1]) && usable(v[2]);
                if (!named || v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) tri.flags &= uint8_t(~TriangleAlive);
            }
            if (forRebuild) s.flags[size_t(t)] = tri.flags;
            if (!tri.alive()) {
                dead = true;
                own[0] = own[1] = own[2] = -1;
                continue;
            }
            for (int c = 0; c < 3; ++c) own[c] = v[c];
            for (int c = 0; c < 3; ++c) {
                lowest = std::min(lowest, v[c]);
                highest = std::max(highest, v[c]);
            }
        }
        if (dead) anyDead.store(true, std::memory_order_relaxed);
        if (highest < 0) return;
        const int window = highest - lowest + 1;
        // what one run adds: walk starts raised, uses and bucket sizes counted
        auto gather = [&](int32_t* first, int32_t* use, int32_t* bucket, int32_t offset) {
            for (int t = runBegin; t < runEnd; ++t) {
                const int32_t* v = corners.data() + 3 * size_t(t);
                if (v[0] < 0) continue;
                for (int c = 0; c < 3; ++c) first[v[c] - offset] = t;
                if (forRebuild)
                    for (int c = 0; c < 3; ++c) ++use[v[c] - offset];
                for (int k = 0; k < 3; ++k) ++bucket[std::min(v[next3(k)], v[prev3(k)]) - offset];
            }
        };
        if (window <= kWindow) {
            kept.lowest = lowest;
            kept.window = window;
            kept.places.assign(size_t(window), 0);
            // the walk starts and use counts are needed only here
            thread_local std::vector<int32_t> local;
            local.assign(2 * size_t(window), 0);
            int32_t* first = local.data();
            std::fill(first, first + window, -1);
            gather(first, first + window, kept.places.data(), lowest);
            for (int i = 0; i < window; ++i) {
                const int32_t v = lowest + i;
                if (first[i] >= 0) {
                    std::atomic<int32_t>& x = atomicView(firsts[size_t(v)]);
                    int32_t seen = x.load(std::memory_order_relaxed);
                    while (seen < first[i] && !x.compare_exchange_weak(seen, first[i], std::memory_order_relaxed)) {}
                }
                if (forRebuild && first[window + i])
                    atomicView(uses[size_t(v)]).fetch_add(first[window + i], std::memory_order_relaxed);
                if (int32_t& count = kept.places[size_t(i)])
                    count = atomicView(start[size_t(v) + 1]).fetch_add(count, std::memory_order_relaxed);
            }
            return;
        }
        // a run scattered over the mesh: atomic steps corner by corner
        for (int t = runBegin; t < runEnd; ++t) {
            const int32_t* v = corners.data() + 3 * size_t(t);
            if (v[0] < 0) continue;
            for (int c = 0; c < 3; ++c) {
                std::atomic<int32_t>& x = atomicView(firsts[size_t(v[c])]);
                int32_t seen = x.load(std::memory_order_relaxed);
                while (seen < t && !x.compare_exchange_weak(seen, t, std::memory_order_relaxed)) {}
                if (forRebuild) atomicView(uses[size_t(v[c])]).fetch_add(1, std::memory_order_relaxed);
            }
            for (int k = 0; k < 3; ++k)
                link[3 * size_t(t) + size_t(k)] = atomicView(start[size_t(std::min(v[next3(k)], v[prev3(k)])) + 1])
                                                      .fetch_add(1, std::memory_order_relaxed);
        }
    });
    parallelFor(n, [&](int begin, int end) {
        bool dead = false;
        for (int v = begin; v < end; ++v) {
            MeshVertex& vx = m.vertices[v];
            vx.firstTriangle = firsts[size_t(v)];
            if (vx.alive() && vx.firstTriangle < 0) {
                vx.flags &= uint8_t(~VertexAlive);
                dead = true;
            }
        }
        if (dead) anyDead.store(true, std::memory_order_relaxed);
    });
    m.purgeNeeded = anyDead;

    // Edges are bucketed by their lower vertex (a counting sort, no hashing): each bucket holds
    // the higher vertex and the edge slot 3t + k of every triangle side starting there.
    for (int v = 0; v < n; ++v) start[size_t(v) + 1] += start[size_t(v)];
    auto& sides = s.sides;
    sides.resize(static_cast<size_t>(start[size_t(n)]));
    // Each side goes to the place its run reserved. The order of the sides inside a bucket does not
    // change what pairs with what: on a valid mesh each higher vertex appears at most twice in a bucket.
    parallelForChunks(nt, kRun, [&](int run, int runBegin, int runEnd) {
        RebuildScratch::Run& kept = runs[size_t(run)];
        auto fill = [&](auto&& placeOf) {
            for (int t = runBegin; t < runEnd; ++t) {
                const int32_t* v = corners.data() + 3 * size_t(t);
                if (v[0] < 0) continue;
                for (int k = 0; k < 3; ++k) {
                    int32_t a = v[next3(k)], b = v[prev3(k)];
                    if (a > b) std::swap(a, b);
                    sides[size_t(placeOf(a, 3 * size_t(t) + size_t(k)))] = {b, 3 * t + k};
                }
            }
        };
        if (kept.window == 0) {
            fill([&](int32_t a, size_t slot) {
                int32_t at = start[size_t(a)] + link[slot];
                link[slot] = -1;
                return at;
            });
            return;
        }
        // the run's places in its buckets, from the bucket starts on
        int32_t* place = kept.places.data();
        const int32_t lowest = kept.lowest;
        for (int i = 0; i < kept.window; ++i) place[i] += start[size_t(lowest + i)];
        fill([&](int32_t a, size_t) { return place[a - lowest]++; });
    });
    // links[3t + k] is the triangle across edge k of t; a side whose edge has three or more
    // triangles makes the mesh invalid, and then nothing is written. Buckets are independent.
    std::atomic<bool> crowded{false}, mixed{false};
    parallelFor(n, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            Side* first = sides.data() + start[size_t(v)];
            Side* last = sides.data() + start[size_t(v) + 1];
            // a few sides per vertex: pair them by scanning; a crowded vertex is sorted first
            bool sorted = last - first > 16;
            if (sorted) std::sort(first, last, [](const Side& x, const Side& y) { return x.other < y.other; });
            for (Side* i = first; i < last; ++i) {
                if (i->slot < 0) continue;
                Side* match = nullptr;
                for (Side* j = i + 1; j < last; ++j) {
                    if (j->other != i->other) {
                        if (sorted) break;
                        continue;
                    }
                    if (match) {
                        crowded.store(true, std::memory_order_relaxed);
                        return;
                    }
                    match = j;
                }
                if (!match) continue;
                link[size_t(i->slot)] = match->slot / 3;
                link[size_t(match->slot)] = i->slot / 3;
                // two sides wound the same way run the edge from the same vertex
                if (forRebuild && edgeStart(corners.data(), i->slot) == edgeStart(corners.data(), match->slot))
                    mixed.store(true, std::memory_order_relaxed);
                match->slot = -1;
            }
        }
    });
    if (crowded) return false;
    s.wound = !mixed;
    // On a mesh of one winding nothing will reverse a triangle, so the rebuild's face normals are
    // worked out on this sweep over the records rather than on one more.
    bool faceNormals = forRebuild && s.wound;
    // The same sweep tells whether every alive triangle's corner normals are one value (as in a
    // file without "vn" lines): then no two linked corners can disagree and there is no crease.
    int firstAlive = 0;
    while (firstAlive < nt && corners[3 * size_t(firstAlive)] < 0) ++firstAlive;
    const vec3 common = firstAlive < nt ? m.triangles[firstAlive].cornerNormal[0] : vec3();
    std::atomic<bool> varied{false};
    parallelFor(nt, [&](int begin, int end) {
        bool differs = false;
        for (int t = begin; t < end; ++t) {
            if (corners[3 * size_t(t)] < 0) continue;
            MeshTriangle& tri = m.triangles[t];
            for (int k = 0; k < 3; ++k) tri.neighbour[k] = link[3 * size_t(t) + size_t(k)];
            if (faceNormals) m.updateFaceNormal(t);
            // == is false for NaN, so a NaN normal counts as differing
            if (forRebuild &&
                !(tri.cornerNormal[0] == common && tri.cornerNormal[1] == common && tri.cornerNormal[2] == common))
                differs = true;
        }
        if (differs) varied.store(true, std::memory_order_relaxed);
    });
    s.faceNormals = faceNormals;
    s.oneCornerNormal = !varied;
    return true;
}

} // namespace

namespace {

// One scratch serves the rebuilds of every mesh in turn: a rebuild after a rebuild (a sculpt's
// ticks, an import after an import) finds its pages already there, and a scene of many large
// meshes keeps one set of arrays rather than one per mesh. A rebuild beside another takes its own.
std::mutex idleScratchMutex;
std::unique_ptr<RebuildScratch> idleScratch;

class ScratchLease {
public:
    ScratchLease() {
        std::lock_guard<std::mutex> lock(idleScratchMutex);
        held = std::move(idleScratch);
        if (!held) held = std::make_unique<RebuildScratch>();
    }
    ~ScratchLease() {
        std::lock_guard<std::mutex> lock(idleScratchMutex);
        if (!idleScratch) idleScratch = std::move(held);
    }
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;
    RebuildScratch& operator*() { return *held; }

private:
    std::unique_ptr<RebuildScratch> held;
};

} // namespace

void releaseRebuildScratch() {
    std::unique_ptr<RebuildScratch> gone;
    std::lock_guard<std::mutex> lock(idleScratchMutex);
    gone = std::move(idleScratch);
}

bool Mesh::buildLinks() {
    ScratchLease scratch;
    return linkTriangles(*this, *scratch, false);
}

namespace {

// Whether marking the creases would mark anything: two linked, unmarked sides whose shared corners
// disagree. Most files have none, and then the crease pass can be left out.
bool anyNormalCrease(const Mesh& m) {
    std::atomic<bool> found{false};
    parallelFor(m.triangles.size(), [&](int begin, int end) {
        for (int t = begin; t < end && !found.load(std::memory_order_relaxed); ++t) {
            const MeshTriangle& tri = m.triangles[t];
            if (!tri.alive()) continue;
            for (int k = 0; k < 3; ++k) {
                int n = tri.neighbour[k];
                if (tri.marked(k) || n < 0) continue;
                const MeshTriangle& other = m.triangles[n];
                int o = other.slotOf(t);
                if (o < 0) continue;
                if (!(tri.cornerNormal[next3(k)] == other.cornerNormal[prev3(o)] &&
                      tri.cornerNormal[prev3(k)] == other.cornerNormal[next3(o)]))
                    found.store(true, std::memory_order_relaxed);
            }
        }
    });
    return found;
}

} // namespace

namespace {

// The ring update of updateVertexRing; limit bounds the walk: the triangles naming v where the
// caller knows them, else the store.
int settleRing(Mesh& m, int v, int limit, int& ringSize) {
    return meshedit::settleRing(m.triangles, m.vertices[v], v, limit, ringSize);
}

} // namespace

void Mesh::rebuild(Recenter mode) { rebuildPasses(mode, false); }

void Mesh::finishImport(Recenter mode) { rebuildPasses(mode, true); }

void Mesh::rebuildPasses(Recenter mode, bool markCreases) {
    // The pinch check compares each ring walk with the number of triangles naming the vertex:
    // the link build counts them on its way, and the walk runs while the ring is still in cache.
    ScratchLease scratch;
    RebuildScratch& sweep = *scratch;
    invalid = !linkTriangles(*this, sweep, true);
    if (invalid) return;
    if (sweep.wound) {
        // Nothing to reverse: all the winding pass would do is drop the selection marks of the
        // alive triangles, and the flag copy tells which have any.
        const uint8_t taken = TriangleSelected | TriangleVisited;
        parallelFor(int(sweep.flags.size()), [&](int begin, int end) {
            for (int t = begin; t < end; ++t) {
                uint8_t f = sweep.flags[size_t(t)];
                if ((f & TriangleAlive) && (f & taken)) triangles[t].flags &= uint8_t(~taken);
            }
        });
    } else {
        // the links reach only alive triangles, so the dead ones' missing corners are never read
        orientComponentsFrom(*this, sweep.corners.data(), sweep.links.data(), sweep.flags.data());
    }
    const auto& uses = sweep.uses;
    int n = vertices.size();
    std::vector<uint8_t>& pinched = sweep.pinched;
    pinched.assign(size_t(n), 0);
    std::atomic<bool> anyPinched{false};
    // ringSize, when known, is the size of v's closed ring as its ring update walked it forward.
    // Where every linked pair is wound alike each triangle has one forward and one backward
    // neighbour round v, so the backward walk of the check passes the same triangles.
    auto checkPinch = [&](int v, int ringSize) {
        if (uses[size_t(v)] == 0) return;
        int reached = sweep.wound && ringSize >= 0
                          ? ringSize
                          : ringReach(triangles, v, vertices[v].firstTriangle, uses[size_t(v)] + 1);
        if (reached != uses[size_t(v)]) {
            pinched[size_t(v)] = 1;
            anyPinched.store(true, std::memory_order_relaxed);
        }
    };
    if (markCreases && !sweep.oneCornerNormal && anyNormalCrease(*this)) {
        // the creases come from the imported corner normals, so those are read before replacing
        updateAllRings();
        markNormalCreases();
        updateNormals(NormalUpdate::All);
        parallelFor(n, [&](int begin, int end) {
            for (int v = begin; v < end; ++v)
                if (vertices[v].alive()) checkPinch(v, -1);
        });
    } else {
        // One vertex sweep for the ring starts, seam corners, corner normals and the pinch check:
        // each reads and writes only its own vertex's ring state, never another vertex's, so the
        // result is that of the separate passes one after the other, in any order and in parallel.
        if (!sweep.faceNormals) updateNormals(NormalUpdate::Faces);
        // Vertices in the order the link build's corner copy names them (so each ring's records
        // are still near in memory), then those no alive triangle names. The copy predates the
        // winding pass, which may have swapped corners; the order does not matter to the result.
        const int32_t* corners = sweep.corners.data();
        forEachVertexByCorners<std::vector<int32_t>>(
            vertices, triangles.size(),
            [&](int t) { return corners[3 * size_t(t)] < 0 ? nullptr : corners + 3 * size_t(t); },
            [&](int v, std::vector<int32_t>& group) {
                int ringSize;
                settleRing(*this, v, uses[size_t(v)] + 1, ringSize);
                if (isSeamCorner(v)) vertices[v].setPinned(true);
                cornerNormalsOf(v, false, group);
                checkPinch(v, ringSize);
            });
    }
    recenter(mode);
    // Pinched vertices are split before the purge: the purge repairs a moved vertex from its
    // ring, which reaches only one fan of a pinched vertex.
    if (anyPinched) splitSuspectVertices(*this, pinched);
    purgeDeleted(false);
    // the buffer (if any) is kept and re-filled whole by the next upload
    geometryChanged = true;
    for (bool& p : partChanged) p = true;
}

void Mesh::recenter(Recenter mode) {
    int n = vertices.size();
    if (mode == Recenter::Mean) {
        if (n == 0) return;
        // Sums over blocks of a fixed size, added in block order: the same centre, to the last
        // bit, however many threads run the blocks.
        constexpr int kBlock = 1 << 15;
        const int blocks = (n + kBlock - 1) / kBlock;
        std::vector<dvec3> sums(static_cast<size_t>(blocks));
        std::vector<int> counts(size_t(blocks), 0);
        std::vector<double> far(size_t(blocks), 0.0);
        auto eachCounted = [&](int b, auto&& body) {
            for (int i = b * kBlock, end = std::min(n, i + kBlock); i < end; ++i) {
                const MeshVertex& v = vertices[i];
                if (v.alive() && isFinite(v.position)) body(v.position);
            }
        };
        // each block adds in locals and stores once: neighbouring blocks' results share cache lines
        parallelFor(
            blocks,
            [&](int begin, int end) {
                for (int b = begin; b < end; ++b) {
                    dvec3 blockSum;
                    int blockCount = 0;
                    eachCounted(b, [&](const vec3& p) {
                        blockSum = blockSum + dvec3(p);
                        ++blockCount;
                    });
                    sums[size_t(b)] = blockSum;
                    counts[size_t(b)] = blockCount;
                }
            },
            1);
        dvec3 sum;
        int count = 0;
        for (int b = 0; b < blocks; ++b) {
            sum = sum + sums[size_t(b)];
            count += counts[size_t(b)];
        }
        if (count == 0) {
            // a size of 0 would divide by zero in every local conversion
            translation = vec3();
            scale = 1.0f;
            return;
        }
        dvec3 centre = sum / double(count);
        parallelFor(
            blocks,
            [&](int begin, int end) {
                for (int b = begin; b < end; ++b) {
                    double blockFar = 0;
                    eachCounted(b, [&](const vec3& p) {
                        dvec3 d = dvec3(p) - centre;
                        blockFar = std::max(blockFar, dot(d, d));
                    });
                    far[size_t(b)] = blockFar;
                }
            },
            1);
        const double far2 = *std::max_element(far.begin(), far.end());
        translation = centre.toFloat();
        scale = float(2.0 * std::sqrt(far2));
        if (scale == 0.0f) scale = 1.0f;
    } else if (mode == Recenter::Box) {
        vec3 lo, hi;
        bool any = false;
        for (int i = 0; i < n; ++i) {
            const MeshVertex& v = vertices[i];
            if (!v.alive() || !isFinite(v.position)) continue;
            if (!any) {
                lo = hi = v.position;
                any = true;
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                if (v.position[k] < lo[k])
                    lo[k] = v.position[k];
                else if (v.position[k] > hi[k])
                    hi[k] = v.position[k];
            }
        }
        translation = (lo + hi) * 0.5f;
        scale = length(lo - hi);
        if (scale == 0.0f) scale = 1.0f;
    }
}

int Mesh::updateVertexRing(int v) {
    int ringSize;
    return settleRing(*this, v, walkLimit(), ringSize);
}

void Mesh::updateAllRings() {
    // a ring update touches only its own vertex: any vertex order will do
    forEachVertexByTriangles(vertices, triangles, [&](int v) { updateVertexRing(v); });
    // a seam corner's test reads its own flags and the triangles only
    parallelFor(vertices.size(), [&](int begin, int end) {
        for (int v = begin; v < end; ++v)
            if (vertices[v].alive() && isSeamCorner(v)) vertices[v].setPinned(true);
    });
}

bool Mesh::isSeamCorner(int v) const {
    const MeshVertex& vx = vertices[v];
    if (!vx.seam()) return false;
    int edges = 0, last, lastCorner;
    RingEnd end = walkRing(triangles, v, vx.firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
        const MeshTriangle& tri = triangles[t];
        int fwd = prev3(c);
        if (tri.marked(fwd) || tri.neighbour[fwd] < 0) ++edges;
    });
    if (end == RingEnd::Open) ++edges;
    return edges >= 3;
}

void Mesh::markNormalCreases() {
    // Marking an edge once settled both end rings on the spot, a whole ring per crease. Of those
    // settles only a vertex's first one that found a mark in its ring could move its start: to the
    // ring's earliest marked forward edge, where every later settle stays. So the marks are set in
    // one sweep, each side stamped with its place in it, and each touched ring is walked once.
    int nt = triangles.size();
    std::vector<int32_t> stamp; // per side 3t + k: when this pass marked it; -1 marked before
    std::vector<int32_t> touched;
    int32_t marks = 0;
    for (int t = 0; t < nt; ++t) {
        if (!triangles[t].alive()) continue;
        for (int k = 0; k < 3; ++k) {
            MeshTriangle& tri = triangles[t];
            int n = tri.neighbour[k];
            if (tri.marked(k) || n < 0) continue;
            MeshTriangle& other = triangles[n];
            int m = other.slotOf(t);
            if (m < 0) continue;
            bool same = tri.cornerNormal[next3(k)] == other.cornerNormal[prev3(m)] &&
                        tri.cornerNormal[prev3(k)] == other.cornerNormal[next3(m)];
            if (same) continue;
            if (stamp.empty()) stamp.assign(3 * size_t(nt), -1);
            tri.flags |= uint8_t(1 << k);
            other.flags |= uint8_t(1 << m);
            stamp[3 * size_t(t) + size_t(k)] = stamp[3 * size_t(n) + size_t(m)] = marks++;
            for (int32_t x : {tri.vertex[next3(k)], tri.vertex[prev3(k)]}) {
                // a ring that was a seam before already starts where its settles would leave it
                if (!vertices[x].seam()) touched.push_back(x);
                vertices[x].setSeam(true);
            }
        }
    }
    if (marks == 0) return;
    for (int32_t v : touched) {
        int best = -1, bestStamp = 0, last, lastCorner;
        RingEnd end =
            walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
                int fwd = prev3(c);
                if (!triangles[t].marked(fwd)) return;
                int32_t when = stamp[3 * size_t(t) + size_t(fwd)];
                if (best < 0 || when < bestStamp) best = t, bestStamp = when;
            });
        if (end == RingEnd::Closed && best >= 0) vertices[v].firstTriangle = best;
    }
    updateAllRings();
}

namespace {

// Walks from t around v, forward (across the edge before v's corner) or backward, until an
// open edge, a marked edge when stopAtMarks is set, or back at t; answers the last triangle.
int walkFanToEnd(const Mesh& mesh, int v, int t, bool forward, bool stopAtMarks) {
    if (t < 0 || t >= mesh.triangles.size()) return t;
    const int limit = mesh.triangles.size() + 1; // the walk bound every ring walk uses
    int cur = t, previous = t;
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const MeshTriangle& tri = mesh.triangles[cur];
        int c = tri.cornerOf(v);
        if (c < 0) return cur;
        if (step > 0 && !(forward ? continuesForward(tri, c, from) : continuesBackward(tri, c, from))) return previous;
        ++meshwalk::walkSteps;
        from = tri.vertex[forward ? next3(c) : prev3(c)];
        previous = cur;
        int edge = forward ? prev3(c) : next3(c);
        int n = tri.neighbour[edge];
        if (n < 0 || n >= mesh.triangles.size() || (stopAtMarks && tri.marked(edge)) || n == t) return cur;
        cur = n;
    }
    return cur;
}

} // namespace

int Mesh::fanStart(int v, int t) const {
    if (!vertices[v].seam()) return vertices[v].firstTriangle;
    return walkFanToEnd(*this, v, t, true, true);
}

int Mesh::fanEnd(int v, int t) const {
    if (!vertices[v].seam()) return vertices[v].firstTriangle;
    return walkFanToEnd(*this, v, t, false, true);
}

int Mesh::openFanStart(int v, int t) const {
    if (!vertices[v].open()) return vertices[v].firstTriangle;
    return walkFanToEnd(*this, v, t, true, false);
}

int Mesh::seamNeighbourAfter(int v, int t) const {
    if (!vertices[v].seam()) return -1;
    int last = fanStart(v, t);
    if (last < 0 || last >= triangles.size()) return -1;
    int c = triangles[last].cornerOf(v);
    return c < 0 ? -1 : triangles[last].vertex[next3(c)];
}

int Mesh::seamNeighbourBefore(int v, int t) const {
    if (!vertices[v].seam()) return -1;
    int last = fanEnd(v, t);
    if (last < 0 || last >= triangles.size()) return -1;
    int c = triangles[last].cornerOf(v);
    return c < 0 ? -1 : triangles[last].vertex[prev3(c)];
}

int Mesh::valence(int v) const {
    int count = 0, last, lastCorner;
    RingEnd end =
        walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int, int) { ++count; });
    return end == RingEnd::Open ? count + 1 : count;
}

int Mesh::cornerWalk(int& v, int& t, int& e) const {
    int c = triangles[t].cornerOf(v);
    int step = next3(e) == c ? 2 : 1;
    int limit = walkLimit();
    for (int i = 0; i < limit; ++i) {
        int before = e;
        e = (e + step) % 3;
        const MeshTriangle& tri = triangles[t];
        int n = tri.neighbour[e];
        if (n < 0 || n >= triangles.size() || tri.marked(e)) {
            v = tri.vertex[before];
            return v;
        }
        int slot = triangles[n].slotOf(t);
        if (slot < 0) break;
        t = n;
        e = slot;
    }
    // a ring without a further seam edge: stay where we are
    return v;
}

int Mesh::vertexTriangles(int v, std::vector<int32_t>& tris) const {
    tris.clear();
    int last, lastCorner;
    walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner,
             [&](int t, int) { tris.push_back(t); });
    return int(tris.size());
}

int Mesh::collectVertexRing(int v, std::vector<int32_t>& tris, std::vector<int32_t>& corners) const {
    tris.clear();
    corners.clear();
    int last, lastCorner;
    walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
        tris.push_back(t);
        corners.push_back(c);
    });
    return int(tris.size());
}

int Mesh::vertexNeighbours(int v, std::vector<int32_t>& verts) const {
    return meshedit::ringNeighbours(triangles, vertices, v, verts);
}

int Mesh::vertexRingPairs(int v, std::vector<int32_t>& verts, std::vector<int32_t>& tris) const {
    verts.clear();
    tris.clear();
    int last, lastCorner;
    RingEnd end = walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
        verts.push_back(triangles[t].vertex[next3(c)]);
        tris.push_back(t);
    });
    if (end == RingEnd::Open) {
        verts.push_back(triangles[last].vertex[prev3(lastCorner)]);
        tris.push_back(-1);
    }
    return int(verts.size());
}

int Mesh::vertexRingEdges(int v, std::vector<int32_t>& verts, std::vector<int32_t>& tris,
                          std::vector<int32_t>& seams) const {
    verts.clear();
    tris.clear();
    seams.clear();
    int last, lastCorner;
    RingEnd end = walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
        const MeshTriangle& tri = triangles[t];
        tris.push_back(t);
        int fwd = prev3(c);
        if (tri.marked(fwd) || tri.neighbour[fwd] < 0) seams.push_back(int32_t(verts.size()));
        verts.push_back(tri.vertex[next3(c)]);
    });
    if (end == RingEnd::Open) {
        tris.push_back(-1);
        seams.push_back(int32_t(verts.size()));
        verts.push_back(triangles[last].vertex[prev3(lastCorner)]);
    }
    return int(verts.size());
}

int Mesh::vertexTrianglesFrom(int v, int t, std::vector<int32_t>& tris) const {
    if (!vertices[v].seam()) return vertexTriangles(v, tris);
    tris.clear();
    int start = fanStart(v, t);
    if (start < 0 || start >= triangles.size()) return 0;
    int cur = start;
    int limit = walkLimit();
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const MeshTriangle& tri = triangles[cur];
        int c = tri.cornerOf(v);
        if (c < 0 || (step > 0 && !continuesBackward(tri, c, from))) break;
        ++meshwalk::walkSteps;
        from = tri.vertex[prev3(c)];
        tris.push_back(cur);
        int back = next3(c);
        int n = tri.neighbour[back];
        if (n < 0 || n >= triangles.size() || tri.marked(back) || n == start) break;
        cur = n;
    }
    return int(tris.size());
}

int Mesh::vertexTrianglesTo(int v, int t, std::vector<int32_t>& tris) const {
    if (!vertices[v].open()) return vertexTriangles(v, tris);
    tris.clear();
    if (t < 0 || t >= triangles.size()) return 0;
    int cur = t;
    int limit = walkLimit();
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const MeshTriangle& tri = triangles[cur];
        int c = tri.cornerOf(v);
        if (c < 0 || (step > 0 && !continuesForward(tri, c, from))) break;
        ++meshwalk::walkSteps;
        from = tri.vertex[next3(c)];
        tris.push_back(cur);
        int n = tri.neighbour[prev3(c)];
        if (n < 0 || n >= triangles.size() || n == t) break;
        cur = n;
    }
    std::reverse(tris.begin(), tris.end());
    return int(tris.size());
}

int Mesh::ringFromTriangle(int v, int t, std::vector<int32_t>& tris) const {
    tris.clear();
    if (t < 0 || t >= triangles.size()) return 0;
    int limit = walkLimit();
    int start = t;
    int cur = t, previous = t;
    int32_t from = -1;
    for (int step = 0; step < limit; ++step) {
        const MeshTriangle& tri = triangles[cur];
        int c = tri.cornerOf(v);
        if (c < 0) break;
        if (step > 0 && !continuesForward(tri, c, from)) {
            // a neighbour wound the same way ends the fan like an open edge
            start = previous;
            break;
        }
        ++meshwalk::walkSteps;
        from = tri.vertex[next3(c)];
        previous = cur;
        int n = tri.neighbour[prev3(c)];
        if (n < 0 || n >= triangles.size()) {
            start = cur;
            break;
        }
        if (n == t) break;
        cur = n;
    }
    int last, lastCorner;
    walkRing(triangles, v, start, limit, last, lastCorner, [&](int tt, int) { tris.push_back(tt); });
    return int(tris.size());
}

int Mesh::vertexFans(int v, std::vector<int32_t>& tris) const {
    tris.clear();
    if (!vertices[v].seam()) {
        tris.push_back(vertices[v].firstTriangle);
        return 1;
    }
    int last, lastCorner;
    walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int c) {
        const MeshTriangle& tri = triangles[t];
        int fwd = prev3(c);
        if (tri.marked(fwd) || tri.neighbour[fwd] < 0) tris.push_back(t);
    });
    return int(tris.size());
}

int Mesh::boundaryNeighbour(int v) const {
    if (!vertices[v].open()) return -1;
    int last, lastCorner, after = -1;
    RingEnd end = walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner,
                           [&](int t, int c) { after = triangles[t].vertex[next3(c)]; });
    if (end == RingEnd::Open) return triangles[last].vertex[prev3(lastCorner)];
    return after;
}

int Mesh::boundaryLoop(int v, std::vector<int32_t>& verts) const {
    if (!vertices[v].open()) return 0;
    int limit = vertices.size() + 1;
    int cur = v;
    for (int step = 0; step < limit; ++step) {
        verts.push_back(cur);
        cur = boundaryNeighbour(cur);
        if (cur < 0 || cur == v) break;
    }
    return int(verts.size());
}

int Mesh::seamLine(int v, std::vector<int32_t>& verts, bool stopAtPinned, int t) const {
    if (!vertices[v].seam()) return 0;
    if (t < 0) t = fanStart(v, vertices[v].firstTriangle);
    if (t < 0 || t >= triangles.size()) return 0;
    int c = triangles[t].cornerOf(v);
    if (c < 0) return 0;
    int limit = vertices.size() + 1;
    verts.push_back(v);
    // one way: pivot round v from its fan's forward edge to the next seam edge, and on
    int cur = v, ct = t, ce = prev3(c);
    bool reachedPin = false;
    for (int step = 0; step < limit; ++step) {
        int before = cur;
        cornerWalk(cur, ct, ce);
        if (cur == before || cur == v) break;
        verts.push_back(cur);
        if (stopAtPinned && vertices[cur].pinned()) {
            reachedPin = true;
            break;
        }
    }
    if (!reachedPin) return int(verts.size());
    // the other way starts across t's forward edge at v and ends at a pinned vertex too
    std::vector<int32_t> front;
    cur = triangles[t].vertex[next3(c)];
    ct = t;
    ce = prev3(c);
    for (int step = 0; step < limit; ++step) {
        front.push_back(cur);
        if (vertices[cur].pinned() || cur == v) break;
        int before = cur;
        cornerWalk(cur, ct, ce);
        if (cur == before) break;
    }
    if (!front.empty() && front.back() == v) front.pop_back();
    std::reverse(front.begin(), front.end());
    verts.insert(verts.begin(), front.begin(), front.end());
    return int(verts.size());
}

bool Mesh::findEdge(int a, int b, int& t, int& e) const { return meshedit::findEdge(triangles, vertices, a, b, t, e); }

void Mesh::setEdgeMark(int t, int e, bool on) {
    MeshTriangle& tri = triangles[t];
    int a = tri.vertex[next3(e)], b = tri.vertex[prev3(e)];
    vertices[a].setSeam(vertices[a].seam() || on);
    vertices[b].setSeam(vertices[b].seam() || on);
    uint8_t bit = uint8_t(1 << e);
    if (on)
        tri.flags |= bit;
    else
        tri.flags &= uint8_t(~bit);
    int n = tri.neighbour[e];
    if (n >= 0) {
        MeshTriangle& other = triangles[n];
        int m = other.slotOf(t);
        if (m >= 0) {
            if (on)
                other.flags |= uint8_t(1 << m);
            else
                other.flags &= uint8_t(~(1 << m));
        }
    }
    updateVertexRing(a);
    updateVertexRing(b);
}

void Mesh::setEdgeMarkBetween(int t1, int t2, bool on) {
    MeshTriangle& tri = triangles[t1];
    int e = tri.slotOf(t2);
    if (e < 0) return;
    int a = tri.vertex[next3(e)], b = tri.vertex[prev3(e)];
    vertices[a].setSeam(vertices[a].seam() || on);
    vertices[b].setSeam(vertices[b].seam() || on);
    if (on)
        tri.flags |= uint8_t(1 << e);
    else
        tri.flags &= uint8_t(~(1 << e));
    MeshTriangle& other = triangles[t2];
    int m = other.slotOf(t1);
    if (m < 0) return;
    if (on)
        other.flags |= uint8_t(1 << m);
    else
        other.flags &= uint8_t(~(1 << m));
}

bool Mesh::setEdgeFlag(int a, int b, bool on) {
    int t, e;
    if (!findEdge(a, b, t, e)) return false;
    setEdgeMark(t, e, on);
    return true;
}

int Mesh::closestTriangle(const vec3& p) const {
    int best = -1;
    double bestDistance = 0;
    int nt = triangles.size();
    dvec3 q(p);
    for (int t = 0; t < nt; ++t) {
        const MeshTriangle& tri = triangles[t];
        if (!tri.alive()) continue;
        dvec3 n(tri.faceNormal);
        if (!(dot(n, n) > 0)) continue;
        dvec3 d[3];
        for (int k = 0; k < 3; ++k) d[k] = dvec3(vertices[tri.vertex[k]].position) - q;
        double s0 = dot(n, cross(d[0], d[1]));
        double s1 = dot(n, cross(d[1], d[2]));
        double s2 = dot(n, cross(d[2], d[0]));
        if (!(s0 >= 0 && s1 >= 0 && s2 > 0)) continue;
        double distance = std::fabs(dot(n, d[0]));
        if (best < 0 || distance < bestDistance) {
            best = t;
            bestDistance = distance;
        }
    }
    if (best >= 0) return best;
    int nearest = -1;
    double nearest2 = 0;
    for (int v = 0; v < vertices.size(); ++v) {
        const MeshVertex& vx = vertices[v];
        // a vertex on no triangle answers none
        const int s = vx.firstTriangle;
        if (!vx.alive() || s < 0 || s >= nt || !triangles[s].alive() || triangles[s].cornerOf(v) < 0) continue;
        dvec3 d = dvec3(vx.position) - q;
        double d2 = dot(d, d);
        // a non-finite first candidate would never be replaced
        if (!std::isfinite(d2)) continue;
        if (nearest < 0 || d2 < nearest2) {
            nearest = v;
            nearest2 = d2;
        }
    }
    return nearest < 0 ? -1 : vertices[nearest].firstTriangle;
}

void Mesh::trianglePositions(int t, std::vector<vec3>& out) const {
    out.resize(3);
    for (int k = 0; k < 3; ++k) out[size_t(k)] = vertices[triangles[t].vertex[k]].position;
}

void Mesh::edgePositions(int t, int e, std::vector<vec3>& out) const {
    out.resize(2);
    out[0] = vertices[triangles[t].vertex[next3(e)]].position;
    out[1] = vertices[triangles[t].vertex[prev3(e)]].position;
}

vec3 Mesh::triangleLocal(int t, const vec3& w) const {
    const MeshTriangle& tri = triangles[t];
    dvec3 sum = dvec3(vertices[tri.vertex[0]].position) * double(w.x) +
                dvec3(vertices[tri.vertex[1]].position) * double(w.y) +
                dvec3(vertices[tri.vertex[2]].position) * double(w.z);
    return sum.toFloat();
}

} // namespace kal
