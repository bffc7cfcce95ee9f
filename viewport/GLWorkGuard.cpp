#include "viewport/GLWorkGuard.h"

#include <QOpenGLContext>

#include "gpu/ProgressHook.h"
#include "viewport/GLWidget.h"

namespace kal {

GLWorkGuard::GLWorkGuard() : GLWorkGuard(qobject_cast<GLWidget*>(theGLWidget)) {}

GLWorkGuard::GLWorkGuard(GLWidget* widget) : widget_(widget) {
    if (!widget_) return;
    timerWasRunning_ = widget_->timerId != 0;
    widget_->stopTimer();
    updatesWereEnabled_ = widget_->updatesEnabled();
    widget_->setUpdatesEnabled(false);
    previousContext_ = QOpenGLContext::currentContext();
    previousSurface_ = previousContext_ ? previousContext_->surface() : nullptr;
    if (widget_->isValid() && widget_->context()) {
        widget_->makeCurrent();
        madeCurrent_ = QOpenGLContext::currentContext() == widget_->context();
    }
}

GLWorkGuard::~GLWorkGuard() {
    if (!widget_) return;
    // A modal dialog's event loop paints the window, which leaves the window's own context current:
    // whatever was current before comes back, so a frame goes on in its own context.
    if (previousContext_ == widget_->context()) {
        if (QOpenGLContext::currentContext() != previousContext_) widget_->makeCurrent();
    } else if (previousContext_ && previousSurface_) {
        if (QOpenGLContext::currentContext() != previousContext_) previousContext_->makeCurrent(previousSurface_);
    } else if (madeCurrent_) {
        widget_->doneCurrent();
    }
    widget_->setUpdatesEnabled(updatesWereEnabled_);
    if (timerWasRunning_ && widget_->timerId == 0) widget_->restartTimer();
}

} // namespace kal
