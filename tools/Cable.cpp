#include "tools/Cable.h"

#include <cmath>

#include "elements/BezierCurve.h"
#include "elements/Tube.h"

namespace kal {

Cable::Cable(Curve* section, const mat4& transform_, const pbr& material_, bool transparent)
    : BiTool(BiToolUniform, new Tube(new BezierCurve(vec3(), vec3(), cableAxisSegments), section), transform_,
             material_, transparent) {}

Cable::Cable(uint32_t kind, Element* shared, const mat4& transform_, const pbr& material_, bool transparent)
    : BiTool(kind, shared, transform_, material_, transparent) {}

Tube* Cable::tube() const {
    Tube* t = element && element->typeCode == TubeType ? dynamic_cast<Tube*>(element) : nullptr;
    return t && t->section && asBezierCurve(t->axis) ? t : nullptr;
}

BezierCurve* Cable::axis() const {
    Tube* t = tube();
    return t ? asBezierCurve(t->axis) : nullptr;
}

BiTool* Cable::newEnd() {
    const bool transparent = flags & TransparentFlag;
    Cable* c = tube() ? new Cable(tube()->section, transform, material, transparent)
                      : new Cable(biToolKind, element, transform, material, transparent);
    c->biToolKind = biToolKind;
    return c;
}

mat4 Cable::modelMatrix(const mat4& parentMatrix) {
    const mat4 M = BiTool::modelMatrix(parentMatrix);
    Tube* t = tube();
    const float L = linkLength, R = restLength;
    // nothing to shape towards before both ends are placed and measured, nor when they coincide
    if (!t || !partnerEnd || !(L > 0.0f) || !(R > 0.0f) || !std::isfinite(L) || !std::isfinite(R)) return M;
    const mat3 M3 = M.upper3();
    const float determinant = det(M3);
    if (!std::isfinite(determinant) || determinant == 0.0f) return M;
    const mat3 A = inverse(M3);
    const vec3 back = -(M.translation() * A);
    // the affine inverse of M on a homogeneous vector
    auto toCable = [&](float x, float y, float z, float w) { return vec3(x, y, z) * A + back * w; };
    // the pivot's Z column carried by the parent frame: P applied to the column vector
    const float* p = pivot.m;
    const float* P = parentFrame.m;
    float z[4];
    for (int r = 0; r < 4; ++r)
        z[r] = P[4 * r] * p[2] + P[4 * r + 1] * p[6] + P[4 * r + 2] * p[10] + P[4 * r + 3] * p[14];
    const vec3 start = toCable(z[0], z[1], z[2], z[3]);
    const float* w = partnerEnd->worldFrame.m;
    const vec3 end = toCable(w[2], w[6], w[10], w[14]);

    BezierCurve* a = asBezierCurve(t->axis);
    // A tube two cables hold (a file may say so) takes the shape of the first to reach it in a
    // frame; the others draw it as it is, or each would rebuild it on every frame.
    if (a->shapedInFrame == frameCounter && a->shapedBy != this) return M;
    a->shapedInFrame = frameCounter;
    a->shapedBy = this;
    const float lastDistance = a->lastDistance;
    const vec3 lastStart = a->startDirection, lastEnd = a->endDirection;
    a->sample(start, end, L, 0);
    const bool reshaped =
        a->lastDistance != lastDistance || a->startDirection != lastStart || a->endDirection != lastEnd;
    // Copies share the section: the scale is the tube's own, and the section is left as it is.
    const float sectionScale = 50.0f * L / R;
    if (reshaped || t->sectionScale != sectionScale) {
        t->sectionScale = sectionScale;
        t->touch();
    }
    return M;
}

void Cable::serialize(ByteBuffer& out, bool wholeScene) { writeRecord(out, wholeScene, cableRecordTag); }

} // namespace kal
