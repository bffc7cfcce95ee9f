// A Deform stroke through the view's press, drag and release steps on a clay object: the clay's
// positions move under the brush and nowhere else.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <memory>

#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "elements/Clay.h"
#include "gpu/GLFunctions.h"
#include "mesh/Mesh.h"

using namespace kal;

namespace {

std::vector<vec3> corners(const Clay& clay) {
    std::vector<vec3> out(size_t(clay.vertexCount));
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay.buffers[clay.current]);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(out.size() * 12), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

TEST(ClayStroke, aDeformDragMovesTheSurfaceUnderTheBrushOnly) {
    test::resetAllInput();
    test::StepView v;
    std::unique_ptr<Mesh> sphere(Mesh::createIcosahedron());
    sphere->subdivide(false);
    sphere->rebuild(Recenter::Keep);
    Clay* clay = new Clay(sphere.get());
    Tool* tool = test::addSceneObject(*v.scene, clay, mat4());
    const uint8_t none[6] = {};
    v.setSymmetry(none, 6);
    v.setMode(SCULPT);
    v.setSculptBrush(Brush::Deform);
    v.enter(100, 100);
    v.outside = false;
    ASSERT_TRUE(clay->updateGpu());
    const std::vector<vec3> before = corners(*clay);

    // the tool places the clay's stored positions through toLocal; picks come back through its inverse
    const vec3 top = clay->toLocal(clay->source->vertices[4].position);
    auto aim = [&](vec3 p) {
        v.sculptPick = test::pickOn(*v.scene, tool, p, vec3(0, 1, 0));
        v.sculptPick.radius = 375.0f; // pixels: 1.5 in the clay's stored units, beyond the next vertices
    };
    aim(top);
    const StrokeSample start(v.sculptPick);
    v.hoverThenPress(100, 100);
    EXPECT_EQ(corners(*clay), before) << "the press alone moves nothing";
    aim(top + vec3(0, 0.1f, 0));
    v.frame(true, false, 104, 100);
    v.frame(false, false, 104, 100);

    const std::vector<vec3> after = corners(*clay);
    ASSERT_EQ(after.size(), before.size());
    int moved = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        const float d = length(before[i] - start.point);
        if (d >= start.radius) {
            EXPECT_EQ(after[i], before[i]) << "corner " << i << " lies outside the brush";
        } else if (!(after[i] == before[i])) {
            ++moved;
            EXPECT_GT(after[i].y, before[i].y) << "corner " << i;
        }
    }
    EXPECT_GT(moved, 0);
    test::resetAllInput();
}

} // namespace
