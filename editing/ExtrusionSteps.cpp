// The steps of an extrusion or tear stroke: the picked patch, or every patch seeded below the
// stroke's start count, pushed along its mean normal or scaled about its own pivot.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

#include "editing/EditingMath.h"
#include "editing/ExtrusionSteps.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// Scratch kept between calls, so that a step over a large patch pays no fresh pages.
struct StepScratch {
    std::vector<vec3> normals;
    std::vector<int32_t> corners;     // the listed triangles' corners, three a triangle
    std::vector<int32_t> firstCorner; // per vertex: the first list corner naming it, or kNone
    static constexpr int32_t kNone = std::numeric_limits<int32_t>::max();
};

StepScratch& scratch() {
    static thread_local StepScratch s;
    return s;
}

// How far ahead a pass over the patch list fetches its records (the list jumps about the store).
constexpr int kAhead = 16;

// Lowers a vertex's first corner to at. Plain loads and stores (a locked exchange would stall the
// record reads round it): two blocks may race, and the larger value may win.
inline bool lowerFirstCorner(int32_t& first, int32_t at) {
    std::atomic<int32_t>& value = atomicView(first);
    if (at >= value.load(std::memory_order_relaxed)) return false;
    value.store(at, std::memory_order_relaxed);
    return true;
}

// Passes over the listed corners until none lowers its vertex's first corner: a race lost by the
// smaller value is then made good, and each vertex holds its earliest corner whatever the blocks.
void settleFirstCorners(int listed) {
    int32_t* first = scratch().firstCorner.data();
    const int32_t* corners = scratch().corners.data();
    for (int pass = 0;; ++pass) {
        std::atomic<bool> lowered{false};
        auto settle = [&](int begin, int end) {
            bool any = false;
            for (int at = 3 * begin; at < 3 * end; ++at) any |= lowerFirstCorner(first[corners[at]], at);
            if (any) lowered = true;
        };
        if (pass == 8) {
            settle(0, listed); // serial: races cannot outlast it
            return;
        }
        parallelFor(listed, settle);
        if (!lowered) return;
    }
}

// collectRegionVertices(m, true) in parallel chunks, after the gathering pass has put each listed
// corner's vertex into corners and the earliest such corner of each vertex into firstCorner: a
// vertex is listed at its first corner in list order, so the brush list and the selection links
// come out as the serial pass lists them. Leaves firstCorner all kNone again.
void collectPatchVertices(Mesh& m) {
    const std::vector<int32_t>& tris = m.selectedTriangles;
    int32_t* first = scratch().firstCorner.data();
    const int32_t* corners = scratch().corners.data();
    // each chunk of the list keeps its entries apart; read in chunk order they are the serial list
    constexpr int kChunk = 4096;
    const int count = int(tris.size());
    std::vector<std::vector<int32_t>> listed(size_t(count / kChunk + 1));
    parallelForChunks(count, kChunk, [&](int k, int begin, int end) {
        for (int32_t at = 3 * begin; at < 3 * end; ++at) {
            const int32_t v = corners[at];
            if (atomicView(first[v]).load(std::memory_order_relaxed) != at) continue;
            if (m.vertices[v].flags & VertexSelected)
                atomicView(first[v]).store(StepScratch::kNone, std::memory_order_relaxed); // selectVertex passes it by
            else
                listed[size_t(k)].push_back(at);
        }
    });
    // each chunk's first entry, counted over the chunks before it
    std::vector<size_t> at(listed.size() + 1, 0);
    for (size_t k = 0; k < listed.size(); ++k) at[k + 1] = at[k] + listed[k].size();
    const size_t brushBase = m.brushVertices.size(), selectionBase = m.selectedVertices.size();
    m.brushVertices.resize(brushBase + at.back());
    m.selectedVertices.resize(selectionBase + at.back());
    parallelForChunks(count, kChunk, [&](int k, int, int) {
        size_t next = at[size_t(k)];
        for (int32_t corner : listed[size_t(k)]) {
            const int32_t v = corners[corner];
            m.brushVertices[brushBase + next] =
                BrushVertex{v, 0.0f, m.triangles[tris[size_t(corner / 3)]].cornerNormal[corner % 3]};
            m.selectedVertices[selectionBase + next] = v;
            m.vertices[v].flags |= VertexSelected;
            m.vertices[v].link = int32_t(selectionBase + next);
            first[v] = StepScratch::kNone;
            ++next;
        }
    });
}

// clearSelection with the listed records' flags cleared in parallel (each is listed once), the
// triangles losing extra flags too.
void clearPatchSelection(Mesh& m, uint8_t extra) {
    parallelFor(int(m.selectedVertices.size()), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            MeshVertex& vx = m.vertices[m.selectedVertices[size_t(i)]];
            vx.flags &= uint8_t(~VertexSelected);
            vx.link = -1;
        }
    });
    const uint8_t mask = uint8_t(~(TriangleSelected | TriangleVisited | extra));
    parallelFor(int(m.selectedTriangles.size()), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) m.triangles[m.selectedTriangles[size_t(i)]].flags &= mask;
    });
    m.selectedVertices.clear();
    m.selectedTriangles.clear();
    m.clearSelection();
}

// Moves each vertex the listed triangles name through move(position), at its settled first corner,
// as selecting it, moving it and releasing it would; leaves firstCorner all kNone.
template <class Move>
void moveFromFirstCorners(Mesh& m, Move&& move) {
    int32_t* first = scratch().firstCorner.data();
    const int32_t* corners = scratch().corners.data();
    parallelFor(int(m.selectedTriangles.size()), [&](int begin, int end) {
        for (int at = 3 * begin; at < 3 * end; ++at) {
            const int32_t v = corners[at];
            if (atomicView(first[v]).load(std::memory_order_relaxed) != at) continue;
            atomicView(first[v]).store(StepScratch::kNone, std::memory_order_relaxed);
            MeshVertex& vx = m.vertices[v];
            if (vx.flags & VertexSelected) continue; // selectVertex passes it by
            vx.position = move(vx.position);
            vx.link = -1;
        }
    });
}

// The selected patch's normal sum, its vertices collected into the brush list (each once) and,
// when asked, their position sum and box; its triangles get the per-call mark (or lose it, when
// mark is off). With pending seeds, those among them leave the seeds and lose the mark at once
// (the closing pass would clear it), the others get it. The parallel form without pending seeds
// leaves the unmarking to the caller's closing pass.
struct PatchStats {
    vec3 normalSum;
    dvec3 positionSum;
    vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    vec3 hi = -lo;
    size_t first = 0, count = 0, triangleCount = 0;

    // Without list, the parallel form leaves the vertices unlisted, their first corners settled
    // for the caller (listed tells which form ran).
    bool listed = true;

    PatchStats(Mesh& m, bool mark, bool pivot, std::vector<uint8_t>* pending = nullptr, bool list = true) {
        first = m.brushVertices.size();
        const std::vector<int32_t>& tris = m.selectedTriangles;
        triangleCount = tris.size();
        // the normals gathered in parallel and summed in list order, as the serial pass sums them
        StepScratch& work = scratch();
        work.normals.resize(tris.size());
        work.corners.resize(3 * tris.size());
        if (work.firstCorner.size() < size_t(m.vertexCount()))
            work.firstCorner.resize(size_t(m.vertexCount()), StepScratch::kNone);
        int32_t* firstCorner = work.firstCorner.data();
        parallelFor(int(tris.size()), [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                if (i + kAhead < end) __builtin_prefetch(&m.triangles[tris[size_t(i + kAhead)]]);
                const int32_t t = tris[size_t(i)];
                MeshTriangle& tri = m.triangles[t];
                work.normals[size_t(i)] = tri.faceNormal;
                if (pending && size_t(t) < pending->size()) {
                    (*pending)[size_t(t)] = 0;
                    if (tri.flags & TriangleProcessed) tri.flags &= uint8_t(~TriangleProcessed);
                } else if (mark) {
                    tri.flags |= TriangleProcessed;
                }
                for (int c = 0; c < 3; ++c) {
                    const int32_t v = tri.vertex[c], at = 3 * i + c;
                    work.corners[size_t(at)] = v;
                    lowerFirstCorner(firstCorner[v], at);
                }
            }
        });
        settleFirstCorners(int(tris.size()));
        for (const vec3& n : work.normals) normalSum += n;
        listed = list;
        if (list) collectPatchVertices(m);
        count = m.brushVertices.size() - first;
        if (!pivot) return;
        for (size_t i = first; i < m.brushVertices.size(); ++i) {
            vec3 p = m.vertices[m.brushVertices[i].vertex].position;
            positionSum = positionSum + dvec3(p);
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    vec3 normal() const { return editing::meanNormal(normalSum, triangleCount); }
    // The box centre moved along the mean normal into the plane through the mean.
    dvec3 pivot() const {
        dvec3 mean = positionSum / double(count);
        dvec3 e = dvec3((lo + hi) * 0.5f) - mean, n(normal());
        return mean + e - n * dot(e, n);
    }
};

// Releases the patch's vertices from the selection, moving each through move(position).
template <class Move>
void moveAndRelease(Mesh& m, const PatchStats& patch, Move&& move) {
    if (!patch.listed) {
        moveFromFirstCorners(m, move);
        return;
    }
    // the brush entries of one patch name each vertex once
    parallelFor(int(patch.count), [&](int begin, int end) {
        for (size_t i = patch.first + size_t(begin); i < patch.first + size_t(end); ++i) {
            MeshVertex& vx = m.vertices[m.brushVertices[i].vertex];
            vx.flags &= uint8_t(~VertexSelected);
            vx.link = -1;
            vx.position = move(vx.position);
        }
    });
    m.selectedVertices.clear();
}

// Runs step(patch) on the picked patch, then on every other patch seeded below the start count;
// without list, a patch's vertices may be left unlisted, for moveAndRelease.
template <class Step>
void forEachPatch(Mesh& m, const vec3& previous, int triangle, bool pivot, bool list, Step&& step) {
    const int count = std::min(m.tearTriangleMark, m.triangleCount());
    // The seeds still to try, one byte each, dropped as patches take them; a record is read only
    // for what no patch took. Every mark below the count is cleared as soon as nothing reads it.
    std::vector<uint8_t> pending(size_t(std::max(count, 0)), 1);
    editing::selectPatchAfresh(m, previous, triangle);
    step(PatchStats(m, true, pivot, &pending, list), true);
    for (auto it = pending.begin(); (it = std::find(it, pending.end(), uint8_t(1))) != pending.end();) {
        *it = 0;
        int seed = int(it - pending.begin());
        MeshTriangle& tri = m.triangles[seed];
        const bool fresh = tri.alive() && !(tri.flags & TriangleProcessed);
        tri.flags &= uint8_t(~TriangleProcessed);
        if (!fresh) continue;
        editing::selectPatchAfresh(m, vec3(), seed);
        step(PatchStats(m, true, pivot, &pending, list), false);
    }
    clearPatchSelection(m, 0);
}

} // namespace

namespace editing {

bool selectPatchAfresh(Mesh& m, const vec3& point, int& triangle) {
    if (triangle < 0) triangle = m.closestTriangle(point);
    if (triangle < 0) return false;
    clearSelectionInParallel(m);
    return m.selectPatch(point, false, triangle);
}

void pushStep(Mesh& m, const vec3& previous, const vec3& current, int triangle, bool all, bool keep) {
    MeshStrokeCache& cache = m.strokeCache;
    if (keep && cache.pushStarts.size() >= 2) {
        const float s = dot(current - previous, cache.pushNormals[0]);
        // a patch lists each vertex once; patches sharing a vertex move it in their order
        for (size_t i = 0; i + 1 < cache.pushStarts.size(); ++i) {
            const vec3 D = cache.pushNormals[i] * s;
            const int32_t from = cache.pushStarts[i];
            parallelFor(cache.pushStarts[i + 1] - from, [&](int begin, int end) {
                for (int k = from + begin; k < from + end; ++k) m.vertices[cache.pushVertices[size_t(k)]].position += D;
            });
        }
        return;
    }
    auto record = [&](const PatchStats& patch, vec3 n) {
        if (!keep) return;
        if (cache.pushStarts.empty()) cache.pushStarts.push_back(0);
        for (size_t i = patch.first; i < patch.first + patch.count; ++i)
            cache.pushVertices.push_back(m.brushVertices[i].vertex);
        cache.pushStarts.push_back(int32_t(cache.pushVertices.size()));
        cache.pushNormals.push_back(n);
    };
    if (!all) {
        selectPatchAfresh(m, previous, triangle);
        // a step that keeps nothing and has nothing else selected moves the patch's vertices
        // straight from their first corners
        const bool straight = !keep && !m.strokeCache.lent && m.selectedVertices.empty() && m.brushVertices.empty();
        PatchStats patch(m, false, false, nullptr, !straight);
        const vec3 n = patch.normal();
        const vec3 u = n * dot(current - previous, n);
        if (!patch.listed) {
            // the drag offset of each: 0 + u
            const vec3 d = vec3() + u;
            moveFromFirstCorners(m, [&](vec3 p) { return p + d; });
            clearPatchSelection(m, TriangleProcessed);
            return;
        }
        record(patch, n);
        if (m.strokeCache.lent || patch.first != 0 || patch.count != m.selectedVertices.size()) {
            for (int32_t t : m.selectedTriangles) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
            m.translateBrushVertices(u);
            m.applyDrag();
            m.clearSelection();
            return;
        }
        // every selected vertex is a brush vertex of its own: its drag offset would be 0 + u
        const vec3 d = vec3() + u;
        parallelFor(int(patch.count), [&](int begin, int end) {
            for (int k = begin; k < end; ++k) m.vertices[m.selectedVertices[size_t(k)]].position += d;
        });
        clearPatchSelection(m, TriangleProcessed);
        return;
    }
    float s = 0;
    forEachPatch(m, previous, triangle, false, keep, [&](const PatchStats& patch, bool picked) {
        vec3 n = patch.normal();
        if (picked) s = dot(current - previous, n);
        record(patch, n);
        vec3 D = n * s;
        moveAndRelease(m, patch, [&](vec3 p) { return p + D; });
    });
}

} // namespace editing

void Mesh::pushAlongNormal(const vec3& previous, const vec3& current, int triangle) {
    editing::pushStep(*this, previous, current, triangle, false, false);
}

void Mesh::pushAllPatches(const vec3& previous, const vec3& current, int triangle) {
    editing::pushStep(*this, previous, current, triangle, true, false);
}

void Mesh::scaleAllPatches(const vec3& previous, const vec3& current, int triangle) {
    double f = 1;
    bool valid = false;
    forEachPatch(*this, previous, triangle, true, true, [&](const PatchStats& patch, bool picked) {
        if (picked) {
            // an empty patch has no pivot, and a step from the pivot no factor
            if (patch.count > 0) {
                dvec3 c = patch.pivot();
                dvec3 p = dvec3(previous) - c, q = dvec3(current) - c;
                double before = dot(p, p);
                f = std::sqrt(dot(q, q) / before);
                valid = before > kNullLengthSquared && std::isfinite(f);
            }
        }
        if (!valid || patch.count == 0) {
            moveAndRelease(*this, patch, [](vec3 p) { return p; });
            return;
        }
        dvec3 c = patch.pivot();
        moveAndRelease(*this, patch, [&](vec3 p) { return (dvec3(p) * f + c * (1 - f)).toFloat(); });
    });
}

} // namespace kal
