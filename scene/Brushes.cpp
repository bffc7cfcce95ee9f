// The brush table.
#include "scene/Brushes.h"

namespace kal {

BrushRow brushRow(Brush b) {
    using B = Brush;
    using G = BrushGroup;
    using S = BrushStep;
    constexpr uint8_t circle = BrushCircle, onSurface = BrushOnSurface, reversed = BrushReversed;
    constexpr uint8_t stamps = BrushStampsSphere, addsUp = BrushAddsCopies, gathers = BrushGathers;
    constexpr uint8_t copies = BrushCopiesRegion, wholePatch = BrushWholePatch;
    // no default: a brush added to the enum without a row here is a warning
    switch (b) {
    case B::Move: return {"Move", G::Region, S::Drag, 0, B::CopyMove};
    case B::CopyMove: return {"CopyMove", G::Region, S::Drag, copies};
    case B::Rotate: return {"Rotate", G::Region, S::Drag, 0, B::CopyRotate};
    case B::CopyRotate: return {"CopyRotate", G::Region, S::Drag, copies};
    case B::Scale: return {"Scale", G::Region, S::Drag, 0, B::CopyScale};
    case B::CopyScale: return {"CopyScale", G::Region, S::Drag, copies};
    case B::Mirror: return {"Mirror", G::Region, S::Tick, circle};
    case B::CopyMirror: return {"CopyMirror", G::Region, S::Tick, circle};
    case B::ScaleDirection: return {"ScaleDirection", G::Region, S::Drag, 0};
    case B::Deform: return {"Deform", G::Surface, S::Drag, circle | addsUp | gathers};
    case B::DeformVolume: return {"DeformVolume", G::Surface, S::Drag, circle | addsUp | gathers};
    case B::Relax: return {"Relax", G::Surface, S::Tick, circle};
    case B::Smooth: return {"Smooth", G::Surface, S::Drag, circle | onSurface | addsUp | gathers};
    case B::Inflate: return {"Inflate", G::Surface, S::Tick, circle};
    case B::Deflate: return {"Deflate", G::Surface, S::Tick, circle};
    case B::Grow: return {"Grow", G::Surface, S::Drag, circle | addsUp | gathers};
    case B::Pinch: return {"Pinch", G::Surface, S::Drag, circle | addsUp | gathers};
    case B::Twist: return {"Twist", G::Surface, S::Drag, circle | addsUp | gathers};
    case B::Flatten: return {"Flatten", G::Surface, S::Tick, circle};
    case B::Scrape: return {"Scrape", G::Surface, S::Tick, circle};
    case B::Subdivide: return {"Subdivide", G::Topology, S::Release, 0};
    case B::PaintMaterial: return {"PaintMaterial", G::Paint, S::Paint, circle | onSurface | gathers};
    case B::FillMaterial: return {"FillMaterial", G::Paint, S::Paint, onSurface};
    case B::PickMaterial: return {"PickMaterial", G::Paint, S::Tick, onSurface};
    case B::EraseComponent: return {"EraseComponent", G::Erase, S::Finish, onSurface};
    case B::EraseRegion: return {"EraseRegion", G::Erase, S::Tick, circle | onSurface};
    case B::ErasePatch: return {"ErasePatch", G::Erase, S::Finish, onSurface};
    case B::EraseFeature: return {"EraseFeature", G::Erase, S::Finish, onSurface};
    case B::Extrude: return {"Extrude", G::Extrusion, S::Extrusion, wholePatch};
    case B::ExtrudeScale: return {"ExtrudeScale", G::Extrusion, S::Extrusion, wholePatch};
    case B::ExtrudeDeform: return {"ExtrudeDeform", G::Extrusion, S::Extrusion, circle | addsUp};
    case B::ExtrudeInflate: return {"ExtrudeInflate", G::Extrusion, S::Extrusion, wholePatch};
    case B::Bevel: return {"Bevel", G::Extrusion, S::Extrusion, 0};
    case B::TearNormal: return {"TearNormal", G::Extrusion, S::Extrusion, wholePatch};
    case B::TearScale: return {"TearScale", G::Extrusion, S::Extrusion, wholePatch};
    case B::TearInflate: return {"TearInflate", G::Extrusion, S::Extrusion, 0};
    case B::TearDeform: return {"TearDeform", G::Extrusion, S::Extrusion, circle | addsUp};
    case B::FreeCut: return {"FreeCut", G::Topology, S::Tick, circle};
    case B::CutPlane: return {"CutPlane", G::Plane, S::Release, 0};
    case B::ClipPlane: return {"ClipPlane", G::Plane, S::Release, 0};
    case B::SubPlane: return {"SubPlane", G::Plane, S::Release, 0};
    case B::InsertPoint: return {"InsertPoint", G::Curve, S::Tick, 0};
    case B::PlacePoint: return {"PlacePoint", G::Curve, S::Tick, 0};
    case B::CutSphere: return {"CutSphere", G::Sphere, S::Release, onSurface, B::CutSphereReverse};
    case B::ClipSphere: return {"ClipSphere", G::Sphere, S::Release, onSurface, B::ClipSphereReverse};
    case B::AddSphere: return {"AddSphere", G::Sphere, S::Release, onSurface | stamps, B::AddSphereReverse};
    case B::SubSphere: return {"SubSphere", G::Sphere, S::Release, onSurface | stamps, B::SubSphereReverse};
    case B::CutSphereReverse: return {"CutSphereReverse", G::Sphere, S::Release, reversed};
    case B::ClipSphereReverse: return {"ClipSphereReverse", G::Sphere, S::Release, reversed};
    case B::AddSphereReverse: return {"AddSphereReverse", G::Sphere, S::Release, reversed | stamps};
    case B::SubSphereReverse: return {"SubSphereReverse", G::Sphere, S::Release, reversed | stamps};
    case B::Pattern0: return {"Pattern0", G::Pattern, S::Finish, circle};
    case B::Pattern1: return {"Pattern1", G::Pattern, S::Finish, circle};
    case B::Pattern2: return {"Pattern2", G::Pattern, S::Finish, circle};
    case B::Pattern3: return {"Pattern3", G::Pattern, S::Finish, circle};
    case B::Pattern4: return {"Pattern4", G::Pattern, S::Finish, circle};
    }
    return {};
}

} // namespace kal
