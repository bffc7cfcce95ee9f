#pragma once
// Single-pixel reads from the bound scene render target, shared by the assembly and sculpt picks.
// Pixels outside the target read as nothing under the cursor rather than as undefined memory.
#include <cstdint>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal {

class FBOScene;

namespace pickread {

// 0 outside the target.
uint8_t stencil(const FBOScene& target, int x, int y);
float depth(const FBOScene& target, int x, int y);
// Object id, item id and material word; zeros outside the target.
void ids(const FBOScene& target, int x, int y, uint32_t out[3]);
// The camera-space normal the layer wrote; zero where none was written.
vec3 normal(const FBOScene& target, int x, int y);
// A normal from the 3 x 3 depth block around the pixel (clamped to the target), for pixels that
// carry no normal of their own.
vec3 normalFromDepth(const FBOScene& target, int x, int y, float farDistance);
// The material under the pixel: colour and opacity from the colour attachment, emission from the
// light attachment, roughness and metalness from the material word. The default material where
// nothing with a material was drawn.
pbr surfaceMaterial(const FBOScene& target, int x, int y, uint32_t materialWord);

// What the two scene targets hold under one pixel.
struct TargetHit {
    FBOScene* bound = nullptr; // the target left bound; the caller unbinds it
    uint8_t stencil = 0;       // 0: nothing under the pixel
    float depth = 1.0f;
    uint32_t ids[3] = {0, 0, 0};
};

// Binds the transparent target and reads the stencil; over a drawn pixel also the depth and, from
// the transparent target when its layer drew there last and from the opaque one otherwise, the ids.
// False when a target cannot be bound (nothing is left bound then).
bool readHit(FBOScene* transparent, FBOScene* opaque, int x, int y, TargetHit& out);

// Decoding of the id attachment's material word (0 where no material was drawn).
bool decodeMaterialWord(uint32_t word, int16_t& roughness, int16_t& metalness);

} // namespace pickread
} // namespace kal
