// Glyph cell arithmetic of the bitmap fonts and the two built-in atlases.
#include "gpu/Fonts.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(FontCells, glyphsRunRowByRowFromTheTopLeft) {
    const GlyphCell space = Fonts::glyphCell(' ');
    EXPECT_EQ(space.glyph, 0);
    EXPECT_EQ(space.column, 0);
    EXPECT_EQ(space.row, 0);

    const GlyphCell a = Fonts::glyphCell('A');
    EXPECT_EQ(a.glyph, 33);
    EXPECT_EQ(a.column, 1);
    EXPECT_EQ(a.row, 1);
    EXPECT_FLOAT_EQ(a.offset.x, 1.0f / 32.0f);
    EXPECT_FLOAT_EQ(a.offset.y, 1.0f / 3.0f);

    const GlyphCell tilde = Fonts::glyphCell('~');
    EXPECT_EQ(tilde.glyph, 94);
    EXPECT_EQ(tilde.column, 30);
    EXPECT_EQ(tilde.row, 2);

    EXPECT_EQ(Fonts::glyphCell(127).column, 31);
    EXPECT_FLOAT_EQ(Fonts::cellScale().x, 1.0f / 32.0f);
    EXPECT_FLOAT_EQ(Fonts::cellScale().y, 1.0f / 3.0f);
}

TEST(FontCells, everyPrintableCodeHasItsOwnCellInsideTheGrid) {
    bool seen[96] = {};
    for (int code = 32; code <= 127; ++code) {
        const GlyphCell cell = Fonts::glyphCell(code);
        ASSERT_GE(cell.column, 0);
        ASSERT_LT(cell.column, 32);
        ASSERT_GE(cell.row, 0);
        ASSERT_LT(cell.row, 3);
        ASSERT_FALSE(seen[cell.row * 32 + cell.column]) << code;
        seen[cell.row * 32 + cell.column] = true;
        ASSERT_LE(cell.offset.x + 1.0f / 32.0f, 1.0f + 1e-6f);
        ASSERT_LE(cell.offset.y + 1.0f / 3.0f, 1.0f + 1e-6f);
    }
}

TEST(FontCells, codesOutsideTheGridShowAsQuestionMark) {
    const int question = Fonts::glyphCell('?').glyph;
    for (int code : {0, 10, 31, 128, 255, -61, 1000}) EXPECT_EQ(Fonts::glyphCell(code).glyph, question) << code;
}

TEST(FontCells, builtInFontsHaveWholeCellsAndTheLargeOneIsBigger) {
    Fonts normal(":/Fonts/proggy.png");
    Fonts large(":/Fonts/pixelcarnage.png");
    ASSERT_FALSE(normal.failed);
    ASSERT_FALSE(large.failed);
    EXPECT_EQ(normal.name, ":/Fonts/proggy.png");
    EXPECT_FLOAT_EQ(normal.cellWidth, normal.width() / 32.0f);
    EXPECT_FLOAT_EQ(normal.cellHeight, normal.height() / 3.0f);
    EXPECT_EQ(normal.internalFormat, glenum::Rgba8);
    EXPECT_GT(large.cellHeight, normal.cellHeight);
    EXPECT_GT(large.cellWidth, normal.cellWidth);
}

TEST(FontCells, missingFontIsFlaggedWithZeroCells) {
    Fonts missing(":/Fonts/none.png");
    EXPECT_TRUE(missing.failed);
    EXPECT_EQ(missing.cellWidth, 0.0f);
    EXPECT_EQ(missing.cellHeight, 0.0f);
}

} // namespace
} // namespace kal
