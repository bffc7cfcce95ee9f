#include "gpu/GLFunctions.h"

#include <QOpenGLContext>

namespace kal {

QOpenGLFunctions_4_0_Core* gl = nullptr;

void setGLFunctions(QOpenGLFunctions_4_0_Core* functions) { gl = functions; }

bool glReady() { return gl && QOpenGLContext::currentContext(); }

const char* glErrorName(unsigned error) {
    switch (error) {
    case GL_NO_ERROR: return "GL_NO_ERROR";
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "an unknown GL error";
    }
}

} // namespace kal
