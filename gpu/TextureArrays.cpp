#include "gpu/TextureArrays.h"

#include "foundation/Log.h"
#include "foundation/WholeFile.h"
#include "gpu/GLFunctions.h"
#include "gpu/StillImage.h"
#include "gpu/TextureCube.h"

#include <QByteArray>
#include <QImage>
#include <QOpenGLFunctions_4_0_Core>

namespace kal {

Texture2DArray::Texture2DArray(int size, int layers, std::uint32_t internalFormat, std::uint32_t format,
                               std::uint32_t type, std::uint32_t wrap, std::uint32_t filter)
    : Texture(internalFormat, format, type, wrap, filter) {
    this->size = {size, size, layers};
}

void Texture2DArray::resize(int w, int h, int layers) { describeSize({w, h, layers}); }

bool Texture2DArray::loadFile(const std::string& file, bool usePath) {
    const std::string path = resolveTexturePath(file, usePath, textureFolder);
    std::vector<std::uint8_t> staged;
    std::string why;
    if (readStillImage(path, staged, &why).isNull()) {
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Texture2DArray::loadFile " + path + ": " + why);
        return false;
    }
    files.push_back(path);
    resize(width(), height(), int(files.size()));
    return true;
}

bool Texture2DArray::loadFiles(const std::string& listFile, bool usePath) {
    const std::string path = resolveTexturePath(listFile, usePath, textureFolder);
    std::vector<char> bytes;
    if (!readWholeFile(path, bytes).empty()) {
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Texture2DArray::loadFiles " + path);
        return false;
    }
    QByteArray text(bytes.data(), int(bytes.size()));
    const int zero = text.indexOf('\0');
    if (zero >= 0) text.truncate(zero);
    text.replace('\r', '\n');
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        // A layer that fails is skipped; loadFile has reported it.
        loadFile(textureFolder + line.toStdString(), false);
    }
    return true;
}

bool Texture2DArray::compile() {
    return compileAs(GL_TEXTURE_2D_ARRAY, "Texture2DArray", Renewal::KeptName, [this] {
        const int w = width(), h = height(), layers = depth();
        gl->glTexImage3D(target, 0, GLint(internalFormat), w, h, layers, 0, format, type, nullptr);
        // Layers are 8-bit images; another staging format would be read past their end.
        const bool byteImages = type == GL_UNSIGNED_BYTE && (format == GL_RGB || format == GL_RGBA);
        const auto layout = format == GL_RGBA ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
        for (std::size_t layer = 0; layer < files.size(); ++layer) {
            const std::string& file = files[layer];
            std::vector<std::uint8_t> staged;
            const QImage image = readStillImage(file, staged);
            if (image.isNull() || !byteImages || int(layer) >= layers) {
                qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Texture2DArray::compile " + file);
                continue;
            }
            const QImage scaled = image.convertToFormat(QImage::Format_RGB888)
                                      .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(layout);
            if (scaled.isNull()) continue;
            gl->glTexSubImage3D(target, 0, 0, 0, GLint(layer), w, h, 1, format, type, scaled.constBits());
        }
        return true;
    });
}

TextureCubeArray::TextureCubeArray(int size, int cubes, std::uint32_t internalFormat, std::uint32_t format,
                                   std::uint32_t type, std::uint32_t wrap, std::uint32_t filter)
    : Texture(internalFormat, format, type, wrap, filter) {
    this->size = {size, size, cubes};
}

void TextureCubeArray::resize(int newSize, int cubes) { describeSize({newSize, newSize, cubes}); }

bool TextureCubeArray::compile() {
    return compileAs(GL_TEXTURE_CUBE_MAP_ARRAY, "TextureCubeArray", Renewal::KeptName, [this] {
        gl->glTexImage3D(target, 0, GLint(internalFormat), width(), width(), 6 * depth(), 0, format, type, nullptr);
        return true;
    });
}

bool TextureCubeArray::setLayer(int n, const std::vector<std::uint8_t>& faces) {
    if (!compile()) return false;
    // Faces come tightly packed, as readPixels delivers them.
    const std::uint64_t faceBytes = std::uint64_t(width()) * std::uint64_t(width()) * bytesPerTexel(format, type);
    if (n < 0 || n >= depth() || faceBytes == 0 || faces.size() < 6 * faceBytes) return false;
    TextureBindingScope scope(target, id);
    GLint unpackAlignment = 4;
    gl->glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glTexSubImage3D(target, 0, 0, 0, 6 * n, width(), width(), 6, format, type, faces.data());
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    return true;
}

bool TextureCubeArray::copyCube(int n, TextureCube* cube) {
    if (!compile()) return false;
    if (!cube || cube->width() != width() || cube->format != format || cube->type != type) return false;
    std::vector<std::uint8_t> faces;
    if (!cube->readPixels(faces)) return false;
    return setLayer(n, faces);
}

} // namespace kal
