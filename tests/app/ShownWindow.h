#pragma once
// The one shown main window with its real viewport that every window test of this binary shares:
// GPU objects compiled in its context stay valid only there. The start-up environment is a tiny
// one (a 128-pixel build takes half a minute on a software renderer), so later loads keep small
// sizes too. Dialogs are answered through the dialog seam.
#include "WindowTestSupport.h"

#include "gpu/Environment.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/Keyboard.h"

#include "GLTestContext.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTest>

#include <memory>

namespace kal::test {

class ShownWindow : public SeamAnswers {
protected:
    static inline QOpenGLFunctions_4_0_Core* savedTable = nullptr;
    static inline std::unique_ptr<MainWindow> w;
    static constexpr uint8_t holdStartup = 200;

    static void SetUpTestSuite() {
        savedTable = kal::gl;
        QSurfaceFormat::setDefaultFormat(GLWidget::requiredFormat());
        w = std::make_unique<MainWindow>();
        kal::GLView* v = w->view();
        // the start-up frames wait until the environment is swapped for the tiny one
        v->startupFrame = holdStartup;
        w->resize(800, 600);
        w->show();
        (void)QTest::qWaitForWindowExposed(w.get());
        (void)QTest::qWaitFor([] { return kal::theGLWidget == w->glWidget; }, 10000);
        {
            kal::GLWorkGuard gl;
            v->loadDefaultEnvironment();
            delete v->environment;
            v->environment = new kal::Environment(":/Environments/env_default.jpg", 8, 2, true);
            v->startupFrame = 1;
        }
        (void)QTest::qWaitFor([v] { return v->startupFrame == 4; }, 20000);
    }

    static void TearDownTestSuite() {
        w.reset();
        kal::setGLFunctions(savedTable);
        glContext()->makeCurrent(glSurface());
    }

    void TearDown() override { holdKey(Qt::Key_Control, false); }

    kal::GLView& view() const { return *w->view(); }
    Ui_MainWindow& ui() const { return *w->ui; }

    // Presses or releases a key as the user would and waits until the viewport's tick saw it.
    static bool holdKey(int key, bool down) {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(w->glWidget, &e);
        const int vk = key == Qt::Key_Control ? kal::VkControl : key == Qt::Key_Shift ? kal::VkShift : kal::VkMenu;
        return QTest::qWaitFor([&] { return kal::keyboard.isDown(vk) == down; }, 5000);
    }
};

} // namespace kal::test
