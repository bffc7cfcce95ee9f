// Symmetric sculpt picks, and sculpt clicks through the frame on a mesh that records the gesture
// lists it is handed; Delete at a granularity.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "CurveExpect.h"
#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
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
        v.setSculptBrush(Brush::Move);
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
    v.setSculptBrush(Brush::PickMaterial);
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
    v.setSculptBrush(Brush::EraseComponent);
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
        Brush action;
        int selection;
    };
    for (const Case c : {Case{2, Brush::EraseComponent, 3}, Case{3, Brush::ErasePatch, 1},
                         Case{4, Brush::EraseFeature, 3}, Case{7, Brush::EraseComponent, 3}}) {
        calls.clear();
        aimAt({0.3f, 1.0f, 0.5f});
        ASSERT_TRUE(v.deleteByMode(tool, c.granularity, true));
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].states, (std::vector<int>{3, 3}));
        EXPECT_EQ(calls[0].actions, (std::vector<Brush>{c.action, c.action}));
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

namespace {

// Tubes and revolutions copy a pick in their own space. A stroke on a mirror plane of those copies,
// with snapping, merges with its image: the curves must end as the stroke without that mirror
// leaves them, never edited twice.
struct SurfaceCase {
    bool tube, section;
};

class SurfaceSnap : public ::testing::TestWithParam<SurfaceCase> {
protected:
    void TearDown() override { test::resetAllInput(); }

    // The curves' points (axis, then section) after a Move stroke from the surface on the mirror
    // plane out along its normal.
    std::vector<vec3> strokeWith(uint8_t mirrorX, bool snap) {
        test::resetAllInput();
        test::StepView v;
        CurveSurface* s;
        if (GetParam().tube)
            s = new Tube(new Curve(std::vector<vec3>{vec3(0, 0, -2), vec3(0, 0, 0), vec3(0, 0, 2)}, false, 0),
                         Curve::makeCircle(8, false));
        else
            s = new Revoluton(new Curve(std::vector<vec3>{vec3(1, -1, 0), vec3(1.5f, 0, 0), vec3(1, 1, 0)}, false, 0),
                              Curve::makeCircle(8, false));
        Tool* t = test::addSceneObject(*v.scene, s, mat4());
        const uint8_t flags[6] = {mirrorX, 0, 0, 0, 0, 0};
        v.setSymmetry(flags, 4);
        v.setSnapSymmetry(snap);
        v.setMode(SCULPT);
        v.setSculptBrush(Brush::Move);
        v.setSelectionMode(SelectPatch);
        v.axisSection = GetParam().section;
        v.enter(100, 100);

        // the section point on the mirror plane the copies are made about: the section's own for a
        // section stroke, the element's for an axis stroke; placed half way along axis segment 0
        Curve& ax = *s->axis;
        ax.updateFrames(false);
        mat3 F0, F1;
        vec3 o0, o1;
        s->ringMap(0, F0, o0);
        s->ringMap(1, F1, o1);
        const mat4 toLocal = s->inverseTransform();
        const vec3 centre = (o0 + o1) * 0.5f * toLocal;
        int32_t k = 0;
        vec3 p;
        for (; k < s->section->pointCount(); ++k) {
            const vec3 sp = s->sectionToLocal(s->section->points[size_t(k)].position);
            p = ((sp * F0 + o0) + (sp * F1 + o1)) * 0.5f * toLocal;
            if (std::fabs(GetParam().section ? sp.x : p.x) < 1e-5f) break;
        }
        EXPECT_LT(k, s->section->pointCount());
        const vec3 n = normalize(p - vec3(0, centre.y, centre.z));
        int32_t segment = 0;
        while (s->section->segments[size_t(segment)].a != k) ++segment;
        auto aim = [&](vec3 at) {
            v.sculptPick = test::pickOn(*v.scene, t, at, n);
            v.sculptPick.itemId = uint32_t(segment);
        };
        auto curvePoints = [&] {
            std::vector<vec3> r = test::positionsOf(ax);
            for (const CurvePoint& q : s->section->points) r.push_back(q.position);
            return r;
        };
        const std::vector<vec3> before = curvePoints();
        aim(p);
        v.hoverThenPress(100, 100);
        aim(p + n * 0.3f);
        v.frame(true, false, 104, 100);
        v.frame(true, false, 108, 100);
        v.frame(false, false, 108, 100);
        EXPECT_TRUE(v.sculptors.empty());
        const std::vector<vec3> out = curvePoints();
        bool moved = false;
        for (size_t i = 0; i < out.size() && i < before.size(); ++i)
            moved = moved || length(out[i] - before[i]) > 0.01f;
        EXPECT_TRUE(moved) << "the stroke edits nothing";
        return out;
    }
};

} // namespace

TEST_P(SurfaceSnap, AStrokeOnTheMirrorPlaneEditsTheCurveOnce) {
    const std::vector<vec3> once = strokeWith(0, false);
    const std::vector<vec3> merged = strokeWith(1, true);
    ASSERT_EQ(merged.size(), once.size());
    for (size_t i = 0; i < once.size(); ++i) test::expectNear(merged[i], once[i], 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(TubesAndRevolutions, SurfaceSnap,
                         ::testing::Values(SurfaceCase{true, false}, SurfaceCase{true, true}, SurfaceCase{false, false},
                                           SurfaceCase{false, true}));
