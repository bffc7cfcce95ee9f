// Arrays drawn through the scene lists into a real scene target: every placed copy shows where
// its segment is, and its pixels answer the array's id with the step as item.
#include <cmath>

#include "SceneTargetTest.h"
#include "elements/Curve.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "tools/Array.h"

using namespace kal;

namespace {

class ArrayDraw : public test::SceneTargetTest {
protected:
    void SetUp() override {
        SceneTargetTest::SetUp();
        cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
    }
};

} // namespace

TEST_F(ArrayDraw, cubesAlongACircleShowAtEveryStepUnderTheArraysId) {
    const int n = 8;
    std::vector<vec3> points;
    for (int i = 0; i < n; ++i)
        points.push_back(vec3(1.5f * std::cos(6.2831853f * i / n), 1.5f * std::sin(6.2831853f * i / n), 0));
    Curve* circle = new Curve(points, true, 0);
    Scene scene;
    Tool* cube = new Tool(Mesh::createCube(), mat4::uniformScaling(2), pbr(), false);
    scene.addToMainRoot(cube);
    Array* array =
        new Array(circle, {cube}, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4(), mat4(), pbr(), false);
    scene.sceneRoot->addChild(array, false);
    scene.rebuildToolLists();
    scene.sceneLists.drawWithIds(0, 2, true);

    const uint32_t arrayId = uint32_t(scene.idOf(array));
    std::vector<bool> seen(n, false);
    for (int s = 0; s < n; ++s) {
        const CurveSegment& g = circle->segments[size_t(s)];
        const vec3 mid = (circle->points[size_t(g.a)].position + circle->points[size_t(g.b)].position) * 0.5f *
                         circle->inverseTransform();
        const std::vector<uint32_t> id = idAt(mid.x, mid.y);
        EXPECT_EQ(id[0], arrayId) << "segment " << s;
        ASSERT_LT(id[1], uint32_t(n)) << "segment " << s;
        EXPECT_EQ(id[1], uint32_t(s));
        seen[id[1]] = true;
    }
    for (int s = 0; s < n; ++s) EXPECT_TRUE(seen[size_t(s)]) << s;
    // between the copies, at the centre, nothing
    EXPECT_EQ(idAt(0, 0)[0], 0u);
}
