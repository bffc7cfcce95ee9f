#pragma once
// Still images as textures take them. A PNG is decoded row by row straight into the staging at 8
// bits a channel, RGBA when the picture has alpha and RGB otherwise, each row padded to four bytes
// (GL's default unpack and a QImage's own layout): a 16-bit picture never exists at 8 bytes a
// pixel, and memory is touched only by rows that arrive, so a header promising more than its file
// holds costs nothing. An interlaced picture is laid out whole before its passes fill it, so its
// header is first held against what the file's image data can unpack to. Other formats are
// decoded as QImage(path) decodes them.
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace kal {

// The still image at path, null when it does not decode. A PNG's pixels are left in `staging`
// and the image is a view of them (valid while staging is untouched); any other format is
// decoded into an image of its own and staging is left empty. The path is not checked first:
// imageFileRefusal is the caller's.
// `why`, when given, receives what is wrong with a file that does not decode.
QImage readStillImage(const std::string& path, std::vector<std::uint8_t>& staging, std::string* why = nullptr);

// What is wrong with the image file at path, in words for its user: the refusal of its header
// (imageFileRefusal), else, for a PNG, what its decode runs into (decoding it once more, into a
// single row); empty when nothing is known against it.
std::string imageFileFault(const std::string& path, bool frames);

} // namespace kal
