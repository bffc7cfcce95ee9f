#include "TargetTestHelpers.h"

#include "gpu/Environment.h"
#include "gpu/FBO.h"
#include "gpu/Filters.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "gpu/GLCallCounter.h"
#include "gpu/ProgressHook.h"
#include "gpu/TextureArrays.h"
#include "gpu/TextureCube.h"
#include "gpu/TextureUnits.h"

#include <QImage>
#include <QProgressBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using kal::Environment;
using kal::gl;

// Every layer of the environment's array, cube after cube, six RGB faces each.
std::vector<std::uint8_t> readLayers(const Environment& environment) {
    const int n = environment.size;
    std::vector<std::uint8_t> out(std::size_t(n) * n * 3 * 6 * std::size_t(environment.levels + 1));
    gl->glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, environment.map->id);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glGetTexImage(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    return out;
}

std::vector<std::uint8_t> layerOf(const std::vector<std::uint8_t>& layers, const Environment& environment, int layer) {
    const std::size_t bytes = std::size_t(environment.size) * environment.size * 3 * 6;
    return {layers.begin() + std::ptrdiff_t(bytes * std::size_t(layer)),
            layers.begin() + std::ptrdiff_t(bytes * std::size_t(layer + 1))};
}

double total(const std::vector<std::uint8_t>& bytes) {
    double sum = 0;
    for (auto b : bytes) sum += b;
    return sum;
}

double variance(const std::vector<std::uint8_t>& bytes) {
    const double mean = total(bytes) / double(bytes.size());
    double sum = 0;
    for (auto b : bytes) sum += (b - mean) * (b - mean);
    return sum / double(bytes.size());
}

class EnvironmentGL : public ::testing::Test {
protected:
    QTemporaryDir folder;

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        gl->glGetError();
    }
    void TearDown() override {
        kal::theProgressBar = nullptr;
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(kal::textureUnitCounter, 0);
    }

    std::string saveImage(const char* name, int w, int h, QImage::Format format,
                          const std::function<QRgb(int, int)>& pixel) {
        QImage image(w, h, format);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.setPixel(x, y, pixel(x, y));
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path.toStdString();
    }

    // Smooth stripes and a bright spot, nowhere saturated.
    static QRgb pattern(int x, int y) { return qRgb(40 + 4 * x, 60 + 5 * y, (x * y) % 7 == 0 ? 200 : 90); }
};

TEST_F(EnvironmentGL, OneLevelReproducesTheImageCutIntoFaces) {
    const std::string path = saveImage("stripes.png", 32, 16, QImage::Format_RGB32, pattern);
    Environment environment(path, 8, 1, false);
    ASSERT_TRUE(environment.build());
    EXPECT_TRUE(environment.built);

    kal::TextureCube cube(path, 8, false);
    std::vector<std::uint8_t> faces;
    ASSERT_TRUE(cube.readPixels(faces));
    const auto layers = readLayers(environment);
    EXPECT_EQ(layerOf(layers, environment, 0), faces);
}

TEST_F(EnvironmentGL, BlurredLevelsKeepTheTotalAndGetSmoother) {
    const std::string path = saveImage("stripes.png", 32, 16, QImage::Format_RGB32, pattern);
    Environment environment(path, 8, 4, false);
    ASSERT_TRUE(environment.build());
    const auto layers = readLayers(environment);
    const auto base = layerOf(layers, environment, 0);
    const double reference = total(base);
    double previous = variance(base);
    for (int level = 1; level < 4; ++level) {
        const auto layer = layerOf(layers, environment, level);
        // truncation to bytes loses less than one per value
        EXPECT_LE(total(layer), reference) << level;
        EXPECT_GT(total(layer), reference - double(layer.size())) << level;
        EXPECT_LT(variance(layer), previous) << level;
        previous = variance(layer);
    }
    // The diffuse layer: same total, and smoother than any blur level.
    const auto diffuse = layerOf(layers, environment, 4);
    EXPECT_NEAR(total(diffuse), reference, double(diffuse.size()));
    EXPECT_LT(variance(diffuse), previous);
}

TEST_F(EnvironmentGL, UniformImagesStayUniformEvenOnAnOddFaceSize) {
    // The centre texel of an odd face looks exactly along the kernel's own axis.
    const std::string grey =
        saveImage("grey.png", 16, 8, QImage::Format_RGB32, [](int, int) { return qRgb(100, 150, 200); });
    Environment environment(grey, 9, 3, false);
    ASSERT_TRUE(environment.build());
    const auto layers = readLayers(environment);
    for (std::size_t i = 0; i < layers.size(); i += 3) {
        ASSERT_NEAR(layers[i], 100, 1) << i;
        ASSERT_NEAR(layers[i + 1], 150, 1) << i;
        ASSERT_NEAR(layers[i + 2], 200, 1) << i;
    }
}

TEST_F(EnvironmentGL, BlackStaysBlackAndSaturatedWhiteStaysWhite) {
    const std::string black =
        saveImage("black.png", 16, 8, QImage::Format_RGB32, [](int, int) { return qRgb(0, 0, 0); });
    Environment dark(black, 8, 3, false);
    ASSERT_TRUE(dark.build());
    for (auto b : readLayers(dark)) ASSERT_EQ(b, 0);

    const std::string white =
        saveImage("white.png", 16, 8, QImage::Format_RGB32, [](int, int) { return qRgb(255, 255, 255); });
    Environment bright(white, 8, 3, false);
    ASSERT_TRUE(bright.build());
    for (auto b : readLayers(bright)) ASSERT_EQ(b, 255);
}

TEST_F(EnvironmentGL, AnAlphaChannelChangesNothing) {
    const std::string rgb = saveImage("rgb.png", 32, 16, QImage::Format_RGB32, pattern);
    const std::string rgba = saveImage("rgba.png", 32, 16, QImage::Format_ARGB32, [](int x, int y) {
        const QRgb c = pattern(x, y);
        return qRgba(qRed(c), qGreen(c), qBlue(c), 255 - 7 * x);
    });
    Environment plain(rgb, 8, 3, false);
    Environment withAlpha(rgba, 8, 3, false);
    ASSERT_TRUE(plain.build());
    ASSERT_TRUE(withAlpha.build());
    EXPECT_EQ(readLayers(plain), readLayers(withAlpha));
}

TEST_F(EnvironmentGL, AnUnreadableImageBuildsNothingAndAnswersFalse) {
    Environment missing(folder.filePath("nowhere.png").toStdString(), 8, 2, false);
    EXPECT_FALSE(missing.build());
    EXPECT_FALSE(missing.built);

    const QString garbage = folder.filePath("garbage.png");
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG not really");
    file.close();
    Environment broken(garbage.toStdString(), 8, 2, false);
    EXPECT_FALSE(broken.build());
}

TEST_F(EnvironmentGL, ASecondBuildDoesNoWork) {
    const std::string path = saveImage("stripes.png", 32, 16, QImage::Format_RGB32, pattern);
    Environment environment(path, 8, 2, false);
    ASSERT_TRUE(environment.build());
    const long programs = kal::glCallCounts().useProgram;
    EXPECT_TRUE(environment.build());
    EXPECT_EQ(kal::glCallCounts().useProgram, programs);
}

TEST_F(EnvironmentGL, ProgressBarRunsToItsMaximumAndHides) {
    QProgressBar bar;
    bar.hide();
    kal::theProgressBar = &bar;
    const std::string path = saveImage("stripes.png", 32, 16, QImage::Format_RGB32, pattern);
    Environment environment(path, 8, 3, false);
    ASSERT_TRUE(environment.build());
    EXPECT_EQ(bar.format(), QString("Building environment map"));
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 2);
    EXPECT_EQ(bar.value(), 2);
    EXPECT_TRUE(bar.isHidden());

    Environment single(path, 8, 1, false);
    ASSERT_TRUE(single.build());
    EXPECT_EQ(bar.maximum(), 0);
    EXPECT_TRUE(bar.isHidden());
}

TEST_F(EnvironmentGL, SkyBoxFilterIsFiniteWhereATexelLooksAlongTheKernelAxis) {
    // A single texel of the +X face looks exactly along (1, 0, 0), the kernel's centre:
    // the turn between the two has a zero-length axis.
    kal::TextureCube box(4, GL_RGB32F, GL_RGB, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_LINEAR);
    // Only the +X face is lit, so a tap that goes astray shows.
    std::vector<float> grey(4 * 4 * 6 * 3, 0.0f);
    std::fill(grey.begin(), grey.begin() + 4 * 4 * 3, 0.5f);
    box.setData(grey.data(), std::uint32_t(grey.size() * sizeof(float)));
    kal::FBO target(0, 1, 1, 1);
    auto* out =
        target.addAttachment(new kal::Texture2D(1, 1, GL_RGB32F, GL_RGB, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_NEAREST));
    ASSERT_TRUE(target.bind());
    gl->glDrawBuffer(GLenum(out->attachment));
    gl->glViewport(0, 0, 1, 1);
    ASSERT_TRUE(kal::shaderFilterSkyBox->bind());
    const kal::mat4 plusX{{0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}};
    const kal::mat4 projection{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -21.0f / 19.0f, -4.0f / 19.0f, 0, 0, -1, 0}};
    kal::setUniformMat4("ProjectionModelViewMatrix", projection);
    kal::setUniformMat4("rotation", plusX);
    std::vector<kal::vec3> kernel(7, kal::vec3{1, 0, 0});
    for (int k = 1; k < 7; ++k)
        kernel[std::size_t(k)] = kal::normalize(kal::vec3{1, 0.25f * std::cos(float(k)), 0.25f * std::sin(float(k))});
    kal::setUniformInt("box", box.unit());
    kal::setUniformVec3Array("samples", kernel.data(), 7);
    kal::drawQuad(true);
    box.unbind();
    kal::Shader::unbindCurrent();
    const auto texel = kal::test::readAttachment<float>(GLenum(out->attachment), 1, 1, GL_RGB, GL_FLOAT, 3);
    for (float v : texel) EXPECT_FLOAT_EQ(v, 0.5f);
    target.unbind();
}

TEST(EnvironmentNames, RelativeNamesLookInTheEnvironmentsFolderButResourcesDoNot) {
    EXPECT_EQ(Environment("sky.jpg", 8, 1, true).fileName, "../Textures/Environments/sky.jpg");
    EXPECT_EQ(Environment(":/Environments/env_default.jpg", 8, 1, true).fileName, ":/Environments/env_default.jpg");
    EXPECT_EQ(Environment("/abs/sky.jpg", 8, 1, false).fileName, "/abs/sky.jpg");
}

TEST(EnvironmentPasses, DefaultBuildRunsTheExpectedNumberOfPasses) {
    const int expected[] = {1, 1, 3, 5, 7, 9, 12, 15};
    for (int level = 0; level < 8; ++level) EXPECT_EQ(kal::blurPassCount(level), expected[level]) << level;
    int sum = 0;
    for (int level = 0; level + 1 < 64; ++level) sum += kal::blurPassCount(level);
    EXPECT_EQ(sum, 7187);
}

} // namespace
