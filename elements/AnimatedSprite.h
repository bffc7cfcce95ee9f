#pragma once
// An animated image (GIF) in the scene as a flat quad: every frame is one slice of a 3D texture,
// and the draw picks the slice from the animation time it is handed, so the element holds no
// animation state and linked copies with other time offsets show other frames.
#include <string>

#include "elements/ImageElement.h"
#include "elements/SpriteImage.h"

namespace kal {

class Texture3D;

extern template class ImageElement<Texture3D, AnimatedSpriteType, animatedSpriteRecordTag>;

class AnimatedSprite : public ImageElement<Texture3D, AnimatedSpriteType, animatedSpriteRecordTag> {
public:
    AnimatedSprite();
    // A relative path is looked for in the textures folder unless it is a resource (':').
    AnimatedSprite(const std::string& path, bool relative);

    bool useShader() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;

    void drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                   float time, bool last);
};

} // namespace kal
