// Gathering the vertices under a brush and the kernels that turn brush records into drag
// offsets or blended corner materials. Offsets are indexed by a vertex's selection link.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using editing::falloff;
using editing::offsetOf;
using editing::sizeOffsets;

namespace {

// Calls visit(vertex, weight) once per vertex of the patch brush list, with the smallest weight
// of its records: a vertex reached through two fans must not move twice.
template <class Visit>
void forEachPatchVertex(Mesh& m, Visit&& visit) {
    for (size_t i = 0; i < m.selectedVertices.size() && i < m.patchFirstRecords.size(); ++i) {
        int32_t r = m.patchFirstRecords[i];
        if (r < 0) continue;
        float weight = 2;
        for (size_t guard = 0; r >= 0 && guard <= m.patchRecords.size(); ++guard) {
            weight = std::min(weight, m.patchRecords[size_t(r)].weight);
            r = m.patchRecords[size_t(r)].next;
        }
        visit(m.selectedVertices[i], weight);
    }
}

} // namespace

void Mesh::gatherBrushVertices(const vec3& c, float radius, bool clear) {
    if (clear) clearSelection();
    brushVertices.clear();
    const double r = radius, r2 = r * r;
    const int nv = vertices.size();
    constexpr int kRun = MeshStrokeCache::kRun, kSpan = MeshStrokeCache::kSpan;
    const size_t runs = size_t((nv + kRun - 1) / kRun), spans = (runs + kSpan - 1) / kSpan;
    const bool skipRuns =
        strokeCache.lent && strokeCache.runBounds.size() == 2 * runs && strokeCache.spanBounds.size() == 2 * spans;
    // a box that misses the brush's box holds no vertex the tests below would take; a span's box
    // holds its runs' boxes, so it misses whenever they all do
    auto misses = [&](const std::vector<vec3>& bounds, size_t box) {
        const vec3 lo = bounds[2 * box], hi = bounds[2 * box + 1];
        bool out = false;
        for (int i = 0; i < 3; ++i) out = out || !(double(lo[i]) - c[i] < r) || !(double(hi[i]) - c[i] > -r);
        return out;
    };
    for (int first = 0; first < nv; first += kRun) {
        const size_t run = size_t(first / kRun);
        if (skipRuns) {
            if (run % kSpan == 0 && misses(strokeCache.spanBounds, run / kSpan)) {
                first += (kSpan - 1) * kRun;
                continue;
            }
            if (misses(strokeCache.runBounds, run)) continue;
        }
        const int end = std::min(nv, first + kRun);
        for (int v = first; v < end; ++v) {
            const MeshVertex& vx = vertices[v];
            if (!vx.alive()) continue;
            double dx = double(vx.position.x) - c.x, dy = double(vx.position.y) - c.y, dz = double(vx.position.z) - c.z;
            if (!(std::fabs(dx) < r && std::fabs(dy) < r && std::fabs(dz) < r)) continue;
            double q = dx * dx + dy * dy + dz * dz;
            if (!(q < r2)) continue;
            brushVertices.push_back(BrushVertex{v, float(std::sqrt(q / r2)), vec3(float(dx), float(dy), float(dz))});
            editing::selectVertex(*this, v);
        }
    }
}

void Mesh::buildGatherBounds() {
    const int nv = vertices.size();
    constexpr int kRun = MeshStrokeCache::kRun, kSpan = MeshStrokeCache::kSpan;
    const float inf = std::numeric_limits<float>::infinity();
    const size_t runs = size_t((nv + kRun - 1) / kRun);
    std::vector<vec3>& bounds = strokeCache.runBounds;
    std::vector<vec3>& spanBounds = strokeCache.spanBounds;
    bounds.assign(2 * runs, vec3());
    spanBounds.assign(2 * ((runs + kSpan - 1) / kSpan), vec3());
    for (size_t s = 0; s < spanBounds.size(); s += 2) {
        spanBounds[s] = vec3(inf, inf, inf);
        spanBounds[s + 1] = vec3(-inf, -inf, -inf);
    }
    for (size_t run = 0; run < runs; ++run) {
        vec3 lo(inf, inf, inf), hi(-inf, -inf, -inf);
        const int first = int(run) * kRun, end = std::min(nv, first + kRun);
        for (int v = first; v < end; ++v) {
            const vec3 p = vertices[v].position;
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], p[i]);
                hi[i] = std::max(hi[i], p[i]);
            }
        }
        bounds[2 * run] = lo;
        bounds[2 * run + 1] = hi;
        vec3& slo = spanBounds[2 * (run / kSpan)];
        vec3& shi = spanBounds[2 * (run / kSpan) + 1];
        for (int i = 0; i < 3; ++i) {
            slo[i] = std::min(slo[i], lo[i]);
            shi[i] = std::max(shi[i], hi[i]);
        }
    }
}

void Mesh::markDirtyTriangles() { selectTrianglesRoundSelectedVertices(TriangleSelected, true); }

void Mesh::markSelectionGpuRange() {
    // the triangles round the selected vertices join the selected ones, each once
    markDirtyTriangles();
    markSelectedTrianglesGpuRange();
}

void Mesh::markSelectedTrianglesGpuRange() {
    std::vector<int32_t> touched = selectedTriangles;
    std::sort(touched.begin(), touched.end());
    // one run per stretch of consecutive records; the mesh merges runs that lie close
    for (size_t i = 0; i < touched.size();) {
        size_t j = i;
        while (j + 1 < touched.size() && touched[j + 1] <= touched[j] + 1) ++j;
        markGpuRange(touched[i], touched[j]);
        i = j + 1;
    }
}

void Mesh::deformBrushVertices(const vec3& drag) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) *o += drag * falloff(b.weight);
}

void Mesh::deformPatchBrushVertices(const vec3& drag) {
    sizeOffsets(*this);
    forEachPatchVertex(*this, [&](int v, float t) {
        if (vec3* o = offsetOf(*this, v)) *o += drag * falloff(t);
    });
}

void Mesh::smoothBrushVertices(float factor) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex))
            *o += (smoothTarget(b.vertex) - vertices[b.vertex].position) * (falloff(b.weight) * factor);
}

void Mesh::smoothPatchBrushVertices(float factor) {
    sizeOffsets(*this);
    forEachPatchVertex(*this, [&](int v, float t) {
        if (vec3* o = offsetOf(*this, v)) *o += (smoothTarget(v) - vertices[v].position) * (falloff(t) * factor);
    });
}

void Mesh::translateBrushVertices(const vec3& u) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) *o += u;
}

void Mesh::offsetBrushVertices(float s) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) *o += b.offset * s;
}

void Mesh::scaleAboutPoint(const vec3& centre, float s) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) *o = (vertices[b.vertex].position - centre) * (s - 1);
}

void Mesh::transformBrushVertices(const mat4& m) {
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) *o = vertices[b.vertex].position * m;
}

void Mesh::scaleAlongDirection(const vec3& centre, const vec3& direction, float s) {
    // the displacement of a scale by s along e about the centre: (s - 1) e (e . (p - c))
    vec3 e = normalize(direction);
    if (!(e.lengthSquared() > 0.5)) return;
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices)
        if (vec3* o = offsetOf(*this, b.vertex)) {
            vec3 d = vertices[b.vertex].position - centre;
            double along = double(d.x) * e.x + double(d.y) * e.y + double(d.z) * e.z;
            *o = e * float(along * (double(s) - 1.0));
        }
}

void Mesh::paintBrushVertices(const pbr& material, uint8_t mask, float strength) {
    std::vector<int32_t> group;
    for (const BrushVertex& b : brushVertices) {
        double t = b.weight;
        double keep = 1.0 - ((t * (t - 2.0)) + 1.0) * double(strength);
        // every triangle of the ring blends the corners of its fan once more, so a fan of k
        // triangles keeps keep^k of its old value
        meshwalk::walkFans(triangles, b.vertex, vertices[b.vertex].firstTriangle, triangleCount() + 1, group,
                           [&](const std::vector<int32_t>& fan) {
                               pbr value = triangles[fan[0]].corner[fan[1]];
                               for (size_t i = 0; i < fan.size(); i += 2)
                                   value = editing::blendTowards(value, material, keep, mask);
                               for (size_t i = 0; i < fan.size(); i += 2)
                                   pbrCopyMasked(triangles[fan[i]].corner[fan[i + 1]], value, mask);
                           });
    }
}

} // namespace kal
