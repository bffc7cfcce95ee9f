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
#include "mesh/MeshShortcuts.h"
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

// The order of a list's deletions: by each triangle's first entry.
struct ListOrder {
    const int32_t* pos;
    // The triangle's place in the order's sequence at the coarsest grain; -1 when it stays.
    int32_t owner(int32_t t) const { return loadPosition(pos, t); }
    // Keys that order the doomed triangles of one ring (ring positions given for the policies
    // that need them), and the key that orders copies across the whole list.
    template <class Ring>
    int64_t key(const Ring& ring, int r) const {
        return ring.owner(r);
    }
    template <class Ring>
    CopyKey copyKey(const Ring& ring, int r, int corner) const {
        return CopyKey{ring.owner(r), corner};
    }
};

// The order in which markDirtyTriangles lists the triangles round the selected vertices, and so
// deleteTriangles deletes them: by the selection link of a triangle's first selected corner
// (whose walk takes it, on sound rings), then by its place in that corner's walk.
struct SelectionOrder {
    const Mesh& m;

    // Whether v is a selected alive vertex, whose walk the serial way takes: the flag marks the
    // listed vertices (each checked against its entry by the caller), and a link off the list
    // never counts.
    bool deletes(int32_t v) const {
        if (v < 0 || v >= m.vertexCount()) return false;
        const MeshVertex& vx = m.vertices[v];
        return (vx.flags & VertexSelected) && vx.alive() && vx.link >= 0 &&
               size_t(vx.link) < m.selectedVertices.size();
    }
    int32_t ownerLink(int32_t t) const {
        int32_t best = -1;
        for (int32_t w : m.triangles[t].vertex)
            if (deletes(w) && (best < 0 || m.vertices[w].link < best)) best = m.vertices[w].link;
        return best;
    }
    // The link of the selected corner that deletes the triangle; -1 when it stays. The walks of
    // alive vertices meet only alive triangles on sound rings, and with no triangle selected none
    // carries the selected flag, so the triangle's own flags need no reading.
    int32_t owner(int32_t t) const { return ownerLink(t); }
    // Of the two triangles on edge u-w, whether u's walk meets a after the other (0 or 1).
    int laterOnEdge(int32_t u, int32_t a, int32_t w) const {
        const MeshTriangle& A = m.triangles[a];
        int ca = A.cornerOf(u), cw = A.cornerOf(w);
        if (ca < 0 || cw < 0 || ca == cw) return 0;
        int32_t b = A.neighbour[3 - ca - cw];
        if (b < 0) return 0;
        // the walk steps backward, across the edge after u's corner
        bool aThenB = A.neighbour[next3(ca)] == b;
        int32_t first = m.vertices[u].firstTriangle;
        return (aThenB ? first != b : first == a) ? 0 : 1;
    }
    // Ring entry r's owner link, then its place among the ring's entries of that owner: its ring
    // position when the ring's vertex owns it, else (it lies on the edge to its owner, with at most
    // one other entry) which of the two the owner's walk meets first.
    template <class Ring>
    int64_t key(const Ring& ring, int r) const {
        const int32_t t = ring.triangle(r), link = ring.owner(r);
        const int32_t u = m.selectedVertices[size_t(link)];
        const int place = u == ring.vertex() ? r : laterOnEdge(u, t, ring.vertex());
        return (int64_t(link) << 32) | int64_t(place);
    }
    // A copy's place across the whole list: the owner's link, then the triangle's place in the
    // owner's walk (walked here when the owner is another vertex: copies are few).
    template <class Ring>
    CopyKey copyKey(const Ring& ring, int r, int corner) const {
        const int32_t t = ring.triangle(r), link = ring.owner(r);
        const int32_t u = m.selectedVertices[size_t(link)];
        int64_t place = r;
        if (u != ring.vertex()) {
            int step = 0, last, lastCorner;
            place = -1;
            meshwalk::walkRing(m.triangles, u, m.vertices[u].firstTriangle, m.triangleCount() + 1, last, lastCorner,
                               [&](int s, int) {
                                   if (s == t) place = step;
                                   ++step;
                               });
        }
        return CopyKey{(int64_t(link) << 32) | place, corner};
    }
};

// Follows vertex v (and the copies its fans split into) through the deletions of its ring's
// triangles in the order's sequence. Answers false when the ring is not a sound walk. hits
// counts the ring's doomed triangles.
template <class Order>
class RingDeletion {
public:
    RingDeletion(const Mesh& m, const Order& order) : m(m), order(order) {}

    int vertex() const { return v; }
    int size() const { return int(tris.size()); }
    int32_t triangle(int r) const { return tris[size_t(r)]; }
    int corner(int r) const { return corners[size_t(r)]; }
    int32_t owner(int r) const { return owners[size_t(r)]; }

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
            owners[size_t(r)] = order.owner(tris[size_t(r)]);
            if (owners[size_t(r)] >= 0) doomed.push_back(r);
        }
        hits = int(doomed.size());
        if (doomed.empty()) return true;
        sortKeys.resize(size_t(R));
        for (int d : doomed) sortKeys[size_t(d)] = order.key(*this, d);
        std::sort(doomed.begin(), doomed.end(), [&](int a, int b) { return sortKeys[size_t(a)] < sortKeys[size_t(b)]; });
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
                keys.push_back(order.copyKey(*this, d, corners[size_t(d)]));
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
    const Order& order;
    int v = -1;
    std::vector<int32_t> tris, corners, back, owners, label, doomed, L, firsts;
    std::vector<MeshVertex> members;
    std::vector<CopyKey> keys;
    std::vector<int64_t> sortKeys;
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
    const ListOrder order{pos};
    std::unique_ptr<std::atomic<uint8_t>[]> claimed(new std::atomic<uint8_t>[size_t(nv)]());
    std::atomic<bool> sound{true};
    std::atomic<int64_t> hits{0}, expected{0};
    std::mutex gather;
    std::vector<Outcomes> blocks;
    parallelFor(n, [&](int begin, int end) {
        RingDeletion<ListOrder> ring(*this, order);
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

bool Mesh::deleteTrianglesRoundSelection(std::vector<int32_t>* deleted, bool purgeNext, uint64_t* aliveBits,
                                         int64_t* spare, DeletionUndo* undo) {
    const int n = int(selectedVertices.size()), nt = triangles.size(), nv = vertices.size();
    if (parallelThreads() <= 1 || plainPasses() || (n < kParallelMinimum && !parallelMode().splitSmall)) return false;
    // a selected triangle would be passed over by the walks (see SelectionOrder::owner)
    if (!selectedTriangles.empty()) return false;
    if (undo) {
        *undo = DeletionUndo();
        undo->vertexCount = nv;
        undo->purgeNeeded = purgeNeeded;
    }
    if (spare) *spare = INT64_MAX;
    const SelectionOrder order{*this};
    std::unique_ptr<std::atomic<uint8_t>[]> claimed(new std::atomic<uint8_t>[size_t(std::max(nv, 1))]());
    std::atomic<bool> sound{true};
    std::atomic<int64_t> hits{0}, owned{0};
    struct Block {
        Outcomes out;
        // the owned triangles, and those of them with one deleting corner (the only ones with an
        // edge to a survivor)
        std::vector<int32_t> doomed, border, others;
        // the survivor links cleared (triangle * 3 + slot, value before)
        std::vector<std::pair<int32_t, int32_t>> cleared;
        // whether its vertices were followed; else each just died
        bool followed = true;
    };
    std::mutex gather;
    std::vector<Block> blocks;
    auto keep = [&](Block& block) {
        std::lock_guard<std::mutex> lock(gather);
        blocks.push_back(std::move(block));
    };
    // An owned triangle is listed; its corners that do not delete are followed next.
    auto own = [&](Block& block, int32_t t) {
        block.doomed.push_back(t);
        const MeshTriangle& tri = triangles[t];
        if (tri.neighbour[0] >= nt || tri.neighbour[1] >= nt || tri.neighbour[2] >= nt) sound = false;
        int deleting = 0;
        for (int32_t w : tri.vertex) {
            if (w < 0 || w >= nv) {
                sound = false;
                return;
            }
            if (order.deletes(w)) {
                ++deleting;
                continue;
            }
            if (!claimed[size_t(w)].load(std::memory_order_relaxed) &&
                !claimed[size_t(w)].exchange(1, std::memory_order_relaxed))
                block.others.push_back(w);
        }
        if (deleting == 1) block.border.push_back(t);
    };
    // Each selected vertex follows its own ring and takes the triangles it owns. When the purge
    // comes next a selected vertex just dies with its ring: every triangle on its walk goes, and
    // a triangle is owned by its first deleting corner, whose walk must meet it (checked by the
    // count below).
    parallelFor(n, [&](int begin, int end) {
        RingDeletion<SelectionOrder> ring(*this, order);
        Block block;
        block.followed = !purgeNext;
        int64_t blockHits = 0, blockOwned = 0;
        for (int i = begin; i < end && sound.load(std::memory_order_relaxed); ++i) {
            const int32_t v = selectedVertices[size_t(i)];
            // the list must name each vertex once, linked back to its entry
            if (v < 0 || v >= nv || !(vertices[v].flags & VertexSelected) || vertices[v].link != i) {
                sound = false;
                break;
            }
            // a vertex without triangles has no walk to take
            if (!vertices[v].alive() || vertices[v].firstTriangle < 0) continue;
            if (purgeNext) {
                int steps = 0, last, lastCorner;
                bool pinched = false;
                const meshwalk::RingEnd walked = meshwalk::walkRing(
                    triangles, v, vertices[v].firstTriangle, nt + 1, last, lastCorner, [&](int t, int c) {
                        const MeshTriangle& tri = triangles[t];
                        // linked to the same triangle on both edges at v: both links would go at once
                        if (tri.neighbour[next3(c)] >= 0 && tri.neighbour[next3(c)] == tri.neighbour[prev3(c)])
                            pinched = true;
                        ++steps;
                        for (int k = 0; k < c; ++k)
                            if (order.deletes(tri.vertex[k])) return;
                        ++blockOwned;
                        own(block, t);
                    });
                if (walked == meshwalk::RingEnd::Broken || pinched) {
                    sound = false;
                    break;
                }
                blockHits += steps;
                if (steps > 0) {
                    block.out.vertices.push_back(v);
                    block.out.records.push_back(vertices[v]);
                    block.out.records.back().flags &= uint8_t(~VertexAlive);
                }
                continue;
            }
            int ringHits = 0;
            if (!ring.run(v, ringHits, block.out)) {
                sound = false;
                break;
            }
            blockHits += ringHits;
            for (int r = 0; r < ring.size(); ++r) {
                if (ring.owner(r) != i) continue;
                ++blockOwned;
                own(block, ring.triangle(r));
            }
        }
        hits += blockHits;
        owned += blockOwned;
        keep(block);
    });
    if (!sound) return false;
    std::vector<int32_t> others;
    for (const Block& b : blocks) others.insert(others.end(), b.others.begin(), b.others.end());
    parallelFor(int(others.size()), [&](int begin, int end) {
        RingDeletion<SelectionOrder> ring(*this, order);
        Block block;
        int64_t blockHits = 0;
        for (int i = begin; i < end; ++i) {
            int ringHits = 0;
            if (!ring.run(others[size_t(i)], ringHits, block.out)) {
                sound = false;
                break;
            }
            blockHits += ringHits;
        }
        hits += blockHits;
        keep(block);
    });
    // every doomed triangle must lie on the walks of its three corners, and be owned once
    if (!sound || hits != 3 * owned) return false;
    if (owned == 0) return true;
    if (purgeNext) {
        // Without the copies the selected vertices' fans would make (all of them die), the
        // purge still gives every record its place as long as the live count stays within the
        // vertices there were: the holes it fills then all lie below them.
        int64_t dead = 0, aliveCopies = 0;
        for (const Block& b : blocks) {
            for (const MeshVertex& record : b.out.records) dead += record.alive() ? 0 : 1;
            for (const CopyMade& copy : b.out.copies) aliveCopies += copy.record.alive() ? 1 : 0;
        }
        if (aliveCopies > dead) return false;
        if (spare) *spare = dead - aliveCopies;
    }

    // A survivor's link to a doomed triangle goes (the doomed triangles' own links are left as
    // they are: the purge drops those records). A neighbour across an edge with a deleting
    // corner is doomed itself; otherwise its third corner tells. Each survivor link is found
    // across the shared edge, so it is written by the thread of the doomed triangle it names.
    // All this reads the selection before any vertex changes.
    parallelFor(int(blocks.size()), [&](int begin, int end) {
        for (int b = begin; b < end; ++b)
            for (int32_t t : blocks[size_t(b)].border) {
                const MeshTriangle& tri = triangles[t];
                const bool deleting[3] = {order.deletes(tri.vertex[0]), order.deletes(tri.vertex[1]),
                                          order.deletes(tri.vertex[2])};
                for (int k = 0; k < 3; ++k) {
                    const int32_t d = tri.neighbour[k];
                    if (d < 0 || deleting[next3(k)] || deleting[prev3(k)]) continue;
                    const int32_t a = tri.vertex[next3(k)], c = tri.vertex[prev3(k)];
                    MeshTriangle& survivor = triangles[d];
                    for (int j = 0; j < 3; ++j) {
                        const int32_t x = survivor.vertex[j];
                        if (x == a || x == c) continue;
                        if (x >= 0 && x < nv && !order.deletes(x) && survivor.neighbour[j] == t) {
                            if (undo) blocks[size_t(b)].cleared.emplace_back(d * 3 + j, t);
                            survivor.neighbour[j] = -1;
                        }
                    }
                }
            }
    }, 2);
    std::vector<Outcomes> outcomes;
    for (Block& b : blocks) outcomes.push_back(std::move(b.out));
    if (undo) {
        // a vertex that just died lost only its alive flag; a followed one is kept whole
        undo->killed.resize(blocks.size());
        for (size_t b = 0; b < outcomes.size(); ++b) {
            for (const Relabel& r : outcomes[b].relabels)
                undo->corners.emplace_back(r.triangle * 3 + r.corner, triangles[r.triangle].vertex[r.corner]);
            if (blocks[b].followed)
                for (int32_t v : outcomes[b].vertices) undo->vertices.emplace_back(v, vertices[v]);
        }
        parallelFor(int(outcomes.size()), [&](int begin, int end) {
            for (int b = begin; b < end; ++b)
                if (!blocks[size_t(b)].followed) undo->killed[size_t(b)] = outcomes[size_t(b)].vertices;
        }, 2);
        undo->deleted.resize(blocks.size());
        undo->flags.resize(blocks.size());
        for (Block& b : blocks) undo->links.insert(undo->links.end(), b.cleared.begin(), b.cleared.end());
    }
    writeOutcomes(*this, outcomes);
    parallelFor(int(blocks.size()), [&](int begin, int end) {
        for (int b = begin; b < end; ++b) {
            if (undo) {
                undo->deleted[size_t(b)] = blocks[size_t(b)].doomed;
                if (!aliveBits)
                    for (int32_t t : blocks[size_t(b)].doomed) undo->flags[size_t(b)].push_back(triangles[t].flags);
            }
            for (int32_t t : blocks[size_t(b)].doomed)
                if (aliveBits)
                    __atomic_fetch_and(aliveBits + t / 64, ~(uint64_t(1) << (t % 64)), __ATOMIC_RELAXED);
                else
                    triangles[t].flags &= uint8_t(~TriangleAlive);
        }
    }, 2);
    if (deleted)
        for (const Block& b : blocks) deleted->insert(deleted->end(), b.doomed.begin(), b.doomed.end());
    purgeNeeded = true;
    return true;
}

void Mesh::undoDeletion(const DeletionUndo& undo) {
    for (size_t b = 0; b < undo.flags.size(); ++b)
        for (size_t i = 0; i < undo.flags[b].size(); ++i) triangles[undo.deleted[b][i]].flags = undo.flags[b][i];
    for (const auto& [at, before] : undo.corners) triangles[at / 3].vertex[at % 3] = before;
    for (const auto& [at, before] : undo.links) triangles[at / 3].neighbour[at % 3] = before;
    for (const auto& [v, before] : undo.vertices) vertices[v] = before;
    parallelFor(int(undo.killed.size()), [&](int begin, int end) {
        for (int b = begin; b < end; ++b)
            for (int32_t v : undo.killed[size_t(b)]) vertices[v].flags |= VertexAlive;
    }, 2);
    vertices.truncate(undo.vertexCount);
    purgeNeeded = undo.purgeNeeded;
}

} // namespace kal
