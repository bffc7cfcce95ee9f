#include <algorithm>
#include <QAction>
#include <QOpenGLFunctions_4_0_Core>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTabletEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "ViewFixtures.h"
#include "WidgetFixture.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"
#include "viewport/PlatformKeys.h"

using namespace kal;

namespace {

// One shown widget per test; the shared test context and its function table come back after.
class Widget : public test::WidgetTest {
protected:
    void sendWheel(int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(w->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    // Proximity events go to the application, the others to the widget, as the platform sends them.
    void sendTablet(QEvent::Type type, qreal pressure) {
        const bool down = type == QEvent::TabletPress || type == QEvent::TabletMove;
        QTabletEvent e(type, QPointF(5, 5), QPointF(5, 5), QTabletEvent::Stylus, QTabletEvent::Pen, pressure, 0, 0, 0,
                       0, 0, Qt::NoModifier, 1, down ? Qt::LeftButton : Qt::NoButton,
                       down ? Qt::LeftButton : Qt::NoButton);
        const bool proximity = type == QEvent::TabletEnterProximity || type == QEvent::TabletLeaveProximity;
        QApplication::sendEvent(proximity ? static_cast<QObject*>(qApp) : w, &e);
    }
};

} // namespace

TEST_F(Widget, InitialisationPublishesTheFunctionTableAndStartsTheTimer) {
    EXPECT_NE(kal::gl, nullptr);
    EXPECT_NE(kal::gl, savedTable);
    EXPECT_NE(w->timerId, 0);
    ASSERT_NE(w->view, nullptr);
    const QSurfaceFormat f = w->context()->format();
    EXPECT_TRUE(GLWidget::versionSupported(f.majorVersion(), f.minorVersion()));
    EXPECT_FALSE(GLWidget::versionSupported(3, 3));
    EXPECT_TRUE(GLWidget::versionSupported(4, 0));
    // the ticks run the start-up frames (of a view that draws nothing, so no GPU object outlives
    // this widget's context)
    w->makeCurrent();
    delete w->view;
    auto* quiet = new test::RecordingView(320, 240);
    quiet->startupFrame = 1;
    quiet->animate = false;
    quiet->redraw = false; // its stand-in image must never reach a paint
    w->view = quiet;
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->view->startupFrame == 4; }, 20000));
}

TEST_F(Widget, PaintWithoutAnImageClearsToTheBackgroundColour) {
    w->newFrame = nullptr;
    w->shownFrame = nullptr;
    QImage image = w->grabFramebuffer();
    ASSERT_FALSE(image.isNull());
    QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    EXPECT_EQ(c.red(), 0x22);
    EXPECT_EQ(c.green(), 0x22);
    EXPECT_EQ(c.blue(), 0x22);
    EXPECT_NE(w->timerId, 0); // paint restarts the timer
}

TEST_F(Widget, PaintPresentsTheNewImageUpsideDownAndKeepsItForLaterPaints) {
    w->stopTicks();
    w->makeCurrent();
    // two texel rows: the first (GL's bottom row) red, the second blue
    const uint8_t texels[16] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    // built afresh in this context, whatever an earlier widget's context made of it
    shaderMirrorVertical->program = 0;
    shaderMirrorVertical->stages.clear();
    shaderMirrorVertical->compiled = false;
    Shader::currentProgram = 0;
    Texture2D image(2, 2, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_NEAREST);
    image.setData(texels, sizeof texels);
    w->newFrame = &image;
    QImage first = w->grabFramebuffer();
    EXPECT_EQ(w->newFrame, nullptr);
    EXPECT_EQ(w->shownFrame, &image);
    // the first texel row ends at the top of the window
    EXPECT_EQ(first.pixelColor(first.width() / 2, first.height() / 4), QColor(255, 0, 0));
    EXPECT_EQ(first.pixelColor(first.width() / 2, 3 * first.height() / 4), QColor(0, 0, 255));
    QImage again = w->grabFramebuffer();
    EXPECT_EQ(again.pixelColor(again.width() / 2, again.height() / 4), QColor(255, 0, 0));
    w->makeCurrent();
    w->shownFrame = nullptr;
    // the program belongs to this widget's context, which goes with the widget
    kal::gl->glDeleteProgram(shaderMirrorVertical->program);
    shaderMirrorVertical->program = 0;
    shaderMirrorVertical->stages.clear();
    shaderMirrorVertical->compiled = false;
    Shader::currentProgram = 0;
}

TEST_F(Widget, MouseButtonsAndPositionReachTheRawRecord) {
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(30, 40));
    EXPECT_FLOAT_EQ(rawMouse.x, 30);
    EXPECT_FLOAT_EQ(rawMouse.y, 40);
    EXPECT_EQ(rawMouse.left, 1);
    EXPECT_EQ(rawMouse.prevLeft, 0);
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(35, 42));
    EXPECT_EQ(rawMouse.left, 0);
    EXPECT_EQ(rawMouse.prevLeft, 1);
    EXPECT_FLOAT_EQ(rawMouse.dx, 5);
    EXPECT_FLOAT_EQ(rawMouse.dy, 2);
    sendMouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(50, 60));
    EXPECT_EQ(rawMouse.right, 1);
    EXPECT_EQ(rawMouse.left, 0);
    // the middle button moves the position but leaves both recorded buttons alone
    sendMouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::RightButton | Qt::MiddleButton, QPoint(70, 80));
    EXPECT_FLOAT_EQ(rawMouse.x, 70);
    EXPECT_EQ(rawMouse.right, 1);
    EXPECT_EQ(rawMouse.left, 0);
}

TEST_F(Widget, HiResDoublesPositionsBrushCameraAndTargetSize) {
    w->view->camera.translation = {1, 2, 3};
    const int width = w->view->width;
    w->setScale(2.0f);
    EXPECT_FLOAT_EQ(w->view->brushSize, 600.0f);
    EXPECT_FLOAT_EQ(w->view->camera.translation.z, 6.0f);
    EXPECT_FLOAT_EQ(w->view->nearDistance, 20.0f);
    EXPECT_FLOAT_EQ(w->view->farDistance, 20000.0f);
    EXPECT_EQ(w->view->width, 2 * width);
    EXPECT_TRUE(w->view->hiRes);
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(30, 40));
    EXPECT_FLOAT_EQ(rawMouse.x, 60);
    w->setScale(0.0f); // no scale: would zero every size and divide by zero on the way back
    EXPECT_FLOAT_EQ(w->renderScale, 2.0f);
    w->setScale(1.0f);
    EXPECT_FLOAT_EQ(w->view->brushSize, 300.0f);
    EXPECT_FALSE(w->view->hiRes);
}

TEST_F(Widget, ASecondWheelEventReplacesTheFirstAndPressingPenNegates) {
    sendWheel(120);
    sendWheel(-240);
    EXPECT_FLOAT_EQ(rawMouse.wheel, -240);
    w->view->penState = 2;
    sendWheel(120);
    EXPECT_FLOAT_EQ(rawMouse.wheel, -120);
}

TEST_F(Widget, LeavingReleasesButtonsAndIdlesEnteringRestores) {
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(30, 40));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(w, &enter);
    EXPECT_FALSE(w->view->outside);
    EXPECT_EQ(w->view->mode, w->view->chosenMode);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    EXPECT_TRUE(w->view->outside);
    EXPECT_EQ(w->view->mode, IDLE);
    EXPECT_EQ(rawMouse.left, 0);
    EXPECT_EQ(rawMouse.right, 0);
}

TEST_F(Widget, KeyEventsOnTheWidgetReachTheKeyTable) {
    QTest::keyPress(w, Qt::Key_Control);
    QTest::keyPress(w, Qt::Key_Z, Qt::ControlModifier);
    keyboard.poll();
    EXPECT_TRUE(keyboard.isDown(VkControl));
    EXPECT_TRUE(keyboard.isDown('Z'));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Z, Qt::ControlModifier);
    QApplication::sendEvent(w, &release);
    keyboard.poll();
    EXPECT_FALSE(keyboard.isDown('Z'));
    EXPECT_TRUE(keyboard.isDown(VkControl));
}

TEST_F(Widget, KeysAndButtonsReleasedWhileAModalDialogIsUpAreNotHeldAfter) {
    QTest::keyPress(w, Qt::Key_Control);
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(30, 40));
    {
        QDialog dialog(w);
        dialog.setModal(true);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // the platform hands both releases to the window the dialog blocks, where they are dropped
        QTest::keyRelease(w->windowHandle(), Qt::Key_Control);
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
        keyboard.poll();
        ASSERT_TRUE(keyboard.isDown(VkControl));
        ASSERT_EQ(rawMouse.left, 1);
    }
    keyboard.poll();
    EXPECT_FALSE(keyboard.isDown(VkControl));
    EXPECT_EQ(rawMouse.left, 0);

    // any input event tells what is held: a wheel turned without Ctrl zooms
    QTest::keyPress(w, Qt::Key_Control);
    keyboard.poll();
    ASSERT_TRUE(keyboard.isDown(VkControl));
    sendWheel(120);
    keyboard.poll();
    EXPECT_FALSE(keyboard.isDown(VkControl));
}

TEST_F(Widget, TabletEventsSetPenStateAndPressure) {
    sendTablet(QEvent::TabletEnterProximity, 0.0);
    EXPECT_EQ(w->view->penState, 1);
    EXPECT_FLOAT_EQ(w->view->pressure, 0.0f);
    sendTablet(QEvent::TabletPress, 0.5);
    EXPECT_EQ(w->view->penState, 2);
    EXPECT_FLOAT_EQ(w->view->pressure, 0.5f);
    sendTablet(QEvent::TabletMove, 0.75);
    EXPECT_EQ(w->view->penState, 2);
    EXPECT_FLOAT_EQ(w->view->pressure, 0.75f);
    w->view->pressureSizing = false;
    sendTablet(QEvent::TabletMove, 0.25);
    EXPECT_FLOAT_EQ(w->view->pressure, 0.75f);
    w->view->pressureSizing = true;
    sendTablet(QEvent::TabletLeaveProximity, 0.0);
    EXPECT_EQ(w->view->penState, 0);
    EXPECT_FLOAT_EQ(w->view->pressure, 1.0f);
}

TEST_F(Widget, StatusTextSpreadsSeparatorsAndDoubleBlanksWithTabs) {
    QString text = QStringLiteral("a  b|c");
    w->setStatusText(text);
    EXPECT_EQ(text, QStringLiteral("a \t \t b\t \t \t \t | \t \t \t \tc"));
    EXPECT_EQ(w->statusTip(), text);
}

TEST_F(Widget, ATickAnnouncesBusyRunsTheFrameThenRefreshesActions) {
    w->stopTicks();
    auto* view = new test::RecordingView(320, 240);
    view->finishStartup();
    delete w->view;
    w->view = view;
    QAction undo(nullptr), redo(nullptr);
    w->undoAction = &undo;
    w->redoAction = &redo;
    QObject::connect(w, &GLWidget::setInAction, [&](bool busy) { view->calls.push_back(busy ? "busy" : "idle"); });
    w->actionStatesHook = [&] { view->calls.push_back("actions"); };
    view->busy = 1;
    view->redraw = true;
    view->animate = false;
    int live = 0;
    view->undoStack.push(new test::CountingAct(&live));
    w->tick();
    EXPECT_EQ(view->calls, (std::vector<std::string>{"busy", "render", "actions"}));
    EXPECT_EQ(w->newFrame, test::RecordingView::image());
    w->newFrame = nullptr; // a stand-in image: never presented
    EXPECT_TRUE(undo.isEnabled());
    EXPECT_FALSE(redo.isEnabled());
    view->calls.clear();
    view->busy = 0;
    w->tick();
    EXPECT_EQ(view->calls, (std::vector<std::string>{"idle", "actions"}));
    EXPECT_EQ(w->newFrame, nullptr);
    w->undoAction = w->redoAction = nullptr;
}

TEST_F(Widget, WorkGuardPausesTheTickMakesTheContextCurrentAndRestoresBoth) {
    test::glContext()->makeCurrent(test::glSurface());
    const QOpenGLContext* before = QOpenGLContext::currentContext();
    ASSERT_NE(w->timerId, 0);
    {
        kal::GLWorkGuard guard(w);
        EXPECT_TRUE(guard.hasContext());
        EXPECT_EQ(QOpenGLContext::currentContext(), w->context());
        EXPECT_EQ(w->timerId, 0);
        EXPECT_FALSE(w->updatesEnabled());
    }
    EXPECT_EQ(QOpenGLContext::currentContext(), before);
    EXPECT_NE(w->timerId, 0);
    EXPECT_TRUE(w->updatesEnabled());
    // Without a widget the guard has no context and changes nothing.
    kal::GLWorkGuard none(nullptr);
    EXPECT_FALSE(none.hasContext());
}

// Frames draw only on request: input anywhere in the program (a menu, a tool bar, a dialog) asks
// for one, a cursor merely passing over other widgets does not.
TEST_F(Widget, InputElsewhereInTheProgramAsksTheViewForAFrame) {
    QWidget elsewhere;
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        w->view->redraw = false;
        QMouseEvent e(type, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&elsewhere, &e);
        return w->view->redraw;
    };
    EXPECT_FALSE(send(QEvent::MouseMove, Qt::NoButton));
    EXPECT_TRUE(send(QEvent::MouseMove, Qt::LeftButton));
    EXPECT_TRUE(send(QEvent::MouseButtonRelease, Qt::NoButton));
    w->view->redraw = false;
    QTest::keyClick(&elsewhere, Qt::Key_A);
    EXPECT_TRUE(w->view->redraw);
}
