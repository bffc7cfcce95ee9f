// The sculpt brushes of the Element and All Patches modes: gather round the sample, let a kernel
// write offsets (or blend materials). The dispatcher adds the offsets and clears the selection,
// except where an operation finishes on its own.
#include <cmath>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"

namespace kal {

using editing::falloff;
using editing::offsetOf;
using editing::sizeOffsets;

namespace {

vec3 difference(const vec3& to, const vec3& from) {
    return dvec3(double(to.x) - from.x, double(to.y) - from.y, double(to.z) - from.z).toFloat();
}

} // namespace

void Mesh::paintMaterial(const vec3& centre, float radius, const pbr& material, uint8_t mask, float strength) {
    gatherBrushVertices(centre, radius, true);
    paintBrushVertices(material, mask, strength);
    markSelectionGpuRange();
    clearSelection();
}

void Mesh::deformBrush(const vec3& centre, const vec3& target, float radius) {
    gatherBrushVertices(centre, radius, true);
    deformBrushVertices(difference(target, centre));
}

void Mesh::deformVolume(const vec3& centre, const vec3& target, float radius) {
    gatherBrushVertices(centre, radius, true);
    sizeOffsets(*this);
    vec3 D = difference(target, centre);
    double len = D.length();
    mat3 frame = mat3::frameFromDirection(D);
    vec3 e1 = frame.column(0), e2 = frame.column(1), e3 = frame.column(2);
    for (const BrushVertex& b : brushVertices) {
        vec3* o = offsetOf(*this, b.vertex);
        if (!o) continue;
        vec3 out;
        volumeDeformOffset(out, b.offset, b.weight, e1, e2, e3, radius);
        *o += out * float(len);
    }
}

void Mesh::smoothBrush(const vec3& centre, const vec3&, float radius) {
    gatherBrushVertices(centre, radius, true);
    smoothBrushVertices(0.5f);
    applyDrag();
    markDirtyTriangles();
    updateSelectedNormals();
    markSelectedTrianglesGpuRange();
    clearSelection();
}

void Mesh::growPinch(const vec3& centre, float radius, float strength) {
    gatherBrushVertices(centre, radius, true);
    sizeOffsets(*this);
    for (const BrushVertex& b : brushVertices) {
        if (vec3* o = offsetOf(*this, b.vertex)) *o -= b.offset * (falloff(b.weight) * strength);
    }
}

void Mesh::twist(const vec3& centre, const vec3& axis, float angle, float radius) {
    gatherBrushVertices(centre, radius, true);
    sizeOffsets(*this);
    float C = float(std::cos(double(angle)) - 1.0), S = float(std::sin(double(angle)));
    for (const BrushVertex& b : brushVertices) {
        vec3* o = offsetOf(*this, b.vertex);
        if (!o) continue;
        // the offset's part across the axis turns; points on the axis stay
        vec3 p = editing::withoutAxis(b.offset, axis);
        *o += (p * C + cross(axis, p) * S) * falloff(b.weight);
    }
}

void Mesh::extrudeInflate(const vec3& previous, const vec3& last, int) {
    vec3 n;
    for (int32_t t : selectedTriangles) n += triangles[t].faceNormal;
    editing::collectRegionVertices(*this, true);
    vec3 N = normalize(n);
    float step = dot(difference(last, previous), N);
    dragOffsets.assign(selectedVertices.size(), vec3());
    offsetBrushVertices(step);
    applyDrag();
}

} // namespace kal
