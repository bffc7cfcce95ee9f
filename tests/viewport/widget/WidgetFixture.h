#pragma once
// One shown GL widget per test, its frames off until a test turns them on; the shared test context
// and its function table come back after.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTest>
#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "InputFixtures.h"
#include "StepFixtures.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"

namespace kal::test {

class TestWidget : public GLWidget {
public:
    void tick() { timerEvent(nullptr); }
    void stopTicks() {
        killTimer(timerId);
        timerId = 0;
    }
};

class WidgetTest : public ::testing::Test {
protected:
    TestWidget* w = nullptr;
    QOpenGLFunctions_4_0_Core* savedTable = nullptr;

    void SetUp() override {
        savedTable = kal::gl;
        resetInput();
        QSurfaceFormat f;
        f.setRenderableType(QSurfaceFormat::OpenGL);
        f.setVersion(4, 0);
        f.setProfile(QSurfaceFormat::CoreProfile);
        f.setDepthBufferSize(32);
        w = new TestWidget;
        // Frames stay off: GPU objects built in one widget's context would be stale in the next.
        w->view->startupFrame = 1;
        w->view->animate = false;
        w->view->frameReady = false;
        w->setFormat(f);
        w->resize(320, 240);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        ASSERT_TRUE(QTest::qWaitFor([&] { return kal::theGLWidget == w; }, 5000));
    }
    void TearDown() override {
        delete w;
        resetInput();
        kal::setGLFunctions(savedTable);
        glContext()->makeCurrent(glSurface());
    }

    void sendMouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint p) {
        QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, heldModifiers());
        QApplication::sendEvent(w, &e);
    }
};

// A shown widget whose view is a StepView: its picks come from the test, its frames run by tick().
class StepViewWidgetTest : public WidgetTest {
protected:
    StepView* view = nullptr;

    void SetUp() override {
        WidgetTest::SetUp();
        if (HasFatalFailure()) return;
        w->stopTicks();
        w->makeCurrent();
        delete w->view;
        view = makeView();
        view->startupFrame = 4;
        view->width = 320;
        view->height = 240;
        w->view = view;
        const uint8_t none[6] = {};
        view->setSymmetry(none, 6);
    }
    virtual StepView* makeView() { return new StepView; }
    void enterWidget() {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(w, &enter);
    }
    void moveTo(QPoint p) {
        QCursor::setPos(w->mapToGlobal(p));
        QTest::qWait(1);
    }
    // Hover ticks at p, then the left press there.
    void hoverAndPress(QPoint p) {
        moveTo(p + QPoint(1, 0));
        w->tick();
        moveTo(p);
        w->tick();
        sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, p);
        w->tick();
    }
};

} // namespace kal::test
