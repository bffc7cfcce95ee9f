#pragma once
// One application and one current OpenGL 4.0 core context for a whole benchmark run,
// on the xcb platform (Xvfb when there is no display).
#include "gpu/GLFunctions.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QSurfaceFormat>

namespace kal::bench {

inline bool ensureGLContext() {
    static int argc = 1;
    static char name[] = "kalvimor_bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down after the benchmark library's exit would race
    // the leaked context.
    static QApplication* application = nullptr;
    static QOffscreenSurface* surface = nullptr;
    static QOpenGLContext* context = nullptr;
    if (context) return context->makeCurrent(surface);
    qputenv("QT_QPA_PLATFORM", "xcb");
    application = new QApplication(argc, argv);
    QSurfaceFormat format;
    format.setVersion(4, 0);
    format.setProfile(QSurfaceFormat::CoreProfile);
    surface = new QOffscreenSurface();
    surface->setFormat(format);
    surface->create();
    context = new QOpenGLContext();
    context->setFormat(format);
    if (!context->create() || !context->makeCurrent(surface)) return false;
    auto* functions = context->versionFunctions<QOpenGLFunctions_4_0_Core>();
    if (!functions || !functions->initializeOpenGLFunctions()) return false;
    kal::setGLFunctions(functions);
    return true;
}

} // namespace kal::bench
