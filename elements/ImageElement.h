#pragma once
// The element side the still and the animated sprite share: the texture of its file (shared with
// every element showing that file, however it spells the path) and its record (naming the file as
// this element does), the shared unit quad as geometry and the quad matrix. Tex is the texture
// kind, Type the element type code, Tag the record tag; only the two sprite kinds are instantiated.
#include <memory>
#include <string>

#include "scene/Element.h"

namespace kal {

template <class Tex, int32_t Type, uint32_t Tag>
class ImageElement : public Element {
public:
    ImageElement(const ImageElement&) = delete;
    ImageElement& operator=(const ImageElement&) = delete;

    void reset() override;
    bool updateGpu() override;
    bool bind() override;
    void unbind() override;
    void endDraw() override;
    // The quad matrix: the element's own translation and scale take no part.
    mat4 inverseTransform() override;
    bool save(ByteBuffer& out) override;
    // A file without a readable image leaves the element invalid and answers false.
    bool loadFromFile(const std::string& path) override;
    // Reads the record body (tag and length already read) and takes the image it names; an image
    // that is gone leaves the element invalid and is told to the open read. False, and no image,
    // only when the open read cannot afford to decode it (the decoded pixels are charged to it; a
    // shared image costs nothing).
    bool readImage(ByteBuffer& in);
    // The image's (a frame's) proportions as a unit vector.
    virtual vec2 aspect() const;

    std::shared_ptr<Tex> texture;

protected:
    ImageElement() : Element(Type) {}
    // A relative path is looked for in the textures folder unless it is a resource (':').
    ImageElement(const std::string& path, bool relative);

private:
    bool takeImage(const std::string& path);

    std::string file; // the image's path as this element names it
};

} // namespace kal
