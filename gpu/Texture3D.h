#pragma once
// The frames of an animated image as the slices of one 3D texture (animated sprites).
#include "gpu/Texture.h"

class QImage;

namespace kal {

class Texture3D : public Texture {
public:
    Texture3D(int w, int h, int d, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
              std::uint32_t wrap, std::uint32_t filter);
    // Loads every frame of an image file; a relative name gets the textures folder in
    // front when usePath is set. A failure shows in `failed`.
    Texture3D(const std::string& file, bool usePath);

    void resize(int w, int h, int d);

    bool compile() override;
    // Frame n becomes slice n, rows top first. Frames of another size than the first
    // are scaled to it. A file without a readable frame fails.
    bool load(const std::string& path) override;
    void write(ByteBuffer& out) override;

    int frameDelay = 1; // milliseconds, of the first frame

    static constexpr std::uint32_t recordTag = 0xC0000030;
};

// Appends one frame to a stack of sliceWidth x sliceHeight RGBA slices, scaling a
// frame of another size to the slice size. Answers the bytes appended.
std::size_t appendSlice(std::vector<std::uint8_t>& slices, const QImage& frame, int sliceWidth, int sliceHeight);

} // namespace kal
