// Printing a string with the bitmap font: one screen-aligned quad per letter, cut from the atlas.
#include "gpu/Filters.h"
#include "gpu/Fonts.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

#include <cmath>

namespace kal {

std::vector<LetterQuad> Fonts::layoutText(const std::string& text, vec2 position, vec2 screen, float glyphWidth) {
    std::vector<LetterQuad> quads;
    // a view without size has no pixel to put a letter on
    if (!(screen.x > 0.0f) || !(screen.y > 0.0f)) return quads;
    float x = position.x;
    const float y = std::round(position.y) / screen.y;
    for (const char c : text) {
        x += glyphWidth;
        if (c == ' ') continue;
        LetterQuad q;
        // codes outside the atlas (control bytes, bytes above 127) show as '?', never as a
        // cell read from beyond the image
        q.cell = glyphCell(static_cast<signed char>(c));
        q.offset = vec2(std::round(x) / screen.x, y);
        quads.push_back(q);
    }
    return quads;
}

void Fonts::drawText(const std::string& text, vec2 position, vec2 screen, const std::uint8_t colour[4]) {
    if (text.empty()) return;
    const std::vector<LetterQuad> quads = layoutText(text, position, screen, cellWidth);
    if (quads.empty()) return;
    if (!shaderDrawLetter->bind()) return;
    if (!bind()) {
        unbind();
        shaderDrawLetter->unbind();
        return;
    }
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    setUniformInt("Image", unit());
    setUniformColor("color", colour);
    setUniformVec2("texscale", cellScale());
    setUniformVec2("scale", vec2(cellWidth / screen.x, cellHeight / screen.y));
    for (const LetterQuad& q : quads) {
        setUniformVec2("texoffset", q.cell.offset);
        setUniformVec2("offset", q.offset);
        drawQuadStrip(false);
    }
    unbindQuadBuffer();
    unbind();
    shaderDrawLetter->unbind();
}

} // namespace kal
