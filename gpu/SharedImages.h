#pragma once
// Image files as textures shared by everything that shows them: however many sprites name one
// file, under whatever spelling of its path, it is decoded and uploaded once. A texture is shared
// while someone holds it and the file is still the one it was decoded from (same size and
// modification time); a file that does not load is never shared.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kal {

// Told the bytes a fresh decode is about to hold (four a pixel, every frame) and the size of the
// file it decodes; false stops it.
using DecodeCharge = std::function<bool(std::uint64_t decodedBytes, std::uint64_t fileBytes)>;

// The texture of the image file at path (Texture2D: the still image; Texture3D: every frame), the
// living one when there is one (named as the path that first decoded it), else decoded now. An
// image that does not load gives a texture of that name with `failed` set. Null only when the
// charge refuses a fresh decode.
template <class Tex>
std::shared_ptr<Tex> sharedImage(const std::string& path, const DecodeCharge& charge = {});

} // namespace kal
