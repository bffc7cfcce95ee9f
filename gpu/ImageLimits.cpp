#include "gpu/ImageLimits.h"

#include "gpu/GLFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QOpenGLFunctions_4_0_Core>

namespace kal {

TextureSizeLimits textureSizeLimits() {
    TextureSizeLimits limits;
    if (!glReady()) return limits;
    GLint side = 0, side3D = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    gl->glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &side3D);
    if (side > 0) limits.side2D = side;
    if (side3D > 0) limits.side3D = side3D;
    return limits;
}

namespace {

// Qt answers the first frame's size for a GIF, but decodes every frame onto the logical screen
// the header declares.
QSize gifScreenSize(const QString& file, const QByteArray& format) {
    if (format != "gif") return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = f.read(10);
    if (head.size() < 10) return {};
    const auto byte = [&head](int i) { return int(std::uint8_t(head[i])); };
    return {byte(6) | byte(7) << 8, byte(8) | byte(9) << 8};
}

} // namespace

std::string imageFileRefusal(const std::string& path, bool frames, std::uint64_t* decodedBytes) {
    const QString file = QString::fromStdString(path);
    // isFile follows links: a link to a picture is fine, one to a FIFO is not
    const QFileInfo info(file);
    if (info.exists() && !info.isFile()) return "not a regular file";
    // a file that is not there, or not ours to read, is refused as the file system says
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly)) return probe.errorString().toStdString();
    probe.close();
    QImageReader reader(file);
    const QSize size = reader.size().expandedTo(gifScreenSize(file, reader.format()));
    if (!size.isValid() || size.isEmpty()) return "no image size in the header";
    const TextureSizeLimits limits = textureSizeLimits();
    const int side = frames ? limits.side3D : limits.side2D;
    if (size.width() > side || size.height() > side) return "image larger than a texture";
    std::uint64_t count = 1;
    if (frames) {
        const int n = reader.imageCount();
        // a reader that cannot count still yields its first frame
        count = n > 0 ? std::uint64_t(n) : 1;
        if (count > std::uint64_t(limits.side3D)) return "more frames than a texture holds";
    }
    const std::uint64_t bytes = std::uint64_t(size.width()) * std::uint64_t(size.height()) * 4 * count;
    if (bytes > maxDecodedImageBytes) return "image too large to decode";
    if (decodedBytes) *decodedBytes = bytes;
    return {};
}

} // namespace kal
