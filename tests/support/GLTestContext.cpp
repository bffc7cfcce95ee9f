#include "GLTestContext.h"

#include "gpu/GLFunctions.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QSurfaceFormat>
#include <cstdio>

namespace kal::test {

namespace {
QOpenGLContext* context = nullptr;
QOffscreenSurface* surface = nullptr;
} // namespace

bool ensureGLContext() {
    if (context) return context->makeCurrent(surface);
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 0);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(32);
    // the driver reports every invalid call as a debug message (SessionGLTest listens)
    format.setOption(QSurfaceFormat::DebugContext);
    surface = new QOffscreenSurface();
    surface->setFormat(format);
    surface->create();
    context = new QOpenGLContext();
    context->setFormat(format);
    if (!context->create() || !context->makeCurrent(surface)) {
        std::fprintf(stderr, "cannot create an OpenGL 4.0 core context (is this running under Xvfb?)\n");
        return false;
    }
    auto* functions = context->versionFunctions<QOpenGLFunctions_4_0_Core>();
    if (!functions || !functions->initializeOpenGLFunctions()) {
        std::fprintf(stderr, "the context offers no OpenGL 4.0 core function table\n");
        return false;
    }
    kal::setGLFunctions(functions);
    return true;
}

QOpenGLContext* glContext() { return context; }
QOffscreenSurface* glSurface() { return surface; }

} // namespace kal::test
