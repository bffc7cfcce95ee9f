// Texture descriptions, loaders and records: everything that runs without a GL context.
#include "ImageFiles.h"
#include "ResidentBytes.h"
#include "TextureFixtures.h"

#include "foundation/ByteBuffer.h"
#include "gpu/StillImage.h"
#include "gpu/Texture2D.h"
#include "gpu/Texture3D.h"
#include "gpu/TextureArrays.h"
#include "gpu/TextureCube.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace kal {
namespace {

using test::LogLines;

std::string tempPath(const QTemporaryDir& dir, const char* file) { return dir.filePath(file).toStdString(); }

TEST(TextureSizes, mipLevelCountCoversTheLargerSideAndIsZeroWithoutTexels) {
    EXPECT_EQ(Texture2D(512, 300, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear)
                  .mipLevelCount(),
              10);
    EXPECT_EQ(Texture2D(1, 1, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear)
                  .mipLevelCount(),
              1);
    EXPECT_EQ(
        Texture2D(1024, 1024, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear)
            .mipLevelCount(),
        11);
    EXPECT_EQ(Texture2D(0, 0, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear)
                  .mipLevelCount(),
              0);
}

TEST(TextureSizes, texelAndRowBytesFollowFormatTypeAndFourByteRows) {
    EXPECT_EQ(bytesPerTexel(glenum::Rgb, glenum::UnsignedByte), 3u);
    EXPECT_EQ(bytesPerTexel(glenum::Rgba, glenum::UnsignedByte), 4u);
    EXPECT_EQ(bytesPerTexel(glenum::Rgb, glenum::Float), 12u);
    EXPECT_EQ(bytesPerTexel(glenum::Red, glenum::Float), 4u);
    EXPECT_EQ(bytesPerTexel(0x1234, glenum::UnsignedByte), 0u);
    EXPECT_EQ(alignedImageBytes(3, 2, glenum::Rgb, glenum::UnsignedByte), 24u); // 9 -> 12 per row
    EXPECT_EQ(alignedImageBytes(0, 5, glenum::Rgba, glenum::UnsignedByte), 0u);
}

TEST(TexturePaths, relativeNamesGetTheFolderAndResourcePathsStay) {
    EXPECT_EQ(resolveTexturePath("a.png", true, textureFolder), "../Textures/a.png");
    EXPECT_EQ(resolveTexturePath("a.png", false, textureFolder), "a.png");
    EXPECT_EQ(resolveTexturePath(":/Fonts/proggy.png", true, textureFolder), ":/Fonts/proggy.png");
    EXPECT_EQ(environmentFolder, "../Textures/Environments/");
}

TEST(Texture2DLoad, alphaImageStagesRgbaAndOpaqueJpegStagesPaddedRgbRows) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::gradientImage(3, 2, true).save(dir.filePath("alpha.png")));
    ASSERT_TRUE(test::gradientImage(3, 2, false).save(dir.filePath("plain.jpg"), "JPG", 100));

    Texture2D alpha(tempPath(dir, "alpha.png"), false);
    EXPECT_FALSE(alpha.failed);
    EXPECT_EQ(alpha.internalFormat, glenum::Rgba8);
    EXPECT_EQ(alpha.format, glenum::Rgba);
    EXPECT_EQ(alpha.pixels.size(), 3u * 2u * 4u);
    EXPECT_EQ(alpha.filled, 24u);
    // Top image row first, texel (1, 0) in RGBA order.
    EXPECT_EQ(alpha.pixels[4], 17);
    EXPECT_EQ(alpha.pixels[5], 2);
    EXPECT_EQ(alpha.pixels[7], 254);

    Texture2D plain(tempPath(dir, "plain.jpg"), false);
    EXPECT_EQ(plain.internalFormat, glenum::Rgb8);
    EXPECT_EQ(plain.format, glenum::Rgb);
    EXPECT_EQ(plain.pixels.size(), 2u * 12u); // 9 bytes of texels padded to 12 per row
    EXPECT_EQ(plain.width(), 3);
    EXPECT_EQ(plain.height(), 2);
    EXPECT_EQ(plain.wrap, glenum::ClampToEdge);
    EXPECT_EQ(plain.filter, glenum::Linear);
}

// Rows of a loaded texture whose texels differ from what QImage decodes of the same file; -1 when
// the two do not even agree on the size or on alpha.
int rowsUnlikeQImage(const Texture2D& texture, const QString& file) {
    const QImage decoded(file);
    const bool alpha = decoded.hasAlphaChannel();
    const int w = decoded.width(), h = decoded.height();
    const std::size_t texels = std::size_t(w) * (alpha ? 4 : 3), row = (texels + 3) & ~std::size_t(3);
    if (decoded.isNull() || texture.width() != w || texture.height() != h ||
        (texture.format == glenum::Rgba) != alpha || texture.pixels.size() != row * std::size_t(h))
        return -1;
    const QImage expected = decoded.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    int differing = 0;
    for (int y = 0; y < h; ++y) {
        const auto start = texture.pixels.begin() + std::ptrdiff_t(row * std::size_t(y));
        differing += !std::equal(start, start + std::ptrdiff_t(texels), expected.constScanLine(y));
    }
    return differing;
}

// A picture of every kind a PNG holds, several bands tall and an odd width (padded rows), stages
// the bytes the whole decoded picture converts to, and as RGBA exactly when it has alpha.
TEST(Texture2DLoad, pngOfEveryKindStagesWhatTheWholeDecodedImageConvertsTo) {
    QTemporaryDir dir;
    QImage source(1023, 700, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgba((x * 7 + y) & 255, (x ^ y) & 255, (y * 3) & 255, (x + y * 5) & 255));
    const QImage opaque = source.convertToFormat(QImage::Format_RGB32);
    const QImage palette = opaque.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QVector<QRgb> clear = palette.colorTable();
    clear[0] = qRgba(1, 2, 3, 0);
    QImage seeThrough = palette;
    seeThrough.setColorTable(clear);
    const std::pair<const char*, QImage> kinds[] = {
        {"rgb", opaque},
        {"rgba", source},
        {"grey", source.convertToFormat(QImage::Format_Grayscale8)},
        {"palette", palette},
        {"palette-alpha", seeThrough},
        {"deep", source.convertToFormat(QImage::Format_RGBA64)},
        {"deep-grey", source.convertToFormat(QImage::Format_Grayscale16)},
        {"mono", source.convertToFormat(QImage::Format_Mono)},
    };
    for (const auto& [kind, image] : kinds) {
        SCOPED_TRACE(kind);
        const QString file = dir.filePath(QString(kind) + ".png");
        ASSERT_TRUE(image.save(file, "PNG"));
        Texture2D texture(file.toStdString(), false);
        ASSERT_FALSE(texture.failed);
        EXPECT_EQ(texture.filled, texture.pixels.size());
        EXPECT_EQ(rowsUnlikeQImage(texture, file), 0);
    }
}

// Kinds QImage cannot write, made byte by byte, stage what QImage decodes too: grey with a
// transparent shade (which QImage keeps in a palette at 2 to 8 bits, the shade made black) and
// colour with a transparent colour, at every depth.
TEST(Texture2DLoad, pngWithATransparentShadeStagesWhatQImageDecodes) {
    QTemporaryDir dir;
    const struct { int colourType, depth; } kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(std::to_string(kind.colourType) + " at " + std::to_string(kind.depth) + " bits");
        // a shade and a colour the ramp of bytes holds
        const QByteArray transparent = kind.colourType == 2 ? QByteArray("\x00\x01\x00\x02\x00\x03", 6)
                                       : kind.depth == 16   ? QByteArray("\x01\x02", 2)
                                                            : QByteArray("\x00\x01", 2);
        const QString file = dir.filePath("shade.png");
        ASSERT_TRUE(
            test::writeBytes(file.toStdString(), test::pngBytes(37, 29, kind.colourType, kind.depth, 29, transparent)));
        ASSERT_TRUE(QImage(file).hasAlphaChannel());
        const Texture2D texture(file.toStdString(), false);
        ASSERT_FALSE(texture.failed);
        ASSERT_EQ(rowsUnlikeQImage(texture, file), 0);
        int clear = 0;
        for (std::size_t alpha = 3; alpha < texture.pixels.size(); alpha += 4) clear += texture.pixels[alpha] == 0;
        EXPECT_GT(clear, 0); // the shade is there to be made transparent
    }
}

// The read calls this process has made so far.
std::size_t readCalls() {
    std::ifstream io("/proc/self/io");
    std::string field;
    std::size_t calls = 0;
    while (io >> field)
        if (field == "syscr:") io >> calls;
    return calls;
}

// A damaged PNG is refused with what is wrong with it, and the near misses QImage reads open as it
// reads them: rows all there but the last checksum cut, a transparent shade beyond the bit depth
// (which no pixel can match), interlaced pictures and a flat one packed as tight as deflate goes.
// Opening or refusing one costs reads by the block, however many chunks its image data comes in.
TEST(Texture2DLoad, aDamagedPngSaysWhatIsWrongAndNearMissesOpenAsQImageReadsThem) {
    QTemporaryDir dir;
    const QByteArray whole = test::pngBytes(61, 45, 2, 8, 45);
    const QByteArray interlaced = test::pngBytes(61, 45, 6, 8, 1000, {}, true);
    // a picture of noise, so that its image data comes in thousands of one-byte chunks
    const QByteArray byteChunks = test::pngInImageDataChunksOf(test::noisePngBytes(61, 45, 7), 1);
    const QByteArray interlacedByteChunks = test::pngInImageDataChunksOf(interlaced, 1);
    const char* cut = "the file is cut short";
    const char* lying = "its header promises more rows than the file holds";
    const struct {
        const char* kind;
        QByteArray bytes;
        const char* fault;
    } cases[] = {
        {"cut in its rows", whole.left(whole.size() / 2), cut},
        {"fewer rows than its header", test::pngBytes(61, 45, 2, 8, 30), lying},
        {"interlaced, fewer rows", test::pngBytes(61, 45, 6, 8, 20, {}, true), lying},
        {"interlaced, cut", interlaced.left(interlaced.size() / 2), cut},
        {"final checksum cut", whole.left(whole.size() - 2), ""},
        {"interlaced", interlaced, ""},
        {"interlaced grey of 2 bits", test::pngBytes(61, 45, 0, 2, 1000, QByteArray("\x00\x01", 2), true), ""},
        {"grey shade beyond 4 bits", test::pngBytes(61, 45, 0, 4, 45, QByteArray("\x00\x11", 2)), ""},
        {"grey shade beyond 8 bits", test::pngBytes(61, 45, 0, 8, 45, QByteArray("\x01\x01", 2)), ""},
        {"one-byte chunks", byteChunks, ""},
        {"one-byte chunks, cut", byteChunks.left(byteChunks.size() - 1000), cut},
        {"interlaced, one-byte chunks", interlacedByteChunks, ""},
        {"interlaced, one-byte chunks, fewer rows",
         test::pngInImageDataChunksOf(test::pngBytes(61, 45, 6, 8, 20, {}, true), 1), lying},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const QString file = dir.filePath("damaged.png");
        ASSERT_TRUE(test::writeBytes(file.toStdString(), c.bytes));
        LogLines log;
        const std::size_t readsBefore = readCalls();
        const Texture2D texture(file.toStdString(), false);
        EXPECT_EQ(imageFileFault(file.toStdString(), false), c.fault);
        EXPECT_LE(readCalls() - readsBefore, 32 + std::size_t(c.bytes.size()) / 4096);
        if (*c.fault) {
            EXPECT_TRUE(texture.failed);
            EXPECT_EQ(log.count(c.fault), 1u);
        } else {
            ASSERT_FALSE(texture.failed);
            EXPECT_EQ(rowsUnlikeQImage(texture, file), 0);
        }
    }
    // its image data, in one-byte chunks, spans blocks of the chunk walk: all of it is counted
    QImage flat(1024, 2048, QImage::Format_ARGB32);
    flat.fill(qRgba(9, 8, 7, 6));
    const QString flatFile = dir.filePath("flat.png");
    ASSERT_TRUE(flat.save(flatFile, "PNG", 0)); // the tightest packing
    QFile saved(flatFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray flatPng = saved.readAll();
    for (const QByteArray& bytes : {flatPng, test::pngInImageDataChunksOf(flatPng, 1)}) {
        ASSERT_TRUE(test::writeBytes(flatFile.toStdString(), bytes));
        const Texture2D texture(flatFile.toStdString(), false);
        ASSERT_FALSE(texture.failed);
        EXPECT_EQ(rowsUnlikeQImage(texture, flatFile), 0);
    }
}

// What loading the image file at `file` adds to this process's resident memory at its peak.
std::size_t peakOfLoading(const std::string& file, bool& loaded) {
    test::restartResidentPeak();
    const std::size_t before = test::residentBytes();
    loaded = !Texture2D(file, false).failed;
    const std::size_t peak = test::peakResidentBytes();
    return peak > before ? peak - before : 0;
}

constexpr std::size_t slackBytes = std::size_t(8) << 20;

// A header promising more rows than the file holds costs less than the picture it promises would
// (and nothing before the rows arrive), whatever its depth.
TEST(Texture2DMemory, aPngShortOfItsRowsCostsOnlyTheRowsThatArrive) {
    QTemporaryDir dir;
    for (int depth : {8, 16})
        for (int side : {2048, 4096}) {
            SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(side));
            const std::string file = tempPath(dir, "short.png");
            ASSERT_TRUE(test::writeBytes(file, test::rgbaPngBytes(side, side, depth, 4)));
            bool loaded = true;
            EXPECT_LT(peakOfLoading(file, loaded), std::size_t(side) * side * 4 + slackBytes);
            EXPECT_FALSE(loaded);
        }
}

// An interlaced picture is laid out whole before its rows arrive: a header promising far more than
// its file's image data can hold is refused before that.
TEST(Texture2DMemory, anInterlacedPngPromisingFarMoreThanItsDataCostsLittle) {
    QTemporaryDir dir;
    const std::string file = tempPath(dir, "liar.png");
    const QByteArray liar = test::pngBytes(16384, 16384, 6, 8, 1, {}, true);
    ASSERT_LT(liar.size(), 1024);
    ASSERT_TRUE(test::writeBytes(file, liar));
    bool loaded = true;
    EXPECT_LT(peakOfLoading(file, loaded), std::size_t(128) << 20);
    EXPECT_FALSE(loaded);
}

// A JPEG whose header promises more than its data opens as Qt fills it in (grey below the rows
// that arrive), and the staging takes the place of the decoded picture as it goes.
TEST(Texture2DMemory, aJpegShortOfItsDataHoldsLittleMoreThanItsDecodedPicture) {
    QTemporaryDir dir;
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(qRgb(10, 200, 30));
    const QString smallFile = dir.filePath("small.jpg");
    ASSERT_TRUE(small.save(smallFile, "JPG"));
    QFile read(smallFile);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray bytes = read.readAll();
    const int frame = bytes.indexOf("\xff\xc0");
    ASSERT_GT(frame, 0);
    for (int side : {4096, 8192}) {
        SCOPED_TRACE(side);
        QByteArray liar = bytes;
        for (int at : {5, 7}) {
            liar[frame + at] = char(side >> 8);
            liar[frame + at + 1] = char(side & 0xFF);
        }
        const std::string file = tempPath(dir, "short.jpg");
        ASSERT_TRUE(test::writeBytes(file, liar));
        bool loaded = false;
        // the picture, and half as much again for the bands in flight and a sanitizer's shadow
        EXPECT_LT(peakOfLoading(file, loaded), std::size_t(side) * side * 4 * 3 / 2 + slackBytes);
        EXPECT_TRUE(loaded);
    }
}

// A 16-bit picture holds no more than twice what its 8-bit staging does at any time.
TEST(Texture2DMemory, aSixteenBitPngHoldsAtMostTwiceItsStagedPixels) {
    QTemporaryDir dir;
    for (int side : {2048, 4096}) {
        SCOPED_TRACE(side);
        const std::string file = tempPath(dir, "deep.png");
        ASSERT_TRUE(test::writeBytes(file, test::rgbaPngBytes(side, side, 16, side)));
        bool loaded = false;
        EXPECT_LT(peakOfLoading(file, loaded), 2 * std::size_t(side) * side * 4 + slackBytes);
        EXPECT_TRUE(loaded);
    }
}

TEST(Texture2DLoad, missingFileFlagsReportsAndStaysFlaggedAfterLaterSuccess) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::gradientImage(2, 2, false).save(dir.filePath("good.png")));
    LogLines log;
    Texture2D texture("nowhere-to-be-found.png", true);
    EXPECT_TRUE(texture.failed);
    EXPECT_TRUE(texture.pixels.empty());
    EXPECT_EQ(texture.name, "../Textures/nowhere-to-be-found.png");
    EXPECT_TRUE(log.contains("ERROR Texture2D::load ../Textures/nowhere-to-be-found.png: No such file or directory"));

    EXPECT_TRUE(texture.load(tempPath(dir, "good.png")));
    EXPECT_TRUE(texture.failed);
    EXPECT_EQ(texture.width(), 2);
}

TEST(Texture2DLoad, resizeToTheSameSizeKeepsTheDescriptionCompiled) {
    Texture2D texture(4, 4, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    texture.compiled = true; // as after an upload
    texture.resize(4, 4);
    EXPECT_TRUE(texture.compiled);
    texture.resize(8, 4);
    EXPECT_FALSE(texture.compiled);
    EXPECT_EQ(texture.width(), 8);
}

TEST(TextureRecord, nameRecordRoundTripsAndTruncatedRecordsFailCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::gradientImage(2, 2, false).save(dir.filePath("a.png")));
    LogLines log;
    Texture2D named("a.png", true);
    ByteBuffer out;
    named.write(out);
    ASSERT_EQ(out.size(), 29u);
    EXPECT_EQ(out.readU32(), Texture2D::recordTag);
    EXPECT_EQ(out.readU32(), 21u);
    EXPECT_EQ(out.readU32(), 17u);
    EXPECT_EQ(out.readBytes(17), "../Textures/a.png");

    // Reading back the body gives the stored name as it is.
    ByteBuffer body;
    const std::string real = tempPath(dir, "a.png");
    body.write(std::uint32_t(real.size()));
    body.append(real.data(), real.size());
    std::string name;
    EXPECT_TRUE(Texture::readNameRecord(body, name));
    EXPECT_EQ(name, real);
    EXPECT_TRUE(body.atEnd());

    // Every truncation of the body fails without reading past it.
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        ByteBuffer part;
        part.append(body.data(), cut);
        EXPECT_FALSE(Texture::readNameRecord(part, name)) << cut;
    }
    ByteBuffer record3d;
    Texture3D animated(2, 2, 2, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    animated.name = "x.gif";
    animated.write(record3d);
    EXPECT_EQ(record3d.readU32(), Texture3D::recordTag);
}

TEST(NoiseTexture, tableAndStagedTexelsHoldTheSameValuesInRange) {
    Texture2D* noise = makeNoiseTexture(64, 32);
    ASSERT_EQ(noiseTable.size(), 32u);
    ASSERT_EQ(noiseTable[0].size(), 64u);
    ASSERT_EQ(noise->pixels.size(), 64u * 32u * 12u);
    EXPECT_EQ(noise->internalFormat, glenum::Rgb32F);
    EXPECT_EQ(noise->wrap, glenum::Repeat);
    const auto* texels = reinterpret_cast<const vec3*>(noise->pixels.data());
    bool varied = false;
    for (int j = 0; j < 32; ++j) {
        for (int i = 0; i < 64; ++i) {
            const vec3& t = noiseTable[std::size_t(j)][std::size_t(i)];
            const vec3& staged = texels[j * 64 + i];
            ASSERT_EQ(t.x, staged.x);
            ASSERT_EQ(t.y, staged.y);
            ASSERT_EQ(t.z, staged.z);
            for (float c : {t.x, t.y, t.z}) {
                ASSERT_GE(c, -1.0f);
                ASSERT_LT(c, 1.0f);
            }
            varied = varied || t.x != noiseTable[0][0].x;
        }
    }
    EXPECT_TRUE(varied);
    delete noise;
    // The table shrinks to the last texture made, then back for the global one.
    delete makeNoiseTexture(512, 512);
    EXPECT_EQ(noiseTable.size(), 512u);
    EXPECT_EQ(noiseTexture->pixels.size(), 512u * 512u * 12u);
}

TEST(Texture3DLoad, animationFramesBecomeSlicesWithTheFirstDelay) {
    QTemporaryDir dir;
    const QString file = dir.filePath("walk.gif");
    ASSERT_TRUE(test::writeFile(
        file, test::gifFile(4, 3, {test::solidFrame(4, 3, 1), test::solidFrame(4, 3, 2), test::solidFrame(4, 3, 3)})));
    Texture3D texture(file.toStdString(), false);
    ASSERT_FALSE(texture.failed);
    EXPECT_EQ(texture.width(), 4);
    EXPECT_EQ(texture.height(), 3);
    EXPECT_EQ(texture.depth(), 3);
    EXPECT_EQ(texture.frameDelay, 100);
    ASSERT_EQ(texture.pixels.size(), 3u * 4u * 3u * 4u);
    EXPECT_EQ(texture.filled, texture.pixels.size());
    // Slice 1 is all green, slice 2 all blue.
    EXPECT_EQ(texture.pixels[48 + 1], 255);
    EXPECT_EQ(texture.pixels[48 + 0], 0);
    EXPECT_EQ(texture.pixels[96 + 2], 255);
    EXPECT_EQ(texture.internalFormat, glenum::Rgba8);
}

TEST(Texture3DLoad, fileWithoutReadableFramesFails) {
    QTemporaryDir dir;
    const QString file = dir.filePath("notes.gif");
    ASSERT_TRUE(test::writeFile(file, QByteArray("not an image at all")));
    LogLines log;
    Texture3D texture(file.toStdString(), false);
    EXPECT_TRUE(texture.failed);
    EXPECT_FALSE(texture.load(file.toStdString()));
    EXPECT_TRUE(texture.pixels.empty());
    EXPECT_TRUE(log.contains("ERROR Texture3D::load " + file.toStdString() + ": no image size in the header"));

    Texture3D missing("missing.gif", true);
    EXPECT_TRUE(missing.failed);
    EXPECT_TRUE(log.contains("ERROR Texture3D::load ../Textures/missing.gif: No such file or directory"));
}

TEST(Texture3DLoad, framesOfAnotherSizeAreScaledToTheSliceSize) {
    std::vector<std::uint8_t> slices;
    EXPECT_EQ(appendSlice(slices, test::gradientImage(4, 4, true), 4, 4), 64u);
    EXPECT_EQ(appendSlice(slices, test::gradientImage(16, 9, true), 4, 4), 64u);
    EXPECT_EQ(appendSlice(slices, test::gradientImage(1, 1, false), 4, 4), 64u);
    EXPECT_EQ(slices.size(), 3u * 64u);
}

TEST(TextureCubeLoad, unreadableImageReportsWithoutFlagOrName) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::gradientImage(8, 4, true).save(dir.filePath("sky.png")));
    LogLines log;
    TextureCube cube("no-sky.jpg", 16, true);
    EXPECT_FALSE(cube.failed);
    EXPECT_TRUE(cube.name.empty());
    EXPECT_TRUE(log.contains("ERROR TextureCube::load ../Textures/Environments/no-sky.jpg: No such file or directory"));

    EXPECT_TRUE(cube.load(tempPath(dir, "sky.png")));
    EXPECT_EQ(cube.format, glenum::Rgba);
    EXPECT_EQ(cube.width(), 16);
    EXPECT_TRUE(cube.pixels.empty()); // the image is read again at compile
}

TEST(TextureCubeLoad, panoramaTooLargeForATextureIsRefusedFromItsHeader) {
    QTemporaryDir dir;
    // wider than any texture side: refused by the header's size, however small the file
    const std::string wide = tempPath(dir, "wide.gif");
    ASSERT_TRUE(test::writeBytes(wide, test::gifBytes(20000, 1, {{1, 2, 3}}, {0}, 1).bytes));
    LogLines log;
    TextureCube cube(4, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    EXPECT_FALSE(cube.load(wide));
    EXPECT_TRUE(cube.name.empty());
    EXPECT_TRUE(log.contains("ERROR TextureCube::load " + wide + ": image larger than a texture"));
}

// A panorama whose columns and rows can be told apart: red = column, green = row.
QImage indexedPanorama(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 0));
    return image;
}

TEST(EquirectangularResample, faceCentresLookWhereTheLongitudesSay) {
    const QImage source = indexedPanorama(64, 32);
    const int size = 2; // texel centres at s, t = -0.5, 0.5
    // -X looks at longitude 0 (u = W / 4), +Z at pi / 2 (u = 0, column 0 wraps to 63).
    const QImage minusX = resampleEquirectangularFace(source, 1, size);
    const QImage plusZ = resampleEquirectangularFace(source, 4, size);
    ASSERT_EQ(minusX.width(), size);
    int sumX = 0;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) sumX += qRed(minusX.pixel(i, j));
    EXPECT_NEAR(sumX / 4.0, 15.5, 1.0); // the four texels straddle column 16
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            const int red = qRed(plusZ.pixel(i, j));
            EXPECT_TRUE(red < 8 || red > 55) << red; // near the seam at column 0
        }
}

TEST(EquirectangularResample, polesClampInsteadOfBlendingWithTheOppositeRow) {
    // Top row (zenith) red, every other row blue.
    QImage source(16, 8, QImage::Format_RGB32);
    source.fill(qRgb(0, 0, 255));
    for (int x = 0; x < 16; ++x) source.setPixel(x, 0, qRgb(255, 0, 0));
    // +Y (E = -1) looks at the lower quarter; near its centre v runs up to H.
    const QImage nadirFace = resampleEquirectangularFace(source, 2, 8);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) ASSERT_EQ(qRed(nadirFace.pixel(i, j)), 0) << i << "," << j;
    // -Y (E = 1) sees the zenith: red dominates near its centre.
    const QImage zenithFace = resampleEquirectangularFace(source, 3, 8);
    EXPECT_GT(qRed(zenithFace.pixel(4, 4)), 128);
    EXPECT_LT(qBlue(zenithFace.pixel(4, 4)), 128);
}

TEST(EquirectangularResample, emptySourceGivesAnUnfilledFaceWithoutCrashing) {
    const QImage face = resampleEquirectangularFace(QImage(), 0, 4);
    EXPECT_EQ(face.width(), 4);
    EXPECT_TRUE(resampleEquirectangularFace(indexedPanorama(4, 2), 0, 0).isNull());
}

TEST(Texture2DArrayLoad, listFileSkipsCommentsAndBlankLinesAndReadsFromTheTexturesFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("Textures"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("work"));
    ASSERT_TRUE(test::gradientImage(4, 4, false).save(dir.filePath("Textures/a.png")));
    ASSERT_TRUE(test::gradientImage(2, 2, false).save(dir.filePath("Textures/b.png")));
    ASSERT_TRUE(
        test::writeFile(dir.filePath("Textures/layers.txt"), "# stone set\r\na.png\r\n\r\nb.png\nmissing.png\n"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.filePath("work")));
    LogLines log;
    Texture2DArray array(8, 5, glenum::Rgb8, glenum::Rgb, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Linear);
    const bool ok = array.loadFiles("layers.txt", true);
    const bool missingList = array.loadFiles("absent.txt", true);
    QDir::setCurrent(previous);
    EXPECT_TRUE(ok);
    ASSERT_EQ(array.files.size(), 2u);
    EXPECT_EQ(array.files[0], "../Textures/a.png");
    EXPECT_EQ(array.files[1], "../Textures/b.png");
    EXPECT_EQ(array.depth(), 2);
    EXPECT_EQ(array.width(), 8);
    EXPECT_TRUE(log.contains("ERROR Texture2DArray::loadFile ../Textures/missing.png: it cannot be read"));
    EXPECT_FALSE(missingList);
    EXPECT_TRUE(log.contains("ERROR Texture2DArray::loadFiles ../Textures/absent.txt"));
}

} // namespace
} // namespace kal
