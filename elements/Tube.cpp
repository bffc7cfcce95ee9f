#include "elements/Tube.h"

#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"

namespace kal {

Tube::Tube(Curve* axisCurve, Curve* sectionCurve) : CurveSurface(TubeType, axisCurve, sectionCurve) {
    rebuild(Recenter::Keep);
}

Tube::Tube() : CurveSurface(TubeType, nullptr, nullptr) {}

Element* Tube::clone() { return cloneWith(new Tube(curveCopy(axis), curveCopy(section))); }

void Tube::ringMap(int i, mat3& F, vec3& origin) const {
    F = Curve::pointFrame(*axis, i);
    origin = axis->points[size_t(i)].position;
}

void Tube::prepareRings() {
    if (axis) axis->updateFrames(false);
}

void Tube::placeFromAxis() {
    translation = axis->translation;
    scale = axis->scale;
}

bool readEmbeddedCurves(Tube& t, ByteBuffer& in, size_t) {
    t.axis = readEmbeddedCurve(in);
    t.section = t.axis ? readEmbeddedCurve(in) : nullptr;
    // the surface they sweep is charged by the rebuild after the read, as a linked tube's is
    return t.axis && t.section;
}

} // namespace kal
