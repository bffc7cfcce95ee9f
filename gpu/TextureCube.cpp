#include "gpu/TextureCube.h"

#include "foundation/Log.h"
#include "gpu/GLFunctions.h"
#include "gpu/ImageLimits.h"
#include "gpu/StillImage.h"

#include <QImage>
#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cmath>

namespace kal {

QImage resampleEquirectangularFace(const QImage& source, int face, int size) {
    QImage out(std::max(size, 0), std::max(size, 0), QImage::Format_ARGB32);
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const int W = src.width(), H = src.height();
    if (out.isNull() || W <= 0 || H <= 0) return out;
    constexpr double twoPi = 6.283185307179586476925;
    constexpr double pi = 3.141592653589793238463;
    auto texel = [&src](int x, int y) { return reinterpret_cast<const QRgb*>(src.constScanLine(y))[x]; };
    for (int j = 0; j < size; ++j) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(j));
        const double t = (2.0 * j + 1.0) / size - 1.0;
        for (int i = 0; i < size; ++i) {
            const double s = (2.0 * i + 1.0) / size - 1.0;
            double P = 0, Q = 0, E = 0;
            switch (face) {
            case 0:
                P = -s;
                Q = -1;
                E = t;
                break;
            case 1:
                P = s;
                Q = 1;
                E = t;
                break;
            case 2:
                P = t;
                Q = -s;
                E = -1;
                break;
            case 3:
                P = -t;
                Q = -s;
                E = 1;
                break;
            case 4:
                P = 1;
                Q = -s;
                E = t;
                break;
            default:
                P = -1;
                Q = s;
                E = t;
                break;
            }
            const double longitude = std::atan2(P, Q);
            const double latitude = std::atan2(E, std::sqrt(P * P + Q * Q));
            const double u = W * (0.25 - longitude / twoPi);
            const double v = H * (0.5 - latitude / pi);
            const double fu = u - std::floor(u), fv = v - std::floor(v);
            const int x0 = ((int(std::floor(u)) % W) + W) % W;
            const int x1 = (x0 + 1) % W;
            // Rows stop at the poles: wrapping would blend the zenith with the nadir.
            const int y0 = std::clamp(int(std::floor(v)), 0, H - 1);
            const int y1 = std::min(y0 + 1, H - 1);
            const QRgb c00 = texel(x0, y0), c10 = texel(x1, y0), c01 = texel(x0, y1), c11 = texel(x1, y1);
            auto channel = [&](int shift) {
                auto c = [shift](QRgb p) { return double((p >> shift) & 0xFF); };
                const double top = c(c00) + (c(c10) - c(c00)) * fu;
                const double bottom = c(c01) + (c(c11) - c(c01)) * fu;
                return std::uint32_t(top + (bottom - top) * fv) & 0xFF;
            };
            row[i] = (channel(24) << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
        }
    }
    return out;
}

TextureCube::TextureCube(int size, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                         std::uint32_t wrap, std::uint32_t filter)
    : Texture(internalFormat, format, type, wrap, filter) {
    this->size = {size, size};
}

TextureCube::TextureCube(const std::string& file, int size, bool usePath) {
    this->size = {size, size};
    load(resolveTexturePath(file, usePath, environmentFolder));
}

void TextureCube::resize(int newSize) { describeSize({newSize, newSize}); }

bool TextureCube::compile() {
    return compileAs(GL_TEXTURE_CUBE_MAP, "TextureCube", Renewal::KeptName, [this] {
        const int edge = width();
        std::vector<std::uint8_t> staged; // a PNG's rows, which source views
        QImage source;
        if (pixels.empty() && !name.empty()) {
            // the header first: a small file must not make the decoder allocate gigabytes
            if (imageFileRefusal(name, false).empty()) source = readStillImage(name, staged);
            // The resampled faces are 8-bit RGB or RGBA; other formats would be read
            // past the end of the face image.
            const std::uint32_t texelBytes = bytesPerTexel(format, type);
            if (source.isNull() || type != GL_UNSIGNED_BYTE || (texelBytes != 3 && texelBytes != 4)) return false;
        }
        padStagedPixels(6 * alignedImageBytes(edge, edge, format, type));
        for (int k = 0; k < 6; ++k) {
            const GLenum faceTarget = GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(k);
            if (!pixels.empty()) {
                const std::size_t offset = std::size_t(k) * pixels.size() / 6;
                gl->glTexImage2D(faceTarget, 0, GLint(internalFormat), edge, edge, 0, format, type,
                                 pixels.data() + offset);
            } else if (name.empty()) {
                gl->glTexImage2D(faceTarget, 0, GLint(internalFormat), edge, edge, 0, format, type, nullptr);
            } else {
                const QImage faceImage =
                    resampleEquirectangularFace(source, k, edge)
                        .convertToFormat(format == GL_RGBA ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
                gl->glTexImage2D(faceTarget, 0, GLint(internalFormat), edge, edge, 0, format, type,
                                 faceImage.constBits());
            }
        }
        return true;
    });
}

bool TextureCube::load(const std::string& path) {
    release();
    std::vector<std::uint8_t> staged;
    std::string why = imageFileRefusal(path, false);
    const QImage image = why.empty() ? readStillImage(path, staged, &why) : QImage();
    if (image.isNull()) {
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR TextureCube::load " + path + ": " + why);
        return false;
    }
    name = path;
    const bool alpha = image.hasAlphaChannel();
    internalFormat = alpha ? GL_RGBA8 : GL_RGB8;
    format = alpha ? GL_RGBA : GL_RGB;
    type = GL_UNSIGNED_BYTE;
    wrap = GL_CLAMP_TO_EDGE;
    filter = GL_LINEAR;
    compiled = false;
    return true;
}

bool TextureCube::readPixels(std::vector<std::uint8_t>& out) {
    // Bytes per texel follow the format and type the faces are read back in; a pair
    // we cannot size is refused rather than guessed.
    const std::uint64_t texelBytes = bytesPerTexel(format, type);
    if (texelBytes == 0 || !bind()) return false;
    const std::uint64_t faceBytes = std::uint64_t(width()) * std::uint64_t(width()) * texelBytes;
    out.resize(std::size_t(6 * faceBytes));
    GLint packAlignment = 4;
    gl->glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1); // tightly packed rows, whatever the size
    for (int k = 0; k < 6; ++k)
        gl->glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(k), 0, format, type,
                          out.data() + std::size_t(k) * faceBytes);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    unbind();
    return true;
}

} // namespace kal
