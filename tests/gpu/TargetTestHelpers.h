#pragma once
// Small helpers shared by the render-target, filter and environment GL tests: reading
// pixels back from the bound framebuffer and building throw-away programs.
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"

#include <QOpenGLFunctions_4_0_Core>

#include <memory>
#include <string>
#include <vector>

namespace kal::test {

// Pixels of one attachment of the bound read framebuffer, tightly packed.
template <typename T>
std::vector<T> readAttachment(GLenum attachment, int w, int h, GLenum format, GLenum type, int channels) {
    std::vector<T> out(std::size_t(w) * std::size_t(h) * std::size_t(channels));
    gl->glReadBuffer(attachment);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, w, h, format, type, out.data());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
}

inline std::vector<float> readDepth(int w, int h) {
    std::vector<float> out(std::size_t(w) * std::size_t(h));
    gl->glReadPixels(0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, out.data());
    return out;
}

inline std::vector<unsigned char> readStencil(int w, int h) {
    std::vector<unsigned char> out(std::size_t(w) * std::size_t(h));
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, out.data());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
}

// A unit-quad program (attribute 0 "Position", "ProjectionModelViewMatrix") with the
// given fragment stage lines after "#version 330 core".
inline std::unique_ptr<Shader> quadProgram(const std::vector<std::string>& fragment) {
    std::vector<std::string> lines = {
        "##VERTEX",
        "#version 330 core",
        "layout(location = 0) in vec3 Position;",
        "uniform mat4 ProjectionModelViewMatrix;",
        "smooth out vec2 uv;",
        "void main() { uv = Position.xy; gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix; }",
        "##FRAGMENT",
        "#version 330 core",
        "smooth in vec2 uv;",
    };
    lines.insert(lines.end(), fragment.begin(), fragment.end());
    return std::unique_ptr<Shader>(Shader::fromLines(lines));
}

} // namespace kal::test
