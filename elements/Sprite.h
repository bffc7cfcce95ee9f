#pragma once
// A still image (PNG, JPG) in the scene as a flat quad with the image's proportions, cut out by
// its alpha. It has no geometry of its own: it stretches the shared unit quad, and its tool
// places and sizes it. The texture's name is the image path the record stores.
#include <string>

#include "scene/Element.h"

namespace kal {

class Texture2D;

class Sprite : public Element {
public:
    Sprite();
    // A relative path is looked for in the textures folder unless it is a resource (':').
    Sprite(const std::string& path, bool relative);
    // Reads the record body (tag and length already read).
    explicit Sprite(ByteBuffer& in);
    ~Sprite() override;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    void reset() override;
    bool updateGpu() override;
    bool bind() override;
    void unbind() override;
    bool useShader() override;
    void endDraw() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
              float time, bool last) override;
    // The quad matrix: the sprite's own translation and scale take no part.
    mat4 inverseTransform() override;
    void save(ByteBuffer& out) override;
    void load(ByteBuffer& in) override;
    // An image that cannot be decoded leaves the sprite invalid and answers false.
    bool loadFromFile(const std::string& path) override;
    // The image's proportions as a unit vector.
    virtual vec2 aspect() const;

    void drawImage(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                   bool last);

    Texture2D* texture = nullptr;
};

} // namespace kal
