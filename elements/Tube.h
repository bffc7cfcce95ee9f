#pragma once
// A section curve swept along an axis curve: at every axis point the section is placed by that
// point's frame (tangent, transported normal, twist, radius and the mitre at joints).
#include "elements/CurveSurface.h"

namespace kal {

constexpr uint32_t tubeRecordTag = 0xE1000005;
// The older record holding both curve records inside it.
constexpr uint32_t embeddedTubeRecordTag = 0xE0000005;

class Tube : public CurveSurface {
public:
    mat3 pickFrame;
    mat3 pickFrameInverse;
    std::vector<vec3> axisPoints;

    // The curves are taken without a holder count; the tools that hold the tube count for them.
    Tube(Curve* axisCurve, Curve* sectionCurve);
    Tube();

    Element* clone() override;
    void ringMap(int i, mat3& F, vec3& origin) const override;
    void prepareRings() override;
    void placeFromAxis() override;
    uint32_t linkedTag() const override { return tubeRecordTag; }
};

// Reads a tube record body (linked or embedded by its tag); null with ok false when damaged.
Element* readTubeRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
