// Drawing and composing scene layers in a real context: backgrounds, simple and environment
// lighting of a drawn cube, contours and the selection outline, read back from the targets.
#include "LogLines.h"
#include "gpu/Environment.h"
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureArrays.h"
#include "gpu/TextureUnits.h"
#include "mesh/Mesh.h"
#include "scene/CameraMatrices.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"
#include "TargetsView.h"
#include "SceneTargetTest.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace kal;

constexpr int size = 32;

// A cube of side 2 at the origin, faces marked apart, normals from the rebuild.
Mesh* cubeMesh() {
    Mesh* m = new Mesh();
    for (int i = 0; i < 8; ++i)
        m->addVertex(i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, i & 4 ? 1.f : -1.f, -1, true, false);
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    const pbr white;
    for (const auto& q : quads) {
        m->addTriangle(MeshTriangle(q[0], q[1], q[2], -1, -1, -1, true, false, true, white, white, white));
        m->addTriangle(MeshTriangle(q[0], q[2], q[3], -1, -1, -1, true, true, false, white, white, white));
    }
    m->rebuild(Recenter::Keep);
    return m;
}

// A view with a scene and its two targets but nothing else; the camera looks down -z at
// [-4, 4]^2, so a cube of side 2 covers the middle quarter of the picture.
class LayerView : public test::TargetsView {
public:
    LayerView() : TargetsView(size) { backgroundColor = wvec4(0x2000, 0x4000, 0x6000, 0); }
    Tool* addCube(vec3 at, const pbr& material = pbr()) {
        Tool* t = new Tool(cubeMesh(), mat4::translation(at), material, false);
        scene->sceneRoot->addChild(t, false);
        scene->rebuildToolLists();
        return t;
    }
};

// An environment whose layer k is one flat colour, without building anything from an image.
Environment* flatEnvironment(int levels, const std::vector<vec3>& layerColours) {
    Environment* e = new Environment("flat", 4, levels, false);
    for (int k = 0; k <= levels; ++k) {
        const vec3 c = layerColours[size_t(k)];
        std::vector<uint8_t> faces;
        for (int i = 0; i < 6 * 4 * 4; ++i)
            faces.insert(faces.end(), {uint8_t(c.x * 255), uint8_t(c.y * 255), uint8_t(c.z * 255)});
        EXPECT_TRUE(e->map->setLayer(k, faces));
    }
    e->built = true;
    return e;
}

class Layers : public ::testing::Test {
protected:
    LayerView view;

    test::SavedView saved;

    void SetUp() override {
        gl->glGetError();
        saved.take();
        cameraMatrices.projectionView = mat4{{0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -0.125f, 0, 0, 0, 0, 1}};
        // lines sit a little in front of the faces they border, as the camera's line matrix does
        cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
        cameraMatrices.lineProjectionView[11] = -0.001f;
    }
    // Other tests in this binary draw through contexts of their own; vertex arrays are never
    // shared between contexts, so the shared one is made again in ours.
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void TearDown() override {
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDisable(GL_STENCIL_TEST);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glStencilMask(0xFF);
        saved.giveBack();
        EXPECT_EQ(textureUnitCounter, 0) << "every pass gives its units back";
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    void draw(FBOScene* target, int mode) {
        ASSERT_TRUE(target->bind());
        gl->glViewport(0, 0, size, size);
        EXPECT_TRUE(view.drawLayer(target, mode, false));
    }
    // Draws and composes the opaque layer; the finished image is where spareColor points.
    bool render() {
        draw(view.opaqueTarget, 0);
        return view.compositLayer(view.opaqueTarget);
    }
    static vec4 pixel(FBOScene* target, Texture2D* texture, int x, int y) {
        float v[4] = {-1, -1, -1, -1};
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer);
        gl->glReadBuffer(GLenum(texture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, v);
        return vec4(v[0], v[1], v[2], v[3]);
    }
    vec4 image(int x, int y) { return pixel(view.opaqueTarget, view.opaqueTarget->spareColor, x, y); }
    static uint32_t materialWord(FBOScene* target, int x, int y) {
        uint32_t v[3] = {0, 0, 0};
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer);
        gl->glReadBuffer(GLenum(target->idTexture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGB_INTEGER, GL_UNSIGNED_INT, v);
        return v[2];
    }
};

void expectColour(vec4 got, vec3 want, float tolerance = 0.01f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

const vec3 background(0x2000 / 65535.0f, 0x4000 / 65535.0f, 0x6000 / 65535.0f);

TEST_F(Layers, colourBackgroundFillsOpaqueLayerAndItsSpareWhileTransparentStartsBlack) {
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 3, 3), background);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture2, 3, 3), background);
    EXPECT_EQ(materialWord(view.opaqueTarget, 3, 3), 0u);

    draw(view.transparentTarget, 1);
    vec4 t = pixel(view.transparentTarget, view.transparentTarget->colorTexture, 3, 3);
    expectColour(t, vec3(0, 0, 0));
    EXPECT_EQ(t.w, 1.0f);
}

TEST_F(Layers, hiddenTransparentLayerStaysEmpty) {
    pbr glass;
    glass.opacity = 0x8000;
    view.addCube(vec3(0, 0, 0), glass);
    view.hideTransparent = true;
    draw(view.opaqueTarget, 0);
    draw(view.transparentTarget, 1);
    EXPECT_EQ(materialWord(view.transparentTarget, size / 2, size / 2), 0u);
    view.hideTransparent = false;
    draw(view.transparentTarget, 1);
    EXPECT_NE(materialWord(view.transparentTarget, size / 2, size / 2), 0u);
}

TEST_F(Layers, backgroundPictureIsScaledOntoTheWholeView) {
    // a 2 x 1 picture: red on the left, green on the right
    auto* image =
        new Texture2D(2, 1, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Nearest);
    const uint8_t texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    image->setData(texels, 8);
    FBOTexture picture(image);
    view.backgroundImage = &picture;
    view.backgroundMode = 1;
    draw(view.opaqueTarget, 0);
    for (Texture2D* t : {view.opaqueTarget->colorTexture, view.opaqueTarget->colorTexture2}) {
        expectColour(pixel(view.opaqueTarget, t, 2, 16), vec3(1, 0, 0));
        expectColour(pixel(view.opaqueTarget, t, size - 3, 16), vec3(0, 1, 0));
    }
    view.backgroundImage = nullptr;

    // no picture: the colour
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 2, 16), background);
}

TEST_F(Layers, skyShowsTheLayerChosenByTheBlurAndFallsBackToTheColour) {
    // layers 0..5: layer 4 red, layer 5 (the diffuse light) green
    std::vector<vec3> colours(6, vec3(0, 0, 1));
    colours[4] = vec3(1, 0, 0);
    colours[5] = vec3(0, 1, 0);
    view.environment = flatEnvironment(5, colours);
    view.backgroundMode = 2;

    view.environmentBlur = 0;
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 3, 3), vec3(1, 0, 0));
    // the spare colour holds a copy: compositing writes only the layer's own pixels
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture2, 3, 3), vec3(1, 0, 0));

    view.environmentBlur = 100;
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 3, 3), vec3(0, 1, 0));

    view.renderSimple = true;
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 3, 3), background);
}

TEST_F(Layers, skyWhoseCubeArrayCannotBindShowsTheColourBackground) {
    // far beyond any cube-map size: the array's storage cannot be made
    view.environment = new Environment("flat", 1 << 20, 5, false);
    view.environment->built = true;
    view.backgroundMode = 2;
    draw(view.opaqueTarget, 0);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, 3, 3), background);
    gl->glGetError(); // the failed storage request
}

TEST_F(Layers, simpleLightingShadesTheCubeAndLeavesTheBackground) {
    view.addCube(vec3(0, 0, 0));
    ASSERT_TRUE(render());
    // front face normal (0, 0, 1): p = 0.8165, lifted to mix(p, 1, 0.2)
    const float lit = 0.8f * 0.81649655f + 0.2f;
    expectColour(image(size / 2 + 1, size / 2 + 1), vec3(lit, lit, lit));
    expectColour(image(2, 2), background);
    // lighting and outlines: two passes, so the image is back in the first colour texture
    EXPECT_EQ(view.opaqueTarget->spareColor, view.opaqueTarget->colorTexture);
}

TEST_F(Layers, environmentLightingTakesTheDiffuseLightFromTheLastLayer) {
    // every reflection layer black, the diffuse layer grey: a half-metal half-rough white cube
    // shows mix(grey, black, 0.5)
    std::vector<vec3> colours(3, vec3(0, 0, 0));
    colours[2] = vec3(0.5f, 0.5f, 0.5f);
    view.environment = flatEnvironment(2, colours);
    view.addCube(vec3(0, 0, 0));
    ASSERT_TRUE(render());
    const float grey = float(uint8_t(0.5f * 255)) / 255.0f;
    expectColour(image(size / 2 + 1, size / 2 + 1), vec3(grey / 2, grey / 2, grey / 2), 0.02f);
}

TEST_F(Layers, markedEdgesDrawFlatAndUnlitOverTheirObject) {
    // the cube's left front edge runs down the middle of pixel column 12 (x = -0.875)
    view.addCube(vec3(0.125f, 0, 0));
    view.contourColor = wvec4(0, 0xFFFF, 0, 0xFFFF);
    // the line list takes elements that have lines on the GPU: the first frame uploads them
    draw(view.opaqueTarget, 0);
    view.scene->rebuildToolLists();
    draw(view.opaqueTarget, 0);
    const int x = 12, y = size / 2 + 2;
    EXPECT_EQ(materialWord(view.opaqueTarget, x, y), 0u);
    expectColour(pixel(view.opaqueTarget, view.opaqueTarget->colorTexture, x, y), vec3(0, 1, 0));
}

TEST_F(Layers, contourDarkensTheSilhouetteOnly) {
    view.addCube(vec3(0, 0, 0));
    ASSERT_TRUE(render());
    const float lit = 0.8f * 0.81649655f + 0.2f;
    // the cube covers columns 12..19; column 12 borders the background
    vec4 edge = image(12, size / 2 + 1);
    EXPECT_NEAR(edge.x, lit * 0.5f, 0.02f); // black contour at half strength
    expectColour(image(size / 2, size / 2 + 1), vec3(lit, lit, lit));
}

TEST_F(Layers, edgeDetectionAddsAPassAndKeepsFlatInteriors) {
    view.addCube(vec3(0, 0, 0));
    view.edgeDetection = true;
    ASSERT_TRUE(render());
    // three passes: the image ends in the spare colour texture
    EXPECT_EQ(view.opaqueTarget->spareColor, view.opaqueTarget->colorTexture2);
    const float lit = 0.8f * 0.81649655f + 0.2f;
    expectColour(image(size / 2, size / 2 + 1), vec3(lit, lit, lit));
    // the last column of the cube meets background normals: contour from both edge passes
    EXPECT_LT(image(19, size / 2 + 1).x, lit * 0.5f + 0.02f);
}

TEST_F(Layers, selectionOutlineSurroundsTheSelectedObjectOnly) {
    Tool* chosen = view.addCube(vec3(-2, 0, 0));
    view.addCube(vec3(2, 0, 0));
    chosen->flags |= HighlightFlag;
    view.setSelectionDisplay(true);
    ASSERT_EQ(view.displayState, 2);
    ASSERT_TRUE(render());
    // the selected cube spans x in [-3, -1]: columns 4..11; the other [1, 3]: columns 20..27
    const int y = size / 2 + 1;
    for (int x : {4, 11}) expectColour(image(x, y), vec3(1, 0, 0));
    vec4 inside = image(8, y);
    EXPECT_GT(inside.x, inside.y); // faintly tinted red
    for (int x : {20, 27}) {
        vec4 other = image(x, y);
        EXPECT_LT(other.x, 0.6f) << "no selection colour on the other cube";
        EXPECT_NEAR(other.x, other.y, 0.01f);
    }
    // outside both the background stays
    expectColour(image(16, y), background);
}

TEST_F(Layers, lightingPassThatCannotBindReportsAndGivesEverythingBack) {
    // a built environment whose cube array has no storage: the lighting pass cannot bind it
    view.environment = new Environment("flat", 1 << 20, 4, false);
    view.environment->built = true;
    view.addCube(vec3(0, 0, 0));
    draw(view.opaqueTarget, 0);
    {
        test::LogLines log;
        EXPECT_FALSE(view.compositLayer(view.opaqueTarget));
        gl->glGetError(); // the failed storage request
        ASSERT_FALSE(log.all().empty());
        EXPECT_EQ(log.all().back(), "ERROR GLView::compositLayer 1");
    }
    // with the environment gone the simple light takes over
    delete view.environment;
    view.environment = nullptr;
    draw(view.opaqueTarget, 0);
    EXPECT_TRUE(view.compositLayer(view.opaqueTarget));
}

TEST_F(Layers, wireframeOutlinesTheTransparentLayerWithPartLines) {
    pbr glass;
    glass.opacity = 0x8000;
    view.addCube(vec3(0, 0, 0), glass);
    view.contourColor = wvec4(0, 0, 0xFFFF, 0xFFFF);
    view.setWireframe(true);
    view.setSelectionDisplay(true);
    ASSERT_EQ(view.displayState, 3);
    draw(view.opaqueTarget, 0);
    ASSERT_TRUE(view.compositLayer(view.opaqueTarget));
    draw(view.transparentTarget, 1);
    ASSERT_TRUE(view.compositLayer(view.transparentTarget));
    // lighting, then part lines: two passes, the image is back in the first colour texture
    EXPECT_EQ(view.transparentTarget->spareColor, view.transparentTarget->colorTexture);
    // the front face's diagonal (records 2 and 3) runs from pixel (12, 12) to (20, 20): along it
    // the side with the smaller item id draws the line in the contour colour
    auto isLine = [&](int x, int y) {
        vec4 c = pixel(view.transparentTarget, view.transparentTarget->spareColor, x, y);
        return c.z > 0.9f && c.x < 0.1f && c.y < 0.1f;
    };
    for (int x = 14; x < 18; ++x) EXPECT_TRUE(isLine(x, x) || isLine(x + 1, x) || isLine(x, x + 1)) << x;
    // away from the diagonal and the silhouette there is no line
    EXPECT_FALSE(isLine(17, 14));
    EXPECT_FALSE(isLine(14, 17));
}

TEST_F(Layers, transparentLayerGetsOnlyTheLightingPassOutsideWireframe) {
    pbr glass;
    glass.opacity = 0x8000;
    view.addCube(vec3(0, 0, 0), glass);
    draw(view.opaqueTarget, 0);
    ASSERT_TRUE(view.compositLayer(view.opaqueTarget));
    draw(view.transparentTarget, 1);
    ASSERT_TRUE(view.compositLayer(view.transparentTarget));
    EXPECT_EQ(view.transparentTarget->spareColor, view.transparentTarget->colorTexture2);
    vec4 c = pixel(view.transparentTarget, view.transparentTarget->spareColor, size / 2 + 1, size / 2 + 1);
    const float lit = 0.8f * 0.81649655f + 0.2f;
    EXPECT_NEAR(c.x, lit, 0.01f);
    EXPECT_NEAR(c.w, 0x80 / 255.0f, 0.01f);
}

} // namespace
