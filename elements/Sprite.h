#pragma once
// A still image (PNG, JPG) in the scene as a flat quad with the image's proportions, cut out by
// its alpha. It has no geometry of its own: it stretches the shared unit quad, and its tool
// places and sizes it. The texture's name is the image path the record stores.
#include <string>

#include "elements/ImageElement.h"
#include "elements/SpriteImage.h"

namespace kal {

class Texture2D;

extern template class ImageElement<Texture2D, SpriteType, spriteRecordTag>;

class Sprite : public ImageElement<Texture2D, SpriteType, spriteRecordTag> {
public:
    Sprite();
    // A relative path is looked for in the textures folder unless it is a resource (':').
    Sprite(const std::string& path, bool relative);

    bool useShader() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;

    void drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                   bool last);
};

} // namespace kal
