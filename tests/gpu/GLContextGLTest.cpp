#include "GLTestContext.h"
#include "gpu/GLFunctions.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

TEST(GLContext, IsCoreProfileAtLeastFourZero) {
    ASSERT_NE(kal::gl, nullptr);
    QSurfaceFormat f = kal::test::glContext()->format();
    EXPECT_GE(f.majorVersion() * 10 + f.minorVersion(), 40);
    EXPECT_EQ(f.profile(), QSurfaceFormat::CoreProfile);
}

TEST(GLContext, ClearedPixelReadsBack) {
    auto* gl = kal::gl;
    GLuint fbo = 0, tex = 0;
    gl->glGenTextures(1, &tex);
    gl->glBindTexture(GL_TEXTURE_2D, tex);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glGenFramebuffers(1, &fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    ASSERT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    gl->glViewport(0, 0, 4, 4);
    gl->glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    gl->glReadPixels(1, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_EQ(px[2], 0);
    EXPECT_EQ(px[3], 255);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    gl->glDeleteFramebuffers(1, &fbo);
    gl->glDeleteTextures(1, &tex);
    EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
}
