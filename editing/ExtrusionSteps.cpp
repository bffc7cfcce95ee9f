// The steps of an extrusion or tear stroke: the picked patch, or every patch seeded below the
// stroke's start count, pushed along its mean normal or scaled about its own pivot.
#include <algorithm>
#include <cmath>
#include <limits>

#include "editing/ExtrusionSteps.h"
#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// The selected patch's normal sum, its vertices collected into the brush list (each once) and
// their position sum and box; its triangles get the per-call mark.
struct PatchStats {
    vec3 normalSum;
    dvec3 positionSum;
    vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    vec3 hi = -lo;
    size_t first = 0, count = 0;

    explicit PatchStats(Mesh& m) {
        first = m.brushVertices.size();
        for (int32_t t : m.selectedTriangles) {
            m.triangles[t].flags |= TriangleProcessed;
            normalSum += m.triangles[t].faceNormal;
        }
        editing::collectRegionVertices(m, true);
        count = m.brushVertices.size() - first;
        for (size_t i = first; i < m.brushVertices.size(); ++i) {
            vec3 p = m.vertices[m.brushVertices[i].vertex].position;
            positionSum = positionSum + dvec3(p);
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    vec3 normal() const { return normalize(normalSum); }
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
    for (size_t i = patch.first; i < patch.first + patch.count; ++i) {
        MeshVertex& vx = m.vertices[m.brushVertices[i].vertex];
        vx.flags &= uint8_t(~VertexSelected);
        vx.link = -1;
        vx.position = move(vx.position);
    }
    m.selectedVertices.clear();
}

// Runs step(patch) on the picked patch, then on every other patch seeded below the start count.
template <class Step>
void forEachPatch(Mesh& m, const vec3& previous, int triangle, Step&& step) {
    m.selectPatch(previous, true, triangle);
    step(PatchStats(m), true);
    const int count = std::min(m.tearTriangleMark, m.triangleCount());
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive() || (tri.flags & TriangleProcessed)) continue;
        int seed = t;
        m.selectPatch(vec3(), true, seed);
        step(PatchStats(m), false);
    }
    m.clearSelection();
    for (int t = 0; t < count; ++t) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
}

} // namespace

namespace editing {

void pushStep(Mesh& m, const vec3& previous, const vec3& current, int triangle, bool all, bool keep) {
    MeshStrokeCache& cache = m.strokeCache;
    if (keep && cache.pushStarts.size() >= 2) {
        const float s = dot(current - previous, cache.pushNormals[0]);
        for (size_t i = 0; i + 1 < cache.pushStarts.size(); ++i) {
            const vec3 D = cache.pushNormals[i] * s;
            for (int32_t k = cache.pushStarts[i]; k < cache.pushStarts[i + 1]; ++k)
                m.vertices[cache.pushVertices[size_t(k)]].position += D;
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
        m.selectPatch(previous, true, triangle);
        PatchStats patch(m);
        for (int32_t t : m.selectedTriangles) m.triangles[t].flags &= uint8_t(~TriangleProcessed);
        const vec3 n = patch.normal();
        record(patch, n);
        m.translateBrushVertices(n * dot(current - previous, n));
        m.applyDrag();
        m.clearSelection();
        return;
    }
    float s = 0;
    forEachPatch(m, previous, triangle, [&](const PatchStats& patch, bool picked) {
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
    forEachPatch(*this, previous, triangle, [&](const PatchStats& patch, bool picked) {
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
