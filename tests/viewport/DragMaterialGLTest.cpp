// The material drags re-pick the object under the cursor from the drawn scene targets.
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "mesh/Mesh.h"
#include "scene/CameraMatrices.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"
#include "TargetsView.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

namespace {

using namespace kal;

constexpr int size = 32;

// The camera looks down -z at [-4, 4]^2: a cube of side 2 at the origin covers the middle.
class TargetView : public test::TargetsView {
public:
    TargetView() : TargetsView(size) {}
    Tool* addCube(vec3 at, const pbr& material) {
        Tool* t = new Tool(Mesh::createCube(), mat4::translation(at), material, false);
        t = scene->sceneRoot->addChild(t, false);
        t->flags |= PlacedFlag;
        scene->rebuildToolLists();
        return t;
    }
};

class DragMaterial : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        cameraMatrices = CameraMatrices();
        cameraMatrices.projectionView = mat4{{0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -0.125f, 0, 0, 0, 0, 1}};
        cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
        frameMouse = MouseState();
    }
    void TearDown() override {
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDisable(GL_STENCIL_TEST);
        gl->glDisable(GL_DEPTH_TEST);
        frameMouse = MouseState();
    }
    void drawScene() {
        ASSERT_TRUE(view.opaqueTarget->bind());
        gl->glViewport(0, 0, size, size);
        ASSERT_TRUE(view.drawLayer(view.opaqueTarget, 0, false));
        ASSERT_TRUE(view.transparentTarget->bind());
        ASSERT_TRUE(view.drawLayer(view.transparentTarget, 1, false));
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    // A MatchMaterial drag of `target` with the cursor resting on pixel (x, y).
    void matchDragAt(Tool* target, int x, int y) {
        view.outside = false;
        view.mode = ASSEMBLY;
        view.command = Command::MatchMaterial;
        view.busy = 1;
        view.pressPick = PickRecord();
        view.pressPick.kind = 1;
        view.pressPick.stencilBits = 1;
        view.pressPick.object = target;
        view.lastCursorX = x;
        view.lastCursorY = y;
        frameMouse.prevX = float(x);
        frameMouse.prevY = float(y);
        frameMouse.x = float(x) + 0.5f;
        frameMouse.y = float(y);
        frameMouse.dx = 0.5f;
        frameMouse.left = frameMouse.prevLeft = 1;
        view.dragStep();
    }

    TargetView view;
};

TEST_F(DragMaterial, MatchMaterialCopiesTheMaterialOfTheObjectUnderTheCursorOnlyWhenOneIsHit) {
    pbr red;
    red.green = red.blue = 0;
    red.roughness = 1200;
    Tool* source = view.addCube({0, 0, 0}, red);
    Tool* target = view.addCube({100, 100, 0}, pbr()); // far outside the picture
    drawScene();

    matchDragAt(target, 2, 2); // the background corner
    EXPECT_EQ(target->material.green, 65535);

    matchDragAt(target, size / 2, size / 2);
    EXPECT_EQ(view.hoverPick.object, source);
    EXPECT_EQ(target->material.green, 0);
    EXPECT_EQ(target->material.roughness, 1200);
    EXPECT_EQ(source->material.green, 0);
}

} // namespace
