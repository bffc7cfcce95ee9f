// Letter placement of the bitmap text: pen advance, whole-pixel cells, atlas cells of each code.
#include "gpu/Fonts.h"

#include <gtest/gtest.h>

namespace {

using namespace kal;

TEST(FontsText, letterCellStartsOneGlyphRightOfThePen) {
    const auto quads = Fonts::layoutText("x", vec2(100, 50), vec2(1000, 500), 8);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_FLOAT_EQ(quads[0].offset.x, 0.108f);
    EXPECT_FLOAT_EQ(quads[0].offset.y, 0.1f);
    EXPECT_EQ(quads[0].cell.column, 24);
    EXPECT_EQ(quads[0].cell.row, 2);
}

TEST(FontsText, spacesAdvanceThePenWithoutAQuad) {
    const auto quads = Fonts::layoutText("a  b", vec2(0, 0), vec2(100, 100), 10);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(quads[0].offset.x, 0.1f);
    EXPECT_FLOAT_EQ(quads[1].offset.x, 0.4f);
}

TEST(FontsText, penPositionsRoundToWholePixelsHalvesAwayFromZero) {
    const auto quads = Fonts::layoutText("ab", vec2(0.5f, 10.5f), vec2(100, 100), 1.25f);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(quads[0].offset.x * 100, 2.0f);  // 1.75
    EXPECT_FLOAT_EQ(quads[1].offset.x * 100, 3.0f);  // 3.0
    EXPECT_FLOAT_EQ(quads[0].offset.y * 100, 11.0f); // 10.5
}

TEST(FontsText, codesOutsideTheAtlasDrawAQuestionMark) {
    const std::string text = std::string("\x01") + char(0xE9) + char(127);
    const auto quads = Fonts::layoutText(text, vec2(0, 0), vec2(64, 64), 8);
    ASSERT_EQ(quads.size(), 3u);
    const GlyphCell question = Fonts::glyphCell('?');
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(quads[size_t(i)].cell.column, question.column);
        EXPECT_EQ(quads[size_t(i)].cell.row, question.row);
    }
    EXPECT_EQ(quads[2].cell.glyph, 95); // 127 is the atlas's last cell
    for (const auto& q : quads) {
        EXPECT_GE(q.cell.offset.x, 0.0f);
        EXPECT_LT(q.cell.offset.y, 1.0f);
    }
}

TEST(FontsText, viewWithoutSizePlacesNothing) {
    EXPECT_TRUE(Fonts::layoutText("abc", vec2(0, 0), vec2(0, 100), 8).empty());
    EXPECT_TRUE(Fonts::layoutText("abc", vec2(0, 0), vec2(100, -1), 8).empty());
    EXPECT_TRUE(Fonts::layoutText("", vec2(0, 0), vec2(100, 100), 8).empty());
}

} // namespace
