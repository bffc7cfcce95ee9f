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

    // Places a section point s of axis point a on the surface: X = F s + (0, a.y, 0). Rows
    // (a.x, -a.z, 0), (0, 0, r), (a.z, a.x, 0), r the distance of a from the Y axis.
    static mat3 surfaceFrame(vec3 a);

private:
    // Sculpting through the curves (RevolutonSculpt.cpp): axis strokes edit the axis turned to the
    // picked section point's angle; the section stands in surfaceFrame at the picked axis point.
    bool locatePick(vec3 q, int32_t itemId, vec3& c) override;
    bool axisStrokesStartAtPick() const override { return false; }
    bool placedSection(mat3& frame, vec3& origin) const override;
    vec3 intoSection(vec3 v, bool direction) const override;
    void applyAxisStroke(surfacesculpt::StrokeCall& call) override;
};

// The older record's body: the section's point count, then the axis curve record; the section
// is made a circle of that many points (readCurveSurfaceRecord).
bool readEmbeddedCurves(Revoluton& r, ByteBuffer& in, size_t end);

} // namespace kal
