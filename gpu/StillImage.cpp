#include "gpu/StillImage.h"

#include <QFile>
#include <QImageReader>
#include <csetjmp>
#include <new>
#include <png.h>

namespace kal {

namespace {

void readFromFile(png_structp png, png_bytep out, png_size_t length) {
    auto* file = static_cast<QFile*>(png_get_io_ptr(png));
    if (file->read(reinterpret_cast<char*>(out), qint64(length)) != qint64(length)) png_error(png, "file ends early");
}

[[noreturn]] void stopDecoding(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings change nothing in what is decoded.
void ignoreWarning(png_structp, png_const_charp) {}

// As QImage has it: a palette has alpha when one of its entries is see-through, other pictures
// when they carry an alpha channel or a transparent colour.
bool pngHasAlpha(png_structp png, png_infop info) {
    if (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) return true;
    if (!png_get_valid(png, info, PNG_INFO_tRNS)) return false;
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) return true;
    png_bytep alphas = nullptr;
    int count = 0;
    png_get_tRNS(png, info, &alphas, &count, nullptr);
    for (int i = 0; i < count; ++i)
        if (alphas[i] != 255) return true;
    return false;
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

// Decodes the rows of the PNG in `file` into staging. Nothing here owns anything that the jump
// out of libpng on an error would skip.
bool stagePng(QFile& file, std::vector<std::uint8_t>& staging, PngShape& shape) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopDecoding, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &file, readFromFile);
    png_read_info(png, info);
    shape.width = png_get_image_width(png, info);
    shape.height = png_get_image_height(png, info);
    shape.alpha = pngHasAlpha(png, info);
    const int depth = png_get_bit_depth(png, info);
    shape.greyInPalette = png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY && depth > 1 && depth <= 8;
    png_set_expand(png);   // palettes to RGB, grey to 8 bits, a transparent colour to alpha
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
        staging.reserve(shape.stride * shape.height);
    } catch (const std::bad_alloc&) {
        reserved = false;
    }
    if (!reserved) png_error(png, "out of memory");
    // interlaced passes each write a share of every row
    if (passes > 1) staging.resize(shape.stride * shape.height);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < shape.height; ++y) {
            if (passes == 1) staging.resize(staging.size() + shape.stride);
            png_read_row(png, staging.data() + y * shape.stride, nullptr);
        }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    // QImage keeps grey of 2 to 8 bits in a palette, where the transparent grey is black
    if (shape.greyInPalette && shape.alpha) blackenTransparent(staging, shape);
    return true;
}

} // namespace

QImage readStillImage(const std::string& path, std::vector<std::uint8_t>& staging) {
    staging.clear();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    png_byte signature[8] = {};
    if (file.peek(reinterpret_cast<char*>(signature), 8) == 8 && png_sig_cmp(signature, 0, 8) == 0) {
        PngShape shape;
        if (!stagePng(file, staging, shape)) {
            staging.clear();
            staging.shrink_to_fit();
            return {};
        }
        return QImage(static_cast<const uchar*>(staging.data()), int(shape.width), int(shape.height), int(shape.stride),
                      shape.alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    }
    file.close();
    return QImageReader(QString::fromStdString(path)).read();
}

} // namespace kal
