#include "TargetTestHelpers.h"

#include "LogLines.h"

#include <memory>
#include "gpu/FBO.h"
#include "gpu/FBOScene.h"
#include "gpu/Filters.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kal::FBO;
using kal::FBOScene;
using kal::FBOSceneTransparent;
using kal::gl;
using kal::Texture2D;
using namespace kal::test;

GLuint attachedName(GLenum point) {
    GLint name = 0;
    gl->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
    return GLuint(name);
}

int textureWidth(GLuint texture) {
    GLint w = 0;
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return w;
}

class FBOGL : public ::testing::Test {
protected:
    void SetUp() override {
        log = std::make_unique<LogLines>();
        kal::Shader::unbindCurrent();
        gl->glGetError();
    }
    void TearDown() override {
        log.reset();
        kal::Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDisable(GL_STENCIL_TEST);
        gl->glDisable(GL_DEPTH_TEST);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(kal::textureUnitCounter, 0) << "a texture unit was not given back";
    }
    std::unique_ptr<LogLines> log;
};

TEST_F(FBOGL, SceneTargetsAreCompleteWithAttachmentsInOrder) {
    FBOScene opaque(40, 30, 1);
    FBOSceneTransparent transparent(opaque, 2);
    ASSERT_TRUE(opaque.bind());
    EXPECT_TRUE(opaque.compiled);
    EXPECT_EQ(opaque.textures.size(), 7u);
    EXPECT_EQ(opaque.idTexture->attachment, GL_COLOR_ATTACHMENT0);
    EXPECT_EQ(opaque.colorTexture->attachment, GL_COLOR_ATTACHMENT1);
    EXPECT_EQ(opaque.lightTexture->attachment, GL_COLOR_ATTACHMENT2);
    EXPECT_EQ(opaque.normalTexture->attachment, GL_COLOR_ATTACHMENT3);
    EXPECT_EQ(opaque.normalScratch->attachment, GL_COLOR_ATTACHMENT4);
    EXPECT_EQ(opaque.colorTexture2->attachment, GL_COLOR_ATTACHMENT5);
    EXPECT_EQ(opaque.depthTexture, opaque.textures[0]);
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), opaque.depthTexture->id);
    EXPECT_EQ(attachedName(GL_COLOR_ATTACHMENT0), opaque.idTexture->id);
    EXPECT_EQ(opaque.currentColor, nullptr);
    EXPECT_EQ(opaque.spareColor, nullptr);

    ASSERT_TRUE(transparent.bind());
    EXPECT_EQ(transparent.textures.size(), 8u);
    EXPECT_EQ(transparent.extraTexture->attachment, GL_COLOR_ATTACHMENT6);
    EXPECT_EQ(transparent.depthTexture, opaque.depthTexture);
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), opaque.depthTexture->id);
    EXPECT_NE(transparent.colorTexture, opaque.colorTexture);
    transparent.unbind();
    EXPECT_TRUE(log->all().empty());
}

TEST_F(FBOGL, DepthOnlyAndColourOnlyTargetsAttachWhereTheyShould) {
    FBO depthOnly(1, 8, 8, 1);
    depthOnly.addAttachment(new Texture2D(8, 8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_NEAREST));
    ASSERT_TRUE(depthOnly.bind());
    EXPECT_EQ(attachedName(GL_DEPTH_ATTACHMENT), depthOnly.textures[0]->id);
    EXPECT_EQ(depthOnly.textures[1]->attachment, GL_COLOR_ATTACHMENT0);

    auto* image = new Texture2D(4, 2, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_NEAREST);
    kal::FBOTexture picture(image);
    EXPECT_EQ(picture.kind, 0);
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.height, 2);
    ASSERT_TRUE(picture.bind());
    EXPECT_EQ(image->attachment, GL_COLOR_ATTACHMENT0);
    picture.unbind();
}

TEST_F(FBOGL, ResizeIsFreeForTheSameSizeAndRebuildsSharedDepthForANewOne) {
    FBOScene opaque(16, 16, 1);
    FBOSceneTransparent transparent(opaque, 2);
    ASSERT_TRUE(opaque.bind());
    ASSERT_TRUE(transparent.bind());
    const unsigned framebuffer = opaque.framebuffer;
    opaque.resize(16, 16);
    transparent.resize(16, 16);
    EXPECT_TRUE(opaque.compiled);
    EXPECT_EQ(opaque.framebuffer, framebuffer);

    opaque.resize(24, 12);
    transparent.resize(24, 12);
    EXPECT_FALSE(opaque.compiled);
    EXPECT_FALSE(transparent.compiled);
    EXPECT_EQ(opaque.framebuffer, 0u);

    // The transparent target binds first and rebuilds the shared storage; the opaque
    // one then attaches the very same texture.
    ASSERT_TRUE(transparent.bind());
    const GLuint depth = attachedName(GL_DEPTH_STENCIL_ATTACHMENT);
    ASSERT_TRUE(opaque.bind());
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), depth);
    EXPECT_EQ(textureWidth(depth), 24);
    EXPECT_EQ(textureWidth(opaque.colorTexture->id), 24);
    opaque.unbind();
}

TEST_F(FBOGL, ARebuiltSharedDepthTextureIsReattachedByThePartner) {
    FBOScene opaque(8, 8, 1);
    FBOSceneTransparent transparent(opaque, 2);
    ASSERT_TRUE(opaque.bind());
    ASSERT_TRUE(transparent.bind());
    // Releasing one target deletes the shared GL texture under the other's framebuffer.
    opaque.release();
    ASSERT_TRUE(transparent.bind());
    EXPECT_NE(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), 0u);
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), transparent.depthTexture->id);
    EXPECT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    transparent.unbind();
}

// Writes every scene attachment: ids, colour, light, normal, depth and the stencil bit.
class SceneDraw : public FBOGL {
protected:
    std::unique_ptr<kal::Shader> program = quadProgram({
        "layout(location = 0) out uvec3 Id;",
        "layout(location = 1) out vec4 Color;",
        "layout(location = 2) out vec4 Light;",
        "layout(location = 3) out vec3 Normal;",
        "void main() {",
        "  Id = uvec3(7u, 100u + uint(gl_FragCoord.x), 0x80000001u);",
        "  Color = vec4(1.0, 0.5, 0.0, 1.0);",
        "  Light = vec4(0.0, 0.0, 1.0, 0.5);",
        "  Normal = vec3(0.0, 0.6, -0.8);",
        "  gl_FragDepth = 0.25;",
        "}",
    });

    void draw(FBOScene& target) {
        const GLenum buffers[4] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
                                   GL_COLOR_ATTACHMENT3};
        gl->glDrawBuffers(4, buffers);
        gl->glViewport(0, 0, target.width, target.height);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glDepthFunc(GL_ALWAYS);
        gl->glEnable(GL_STENCIL_TEST);
        gl->glStencilFunc(GL_ALWAYS, target.layer, target.layer);
        gl->glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        ASSERT_TRUE(program->bind());
        kal::setUniformMat4("ProjectionModelViewMatrix", kal::screenQuadMatrix);
        kal::drawQuad(true);
        gl->glDepthFunc(GL_LESS);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glDisable(GL_STENCIL_TEST);
    }
};

TEST_F(SceneDraw, EveryAttachmentReadsBackWhatWasDrawn) {
    FBOScene target(6, 4, 1);
    ASSERT_TRUE(target.bind());
    gl->glClearStencil(0);
    gl->glClearDepth(1.0);
    gl->glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    draw(target);

    const auto ids = readAttachment<GLuint>(GL_COLOR_ATTACHMENT0, 6, 4, GL_RGB_INTEGER, GL_UNSIGNED_INT, 3);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(ids[3 * x], 7u);
        EXPECT_EQ(ids[3 * x + 1], 100u + unsigned(x));
        EXPECT_EQ(ids[3 * x + 2], 0x80000001u);
    }
    const auto colour = readAttachment<GLubyte>(GL_COLOR_ATTACHMENT1, 6, 4, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    EXPECT_EQ(colour[0], 255);
    EXPECT_NEAR(colour[1], 128, 1);
    EXPECT_EQ(colour[2], 0);
    const auto light = readAttachment<GLubyte>(GL_COLOR_ATTACHMENT2, 6, 4, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    EXPECT_EQ(light[2], 255);
    EXPECT_NEAR(light[3], 128, 1);
    const auto normal = readAttachment<float>(GL_COLOR_ATTACHMENT3, 6, 4, GL_RGB, GL_FLOAT, 3);
    EXPECT_NEAR(normal[1], 0.6f, 1e-3f);
    EXPECT_NEAR(normal[2], -0.8f, 1e-3f);
    for (float d : readDepth(6, 4)) EXPECT_FLOAT_EQ(d, 0.25f);
    for (unsigned char s : readStencil(6, 4)) EXPECT_EQ(s, 1);
    target.unbind();
}

TEST_F(FBOGL, DestroyingTheDepthOwnerFirstLeavesThePartnerWorking) {
    auto* opaque = new FBOScene(8, 8, 1);
    auto* transparent = new FBOSceneTransparent(*opaque, 2);
    ASSERT_TRUE(opaque->bind());
    ASSERT_TRUE(transparent->bind());
    const GLuint depth = transparent->depthTexture->id;
    delete opaque;
    // The partner's depth texture is alive (AddressSanitizer would object otherwise)
    // and keeps its GL storage.
    EXPECT_TRUE(gl->glIsTexture(depth));
    ASSERT_TRUE(transparent->bind());
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), depth);
    transparent->resize(4, 4);
    ASSERT_TRUE(transparent->bind());
    EXPECT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    transparent->unbind();
    delete transparent;
}

TEST_F(FBOGL, DestroyingThePartnerKeepsTheOwnersDepth) {
    FBOScene opaque(8, 8, 1);
    {
        FBOSceneTransparent transparent(opaque, 2);
        ASSERT_TRUE(transparent.bind());
        ASSERT_TRUE(opaque.bind());
    }
    EXPECT_TRUE(gl->glIsTexture(opaque.depthTexture->id));
    ASSERT_TRUE(opaque.bind());
    EXPECT_EQ(attachedName(GL_DEPTH_STENCIL_ATTACHMENT), opaque.depthTexture->id);
    opaque.unbind();
}

TEST_F(FBOGL, FailedCompilesReportAndLeaveNoFramebufferBehind) {
    GLuint probe = 0;
    gl->glGenFramebuffers(1, &probe);
    gl->glDeleteFramebuffers(1, &probe);

    // No attachment at all: incomplete.
    FBO empty(0, 4, 4, 1);
    // An attachment GL refuses to create.
    FBO broken(0, 4, 4, 1);
    broken.addAttachment(new Texture2D(4, 4, 0x1234, GL_RGBA, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_NEAREST));
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_FALSE(empty.bind());
        EXPECT_FALSE(broken.bind());
    }
    gl->glGetError(); // the refused texture's own error
    EXPECT_FALSE(empty.compiled);
    EXPECT_EQ(empty.framebuffer, 0u);
    EXPECT_EQ(broken.framebuffer, 0u);
    for (GLuint name = probe; name < probe + 16; ++name)
        EXPECT_FALSE(gl->glIsFramebuffer(name)) << "framebuffer " << name << " leaked";
    GLint bound = -1;
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    ASSERT_FALSE(log->all().empty());
    EXPECT_EQ(log->all().back(), "ERROR FBO::compile");
}

class NormalPasses : public FBOGL {
protected:
    // Depth rising by `slope` per pixel to the right; the normal drawn is zero (none)
    // on the left half and `drawn` on the right half.
    void drawDepthRamp(FBOScene& target, float start, float slope, kal::vec3 drawn = kal::vec3{0, 0, 0}) {
        auto program = quadProgram({
            "uniform float start;",
            "uniform float slope;",
            "uniform vec3 drawn;",
            "layout(location = 0) out vec3 Normal;",
            "void main() {",
            "  Normal = gl_FragCoord.x < 4.0 ? vec3(0.0) : drawn;",
            "  gl_FragDepth = start + slope * floor(gl_FragCoord.x);",
            "}",
        });
        gl->glDrawBuffer(GLenum(target.normalTexture->attachment));
        gl->glViewport(0, 0, target.width, target.height);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glDepthFunc(GL_ALWAYS);
        gl->glEnable(GL_STENCIL_TEST);
        gl->glStencilFunc(GL_ALWAYS, target.layer, target.layer);
        gl->glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        ASSERT_TRUE(program->bind());
        kal::setUniformMat4("ProjectionModelViewMatrix", kal::screenQuadMatrix);
        kal::setUniformFloat("start", start);
        kal::setUniformFloat("slope", slope);
        kal::setUniformVec3("drawn", drawn);
        kal::drawQuad(true);
        gl->glDepthFunc(GL_LESS);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glDisable(GL_STENCIL_TEST);
        kal::Shader::unbindCurrent();
    }
};

TEST_F(NormalPasses, OrthogonalNormalsFollowTheDepthSlopeWhereNoneWasDrawn) {
    FBOScene target(8, 8, 1);
    ASSERT_TRUE(target.bind());
    gl->glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    drawDepthRamp(target, 0.25f, 0.001f, kal::vec3{0, 0.6f, 0.8f});
    // A depth step of 1 / 1000 is one view unit: one unit deeper per pixel is 45 degrees.
    ASSERT_TRUE(
        target.normalsOrthogonal(target.normalTexture, target.normalScratch, target.depthTexture, 1000.0f, true));
    const auto n = readAttachment<float>(GL_COLOR_ATTACHMENT3, 8, 8, GL_RGB, GL_FLOAT, 3);
    for (int i = 0; i < 64; ++i) {
        const bool drawn = i % 8 >= 4;
        EXPECT_NEAR(n[3 * i], drawn ? 0.0f : std::sqrt(0.5f), 2e-3f) << i;
        EXPECT_NEAR(n[3 * i + 1], drawn ? 0.6f : 0.0f, 1e-3f) << i;
        EXPECT_NEAR(n[3 * i + 2], drawn ? 0.8f : std::sqrt(0.5f), 2e-3f) << i;
    }
    GLint drawBuffer = 0;
    gl->glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(drawBuffer, GL_COLOR_ATTACHMENT3);
    EXPECT_FALSE(gl->glIsEnabled(GL_DEPTH_TEST));
    target.unbind();
}

TEST_F(NormalPasses, BackgroundPixelsKeepTheirNormalAndOtherLayersAreLeftAlone) {
    FBOScene opaque(8, 8, 1);
    FBOSceneTransparent transparent(opaque, 2);
    ASSERT_TRUE(transparent.bind());
    gl->glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    drawDepthRamp(transparent, 1.0f, 0.0f, kal::vec3{0, 0, -1}); // background depth, stencil 2
    ASSERT_TRUE(transparent.normalsOrthogonal(transparent.normalTexture, transparent.normalScratch,
                                              transparent.depthTexture, 1000.0f, true));
    GLint func = 0, ref = 0, mask = 0;
    gl->glGetIntegerv(GL_STENCIL_FUNC, &func);
    gl->glGetIntegerv(GL_STENCIL_REF, &ref);
    gl->glGetIntegerv(GL_STENCIL_VALUE_MASK, &mask);
    EXPECT_EQ(func, GL_EQUAL);
    EXPECT_EQ(ref, 2);
    EXPECT_EQ(mask, 2);
    const auto n = readAttachment<float>(GL_COLOR_ATTACHMENT3, 8, 8, GL_RGB, GL_FLOAT, 3);
    for (int i = 0; i < 64; ++i) EXPECT_FLOAT_EQ(n[3 * i + 2], i % 8 >= 4 ? -1.0f : 0.0f) << i;
    transparent.unbind();
}

TEST_F(NormalPasses, PerspectiveNormalsFaceTheViewerOnAFlatWall) {
    FBOScene target(8, 8, 1);
    ASSERT_TRUE(target.bind());
    gl->glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    drawDepthRamp(target, 0.9f, 0.0f);
    const float near = 10.0f, far = 10000.0f;
    ASSERT_TRUE(target.normalsPerspective(target.normalTexture, target.normalScratch, target.depthTexture,
                                          (far + near) / (far - near), 2 * near * far / (far - near), false));
    EXPECT_FALSE(gl->glIsEnabled(GL_STENCIL_TEST));
    const auto n = readAttachment<float>(GL_COLOR_ATTACHMENT3, 8, 8, GL_RGB, GL_FLOAT, 3);
    for (int i = 0; i < 64; ++i) {
        EXPECT_TRUE(std::isfinite(n[3 * i]) && std::isfinite(n[3 * i + 1]) && std::isfinite(n[3 * i + 2]));
        EXPECT_NEAR(n[3 * i + 2], 1.0f, 1e-3f) << i;
    }
    target.unbind();
}

TEST_F(NormalPasses, FogBlendsTowardsItsColourWithDepth) {
    FBOScene target(4, 4, 1);
    ASSERT_TRUE(target.bind());
    gl->glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    drawDepthRamp(target, 0.5f, 0.0f);
    gl->glDrawBuffer(GLenum(target.colorTexture->attachment));
    gl->glClearColor(0, 0, 1, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    const std::uint8_t red[4] = {255, 0, 0, 255};
    ASSERT_TRUE(
        target.fogOrthogonal(target.colorTexture, target.colorTexture2, target.depthTexture, red, 0.5f, 1.0f, false));
    auto c = readAttachment<GLubyte>(GL_COLOR_ATTACHMENT1, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    EXPECT_NEAR(c[0], 128, 1);
    EXPECT_NEAR(c[2], 128, 1);
    EXPECT_EQ(c[3], 255);

    // Before the span: no fog; an empty span is a step, never a NaN.
    gl->glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(target.fogOrthogonalSpan(target.colorTexture, target.colorTexture2, target.depthTexture, red, 0.6f,
                                         0.6f, false));
    c = readAttachment<GLubyte>(GL_COLOR_ATTACHMENT1, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[2], 255);
    target.unbind();
}

TEST_F(FBOGL, PassesRefuseTexturesThatAreNotAttachedBeforeTouchingState) {
    FBOScene target(4, 4, 1);
    ASSERT_TRUE(target.bind());
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDrawBuffer(GL_COLOR_ATTACHMENT1);
    Texture2D loose(4, 4, GL_RGB16F, GL_RGB, GL_HALF_FLOAT, GL_CLAMP_TO_EDGE, GL_LINEAR);
    EXPECT_FALSE(target.normalsOrthogonal(&loose, target.normalScratch, target.depthTexture, 1.0f, true));
    EXPECT_FALSE(target.normalsPerspective(target.normalTexture, &loose, target.depthTexture, 1.0f, 1.0f, true));
    // Attached to another target is not attached to this one.
    FBOScene other(4, 4, 1);
    ASSERT_TRUE(other.bind());
    ASSERT_TRUE(target.bind());
    const std::uint8_t fog[4] = {0, 0, 0, 255};
    EXPECT_FALSE(target.fogOrthogonal(other.colorTexture, target.colorTexture2, target.depthTexture, fog, 0, 1, false));
    EXPECT_TRUE(gl->glIsEnabled(GL_DEPTH_TEST));
    GLint drawBuffer = 0;
    gl->glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(drawBuffer, GL_COLOR_ATTACHMENT1);
    gl->glDisable(GL_DEPTH_TEST);
    target.unbind();
}

} // namespace
