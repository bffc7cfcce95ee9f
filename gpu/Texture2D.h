#pragma once
// 2D textures: sprite and background images, font atlases, render-target attachments
// and the global noise texture.
#include "foundation/Vec.h"
#include "gpu/Texture.h"

#include <vector>

namespace kal {

class Texture2D : public Texture {
public:
    // Empty texture of a size, the form render targets use; no name, no pixels.
    Texture2D(int w, int h, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type, std::uint32_t wrap,
              std::uint32_t filter);
    // Loads an image file; a relative name gets the textures folder in front when
    // usePath is set. A failure shows in `failed`.
    Texture2D(const std::string& file, bool usePath);

    // A new size clears `compiled`; the same size changes nothing.
    void resize(int w, int h);

    bool compile() override;
    bool load(const std::string& path) override;
    void write(ByteBuffer& out) override;

    // Builds the mipmap chain, switches minification to trilinear and answers the
    // level count; 0 when the texture cannot be bound.
    int generateMipmaps();

    static constexpr std::uint32_t recordTag = 0xC0000020;
};

// Random unit-cube noise shared by the CPU and the shaders: texel (i, j) of the
// returned texture equals noiseTable[j][i].
Texture2D* makeNoiseTexture(int w, int h);

extern std::vector<std::vector<vec3>> noiseTable;
extern Texture2D* noiseTexture; // 512 x 512, built before start-up, compiled on first bind

} // namespace kal
