#include "viewport/PickReadback.h"

#include <algorithm>

#include <QOpenGLFunctions_4_0_Core>

#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/Texture2D.h"

namespace kal::pickread {

namespace {

bool inside(const FBOScene& t, int x, int y) { return x >= 0 && y >= 0 && x < t.width && y < t.height; }

// Reads one pixel of a colour attachment of the bound target; false when it is not attached.
bool readColour(const FBOScene& t, const Texture2D* texture, int x, int y, GLenum format, GLenum type, void* out) {
    if (!texture || texture->attachment < int(GL_COLOR_ATTACHMENT0) || !inside(t, x, y)) return false;
    gl->glReadBuffer(GLenum(texture->attachment));
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(x, y, 1, 1, format, type, out);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return true;
}

uint16_t widen(uint8_t c) { return uint16_t(c * 257); }

} // namespace

uint8_t stencil(const FBOScene& t, int x, int y) {
    if (!inside(t, x, y)) return 0;
    uint8_t s = 0;
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &s);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return s;
}

float depth(const FBOScene& t, int x, int y) {
    float d = 1.0f;
    if (!inside(t, x, y)) return d;
    gl->glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
    return d;
}

void ids(const FBOScene& t, int x, int y, uint32_t out[3]) {
    out[0] = out[1] = out[2] = 0;
    readColour(t, t.idTexture, x, y, GL_RGB_INTEGER, GL_UNSIGNED_INT, out);
}

vec3 normal(const FBOScene& t, int x, int y) {
    float n[3] = {0, 0, 0};
    readColour(t, t.normalTexture, x, y, GL_RGB, GL_FLOAT, n);
    return {n[0], n[1], n[2]};
}

vec3 normalFromDepth(const FBOScene& t, int x, int y, float farDistance) {
    float d[9];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const int px = std::clamp(x - 1 + col, 0, std::max(t.width - 1, 0));
            const int py = std::clamp(y - 1 + row, 0, std::max(t.height - 1, 0));
            d[3 * row + col] = depth(t, px, py);
        }
    const float dz = farDistance != 0.0f ? 1.0f / farDistance : 1.0f;
    return normalize(vec3(d[5] - d[3], d[7] - d[1], dz));
}

bool readHit(FBOScene* transparent, FBOScene* opaque, int x, int y, TargetHit& out) {
    out = TargetHit();
    if (!transparent || !transparent->bind()) return false;
    out.bound = transparent;
    out.stencil = stencil(*transparent, x, y);
    if (out.stencil == 0) return true;
    out.depth = depth(*transparent, x, y);
    // where both layers drew, the transparent surface is the one picked
    if (!(out.stencil & transparent->layer)) {
        transparent->unbind();
        out.bound = nullptr;
        if (!opaque || !opaque->bind()) return false;
        out.bound = opaque;
    }
    ids(*out.bound, x, y, out.ids);
    return true;
}

bool decodeMaterialWord(uint32_t word, int16_t& roughness, int16_t& metalness) {
    if (word == 0) return false;
    roughness = int16_t(std::clamp(int(word & 0xFFFFu) - 32767, -kPbrSignedLimit, kPbrSignedLimit));
    metalness = int16_t(std::clamp(int(word >> 16) - 32767, -kPbrSignedLimit, kPbrSignedLimit));
    return true;
}

pbr surfaceMaterial(const FBOScene& t, int x, int y, uint32_t materialWord) {
    pbr m;
    if (!decodeMaterialWord(materialWord, m.roughness, m.metalness)) return m;
    uint8_t colour[4] = {255, 255, 255, 255};
    if (readColour(t, t.colorTexture, x, y, GL_RGBA, GL_UNSIGNED_BYTE, colour)) {
        m.red = widen(colour[0]);
        m.green = widen(colour[1]);
        m.blue = widen(colour[2]);
        m.opacity = widen(colour[3]);
    }
    uint8_t light[4] = {0, 0, 0, 0};
    if (readColour(t, t.lightTexture, x, y, GL_RGBA, GL_UNSIGNED_BYTE, light)) {
        m.lightRed = widen(light[0]);
        m.lightGreen = widen(light[1]);
        m.lightBlue = widen(light[2]);
    }
    return m;
}

} // namespace kal::pickread
