#pragma once
// Cube maps, built from six staged faces or by resampling one 360-degree
// (equirectangular, top row the zenith) image into the six faces.
#include "gpu/Texture.h"

class QImage;

namespace kal {

class TextureCube : public Texture {
public:
    TextureCube(int size, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type, std::uint32_t wrap,
                std::uint32_t filter);
    // A relative name gets the environments folder in front when usePath is set.
    TextureCube(const std::string& file, int size, bool usePath);

    void resize(int size);

    // Staged pixels hold the six faces one after another (+X, -X, +Y, -Y, +Z, -Z) and
    // win over the image; otherwise the image named by `name` is resampled. The
    // staged faces stay after the upload.
    bool compile() override;
    // Checks that the image reads and picks the formats by its alpha channel; the image
    // itself is read again at compile.
    bool load(const std::string& path) override;
    // All six faces in face order, rows tightly packed, in `format` and `type`.
    bool readPixels(std::vector<std::uint8_t>& out) override;
};

// Face k (0..5, GL order) of a size x size cube resampled bilinearly from an
// equirectangular image, as 32-bit ARGB values. Columns wrap round the horizon;
// rows clamp at the poles, so a pole never blends with the opposite pole.
QImage resampleEquirectangularFace(const QImage& source, int face, int size);

} // namespace kal
