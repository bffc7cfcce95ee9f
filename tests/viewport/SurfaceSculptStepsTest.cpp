// Sculpt picks on a tube held by a moved, turned tool: the view brings the pick into the tube's
// space for its copies and back out.
#include <gtest/gtest.h>

#include <cmath>

#include "CurveExpect.h"
#include "StepFixtures.h"
#include "elements/Curve.h"
#include "elements/Tube.h"

using namespace kal;
using test::expectNear;
using test::StepView;

namespace {

class SurfaceSculptSteps : public ::testing::Test {
protected:
    StepView v;
    Tube* tube = nullptr;
    Tool* tool = nullptr;
    mat4 world;

    void SetUp() override {
        test::resetAllInput();
        tube = new Tube(new Curve(std::vector<vec3>{vec3(0, 0, 0), vec3(0, 0, 4)}, false, 0), Curve::makeCircle(8, false));
        tube->translation = vec3(1, 0, -2);
        tube->scale = 0.5f;
        tube->axis->updateFrames(true);
        world = mat4::fromMat3(mat3::rotationAxisAngle(vec3(1, 0, 0), 0.7f));
        world *= mat4::translation(vec3(2, 1, 3));
        tool = test::addSceneObject(*v.scene, tube, world);
        symmetry(0);
        v.setMode(SCULPT);
        v.setSculptBrush(1);
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    mat4 storedToWorld() const {
        mat4 m = tube->inverseTransform();
        m *= tool->composeMatrix();
        return m;
    }
    // A pick off the surface beside quad (axis 0, section 2) at its middle.
    void aimBeside(vec3& onQuad) {
        const Curve& s = *tube->section;
        const vec3 s0 = tube->section->toLocal(s.points[size_t(s.segments[2].a)].position);
        const vec3 s1 = tube->section->toLocal(s.points[size_t(s.segments[2].b)].position);
        const float g = 255.0f / 511.0f;
        onQuad = (s0 * (1 - g) + s1 * g) * Curve::pointFrame(*tube->axis, 0) + vec3(0, 0, 4 * g);
        const vec3 outward = normalize(vec3(onQuad.x, onQuad.y, 0));
        const mat4 W = storedToWorld();
        v.sculptPick = test::pickOn(*v.scene, tool, (onQuad + outward * 0.2f) * W,
                                    normalize(transformDirection(outward, W)));
        v.sculptPick.itemId = 2;
    }
    void symmetry(uint8_t mirrorX) {
        const uint8_t flags[6] = {mirrorX, 0, 0, 0, 0, 0};
        v.setSymmetry(flags, 4);
    }
};


} // namespace

TEST_F(SurfaceSculptSteps, SectionPicksSnapOntoTheTubeAndCopyAroundItsSection) {
    v.axisSection = true;
    vec3 onQuad;
    aimBeside(onQuad);
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 1u);
    expectNear(v.symmetricPicks[0].point, onQuad * storedToWorld(), 1e-4f);
    expectNear(StrokeSample(v.symmetricPicks[0]).point, onQuad, 1e-4f);

    // the mirror image runs around the section: same ring, same distance from the axis
    symmetry(1);
    v.updateSymmetricPicks(true);
    ASSERT_EQ(v.symmetricPicks.size(), 2u);
    const vec3 copy = StrokeSample(v.symmetricPicks[1]).point;
    EXPECT_NEAR(copy.z, onQuad.z, 1e-4f);
    EXPECT_NEAR(std::hypot(copy.x, copy.y), std::hypot(onQuad.x, onQuad.y), 1e-4f);
    EXPECT_GT(length(copy - onQuad), 0.1f);
    EXPECT_NEAR(length(v.symmetricPicks[1].normal), 1.0f, 1e-5f);
}
