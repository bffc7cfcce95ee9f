// Deleting a long list of triangles in one go, with the records that deleting them one at a time
// in list order gives. A deletion changes a vertex's walk only through the triangles round that
// vertex: their alive flags, the links between them and which copy of the vertex they name. So
// each vertex is followed through the list's deletions on its own ring, in parallel, and only
// the copies that split fans make are numbered across the whole list.
#include <algorithm>
#include <atomic>
#include <cstdint>
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
struct CopyKey {
    int64_t order;
    int32_t corner;
    bool operator<(const CopyKey& o) const { return order < o.order || (order == o.order && corner < o.corner); }
};
struct CopyMade {
    CopyKey key;
    MeshVertex record;
};
struct Relabel {
    int32_t triangle;
    int32_t corner;
    CopyKey key;
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
// triangles in list order, given each triangle's first entry in the list (-1 when it stays).
// Answers false when the ring is not a sound walk. hits counts the ring's doomed triangles.
class RingDeletion {
public:
    RingDeletion(const Mesh& m, const int32_t* pos) : m(m), pos(pos) {}

    bool run(int vertexToFollow, int& hits, Outcomes& out) {
        v = vertexToFollow;
        tris.clear();
        corners.clear();
        int last, lastCorner;
        // a walk that revisits a triangle runs to its limit and ends broken
        const meshwalk::RingEnd end =
            meshwalk::walkRing(m.triangles, v, m.vertices[v].firstTriangle, m.triangles.size() + 1, last, lastCorner,
                               [&](int t, int c) {
                                   tris.push_back(t);
                                   corners.push_back(c);
                               });
        if (end == meshwalk::RingEnd::Broken) return false;
        const int R = int(tris.size());
        closed = end == meshwalk::RingEnd::Closed;
        back.resize(size_t(R));
        owners.resize(size_t(R));
        label.assign(size_t(R), 0);
        doomed.clear();
        for (int r = 0; r < R; ++r) {
            const MeshTriangle& tri = m.triangles[tris[size_t(r)]];
            int c = corners[size_t(r)];
            // a triangle linked to the same one on both edges at v would lose both links at once
            if (tri.neighbour[next3(c)] >= 0 && tri.neighbour[next3(c)] == tri.neighbour[prev3(c)]) return false;
            back[size_t(r)] = r + 1 < R ? r + 1 : closed ? 0 : -1;
            owners[size_t(r)] = loadPosition(pos, tris[size_t(r)]);
            if (owners[size_t(r)] >= 0) doomed.push_back(r);
        }
        hits = int(doomed.size());
        if (doomed.empty()) return true;
        std::sort(doomed.begin(), doomed.end(), [&](int a, int b) { return owners[size_t(a)] < owners[size_t(b)]; });
        members.assign(1, m.vertices[v]);
        firsts.assign(1, 0);
        keys.assign(1, CopyKey{-1, 0});
        for (int d : doomed) {
            const int x = label[size_t(d)];
            // the walk from x's start as far as one step past d: the rules need no more (a walk
            // of one triangle is whole, so size <= 1 below holds only when the whole walk does)
            walkTo(x, d);
            const int size = int(L.size());
            // d's place on the walk (size when the whole walk missed it), and whether more follows
            int k = size;
            if (size >= 1 && L[size_t(size - 1)] == d)
                k = size - 1;
            else if (size >= 2 && L[size_t(size - 2)] == d)
                k = size - 2;
            const bool after = k + 1 < size;
            MeshVertex& vx = members[size_t(x)];
            if (size <= 1) {
                vx.flags &= uint8_t(~VertexAlive);
            } else if (!vx.open()) {
                // the fan now starts just after the hole
                vx.flags |= VertexOpen;
                vx.setSeam(true);
                // past the walk's last triangle comes its start again
                if (k < size && after) firsts[size_t(x)] = L[size_t(k + 1)];
            } else if (k >= size || !after) {
            } else if (k == 0) {
                firsts[size_t(x)] = L[1];
            } else {
                // an open fan falls apart: the part before the hole goes to a new copy
                MeshVertex copy = vx;
                copy.flags &= uint8_t(~VertexSelected);
                copy.link = -1;
                members.push_back(copy);
                firsts.push_back(L[0]);
                keys.push_back(CopyKey{owners[size_t(d)], corners[size_t(d)]});
                const int y = int(members.size()) - 1;
                for (int i = 0; i < k; ++i) label[size_t(L[size_t(i)])] = y;
                firsts[size_t(x)] = L[size_t(k + 1)];
            }
            // the link to the deleted triangle goes: only the triangle before it in the ring held one
            const int before = d > 0 ? d - 1 : closed ? R - 1 : -1;
            if (before >= 0 && back[size_t(before)] == d) back[size_t(before)] = -1;
        }
        for (size_t y = 0; y < members.size(); ++y)
            members[y].firstTriangle = firsts[y] >= 0 ? tris[size_t(firsts[y])] : members[y].firstTriangle;
        out.vertices.push_back(v);
        out.records.push_back(members[0]);
        for (size_t y = 1; y < members.size(); ++y) out.copies.push_back(CopyMade{keys[y], members[y]});
        if (members.size() > 1)
            for (int r = 0; r < R; ++r)
                if (label[size_t(r)] != 0)
                    out.relabels.push_back(Relabel{tris[size_t(r)], corners[size_t(r)], keys[size_t(label[size_t(r)])]});
        return true;
    }

private:
    // The ring positions a walk of member x meets from its start, as the mesh's walk would, up to
    // one past `until` (or all of them when it is not met).
    void walkTo(int x, int until) {
        L.clear();
        const int s = firsts[size_t(x)];
        if (s < 0 || label[size_t(s)] != x) return;
        int r = s;
        bool met = false;
        do {
            L.push_back(r);
            if (met) return;
            met = r == until;
            r = back[size_t(r)];
        } while (r >= 0 && r != s && label[size_t(r)] == x);
    }

    const Mesh& m;
    const int32_t* pos;
    int v = -1;
    std::vector<int32_t> tris, corners, back, owners, label, doomed, L, firsts;
    std::vector<MeshVertex> members;
    std::vector<CopyKey> keys;
    bool closed = false;
};

// Writes what the vertices came to: their records, the copies (numbered after the store's last
// record in the order of their keys) and the corners moved onto copies.
void writeOutcomes(Mesh& m, const std::vector<Outcomes>& blocks) {
    const int nv = m.vertexCount();
    std::vector<CopyKey> made;
    for (const Outcomes& out : blocks)
        for (const CopyMade& copy : out.copies) made.push_back(copy.key);
    std::sort(made.begin(), made.end());
    auto copyIndex = [&](const CopyKey& key) {
        return nv + int(std::lower_bound(made.begin(), made.end(), key) - made.begin());
    };
    m.vertices.growUnwritten(int(made.size()));
    parallelFor(int(blocks.size()), [&](int begin, int end) {
        for (int b = begin; b < end; ++b) {
            const Outcomes& out = blocks[size_t(b)];
            for (size_t i = 0; i < out.vertices.size(); ++i) m.vertices[out.vertices[i]] = out.records[i];
            for (const CopyMade& copy : out.copies) m.vertices[copyIndex(copy.key)] = copy.record;
            for (const Relabel& r : out.relabels) m.triangles[r.triangle].vertex[r.corner] = copyIndex(r.key);
        }
    }, 2);
}

} // namespace

bool Mesh::deleteTrianglesAtOnce(const std::vector<int32_t>& doomed) {
    const int n = int(doomed.size()), nt = triangles.size(), nv = vertices.size();
    // each triangle's first entry in the list; a listed triangle already dead sends the list
    // the one-at-a-time way (found below, where the records are read anyway)
    std::unique_ptr<int32_t[]> position(new int32_t[size_t(std::max(nt, 1))]);
    int32_t* pos = position.get();
    parallelFor(nt, [&](int begin, int end) { std::fill(pos + begin, pos + end, -1); });
    parallelFor(n, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt) continue;
            int32_t seen = __atomic_load_n(pos + t, __ATOMIC_RELAXED);
            while ((seen < 0 || i < seen) &&
                   !__atomic_compare_exchange_n(pos + t, &seen, i, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
            }
        }
    });
    std::unique_ptr<std::atomic<uint8_t>[]> claimed(new std::atomic<uint8_t>[size_t(nv)]());
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
            if (!tri.alive()) {
                sound = false;
                break;
            }
            for (int c = 0; c < 3; ++c) {
                int32_t v = tri.vertex[c];
                if (tri.neighbour[c] >= nt || v < 0 || v >= nv) {
                    sound = false;
                    break;
                }
                if (claimed[size_t(v)].load(std::memory_order_relaxed) ||
                    claimed[size_t(v)].exchange(1, std::memory_order_relaxed))
                    continue;
                int ringHits = 0;
                if (!ring.run(v, ringHits, out)) {
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

    writeOutcomes(*this, blocks);
    // A link to a doomed triangle goes, unless its holder went first: a deletion clears its
    // neighbours' links to it, and a triangle already deleted is no longer its neighbours' neighbour
    // (on sound links, where each link has its way back). Each record is written by one thread: a
    // doomed one by its entry, a survivor by whoever claims it first (its position turns from -1
    // to -2), each reading only its own links and the positions.
    parallelFor(n, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || loadPosition(pos, t) != i) continue;
            MeshTriangle& tri = triangles[t];
            for (int k = 0; k < 3; ++k) {
                int32_t s = tri.neighbour[k];
                int32_t unclaimed = -1;
                if (s < 0 || !__atomic_compare_exchange_n(pos + s, &unclaimed, -2, false, __ATOMIC_RELAXED,
                                                          __ATOMIC_RELAXED))
                    continue;
                MeshTriangle& survivor = triangles[s];
                for (int j = 0; j < 3; ++j) {
                    int32_t d = survivor.neighbour[j];
                    if (d >= 0 && d < nt && loadPosition(pos, d) >= 0) survivor.neighbour[j] = -1;
                }
            }
            for (int k = 0; k < 3; ++k) {
                int32_t d = tri.neighbour[k];
                if (d < 0) continue;
                int32_t p = loadPosition(pos, d);
                if (p >= 0 && i > p) tri.neighbour[k] = -1;
            }
            tri.flags &= uint8_t(~TriangleAlive);
        }
    });
    purgeNeeded = true;
    return true;
}

} // namespace kal
