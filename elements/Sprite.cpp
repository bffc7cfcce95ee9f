#include "elements/Sprite.h"

#include "elements/SpriteImage.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"

namespace kal {

Sprite::Sprite() : Element(SpriteType) {}

Sprite::Sprite(const std::string& path, bool relative) : Element(SpriteType) {
    Sprite::loadFromFile(resolveTexturePath(path, relative, textureFolder));
}

Sprite::Sprite(ByteBuffer& in) : Element(SpriteType) { Sprite::load(in); }

Sprite::~Sprite() { delete texture; }

void Sprite::reset() {
    Element::reset();
    typeCode = SpriteType;
    delete texture;
    texture = nullptr;
}

bool Sprite::updateGpu() { return createQuadBuffer(); }
bool Sprite::bind() { return bindQuadBuffer(); }
void Sprite::unbind() { unbindQuadBuffer(); }

bool Sprite::useShader() { return useImageShader(*shaderSprite, texture); }

void Sprite::endDraw() { endImageDraw(texture); }

void Sprite::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                  float, bool last) {
    if (useShader()) drawImage(objectId, itemId, model, material, colourIsLight, last);
}

void Sprite::drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material,
                       bool colourIsLight, bool last) {
    setImageUniforms(objectId, itemId, model, material, colourIsLight, inverseTransform(), *texture);
    drawImageQuad();
    if (last) endDraw();
}

mat4 Sprite::inverseTransform() { return spriteQuadMatrix(aspect()); }

vec2 Sprite::aspect() const { return imageAspect(texture); }

void Sprite::save(ByteBuffer& out) { writeImageRecord(out, spriteRecordTag, texture); }

void Sprite::load(ByteBuffer& in) {
    delete texture;
    texture = nullptr;
    invalid = !readImageRecordHeader(in, Texture2D::recordTag);
    if (invalid) return;
    texture = new Texture2D(in);
    invalid = texture->failed;
}

bool Sprite::loadFromFile(const std::string& path) {
    delete texture;
    texture = new Texture2D(path, false);
    invalid = texture->failed;
    return !invalid;
}

} // namespace kal
