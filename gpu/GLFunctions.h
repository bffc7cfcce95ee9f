#pragma once
// The OpenGL 4.0 core function table every piece of GPU code calls through. It is
// published once a context exists (by the GL widget, or by the test fixture).
class QOpenGLFunctions_4_0_Core;

namespace kal {

extern QOpenGLFunctions_4_0_Core* gl;

void setGLFunctions(QOpenGLFunctions_4_0_Core* functions);

// Whether GL may be called: the table is published and a context is current. The one check
// GPU code makes before touching GL.
bool glReady();

// The name of a glGetError code ("GL_OUT_OF_MEMORY"), for the log.
const char* glErrorName(unsigned error);

} // namespace kal
