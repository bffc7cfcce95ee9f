// The shown main window with its real viewport: it renders the default scene, and Exit asks first.
#include "ShownWindow.h"

#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "gpu/Environment.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"
#include "gpu/TextureArrays.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"

#include "GLTestContext.h"
#include "GlobalScope.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLFunctions_4_0_Core>
#include <QProgressBar>
#include <QOpenGLContext>
#include <QPushButton>
#include <QSurfaceFormat>
#include <QTest>
#include <QTimer>

#include <memory>

using kal::test::ShownWindow;

namespace {

bool isOneColour(const QImage& image) {
    if (image.isNull()) return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return false;
    return true;
}

// Answers the next message box with `button` once it is up, and keeps what it asked.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(QMessageBox::StandardButton button) {
        QObject::connect(&timer, &QTimer::timeout, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer.stop();
            title = box->windowTitle();
            text = box->text();
            if (QAbstractButton* b = box->button(button)) b->click();
        });
        timer.start(20);
    }
    QString title;
    QString text;

private:
    QTimer timer;
};

// Every layer of an environment's cube-map array.
std::vector<uint8_t> environmentLayers(const kal::Environment& environment) {
    std::vector<uint8_t> out(size_t(environment.size) * size_t(environment.size) * 18 * size_t(environment.levels + 1));
    kal::gl->glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, environment.map->id);
    kal::gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    kal::gl->glGetTexImage(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    kal::gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    kal::gl->glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    return out;
}

} // namespace

TEST_F(ShownWindow, environmentBlurLevelsAreDrawnInTheViewportsContextWhileProgressShows) {
    // Painting the status bar's progress composes the window in the window's own context: the
    // levels blurred after it must still be drawn in the view's.
    kal::GLWorkGuard gl;
    ASSERT_TRUE(gl.hasContext());
    const std::string image = view().environment->fileName;
    ASSERT_NE(kal::theProgressBar, nullptr);
    kal::Environment quiet(image, 8, 4, false);
    {
        kal::test::GlobalScope<QProgressBar*> hidden(kal::theProgressBar, nullptr);
        ASSERT_TRUE(quiet.build());
    }
    kal::Environment shown(image, 8, 4, false);
    ASSERT_TRUE(shown.build());
    EXPECT_EQ(QOpenGLContext::currentContext(), w->glWidget->context());
    EXPECT_EQ(environmentLayers(shown), environmentLayers(quiet));
}

TEST_F(ShownWindow, viewportRendersTheDefaultScene) {
    ASSERT_EQ(kal::theGLWidget, w->glWidget);
    EXPECT_EQ(w->windowTitle(), "Kalvimor");
    bool drawn = false;
    // the first frames load and build the environment; wait for an image with content
    for (int i = 0; i < 600 && !drawn; ++i) {
        QTest::qWait(100);
        drawn = !isOneColour(w->glWidget->grabFramebuffer());
    }
    EXPECT_TRUE(drawn);
    EXPECT_EQ(w->view()->chosenMode, kal::ASSEMBLY);
}

TEST_F(ShownWindow, menusLockWhileTheViewportIsBusyAndUnlockAfter) {
    QAction* open = w->ui->actionOpen;
    ASSERT_TRUE(open->isEnabled());
    w->view()->busy = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open->isEnabled(); }, 5000));
    EXPECT_TRUE(w->ui->actionHandles->isEnabled());
    w->view()->busy = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return open->isEnabled(); }, 5000));
    EXPECT_FALSE(w->ui->actionSectionFree->isEnabled());
}

TEST_F(ShownWindow, exitAsksAndOnlyYesClosesTheWindow) {
    {
        MessageBoxAnswer no(QMessageBox::No);
        w->ui->actionExit->trigger();
        EXPECT_EQ(no.title, "Kalvimor");
        EXPECT_EQ(no.text, "Exit?");
    }
    EXPECT_TRUE(w->isVisible());

    MessageBoxAnswer yes(QMessageBox::Yes);
    w->ui->actionExit->trigger();
    EXPECT_EQ(yes.text, "Exit?");
    EXPECT_FALSE(w->isVisible());
    // the other tests of the suite share the window
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
}
