// The shown main window with its real viewport: it renders the default scene, and Exit asks first.
#include "ShownWindow.h"

#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "gpu/GLFunctions.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"

#include "GLTestContext.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPushButton>
#include <QSurfaceFormat>
#include <QTest>
#include <QTimer>

#include <memory>

using kal::test::ShownWindow;

namespace {

bool isOneColour(const QImage& image)
{
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
    explicit MessageBoxAnswer(QMessageBox::StandardButton button)
    {
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

} // namespace

TEST_F(ShownWindow, viewportRendersTheDefaultScene)
{
    ASSERT_EQ(theGLWidget, w->glWidget);
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

TEST_F(ShownWindow, menusLockWhileTheViewportIsBusyAndUnlockAfter)
{
    QAction* open = w->ui->actionOpen;
    ASSERT_TRUE(open->isEnabled());
    w->view()->busy = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open->isEnabled(); }, 5000));
    EXPECT_TRUE(w->ui->actionHandles->isEnabled());
    w->view()->busy = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return open->isEnabled(); }, 5000));
    EXPECT_FALSE(w->ui->actionSectionFree->isEnabled());
}

TEST_F(ShownWindow, exitAsksAndOnlyYesClosesTheWindow)
{
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
