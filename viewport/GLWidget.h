#pragma once
// The one OpenGL viewport of the main window: it owns the view, publishes the GL function table,
// runs the main loop as a 16 ms coarse timer (one view frame per tick), presents the finished
// image, and turns mouse, wheel, tablet and enter/leave events into the raw input records.
#include <functional>

#include <QOpenGLWidget>
#include <QSurfaceFormat>

class QAction;

namespace kal {
class GLView;
class Texture2D;
} // namespace kal

class GLWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit GLWidget(QWidget* parent = nullptr);
    ~GLWidget() override;

    // The context the viewport needs: OpenGL 4.0 core with a 32-bit depth buffer. Set it as the
    // default format before any window exists.
    static QSurfaceFormat requiredFormat();

    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    kal::GLView* view = nullptr;
    kal::Texture2D* newFrame = nullptr;   // image of the last frame that drew, until presented
    kal::Texture2D* shownFrame = nullptr; // image presented last
    float renderScale = 1.0f;             // 2.0 while "Hi-res" is on
    bool busyShown = false;
    int timerId = 0;
    // Run at the end of every tick so the main window can refresh its action states.
    std::function<void()> actionStatesHook;

    void setScale(float scale);
    // The tick pauses while GL work outside the frame runs (GLWorkGuard).
    void stopTimer();
    void restartTimer();
    void setStatusText(QString& text);
    void updateMousePosition();

    // 4.0 or later is what the program needs.
    static bool versionSupported(int major, int minor) { return major > 4 || (major == 4 && minor >= 0); }

signals:
    void setInAction(bool busy);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    // Pen proximity events go to the application, not to a widget: they are caught here.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buttonEvent(QMouseEvent* event);
    // Moves rawMouse to the polled cursor with both buttons released.
    void refreshReleased();
    // The held modifiers and buttons as they really are, after input may have gone elsewhere.
    void followHeldState();
    // A modal dialog opened from a step runs a nested event loop: ticks inside it do nothing.
    bool ticking_ = false;
};
