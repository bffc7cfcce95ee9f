#include "gpu/Texture2D.h"

#include "foundation/Log.h"
#include "foundation/Parallel.h"
#include "gpu/GLFunctions.h"
#include "gpu/ImageLimits.h"
#include "gpu/StillImage.h"

#include <QImage>
#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <atomic>
#include <random>
#include <sys/mman.h>
#include <unistd.h>

namespace kal {

namespace {

// Rows of `rowBytes` per band that together hold about a mebibyte.
int rowsPerBand(std::size_t rowBytes) {
    return std::max(1, int((std::size_t(1) << 20) / std::max<std::size_t>(rowBytes, 1)));
}

// Hands the whole pages of rows [top, bottom) of image back to the system: they read as zeros
// from then on.
void releaseRows(const QImage& image, int top, int bottom) {
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto first = (std::uintptr_t(image.constScanLine(top)) + page - 1) / page * page;
    const auto end = std::uintptr_t(image.constScanLine(bottom - 1) + image.bytesPerLine()) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}

// Converts image to `alpha` ? RGBA : RGB bytes in rows padded to 4 bytes, top row first (exactly
// GL's default unpack, and QImage's own row layout). A group of bands of rows at a time, the bands
// of a group side by side: the staging grows by a group as the decoded rows behind it go back to
// the system, so that the two together hold little more than the decoded image did. The image is
// left blank. False when a band finds no memory.
bool stageByBands(const QImage& image, bool alpha, std::vector<std::uint8_t>& pixels) {
    const auto row = std::size_t(alignedImageBytes(image.width(), 1, alpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE));
    const int band = rowsPerBand(row), height = image.height(), group = 8 * band;
    const auto target = alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    const QVector<QRgb> colours = image.colorTable();
    std::atomic<bool> shortOfMemory{false};
    pixels.reserve(row * std::size_t(height));
    for (int top = 0; top < height && !shortOfMemory; top += group) {
        const int bottom = std::min(height, top + group);
        pixels.resize(row * std::size_t(bottom));
        parallelFor((bottom - top + band - 1) / band,
                    [&](int first, int last) {
                        for (int b = first; b < last; ++b) {
                            const int y = top + b * band, rows = std::min(band, bottom - y);
                            // a view of the band's rows: nothing copied before the conversion
                            QImage rowsOf(image.constScanLine(y), image.width(), rows, image.bytesPerLine(),
                                          image.format());
                            if (!colours.isEmpty()) rowsOf.setColorTable(colours);
                            const QImage part = rowsOf.convertToFormat(target);
                            if (part.isNull()) {
                                shortOfMemory = true;
                                return;
                            }
                            for (int r = 0; r < rows; ++r)
                                std::copy_n(part.constScanLine(r), row,
                                            pixels.begin() + std::ptrdiff_t(std::size_t(y + r) * row));
                        }
                    },
                    2);
        if (image.isDetached()) releaseRows(image, top, bottom);
    }
    return !shortOfMemory;
}

} // namespace

Texture2D::Texture2D(int w, int h, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                     std::uint32_t wrap, std::uint32_t filter)
    : Texture(internalFormat, format, type, wrap, filter) {
    size = {w, h};
}

Texture2D::Texture2D(const std::string& file, bool usePath) { load(resolveTexturePath(file, usePath, textureFolder)); }

void Texture2D::resize(int w, int h) { describeSize({w, h}); }

bool Texture2D::compile() {
    return compileAs(GL_TEXTURE_2D, "Texture2D", Renewal::FreshName, [this] {
        padStagedPixels(alignedImageBytes(width(), height(), format, type));
        gl->glTexImage2D(target, 0, GLint(internalFormat), width(), height(), 0, format, type,
                         pixels.empty() ? nullptr : pixels.data());
        return true;
    });
}

bool Texture2D::load(const std::string& path) {
    release();
    name = path;
    // the header is checked first: a FIFO would block the decoder, a huge size exhaust memory
    std::string why = imageFileRefusal(path, false);
    // a PNG comes staged already, the image a view of its rows
    const QImage image = why.empty() ? readStillImage(path, pixels, &why) : QImage();
    auto fail = [this, &path, &why] {
        release();
        failed = true;
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Texture2D::load " + path +
                                                              (why.empty() ? "" : ": " + why));
        return false;
    };
    if (image.isNull()) return fail();
    resize(image.width(), image.height());
    const bool alpha = image.hasAlphaChannel();
    internalFormat = alpha ? GL_RGBA8 : GL_RGB8;
    format = alpha ? GL_RGBA : GL_RGB;
    type = GL_UNSIGNED_BYTE;
    if (pixels.empty() && !stageByBands(image, alpha, pixels)) return fail();
    filled = std::uint32_t(pixels.size());
    wrap = GL_CLAMP_TO_EDGE;
    filter = GL_LINEAR;
    compiled = false;
    return true;
}

void Texture2D::write(ByteBuffer& out) { writeNameRecord(out, recordTag, name); }

int Texture2D::generateMipmaps() {
    if (!bind()) return 0;
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    unbind();
    return mipLevelCount();
}

std::vector<std::vector<vec3>> noiseTable;

Texture2D* makeNoiseTexture(int w, int h) {
    auto* texture = new Texture2D(w, h, GL_RGB32F, GL_RGB, GL_FLOAT, GL_REPEAT, GL_LINEAR);
    w = std::max(w, 0);
    h = std::max(h, 0);
    noiseTable.resize(std::size_t(h));
    texture->pixels.reserve(std::size_t(w) * std::size_t(h) * sizeof(vec3));
    // A private fixed-seed generator: the same noise every run, and the program's
    // other users of rand() are not disturbed.
    std::minstd_rand random(20161026u);
    auto component = [&random](std::uint32_t r) { return 2.0f * float(r % 8009u) / 8009.0f - 1.0f; };
    for (int j = 0; j < h; ++j) {
        auto& row = noiseTable[std::size_t(j)];
        row.resize(std::size_t(w));
        for (int i = 0; i < w; ++i) {
            const std::uint32_t r1 = random(), r2 = random(), r3 = random();
            const vec3 texel(component(r3), component(r2), component(r1));
            row[std::size_t(i)] = texel;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&texel);
            texture->pixels.insert(texture->pixels.end(), bytes, bytes + sizeof(vec3));
        }
    }
    return texture;
}

Texture2D* noiseTexture = makeNoiseTexture(512, 512);

} // namespace kal
