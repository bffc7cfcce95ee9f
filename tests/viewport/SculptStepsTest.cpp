// Symmetric sculpt picks, and sculpt clicks through the frame on a mesh that records the gesture
// lists it is handed; Delete at a granularity.
#include <cstring>

#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "scene/Acts.h"
#include "VecExpect.h"

using namespace kal;
using test::GestureCall;
using test::StepView;

namespace {

class SculptSteps : public ::testing::Test {
protected:
    StepView v;
    std::vector<GestureCall> calls;
    Tool* tool = nullptr;
    mat4 world; // turned a quarter about Z and moved: copies must still land in world space

    void SetUp() override {
        test::resetAllInput();
        world = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 1.5707964f));
        world *= mat4::translation(vec3(2, 1, 0));
        tool = test::addSceneObject(*v.scene, new test::RecordingMesh(&calls), world);
        symmetry(0, 0, false);
        v.setMode(SCULPT);
        v.setSculptBrush(1);
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    void aimAt(vec3 p, vec3 n = {1, 0, 0}) { v.sculptPick = test::pickOn(*v.scene, tool, p, n); }
    void symmetry(uint8_t mirrorX, uint8_t rotationZ, bool snap, int count = 4) {
        const uint8_t flags[6] = {mirrorX, 0, 0, 0, 0, rotationZ};
        v.setSymmetry(flags, count);
        v.setSnapSymmetry(snap);
    }
    vec3 worldOf(const StrokeSample& s) const { return s.point * world; }
};

} // namespace

TEST_F(SculptSteps, SymmetricPicksAreWorldCopiesThatSamplesCarryIntoTheObject) {
    aimAt({0.3f, 1.0f, 0.5f}, normalize(vec3(1, 1, 0)));
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 1u);
    EXPECT_EQ(v.symmetricPicks[0].handedness, 1);

    symmetry(1, 0, false);
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 2u);
    const PickRecord& copy = v.symmetricPicks[1];
    EXPECT_EQ(copy.itemId, kSymmetricCopyItem);
    EXPECT_EQ(copy.handedness, -1);
    test::expectVecNear(copy.point, {-0.3f, 1.0f, 0.5f}, 1e-5f);
    test::expectVecNear(copy.normal, normalize(vec3(-1, 1, 0)), 1e-5f);
    test::expectVecNear(worldOf(StrokeSample(copy)), {-0.3f, 1.0f, 0.5f}, 1e-5f);

    // on the mirror plane the image coincides: two entries, or one when snapping
    aimAt({0.0f, 1.0f, 0.5f});
    v.updateSymmetricPicks(true);
    EXPECT_EQ(v.symmetricPicks.size(), 2u);
    symmetry(1, 0, true);
    v.updateSymmetricPicks(true);
    EXPECT_EQ(v.symmetricPicks.size(), 1u);

    symmetry(0, 1, true);
    aimAt({1.0f, 0.0f, 0.2f});
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 4u);
    EXPECT_TRUE(v.symmetryMerges.empty());
    test::expectVecNear(v.symmetricPicks[2].point, {-1.0f, 0.0f, 0.2f}, 1e-5f);
}

TEST_F(SculptSteps, AStrokeKeepsTheCopyCountOfItsStartAndResizesThePicks) {
    symmetry(1, 0, true);
    aimAt({0.0f, 1.0f, 0.5f});
    v.updateSymmetricPicks(true);
    aimAt({0.4f, 1.0f, 0.5f}); // off the plane: the recorded merge still holds
    v.updateSymmetricPicks(false);
    EXPECT_EQ(v.symmetricPicks.size(), 1u);
    v.symmetryMerges.clear();
    v.symmetryMergeGroups.clear();
    v.symmetricPicks.resize(5);
    v.updateSymmetricPicks(false);
    EXPECT_EQ(v.symmetricPicks.size(), 2u);
}

TEST_F(SculptSteps, AMirroredStrokeBeginsRunsAndFinishesEveryCopy) {
    symmetry(1, 0, false);
    int live = 0;
    v.undoStack.push(new test::CountingAct(&live));
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].states, (std::vector<int>{1, 1}));
    EXPECT_EQ(calls[0].sampleCounts, (std::vector<int>{1, 1}));
    EXPECT_EQ(calls[0].handedness, (std::vector<int>{1, -1}));
    EXPECT_EQ(live, 0) << "a sculpt press gives up the undo list";
    aimAt({0.35f, 1.0f, 0.5f});
    v.frame(true, false, 105, 100);
    EXPECT_EQ(calls.back().states, (std::vector<int>{2, 2}));
    v.frame(false, false, 105, 100);
    EXPECT_EQ(calls.back().states, (std::vector<int>{3, 3}));
    EXPECT_EQ(calls.back().sampleCounts, (std::vector<int>{3, 3}));
    test::expectVecNear(worldOf(calls.back().samples[1].back()), {-0.35f, 1.0f, 0.5f}, 1e-5f);
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.busy, 0);
}

TEST_F(SculptSteps, AGestureWithoutItsCopyThisFrameSitsTheCallOut) {
    symmetry(1, 0, false);
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    v.symmetricPicks.resize(1);
    v.frame(true, false, 105, 100);
    EXPECT_EQ(calls.back().states, (std::vector<int>{2}));
    EXPECT_EQ(calls.back().sampleCounts, (std::vector<int>{2}));
}

TEST_F(SculptSteps, PickMaterialAndEmptySpaceStartNoGesture) {
    v.setSculptBrush(31);
    aimAt({0.3f, 1.0f, 0.5f});
    v.sculptPick.surfaceMaterial.red = 1234;
    v.hoverThenPress(100, 100);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(v.brushMaterial.red, 1234);
    v.frame(false);

    v.sculptPick = PickRecord();
    v.undoStack.push(new test::CountingAct());
    v.hoverThenPress(100, 100);
    EXPECT_EQ(v.mode, VIEW);
    EXPECT_EQ(v.busy, 1);
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
}

TEST_F(SculptSteps, AStrokeEndsFinishedUnlessEscapeCancelsAnEraser) {
    aimAt({0.3f, 1.0f, 0.5f});
    v.hoverThenPress(100, 100);
    v.frame(true, true);
    v.frame(false, true); // left up, right held: the click goes on
    EXPECT_EQ(calls.size(), 1u);
    v.frame(false, false);
    EXPECT_EQ(calls.back().states, (std::vector<int>{3}));
    EXPECT_TRUE(v.sculptors.empty());

    // Escape cancels only the erase, plane and sphere brushes, and applies nothing
    v.setSculptBrush(32);
    v.hoverThenPress(100, 100);
    const size_t before = calls.size();
    test::holdQtKeys({Qt::Key_Escape});
    v.frame(true, false, 104, 100);
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.mode, IDLE);
    EXPECT_EQ(calls.size(), before);
}

TEST_F(SculptSteps, DeleteRemovesTheNamedToolOrErasesAtEachCopy) {
    Tool* other = test::addSceneObject(*v.scene, new test::RecordingMesh(&calls), mat4());
    v.pressPick = test::pickOn(*v.scene, other, {0, 0, 0}, {0, 0, 1});
    EXPECT_FALSE(v.deleteByMode(nullptr, 0, false));
    ASSERT_TRUE(v.deleteByMode(other, 1, false));
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.scene->sceneRoot->children, std::vector<Tool*>{tool});

    symmetry(1, 0, false);
    struct Case {
        uint8_t granularity;
        int action, selection;
    };
    for (const Case c : {Case{2, 32, 3}, Case{3, 34, 1}, Case{4, 35, 3}, Case{7, 32, 3}}) {
        calls.clear();
        aimAt({0.3f, 1.0f, 0.5f});
        ASSERT_TRUE(v.deleteByMode(tool, c.granularity, true));
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].states, (std::vector<int>{3, 3}));
        EXPECT_EQ(calls[0].actions, (std::vector<int>{c.action, c.action}));
        EXPECT_EQ(calls[0].selectionModes, (std::vector<int>{c.selection, c.selection}));
        for (const auto& s : calls[0].samples) {
            ASSERT_EQ(s.size(), 2u);
            EXPECT_EQ(std::memcmp(&s[0], &s[1], sizeof(StrokeSample)), 0);
        }
    }
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
    calls.clear();
    v.sculptPick = PickRecord(); // the re-pick misses: nothing is erased
    EXPECT_TRUE(v.deleteByMode(tool, 2, false));
    EXPECT_TRUE(calls.empty());
}
