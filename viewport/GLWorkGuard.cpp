#include "viewport/GLWorkGuard.h"

#include <QOpenGLContext>

#include "viewport/GLWidget.h"

namespace kal {

GLWorkGuard::GLWorkGuard() : GLWorkGuard(::theGLWidget) {}

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
    if (madeCurrent_ && previousContext_ != widget_->context()) {
        // Work inside a tick or another context's scope finds that context current again.
        if (previousContext_ && previousSurface_)
            previousContext_->makeCurrent(previousSurface_);
        else
            widget_->doneCurrent();
    }
    widget_->setUpdatesEnabled(updatesWereEnabled_);
    if (timerWasRunning_ && widget_->timerId == 0) widget_->restartTimer();
}

} // namespace kal
