#include "gpu/Fonts.h"

namespace kal {

Fonts::Fonts(const std::string& file) : Texture2D(file, false) {
    cellWidth = width() > 0 ? float(width()) / float(columns) : 0.0f;
    cellHeight = height() > 0 ? float(height()) / float(rows) : 0.0f;
}

GlyphCell Fonts::glyphCell(int code) {
    if (code < firstCode || code > lastCode) code = '?';
    GlyphCell cell;
    cell.glyph = code - firstCode;
    cell.column = cell.glyph % columns;
    cell.row = cell.glyph / columns;
    cell.offset = vec2(float(cell.column) / columns, float(cell.row) / rows);
    return cell;
}

} // namespace kal
