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

    // Sculpting through the curves (TubeSculpt.cpp): picks copied where the edited curve lives, strokes
    // handed to that curve (CurveSurface::applyGestures). Points and directions in local space.
    void symmetryFrames(std::vector<SymmetryOp>& ops, vec3 point, vec3 direction, uint8_t mirrorX, uint8_t mirrorY,
                        uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                        std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& weights,
                        int32_t itemId, uint8_t sectionMode) override;

private:
    // The pick location on the quad of itemId: axisPoint, pickFrame and its inverse; c the pick
    // snapped onto the quad. False (nothing changed) when the id names no quad of this tube.
    bool locatePick(vec3 q, int32_t itemId, vec3& c);
    void applyAxisStroke(surfacesculpt::StrokeCall& call) override;
    void applySectionStroke(surfacesculpt::StrokeCall& call) override;
};

// Reads a tube record body (linked or embedded by its tag); null with ok false when damaged.
Element* readTubeRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
