#pragma once
// Everything that owns OpenGL state (textures, render targets, shader programs)
// shares this interface. GL objects are created lazily on the first bind, so an
// atom may exist long before any context does.
#include <cstdint>

namespace kal {

// Draws of the frame being rendered that showed nothing because an upload failed (a mesh's arrays,
// a texture's texels); the view zeroes it when a frame starts, and its status says an object
// could not be drawn while it is not zero.
extern std::int32_t undrawnThisFrame;

class GLAtom {
public:
    // Makes the object current; answers false when its GL state cannot be built.
    virtual bool bind() = 0;
    virtual void unbind() = 0;
    virtual ~GLAtom() = default;

protected:
    GLAtom() = default;
    GLAtom(const GLAtom&) = default;
    GLAtom& operator=(const GLAtom&) = default;
};

} // namespace kal
