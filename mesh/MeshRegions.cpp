// Components (triangles joined by shared edges) and patches (joined by unmarked shared edges):
// their flood fills, the brush gatherings that stay inside one region, and the pass that gives
// every component one winding. Each fill expands a triangle once, so it is linear in the region.
#include <cmath>
#include <cstdlib>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

constexpr uint8_t kTaken = TriangleSelected | TriangleVisited;

// FIFO queue over a flat vector; pushes never move what was popped.
struct TriangleQueue {
    std::vector<int32_t> items;
    size_t head = 0;
    void push(int32_t t) { items.push_back(t); }
    bool empty() const { return head == items.size(); }
    int32_t pop() { return items[head++]; }
};

} // namespace

void Mesh::selectComponent(const vec3& point, bool clear, int& triangle) {
    if (triangle < 0) triangle = closestTriangle(point);
    if (triangle < 0) return;
    if (clear) clearSelection();
    TriangleQueue queue;
    queue.push(triangle);
    while (!queue.empty()) {
        int32_t t = queue.pop();
        MeshTriangle& tri = triangles[t];
        if (tri.flags & kTaken) continue;
        tri.flags = uint8_t((tri.flags & ~kTaken) | TriangleSelected);
        selectedTriangles.push_back(t);
        for (int k = 0; k < 3; ++k)
            if (tri.neighbour[k] >= 0 && tri.neighbour[k] < triangles.size()) queue.push(tri.neighbour[k]);
    }
}

bool Mesh::selectPatch(const vec3& point, bool clear, int& triangle, std::vector<int32_t>* borders) {
    if (triangle < 0) triangle = closestTriangle(point);
    if (triangle < 0) return false;
    if (clear) clearSelection();
    // Breadth first, each triangle marked when first reached: the selection list is the queue, in
    // the order a fill that marks on leaving the queue would list them, with one record visit per
    // triangle listed (a patch may hold most of a large mesh).
    MeshTriangle& seed = triangles[triangle];
    if (seed.flags & kTaken) return false;
    seed.flags |= TriangleSelected;
    size_t head = selectedTriangles.size();
    selectedTriangles.push_back(triangle);
    const int count = triangles.size();
    bool touchesOpen = false, bordersAllOpen = true;
    // the queue ahead is known: its records are fetched early, and so are the flags of the
    // neighbours of those a little nearer
    constexpr size_t kAhead = 48, kNear = 16;
    while (head < selectedTriangles.size()) {
        if (head + kAhead < selectedTriangles.size()) __builtin_prefetch(&triangles[selectedTriangles[head + kAhead]]);
        if (head + kNear < selectedTriangles.size()) {
            const MeshTriangle& near = triangles[selectedTriangles[head + kNear]];
            for (int32_t n : near.neighbour)
                if (n >= 0 && n < count) __builtin_prefetch(&triangles[n].flags);
        }
        const int32_t t = selectedTriangles[head++];
        const MeshTriangle& tri = triangles[t];
        bool border = false;
        for (int k = 0; k < 3; ++k) {
            int32_t n = tri.neighbour[k];
            if (n < 0 || n >= count) {
                touchesOpen = border = true;
            } else if (tri.marked(k) && !strokeCache.alongDrawnLine(tri.vertex[next3(k)], tri.vertex[prev3(k)])) {
                bordersAllOpen = false;
                border = true;
            } else if (!(triangles[n].flags & kTaken)) {
                triangles[n].flags |= TriangleSelected;
                selectedTriangles.push_back(n);
            }
        }
        if (border && borders) borders->push_back(t);
    }
    return touchesOpen && bordersAllOpen;
}

namespace {

// The shared part of both gatherings: the queue, the visit mark and the sphere test.
// record(vertex, t, offset, weight, poppedTriangle) answers whether it changed anything.
template <class Record>
void gatherRegion(Mesh& m, const vec3& centre, float radius, int triangle, bool acrossMarks, Record&& record) {
    double r2 = double(radius) * radius;
    std::vector<int32_t> visited;
    TriangleQueue queue;
    queue.push(triangle);
    while (!queue.empty()) {
        int32_t t = queue.pop();
        MeshTriangle& tri = m.triangles[t];
        bool changed = false;
        if (!(tri.flags & TriangleProcessed)) {
            tri.flags |= TriangleProcessed;
            visited.push_back(t);
            changed = true;
        }
        if (!(tri.flags & TriangleSelected)) {
            tri.flags = uint8_t((tri.flags & ~kTaken) | TriangleSelected);
            m.selectedTriangles.push_back(t);
        }
        for (int c = 0; c < 3; ++c) {
            int32_t v = tri.vertex[c];
            vec3 d = m.vertices[v].position - centre;
            if (std::fabs(d.x) > radius || std::fabs(d.y) > radius || std::fabs(d.z) > radius) continue;
            double d2 = d.lengthSquared();
            if (d2 > r2) continue;
            float weight = float(std::sqrt(d2 / r2));
            if (record(v, d, weight, t)) changed = true;
        }
        if (!changed) continue;
        const MeshTriangle& cur = m.triangles[t];
        for (int k = 0; k < 3; ++k) {
            if (cur.neighbour[k] < 0 || cur.neighbour[k] >= m.triangles.size()) continue;
            if (!acrossMarks && cur.marked(k)) continue;
            queue.push(cur.neighbour[k]);
        }
    }
    for (int32_t t : visited) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
}

} // namespace

void Mesh::gatherComponentBrushVertices(const vec3& centre, float radius, bool clear, int triangle) {
    if (triangle < 0) triangle = closestTriangle(centre);
    if (triangle < 0) return;
    if (clear) clearSelection();
    brushVertices.clear();
    gatherRegion(*this, centre, radius, triangle, true, [&](int32_t v, vec3 d, float weight, int32_t) {
        MeshVertex& vx = vertices[v];
        if (!(vx.flags & VertexSelected)) {
            brushVertices.push_back(BrushVertex{v, weight, d});
            vx.flags |= VertexSelected;
            vx.link = int32_t(selectedVertices.size());
            selectedVertices.push_back(v);
            return true;
        }
        // the brush list runs parallel to the selection only when the gathering started it
        if (vx.link >= 0 && size_t(vx.link) < brushVertices.size() && weight < brushVertices[vx.link].weight) {
            brushVertices[vx.link].weight = weight;
            return true;
        }
        return false;
    });
}

void Mesh::gatherPatchBrushVertices(const vec3& centre, float radius, bool clear, int triangle) {
    if (triangle < 0) triangle = closestTriangle(centre);
    if (triangle < 0) return;
    if (clear) clearSelection();
    patchRecords.clear();
    patchFirstRecords.assign(selectedVertices.size(), -1);
    gatherRegion(*this, centre, radius, triangle, false, [&](int32_t v, vec3, float weight, int32_t t) {
        MeshVertex& vx = vertices[v];
        int32_t fan = fanStart(v, t);
        if (!(vx.flags & VertexSelected)) {
            vx.flags |= VertexSelected;
            vx.link = int32_t(selectedVertices.size());
            selectedVertices.push_back(v);
            patchFirstRecords.push_back(int32_t(patchRecords.size()));
            patchRecords.push_back(PatchBrushRecord{v, fan, -1, weight});
            return true;
        }
        if (vx.link < 0 || size_t(vx.link) >= patchFirstRecords.size()) return false;
        int32_t r = patchFirstRecords[vx.link];
        int32_t lastRecord = -1;
        for (size_t guard = 0; r >= 0 && guard <= patchRecords.size(); ++guard) {
            PatchBrushRecord& rec = patchRecords[size_t(r)];
            if (rec.fanTriangle == fan) {
                if (weight < rec.weight) {
                    rec.weight = weight;
                    return true;
                }
                return false;
            }
            lastRecord = r;
            r = rec.next;
        }
        int32_t added = int32_t(patchRecords.size());
        patchRecords.push_back(PatchBrushRecord{v, fan, -1, weight});
        if (lastRecord >= 0)
            patchRecords[size_t(lastRecord)].next = added;
        else
            patchFirstRecords[vx.link] = added;
        return true;
    });
}

void Mesh::orientComponents() {
    // The fill reads a flat copy of the corners, links and flags: one streaming sweep over the
    // (large) records instead of two cache lines fetched at random per triangle reached.
    int nt = triangles.size();
    if (nt == 0) return;
    std::vector<int32_t> corners(size_t(nt) * 3), links(size_t(nt) * 3);
    std::vector<uint8_t> flags(static_cast<size_t>(nt));
    for (int t = 0; t < nt; ++t) {
        const MeshTriangle& tri = triangles[t];
        for (int k = 0; k < 3; ++k) {
            corners[3 * size_t(t) + size_t(k)] = tri.vertex[k];
            links[3 * size_t(t) + size_t(k)] = tri.neighbour[k];
        }
        flags[size_t(t)] = tri.flags;
    }
    orientComponentsFrom(*this, corners.data(), links.data(), flags.data());
}

namespace meshwalk {

void reverseTriangle(MeshTriangle& tri) {
    std::swap(tri.vertex[0], tri.vertex[2]);
    std::swap(tri.neighbour[0], tri.neighbour[2]);
    uint8_t f = tri.flags;
    tri.flags = uint8_t((f & ~0x05) | ((f & 0x01) << 2) | ((f & 0x04) >> 2));
    pbr c0 = tri.corner[0], c2 = tri.corner[2];
    pbrCopyMasked(tri.corner[0], c2, kPbrAll);
    pbrCopyMasked(tri.corner[2], c0, kPbrAll);
}

void orientComponentsFrom(Mesh& m, const int32_t* corners, const int32_t* links, const uint8_t* flags) {
    // The fill keeps its marks in a byte per triangle rather than in the records: a consistent
    // mesh then needs no write to any record, and no extra sweep to clear marks. A Visited flag
    // already on a record still keeps that triangle out of every fill, and every record the fill
    // reaches ends with the flags the marking-in-place would have left.
    int nt = m.triangles.size();
    enum : uint8_t { Reached = 1, Flip = 2, HadTaken = 4, Dead = 8 };
    std::vector<uint8_t> state(size_t(nt), 0);
    TriangleQueue queue;
    queue.items.reserve(size_t(nt)); // one component may hold every triangle
    for (int seed = 0; seed < nt; ++seed) {
        if (state[size_t(seed)]) continue;
        uint8_t f = flags[seed];
        if (!(f & TriangleAlive)) continue;
        if (f & TriangleVisited) {
            // kept out of the fills; only its selection marks are dropped
            m.triangles[seed].flags &= uint8_t(~kTaken);
            continue;
        }
        state[size_t(seed)] = uint8_t(Reached | ((f & kTaken) ? HadTaken : 0));
        queue.items.clear();
        queue.head = 0;
        queue.push(seed);
        int reversed = 0;
        while (!queue.empty()) {
            int32_t t = queue.pop();
            const int32_t* T = corners + 3 * size_t(t);
            bool tReversed = state[size_t(t)] & Flip;
            for (int k = 0; k < 3; ++k) {
                int32_t n = links[3 * size_t(t) + size_t(k)];
                if (n < 0 || n >= nt || state[size_t(n)]) continue;
                uint8_t nf = flags[n];
                if (nf & TriangleVisited) continue;
                uint8_t mark = uint8_t(Reached | ((nf & kTaken) ? HadTaken : 0) | ((nf & TriangleAlive) ? 0 : Dead));
                int32_t a = T[next3(k)], b = T[prev3(k)];
                const int32_t* N = corners + 3 * size_t(n);
                int i = N[0] == a ? 0 : N[1] == a ? 1 : N[2] == a ? 2 : -1;
                bool sameWay = i >= 0 && N[next3(i)] == b;
                if (tReversed != sameWay) {
                    mark |= Flip;
                    ++reversed;
                }
                state[size_t(n)] = mark;
                queue.push(n);
            }
        }
        bool flipSeedSide = reversed > int(queue.items.size()) - reversed;
        for (int32_t t : queue.items) {
            uint8_t mark = state[size_t(t)];
            bool flip = bool(mark & Flip) != flipSeedSide;
            if (!flip && !(mark & (HadTaken | Dead))) continue;
            MeshTriangle& tri = m.triangles[t];
            if (mark & Dead) {
                // reached through a stale link: it keeps the fill's marks, as it is never cleared
                tri.flags = uint8_t((tri.flags & ~kTaken) | TriangleVisited | ((mark & Flip) ? TriangleSelected : 0));
            } else if (mark & HadTaken) {
                tri.flags &= uint8_t(~kTaken);
            }
            if (flip) reverseTriangle(tri);
        }
    }
}

} // namespace meshwalk

} // namespace kal
