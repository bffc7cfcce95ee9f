#pragma once
// What the still and the animated sprite share: the image's proportions, the matrix that
// stretches the shared unit quad to them, the record that names the image file, the draw of
// the quad with its uniforms, and the frame shown at a time.
#include <cstdint>
#include <string>

#include "foundation/Mat.h"

namespace kal {

class ByteBuffer;
class Element;
class Shader;
class Texture;
struct pbr;

constexpr uint32_t spriteRecordTag = 0xE0000003;
constexpr uint32_t animatedSpriteRecordTag = 0xE0000006;

// The image's (width, height) as a unit vector; (0, 0) without a texture or pixels.
vec2 imageAspect(const Texture* texture);
// Takes the unit quad onto the rectangle of those proportions centred on the origin in the XY
// plane (diagonal 1): the quad's (0, 0) goes to -aspect / 2.
mat4 spriteQuadMatrix(vec2 aspect);
// The aspect of a sprite or an animated sprite, (0, 0) for every other element.
vec2 spriteAspect(Element* e);

// Appends tag, body length and the name record of the image file under textureTag.
void writeImageRecord(ByteBuffer& out, uint32_t tag, uint32_t textureTag, const std::string& file);
// Reads the texture sub-record's tag and length at the position and leaves the position on the
// name count. False when the tag is not textureTag or the length is not the name's plus 4.
bool readImageRecordHeader(ByteBuffer& in, uint32_t textureTag);

// Sets the uniforms of an image draw on the current program: matrices, ids, material and the
// "Sprite" sampler on the texture's unit. quad: the element's quad matrix.
void setImageUniforms(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                      const mat4& quad, Texture& texture);
// Draws the bound unit quad as a strip; a GL error it raises is dropped.
void drawImageQuad();
// Binds the program, the texture on the next unit and the shared quad; false (and nothing left
// bound) when one of them fails or there is no texture.
bool useImageShader(Shader& shader, Texture* texture);
// Gives back the quad and the texture's unit.
void endImageDraw(Texture* texture);

// The frame of `frames` frames of `delay` ms each shown at time t (ms): t truncated toward zero,
// divided by the delay, the remainder by the frame count with the sign of the time (a negative
// time stays on the first slice through clamp-to-edge). Picked in 64 bits; NaN shows frame 0, a
// delay of 0 or less plays at 100 ms, no frame gives 0.
int64_t spriteFrameAt(double t, int delay, int frames);
// The 3D texture's depth coordinate of that frame's slice centre.
float frameDepthAt(double t, int delay, int frames);

// Why the image file at path did not load as a sprite (frames false) or an animated sprite, in
// words for its user.
std::string unreadImageReason(const std::string& path, bool frames);

// The sprite and animated sprite readers of the scene files; an image a record names that cannot
// be loaded is told to the open read (noteUnreadImage). Safe to call repeatedly.
void registerSpriteRecords();

} // namespace kal
