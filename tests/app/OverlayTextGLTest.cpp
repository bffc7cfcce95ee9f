// The text cursor of the viewport's status overlay: where each piece goes and which font draws it.
#include "gpu/Fonts.h"
#include "viewport/StatusText.h"

#include <gtest/gtest.h>

namespace {

class OverlayText : public ::testing::Test {
protected:
    kal::HudCursor cursor;

    void SetUp() override {
        // A font left by an earlier window belongs to a context that is gone: forget it unseen.
        kal::hudFont = nullptr;
        cursor.width = 320;
        cursor.height = 240;
        for (std::uint8_t& c : cursor.colour) c = 255;
    }
    void TearDown() override {
        delete kal::hudFont;
        kal::hudFont = nullptr;
    }
};

} // namespace

TEST_F(OverlayText, firstPrintMakesTheSmallFontWithCellsFromItsImage) {
    cursor.printHudText("abc", false);
    ASSERT_NE(kal::hudFont, nullptr);
    EXPECT_EQ(kal::hudFont->name, ":/Fonts/proggy.png");
    ASSERT_GT(kal::hudFont->width(), 0);
    EXPECT_FLOAT_EQ(kal::hudFont->cellWidth, float(kal::hudFont->width()) / 32.0f);
    EXPECT_FLOAT_EQ(kal::hudFont->cellHeight, float(kal::hudFont->height()) / 3.0f);
}

TEST_F(OverlayText, laterPrintsUseWhateverFontIsInPlace) {
    kal::setLargeFonts(true);
    kal::Fonts* large = kal::hudFont;
    ASSERT_NE(large, nullptr);
    cursor.printHudText("x", true);
    EXPECT_EQ(kal::hudFont, large);
    EXPECT_EQ(kal::hudFont->name, ":/Fonts/pixelcarnage.png");
}

TEST_F(OverlayText, cursorMovesAlongTheLineByBytesAndNewLinesRestartIt) {
    cursor.printHudText("hello", false);
    EXPECT_EQ(cursor.column, 5);
    EXPECT_EQ(cursor.line, 0);
    cursor.printHudText("ab", false);
    EXPECT_EQ(cursor.column, 7);
    cursor.printHudText("", true); // draws nothing but still ends the line
    EXPECT_EQ(cursor.column, 0);
    EXPECT_EQ(cursor.line, 1);
    cursor.printHudText("", false);
    EXPECT_EQ(cursor.column, 0);
    cursor.printHudText("next", true);
    EXPECT_EQ(cursor.column, 0);
    EXPECT_EQ(cursor.line, 2);
}
