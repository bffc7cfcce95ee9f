// The tube and revolution entries of the object menu: the TYPE, AXIS and SECTION boxes count the
// element's curves, the Subdivide entries split only the curve they name, and none of them acts
// on another kind of element.
#include "WindowTestSupport.h"

#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "mesh/Mesh.h"
#include "scene/Tool.h"

using kal::test::WindowTest;

namespace {

using CurveSurfaceActions = WindowTest;

// An open axis of ten points (nine segments) along Z.
kal::Curve* tenPointAxis() {
    std::vector<kal::vec3> p;
    for (int i = 0; i < 10; ++i) p.push_back(kal::vec3(0, 0, float(i)));
    return new kal::Curve(p, false, 0);
}

} // namespace

TEST_F(CurveSurfaceActions, boxesCountTheCurvesOfATubeOrRevolutionOnly) {
    kal::Tool tube(new kal::Tube(tenPointAxis(), kal::Curve::makeCircle(24, false)), kal::mat4(), kal::pbr(), false);
    kal::Tool mesh(kal::Mesh::createIcosahedron(), kal::mat4(), kal::pbr(), false);
    answerWith([](const kal::Question&) { return reply(false); });
    for (QAction* a : {ui.actionTYPE, ui.actionAXIS, ui.actionSECTION}) {
        a->trigger(); // nothing under the click
        v.pressPick.object = &mesh;
        a->trigger(); // the wrong kind
    }
    EXPECT_TRUE(asked.empty());

    v.pressPick.object = &tube;
    ui.actionTYPE->trigger();
    ui.actionAXIS->trigger();
    ui.actionSECTION->trigger();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].title, "TUBE");
    EXPECT_EQ(asked[0].text, "240 Vertices ,  216 Faces");
    EXPECT_EQ(asked[1].title, "AXIS");
    EXPECT_EQ(asked[1].text, "10 Vertices ,  9 Edges");
    EXPECT_EQ(asked[2].title, "SECTION");
    EXPECT_EQ(asked[2].text, "24 Vertices ,  24 Edges");

    auto* circle = kal::Curve::makeCircle(6, false);
    kal::Tool revolution(new kal::Revoluton(new kal::UCurve(circle, 2), kal::Curve::makeCircle(5, false)), kal::mat4(),
                         kal::pbr(), false);
    v.pressPick.object = &revolution;
    ui.actionTYPE->trigger();
    ui.actionAXIS->trigger();
    v.pressPick.object = nullptr;
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[3].title, "REVOLUTON");
    EXPECT_TRUE(asked[4].text.startsWith("Uniform ,  ")) << asked[4].text.toStdString();
}

TEST_F(CurveSurfaceActions, subdivideSplitsOnlyTheNamedCurve) {
    kal::Tool tool(new kal::Tube(tenPointAxis(), kal::Curve::makeCircle(6, false)), kal::mat4(), kal::pbr(), false);
    auto* tube = static_cast<kal::Tube*>(tool.element);
    v.pressPick.object = &tool;
    ui.actionAxis_Subdivide->trigger();
    EXPECT_EQ(tube->axis->segmentCount(), 18);
    EXPECT_EQ(tube->section->segmentCount(), 6);
    ui.actionSection_Subdivide->trigger();
    EXPECT_EQ(tube->axis->segmentCount(), 18);
    EXPECT_EQ(tube->section->segmentCount(), 12);

    // the general Subdivide follows the axis/section switch
    v.axisSection = true;
    ui.actionSubdivide->trigger();
    EXPECT_EQ(tube->axis->segmentCount(), 18);
    EXPECT_EQ(tube->section->segmentCount(), 24);
    v.axisSection = false;
    v.pressPick.object = &tool;
    ui.actionSubdivide->trigger();
    v.pressPick.object = nullptr;
    EXPECT_EQ(tube->axis->segmentCount(), 36);
    EXPECT_EQ(tube->section->segmentCount(), 24);
}
