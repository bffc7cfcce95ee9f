// The curve's line buffer against a real context: contents read back from GL, how often it is
// reallocated and refilled, and the attribute state the draws leave behind.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <vector>

#include "elements/Curve.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

#include "SceneTargetTest.h"

using namespace kal;

namespace {

std::vector<float> bufferFloats(unsigned buffer, GLint& size) {
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    std::vector<float> out(size_t(size) / 4);
    if (size > 0) gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, size, out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

class CurveGpu : public ::testing::Test {
protected:
    void SetUp() override {
        gl->glGetError();
        ASSERT_TRUE(shaderCurve && shaderCurve->bind());
    }
    void TearDown() override { EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR)); }
};

Curve threeSegments() { return Curve({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 2, 0), vec3(1, 2, 3)}, false, 0); }

} // namespace

TEST_F(CurveGpu, deadSegmentsAreLeftOutOfTheLines) {
    Curve c = threeSegments();
    c.segments[1].flags &= uint8_t(~SegmentAlive);
    ASSERT_TRUE(c.updateGpu());
    EXPECT_EQ(c.vertexCount, 4);
    GLint size = 0;
    const std::vector<float> v = bufferFloats(c.buffer, size);
    EXPECT_EQ(size, 48);
    EXPECT_EQ(v, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 2, 0, 1, 2, 3}));
}

TEST_F(CurveGpu, unchangedCurveUploadsOnceAndTouchReallocates) {
    Curve c = threeSegments();
    const uint8_t white[4] = {255, 255, 255, 255};
    const GLCallCounts before = glCallCounts();
    c.drawFlat(mat4(), white, true);
    c.drawFlat(mat4(), white, true);
    GLCallCounts after = glCallCounts();
    EXPECT_EQ(after.bufferData - before.bufferData, 1);
    EXPECT_EQ(after.bufferSubData - before.bufferSubData, 1);

    c.uploadNeeded = true; // a refill in place
    c.drawFlat(mat4(), white, true);
    GLCallCounts refill = glCallCounts();
    EXPECT_EQ(refill.bufferData, after.bufferData);
    EXPECT_EQ(refill.bufferSubData, after.bufferSubData + 1);

    c.points[0].position = vec3(-1, 0, 0);
    c.touch();
    c.drawFlat(mat4(), white, true);
    EXPECT_EQ(glCallCounts().bufferData, refill.bufferData + 1);
}

TEST_F(CurveGpu, releaseDeletesAndTheNextDrawMakesANewBuffer) {
    Curve never = threeSegments();
    never.releaseGpu();
    EXPECT_EQ(never.buffer, 0u);

    Curve c = threeSegments();
    ASSERT_TRUE(c.bind());
    const unsigned first = c.buffer;
    c.releaseGpu();
    EXPECT_EQ(c.buffer, 0u);
    EXPECT_FALSE(gl->glIsBuffer(first));
    ASSERT_TRUE(c.bind());
    EXPECT_NE(c.buffer, 0u);
    c.unbind();

    Curve empty(0);
    EXPECT_FALSE(empty.updateGpu());
    EXPECT_EQ(empty.buffer, 0u);
}

TEST_F(CurveGpu, flatDrawWithoutEndLeavesTheAttributeOn) {
    Curve c = threeSegments();
    const uint8_t red[4] = {255, 0, 0, 255};
    c.drawFlat(mat4(), red, false);
    GLint enabled = 0, bound = 0;
    gl->glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    gl->glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(unsigned(bound), c.buffer);
    c.drawFlat(mat4(), red, true);
    gl->glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
}

// The flat pass through the camera of the flat passes, into a scene render target.
class CurveLines : public kal::test::SceneTargetTest {};

TEST_F(CurveLines, flatLinesColourTheirPixelsOnly) {
    cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
    ASSERT_TRUE(shaderCurve->bind());
    // through the middle of a pixel row, from x = -1.5 to 1.5; one dead segment leaves a gap
    const float y = 0.0625f;
    Curve c({vec3(-1.5f, y, 0), vec3(-0.5f, y, 0), vec3(0.5f, y, 0), vec3(1.5f, y, 0)}, false, 0);
    c.segments[1].flags &= uint8_t(~SegmentAlive);
    const uint8_t red[4] = {255, 0, 0, 255};
    c.drawFlat(mat4(), red, true);
    const vec4 on = floatsAt(target.colorTexture, -1.0f, y);
    EXPECT_NEAR(on.x, 1.0f, 0.01f);
    EXPECT_NEAR(on.y, 0.0f, 0.01f);
    EXPECT_NEAR(floatsAt(target.colorTexture, 1.0f, y).x, 1.0f, 0.01f);
    EXPECT_EQ(floatsAt(target.colorTexture, 0.0f, y).x, 0.0f); // the dead segment
    EXPECT_EQ(floatsAt(target.colorTexture, -1.0f, y + 0.5f).x, 0.0f);
}
