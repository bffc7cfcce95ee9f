// Background source, colour, image and environment in the shown window.
#include "ShownWindow.h"

#include "gpu/FBO.h"

#include <QColorDialog>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>

using kal::test::ShownWindow;

TEST_F(ShownWindow, backgroundColourEditsLiveAndImageSourceNeedsNoImage) {
    kal::GLView& v = view();
    const kal::wvec4 before = v.backgroundColor;
    w->loadBackgroundColor_triggered();
    ASSERT_TRUE(kal::dialogs->colorDialog);
    EXPECT_EQ(kal::dialogs->colorDialog->windowTitle(), "Background Color");
    kal::dialogs->colorDialog->setCurrentColor(QColor(255, 0, 0, 255));
    EXPECT_EQ(v.backgroundColor, kal::wvec4(65535, 0, 0, 65535));
    kal::dialogs->colorDialog->reject();
    EXPECT_EQ(v.backgroundColor, before);

    ASSERT_EQ(v.backgroundImage, nullptr);
    ui().actionImage->trigger();
    EXPECT_EQ(v.backgroundMode, 1);
    ui().actionColor_4->trigger();
    EXPECT_EQ(v.backgroundMode, 0);
}

TEST_F(ShownWindow, backgroundImageLoadsAndAFailureKeepsTheOld) {
    QTemporaryDir dir;
    const QString png = dir.filePath("sky.png");
    QImage image(6, 4, QImage::Format_RGB888);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(png));
    const QString broken = dir.filePath("broken.png"); // never written

    kal::GLView& v = view();
    QString next = png;
    answerWith([&](const kal::Question&) { return files({next}); });
    w->loadBackgroundImage_triggered();
    ASSERT_NE(v.backgroundImage, nullptr);
    EXPECT_EQ(v.backgroundImage->width, 6);
    EXPECT_EQ(v.backgroundMode, 0); // loading does not choose the source
    EXPECT_EQ(asked[0].title, "Open");
    EXPECT_EQ(asked[0].text, "Images (*.png *.jpg)");

    kal::FBO* loaded = v.backgroundImage;
    next = broken;
    w->loadBackgroundImage_triggered();
    EXPECT_EQ(v.backgroundImage, loaded);
    EXPECT_EQ(asked.back().kind, kal::Question::Warning);
    EXPECT_NE(w->glWidget->timerId, 0);
}

TEST_F(ShownWindow, environmentLoadsKeepTheSizesAndCancelKeepsTheTimer) {
    kal::GLView& v = view();
    ASSERT_NE(v.environment, nullptr);
    const int size = v.environment->size, levels = v.environment->levels;

    answerWith([](const kal::Question&) { return files({}); });
    w->loadEnvironment_triggered();
    EXPECT_EQ(asked.back().title, "Open 360 Image");
    EXPECT_NE(w->glWidget->timerId, 0);

    kal::Environment* old = v.environment;
    ui().actionDefault_Dark->trigger();
    ASSERT_NE(v.environment, old);
    EXPECT_EQ(v.environment->size, size);
    EXPECT_EQ(v.environment->levels, levels);
    EXPECT_TRUE(v.environment->built);

    old = v.environment;
    w->loadEnvironment("/no/such/sky.jpg");
    EXPECT_EQ(v.environment, old);
    EXPECT_EQ(asked.back().kind, kal::Question::Warning);
    EXPECT_NE(w->glWidget->timerId, 0);
}

TEST_F(ShownWindow, blurAndEnvironmentRotation) {
    kal::GLView& v = view();
    v.environmentBlur = 30;
    answerWith([](const kal::Question&) { return number(90, false); });
    ui().actionEnvironment_Blur->trigger();
    EXPECT_EQ(v.environmentBlur, 30);
    EXPECT_EQ(asked[0].title, "Environment");
    EXPECT_EQ(asked[0].text, "Blur (0-100)");
    answerWith([](const kal::Question&) { return number(90); });
    ui().actionEnvironment_Blur->trigger();
    EXPECT_EQ(v.environmentBlur, 90);

    const kal::mat3 cameraBefore = v.camera.rotation;
    v.camera.rotation = kal::mat3::rotationEuler(0.4f, 1.2f, -0.3f);
    v.environmentRotation = kal::mat3::rotationEuler(-1.0f, 0.2f, 0.5f);
    const kal::mat3 e = v.environmentRotation;
    ui().actionEnvironment_Rotation->setChecked(false);
    ui().actionEnvironment_Rotation->trigger();
    EXPECT_TRUE(v.rotateEnvironment);
    // what the sky shows is E followed by the camera: unchanged at the moment of switching
    const kal::mat3 shown = v.camera.rotation * v.environmentRotation;
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(shown[i], e[i], 1e-5);
    ui().actionEnvironment_Rotation->trigger();
    EXPECT_FALSE(v.rotateEnvironment);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(v.environmentRotation[i], e[i], 1e-5);
    v.camera.rotation = cameraBefore;
}
