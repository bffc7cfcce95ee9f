#pragma once
// An animated image (GIF) in the scene as a flat quad: every frame is one slice of a 3D texture,
// and the draw picks the slice from the animation time it is handed, so the element holds no
// animation state and linked copies with other time offsets show other frames.
#include <string>

#include "scene/Element.h"

namespace kal {

class Texture3D;

class AnimatedSprite : public Element {
public:
    AnimatedSprite();
    // A relative path is looked for in the textures folder unless it is a resource (':').
    AnimatedSprite(const std::string& path, bool relative);
    // Reads the record body (tag and length already read).
    explicit AnimatedSprite(ByteBuffer& in);
    ~AnimatedSprite() override;
    AnimatedSprite(const AnimatedSprite&) = delete;
    AnimatedSprite& operator=(const AnimatedSprite&) = delete;

    void reset() override;
    bool updateGpu() override;
    bool bind() override;
    void unbind() override;
    bool useShader() override;
    void endDraw() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
              float time, bool last) override;
    // The quad matrix: the element's own translation and scale take no part.
    mat4 inverseTransform() override;
    void save(ByteBuffer& out) override;
    void load(ByteBuffer& in) override;
    // A file without a readable frame leaves the element invalid and answers false.
    bool loadFromFile(const std::string& path) override;
    // A frame's proportions as a unit vector.
    virtual vec2 aspect() const;

    void drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                   float time, bool last);

    Texture3D* texture = nullptr;
};

} // namespace kal
