// Fills and the brushes that stay inside one patch or one component: the region gatherings
// of the mesh model with the kernels of the Element-mode brushes.
#include "editing/EditingMath.h"
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
    gatherComponentBrushVertices(centre, radius, true, triangle);
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
    gatherComponentBrushVertices(previous, radius, true, triangle);
    deformBrushVertices(current - previous);
    finishMove(*this);
}

void Mesh::deformPatch(const vec3& previous, const vec3& current, float radius, int triangle) {
    gatherPatchBrushVertices(previous, radius, true, triangle);
    deformPatchBrushVertices(current - previous);
    finishMove(*this);
}

void Mesh::smoothComponent(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherComponentBrushVertices(previous, radius, true, triangle);
    smoothBrushVertices(0.5f);
    finishMove(*this);
}

void Mesh::smoothPatch(const vec3& previous, const vec3&, float radius, int triangle) {
    gatherPatchBrushVertices(previous, radius, true, triangle);
    smoothPatchBrushVertices(0.5f);
    finishMove(*this);
}

} // namespace kal
