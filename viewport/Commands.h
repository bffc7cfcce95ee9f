#pragma once
// Assembly command ids and insert shape kinds, numbered as the status text names them. This header
// is the one place those numbers are written: the window, the view and the tests use the names.
#include <cstdint>

namespace kal {

enum CommandFlag : uint8_t {
    CommandUnnamed = 1, // the status line leaves its name blank
    CommandPlacing = 2, // puts the pending template into the scene
    CommandPivot = 4,   // sets the pressed object's pivot, alignment or constraint axes: it acts on
                        // that object alone, and the view shows its pivot while it is chosen
};

// Assembly commands, one row each: name, id, flags. Ids 22, 25..27, 33, 34, 45 and 48 are never
// chosen; Reserved24 is Scale with 3 held, and does nothing.
// clang-format off
#define KAL_COMMANDS(X)                              \
    X(Insert, 0, CommandPlacing)                     \
    X(Multiply, 1, CommandPlacing)                   \
    X(Place, 2, CommandPlacing)                      \
    X(Paint, 3, CommandPlacing)                      \
    X(Pick, 4, 0)                                    \
    X(PickComponent, 5, 0)                           \
    X(DetachComponent, 6, 0)                         \
    X(PickPatch, 7, CommandUnnamed)                  \
    X(Remove, 8, 0)                                  \
    X(Draw, 9, CommandPlacing)                       \
    X(ArrayPick, 10, 0)                              \
    X(ArrayPickItem, 11, 0)                          \
    X(ArrayClearItems, 12, 0)                        \
    X(DrawPickAxis, 13, 0)                           \
    X(DrawPickSection, 14, 0)                        \
    X(MakeUniform, 15, 0)                            \
    X(InverseKinematics, 16, 0)                      \
    X(Move, 17, 0)                                   \
    X(Rotate, 18, 0)                                 \
    X(Scale, 19, 0)                                  \
    X(Mirror, 20, 0)                                 \
    X(RotateScale, 21, 0)                            \
    X(RotateMultiplicity, 23, 0)                     \
    X(Reserved24, 24, CommandUnnamed)                \
    X(Material, 28, 0)                               \
    X(ColorIsLight, 29, 0)                           \
    X(MakeSprite, 30, 0)                             \
    X(MatchMaterial, 31, 0)                          \
    X(PickMaterial, 32, 0)                           \
    X(Link, 35, 0)                                   \
    X(Unlink, 36, 0)                                 \
    X(ConstrainRotation, 37, CommandPivot)           \
    X(CounterConstrainRotation, 38, CommandPivot)    \
    X(ConstrainTranslation, 39, CommandPivot)        \
    X(CounterConstrainTranslation, 40, CommandPivot) \
    X(RemoveRotationConstraint, 41, CommandPivot)    \
    X(RemoveTranslationConstraint, 42, CommandPivot) \
    X(Align, 43, CommandPivot)                       \
    X(CounterAlign, 44, 0)                           \
    X(MatchPivot, 46, CommandPivot)                  \
    X(MatchObjectPivot, 47, CommandPivot)            \
    X(ReplaceTool, 49, 0)                            \
    X(Orientation, 50, 0)                            \
    X(QuickSave, 51, 0)                              \
    X(Speed, 52, 0)                                  \
    X(Delay, 53, 0)
// clang-format on

enum class Command : int32_t {
#define KAL_COMMAND_ID(name, id, flags) name = id,
    KAL_COMMANDS(KAL_COMMAND_ID)
#undef KAL_COMMAND_ID
};

struct CommandRow {
    const char* name = nullptr;
    uint8_t flags = 0;
};

// The row of a command; an empty row for a number no command has.
constexpr CommandRow commandRow(Command c) {
    switch (c) {
// clang-format off
#define KAL_COMMAND_ROW(name, id, flags) case Command::name: return {#name, flags};
        KAL_COMMANDS(KAL_COMMAND_ROW)
#undef KAL_COMMAND_ROW
        // clang-format on
    }
    return {};
}
#undef KAL_COMMANDS

// The name the status text shows, split at capitals; none for the unnamed rows.
constexpr const char* commandName(Command c) {
    const CommandRow r = commandRow(c);
    return r.flags & CommandUnnamed ? nullptr : r.name;
}
constexpr bool isPlacingCommand(Command c) { return (commandRow(c).flags & CommandPlacing) != 0; }
constexpr bool isPivotCommand(Command c) { return (commandRow(c).flags & CommandPivot) != 0; }

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

} // namespace kal
