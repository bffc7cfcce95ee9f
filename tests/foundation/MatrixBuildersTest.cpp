#include "foundation/Mat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace kal;

namespace {

constexpr float kPi = 3.14159265358979f;

void expectNear(vec3 a, vec3 b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void expectNear(const mat3& a, const mat3& b, float tol = 1e-5f) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

void expectNear(const mat4& a, const mat4& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

bool allFinite(const mat3& a) {
    for (float e : a.m)
        if (!std::isfinite(e)) return false;
    return true;
}

bool allFinite(const mat4& a) {
    for (float e : a.m)
        if (!std::isfinite(e)) return false;
    return true;
}

// Columns unit length and mutually perpendicular, determinant +1.
void expectProperRotation(const mat3& r, float tol = 1e-5f) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(r.column(i).length(), 1.0f, tol);
        for (int j = i + 1; j < 3; ++j) EXPECT_NEAR(dot(r.column(i), r.column(j)), 0.0f, tol);
    }
    EXPECT_NEAR(det(r), 1.0f, tol);
}

vec3 randomVec(std::mt19937& rng, float range = 3) {
    std::uniform_real_distribution<float> u(-range, range);
    return {u(rng), u(rng), u(rng)};
}

const mat3 kMinusIdentity{{-1, 0, 0, 0, -1, 0, 0, 0, -1}};

} // namespace

TEST(MatrixBuilders, TranslationAndScalingLayout) {
    mat4 t = mat4::translation(vec3(1, 2, 3));
    EXPECT_EQ(t, mat4::translationXYZ(1, 2, 3));
    EXPECT_EQ(t.translation(), vec3(1, 2, 3));
    EXPECT_EQ(vec3(0, 0, 0) * t, vec3(1, 2, 3));
    mat4 s = mat4::scaling(2, 3, 4);
    EXPECT_EQ(vec3(1, 1, 1) * s, vec3(2, 3, 4));
    EXPECT_EQ(s.m[15], 1.0f);
    EXPECT_EQ(vec3(1, 1, 1) * mat3::scaling(2, 3, 4), vec3(2, 3, 4));
    mat4 f = mat4::fromMat3(mat3{{1, 2, 3, 4, 5, 6, 7, 8, 9}});
    EXPECT_EQ(f, (mat4{{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1}}));
}

TEST(MatrixBuilders, TranslationThenScalingAppliesTranslationFirst) {
    mat4 a = mat4::translation(vec3(1, 0, 0));
    a *= mat4::uniformScaling(2);
    EXPECT_EQ(vec3(0, 0, 0) * a, vec3(2, 0, 0));
}

TEST(MatrixBuilders, AxisAngleTurnsRightHandedAndIgnoresAxisLength) {
    mat3 r = mat3::rotationAxisAngle(vec3(1, 0, 0), kPi / 2);
    expectNear(vec3(0, 1, 0) * r, vec3(0, 0, 1));
    EXPECT_EQ(mat3::rotationAxisAngle(vec3(0, 0, 2), 0.7f), mat3::rotationAxisAngle(vec3(0, 0, 1), 0.7f));
    EXPECT_EQ(mat3::rotationAxisAngle(vec3(0, 0, 0), 1.0f), mat3());
    EXPECT_EQ(mat3::rotationAxisAngle(vec3(1e-12f, 0, 0), 1.0f), mat3());
}

TEST(MatrixBuilders, AxisAngleRotationsAreOrthonormalAndKeepTheirAxis) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> ang(-kPi, kPi);
    for (int k = 0; k < 100; ++k) {
        vec3 axis = randomVec(rng);
        mat3 r = mat3::rotationAxisAngle(axis, ang(rng));
        expectProperRotation(r);
        expectNear(axis * r, axis, 1e-5f * 4);
    }
}

TEST(MatrixBuilders, EulerAnglesMatchElementTableAndAxisRotations) {
    expectNear(mat3::rotationEuler(0, 0, 0.5f), mat3::rotationAxisAngle(vec3(0, 0, 1), -0.5f), 1e-6f);
    expectNear(mat3::rotationEuler(0.3f, 0, 0), mat3::rotationAxisAngle(vec3(1, 0, 0), -0.3f), 1e-6f);
    expectNear(mat3::rotationEuler(0, 0.4f, 0), mat3::rotationAxisAngle(vec3(0, 1, 0), -0.4f), 1e-6f);
    // general angles: −a about X first, then −b about Y, then −c about Z
    mat3 composed = mat3::rotationAxisAngle(vec3(1, 0, 0), -0.3f);
    composed *= mat3::rotationAxisAngle(vec3(0, 1, 0), -0.4f);
    composed *= mat3::rotationAxisAngle(vec3(0, 0, 1), -0.5f);
    expectNear(mat3::rotationEuler(0.3f, 0.4f, 0.5f), composed, 1e-6f);
    // the view presets' documented matrices
    expectNear(mat3::rotationEuler(0, kPi, 0), mat3{{-1, 0, 0, 0, 1, 0, 0, 0, -1}}, 1e-6f);
    expectNear(mat3::rotationEuler(kPi / 2, 0, 0), mat3{{1, 0, 0, 0, 0, 1, 0, -1, 0}}, 1e-6f);
}

TEST(MatrixBuilders, RotationBetweenTurnsDirectionsAndHandlesParallelInputs) {
    expectNear(vec3(1, 0, 0) * mat3::rotationBetween(vec3(1, 0, 0), vec3(0, 1, 0)), vec3(0, 1, 0));
    EXPECT_EQ(mat3::rotationBetween(vec3(1, 0, 0), vec3(2, 0, 0)), mat3());
    EXPECT_EQ(mat3::rotationBetween(vec3(1, 0, 0), vec3(-1, 0, 0)), kMinusIdentity);
    EXPECT_EQ(mat3::rotationBetween(vec3(1, 0, 0), vec3(0, 0, 0)), mat3());
    EXPECT_EQ(mat3::rotationBetween(vec3(0, 0, 0), vec3(0, 0, 1)), mat3());
    std::mt19937 rng(2);
    for (int k = 0; k < 100; ++k) {
        vec3 a = randomVec(rng), b = randomVec(rng);
        mat3 r = mat3::rotationBetween(a, b);
        expectProperRotation(r);
        expectNear(normalize(a) * r, normalize(b), 1e-5f);
        expectNear(cross(a, b) * r, cross(a, b), 1e-4f); // turns about a × b
    }
}

TEST(MatrixBuilders, StretchScalesOnlyAlongItsDirection) {
    mat3 s = mat3::stretch(vec3(0, 0, 3), 1.5f);
    EXPECT_EQ(vec3(1, 2, 2) * s, vec3(1, 2, 5));
    EXPECT_EQ(mat3::stretch(vec3(0, 0, 0), 4.0f), mat3());
    vec3 n = normalize(vec3(1, 2, 3));
    expectNear(n * mat3::stretch(n, -0.5f), n * 0.5f);
}

TEST(MatrixBuilders, MapVectorOntoCarriesSourceExactlyOntoTarget) {
    expectNear(mat3::mapVectorOnto(vec3(1, 0, 0), vec3(-3, 0, 0)), mat3::scaling(-3, -1, -1), 1e-6f);
    std::mt19937 rng(4);
    for (int k = 0; k < 100; ++k) {
        vec3 a = randomVec(rng), b = randomVec(rng);
        if (a.length() < 0.1f) continue;
        expectNear(a * mat3::mapVectorOnto(a, b), b, 1e-4f);
        expectNear(a * mat4::mapVectorOnto(a, b), b, 1e-4f);
    }
}

TEST(MatrixBuilders, MapVectorOntoFromZeroSourceIsIdentity) {
    mat3 m = mat3::mapVectorOnto(vec3(0, 0, 0), vec3(1, 2, 3));
    EXPECT_EQ(m, mat3());
    EXPECT_EQ(mat3::mapVectorOnto(vec3(1e-30f, 0, 0), vec3(1, 2, 3)), mat3());
    EXPECT_EQ(mat4::mapVectorOnto(vec3(0, 0, 0), vec3(1, 0, 0)), mat4());
}

TEST(MatrixBuilders, MapPointAboutKeepsPivotAndCarriesPoint) {
    std::mt19937 rng(5);
    for (int k = 0; k < 100; ++k) {
        vec3 pivot = randomVec(rng), from = randomVec(rng), to = randomVec(rng);
        if ((from - pivot).length() < 0.1f) continue;
        mat4 m = mat4::mapPointAbout(pivot, from, to);
        expectNear(pivot * m, pivot, 1e-4f);
        expectNear(from * m, to, 1e-4f);
        EXPECT_EQ(m, mat4::frameFromPoints(pivot, from, to));
    }
}

TEST(MatrixBuilders, MapPointAboutWithSourceAtPivotIsIdentity) {
    mat4 m = mat4::mapPointAbout(vec3(1, 2, 3), vec3(1, 2, 3), vec3(4, 5, 6));
    EXPECT_EQ(m, mat4());
    EXPECT_EQ(mat4::frameFromPoints(vec3(0, 0, 0), vec3(0, 0, 0), vec3(0, 0, 0)), mat4());
}

TEST(MatrixBuilders, RotatedByAppliesTheFrameFirstThenTheMatrix) {
    mat3 f = mat3::rotationAxisAngle(vec3(1, 0, 0), 0.4f);
    mat4 b = mat4::rotationEuler(0.1f, 0.2f, 0.3f);
    b.setTranslation(vec3(7, 8, 9)); // the translation plays no part
    mat3 r = mat3::rotatedBy(f, b);
    mat3 expected = f;
    expected *= b.upper3();
    EXPECT_EQ(r, expected);
    mat3 out;
    mat3::rotatedBy(out, f, b);
    EXPECT_EQ(out, r);
}

TEST(MatrixBuilders, ReflectionMirrorsAcrossPlaneThroughOrigin) {
    mat3 r = mat3::reflection(vec3(0, 2, 0));
    EXPECT_EQ(vec3(1, 2, 3) * r, vec3(1, -2, 3));
    EXPECT_EQ(mat3::reflection(vec3(0, 0, 0)), mat3());
    EXPECT_NEAR(det(mat3::reflection(vec3(1, 2, 3))), -1.0f, 1e-5f);
}

TEST(MatrixBuilders, PlaneReflectionMirrorsAcrossPlaneThroughPoint) {
    mat4 m = mat4::planeReflection(vec3(0, 0, 1), vec3(1, 2, 3));
    EXPECT_EQ(vec3(5, -4, 1) * m, vec3(5, -4, 5));
    EXPECT_EQ(vec3(0, 0, 6) * m, vec3(0, 0, 0));
    std::mt19937 rng(6);
    for (int k = 0; k < 50; ++k) {
        vec3 n = randomVec(rng), p = randomVec(rng);
        if (n.length() < 0.1f) continue;
        mat4 r = mat4::planeReflection(n, p);
        expectNear(p * r, p, 1e-5f);
        expectNear((p + normalize(n)) * r, p - normalize(n), 1e-5f);
        mat4 twice = r;
        twice *= r;
        expectNear(twice, mat4(), 1e-5f);
    }
}

TEST(MatrixBuilders, FrameFromDirectionPicksMostPerpendicularAxis) {
    mat3 f = mat3::frameFromDirection(vec3(0, 0, 1));
    EXPECT_EQ(f.column(0), vec3(0, -1, 0));
    EXPECT_EQ(f.column(1), vec3(1, 0, 0));
    EXPECT_EQ(f.column(2), vec3(0, 0, 1));
    f = mat3::frameFromDirection(vec3(1, 0, 0));
    EXPECT_EQ(f.column(0), vec3(0, 0, -1));
    EXPECT_EQ(f.column(1), vec3(0, 1, 0));
    EXPECT_EQ(f.column(2), vec3(1, 0, 0));
    // all three candidates equal: the X candidate wins
    float h = 1 / std::sqrt(2.0f);
    expectNear(mat3::frameFromDirection(vec3(1, 1, 1)).column(0), vec3(0, -h, h));
    // (1, 0, 1) is most perpendicular to Y: X column = normalised Y × n
    expectNear(mat3::frameFromDirection(vec3(1, 0, 1)).column(0), vec3(h, 0, -h));
}

TEST(MatrixBuilders, FramesAreRightHandedOrthonormalWithZAlongDirection) {
    std::mt19937 rng(8);
    for (int k = 0; k < 100; ++k) {
        vec3 d = randomVec(rng), hint = randomVec(rng);
        for (const mat3& f : {mat3::frameFromDirection(d), mat3::frameFromDirectionAndUp(hint, d),
                              mat3::frameFromDirectionAndSide(hint, d)}) {
            expectProperRotation(f);
            expectNear(f.column(2), normalize(d));
        }
        // the hint lies in the plane of Z and the chosen column, on its positive side
        mat3 up = mat3::frameFromDirectionAndUp(hint, d);
        EXPECT_NEAR(dot(hint, up.column(0)), 0.0f, 1e-4f);
        EXPECT_GT(dot(hint, up.column(1)), 0.0f);
        mat3 side = mat3::frameFromDirectionAndSide(hint, d);
        EXPECT_NEAR(dot(hint, side.column(1)), 0.0f, 1e-4f);
        EXPECT_GT(dot(hint, side.column(0)), 0.0f);
    }
}

TEST(MatrixBuilders, FramesFallBackForNullOrParallelInputs) {
    EXPECT_EQ(mat3::frameFromDirection(vec3(0, 0, 0)), mat3());
    EXPECT_EQ(mat3::frameFromDirection(vec3(1e-21f, -1e-21f, 0)), mat3());
    // too short to normalise, though not below the component threshold
    EXPECT_EQ(mat3::frameFromDirection(vec3(1e-12f, 0, 0)), mat3());
    EXPECT_EQ(mat3::frameFromDirectionAndUp(vec3(0, 1, 0), vec3(0, 0, 1)), mat3());
    EXPECT_EQ(mat3::frameFromDirectionAndSide(vec3(1, 0, 0), vec3(0, 0, 1)), mat3());
    const vec3 d(0, 0, 1);
    const mat3 plain = mat3::frameFromDirection(d);
    EXPECT_EQ(mat3::frameFromDirectionAndUp(vec3(0, 0, 2), d), plain);
    EXPECT_EQ(mat3::frameFromDirectionAndSide(vec3(0, 0, 2), d), plain);
    EXPECT_EQ(mat3::frameFromDirectionAndUp(d, d), plain);
    EXPECT_EQ(mat3::frameFromDirectionAndUp(vec3(0, 0, 0), d), plain);
    EXPECT_EQ(mat3::frameFromDirectionAndSide(vec3(0, 0, -3), d), plain);
    EXPECT_EQ(mat3::frameFromDirectionAndUp(vec3(0, 1, 0), vec3(0, 0, 0)), mat3());
}

TEST(MatrixBuilders, AngleAboutMeasuresTheTurnOfScaledRotations) {
    const vec3 axis(1, 2, 3);
    mat3 a = mat3::rotationAxisAngle(axis, 1.0f);
    for (float& e : a.m) e *= 2;
    EXPECT_NEAR(mat3::angleAbout(a, axis), 1.0f, 1e-5f);
    expectNear(mat3::constrainedRotation(a, axis), a, 1e-5f);
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> ang(-3.1f, 3.1f), scale(0.2f, 5.0f);
    for (int k = 0; k < 100; ++k) {
        vec3 n = randomVec(rng);
        if (n.length() < 0.1f) continue;
        float phi = ang(rng), s = scale(rng);
        mat3 m = mat3::rotationAxisAngle(n, phi);
        for (float& e : m.m) e *= s;
        EXPECT_NEAR(mat3::angleAbout(m, n), phi, 1e-4f);
        EXPECT_NEAR(mat3::angleAbout(m, -n), -phi, 1e-4f);
        expectNear(mat3::constrainedRotation(m, n), m, 1e-4f * s);
    }
}

TEST(MatrixBuilders, ConstrainedRotationKeepsOnlyTheTurnAboutTheAxis) {
    // a turn about X followed by a turn about Z keeps only the Z part
    mat3 a = mat3::rotationAxisAngle(vec3(1, 0, 0), 0.5f);
    a *= mat3::rotationAxisAngle(vec3(0, 0, 1), 0.8f);
    mat3 c = mat3::constrainedRotation(a, vec3(0, 0, 1));
    expectProperRotation(c);
    expectNear(vec3(0, 0, 1) * c, vec3(0, 0, 1));
    EXPECT_NEAR(mat3::angleAbout(c, vec3(0, 0, 1)), mat3::angleAbout(a, vec3(0, 0, 1)), 1e-5f);
}

TEST(MatrixBuilders, ConstrainedRotationOfMirroredMatrixStaysFiniteAndMirrored) {
    // a mirror across the plane perpendicular to the axis, turned and scaled, comes back unchanged
    const vec3 axis(0, 1, 1);
    mat3 a = mat3::reflection(axis);
    a *= mat3::rotationAxisAngle(axis, 0.6f);
    for (float& e : a.m) e *= 1.5f;
    EXPECT_NEAR(mat3::angleAbout(a, axis), 0.6f, 1e-5f);
    expectNear(mat3::constrainedRotation(a, axis), a, 1e-5f);
    // a mirror across a plane containing the axis: finite, still a mirror of the same scale
    mat3 b = mat3::reflection(vec3(1, 0, 0));
    for (float& e : b.m) e *= 2;
    const float angle = mat3::angleAbout(b, vec3(0, 0, 1));
    EXPECT_TRUE(std::isfinite(angle));
    mat3 c = mat3::constrainedRotation(b, vec3(0, 0, 1));
    EXPECT_TRUE(allFinite(c));
    EXPECT_NEAR(det(c), -8.0f, 1e-4f);
    expectNear(vec3(0, 0, 1) * c, vec3(0, 0, -2), 1e-5f);
}

TEST(MatrixBuilders, AngleAboutOfSingularOrBrokenMatrixIsZeroAndConstraintIsIdentity) {
    const mat3 flat = mat3::scaling(1, 1, 0);
    EXPECT_EQ(mat3::angleAbout(flat, vec3(0, 0, 1)), 0.0f);
    EXPECT_EQ(mat3::constrainedRotation(flat, vec3(0, 0, 1)), mat3());
    mat3 broken;
    broken.m[4] = NAN;
    EXPECT_EQ(mat3::angleAbout(broken, vec3(0, 0, 1)), 0.0f);
    EXPECT_TRUE(allFinite(mat3::constrainedRotation(broken, vec3(0, 0, 1))));
}

TEST(MatrixBuilders, ConstrainToAxisProjectsTranslationOnly) {
    mat4 m = mat4::rotationEuler(0.1f, 0.2f, 0.3f);
    m.setTranslation(vec3(1, 2, 3));
    mat4 c = mat4::constrainToAxis(m, vec3(0, 0, 5));
    EXPECT_EQ(c.upper3(), m.upper3());
    EXPECT_EQ(c.translation(), vec3(0, 0, 3));
    m.m[12] = 4; // a projective row is dropped by a non-zero axis, kept by a zero one
    EXPECT_EQ(mat4::constrainToAxis(m, vec3(0, 0, 0)), m);
    EXPECT_EQ(mat4::constrainToAxis(m, vec3(1, 0, 0)).m[12], 0.0f);
}

TEST(MatrixBuilders, ConstrainRotationToAxisKeepsTranslationAndAffineRow) {
    mat4 m = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 1, 0), 0.7f));
    m.setTranslation(vec3(1, 2, 3));
    m.m[13] = 2;
    m.m[15] = 3;
    mat4 c = mat4::constrainRotationToAxis(m, vec3(0, 2, 0));
    EXPECT_EQ(c.translation(), vec3(1, 2, 3));
    EXPECT_EQ(c.m[13], 0.0f);
    EXPECT_EQ(c.m[15], 1.0f);
    expectNear(c.upper3(), m.upper3(), 1e-5f);
    EXPECT_EQ(mat4::constrainRotationToAxis(m, vec3(0, 0, 0)), m);
}

TEST(MatrixBuilders, ConstrainRotationOfMirrorCommandStaysFinite) {
    // the mirror command hands a plane reflection to a tool with a rotation axis
    mat4 mirror = mat4::planeReflection(vec3(1, 0, 0), vec3(2, 0, 0));
    mat4 c = mat4::constrainToAxis(mat4::constrainRotationToAxis(mirror, vec3(0, 0, 1)), vec3(0, 0, 1));
    EXPECT_TRUE(allFinite(c));
    EXPECT_NEAR(det(c.upper3()), -1.0f, 1e-5f);
}

TEST(MatrixBuilders, InverseAffineUndoesComposedTransforms) {
    std::mt19937 rng(10);
    std::uniform_real_distribution<float> ang(-kPi, kPi), scale(0.2f, 4.0f);
    for (int k = 0; k < 100; ++k) {
        mat4 m = mat4::scaling(scale(rng), scale(rng), scale(rng));
        m *= mat4::fromMat3(mat3::rotationAxisAngle(randomVec(rng), ang(rng)));
        m *= mat4::translation(randomVec(rng));
        mat4 r = m;
        r *= inverseAffine(m);
        expectNear(r, mat4(), 1e-4f);
        vec3 p = randomVec(rng);
        expectNear(p * m * inverseAffine(m), p, 1e-4f);
    }
}
