// Sculpting a tube through the real widget: strokes on its surface move its axis or section,
// the working section shows only while a stroke runs, Delete erases a section patch, and
// Ctrl with CutPlane places and drags a marked axis point. The picks come from the test.
#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "CurveExpect.h"
#include "StepFixtures.h"
#include "WidgetFixture.h"
#include "elements/Curve.h"
#include "elements/Tube.h"

using namespace kal;
using test::expectNear;
using test::positionsOf;

namespace {



class SurfaceSculptWidget : public test::StepViewWidgetTest {
protected:
    Tube* tube = nullptr;
    Tool* tool = nullptr;

    void SetUp() override {
        StepViewWidgetTest::SetUp();
        if (HasFatalFailure()) return;
        // an axis of two patches (its middle point marked) and a section of one patch a side
        auto* axis = new Curve(std::vector<vec3>{vec3(0, 0, 0), vec3(0, 0, 2), vec3(0, 0, 4)}, false, 0);
        axis->points[1].flags |= PointMarked;
        tube = new Tube(axis, Curve::makeCircle(8, true));
        tool = test::addSceneObject(*view->scene, tube, mat4::translation(vec3(0, 1, 0)));
        view->setMode(SCULPT);
        view->setSculptBrush(1);
        view->setSelectionMode(SelectPatch);
        enterWidget();
    }
    void TearDown() override {
        test::holdQtKeys({});
        WidgetTest::TearDown();
    }

    void symmetry(uint8_t mirrorX) {
        const uint8_t flags[6] = {mirrorX, 0, 0, 0, 0, 0};
        view->setSymmetry(flags, 4);
    }
    // The middle of quad (axis segment a, section segment s) in the tube's stored space.
    vec3 quadMiddle(int a, int s) const {
        const Curve& ax = *tube->axis;
        const Curve& se = *tube->section;
        ax.framesValid ? void() : tube->axis->updateFrames(false);
        const CurveSegment& as = ax.segments[size_t(a)];
        const CurveSegment& ss = se.segments[size_t(s)];
        const vec3 sm = (tube->section->toLocal(se.points[size_t(ss.a)].position) +
                         tube->section->toLocal(se.points[size_t(ss.b)].position)) * 0.5f;
        const vec3 p0 = ax.points[size_t(as.a)].position + sm * Curve::pointFrame(ax, as.a);
        const vec3 p1 = ax.points[size_t(as.b)].position + sm * Curve::pointFrame(ax, as.b);
        return (p0 + p1) * 0.5f;
    }
    void aim(vec3 stored, int32_t id) {
        mat4 W = tube->inverseTransform();
        W *= tool->composeMatrix();
        view->sculptPick = test::pickOn(*view->scene, tool, stored * W, normalize(vec3(stored.x, stored.y, 0)));
        view->sculptPick.itemId = uint32_t(id);
    }
    void press(vec3 stored, int32_t id) {
        aim(stored, id);
        hoverAndPress(QPoint(100, 100));
    }
    // A frame's drag samples the picks its previous frame made: two moves bring the new pick in.
    void dragTo(vec3 stored, int32_t id, QPoint p) {
        aim(stored, id);
        moveTo(p - QPoint(1, 0));
        w->tick();
        moveTo(p);
        w->tick();
    }
    void release(QPoint p) {
        sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, p);
        w->tick();
    }
};

} // namespace

TEST_F(SurfaceSculptWidget, AnAxisPatchMovesByTheDrag) {
    const std::vector<vec3> before = positionsOf(*tube->axis);
    const vec3 start = quadMiddle(1, 2), d(0.3f, -0.2f, 0);
    press(start, (1 << 16) + 2);
    dragTo(start + d, (1 << 16) + 2, QPoint(110, 100));
    release(QPoint(110, 100));
    const std::vector<vec3> after = positionsOf(*tube->axis);
    ASSERT_EQ(after.size(), before.size());
    expectNear(after[2], before[2] + d);
    expectNear(after[0], before[0], 0); // the other patch stays
    EXPECT_FALSE(tool->hasHelperGeometry());
}

TEST_F(SurfaceSculptWidget, ASectionStrokeMovesTheSectionAndPreviewsOnlyWhileItRuns) {
    view->axisSection = true;
    Curve& section = *tube->section;
    std::vector<vec3> before;
    for (const CurvePoint& p : section.points) before.push_back(section.toLocal(p.position));
    const vec3 start = quadMiddle(0, 2), d(0, 0, 0.5f);
    press(start, 2);
    EXPECT_TRUE(tool->hasHelperGeometry());
    // the stroke starts where the press pick snapped onto the quad
    ASSERT_EQ(view->sculptors.size(), 1u);
    const vec3 snapped = view->sculptors[0]->samples[0].point;
    dragTo(start + d, 2, QPoint(110, 100));
    EXPECT_TRUE(tool->hasHelperGeometry());
    release(QPoint(110, 100));
    EXPECT_FALSE(tool->hasHelperGeometry());
    // segment 2's ends moved by the drag carried into the section's space; the far side stayed
    const vec3 shift = (start + d - snapped) * tube->pickFrameInverse;
    const CurveSegment& s2 = section.segments[2];
    expectNear(section.toLocal(section.points[size_t(s2.a)].position), before[size_t(s2.a)] + shift);
    expectNear(section.toLocal(section.points[size_t(s2.b)].position), before[size_t(s2.b)] + shift);
    const CurveSegment& s6 = section.segments[6];
    expectNear(section.toLocal(section.points[size_t(s6.a)].position), before[size_t(s6.a)], 1e-5f);
}

TEST_F(SurfaceSculptWidget, MirrorXStrokesTheSectionWithTwoGestures) {
    view->axisSection = true;
    symmetry(1);
    const vec3 start = quadMiddle(0, 2);
    press(start, 2);
    EXPECT_EQ(view->sculptors.size(), 2u);
    release(QPoint(100, 100));
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(tube->editPreview, nullptr);
}

TEST_F(SurfaceSculptWidget, DeleteSectionPatchErasesThePickedPatch) {
    view->axisSection = false; // the menu names the curve, whatever the switch says
    const int alive = [&] {
        int n = 0;
        for (const CurveSegment& s : tube->section->segments) n += s.alive() ? 1 : 0;
        return n;
    }();
    view->pressX = 100;
    view->pressY = 100;
    aim(quadMiddle(0, 2), 2);
    w->restartTimer();
    test::glContext()->makeCurrent(test::glSurface()); // the menu runs outside the widget's context
    ASSERT_TRUE(view->deleteByMode(tool, 3, true));
    w->stopTicks();
    int now = 0;
    for (const CurveSegment& s : tube->section->segments) now += s.alive() ? 1 : 0;
    EXPECT_EQ(now, alive - 1);
    EXPECT_EQ(tube->editPreview, nullptr);
}

TEST_F(SurfaceSculptWidget, CtrlCutPlacesAndDragsAMarkedAxisPoint) {
    view->setSculptBrush(47);
    test::holdQtKeys({Qt::Key_Control});
    const int before = tube->axis->pointCount();
    const vec3 start = quadMiddle(0, 3), d(0.4f, 0, 0);
    press(start, 3);
    EXPECT_EQ(view->brush, 51);
    dragTo(start + d, 3, QPoint(110, 100));
    release(QPoint(110, 100));
    ASSERT_EQ(tube->axis->pointCount(), before + 1);
    const CurvePoint& placed = tube->axis->points.back();
    EXPECT_TRUE(placed.marked());
    // placed on the axis under the pick, then dragged along
    expectNear(placed.position, vec3(0, 0, start.z) + d, 0.01f);
}

TEST_F(SurfaceSculptWidget, EscapeInAnEraseStrokeLeavesNoWorkingCurve) {
    view->axisSection = true;
    view->setSculptBrush(34);
    press(quadMiddle(0, 2), 2);
    ASSERT_NE(tube->editPreview, nullptr);
    test::holdQtKeys({Qt::Key_Escape});
    moveTo(QPoint(104, 100));
    w->tick();
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(tube->editPreview, nullptr);
}
