// Sculpting a tube held by a moved, turned tool through the real widget: picks snap onto the tube
// and copy around its section, strokes move its axis or section, the working section shows only
// while a stroke runs, Delete erases a section patch, Ctrl with CutPlane places and drags a
// marked axis point, Escape leaves no working curve. The picks come from the test.
#include <gtest/gtest.h>

#include <cmath>

#include "CurveExpect.h"
#include "WidgetFixture.h"
#include "elements/Curve.h"
#include "elements/Tube.h"

using namespace kal;
using test::expectNear;
using test::positionsOf;

namespace {

const float mid = 255.0f / 511.0f; // the grid step nearest the middle of a quad

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
        tube->translation = vec3(1, 0, -2);
        tube->scale = 0.5f;
        mat4 world = mat4::fromMat3(mat3::rotationAxisAngle(vec3(1, 0, 0), 0.7f));
        world *= mat4::translation(vec3(0, 1, 0));
        tool = test::addSceneObject(*view->scene, tube, world);
        view->setMode(SCULPT);
        view->setSculptBrush(Brush::Move);
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
    // Quad (axis segment a, section segment s) at (v, u), in the tube's stored space.
    vec3 quadAt(int a, int s, float v = mid, float u = mid) const {
        Curve& ax = *tube->axis;
        Curve& se = *tube->section;
        ax.updateFrames(false);
        const CurveSegment& as = ax.segments[size_t(a)];
        const CurveSegment& ss = se.segments[size_t(s)];
        const vec3 sp =
            se.toLocal(se.points[size_t(ss.a)].position) * (1 - u) + se.toLocal(se.points[size_t(ss.b)].position) * u;
        const vec3 p0 = ax.points[size_t(as.a)].position + sp * Curve::pointFrame(ax, as.a);
        const vec3 p1 = ax.points[size_t(as.b)].position + sp * Curve::pointFrame(ax, as.b);
        return p0 * (1 - v) + p1 * v;
    }
    mat4 storedToWorld() const {
        mat4 W = tube->inverseTransform();
        W *= tool->composeMatrix();
        return W;
    }
    // A pick `off` outside the surface at the stored point.
    void aim(vec3 stored, int32_t id, float off = 0.0f) {
        const vec3 out = normalize(vec3(stored.x, stored.y, 0));
        const mat4 W = storedToWorld();
        view->sculptPick =
            test::pickOn(*view->scene, tool, (stored + out * off) * W, normalize(transformDirection(out, W)));
        view->sculptPick.itemId = uint32_t(id);
    }
    void press(vec3 stored, int32_t id, float off = 0.0f) {
        aim(stored, id, off);
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
    const vec3 start = quadAt(1, 2), d(0.3f, -0.2f, 0);
    press(start, (1 << 16) + 2);
    dragTo(start + d, (1 << 16) + 2, QPoint(110, 100));
    release(QPoint(110, 100));
    const std::vector<vec3> after = positionsOf(*tube->axis);
    ASSERT_EQ(after.size(), before.size());
    expectNear(after[2], before[2] + d);
    expectNear(after[0], before[0], 0); // the other patch stays
    EXPECT_FALSE(tool->hasHelperGeometry());
}

TEST_F(SurfaceSculptWidget, ASectionStrokeStartsOnTheTubeMovesTheSectionAndPreviewsOnlyWhileItRuns) {
    view->axisSection = true;
    Curve& section = *tube->section;
    std::vector<vec3> before;
    for (const CurvePoint& p : section.points) before.push_back(section.toLocal(p.position));
    const vec3 start = quadAt(0, 2), d(0, 0, 0.5f);
    press(start, 2, 0.2f);
    ASSERT_EQ(view->sculptors.size(), 1u);
    // the pick beside the tube, carried into it and back out, snapped onto the quad
    expectNear(view->sculptors[0]->samples[0].point, start);
    EXPECT_TRUE(tool->hasHelperGeometry());
    dragTo(start + d, 2, QPoint(110, 100));
    EXPECT_TRUE(tool->hasHelperGeometry());
    release(QPoint(110, 100));
    EXPECT_FALSE(tool->hasHelperGeometry());
    // segment 2's ends moved by the drag carried into the section's space; the far side stayed
    const vec3 shift = d * tube->pickFrameInverse;
    for (int32_t p : {section.segments[2].a, section.segments[2].b})
        expectNear(section.toLocal(section.points[size_t(p)].position), before[size_t(p)] + shift);
    const int32_t far = section.segments[6].a;
    expectNear(section.toLocal(section.points[size_t(far)].position), before[size_t(far)], 1e-5f);
}

TEST_F(SurfaceSculptWidget, MirrorXCopiesAroundTheSectionIntoTwoGestures) {
    view->axisSection = true;
    symmetry(1);
    const vec3 start = quadAt(0, 2, mid, 0.25f);
    press(start, 2);
    ASSERT_EQ(view->sculptors.size(), 2u);
    // the image runs around the section: same ring, same distance from the axis, elsewhere
    const vec3 copy = view->sculptors[1]->samples[0].point;
    EXPECT_NEAR(copy.z, start.z, 1e-4f);
    EXPECT_NEAR(std::hypot(copy.x, copy.y), std::hypot(start.x, start.y), 1e-4f);
    EXPECT_GT(length(copy - start), 0.1f);
    release(QPoint(100, 100));
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(tube->editPreview, nullptr);
}

TEST_F(SurfaceSculptWidget, DeleteSectionPatchErasesThePickedPatch) {
    view->axisSection = false; // the menu names the curve, whatever the switch says
    auto aliveSegments = [&] {
        int n = 0;
        for (const CurveSegment& s : tube->section->segments) n += s.alive() ? 1 : 0;
        return n;
    };
    const int alive = aliveSegments();
    view->pressX = 100;
    view->pressY = 100;
    aim(quadAt(0, 2), 2);
    w->restartTimer();
    test::glContext()->makeCurrent(test::glSurface()); // the menu runs outside the widget's context
    ASSERT_TRUE(view->deleteByMode(tool, 3, true));
    w->stopTicks();
    EXPECT_EQ(aliveSegments(), alive - 1);
    EXPECT_EQ(tube->editPreview, nullptr);
}

TEST_F(SurfaceSculptWidget, CtrlCutPlacesAndDragsAMarkedAxisPoint) {
    view->setSculptBrush(Brush::CutPlane);
    test::holdQtKeys({Qt::Key_Control});
    const int before = tube->axis->pointCount();
    const vec3 start = quadAt(0, 3), d(0.4f, 0, 0);
    press(start, 3);
    EXPECT_EQ(view->brush, Brush::PlacePoint);
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
    view->setSculptBrush(Brush::ErasePatch);
    press(quadAt(0, 2), 2);
    ASSERT_NE(tube->editPreview, nullptr);
    test::holdQtKeys({Qt::Key_Escape});
    moveTo(QPoint(104, 100));
    w->tick();
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(tube->editPreview, nullptr);
}
