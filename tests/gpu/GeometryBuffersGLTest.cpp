#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <vector>

namespace {

using kal::gl;
using kal::mat4;
using kal::vec3;

// A small RGBA8 target, bound while the fixture lives.
class GeometryBuffersGL : public ::testing::Test {
protected:
    static constexpr int size = 32;

    void SetUp() override {
        gl->glGetError();
        gl->glGenTextures(1, &texture);
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        gl->glGenFramebuffers(1, &framebuffer);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        ASSERT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        gl->glDrawBuffer(GL_COLOR_ATTACHMENT0);
        gl->glViewport(0, 0, size, size);
        gl->glDisable(GL_DEPTH_TEST);
        clear();
    }
    void TearDown() override {
        kal::unbindQuadBuffer();
        kal::unbindCircleBuffer();
        kal::Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDeleteFramebuffers(1, &framebuffer);
        gl->glDeleteTextures(1, &texture);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    void clear() {
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }

    // Binds the overlay shader with a matrix and opaque white.
    void useOverlay(const mat4& pmv) {
        ASSERT_TRUE(kal::shaderCurveDraw->bind());
        const unsigned p = kal::Shader::currentProgram;
        gl->glUniformMatrix4fv(gl->glGetUniformLocation(p, "ProjectionModelViewMatrix"), 1, GL_FALSE, pmv.m);
        gl->glUniform4f(gl->glGetUniformLocation(p, "color"), 1, 1, 1, 1);
    }

    // Red channel of every pixel, row 0 at the bottom.
    std::vector<unsigned char> pixels() {
        std::vector<unsigned char> rgba(size * size * 4);
        gl->glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<unsigned char> red(size * size);
        for (int i = 0; i < size * size; ++i) red[i] = rgba[4 * i];
        return red;
    }
    int litCount() {
        int n = 0;
        for (unsigned char r : pixels()) n += r > 0;
        return n;
    }

    GLint attributeZeroBuffer() {
        GLint id = -1;
        gl->glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &id);
        return id;
    }

    std::vector<float> bufferContents(unsigned buffer) {
        GLint bytes = 0;
        gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
        gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
        std::vector<float> data(static_cast<std::size_t>(bytes) / sizeof(float));
        gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, bytes, data.data());
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        return data;
    }

    GLuint texture = 0;
    GLuint framebuffer = 0;
};

TEST(ScreenQuadMatrix, MapsTheUnitSquareOntoClipSpaceAtTheNearPlane) {
    const mat4& m = kal::screenQuadMatrix;
    EXPECT_EQ(vec3(0.5f, 0.5f, 0) * m, vec3(0, 0, -1));
    EXPECT_EQ(vec3(0, 0, 0) * m, vec3(-1, -1, -1));
    EXPECT_EQ(vec3(1, 1, 0) * m, vec3(1, 1, -1));
    EXPECT_EQ(vec3(0, 0, 1) * m, vec3(-1, -1, -3));
}

TEST(CircleVertices, RunCounterClockwiseFromPlusXOnTheUnitCircle) {
    const std::vector<float> v = kal::circleVertices(36);
    ASSERT_EQ(v.size(), 108u);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 0.0f);
    // the angle is rounded to a float before its cosine is taken
    EXPECT_FLOAT_EQ(v[27], -4.371139e-08f);
    EXPECT_EQ(v[28], 1.0f);
    EXPECT_GT(v[3 * 1 + 1], 0.0f);  // first step goes towards +y
    EXPECT_LT(v[3 * 35 + 1], 0.0f); // last vertex sits just below +x
    for (std::size_t i = 0; i < v.size(); i += 3) {
        EXPECT_NEAR(v[i] * v[i] + v[i + 1] * v[i + 1], 1.0f, 1e-6f);
        EXPECT_EQ(v[i + 2], 0.0f);
    }
    EXPECT_TRUE(kal::circleVertices(0).empty());
    EXPECT_TRUE(kal::circleVertices(-3).empty());
}

TEST_F(GeometryBuffersGL, QuadThroughScreenQuadMatrixCoversTheWholeTarget) {
    useOverlay(kal::screenQuadMatrix);
    ASSERT_TRUE(kal::drawQuadStrip(true));
    EXPECT_EQ(litCount(), size * size);
    EXPECT_FALSE(kal::quadBound);
}

TEST_F(GeometryBuffersGL, BuffersHoldTheQuadAndCircleVertices) {
    ASSERT_TRUE(kal::createQuadBuffer());
    ASSERT_TRUE(kal::createCircleBuffer());
    EXPECT_EQ(bufferContents(kal::quadBuffer), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(bufferContents(kal::circleBuffer), kal::circleVertices(36));
    EXPECT_EQ(kal::circleSegmentCount, 36);
}

TEST_F(GeometryBuffersGL, CircleOutlineIsARingAroundTheCentre) {
    mat4 shrink;
    shrink.m[0] = shrink.m[5] = 0.8f;
    useOverlay(shrink);
    ASSERT_TRUE(kal::drawCircle(true));
    EXPECT_FALSE(kal::circleBound);
    const std::vector<unsigned char> red = pixels();
    auto at = [&](int x, int y) { return red[y * size + x] > 0; };
    EXPECT_FALSE(at(size / 2, size / 2));
    int quadrants[4] = {};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (at(x, y)) {
                ++quadrants[(x >= size / 2) + 2 * (y >= size / 2)];
                const float dx = (x + 0.5f) / size * 2 - 1, dy = (y + 0.5f) / size * 2 - 1;
                EXPECT_NEAR(dx * dx + dy * dy, 0.64f, 0.25f) << x << "," << y;
            }
    for (int q : quadrants) EXPECT_GT(q, 4);
}

TEST_F(GeometryBuffersGL, KeptBindingMakesFollowingQuadsBindNothing) {
    useOverlay(kal::screenQuadMatrix);
    ASSERT_TRUE(kal::drawQuadStrip(false));
    EXPECT_TRUE(kal::quadBound);
    EXPECT_EQ(attributeZeroBuffer(), GLint(kal::quadBuffer));
    const long before = kal::glCallCounts().bindArrayBuffer;
    ASSERT_TRUE(kal::drawQuadStrip(false));
    ASSERT_TRUE(kal::drawQuadStrip(true));
    EXPECT_EQ(kal::glCallCounts().bindArrayBuffer - before, 1); // only the final unbind
    EXPECT_FALSE(kal::quadBound);
}

TEST_F(GeometryBuffersGL, SwitchingBetweenQuadAndCircleRebindsAttributeZero) {
    useOverlay(kal::screenQuadMatrix);
    ASSERT_TRUE(kal::bindQuadBuffer());
    mat4 shrink;
    shrink.m[0] = shrink.m[5] = 0.8f;
    useOverlay(shrink);
    ASSERT_TRUE(kal::drawCircle(false));
    EXPECT_EQ(attributeZeroBuffer(), GLint(kal::circleBuffer));
    EXPECT_FALSE(kal::quadBound);
    // a circle, not a filled quad, was drawn
    EXPECT_LT(litCount(), size * size / 2);

    clear();
    useOverlay(kal::screenQuadMatrix);
    ASSERT_TRUE(kal::drawQuadStrip(true));
    EXPECT_EQ(litCount(), size * size);
    EXPECT_FALSE(kal::circleBound);
}

TEST_F(GeometryBuffersGL, ReleasedQuadIsRebuiltByTheNextCreate) {
    ASSERT_TRUE(kal::bindQuadBuffer());
    const unsigned vertexArray = kal::sharedVertexArray;
    kal::releaseQuadBuffer();
    EXPECT_EQ(kal::quadBuffer, 0u);
    EXPECT_FALSE(kal::quadBound);
    GLint bound = -1;
    gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    ASSERT_TRUE(kal::createQuadBuffer());
    EXPECT_NE(kal::quadBuffer, 0u);
    EXPECT_TRUE(gl->glIsBuffer(kal::quadBuffer));
    EXPECT_EQ(kal::sharedVertexArray, vertexArray);
    gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, GLint(vertexArray));

    useOverlay(kal::screenQuadMatrix);
    ASSERT_TRUE(kal::drawQuadStrip(true));
    EXPECT_EQ(litCount(), size * size);
}

TEST_F(GeometryBuffersGL, CircleDrawsAgainAfterBothBuffersWereReleased) {
    ASSERT_TRUE(kal::createCircleBuffer());
    kal::releaseQuadBuffer();
    kal::releaseCircleBuffer();
    EXPECT_EQ(kal::circleBuffer, 0u);
    mat4 shrink;
    shrink.m[0] = shrink.m[5] = 0.8f;
    useOverlay(shrink);
    ASSERT_TRUE(kal::drawCircle(true));
    EXPECT_GT(litCount(), 20);
    GLint bound = -1;
    gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, GLint(kal::sharedVertexArray));
    EXPECT_EQ(bufferContents(kal::circleBuffer).size(), 108u);
}

} // namespace
