// Midpoint and centroid subdivision and the remeshing passes, all built from local splits,
// flips and collapses so the links stay true without a rebuild. The midpoint subdivision runs its
// splits and flips on slim copies of the triangles and writes the records after, in parallel.
#include <algorithm>
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
    parallelFor(
        2,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) i == 0 ? first() : second();
        },
        2);
}

// Writes a byte into each page of records [begin, end) of a store, records not yet made.
template <class T>
void touchRecordPages(MeshStore<T>& store, int begin, int end) {
    constexpr int kStride = int(4096 / sizeof(T));
    static_assert(kStride > 0, "a record smaller than a page");
    parallelFor((end - begin + kStride - 1) / kStride,
                [&](int from, int to) {
                    for (int i = from; i < to; ++i) *reinterpret_cast<volatile char*>(&store[begin + i * kStride]) = 0;
                },
                256);
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
        parallelFor(
            int(bytes / kPage),
            [&](int begin, int end) {
                for (int i = begin; i < end; ++i) bytesAt[size_t(i) * kPage] = 0;
            },
            256);
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
    int slotOf(int32_t t) const { return neighbour[0] == t ? 0 : neighbour[1] == t ? 1 : neighbour[2] == t ? 2 : -1; }
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
    FlatRecords<IndexPair> ends;  // per new vertex, the edge's ends
    FlatRecords<IndexPair> mixes; // per mixed corner, the corners at the ends

    int vertex(int Q, int R) {
        ends.push({Q, R});
        return vertices.push(MeshVertex(vec3(), -1, -1, VertexAlive));
    }
    bool nested = false; // a mixed corner named another
    int32_t mix(int32_t atQ, int32_t atR) {
        nested |= (atQ & ~kCopiedCorner) >= mixBase || (atR & ~kCopiedCorner) >= mixBase;
        return mixBase + mixes.push({atQ, atR});
    }
    static void copyCorner(int32_t& dst, int32_t src) { dst = src | kCopiedCorner; }
    static void inherit(SlimTriangle&, const SlimTriangle&) {}
};

// Writes the slim records' results into the mesh: the new vertices at their midpoints, then
// every triangle record with its materials resolved, and its face normal when faceNormals (the
// vertices are where they stay). Each record is computed from the records before the
// subdivision alone, so the passes run in parallel blocks.
void writeSlimRecords(Mesh& m, const SplitVertices& split, const FlatRecords<SlimTriangle>& slim, const SlimRule& rule,
                      const FlatRecords<pbr>& before, bool faceNormals) {
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
    m.updateNormals(facesDone ? NormalUpdate::Corners : NormalUpdate::All);
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
    // the splits run on one core; meanwhile the others touch the pages of the triangle records to
    // come, so that the record pass does not stop at a page fault every 30 records
    int guess = 3 * oldTriangles;
    triangles.growUnwritten(guess);
    alongside(
        [&] {
            splitOldEdges(slim, oldVertices, flips, [&](int t, int e, int& P, int& S) {
                return meshedit::splitEdge(slim, split, t, e, rule, P, S);
            });
        },
        [&] { touchRecordPages(triangles, oldTriangles, oldTriangles + guess); });
    for (int i = 0; i < flips.size(); ++i) {
        int t, e;
        if (meshedit::findEdge(slim, split, flips[i].a, flips[i].b, t, e)) meshedit::flipEdge(slim, split, t, e);
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
    updateNormals(NormalUpdate::All);
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
