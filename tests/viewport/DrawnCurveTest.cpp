// The curve kinds of the insert factory, the shape presets of the view and the end of a drawn
// profile build: where the curve goes, which curve is released, where the template is placed.
#include <gtest/gtest.h>

#include <memory>

#include "SceneViewFixture.h"
#include "elements/Clay.h"
#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"

using namespace kal;
using test::SceneView;

namespace {

Curve* curveOf(Tool* t) {
    return t && t->element && t->element->typeCode == CurveType ? static_cast<Curve*>(t->element) : nullptr;
}

class DrawnCurve : public ::testing::Test {
protected:
    void SetUp() override { test::resetAllInput(); }
};

} // namespace

TEST_F(DrawnCurve, profileKindsHoldAnEmptyCurveAndSwitchToDraw) {
    SceneView v;
    v.setAssemblyCommand(Command::Place);
    for (int k = int(InsertKind::Profile); k <= int(InsertKind::ScoopProfile); ++k) {
        const InsertKind kind = InsertKind(k);
        v.makeInsertTool(kind, true);
        EXPECT_EQ(v.insertKind, kind);
        Curve* c = curveOf(v.pendingTool);
        ASSERT_NE(c, nullptr) << k;
        EXPECT_EQ(c->pointCount(), 0);
        EXPECT_EQ(c->word, 0u);
        EXPECT_EQ(v.command, Command::Draw);
    }
    v.makeInsertTool(InsertKind::Cube, true); // back to Place, and the curve template is deleted
    EXPECT_EQ(v.command, Command::Place);
}

TEST_F(DrawnCurve, shapePresetsByIdAndCount) {
    SceneView v;
    v.axisNGonCount = 9;
    v.sectionCircleCount = 10;
    const struct {
        int shape;
        bool axis;
        int points;
    } cases[] = {{ShapeSegment, true, 2},
                 {ShapeTriangle, true, 3},
                 {ShapeSquare, false, 4},
                 {ShapePentagon, true, 5},
                 {ShapeHexagon, false, 6},
                 {ShapeNGon, true, 9},
                 {ShapeNGon, false, 7},
                 {ShapeCircle, false, 10},
                 {ShapeCircle, true, 24},
                 {ShapeTrefoilKnot, true, 64},
                 {ShapeTorusKnot, true, 64},
                 {ShapeChainLink, false, 16},
                 {ShapeFree, true, 0},
                 {11, true, 0},
                 {-3, false, 0}};
    for (const auto& k : cases) {
        std::unique_ptr<Curve> c(v.makeShapeCurve(k.shape, k.axis, 1));
        EXPECT_EQ(c->pointCount(), k.points) << k.shape;
    }
    std::unique_ptr<Curve> link(v.makeShapeCurve(ShapeChainLink, true, 0x100)); // only the low byte marks
    for (const CurvePoint& p : link->points) EXPECT_FALSE(p.marked());
    std::unique_ptr<Curve> circle(v.makeShapeCurve(ShapeCircle, true, 1));
    for (const CurvePoint& p : circle->points) EXPECT_FALSE(p.marked());
}

TEST_F(DrawnCurve, profileBuildIsClosedReleasesTheLastCurveAndShowsWhereItWasDrawn) {
    SceneView v;
    v.makeInsertTool(InsertKind::Profile, true);
    v.closed = false;
    EXPECT_TRUE(v.drawnCurveClosed());
    const std::vector<vec3> p = {vec3(0, 0, 0), vec3(4, 0, 0), vec3(4, 2, 0), vec3(0, 2, 0)};
    const mat4 frame = mat4::translation(vec3(10, 0, 0));
    v.placeDrawnCurve(p, {1, 1, 1, 1}, {true, false, false, false}, false, frame);
    Curve* first = curveOf(v.pendingTool);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->segmentCount(), 4); // closed although the caller said open
    EXPECT_FALSE(first->invalid);
    EXPECT_EQ(first->translation, vec3(2, 1, 0)); // recentred on its box
    // a point in the element's own space lands where it was drawn, then moved by the frame
    for (const CurvePoint& q : first->points) {
        const vec3 world = first->toLocal(q.position) * v.pendingTool->transform;
        EXPECT_NEAR(world.x, q.position.x + 10, 1e-4f);
        EXPECT_NEAR(world.y, q.position.y, 1e-4f);
    }
    EXPECT_EQ(v.strokeFrame, frame);

    first->acquire(1); // a second holder keeps it alive past the next build
    v.placeDrawnCurve(p, {1, 1, 1, 1}, {false, false, false, false}, true, frame);
    EXPECT_NE(curveOf(v.pendingTool), first);
    EXPECT_EQ(first->useCount, 1);
    releaseElement(first);
}

TEST_F(DrawnCurve, surfaceKindsTakeTheirPresetsAndDrawnCurves) {
    SceneView v;
    v.setAssemblyCommand(Command::Place);
    v.axisShape = ShapeSegment;
    v.sectionShape = ShapeHexagon;
    v.makeInsertTool(InsertKind::Tube, true);
    ASSERT_EQ(v.pendingTool->element->typeCode, TubeType);
    const Tube* tube = static_cast<Tube*>(v.pendingTool->element);
    EXPECT_EQ(tube->axis->pointCount(), 2);
    EXPECT_EQ(tube->section->pointCount(), 6);
    EXPECT_EQ(tube->axis->useCount, 1);   // held through the template
    EXPECT_EQ(v.command, Command::Place); // nothing to draw

    v.makeInsertTool(InsertKind::TubeDrawnSection, true);
    EXPECT_EQ(v.command, Command::Draw);
    Tube* drawnSection = static_cast<Tube*>(v.pendingTool->element);
    ASSERT_EQ(drawnSection->axis->pointCount(), 2);
    EXPECT_EQ(drawnSection->axis->points[1].position, vec3(0, 0, -100));
    EXPECT_EQ(drawnSection->axis->points[0].radius, 0.0f);
    EXPECT_EQ(drawnSection->axis->points[1].radius, 1.0f);
    EXPECT_TRUE(drawnSection->axis->points[0].marked() && drawnSection->axis->points[1].marked());
    EXPECT_EQ(drawnSection->section->pointCount(), 0);
    const std::vector<vec3> ring = {vec3(1, 0, 0), vec3(0, 1, 0), vec3(-1, 0, 0)};
    v.placeDrawnCurve(ring, {1, 1, 1}, {false, false, false}, true, mat4());
    EXPECT_EQ(drawnSection->section->pointCount(), 3);
    EXPECT_EQ(drawnSection->section->useCount, 1);

    v.makeInsertTool(InsertKind::Revolution, true);
    ASSERT_EQ(v.pendingTool->element->typeCode, RevolutonType);
    Revoluton* r = static_cast<Revoluton*>(v.pendingTool->element);
    EXPECT_EQ(r->axis->pointCount(), 0);
    EXPECT_EQ(r->section->pointCount(), 6);
    const std::vector<vec3> profile = {vec3(1, 0, 0), vec3(2, 1, 0), vec3(1, 3, 0)};
    v.placeDrawnCurve(profile, {1, 1, 1}, {false, false, false}, false, mat4::translation(vec3(0, 0, 5)));
    EXPECT_EQ(r->axis->pointCount(), 3);
    EXPECT_EQ(r->translation.x, 0.0f);
    // a profile point in the element's space lands where it was drawn, moved by the frame
    const vec3 world = r->toLocal(profile[1]) * v.pendingTool->transform;
    EXPECT_NEAR(world.x, 2, 1e-4f);
    EXPECT_NEAR(world.y, 1, 1e-4f);
    EXPECT_NEAR(world.z, 5, 1e-4f);
}

TEST_F(DrawnCurve, triMeshAndClayReplaceSurfacesButNotCurves) {
    SceneView v;
    for (bool clay : {false, true}) {
        Element* elements[3] = {new Tube(Curve::makeSegment(), Curve::makeCircle(6, false)),
                                new Revoluton(Curve::makeSegment(), Curve::makeCircle(6, false)),
                                Curve::makeCircle(6, true)};
        for (Element* e : elements) {
            Tool* t = new Tool(e, mat4(), pbr(), false);
            v.scene->sceneRoot->addChild(t, false);
            v.scene->rebuildToolLists();
            const bool curve = e->typeCode == CurveType;
            // a curve has no surface: both answer false and the tool keeps it
            EXPECT_EQ(clay ? v.scene->convertToClay(e) : v.scene->convertToTriMesh(e), !curve);
            ASSERT_NE(t->element, nullptr);
            EXPECT_EQ(t->element->typeCode, curve ? CurveType : clay ? ClayType : MeshType);
        }
    }
}
