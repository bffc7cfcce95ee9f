#include "viewport/GLWidget.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QTabletEvent>
#include <QWheelEvent>

#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "viewport/GLDebugOutput.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"
#include "viewport/PlatformKeys.h"

namespace {

QString defaultHelp() { return QStringLiteral("mR (pan)  mR+L (rotate)  mW (zoom)  Ctrl+mR (menu)"); }

QString drawHelp() {
    return QStringLiteral("mR (pan)  mR+L (rotate)  mW (zoom)  Ctrl+mR (menu) |Alt (arc)  Shift (sharp)  Ctrl "
                          "(Bezier) |BkSp (erase last point)  Enter (finish)  Esc (cancel)");
}

[[noreturn]] void quitWithoutGL(const char* why) {
    std::fprintf(stderr, "Kalvimor: %s\n", why);
    std::exit(40);
}

} // namespace

QSurfaceFormat GLWidget::requiredFormat() {
    QSurfaceFormat format;
    format.setDepthBufferSize(32);
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 0);
    format.setProfile(QSurfaceFormat::CoreProfile);
    if (kal::glDebugRequested()) kal::requestGLDebugContext(format);
    return format;
}

GLWidget::GLWidget(QWidget* parent) : QOpenGLWidget(parent, Qt::WindowFlags()) {
    view = new kal::GLView(int(float(width()) * 1.0f), int(float(height()) * 1.0f));
    setAttribute(Qt::WA_MouseTracking);
    setFocusPolicy(Qt::StrongFocus);
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
    kal::installPlatformKeys(QCoreApplication::instance());
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
    QString help = defaultHelp();
    setStatusText(help);
}

GLWidget::~GLWidget() {
    newFrame = nullptr;
    shownFrame = nullptr;
    if (timerId) killTimer(timerId);
    timerId = 0;
    // The view's render targets and textures give their GL names back: do it in our context.
    const bool current = context() != nullptr;
    if (current) makeCurrent();
    delete view;
    view = nullptr;
    if (current) doneCurrent();
    if (kal::theGLWidget == this) kal::theGLWidget = nullptr;
}

void GLWidget::stopTimer() {
    if (timerId) killTimer(timerId);
    timerId = 0;
}

void GLWidget::restartTimer() {
    stopTimer();
    timerId = startTimer(16, Qt::CoarseTimer);
}

void GLWidget::initializeGL() {
    stopTimer();
    const QSurfaceFormat format = context()->format();
    if (!versionSupported(format.majorVersion(), format.minorVersion())) quitWithoutGL("OpenGL 4.0 not supported");
    auto* functions = context()->versionFunctions<QOpenGLFunctions_4_0_Core>();
    if (!functions) quitWithoutGL("OpenGL 4.0 core functions not available");
    functions->initializeOpenGLFunctions();
    kal::setGLFunctions(functions);
    if (kal::glDebugRequested()) kal::startGLDebugOutput(this);
    kal::theGLWidget = this;
    restartTimer();
}

void GLWidget::timerEvent(QTimerEvent*) {
    if (ticking_) return;
    struct TickScope {
        bool& flag;
        explicit TickScope(bool& f) : flag(f) { flag = true; }
        ~TickScope() { flag = false; }
    } scope(ticking_);
    const bool busy = view->busy != 0;
    if (busy != busyShown) {
        busyShown = busy;
        emit setInAction(busy);
    }
    updateMousePosition();
    makeCurrent();
    newFrame = view->update();
    doneCurrent();
    if (newFrame) QWidget::update();
    if (undoAction) undoAction->setEnabled(view->undoStack.canUndo());
    if (redoAction) redoAction->setEnabled(view->undoStack.canRedo());
    if (actionStatesHook) actionStatesHook();
}

void GLWidget::updateMousePosition() {
    const QPoint p = mapFromGlobal(QCursor::pos());
    kal::rawMouse.x = float(p.x()) * renderScale;
    kal::rawMouse.y = float(p.y()) * renderScale;
}

static void recordButtons(float x, float y, bool left, bool right) {
    kal::MouseState& m = kal::rawMouse;
    m.prevX = m.x;
    m.prevY = m.y;
    m.x = x;
    m.y = y;
    m.prevLeft = m.left;
    m.left = left ? 1 : 0;
    m.prevRight = m.right;
    m.right = right ? 1 : 0;
    const bool pressed = (m.left && !m.prevLeft) || (m.right && !m.prevRight);
    const bool released = (!m.left && m.prevLeft) || (!m.right && m.prevRight);
    if (pressed) {
        m.pressX = x;
        m.pressY = y;
    }
    if (released) {
        m.releaseX = x;
        m.releaseY = y;
    }
    m.releaseUnseen = released || (m.releaseUnseen && !pressed) ? 1 : 0;
    if (m.left && !m.prevLeft) m.leftPressUnseen = 1;
    if (m.right && !m.prevRight) m.rightPressUnseen = 1;
    m.dx = m.x - m.prevX;
    m.dy = m.y - m.prevY;
}

void GLWidget::buttonEvent(QMouseEvent* event) {
    const QPointF p = event->localPos();
    const int buttons = int(event->buttons());
    recordButtons(float(std::lround(p.x())) * renderScale, float(std::lround(p.y())) * renderScale, (buttons & 1) != 0,
                  ((buttons >> 1) & 1) != 0);
}

void GLWidget::mousePressEvent(QMouseEvent* event) { buttonEvent(event); }
void GLWidget::mouseReleaseEvent(QMouseEvent* event) { buttonEvent(event); }

void GLWidget::refreshReleased() {
    const QPoint p = mapFromGlobal(QCursor::pos());
    recordButtons(float(p.x()) * renderScale, float(p.y()) * renderScale, false, false);
    // entering or leaving ends every click, seen or not
    kal::rawMouse.leftPressUnseen = kal::rawMouse.rightPressUnseen = kal::rawMouse.releaseUnseen = 0;
}

void GLWidget::wheelEvent(QWheelEvent* event) {
    float d = float(event->angleDelta().y());
    if (view->penState == 2) d = -d;
    kal::rawMouse.wheel = d;
}

void GLWidget::enterEvent(QEvent*) {
    view->restoreInputState();
    refreshReleased();
}

void GLWidget::leaveEvent(QEvent*) {
    view->clearInputState();
    refreshReleased();
}

void GLWidget::tabletEvent(QTabletEvent* event) {
    event->accept();
    kal::GLView& v = *view;
    switch (event->type()) {
    case QEvent::TabletMove:
        if (v.pressureSizing) v.pressure = float(event->pressure());
        break;
    case QEvent::TabletPress:
        v.penState = 2;
        if (v.pressureSizing) v.pressure = float(event->pressure());
        break;
    case QEvent::TabletRelease:
    case QEvent::TabletEnterProximity:
        v.penState = 1;
        if (v.pressureSizing) v.pressure = 0.0f;
        break;
    case QEvent::TabletLeaveProximity:
        v.penState = 0;
        if (v.pressureSizing) v.pressure = 1.0f;
        break;
    default: break;
    }
}

namespace {

// Input anywhere in the program (menus, tool bars, dialogs) may change what the view shows; the
// frame draws only on a request, so such input asks for one.
bool mayChangeTheImage(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    case QEvent::MouseMove: return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton; // a dragged slider
    default: return false;
    }
}

// Where input may have gone elsewhere: the view gains focus or its window is activated again, or a
// modal dialog or a menu closes.
bool endsInputElsewhere(const QWidget* view, QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusIn: return watched == view;
    case QEvent::WindowActivate: return watched == view->window();
    case QEvent::Hide: {
        if (!watched->isWidgetType()) return false;
        const auto* w = static_cast<const QWidget*>(watched);
        return w->isWindow() && (w->isModal() || w->windowType() == Qt::Popup);
    }
    default: return false;
    }
}

} // namespace

void GLWidget::followHeldState() {
    kal::followModifiers(QGuiApplication::queryKeyboardModifiers());
    // a release that went to a dialog or a menu never reached the view; a press it missed is not
    // made up, so no stroke starts in mid-drag
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    const kal::MouseState& m = kal::rawMouse;
    const bool left = m.left && (held & Qt::LeftButton), right = m.right && (held & Qt::RightButton);
    if (left != bool(m.left) || right != bool(m.right)) recordButtons(m.x, m.y, left, right);
}

bool GLWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::TabletEnterProximity || event->type() == QEvent::TabletLeaveProximity)
        tabletEvent(static_cast<QTabletEvent*>(event));
    if (endsInputElsewhere(this, watched, event)) followHeldState();
    if (view && mayChangeTheImage(event)) view->redraw = true;
    return QOpenGLWidget::eventFilter(watched, event);
}

void GLWidget::resizeGL(int w, int h) {
    stopTimer();
    view->hiRes = renderScale != 1.0f;
    refreshReleased();
    makeCurrent();
    view->resize(int(float(w) * renderScale), int(float(h) * renderScale));
    newFrame = view->update();
    restartTimer();
}

void GLWidget::paintGL() {
    stopTimer();
    const kal::wvec4 bg = view->backgroundColor;
    kal::gl->glClearColor(float(bg.r / 65535.0), float(bg.g / 65535.0), float(bg.b / 65535.0), 1.0f);
    kal::gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    kal::Texture2D* image = newFrame ? newFrame : shownFrame;
    if (image) {
        newFrame = nullptr;
        kal::filterMirrorVertical(image, nullptr);
        kal::Shader::unbindCurrent();
        shownFrame = image;
    }
    QString help = view->assemblyCommand() == kal::Command::Draw ? drawHelp() : defaultHelp();
    setStatusText(help);
    restartTimer();
}

void GLWidget::setStatusText(QString& text) {
    const QString tabs = QStringLiteral("\t \t \t \t");
    if (text.contains(QLatin1Char('|'))) text.replace(QLatin1Char('|'), tabs + QStringLiteral(" | ") + tabs);
    if (text.contains(QStringLiteral("  "))) text.replace(QStringLiteral("  "), QStringLiteral(" \t \t "));
    setStatusTip(text);
}

void GLWidget::setScale(float scale) {
    if (!(scale > 0.0f)) return;
    const float ratio = scale / renderScale;
    renderScale = scale;
    view->brushSize *= ratio;
    view->camera.translation = view->camera.translation * ratio;
    view->nearDistance *= ratio;
    view->farDistance *= ratio;
    makeCurrent();
    resizeGL(width(), height());
    doneCurrent();
}
