// Whole frames of a view with a lit sphere, read back from the image the frame returns: the lit
// object over the background, the status text, the transparent layer refracting only where it
// lies, glow and lens chromatism, and the hover flags that must never outlive a frame.
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"
#include "mesh/Mesh.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"
#include "viewport/StatusText.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"
#include "LogLines.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using namespace kal;

constexpr int W = 160, H = 120;

struct Image {
    std::vector<unsigned char> px;
    const unsigned char* at(int x, int y) const { return &px[size_t((y * W + x) * 4)]; }
    float grey(int x, int y) const { return (at(x, y)[0] + at(x, y)[1] + at(x, y)[2]) / (3.0f * 255.0f); }
    int count(const uint8_t rgb[3], int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += at(x, y)[0] == rgb[0] && at(x, y)[1] == rgb[1] && at(x, y)[2] == rgb[2];
        return n;
    }
};

Mesh* sphereMesh() {
    Mesh* ico = Mesh::createIcosahedron();
    Mesh* sphere = Mesh::subdivided(ico, 3, false, true);
    delete ico;
    return sphere;
}

class FrameRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        gl->glGetError();
        view = new GLView(W, H);
        view->updateCamera();
        unit = view->pixelVector(false).length();
        centre = view->screenToWorld(W / 2.0f, H / 2.0f, view->focusDepth());
        // the mesh keeps its own size: measure once how large a sphere comes out
        Tool* probe = addSphere(40, 0);
        const int drawn = drawnRadius(frame());
        ASSERT_GT(drawn, 4);
        correction = 40.0f / float(drawn);
        view->scene->sceneRoot->removeChild(probe);
        delete probe;
        view->scene->rebuildToolLists();
    }
    // Half the run of sphere pixels along the middle row.
    static int drawnRadius(const Image& img) {
        if (img.px.empty()) return 0;
        const float background = img.grey(W - 3, H / 2);
        int n = 0;
        for (int x = 0; x < W; ++x) n += std::fabs(img.grey(x, H / 2) - background) > 0.03f;
        return n / 2;
    }
    void TearDown() override {
        delete view;
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(textureUnitCounter, 0) << "every pass gives its units back";
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    // A sphere of the given radius in pixels, its centre `dx` pixels right of the view's centre.
    // toward: pixels of depth toward the viewer.
    // mesh: the sphere to place (one made here when null).
    Tool* addSphere(float radiusPixels, float dx, const pbr& material = pbr(), float toward = 0, Mesh* mesh = nullptr) {
        mat4 m = mat4::uniformScaling(radiusPixels * unit * correction);
        m *= mat4::translation(centre + vec3(dx * unit, 0, 0) + view->screenNormal() * (toward * unit));
        Tool* t = new Tool(mesh ? mesh : sphereMesh(), m, material, false);
        t->flags |= PlacedFlag;
        view->scene->sceneRoot->addChild(t, false);
        view->scene->rebuildToolLists();
        return t;
    }

    Image frame() {
        view->redraw = true;
        return read(view->render());
    }

    // The pixels of a frame's image, read before the next frame reuses its target.
    Image read(Texture2D* image) {
        EXPECT_NE(image, nullptr);
        Image out;
        if (!image) return out;
        lastImage = image;
        out.px.resize(size_t(W * H * 4));
        FBO* owner = nullptr;
        for (FBO* t : view->renderTargets)
            for (Texture2D* x : t->textures)
                if (x == image) owner = t;
        EXPECT_NE(owner, nullptr) << "the image is an attachment of a scene target";
        if (!owner) return out;
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, owner->framebuffer);
        gl->glReadBuffer(GLenum(image->attachment));
        gl->glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, out.px.data());
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return out;
    }

    GLView* view = nullptr;
    float unit = 1;
    float correction = 1;
    vec3 centre;
    Texture2D* lastImage = nullptr;
};

const uint8_t grey[3] = {204, 204, 204};
const uint8_t green[3] = {0, 255, 0};

TEST_F(FrameRender, litSphereOverTheBackgroundWithTheStatusText) {
    addSphere(30, 0);
    const Image img = frame();
    ASSERT_FALSE(img.px.empty());
    EXPECT_FALSE(view->redraw) << "a finished frame clears the request";

    const float background = 0x22 / 255.0f;
    EXPECT_NEAR(img.grey(W - 3, H / 2), background, 0.02f);
    const float middle = img.grey(W / 2, H / 2);
    EXPECT_GT(middle, background + 0.3f) << "the sphere faces the light";
    EXPECT_NEAR(drawnRadius(img), 30, 2);
    // lit: the shading changes across the sphere
    EXPECT_GT(std::fabs(img.grey(W / 2 - 15, H / 2 - 15) - img.grey(W / 2 + 15, H / 2 + 15)), 0.05f);

    // the counts in grey and the mode in green, top-left of the presented picture
    EXPECT_GT(img.count(grey, 8, 8, 120, 20), 20);
    EXPECT_GT(img.count(green, 8, 20 + 12, 80, 20 + 24), 5);
    for (int y = 8; y < 20; ++y)
        for (int x = 8; x < 120; ++x)
            if (img.at(x, y)[0] == 204 && img.at(x, y)[1] == 204) {
                EXPECT_EQ(img.at(x, y)[3], 255);
            }
}

// A frame in which an object could not be uploaded says so in the status; once it uploads again,
// the next frame does not.
TEST_F(FrameRender, anObjectWhoseUploadIsRefusedIsSaidInTheStatus) {
    Tool* t = addSphere(30, 0);
    frame();
    EXPECT_FALSE(statusStateOf(*view).undrawn);
    Mesh& m = static_cast<Mesh&>(*t->element);
    m.partChanged[GroupNormals] = true;
    gl->glBindBuffer(GL_ARRAY_BUFFER, m.glBuffer);
    ASSERT_NE(gl->glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY), nullptr);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    {
        test::LogLines log;
        frame();
        EXPECT_TRUE(statusStateOf(*view).undrawn);
        EXPECT_EQ(log.count("Mesh::updateGpu"), 1u);
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, m.glBuffer);
    gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    frame();
    EXPECT_FALSE(statusStateOf(*view).undrawn);
}

TEST_F(FrameRender, noRequestNoFrameAndTheStateIsHandedBack) {
    addSphere(20, 0);
    frame();
    EXPECT_EQ(view->render(), nullptr);
    GLint program = -1, framebuffer = -1;
    gl->glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_FALSE(gl->glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(gl->glIsEnabled(GL_STENCIL_TEST));
    GLint stencilMask = 0;
    gl->glGetIntegerv(GL_STENCIL_WRITEMASK, &stencilMask);
    EXPECT_EQ(stencilMask & 0xFF, 0xFF) << "a later clear must reach every stencil bit";
}

TEST_F(FrameRender, frameCounterAdvancesOncePerFrame) {
    const int32_t before = frameCounter;
    frame();
    frame();
    EXPECT_EQ(frameCounter, before + 2);
}

TEST_F(FrameRender, hiResAndDisplayOffDrawNoText) {
    addSphere(20, 0);
    const Image shown = frame();
    ASSERT_GT(shown.count(grey, 8, 8, 120, 20), 0);
    view->hiRes = true;
    EXPECT_EQ(frame().count(grey, 8, 8, 120, 20), 0);
    view->hiRes = false;
    view->textDisplay = false;
    EXPECT_EQ(frame().count(grey, 8, 8, 120, 20), 0);
}

TEST_F(FrameRender, transparentSphereChangesOnlyThePixelsItCovers) {
    addSphere(30, 0);
    view->textDisplay = false;
    view->glow = false;
    const Image plain = frame();
    pbr glass;
    glass.opacity = 0x6000;
    glass.red = 0;
    glass.green = 0;
    addSphere(12, -45, glass);
    const Image layered = frame();
    ASSERT_FALSE(plain.px.empty());
    ASSERT_FALSE(layered.px.empty());
    int changedInside = 0, changedOutside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool differs = std::abs(plain.at(x, y)[2] - layered.at(x, y)[2]) > 2 ||
                                 std::abs(plain.at(x, y)[0] - layered.at(x, y)[0]) > 2;
            const float dx = float(x) - (W / 2.0f - 45), dy = float(y) - H / 2.0f;
            const bool nearGlass = dx * dx + dy * dy < 15.0f * 15.0f;
            (nearGlass ? changedInside : changedOutside) += differs;
        }
    EXPECT_GT(changedInside, 100) << "the glass shows over what lies behind it";
    EXPECT_EQ(changedOutside, 0) << "the refraction mix is held to the transparent layer's pixels";
    EXPECT_EQ(lastImage, view->transparentTarget->spareColor)
        << "without glow the image stays in the transparent target";
}

// Pixels of one colour on the ring of radii [r0, r1) about the view's centre.
int ringCount(const Image& img, const uint8_t rgb[3], float r0, float r1) {
    int n = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float dx = float(x) - W / 2.0f, dy = float(y) - H / 2.0f, d = std::sqrt(dx * dx + dy * dy);
            n += d >= r0 && d < r1 && img.count(rgb, x, y, x + 1, y + 1);
        }
    return n;
}

TEST_F(FrameRender, glassInFrontOfAnObjectIsOutlinedAcrossBothLayers) {
    addSphere(45, 0);
    pbr glass;
    glass.opacity = 0x6000;
    Tool* front = addSphere(15, 0, glass, 80);
    view->textDisplay = false;
    view->glow = false;
    view->contourColor = wvec4(0, 65535, 0, 65535); // contours in pure green
    // inside the opaque sphere only the glass's rim can carry a contour
    EXPECT_GT(ringCount(frame(), green, 12, 18), 10);

    const uint8_t pureRed[3] = {255, 0, 0};
    EXPECT_EQ(ringCount(frame(), pureRed, 12, 18), 0);
    front->flags |= HighlightFlag;
    view->setSelectionDisplay(true);
    EXPECT_GT(ringCount(frame(), pureRed, 12, 18), 10) << "the selected glass is outlined in the selection colour";
}

TEST_F(FrameRender, glowSpreadsEmittedLightBeyondTheObject) {
    pbr lamp;
    lamp.lightRed = lamp.lightGreen = lamp.lightBlue = 65535;
    addSphere(15, 0, lamp);
    view->textDisplay = false;
    view->glow = false;
    const Image dark = frame();
    view->glow = true;
    const Image glowing = frame();
    EXPECT_EQ(lastImage, view->opaqueTarget->spareColor) << "glow leaves the image in the opaque target";
    const int x = W / 2 + 22, y = H / 2; // outside the sphere's rim
    EXPECT_GT(glowing.grey(x, y), dark.grey(x, y) + 0.01f);
    EXPECT_NEAR(glowing.grey(W - 2, 2), dark.grey(W - 2, 2), 0.02f) << "far away the glow has faded";
}

TEST_F(FrameRender, lensChromatismShiftsChannelsAndEndsInTheLightTexture) {
    addSphere(30, 0);
    view->textDisplay = false;
    view->glow = false;
    const Image plain = frame();
    view->lensChromatism = true;
    view->lensChromatismColor = wvec4(0xFF00, 0, 0, 0xFF00); // red read from further out
    const Image fringed = frame();
    EXPECT_EQ(lastImage, view->transparentTarget->lightTexture);
    int redChanged = 0, blueChanged = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            redChanged += std::abs(plain.at(x, y)[0] - fringed.at(x, y)[0]) > 8;
            blueChanged += plain.at(x, y)[2] != fringed.at(x, y)[2];
        }
    EXPECT_GT(redChanged, 20);
    EXPECT_EQ(blueChanged, 0) << "a channel with factor 0 keeps its place";
}

TEST_F(FrameRender, hoverFlagsAreClearedAfterEveryFrameAndEveryFailedOne) {
    Tool* sphere = addSphere(20, 0);
    view->setMode(SCULPT);
    view->pressPick.kind = 1;
    view->pressPick.object = sphere;
    frame();
    EXPECT_EQ(sphere->flags & CollectFlag, 0);

    // a target that cannot be built ends the frame early, after the highlight was set
    view->opaqueTarget->resize(1 << 20, 4);
    view->redraw = true;
    EXPECT_EQ(view->render(), nullptr);
    gl->glGetError(); // the refused storage
    EXPECT_TRUE(view->redraw) << "a failed frame is drawn again on the next tick";
    EXPECT_EQ(sphere->flags & CollectFlag, 0);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The cursor in the middle of the view, over whatever lies there.
void hoverMiddle(GLView* view) {
    view->outside = false;
    frameMouse.x = W / 2.0f;
    frameMouse.y = H / 2.0f;
    view->lastCursorX = W / 2;
    view->lastCursorY = H / 2;
}

TEST_F(FrameRender, sculptBrushCursorIsDrawnOverTheHoveredObjectOnly) {
    addSphere(40, 0);
    view->textDisplay = false;
    view->glow = false;
    view->setMode(SCULPT);
    view->setSculptBrush(Brush::DeformVolume);
    hoverMiddle(view);
    const uint8_t pureRed[3] = {255, 0, 0};
    frame();                       // picks under the cursor
    const Image hovered = frame(); // shows the brush at the pick
    EXPECT_GT(hovered.count(pureRed, 0, 0, W, H), 10);
    view->setMode(VIEW);
    EXPECT_EQ(frame().count(pureRed, 0, 0, W, H), 0) << "the view mode shows no brush";
}

TEST_F(FrameRender, pivotGizmoShowsLabelledAxesOfTheHoveredObject) {
    addSphere(20, 0);
    view->textDisplay = false;
    view->glow = false;
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Move); // Move
    hoverMiddle(view);
    frame();
    const Image img = frame();
    const uint8_t xAxis[3] = {255, 68, 68}, yAxis[3] = {68, 255, 68}, label[3] = {255, 255, 255};
    EXPECT_GT(img.count(xAxis, 0, 0, W, H), 5);
    EXPECT_GT(img.count(yAxis, 0, 0, W, H), 5);
    EXPECT_GT(img.count(label, 0, 0, W, H), 5);
    view->pivots = false;
    EXPECT_EQ(frame().count(xAxis, 0, 0, W, H), 0);
}

TEST_F(FrameRender, pickingReadsTheLayersOfTheSameFrame) {
    Tool* sphere = addSphere(30, 0);
    view->setMode(ASSEMBLY);
    hoverMiddle(view);
    frame();
    EXPECT_NE(view->pressPick.kind, kPickNothing);
    EXPECT_EQ(view->pressPick.object, sphere);
}

} // namespace

namespace {

// A sphere that draws like lightning: its colour follows the scene time it is drawn at.
class TimeDrawnSphere : public Mesh {
public:
    explicit TimeDrawnSphere(Mesh* sphere) : Mesh(*sphere) {
        delete sphere;
        typeCode = LightningType;
    }
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override {
        pbr timed = material;
        timed.green = timed.blue = uint16_t(int(time) % 1000 * 65);
        Mesh::draw(objectId, itemId, model, timed, colourIsLight, time, last);
    }
};

} // namespace

// With Animate on and nothing that changes with time, idle frames draw nothing, and the image they
// leave shown is the one a frame forced to draw (as every animated frame once was) gives.
TEST_F(FrameRender, idleFramesDrawNothingAndLeaveTheImageAForcedFrameGives) {
    addSphere(30, 0);
    view->startupFrame = 4;
    view->outside = true;
    view->animate = true;
    view->redraw = true;
    const Image shown = read(view->update());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(view->update(), nullptr);
    EXPECT_EQ(frame().px, shown.px);
    view->turntable = true;
    EXPECT_NE(view->update(), nullptr) << "the turntable turns the camera every frame";
}

// An element drawn by the scene time redraws every idle frame, exactly as a forced frame at that
// time would; with Animate off the time stands still and so does the image.
TEST_F(FrameRender, aTimeDrawnElementRedrawsEachIdleFrameAsAForcedFrameWould) {
    addSphere(30, 0, pbr(), 0, new TimeDrawnSphere(sphereMesh()));
    view->startupFrame = 4;
    view->outside = true;
    view->animate = true;
    const Image idle = read(view->update());
    EXPECT_EQ(frame().px, idle.px);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Image later = read(view->update());
    EXPECT_NE(later.px, idle.px) << "the next idle frame shows the new time";
    view->animate = false;
    EXPECT_EQ(view->update(), nullptr);
}

namespace {

TEST_F(FrameRender, drawPreviewShowsTheChainAndTheKindsOfItsPoints) {
    view->textDisplay = false;
    view->glow = false;
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Draw); // Draw
    const uint8_t pureRed[3] = {255, 0, 0}, white[3] = {255, 255, 255}, blue[3] = {0, 0, 255};
    EXPECT_EQ(frame().count(green, 0, 0, W, H), 0);
    // plain, corner, arc, smooth, arc, plain along a zigzag across the view
    const uint32_t kinds[6] = {0, 1, 2, 3, 2, 0};
    for (int i = 0; i < 6; ++i) {
        PickRecord p;
        p.kind = 1;
        p.pointKind = kinds[i];
        p.point = view->screenToWorld(25.0f + 22.0f * float(i), i % 2 ? 80.0f : 40.0f, view->focusDepth());
        p.pixelVector = view->pixelVector(false);
        p.radius = 4;
        if (i == 0)
            view->assemblor.addStroke(p);
        else
            view->assemblor.strokes[0].picks.push_back(p);
    }
    view->busy = 2;
    const Image open = frame();
    const int chain = open.count(green, 0, 0, W, H);
    EXPECT_GT(chain, 60);
    EXPECT_GT(open.count(pureRed, 0, 0, W, H), 4);
    EXPECT_GT(open.count(white, 0, 0, W, H), 4);
    EXPECT_GT(open.count(blue, 0, 0, W, H), 4);
    view->closed = true;
    EXPECT_GT(frame().count(green, 0, 0, W, H), chain + 40) << "the closing line";
}

} // namespace
