// Midpoint and centroid subdivision and the remeshing passes, all built from local splits,
// flips and collapses so the links stay true without a rebuild. The midpoint subdivision runs its
// splits and flips on slim copies of the triangles and writes the records after, in parallel; on
// a plain closed mesh its flips run in parallel too.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "mesh/Mesh.h"
#include "mesh/MeshEdits.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

// first() and second() at once when a worker is free, else one after the other.
template <class First, class Second>
void alongside(First&& first, Second&& second) {
    parallelFor(2, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) i == 0 ? first() : second();
    }, 2);
}

// Writes a byte into each page of records [begin, end) of a store, records not yet made.
template <class T>
void touchRecordPages(MeshStore<T>& store, int begin, int end) {
    constexpr int kStride = int(4096 / sizeof(T));
    static_assert(kStride > 0, "a record smaller than a page");
    parallelFor((end - begin + kStride - 1) / kStride, [&](int from, int to) {
        for (int i = from; i < to; ++i)
            *reinterpret_cast<volatile char*>(&store[begin + i * kStride]) = 0;
    }, 256);
}

// Moves every alive vertex below count halfway to its smoothing target, all targets taken first.
void smoothOldVertices(Mesh& m, int count) {
    std::vector<vec3> targets(static_cast<size_t>(count));
    // targets read positions only, so they may be taken in the cache-friendlier triangle order
    forEachVertexByTriangles(m.vertices, m.triangles, [&](int v) {
        if (v < count) targets[size_t(v)] = m.smoothTarget(v);
    });
    parallelFor(count, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            MeshVertex& vx = m.vertices[v];
            if (!vx.alive()) continue;
            vx.position = ((dvec3(vx.position) + dvec3(targets[size_t(v)])) * 0.5).toFloat();
        }
    });
}

double squaredLength(vec3 a, vec3 b) {
    dvec3 d = dvec3(a) - dvec3(b);
    return dot(d, d);
}

} // namespace

namespace {

// Splits every edge between two old vertices (index below oldCount) at its midpoint, and notes in
// flips, in order, each new edge between an old and a new vertex that crosses an old triangle:
// flipped in that order, they give every old triangle four. split(t, e, P, S) splits edge e of t
// and answers the new vertex with the corners facing the edge (S -1 when open). Triangle order
// decides every index and walk start, so both record kinds run this one loop.
template <class Tris, class Flips, class Split>
void splitOldEdges(const Tris& tris, int oldCount, Flips& flips, Split&& split) {
    using Tri = meshedit::RecordOf<Tris>;
    // the count grows while we walk: the new triangles hold halves of old edges still to split
    for (int t = 0; t < tris.size(); ++t) {
        if (!tris[t].alive()) continue;
        for (;;) {
            const Tri& T = tris[t];
            bool old0 = T.vertex[0] < oldCount, old1 = T.vertex[1] < oldCount, old2 = T.vertex[2] < oldCount;
            int e = old0 && old1 ? 2 : old1 && old2 ? 0 : old2 && old0 ? 1 : -1;
            if (e < 0) break;
            int P, S;
            int v = split(t, e, P, S);
            if (P < oldCount) flips.push({P, v});
            if (S >= 0 && S < oldCount) flips.push({S, v});
        }
    }
}

// Two indices of the bulk subdivision: an edge's ends, the corners a mix takes, a flip's ends.
struct IndexPair {
    int32_t a, b;
};

// Records in one flat array reserved up front and its pages touched in parallel blocks, so the
// serial split loop appends without a page fault every few records. Grows by copying when the
// guess falls short. Ordinary heap pages: the scratch of one subdivision is touched once, and a
// fresh huge-page region measured slower to fault in (a single thread lost half a second on a
// million triangles).
template <class T>
class FlatRecords {
    static_assert(std::is_trivially_copyable<T>::value, "flat records are copied as bytes");

public:
    explicit FlatRecords(int capacity) { reserve(std::max(capacity, 16)); }
    FlatRecords(const FlatRecords&) = delete;
    FlatRecords& operator=(const FlatRecords&) = delete;
    FlatRecords(FlatRecords&& other) noexcept : data(other.data), count(other.count), cap(other.cap) {
        other.data = nullptr;
        other.count = other.cap = 0;
    }
    ~FlatRecords() { release(data); }

    int size() const { return count; }
    T& operator[](int i) { return data[i]; }
    const T& operator[](int i) const { return data[i]; }
    int push(const T& r) {
        if (count == cap) reserve(2 * cap);
        std::memcpy(static_cast<void*>(data + count), &r, sizeof(T));
        return count++;
    }
    // n slots left unwritten, for a caller that writes every one before anything reads them
    void growUnwritten(int n) {
        if (count + n > cap) reserve(count + n);
        count += n;
    }

private:
    static void release(T* p) { ::operator delete(static_cast<void*>(p)); }
    void reserve(int n) {
        size_t bytes = sizeof(T) * size_t(n);
        T* fresh = static_cast<T*>(::operator new(bytes));
        char* bytesAt = reinterpret_cast<char*>(fresh);
        constexpr size_t kPage = 4096;
        parallelFor(int(bytes / kPage), [&](int begin, int end) {
            for (int i = begin; i < end; ++i) bytesAt[size_t(i) * kPage] = 0;
        }, 256);
        if (count > 0) std::memcpy(static_cast<void*>(fresh), data, sizeof(T) * size_t(count));
        release(data);
        data = fresh;
        cap = n;
    }

    T* data = nullptr;
    int count = 0, cap = 0;
};

// Marks a corner slot written through a copy, which clamps the stored material.
constexpr int32_t kCopiedCorner = int32_t(1) << 30;

// A triangle of the bulk subdivision: the mesh triangle's corners, links and flags, a third of its
// size, so the splits' and flips' walks stay in cache. A corner slot names its material's source:
// below the mixBase of the run, the mesh's corner 3t + c before the subdivision; from it on, a
// mixed corner. fresh: made by a split or flip, so its normals start at zero.
struct SlimTriangle {
    int32_t vertex[3];
    int32_t neighbour[3];
    int32_t corner[3];
    uint8_t flags;
    uint8_t fresh;

    SlimTriangle() = default;
    SlimTriangle(int32_t a, int32_t b, int32_t c, int32_t na, int32_t nb, int32_t nc, bool mark0, bool mark1,
                 bool mark2, int32_t m0, int32_t m1, int32_t m2)
        : vertex{a, b, c}, neighbour{na, nb, nc}, corner{m0 | kCopiedCorner, m1 | kCopiedCorner, m2 | kCopiedCorner},
          flags(uint8_t(TriangleAlive | (mark0 ? 1 : 0) | (mark1 ? 2 : 0) | (mark2 ? 4 : 0))), fresh(1) {}

    bool alive() const { return flags & TriangleAlive; }
    bool marked(int edge) const { return flags & (1 << edge); }
    int cornerOf(int32_t v) const { return vertex[0] == v ? 0 : vertex[1] == v ? 1 : vertex[2] == v ? 2 : -1; }
    int slotOf(int32_t t) const {
        return neighbour[0] == t ? 0 : neighbour[1] == t ? 1 : neighbour[2] == t ? 2 : -1;
    }
};

// The vertices during the bulk splits and flips: the mesh's own below oldCount, the new ones in
// a flat array, appended to the mesh once they are all made.
struct SplitVertices {
    MeshStore<MeshVertex>& old;
    int oldCount;
    FlatRecords<MeshVertex> added;

    MeshVertex& operator[](int i) { return i < oldCount ? old[i] : added[i - oldCount]; }
    const MeshVertex& operator[](int i) const { return i < oldCount ? old[i] : added[i - oldCount]; }
    int push(const MeshVertex& v) { return oldCount + added.push(v); }
};

// The split rule of the slim records: new vertices and mixed corners are noted, and computed
// once all splits are done.
struct SlimRule {
    SplitVertices& vertices;
    int32_t mixBase;
    FlatRecords<IndexPair> ends;   // per new vertex, the edge's ends
    FlatRecords<IndexPair> mixes;  // per mixed corner, the corners at the ends

    int vertex(int Q, int R) {
        ends.push({Q, R});
        return vertices.push(MeshVertex(vec3(), -1, -1, VertexAlive));
    }
    bool nested = false;           // a mixed corner named another
    int32_t mix(int32_t atQ, int32_t atR) {
        nested |= (atQ & ~kCopiedCorner) >= mixBase || (atR & ~kCopiedCorner) >= mixBase;
        return mixBase + mixes.push({atQ, atR});
    }
    static void copyCorner(int32_t& dst, int32_t src) { dst = src | kCopiedCorner; }
    static void inherit(SlimTriangle&, const SlimTriangle&) {}
};

// n atomic indices, each -1 to begin with.
class UnsetIndices {
public:
    explicit UnsetIndices(int n) : count(std::max(n, 1)) {
        at = static_cast<std::atomic<int32_t>*>(::operator new(sizeof(std::atomic<int32_t>) * size_t(count)));
        parallelFor(count, [&](int begin, int end) {
            for (int i = begin; i < end; ++i) new (&at[i]) std::atomic<int32_t>(-1);
        });
    }
    UnsetIndices(const UnsetIndices&) = delete;
    UnsetIndices& operator=(const UnsetIndices&) = delete;
    ~UnsetIndices() { ::operator delete(static_cast<void*>(at)); }
    std::atomic<int32_t>& operator[](size_t i) { return at[i]; }

private:
    int count;
    std::atomic<int32_t>* at = nullptr;
};

// Sets an unset index; false when it was set already.
bool claim(std::atomic<int32_t>& at, int32_t value) {
    int32_t unset = -1;
    return at.compare_exchange_strong(unset, value, std::memory_order_relaxed);
}

// Whether the flips after the splits may all run at once, given that no vertex is a seam, open or
// pinned. They may when every one of the first count triangles is alive, unmarked, has three
// distinct corners and is linked both ways to three distinct neighbours wound against it, none of
// which holds its third corner too; and each alive vertex's ring walk from its start (starts, -1
// for a dead vertex) comes round through every triangle naming it. Then each old triangle gets
// exactly one flip, between two records cut from it alone; the walk of the flip finds its edge; no
// flip meets an edge already there; and no ring update changes a thing.
bool flipsStayApart(const MeshStore<MeshTriangle>& tris, int count, const FlatRecords<int32_t>& starts) {
    const int nv = starts.size();
    std::atomic<bool> plain{true};
    parallelFor(count, [&](int begin, int end) {
        for (int t = begin; t < end; ++t) {
            const MeshTriangle& T = tris[t];
            bool ok = T.alive() && !(T.flags & EdgeMarks);
            for (int e = 0; e < 3 && ok; ++e) {
                int32_t P = T.vertex[e], Q = T.vertex[next3(e)], R = T.vertex[prev3(e)], n = T.neighbour[e];
                ok = P >= 0 && P < nv && P != Q && n >= 0 && n < count && n != t && n != T.neighbour[next3(e)];
                if (!ok) break;
                const MeshTriangle& N = tris[n];
                int f = N.slotOf(t);
                ok = f >= 0 && N.vertex[next3(f)] == R && N.vertex[prev3(f)] == Q && N.vertex[f] != P;
            }
            if (!ok) {
                plain.store(false, std::memory_order_relaxed);
                return;
            }
        }
    });
    if (!plain) return false;
    std::atomic<int64_t> reached{0};
    parallelFor(nv, [&](int begin, int end) {
        int64_t here = 0;
        for (int v = begin; v < end; ++v) {
            if (starts[v] < 0) continue;
            // the store already holds the unwritten records to come: a start must lie before them
            int last, lastCorner;
            auto pass = [&](int, int) { ++here; };
            bool round = starts[v] < count &&
                         walkRing(tris, v, starts[v], count + 1, last, lastCorner, pass) == RingEnd::Closed;
            if (!round) {
                plain.store(false, std::memory_order_relaxed);
                return;
            }
        }
        reached.fetch_add(here, std::memory_order_relaxed);
    });
    // a ring walk passes only triangles naming its vertex, each once: all are passed when the
    // walks together pass three per triangle
    return plain && reached == 3 * int64_t(count);
}

// The recorded flips of a mesh that passed flipsStayApart, all at once: each rewrites the two
// records of its old triangle that hold its edge, the links into the records are mended after,
// and each vertex takes the walk start its last flip gives it. False, with nothing changed, when
// some flip's edge or records are not found alone.
bool flipApart(FlatRecords<SlimTriangle>& slim, SplitVertices& verts, const FlatRecords<IndexPair>& flips) {
    const int nt = slim.size(), nf = flips.size(), oldVertices = verts.oldCount, added = verts.added.size();
    UnsetIndices firstFlip(added);
    std::atomic<bool> apart{true};
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t v = flips[i].b - oldVertices;
            if (v < 0 || v >= added)
                apart.store(false, std::memory_order_relaxed);
            else if (i == 0 || flips[i - 1].b != flips[i].b)
                firstFlip[size_t(v)].store(i, std::memory_order_relaxed);
        }
    });
    if (!apart) return false;
    // each flip's record: the one running from its old end to its new one
    UnsetIndices found(nf);
    parallelFor(nt, [&](int begin, int end) {
        for (int r = begin; r < end; ++r) {
            const SlimTriangle& R = slim[r];
            for (int c = 0; c < 3; ++c) {
                int32_t a = R.vertex[c], b = R.vertex[next3(c)];
                if (a >= oldVertices || b < oldVertices) continue;
                for (int i = firstFlip[size_t(b - oldVertices)].load(std::memory_order_relaxed);
                     i >= 0 && i < nf && flips[i].b == b; ++i)
                    if (flips[i].a == a && !claim(found[size_t(i)], r)) apart.store(false, std::memory_order_relaxed);
            }
        }
    });
    // each flip's pair of records, found and owned alone
    UnsetIndices owner(nt);
    FlatRecords<IndexPair> pairs(nf);
    pairs.growUnwritten(nf);
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int t = found[size_t(i)].load(std::memory_order_relaxed);
            bool ok = t >= 0;
            if (ok) {
                const SlimTriangle& T = slim[t];
                int e = 3 - T.cornerOf(flips[i].a) - T.cornerOf(flips[i].b);
                int n = T.neighbour[e];
                ok = !meshedit::hardOrOpen(T, e) && n < nt && n != t;
                if (ok) {
                    const SlimTriangle& N = slim[n];
                    int m = N.slotOf(t);
                    ok = m >= 0 && T.vertex[e] != N.vertex[m] && T.vertex[next3(e)] == flips[i].a &&
                         N.vertex[next3(m)] == flips[i].b && claim(owner[size_t(t)], i) && claim(owner[size_t(n)], i);
                    pairs[i] = {t, n};
                }
            }
            if (!ok) apart.store(false, std::memory_order_relaxed);
        }
    });
    if (!apart) return false;
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int t = pairs[i].a, n = pairs[i].b;
            const SlimTriangle T = slim[t], N = slim[n];
            int e = 3 - T.cornerOf(flips[i].a) - T.cornerOf(flips[i].b);
            meshedit::flippedPair(T, N, t, n, e, N.slotOf(t), slim[t], slim[n]);
        }
    });
    // links: a record's neighbour that gave the shared edge to the other record of its pair
    // hands it on; then the unflipped record across each edge of a pair links to its holder
    auto holdsTwin = [&](const SlimTriangle& O, const SlimTriangle& R, int e) {
        int c = O.cornerOf(R.vertex[prev3(e)]);
        return c >= 0 && O.vertex[next3(c)] == R.vertex[next3(e)] ? prev3(c) : -1;
    };
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            for (int32_t r : {pairs[i].a, pairs[i].b}) {
                SlimTriangle& R = slim[r];
                for (int e = 0; e < 3; ++e) {
                    int32_t o = R.neighbour[e];
                    if (o < 0 || holdsTwin(slim[o], R, e) >= 0) continue;
                    int j = owner[size_t(o)].load(std::memory_order_relaxed);
                    if (j >= 0) R.neighbour[e] = pairs[j].a == o ? pairs[j].b : pairs[j].a;
                }
            }
        }
    });
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            for (int32_t r : {pairs[i].a, pairs[i].b}) {
                const SlimTriangle& R = slim[r];
                for (int e = 0; e < 3; ++e) {
                    int32_t o = R.neighbour[e];
                    if (o < 0 || owner[size_t(o)].load(std::memory_order_relaxed) >= 0) continue;
                    int twin = holdsTwin(slim[o], R, e);
                    if (twin >= 0) slim[o].neighbour[twin] = r;
                }
            }
        }
    });
    // walk starts: a flip leaves its old end on the first record and its new end on the second;
    // the last flip to name a vertex decides
    UnsetIndices lastFlip(oldVertices);
    parallelFor(nf, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            std::atomic<int32_t>& at = lastFlip[size_t(flips[i].a)];
            int32_t seen = at.load(std::memory_order_relaxed);
            while (seen < i && !at.compare_exchange_weak(seen, i, std::memory_order_relaxed)) {
            }
            if (i + 1 == nf || flips[i + 1].b != flips[i].b) verts[flips[i].b].firstTriangle = pairs[i].b;
        }
    });
    parallelFor(oldVertices, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            int i = lastFlip[size_t(v)].load(std::memory_order_relaxed);
            if (i >= 0) verts[v].firstTriangle = pairs[i].a;
        }
    });
    return true;
}

// Writes the slim records' results into the mesh: the new vertices at their midpoints, then
// every triangle record with its materials resolved, and its face normal when faceNormals (the
// vertices are where they stay). Each record is computed from the records before the
// subdivision alone, so the passes run in parallel blocks.
void writeSlimRecords(Mesh& m, const SplitVertices& split, const FlatRecords<SlimTriangle>& slim,
                      const SlimRule& rule, const FlatRecords<pbr>& before, bool faceNormals) {
    int oldVertices = split.oldCount;
    m.vertices.growUnwritten(split.added.size());
    parallelFor(split.added.size(), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const IndexPair& qr = rule.ends[i];
            dvec3 q(m.vertices[qr.a].position), r(m.vertices[qr.b].position);
            MeshVertex v = split.added[i];
            v.position = ((q + r) * 0.5).toFloat();
            new (&m.vertices[oldVertices + i]) MeshVertex(v);
        }
    });
    int oldTriangles = rule.mixBase / 3;
    // a mixed corner lies between corners at old vertices, which only ever hold old materials, and
    // is made where it is read; should one name another mixed corner, all are made first, in
    // creation order, which puts the one named first
    const bool nested = rule.nested;
    // a copy clamps the signed channels, which mostly lie in range already
    auto asWritten = [](int32_t slot, const pbr& p) -> pbr {
        bool inRange = p.roughness >= -kPbrSignedLimit && p.roughness <= kPbrSignedLimit &&
                       p.metalness >= -kPbrSignedLimit && p.metalness <= kPbrSignedLimit;
        if (!(slot & kCopiedCorner) || inRange) return p;
        pbr copy;
        pbrCopyMasked(copy, p, kPbrAll);
        return copy;
    };
    auto oldMaterial = [&](int32_t slot) { return asWritten(slot, before[slot & ~kCopiedCorner]); };
    std::vector<pbr> mixed;
    auto material = [&](int32_t slot) -> pbr {
        int32_t source = slot & ~kCopiedCorner;
        if (source < rule.mixBase) return oldMaterial(slot);
        int i = source - rule.mixBase;
        if (nested) return asWritten(slot, mixed[size_t(i)]);
        return asWritten(slot, pbrMean(oldMaterial(rule.mixes[i].a), oldMaterial(rule.mixes[i].b)));
    };
    if (nested) {
        mixed.resize(size_t(rule.mixes.size()));
        for (int i = 0; i < rule.mixes.size(); ++i)
            mixed[size_t(i)] = pbrMean(material(rule.mixes[i].a), material(rule.mixes[i].b));
    }
    parallelFor(slim.size(), [&](int begin, int end) {
        for (int t = begin; t < end; ++t) {
            const SlimTriangle& s = slim[t];
            MeshTriangle& r = m.triangles[t];
            // made whole here and stored once: most records are new, their memory untouched
            MeshTriangle out;
            if (t < oldTriangles && !s.fresh) {
                out.faceNormal = r.faceNormal;
                for (int c = 0; c < 3; ++c) out.cornerNormal[c] = r.cornerNormal[c];
            }
            for (int c = 0; c < 3; ++c) {
                out.vertex[c] = s.vertex[c];
                out.neighbour[c] = s.neighbour[c];
                out.corner[c] = material(s.corner[c]);
            }
            out.flags = s.flags;
            new (&r) MeshTriangle(out);
            if (faceNormals && r.alive()) m.updateFaceNormal(t);
        }
    });
}

// What both subdivisions do once the records are split and flipped (facesDone: with their face
// normals).
void finishSubdivision(Mesh& m, int oldVertices, bool smooth, bool facesDone) {
    if (smooth) smoothOldVertices(m, oldVertices);
    m.updateNormals(facesDone ? 1 : 2);
    m.geometryChanged = true;
    for (bool& p : m.partChanged) p = true;
}

// The splits and flips on slim copies of the triangles, then the records written from them.
void splitAndFlipInBulk(Mesh& m, bool smooth) {
    MeshStore<MeshTriangle>& triangles = m.triangles;
    MeshStore<MeshVertex>& vertices = m.vertices;
    int oldVertices = vertices.size(), oldTriangles = triangles.size();
    // a closed mesh ends with four triangles per old one
    FlatRecords<SlimTriangle> slim(4 * oldTriangles + 16);
    slim.growUnwritten(oldTriangles);
    FlatRecords<pbr> before(3 * oldTriangles);
    before.growUnwritten(3 * oldTriangles);
    parallelFor(oldTriangles, [&](int begin, int end) {
        for (int t = begin; t < end; ++t) {
            const MeshTriangle& r = triangles[t];
            SlimTriangle& s = slim[t];
            for (int c = 0; c < 3; ++c) {
                s.vertex[c] = r.vertex[c];
                s.neighbour[c] = r.neighbour[c];
                s.corner[c] = 3 * t + c;
                before[3 * t + c] = r.corner[c];
            }
            s.flags = r.flags;
            s.fresh = 0;
        }
    });
    // a closed mesh gets one vertex per edge, two mixed corners per split and a flip per old triangle
    SplitVertices split{vertices, oldVertices, FlatRecords<MeshVertex>(oldTriangles * 3 / 2)};
    SlimRule rule{split, 3 * oldTriangles, FlatRecords<IndexPair>(oldTriangles * 3 / 2),
                  FlatRecords<IndexPair>(oldTriangles * 3)};
    FlatRecords<IndexPair> flips(oldTriangles);
    // the flips run apart unless a seam, open or pinned vertex needs its ring settled flip by flip
    std::atomic<bool> apart{true};
    // the alive vertices' walk starts, before the splits move them
    FlatRecords<int32_t> starts(oldVertices);
    starts.growUnwritten(oldVertices);
    parallelFor(oldVertices, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            const MeshVertex& vx = vertices[v];
            starts[v] = vx.alive() ? vx.firstTriangle : -1;
            if (vx.alive() && (vx.flags & (VertexSeam | VertexOpen | VertexPinned)))
                apart.store(false, std::memory_order_relaxed);
        }
    });
    // the splits run on one core; meanwhile the others touch the pages of the triangle records to
    // come, so that the record pass does not stop at a page fault every 30 records, and look
    // whether the flips may run apart
    int guess = 3 * oldTriangles;
    triangles.growUnwritten(guess);
    alongside(
        [&] {
            splitOldEdges(slim, oldVertices, flips, [&](int t, int e, int& P, int& S) {
                return meshedit::splitEdge(slim, split, t, e, rule, P, S);
            });
        },
        [&] {
            touchRecordPages(triangles, oldTriangles, oldTriangles + guess);
            if (apart) apart = flipsStayApart(triangles, oldTriangles, starts);
        });
    if (!apart || !flipApart(slim, split, flips)) {
        for (int i = 0; i < flips.size(); ++i) {
            int t, e;
            if (meshedit::findEdge(slim, split, flips[i].a, flips[i].b, t, e)) meshedit::flipEdge(slim, split, t, e);
        }
    }
    int made = slim.size() - oldTriangles;
    if (made < guess)
        triangles.truncate(oldTriangles + made);
    else
        triangles.growUnwritten(made - guess);
    // smoothing moves the old vertices after: the face normals wait for it
    writeSlimRecords(m, split, slim, rule, before, !smooth);
}

} // namespace

bool Mesh::subdivide(bool smooth) {
    // the slim corner slots number every old corner and up to six mixed ones per old triangle
    // below kCopiedCorner; a store too large for that goes one split at a time
    if (triangles.size() >= kCopiedCorner / 9) {
        meshedit::subdivideSplitBySplit(*this, smooth);
        return true;
    }
    int oldVertices = vertices.size();
    splitAndFlipInBulk(*this, smooth);
    finishSubdivision(*this, oldVertices, smooth, !smooth);
    return true;
}

void meshedit::subdivideSplitBySplit(Mesh& m, bool smooth) {
    int oldVertices = m.vertices.size();
    FlatRecords<IndexPair> flips(m.triangles.size());
    splitOldEdges(m.triangles, oldVertices, flips,
                  [&](int t, int e, int& P, int& S) { return m.splitEdgeMidpoint(t, e, P, S); });
    for (int i = 0; i < flips.size(); ++i) m.flipEdgeBetween(flips[i].a, flips[i].b);
    finishSubdivision(m, oldVertices, smooth, false);
}

void Mesh::subdivideCentroid() {
    int oldVertices = vertices.size(), oldTriangles = triangles.size();
    for (int t = 0; t < oldTriangles; ++t)
        if (triangles[t].alive()) insertCentroid(t);
    // pairs first: each flip changes the rings the search walks
    std::vector<std::pair<int32_t, int32_t>> pairs;
    std::vector<int32_t> ring;
    for (int i = 0; i < oldVertices; ++i) {
        if (!vertices[i].alive() || vertices[i].firstTriangle < 0) continue;
        vertexNeighbours(i, ring);
        for (int32_t j : ring)
            if (j > i && j < oldVertices) pairs.emplace_back(i, j);
    }
    for (const auto& p : pairs) flipEdgeBetween(p.first, p.second);
    smoothOldVertices(*this, oldVertices);
    updateNormals(2);
    releaseGpu();
}

void Mesh::refineTriangles(int passes, float ratio) {
    double ratio2 = double(ratio) * ratio;
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            const MeshTriangle& T = triangles[t];
            if (!T.alive()) continue;
            vec3 p[3];
            for (int c = 0; c < 3; ++c) p[c] = vertices[T.vertex[c]].position;
            double len2[3];
            for (int i = 0; i < 3; ++i) len2[i] = squaredLength(p[next3(i)], p[prev3(i)]);
            // a collapsed triangle has no angles to judge
            if (!(len2[0] > 1e-20 && len2[1] > 1e-20 && len2[2] > 1e-20)) continue;
            int widest = 0;
            double widestCos = 2.0;
            for (int c = 0; c < 3; ++c) {
                dvec3 u = dvec3(p[next3(c)]) - dvec3(p[c]), w = dvec3(p[prev3(c)]) - dvec3(p[c]);
                double cosine = dot(u, w) / std::sqrt(dot(u, u) * dot(w, w));
                if (cosine < widestCos) {
                    widestCos = cosine;
                    widest = c;
                }
            }
            if (widestCos < -0.5) {
                splitEdgeMidpoint(t, widest);
                continue;
            }
            int longest = 0, shortest = 0;
            for (int i = 1; i < 3; ++i) {
                if (len2[i] > len2[longest]) longest = i;
                if (len2[i] < len2[shortest]) shortest = i;
            }
            if (len2[longest] > ratio2 * len2[shortest]) splitEdgeMidpoint(t, longest);
        }
    }
}

void Mesh::collapseShortEdges(int passes, float ratio) {
    double ratio2 = double(ratio) * ratio;
    std::vector<int32_t> ring;
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            if (!triangles[t].alive()) continue;
            for (int k = 0; k < 3; ++k) {
                const MeshTriangle& T = triangles[t];
                if (T.neighbour[k] <= t) continue;
                int A = T.vertex[next3(k)], B = T.vertex[prev3(k)];
                vec3 a = vertices[A].position, b = vertices[B].position;
                double nearest = -1;
                for (int end : {A, B}) {
                    int other = end == A ? B : A;
                    vertexNeighbours(end, ring);
                    for (int32_t u : ring) {
                        if (u == other) continue;
                        double d = squaredLength(vertices[end].position, vertices[u].position);
                        if (nearest < 0 || d < nearest) nearest = d;
                    }
                }
                if (nearest > ratio2 * squaredLength(a, b) && collapseEdge(t, k)) break;
            }
        }
        purgeDeleted(false);
    }
}

void Mesh::remesh(int passes) {
    for (int i = 0; i < passes; ++i) {
        refineTriangles(1, 3.0f);
        relaxTangential(true);
        flipEdges(1);
        collapseShortEdges(1, 3.0f);
        flipEdges(1);
        relaxTangential(true);
    }
}

void Mesh::remeshPass(int passes) {
    for (int pass = 0; pass < passes; ++pass) {
        int count = triangles.size();
        for (int t = 0; t < count; ++t) {
            const MeshTriangle& T = triangles[t];
            if (!T.alive()) continue;
            double len2[3];
            for (int i = 0; i < 3; ++i)
                len2[i] = squaredLength(vertices[T.vertex[next3(i)]].position, vertices[T.vertex[prev3(i)]].position);
            int longest = 0, shortest = 0;
            for (int i = 1; i < 3; ++i) {
                if (len2[i] > len2[longest]) longest = i;
                if (len2[i] < len2[shortest]) shortest = i;
            }
            if (T.marked(longest) || T.neighbour[longest] < 0) continue;
            if (len2[longest] > 9.0 * len2[shortest]) splitEdgeMidpoint(t, longest);
        }
        relax(true, true);
        // the flip pass's own angle test decides: the larger angle facing the edge shrinks
        flipEdges(1);
        relax(false, true);
    }
}

} // namespace kal
