#include <gtest/gtest.h>

#include "scene/Gesture.h"

using namespace kal;

TEST(StrokeSample, AFreshPickGivesItsOwnPointIdsAndAUnitFactor) {
    PickRecord pick;
    pick.point = vec3(1.5f, -2.0f, 3.0f);
    pick.cursorX = 12;
    pick.cursorY = 34;
    StrokeSample s(pick);
    EXPECT_EQ(s.pointKind, 0u);
    EXPECT_EQ(s.point, pick.point);
    EXPECT_EQ(s.normal, vec3(0, 0, 0));
    EXPECT_EQ(s.objectId, 0);
    EXPECT_EQ(s.itemId, 0);
    EXPECT_EQ(s.factor, 1.0f);
    EXPECT_EQ(s.cursorX, 12.0f);
    EXPECT_EQ(s.cursorY, 34.0f);
    EXPECT_EQ(s.reserved, 0u);

    // a symmetric copy's item id reads as -1
    pick.itemId = kSymmetricCopyItem;
    pick.objectId = 7;
    pick.pointKind = 3;
    pick.factor = 0.25f;
    const StrokeSample copy(pick);
    EXPECT_EQ(copy.itemId, -1);
    EXPECT_EQ(copy.objectId, 7);
    EXPECT_EQ(copy.pointKind, 3u);
    EXPECT_EQ(copy.factor, 0.25f);
}

TEST(StrokeSample, ThePointGoesThroughTheFirstMatrixThenTheSecond) {
    PickRecord pick;
    pick.point = vec3(1, 1, 1);
    pick.worldToFrame = mat4::translationXYZ(1, 0, 0);
    pick.frameToTarget = mat4::uniformScaling(2);
    EXPECT_EQ(StrokeSample(pick).point, vec3(4, 2, 2)); // the other order would give (3, 2, 2)

    // the perspective row divides
    pick.worldToFrame = mat4();
    pick.frameToTarget = mat4();
    pick.frameToTarget.m[15] = 2.0f;
    EXPECT_EQ(StrokeSample(pick).point, vec3(0.5f, 0.5f, 0.5f));
}

TEST(StrokeSample, APlacementWithoutDepthKeepsThePointFinite) {
    PickRecord pick;
    pick.point = vec3(1, 2, 3);
    pick.frameToTarget.m[15] = 0.0f;
    const StrokeSample s(pick);
    EXPECT_EQ(s.point, pick.point);
}

TEST(StrokeSample, NormalsIgnoreTranslationAndAreNormalisedUnlessTooShort) {
    PickRecord pick;
    pick.normal = vec3(0, 0, 1);
    pick.worldToFrame = mat4::translationXYZ(5, 5, 5);
    pick.frameToTarget = mat4::scaling(1, 1, 3);
    EXPECT_EQ(StrokeSample(pick).normal, vec3(0, 0, 1));

    pick.worldToFrame = mat4();
    pick.frameToTarget = mat4();
    pick.normal = vec3(1e-11f, 0, 0); // squared length 1e-22: kept as it is
    EXPECT_EQ(StrokeSample(pick).normal, vec3(1e-11f, 0, 0));
}

TEST(StrokeSample, TheRadiusIsThePixelSpanInTargetSpaceTimesPixelsAndPressure) {
    PickRecord pick;
    pick.pixelVector = vec3(0.5f, 0, 0);
    pick.radius = 40.0f;
    pick.scale = 0.5f;
    pick.worldToFrame = mat4::translationXYZ(9, 9, 9);
    pick.frameToTarget = mat4::uniformScaling(3);
    EXPECT_FLOAT_EQ(StrokeSample(pick).radius, 0.5f * 3 * 40 * 0.5f);
}

TEST(GestureLifecycle, BeginningASculptorEmptiesItsSamplesButADrawingKeepsItsPoints) {
    Sculptor s;
    s.samples.resize(3);
    s.begin();
    EXPECT_TRUE(s.samples.empty());
    EXPECT_TRUE(s.isStarted());

    Assemblor a;
    a.picks.resize(2);
    a.addStroke(PickRecord());
    a.begin();
    EXPECT_EQ(a.picks.size(), 2u);
    EXPECT_EQ(a.strokes.size(), 1u);
    EXPECT_TRUE(a.isStarted());

    AStroke stroke;
    stroke.picks.resize(4);
    stroke.begin();
    EXPECT_TRUE(stroke.picks.empty());
}

TEST(GestureLifecycle, AddStrokeBeginsAStrokeWithOnePointAndCountsIt) {
    Assemblor a;
    PickRecord p;
    p.cursorX = 3;
    a.addStroke(p);
    a.addStroke(p);
    ASSERT_EQ(a.strokes.size(), 2u);
    EXPECT_EQ(a.strokeCount, 2);
    EXPECT_TRUE(a.strokes[1].isStarted());
    ASSERT_EQ(a.strokes[1].picks.size(), 1u);
    EXPECT_EQ(a.strokes[1].picks[0].cursorX, 3);
    a.clear();
    EXPECT_TRUE(a.strokes.empty());
    EXPECT_TRUE(a.picks.empty());
    EXPECT_EQ(a.strokeCount, 0);
}
