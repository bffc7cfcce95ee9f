// Smoothing and relaxation targets, corner material smoothing, sphere projection.
// Targets are computed from the current positions before any vertex moves, so a pass does not
// depend on vertex order; non-finite neighbours are left out so one bad vertex cannot spread.
#include <atomic>
#include <cmath>
#include <cstring>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

namespace {

// What the smoothing targets need of a ring: the mean of the finite ring vertices and the
// first two vertices across marked or open edges.
struct RingSummary {
    dvec3 sum;
    int finite = 0;
    int seamEdges = 0;
    int seam[2] = {-1, -1};
};

RingSummary summariseRing(const Mesh& m, int v, int limit) {
    RingSummary r;
    auto addNeighbour = [&](int u, bool seamEdge) {
        if (seamEdge) {
            if (r.seamEdges < 2) r.seam[r.seamEdges] = u;
            ++r.seamEdges;
        }
        vec3 q = m.vertices[u].position;
        if (!isFinite(q)) return;
        r.sum = r.sum + dvec3(q);
        ++r.finite;
    };
    int last, lastCorner;
    RingEnd end = walkRing(m.triangles, v, m.vertices[v].firstTriangle, limit, last, lastCorner, [&](int t, int c) {
        const MeshTriangle& tri = m.triangles[t];
        int fwd = prev3(c);
        addNeighbour(tri.vertex[next3(c)], tri.marked(fwd) || tri.neighbour[fwd] < 0);
    });
    if (end == RingEnd::Open) addNeighbour(m.triangles[last].vertex[prev3(lastCorner)], true);
    return r;
}

vec3 midpoint(vec3 a, vec3 b) { return ((dvec3(a) + dvec3(b)) * 0.5).toFloat(); }

} // namespace

vec3 Mesh::smoothTarget(int v) const {
    const MeshVertex& vx = vertices[v];
    if (vx.pinned()) return vx.position;
    RingSummary r = summariseRing(*this, v, walkLimit());
    if (vx.seam() && r.seamEdges > 2) return vx.position;
    if (vx.seam() && r.seamEdges == 2) {
        vec3 target = midpoint(vertices[r.seam[0]].position, vertices[r.seam[1]].position);
        return isFinite(target) ? target : vx.position;
    }
    if (r.finite == 0) return vx.position;
    return (r.sum / double(r.finite)).toFloat();
}

vec3 Mesh::relaxTarget(int v) const {
    const MeshVertex& vx = vertices[v];
    vec3 p = vx.position;
    if (vx.pinned()) return p;
    int limit = walkLimit();
    RingSummary r = summariseRing(*this, v, limit);
    if (vx.seam() && r.seamEdges > 2) return p;
    if (vx.seam() && r.seamEdges == 2) {
        vec3 s0 = vertices[r.seam[0]].position, s1 = vertices[r.seam[1]].position;
        vec3 d = midpoint(s0, s1) - p;
        vec3 u = normalize(s0 - s1);
        vec3 target = p + u * (dot(d, u) * 0.5f);
        return isFinite(target) ? target : p;
    }
    if (r.finite == 0) return p;
    dvec3 mean = r.sum / double(r.finite);
    vec3 M = mean.toFloat();
    // normal of the ring: sum of the normalised crosses of consecutive offsets from the mean
    vec3 normalSum, first, previous;
    bool havePrevious = false;
    auto addRingVertex = [&](int u) {
        vec3 q = vertices[u].position;
        if (!isFinite(q)) return;
        vec3 e = q - M;
        if (havePrevious)
            normalSum += normalize(cross(e, previous));
        else
            first = e;
        previous = e;
        havePrevious = true;
    };
    int last, lastCorner;
    RingEnd end = walkRing(triangles, v, vx.firstTriangle, limit, last, lastCorner,
                           [&](int t, int c) { addRingVertex(triangles[t].vertex[next3(c)]); });
    if (end == RingEnd::Open) addRingVertex(triangles[last].vertex[prev3(lastCorner)]);
    if (havePrevious) normalSum += normalize(cross(first, previous));
    vec3 N = normalize(normalSum);
    vec3 d = M - p;
    vec3 target = p + (d - N * dot(d, N)) * 0.5f;
    return isFinite(target) ? target : p;
}

namespace {

// Moves each vertex flagged in moves to the midpoint of its position and its target.
void moveHalfway(Mesh& m, const std::vector<vec3>& targets, const std::vector<uint8_t>& moves) {
    parallelFor(int(moves.size()), [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            if (!moves[size_t(v)]) continue;
            vec3 next = midpoint(m.vertices[v].position, targets[size_t(v)]);
            if (isFinite(next)) m.vertices[v].position = next;
        }
    });
}

// Moves every taking-part vertex to the midpoint of its position and its target; targets first.
template <class Target>
void relaxPass(Mesh& m, bool seamsToo, Target&& target) {
    int n = m.vertices.size();
    std::vector<vec3> targets(static_cast<size_t>(n));
    std::vector<uint8_t> moves(size_t(n), 0);
    parallelFor(n, [&](int begin, int end) {
        for (int v = begin; v < end; ++v) {
            const MeshVertex& vx = m.vertices[v];
            if (!vx.alive() || (vx.seam() && !seamsToo)) continue;
            targets[size_t(v)] = target(v);
            moves[size_t(v)] = 1;
        }
    });
    moveHalfway(m, targets, moves);
}

} // namespace

void Mesh::relaxTangential(bool seamsToo) {
    relaxPass(*this, seamsToo, [this](int v) { return relaxTarget(v); });
    updateNormals(NormalUpdate::All);
}

vec3 Mesh::vertexDirection(int v, int t) const {
    const MeshVertex& vx = vertices[v];
    vec3 p = vx.position;
    if (!vx.seam()) return (relaxTarget(v) - p) * 0.5f;
    int a = seamNeighbourAfter(v, t), b = seamNeighbourBefore(v, t);
    if (a < 0 || b < 0) return vec3();
    if (a == b) return normalize(p - vertices[a].position);
    vec3 d1 = vertices[a].position - p, d2 = vertices[b].position - p;
    int c = triangles[t].cornerOf(v);
    vec3 n = c >= 0 ? triangles[t].cornerNormal[c] : triangles[t].faceNormal;
    if (dot(d1, d2) <= 0) return normalize(normalize(cross(d2, n)) + normalize(cross(n, d1)));
    vec3 w = normalize(normalize(d1) + normalize(d2));
    return dot(cross(d2, d1), n) < 0 ? -w : w;
}

namespace {

// Corner materials as ten plain integer channels: the same truncating means and clamps as
// pbrAccumulator and pbrCopyMasked, but inlined, since a smoothing pass runs them per corner.
struct Channels {
    int64_t c[10];
};

inline Channels channelsOf(const pbr& p) {
    return {{p.red, p.green, p.blue, p.opacity, p.lightRed, p.lightGreen, p.lightBlue, p.refractivity, p.roughness,
             p.metalness}};
}

inline uint16_t narrowUnsigned(int64_t v) { return uint16_t(v < 0 ? 0 : v > 65535 ? 65535 : v); }
inline int16_t narrowSigned(int64_t v) {
    return int16_t(v < -kPbrSignedLimit ? -kPbrSignedLimit : v > kPbrSignedLimit ? kPbrSignedLimit : v);
}

inline bool sameMaterial(const pbr& a, const pbr& b) { return std::memcmp(&a, &b, sizeof(pbr)) == 0; }

// pbrCopyMasked(dst, toPbr(src), mask) in one step. An unchanged material is not written back:
// on a mesh of one material a smoothing pass then only reads its corners.
inline void storeMasked(pbr& dst, const Channels& src, uint8_t mask) {
    const int64_t* c = src.c;
    pbr out = dst;
    if (mask & kPbrColor) {
        out.red = narrowUnsigned(c[0]);
        out.green = narrowUnsigned(c[1]);
        out.blue = narrowUnsigned(c[2]);
    }
    if (mask & kPbrOpacity) out.opacity = narrowUnsigned(c[3]);
    if (mask & kPbrLight) {
        out.lightRed = narrowUnsigned(c[4]);
        out.lightGreen = narrowUnsigned(c[5]);
        out.lightBlue = narrowUnsigned(c[6]);
    }
    if (mask & kPbrRefractivity) out.refractivity = narrowUnsigned(c[7]);
    if (mask & kPbrRoughness) out.roughness = narrowSigned(c[8]);
    if (mask & kPbrMetalness) out.metalness = narrowSigned(c[9]);
    if (!sameMaterial(out, dst)) dst = out;
}

void blendCorners(MeshTriangle& tri, uint8_t mask) {
    // one material on all three corners is its own mean: only the clamps remain
    if (sameMaterial(tri.corner[0], tri.corner[1]) && sameMaterial(tri.corner[0], tri.corner[2])) {
        Channels same = channelsOf(tri.corner[0]);
        for (pbr& corner : tri.corner) storeMasked(corner, same, mask);
        return;
    }
    Channels a = channelsOf(tri.corner[0]), b = channelsOf(tri.corner[1]), c = channelsOf(tri.corner[2]);
    Channels mean;
    for (int i = 0; i < 10; ++i) mean.c[i] = (a.c[i] + b.c[i] + c.c[i]) / 3;
    const Channels* own[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        Channels blend;
        for (int i = 0; i < 10; ++i) blend.c[i] = (own[k]->c[i] + mean.c[i]) / 2;
        storeMasked(tri.corner[k], blend, mask);
    }
}

// Per fan of v, the mean of v's corner materials in the fan goes to each of them; group is scratch.
void averageFanMaterials(Mesh& m, int v, uint8_t mask, std::vector<int32_t>& group) {
    walkFans(m.triangles, v, m.vertices[v].firstTriangle, m.triangles.size() + 1, group,
             [&](const std::vector<int32_t>& g) {
                 const pbr& first = m.triangles[g[0]].corner[g[1]];
                 bool uniform = true;
                 for (size_t i = 2; i < g.size() && uniform; i += 2)
                     uniform = sameMaterial(first, m.triangles[g[i]].corner[g[i + 1]]);
                 Channels mean = channelsOf(first);
                 if (!uniform) {
                     for (size_t i = 2; i < g.size(); i += 2) {
                         Channels c = channelsOf(m.triangles[g[i]].corner[g[i + 1]]);
                         for (int k = 0; k < 10; ++k) mean.c[k] += c.c[k];
                     }
                     int64_t count = int64_t(g.size() / 2);
                     for (int64_t& value : mean.c) value /= count;
                 }
                 for (size_t i = 0; i < g.size(); i += 2) storeMasked(m.triangles[g[i]].corner[g[i + 1]], mean, mask);
             });
}

} // namespace

void Mesh::blendTriangleMaterials(int t, uint8_t mask) { blendCorners(triangles[t], mask); }

void Mesh::averageVertexMaterials(int v, uint8_t mask) {
    std::vector<int32_t> group;
    averageFanMaterials(*this, v, mask, group);
}

namespace {

// Whether every corner of every triangle record (dead ones too: a walk over stale links may reach
// them) holds one material already inside the stored ranges. Smoothing then changes nothing, as
// every mean is that material and every clamp keeps it, so it can be skipped; an unpainted
// mesh is the common case. The check reads nearly every byte of the triangle records, so a pass
// that sweeps them anyway checks each triangle on its way and asks found() after.
class MaterialCheck {
public:
    explicit MaterialCheck(const Mesh& m) : m(m) {
        if (m.triangles.size() == 0) return;
        first = m.triangles[0].corner[0];
        auto inRange = [](int16_t v) { return v >= -kPbrSignedLimit && v <= kPbrSignedLimit; };
        if (!inRange(first.roughness) || !inRange(first.metalness)) mixed = true;
    }
    void check(int t) {
        if (mixed.load(std::memory_order_relaxed)) return;
        for (const pbr& corner : m.triangles[t].corner)
            if (!sameMaterial(corner, first)) mixed.store(true, std::memory_order_relaxed);
    }
    bool found() const { return mixed.load(); }

private:
    const Mesh& m;
    pbr first;
    std::atomic<bool> mixed{false};
};

bool oneStoredMaterial(const Mesh& m) {
    MaterialCheck check(m);
    parallelFor(m.triangles.size(), [&](int begin, int end) {
        for (int t = begin; t < end; ++t) check.check(t);
    });
    return !check.found();
}

// One pass of material smoothing: a triangle's blend touches its own corners, a vertex's means
// only the corners it sits at.
void materialPass(Mesh& m, uint8_t mask) {
    parallelFor(m.triangles.size(), [&](int begin, int end) {
        for (int t = begin; t < end; ++t)
            if (m.triangles[t].alive()) blendCorners(m.triangles[t], mask);
    });
    parallelFor(m.vertices.size(), [&](int begin, int end) {
        std::vector<int32_t> group;
        for (int v = begin; v < end; ++v)
            if (m.vertices[v].alive()) averageFanMaterials(m, v, mask, group);
    });
}

} // namespace

void Mesh::smoothMaterials(uint8_t mask, int passes) {
    if (passes <= 0 || oneStoredMaterial(*this)) return;
    for (int pass = 0; pass < passes; ++pass) materialPass(*this, mask);
}

void Mesh::smooth(int count) {
    // every alive vertex moves all the way to its target; targets come from the positions
    // before the pass, so the result does not depend on vertex order
    std::vector<vec3> targets(static_cast<size_t>(vertices.size()));
    std::vector<uint8_t> moves;
    for (int pass = 0; pass < count; ++pass) {
        moves.assign(size_t(vertices.size()), 0);
        forEachVertexByTriangles(vertices, triangles, [&](int v) {
            targets[size_t(v)] = smoothTarget(v);
            moves[size_t(v)] = 1;
        });
        parallelFor(vertices.size(), [&](int begin, int end) {
            for (int v = begin; v < end; ++v)
                if (moves[size_t(v)] && isFinite(targets[size_t(v)])) vertices[v].position = targets[size_t(v)];
        });
    }
}

void Mesh::relax(bool seamsToo, bool withNormals) {
    // Targets read only positions and the material means only materials, so the material pass may
    // come after the move; the target sweep, which reads every triangle record anyway, tells
    // whether the mesh holds more than one material.
    int n = vertices.size();
    std::vector<vec3> targets(static_cast<size_t>(n));
    std::vector<uint8_t> moves(size_t(n), 0);
    MaterialCheck materials(*this);
    forEachVertexByCorners<NoScratch>(
        vertices, triangles.size(),
        [&](int t) -> const int32_t* {
            materials.check(t);
            return triangles[t].alive() ? triangles[t].vertex : nullptr;
        },
        [&](int v, NoScratch&) {
            if (vertices[v].seam() && !seamsToo) return;
            targets[size_t(v)] = smoothTarget(v);
            moves[size_t(v)] = 1;
        });
    moveHalfway(*this, targets, moves);
    if (materials.found()) materialPass(*this, kPbrAll);
    if (withNormals) updateNormals(NormalUpdate::All);
}

void Mesh::projectToSphere() {
    dvec3 centre(translation);
    double radius = 0.5 * double(scale);
    parallelFor(vertices.size(), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            dvec3 d = dvec3(vertices[i].position) - centre;
            dvec3 p = dot(d, d) > kNullLengthSquared ? centre + normalize(d) * radius : centre + d * radius;
            vertices[i].position = p.toFloat();
        }
    });
    updateNormals(NormalUpdate::All);
}

Mesh* Mesh::subdivided(Mesh* source, int levels, bool keepSeams, bool subdivideFlag) {
    if (!source) return nullptr;
    Mesh* copy = static_cast<Mesh*>(source->clone());
    for (int i = 0; i < levels; ++i) {
        copy->subdivide(subdivideFlag);
        copy->projectToSphere();
    }
    if (!keepSeams) copy->clearAllSeams();
    return copy;
}

} // namespace kal
