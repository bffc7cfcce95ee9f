#pragma once
// Scoped GL work started outside the frame (menu slots, dialogs, popups), and modal questions asked
// from inside it: the widget's tick and repaints pause, its context is made current, and all of it
// is put back on every way out.
// Without an initialised widget nothing happens and hasContext() says so, so callers change
// settings only and leave GPU objects alone.
#include <QPointer>

class GLWidget;
class QOpenGLContext;
class QSurface;

namespace kal {

class GLWorkGuard {
public:
    // The application's widget by default.
    GLWorkGuard();
    explicit GLWorkGuard(GLWidget* widget);
    ~GLWorkGuard();
    GLWorkGuard(const GLWorkGuard&) = delete;
    GLWorkGuard& operator=(const GLWorkGuard&) = delete;

    bool hasContext() const { return madeCurrent_; }

private:
    QPointer<GLWidget> widget_;
    QOpenGLContext* previousContext_ = nullptr;
    QSurface* previousSurface_ = nullptr;
    bool madeCurrent_ = false;
    bool timerWasRunning_ = false;
    bool updatesWereEnabled_ = true;
};

} // namespace kal
