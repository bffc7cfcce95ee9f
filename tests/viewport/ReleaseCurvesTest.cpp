// The curve commands at release: a picked curve becomes the template's axis or section, or is
// made uniform, on the right kinds only, and no curve is freed while something still holds it.
#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"

using namespace kal;
using test::StepView;

namespace {

Curve* polyline() { return new Curve({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 2, 0), vec3(0, 3, 1)}, false, 0); }

class ReleaseCurves : public ::testing::Test {
protected:
    StepView v;
    Tool* curve = nullptr;
    Tool* tube = nullptr;
    Tool* revolution = nullptr;

    void SetUp() override {
        test::resetAllInput();
        curve = test::addSceneObject(*v.scene, polyline(), mat4::translation(vec3(2, 0, 0)));
        tube = test::addSceneObject(*v.scene, new Tube(polyline(), Curve::makeCircle(6, false)), mat4());
        revolution = test::addSceneObject(*v.scene, new Revoluton(polyline(), Curve::makeCircle(5, false)),
                                          mat4::translation(vec3(-2, 0, 0)));
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    // A click of the command whose release re-pick finds `released` (null: a miss).
    void click(Command command, Tool* released) {
        v.setMode(ASSEMBLY);
        v.setAssemblyCommand(command);
        v.pressPick = released ? test::pickOn(*v.scene, released, vec3(), vec3(0, 0, 1)) : PickRecord();
        v.frame(true);
        PickRecord r = v.pressPick;
        v.assemblyPick = [r](int, const PickRecord*) { return r; };
        v.frame(false);
    }
    CurveSurface* surface(Tool* t) { return static_cast<CurveSurface*>(t->element); }
};

} // namespace

TEST_F(ReleaseCurves, aPickedAxisGrowsATemplateOnTheCurveButNotOnARevolution) {
    v.makeInsertTool(InsertKind::Tube, true);
    Curve* line = static_cast<Curve*>(curve->element);
    click(Command::DrawPickAxis, curve);
    ASSERT_EQ(curve->children.size(), 1u);
    Element* grown = curve->children[0]->element;
    ASSERT_NE(grown, nullptr);
    ASSERT_EQ(grown->typeCode, TubeType);
    const Curve* axis = surface(curve->children[0])->axis;
    ASSERT_EQ(axis->pointCount(), 4);
    EXPECT_EQ(axis->points[2].position, vec3(1, 2, 0));
    // the template is a fresh one and lets go of the picked curve
    EXPECT_EQ(line->useCount, axis == line ? 2 : 1);
    EXPECT_NE(surface(v.pendingTool)->axis, line);

    // a revolution's axis is its profile: nothing taken, nothing added
    Curve* profile = surface(revolution)->axis;
    click(Command::DrawPickAxis, revolution);
    EXPECT_TRUE(revolution->children.empty());
    EXPECT_EQ(surface(revolution)->axis, profile);
    // a tube hands over its axis; a miss changes nothing
    click(Command::DrawPickAxis, tube);
    EXPECT_EQ(tube->children.size(), 1u);
    click(Command::DrawPickAxis, nullptr);
    EXPECT_EQ(tube->children.size(), 1u);

    // an array template runs along the picked curve itself
    v.makeInsertTool(InsertKind::Array, true);
    click(Command::DrawPickAxis, tube);
    ASSERT_EQ(tube->children.size(), 2u);
    Tool* along = tube->children[1];
    ASSERT_TRUE(along->isArray() && along->element);
    EXPECT_EQ(static_cast<Curve*>(along->element)->pointCount(), 4);
}

TEST_F(ReleaseCurves, aPickedSectionGoesToASurfaceTemplateOnly) {
    v.makeInsertTool(InsertKind::Revolution, true);
    Curve* section = surface(revolution)->section;
    click(Command::DrawPickSection, revolution);
    EXPECT_EQ(surface(v.pendingTool)->section, section);
    EXPECT_EQ(section->useCount, 2);
    click(Command::DrawPickSection, curve);
    EXPECT_EQ(surface(v.pendingTool)->section, curve->element);

    // a solid template has no section to take
    v.makeInsertTool(InsertKind::Icosahedron, true);
    Element* solid = v.pendingTool->element;
    click(Command::DrawPickSection, tube);
    EXPECT_EQ(v.pendingTool->element, solid);
    EXPECT_EQ(surface(tube)->section->useCount, 1);
}

TEST_F(ReleaseCurves, makeUniformFollowsTheOldCurveOnceAndKeepsItAlive) {
    Curve* axis = surface(tube)->axis;
    click(Command::MakeUniform, tube);
    Curve* uniform = surface(tube)->axis;
    ASSERT_EQ(uniform->typeCode, UCurveType);
    EXPECT_EQ(uniform->word, 2u);
    EXPECT_EQ(static_cast<UCurve*>(uniform)->source, axis);
    // held once, through the following curve (ASan reads the old axis here)
    EXPECT_EQ(axis->useCount, 1);
    EXPECT_EQ(uniform->useCount, 1);
    click(Command::MakeUniform, tube);
    EXPECT_EQ(surface(tube)->axis, uniform) << "already uniform";

    Curve* line = static_cast<Curve*>(curve->element);
    click(Command::MakeUniform, curve);
    ASSERT_EQ(curve->element->typeCode, UCurveType);
    EXPECT_EQ(static_cast<UCurve*>(curve->element)->source, line);
    EXPECT_EQ(line->useCount, 1);
    Element* once = curve->element;
    click(Command::MakeUniform, curve);
    EXPECT_EQ(curve->element, once);
    EXPECT_TRUE(v.undoStack.acts.empty());
}

TEST_F(ReleaseCurves, altEnterCarriesADrawnProfileOntoItsAxis) {
    for (bool alt : {false, true}) {
        v.makeInsertTool(InsertKind::Revolution, true);
        ASSERT_EQ(v.command, Command::Draw);
        for (vec3 p : {vec3(1, 0, 0), vec3(2, 1, 0), vec3(1, 3, 0)}) {
            v.pressPick = test::pickOn(*v.scene, tube, p, {0, 0, 1});
            v.hoverPick = v.pressPick;
            v.frame(true);
            v.frame(false);
        }
        Revoluton* r = static_cast<Revoluton*>(v.pendingTool->element);
        r->acquire(1); // kept for a look after Enter hands the template on
        v.placements = {mat4()};
        if (alt)
            test::holdQtKeys({Qt::Key_Return, Qt::Key_Alt});
        else
            test::holdQtKeys({Qt::Key_Return});
        v.frame(false, false, 101, 100);
        test::holdQtKeys({});
        const Curve* axis = r->axis;
        ASSERT_EQ(axis->pointCount(), alt ? 5 : 3);
        EXPECT_FALSE(axis->invalid);
        if (alt) {
            // each free end joined to its own foot on the Y axis, the feet apart
            const vec3 first = axis->points[0].position, last = axis->points[2].position;
            EXPECT_EQ(axis->points[3].position, vec3(0, last.y, 0));
            EXPECT_EQ(axis->points[4].position, vec3(0, first.y, 0));
            ASSERT_EQ(axis->segmentCount(), 4);
            EXPECT_TRUE(r->ringCollapses(3) && r->ringCollapses(4));
            int joins = 0;
            for (const CurveSegment& s : axis->segments)
                joins += (s.a == 2 && s.b == 3) || (s.a == 3 && s.b == 2) || (s.a == 4 && s.b == 0) ||
                         (s.a == 0 && s.b == 4);
            EXPECT_EQ(joins, 2);
        }
        releaseElement(r);
    }
}
