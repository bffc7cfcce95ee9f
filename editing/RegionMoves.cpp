// Rigid moves of a region with the stroke: each call applies the step from the previous to the
// current sample. Move takes the patch or the component; Rotate and Scale also the whole mesh.
#include <algorithm>
#include <cmath>
#include <limits>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"

namespace kal {

namespace {

void moveRegion(Mesh& m, const vec3& previous, const vec3& current, int triangle, bool patch) {
    if (patch)
        m.selectPatch(previous, true, triangle);
    else
        m.selectComponent(previous, true, triangle);
    editing::collectRegionVertices(m, false);
    m.translateBrushVertices(current - previous);
    m.applyDrag();
    // the neighbouring patches share the border vertices: their triangles need normals too
    if (patch) m.markDirtyTriangles();
    m.updateSelectedNormals();
    m.clearSelection();
}

// Selects the region of a rotate or scale step; false for a mode that names none.
bool selectRegion(Mesh& m, const vec3& previous, int triangle, int mode) {
    switch (mode) {
    case SelectPatch: m.selectPatch(previous, true, triangle); return true;
    case SelectElement:
    case SelectAllPatches: m.selectAll(); return true;
    case SelectComponent: m.selectComponent(previous, true, triangle); return true;
    default: return false;
    }
}

bool wholeMesh(int mode) { return mode == SelectElement || mode == SelectAllPatches; }

struct Box {
    vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    vec3 hi{-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), -std::numeric_limits<float>::max()};
    void add(vec3 p) {
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    vec3 centre() const { return (lo + hi) * 0.5f; }
};

// The offsets of M applied to each brush vertex: M minus the identity in its upper 3x3.
void applyTransform(Mesh& m, mat4 M) {
    M[0] -= 1;
    M[5] -= 1;
    M[10] -= 1;
    m.transformBrushVertices(M);
    m.applyDrag();
}

} // namespace

void Mesh::moveComponent(const vec3& previous, const vec3& current, int triangle) {
    moveRegion(*this, previous, current, triangle, false);
}

void Mesh::movePatch(const vec3& previous, const vec3& current, int triangle) {
    moveRegion(*this, previous, current, triangle, true);
}

void Mesh::rotateRegion(const vec3& previous, const vec3& current, int triangle, int mode, const vec3& viewAxis) {
    if (current == previous) return;
    if (!selectRegion(*this, previous, triangle, mode)) return;
    vec3 c = translation;
    if (!wholeMesh(mode)) {
        editing::collectRegionVertices(*this, true);
        Box box;
        for (const BrushVertex& b : brushVertices) box.add(vertices[b.vertex].position);
        c = brushVertices.empty() ? vec3() : box.centre();
    }
    vec3 a = previous - c, b = current - c;
    if (viewAxis != vec3()) {
        // only the turn about the view axis counts
        a = editing::withoutAxis(a, viewAxis);
        b = editing::withoutAxis(b, viewAxis);
    }
    mat4 M = mat4::translation(-c);
    M *= editing::rotationTurning(a, b, viewAxis);
    M *= mat4::translation(c);
    applyTransform(*this, M);
    clearSelection();
}

void Mesh::scaleRegion(const vec3& previous, const vec3& current, int triangle, int mode, bool uniform) {
    if (current == previous) return;
    if (!selectRegion(*this, previous, triangle, mode)) return;
    dvec3 c(translation);
    if (!wholeMesh(mode)) {
        editing::collectRegionVertices(*this, true);
        if (brushVertices.empty()) {
            clearSelection();
            return;
        }
        vec3 N;
        for (int32_t t : selectedTriangles) N += triangles[t].faceNormal;
        dvec3 sum;
        Box box;
        for (const BrushVertex& b : brushVertices) {
            sum = sum + dvec3(vertices[b.vertex].position);
            box.add(vertices[b.vertex].position);
        }
        dvec3 mean = sum / double(brushVertices.size());
        // the box centre, slid along the region's mean normal onto the level of the mean
        vec3 e = (dvec3(box.centre()) - mean).toFloat();
        c = mean + dvec3(editing::withoutAxis(e, editing::meanNormal(N, selectedTriangles.size())));
    }
    dvec3 p = dvec3(previous) - c, q = dvec3(current) - c;
    if (uniform) {
        double before = dot(p, p);
        double f = std::sqrt(dot(q, q) / before);
        // a step starting on the pivot has no defined factor
        if (before > kNullLengthSquared && std::isfinite(f)) {
            scaleAboutPoint(c.toFloat(), float(f));
            applyDrag();
        }
    } else {
        dvec3 D = dvec3(current) - dvec3(previous);
        double a = dot(p, D), b = dot(q, D);
        // a step that would double or halve the size at once is dropped, not clamped
        if (!(2 * std::fabs(a) <= std::fabs(b) || 2 * std::fabs(b) <= std::fabs(a))) {
            scaleAlongDirection(c.toFloat(), D.toFloat(), float(b / a));
            applyDrag();
        }
    }
    clearSelection();
}

} // namespace kal
