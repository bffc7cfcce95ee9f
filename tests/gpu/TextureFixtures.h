#pragma once
// Tiny procedural fixtures for the texture tests: captured log lines (LogLines.h), a scratch
// folder, and image files written on the spot (PNG/JPG through QImage, GIF by hand
// since Qt reads GIF but cannot write it).
#include "LogLines.h"

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

namespace kal::test {

// An image whose every texel differs: red = x * 16 + 1, green = y * 16 + 2, blue = 200,
// alpha = 255 - x - y when withAlpha.
inline QImage gradientImage(int w, int h, bool withAlpha) {
    QImage image(w, h, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 16 + 1, y * 16 + 2, 200, withAlpha ? 255 - x - y : 255));
    return image;
}

// One GIF frame: palette indices (0..3), row by row, placed at (left, top).
struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    int delayHundredths = 10;
};

// A GIF with a fixed 4-colour palette (black, red, green, blue). The LZW stream is
// kept trivial: a clear code before every two literals, so codes never grow wider
// than three bits.
inline QByteArray gifFile(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames) {
    QByteArray out("GIF89a");
    auto u16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    u16(screenWidth);
    u16(screenHeight);
    out.append(char(0x81)); // global palette of 4 entries
    out.append(char(0));
    out.append(char(0));
    const unsigned char palette[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    out.append(reinterpret_cast<const char*>(palette), 12);
    // Loop forever, so readers treat the file as an animation.
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const GifFrame& f : frames) {
        out.append("\x21\xF9\x04\x00", 4);
        u16(f.delayHundredths);
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2C));
        u16(f.left);
        u16(f.top);
        u16(f.width);
        u16(f.height);
        out.append(char(0));
        out.append(char(2)); // minimum code size: clear 4, end 5
        std::vector<std::uint8_t> packed;
        std::uint32_t bits = 0;
        int count = 0;
        auto put = [&](std::uint32_t code) {
            bits |= code << count;
            count += 3;
            while (count >= 8) {
                packed.push_back(std::uint8_t(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        for (std::size_t i = 0; i < f.indices.size(); ++i) {
            if (i % 2 == 0) put(4);
            put(f.indices[i] & 3);
        }
        put(5);
        if (count > 0) packed.push_back(std::uint8_t(bits & 0xFF));
        for (std::size_t i = 0; i < packed.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
            out.append(char(n));
            out.append(reinterpret_cast<const char*>(packed.data() + i), int(n));
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

inline GifFrame solidFrame(int w, int h, std::uint8_t index, int left = 0, int top = 0) {
    GifFrame f;
    f.left = left;
    f.top = top;
    f.width = w;
    f.height = h;
    f.indices.assign(std::size_t(w) * std::size_t(h), index);
    return f;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace kal::test
