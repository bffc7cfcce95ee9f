#pragma once
// One process-wide OpenGL 4.0 core context for tests that need a real GPU (Mesa's
// llvmpipe under Xvfb). The context stays current on an offscreen surface.
class QOpenGLContext;
class QOffscreenSurface;

namespace kal::test {

// Creates the context on first use, makes it current and publishes kal::gl.
// Answers false (and the caller should fail) when no 4.0 core context can be had.
bool ensureGLContext();

QOpenGLContext* glContext();
QOffscreenSurface* glSurface();

} // namespace kal::test
