#include "gpu/Texture.h"

#include "foundation/ByteBuffer.h"
#include "foundation/Log.h"
#include "gpu/GLFunctions.h"
#include "gpu/TextureUnits.h"

#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cmath>

namespace kal {

std::int32_t undrawnThisFrame = 0;

const std::string textureFolder = "../Textures/";
const std::string environmentFolder = textureFolder + "Environments/";

std::uint32_t bytesPerTexel(std::uint32_t format, std::uint32_t type) {
    std::uint32_t components = 0;
    switch (format) {
    case GL_RED:
    case GL_RED_INTEGER:
    case GL_DEPTH_COMPONENT: components = 1; break;
    case GL_RG:
    case GL_RG_INTEGER: components = 2; break;
    case GL_RGB:
    case GL_BGR:
    case GL_RGB_INTEGER: components = 3; break;
    case GL_RGBA:
    case GL_BGRA:
    case GL_RGBA_INTEGER: components = 4; break;
    default: return 0;
    }
    switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE: return components;
    case GL_UNSIGNED_SHORT:
    case GL_SHORT:
    case GL_HALF_FLOAT: return components * 2;
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT: return components * 4;
    default: return 0;
    }
}

std::uint64_t alignedImageBytes(int width, int height, std::uint32_t format, std::uint32_t type) {
    if (width <= 0 || height <= 0) return 0;
    const std::uint64_t row = (std::uint64_t(width) * bytesPerTexel(format, type) + 3) / 4 * 4;
    return row * std::uint64_t(height);
}

std::string resolveTexturePath(const std::string& file, bool usePath, const std::string& folder) {
    if (usePath && (file.empty() || file[0] != ':')) return folder + file;
    return file;
}

namespace {

GLenum bindingQuery(std::uint32_t target) {
    switch (target) {
    case GL_TEXTURE_3D: return GL_TEXTURE_BINDING_3D;
    case GL_TEXTURE_CUBE_MAP: return GL_TEXTURE_BINDING_CUBE_MAP;
    case GL_TEXTURE_2D_ARRAY: return GL_TEXTURE_BINDING_2D_ARRAY;
    case GL_TEXTURE_CUBE_MAP_ARRAY: return GL_TEXTURE_BINDING_CUBE_MAP_ARRAY;
    default: return GL_TEXTURE_BINDING_2D;
    }
}

} // namespace

TextureBindingScope::TextureBindingScope(std::uint32_t target, std::uint32_t texture) : target_(target) {
    GLint previous = 0;
    gl->glGetIntegerv(bindingQuery(target), &previous);
    previous_ = std::uint32_t(previous);
    gl->glBindTexture(target, texture);
}

TextureBindingScope::~TextureBindingScope() { gl->glBindTexture(target_, previous_); }

Texture::Texture(std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type, std::uint32_t wrap,
                 std::uint32_t filter)
    : internalFormat(internalFormat), format(format), type(type), wrap(wrap), filter(filter) {}

Texture::~Texture() {
    unbind();
    // A re-described texture is no longer "compiled" but still owns its old GL name.
    deleteGLTexture();
}

bool Texture::bind() {
    const bool wasCompiled = compiled;
    if (!compile()) return false;
    if (bound) {
        // Re-described while bound: the fresh GL texture takes over the same unit.
        if (!wasCompiled) {
            gl->glActiveTexture(GL_TEXTURE0 + unitIndex);
            gl->glBindTexture(target, id);
        }
        return true;
    }
    unitIndex = takeTextureUnit();
    gl->glActiveTexture(GL_TEXTURE0 + unitIndex);
    gl->glBindTexture(target, id);
    bound = true;
    return true;
}

void Texture::unbind() {
    if (!bound) return;
    if (glReady()) {
        gl->glActiveTexture(GL_TEXTURE0 + unitIndex);
        gl->glBindTexture(target, 0);
    }
    giveBackTextureUnit();
    bound = false;
}

void Texture::setData(const void* data, std::uint32_t bytes) {
    pixels.clear();
    filled = 0;
    if (data && bytes) {
        const auto* begin = static_cast<const std::uint8_t*>(data);
        pixels.assign(begin, begin + bytes);
        filled = bytes;
    }
    compiled = false;
}

void Texture::release() {
    unbind();
    deleteGLTexture();
    compiled = false;
    pixels.clear();
    pixels.shrink_to_fit();
    filled = 0;
}

int Texture::unit() { return bind() ? unitIndex : -1; }

std::uint32_t Texture::glId() { return compile() ? id : 0; }

bool Texture::load(const std::string&) { return true; }

void Texture::write(ByteBuffer&) {}

bool Texture::readPixels(std::vector<std::uint8_t>&) { return true; }

int Texture::width() const { return size.size() > 0 ? size[0] : 0; }

int Texture::height() const { return size.size() > 1 ? size[1] : 0; }

int Texture::depth() const { return size.size() > 2 ? size[2] : 0; }

int Texture::mipLevelCount() const {
    const int largest = std::max(width(), height());
    // log2 of 0 is minus infinity, which does not convert to an int.
    if (largest < 1) return 0;
    return int(std::floor(std::log2(double(largest))) + 1.0);
}

void Texture::deleteGLTexture() {
    if (id != 0 && glReady()) {
        const GLuint name = id;
        gl->glDeleteTextures(1, &name);
    }
    id = 0;
}

void Texture::writeNameRecord(ByteBuffer& out, std::uint32_t tag, const std::string& name) {
    const auto n = std::uint32_t(name.size());
    out.write(tag);
    out.write(std::uint32_t(n + 4));
    out.write(n);
    out.append(name.data(), n);
}

bool Texture::readNameRecord(ByteBuffer& in, std::string& name) {
    // The length comes from the file: readCount refuses one that does not fit.
    const std::uint32_t n = in.readCount(1);
    std::string stored = in.readBytes(n);
    if (in.failed()) return false;
    name = std::move(stored);
    return true;
}

void Texture::padStagedPixels(std::uint64_t bytes) {
    if (!pixels.empty() && pixels.size() < bytes) pixels.resize(std::size_t(bytes), 0);
}

void Texture::describeSize(std::vector<int> newSize) {
    if (size == newSize) return;
    size = std::move(newSize);
    compiled = false;
}

bool Texture::compileAs(std::uint32_t glTarget, const char* kind, Renewal renewal,
                        const std::function<bool()>& upload) {
    if (compiled) return true;
    gl->glGetError();
    target = glTarget;
    // A re-described texture gets a fresh name; the stale one is freed, not leaked.
    if (renewal == Renewal::FreshName) deleteGLTexture();
    if (id == 0) {
        GLuint fresh = 0;
        gl->glGenTextures(1, &fresh);
        id = fresh;
    }
    bool uploaded = false;
    {
        TextureBindingScope scope(target, id);
        uploaded = upload();
        gl->glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GLint(filter));
        gl->glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GLint(filter));
        gl->glTexParameteri(target, GL_TEXTURE_WRAP_S, GLint(wrap));
        gl->glTexParameteri(target, GL_TEXTURE_WRAP_T, GLint(wrap));
        // the third coordinate is sampled only in volumes and cube maps
        if (target == GL_TEXTURE_3D || target == GL_TEXTURE_CUBE_MAP)
            gl->glTexParameteri(target, GL_TEXTURE_WRAP_R, GLint(wrap));
    }
    compiled = gl->glGetError() == GL_NO_ERROR && uploaded;
    if (!compiled) {
        // a failed compile is tried again at every bind, every frame: said once until one succeeds
        if (!uploadFailed)
            qCWarning(logGpu).noquote() << QString::fromStdString(std::string("ERROR ") + kind + "::compile " + name);
        uploadFailed = true;
        ++undrawnThisFrame;
        return false;
    }
    uploadFailed = false;
    if (renewal == Renewal::FreshName) {
        pixels.clear();
        pixels.shrink_to_fit();
        filled = 0;
    }
    return true;
}

} // namespace kal
