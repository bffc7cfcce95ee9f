#pragma once
// A surface of revolution: the section is placed at every axis point turned about the Y axis to
// face it and scaled by the point's distance from that axis.
#include "elements/CurveSurface.h"

namespace kal {

constexpr uint32_t revolutonRecordTag = 0xE0000009;
// The older record: a section point count and the axis curve record.
constexpr uint32_t embeddedRevolutonRecordTag = 0xE0000004;

class Revoluton : public CurveSurface {
public:
    vec3 gesturePoint;

    Revoluton(Curve* axisCurve, Curve* sectionCurve);
    Revoluton();

    Element* clone() override;
    void ringMap(int i, mat3& F, vec3& origin) const override;
    bool ringCollapses(int i) const override;
    void placeFromAxis() override;
    uint32_t linkedTag() const override { return revolutonRecordTag; }
};

Element* readRevolutonRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
