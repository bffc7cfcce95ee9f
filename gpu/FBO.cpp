#include "gpu/FBO.h"

#include "foundation/Log.h"
#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"

#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>

namespace kal {

namespace {

Texture2D* makeDepthTexture(int kind, int width, int height) {
    if (kind == 1)
        return new Texture2D(width, height, GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_FLOAT, GL_CLAMP_TO_EDGE,
                             GL_LINEAR);
    if (kind == 2)
        return new Texture2D(width, height, GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV,
                             GL_CLAMP_TO_EDGE, GL_LINEAR);
    return nullptr;
}

bool hasDepth(int kind) { return kind == 1 || kind == 2; }

} // namespace

FBO::FBO(int kind, int width, int height, std::uint8_t layer) : layer(layer), width(width), height(height), kind(kind) {
    if (hasDepth(kind)) {
        depthShare.reset(makeDepthTexture(kind, width, height));
        textures.push_back(depthShare.get());
    }
}

FBO::FBO(const FBO& other, std::uint8_t layer)
    : GLAtom(other), layer(layer), width(other.width), height(other.height), kind(other.kind) {
    if (hasDepth(kind) && other.depthShare) {
        depthShare = other.depthShare;
        textures.push_back(depthShare.get());
    }
}

FBO::~FBO() {
    if (compiled) {
        // A depth texture still in use by the partner target keeps its GL storage:
        // releasing it here would pull it out from under the partner's framebuffer.
        const bool depthStillShared = depthShare && depthShare.use_count() > 1;
        for (std::size_t i = 0; i < textures.size(); ++i)
            if (!(i == 0 && depthStillShared && textures[0] == depthShare.get())) textures[i]->release();
        deleteFramebuffer();
        compiled = false;
    }
    // The shared depth texture goes with its last holder; everything else is ours.
    for (Texture2D* texture : textures)
        if (texture != depthShare.get()) delete texture;
    textures.clear();
}

bool FBO::bind() {
    if (!compile()) return false;
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return true;
}

void FBO::unbind() {
    if (compiled) gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void FBO::resize(int w, int h) {
    if (w == width && h == height) return;
    releaseIfCompiled();
    width = w;
    height = h;
    for (Texture2D* texture : textures) texture->resize(w, h);
}

Texture2D* FBO::addAttachment(Texture2D* texture) {
    textures.push_back(texture);
    return texture;
}

bool FBO::attachmentsStale() const {
    if (attachedNames.size() != textures.size()) return true;
    for (std::size_t i = 0; i < textures.size(); ++i)
        if (!textures[i]->compiled || textures[i]->id != attachedNames[i]) return true;
    return false;
}

bool FBO::compile() {
    if (compiled) {
        if (!attachmentsStale()) return true;
        // The partner sharing our depth texture released or rebuilt it: attach anew.
        deleteFramebuffer();
        compiled = false;
    }
    // A framebuffer name left by an earlier failed attempt is freed, not leaked.
    deleteFramebuffer();
    attachedNames.clear();
    GLuint name = 0;
    gl->glGenFramebuffers(1, &name);
    framebuffer = name;
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    auto failure = [this] {
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        deleteFramebuffer();
        attachedNames.clear();
        qCWarning(logGpu, "ERROR FBO::compile");
        return false;
    };

    std::size_t first = 0;
    if (hasDepth(kind)) {
        if (textures.empty() || !textures[0]->compile()) return failure();
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, kind == 1 ? GL_DEPTH_ATTACHMENT : GL_DEPTH_STENCIL_ATTACHMENT,
                                   GL_TEXTURE_2D, textures[0]->id, 0);
        attachedNames.push_back(textures[0]->id);
        first = 1;
    }
    for (std::size_t i = first; i < textures.size(); ++i) {
        Texture2D* texture = textures[i];
        if (!texture->compile()) return failure();
        const GLenum point = GL_COLOR_ATTACHMENT0 + GLenum(i - first);
        texture->attachment = int(point);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, point, GL_TEXTURE_2D, texture->id, 0);
        attachedNames.push_back(texture->id);
    }
    compiled = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!compiled) {
        deleteFramebuffer();
        attachedNames.clear();
        qCWarning(logGpu, "ERROR FBO::compile");
    }
    return compiled;
}

void FBO::release() {
    for (Texture2D* texture : textures) texture->release();
    deleteFramebuffer();
    attachedNames.clear();
    compiled = false;
}

void FBO::releaseIfCompiled() {
    if (compiled) release();
}

void FBO::deleteFramebuffer() {
    if (framebuffer != 0 && glReady()) {
        const GLuint name = framebuffer;
        gl->glDeleteFramebuffers(1, &name);
    }
    framebuffer = 0;
}

namespace {

bool isAttachedTo(const std::vector<Texture2D*>& textures, const Texture2D* texture) {
    return texture && texture->attachment >= 0 &&
           std::find(textures.begin(), textures.end(), texture) != textures.end();
}

// The steps every pass helper shares; `uniforms` sets the pass's own values.
template <typename Uniforms>
bool runTargetPass(FBO& target, Shader* shader, Texture2D* output, Texture2D* scratch, Texture2D* depth, bool stencil,
                   Uniforms uniforms) {
    if (!isAttachedTo(target.textures, output) || !isAttachedTo(target.textures, scratch) || !depth) return false;
    gl->glDisable(GL_DEPTH_TEST);
    gl->glReadBuffer(GLenum(output->attachment));
    gl->glDrawBuffer(GLenum(scratch->attachment));
    gl->glBlitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    if (!shader || !shader->bind()) return false;
    gl->glDrawBuffer(GLenum(output->attachment));
    const int depthUnit = depth->unit();
    const int scratchUnit = scratch->unit();
    if (depthUnit < 0 || scratchUnit < 0) {
        depth->unbind();
        scratch->unbind();
        return false;
    }
    uniforms(depthUnit, scratchUnit);
    if (stencil) {
        gl->glStencilFunc(GL_EQUAL, target.layer, target.layer);
        gl->glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        gl->glEnable(GL_STENCIL_TEST);
    } else {
        gl->glDisable(GL_STENCIL_TEST);
    }
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    drawQuad(true);
    depth->unbind();
    scratch->unbind();
    shader->unbind();
    return true;
}

} // namespace

bool FBO::normalsOrthogonal(Texture2D* normals, Texture2D* scratch, Texture2D* depth, float scale, bool stencil) {
    return runTargetPass(*this, shaderNormalsOrthogonal, normals, scratch, depth, stencil,
                         [&](int depthUnit, int scratchUnit) {
                             setUniformInt("Depth", depthUnit);
                             setUniformInt("Normal", scratchUnit);
                             setUniformFloat("dz", 1.0f / scale);
                         });
}

bool FBO::normalsPerspective(Texture2D* normals, Texture2D* scratch, Texture2D* depth, float a, float b, bool stencil) {
    return runTargetPass(*this, shaderNormalsPerspective, normals, scratch, depth, stencil,
                         [&](int depthUnit, int scratchUnit) {
                             setUniformInt("Depth", depthUnit);
                             setUniformInt("Normal", scratchUnit);
                             setUniformVec2("delta", vec2{1.0f / float(width), 1.0f / float(height)});
                             setUniformFloat("A", a);
                             setUniformFloat("B", b);
                         });
}

namespace {

bool fogPass(FBO& target, Texture2D* color, Texture2D* scratch, Texture2D* depth, const std::uint8_t rgba[4],
             float near, float range, bool stencil) {
    return runTargetPass(target, shaderFogOrthogonal, color, scratch, depth, stencil,
                         [&](int depthUnit, int scratchUnit) {
                             setUniformInt("Color", scratchUnit);
                             setUniformInt("Depth", depthUnit);
                             setUniformColor("Fog", rgba);
                             setUniformFloat("near", near);
                             setUniformFloat("range", range);
                         });
}

} // namespace

bool FBO::fogOrthogonal(Texture2D* color, Texture2D* scratch, Texture2D* depth, const std::uint8_t rgba[4],
                        float centre, float range, bool stencil) {
    return fogPass(*this, color, scratch, depth, rgba, centre - 0.5f * range, range, stencil);
}

bool FBO::fogOrthogonalSpan(Texture2D* color, Texture2D* scratch, Texture2D* depth, const std::uint8_t rgba[4],
                            float near, float far, bool stencil) {
    return fogPass(*this, color, scratch, depth, rgba, near, far - near, stencil);
}

FBOTexture::FBOTexture(Texture2D* image) : FBO(0, image ? image->width() : 0, image ? image->height() : 0, 1) {
    if (image) addAttachment(image);
}

FBOTexture::~FBOTexture() = default;

} // namespace kal
