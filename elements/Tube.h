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

    // The curves are taken without a holder count; the tools that hold the tube count for them.
    Tube(Curve* axisCurve, Curve* sectionCurve);
    Tube();

    Element* clone() override;
    void ringMap(int i, mat3& F, vec3& origin) const override;
    void prepareRings() override;
    void placeFromAxis() override;
    uint32_t linkedTag() const override { return tubeRecordTag; }

private:
    // Sculpting through the curves (TubeSculpt.cpp). The pick location also sets pickFrame and
    // its inverse; the section stands in pickFrame at the picked axis point.
    bool locatePick(vec3 q, int32_t itemId, vec3& c) override;
    bool axisStrokesStartAtPick() const override { return true; }
    bool placedSection(mat3& frame, vec3& origin) const override;
    vec3 intoSection(vec3 v, bool direction) const override;
    void applyAxisStroke(surfacesculpt::StrokeCall& call) override;
};

// The older record's body: the axis and the section curve records (readCurveSurfaceRecord).
bool readEmbeddedCurves(Tube& t, ByteBuffer& in, size_t end);

} // namespace kal
