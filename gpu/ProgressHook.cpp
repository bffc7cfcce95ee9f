#include "gpu/ProgressHook.h"

#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QProgressBar>

namespace kal {

QProgressBar* theProgressBar = nullptr;
QOpenGLWidget* theGLWidget = nullptr;

ProgressScope::ProgressScope() : bar_(theProgressBar) {
    context_ = QOpenGLContext::currentContext();
    surface_ = context_ ? context_->surface() : nullptr;
}

ProgressScope::~ProgressScope() {
    if (!bar_ || !context_ || QOpenGLContext::currentContext() == context_) return;
    // the widget's own make-current also binds its framebuffer
    if (theGLWidget && theGLWidget->context() == context_)
        theGLWidget->makeCurrent();
    else if (surface_)
        context_->makeCurrent(surface_);
}

void beginProgress(const char* format, int maximum) {
    ProgressScope scope;
    if (!scope.bar()) return;
    scope.bar()->setFormat(QString::fromUtf8(format));
    scope.bar()->setRange(0, maximum);
    scope.bar()->setValue(0);
    scope.bar()->show();
}

void setProgress(int value) {
    ProgressScope scope;
    if (!scope.bar()) return;
    scope.bar()->setValue(value);
    // Paint now: the event loop does not run until the build is over.
    scope.bar()->repaint();
    if (scope.bar()->maximum() == value) scope.bar()->hide();
}

} // namespace kal
