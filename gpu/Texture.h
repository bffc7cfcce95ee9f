#pragma once
// The CPU-side description of one GL texture and the bind/unbind discipline shared by
// every texture kind. Nothing touches the GPU until the first bind, which compiles:
// creates the GL texture, uploads the staged pixels and marks the texture compiled.
// A changed description (setData, resize, load) clears `compiled`, so the next bind
// uploads again.
#include "gpu/GLAtom.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kal {

class ByteBuffer;

// The GL enumerants the texture descriptions use, so callers need no GL header.
namespace glenum {
constexpr std::uint32_t UnsignedByte = 0x1401;
constexpr std::uint32_t Float = 0x1406;
constexpr std::uint32_t Red = 0x1903;
constexpr std::uint32_t Rgb = 0x1907;
constexpr std::uint32_t Rgba = 0x1908;
constexpr std::uint32_t Rgb8 = 0x8051;
constexpr std::uint32_t Rgba8 = 0x8058;
constexpr std::uint32_t Rgb32F = 0x8815;
constexpr std::uint32_t Rgba32F = 0x8814;
constexpr std::uint32_t Linear = 0x2601;
constexpr std::uint32_t Nearest = 0x2600;
constexpr std::uint32_t LinearMipmapLinear = 0x2703;
constexpr std::uint32_t Repeat = 0x2901;
constexpr std::uint32_t ClampToEdge = 0x812F;
constexpr std::uint32_t Texture2D = 0x0DE1;
constexpr std::uint32_t Texture3D = 0x806F;
constexpr std::uint32_t TextureCubeMap = 0x8513;
constexpr std::uint32_t Texture2DArray = 0x8C1A;
constexpr std::uint32_t TextureCubeMapArray = 0x9009;
} // namespace glenum

// Bytes of one texel handed to or read from GL in this pixel format and component
// type; 0 for combinations the textures do not stage.
std::uint32_t bytesPerTexel(std::uint32_t format, std::uint32_t type);

// Bytes of a width x height image in that format with rows padded to 4 bytes, GL's
// default (un)pack alignment and the row layout of QImage.
std::uint64_t alignedImageBytes(int width, int height, std::uint32_t format, std::uint32_t type);

// A relative file name gets the folder in front; resource paths (':') and absolute
// choices made by the caller (usePath false) stay unchanged.
std::string resolveTexturePath(const std::string& file, bool usePath, const std::string& folder);

// The data folders textures are read from by relative name.
extern const std::string textureFolder;     // "../Textures/"
extern const std::string environmentFolder; // "../Textures/Environments/"

// Binds a texture on the active unit for the length of a scope and then puts back
// whatever was bound to that target there before, so compiling one texture never
// knocks another texture off its unit.
class TextureBindingScope {
public:
    TextureBindingScope(std::uint32_t target, std::uint32_t texture);
    ~TextureBindingScope();
    TextureBindingScope(const TextureBindingScope&) = delete;
    TextureBindingScope& operator=(const TextureBindingScope&) = delete;

private:
    std::uint32_t target_;
    std::uint32_t previous_ = 0;
};

class Texture : public GLAtom {
public:
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    ~Texture() override;

    // Compiles on demand, then takes the next texture unit (once: a second bind of a
    // bound texture keeps its unit). Answers false when the texture cannot be built.
    bool bind() override;
    // Gives the texture's own unit back; does nothing when it is not bound.
    void unbind() override;

    // Stages bytes for the next upload.
    virtual void setData(const void* data, std::uint32_t bytes);
    virtual bool compile() = 0;
    // Frees the GL texture and the staged bytes; the description stays.
    virtual void release();
    // Binds and answers the unit for a sampler uniform, -1 when the bind fails.
    virtual int unit();
    // Compiles and answers the GL name, 0 when the compile fails.
    virtual std::uint32_t glId();
    virtual bool load(const std::string& path);
    // Appends the name record of textures made from files; the base writes nothing.
    virtual void write(ByteBuffer& out);
    virtual bool readPixels(std::vector<std::uint8_t>& out);
    // Appends the name record of a file under the given tag.
    static void writeNameRecord(ByteBuffer& out, std::uint32_t tag, const std::string& name);
    // Reads the body of a name record (tag and length already read); false when it is damaged.
    // The element that names the file loads it (a shared image).
    static bool readNameRecord(ByteBuffer& in, std::string& name);
    virtual int width() const;
    virtual int height() const;
    virtual int depth() const;

    // floor(log2(max(width, height))) + 1; 0 for a texture without texels.
    int mipLevelCount() const;

    bool failed = false;
    std::string name;
    bool compiled = false;
    // The last compile failed and was said; counted in undrawnThisFrame at every failed compile.
    bool uploadFailed = false;
    bool bound = false;
    std::uint32_t id = 0;
    int unitIndex = -1; // the unit taken by the last bind
    std::uint32_t internalFormat = glenum::Rgb8;
    std::uint32_t format = glenum::Rgb;
    std::uint32_t type = glenum::UnsignedByte;
    std::uint32_t wrap = glenum::ClampToEdge;
    std::uint32_t filter = glenum::Linear;
    int attachment = -1;
    std::uint32_t target = 0;
    std::vector<std::uint8_t> pixels;
    std::uint32_t filled = 0;
    std::vector<int> size;

protected:
    Texture() = default;
    Texture(std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type, std::uint32_t wrap,
            std::uint32_t filter);

    // Deletes the GL texture when there is one and forgets its name.
    void deleteGLTexture();
    // Makes sure `pixels` holds at least `bytes` so an upload never reads past it.
    void padStagedPixels(std::uint64_t bytes);
    // Takes a new size; a different one clears `compiled`.
    void describeSize(std::vector<int> newSize);

    // How a kind's compile treats its GL name and its staged bytes.
    enum class Renewal {
        FreshName, // a new GL name at every compile; the staged bytes go once uploaded
        KeptName,  // the name made once is reused; the staged bytes stay
    };
    // The compile every kind shares: makes the GL name, binds it to glTarget while `upload`
    // sends the texels (false when it could not), sets filter and wrap, and marks the texture
    // compiled when GL raised no error. `kind` names the class in the log.
    bool compileAs(std::uint32_t glTarget, const char* kind, Renewal renewal, const std::function<bool()>& upload);
};

} // namespace kal
