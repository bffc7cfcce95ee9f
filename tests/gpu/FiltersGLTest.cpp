#include "TargetTestHelpers.h"

#include "gpu/FBO.h"
#include "gpu/Filters.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kal::FBO;
using kal::gl;
using kal::Texture;
using kal::Texture2D;
using kal::vec4;
using namespace kal::test;

constexpr int N = 4;

Texture2D* floatTexture(int w, int h, GLenum internalFormat, GLenum format, const std::vector<float>& values,
                        GLenum filter = GL_NEAREST) {
    auto* t = new Texture2D(w, h, internalFormat, format, GL_FLOAT, GL_CLAMP_TO_EDGE, filter);
    if (!values.empty()) t->setData(values.data(), std::uint32_t(values.size() * sizeof(float)));
    return t;
}

// A 4 x 4 float target with two RGBA outputs; inputs are loose textures.
class FiltersGL : public ::testing::Test {
protected:
    FBO target{0, N, N, 1};
    Texture2D* out = target.addAttachment(floatTexture(N, N, GL_RGBA32F, GL_RGBA, {}));
    Texture2D* other = target.addAttachment(floatTexture(N, N, GL_RGBA32F, GL_RGBA, {}));

    void SetUp() override {
        gl->glGetError();
        kal::Shader::unbindCurrent();
        ASSERT_TRUE(target.bind());
        gl->glViewport(0, 0, N, N);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glDisable(GL_STENCIL_TEST);
        gl->glDrawBuffer(GLenum(other->attachment));
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        gl->glDrawBuffer(GLenum(out->attachment));
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        target.unbind();
        kal::Shader::unbindCurrent();
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(kal::textureUnitCounter, 0) << "a texture unit was not given back";
    }

    std::vector<float> read(Texture2D* t, int w = N, int h = N) {
        return readAttachment<float>(GLenum(t->attachment), w, h, GL_RGBA, GL_FLOAT, 4);
    }

    // Texel (x, y) = (x / 4, y / 4, (x + y) / 8, 1).
    static std::vector<float> ramp() {
        std::vector<float> v;
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) v.insert(v.end(), {x / 4.0f, y / 4.0f, (x + y) / 8.0f, 1.0f});
        return v;
    }
};

TEST_F(FiltersGL, MirrorVerticalTurnsRowsUpsideDown) {
    std::unique_ptr<Texture2D> input(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    ASSERT_TRUE(kal::filterMirrorVertical(input.get(), out));
    const auto result = read(out);
    const auto source = ramp();
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_FLOAT_EQ(result[std::size_t(4 * (y * N + x) + c)],
                                source[std::size_t(4 * ((N - 1 - y) * N + x) + c)]);
}

TEST_F(FiltersGL, ThresholdKeepsChannelsThatReachTheValue) {
    std::unique_ptr<Texture2D> input(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    ASSERT_TRUE(kal::filterThreshold(input.get(), vec4{0.5f, 0.5f, 0.5f, 2.0f}, out));
    const auto result = read(out);
    const auto source = ramp();
    for (std::size_t i = 0; i < result.size(); ++i) {
        const bool alpha = i % 4 == 3;
        const float expected = alpha ? 0.0f : (source[i] >= 0.5f ? source[i] : 0.0f);
        EXPECT_FLOAT_EQ(result[i], expected) << i;
    }
}

TEST_F(FiltersGL, AddValueAndAddImagesSumTheirInputs) {
    std::unique_ptr<Texture2D> a(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    std::unique_ptr<Texture2D> b(floatTexture(N, N, GL_RGBA32F, GL_RGBA, std::vector<float>(4 * N * N, 0.25f)));
    std::unique_ptr<Texture2D> c(floatTexture(N, N, GL_RGBA32F, GL_RGBA, std::vector<float>(4 * N * N, 2.0f)));
    const auto source = ramp();

    ASSERT_TRUE(kal::filterAddValue(a.get(), vec4{1, 2, 3, 4}, out));
    auto result = read(out);
    for (std::size_t i = 0; i < result.size(); ++i) EXPECT_FLOAT_EQ(result[i], source[i] + float(i % 4 + 1));

    ASSERT_TRUE(kal::filterAddImages({a.get(), b.get()}, out));
    result = read(out);
    for (std::size_t i = 0; i < result.size(); ++i) EXPECT_FLOAT_EQ(result[i], source[i] + 0.25f);

    ASSERT_TRUE(kal::filterAddImages({a.get(), b.get(), c.get()}, other));
    result = read(other);
    for (std::size_t i = 0; i < result.size(); ++i) EXPECT_FLOAT_EQ(result[i], source[i] + 2.25f);
}

TEST_F(FiltersGL, UnsupportedInputCountsAnswerFalseAndBindNothing) {
    std::unique_ptr<Texture2D> a(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    const unsigned program = kal::Shader::currentProgram;
    EXPECT_FALSE(kal::filterAddImages({a.get()}, out));
    EXPECT_FALSE(kal::filterAddImages({a.get(), a.get(), a.get(), a.get()}, out));
    EXPECT_FALSE(kal::filterAddMipMaps({}, 1, out));
    EXPECT_FALSE(kal::filterAddMipMaps({a.get(), a.get(), a.get()}, 1, out));
    EXPECT_EQ(kal::Shader::currentProgram, program);
    EXPECT_FALSE(a->bound);
    EXPECT_EQ(kal::textureUnitCounter, 0);
}

TEST_F(FiltersGL, AddMipMapsSumsTheLevelsOfTheRightSampler) {
    // Unit 0 is taken first, so a sampler left at its default would read the wrong
    // texture.
    std::unique_ptr<Texture2D> decoy(floatTexture(N, N, GL_RGBA32F, GL_RGBA, std::vector<float>(4 * N * N, 9.0f)));
    ASSERT_TRUE(decoy->bind());
    std::unique_ptr<Texture2D> glow(floatTexture(N, N, GL_RGBA32F, GL_RGBA, std::vector<float>(4 * N * N, 0.125f)));
    std::unique_ptr<Texture2D> base(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    ASSERT_EQ(glow->generateMipmaps(), 3);

    ASSERT_TRUE(kal::filterAddMipMaps({glow.get()}, 3, out));
    auto result = read(out);
    for (float v : result) EXPECT_FLOAT_EQ(v, 0.375f);

    ASSERT_TRUE(kal::filterAddMipMaps({base.get(), glow.get()}, 2, out));
    result = read(out);
    const auto source = ramp();
    for (std::size_t i = 0; i < result.size(); ++i) EXPECT_FLOAT_EQ(result[i], source[i] + 0.25f);
    decoy->unbind();
}

TEST_F(FiltersGL, ChromaMixesTheImageWithItsScaledCopyPerChannel) {
    std::unique_ptr<Texture2D> input(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    const std::uint8_t redOnly[4] = {255, 0, 0, 0};
    // s = 1 reads the copy at the pixel itself: nothing changes.
    ASSERT_TRUE(kal::filterChroma(input.get(), out, redOnly, 1.0f, kal::vec2{0.5f, 0.5f}));
    EXPECT_EQ(read(out), ramp());
    // s = 2 shrinks the copy onto the centre texel (2, 2): red comes from there alone.
    ASSERT_TRUE(kal::filterChroma(input.get(), out, redOnly, 2.0f, kal::vec2{0.5f, 0.5f}));
    const auto result = read(out);
    const auto source = ramp();
    for (std::size_t t = 0; t < std::size_t(N * N); ++t) {
        EXPECT_FLOAT_EQ(result[4 * t], 0.5f) << t;
        EXPECT_FLOAT_EQ(result[4 * t + 1], source[4 * t + 1]) << t;
        EXPECT_FLOAT_EQ(result[4 * t + 2], source[4 * t + 2]) << t;
    }
}

TEST_F(FiltersGL, ANullOutputDrawsIntoTheCurrentBuffer) {
    std::unique_ptr<Texture2D> input(floatTexture(N, N, GL_RGBA32F, GL_RGBA, ramp()));
    gl->glDrawBuffer(GLenum(other->attachment));
    ASSERT_TRUE(kal::filterAddValue(input.get(), vec4{1, 1, 1, 1}, nullptr));
    GLint drawBuffer = 0;
    gl->glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(drawBuffer, other->attachment);
    EXPECT_FLOAT_EQ(read(other)[0], 1.0f);
    EXPECT_FLOAT_EQ(read(out)[0], 0.0f);
}

// One bright texel in the middle of an 8 x 8 image, blurred once both ways.
template <typename Make>
void expectSeparableBlur(Make make, GLenum format, int channels) {
    const int n = 8;
    FBO blurTarget(0, n, n, 1);
    std::vector<float> spot(std::size_t(n * n * channels), 0.0f);
    for (int c = 0; c < channels; ++c) spot[std::size_t((4 * n + 4) * channels + c)] = 16.0f;
    Texture2D* a = blurTarget.addAttachment(make(n, spot));
    Texture2D* b = blurTarget.addAttachment(make(n, std::vector<float>()));
    ASSERT_TRUE(blurTarget.bind());
    gl->glViewport(0, 0, n, n);

    ASSERT_TRUE(kal::filterBlur(a, b, 0));
    auto result = readAttachment<float>(GLenum(a->attachment), n, n, format, GL_FLOAT, channels);
    EXPECT_EQ(result, spot) << "no iteration leaves the image alone";

    ASSERT_TRUE(kal::filterBlur(a, b, 1));
    result = readAttachment<float>(GLenum(a->attachment), n, n, format, GL_FLOAT, channels);
    const float weights[5] = {1, 4, 6, 4, 1};
    double sum = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int dx = x - 4, dy = y - 4;
            const float expected =
                (std::abs(dx) <= 2 && std::abs(dy) <= 2) ? 16.0f * weights[dx + 2] * weights[dy + 2] / 256.0f : 0.0f;
            EXPECT_NEAR(result[std::size_t((y * n + x) * channels)], expected, 1e-5f) << x << "," << y;
            sum += result[std::size_t((y * n + x) * channels)];
        }
    EXPECT_NEAR(sum, 16.0, 1e-4);
    blurTarget.unbind();
    kal::Shader::unbindCurrent();
}

TEST_F(FiltersGL, BlurSpreadsASpotByTheBinomialKernelInEveryFormat) {
    target.unbind();
    expectSeparableBlur(
        [](int n, const std::vector<float>& v) { return floatTexture(n, n, GL_R32F, GL_RED, v, GL_NEAREST); }, GL_RED,
        1);
    expectSeparableBlur(
        [](int n, const std::vector<float>& v) { return floatTexture(n, n, GL_RGB32F, GL_RGB, v, GL_NEAREST); }, GL_RGB,
        3);
    expectSeparableBlur(
        [](int n, const std::vector<float>& v) { return floatTexture(n, n, GL_RGBA32F, GL_RGBA, v, GL_NEAREST); },
        GL_RGBA, 4);
    ASSERT_TRUE(target.bind());
}

// Overlay markers on a small byte target, with the identity as projection.
class OverlayGL : public FiltersGL {
protected:
    const std::uint8_t white[4] = {255, 255, 255, 255};

    std::vector<std::pair<int, int>> litPixels(Texture2D* t) {
        std::vector<std::pair<int, int>> lit;
        const auto pixels = read(t);
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x)
                if (pixels[std::size_t(4 * (y * N + x))] > 0.5f) lit.emplace_back(x, y);
        return lit;
    }
};

TEST_F(OverlayGL, SquareOfSizeHalfCoversTheMiddleQuarter) {
    kal::drawSquare3D(0.5f, kal::vec3{0, 0, 1}, kal::vec3{0, 0, 0}, kal::mat4{}, white);
    const auto lit = litPixels(out);
    ASSERT_EQ(lit.size(), 4u);
    for (auto [x, y] : lit) {
        EXPECT_TRUE(x == 1 || x == 2);
        EXPECT_TRUE(y == 1 || y == 2);
    }
}

TEST_F(OverlayGL, SegmentsAndCirclesDrawWhereTheyArePlaced) {
    // A horizontal line through the centre of row 2 (y = 0.25 in clip space).
    kal::drawSegment3D(kal::vec3{-1, 0.25f, 0}, kal::vec3{1, 0.25f, 0}, kal::mat4{}, white);
    auto lit = litPixels(out);
    ASSERT_FALSE(lit.empty());
    for (auto [x, y] : lit) EXPECT_EQ(y, 2) << x;

    gl->glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(kal::drawCircleOutline(kal::mat4::scaling(0.75f, 0.75f, 1), white));
    lit = litPixels(out);
    EXPECT_GE(lit.size(), 4u);
    for (auto [x, y] : lit) {
        const float cx = (x + 0.5f) / 2.0f - 1.0f, cy = (y + 0.5f) / 2.0f - 1.0f;
        EXPECT_GT(std::hypot(cx, cy), 0.5f) << x << "," << y;
    }
}

} // namespace
