#pragma once
// A fixture drawing into a 32 x 32 scene render target (ids, colour, light, normal, depth) through
// an orthographic camera looking down -z at the box [-2, 2]^3: view space is world space and depth
// is 0.5 - z / 8. The viewport, the camera block and the current program are handed back after.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "scene/CameraMatrices.h"

namespace kal::test {

// The viewport and the camera block a suite changes, handed back to whoever runs next.
struct SavedView {
    GLint viewport[4] = {0, 0, 0, 0};
    CameraMatrices camera;

    // Takes both and starts the camera block afresh.
    void take() {
        gl->glGetIntegerv(GL_VIEWPORT, viewport);
        camera = cameraMatrices;
        cameraMatrices = CameraMatrices();
    }
    void giveBack() const {
        gl->glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
        cameraMatrices = camera;
    }
};

class SceneTargetTest : public ::testing::Test {
protected:
    static constexpr int size = 32;
    FBOScene target{size, size, 1};
    SavedView saved;

    void SetUp() override {
        gl->glGetError();
        saved.take();
        cameraMatrices.projectionView = mat4{{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -0.25f, 0, 0, 0, 0, 1}};
        ASSERT_TRUE(target.bind());
        gl->glViewport(0, 0, size, size);
        const GLenum buffers[4] = {GLenum(target.idTexture->attachment), GLenum(target.colorTexture->attachment),
                                   GLenum(target.lightTexture->attachment), GLenum(target.normalTexture->attachment)};
        gl->glDrawBuffers(4, buffers);
        clear();
        gl->glEnable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        gl->glDisable(GL_DEPTH_TEST);
        Shader::unbindCurrent();
        target.unbind();
        saved.giveBack();
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }
    void clear() {
        const GLuint zero[4] = {0, 0, 0, 0};
        const GLfloat black[4] = {0, 0, 0, 0};
        gl->glClearBufferuiv(GL_COLOR, 0, zero);
        for (int b = 1; b < 4; ++b) gl->glClearBufferfv(GL_COLOR, b, black);
        gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    }
    // The pixel index of a world coordinate, x or y.
    static int px(float world) { return int((world + 2.0f) / 4.0f * size); }
    // Object id, item id and material word of every pixel, row by row from the bottom.
    std::vector<uint32_t> allIds() {
        std::vector<uint32_t> v(size_t(size * size * 3));
        gl->glReadBuffer(GLenum(target.idTexture->attachment));
        gl->glReadPixels(0, 0, size, size, GL_RGB_INTEGER, GL_UNSIGNED_INT, v.data());
        return v;
    }
    std::vector<uint32_t> idAt(float x, float y) {
        std::vector<uint32_t> v(3);
        gl->glReadBuffer(GLenum(target.idTexture->attachment));
        gl->glReadPixels(px(x), px(y), 1, 1, GL_RGB_INTEGER, GL_UNSIGNED_INT, v.data());
        return v;
    }
    vec4 floatsAt(Texture2D* texture, float x, float y) {
        float v[4] = {0, 0, 0, 0};
        gl->glReadBuffer(GLenum(texture->attachment));
        gl->glReadPixels(px(x), px(y), 1, 1, GL_RGBA, GL_FLOAT, v);
        return vec4(v[0], v[1], v[2], v[3]);
    }
};

} // namespace kal::test
