// Compaction of dead records: the last live record moves into the first hole, so at most one
// record moves per hole, and every reference is renamed through the moves' table in parallel
// passes over the records.
#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>
#include <cstdint>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "foundation/LargeMemory.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// Records are counted in chunks of a store block.
constexpr int kChunk = 4096;

// Arrays kept from one purge to the next on this thread: written whole before they are read,
// they cost no clearing and, once grown, no fresh pages.
template <class T>
T* scratch(LargeVector<T>& kept, size_t n) {
    if (kept.size() < n) kept.resize(n);
    return kept.data();
}

// The moves of one compaction: the k-th hole from the front below the live count takes the k-th
// live record from the back (count of them, in to and from).
struct Moves {
    int live = 0, count = 0;
    int32_t *to = nullptr, *from = nullptr;
    // one bit a record, set for the alive ones
    uint64_t* bits = nullptr;
    bool alive(int i) const { return (bits[size_t(i / 64)] >> (i % 64)) & 1; }
    // per chunk the largest vertex and triangle index its alive records name: a chunk naming
    // nothing at or past the live counts has nothing to rename
    std::vector<std::pair<int32_t, int32_t>> reach;
    bool names(int first, int liveV, int liveT) const {
        const auto& r = reach[size_t(first / kChunk)];
        return r.first >= liveV || r.second >= liveT;
    }
};

// The largest vertex and triangle index a record names.
inline std::pair<int32_t, int32_t> reachOf(const MeshTriangle& t) {
    return {std::max({t.vertex[0], t.vertex[1], t.vertex[2]}),
            std::max({t.neighbour[0], t.neighbour[1], t.neighbour[2]})};
}
inline std::pair<int32_t, int32_t> reachOf(const MeshVertex& v) { return {-1, v.firstTriangle}; }
struct MovesScratch {
    LargeVector<int32_t> to, from, table;
    LargeVector<uint64_t> bits;
};

// The alive flags are read once, into one bit a record; the second pass reads the bits. A chunk
// with a record that names a dead record (deadRef) is renamed whatever its reach.
template <class Store, class DeadRef>
Moves planMoves(const Store& store, MovesScratch& kept, DeadRef deadRef) {
    const int n = store.size(), chunks = (n + kChunk - 1) / kChunk;
    constexpr int kWords = kChunk / 64;
    Moves moves;
    uint64_t* bits = moves.bits = scratch(kept.bits, size_t(chunks) * kWords);
    std::vector<int32_t> alive(size_t(chunks), 0);
    moves.reach.assign(size_t(chunks), {-1, -1});
    parallelForChunks(n, kChunk, [&](int k, int first, int end) {
        uint64_t* word = bits + size_t(first / 64);
        std::fill(word, word + kWords, 0);
        int count = 0;
        std::pair<int32_t, int32_t> reach{-1, -1};
        for (int i = first; i < end; ++i)
            if (store[i].alive()) {
                word[(i - first) / 64] |= uint64_t(1) << ((i - first) % 64);
                ++count;
                const std::pair<int32_t, int32_t> r = reachOf(store[i]);
                reach = {std::max(reach.first, r.first), std::max(reach.second, r.second)};
                if (deadRef(store[i])) reach.second = std::numeric_limits<int32_t>::max();
            }
        alive[size_t(k)] = count;
        moves.reach[size_t(k)] = reach;
    });
    auto isAlive = [&](int i) { return moves.alive(i); };
    for (int32_t a : alive) moves.live += a;
    const int live = moves.live;
    // per chunk its holes below the live count and its live records at or past it; the one chunk
    // the count cuts is counted here
    std::vector<int32_t> holes(size_t(chunks), 0), lives(size_t(chunks), 0);
    for (int k = 0; k < chunks; ++k) {
        int first = k * kChunk, end = std::min(n, first + kChunk);
        if (end <= live) {
            holes[size_t(k)] = (end - first) - alive[size_t(k)];
        } else if (first >= live) {
            lives[size_t(k)] = alive[size_t(k)];
        } else {
            for (int i = first; i < end; ++i) {
                bool a = isAlive(i);
                if (i < live)
                    holes[size_t(k)] += a ? 0 : 1;
                else
                    lives[size_t(k)] += a ? 1 : 0;
            }
        }
    }
    std::vector<int32_t> holesBefore(size_t(chunks) + 1, 0), livesAfter(size_t(chunks) + 1, 0);
    for (int k = 0; k < chunks; ++k) holesBefore[size_t(k) + 1] = holesBefore[size_t(k)] + holes[size_t(k)];
    for (int k = chunks - 1; k >= 0; --k) livesAfter[size_t(k)] = livesAfter[size_t(k) + 1] + lives[size_t(k)];
    const int count = moves.count = holesBefore[size_t(chunks)];
    moves.to = scratch(kept.to, size_t(count));
    moves.from = scratch(kept.from, size_t(count));
    parallelForChunks(n, kChunk, [&](int chunk, int first, int end) {
        const size_t k = size_t(chunk);
        if (holes[k] > 0) {
            int32_t next = holesBefore[k];
            for (int i = first; i < std::min(end, live); ++i)
                if (!isAlive(i)) moves.to[size_t(next++)] = i;
        }
        if (lives[k] > 0) {
            // from the back: the chunk's last live record has the rank of the lives after the chunk
            int32_t next = livesAfter[k + 1];
            for (int i = end - 1; i >= std::max(first, live); --i)
                if (isAlive(i)) moves.from[size_t(next++)] = i;
        }
    });
    return moves;
}

// Where each record at or past the live count goes (-1 for a dead one), for size records.
struct Table {
    const int32_t* to;
    int live, size;
};
Table movesTable(const Moves& moves, int size, MovesScratch& kept) {
    int32_t* table = scratch(kept.table, size_t(std::max(0, size - moves.live)));
    parallelForChunks(size - moves.live, kChunk,
                      [&](int, int first, int end) { std::fill(table + first, table + end, -1); });
    // each record moves once, so the entries are written by one block each
    parallelForChunks(moves.count, kChunk, [&](int, int first, int end) {
        for (int k = first; k < end; ++k) table[size_t(moves.from[k] - moves.live)] = moves.to[k];
    });
    return Table{table, moves.live, size};
}

// Writes a moved record past the caches: the hole it fills is not read first.
template <class Record>
inline void storeStreaming(Record& to, const Record& from) {
#if defined(__SSE2__) && defined(__x86_64__)
    static_assert(sizeof(Record) % 8 == 0, "records are written in 8-byte words");
    if ((reinterpret_cast<uintptr_t>(&to) & 7) == 0) {
        long long words[sizeof(Record) / 8];
        std::memcpy(words, &from, sizeof(Record));
        long long* out = reinterpret_cast<long long*>(&to);
        for (size_t i = 0; i < sizeof(Record) / 8; ++i) _mm_stream_si64(out + i, words[i]);
    } else {
        to = from;
    }
#else
    to = from;
#endif
}

// The new index of a reference through a table of moves; references to records that stay, or
// to dead ones, are kept.
inline int32_t renamed(int32_t i, const Table& table) {
    if (i < table.live || i >= table.size) return i;
    int32_t to = table.to[i - table.live];
    return to >= 0 ? to : i;
}

} // namespace

void Mesh::purgeDeleted(bool force) {
    if (!purgeNeeded && !force) return;
    thread_local MovesScratch keptV, keptT;
    const int nv = vertices.size(), nt = triangles.size();
    const Moves triangleMoves = planMoves(triangles, keptT, [](const MeshTriangle&) { return false; });
    // a walk start on a dead triangle would name whatever moves into its place, or freed memory
    auto deadStart = [&](const MeshVertex& v) {
        const int32_t f = v.firstTriangle;
        return f >= 0 && (f >= nt || !triangleMoves.alive(f));
    };
    const Moves vertexMoves = planMoves(vertices, keptV, deadStart);
    std::atomic<bool> restart{false};
    const Table vertexTable = movesTable(vertexMoves, nv, keptV);
    const Table triangleTable = movesTable(triangleMoves, nt, keptT);
    const int liveV = vertexMoves.live, liveT = triangleMoves.live;
    // written only when renamed: most records that stay name nothing that moved, and are only read
    auto rename = [](int32_t& i, const Table& table) {
        const int32_t to = renamed(i, table);
        if (to != i) i = to;
    };
    auto renameTriangle = [&](MeshTriangle& tri) {
        for (int32_t& v : tri.vertex) rename(v, vertexTable);
        for (int32_t& n : tri.neighbour) rename(n, triangleTable);
    };
    auto renameVertex = [&](MeshVertex& v) {
        if (deadStart(v)) {
            v.firstTriangle = -1;
            restart.store(true, std::memory_order_relaxed);
            return;
        }
        rename(v.firstTriangle, triangleTable);
    };
    // the records that stay first, then the moves into the holes (which those passes skip)
    // the bits tell the alive records without reading them
    parallelForChunks(liveT, kChunk, [&](int, int first, int end) {
        if (!triangleMoves.names(first, liveV, liveT)) return;
        for (int t = first; t < end; ++t)
            if (triangleMoves.alive(t)) renameTriangle(triangles[t]);
    });
    parallelForChunks(nt - liveT, kChunk, [&](int, int first, int end) {
        for (int t = liveT + first; t < liveT + end; ++t) {
            int32_t to = triangleTable.to[t - liveT];
            if (to < 0) continue;
            MeshTriangle moved = triangles[t];
            renameTriangle(moved);
            storeStreaming(triangles[to], moved);
        }
#if defined(__SSE2__) && defined(__x86_64__)
        // the streamed stores are seen by every thread once the loop ends
        _mm_sfence();
#endif
    });
    parallelForChunks(liveV, kChunk, [&](int, int first, int end) {
        if (!vertexMoves.names(first, liveV, liveT)) return;
        for (int v = first; v < end; ++v)
            if (vertexMoves.alive(v)) renameVertex(vertices[v]);
    });
    parallelForChunks(nv - liveV, kChunk, [&](int, int first, int end) {
        for (int v = liveV + first; v < liveV + end; ++v) {
            int32_t to = vertexTable.to[v - liveV];
            if (to < 0) continue;
            MeshVertex moved = vertices[v];
            renameVertex(moved);
            // a selected vertex stays findable from the selection list
            if ((moved.flags & VertexSelected) && moved.link >= 0 && size_t(moved.link) < selectedVertices.size())
                selectedVertices[size_t(moved.link)] = to;
            vertices[to] = moved;
        }
    });
    vertices.truncate(liveV);
    triangles.truncate(liveT);
    if (restart) restartWalks();
    purgeNeeded = false;
    vertexCountMark = vertices.size();
    triangleCountMark = triangles.size();
}

void Mesh::restartWalks() {
    // a vertex still on triangles starts from one of them; one on none keeps no start
    std::vector<int32_t> restarted;
    for (int t = 0; t < triangles.size(); ++t)
        for (int32_t v : triangles[t].vertex)
            if (vertices[v].firstTriangle < 0) {
                vertices[v].firstTriangle = t;
                restarted.push_back(v);
            }
    for (int32_t v : restarted) updateVertexRing(v);
}

} // namespace kal
