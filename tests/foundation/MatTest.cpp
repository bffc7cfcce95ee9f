#include "foundation/Mat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace kal;

namespace {
mat4 translation(float x, float y, float z) {
    mat4 m;
    m.m[3] = x;
    m.m[7] = y;
    m.m[11] = z;
    return m;
}
mat4 scaling(float s) {
    mat4 m;
    m.m[0] = m.m[5] = m.m[10] = s;
    return m;
}
} // namespace

TEST(Vec, NormalizeLeavesNullAndNaNVectorsUnchanged) {
    EXPECT_EQ(normalize(vec3(0, 0, 0)), vec3(0, 0, 0));
    EXPECT_EQ(normalize(vec3(1e-11f, 0, 0)), vec3(1e-11f, 0, 0));
    vec3 n = normalize(vec3(NAN, 1, 0));
    EXPECT_TRUE(std::isnan(n.x));
    EXPECT_EQ(n.y, 1.0f);
    vec2 v = normalize(vec2(3, 4));
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
}

TEST(Mat4, InPlaceProductAppliesLeftOperandFirst) {
    mat4 a = translation(1, 0, 0);
    a *= scaling(2);
    vec3 p = vec3(0, 0, 0) * a;
    EXPECT_EQ(p, vec3(2, 0, 0));
    mat4 b = translation(1, 2, 3);
    b *= b;
    EXPECT_EQ(b.translation(), vec3(2, 4, 6));
}

TEST(Mat4, InverseAffineTimesMatrixIsIdentityOnRandomTransforms) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-2, 2);
    for (int k = 0; k < 200; ++k) {
        mat4 m;
        for (int i = 0; i < 12; ++i) m.m[i] = u(rng);
        if (std::fabs(det(m.upper3())) < 0.1f) continue;
        mat4 r = inverseAffine(m);
        r *= m;
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(r.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-3f) << i;
    }
}

TEST(Mat4, InverseAffineIgnoresProjectiveRow) {
    mat4 m = translation(1, 2, 3);
    m.m[12] = 5;
    m.m[15] = 7;
    mat4 r = inverseAffine(m);
    EXPECT_EQ(r.m[12], 0.0f);
    EXPECT_EQ(r.m[15], 1.0f);
    EXPECT_EQ(r.translation(), vec3(-1, -2, -3));
}

TEST(Mat3, InverseOfZeroMatrixIsNonFiniteWithoutFailing) {
    mat3 z{{0, 0, 0, 0, 0, 0, 0, 0, 0}};
    mat3 r = inverse(z);
    EXPECT_FALSE(std::isfinite(r.m[0]));
}

TEST(Mat4, DirectionsIgnoreTranslationAndTransposedProductUsesColumns) {
    mat4 t = translation(4, 5, 6);
    EXPECT_EQ(transformDirection(vec3(1, 2, 3), t), vec3(1, 2, 3));
    vec4 v = t * vec4(0, 0, 0, 1);
    EXPECT_EQ(v, vec4(0, 0, 0, 1));
    vec4 w = t * vec4(1, 0, 0, 0);
    EXPECT_EQ(w.w, 4.0f);
}

TEST(Mat3, InPlaceProductWithItselfSquaresARotation) {
    // a quarter turn about Z, squared, is the half turn
    mat3 r{{0, -1, 0, 1, 0, 0, 0, 0, 1}};
    r *= r;
    EXPECT_EQ(r, (mat3{{-1, 0, 0, 0, -1, 0, 0, 0, 1}}));
}

TEST(Mat4, InPlaceProductWithItselfMatchesSeparateProduct) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-2, 2);
    mat4 m;
    for (float& e : m.m) e = u(rng);
    mat4 copy = m;
    mat4 expected = m;
    expected *= copy;
    m *= m;
    EXPECT_EQ(m, expected);
    // and both equal the ordinary product, element by element
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += double(copy.m[4 * i + k]) * copy.m[4 * k + j];
            EXPECT_EQ(m.m[4 * i + j], float(s));
        }
}

TEST(Mat4, PointProductDividesByProjectiveW) {
    mat4 p;
    p.m[14] = 1;
    p.m[15] = 0; // w = z
    vec3 q = vec3(2, 4, 2) * p;
    EXPECT_EQ(q, vec3(1, 2, 1));
    mat4 a = translation(1, 2, 3);
    a.m[0] = 2;
    EXPECT_EQ(vec3(1, 1, 1) * a, vec3(3, 3, 4));
}

TEST(Mat3, DeterminantAndInverseAgreeWithDoublePrecisionForm) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-3, 3);
    for (int k = 0; k < 100; ++k) {
        dmat3 d;
        mat3 f;
        for (int i = 0; i < 9; ++i) f.m[i] = float(d.m[i] = u(rng));
        if (std::fabs(det(d)) < 0.5) continue;
        EXPECT_NEAR(det(f), det(d), 1e-4 * (1 + std::fabs(det(d))));
        dmat3 di = inverse(d);
        mat3 fi = inverse(f);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                double s = 0;
                for (int j = 0; j < 3; ++j) s += d.m[3 * r + j] * di.m[3 * j + c];
                EXPECT_NEAR(s, r == c ? 1.0 : 0.0, 1e-12);
                EXPECT_NEAR(fi.m[3 * r + c], di.m[3 * r + c], 1e-3 * (1 + std::fabs(di.m[3 * r + c])));
            }
    }
}

TEST(Vec, NormalizeOfDoubleVectorsAndSquaredLengthThreshold) {
    dvec3 n = normalize(dvec3(0, 3, 4));
    EXPECT_DOUBLE_EQ(n.y, 0.6);
    EXPECT_DOUBLE_EQ(n.z, 0.8);
    EXPECT_EQ(normalize(dvec3(9e-11, 0, 0)).x, 9e-11); // squared length below the threshold
    EXPECT_EQ(vec3::length(vec3(2, 3, 6)), 7.0f);
    vec3 f = normalize(vec3(0, 0, -5));
    EXPECT_EQ(f, vec3(0, 0, -1));
}
