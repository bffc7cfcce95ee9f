// Symmetric sculpt picks, and a sculpt click through the real frame: press, drag and release on a
// mesh that records the gesture lists it is handed.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "scene/Acts.h"

using namespace kal;
using test::GestureCall;
using test::StepView;

namespace {

class SculptSteps : public ::testing::Test {
protected:
    StepView v;
    std::vector<GestureCall> calls;
    Tool* tool = nullptr;
    mat4 world; // the object's placement: turned a quarter about Z, moved

    void SetUp() override {
        test::resetAllInput();
        world = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 1.5707964f));
        world *= mat4::translation(vec3(2, 1, 0));
        tool = test::addSceneObject(*v.scene, new test::RecordingMesh(&calls), world);
        const uint8_t none[6] = {};
        v.setSymmetry(none, 6);
        v.setMode(SCULPT);
        v.setSculptBrush(1);
        v.enter(100, 100);
        v.outside = false;
    }
    void TearDown() override { test::resetAllInput(); }

    void aimAt(vec3 p, vec3 n = {1, 0, 0}) { v.sculptPick = test::pickOn(*v.scene, tool, p, n); }
    void mirrorX(bool snap) {
        const uint8_t flags[6] = {1, 0, 0, 0, 0, 0};
        v.setSymmetry(flags, 6);
        v.setSnapSymmetry(snap);
    }
    // The world point a sample names: samples are in the element's space.
    vec3 worldOf(const StrokeSample& s) const { return s.point * world; }
};

void expectNear(vec3 a, vec3 b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

} // namespace

TEST_F(SculptSteps, WithoutSymmetryThePickIsTheOnlyEntry) {
    const uint8_t none[6] = {};
    v.setSymmetry(none, 6);
    aimAt({0.3f, 1.0f, 0.5f});
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 1u);
    EXPECT_EQ(v.symmetricPicks[0].handedness, 1);
    EXPECT_EQ(v.symmetricPicks[0].itemId, 7u);
    expectNear(worldOf(StrokeSample(v.symmetricPicks[0])), {0.3f, 1.0f, 0.5f});
}

TEST_F(SculptSteps, MirrorXCopiesThePickAcrossTheWorldPlane) {
    mirrorX(false);
    aimAt({0.3f, 1.0f, 0.5f}, normalize(vec3(1, 1, 0)));
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 2u);
    const PickRecord& copy = v.symmetricPicks[1];
    EXPECT_EQ(copy.itemId, kSymmetricCopyItem);
    EXPECT_EQ(copy.handedness, -1);
    EXPECT_EQ(v.symmetricPicks[0].handedness, 1);
    expectNear(copy.point, {-0.3f, 1.0f, 0.5f});
    expectNear(copy.normal, normalize(vec3(-1, 1, 0)));
    // carried into the turned object, the sample still lands on the mirror image
    expectNear(worldOf(StrokeSample(copy)), {-0.3f, 1.0f, 0.5f});
}

TEST_F(SculptSteps, APickOnTheMirrorPlaneMergesWithItsImageOnlyWhenSnapping) {
    mirrorX(false);
    aimAt({0.0f, 1.0f, 0.5f});
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 2u);
    expectNear(v.symmetricPicks[1].point, v.symmetricPicks[0].point);
    EXPECT_EQ(v.symmetricPicks[1].handedness, -1);

    v.setSnapSymmetry(true);
    v.updateSymmetricPicks(true);
    EXPECT_EQ(v.symmetricPicks.size(), 1u);
    EXPECT_FALSE(v.symmetryMerges.empty());
}

TEST_F(SculptSteps, RotationInFourAwayFromTheAxisMakesFourCopiesAndNoMerge) {
    const uint8_t flags[6] = {0, 0, 0, 0, 0, 1};
    v.setSymmetry(flags, 4);
    v.setSnapSymmetry(true);
    aimAt({1.0f, 0.0f, 0.2f});
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 4u);
    EXPECT_TRUE(v.symmetryMerges.empty());
    // the four copies lie a quarter turn apart about the world Z axis
    for (const PickRecord& p : v.symmetricPicks) {
        EXPECT_NEAR(std::hypot(p.point.x, p.point.y), 1.0f, 1e-5f);
        EXPECT_NEAR(p.point.z, 0.2f, 1e-6f);
    }
    expectNear(v.symmetricPicks[2].point, {-1.0f, 0.0f, 0.2f});
}

TEST_F(SculptSteps, AStrokeKeepsTheCopyCountOfItsStartAndResizesThePicks) {
    mirrorX(true);
    aimAt({0.0f, 1.0f, 0.5f});
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 1u);
    // the stroke leaves the plane: the recorded merge still holds the copies together
    aimAt({0.4f, 1.0f, 0.5f});
    v.updateSymmetricPicks(false);
    EXPECT_EQ(v.symmetricPicks.size(), 1u);
    // a list left longer by an earlier stroke follows the copies actually made
    v.symmetryMerges.clear();
    v.symmetryMergeGroups.clear();
    v.symmetricPicks.resize(5);
    v.updateSymmetricPicks(false);
    EXPECT_EQ(v.symmetricPicks.size(), 2u);
}

TEST_F(SculptSteps, AMirroredStrokeBeginsRunsAndFinishesEveryCopy) {
    mirrorX(false);
    int live = 0;
    v.undoStack.push(new test::CountingAct(&live));
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].states, (std::vector<int>{1, 1}));
    EXPECT_EQ(calls[0].sampleCounts, (std::vector<int>{1, 1}));
    EXPECT_EQ(calls[0].handedness, (std::vector<int>{1, -1}));
    EXPECT_EQ(calls[0].actions, (std::vector<int>{1, 1}));
    EXPECT_EQ(live, 0) << "a sculpt press gives up the undo list";
    EXPECT_EQ(v.busy, 1);

    aimAt({0.35f, 1.0f, 0.5f});
    v.frame(true, false, 105, 100); // drag: picks follow, samples are added
    v.frame(true, false, 110, 100);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back().states, (std::vector<int>{2, 2}));

    v.frame(false, false, 110, 100); // release
    const GestureCall& last = calls.back();
    EXPECT_EQ(last.states, (std::vector<int>{3, 3}));
    EXPECT_EQ(last.sampleCounts[0], last.sampleCounts[1]);
    expectNear(worldOf(last.samples[1].back()), {-0.35f, 1.0f, 0.5f});
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.busy, 0);
    EXPECT_EQ(v.mode, SCULPT);
}

TEST_F(SculptSteps, PickMaterialTakesTheSurfaceMaterialAndStartsNoGesture) {
    v.setSculptBrush(31);
    aimAt({0.3f, 1.0f, 0.5f});
    v.sculptPick.surfaceMaterial.red = 1234;
    v.undoStack.push(new test::CountingAct());
    v.hoverThenPress(100, 100);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.brushMaterial.red, 1234);
    EXPECT_TRUE(v.undoStack.acts.empty());
}

TEST_F(SculptSteps, APressOnEmptySpaceNavigatesAndKeepsTheUndoList) {
    v.sculptPick = PickRecord();
    v.undoStack.push(new test::CountingAct());
    v.hoverThenPress(100, 100);
    EXPECT_EQ(v.mode, VIEW);
    EXPECT_EQ(v.busy, 1);
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
    v.frame(false);
    EXPECT_EQ(v.mode, SCULPT);
    EXPECT_EQ(v.busy, 0);
}

TEST_F(SculptSteps, AStrokeReleasedOutsideTheViewIsFinishedAndTheClickEnds) {
    mirrorX(false);
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    v.frame(true, false, -20, 100);  // dragged out of the view
    v.frame(false, false, -20, 100); // released there
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().states, (std::vector<int>{3, 3}));
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.busy, 0);
    // the next press starts a fresh stroke of two gestures
    v.hoverThenPress(100, 100);
    EXPECT_EQ(calls.back().states, (std::vector<int>{1, 1}));
}

TEST_F(SculptSteps, ALeftReleaseWithTheRightHeldWaitsAndTheRightReleaseStillFinishes) {
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    v.frame(true, true);
    const size_t before = calls.size();
    v.frame(false, true); // left up, right held: nothing
    EXPECT_EQ(calls.size(), before);
    EXPECT_EQ(v.sculptors.size(), 1u);
    v.frame(false, false);
    EXPECT_EQ(calls.back().states, (std::vector<int>{3}));
    EXPECT_TRUE(v.sculptors.empty());
}

TEST_F(SculptSteps, EscapeCancelsOnlyTheEraseFamilyOfBrushes) {
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    test::holdQtKeys({Qt::Key_Escape});
    v.frame(true, false, 102, 100);
    EXPECT_EQ(v.sculptors.size(), 1u) << "Escape keeps a Move stroke going";
    test::holdQtKeys({});
    v.frame(false, false, 102, 100);

    v.setSculptBrush(32);
    v.hoverThenPress(100, 100);
    const size_t before = calls.size();
    test::holdQtKeys({Qt::Key_Escape});
    v.frame(true, false, 104, 100);
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.busy, 0);
    EXPECT_EQ(v.mode, IDLE);
    EXPECT_EQ(calls.size(), before) << "a cancelled erase is not applied";
}

TEST_F(SculptSteps, DeleteRemovesTheNamedToolThroughOneRecord) {
    Tool* other = test::addSceneObject(*v.scene, new test::RecordingMesh(&calls), mat4());
    v.pressPick = test::pickOn(*v.scene, other, {0, 0, 0}, {0, 0, 1});
    int live = 0;
    v.undoStack.push(new test::CountingAct(&live));
    v.undoStack.undo(); // a redo tail the removal drops
    EXPECT_FALSE(v.deleteByMode(nullptr, 0, false));
    ASSERT_TRUE(v.deleteByMode(tool, 1, false));
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActRemoveKind);
    EXPECT_EQ(live, 0);
    v.scene->rebuildToolLists();
    EXPECT_EQ(v.scene->idOf(other), 1) << "the tool under the cursor stays";
    EXPECT_EQ(v.scene->sceneRoot->children.size(), 1u);
}

TEST_F(SculptSteps, DeleteErasesAtEachSymmetricCopyWithFinishedGestures) {
    mirrorX(false);
    v.undoStack.push(new test::CountingAct());
    v.pressX = 100;
    v.pressY = 100;
    struct Case {
        uint8_t granularity;
        int action, selection;
    };
    for (const Case c : {Case{2, 32, 3}, Case{3, 34, 1}, Case{4, 35, 3}, Case{7, 32, 3}}) {
        calls.clear();
        aimAt({0.3f, 1.0f, 0.5f});
        ASSERT_TRUE(v.deleteByMode(tool, c.granularity, true));
        ASSERT_EQ(calls.size(), 1u);
        const GestureCall& g = calls[0];
        EXPECT_EQ(g.states, (std::vector<int>{3, 3}));
        EXPECT_EQ(g.actions, (std::vector<int>{c.action, c.action}));
        EXPECT_EQ(g.selectionModes, (std::vector<int>{c.selection, c.selection}));
        EXPECT_EQ(g.handedness, (std::vector<int>{1, -1}));
        for (const auto& samples : g.samples) {
            ASSERT_EQ(samples.size(), 2u);
            EXPECT_EQ(std::memcmp(&samples[0], &samples[1], sizeof(StrokeSample)), 0);
        }
    }
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
    // a pick that lands on another object (or nothing) erases nothing
    calls.clear();
    v.sculptPick = PickRecord();
    EXPECT_TRUE(v.deleteByMode(tool, 2, false));
    EXPECT_TRUE(calls.empty());
}
