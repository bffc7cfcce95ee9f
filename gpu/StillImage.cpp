#include "gpu/StillImage.h"

#include "gpu/ImageLimits.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <png.h>

namespace kal {

namespace {

const char* const cutShort = "the file is cut short";
const char* const fewerRows = "its header promises more rows than the file holds";

// What went wrong in a decode, said in words a user understands.
struct PngDecode {
    std::string fault;
};

// libpng's own messages are a programmer's: the faults a file can have are named here.
std::string faultOf(const char* message) {
    const std::string said = message ? message : "";
    if (said == cutShort || said == fewerRows) return said;
    // the image data ran out before the rows did
    if (said.find("Not enough image data") != std::string::npos) return fewerRows;
    if (said.find("CRC") != std::string::npos) return "it is damaged: a checksum does not match";
    if (said.rfind("IDAT", 0) == 0) return "its image data is damaged";
    if (said == "out of memory") return "there is not enough memory to decode it";
    return "it is damaged: " + said;
}

void readFromFile(png_structp png, png_bytep out, png_size_t length) {
    auto* file = static_cast<QFile*>(png_get_io_ptr(png));
    if (file->read(reinterpret_cast<char*>(out), qint64(length)) != qint64(length)) png_error(png, cutShort);
}

[[noreturn]] void stopDecoding(png_structp png, png_const_charp message) {
    auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
    if (decode && decode->fault.empty()) decode->fault = faultOf(message);
    png_longjmp(png, 1);
}

// Warnings change nothing in what is decoded.
void ignoreWarning(png_structp, png_const_charp) {}

// The image data a PNG's chunks hold, told from the chunk headers alone; `cut` when the file ends
// inside a chunk or before its last.
struct PngChunks {
    std::uint64_t imageData = 0;
    bool cut = true;
};

// The headers are read a block at a time and a chunk reaching past the block is stepped over by a
// seek: a file of many small chunks costs a read per block, not per chunk. A chunk's length sizes
// nothing but the step. The file is left where it was.
PngChunks walkChunks(QIODevice& file) {
    if (file.isSequential()) return {~std::uint64_t(0) >> 12, false}; // bounds nothing
    PngChunks chunks;
    const qint64 start = file.pos(), size = file.size();
    std::vector<char> block(std::size_t(1) << 16);
    qint64 blockAt = 0, blockEnd = 0; // the stretch of the file the block holds
    for (qint64 at = 8; at + 8 <= size;) {
        if (at + 8 > blockEnd) {
            blockAt = blockEnd = at;
            if (file.seek(at)) blockEnd += std::max(file.read(block.data(), qint64(block.size())), qint64(0));
            if (at + 8 > blockEnd) break;
        }
        const auto* header = reinterpret_cast<const unsigned char*>(block.data() + (at - blockAt));
        const qint64 length = qint64(png_get_uint_32(header));
        const qint64 present = std::min(length, size - at - 8);
        if (std::memcmp(header + 4, "IDAT", 4) == 0) chunks.imageData += std::uint64_t(present);
        if (std::memcmp(header + 4, "IEND", 4) == 0) {
            chunks.cut = false;
            break;
        }
        at += 12 + length;
    }
    file.seek(start);
    return chunks;
}

// Deflate packs at most 1032 bytes into one, so the file's image data bounds the rows it can hold.
bool rowsCanFit(png_structp png, png_infop info, std::uint64_t imageData) {
    const double bitsPerPixel = double(png_get_channels(png, info)) * png_get_bit_depth(png, info);
    // the pixel bytes alone, no filter bytes nor row padding: never more than the stream unpacks to
    const double least =
        double(png_get_image_width(png, info)) * double(png_get_image_height(png, info)) * bitsPerPixel / 8;
    return least <= 1032.0 * double(imageData) + 65536.0;
}

// As QImage has it: a palette has alpha when one of its entries is see-through, other pictures
// when they carry an alpha channel or a transparent colour (for grey, one of their depth).
bool pngHasAlpha(png_structp png, png_infop info) {
    if (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) return true;
    if (!png_get_valid(png, info, PNG_INFO_tRNS)) return false;
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p colour = nullptr;
    png_get_tRNS(png, info, &alphas, &count, &colour);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < count; ++i)
            if (alphas[i] != 255) return true;
        return false;
    }
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_GRAY) return true;
    // no pixel has a grey beyond the depth (libpng would cut it down to one that pixels do have)
    return colour && colour->gray <= (1u << png_get_bit_depth(png, info)) - 1;
}

struct PngShape {
    png_uint_32 width = 0, height = 0;
    bool alpha = false;
    bool greyInPalette = false;
    std::size_t stride = 0;
};

void blackenTransparent(std::vector<std::uint8_t>& staging, const PngShape& shape) {
    for (png_uint_32 y = 0; y < shape.height; ++y) {
        std::uint8_t* texel = staging.data() + y * shape.stride;
        for (png_uint_32 x = 0; x < shape.width; ++x, texel += 4)
            if (texel[3] == 0) texel[0] = texel[1] = texel[2] = 0;
    }
}

// Decodes the rows of the PNG in `file` into staging, or, when keep is false, each into one row
// that is thrown away (to find what is wrong with a file at the cost of a row). Nothing here owns
// anything that the jump out of libpng on an error would skip.
bool stagePng(QFile& file, std::vector<std::uint8_t>& staging, PngShape& shape, PngDecode& decode, bool keep) {
    const PngChunks chunks = walkChunks(file);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, stopDecoding, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        decode.fault = faultOf("out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &file, readFromFile);
    png_read_info(png, info);
    if (!rowsCanFit(png, info, chunks.imageData)) png_error(png, chunks.cut ? cutShort : fewerRows);
    shape.width = png_get_image_width(png, info);
    shape.height = png_get_image_height(png, info);
    shape.alpha = pngHasAlpha(png, info);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    shape.greyInPalette = colourType == PNG_COLOR_TYPE_GRAY && depth > 1 && depth <= 8;
    // expanded step by step: a transparent grey beyond the depth is not asked for
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (shape.alpha && png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_scale_16(png); // rounded, as QImage converts 16 bits to 8
    png_set_gray_to_rgb(png);
    if (!shape.alpha) png_set_strip_alpha(png); // a palette whose transparency is all opaque
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t texel = shape.alpha ? 4 : 3;
    shape.stride = (std::size_t(shape.width) * texel + 3) & ~std::size_t(3);
    if (png_get_channels(png, info) != texel || png_get_rowbytes(png, info) != shape.width * texel)
        png_error(png, "unexpected layout");
    staging.clear();
    // reserved, not touched: a header is no promise that the rows will come
    bool reserved = true;
    try {
        staging.reserve(keep ? shape.stride * shape.height : shape.stride);
    } catch (const std::bad_alloc&) {
        reserved = false;
    }
    if (!reserved) png_error(png, "out of memory");
    if (!keep) staging.resize(shape.stride);
    // interlaced passes each write a share of every row
    else if (passes > 1)
        staging.resize(shape.stride * shape.height);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < shape.height; ++y) {
            if (keep && passes == 1) staging.resize(staging.size() + shape.stride);
            png_read_row(png, staging.data() + (keep ? y * shape.stride : 0), nullptr);
        }
    // the rows are all there: what follows them (the end chunk, its checksum) changes no pixel
    png_destroy_read_struct(&png, &info, nullptr);
    // QImage keeps grey of 2 to 8 bits in a palette, where the transparent grey is black
    if (keep && shape.greyInPalette && shape.alpha) blackenTransparent(staging, shape);
    return true;
}

bool isPng(QFile& file) {
    png_byte signature[8] = {};
    return file.peek(reinterpret_cast<char*>(signature), 8) == 8 && png_sig_cmp(signature, 0, 8) == 0;
}

} // namespace

QImage readStillImage(const std::string& path, std::vector<std::uint8_t>& staging, std::string* why) {
    staging.clear();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (why) *why = "it cannot be read";
        return {};
    }
    if (isPng(file)) {
        PngShape shape;
        PngDecode decode;
        if (!stagePng(file, staging, shape, decode, true)) {
            staging.clear();
            staging.shrink_to_fit();
            if (why) *why = decode.fault;
            return {};
        }
        return QImage(static_cast<const uchar*>(staging.data()), int(shape.width), int(shape.height), int(shape.stride),
                      shape.alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    }
    file.close();
    // the reader's own buffers go before the caller stages the image
    QImage image = QImageReader(QString::fromStdString(path)).read();
    if (image.isNull() && why) *why = "not an image this program reads";
    return image;
}

std::string imageFileFault(const std::string& path, bool frames) {
    std::string fault = imageFileRefusal(path, frames);
    if (!fault.empty() || frames) return fault;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || !isPng(file)) return {};
    std::vector<std::uint8_t> row;
    PngShape shape;
    PngDecode decode;
    stagePng(file, row, shape, decode, false);
    return decode.fault;
}

} // namespace kal
