#include "elements/AnimatedSprite.h"

#include "elements/SpriteImage.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture3D.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

AnimatedSprite::AnimatedSprite() : Element(AnimatedSpriteType) {}

AnimatedSprite::AnimatedSprite(const std::string& path, bool relative) : Element(AnimatedSpriteType) {
    AnimatedSprite::loadFromFile(resolveTexturePath(path, relative, textureFolder));
}

AnimatedSprite::AnimatedSprite(ByteBuffer& in) : Element(AnimatedSpriteType) { AnimatedSprite::load(in); }

AnimatedSprite::~AnimatedSprite() { delete texture; }

void AnimatedSprite::reset() {
    Element::reset();
    typeCode = AnimatedSpriteType;
    delete texture;
    texture = nullptr;
}

bool AnimatedSprite::updateGpu() { return createQuadBuffer(); }
bool AnimatedSprite::bind() { return bindQuadBuffer(); }
void AnimatedSprite::unbind() { unbindQuadBuffer(); }

bool AnimatedSprite::useShader() { return useImageShader(*shaderAnimatedSprite, texture); }

void AnimatedSprite::endDraw() { endImageDraw(texture); }

void AnimatedSprite::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material,
                          bool colourIsLight, float time, bool last) {
    if (useShader()) drawImage(objectId, itemId, model, material, colourIsLight, time, last);
}

void AnimatedSprite::drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material,
                               bool colourIsLight, float time, bool last) {
    setImageUniforms(objectId, itemId, model, material, colourIsLight, inverseTransform(), *texture);
    const float depth = frameDepthAt(time, texture->frameDelay, texture->depth());
    gl->glUniform1f(gl->glGetUniformLocation(Shader::currentProgram, "Time"), depth);
    drawImageQuad();
    if (last) endDraw();
}

mat4 AnimatedSprite::inverseTransform() { return spriteQuadMatrix(aspect()); }

vec2 AnimatedSprite::aspect() const { return imageAspect(texture); }

void AnimatedSprite::save(ByteBuffer& out) { writeImageRecord(out, animatedSpriteRecordTag, texture); }

void AnimatedSprite::load(ByteBuffer& in) {
    delete texture;
    texture = nullptr;
    invalid = !readImageRecordHeader(in, Texture3D::recordTag);
    if (invalid) return;
    texture = new Texture3D(in);
    invalid = texture->failed;
}

bool AnimatedSprite::loadFromFile(const std::string& path) {
    delete texture;
    texture = new Texture3D(path, false);
    invalid = texture->failed;
    return !invalid;
}

} // namespace kal
