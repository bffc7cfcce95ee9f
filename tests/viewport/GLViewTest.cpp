#include <gtest/gtest.h>

#include "ViewFixtures.h"
#include "gpu/FBOScene.h"
#include "scene/Scene.h"
#include "viewport/MouseState.h"

using namespace kal;
using test::RecordingView;

TEST(ViewDefaults, StartsInChosenAssemblyWithEffectiveIdleAndThePlaceCommand) {
    RecordingView v;
    EXPECT_EQ(v.chosenMode, ASSEMBLY);
    EXPECT_EQ(v.mode, IDLE);
    EXPECT_EQ(v.command, Command::Place);
    EXPECT_EQ(v.lastPlacingCommand, Command::Place);
    EXPECT_EQ(v.lastInsertCommand, Command::Place);
    EXPECT_TRUE(v.outside);
    EXPECT_TRUE(v.redraw);
    EXPECT_EQ(v.undoStack.cursor, -1);
    EXPECT_EQ(v.undoStack.limit, 20);
    ASSERT_EQ(v.arrayItems.size(), 1u);
    EXPECT_EQ(v.arrayItems[0], 0x8001u);
    EXPECT_EQ(v.pressPick.kind, kPickNothing);
    EXPECT_EQ(v.backgroundColor.r, 0x2200);
    EXPECT_EQ(v.symmetry.mirrorX, 1);
    EXPECT_EQ(v.symmetry.count, 6);
}

TEST(ViewLifetime, AFullViewOwnsItsSceneAndTwoTargetsResizedTogether) {
    GLView v(640, 480);
    ASSERT_NE(v.scene, nullptr);
    ASSERT_EQ(v.renderTargets.size(), 2u);
    EXPECT_EQ(v.renderTargets[0], v.opaqueTarget);
    EXPECT_EQ(v.renderTargets[1], v.transparentTarget);
    v.resize(800, 600);
    for (FBO* t : v.renderTargets) {
        EXPECT_EQ(t->width, 800);
        EXPECT_EQ(t->height, 600);
    }
    EXPECT_TRUE(v.frameReady);
}

TEST(ViewSetters, BrushSizeAndElevationAreClamped) {
    RecordingView v;
    v.setBrushSize(0.5f);
    EXPECT_FLOAT_EQ(v.brushSize, 1.0f);
    v.setBrushSize(5000.0f);
    EXPECT_FLOAT_EQ(v.brushSize, 2000.0f);
    v.setElevation(-3.0f);
    EXPECT_FLOAT_EQ(v.elevation, -1.0f);
    v.setElevation(0.25f);
    EXPECT_FLOAT_EQ(v.elevation, 0.25f);
}

TEST(ViewSetters, BrushSizeReshapesTheRunningDrawStrokeOnlyWhileDrawing) {
    RecordingView v;
    frameMouse.left = 1;
    v.drawAnchored = true;
    v.setBrushSize(40.0f);
    EXPECT_EQ(v.count("buildDrawnTool"), 0); // no gesture runs
    v.busy = 1;
    v.mode = ASSEMBLY;
    v.command = Command::Draw;
    v.setBrushSize(40.0f);
    EXPECT_EQ(v.count("strokeRadius 40"), 1);
    EXPECT_EQ(v.count("buildDrawnTool"), 1);
    frameMouse.left = 0;
    v.setElevation(0.5f);
    EXPECT_EQ(v.count("buildDrawnTool"), 1); // the button is up
    frameMouse = MouseState();
}

TEST(ViewSetters, FieldOfViewRequestsRedrawOnlyInPerspective) {
    RecordingView v;
    v.redraw = false;
    v.setFieldOfView(75.0f);
    EXPECT_FLOAT_EQ(v.fieldOfView, 75.0f);
    EXPECT_FALSE(v.redraw);
    v.perspective = 1;
    v.setFieldOfView(80.0f);
    EXPECT_TRUE(v.redraw);
}

TEST(ViewSetters, SwitchingProjectionRestoresChosenValuesButTheSameValueDoesNothing) {
    RecordingView v;
    v.hoverPick.kind = 1;
    v.redraw = false;
    v.setOrthogonal(0);
    EXPECT_EQ(v.hoverPick.kind, 1);
    EXPECT_FALSE(v.redraw);
    EXPECT_EQ(v.count("resetPick"), 0);
    v.chosenBrush = Brush::Mirror;
    v.setOrthogonal(1);
    EXPECT_EQ(v.perspective, 1);
    EXPECT_EQ(v.count("resetPick"), 1);
    EXPECT_EQ(v.mode, ASSEMBLY);
    EXPECT_EQ(v.brush, Brush::Mirror);
    EXPECT_TRUE(v.redraw);
}

TEST(ViewSetters, CommandChoiceTracksTheLastPlacingAndInsertCommands) {
    RecordingView v;
    v.setAssemblyCommand(Command::Insert);
    EXPECT_EQ(v.lastPlacingCommand, Command::Insert);
    EXPECT_EQ(v.lastInsertCommand, Command::Insert);
    v.setAssemblyCommand(Command::Draw);
    EXPECT_EQ(v.lastPlacingCommand, Command::Draw);
    EXPECT_EQ(v.lastInsertCommand, Command::Insert);
    v.setAssemblyCommand(Command::Multiply);
    EXPECT_EQ(v.lastPlacingCommand, Command::Draw);
    EXPECT_EQ(v.lastInsertCommand, Command::Insert);
    EXPECT_EQ(v.command, Command::Multiply);
    EXPECT_EQ(v.chosenCommand, Command::Multiply);
    v.setAssemblyCommand(Command::Paint);
    EXPECT_EQ(v.lastPlacingCommand, Command::Paint);
    EXPECT_EQ(v.lastInsertCommand, Command::Paint);
}

TEST(ViewAccessors, FullModeForcesPlaceAndTurnsLinkedEditsOff) {
    RecordingView v;
    v.command = Command::Insert;
    EXPECT_EQ(v.assemblyCommand(), Command::Insert);
    v.fullMode = true;
    EXPECT_EQ(v.assemblyCommand(), Command::Place);
    EXPECT_FALSE(v.isLinked());
    EXPECT_FALSE(v.isAddOnLinked());
    EXPECT_EQ(v.effectiveHierarchyTarget(true), 1);
    EXPECT_EQ(v.effectiveHierarchyTarget(false), 2);
    v.fullMode = false;
    v.hierarchyTarget = 0;
    EXPECT_EQ(v.effectiveHierarchyTarget(true), 0);
    EXPECT_TRUE(v.isLinked());
    v.command = Command::Move;
    EXPECT_EQ(v.assemblyCommand(), Command::Move);
}

TEST(ViewAccessors, CursorOnTheOuterPixelsCountsAsOutside) {
    RecordingView v(100, 50);
    v.outside = false;
    frameMouse.x = 0;
    frameMouse.y = 10;
    EXPECT_FALSE(v.isCursorInView());
    frameMouse.x = 99;
    EXPECT_FALSE(v.isCursorInView());
    frameMouse.x = 98;
    EXPECT_TRUE(v.isCursorInView());
    frameMouse.y = 49;
    EXPECT_FALSE(v.isCursorInView());
    frameMouse.y = 10;
    v.outside = true;
    EXPECT_FALSE(v.isCursorInView());
    frameMouse = MouseState();
}

TEST(ViewAccessors, PixelVectorIsOnePixelAtTheFocusDepthOrTheFrozenBlock) {
    RecordingView v(1000, 800);
    v.updateCamera();
    vec3 px = v.pixelVector(true);
    EXPECT_NEAR(px.x, 1.0f / 800.0f, 1e-6f); // one pixel of an 800-pixel smaller side
    EXPECT_NEAR(px.y, 0.0f, 1e-7f);
    EXPECT_TRUE(v.toggleBlockSize());
    v.zoomView(1.0f); // zooming does not change a frozen block
    v.updateCamera();
    EXPECT_NEAR(v.pixelVector(true).x, px.x, 1e-7f);
    EXPECT_NEAR(v.pixelVector(false).x, px.x / 2.0f, 1e-6f);
    EXPECT_FALSE(v.toggleBlockSize());
}

TEST(ViewAccessors, FocusDepthIsTheDepthOfThePivotPlaneInPerspective) {
    RecordingView v(1000, 800);
    v.perspective = 1;
    v.updateCamera();
    EXPECT_NEAR(v.focusDepth(), v.viewZToDepth(-v.focalLength), 1e-5f);
    EXPECT_FLOAT_EQ(v.nearPlane(), v.nearDistance);
    v.perspective = 0;
    EXPECT_FLOAT_EQ(v.nearPlane(), -v.farDistance);
    EXPECT_DOUBLE_EQ(v.smallerSide(), 800.0);
}
