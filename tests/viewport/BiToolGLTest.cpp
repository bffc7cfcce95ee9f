// Two-object tools drawn in a real context, read back from the id buffer: a hydraulic cylinder
// spans the gap between the objects it joins, a cable keeps its thickness when stretched, and
// the helpers show only while switched on.
#include "elements/Curve.h"
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "mesh/Mesh.h"
#include "scene/CameraMatrices.h"
#include "scene/Globals.h"
#include "scene/Scene.h"
#include "tools/Cable.h"
#include "viewport/GLView.h"
#include "GLTestContext.h"
#include "GlobalScope.h"
#include "GLTestTargets.h"
#include "TargetsView.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

namespace {

using namespace kal;

constexpr int size = 32;

// A view with a scene and its targets only; the camera looks down -z at [-4, 4]^2.
class PairView : public test::TargetsView {
public:
    PairView() : TargetsView(size) { backgroundColor = wvec4(0, 0, 0, 0); }
    template <class T>
    T* add(Tool* parent, T* t) {
        (parent ? parent : scene->sceneRoot)->addChild(t, false);
        return t;
    }
};

int pixelOf(float world) { return int((world + 4.0f) / 8.0f * size); }

mat4 scaledAt(float s, vec3 at) {
    mat4 m = mat4::uniformScaling(s);
    m *= mat4::translation(at);
    return m;
}

BiTool* bare(const mat4& m) { return new BiTool(BiToolBare, nullptr, m, pbr(), false); }

class BiToolGL : public ::testing::Test {
protected:
    PairView view;
    test::GlobalScope<CameraMatrices> camera{cameraMatrices};
    test::GlobalScope<uint8_t> helpers{showHelpers};

    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        gl->glGetError();
        cameraMatrices = CameraMatrices();
        cameraMatrices.projectionView = mat4{{0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -0.125f, 0, 0, 0, 0, 1}};
        cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
        showHelpers = 0;
    }
    void TearDown() override {
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDisable(GL_DEPTH_TEST);
        releaseBiToolHelpers();
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }
    void render() {
        view.scene->rebuildToolLists();
        ASSERT_TRUE(view.opaqueTarget->bind());
        gl->glViewport(0, 0, size, size);
        EXPECT_TRUE(view.drawLayer(view.opaqueTarget, 0, false));
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, view.opaqueTarget->framebuffer);
    }
    uint32_t idAt(int x, int y) {
        uint32_t v[3] = {0, 0, 0};
        gl->glReadBuffer(GLenum(view.opaqueTarget->idTexture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGB_INTEGER, GL_UNSIGNED_INT, v);
        return v[0] & 0x7FFFFFFFu;
    }
    uint32_t idOf(Tool* t) { return uint32_t(view.scene->idOf(t)); }
};

} // namespace

TEST_F(BiToolGL, aHydraulicCylinderSpansTheGapBetweenItsTwoCubes) {
    Tool* left = view.add(nullptr, new Tool(Mesh::createCube(), mat4::translation(vec3(-2.5f, 0, 0)), pbr(), false));
    Tool* right = view.add(nullptr, new Tool(Mesh::createCube(), mat4::translation(vec3(2.5f, 0, 0)), pbr(), false));
    // the insert kind's cylinder: z 0..1, radius 0.5 in the end's frame, thinned to 0.3 by the stretch
    Mesh* cylinder = Mesh::createCylinder(24, false);
    cylinder->translation = vec3(0, 0, -1);
    cylinder->scale = 2;
    BiTool* a = view.add(left, new BiTool(BiToolCylinder, cylinder, scaledAt(4, vec3(1, 0, 0)), pbr(), false));
    a->attachPartner(view.add(right, bare(mat4::translation(vec3(-1, 0, 0)))));
    render();
    EXPECT_EQ(a->linkLength, 0.75f); // 3 units of gap in the end's units of 4
    const int mid = size / 2;
    EXPECT_EQ(idAt(pixelOf(-2.5f), mid), idOf(left));
    EXPECT_EQ(idAt(pixelOf(2.5f), mid), idOf(right));
    for (float x : {-1.3f, 0.0f, 1.3f}) EXPECT_EQ(idAt(pixelOf(x), mid), idOf(a)) << x;
    // radius 0.5 x 0.3 x 4 = 0.6 about the axis
    EXPECT_EQ(idAt(pixelOf(0), pixelOf(1.0f)) + idAt(pixelOf(0), pixelOf(-1.0f)), 0u);
}

TEST_F(BiToolGL, aCableKeepsItsDrawnThicknessWhenStretchedToTwiceItsLength) {
    Curve* section = Curve::makeCircle(24, false);
    for (CurvePoint& p : section->points) p.position = p.position * 25.0f;
    Cable* cable = view.add(nullptr, new Cable(section, mat4::translation(vec3(-3, 0, 0)), pbr(), false));
    BiTool* far = view.add(nullptr, bare(mat4()));
    cable->attachPartner(far);
    int thickness[2] = {0, 0};
    for (int stretch = 0; stretch < 2; ++stretch) {
        far->transform = mat4::translation(vec3(stretch ? 3.0f : 0.0f, 0, 0));
        render();
        for (int y = 0; y < size; ++y) thickness[stretch] += idAt(pixelOf(stretch ? 0.0f : -1.5f), y) == idOf(cable);
        EXPECT_EQ(idAt(pixelOf(stretch ? 2.8f : -0.2f), size / 2), idOf(cable)); // it reaches the far end
    }
    EXPECT_EQ(cable->restLength, 3.0f);
    EXPECT_GE(thickness[0], 4);
    EXPECT_NEAR(thickness[1], thickness[0], 1);
}

TEST_F(BiToolGL, helpersShowMarkerCubesAndALineToThePartnerOnlyWhileSwitchedOn) {
    // small ends, so that their marker cubes (2 units long in the end's frame) leave the middle free
    BiTool* a = view.add(nullptr, bare(scaledAt(0.5f, vec3(-2, 0, 0))));
    BiTool* b = view.add(nullptr, bare(scaledAt(0.5f, vec3(2, 0, 0))));
    a->attachPartner(b);
    for (uint8_t on : {0, 1}) {
        showHelpers = on;
        render();
        EXPECT_EQ(idAt(pixelOf(-2), size / 2), on ? idOf(a) : 0u);
        EXPECT_EQ(idAt(pixelOf(2), size / 2), on ? idOf(b) : 0u);
        EXPECT_EQ(idAt(pixelOf(0), size / 2), 0u);
        // the line, in the helper pass's green, on one of the two middle rows
        float px[2][4] = {};
        gl->glReadBuffer(GLenum(view.opaqueTarget->colorTexture->attachment));
        gl->glReadPixels(pixelOf(0), size / 2 - 1, 1, 2, GL_RGBA, GL_FLOAT, px);
        EXPECT_EQ(std::max(px[0][1], px[1][1]), on ? 1.0f : 0.0f) << int(on);
        EXPECT_EQ(std::max(px[0][0], px[1][0]), 0.0f);
    }
}
