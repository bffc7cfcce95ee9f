#pragma once
// Drawing helpers on the table shaders and the unit quad and circle:
//  - overlay markers (segments, circle outlines, filled squares) placed by a caller's
//    projection-model-view matrix, in one flat colour;
//  - full-screen image passes that read input textures and write into a colour
//    attachment of the render target the caller has bound.
// A helper binds what it needs, draws and returns; the program stays current and the
// draw buffer stays as the pass set it.
#include "foundation/Mat.h"

#include <cstdint>
#include <vector>

namespace kal {

class Texture;

// Uniform setters on Shader::currentProgram, looked up by name at every use; a name the
// program does not have is ignored.
void setUniformInt(const char* name, int value);
void setUniformFloat(const char* name, float value);
void setUniformVec2(const char* name, vec2 value);
void setUniformVec3(const char* name, vec3 value);
void setUniformVec4(const char* name, vec4 value);
void setUniformVec3Array(const char* name, const vec3* values, int count);
void setUniformMat4(const char* name, const mat4& value);
// Four bytes as a vec4 of each byte / 255.
void setUniformColor(const char* name, const std::uint8_t rgba[4]);

// The segment (0,0,0)-(1,0,0) from the bound quad buffer.
bool drawQuadBufferLine(bool unbind);
bool drawQuadLine(bool unbind);
// The unit quad as a triangle strip.
bool drawQuad(bool unbind);

// Overlay markers with the flat-colour shader.
bool drawUnitLine(const mat4& pmv, const std::uint8_t rgba[4]);
void drawSegment3D(vec3 a, vec3 b, const mat4& pmv, const std::uint8_t rgba[4]);
bool drawCircleOutline(const mat4& pmv, const std::uint8_t rgba[4]);
void drawCircle3D(float radius, vec3 axis, vec3 centre, const mat4& pmv, const std::uint8_t rgba[4]);
// The square (-1,-1)-(1,1) in z = 0; draws even when the shader cannot be bound.
bool drawFilledQuad(const mat4& pmv, const std::uint8_t rgba[4]);
void drawSquare3D(float size, vec3 normal, vec3 centre, const mat4& pmv, const std::uint8_t rgba[4]);

// Full-screen passes. A null output draws into whatever draw buffer is current. Each
// answers false without drawing when its shader or an input cannot be bound.
//
// The input upside down.
bool filterMirrorVertical(Texture* input, Texture* output);
// Every channel of the input that reaches `value` kept, the others 0.
bool filterThreshold(Texture* input, vec4 value, Texture* output);
// The input plus `value`.
bool filterAddValue(Texture* input, vec4 value, Texture* output);
// The input mixed channel by channel (factors chroma / 255) with itself read at
// center + (xy - center) x (2 - s).
bool filterChroma(Texture* input, Texture* output, const std::uint8_t chroma[4], float s, vec2 center);
// One input: the sum of its first `levels` mip levels. Two inputs: the first plus that
// sum of the second. Other counts answer false at once.
bool filterAddMipMaps(const std::vector<Texture*>& inputs, int levels, Texture* output);
// The sum of two or three inputs; other counts answer false at once.
bool filterAddImages(const std::vector<Texture*>& inputs, Texture* output);
// Separable 1-4-6-4-1 blur, `iterations` times, ping-ponging between two attachments
// of the bound target of the same size; the result ends in a. Float textures of one
// or three channels get their own shaders so nothing is clamped.
bool filterBlur(Texture* a, Texture* b, int iterations);

} // namespace kal
