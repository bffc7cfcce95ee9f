// The compiled-in collection must hold every file the program opens by resource path.
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(Resources, everyPromisedFileIsCompiledIn) {
    for (const char* path : {":/Fonts/proggy.png", ":/Fonts/pixelcarnage.png", ":/Environments/env_default.jpg",
                             ":/Environments/env_dark.jpg", ":/License/License.txt"})
        EXPECT_TRUE(QFile::exists(QString::fromLatin1(path))) << path;
}

TEST(Resources, fontAtlasesHoldThirtyTwoByThreeWholeCells) {
    for (const char* path : {":/Fonts/proggy.png", ":/Fonts/pixelcarnage.png"}) {
        const QImage image(QString::fromLatin1(path));
        ASSERT_FALSE(image.isNull()) << path;
        EXPECT_TRUE(image.hasAlphaChannel()) << path;
        EXPECT_GT(image.width(), 0);
        EXPECT_EQ(image.width() % 32, 0) << path;
        EXPECT_EQ(image.height() % 3, 0) << path;
    }
    // The large font really is larger.
    EXPECT_GT(QImage(":/Fonts/pixelcarnage.png").height(), QImage(":/Fonts/proggy.png").height());
}

TEST(Resources, environmentsAreTwoToOnePanoramasWithTheSkyOnTop) {
    for (const char* path : {":/Environments/env_default.jpg", ":/Environments/env_dark.jpg"}) {
        const QImage image(QString::fromLatin1(path));
        ASSERT_FALSE(image.isNull()) << path;
        EXPECT_EQ(image.width(), 2 * image.height()) << path;
        // The zenith row is lit more than the nadir row in both.
        EXPECT_GT(qGray(image.pixel(image.width() / 2, 0)), qGray(image.pixel(image.width() / 2, image.height() - 1)))
            << path;
    }
}

TEST(Resources, licenceNamesTheProgram) {
    QFile file(":/License/License.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Kalvimor"));
    EXPECT_TRUE(text.contains("The Kalvimor developers"));
}

} // namespace
