#pragma once
// The axis a cable's tube follows between two objects: one open chain sampled along a cubic Bezier
// from (0,0,0) to (0,0,1), leaving each end along the direction the cable leaves that object. The
// holder stretches the unit span over the distance between its objects and calls sample() as they
// move; the points move only when the distance or a direction changed noticeably. Nothing of the
// shape is stored: the holder shapes it again after loading.
#include "elements/Curve.h"

namespace kal {

constexpr uint32_t bezierCurveRecordTag = 0xE1100002;

class BezierCurve : public Curve {
public:
    // A chain of n segments; with zero directions every point stays at the origin.
    BezierCurve(const vec3& start, const vec3& end, int n);

    // n > 0 first rebuilds the chain with n segments. Then, unless the distance changed by at most
    // 1 % and no direction component by more than 0.01, places the points on the Bezier whose
    // handles keep a third of the first distance in the holder's units. A distance that is not
    // positive and finite moves nothing and fixes no handle.
    void sample(const vec3& startDir, const vec3& endDir, float distance, int n);

    // A brush acts once on it: no symmetric copies.
    void symmetryFrames(std::vector<SymmetryOp>& ops, vec3 centre, vec3 axis, uint8_t mirrorX, uint8_t mirrorY,
                        uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                        std::vector<vec3>& centres, std::vector<mat3>& frames, std::vector<float>& signs,
                        int32_t itemId, uint8_t toggle) override;
    void applyGestures(const std::vector<Gesture*>&) override {}
    bool save(ByteBuffer& out) override;

    float handle = -1.0f;       // fixed by the first placement, in the holder's units
    float lastDistance = -1.0f; // of the last placement
    vec3 startDirection;
    vec3 endDirection;
    // The frame in which a holder last shaped it, and which: one holder shapes it per frame.
    int32_t shapedInFrame = 0;
    const void* shapedBy = nullptr;
};

// The Bezier axis behind an element, null for any other (a plain curve carries the same type code:
// a Bezier axis cloned for a copy becomes one).
BezierCurve* asBezierCurve(Element* e);

// The Bezier curve's reader of the scene files. Safe to call repeatedly.
void registerBezierCurveRecords();

} // namespace kal
