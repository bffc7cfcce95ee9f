// Sculpt strokes through the view's frames on a real context: press, drag and release over a lit
// sphere with mirror X on. The image changes only round the stroke and its mirror image, and after
// the release the mesh is sound and its buffer holds what a fresh upload would write.
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"
#include "InputFixtures.h"
#include "MeshInvariants.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace kal;

constexpr int W = 160, H = 120;

struct Image {
    std::vector<unsigned char> px;
    bool differs(const Image& o, int x, int y) const {
        for (int c = 0; c < 3; ++c)
            if (px[size_t((y * W + x) * 4 + c)] != o.px[size_t((y * W + x) * 4 + c)]) return true;
        return false;
    }
};

std::vector<unsigned char> bufferBytes(uint32_t buffer, uint32_t size) {
    std::vector<unsigned char> out(size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(size), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

class SculptStroke : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        test::ensureApplication();
        test::resetInput();
        gl->glGetError();
        view = new GLView(W, H);
        view->startupFrame = 4;
        view->animate = false;
        view->textDisplay = false;
        view->glow = false;
        view->outside = false;
        view->updateCamera();
        const float unit = view->pixelVector(false).length();
        Mesh* ico = Mesh::createIcosahedron();
        mesh = Mesh::subdivided(ico, 3, false, true);
        delete ico;
        // a sphere of about 45 pixels round the world origin, which mirror X maps onto itself
        Tool* t = new Tool(mesh, mat4::uniformScaling(45 * unit), pbr(), false);
        t->flags |= PlacedFlag;
        view->scene->sceneRoot->addChild(t, false);
        view->scene->rebuildToolLists();
        const uint8_t mirrorX[6] = {1, 0, 0, 0, 0, 0};
        view->setSymmetry(mirrorX, 6);
        view->setMode(SCULPT);
        view->brushSize = 12;
    }
    void TearDown() override {
        delete view;
        test::resetInput();
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    // One tick of the view with the cursor at (x, y); the image it drew, if any.
    Image frame(float x, float y, bool left) {
        rawMouse.x = x;
        rawMouse.y = y;
        rawMouse.left = left ? 1 : 0;
        view->frameReady = true;
        view->redraw = true;
        Texture2D* image = view->update();
        Image out;
        if (!image) return out;
        FBO* owner = nullptr;
        for (FBO* f : view->renderTargets)
            for (Texture2D* x : f->textures)
                if (x == image) owner = f;
        if (!owner) return out;
        out.px.resize(size_t(W * H * 4));
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, owner->framebuffer);
        gl->glReadBuffer(GLenum(image->attachment));
        gl->glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, out.px.data());
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return out;
    }
    // The window point (origin bottom left, as read back) of a window cursor position.
    static vec2 readBack(float x, float y) { return vec2(x, float(H) - y); }

    GLView* view = nullptr;
    Mesh* mesh = nullptr;
};

} // namespace

TEST_F(SculptStroke, SmoothAndDeformChangeOnlyRoundTheStrokeAndItsMirrorImage) {
    for (int brush : {15, 12}) {
        SCOPED_TRACE(brush);
        view->setSculptBrush(brush);
        // the cursor rests on empty space while the images are taken: no brush circle in them
        frame(2, 2, false);
        const Image before = frame(3, 2, false);
        ASSERT_FALSE(before.px.empty());
        const float y = H / 2.0f, x0 = W / 2.0f + 14, x1 = W / 2.0f + 26;
        frame(x0, y, false);
        frame(x0, y, true);
        for (float x = x0 + 3; x <= x1; x += 3) frame(x, y, true);
        frame(x1, y, false);
        EXPECT_EQ(view->busy, 0);
        EXPECT_MESH_VALID(*mesh);
        // the release renormalled everything, and its upload covered the whole stroke
        const uint32_t size = mesh->cornerBytesAllocated;
        ASSERT_GT(size, 0u);
        std::vector<unsigned char> uploaded = bufferBytes(mesh->glBuffer, size);
        Mesh fresh(*mesh);
        ASSERT_TRUE(fresh.updateGpu());
        ASSERT_EQ(fresh.cornerBytesAllocated, size);
        const std::vector<unsigned char> full = bufferBytes(fresh.glBuffer, size);
        size_t differing = 0;
        for (size_t i = 0; i < size; ++i) differing += full[i] != uploaded[i];
        EXPECT_EQ(differing, 0u) << "bytes the stroke's uploads left stale";
        fresh.releaseGpu();

        frame(2, 2, false);
        const Image after = frame(3, 2, false);
        ASSERT_FALSE(after.px.empty());
        // the stroke and its mirror image, in read-back coordinates
        const vec3 w0 = view->screenToWorld(x0, y, view->focusDepth()), w1 = view->screenToWorld(x1, y, view->focusDepth());
        const vec3 m0 = view->worldToScreen(vec3(-w0.x, w0.y, w0.z)), m1 = view->worldToScreen(vec3(-w1.x, w1.y, w1.z));
        const vec2 a = readBack(x0, y), b = readBack(x1, y);
        const vec2 c = vec2{m0.x, m0.y}, d = vec2{m1.x, m1.y};
        auto nearSegment = [](vec2 p, vec2 s, vec2 e, float r) {
            vec2 se = e - s;
            float t = std::fmax(0.0f, std::fmin(1.0f, dot(p - s, se) / dot(se, se)));
            return length(p - (s + se * t)) <= r;
        };
        int nearStroke = 0, nearMirror = 0, elsewhere = 0;
        for (int py = 0; py < H; ++py)
            for (int px = 0; px < W; ++px) {
                if (!after.differs(before, px, py)) continue;
                const vec2 p = vec2{float(px), float(py)};
                if (nearSegment(p, a, b, 3 * 12.0f))
                    ++nearStroke;
                else if (nearSegment(p, c, d, 3 * 12.0f))
                    ++nearMirror;
                else
                    ++elsewhere;
            }
        EXPECT_GT(nearStroke, 0);
        EXPECT_GT(nearMirror, 0);
        EXPECT_EQ(elsewhere, 0);
    }
}
