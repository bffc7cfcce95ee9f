// Textures against a real context: uploads read back, the unit stack, lazy compiles
// that leave other bindings alone, and the failure paths.
#include "TextureFixtures.h"

#include "gpu/Fonts.h"
#include "gpu/GLFunctions.h"
#include "gpu/Texture2D.h"
#include "gpu/Texture3D.h"
#include "gpu/TextureArrays.h"
#include "gpu/TextureCube.h"
#include "gpu/TextureUnits.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>
#include <cstring>
#include <numeric>

namespace kal {
namespace {

using test::LogLines;

// Every test starts and must end with no unit taken and no GL error pending.
class TextureGL : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(gl, nullptr);
        ASSERT_EQ(textureUnitCounter, 0);
        gl->glActiveTexture(GL_TEXTURE0);
        while (gl->glGetError() != GL_NO_ERROR) {}
    }
    void TearDown() override {
        EXPECT_EQ(textureUnitCounter, 0);
        textureUnitCounter = 0;
        gl->glActiveTexture(GL_TEXTURE0);
    }

    static GLuint boundOn(int unit, GLenum query = GL_TEXTURE_BINDING_2D) {
        GLint previousUnit = 0, name = 0;
        gl->glGetIntegerv(GL_ACTIVE_TEXTURE, &previousUnit);
        gl->glActiveTexture(GL_TEXTURE0 + GLenum(unit));
        gl->glGetIntegerv(query, &name);
        gl->glActiveTexture(GLenum(previousUnit));
        return GLuint(name);
    }

    // Level 0 of a texture target as the texture holds it, tightly packed.
    static std::vector<std::uint8_t> readBack(Texture& texture, GLenum target, GLenum format, GLenum type,
                                              std::size_t bytes) {
        std::vector<std::uint8_t> out(bytes, 0xCD);
        EXPECT_TRUE(texture.bind());
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl->glGetTexImage(target, 0, format, type, out.data());
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        texture.unbind();
        return out;
    }
};

std::vector<std::uint8_t> countingBytes(std::size_t n, int start = 1) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = std::uint8_t((i * 7 + std::size_t(start)) & 0xFF);
    return bytes;
}

Texture2D rgba2D(int w, int h) {
    return Texture2D(w, h, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Nearest);
}

TEST_F(TextureGL, stagedTexelsReadBackAfterTheFirstBindAndStagingIsDropped) {
    Texture2D texture = rgba2D(4, 3);
    const auto data = countingBytes(4 * 3 * 4);
    texture.setData(data.data(), std::uint32_t(data.size()));
    EXPECT_EQ(texture.id, 0u); // nothing happens before the bind
    EXPECT_EQ(readBack(texture, GL_TEXTURE_2D, GL_RGBA, GL_UNSIGNED_BYTE, data.size()), data);
    EXPECT_TRUE(texture.compiled);
    EXPECT_TRUE(texture.pixels.empty());
    EXPECT_EQ(texture.filled, 0u);
    EXPECT_NE(texture.glId(), 0u);
}

TEST_F(TextureGL, loadedOddWidthJpegUploadsItsPaddedRows) {
    QTemporaryDir dir;
    const QImage image = test::gradientImage(3, 2, false);
    ASSERT_TRUE(image.save(dir.filePath("odd.png")));
    Texture2D texture(dir.filePath("odd.png").toStdString(), false);
    const auto texels = readBack(texture, GL_TEXTURE_2D, GL_RGB, GL_UNSIGNED_BYTE, 3 * 2 * 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const std::size_t at = std::size_t(y * 3 + x) * 3;
            EXPECT_EQ(texels[at], qRed(image.pixel(x, y)));
            EXPECT_EQ(texels[at + 1], qGreen(image.pixel(x, y)));
        }
}

TEST_F(TextureGL, unitsStackAndEveryTextureFreesItsOwnUnit) {
    Texture2D a = rgba2D(2, 2), b = rgba2D(2, 2), c = rgba2D(2, 2);
    EXPECT_EQ(a.unit(), 0);
    EXPECT_EQ(b.unit(), 1);
    EXPECT_TRUE(b.bind()); // a second bind keeps the unit
    EXPECT_EQ(textureUnitCounter, 2);
    EXPECT_EQ(boundOn(0), a.id);
    EXPECT_EQ(boundOn(1), b.id);

    a.unbind();
    a.unbind(); // not bound any more: nothing happens
    EXPECT_EQ(textureUnitCounter, 1);
    EXPECT_EQ(boundOn(0), 0u);
    EXPECT_EQ(boundOn(1), b.id);
    b.unbind();
    EXPECT_EQ(textureUnitCounter, 0);
    giveBackTextureUnit(); // more gives than takes never go negative
    EXPECT_EQ(textureUnitCounter, 0);
    EXPECT_EQ(c.unit(), 0);
    c.unbind();
}

TEST_F(TextureGL, compilingLeavesTheTextureAlreadyOnTheActiveUnitInPlace) {
    Texture2D first = rgba2D(2, 2);
    ASSERT_TRUE(first.bind()); // unit 0, which stays the active unit
    Texture2D second = rgba2D(2, 2);
    TextureCube cube(4, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    Texture2DArray layers(4, 2, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    ASSERT_TRUE(second.compile());
    ASSERT_TRUE(cube.compile());
    ASSERT_TRUE(layers.compile());
    EXPECT_EQ(boundOn(0), first.id);
    ASSERT_TRUE(second.bind());
    EXPECT_EQ(boundOn(0), first.id);
    EXPECT_EQ(boundOn(1), second.id);
    second.unbind();
    first.unbind();
}

TEST_F(TextureGL, redescribingAfterACompileFreesTheStaleGLTexture) {
    Texture2D texture = rgba2D(2, 2);
    std::vector<GLuint> names;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(texture.compile());
        names.push_back(texture.id);
        if (round % 2 == 0) {
            const auto data = countingBytes(2 * 2 * 4, round);
            texture.setData(data.data(), std::uint32_t(data.size()));
        } else {
            texture.resize(2 + round, 2);
        }
    }
    ASSERT_TRUE(texture.compile());
    for (GLuint old : names) {
        if (old != texture.id) {
            EXPECT_FALSE(gl->glIsTexture(old)) << old;
        }
    }

    // A re-described texture that is never bound again still frees its name.
    GLuint orphan = 0;
    {
        Texture2D dropped = rgba2D(2, 2);
        ASSERT_TRUE(dropped.compile());
        orphan = dropped.id;
        dropped.resize(4, 4);
    }
    EXPECT_FALSE(gl->glIsTexture(orphan));
}

TEST_F(TextureGL, rebindingAReDescribedBoundTextureShowsTheNewTexture) {
    Texture2D texture = rgba2D(2, 2);
    ASSERT_TRUE(texture.bind());
    texture.resize(4, 4);
    ASSERT_TRUE(texture.bind());
    EXPECT_EQ(boundOn(texture.unitIndex), texture.id);
    EXPECT_EQ(textureUnitCounter, 1);
    texture.unbind();
}

TEST_F(TextureGL, failedUploadReportsAndBindAnswersFalse) {
    LogLines log;
    undrawnThisFrame = 0;
    Texture2D broken(-1, 4, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    broken.name = "broken";
    EXPECT_FALSE(broken.bind());
    EXPECT_EQ(broken.unit(), -1);
    EXPECT_EQ(broken.glId(), 0u);
    EXPECT_FALSE(broken.compiled);
    EXPECT_EQ(textureUnitCounter, 0);
    EXPECT_TRUE(log.contains("ERROR Texture2D::compile broken"));
    // said once per run of failures, every failed bind counted as an object not drawn
    EXPECT_EQ(log.count("Texture2D::compile"), 1u);
    EXPECT_EQ(undrawnThisFrame, 3);
    broken.resize(4, 4);
    EXPECT_TRUE(broken.bind());
    broken.unbind();
    broken.resize(-1, 4);
    EXPECT_FALSE(broken.bind());
    EXPECT_EQ(log.count("Texture2D::compile"), 2u);

    Texture3D broken3d(4, 4, -2, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge,
                       glenum::Linear);
    EXPECT_FALSE(broken3d.bind());
    EXPECT_TRUE(log.contains("ERROR Texture3D::compile "));
    TextureCubeArray brokenCubes(4, 1, 0x1234, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    EXPECT_FALSE(brokenCubes.bind());
    EXPECT_TRUE(log.contains("ERROR TextureCubeArray::compile "));
    EXPECT_FALSE(brokenCubes.setLayer(0, std::vector<std::uint8_t>(6 * 4 * 4 * 4)));
    undrawnThisFrame = 0;
}

TEST_F(TextureGL, mipmapsReportTheLevelCount) {
    Texture2D texture = rgba2D(16, 4);
    EXPECT_EQ(texture.generateMipmaps(), 5);
    EXPECT_EQ(textureUnitCounter, 0);
    Texture2D broken(-1, 4, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    LogLines quiet;
    EXPECT_EQ(broken.generateMipmaps(), 0);
}

TEST_F(TextureGL, animationSlicesReadBackInFrameOrder) {
    QTemporaryDir dir;
    const QString file = dir.filePath("blink.gif");
    ASSERT_TRUE(test::writeFile(file, test::gifFile(2, 2, {test::solidFrame(2, 2, 1), test::solidFrame(2, 2, 3)})));
    Texture3D texture(file.toStdString(), false);
    ASSERT_FALSE(texture.failed);
    const auto slices = readBack(texture, GL_TEXTURE_3D, GL_RGBA, GL_UNSIGNED_BYTE, 2 * 2 * 2 * 4);
    EXPECT_EQ(slices[0], 255); // red first
    EXPECT_EQ(slices[2], 0);
    EXPECT_EQ(slices[16], 0); // then blue
    EXPECT_EQ(slices[18], 255);
    EXPECT_TRUE(texture.pixels.empty());
}

TEST_F(TextureGL, stagedCubeFacesReadBackInFaceOrderAndStayStaged) {
    const int size = 4;
    TextureCube cube(size, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    const auto faces = countingBytes(std::size_t(6 * size * size * 3));
    cube.setData(faces.data(), std::uint32_t(faces.size()));
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(cube.readPixels(out));
    EXPECT_EQ(out, faces);
    EXPECT_EQ(cube.pixels.size(), faces.size());
    EXPECT_EQ(textureUnitCounter, 0);
}

TEST_F(TextureGL, cubeReadBackSizesTexelsFromFormatAndType) {
    // One float per texel: four bytes, not one.
    const int size = 2;
    TextureCube cube(size, 0x822E /* R32F */, glenum::Red, glenum::Float, glenum::ClampToEdge, glenum::Linear);
    std::vector<float> values(6 * size * size);
    std::iota(values.begin(), values.end(), 0.5f);
    cube.setData(values.data(), std::uint32_t(values.size() * sizeof(float)));
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(cube.readPixels(out));
    ASSERT_EQ(out.size(), values.size() * sizeof(float));
    EXPECT_EQ(std::memcmp(out.data(), values.data(), out.size()), 0);

    TextureCube odd(size, glenum::Rgba8, 0x1234, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    EXPECT_FALSE(odd.readPixels(out));
}

TEST_F(TextureGL, panoramaCubeHoldsTheResampledFaces) {
    QTemporaryDir dir;
    const QImage panorama = test::gradientImage(8, 4, false);
    ASSERT_TRUE(panorama.save(dir.filePath("pano.png")));
    TextureCube cube(dir.filePath("pano.png").toStdString(), 4, false);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(cube.readPixels(out));
    for (int k = 0; k < 6; ++k) {
        const QImage face = resampleEquirectangularFace(panorama, k, 4).convertToFormat(QImage::Format_RGB888);
        for (int j = 0; j < 4; ++j)
            ASSERT_EQ(std::memcmp(out.data() + std::size_t(k * 48 + j * 12), face.constScanLine(j), 12), 0)
                << "face " << k << " row " << j;
    }
}

TEST_F(TextureGL, cubeArrayTakesLayersAndCopiesOfCubes) {
    const int size = 2;
    TextureCubeArray array(size, 2, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge,
                           glenum::Linear);
    const auto first = countingBytes(std::size_t(6 * size * size * 4), 3);
    TextureCube cube(size, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    const auto second = countingBytes(first.size(), 101);
    cube.setData(second.data(), std::uint32_t(second.size()));

    EXPECT_TRUE(array.setLayer(0, first));
    EXPECT_TRUE(array.copyCube(1, &cube));
    EXPECT_FALSE(array.setLayer(2, first)); // no third cube
    EXPECT_FALSE(array.setLayer(0, std::vector<std::uint8_t>(first.size() - 1)));
    EXPECT_FALSE(array.copyCube(0, nullptr));

    const auto all = readBack(array, GL_TEXTURE_CUBE_MAP_ARRAY, GL_RGBA, GL_UNSIGNED_BYTE, 2 * first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), all.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), all.begin() + std::ptrdiff_t(first.size())));
}

TEST_F(TextureGL, layerArrayScalesEachImageAndSkipsUnreadableOnes) {
    QTemporaryDir dir;
    QImage red(4, 4, QImage::Format_RGB32), green(8, 2, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    green.fill(qRgb(0, 255, 0));
    ASSERT_TRUE(red.save(dir.filePath("red.png")));
    ASSERT_TRUE(green.save(dir.filePath("green.png")));
    Texture2DArray array(2, 1, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    ASSERT_TRUE(array.loadFile(dir.filePath("red.png").toStdString(), false));
    ASSERT_TRUE(array.loadFile(dir.filePath("green.png").toStdString(), false));
    ASSERT_TRUE(array.loadFile(dir.filePath("red.png").toStdString(), false));
    ASSERT_EQ(array.depth(), 3);
    // The third image vanishes before the compile: that layer is skipped and reported.
    ASSERT_TRUE(QFile::remove(dir.filePath("red.png")));
    array.files[0] = dir.filePath("green.png").toStdString();
    LogLines log;
    const auto texels = readBack(array, GL_TEXTURE_2D_ARRAY, GL_RGB, GL_UNSIGNED_BYTE, 3 * 2 * 2 * 3);
    EXPECT_TRUE(log.contains("ERROR Texture2DArray::compile " + dir.filePath("red.png").toStdString()));
    EXPECT_EQ(texels[0], 0);
    EXPECT_EQ(texels[1], 255);      // layer 0 green
    EXPECT_EQ(texels[12 + 1], 255); // layer 1 green
}

TEST_F(TextureGL, fontUploadsAsAClampedRgbaTexture) {
    Fonts font(":/Fonts/proggy.png");
    ASSERT_TRUE(font.bind());
    GLint width = 0;
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, font.width());
    EXPECT_EQ(font.internalFormat, glenum::Rgba8);
    EXPECT_EQ(font.wrap, glenum::ClampToEdge);
    font.unbind();
}

} // namespace
} // namespace kal
