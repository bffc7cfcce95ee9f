#include "foundation/Pbr.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kal;

namespace {
pbr grey(std::uint16_t v) {
    pbr p;
    p.red = p.green = p.blue = v;
    return p;
}

// Every field different, so a copy of the wrong field shows.
pbr distinct() {
    pbr p;
    p.red = 1;
    p.green = 2;
    p.blue = 3;
    p.opacity = 4;
    p.lightRed = 5;
    p.lightGreen = 6;
    p.lightBlue = 7;
    p.refractivity = 8;
    p.roughness = -9;
    p.metalness = 10;
    return p;
}
} // namespace

TEST(Pbr, DefaultIsWhiteOpaqueUnlitAndNeutral) {
    pbr p;
    EXPECT_EQ(p.red, 65535);
    EXPECT_EQ(p.green, 65535);
    EXPECT_EQ(p.blue, 65535);
    EXPECT_EQ(p.opacity, 65535);
    EXPECT_EQ(p.lightRed, 0);
    EXPECT_EQ(p.lightGreen, 0);
    EXPECT_EQ(p.lightBlue, 0);
    EXPECT_EQ(p.refractivity, 65535);
    EXPECT_EQ(p.roughness, 0);
    EXPECT_EQ(p.metalness, 0);
}

TEST(Pbr, EqualityLooksAtEveryField) {
    const pbr base = distinct();
    EXPECT_EQ(base, distinct());
    for (int field = 0; field < 10; ++field) {
        pbr changed = base;
        pbrFloat f = pbrFloat::fromPbr(changed);
        f[field] += 1;
        changed = pbrFloat::toPbr(f);
        EXPECT_NE(changed, base) << "field " << field;
    }
}

TEST(Pbr, CopyMaskedTouchesExactlyTheSelectedGroups) {
    const pbr src = distinct();
    const pbr untouched;
    pbr dst = untouched;
    pbrCopyMasked(dst, src, 0);
    EXPECT_EQ(dst, untouched);

    struct Case {
        int mask;
        std::uint16_t pbr::*field;
    } unsignedCases[] = {{kPbrOpacity, &pbr::opacity}, {kPbrRefractivity, &pbr::refractivity}};
    for (auto c : unsignedCases) {
        pbr d = untouched;
        pbrCopyMasked(d, src, c.mask);
        pbr expected = untouched;
        expected.*c.field = src.*c.field;
        EXPECT_EQ(d, expected) << "mask " << c.mask;
    }

    pbr d = untouched;
    pbrCopyMasked(d, src, kPbrRoughness);
    EXPECT_EQ(d.roughness, -9);
    d.roughness = 0;
    EXPECT_EQ(d, untouched);

    d = untouched;
    pbrCopyMasked(d, src, kPbrMetalness);
    EXPECT_EQ(d.metalness, 10);
    d.metalness = 0;
    EXPECT_EQ(d, untouched);

    d = untouched;
    pbrCopyMasked(d, src, kPbrColor | kPbrLight);
    EXPECT_EQ(d.red, 1);
    EXPECT_EQ(d.green, 2);
    EXPECT_EQ(d.blue, 3);
    EXPECT_EQ(d.lightRed, 5);
    EXPECT_EQ(d.lightGreen, 6);
    EXPECT_EQ(d.lightBlue, 7);
    EXPECT_EQ(d.opacity, 65535);
    EXPECT_EQ(d.refractivity, 65535);

    d = untouched;
    pbrCopyMasked(d, src, 64 | 128); // the two spare bits select nothing
    EXPECT_EQ(d, untouched);

    d = untouched;
    pbrCopyMasked(d, src, kPbrAll);
    EXPECT_EQ(d, src);
}

TEST(Pbr, CopyMaskedKeepsRoughnessAndMetalnessOffTheExtremes) {
    pbr src;
    src.roughness = 32767;
    src.metalness = -32768;
    pbr dst;
    pbrCopyMasked(dst, src, kPbrAll);
    EXPECT_EQ(dst.roughness, 32766);
    EXPECT_EQ(dst.metalness, -32766);
    src.roughness = -32767;
    src.metalness = 32766;
    pbrCopyMasked(dst, src, kPbrAll);
    EXPECT_EQ(dst.roughness, -32766);
    EXPECT_EQ(dst.metalness, 32766);
}

TEST(PbrFloat, HoldsRawChannelValuesAndRoundTrips) {
    const pbr p = distinct();
    pbrFloat f = pbrFloat::fromPbr(p);
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[8], -9.0f);
    EXPECT_EQ(pbrFloat::toPbr(f), p);
    pbrFloat white = pbrFloat::fromPbr(pbr());
    EXPECT_EQ(white[0], 65535.0f);
}

TEST(PbrFloat, ToPbrTruncatesTowardZeroAndClampsEachRange) {
    pbrFloat f = pbrFloat::fromPbr(pbr());
    f[0] = -0.7f;
    f[1] = 65535.9f;
    f[2] = 70000.0f;
    f[3] = 12.9f;
    f[8] = -40000.0f;
    f[9] = -12.9f;
    pbr p = pbrFloat::toPbr(f);
    EXPECT_EQ(p.red, 0);
    EXPECT_EQ(p.green, 65535);
    EXPECT_EQ(p.blue, 65535);
    EXPECT_EQ(p.opacity, 12);
    EXPECT_EQ(p.roughness, -32766);
    EXPECT_EQ(p.metalness, -12);
    f[8] = 32767.0f;
    EXPECT_EQ(pbrFloat::toPbr(f).roughness, 32766);
}

TEST(PbrFloat, ToPbrOfNonFiniteOrHugeChannelsStaysInRange) {
    pbrFloat f;
    f[0] = NAN;
    f[1] = INFINITY;
    f[2] = -INFINITY;
    f[3] = 1e30f;
    f[8] = NAN;
    f[9] = -1e30f;
    pbr p = pbrFloat::toPbr(f);
    EXPECT_EQ(p.red, 0);
    EXPECT_EQ(p.green, 65535);
    EXPECT_EQ(p.blue, 0);
    EXPECT_EQ(p.opacity, 65535);
    EXPECT_EQ(p.roughness, 0);
    EXPECT_EQ(p.metalness, -32766);
}

TEST(PbrFloat, ArithmeticIsChannelWise) {
    const pbrFloat a = pbrFloat::fromPbr(distinct());
    const pbrFloat sum = a + a;
    const pbrFloat scaled = a * 3.0f;
    const pbrFloat third = scaled / 3.0f;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(sum[i], 2 * a[i]);
        EXPECT_EQ(scaled[i], 3 * a[i]);
        EXPECT_EQ(third[i], a[i]);
    }
    // barycentric blend of three corners, as mesh edits do
    pbrFloat mean = (pbrFloat::fromPbr(grey(0)) + pbrFloat::fromPbr(grey(300)) + pbrFloat::fromPbr(grey(600))) / 3.0f;
    EXPECT_EQ(pbrFloat::toPbr(mean).red, 300);
}

TEST(PbrAccumulator, WidensSignedChannelsWithSign) {
    pbrAccumulator acc(distinct());
    EXPECT_EQ(acc.red, 1);
    EXPECT_EQ(acc.refractivity, 8);
    EXPECT_EQ(acc.roughness, -9);
    pbrAccumulator white{pbr()};
    EXPECT_EQ(white.red, 65535); // zero-extended, not -1
}

TEST(PbrAccumulator, AveragesTruncateTowardZero) {
    pbrAccumulator acc(grey(65535));
    acc.add(grey(65535), kPbrColor);
    acc.add(grey(0), kPbrColor);
    acc.divide(3, kPbrColor);
    EXPECT_EQ(acc.toPbr().red, 43690);

    pbr a, b;
    a.roughness = -1;
    b.roughness = 0;
    pbrAccumulator r(a);
    r.add(b, kPbrRoughness);
    r.divide(2, kPbrRoughness);
    EXPECT_EQ(r.toPbr().roughness, 0);
}

// The midpoint of a subdivision: the accumulator's mean of two, on every channel's extremes and
// odd sums of either sign.
TEST(PbrAccumulator, MeanOfTwoIsTheAccumulatorsMean) {
    const std::uint16_t us[] = {0, 1, 2, 32767, 32768, 65534, 65535};
    const std::int16_t ss[] = {-32768, -32767, -32766, -3, -1, 0, 1, 2, 32766, 32767};
    for (std::uint16_t x : us)
        for (std::uint16_t y : us)
            for (std::int16_t r : ss)
                for (std::int16_t m : ss) {
                    pbr a = distinct(), b = grey(y);
                    a.red = a.opacity = a.lightBlue = x;
                    b.refractivity = x;
                    a.roughness = r;
                    b.roughness = m;
                    a.metalness = m;
                    b.metalness = std::int16_t(-r - 1);
                    pbrAccumulator sum(a);
                    sum.add(pbrAccumulator(b), kPbrAll);
                    sum.divide(2, kPbrAll);
                    ASSERT_EQ(pbrMean(a, b), sum.toPbr()) << x << " " << y << " " << r << " " << m;
                }
}

TEST(PbrAccumulator, AddAndDivideLeaveUnmaskedSumsAlone) {
    pbrAccumulator acc(distinct());
    acc.add(pbrAccumulator(distinct()), kPbrLight);
    EXPECT_EQ(acc.red, 1);
    EXPECT_EQ(acc.lightRed, 10);
    EXPECT_EQ(acc.roughness, -9);
    acc.divide(2, kPbrColor);
    EXPECT_EQ(acc.red, 0);
    EXPECT_EQ(acc.lightRed, 10);
}

TEST(PbrAccumulator, DivideByZeroOrNegativeCountKeepsTheSums) {
    pbrAccumulator acc(distinct());
    const pbr before = acc.toPbr();
    acc.divide(0, kPbrAll);
    EXPECT_EQ(acc.toPbr(), before);
    acc.divide(-3, kPbrAll);
    EXPECT_EQ(acc.toPbr(), before);
    pbrAccumulator empty;
    empty.divide(0, kPbrAll);
    EXPECT_EQ(empty.red, 0);
}

TEST(PbrAccumulator, LongSumsOfExtremeRoughnessDoNotOverflow) {
    pbr hard;
    hard.roughness = 32766;
    hard.metalness = -32766;
    pbrAccumulator acc;
    for (int i = 0; i < 100000; ++i) acc.add(hard, kPbrAll);
    acc.divide(100000, kPbrAll);
    EXPECT_EQ(acc.toPbr(), hard);
}

TEST(PbrAccumulator, ToPbrSaturatesEveryChannel) {
    pbrAccumulator acc;
    acc.red = -5;
    acc.green = 70000;
    acc.opacity = 1234;
    acc.roughness = 40000;
    acc.metalness = -40000;
    pbr p = acc.toPbr();
    EXPECT_EQ(p.red, 0);
    EXPECT_EQ(p.green, 65535);
    EXPECT_EQ(p.opacity, 1234);
    EXPECT_EQ(p.roughness, 32766);
    EXPECT_EQ(p.metalness, -32766);
    pbr out;
    acc.toPbr(out);
    EXPECT_EQ(out, p);
}

TEST(PbrMix, EndpointsMidpointAndExtrapolation) {
    const pbrAccumulator black(grey(0)), white(grey(65535));
    EXPECT_EQ(mix(black, white, 0.0f, kPbrAll).toPbr(), grey(0));
    EXPECT_EQ(mix(black, white, 1.0f, kPbrAll).toPbr(), grey(65535));
    EXPECT_EQ(mix(black, white, 0.5f, kPbrAll).red, 32767);
    EXPECT_EQ(mix(white, black, 0.5f, kPbrAll).red, 32767); // 32767.5 truncates too
    EXPECT_EQ(mix(grey(100), grey(200), 2.0f, kPbrAll).red, 300);
    EXPECT_EQ(mix(grey(100), grey(200), -1.0f, kPbrAll).red, 0);
    EXPECT_EQ(mix(grey(100), grey(200), -2.0f, kPbrAll).toPbr().red, 0); // -100 narrows to 0

    pbr a, b;
    a.roughness = 0;
    b.roughness = -3;
    EXPECT_EQ(mix(a, b, 0.5f, kPbrAll).roughness, -1); // -1.5 truncates toward zero
}

TEST(PbrMix, OnlyMaskedGroupsMove) {
    const pbrAccumulator a(distinct()), b(grey(1000));
    pbrAccumulator m = mix(a, b, 1.0f, kPbrColor);
    EXPECT_EQ(m.red, 1000);
    EXPECT_EQ(m.opacity, a.opacity);
    EXPECT_EQ(m.lightRed, a.lightRed);
    EXPECT_EQ(m.roughness, a.roughness);
    EXPECT_EQ(mix(a, b, 1.0f, 0).toPbr(), distinct());
}

TEST(PbrMix, NonFiniteFactorLeavesChannelsDefined) {
    const pbrAccumulator a(grey(10)), b(grey(20));
    EXPECT_EQ(mix(a, b, NAN, kPbrAll).red, 10);
    EXPECT_EQ(mix(a, b, INFINITY, kPbrAll).toPbr().red, 65535);
    EXPECT_EQ(mix(a, b, -INFINITY, kPbrAll).toPbr().red, 0);
}
