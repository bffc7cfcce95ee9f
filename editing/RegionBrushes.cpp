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
    m.markSelectionGpuRange();
    m.clearSelection();
}

// The component gathering of a stroke's dab. While the dispatcher lends the stroke's run boxes,
// the component is marked once per stroke and each dab reads only the runs near the brush; the
// vertices taken and their weights are those of the flood-filling gathering.
void gatherComponentNear(Mesh& m, const vec3& centre, float radius, int triangle) {
    if (!m.gatherBoundsActive) {
        m.gatherComponentBrushVertices(centre, radius, true, triangle);
        return;
    }
    if (triangle < 0) triangle = m.closestTriangle(centre);
    if (triangle < 0) return;
    const int nt = m.triangleCount(), nv = m.vertexCount();
    if (m.gatherComponent.size() != size_t(nt) || !m.gatherComponent[size_t(triangle)]) {
        int seed = triangle;
        m.selectComponent(centre, true, seed);
        m.gatherComponent.assign(size_t(nt), 0);
        for (int32_t t : m.selectedTriangles) m.gatherComponent[size_t(t)] = 1;
    }
    m.clearSelection();
    const double r2 = double(radius) * radius;
    // a run is skipped only when its box lies clearly past the brush: the tests below are inclusive
    const double reach = double(radius) * (1 + 1e-5) + 1e-6;
    for (int first = 0; first < nv; first += Mesh::kGatherRun) {
        const size_t run = 2 * size_t(first / Mesh::kGatherRun);
        if (run + 1 < m.gatherBounds.size()) {
            bool misses = false;
            for (int i = 0; i < 3; ++i)
                misses = misses || double(m.gatherBounds[run][i]) - centre[i] > reach ||
                         double(m.gatherBounds[run + 1][i]) - centre[i] < -reach;
            if (misses) continue;
        }
        const int end = std::min(nv, first + Mesh::kGatherRun);
        for (int v = first; v < end; ++v) {
            const MeshVertex& vx = m.vertices[v];
            if (!vx.alive() || vx.firstTriangle < 0 || vx.firstTriangle >= nt || !m.gatherComponent[size_t(vx.firstTriangle)])
                continue;
            vec3 d = vx.position - centre;
            if (std::fabs(d.x) > radius || std::fabs(d.y) > radius || std::fabs(d.z) > radius) continue;
            double d2 = d.lengthSquared();
            if (d2 > r2) continue;
            m.brushVertices.push_back(BrushVertex{v, float(std::sqrt(d2 / r2)), d});
            editing::selectVertex(m, v);
        }
    }
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
    gatherPatchBrushVertices(centre, radius, true, triangle);
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
    gatherPatchBrushVertices(previous, radius, true, triangle);
    deformPatchBrushVertices(current - previous);
    finishMove(*this);
}

void Mesh::smoothComponent(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherComponentNear(*this, previous, radius, triangle);
    smoothBrushVertices(0.5f);
    finishMove(*this);
}

void Mesh::smoothPatch(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherPatchBrushVertices(previous, radius, true, triangle);
    smoothPatchBrushVertices(0.5f);
    finishMove(*this);
}

} // namespace kal
