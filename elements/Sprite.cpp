#include "elements/Sprite.h"

#include "elements/SpriteImage.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"

namespace kal {

Sprite::Sprite() = default;

Sprite::Sprite(const std::string& path, bool relative) : ImageElement(path, relative) {}

bool Sprite::useShader() { return useImageShader(*shaderSprite, texture.get()); }

void Sprite::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float,
                  bool last) {
    if (useShader()) drawImage(objectId, itemId, model, material, colourIsLight, last);
}

void Sprite::drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                       bool last) {
    setImageUniforms(objectId, itemId, model, material, colourIsLight, inverseTransform(), *texture);
    drawImageQuad();
    if (last) endDraw();
}

} // namespace kal
