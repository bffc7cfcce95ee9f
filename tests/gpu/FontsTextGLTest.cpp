// Bitmap text read back from a render target: each letter is its atlas cell, texel for texel, at
// the pen position, in the given colour; everything else stays untouched.
#include "GLTestTargets.h"
#include "TargetTestHelpers.h"

#include "gpu/FBO.h"
#include "gpu/Fonts.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"

#include <QImage>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace kal;
using namespace kal::test;

constexpr int W = 64, H = 32;

class FontsTextGL : public ::testing::Test {
protected:
    void SetUp() override {
        Shader::unbindCurrent();
        gl->glGetError();
        target = test::makeColourTarget(W, H, colour, 0, 0, 1, 0);
        ASSERT_TRUE(target);
        atlas = QImage(":/Fonts/proggy.png").convertToFormat(QImage::Format_RGBA8888);
        ASSERT_FALSE(atlas.isNull());
    }
    void TearDown() override {
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(textureUnitCounter, 0) << "the font's unit was not given back";
    }
    std::vector<unsigned char> pixels() {
        return readAttachment<unsigned char>(GLenum(colour->attachment), W, H, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    }
    // Ink of the atlas cell of a code at (i, j) of the cell, j counted from the cell's top row.
    bool atlasInk(int code, int i, int j) {
        const GlyphCell c = Fonts::glyphCell(code);
        return qRed(atlas.pixel(c.column * 8 + i, c.row * 12 + j)) != 0;
    }
    // The quad of a letter starts at pixel (x0, y0); its row j shows the cell's row j from the top,
    // which the widget's upside-down presentation puts the right way up on screen.
    void expectLetter(const std::vector<unsigned char>& px, int code, int x0, int y0, const uint8_t rgba[4]) {
        for (int j = 0; j < 12; ++j)
            for (int i = 0; i < 8; ++i) {
                const unsigned char* p = &px[size_t(((y0 + j) * W + x0 + i) * 4)];
                if (atlasInk(code, i, j)) {
                    EXPECT_EQ(p[0], rgba[0]) << i << "," << j;
                    EXPECT_EQ(p[3], rgba[3]) << i << "," << j;
                } else {
                    EXPECT_EQ(p[2], 255) << "untouched at " << i << "," << j;
                }
            }
    }
    int inkCount(const std::vector<unsigned char>& px) {
        int n = 0;
        for (size_t k = 0; k < px.size(); k += 4) n += px[k + 2] != 255;
        return n;
    }

    std::unique_ptr<FBO> target;
    Texture2D* colour = nullptr;
    QImage atlas;
};

TEST_F(FontsTextGL, lettersAreTheirAtlasCellsOneGlyphRightOfThePen) {
    Fonts font(":/Fonts/proggy.png");
    ASSERT_EQ(font.cellWidth, 8.0f);
    ASSERT_EQ(font.cellHeight, 12.0f);
    const uint8_t yellow[4] = {255, 255, 0, 255};
    font.drawText("Hx", vec2(4.4f, 10.0f), vec2(W, H), yellow);
    const auto px = pixels();
    expectLetter(px, 'H', 12, 10, yellow);
    expectLetter(px, 'x', 20, 10, yellow);
    EXPECT_GT(inkCount(px), 10);
}

TEST_F(FontsTextGL, bytesOutsideTheAtlasDrawAQuestionMark) {
    Fonts font(":/Fonts/proggy.png");
    const uint8_t green[4] = {0, 255, 0, 255};
    font.drawText(std::string("\x07") + char(0xC3), vec2(0, 0), vec2(W, H), green);
    const auto px = pixels();
    expectLetter(px, '?', 8, 0, green);
    expectLetter(px, '?', 16, 0, green);
}

TEST_F(FontsTextGL, colourAlphaIsWrittenAndSpacesDrawNothing) {
    Fonts font(":/Fonts/proggy.png");
    const uint8_t grey[4] = {204, 204, 204, 128};
    font.drawText("   ", vec2(0, 0), vec2(W, H), grey);
    EXPECT_EQ(inkCount(pixels()), 0);
    font.drawText(" A", vec2(0, 0), vec2(W, H), grey);
    expectLetter(pixels(), 'A', 16, 0, grey);
}

TEST_F(FontsTextGL, fontThatFailedToLoadDrawsNothing) {
    Fonts font(":/Fonts/no-such-font.png");
    const uint8_t white[4] = {255, 255, 255, 255};
    font.drawText("abc", vec2(0, 0), vec2(W, H), white);
    EXPECT_EQ(inkCount(pixels()), 0);
    gl->glGetError();
}

} // namespace
