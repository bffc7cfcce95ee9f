#include "foundation/Noise.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace kal;

namespace {
const float kSamples[][3] = {{0.3f, 0.7f, 0.1f},
                             {-0.25f, 1.5f, 2.75f},
                             {12.125f, -3.8f, 0.6f},
                             {-100.4f, 55.55f, -7.2f},
                             {0.999f, 0.001f, 0.5f}};
} // namespace

TEST(NoiseTables, ReferencePermutationIsAPermutationWithThePublishedEnds) {
    std::vector<int> seen(256, 0);
    for (int v : referencePermutation) {
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 256);
        ++seen[v];
    }
    for (int n : seen) EXPECT_EQ(n, 1);
    const int head[] = {151, 160, 137, 91, 90, 15, 131, 13, 201, 95, 96, 53, 194, 233, 7, 225};
    const int tail[] = {128, 195, 78, 66, 215, 61, 156, 180};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(referencePermutation[i], head[i]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(referencePermutation[248 + i], tail[i]);
}

TEST(GradientNoise, FirstCallOnZeroedTablesFillsThemFirst) {
    initNoiseTables();
    const float expected2 = gradientNoise2(0.3f, 0.7f);
    const float expected3 = gradientNoise3(0.3f, 0.7f, 0.1f);
    // back to the state before start-up: zeroed tables, flag clear
    noisePermutation.assign(512, 0);
    noiseGradientIndex.assign(512, 0);
    noiseTablesReady = 0;
    EXPECT_EQ(gradientNoise2(0.3f, 0.7f), expected2);
    EXPECT_EQ(noiseTablesReady, 1);
    noiseTablesReady = 0;
    noisePermutation.assign(512, 0);
    EXPECT_EQ(gradientNoise3(0.3f, 0.7f, 0.1f), expected3);
    noiseTablesReady = 0;
    ensureNoiseTables();
    EXPECT_EQ(noisePermutation[300], referencePermutation[44]);
}

TEST(GradientNoise, MatchesValuesWorkedOutInSinglePrecision) {
    // worked out step by step apart from this code, rounding every operation to float
    struct Sample {
        float x, y, z, n2, n3;
    } samples[] = {{0.3f, 0.7f, 0.1f, 0.09100646525621414f, 0.09047097712755203f},
                   {-0.25f, 1.5f, 2.75f, 0.15087890625f, -0.2058238983154297f},
                   {12.125f, -3.8f, 0.6f, 0.25126999616622925f, 0.04637966305017471f},
                   {-100.4f, 55.55f, -7.2f, 0.2515302300453186f, -0.1786501109600067f}};
    for (const Sample& s : samples) {
        EXPECT_FLOAT_EQ(gradientNoise2(s.x, s.y), s.n2) << s.x;
        EXPECT_FLOAT_EQ(gradientNoise3(s.x, s.y, s.z), s.n3) << s.x;
    }
}

TEST(GradientNoise, VanishesAtEveryLatticePoint) {
    for (int x = -3; x <= 3; ++x)
        for (int y = -3; y <= 3; ++y) {
            EXPECT_EQ(gradientNoise2(float(x), float(y)), 0.0f) << x << "," << y;
            for (int z = -3; z <= 3; ++z) EXPECT_EQ(gradientNoise3(float(x), float(y), float(z)), 0.0f);
        }
    EXPECT_EQ(gradientNoise2(256.0f, -512.0f), 0.0f);
}

TEST(GradientNoise, RepeatsEvery256UnitsAlongEachAxis) {
    for (const auto& s : kSamples) {
        const float n2 = gradientNoise2(s[0], s[1]);
        EXPECT_NEAR(gradientNoise2(s[0] + 256.0f, s[1]), n2, 1e-4f);
        EXPECT_NEAR(gradientNoise2(s[0], s[1] - 256.0f), n2, 1e-4f);
        const float n3 = gradientNoise3(s[0], s[1], s[2]);
        EXPECT_NEAR(gradientNoise3(s[0] - 256.0f, s[1], s[2]), n3, 1e-4f);
        EXPECT_NEAR(gradientNoise3(s[0], s[1] + 256.0f, s[2]), n3, 1e-4f);
        EXPECT_NEAR(gradientNoise3(s[0], s[1], s[2] + 512.0f), n3, 1e-4f);
    }
}

TEST(GradientNoise, IsContinuousAcrossCellBorders) {
    // zero and negative whole numbers take the cell below; both sides must agree
    for (float border : {-2.0f, -1.0f, 0.0f, 1.0f, 3.0f}) {
        const float y = 0.37f, z = 0.61f;
        EXPECT_NEAR(gradientNoise2(border - 1e-4f, y), gradientNoise2(border + 1e-4f, y), 1e-3f);
        EXPECT_NEAR(gradientNoise2(y, border - 1e-4f), gradientNoise2(y, border + 1e-4f), 1e-3f);
        EXPECT_NEAR(gradientNoise3(border - 1e-4f, y, z), gradientNoise3(border + 1e-4f, y, z), 1e-3f);
        EXPECT_NEAR(gradientNoise3(y, z, border - 1e-4f), gradientNoise3(y, z, border + 1e-4f), 1e-3f);
    }
}

TEST(GradientNoise, NonFiniteAndHugeCoordinatesGiveFiniteValues) {
    EXPECT_EQ(gradientNoise2(NAN, 0.5f), 0.0f);
    EXPECT_EQ(gradientNoise3(0.5f, INFINITY, 0.5f), 0.0f);
    EXPECT_TRUE(std::isfinite(gradientNoise2(3e9f, -1e30f)));
    EXPECT_TRUE(std::isfinite(gradientNoise3(-3e38f, 5e9f, 0.5f)));
}

TEST(FractalNoise, NoOctavesIsZeroAndOneOctaveIsShiftedNoise) {
    EXPECT_EQ(fractalNoise2(0.3f, 0.4f, 7, 2.0f, 0.5f, 0), 0.0f);
    EXPECT_EQ(fractalNoise2(0.3f, 0.4f, 7, 2.0f, 0.5f, -2), 0.0f);
    for (int seed : {0, 7, 255, 256, -1}) {
        const float x = 1.3f, y = -0.4f;
        const float expected = gradientNoise2(x + float(referencePermutation[seed & 255]),
                                              y + float(referencePermutation[(seed + 1) & 255]));
        EXPECT_EQ(fractalNoise2(x, y, seed, 2.0f, 0.5f, 1), expected) << seed;
    }
}

TEST(FractalNoise, SecondOctaveAddsHalfOffsetNoiseAtScaledFrequency) {
    const float x = 0.8f, y = 2.1f;
    const int seed = 3, octaves = 2;
    const float first =
        gradientNoise2(x + float(referencePermutation[seed]), y + float(referencePermutation[seed + 2]));
    const float second = gradientNoise2(x * 2.0f + 0.5f + float(referencePermutation[seed + 1]),
                                        y * 2.0f + 0.5f + float(referencePermutation[seed + 3]));
    EXPECT_FLOAT_EQ(fractalNoise2(x, y, seed, 2.0f, 0.25f, octaves), first + second * 0.25f);
    EXPECT_TRUE(std::isfinite(fractalNoise2(x, y, 2147483647, 2.0f, 0.5f, 4))); // seed wraps
}

TEST(PeriodicNoise, EmptyArrayAndZeroCount) {
    std::vector<float> empty;
    periodicNoise1(empty, 5);
    EXPECT_TRUE(empty.empty());
    std::vector<float> values(16, 3.0f);
    periodicNoise1(values, 0);
    EXPECT_EQ(values, std::vector<float>(16, 0.0f));
    periodicNoise1(values, -1);
    EXPECT_EQ(values, std::vector<float>(16, 0.0f));
}

TEST(PeriodicNoise, OneWaveStaysWithinItsAmplitude) {
    std::srand(11);
    std::vector<float> values(100, 9.0f);
    periodicNoise1(values, 1);
    float peak = 0;
    for (float v : values) {
        EXPECT_LE(std::fabs(v), 1.0f / 1.5f + 1e-6f);
        peak = std::fmax(peak, std::fabs(v));
    }
    EXPECT_GT(peak, 0.6f); // 100 samples of a whole period come close to the crest
}

TEST(PeriodicNoise, WholePeriodsSumToZeroAndAmplitudesShrink) {
    std::srand(5);
    std::vector<float> values(256);
    periodicNoise1(values, 6);
    double sum = 0, bound = 0, amplitude = 1;
    for (int k = 1; k <= 6; ++k) bound += (amplitude /= 1.5);
    for (float v : values) {
        sum += v;
        EXPECT_LE(std::fabs(v), bound + 1e-5);
    }
    EXPECT_NEAR(sum, 0.0, 1e-3); // every wave completes whole periods over the array
    EXPECT_EQ(values.size(), 256u);
}

TEST(PeriodicNoise, WrapsSeamlesslyFromLastToFirst) {
    // The step from the last value to the first is as small as any step inside.
    std::srand(23);
    std::vector<float> values(512);
    periodicNoise1(values, 4);
    float largestStep = 0;
    for (std::size_t i = 1; i < values.size(); ++i)
        largestStep = std::fmax(largestStep, std::fabs(values[i] - values[i - 1]));
    EXPECT_LE(std::fabs(values.front() - values.back()), largestStep * 1.01f);
}
