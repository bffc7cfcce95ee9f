#pragma once
// What the sculpting of tubes and revolutions shares: the view's gestures copied for the curve
// they edit (item ids rewritten), the ids written back, and the working curve that a section or
// revolution-axis stroke edits in the element's space before it goes back into the real curve.
#include <memory>
#include <vector>

#include "elements/CurveSurface.h"
#include "scene/Gesture.h"

namespace kal {

class Curve;

namespace surfacesculpt {

// One call of a stroke: the view's gestures and their copies for the curve.
struct StrokeCall {
    std::vector<Sculptor*> received;
    std::vector<std::unique_ptr<Sculptor>> copies;
    std::vector<Gesture*> list; // the copies, as the curve's gesture operation takes them
    bool sectionMode = false;
    bool finished = false;
};

// False for a list the operation cannot translate: empty, or a gesture that is no sculpt
// gesture or holds no sample.
bool readGestures(const std::vector<Gesture*>& gestures, StrokeCall& call);

// The copies with their item ids rewritten for `part` (the axis in axis mode, else the section):
// the axis or section half, then, on the stroke's first call to a following curve, its
// segment's source segment. With `starts`, gesture g's samples are moved to start at starts[g]
// (gestures past the list's end keep theirs).
void copyGestures(StrokeCall& call, const Curve& part, bool mapLinks, const std::vector<vec3>* starts);

// The received first samples' axis half (high) or section half (low) := the copies' low 16 bits.
void writeBackIds(StrokeCall& call, bool highHalf);

// A working copy of target's points and segments carrying the element's change flags; the caller
// places its points.
Curve* newWorkingCurve(const CurveSurface& s, const Curve& target);

// target takes the working curve's geometry (touched) and the element its change flags.
void takeWorkingCurve(CurveSurface& s, Curve& target, const Curve& working);

// The segment's end positions; false when s names no live segment of c (a stale or foreign id).
bool segmentEnds(const Curve& c, uint32_t s, vec3& a, vec3& b);

// The curve a stroke on `part` edits: a following curve hands its edits to its source.
Curve* editTarget(Curve* part);

// Whether m is invertible with a finite inverse.
bool invertible(const mat3& m, mat3& inverseOut);

// The element's local space (where picks arrive) against its stored space (its curves' points).
struct LocalSpace {
    mat4 M; // stored -> local
    mat3 N; // inverse of M's 3x3
    vec3 t; // M's translation
    explicit LocalSpace(Element& e);
    vec3 toStored(vec3 p) const { return (p - t) * N; }
    vec3 directionToStored(vec3 d) const { return d * N; }
};

// The copies made in the section's space from entry `first` on, placed on the surface
// (X = F x + origin) and brought into local space by M; frames follow as M's 3x3 times F times
// the frame (not made orthonormal again: only their third column's direction counts).
void placeCopies(std::vector<vec3>& positions, std::vector<mat3>& frames, size_t first, const mat3& F, vec3 origin,
                 const mat4& M);

} // namespace surfacesculpt
} // namespace kal
