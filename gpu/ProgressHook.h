#pragma once
// Hooks through which GPU work that runs for a long time reaches the window around it.
// The main window and the GL widget fill them in; both stay null in tests and before
// the window exists, and every user must cope with that.
class QOpenGLContext;
class QProgressBar;
class QOpenGLWidget;
class QSurface;

namespace kal {

// The main window's status-bar progress bar, created hidden; null until then.
extern QProgressBar* theProgressBar;
// The application's one GL widget, stored by its initializeGL before any GL work.
extern QOpenGLWidget* theGLWidget;

// Runs a progress-bar update and puts back the GL context that was current before it: painting
// the bar composes the window in the window's own context. Does nothing without a progress bar.
class ProgressScope {
public:
    ProgressScope();
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    QProgressBar* bar() const { return bar_; }

private:
    QProgressBar* bar_;
    QOpenGLContext* context_ = nullptr;
    QSurface* surface_ = nullptr;
};

// The whole sequence a long build shows: the text and range, then value by value; the
// bar hides itself when it reaches its maximum.
void beginProgress(const char* format, int maximum);
void setProgress(int value);

} // namespace kal
