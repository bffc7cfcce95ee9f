// The brush table.
#include "scene/Brushes.h"

namespace kal {

BrushRow brushRow(Brush b) {
    using B = Brush;
    using G = BrushGroup;
    constexpr uint8_t circle = BrushCircle, onSurface = BrushOnSurface, reversed = BrushReversed;
    // no default: a brush added to the enum without a row here is a warning
    switch (b) {
    case B::Move: return {"Move", G::Region, 0, B::CopyMove};
    case B::CopyMove: return {"CopyMove", G::Region};
    case B::Rotate: return {"Rotate", G::Region, 0, B::CopyRotate};
    case B::CopyRotate: return {"CopyRotate", G::Region};
    case B::Scale: return {"Scale", G::Region, 0, B::CopyScale};
    case B::CopyScale: return {"CopyScale", G::Region};
    case B::Mirror: return {"Mirror", G::Region, circle};
    case B::CopyMirror: return {"CopyMirror", G::Region, circle};
    case B::ScaleDirection: return {"ScaleDirection", G::Region};
    case B::Deform: return {"Deform", G::Surface, circle};
    case B::DeformVolume: return {"DeformVolume", G::Surface, circle};
    case B::Relax: return {"Relax", G::Surface, circle};
    case B::Smooth: return {"Smooth", G::Surface, circle | onSurface};
    case B::Inflate: return {"Inflate", G::Surface, circle};
    case B::Deflate: return {"Deflate", G::Surface, circle};
    case B::Grow: return {"Grow", G::Surface, circle};
    case B::Pinch: return {"Pinch", G::Surface, circle};
    case B::Twist: return {"Twist", G::Surface, circle};
    case B::Flatten: return {"Flatten", G::Surface, circle};
    case B::Scrape: return {"Scrape", G::Surface, circle};
    case B::Subdivide: return {"Subdivide", G::Topology};
    case B::PaintMaterial: return {"PaintMaterial", G::Paint, circle | onSurface};
    case B::FillMaterial: return {"FillMaterial", G::Paint, onSurface};
    case B::PickMaterial: return {"PickMaterial", G::Paint, onSurface};
    case B::EraseComponent: return {"EraseComponent", G::Erase, onSurface};
    case B::EraseRegion: return {"EraseRegion", G::Erase, circle | onSurface};
    case B::ErasePatch: return {"ErasePatch", G::Erase, onSurface};
    case B::EraseFeature: return {"EraseFeature", G::Erase, onSurface};
    case B::Extrude: return {"Extrude", G::Extrusion};
    case B::ExtrudeScale: return {"ExtrudeScale", G::Extrusion};
    case B::ExtrudeDeform: return {"ExtrudeDeform", G::Extrusion, circle};
    case B::ExtrudeInflate: return {"ExtrudeInflate", G::Extrusion};
    case B::Bevel: return {"Bevel", G::Extrusion};
    case B::TearNormal: return {"TearNormal", G::Extrusion};
    case B::TearScale: return {"TearScale", G::Extrusion};
    case B::TearInflate: return {"TearInflate", G::Extrusion};
    case B::TearDeform: return {"TearDeform", G::Extrusion, circle};
    case B::FreeCut: return {"FreeCut", G::Topology, circle};
    case B::CutPlane: return {"CutPlane", G::Plane};
    case B::ClipPlane: return {"ClipPlane", G::Plane};
    case B::SubPlane: return {"SubPlane", G::Plane};
    case B::InsertPoint: return {"InsertPoint", G::Curve};
    case B::PlacePoint: return {"PlacePoint", G::Curve};
    case B::CutSphere: return {"CutSphere", G::Sphere, onSurface, B::CutSphereReverse};
    case B::ClipSphere: return {"ClipSphere", G::Sphere, onSurface, B::ClipSphereReverse};
    case B::AddSphere: return {"AddSphere", G::Sphere, onSurface, B::AddSphereReverse};
    case B::SubSphere: return {"SubSphere", G::Sphere, onSurface, B::SubSphereReverse};
    case B::CutSphereReverse: return {"CutSphereReverse", G::Sphere, reversed};
    case B::ClipSphereReverse: return {"ClipSphereReverse", G::Sphere, reversed};
    case B::AddSphereReverse: return {"AddSphereReverse", G::Sphere, reversed};
    case B::SubSphereReverse: return {"SubSphereReverse", G::Sphere, reversed};
    case B::Pattern0: return {"Pattern0", G::Pattern, circle};
    case B::Pattern1: return {"Pattern1", G::Pattern, circle};
    case B::Pattern2: return {"Pattern2", G::Pattern, circle};
    case B::Pattern3: return {"Pattern3", G::Pattern, circle};
    case B::Pattern4: return {"Pattern4", G::Pattern, circle};
    }
    return {};
}

} // namespace kal
