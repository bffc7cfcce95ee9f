#include "foundation/Predicates.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace kal;

namespace {

// Signed big integer, just enough to evaluate determinants exactly as a reference.
struct Big {
    bool negative = false;
    std::vector<uint32_t> mag; // little-endian, no leading zero limbs

    static Big fromDouble(double v) {
        // Every double is a multiple of 2^-1074, so scaling by 2^1074 makes it an integer.
        constexpr int kScale = 1074;
        Big r;
        if (v == 0.0) return r;
        int e;
        double frac = std::frexp(std::fabs(v), &e);
        uint64_t m = uint64_t(std::ldexp(frac, 53));
        int shift = e - 53 + kScale;
        EXPECT_GE(shift, 0) << "coordinate too small for the reference";
        r.mag = {uint32_t(m), uint32_t(m >> 32)};
        r.shiftLeft(shift);
        r.negative = v < 0;
        r.trim();
        return r;
    }
    void trim() {
        while (!mag.empty() && mag.back() == 0) mag.pop_back();
        if (mag.empty()) negative = false;
    }
    void shiftLeft(int bits) {
        std::vector<uint32_t> out(size_t(bits / 32), 0u);
        uint32_t carry = 0;
        int s = bits % 32;
        for (uint32_t limb : mag) {
            out.push_back(s ? (limb << s) | carry : limb);
            carry = s ? limb >> (32 - s) : 0;
        }
        out.push_back(carry);
        mag = out;
    }
    int sign() const { return mag.empty() ? 0 : (negative ? -1 : 1); }
};

int compareMagnitude(const Big& a, const Big& b) {
    if (a.mag.size() != b.mag.size()) return a.mag.size() < b.mag.size() ? -1 : 1;
    for (size_t i = a.mag.size(); i-- > 0;)
        if (a.mag[i] != b.mag[i]) return a.mag[i] < b.mag[i] ? -1 : 1;
    return 0;
}

Big operator+(const Big& a, const Big& b) {
    Big r;
    if (a.negative == b.negative) {
        r.negative = a.negative;
        uint64_t carry = 0;
        for (size_t i = 0; i < std::max(a.mag.size(), b.mag.size()) || carry; ++i) {
            uint64_t s = carry + (i < a.mag.size() ? a.mag[i] : 0) + (i < b.mag.size() ? b.mag[i] : 0);
            r.mag.push_back(uint32_t(s));
            carry = s >> 32;
        }
    } else {
        const Big& big = compareMagnitude(a, b) >= 0 ? a : b;
        const Big& small = &big == &a ? b : a;
        r.negative = big.negative;
        int64_t borrow = 0;
        for (size_t i = 0; i < big.mag.size(); ++i) {
            int64_t d = int64_t(big.mag[i]) - borrow - (i < small.mag.size() ? small.mag[i] : 0);
            borrow = d < 0;
            r.mag.push_back(uint32_t(d + (borrow << 32)));
        }
    }
    r.trim();
    return r;
}

Big operator-(const Big& a) {
    Big r = a;
    if (!r.mag.empty()) r.negative = !r.negative;
    return r;
}
Big operator-(const Big& a, const Big& b) { return a + (-b); }

Big operator*(const Big& a, const Big& b) {
    Big r;
    if (a.mag.empty() || b.mag.empty()) return r;
    std::vector<uint64_t> acc(a.mag.size() + b.mag.size() + 1, 0);
    for (size_t i = 0; i < a.mag.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.mag.size(); ++j) {
            uint64_t t = acc[i + j] + uint64_t(a.mag[i]) * b.mag[j] + carry;
            acc[i + j] = uint32_t(t);
            carry = t >> 32;
        }
        for (size_t k = i + b.mag.size(); carry; ++k) {
            uint64_t t = acc[k] + carry;
            acc[k] = uint32_t(t);
            carry = t >> 32;
        }
    }
    for (uint64_t limb : acc) r.mag.push_back(uint32_t(limb));
    r.negative = a.negative != b.negative;
    r.trim();
    return r;
}

int exactOrient2(const double* pa, const double* pb, const double* pc) {
    Big ax = Big::fromDouble(pa[0]), ay = Big::fromDouble(pa[1]), bx = Big::fromDouble(pb[0]),
        by = Big::fromDouble(pb[1]), cx = Big::fromDouble(pc[0]), cy = Big::fromDouble(pc[1]);
    return ((ax - cx) * (by - cy) - (ay - cy) * (bx - cx)).sign();
}

// Rows of differences to the last point, as the predicates form them.
std::vector<std::vector<Big>> differences(const std::vector<const double*>& pts, int dims) {
    std::vector<std::vector<Big>> rows;
    const double* last = pts.back();
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        std::vector<Big> row;
        for (int k = 0; k < dims; ++k) row.push_back(Big::fromDouble(pts[i][k]) - Big::fromDouble(last[k]));
        rows.push_back(row);
    }
    return rows;
}

Big det2(const Big& a, const Big& b, const Big& c, const Big& d) { return a * d - b * c; }
Big det3(const std::vector<std::vector<Big>>& m) {
    return m[0][0] * det2(m[1][1], m[1][2], m[2][1], m[2][2]) - m[0][1] * det2(m[1][0], m[1][2], m[2][0], m[2][2]) +
           m[0][2] * det2(m[1][0], m[1][1], m[2][0], m[2][1]);
}
Big lift(const std::vector<Big>& row) {
    Big s;
    for (const Big& v : row) s = s + v * v;
    return s;
}

int exactOrient3(const double* pa, const double* pb, const double* pc, const double* pd) {
    return det3(differences({pa, pb, pc, pd}, 3)).sign();
}

int exactIncircle(const double* pa, const double* pb, const double* pc, const double* pd) {
    auto d = differences({pa, pb, pc, pd}, 2);
    std::vector<std::vector<Big>> m;
    for (auto& row : d) m.push_back({row[0], row[1], lift(row)});
    return det3(m).sign();
}

int exactInsphere(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe) {
    auto d = differences({pa, pb, pc, pd, pe}, 3);
    Big det;
    for (int i = 0; i < 4; ++i) {
        std::vector<std::vector<Big>> minor;
        for (int j = 0; j < 4; ++j)
            if (j != i) minor.push_back(d[j]);
        Big term = lift(d[i]) * det3(minor);
        det = (i % 2 == 0) ? det - term : det + term; // cofactor signs along the lift column
    }
    return det.sign();
}

int signOf(double v) { return (v > 0) - (v < 0); }

// Coordinates with mixed magnitudes (2^-12 .. 2^30) whose differences are seldom exact,
// so the tails of every adaptive stage come into play.
struct Coordinates {
    std::mt19937_64 rng{12345};
    double any() {
        std::uniform_int_distribution<int> e(-12, 30);
        std::uniform_real_distribution<double> m(-1.0, 1.0);
        return std::ldexp(m(rng), e(rng));
    }
    double unit() { return std::uniform_real_distribution<double>(-1.0, 1.0)(rng); }
};

} // namespace

TEST(Predicates, Orient2dSignConventions) {
    EXPECT_GT(orientation2({0, 0}, {1, 0}, {0, 1}), 0.0);
    EXPECT_LT(orientation2({1, 0}, {0, 0}, {0, 1}), 0.0);
    EXPECT_EQ(orientation2({0, 0}, {1, 1}, {3, 3}), 0.0);
    EXPECT_DOUBLE_EQ(orientation2({0, 0}, {2, 0}, {0, 3}), 6.0); // twice the signed area
}

TEST(Predicates, CollinearLargeCoordinatesGiveExactZero) {
    // Points of the line y = 3x, two near 2^50 and one near the origin: the differences to
    // the small point are inexact, so the plain formula leaves a residue that only the
    // exact stages remove.
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int64_t> offset(-(int64_t(1) << 32), int64_t(1) << 32);
    int plainNonZero = 0;
    for (int i = 0; i < 200; ++i) {
        double x[3] = {std::ldexp(1.0, 50) + double(offset(rng)), std::ldexp(1.0, 49) + double(offset(rng)),
                       std::ldexp(double(offset(rng)), -10)};
        for (int k = 0; k < 3; ++k) {
            dvec2 a{x[k], 3 * x[k]}, b{x[(k + 1) % 3], 3 * x[(k + 1) % 3]}, c{x[(k + 2) % 3], 3 * x[(k + 2) % 3]};
            EXPECT_EQ(orientation2(a, b, c), 0.0);
            EXPECT_EQ(orientationClass2(a, b, c), kClassZero);
            double plain = (a.x - c.x) * (b.y - c.y) - (a.y - c.y) * (b.x - c.x);
            plainNonZero += plain != 0.0;
        }
    }
    EXPECT_GT(plainNonZero, 0) << "fixture no longer defeats the plain formula";
}

TEST(Predicates, PointsOneUlpOffTheDiagonalGetTheExactSign) {
    // p near (0.5, 0.5) against the line through (12, 12) and (24, 24): the exact value is
    // 12 (p.y - p.x), which the plain formula gets wrong for many of these points.
    const double b[2] = {12, 12}, c[2] = {24, 24};
    int plainWrong = 0;
    for (int i = 0; i < 64; ++i) {
        for (int j = 0; j < 64; ++j) {
            double p[2] = {0.5 + i * std::ldexp(1.0, -53), 0.5 + j * std::ldexp(1.0, -53)};
            int expected = signOf(p[1] - p[0]);
            EXPECT_EQ(signOf(orient2d(p, b, c)), expected) << i << "," << j;
            double plain = (p[0] - c[0]) * (b[1] - c[1]) - (p[1] - c[1]) * (b[0] - c[0]);
            plainWrong += signOf(plain) != expected;
        }
    }
    EXPECT_GT(plainWrong, 0);
}

TEST(Predicates, AllFourAgreeWithExactArithmeticOnHardInput) {
    Coordinates gen;
    auto check = [](int got, int want, const char* what, int i) { EXPECT_EQ(got, want) << what << " case " << i; };
    for (int i = 0; i < 300; ++i) {
        // Nearly degenerate: points of a line, a plane, a circle or a sphere, rounded.
        double base[3] = {gen.any(), gen.any(), gen.any()};
        double u[3] = {gen.unit(), gen.unit(), gen.unit()}, v[3] = {gen.unit(), gen.unit(), gen.unit()};
        double scale = std::ldexp(1.0, int(gen.rng() % 30) - 10);
        double p[5][3];
        for (auto& q : p) {
            double s = gen.unit() * scale, t = gen.unit() * scale;
            for (int k = 0; k < 3; ++k) q[k] = base[k] + s * u[k] + t * v[k];
        }
        check(signOf(orient2d(p[0], p[1], p[2])), exactOrient2(p[0], p[1], p[2]), "orient2d", i);
        check(signOf(orient3d(p[0], p[1], p[2], p[3])), exactOrient3(p[0], p[1], p[2], p[3]), "orient3d", i);

        double c[5][3], ring[4][2];
        for (int k = 0; k < 5; ++k) {
            double th = gen.unit() * 3.2, ph = gen.unit() * 1.6;
            c[k][0] = base[0] + scale * std::cos(th) * std::cos(ph);
            c[k][1] = base[1] + scale * std::sin(th) * std::cos(ph);
            c[k][2] = base[2] + scale * std::sin(ph);
            if (k < 4) {
                ring[k][0] = base[0] + scale * std::cos(th);
                ring[k][1] = base[1] + scale * std::sin(th);
            }
        }
        check(signOf(incircle(ring[0], ring[1], ring[2], ring[3])), exactIncircle(ring[0], ring[1], ring[2], ring[3]),
              "incircle", i);
        check(signOf(incircle(c[0], c[1], c[2], c[3])), exactIncircle(c[0], c[1], c[2], c[3]), "incircle random", i);
        check(signOf(insphere(c[0], c[1], c[2], c[3], c[4])), exactInsphere(c[0], c[1], c[2], c[3], c[4]), "insphere",
              i);
        check(signOf(insphereexact(c[0], c[1], c[2], c[3], c[4])), exactInsphere(c[0], c[1], c[2], c[3], c[4]),
              "insphereexact", i);
    }
}

TEST(Predicates, ExactlyDegenerateMixedMagnitudesGiveZero) {
    // Points with x == y are collinear in the plane, coplanar in space, and make the
    // circle and sphere determinants vanish (two equal columns); their differences are
    // inexact, so every adaptive stage runs before the zero is certain.
    Coordinates gen;
    for (int i = 0; i < 200; ++i) {
        double p[5][3];
        for (auto& q : p) {
            q[0] = q[1] = gen.any();
            q[2] = gen.any();
        }
        EXPECT_EQ(orient2d(p[0], p[1], p[2]), 0.0) << i;
        EXPECT_EQ(orient3d(p[0], p[1], p[2], p[3]), 0.0) << i;
        EXPECT_EQ(incircle(p[0], p[1], p[2], p[3]), 0.0) << i;
        EXPECT_EQ(insphere(p[0], p[1], p[2], p[3], p[4]), 0.0) << i;
        // One ulp off the plane x == y must be seen.
        double moved[3] = {p[3][0], std::nextafter(p[3][1], 1e300), p[3][2]};
        EXPECT_EQ(signOf(orient3d(p[0], p[1], p[2], moved)), exactOrient3(p[0], p[1], p[2], moved)) << i;
    }
}

TEST(Predicates, CircleAndSphereSignConventions) {
    // d inside the circle through a counter-clockwise triangle is positive.
    EXPECT_GT(incircleValue({0, 0}, {1, 0}, {0, 1}, {0.4, 0.4}), 0.0);
    EXPECT_LT(incircleValue({0, 0}, {1, 0}, {0, 1}, {2, 2}), 0.0);
    EXPECT_EQ(incircleValue({-5, 0}, {5, 0}, {0, 5}, {3, 4}), 0.0);
    // d below the counter-clockwise face a, b, c (seen from +z) gives a positive orientation.
    dvec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
    EXPECT_GT(orientation3(a, b, c, {0, 0, -1}), 0.0);
    EXPECT_LT(orientation3(a, b, c, {0, 0, 1}), 0.0);
    EXPECT_EQ(orientationClass3(a, b, c, {5, 7, 0}), kClassZero);
    EXPECT_EQ(orientationClass3(a, b, c, {0, 0, -1}), kClassPositive);
    dvec3 d{0, 0, -1};
    EXPECT_GT(insphereValue(a, b, c, d, {0.25, 0.25, -0.25}), 0.0);
    EXPECT_LT(insphereValue(a, b, c, d, {3, 3, 3}), 0.0);
}

TEST(Predicates, OrientationClassRoundsToSinglePrecisionFirst) {
    EXPECT_EQ(orientationClass2({0, 0}, {1, 0}, {0, 1}), kClassPositive);
    EXPECT_EQ(orientationClass2({0, 0}, {0, 1}, {1, 0}), kClassNegative);
    EXPECT_EQ(orientationClass2({0, 0}, {1, 1}, {2, 2}), kClassZero);
    // 1e-50 is a non-zero double but zero as a float.
    EXPECT_GT(orientation2({0, 0}, {1e-25, 0}, {0, 1e-25}), 0.0);
    EXPECT_EQ(orientationClass2({0, 0}, {1e-25, 0}, {0, 1e-25}), kClassZero);
    EXPECT_EQ(orientationClass3({0, 0, 0}, {1e-25, 0, 0}, {0, 1e-25, 0}, {0, 0, -1e-25}), kClassPositive);
}

TEST(Predicates, PointInTriangleIncludesBorderForEitherWinding) {
    dvec2 a{0, 0}, b{4, 0}, c{0, 4};
    for (bool flip : {false, true}) {
        dvec2 q = flip ? c : b, r = flip ? b : c;
        EXPECT_TRUE(pointInTriangle({4.0 / 3, 4.0 / 3}, a, q, r));
        EXPECT_TRUE(pointInTriangle(a, a, q, r));
        EXPECT_TRUE(pointInTriangle({2, 0}, a, q, r));
        EXPECT_TRUE(pointInTriangle({2, 2}, a, q, r)); // on the hypotenuse
        EXPECT_FALSE(pointInTriangle({2.5, 2}, a, q, r));
        EXPECT_FALSE(pointInTriangle({-1, 1}, a, q, r));
        EXPECT_FALSE(pointInTriangle({1, 5}, a, q, r));
    }
}

TEST(Predicates, PointInDegenerateTriangleOnlyOnItsLine) {
    dvec2 a{0, 0}, b{2, 2}, c{4, 4};
    EXPECT_TRUE(pointInTriangle({1, 1}, a, b, c));
    EXPECT_TRUE(pointInTriangle({4, 4}, a, b, c));
    EXPECT_FALSE(pointInTriangle({1, 2}, a, b, c));
    EXPECT_FALSE(pointInTriangle({3, 2.9999999999999996}, a, b, c));
    // On the line but beyond the triangle: only the box test rejects it.
    EXPECT_FALSE(pointInTriangle({6, 6}, a, b, c));
    EXPECT_TRUE(pointInTriangleNoBox({6, 6}, a, b, c));
    // A triangle shrunk to a point holds only that point.
    EXPECT_TRUE(pointInTriangle({1, 1}, {1, 1}, {1, 1}, {1, 1}));
    EXPECT_FALSE(pointInTriangle({1, 1.5}, {1, 1}, {1, 1}, {1, 1}));
}

TEST(Predicates, SegmentsCrossOnlyProperly) {
    EXPECT_TRUE(segmentsCross2({0, 0}, {1, 1}, {0, 1}, {1, 0}));
    EXPECT_FALSE(segmentsCross2({0, 0}, {1, 0}, {0, 1}, {1, 1}));  // parallel
    EXPECT_FALSE(segmentsCross2({0, 0}, {2, 0}, {1, 0}, {3, 0}));  // collinear overlap
    EXPECT_FALSE(segmentsCross2({0, 0}, {1, 1}, {2, 0}, {3, -1})); // lines meet beyond the ends
}

TEST(Predicates, CircleClassOfCentreRimAndBeyond) {
    dvec2 centre{1.5, -2.25};
    double r = 0.75;
    EXPECT_EQ(circleClass(centre, centre, r), kClassNegative);
    EXPECT_EQ(circleClass({centre.x + r, centre.y}, centre, r), kClassZero);
    EXPECT_EQ(circleClass({centre.x, centre.y - r}, centre, r), kClassZero);
    EXPECT_EQ(circleClass({centre.x + 2 * r, centre.y}, centre, r), kClassPositive);
    for (dvec2 p : {centre, dvec2{0, 0}, dvec2{100, 3}}) EXPECT_EQ(circleClass(p, centre, 0.0), kClassZero);
}

TEST(Predicates, SphereClassOfCentreAndRadiusSign) {
    dvec3 centre{1, 2, 3};
    EXPECT_EQ(sphereClass(centre, centre, 2.0), kClassNegative);
    EXPECT_EQ(sphereClass({1, 2, 5}, centre, 2.0), kClassZero);
    EXPECT_EQ(sphereClass({1, 2, 7}, centre, 2.0), kClassPositive);
    for (dvec3 p : {centre, dvec3{0, 0, 0}, dvec3{9, 9, 9}}) EXPECT_EQ(sphereClass(p, centre, 0.0), kClassZero);
    EXPECT_EQ(sphereClass(centre, centre, -2.0), kClassPositive);
    EXPECT_EQ(sphereClass({1, 2, 7}, centre, -2.0), kClassNegative);
}

TEST(Predicates, SegmentThroughTriangle) {
    dvec3 a{0, 0, 0}, b{4, 0, 0}, c{0, 4, 0};
    dvec3 out{-7, -7, -7};
    ASSERT_TRUE(segmentTriangleIntersection(a, b, c, {1, 1, -1}, {1, 1, 3}, &out));
    EXPECT_DOUBLE_EQ(out.x, 1);
    EXPECT_DOUBLE_EQ(out.y, 1);
    EXPECT_NEAR(out.z, 0, 1e-15);
    // Misses the triangle: out is left alone.
    out = {-7, -7, -7};
    EXPECT_FALSE(segmentTriangleIntersection(a, b, c, {5, 5, -1}, {5, 5, 1}, &out));
    EXPECT_EQ(out.x, -7);
    // Both ends on one side.
    EXPECT_FALSE(segmentTriangleIntersection(a, b, c, {1, 1, 1}, {1, 1, 3}, &out));
    // Lying in the plane.
    EXPECT_FALSE(segmentTriangleIntersection(a, b, c, {1, 1, 0}, {2, 1, 0}, &out));
}

TEST(Predicates, SegmentEndingOnTrianglePlaneDependsOnOtherEndsSide) {
    dvec3 a{0, 0, 0}, b{4, 0, 0}, c{0, 4, 0};
    dvec3 onPlane{1, 1, 0};
    dvec3 negativeSide{1, 1, -2}, positiveSide{1, 1, 2};
    ASSERT_LT(orientation3(negativeSide, a, b, c), 0.0);
    ASSERT_GT(orientation3(positiveSide, a, b, c), 0.0);
    dvec3 out;
    ASSERT_TRUE(segmentTriangleIntersection(a, b, c, onPlane, negativeSide, &out));
    EXPECT_DOUBLE_EQ(out.x, 1);
    EXPECT_DOUBLE_EQ(out.y, 1);
    EXPECT_DOUBLE_EQ(out.z, 0);
    EXPECT_FALSE(segmentTriangleIntersection(a, b, c, onPlane, positiveSide, &out));
}

TEST(Predicates, SegmentPlaneIntersectionAtThePlane) {
    dvec3 x = segmentPlaneIntersection({0, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 0, 1});
    EXPECT_EQ(x.x, 0);
    EXPECT_EQ(x.y, 0);
    EXPECT_EQ(x.z, 0);
    for (double len : {1e-6, 1.0, 3.5, 1e6}) {
        dvec3 y = segmentPlaneIntersection({7, -3, 1}, {0, 0, len}, {0, 0, 0}, {0, 0, 4});
        EXPECT_DOUBLE_EQ(y.z, 1.0) << len;
        EXPECT_DOUBLE_EQ(y.x, 0.0);
    }
    // Tilted plane and normal: the answer lies on the segment's line and on the plane.
    dvec3 p{1, 2, 3}, n{1, -2, 0.5}, a{-4, 1, 2}, b{5, 3, 9};
    dvec3 z = segmentPlaneIntersection(p, n, a, b);
    EXPECT_NEAR(dot(n, z - p), 0.0, 1e-12);
    dvec3 along = cross(z - a, b - a);
    EXPECT_NEAR(along.x * along.x + along.y * along.y + along.z * along.z, 0.0, 1e-18);
}

TEST(Predicates, SegmentParallelToPlaneGivesFiniteAnswer) {
    dvec3 x = segmentPlaneIntersection({0, 0, 0}, {0, 0, 1}, {1, 2, 5}, {3, 4, 5});
    EXPECT_TRUE(std::isfinite(x.x) && std::isfinite(x.y) && std::isfinite(x.z));
    EXPECT_EQ(x.z, 5);
}

TEST(Predicates, ExpansionSumsAreExact) {
    // 1 + 2^-60 + 2^-120 held as components; every sum routine must keep each bit.
    const double e[3] = {std::ldexp(1.0, -120), std::ldexp(1.0, -60), 1.0};
    const double f[2] = {-std::ldexp(1.0, -60), 3.0};
    double h[8];
    using Sum = int (*)(int, const double*, int, const double*, double*);
    for (Sum sum :
         {Sum(expansion_sum), Sum(expansion_sum_zeroelim1), Sum(expansion_sum_zeroelim2), Sum(fast_expansion_sum),
          Sum(fast_expansion_sum_zeroelim), Sum(linear_expansion_sum), Sum(linear_expansion_sum_zeroelim)}) {
        int n = sum(3, e, 2, f, h);
        double c[8];
        int m = compress(n, h, c);
        // 4 + 2^-120 exactly: the largest component is 4, the rest 2^-120.
        EXPECT_EQ(c[m - 1], 4.0);
        EXPECT_EQ(estimate(m, c) - 4.0, 0.0); // the tail is below one ulp of 4
        double rest = 0;
        for (int i = 0; i < m - 1; ++i) rest += c[i];
        EXPECT_EQ(rest, std::ldexp(1.0, -120));
    }
    int g = grow_expansion_zeroelim(3, e, -1.0, h);
    EXPECT_EQ(h[g - 1], std::ldexp(1.0, -60));
    double s[8];
    int k = scale_expansion_zeroelim(3, e, 3.0, s);
    EXPECT_EQ(s[k - 1], 3.0);
    EXPECT_EQ(scale_expansion(3, e, 3.0, s), 6);
}
