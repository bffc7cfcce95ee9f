#include <cmath>

#include <gtest/gtest.h>

#include "SceneViewFixture.h"
#include "mesh/Mesh.h"
#include "scene/Acts.h"

using namespace kal;
using test::SceneView;

namespace {

class Drag : public ::testing::Test {
protected:
    void SetUp() override { test::resetAllInput(); }
    void TearDown() override { test::resetAllInput(); }

    // One drag step from (x0, y0) to (x1, y1) with the given buttons, keys held as the table says.
    static void step(GLView& v, float x0, float y0, float x1, float y1, bool left, bool right) {
        MouseState& m = frameMouse;
        m.prevX = x0;
        m.prevY = y0;
        m.x = x1;
        m.y = y1;
        m.dx = x1 - x0;
        m.dy = y1 - y0;
        m.prevLeft = m.left = left ? 1 : 0;
        m.prevRight = m.right = right ? 1 : 0;
        v.dragStep();
    }
};

void expectSameMatrix(const mat3& a, const mat3& b) {
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(a.m[i], b.m[i]) << "element " << i;
}

void expectExactly(const mat4& a, const mat4& b) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
}

bool allFinite(const mat4& m) {
    for (float f : m.m)
        if (!std::isfinite(f)) return false;
    return true;
}

} // namespace

TEST_F(Drag, AStillCursorOrOneOutsideTheViewChangesNothingEvenWithButtonsHeld) {
    SceneView v;
    v.outside = false;
    v.mode = VIEW;
    v.dragAccumX = 7;
    v.lastCursorX = 3;
    const mat3 before = v.camera.rotation;
    step(v, 50, 50, 50, 50, true, false);
    EXPECT_EQ(v.dragAccumX, 7);
    EXPECT_EQ(v.lastCursorX, 3);
    EXPECT_FALSE(v.cursorMoved);
    step(v, 50, 50, 5000, 50, true, false); // beyond the right edge
    EXPECT_EQ(v.dragAccumX, 7);
    EXPECT_FALSE(v.cursorMoved);
    EXPECT_EQ(v.camera.rotation, before);
}

TEST_F(Drag, MotionAccumulatesInWholePixelsAndLeavesTheLastCursor) {
    SceneView v;
    v.outside = false;
    v.mode = IDLE;
    for (int i = 0; i < 3; ++i) step(v, 100 + 0.6f * i, 100, 100 + 0.6f * (i + 1), 100, false, false);
    EXPECT_EQ(v.dragAccumX, 0);
    step(v, 100, 100, 102.5f, 96.5f, false, false);
    EXPECT_EQ(v.dragAccumX, 2);
    EXPECT_EQ(v.dragAccumY, -3);
    EXPECT_EQ(v.lastCursorX, 102);
    EXPECT_EQ(v.lastCursorY, 96);
    EXPECT_TRUE(v.cursorMoved);
}

// A left drag turns the camera by a hundredth of a radian a pixel: 50 pi pixels across is a
// quarter turn about the vertical axis, 50 pi pixels down a quarter turn about the horizontal.
TEST_F(Drag, LeftDragThroughTheFrameTurnsTheCameraAQuarterTurnPerFiftyPiPixels) {
    const float quarter = float(50.0 * 3.141592653589793);
    struct Case {
        float dx, dy;
        mat3 turned; // rows, worked out by hand
    };
    const Case cases[] = {
        {-quarter, 0, mat3{{0, 0, -1, 0, 1, 0, 1, 0, 0}}}, // about y
        {0, quarter, mat3{{1, 0, 0, 0, 0, 1, 0, -1, 0}}},  // about x
    };
    for (const Case& c : cases) {
        SceneView v;
        v.setMode(VIEW);
        v.enter(400, 300);
        v.namedView = 1;
        v.camera.rotation = mat3();
        v.frameAt(400 + c.dx, 300 + c.dy, true, false);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(v.camera.rotation.m[i], c.turned.m[i], 1e-5f) << "element " << i;
        EXPECT_EQ(v.namedView, 0);
    }
}

TEST_F(Drag, RightDragPansByTheCursorMotionAndKeepsTheNamedView) {
    SceneView v;
    v.setMode(VIEW);
    v.enter(400, 300);
    v.namedView = 5;
    const mat3 rotation = v.camera.rotation;
    v.frameAt(430, 280, false, true);
    v.frameAt(420, 285, false, true);
    EXPECT_FLOAT_EQ(v.camera.translation.x, 20.0f);
    EXPECT_FLOAT_EQ(v.camera.translation.y, -15.0f);
    EXPECT_FLOAT_EQ(v.camera.translation.z, 0.0f);
    EXPECT_EQ(v.camera.rotation, rotation);
    EXPECT_EQ(v.namedView, 5);
}

TEST_F(Drag, ShiftSlowsTheTurnTenfoldAndAltRolls) {
    SceneView v;
    v.outside = false;
    v.mode = VIEW;
    test::holdKeys({VkShift});
    step(v, 100, 100, 110, 100, true, false);
    CameraState expected;
    rotateCamera(expected, 0.0f, -0.01f, 0.0f);
    expectSameMatrix(v.camera.rotation, expected.rotation);

    SceneView w;
    w.outside = false;
    w.mode = VIEW;
    test::holdKeys({VkMenu});
    step(w, 100, 100, 110, 100, true, false);
    CameraState rolled;
    rotateCamera(rolled, 0.0f, 0.0f, 0.1f);
    expectSameMatrix(w.camera.rotation, rolled.rotation);
    EXPECT_EQ(w.namedView, 0);
}

namespace {

// A scene object under the cursor, pressed as the press step leaves it: a transform record
// pushed, the press pick on the object at the given world point, a gesture running.
struct PressedObject {
    Tool* tool = nullptr;
    int32_t id = 0;
    mat4 transformBefore;
    mat4 pivotBefore;
};

PressedObject pressObject(SceneView& v, Command command, const mat4& placement, vec3 pressPoint) {
    PressedObject p;
    p.tool = test::addSceneObject(*v.scene, Mesh::createCube(), placement);
    p.id = v.scene->idOf(p.tool);
    p.transformBefore = p.tool->transform;
    p.pivotBefore = p.tool->pivot;
    v.outside = false;
    v.mode = ASSEMBLY;
    v.command = command;
    v.pivotMode = PivotObject;
    v.updateCamera();
    v.undoStack.push(new ActObjectTransform(v.scene, p.id, v.isLinked()));
    PickRecord& pick = v.pressPick;
    pick = PickRecord();
    pick.kind = 1;
    pick.stencilBits = 1;
    pick.objectId = uint32_t(p.id);
    ToolRef group;
    mat4 groupWorld;
    v.scene->lookupWithMatrices(p.id, group, pick.object, groupWorld, pick.objectWorld, false);
    pick.groupRoot = group;
    pick.point = pressPoint;
    v.hoverPick = pick;
    v.busy = 1;
    return p;
}

// The hover record of a drag to world point q (the render's same-depth pick).
void hoverTo(SceneView& v, vec3 q) {
    v.hoverPick.delta = q - v.hoverPick.point;
    v.hoverPick.point = q;
    v.hoverPick.kind = 2;
}

} // namespace

TEST_F(Drag, MovingAPickedToolFollowsTheHoverPointAndUndoRestoresItExactly) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Move, mat4::translationXYZ(1.25f, -2.0f, 0.5f), {1.25f, -2.0f, 1.5f});
    hoverTo(v, {3.25f, -1.0f, 1.5f});
    step(v, 100, 100, 120, 90, true, false);
    hoverTo(v, {4.0f, -1.5f, 1.5f});
    step(v, 120, 90, 130, 95, true, false);
    const vec3 at = p.tool->composeMatrix().translation();
    EXPECT_NEAR(at.x, 4.0f, 1e-5f);
    EXPECT_NEAR(at.y, -1.5f, 1e-5f);
    EXPECT_NEAR(at.z, 0.5f, 1e-5f);
    EXPECT_EQ(v.pressPick.point, vec3(1.25f, -2.0f, 1.5f)); // Move keeps the press point

    ASSERT_TRUE(v.undoStack.canUndo());
    v.busy = 0;
    v.undo();
    expectExactly(p.tool->transform, p.transformBefore);
    expectExactly(p.tool->pivot, p.pivotBefore);
}

TEST_F(Drag, RotatingTurnsAboutThePivotInTheScreenPlaneAndUndoRestoresExactly) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Rotate, mat4::translationXYZ(2.0f, 1.0f, 0.0f), {3.0f, 1.0f, 0.0f});
    hoverTo(v, {2.0f, 2.0f, 0.0f}); // a quarter turn about the pivot at (2, 1, 0)
    step(v, 100, 100, 101, 99, true, false);
    // the pivot stays and the pressed side now points where the hover point is
    const mat4 t = p.tool->composeMatrix();
    EXPECT_NEAR(t.m[3], 2.0f, 1e-5f);
    EXPECT_NEAR(t.m[7], 1.0f, 1e-5f);
    const vec3 turned = transformDirection(vec3(1, 0, 0), t);
    EXPECT_NEAR(turned.x, 0.0f, 1e-5f);
    EXPECT_NEAR(turned.y, 1.0f, 1e-5f);
    EXPECT_EQ(v.pressPick.point, vec3(2.0f, 2.0f, 0.0f)); // the next step starts from here

    v.busy = 0;
    v.undo();
    expectExactly(p.tool->transform, p.transformBefore);
}

TEST_F(Drag, APressRightOnThePivotTurnsNothingAndLeavesNoNaN) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Rotate, mat4::translationXYZ(2.0f, 1.0f, 0.0f), {2.0f, 1.0f, 0.0f});
    hoverTo(v, {2.0f, 3.0f, 0.0f});
    step(v, 100, 100, 101, 99, true, false);
    EXPECT_TRUE(allFinite(p.tool->transform));
    expectExactly(p.tool->transform, p.transformBefore);
    expectExactly(p.tool->pivot, p.pivotBefore);

    v.pivotMode = PivotObjectPivot;
    v.command = Command::RotateScale; // RotateScale from the pivot itself
    v.pressPick.point = vec3(2.0f, 1.0f, 0.0f);
    hoverTo(v, {2.5f, 1.0f, 0.0f});
    step(v, 101, 99, 102, 99, true, false);
    expectExactly(p.tool->transform, p.transformBefore);
    expectExactly(p.tool->pivot, p.pivotBefore);
}

TEST_F(Drag, ScalingTakesTheDistanceRatioOnlyStrictlyBetweenHalfAndDouble) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Scale, mat4(), {1.0f, 0.0f, 0.0f});
    hoverTo(v, {2.0f, 0.0f, 0.0f}); // exactly double: ignored
    step(v, 100, 100, 101, 100, true, false);
    expectExactly(p.tool->transform, p.transformBefore);
    EXPECT_EQ(v.pressPick.point, vec3(2.0f, 0.0f, 0.0f));

    hoverTo(v, {0.0f, 3.0f, 0.0f}); // 1.5 times, in another direction
    step(v, 101, 100, 102, 100, true, false);
    EXPECT_FLOAT_EQ(p.tool->transform.m[0], 1.5f);
    EXPECT_FLOAT_EQ(p.tool->transform.m[5], 1.5f);
    EXPECT_FLOAT_EQ(p.tool->transform.m[10], 1.5f);

    v.busy = 0;
    v.undo();
    expectExactly(p.tool->transform, p.transformBefore);
}

TEST_F(Drag, RotateScaleBeyondTwiceTheDistanceOnlyTurns) {
    SceneView v;
    PressedObject p = pressObject(v, Command::RotateScale, mat4(), {1.0f, 0.0f, 0.0f});
    hoverTo(v, {0.0f, 3.0f, 0.0f});
    step(v, 100, 100, 101, 100, true, false);
    const vec3 x = transformDirection(vec3(1, 0, 0), p.tool->composeMatrix());
    EXPECT_NEAR(x.length(), 1.0f, 1e-5f); // no scale
    EXPECT_NEAR(x.y, 1.0f, 1e-5f);
}

TEST_F(Drag, BothButtonsOrAMissedPressRunNoCommand) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Move, mat4(), {0.0f, 0.0f, 0.0f});
    hoverTo(v, {1.0f, 0.0f, 0.0f});
    step(v, 100, 100, 101, 100, true, true);
    expectExactly(p.tool->transform, p.transformBefore);
    v.pressPick.stencilBits = 0;
    step(v, 101, 100, 102, 100, true, false);
    expectExactly(p.tool->transform, p.transformBefore);
}

TEST_F(Drag, PivotModeMovesThePivotAndLeavesTheGeometryWhereItWas) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Move, mat4::translationXYZ(1, 0, 0), {1.0f, 0.0f, 0.0f});
    v.pivotMode = PivotOnly;
    const mat4 before = p.tool->composeMatrix();
    hoverTo(v, {1.0f, 2.0f, 0.0f});
    step(v, 100, 100, 101, 100, true, false);
    const mat4 after = p.tool->composeMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(after.m[i], before.m[i], 1e-5f);
    EXPECT_NE(p.tool->pivot, p.pivotBefore);
}

TEST_F(Drag, SpeedAddsWholePixelsOverAThousandAndConsumesThem) {
    SceneView v;
    PressedObject p = pressObject(v, Command::Speed, mat4(), {0.0f, 0.0f, 0.0f});
    const float start = p.tool->animationRate;
    step(v, 100, 100, 350, 100, true, false);
    EXPECT_FLOAT_EQ(p.tool->animationRate, start + 0.25f);
    EXPECT_EQ(v.dragAccumX, 0);
    step(v, 350, 100, 346.3f, 100, true, false);
    EXPECT_FLOAT_EQ(p.tool->animationRate, start + 0.25f - 0.003f);
    step(v, 346.3f, 100, 346.9f, 100, true, false); // under one pixel
    EXPECT_FLOAT_EQ(p.tool->animationRate, start + 0.25f - 0.003f);
}

TEST_F(Drag, SculptFramesRunEverySculptorAndAddOneSampleEach) {
    SceneView v;
    v.outside = false;
    v.mode = SCULPT;
    v.busy = 1;
    v.pressPick.stencilBits = 1;
    v.sculptors = {new Sculptor(Brush::Move, 0, 2), new Sculptor(Brush::Move, 0, 2)};
    v.symmetricPicks.resize(2);
    v.symmetricPicks[0].point = vec3(1, 2, 3);
    v.symmetricPicks[1].point = vec3(-1, 2, 3);
    step(v, 100, 100, 103, 100, true, false);
    step(v, 103, 100, 106, 100, true, false);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(v.sculptors[i]->isRunning());
        ASSERT_EQ(v.sculptors[i]->samples.size(), 2u);
        EXPECT_EQ(v.sculptors[i]->samples[1].point, v.symmetricPicks[i].point);
    }
    // more sculptors than symmetric picks: the extra one is left alone, nothing is read past the list
    v.sculptors.push_back(new Sculptor(Brush::Move, 0, 2));
    step(v, 106, 100, 109, 100, true, false);
    EXPECT_TRUE(v.sculptors[2]->samples.empty());
    v.resetPick(false);
    EXPECT_TRUE(v.sculptors.empty());
}

TEST_F(Drag, ThePickMaterialBrushTakesTheHoveredSurfaceMaterialOnly) {
    SceneView v;
    v.outside = false;
    v.mode = SCULPT;
    v.brush = Brush::PickMaterial;
    v.busy = 1;
    v.pressPick.stencilBits = 1;
    v.hoverPick.surfaceMaterial.red = 1234;
    v.sculptors = {new Sculptor(Brush::PickMaterial, 0, 2)};
    v.symmetricPicks.resize(1);
    step(v, 100, 100, 101, 100, true, false);
    EXPECT_EQ(v.brushMaterial.red, 1234);
    EXPECT_TRUE(v.sculptors[0]->samples.empty());
    v.resetPick(false);
}

TEST_F(Drag, DrawStrokesGainNewPointsOnlyWhenTheHoverPixelChanges) {
    SceneView v;
    v.outside = false;
    v.mode = ASSEMBLY;
    v.command = Command::Draw;
    v.busy = 3;
    PickRecord first;
    first.kind = 1;
    first.cursorX = 10;
    first.cursorY = 10;
    v.assemblor.addStroke(first);
    v.hoverPick = first;
    step(v, 10, 10, 11, 10, true, false);
    EXPECT_EQ(v.assemblor.strokes.back().picks.size(), 1u); // same pixel: not new
    v.hoverPick.cursorX = 11;
    v.hoverPick.pointKind = 2;
    step(v, 11, 10, 12, 10, true, false);
    ASSERT_EQ(v.assemblor.strokes.back().picks.size(), 2u);
    EXPECT_EQ(v.assemblor.strokes.back().picks.back().pointKind, 0u);
    EXPECT_EQ(v.assemblor.state, GestureRunning);
    EXPECT_TRUE(v.assemblor.strokes.back().isRunning());
    EXPECT_EQ(v.assemblor.strokeCount, 2);

    // an anchored drawing moves its last point instead; Ctrl wins over Shift
    v.drawAnchored = true;
    v.hoverPick.cursorX = 12;
    test::holdKeys({VkControl, VkShift});
    step(v, 12, 10, 13, 10, true, false);
    ASSERT_EQ(v.assemblor.strokes.back().picks.size(), 2u);
    EXPECT_EQ(v.assemblor.strokes.back().picks.back().cursorX, 12);
    EXPECT_EQ(v.assemblor.strokes.back().picks.back().pointKind, 3u);
}

TEST_F(Drag, ASecondAnchorRaisesTheGestureStageAndLaterOnesReplaceIt) {
    SceneView v;
    v.outside = false;
    v.mode = ASSEMBLY;
    v.command = Command::Draw;
    v.busy = 1;
    PickRecord a;
    a.kind = 1;
    a.cursorX = 5;
    v.assemblor.picks.push_back(a);
    v.hoverPick = a;
    v.hoverPick.cursorX = 6;
    step(v, 5, 5, 6, 5, true, false);
    EXPECT_EQ(v.assemblor.picks.size(), 2u);
    EXPECT_EQ(v.busy, 2);
    EXPECT_TRUE(v.drawAnchored);
    v.hoverPick.cursorX = 9;
    step(v, 6, 5, 9, 5, true, false);
    EXPECT_EQ(v.assemblor.picks.size(), 2u);
    EXPECT_EQ(v.assemblor.picks.back().cursorX, 9);
    EXPECT_EQ(v.busy, 2);
}

TEST_F(Drag, AChainDragMovesOnlyTheCollectedToolsAndLeavesNoMarks) {
    for (int length : {0, -1}) {
        SceneView v;
        // a three-link arm along +x: the root, an upper link at x = 1 and a lower one at x = 2
        Tool* root = test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
        Tool* upper = root->addChild(new Tool(Mesh::createCube(), mat4::translationXYZ(1, 0, 0), pbr(), false), false);
        Tool* lower = upper->addChild(new Tool(Mesh::createCube(), mat4::translationXYZ(1, 0, 0), pbr(), false), false);
        v.scene->rebuildToolLists();
        const mat4 rootBefore = root->composeMatrix(), upperBefore = upper->composeMatrix();
        const mat4 lowerBefore = lower->composeMatrix();

        v.outside = false;
        v.mode = ASSEMBLY;
        v.command = Command::InverseKinematics;
        v.ikChainLength = length;
        v.busy = 1;
        v.pressPick = PickRecord();
        v.pressPick.objectId = uint32_t(v.scene->idOf(lower));
        v.pressPick.point = vec3(2.5f, 0, 0);
        v.hoverPick = v.pressPick;
        v.hoverPick.point = vec3(2.0f, 1.0f, 0);
        step(v, 100, 100, 101, 100, true, false);

        EXPECT_EQ(v.pressPick.point, vec3(2.0f, 1.0f, 0)) << length;
        EXPECT_TRUE(v.chainTools.empty());
        EXPECT_TRUE(v.chainMatrices.empty());
        for (Tool* t : {root, upper, lower}) EXPECT_EQ(t->flags & CollectFlag, 0) << length;
        expectExactly(root->composeMatrix(), rootBefore);
        EXPECT_NE(lower->composeMatrix(), lowerBefore) << length;
        if (length == 0)
            expectExactly(upper->composeMatrix(), upperBefore); // only the picked link turns
        else
            EXPECT_NE(upper->composeMatrix(), upperBefore);
        for (Tool* t : {upper, lower}) EXPECT_TRUE(allFinite(t->composeMatrix()));
    }
}
