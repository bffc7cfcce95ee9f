#pragma once
// The element side the still and the animated sprite share: the owned texture and its file and
// record, the shared unit quad as geometry and the quad matrix. Tex is the texture kind,
// Type the element type code, Tag the record tag; only the two sprite kinds are instantiated.
#include <string>

#include "scene/Element.h"

namespace kal {

template <class Tex, int32_t Type, uint32_t Tag>
class ImageElement : public Element {
public:
    ~ImageElement() override;
    ImageElement(const ImageElement&) = delete;
    ImageElement& operator=(const ImageElement&) = delete;

    void reset() override;
    bool updateGpu() override;
    bool bind() override;
    void unbind() override;
    void endDraw() override;
    // The quad matrix: the element's own translation and scale take no part.
    mat4 inverseTransform() override;
    void save(ByteBuffer& out) override;
    void load(ByteBuffer& in) override;
    // A file without a readable image leaves the element invalid and answers false.
    bool loadFromFile(const std::string& path) override;
    // The image's (a frame's) proportions as a unit vector.
    virtual vec2 aspect() const;

    Tex* texture = nullptr;

protected:
    ImageElement() : Element(Type) {}
    // A relative path is looked for in the textures folder unless it is a resource (':').
    ImageElement(const std::string& path, bool relative);
    // Reads the record body (tag and length already read).
    explicit ImageElement(ByteBuffer& in);
};

} // namespace kal
