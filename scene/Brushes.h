#pragma once
// The sculpt brushes: one id per brush, numbered as gesture records and files hold them, and one
// row per brush with its name, group and flags. Code asks the row, never a range of numbers.
#include <cstdint>

namespace kal {

enum class Brush : int32_t {
    Move = 1,
    CopyMove = 2,
    Rotate = 3,
    CopyRotate = 4,
    Scale = 5,
    CopyScale = 6,
    Mirror = 7,
    CopyMirror = 8,
    ScaleDirection = 9,
    Deform = 12,
    DeformVolume = 13,
    Relax = 14,
    Smooth = 15,
    Inflate = 20,
    Deflate = 21,
    Grow = 22,
    Pinch = 23,
    Twist = 24,
    Flatten = 25,
    Scrape = 26,
    Subdivide = 27,
    PaintMaterial = 29,
    FillMaterial = 30,
    PickMaterial = 31, // picks the material under the cursor; no gesture of its own
    EraseComponent = 32,
    EraseRegion = 33,
    ErasePatch = 34,
    EraseFeature = 35,
    Extrude = 36,
    ExtrudeScale = 37,
    ExtrudeDeform = 38,
    ExtrudeInflate = 39,
    Bevel = 40,
    TearNormal = 41,
    TearScale = 42,
    TearInflate = 43,
    TearDeform = 44,
    FreeCut = 45,
    CutPlane = 47,
    ClipPlane = 48,
    SubPlane = 49,
    InsertPoint = 50,
    PlacePoint = 51,
    CutSphere = 52,
    ClipSphere = 53,
    AddSphere = 54,
    SubSphere = 55,
    CutSphereReverse = 56,
    ClipSphereReverse = 57,
    AddSphereReverse = 58,
    SubSphereReverse = 59,
    Pattern0 = 67,
    Pattern1 = 68,
    Pattern2 = 69,
    Pattern3 = 70,
    Pattern4 = 71,
};

enum class BrushGroup : uint8_t {
    None,      // a number no brush has
    Region,    // moves, turns, scales or mirrors a whole region
    Surface,   // pushes the surface round the cursor
    Topology,  // splits the surface where the stroke goes
    Paint,     // lays down or picks up material
    Erase,     // removes what the stroke ends on
    Extrusion, // lifts or tears a patch off and drags it
    Plane,     // a cut, clip or cap along the drawn line
    Curve,     // puts a point on the edited curve
    Sphere,    // a cut, clip or stamp round a drawn sphere
    Pattern,   // lays a tile pattern over the whole surface
};

// When a mesh stroke of the brush acts, and what the mesh marks before it acts.
enum class BrushStep : uint8_t {
    Tick,      // every tick before the release; the rows the mesh ignores too
    Paint,     // every tick before the release, on the materials
    Drag,      // every tick from the second sample on, the finished one included
    Extrusion, // starts at the second sample, then drags; the finished tick renormals
    Release,   // once, on a finished stroke of two samples or more
    Finish,    // once, on the finished stroke, however short
};

enum BrushFlag : uint8_t {
    BrushCircle = 1,        // works within its radius: the cursor shows the circle
    BrushOnSurface = 2,     // the stroke follows the surface, whatever the view's placement
    BrushReversed = 4,      // the stroke runs from the rim to the centre
    BrushStampsSphere = 8,  // stamps a sphere: symmetric copies press their stamps together
    BrushAddsCopies = 16,   // symmetric copies add their offsets together (an extrusion after its start)
    BrushGathers = 32,      // gathers round the brush and moves vertices only through the drag offsets
    BrushCopiesRegion = 64, // copies its region on the first drag tick and works on the copy
    BrushWholePatch = 128,  // an extrusion that starts on, and then moves, the picked patch as a whole
};

struct BrushRow {
    const char* name = nullptr; // as the status line shows it once split at capitals and digits
    BrushGroup group = BrushGroup::None;
    BrushStep step = BrushStep::Tick;
    uint8_t flags = 0;
    Brush withCtrl{}; // the brush Ctrl turns it into; none when zero
};

// The row of a brush; an empty row for a number no brush has.
BrushRow brushRow(Brush b);

inline const char* brushName(Brush b) { return brushRow(b).name; }
inline BrushGroup brushGroup(Brush b) { return brushRow(b).group; }
inline BrushStep brushStep(Brush b) { return brushRow(b).step; }
inline bool hasBrushFlag(Brush b, BrushFlag f) { return (brushRow(b).flags & f) != 0; }
// Held Ctrl: the copying or reversed form of the brush; the brush itself when it has none.
inline Brush ctrlVariant(Brush b) {
    const Brush v = brushRow(b).withCtrl;
    return v == Brush{} ? b : v;
}
// The brushes whose result Escape takes back: the others keep what they did.
inline bool escapeCancels(Brush b) {
    const BrushGroup g = brushGroup(b);
    return g == BrushGroup::Erase || g == BrushGroup::Plane || g == BrushGroup::Sphere;
}
inline bool drawsPlaneGuide(Brush b) { return brushGroup(b) == BrushGroup::Plane; }
inline bool drawsSphereGuide(Brush b) { return brushGroup(b) == BrushGroup::Sphere; }

} // namespace kal
