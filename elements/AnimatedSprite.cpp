#include "elements/AnimatedSprite.h"

#include "elements/SpriteImage.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture3D.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

AnimatedSprite::AnimatedSprite() = default;

AnimatedSprite::AnimatedSprite(const std::string& path, bool relative) : ImageElement(path, relative) {}

bool AnimatedSprite::useShader() { return useImageShader(*shaderAnimatedSprite, texture.get()); }

void AnimatedSprite::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                          float time, bool last) {
    if (useShader()) drawImage(objectId, itemId, model, material, colourIsLight, time, last);
}

void AnimatedSprite::drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material,
                               bool colourIsLight, float time, bool last) {
    setImageUniforms(objectId, itemId, model, material, colourIsLight, inverseTransform(), *texture);
    const float depth = frameDepthAt(time, texture->frameDelay, texture->depth());
    gl->glUniform1f(uniformLocation("Time"), depth);
    drawImageQuad();
    if (last) endDraw();
}

} // namespace kal
