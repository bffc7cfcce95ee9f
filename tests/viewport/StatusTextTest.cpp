// The status text composed from view settings: line order, names, colours and the worked examples.
#include "viewport/StatusText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kal;
using Lines = std::vector<std::string>;

Lines linesOf(const StatusState& s) { return statusLines(statusPieces(s)); }

// The lines after the counts and the blank line.
Lines afterHeader(const StatusState& s) {
    Lines all = linesOf(s);
    return Lines(all.begin() + 2, all.end());
}

bool sameColour(const uint8_t* a, const uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

const StatusPiece* pieceWithText(const std::vector<StatusPiece>& pieces, const std::string& text) {
    for (const StatusPiece& p : pieces)
        if (p.text == text) return &p;
    return nullptr;
}

TEST(StatusText, sculptWorkedExampleReadsLineByLine) {
    StatusState s;
    s.mode = SCULPT;
    s.brush = Brush::DeformVolume;
    s.selectionMode = 1;
    s.axisSection = false;
    s.groups = true;
    s.placement = 1;
    s.frame = 2;
    s.symmetry = SymmetrySetting{1, 0, 0, 0, 0, 0, 6};
    EXPECT_EQ(afterHeader(s), (Lines{"SCULPT", "Deform Volume", "Selection: Patch", "Axis", "Groups",
                                     "Projection: On Object", "Frame: Object", "Sym:  Mirror X", ""}));
}

TEST(StatusText, countsOpenTheBlockFollowedByABlankLine) {
    StatusState s;
    s.objects = 12;
    s.tools = 3;
    const Lines lines = linesOf(s);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Objects 12   Tools 3");
    EXPECT_EQ(lines[1], "");
    // arrays held at their cap say so on the same line, the block keeping its shape
    s.arraysCapped = true;
    const Lines capped = linesOf(s);
    EXPECT_EQ(capped[0].rfind("Objects 12   Tools 3   Arrays stop at ", 0), 0u);
    EXPECT_EQ(capped.size(), lines.size());
}

TEST(StatusText, viewModeHasTwoBlankLinesBeforeTheSettings) {
    StatusState s;
    s.mode = VIEW;
    s.placement = 2;
    s.frame = 0;
    s.symmetry = SymmetrySetting{0, 0, 0, 0, 0, 0, 6};
    EXPECT_EQ(afterHeader(s), (Lines{"VIEW", "", "", "Projection: Same Depth", "Frame: Screen", ""}));
}

TEST(StatusText, rotationSymmetryShowsAxesAndItemCount) {
    StatusState s;
    s.symmetry = SymmetrySetting{0, 0, 0, 0, 1, 0, 6};
    const Lines lines = linesOf(s);
    EXPECT_EQ(lines[lines.size() - 2], "Sym:  Rotation Y.6");

    s.symmetry = SymmetrySetting{1, 0, 1, 1, 0, 1, 3};
    const Lines both = linesOf(s);
    EXPECT_EQ(both[both.size() - 2], "Sym:  Mirror X Z  Rotation X Z.3");
}

TEST(StatusText, snapLineNamesWhatSnapsInWhite) {
    StatusState s;
    s.snapSymmetry = true;
    s.snapGrid = true;
    const auto pieces = statusPieces(s);
    EXPECT_EQ(statusLines(pieces).back(), "Snap: Symmetry Grid");
    EXPECT_TRUE(sameColour(pieces.back().colour, statusWhite));
    s.snapSymmetry = false;
    EXPECT_EQ(linesOf(s).back(), "Snap: Grid");
}

TEST(StatusText, assemblyPlacingCommandShowsHierarchyAndLinkSettings) {
    StatusState s;
    s.mode = ASSEMBLY;
    s.command = Command::Place;
    s.hierarchyTarget = 1;
    s.relativeToChild = 3;
    s.addOnLinked = false;
    s.addLinked = true;
    s.groups = false;
    const auto pieces = statusPieces(s);
    const Lines lines = statusLines(pieces);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 9),
              (Lines{"ASSEMBLY", "Place", "Hierarchy: Add To Parent", "Placement: Match Hierarchy",
                     "Add On Single Object", "Linked", "Items"}));
    EXPECT_TRUE(sameColour(pieceWithText(pieces, "Hierarchy: Add To Parent")->colour, statusGrey));
    EXPECT_TRUE(sameColour(pieceWithText(pieces, "Add On Single Object")->colour, statusGreen));
    EXPECT_TRUE(sameColour(pieceWithText(pieces, "Place")->colour, statusGreen));
}

TEST(StatusText, assemblySettingsWithoutTextPrintNoLine) {
    StatusState s;
    s.mode = ASSEMBLY;
    s.command = Command::Insert;
    s.hierarchyTarget = 7;
    s.relativeToChild = 0;
    const Lines lines = linesOf(s);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 7),
              (Lines{"ASSEMBLY", "Insert", "Add On Linked Objects", "Linked", "Groups"}));
}

TEST(StatusText, otherCommandsKeepThreeBlankLinesAndUnnamedOnesPrintNoCommandLine) {
    StatusState s;
    s.mode = ASSEMBLY;
    s.command = Command::RotateScale;
    Lines lines = linesOf(s);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 9),
              (Lines{"ASSEMBLY", "Rotate Scale", "", "", "", "Linked", "Groups"}));
    s.command = Command::PickPatch;
    lines = linesOf(s);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 8), (Lines{"ASSEMBLY", "", "", "", "Linked", "Groups"}));
}

TEST(StatusText, fullModeShowsOnlyTheGreyGroupsLineAfterTheCommand) {
    StatusState s;
    s.mode = ASSEMBLY;
    s.fullMode = true;
    s.command = Command::Place; // what the command accessor answers for 0 in Full Mode
    s.groups = false;
    const auto pieces = statusPieces(s);
    const Lines lines = statusLines(pieces);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 6),
              (Lines{"ASSEMBLY", "Place", "Items", "Projection: Same Depth"}));
    EXPECT_TRUE(sameColour(pieceWithText(pieces, "Items")->colour, statusGrey));
}

TEST(StatusText, inverseKinematicsCommandShowsChainLengthOrBase) {
    StatusState s;
    s.mode = ASSEMBLY;
    s.command = Command::InverseKinematics;
    s.ikChainLength = 3;
    EXPECT_EQ(linesOf(s)[3], "IK 3");
    s.ikChainLength = 0;
    EXPECT_EQ(linesOf(s)[3], "IK Base");
    s.ikChainLength = -1;
    EXPECT_EQ(linesOf(s)[3], "IK Base");
}

TEST(StatusText, namesAreSplitBeforeCapitalsAndDigitsAndGapsHaveNone) {
    EXPECT_EQ(brushDisplayName(Brush::Pattern0), "Pattern 0");
    EXPECT_EQ(brushDisplayName(Brush::SubSphereReverse), "Sub Sphere Reverse");
    EXPECT_EQ(commandDisplayName(Command::CounterConstrainTranslation), "Counter Constrain Translation");
    EXPECT_EQ(commandDisplayName(Command::Delay), "Delay");
    const Command past = Command(int(Command::Delay) + 1);
    for (Command c : {Command(-1), Command::PickPatch, Command::Reserved24, past})
        EXPECT_EQ(commandDisplayName(c), "") << int(c);
    for (int id : {-5, 0, 10, 11, 16, 19, 28, 46, 60, 66, 72}) EXPECT_EQ(brushDisplayName(Brush(id)), "") << id;
}

TEST(StatusText, sculptBrushWithoutNameAndUnknownSelectionSkipTheirLines) {
    StatusState s;
    s.mode = SCULPT;
    s.brush = Brush{};
    s.selectionMode = 9;
    s.axisSection = true;
    s.groups = false;
    const Lines lines = linesOf(s);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 5), (Lines{"SCULPT", "Section", "Elements"}));
}

TEST(StatusText, unnamedModePrintsNoModeLineAndDynamicsNothingAfterIt) {
    StatusState s;
    s.mode = 1;
    EXPECT_EQ(linesOf(s)[2], "Projection: Same Depth");
    s.mode = DYNAMICS;
    const Lines lines = linesOf(s);
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 4), (Lines{"DYNAMICS", "Projection: Same Depth"}));
}

TEST(StatusText, unknownPlacementAndFrameLeaveTheirLabelsOnOneLine) {
    StatusState s;
    s.placement = 0;
    s.frame = 5;
    s.snapGrid = true;
    // with neither text nothing ends the line: the snap line joins it
    EXPECT_EQ(linesOf(s).back(), "Projection: Frame: Snap: Grid");
}

// The brush numbers are what gesture records and files hold: each named one keeps its number, a
// group and a Ctrl variant of its own group; the gaps between them stay unnamed. Every command has
// a name but the two the status line leaves blank and the numbers never chosen.
TEST(StatusText, everyBrushHasANameAndAGroupAndEveryCommandButTheUnnamedOnesHasAName) {
    const std::pair<int, int> brushRuns[] = {{1, 9}, {12, 15}, {20, 27}, {29, 45}, {47, 59}, {67, 71}};
    for (int n = -2; n < 80; ++n) {
        bool named = false;
        for (auto [first, last] : brushRuns) named = named || (n >= first && n <= last);
        const Brush b = Brush(n);
        const char* name = brushName(b);
        ASSERT_EQ(name != nullptr, named) << n;
        EXPECT_EQ(brushGroup(b) != BrushGroup::None, named) << n;
        if (!named) continue;
        // split at capitals on the status line: one word per capital
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(name[0])) && !std::strchr(name, ' ')) << name;
        const Brush held = ctrlVariant(b);
        if (held == b) continue;
        EXPECT_EQ(brushGroup(held), brushGroup(b)) << name;
        EXPECT_EQ(ctrlVariant(held), held) << name << ": a variant has none of its own";
    }
    const std::set<int> unnamedCommands = {7, 22, 24, 25, 26, 27, 33, 34, 45, 48};
    for (int n = -1; n <= int(Command::Delay) + 1; ++n) {
        const bool named = n >= 0 && n <= int(Command::Delay) && !unnamedCommands.count(n);
        EXPECT_EQ(commandName(Command(n)) != nullptr, named) << n;
    }
}

} // namespace
