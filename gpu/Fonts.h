#pragma once
// A bitmap font: one image holding the 96 glyphs of the character codes 32..127 in
// 32 columns by 3 rows, top row first, each cell cellWidth x cellHeight pixels.
#include "foundation/Vec.h"
#include "gpu/Texture2D.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kal {

// Where one character sits in the atlas, in cells and in texture coordinates.
struct GlyphCell {
    int glyph = 0;  // code - 32
    int column = 0; // glyph mod 32
    int row = 0;    // glyph div 32, row 0 at the image top
    vec2 offset;    // (column / 32, row / 3): the "texoffset" of the letter shader
};

// One drawn character: its atlas cell and the lower-left corner of its quad in units of the view
// (the "offset" of the letter shader).
struct LetterQuad {
    GlyphCell cell;
    vec2 offset;
};

class Fonts : public Texture2D {
public:
    // The file name is used as given (resource paths such as ":/Fonts/proggy.png").
    // A font that fails to load has `failed` set and zero cells.
    explicit Fonts(const std::string& file);

    // Codes outside 32..127 have no cell of their own and show as '?'.
    static GlyphCell glyphCell(int code);
    // The "texscale" of the letter shader: one cell in texture coordinates.
    static vec2 cellScale() { return vec2(1.0f / columns, 1.0f / rows); }

    // Where the letters of a text go (FontsText.cpp): the pen moves one glyph width before every
    // character and each cell starts on a whole pixel; spaces take room but draw nothing. Empty
    // for a view without size.
    static std::vector<LetterQuad> layoutText(const std::string& text, vec2 position, vec2 screen, float glyphWidth);
    // Prints the text into the current draw buffer of the bound target, one quad per letter in
    // one flat colour (bytes red, green, blue, alpha); position and screen are in pixels, the
    // origin at the bottom-left. Depth and blend state stay as they are.
    void drawText(const std::string& text, vec2 position, vec2 screen, const std::uint8_t colour[4]);

    static constexpr int columns = 32;
    static constexpr int rows = 3;
    static constexpr int firstCode = 32;
    static constexpr int lastCode = 127;

    float cellWidth = 0;
    float cellHeight = 0;
};

} // namespace kal
