#include "mesh/Mesh.h"
#include "foundation/Parallel.h"
#include "mesh/MeshWalk.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

namespace kal {

MeshTriangle::MeshTriangle(int32_t a, int32_t b, int32_t c, int32_t na, int32_t nb, int32_t nc, bool mark0, bool mark1,
                           bool mark2, const pbr& m0, const pbr& m1, const pbr& m2)
    : vertex{a, b, c}, neighbour{na, nb, nc} {
    pbrCopyMasked(corner[0], m0, kPbrAll);
    pbrCopyMasked(corner[1], m1, kPbrAll);
    pbrCopyMasked(corner[2], m2, kPbrAll);
    flags = uint8_t(TriangleAlive | (mark0 ? 1 : 0) | (mark1 ? 2 : 0) | (mark2 ? 4 : 0));
}

Mesh::Mesh() : Element(MeshType) { reset(); }

Mesh::Mesh(const Mesh& other) : Element(other) { copyFrom(other); }

Mesh& Mesh::operator=(const Mesh& other) {
    if (this == &other) return *this;
    Element::operator=(other);
    // this mesh keeps its own GPU buffers (if any) and refills them on the next upload
    uint32_t ownBuffer = glBuffer, ownFlat = flatBuffer;
    bool ownBound = bound;
    copyFrom(other);
    glBuffer = ownBuffer;
    flatBuffer = ownFlat;
    bound = ownBound;
    return *this;
}

void Mesh::copyFrom(const Mesh& other) {
    vertices = other.vertices;
    triangles = other.triangles;
    forgetGpu();
    for (int i = 0; i < 6; ++i) attributeOffset[i] = other.attributeOffset[i];
    vertexCountMark = other.vertexCountMark;
    triangleCountMark = other.triangleCountMark;
    tearTriangleMark = other.tearTriangleMark;
    brushVertices = other.brushVertices;
    patchRecords = other.patchRecords;
    patchFirstRecords = other.patchFirstRecords;
    selectedVertices = other.selectedVertices;
    selectedTriangles = other.selectedTriangles;
    dragOffsets = other.dragOffsets;
    purgeNeeded = other.purgeNeeded;
}

Mesh::~Mesh() {
    if (glBuffer != 0 || flatBuffer != 0) releaseGpu();
}

void Mesh::reset() {
    Element::reset();
    typeCode = MeshType;
    // a buffer still held here would be orphaned by the reset
    if (glBuffer != 0 || flatBuffer != 0) releaseGpu();
    // the selection names records: drop it before the stores go, then mark the empty counts
    clearSelection();
    vertices.clear();
    triangles.clear();
    vertexCountMark = 0;
    triangleCountMark = 0;
    forgetGpu();
    tearTriangleMark = 0;
    purgeNeeded = false;
}

Element* Mesh::acquire(int n) {
    useCount += n;
    return this;
}

Element* Mesh::clone() {
    Mesh* copy = new Mesh(*this);
    copy->useCount = 0;
    copy->glBuffer = 0;
    return copy;
}

int Mesh::addVertex(float x, float y, float z, int32_t firstTriangle, bool seam, bool pinned) {
    MeshVertex v(vec3(x, y, z), firstTriangle, -1, VertexAlive);
    v.setSeam(seam);
    if (pinned) {
        v.flags |= VertexPinned;
        v.setSeam(true);
    } else {
        v.flags &= uint8_t(~VertexPinned);
    }
    return vertices.push(v);
}

int Mesh::addVertex(vec3 p) { return vertices.push(MeshVertex(p, -1, -1, VertexAlive)); }

int Mesh::addVertex(vec3 p, bool pinned) { return addVertex(p.x, p.y, p.z, -1, pinned, pinned); }

int Mesh::pushVertex(const MeshVertex& v) { return vertices.push(v); }

namespace {

// A copy of vertex v for the second half of a split fan. It is not in the selection list, so it
// must not carry v's selection flag or link.
int32_t pushSplitCopy(Mesh& m, int32_t v) {
    MeshVertex copy = m.vertices[v];
    copy.flags &= uint8_t(~VertexSelected);
    copy.link = -1;
    return m.pushVertex(copy);
}

} // namespace

void Mesh::deleteTriangle(int t) { deleteTriangles({t}); }

namespace {

// A fan of a vertex that a deletion cut off from the fan the vertex keeps: the order-th such fan
// of vertex, in walk order; it moves to a copy of the vertex.
struct CutOffFan {
    int32_t vertex;
    int order;
    std::vector<int32_t> triangles;
};

// Each vertex that lost triangles is settled once, from its ring walk over the links as they were:
// its walk read from just after the first hole, the runs of alive triangles are its fans; it keeps
// the last one, and each earlier one moves to a copy of it.
void settleAfterDeletion(Mesh& m, int v, std::vector<int32_t>& ring, std::vector<CutOffFan>& cutOff) {
    const MeshStore<MeshTriangle>& triangles = m.triangles;
    ring.clear();
    int last, lastCorner;
    const meshwalk::RingEnd end = meshwalk::walkRing(triangles, v, m.vertices[v].firstTriangle, triangles.size() + 1,
                                                     last, lastCorner, [&](int t, int) { ring.push_back(t); });
    MeshVertex& vx = m.vertices[v];
    const int size = int(ring.size());
    int hole = 0;
    while (hole < size && triangles[ring[size_t(hole)]].alive()) ++hole;
    int alive = 0;
    for (int32_t t : ring) alive += triangles[t].alive() ? 1 : 0;
    if (alive == 0) {
        vx.flags &= uint8_t(~VertexAlive);
        return;
    }
    vx.flags |= VertexOpen;
    vx.setSeam(true);
    // only triangles its walk does not reach went
    if (hole == size) return;
    const int start = end == meshwalk::RingEnd::Closed ? hole + 1 : 0;
    std::vector<int32_t> fan;
    int fans = 0;
    for (int i = 0; i <= size; ++i) {
        const int32_t t = i < size ? ring[size_t((start + i) % size)] : -1;
        if (t >= 0 && triangles[t].alive()) {
            fan.push_back(t);
            continue;
        }
        if (fan.empty()) continue;
        vx.firstTriangle = fan[0];
        // a later fan follows: this one goes to a copy
        cutOff.push_back({v, fans++, fan});
        fan.clear();
    }
    // the last fan found stays
    cutOff.pop_back();
}

} // namespace

namespace {

// Whether this block is the first to reach a mark.
inline bool firstToReach(std::atomic<uint8_t>& mark) {
    return !mark.load(std::memory_order_relaxed) && !mark.exchange(1, std::memory_order_relaxed);
}

} // namespace

void Mesh::deleteTriangles(const std::vector<int32_t>& doomed) {
    const int nv = vertices.size(), nt = triangles.size();
    const int count = int(doomed.size());
    // Every listed triangle is dead, by the first entry naming it, before any vertex is settled:
    // each vertex is then settled once, for the whole list, while the links still join the dead
    // triangles to the others.
    std::unique_ptr<std::atomic<uint8_t>[]> reached(new std::atomic<uint8_t>[size_t(nt)]());
    std::vector<uint8_t> deletes(size_t(count), 0);
    std::atomic<bool> any{false};
    parallelFor(count, [&](int begin, int end) {
        bool found = false;
        for (int i = begin; i < end; ++i) {
            const int32_t t = doomed[size_t(i)];
            if (t < 0 || t >= nt || !firstToReach(reached[size_t(t)]) || !triangles[t].alive()) continue;
            triangles[t].flags &= uint8_t(~TriangleAlive);
            deletes[size_t(i)] = 1;
            found = true;
        }
        if (found) any.store(true, std::memory_order_relaxed);
    });
    if (!any) return;
    purgeNeeded = true;
    // the first block to reach a vertex settles it
    std::unique_ptr<std::atomic<uint8_t>[]> claimed(new std::atomic<uint8_t>[size_t(nv)]());
    std::vector<CutOffFan> cutOff;
    // (alive neighbour, dead triangle) pairs whose link goes
    std::vector<std::pair<int32_t, int32_t>> unlinks;
    std::mutex gather;
    parallelFor(count, [&](int begin, int end) {
        std::vector<int32_t> ring;
        std::vector<CutOffFan> fans;
        std::vector<std::pair<int32_t, int32_t>> links;
        for (int i = begin; i < end; ++i) {
            if (!deletes[size_t(i)]) continue;
            const int32_t t = doomed[size_t(i)];
            const MeshTriangle& tri = triangles[t];
            for (int32_t v : tri.vertex)
                if (v >= 0 && v < nv && firstToReach(claimed[size_t(v)])) settleAfterDeletion(*this, v, ring, fans);
            for (int32_t n : tri.neighbour)
                if (n >= 0 && n < nt && triangles[n].alive()) links.emplace_back(n, t);
        }
        std::lock_guard<std::mutex> lock(gather);
        std::move(fans.begin(), fans.end(), std::back_inserter(cutOff));
        unlinks.insert(unlinks.end(), links.begin(), links.end());
    });
    // the copies in vertex order, whichever block found them
    std::sort(cutOff.begin(), cutOff.end(), [](const CutOffFan& a, const CutOffFan& b) {
        return a.vertex != b.vertex ? a.vertex < b.vertex : a.order < b.order;
    });
    for (const CutOffFan& fan : cutOff) {
        const int32_t w = pushSplitCopy(*this, fan.vertex);
        vertices[w].firstTriangle = fan.triangles[0];
        for (int32_t f : fan.triangles) {
            MeshTriangle& tri = triangles[f];
            const int c = tri.cornerOf(fan.vertex);
            if (c >= 0) tri.vertex[c] = w;
        }
    }
    for (const auto& [n, t] : unlinks) {
        const int slot = triangles[n].slotOf(t);
        if (slot >= 0) triangles[n].neighbour[slot] = -1;
    }
}

void Mesh::splitPinchedVertices() {
    // A vertex is pinched only when its ring walk misses some of the triangles naming it;
    // counting first keeps the per-corner fan walks to those few vertices.
    int nv = vertices.size();
    int count = triangles.size();
    std::vector<int32_t> uses(size_t(nv), 0);
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = triangles[t];
        if (!tri.alive()) continue;
        for (int c = 0; c < 3; ++c)
            if (tri.vertex[c] >= 0 && tri.vertex[c] < nv) ++uses[size_t(tri.vertex[c])];
    }
    std::vector<uint8_t> suspect(size_t(nv), 0);
    bool any = false;
    for (int v = 0; v < nv; ++v) {
        if (uses[size_t(v)] == 0 || !vertices[v].alive()) continue;
        if (meshwalk::ringReach(triangles, v, vertices[v].firstTriangle, uses[size_t(v)] + 1) != uses[size_t(v)])
            suspect[size_t(v)] = 1, any = true;
    }
    if (any) meshwalk::splitSuspectVertices(*this, suspect);
}

namespace meshwalk {

void splitSuspectVertices(Mesh& m, const std::vector<uint8_t>& suspect) {
    int nv = int(suspect.size());
    int count = m.triangles.size();
    std::vector<int32_t> fan;
    // Corners already walked as part of some fan (bit c of a triangle): each fan of a suspect
    // vertex is walked once, from its first corner in record order, whether it is split or kept.
    std::vector<uint8_t> walked(size_t(count), 0);
    std::vector<int32_t> split;
    for (int t = 0; t < count; ++t) {
        if (!m.triangles[t].alive()) continue;
        for (int c = 0; c < 3; ++c) {
            int32_t v = m.triangles[t].vertex[c];
            if (v < 0 || v >= nv || !suspect[size_t(v)] || (walked[size_t(t)] & (1 << c))) continue;
            m.ringFromTriangle(v, t, fan);
            bool holdsStart = false;
            for (int32_t f : fan) {
                holdsStart |= f == m.vertices[v].firstTriangle;
                int cf = m.triangles[f].cornerOf(v);
                if (cf >= 0) walked[size_t(f)] |= uint8_t(1 << cf);
            }
            if (holdsStart || fan.empty()) continue;
            m.vertices[v].setPinned(true);
            int32_t w = pushSplitCopy(m, v);
            m.vertices[w].firstTriangle = fan[0];
            for (int32_t f : fan) {
                int cf = m.triangles[f].cornerOf(v);
                if (cf >= 0) m.triangles[f].vertex[cf] = w;
            }
            m.updateVertexRing(w);
            // the ring update unpins a closed fan without marks; both sides stay pinned
            m.vertices[w].setPinned(true);
            split.push_back(v);
        }
    }
    // v keeps the fans no split took: settled once, after its last split, not once per split
    for (int32_t v : split) {
        m.updateVertexRing(v);
        m.vertices[v].setPinned(true);
    }
}

} // namespace meshwalk

void Mesh::append(const Mesh* other) {
    if (!other) return;
    // copy first: other may be this mesh
    int nv = vertices.size(), nt = triangles.size();
    int ov = other->vertices.size(), ot = other->triangles.size();
    vertices.grow(ov);
    triangles.grow(ot);
    for (int i = 0; i < ov; ++i) {
        MeshVertex v = other->vertices[i];
        if (v.firstTriangle >= 0) v.firstTriangle += nt;
        vertices[nv + i] = v;
    }
    for (int j = 0; j < ot; ++j) {
        MeshTriangle t = other->triangles[j];
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] += nv;
            if (t.neighbour[k] >= 0) t.neighbour[k] += nt;
        }
        triangles[nt + j] = t;
    }
}

void Mesh::clearSelection() {
    for (int32_t v : selectedVertices) {
        vertices[v].flags &= uint8_t(~VertexSelected);
        vertices[v].link = -1;
    }
    for (int32_t t : selectedTriangles) triangles[t].flags &= uint8_t(~(TriangleSelected | TriangleVisited));
    selectedVertices.clear();
    selectedTriangles.clear();
    dragOffsets.clear();
    brushVertices.clear();
    patchRecords.clear();
    patchFirstRecords.clear();
    vertexCountMark = vertices.size();
    triangleCountMark = triangles.size();
}

void Mesh::selectAll() {
    clearSelection();
    int n = vertices.size();
    selectedVertices.resize(n);
    brushVertices.assign(n, BrushVertex());
    for (int i = 0; i < n; ++i) {
        selectedVertices[i] = i;
        brushVertices[i].vertex = i;
        vertices[i].link = i;
    }
}

void Mesh::selectAllWithTriangles() {
    selectAll();
    int n = triangles.size();
    selectedTriangles.resize(n);
    for (int i = 0; i < n; ++i) selectedTriangles[i] = i;
}

void Mesh::collectPositions(std::vector<vec3>& out) const {
    for (int i = 0; i < vertices.size(); ++i) out.push_back(vertices[i].position);
}

void Mesh::applyDrag() {
    size_t n = std::min(selectedVertices.size(), dragOffsets.size());
    if (strokeCache.holdDrag) {
        for (size_t k = 0; k < n; ++k) strokeCache.heldDrag.emplace_back(selectedVertices[k], dragOffsets[k]);
        return;
    }
    for (size_t k = 0; k < n; ++k) vertices[selectedVertices[k]].position += dragOffsets[k];
    if (!strokeCache.lent) return;
    // the gathering's run and span boxes only grow with the moved vertices
    auto grow = [](std::vector<vec3>& bounds, size_t box, const vec3& p) {
        if (2 * box + 1 >= bounds.size()) return;
        for (int i = 0; i < 3; ++i) {
            bounds[2 * box][i] = std::min(bounds[2 * box][i], p[i]);
            bounds[2 * box + 1][i] = std::max(bounds[2 * box + 1][i], p[i]);
        }
    };
    for (size_t k = 0; k < n; ++k) {
        const int32_t v = selectedVertices[k];
        const size_t run = size_t(v / MeshStrokeCache::kRun);
        grow(strokeCache.runBounds, run, vertices[v].position);
        grow(strokeCache.spanBounds, run / MeshStrokeCache::kSpan, vertices[v].position);
    }
}

void Mesh::volumeDeformOffset(vec3& out, vec3 d, float t, vec3 a, vec3 b, vec3 c, float r) {
    double td = t;
    float w = float(1.0 - (4.0 - 3.0 * td) * td * td * td);
    float k = float((td - td * td) * 12.0 / r / r);
    float ad = float(double(a.x) * d.x + double(a.y) * d.y + double(a.z) * d.z);
    float bd = float(double(b.x) * d.x + double(b.y) * d.y + double(b.z) * d.z);
    dvec3 bxd = cross(dvec3(b), dvec3(d)), dxa = cross(dvec3(d), dvec3(a));
    dvec3 sum = (bxd * double(ad) + dxa * double(bd)) * double(k) + dvec3(c) * double(w);
    out = (sum * double(w)).toFloat();
}

void transformMesh(Mesh& result, const Mesh& source, const mat4& m) {
    mat4 f = const_cast<Mesh&>(source).inverseTransform();
    f *= m;
    result = source;
    for (int i = 0; i < result.vertices.size(); ++i) {
        vec3 p = result.vertices[i].position;
        double w = double(f[12]) * p.x + double(f[13]) * p.y + double(f[14]) * p.z + f[15];
        vec3 q;
        for (int r = 0; r < 3; ++r)
            q[r] = float(
                (double(f[4 * r]) * p.x + double(f[4 * r + 1]) * p.y + double(f[4 * r + 2]) * p.z + f[4 * r + 3]) / w);
        result.vertices[i].position = q;
    }
    // a mirror would turn the copy inside out
    if (det(f.upper3()) < 0)
        for (int t = 0; t < result.triangles.size(); ++t) meshwalk::reverseTriangle(result.triangles[t]);
    result.translation = vec3();
    result.scale = 1.0f;
}

Mesh operator+(const Mesh& a, const Mesh& b) {
    Mesh result, other;
    transformMesh(result, a, mat4());
    transformMesh(other, b, mat4());
    result.append(&other);
    return result;
}

} // namespace kal
