#include "elements/SpriteImage.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "elements/AnimatedSprite.h"
#include "elements/ImageElement.h"
#include "elements/Sprite.h"
#include "foundation/ByteBuffer.h"
#include "foundation/Pbr.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/SharedImages.h"
#include "gpu/StillImage.h"
#include "gpu/Texture2D.h"
#include "gpu/Texture3D.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/SceneFile.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

vec2 imageAspect(const Texture* texture) {
    if (!texture) return {};
    const float w = float(texture->width()), h = float(texture->height());
    const double squared = double(w) * w + double(h) * h;
    if (squared <= 1e-20) return {w, h};
    const float length = float(std::sqrt(squared));
    return {w / length, h / length};
}

mat4 spriteQuadMatrix(vec2 aspect) {
    mat4 m = mat4::translationXYZ(-0.5f, -0.5f, 0.0f);
    m *= mat4::scaling(aspect.x, aspect.y, 1.0f);
    return m;
}

vec2 spriteAspect(Element* e) {
    if (!e) return {};
    if (e->typeCode == SpriteType) return static_cast<Sprite*>(e)->aspect();
    if (e->typeCode == AnimatedSpriteType) return static_cast<AnimatedSprite*>(e)->aspect();
    return {};
}

void writeImageRecord(ByteBuffer& out, uint32_t tag, uint32_t textureTag, const std::string& file) {
    ByteBuffer body;
    Texture::writeNameRecord(body, textureTag, file);
    out.write(tag);
    out.write(uint32_t(body.size()));
    out.append(body.data(), body.size());
}

bool readImageRecordHeader(ByteBuffer& in, uint32_t textureTag) {
    const uint32_t tag = in.readU32();
    const uint32_t length = in.readU32();
    const size_t count = in.position;
    const uint32_t n = in.readU32();
    in.seek(count);
    return !in.failed() && tag == textureTag && uint64_t(length) == uint64_t(n) + 4;
}

void setImageUniforms(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                      const mat4& quad, Texture& texture) {
    mat4 m = quad;
    m *= model;
    // meshNormalMatrix keeps a flat quad's normal finite and a mirrored tool's facing out
    setSurfaceUniforms(objectId, itemId, m, material);
    // 1 keeps the material's plain light; 0 lets the image tint it
    gl->glUniform1ui(uniformLocation("ColorLight"), colourIsLight ? 0u : 1u);
    gl->glUniform1i(uniformLocation("Sprite"), texture.unit());
}

void drawImageQuad() {
    drawQuadStrip(false);
    gl->glGetError();
}

bool useImageShader(Shader& shader, Texture* texture) {
    if (!shader.bind() || !texture || !texture->bind()) return false;
    if (bindQuadBuffer()) return true;
    texture->unbind(); // no unit stays taken by a sprite that did not draw
    return false;
}

void endImageDraw(Texture* texture) {
    unbindQuadBuffer();
    if (texture) texture->unbind();
}

int64_t spriteFrameAt(double t, int delay, int frames) {
    if (frames <= 0 || std::isnan(t)) return 0;
    if (delay <= 0) delay = 100; // what image viewers do with a frame that gives no delay
    // beyond 2^62 ms every frame is as good as any other; the clamp keeps the conversion defined
    const double limit = 4.6e18;
    const int64_t i = int64_t(std::trunc(std::fmax(-limit, std::fmin(limit, t))));
    return (i / delay) % frames;
}

float frameDepthAt(double t, int delay, int frames) {
    if (frames <= 0) return 0.5f;
    return float((double(spriteFrameAt(t, delay, frames)) + 0.5) / double(frames));
}

std::string unreadImageReason(const std::string& path, bool frames) {
    const std::string fault = imageFileFault(path, frames);
    return fault.empty() ? "not an image this program reads" : fault;
}

namespace {

// A body of length 0 was written for a sprite without image by older versions: it keeps its
// index but makes no element. Any other body must hold exactly the texture's name record.
template <class Image, class TextureKind>
Element* readImageElement(ByteBuffer& in, uint32_t, size_t end, bool& ok) {
    ok = true;
    const size_t start = in.position;
    // the length word just read: a body the chunk cut short is damaged, not empty
    uint32_t length = 0;
    if (start >= 4) std::memcpy(&length, in.data() + start - 4, 4);
    if (length != end - start) return ok = false, nullptr;
    if (length == 0) return nullptr;
    if (!readImageRecordHeader(in, TextureKind::recordTag)) return ok = false, nullptr;
    const size_t count = in.position;
    const uint32_t n = in.readU32();
    in.seek(start);
    if (in.failed() || uint64_t(end - count) != uint64_t(n) + 4 || !chargeRead(sizeof(Image)))
        return ok = false, nullptr;
    auto image = std::make_unique<Image>();
    // a file that cannot afford the decoded pixels is refused as damaged
    if (!image->readImage(in)) return ok = false, nullptr;
    // an image that is gone or no longer decodes leaves its record's index empty
    return image->invalid ? nullptr : image.release();
}

} // namespace

void registerSpriteRecords() {
    registerElementReader(spriteRecordTag, readImageElement<Sprite, Texture2D>);
    registerElementReader(animatedSpriteRecordTag, readImageElement<AnimatedSprite, Texture3D>);
}

template <class Tex, int32_t Type, uint32_t Tag>
ImageElement<Tex, Type, Tag>::ImageElement(const std::string& path, bool relative) : Element(Type) {
    ImageElement::loadFromFile(resolveTexturePath(path, relative, textureFolder));
}

template <class Tex, int32_t Type, uint32_t Tag>
void ImageElement<Tex, Type, Tag>::reset() {
    Element::reset();
    typeCode = Type;
    texture.reset();
    file.clear();
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::updateGpu() {
    return createQuadBuffer();
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::bind() {
    return bindQuadBuffer();
}

template <class Tex, int32_t Type, uint32_t Tag>
void ImageElement<Tex, Type, Tag>::unbind() {
    unbindQuadBuffer();
}

template <class Tex, int32_t Type, uint32_t Tag>
void ImageElement<Tex, Type, Tag>::endDraw() {
    endImageDraw(texture.get());
}

template <class Tex, int32_t Type, uint32_t Tag>
mat4 ImageElement<Tex, Type, Tag>::inverseTransform() {
    return spriteQuadMatrix(aspect());
}

template <class Tex, int32_t Type, uint32_t Tag>
vec2 ImageElement<Tex, Type, Tag>::aspect() const {
    return imageAspect(texture.get());
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::save(ByteBuffer& out) {
    // nothing without an image: a record without its file could not be read back
    if (texture) writeImageRecord(out, Tag, Tex::recordTag, file);
    return true;
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::readImage(ByteBuffer& in) {
    texture.reset();
    std::string path;
    invalid = !readImageRecordHeader(in, Tex::recordTag) || !Texture::readNameRecord(in, path);
    if (invalid) return true;
    if (!takeImage(path)) return false;
    // the sprite goes from the scene: whoever opened it is told which image and why
    if (invalid) noteUnreadImage(path, unreadImageReason(path, Type == AnimatedSpriteType));
    return true;
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::loadFromFile(const std::string& path) {
    takeImage(path);
    return !invalid;
}

template <class Tex, int32_t Type, uint32_t Tag>
bool ImageElement<Tex, Type, Tag>::takeImage(const std::string& path) {
    file = path;
    texture = sharedImage<Tex>(path, chargeReadImage);
    invalid = !texture || texture->failed;
    return texture != nullptr;
}

template class ImageElement<Texture2D, SpriteType, spriteRecordTag>;
template class ImageElement<Texture3D, AnimatedSpriteType, animatedSpriteRecordTag>;

} // namespace kal
