// Deleting a long list of triangles in one go, with the records that deleting them one at a time
// in list order gives. A deletion changes a vertex's walk only through the triangles round that
// vertex: their alive flags, the links between them and which copy of the vertex they name. So
// each vertex is followed through the list's deletions on its own ring, in parallel, and only
// the copies that split fans make are numbered across the whole list.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

// A copy of a vertex the deletions make, named by the list entry and the corner that made it;
// relabels name the triangle corners that end on such a copy.
struct CopyMade {
    int64_t key;
    MeshVertex record;
};
struct Relabel {
    int32_t triangle;
    int32_t corner;
    int64_t key;
};

// What one block of vertices comes to.
struct Outcomes {
    std::vector<int32_t> vertices;
    std::vector<MeshVertex> records;
    std::vector<CopyMade> copies;
    std::vector<Relabel> relabels;
};

inline int32_t loadPosition(const int32_t* pos, int32_t t) { return __atomic_load_n(pos + t, __ATOMIC_RELAXED); }

// Follows vertex v (and the copies its fans split into) through the deletions of its ring's
// triangles in list order. Answers false when the ring is not a sound walk. hits counts the
// ring's doomed triangles.
class RingDeletion {
public:
    RingDeletion(const Mesh& m, const int32_t* pos) : m(m), pos(pos) {}

    bool run(int v, int& hits, Outcomes& out, std::atomic<uint8_t>* events) {
        tris.clear();
        corners.clear();
        int last, lastCorner;
        const meshwalk::RingEnd end =
            meshwalk::walkRing(m.triangles, v, m.vertices[v].firstTriangle, m.triangles.size() + 1, last, lastCorner,
                               [&](int t, int c) {
                                   tris.push_back(t);
                                   corners.push_back(c);
                               });
        if (end == meshwalk::RingEnd::Broken) return false;
        const int R = int(tris.size());
        // each triangle once, and no triangle linked to the same one on both edges at v
        sorted.assign(tris.begin(), tris.end());
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
        back.assign(size_t(R), -1);
        label.assign(size_t(R), 0);
        doomed.clear();
        for (int r = 0; r < R; ++r) {
            const MeshTriangle& tri = m.triangles[tris[size_t(r)]];
            int c = corners[size_t(r)];
            if (tri.neighbour[next3(c)] >= 0 && tri.neighbour[next3(c)] == tri.neighbour[prev3(c)]) return false;
            back[size_t(r)] = r + 1 < R ? r + 1 : end == meshwalk::RingEnd::Closed ? 0 : -1;
            if (loadPosition(pos, tris[size_t(r)]) >= 0) doomed.push_back(r);
        }
        hits = int(doomed.size());
        if (doomed.empty()) return true;
        std::sort(doomed.begin(), doomed.end(), [&](int a, int b) {
            return loadPosition(pos, tris[size_t(a)]) < loadPosition(pos, tris[size_t(b)]);
        });
        members.assign(1, m.vertices[v]);
        keys.assign(1, -1);
        for (int d : doomed) {
            const int x = label[size_t(d)];
            walk(x);
            const int size = int(L.size());
            int k = 0;
            while (k < size && L[size_t(k)] != d) ++k;
            MeshVertex& vx = members[size_t(x)];
            if (size <= 1) {
                vx.flags &= uint8_t(~VertexAlive);
            } else if (!vx.open()) {
                // the fan now starts just after the hole
                vx.flags |= VertexOpen;
                vx.setSeam(true);
                if (k < size) vx.firstTriangle = tris[size_t(L[size_t((k + 1) % size)])];
            } else if (k >= size || k == size - 1) {
            } else if (k == 0) {
                vx.firstTriangle = tris[size_t(L[1])];
            } else {
                // an open fan falls apart: the part before the hole goes to a new copy
                MeshVertex copy = vx;
                copy.flags &= uint8_t(~VertexSelected);
                copy.link = -1;
                const int32_t entry = loadPosition(pos, tris[size_t(d)]);
                const int corner = corners[size_t(d)];
                events[entry].fetch_or(uint8_t(1 << corner), std::memory_order_relaxed);
                members.push_back(copy);
                keys.push_back(int64_t(entry) * 3 + corner);
                const int y = int(members.size()) - 1;
                for (int i = 0; i < k; ++i) label[size_t(L[size_t(i)])] = y;
                members[size_t(x)].firstTriangle = tris[size_t(L[size_t(k + 1)])];
            }
            // the neighbours' links to the deleted triangle go
            for (int r = 0; r < R; ++r)
                if (back[size_t(r)] == d) back[size_t(r)] = -1;
        }
        out.vertices.push_back(v);
        out.records.push_back(members[0]);
        for (size_t y = 1; y < members.size(); ++y) out.copies.push_back(CopyMade{keys[y], members[y]});
        for (int r = 0; r < R; ++r)
            if (label[size_t(r)] != 0)
                out.relabels.push_back(Relabel{tris[size_t(r)], corners[size_t(r)], keys[size_t(label[size_t(r)])]});
        return true;
    }

private:
    // The ring positions a walk of member x meets from its start, as the mesh's walk would.
    void walk(int x) {
        L.clear();
        const int32_t first = members[size_t(x)].firstTriangle;
        int s = -1;
        for (size_t r = 0; r < tris.size(); ++r)
            if (tris[r] == first) s = int(r);
        if (s < 0 || label[size_t(s)] != x) return;
        int r = s;
        do {
            L.push_back(r);
            r = back[size_t(r)];
        } while (r >= 0 && r != s && label[size_t(r)] == x);
    }

    const Mesh& m;
    const int32_t* pos;
    std::vector<int32_t> tris, corners, sorted, back, label, doomed, L;
    std::vector<MeshVertex> members;
    std::vector<int64_t> keys;
};

} // namespace

bool Mesh::deleteTrianglesAtOnce(const std::vector<int32_t>& doomed) {
    const int n = int(doomed.size()), nt = triangles.size(), nv = vertices.size();
    // each triangle's first entry in the list, where it is alive
    std::vector<int32_t> position(size_t(nt), -1);
    int32_t* pos = position.data();
    parallelFor(n, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || !triangles[t].alive()) continue;
            int32_t seen = __atomic_load_n(pos + t, __ATOMIC_RELAXED);
            while ((seen < 0 || i < seen) &&
                   !__atomic_compare_exchange_n(pos + t, &seen, i, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
            }
        }
    });
    std::unique_ptr<std::atomic<uint8_t>[]> claimed(new std::atomic<uint8_t>[size_t(nv)]());
    std::unique_ptr<std::atomic<uint8_t>[]> events(new std::atomic<uint8_t>[size_t(std::max(n, 1))]());
    std::atomic<bool> sound{true};
    std::atomic<int64_t> hits{0}, expected{0};
    std::mutex gather;
    std::vector<Outcomes> blocks;
    parallelFor(n, [&](int begin, int end) {
        RingDeletion ring(*this, pos);
        Outcomes out;
        int64_t blockHits = 0, blockExpected = 0;
        for (int i = begin; i < end && sound.load(std::memory_order_relaxed); ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || loadPosition(pos, t) != i) continue;
            blockExpected += 3;
            const MeshTriangle& tri = triangles[t];
            for (int c = 0; c < 3; ++c) {
                int32_t v = tri.vertex[c];
                int32_t nb = tri.neighbour[c];
                // links must run both ways, as every deletion repairs them from its own side
                if (nb >= nt || (nb >= 0 && triangles[nb].slotOf(t) < 0) || v < 0 || v >= nv) {
                    sound = false;
                    break;
                }
                if (claimed[size_t(v)].exchange(1, std::memory_order_relaxed)) continue;
                int ringHits = 0;
                if (!ring.run(v, ringHits, out, events.get())) {
                    sound = false;
                    break;
                }
                blockHits += ringHits;
            }
        }
        hits += blockHits;
        expected += blockExpected;
        std::lock_guard<std::mutex> lock(gather);
        blocks.push_back(std::move(out));
    });
    // every doomed triangle must lie on the walks of its three corners
    if (!sound || hits != expected) return false;
    if (expected == 0) return true;

    // the copies' numbers: in list order, and by corner inside one entry
    std::vector<int32_t> before(size_t(n) + 1, 0);
    for (int i = 0; i < n; ++i) before[size_t(i) + 1] = before[size_t(i)] + __builtin_popcount(events[size_t(i)].load());
    auto copyIndex = [&](int64_t key) {
        int entry = int(key / 3), corner = int(key % 3);
        uint8_t lower = uint8_t(events[size_t(entry)].load() & ((1 << corner) - 1));
        return nv + before[size_t(entry)] + __builtin_popcount(lower);
    };
    const int copies = before[size_t(n)];
    vertices.growUnwritten(copies);
    parallelFor(n, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t >= 0 && t < nt && loadPosition(pos, t) == i) triangles[t].flags &= uint8_t(~TriangleAlive);
        }
    });
    parallelFor(int(blocks.size()), [&](int begin, int end) {
        for (int b = begin; b < end; ++b) {
            const Outcomes& out = blocks[size_t(b)];
            for (size_t i = 0; i < out.vertices.size(); ++i) vertices[out.vertices[i]] = out.records[i];
            for (const CopyMade& copy : out.copies) vertices[copyIndex(copy.key)] = copy.record;
            for (const Relabel& r : out.relabels) triangles[r.triangle].vertex[r.corner] = copyIndex(r.key);
        }
    }, 2);
    // A link to a doomed triangle goes, unless its holder went first: a deletion clears its
    // neighbours' links to it, and a triangle already deleted is no longer its neighbours' neighbour.
    // Each record is cleared by one thread: a doomed one by its entry, a survivor by whoever
    // claims it first (its position turns from -1 to -2).
    parallelFor(n, [&](int begin, int end) {
        auto clear = [&](int32_t r, int32_t own) {
            MeshTriangle& tri = triangles[r];
            for (int k = 0; k < 3; ++k) {
                int32_t d = tri.neighbour[k];
                if (d < 0) continue;
                int32_t p = loadPosition(pos, d);
                if (p >= 0 && (own < 0 || own > p)) tri.neighbour[k] = -1;
            }
        };
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || loadPosition(pos, t) != i) continue;
            for (int k = 0; k < 3; ++k) {
                int32_t s = triangles[t].neighbour[k];
                if (s < 0) continue;
                int32_t unclaimed = -1;
                if (__atomic_compare_exchange_n(pos + s, &unclaimed, -2, false, __ATOMIC_RELAXED, __ATOMIC_RELAXED))
                    clear(s, -1);
            }
        }
    });
    // the doomed records last: the survivors' pass above reads their links
    parallelFor(n, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || loadPosition(pos, t) != i) continue;
            MeshTriangle& tri = triangles[t];
            for (int k = 0; k < 3; ++k) {
                int32_t d = tri.neighbour[k];
                if (d < 0) continue;
                int32_t p = loadPosition(pos, d);
                if (p >= 0 && i > p) tri.neighbour[k] = -1;
            }
        }
    });
    purgeNeeded = true;
    return true;
}

} // namespace kal
