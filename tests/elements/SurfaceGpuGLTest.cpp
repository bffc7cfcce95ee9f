// Tubes and revolutions against a real context: buffer layout and partial updates read back from
// GL, and what the main pass writes into a scene render target (ids per quad, normals under a
// mirror, the packed material word).
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "gpu/FBOScene.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "scene/CameraMatrices.h"

using namespace kal;

namespace {

template <typename T> std::vector<T> readBack(unsigned buffer, uint32_t offset, size_t count) {
    std::vector<T> out(count);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, offset, GLsizeiptr(count * sizeof(T)), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

// The square [-1, 1]^2 at z = 0: axis along x and section along y, two segments each.
Tube* square() {
    Curve* axis = new Curve({vec3(-1, 0, 0), vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    Curve* section = new Curve({vec3(0, -1, 0), vec3(0, 0, 0), vec3(0, 1, 0)}, false, 0);
    return new Tube(axis, section);
}

class SurfaceGpu : public ::testing::Test {
protected:
    void SetUp() override { gl->glGetError(); }
    void TearDown() override { EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR)); }
};

} // namespace

TEST_F(SurfaceGpu, layoutAndPartialUpdatesOfTheCornerBuffer) {
    Curve* section = Curve::makeCircle(6, false);
    Tube t(new Curve({vec3(0, 0, 0), vec3(0, 0, 2)}, false, 0), section);
    ASSERT_TRUE(t.updateGpu());
    EXPECT_EQ(t.vertexCount, 36);
    const uint32_t offsets[6] = {0, 432, 648, 792, 936, 1080};
    for (int a = 0; a < 6; ++a) EXPECT_EQ(t.arrayOffsets[a], offsets[a]);
    EXPECT_EQ(t.lineVertexCount, 24);
    EXPECT_TRUE(t.hasGpuGeometry());

    const GLCallCounts before = glCallCounts();
    EXPECT_TRUE(t.updateGpu()); // nothing changed: no GL at all
    EXPECT_EQ(glCallCounts().bufferSubData, before.bufferSubData);
    EXPECT_EQ(glCallCounts().bindArrayBuffer, before.bindArrayBuffer);

    const std::vector<float> positions = readBack<float>(t.vertexBuffer, 0, 108);
    const std::vector<uint32_t> ids = readBack<uint32_t>(t.vertexBuffer, 1080, 36);
    for (CurveSegment& s : section->segments) s.material[0].red = s.material[1].red = 0;
    t.stale[CurveSurface::StaleMaterials] = true;
    t.axis->framesValid = false;
    ASSERT_TRUE(t.updateGpu());
    EXPECT_EQ(glCallCounts().bufferData, before.bufferData); // storage kept
    EXPECT_EQ(glCallCounts().bufferSubData, before.bufferSubData + 3);
    EXPECT_FALSE(t.axis->framesValid);
    EXPECT_EQ(readBack<uint8_t>(t.vertexBuffer, 648, 4), (std::vector<uint8_t>{0, 255, 255, 255}));
    EXPECT_EQ(readBack<float>(t.vertexBuffer, 0, 108), positions);
    EXPECT_EQ(readBack<uint32_t>(t.vertexBuffer, 1080, 36), ids);

    Tube closed(Curve::makeCircle(5, false), Curve::makeCircle(4, false));
    ASSERT_TRUE(closed.updateGpu());
    EXPECT_EQ(closed.lineVertexCount, 0);
    EXPECT_FALSE(closed.hasGpuGeometry());
}

// Draws into a small scene render target through an orthographic camera looking down -z at the
// box [-2, 2]^3.
class SurfaceDraw : public SurfaceGpu {
protected:
    static constexpr int size = 32;
    FBOScene target{size, size, 1};
    GLint savedViewport[4] = {0, 0, 0, 0};
    CameraMatrices savedCamera;

    void SetUp() override {
        SurfaceGpu::SetUp();
        gl->glGetIntegerv(GL_VIEWPORT, savedViewport);
        savedCamera = cameraMatrices;
        cameraMatrices = CameraMatrices();
        cameraMatrices.projectionView = mat4{{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -0.25f, 0, 0, 0, 0, 1}};
        ASSERT_TRUE(target.bind());
        gl->glViewport(0, 0, size, size);
        const GLenum buffers[4] = {GLenum(target.idTexture->attachment), GLenum(target.colorTexture->attachment),
                                   GLenum(target.lightTexture->attachment),
                                   GLenum(target.normalTexture->attachment)};
        gl->glDrawBuffers(4, buffers);
        const GLuint zero[4] = {0, 0, 0, 0};
        const GLfloat black[4] = {0, 0, 0, 0};
        gl->glClearBufferuiv(GL_COLOR, 0, zero);
        for (int b = 1; b < 4; ++b) gl->glClearBufferfv(GL_COLOR, b, black);
        gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    }
    void TearDown() override {
        Shader::unbindCurrent();
        target.unbind();
        gl->glViewport(savedViewport[0], savedViewport[1], savedViewport[2], savedViewport[3]);
        cameraMatrices = savedCamera;
        SurfaceGpu::TearDown();
    }
    static int px(float x) { return int((x + 2.0f) / 4.0f * size); }
    std::vector<uint32_t> idAt(int x, int y) {
        std::vector<uint32_t> v(3);
        gl->glReadBuffer(GLenum(target.idTexture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGB_INTEGER, GL_UNSIGNED_INT, v.data());
        return v;
    }
    float normalZAt(int x, int y) {
        float v[4] = {0, 0, 0, 0};
        gl->glReadBuffer(GLenum(target.normalTexture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, v);
        return v[2];
    }
};

TEST_F(SurfaceDraw, everyQuadCarriesItsSegmentsAndTheMaterialWord) {
    std::unique_ptr<Tube> t(square());
    pbr material;
    material.roughness = 1000;
    material.metalness = -500;
    t->draw(9, -1, mat4(), material, false, 0, true);
    const float q = 0.5f;
    const struct {
        float x, y;
        uint32_t id;
    } quads[] = {{-q, -q, 0}, {-q, q, 1}, {q, -q, 65536}, {q, q, 65537}};
    for (const auto& c : quads) {
        const std::vector<uint32_t> id = idAt(px(c.x), px(c.y));
        EXPECT_EQ(id[0], 9u);
        EXPECT_EQ(id[1], c.id) << c.x << "," << c.y;
        EXPECT_EQ(id[2], (uint32_t(-1000 + 32767) << 16) | uint32_t(2000 + 32767));
    }
    EXPECT_EQ(idAt(px(1.7f), px(1.7f))[0], 0u);

    t->draw(9, 77, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(idAt(px(-q), px(q))[1], 77u);
}

// A mirror turns the triangles round; the normal matrix's sign flip keeps the written normal on
// the same side of the surface as without it.
TEST_F(SurfaceDraw, aMirrorKeepsTheNormalsOnTheirSide) {
    std::unique_ptr<Tube> t(square());
    t->draw(1, -1, mat4(), pbr(), false, 0, true);
    const float straight = normalZAt(px(0.5f), px(0.5f));
    EXPECT_NEAR(std::fabs(straight), 1.0f, 1e-3f);
    gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    t->draw(1, -1, mat4::scaling(-1, 1, 1), pbr(), false, 0, true);
    EXPECT_NEAR(normalZAt(px(0.5f), px(0.5f)), straight, 1e-3f);
}

TEST_F(SurfaceDraw, revolutionIdsFollowItsSegments) {
    // a band at radius 1 round Y, seen from the front: axis segment 0, section segments by angle
    Revoluton r(new Curve({vec3(1, -1, 0), vec3(1, 1, 0)}, false, 0), Curve::makeCircle(8, false));
    r.draw(4, -1, mat4(), pbr(), false, 0, true);
    const std::vector<uint32_t> id = idAt(px(0.1f), px(0));
    EXPECT_EQ(id[0], 4u);
    EXPECT_EQ(id[1] >> 16, 0u);
    EXPECT_LT(id[1] & 0xFFFF, 8u);
}
