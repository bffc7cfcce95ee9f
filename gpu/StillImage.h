#pragma once
// Still images as textures take them. A PNG is decoded row by row straight into the staging at 8
// bits a channel, RGBA when the picture has alpha and RGB otherwise, each row padded to four bytes
// (GL's default unpack and a QImage's own layout): a 16-bit picture never exists at 8 bytes a
// pixel, and memory is touched only by rows that arrive, so a header promising more than its file
// holds costs nothing. Other formats are decoded as QImage(path) decodes them.
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace kal {

// The still image at path, null when it does not decode. A PNG's pixels are left in `staging`
// and the image is a view of them (valid while staging is untouched); any other format is
// decoded into an image of its own and staging is left empty. The path is not checked first:
// imageFileRefusal is the caller's.
QImage readStillImage(const std::string& path, std::vector<std::uint8_t>& staging);

} // namespace kal
