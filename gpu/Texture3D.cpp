#include "gpu/Texture3D.h"

#include "foundation/Log.h"
#include "gpu/GLFunctions.h"
#include "gpu/ImageLimits.h"

#include <QImage>
#include <QImageReader>
#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>

namespace kal {

std::size_t appendSlice(std::vector<std::uint8_t>& slices, const QImage& frame, int sliceWidth, int sliceHeight) {
    QImage slice = frame.convertToFormat(QImage::Format_RGBA8888);
    // Slices share one size; a frame of another size would overrun its slice.
    if (slice.width() != sliceWidth || slice.height() != sliceHeight)
        slice = slice.scaled(sliceWidth, sliceHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGBA8888);
    if (slice.isNull()) return 0;
    const auto bytes = std::size_t(slice.sizeInBytes());
    slices.insert(slices.end(), slice.constBits(), slice.constBits() + bytes);
    return bytes;
}

Texture3D::Texture3D(int w, int h, int d, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                     std::uint32_t wrap, std::uint32_t filter)
    : Texture(internalFormat, format, type, wrap, filter) {
    size = {w, h, d};
}

Texture3D::Texture3D(const std::string& file, bool usePath) { load(resolveTexturePath(file, usePath, textureFolder)); }

void Texture3D::resize(int w, int h, int d) { describeSize({w, h, d}); }

bool Texture3D::compile() {
    return compileAs(GL_TEXTURE_3D, "Texture3D", Renewal::FreshName, [this] {
        padStagedPixels(alignedImageBytes(width(), height(), format, type) * std::uint64_t(std::max(depth(), 0)));
        gl->glTexImage3D(target, 0, GLint(internalFormat), width(), height(), depth(), 0, format, type,
                         pixels.empty() ? nullptr : pixels.data());
        return true;
    });
}

bool Texture3D::load(const std::string& path) {
    const QString file = QString::fromStdString(path);
    name = path;
    // the header is checked first: a FIFO would block the decoder, a huge size exhaust memory
    const std::string why = imageFileRefusal(path, true);
    auto fail = [this, &path, &why] {
        failed = true;
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Texture3D::load " + path +
                                                              (why.empty() ? "" : ": " + why));
        return false;
    };
    if (!why.empty()) return fail();
    pixels.clear();
    filled = 0;
    QImageReader reader(file);
    frameDelay = 1;
    // The count comes from the file but the header check has bounded its frames' bytes: the
    // slices are reserved once, not grown by copies as large as themselves.
    const int count = reader.imageCount();
    int frames = 0, frameWidth = 0, frameHeight = 0;
    for (int n = 0; n < count; ++n) {
        const QImage frame = reader.read();
        if (frame.isNull()) break;
        if (frames == 0) {
            frameDelay = reader.nextImageDelay();
            frameWidth = frame.width();
            frameHeight = frame.height();
            pixels.reserve(std::size_t(
                std::min(alignedImageBytes(frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE) * std::uint64_t(count),
                         maxDecodedImageBytes)));
        }
        filled += std::uint32_t(appendSlice(pixels, frame, frameWidth, frameHeight));
        ++frames;
    }
    if (frames == 0) {
        pixels.clear();
        filled = 0;
        return fail();
    }
    resize(frameWidth, frameHeight, frames);
    internalFormat = GL_RGBA8;
    format = GL_RGBA;
    type = GL_UNSIGNED_BYTE;
    wrap = GL_CLAMP_TO_EDGE;
    filter = GL_LINEAR;
    compiled = false;
    return true;
}

void Texture3D::write(ByteBuffer& out) { writeNameRecord(out, recordTag, name); }

} // namespace kal
