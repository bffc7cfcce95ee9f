#pragma once
// Everything that owns OpenGL state (textures, render targets, shader programs)
// shares this interface. GL objects are created lazily on the first bind, so an
// atom may exist long before any context does.

namespace kal {

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
