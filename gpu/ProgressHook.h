#pragma once
// Hooks through which GPU work that runs for a long time reaches the window around it.
// The main window and the GL widget fill them in; both stay null in tests and before
// the window exists, and every user must cope with that.
class QProgressBar;
class QOpenGLWidget;

namespace kal {

// The main window's status-bar progress bar, created hidden; null until then.
extern QProgressBar* theProgressBar;
// The application's one GL widget, stored by its initializeGL before any GL work.
extern QOpenGLWidget* theGLWidget;

// Runs a progress-bar update with the GL context released, as the widget needs it
// back only when the update is done. Does nothing without a progress bar.
class ProgressScope {
public:
    ProgressScope();
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    QProgressBar* bar() const { return bar_; }

private:
    QProgressBar* bar_;
};

// The whole sequence a long build shows: the text and range, then value by value; the
// bar hides itself when it reaches its maximum.
void beginProgress(const char* format, int maximum);
void setProgress(int value);

} // namespace kal
