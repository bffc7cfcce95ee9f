#pragma once
// Image files the tests write themselves: PNGs through QImage, or byte by byte when the header is
// to promise more rows than the file holds or the image data is to come in many chunks; GIFs byte
// by byte (GIF89a, a global palette, one graphic control extension and one full-size image per
// frame, the pixels LZW-coded as literal codes each behind a clear code, so no decoder table ever
// grows).
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QtGlobal>
#include <QImage>
#include <QString>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kal::test {

using Rgb = std::array<uint8_t, 3>;

struct GifFile {
    QByteArray bytes;
    std::vector<int> frameStart; // offset of each frame's control extension
};

// Frames of w x h pixels, frame k filled with palette entry colours[k]; palette of at most 4.
inline GifFile gifBytes(int w, int h, const std::vector<Rgb>& palette, const std::vector<int>& colours,
                        int delayCentiseconds) {
    GifFile gif;
    QByteArray& b = gif.bytes;
    auto u16 = [&b](int v) {
        b.append(char(v & 0xFF));
        b.append(char((v >> 8) & 0xFF));
    };
    b.append("GIF89a", 6);
    u16(w);
    u16(h);
    b.append(char(0x91)); // global table of 4 entries, 2 bits of colour resolution
    b.append(char(0));    // background
    b.append(char(0));    // aspect
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c) b.append(char(i < int(palette.size()) ? palette[size_t(i)][size_t(c)] : 0));
    for (int colour : colours) {
        gif.frameStart.push_back(b.size());
        b.append("\x21\xF9\x04\x00", 4);
        u16(delayCentiseconds);
        b.append("\x00\x00", 2);
        b.append(char(0x2C));
        u16(0);
        u16(0);
        u16(w);
        u16(h);
        b.append(char(0));
        b.append(char(2)); // minimum code size: clear 4, end 5, codes of 3 bits
        std::vector<uint8_t> packed;
        uint32_t bits = 0;
        int held = 0;
        auto code = [&](uint32_t c) {
            bits |= c << held;
            held += 3;
            while (held >= 8) {
                packed.push_back(uint8_t(bits & 0xFF));
                bits >>= 8;
                held -= 8;
            }
        };
        for (int p = 0; p < w * h; ++p) {
            code(4);
            code(uint32_t(colour));
        }
        code(5);
        if (held > 0) packed.push_back(uint8_t(bits & 0xFF));
        for (size_t at = 0; at < packed.size(); at += 255) {
            const size_t n = std::min<size_t>(255, packed.size() - at);
            b.append(char(n));
            b.append(reinterpret_cast<const char*>(packed.data() + at), int(n));
        }
        b.append(char(0));
    }
    b.append(char(0x3B));
    return gif;
}

inline bool writeBytes(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A w x h PNG whose left half has alpha leftAlpha and right half rightAlpha, colour rgb.
inline bool writePng(const std::string& path, int w, int h, Rgb rgb, int leftAlpha = 255, int rightAlpha = 255) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(rgb[0], rgb[1], rgb[2], x < w / 2 ? leftAlpha : rightAlpha));
    return image.save(QString::fromStdString(path), "PNG");
}

// The CRC of a PNG chunk's type and data.
inline uint32_t pngCrc(const QByteArray& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) {
        c ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline void appendBigEndian(QByteArray& bytes, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.append(char((v >> shift) & 0xFF));
}

inline void appendPngChunk(QByteArray& png, const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    appendBigEndian(png, uint32_t(data.size()));
    png.append(body);
    appendBigEndian(png, pngCrc(body));
}

// An RGB PNG of w x h pixels of noise drawn from seed, as Qt writes it: its image data barely
// compresses.
inline QByteArray noisePngBytes(int w, int h, unsigned seed) {
    QImage image(w, h, QImage::Format_RGB888);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) image.scanLine(y)[x] = uchar(random());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The PNG with its image data split into chunks of at most `bytes` each (the file's own order of
// chunks otherwise kept), as a streaming writer may leave it.
inline QByteArray pngInImageDataChunksOf(const QByteArray& png, int bytes) {
    QByteArray out = png.left(8), data;
    for (int at = 8; at + 12 <= png.size();) {
        const int length = int(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == "IDAT") {
            data += png.mid(at + 8, length);
        } else {
            for (int from = 0; from < data.size(); from += bytes) appendPngChunk(out, "IDAT", data.mid(from, bytes));
            data.clear();
            out += png.mid(at, 12 + length);
        }
        at += 12 + length;
    }
    return out;
}

// A PNG of w x h pixels of a colour type (0 grey, 2 RGB, 4 grey and alpha, 6 RGBA) at `depth` bits
// a channel that holds only its first `rows` rows: with fewer than h, its header promises more
// than the file has. `transparent`, when given, is the body of a tRNS chunk. The pixel bytes are a
// diagonal ramp, so that the file stays small. An interlaced picture holds its seven passes, each
// a smaller picture of its own; `rows` then counts the rows of all passes together.
inline QByteArray pngBytes(int w, int h, int colourType, int depth, int rows, const QByteArray& transparent = {},
                           bool interlaced = false) {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, uint32_t(w));
    appendBigEndian(header, uint32_t(h));
    header.append(char(depth));
    header.append(char(colourType));
    header.append(2, char(0)); // deflate, adaptive filters
    header.append(char(interlaced ? 1 : 0));
    appendPngChunk(png, "IHDR", header);
    if (!transparent.isEmpty()) appendPngChunk(png, "tRNS", transparent);
    const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : colourType == 4 ? 2 : 1;
    // the passes' pictures, (x0, y0, dx, dy) of their first pixel and their steps
    struct Pass {
        int x0, y0, dx, dy;
    };
    const std::vector<Pass> passes = interlaced
                                         ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                                         : std::vector<Pass>{{0, 0, 1, 1}};
    QByteArray raw;
    int written = 0;
    for (const Pass& pass : passes) {
        const int passWidth = (w - pass.x0 + pass.dx - 1) / pass.dx, passHeight = (h - pass.y0 + pass.dy - 1) / pass.dy;
        if (passWidth <= 0) continue; // an empty pass has no rows, not even their filter bytes
        const int rowBytes = 1 + (passWidth * channels * depth + 7) / 8;
        for (int y = 0; y < passHeight && written < rows; ++y, ++written) {
            const qsizetype at = raw.size();
            raw.resize(at + rowBytes);
            char* row = raw.data() + at;
            row[0] = 0; // filter byte 0: rows as they are
            for (int i = 1; i < rowBytes; ++i) row[i] = char((i + y) & 0xFF);
        }
    }
    appendPngChunk(png, "IDAT", qCompress(raw, 1).mid(4)); // less Qt's length prefix: a zlib stream
    appendPngChunk(png, "IEND", {});
    return png;
}

inline QByteArray rgbaPngBytes(int w, int h, int depth, int rows) { return pngBytes(w, h, 6, depth, rows); }

} // namespace kal::test
