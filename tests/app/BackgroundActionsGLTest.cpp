// Background source, colour, image and environment in the shown window.
#include "ShownWindow.h"

#include "gpu/FBO.h"

#include <QColorDialog>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>

using kal::test::ShownWindow;

namespace {

kal::Reply file(const QString& name)
{
    kal::Reply r;
    r.accepted = !name.isEmpty();
    if (r.accepted) r.files << name;
    return r;
}

} // namespace

TEST_F(ShownWindow, backgroundColourEditsLiveAndImageSourceNeedsNoImage)
{
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

TEST_F(ShownWindow, backgroundImageLoadsAndAFailureKeepsTheOld)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("sky.png");
    QImage image(6, 4, QImage::Format_RGB888);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(png));
    const QString broken = dir.filePath("broken.png");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n not really");
    }

    kal::GLView& v = view();
    std::vector<kal::Question> warnings;
    QString next = png;
    answerWith([&](const kal::Question& q) {
        if (q.kind == kal::Question::Warning) warnings.push_back(q);
        return file(next);
    });
    w->loadBackgroundImage_triggered();
    ASSERT_NE(v.backgroundImage, nullptr);
    EXPECT_EQ(v.backgroundImage->width, 6);
    EXPECT_EQ(v.backgroundMode, 0);  // loading does not choose the source
    EXPECT_EQ(asked[0].title, "Open");
    EXPECT_EQ(asked[0].text, "Images (*.png *.jpg)");

    kal::FBO* loaded = v.backgroundImage;
    next = broken;
    w->loadBackgroundImage_triggered();
    EXPECT_EQ(v.backgroundImage, loaded);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(w->glWidget->timerId, 0);
}

TEST_F(ShownWindow, environmentLoadsKeepTheSizesAndCancelKeepsTheTimer)
{
    kal::GLView& v = view();
    ASSERT_NE(v.environment, nullptr);
    const int size = v.environment->size, levels = v.environment->levels;

    answerWith([](const kal::Question&) { return file(QString()); });
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
    std::vector<kal::Question> warnings;
    answerWith([&](const kal::Question& q) {
        if (q.kind == kal::Question::Warning) warnings.push_back(q);
        return kal::Reply();
    });
    w->loadEnvironment("/no/such/sky.jpg");
    EXPECT_EQ(v.environment, old);
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_NE(w->glWidget->timerId, 0);
}

TEST_F(ShownWindow, blurAndEnvironmentRotation)
{
    kal::GLView& v = view();
    v.environmentBlur = 30;
    answerWith([](const kal::Question& q) {
        kal::Reply r;
        r.accepted = false;
        r.number = 90;
        EXPECT_EQ(q.title, "Environment");
        EXPECT_EQ(q.text, "Blur (0-100)");
        return r;
    });
    ui().actionEnvironment_Blur->trigger();
    EXPECT_EQ(v.environmentBlur, 30);
    answerWith([](const kal::Question&) {
        kal::Reply r;
        r.accepted = true;
        r.number = 90;
        return r;
    });
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
