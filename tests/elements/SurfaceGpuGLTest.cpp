// Tubes and revolutions against a real context: buffer layout and partial updates read back from
// GL, and what the main pass writes into a scene render target (ids per quad, normals under a
// mirror, the packed material word).
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "elements/Curve.h"
#include "elements/Tube.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "scene/CameraMatrices.h"

#include "LogLines.h"
#include "SceneTargetTest.h"

using namespace kal;

namespace {

template <typename T>
std::vector<T> readBack(unsigned buffer, uint32_t offset, size_t count) {
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
}

// An upload the driver refuses (here: into a buffer mapped elsewhere) is said once, with the GL
// error, and the surface is not built again every time it is bound: only once it changes.
TEST_F(SurfaceGpu, refusedUploadIsSaidOnceAndTriedAgainOnlyAfterAChange) {
    std::unique_ptr<Tube> t(square());
    ASSERT_TRUE(t->updateGpu());
    t->stale[CurveSurface::StaleMaterials] = true;
    gl->glBindBuffer(GL_ARRAY_BUFFER, t->vertexBuffer);
    ASSERT_NE(gl->glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY), nullptr);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    const GLCallCounts before = glCallCounts();
    {
        test::LogLines log;
        for (int frame = 0; frame < 3; ++frame) EXPECT_FALSE(t->bind());
        EXPECT_EQ(log.all().size(), 1u);
        EXPECT_EQ(log.count("GL_INVALID_OPERATION"), 1u);
    }
    // the three material arrays were written once
    EXPECT_EQ(glCallCounts().bufferSubData, before.bufferSubData + 3);
    gl->glBindBuffer(GL_ARRAY_BUFFER, t->vertexBuffer);
    gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    t->touch();
    EXPECT_TRUE(t->bind());
    t->unbind();
}

// Draws into a small scene render target (tests/support/SceneTargetTest.h).
class SurfaceDraw : public kal::test::SceneTargetTest {
protected:
    float normalZAt(float x, float y) { return floatsAt(target.normalTexture, x, y).z; }
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
        const std::vector<uint32_t> id = idAt(c.x, c.y);
        EXPECT_EQ(id[0], 9u);
        EXPECT_EQ(id[1], c.id) << c.x << "," << c.y;
        EXPECT_EQ(id[2], (uint32_t(-1000 + 32767) << 16) | uint32_t(2000 + 32767));
    }
    EXPECT_EQ(idAt(1.7f, 1.7f)[0], 0u);

    gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    t->draw(9, 77, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(idAt(-q, q)[1], 77u);
}

// A mirror turns the triangles round; the normal matrix's sign flip keeps the written normal on
// the same side of the surface as without it.
TEST_F(SurfaceDraw, aMirrorKeepsTheNormalsOnTheirSide) {
    std::unique_ptr<Tube> t(square());
    t->draw(1, -1, mat4(), pbr(), false, 0, true);
    const float straight = normalZAt(0.5f, 0.5f);
    EXPECT_NEAR(std::fabs(straight), 1.0f, 1e-3f);
    gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    t->draw(1, -1, mat4::scaling(-1, 1, 1), pbr(), false, 0, true);
    EXPECT_NEAR(normalZAt(0.5f, 0.5f), straight, 1e-3f);
}
