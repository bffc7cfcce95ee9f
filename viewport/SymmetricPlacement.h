#pragma once
// Placement matrices for every symmetric copy of a pick: the pick is taken into its local placement
// space and from there into the symmetry frame, where the mirror planes and rotation axes are the
// coordinate ones; it is replicated there, optionally snapped onto the symmetry elements, and each
// copy becomes a matrix into the placement parent's space. Plain maths; the view supplies the frame.
#include <cstdint>
#include <vector>

#include "foundation/Mat.h"

namespace kal {

struct SymmetrySetting;

struct SymmetricPlacementInput {
    vec3 point;               // world point of the pick
    vec3 normal;              // world direction of the copies' Z axis
    vec3 pixelVector;         // world size of one pixel at the pick
    mat4 worldToFrame;        // A: world into the local placement space
    mat4 frameToTarget;       // B: local space into the placement parent's space, applied last
    mat3 frame;               // F: the symmetry axes in local space
    bool screenFrame = false; // F holds the camera: the orientation is built in the symmetry frame
    bool hasSide = false;     // orient by a world side vector (its X axis) instead of the symmetry hint
    vec3 side;
    // Uniform size in pixels (|local pixel vector| x size); 0 or less leaves the scale alone.
    float sizeInPixels = 0.0f;
    bool quarterTurn = false; // then (x, y, z) -> (x, -z, y)
    bool snap = false;
    float snapPixels = 0.0f; // merge distance in pixels
};

struct SymmetricPlacementResult {
    std::vector<mat4> placements;
    // The merges snapping carried out, replayed later by symmetricFirstPoint.
    std::vector<int32_t> mergesFirst, mergesSecond;
    bool snapped = false;
    vec3 snappedPoint; // world point of the first copy after snapping
};

void buildSymmetricPlacements(const SymmetricPlacementInput& in, const SymmetrySetting& symmetry,
                              SymmetricPlacementResult& out);

// The first copy of a point in world space once the recorded merges are replayed on its copies:
// how a drawing keeps a point snapped onto a mirror plane for the whole stroke.
vec3 symmetricFirstPoint(vec3 point, const mat4& worldToFrame, const mat3& frame, const SymmetrySetting& symmetry,
                         const std::vector<int32_t>& mergesFirst, const std::vector<int32_t>& mergesSecond);

// The inverse of a 3x3 frame, or the identity when it has none.
mat3 inverseOrIdentity(const mat3& m);

} // namespace kal
