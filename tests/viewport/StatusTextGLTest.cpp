// The text cursor printing over a render target, and the font switch.
#include "gpu/FBO.h"
#include "gpu/Fonts.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"
#include "viewport/StatusText.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace kal;

constexpr int W = 128, H = 64;

class StatusTextGL : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        gl->glGetError();
        target = test::makeColourTarget(W, H, colour);
        ASSERT_TRUE(target);
        setLargeFonts(false);
    }
    void TearDown() override {
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(textureUnitCounter, 0);
    }
    // Columns x of row band [y0, y0 + 12) holding any ink; alphas receives the ink's alpha values.
    std::vector<int> inkColumns(int y0, std::vector<int>* alphas = nullptr) {
        std::vector<unsigned char> px(size_t(W * H * 4));
        gl->glReadBuffer(GLenum(colour->attachment));
        gl->glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        std::vector<int> xs;
        for (int x = 0; x < W; ++x) {
            bool ink = false;
            for (int y = y0; y < y0 + 12; ++y) {
                int alpha = px[size_t((y * W + x) * 4 + 3)];
                if (alpha == 0) continue;
                ink = true;
                if (alphas) alphas->push_back(alpha);
            }
            if (ink) xs.push_back(x);
        }
        return xs;
    }
    std::unique_ptr<FBO> target;
    Texture2D* colour = nullptr;
};

TEST_F(StatusTextGL, printsContinueAlongTheLineAndNewLinesStartOneCellLower) {
    HudCursor cursor;
    cursor.width = W;
    cursor.height = H;
    for (int i = 0; i < 4; ++i) cursor.colour[i] = statusGrey[i];
    cursor.printHudText("|||||", false);
    EXPECT_EQ(cursor.column, 5);
    EXPECT_EQ(cursor.line, 0);
    cursor.printHudText("|", true);
    EXPECT_EQ(cursor.column, 0);
    EXPECT_EQ(cursor.line, 1);
    cursor.printHudText("", true);
    EXPECT_EQ(cursor.line, 2) << "an empty text still ends its line";

    // six bars on the first row of cells: cell k starts at 8 + 8 (k + 1), the bar in its middle
    std::vector<int> alphas;
    const std::vector<int> first = inkColumns(8, &alphas);
    ASSERT_EQ(first.size(), 6u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(first[size_t(k)], 16 + 8 * k + 3);
    // the grey is drawn opaque: text with less alpha fades wherever the image's alpha is used
    for (int alpha : alphas) EXPECT_EQ(alpha, 255);
    EXPECT_TRUE(inkColumns(20).empty()) << "the next line has nothing";
}

TEST_F(StatusTextGL, largeFontLoadsOnceAndTheSmallOneComesBack) {
    setLargeFonts(true);
    Fonts* large = hudFont;
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->name, largeFontFile);
    EXPECT_EQ(large->cellWidth, 16.0f);
    EXPECT_EQ(large->cellHeight, 24.0f);
    setLargeFonts(true);
    EXPECT_EQ(hudFont, large) << "switching on twice keeps the loaded font";
    setLargeFonts(false);
    EXPECT_EQ(hudFont->name, smallFontFile);
    EXPECT_EQ(hudFont->cellWidth, 8.0f);
}

} // namespace
