#pragma once
// Assembly command ids and insert shape kinds, numbered as the status text names them. This header
// is the one place those numbers are written: the window, the view and the tests use the names.
#include <cstdint>

namespace kal {

// Assembly commands. Ids 22, 25..27, 33, 34, 45 and 48 are never chosen.
enum class Command : int32_t {
    Insert = 0,
    Multiply = 1,
    Place = 2,
    Paint = 3,
    Pick = 4,
    PickComponent = 5,
    DetachComponent = 6,
    PickPatch = 7,
    Remove = 8,
    Draw = 9,
    ArrayPick = 10,
    ArrayPickItem = 11,
    ArrayClearItems = 12,
    DrawPickAxis = 13,
    DrawPickSection = 14,
    MakeUniform = 15,
    InverseKinematics = 16,
    Move = 17,
    Rotate = 18,
    Scale = 19,
    Mirror = 20,
    RotateScale = 21,
    RotateMultiplicity = 23,
    Reserved24 = 24, // Scale with 3 held: does nothing
    Material = 28,
    ColorIsLight = 29,
    MakeSprite = 30,
    MatchMaterial = 31,
    PickMaterial = 32,
    Link = 35,
    Unlink = 36,
    ConstrainRotation = 37,
    CounterConstrainRotation = 38,
    ConstrainTranslation = 39,
    CounterConstrainTranslation = 40,
    RemoveRotationConstraint = 41,
    RemoveTranslationConstraint = 42,
    Align = 43,
    CounterAlign = 44,
    MatchPivot = 46,
    MatchObjectPivot = 47,
    ReplaceTool = 49,
    Orientation = 50,
    QuickSave = 51,
    Speed = 52,
    Delay = 53,
};

// The name the status text shows, split at capitals; none for PickPatch and Reserved24.
constexpr const char* commandName(Command c) {
    using C = Command;
    // no default: a command added to the enum without a name here is a warning
    switch (c) {
    case C::Insert: return "Insert";
    case C::Multiply: return "Multiply";
    case C::Place: return "Place";
    case C::Paint: return "Paint";
    case C::Pick: return "Pick";
    case C::PickComponent: return "PickComponent";
    case C::DetachComponent: return "DetachComponent";
    case C::PickPatch: return nullptr;
    case C::Remove: return "Remove";
    case C::Draw: return "Draw";
    case C::ArrayPick: return "ArrayPick";
    case C::ArrayPickItem: return "ArrayPickItem";
    case C::ArrayClearItems: return "ArrayClearItems";
    case C::DrawPickAxis: return "DrawPickAxis";
    case C::DrawPickSection: return "DrawPickSection";
    case C::MakeUniform: return "MakeUniform";
    case C::InverseKinematics: return "InverseKinematics";
    case C::Move: return "Move";
    case C::Rotate: return "Rotate";
    case C::Scale: return "Scale";
    case C::Mirror: return "Mirror";
    case C::RotateScale: return "RotateScale";
    case C::RotateMultiplicity: return "RotateMultiplicity";
    case C::Reserved24: return nullptr;
    case C::Material: return "Material";
    case C::ColorIsLight: return "ColorIsLight";
    case C::MakeSprite: return "MakeSprite";
    case C::MatchMaterial: return "MatchMaterial";
    case C::PickMaterial: return "PickMaterial";
    case C::Link: return "Link";
    case C::Unlink: return "Unlink";
    case C::ConstrainRotation: return "ConstrainRotation";
    case C::CounterConstrainRotation: return "CounterConstrainRotation";
    case C::ConstrainTranslation: return "ConstrainTranslation";
    case C::CounterConstrainTranslation: return "CounterConstrainTranslation";
    case C::RemoveRotationConstraint: return "RemoveRotationConstraint";
    case C::RemoveTranslationConstraint: return "RemoveTranslationConstraint";
    case C::Align: return "Align";
    case C::CounterAlign: return "CounterAlign";
    case C::MatchPivot: return "MatchPivot";
    case C::MatchObjectPivot: return "MatchObjectPivot";
    case C::ReplaceTool: return "ReplaceTool";
    case C::Orientation: return "Orientation";
    case C::QuickSave: return "QuickSave";
    case C::Speed: return "Speed";
    case C::Delay: return "Delay";
    }
    return nullptr;
}

// Shape kinds of the pending insert template.
enum class InsertKind : int32_t {
    UseTool = 0,
    Tetrahedron = 1,
    Cube = 2,
    Octahedron = 3,
    Dodecahedron = 4,
    Icosahedron = 5,
    Sphere = 6,
    Cylinder = 7,
    Capsule = 8,
    Profile = 9,
    UniformProfile = 10,
    PillowProfile = 11,
    BlobProfile = 12,
    ChamferProfile = 13,
    ChiselProfile = 14,
    ConvexProfile = 15,
    ConvexSharpProfile = 16,
    ScoopProfile = 17,
    Revolution = 18,
    TubeDrawnSection = 19, // "Tube" with Ctrl: the section is drawn too
    Tube = 20,
    Array = 21,
    Chain = 22,
    Guide = 23,
    Hydraulics = 24,
    Muscle = 25,
    Lightning = 26,
    Cable = 27,
};

// The nine profiles, Profile to ScoopProfile in order.
constexpr bool isProfileKind(InsertKind k) { return k >= InsertKind::Profile && k <= InsertKind::ScoopProfile; }
// 0..8 along the profiles; 0 for any other kind.
constexpr int profileIndex(InsertKind k) { return isProfileKind(k) ? int(k) - int(InsertKind::Profile) : 0; }
constexpr bool isArrayKind(InsertKind k) { return k == InsertKind::Array || k == InsertKind::Chain; }
// The tools that join two picked objects, Guide to Cable.
constexpr bool isTwoObjectKind(InsertKind k) { return k >= InsertKind::Guide && k <= InsertKind::Cable; }
// The commands that put the pending template into the scene.
constexpr bool isPlacingCommand(Command c) {
    return c == Command::Insert || c == Command::Multiply || c == Command::Place || c == Command::Paint ||
           c == Command::Draw;
}
// The commands that set the picked object's pivot, alignment or constraint axes: they act on the
// pressed object alone, and the view shows its pivot while they are chosen.
constexpr bool isPivotCommand(Command c) {
    using C = Command;
    return c == C::ConstrainRotation || c == C::CounterConstrainRotation || c == C::ConstrainTranslation ||
           c == C::CounterConstrainTranslation || c == C::RemoveRotationConstraint ||
           c == C::RemoveTranslationConstraint || c == C::Align || c == C::MatchPivot || c == C::MatchObjectPivot;
}

} // namespace kal
