#pragma once
// What an image file must be before anything decodes it. Image paths come from files and
// from the user: a FIFO or a device would block the decoder, a folder holds no image, and a
// header can promise a picture far beyond what a texture can hold. All of it is told from the
// header alone, before a single pixel is decoded.
#include <cstdint>
#include <string>

namespace kal {

// Largest side of a 2D texture and largest side or slice count of a 3D texture: the current
// context's GL_MAX_TEXTURE_SIZE and GL_MAX_3D_TEXTURE_SIZE, 16384 and 2048 without a context.
struct TextureSizeLimits {
    int side2D = 16384;
    int side3D = 2048;
};
TextureSizeLimits textureSizeLimits();

// No image is decoded into more than this (RGBA, every frame).
constexpr std::uint64_t maxDecodedImageBytes = std::uint64_t(1) << 30;

// Empty when the file at path is a regular file (or resource) whose header gives a size that fits
// a texture: a 2D texture when frames is false, else a 3D texture with one slice per frame.
// Otherwise the reason it is refused; for a file that cannot be opened, the file system's ("No such
// file or directory"). decodedBytes, when given, receives what the decode will hold (four bytes a
// pixel, every frame) for a file that is not refused.
std::string imageFileRefusal(const std::string& path, bool frames, std::uint64_t* decodedBytes = nullptr);

} // namespace kal
