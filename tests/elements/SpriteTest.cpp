// Sprites without a GL context: proportions and quad, paths, the two records byte by byte and
// against hostile bodies, the frame picked at a time, GIF frames as slices, the files that are
// refused before anything decodes them, one decode shared by the records of one file and charged
// to the read.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "ImageFiles.h"
#include "elements/AnimatedSprite.h"
#include "elements/Sprite.h"
#include "elements/SpriteImage.h"
#include "foundation/ByteBuffer.h"
#include "gpu/ImageLimits.h"
#include "gpu/Texture2D.h"
#include "gpu/Texture3D.h"
#include "scene/SceneFile.h"

using namespace kal;
using kal::test::Rgb;

namespace {

const std::vector<Rgb> palette = {Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255}, Rgb{255, 255, 0}};

class Sprites : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        registerSpriteRecords();
    }
    std::string path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    std::string gif(const char* name, const std::vector<int>& colours, int delay, int w = 4, int h = 2) const {
        const std::string p = path(name);
        EXPECT_TRUE(test::writeBytes(p, test::gifBytes(w, h, palette, colours, delay).bytes));
        return p;
    }
    QTemporaryDir dir;
};

// The record of an image element as the format lays it out, from its fields.
ByteBuffer handRecord(uint32_t tag, uint32_t textureTag, const std::string& name) {
    ByteBuffer b;
    b.write(tag);
    b.write(uint32_t(12 + name.size()));
    b.write(textureTag);
    b.write(uint32_t(name.size() + 4));
    b.write(uint32_t(name.size()));
    b.append(name.data(), name.size());
    return b;
}

Element* readBack(const std::vector<uint8_t>& bytes, bool& ok) {
    ByteBuffer in;
    in.bytes = bytes;
    return readElementRecord(in, ok);
}

} // namespace

TEST_F(Sprites, proportionsAndQuadFollowTheImage) {
    ASSERT_TRUE(test::writePng(path("wide.png"), 640, 480, Rgb{1, 2, 3}));
    Sprite wide(path("wide.png"), false);
    ASSERT_FALSE(wide.invalid);
    EXPECT_FLOAT_EQ(wide.aspect().x, 0.8f);
    EXPECT_FLOAT_EQ(wide.aspect().y, 0.6f);
    wide.translation = vec3(5, 5, 5); // the element's own placement takes no part
    wide.scale = 3;
    const mat4 q = wide.inverseTransform();
    const vec3 low = vec3(0, 0, 0) * q, high = vec3(1, 1, 0) * q;
    for (auto [got, want] : {std::pair{low, vec3(-0.4f, -0.3f, 0)}, std::pair{high, vec3(0.4f, 0.3f, 0)}})
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ((&got.x)[c], (&want.x)[c]) << c;

    // square images, still or animated, and no image at all
    AnimatedSprite square(gif("square.gif", {0, 1}, 10, 3, 3), false);
    ASSERT_FALSE(square.invalid);
    EXPECT_FLOAT_EQ(spriteAspect(&square).x, std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(spriteAspect(&square).y, std::sqrt(0.5f));
    Sprite none;
    EXPECT_EQ(spriteAspect(&none).x, 0.0f);
    EXPECT_EQ(spriteAspect(&none).y, 0.0f);
}

TEST_F(Sprites, relativeNamesLookInTheTexturesFolderButResourcesAndAbsoluteChoicesDoNot) {
    EXPECT_EQ(Sprite("a.png", true).texture->name, "../Textures/a.png");
    EXPECT_EQ(Sprite(":/a.png", true).texture->name, ":/a.png");
    EXPECT_EQ(Sprite("a.png", false).texture->name, "a.png");
    EXPECT_EQ(AnimatedSprite("a.gif", true).texture->name, "../Textures/a.gif");
    EXPECT_EQ(AnimatedSprite(":/a.gif", true).texture->name, ":/a.gif");
}

TEST_F(Sprites, recordsNameTheImageUnderTheirTags) {
    const std::string name = "E:/img/a.png";
    ByteBuffer still, moving;
    Sprite("E:/img/a.png", false).save(still);
    AnimatedSprite("E:/img/a.png", false).save(moving);
    EXPECT_EQ(still.size(), 32u);
    EXPECT_EQ(still.bytes, handRecord(0xE0000003, 0xC0000020, name).bytes);
    EXPECT_EQ(moving.bytes, handRecord(0xE0000006, 0xC0000030, name).bytes);

    // without an image nothing is written: a body without the name could not be read back
    ByteBuffer empty;
    Sprite().save(empty);
    AnimatedSprite().save(empty);
    EXPECT_EQ(empty.size(), 0u);
}

TEST_F(Sprites, recordsReadBackTheSameImageAndAVanishedImageLeavesAnEmptyIndex) {
    ASSERT_TRUE(test::writePng(path("a.png"), 6, 3, Rgb{1, 2, 3}));
    const std::string frames = gif("a.gif", {0, 1, 2}, 10);
    ByteBuffer out;
    Sprite(path("a.png"), false).save(out);
    AnimatedSprite(frames, false).save(out);

    ByteBuffer in;
    in.bytes = out.bytes;
    bool ok = false;
    Element* e = readElementRecord(in, ok);
    ASSERT_TRUE(ok);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->typeCode, SpriteType);
    EXPECT_EQ(static_cast<Sprite*>(e)->texture->name, path("a.png"));
    EXPECT_FLOAT_EQ(spriteAspect(e).x, 2 / std::sqrt(5.0f));
    delete e;
    e = readElementRecord(in, ok);
    ASSERT_TRUE(ok);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->typeCode, AnimatedSpriteType);
    EXPECT_EQ(static_cast<AnimatedSprite*>(e)->texture->depth(), 3);
    delete e;
    EXPECT_TRUE(in.atEnd());

    // the images go: each record still reads, without an element, and the next one follows
    QFile::remove(QString::fromStdString(path("a.png")));
    QFile::remove(QString::fromStdString(frames));
    in.position = 0;
    EXPECT_EQ(readElementRecord(in, ok), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(readElementRecord(in, ok), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(in.atEnd());
}

TEST_F(Sprites, damagedRecordsAreRefusedAndAnEmptyOneKeepsItsIndex) {
    ASSERT_TRUE(test::writePng(path("a.png"), 2, 2, Rgb{1, 2, 3}));
    const ByteBuffer good = handRecord(0xE0000003, 0xC0000020, path("a.png"));
    bool ok = false;
    delete readBack(good.bytes, ok);
    ASSERT_TRUE(ok);

    auto patched = [&good](size_t offset, uint32_t value) {
        std::vector<uint8_t> b = good.bytes;
        std::memcpy(b.data() + offset, &value, 4);
        return b;
    };
    const uint32_t n = uint32_t(path("a.png").size());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } damaged[] = {
        {"still image under the animated tag", handRecord(0xE0000006, 0xC0000020, path("a.png")).bytes},
        {"animated image under the still tag", handRecord(0xE0000003, 0xC0000030, path("a.png")).bytes},
        {"name count past the body", patched(16, n + 1)},
        {"name count short of the body", patched(16, n - 1)},
        {"sub-record length off", patched(12, n + 5)},
        {"body longer than the name",
         [&] {
             std::vector<uint8_t> b = patched(4, 12 + n + 4);
             b.insert(b.end(), 4, 0);
             return b;
         }()},
        {"body cut off", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 8)},
    };
    for (const Case& c : damaged) {
        EXPECT_EQ(readBack(c.bytes, ok), nullptr) << c.what;
        EXPECT_FALSE(ok) << c.what;
    }

    // a record of length 0 from an older file: no element, no refusal, the next record follows
    ByteBuffer two;
    two.write(uint32_t(0xE0000003));
    two.write(uint32_t(0));
    two.append(good.data(), good.size());
    EXPECT_EQ(readElementRecord(two, ok), nullptr);
    EXPECT_TRUE(ok);
    Element* next = readElementRecord(two, ok);
    EXPECT_TRUE(ok);
    EXPECT_NE(next, nullptr);
    delete next;

    // every prefix, in a buffer of its own size, is refused without reading past it
    for (size_t k = 0; k < good.size(); ++k) {
        std::vector<uint8_t> prefix(good.bytes.begin(), good.bytes.begin() + long(k));
        Element* e = readBack(prefix, ok);
        EXPECT_FALSE(ok) << k;
        EXPECT_EQ(e, nullptr) << k;
    }
}

TEST(SpriteFrames, theFrameShownFollowsTheTimeInSixtyFourBits) {
    struct Case {
        double t;
        int delay, frames;
        int64_t frame;
        float depth;
    } cases[] = {
        {250, 100, 4, 2, 0.625f},
        {823.9, 100, 4, 0, 0.125f},
        {399.99, 100, 4, 3, 0.875f},
        {-150, 100, 4, -1, -0.125f},
        {250, 100, 1, 0, 0.5f},
        {123456, 7, 1, 0, 0.5f},
        {250, 0, 4, 2, 0.625f},
        {250, -5, 4, 2, 0.625f},           // no delay plays at 100 ms
        {3000000250.0, 100, 4, 2, 0.625f}, // past 2^31 ms
        {std::nan(""), 100, 4, 0, 0.125f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(spriteFrameAt(c.t, c.delay, c.frames), c.frame) << c.t << " " << c.delay;
        EXPECT_FLOAT_EQ(frameDepthAt(c.t, c.delay, c.frames), c.depth) << c.t << " " << c.delay;
    }
    for (double t : {1e300, -1e300, double(INFINITY)}) {
        const int64_t f = spriteFrameAt(t, 100, 4);
        EXPECT_TRUE(f > -4 && f < 4) << t;
    }
    EXPECT_EQ(spriteFrameAt(250, 100, 0), 0); // no frame: nothing to divide by
}

TEST_F(Sprites, everyGifFrameBecomesOneSliceInItsColour) {
    AnimatedSprite four(gif("four.gif", {0, 1, 2, 3}, 10), false);
    ASSERT_FALSE(four.invalid);
    const Texture3D& t = *four.texture;
    ASSERT_EQ(t.depth(), 4);
    EXPECT_EQ(t.frameDelay, 100);
    const size_t slice = 4 * 2 * 4;
    ASSERT_EQ(t.pixels.size(), 4 * slice);
    for (size_t k = 0; k < 4; ++k)
        for (size_t c = 0; c < 3; ++c) EXPECT_EQ(t.pixels[k * slice + 4 * 5 + c], palette[k][c]) << k;

    // a GIF without delays plays at 100 ms a frame
    AnimatedSprite still(gif("zero.gif", {2, 1}, 0), false);
    ASSERT_FALSE(still.invalid);
    EXPECT_EQ(spriteFrameAt(150, still.texture->frameDelay, 2), 1);
    EXPECT_EQ(spriteFrameAt(250, still.texture->frameDelay, 2), 0);
    AnimatedSprite one(gif("one.gif", {1}, 10), false);
    ASSERT_FALSE(one.invalid);
    EXPECT_EQ(one.texture->depth(), 1);

    // cut inside frame 3: the two whole frames load; cut inside frame 1: nothing does
    const test::GifFile full = test::gifBytes(4, 2, palette, {0, 1, 2, 3}, 10);
    ASSERT_TRUE(test::writeBytes(path("cut3.gif"), full.bytes.left(full.frameStart[2] + 20)));
    AnimatedSprite cut3(path("cut3.gif"), false);
    ASSERT_FALSE(cut3.invalid);
    EXPECT_EQ(cut3.texture->depth(), 2);
    ASSERT_TRUE(test::writeBytes(path("cut1.gif"), full.bytes.left(full.frameStart[0] + 20)));
    EXPECT_TRUE(AnimatedSprite(path("cut1.gif"), false).invalid);
}

TEST_F(Sprites, filesThatWouldBlockOrOverflowAreRefusedBeforeDecoding) {
    const std::string fifo = path("pipe.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(imageFileRefusal(fifo, false).empty());
    EXPECT_TRUE(Sprite(fifo, false).invalid); // a decoder reading the FIFO would wait for ever
    EXPECT_TRUE(AnimatedSprite(fifo, false).invalid);
    EXPECT_FALSE(imageFileRefusal(dir.path().toStdString(), false).empty());

    // sides: a 2D texture takes 16384, a 3D one 2048, without a context
    EXPECT_TRUE(imageFileRefusal(gif("wide.gif", {0}, 10, 16384, 1), false).empty());
    EXPECT_FALSE(imageFileRefusal(gif("wider.gif", {0}, 10, 16385, 1), false).empty());
    EXPECT_FALSE(imageFileRefusal(path("wide.gif"), true).empty());
    EXPECT_TRUE(imageFileRefusal(gif("tall.gif", {0}, 10, 1, 2048), true).empty());
    EXPECT_TRUE(Sprite(path("wider.gif"), false).invalid);

    // frames: no more than 2048 slices, and no more than 1 GiB of them
    EXPECT_FALSE(imageFileRefusal(gif("many.gif", std::vector<int>(2049, 1), 1, 1, 1), true).empty());
    EXPECT_TRUE(imageFileRefusal(gif("enough.gif", std::vector<int>(2048, 1), 1, 1, 1), true).empty());
    EXPECT_TRUE(imageFileRefusal(path("many.gif"), false).empty()); // a still image is its first frame
    // 64 frames of 2048 x 2048 are exactly 1 GiB; 65 are refused
    test::GifFile big = test::gifBytes(2048, 2048, palette, {}, 1);
    const test::GifFile tiny = test::gifBytes(1, 1, palette, std::vector<int>(65, 1), 1);
    big.bytes.chop(1); // the trailer; then 65 one-pixel frames
    big.bytes.append(tiny.bytes.mid(tiny.frameStart[0]));
    ASSERT_TRUE(test::writeBytes(path("huge.gif"), big.bytes));
    EXPECT_FALSE(imageFileRefusal(path("huge.gif"), true).empty());
}

TEST_F(Sprites, recordsNamingOneFileShareOneDecodeUntilTheFileChanges) {
    ASSERT_TRUE(test::writePng(path("a.png"), 6, 3, Rgb{1, 2, 3}));
    ByteBuffer in = handRecord(0xE0000003, 0xC0000020, path("a.png"));
    const ByteBuffer still = in, moving = handRecord(0xE0000006, 0xC0000030, path("a.png"));
    in.append(still.data(), still.size());
    in.append(moving.data(), moving.size());
    bool ok = false;
    std::unique_ptr<Element> a(readElementRecord(in, ok)), b(readElementRecord(in, ok)), c(readElementRecord(in, ok));
    ASSERT_TRUE(ok);
    ASSERT_TRUE(a && b && c);
    const auto& first = static_cast<Sprite&>(*a).texture;
    EXPECT_EQ(first, static_cast<Sprite&>(*b).texture);
    EXPECT_EQ(static_cast<AnimatedSprite&>(*c).texture->depth(), 1); // the frames of the file, apart
    EXPECT_EQ(Sprite(path("a.png"), false).texture, first);          // opened by hand, too

    // a changed file is decoded anew; what still shows the old image keeps it
    ASSERT_TRUE(test::writePng(path("a.png"), 12, 3, Rgb{1, 2, 3}));
    {
        // file times tick coarsely: a rewrite within the same tick must still read as a change
        QFile rewritten(QString::fromStdString(path("a.png")));
        ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
        ASSERT_TRUE(rewritten.setFileTime(QDateTime::currentDateTime().addSecs(2), QFileDevice::FileModificationTime));
    }
    in.position = 0;
    std::unique_ptr<Element> d(readElementRecord(in, ok));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(static_cast<Sprite&>(*d).texture->width(), 12);
    EXPECT_EQ(first->width(), 6);
}

TEST_F(Sprites, spellingsOfOneFileShareOneDecodeAndEachSavesAsItIsSpelt) {
    ASSERT_TRUE(test::writePng(path("a.png"), 6, 3, Rgb{1, 2, 3}));
    const std::string frames = gif("a.gif", {0, 1}, 10);
    ASSERT_TRUE(QDir(dir.path()).mkdir("d"));
    ASSERT_TRUE(QFile::link(QString::fromStdString(path("a.png")), QString::fromStdString(path("link.png"))));
    const std::string folder = dir.path().toStdString();
    const std::string spellings[] = {path("a.png"), folder + "/./a.png", folder + "/d/../a.png", folder + "//a.png",
                                     path("link.png")};
    const Sprite first(spellings[0], false);
    ASSERT_FALSE(first.invalid);
    for (const std::string& spelling : spellings) {
        Sprite again(spelling, false);
        EXPECT_EQ(again.texture.get(), first.texture.get()) << spelling;
        ByteBuffer saved;
        again.save(saved);
        EXPECT_EQ(saved.bytes, handRecord(0xE0000003, 0xC0000020, spelling).bytes) << spelling;
    }
    const AnimatedSprite moving(frames, false);
    EXPECT_EQ(AnimatedSprite(folder + "/d/../a.gif", false).texture.get(), moving.texture.get());
    // the frames of a file are not its still image
    EXPECT_NE(static_cast<const void*>(AnimatedSprite(spellings[2], false).texture.get()),
              static_cast<const void*>(first.texture.get()));
}

TEST_F(Sprites, aReadChargesEachFreshDecodeToItsImageAllowanceNetOfTheFile) {
    // what reading an image file adds to the allowance
    auto share = [](const std::string& p) {
        return int64_t(readBytesPerFileByte) * int64_t(QFileInfo(QString::fromStdString(p)).size());
    };
    for (int side : {64, 128}) {
        const std::string png = path(("s" + std::to_string(side) + ".png").c_str());
        const std::string frames = path(("s" + std::to_string(side) + ".gif").c_str());
        ASSERT_TRUE(test::writePng(png, side, side, Rgb{1, 2, 3}));
        gif(("s" + std::to_string(side) + ".gif").c_str(), {0, 1, 2}, 10, side, side);
        const int64_t pixels = int64_t(side) * side * 4;

        ByteBuffer in = handRecord(0xE0000003, 0xC0000020, png);
        const ByteBuffer again = in, moving = handRecord(0xE0000006, 0xC0000030, frames);
        in.append(again.data(), again.size());
        in.append(moving.data(), moving.size());
        ReadBudget budget(0, size_t(1) << 20, size_t(1) << 20);
        bool ok = false;
        // the element's bytes from the read's budget, the pixels net of the file from the images'
        auto charged = [&] {
            const size_t before = budget.left();
            const int64_t imagesBefore = int64_t(budget.imagesLeft());
            delete readElementRecord(in, ok);
            EXPECT_TRUE(ok) << side;
            return std::pair<size_t, int64_t>(before - budget.left(), imagesBefore - int64_t(budget.imagesLeft()));
        };
        std::unique_ptr<Sprite> kept(new Sprite(png, false)); // keeps the image alive between records
        in.position = 0;
        EXPECT_EQ(charged(), std::make_pair(sizeof(Sprite), int64_t(0))) << side; // shared, not charged
        kept.reset();
        EXPECT_EQ(charged(), std::make_pair(sizeof(Sprite), pixels - share(png))) << side;
        EXPECT_EQ(charged(), std::make_pair(sizeof(AnimatedSprite), 3 * pixels - share(frames))) << side;

        // an allowance a byte short of the pixels refuses the record as damaged
        ReadBudget tight(0, readBytesSlack, uint64_t(pixels - share(png) - 1));
        in.position = 0;
        EXPECT_EQ(readElementRecord(in, ok), nullptr);
        EXPECT_FALSE(ok) << side;
    }
}

TEST_F(Sprites, imagesAreChargedApartFromTheSceneAndAgainstTheirOwnFiles) {
    auto readImage = [&](const char* name) {
        ByteBuffer in = handRecord(0xE0000003, 0xC0000020, path(name));
        bool ok = false;
        std::unique_ptr<Element> e(readElementRecord(in, ok));
        return ok && e && !static_cast<Sprite&>(*e).invalid;
    };
    // a small scene naming two pictures larger than its own budget opens
    ASSERT_TRUE(test::writePng(path("a.png"), 64, 64, Rgb{1, 2, 3}));
    ASSERT_TRUE(test::writePng(path("b.png"), 64, 64, Rgb{3, 2, 1}));
    {
        ReadBudget small(0, 2 * sizeof(Sprite) + 1000);
        EXPECT_TRUE(readImage("a.png"));
        EXPECT_TRUE(readImage("b.png"));
    }
    // past the slack, a file pays for what it decodes: a noisy picture does, a flat one does not
    QImage noise(64, 64, QImage::Format_ARGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, qRgba((x * 97 + y * 31) * 7919 % 251, x * y % 253, (x + y * 64) % 241, 255));
    ASSERT_TRUE(noise.save(QString::fromStdString(path("noise.png")), "PNG"));
    ASSERT_TRUE(test::writePng(path("flat.png"), 64, 64, Rgb{9, 9, 9}));
    ReadBudget filesOnly(0, readBytesSlack, 0);
    EXPECT_FALSE(readImage("flat.png"));
    EXPECT_TRUE(readImage("noise.png"));
    // and what the noisy file left over pays for the flat one
    EXPECT_TRUE(readImage("flat.png"));
}

TEST_F(Sprites, aStillImageIsStagedRowByRowWhateverItsHeightAndPadding) {
    // 1001 RGB texels make rows of 3004 bytes; 700 of them take several conversion bands
    QImage image(1001, 700, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(y % 256, y / 256, x % 256));
    ASSERT_TRUE(image.save(QString::fromStdString(path("rows.png"))));
    const Texture2D t(path("rows.png"), false);
    ASSERT_FALSE(t.failed);
    ASSERT_EQ(t.pixels.size(), 3004u * 700u);
    for (int y : {0, 1, 348, 349, 350, 699})
        for (int x : {0, 1000}) {
            const uint8_t* texel = t.pixels.data() + size_t(y) * 3004 + size_t(x) * 3;
            EXPECT_EQ(texel[0], y % 256) << x << " " << y;
            EXPECT_EQ(texel[1], y / 256) << x << " " << y;
            EXPECT_EQ(texel[2], x % 256) << x << " " << y;
        }
}
