#include "elements/Revoluton.h"

#include <cmath>

#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

// The stored point count of an embedded record's circle section: anything else is a damaged file.
constexpr uint32_t maxEmbeddedSectionPoints = 65536;

bool onYAxis(vec3 a) { return std::fabs(a.x) < 0.0001f && std::fabs(a.z) < 0.0001f; }

} // namespace

Revoluton::Revoluton(Curve* axisCurve, Curve* sectionCurve) : CurveSurface(RevolutonType, axisCurve, sectionCurve) {
    rebuild(Recenter::Keep);
}

Revoluton::Revoluton() : CurveSurface(RevolutonType, nullptr, nullptr) {}

Element* Revoluton::clone() { return cloneWith(new Revoluton(curveCopy(axis), curveCopy(section))); }

void Revoluton::ringMap(int i, mat3& F, vec3& origin) const {
    // x towards the axis point, y the horizontal tangent, z up, all scaled by the distance r
    const vec3 a = axis->points[size_t(i)].position;
    F = surfaceFrame(a);
    origin = vec3(0, a.y, 0);
}

mat3 Revoluton::surfaceFrame(vec3 a) {
    const float r = std::sqrt(a.z * a.z + a.x * a.x);
    return mat3{{a.x, -a.z, 0, 0, 0, r, a.z, a.x, 0}};
}

bool Revoluton::ringCollapses(int i) const { return onYAxis(axis->points[size_t(i)].position); }

void Revoluton::placeFromAxis() {
    translation = vec3(0, axis->translation.y, 0);
    scale = axis->scale;
}

bool readEmbeddedCurves(Revoluton& r, ByteBuffer& in, size_t end) {
    if (in.remaining() < 4 || size_t(in.position) + 4 > end) return false;
    const uint32_t n = in.readU32();
    if (n < 1 || n > maxEmbeddedSectionPoints) return false;
    r.axis = readEmbeddedCurve(in);
    // the stored count becomes a whole circle, charged before it is made; the file stores none
    // of its points, so the rebuild charges all the surface it sweeps
    if (!r.axis || !chargeRead(sizeof(Curve)) || !chargeCurveLists(n, n)) return false;
    r.section = Curve::makeCircle(int(n), false);
    r.sectionMade = true;
    return true;
}

} // namespace kal
