// Filling one scene render target: the background (colour, picture or sky) on the opaque layer,
// then the layer's tools and its flat line lists.
#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <cmath>

#include "gpu/Environment.h"
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureArrays.h"
#include "scene/Scene.h"
#include "viewport/GLView.h"

namespace kal {

namespace {

GLenum attachmentOf(const Texture2D* texture) { return GLenum(texture->attachment); }

// The picture's first colour texture, scaled onto the whole view; false when there is none to show.
bool blitBackgroundImage(FBO* image, FBOScene* target, int width, int height) {
    if (!image) return false;
    if (!image->compiled) {
        const bool built = image->compile();
        // compiling leaves the default framebuffer bound: the caller's target must come back
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
        if (!built) return false;
    }
    if (image->textures.empty() || image->textures[0]->attachment < 0) return false;
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, image->framebuffer);
    gl->glReadBuffer(attachmentOf(image->textures[0]));
    gl->glDrawBuffer(attachmentOf(target->colorTexture));
    gl->glBlitFramebuffer(0, 0, image->width, image->height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    return true;
}

void clearToBackground(FBOScene* target, const wvec4& colour) {
    const GLenum buffers[2] = {attachmentOf(target->colorTexture), attachmentOf(target->colorTexture2)};
    gl->glDrawBuffers(2, buffers);
    const GLfloat c[4] = {colour.r / 65535.0f, colour.g / 65535.0f, colour.b / 65535.0f, 1.0f};
    gl->glClearBufferfv(GL_COLOR, 0, c);
    gl->glClearBufferfv(GL_COLOR, 1, c);
}

// The composited layer is written only where the layer drew; the spare colour must hold the
// background everywhere else.
void copyBackgroundToSpare(FBOScene* target, int width, int height) {
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer);
    gl->glReadBuffer(attachmentOf(target->colorTexture));
    gl->glDrawBuffer(attachmentOf(target->colorTexture2));
    gl->glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

} // namespace

bool GLView::drawSky(FBOScene* target) {
    if (!environment || !environment->built || !environment->map) return false;
    if (!shaderSkyBox->bind()) return false;
    // an unbindable cube array would be sampled through unit -1: no sky rather than garbage
    const int sky = environment->map->unit();
    if (sky < 0) return false;
    gl->glDrawBuffer(attachmentOf(target->colorTexture));
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_STENCIL_TEST);
    gl->glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    const float pi = 3.14159265358979f;
    // orthographic views look through the lens of a 10-degree field of view
    const float lens = perspective ? 1.0f / std::tan(fieldOfView / 360.0f * pi) : 11.430053f;
    gl->glUniform1f(uniformLocation("Lens"), lens);
    mat3 rotation = environmentRotation;
    if (rotateEnvironment) rotation *= camera.rotation;
    gl->glUniformMatrix3fv(uniformLocation("Rotation"), 1, GL_TRUE, rotation.m);
    gl->glUniform1i(uniformLocation("sky"), sky);
    const float levels = float(environment->levels);
    const float f = 4.0f + (levels - 4.0f) * float(environmentBlur) / 100.0f;
    const float a = std::floor(f);
    const float level[3] = {a, std::min(a + 1.0f, levels), f - a};
    gl->glUniform3fv(uniformLocation("level"), 1, level);
    gl->glUniformMatrix4fv(uniformLocation("ProjectionModelViewMatrix"), 1, GL_FALSE, screenQuadMatrix.m);
    drawQuadStrip(true);
    environment->map->unbind();
    return true;
}

bool GLView::drawLayer(FBOScene* target, int mode, bool keep) {
    if (!target || !glReady()) return true;
    const bool opaque = target == opaqueTarget;
    const bool transparent = target == static_cast<FBOScene*>(transparentTarget);

    if (opaque) {
        bool laid = false;
        if (backgroundMode == 1)
            laid = blitBackgroundImage(backgroundImage, target, width, height);
        else if (backgroundMode == 2 && !renderSimple)
            laid = drawSky(target);
        if (laid)
            copyBackgroundToSpare(target, width, height);
        else
            clearToBackground(target, backgroundColor);
    }

    gl->glEnable(GL_DEPTH_TEST);
    const GLenum buffers[4] = {attachmentOf(target->idTexture), attachmentOf(target->colorTexture),
                               attachmentOf(target->lightTexture), attachmentOf(target->normalTexture)};
    gl->glDrawBuffers(4, buffers);

    if (!keep) {
        const GLuint noId[4] = {0, 0, 0, 0};
        const GLfloat zero[4] = {0, 0, 0, 0};
        gl->glClearBufferuiv(GL_COLOR, 0, noId);
        gl->glClearBufferfv(GL_COLOR, 2, zero);
        gl->glClearBufferfv(GL_COLOR, 3, zero);
        if (transparent) {
            // the depth-stencil is the opaque layer's: transparent tools are tested against it
            const GLfloat black[4] = {0, 0, 0, 1};
            gl->glClearBufferfv(GL_COLOR, 1, black);
        } else {
            gl->glStencilMask(0xFF);
            gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
        }
        if (hideTransparent && mode == 1) return true;
    }

    const GLuint reference = target->layer;
    gl->glStencilMask(reference);
    gl->glStencilFunc(GL_ALWAYS, GLint(reference), reference);
    gl->glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    gl->glEnable(GL_STENCIL_TEST);

    if (scene) scene->filterLists(mode, groups, keep);

    // Lines write only the material word of the id target (0: left unlit) and keep the alpha.
    const GLenum lineBuffers[2] = {buffers[0], buffers[1]};
    gl->glDrawBuffers(2, lineBuffers);
    gl->glColorMaski(0, GL_FALSE, GL_FALSE, GL_TRUE, GL_FALSE);
    gl->glColorMaski(1, GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    gl->glDepthMask(GL_FALSE);
    gl->glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    const wvec4& c = contourColor;
    const uint8_t contour[4] = {uint8_t(c.r >> 8), uint8_t(c.g >> 8), uint8_t(c.b >> 8), uint8_t(c.a >> 8)};
    if (scene) scene->drawListedTools(mode, keep, contour);
    gl->glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    const uint8_t green[4] = {0, 255, 0, 255};
    if (scene) scene->drawListedToolsB(mode, keep, green);
    gl->glDepthMask(GL_TRUE);
    gl->glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl->glColorMaski(1, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    return true;
}

} // namespace kal
