// Fills and the brushes that stay inside one patch or one component: the region gatherings
// of the mesh model with the kernels of the Element-mode brushes.
#include <algorithm>
#include <cmath>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

void fillSelection(Mesh& m, const pbr& material, uint8_t mask) {
    for (int32_t t : m.selectedTriangles)
        for (pbr& corner : m.triangles[t].corner) pbrCopyMasked(corner, material, mask);
    m.markSelectionGpuRange();
    m.clearSelection();
}

// The region gatherings select every triangle of the region; a brush changes only those round the
// gathered vertices, so the rest leave the triangle selection (and the next upload).
void dropRegionTriangles(Mesh& m) {
    for (int32_t t : m.selectedTriangles) m.triangles[t].flags &= uint8_t(~(TriangleSelected | TriangleVisited));
    m.selectedTriangles.clear();
}

// Adds the offsets and renormals the triangles round the moved vertices.
void finishMove(Mesh& m) {
    m.applyDrag();
    dropRegionTriangles(m);
    m.markDirtyTriangles();
    m.updateSelectedNormals();
    m.markSelectedTrianglesGpuRange();
    m.clearSelection();
}

// The region gatherings of a stroke's dabs. While the dispatcher lends the stroke's run boxes, the
// patch or component is marked once per stroke and each dab reads only the record runs near the
// brush, calling take(vertex, offset, weight) for each vertex of the region the flood-filling
// gathering would take, with the same tests. Answers false (nothing done) without the loan.
template <class Take>
bool scanRegionNear(Mesh& m, const vec3& centre, float radius, int triangle, bool patch, Take&& take) {
    if (!m.strokeCache.lent) return false;
    if (triangle < 0) triangle = m.closestTriangle(centre);
    if (triangle < 0) return true; // nothing under the brush: the selection stays as it was
    const int nt = m.triangleCount(), nv = m.vertexCount();
    if (m.strokeCache.region.size() != size_t(nt) || !m.strokeCache.region[size_t(triangle)]) {
        int seed = triangle;
        if (patch)
            m.selectPatch(centre, true, seed);
        else
            m.selectComponent(centre, true, seed);
        m.strokeCache.region.assign(size_t(nt), 0);
        for (int32_t t : m.selectedTriangles) m.strokeCache.region[size_t(t)] = 1;
    }
    m.clearSelection();
    const double r2 = double(radius) * radius;
    // a run is skipped only when its box lies clearly past the brush: the tests below are inclusive
    const double reach = double(radius) * (1 + 1e-5) + 1e-6;
    for (int first = 0; first < nv; first += MeshStrokeCache::kRun) {
        const size_t run = 2 * size_t(first / MeshStrokeCache::kRun);
        if (run + 1 < m.strokeCache.runBounds.size()) {
            bool misses = false;
            for (int i = 0; i < 3; ++i)
                misses = misses || double(m.strokeCache.runBounds[run][i]) - centre[i] > reach ||
                         double(m.strokeCache.runBounds[run + 1][i]) - centre[i] < -reach;
            if (misses) continue;
        }
        const int end = std::min(nv, first + MeshStrokeCache::kRun);
        for (int v = first; v < end; ++v) {
            const MeshVertex& vx = m.vertices[v];
            if (!vx.alive() || vx.firstTriangle < 0 || vx.firstTriangle >= nt) continue;
            vec3 d = vx.position - centre;
            if (std::fabs(d.x) > radius || std::fabs(d.y) > radius || std::fabs(d.z) > radius) continue;
            double d2 = d.lengthSquared();
            if (d2 > r2) continue;
            take(v, d, float(std::sqrt(d2 / r2)));
        }
    }
    return true;
}

void gatherComponentNear(Mesh& m, const vec3& centre, float radius, int triangle) {
    const bool scanned = scanRegionNear(m, centre, radius, triangle, false, [&](int v, vec3 d, float weight) {
        // a vertex's ring lies in one component
        if (!m.strokeCache.region[size_t(m.vertices[v].firstTriangle)]) return;
        m.brushVertices.push_back(BrushVertex{v, weight, d});
        editing::selectVertex(m, v);
    });
    if (!scanned) m.gatherComponentBrushVertices(centre, radius, true, triangle);
}

void gatherPatchNear(Mesh& m, const vec3& centre, float radius, int triangle) {
    std::vector<int32_t> ring;
    const bool scanned = scanRegionNear(m, centre, radius, triangle, true, [&](int v, vec3, float weight) {
        // one record per fan of the vertex that holds triangles of the patch
        m.vertexTriangles(v, ring);
        for (int32_t t : ring) {
            if (!m.strokeCache.region[size_t(t)]) continue;
            int32_t fan = m.fanStart(v, t);
            MeshVertex& vx = m.vertices[v];
            if (!(vx.flags & VertexSelected)) {
                editing::selectVertex(m, v);
                m.patchFirstRecords.push_back(int32_t(m.patchRecords.size()));
                m.patchRecords.push_back(PatchBrushRecord{v, fan, -1, weight});
                continue;
            }
            int32_t r = m.patchFirstRecords[size_t(vx.link)], last = -1;
            while (r >= 0 && m.patchRecords[size_t(r)].fanTriangle != fan) {
                last = r;
                r = m.patchRecords[size_t(r)].next;
            }
            if (r >= 0) continue;
            m.patchRecords[size_t(last)].next = int32_t(m.patchRecords.size());
            m.patchRecords.push_back(PatchBrushRecord{v, fan, -1, weight});
        }
    });
    if (!scanned) m.gatherPatchBrushVertices(centre, radius, true, triangle);
}

} // namespace

void Mesh::fillMaterial(const vec3& point, int triangle, const pbr& material, uint8_t mask) {
    selectComponent(point, true, triangle);
    fillSelection(*this, material, mask);
}

void Mesh::fillPatch(const vec3& point, int triangle, const pbr& material, uint8_t mask) {
    selectPatch(point, true, triangle);
    fillSelection(*this, material, mask);
}

void Mesh::paintComponent(const vec3& centre, float radius, int triangle, const pbr& material, uint8_t mask,
                          float strength) {
    gatherComponentNear(*this, centre, radius, triangle);
    paintBrushVertices(material, mask, strength);
    dropRegionTriangles(*this);
    markSelectionGpuRange();
    clearSelection();
}

void Mesh::paintPatch(const vec3& centre, float radius, int triangle, const pbr& material, uint8_t mask,
                      float strength) {
    gatherPatchNear(*this, centre, radius, triangle);
    for (const PatchBrushRecord& r : patchRecords) {
        const MeshTriangle& fan = triangles[r.fanTriangle];
        int c = fan.cornerOf(r.vertex);
        if (c < 0) continue;
        double t = r.weight;
        double keep = 1.0 - ((t * (t - 2.0)) + 1.0) * double(strength);
        pbr value = editing::blendTowards(fan.corner[c], material, keep, kPbrAll);
        paintCorners(uint32_t(r.vertex), uint32_t(r.fanTriangle), value, mask);
    }
    dropRegionTriangles(*this);
    markSelectionGpuRange();
    clearSelection();
}

void Mesh::deformComponent(const vec3& previous, const vec3& current, float radius, int triangle) {
    gatherComponentNear(*this, previous, radius, triangle);
    deformBrushVertices(current - previous);
    finishMove(*this);
}

void Mesh::deformPatch(const vec3& previous, const vec3& current, float radius, int triangle) {
    gatherPatchNear(*this, previous, radius, triangle);
    deformPatchBrushVertices(current - previous);
    finishMove(*this);
}

void Mesh::smoothComponent(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherComponentNear(*this, previous, radius, triangle);
    smoothBrushVertices(0.5f);
    finishMove(*this);
}

void Mesh::smoothPatch(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherPatchNear(*this, previous, radius, triangle);
    smoothPatchBrushVertices(0.5f);
    finishMove(*this);
}

} // namespace kal
