#pragma once
// Off-screen render targets: a framebuffer with an optional depth (kind 1) or
// depth-stencil (kind 2) texture and any number of colour textures. GL objects are
// built lazily on the first bind and rebuilt after a resize or release.
//
// Two targets may share one depth texture (the scene's opaque and transparent layers);
// their `layer` bits tell their stencil marks apart. The shared texture lives as long
// as either target does, whichever is destroyed first.
#include "gpu/GLAtom.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kal {

class Texture2D;

class FBO : public GLAtom {
public:
    FBO(int kind, int width, int height, std::uint8_t layer);
    // Shares the other's depth texture (kinds 1 and 2); no colour attachments.
    FBO(const FBO& other, std::uint8_t layer);
    ~FBO() override;
    FBO(const FBO&) = delete;
    FBO& operator=(const FBO&) = delete;

    // Compiles when needed and binds the framebuffer; sets neither viewport nor draw
    // buffers. False (and nothing bound) when the target cannot be built.
    bool bind() override;
    // Binds the default framebuffer when compiled.
    void unbind() override;
    // Free when the size is unchanged; otherwise releases and resizes every texture, so
    // the next bind rebuilds. Targets sharing a depth texture are resized together.
    virtual void resize(int w, int h);

    // Takes ownership of the texture and appends it as the next colour attachment.
    Texture2D* addAttachment(Texture2D* texture);
    bool compile();
    // Frees the framebuffer and the GL textures of every attachment; descriptions stay.
    void release();
    void releaseIfCompiled();

    // Full-screen passes inside this (bound) target. Output and scratch must be colour
    // attachments of it; the scratch gets a copy of the output, which the pass reads
    // while writing the output. With `stencil` only pixels carrying this target's
    // layer bit are written. False when a texture is not attached or the shader
    // cannot be bound.
    //
    // Orthographic normals from depth: one pixel is one view unit across, a depth
    // step of 1 / scale one view unit deep.
    bool normalsOrthogonal(Texture2D* normals, Texture2D* scratch, Texture2D* depth, float scale, bool stencil);
    // Perspective normals from depth: eye distance = b / (a - (2 depth - 1)), the
    // constants of the projection, (far + near) / (far - near) and
    // 2 near far / (far - near); the slant assumes a pixel spans 2 w / width at
    // eye distance w.
    bool normalsPerspective(Texture2D* normals, Texture2D* scratch, Texture2D* depth, float a, float b, bool stencil);
    // Depth fog over `range` starting at centre - range / 2, in the fog colour.
    bool fogOrthogonal(Texture2D* color, Texture2D* scratch, Texture2D* depth, const std::uint8_t rgba[4], float centre,
                       float range, bool stencil);
    // The same from near to far.
    bool fogOrthogonalSpan(Texture2D* color, Texture2D* scratch, Texture2D* depth, const std::uint8_t rgba[4],
                           float near, float far, bool stencil);

    std::uint8_t layer = 1;
    int width = 0;
    int height = 0;
    bool compiled = false;
    unsigned framebuffer = 0;
    // Kinds 1 and 2: the depth texture first, then the colour attachments in order.
    std::vector<Texture2D*> textures;
    int kind = 0;

protected:
    // The first entry of `textures` for kinds 1 and 2, owned jointly by every target
    // that shares it.
    std::shared_ptr<Texture2D> depthShare;

private:
    // Deletes the framebuffer name, if any.
    void deleteFramebuffer();
    // True when an attachment was rebuilt (by a shared partner) since our compile.
    bool attachmentsStale() const;
    // The GL names the framebuffer was built with, in `textures` order.
    std::vector<unsigned> attachedNames;
};

// A colour-only target wrapping one loaded image, used as the background picture.
class FBOTexture : public FBO {
public:
    // Takes ownership of the image; the caller compiles at once and keeps the target
    // only when that succeeds.
    explicit FBOTexture(Texture2D* image);
    ~FBOTexture() override;
};

} // namespace kal
