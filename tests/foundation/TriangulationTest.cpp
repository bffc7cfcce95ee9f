#include "foundation/Triangulation.h"

#include "foundation/Predicates.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace kal;

namespace {

Outline makeOutline(std::vector<vec2> points) {
    Outline o;
    o.flags.assign(points.size(), false);
    o.points = std::move(points);
    return o;
}

Outline square() { return makeOutline({{0, 0}, {4, 0}, {4, 4}, {0, 4}}); }

// A concave L, clockwise, so both windings are covered.
Outline ell() { return makeOutline({{0, 0}, {0, 6}, {2, 6}, {2, 2}, {6, 2}, {6, 0}}); }

// A star of 24 points alternating between two radii.
Outline star() {
    std::vector<vec2> p;
    for (int i = 0; i < 24; ++i) {
        double a = i * 2 * M_PI / 24, r = i % 2 ? 1.0 : 3.0;
        p.push_back(vec2(float(r * std::cos(a)), float(r * std::sin(a))));
    }
    return makeOutline(p);
}

dvec2 d(vec2 p) { return {p.x, p.y}; }

double shoelaceArea(const std::vector<vec2>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        vec2 u = p[i], v = p[(i + 1) % p.size()];
        a += double(u.x) * v.y - double(v.x) * u.y;
    }
    return std::fabs(a) / 2;
}

// Even-odd test; points on the boundary count as inside.
bool insideOrOn(const std::vector<vec2>& poly, dvec2 q, double tolerance) {
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        dvec2 a = d(poly[i]), b = d(poly[j]);
        dvec2 ab = b - a, aq = q - a;
        double len2 = dot(ab, ab);
        double t = std::max(0.0, std::min(1.0, dot(aq, ab) / len2));
        dvec2 closest = a + ab * t;
        if ((q - closest).length() <= tolerance) return true;
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

struct Result {
    std::vector<vec2> points;
    std::vector<bool> flags;
    std::vector<int> triangles;
};

// Runs the triangulation and checks the invariants every result must keep: indices in
// range, outline points first and unchanged, flags carried, the area of the outline
// covered exactly once, and no triangle outside it.
Result triangulateChecked(const Outline& outline, bool splitBoundary) {
    Result r;
    EXPECT_TRUE(triangulateOutline(outline, r.points, r.flags, r.triangles, splitBoundary));
    const size_t n = outline.points.size();
    EXPECT_GE(r.points.size(), n);
    EXPECT_EQ(r.flags.size(), r.points.size());
    EXPECT_FALSE(r.triangles.empty());
    EXPECT_EQ(r.triangles.size() % 3, 0u);
    for (size_t i = 0; i < n && i < r.points.size(); ++i) {
        EXPECT_EQ(r.points[i], outline.points[i]) << i;
        EXPECT_EQ(r.flags[i], outline.flags[i]) << i;
    }
    for (size_t i = n; i < r.flags.size(); ++i) EXPECT_FALSE(r.flags[i]) << i;
    for (int idx : r.triangles) {
        EXPECT_GE(idx, 0);
        EXPECT_LT(idx, int(r.points.size()));
    }
    if (::testing::Test::HasFailure()) return r;

    double area = 0;
    const double tolerance = 1e-5;
    for (size_t t = 0; t + 2 < r.triangles.size(); t += 3) {
        dvec2 a = d(r.points[r.triangles[t]]), b = d(r.points[r.triangles[t + 1]]), c = d(r.points[r.triangles[t + 2]]);
        double signedArea = orientation2(a, b, c) / 2;
        EXPECT_GT(signedArea, 0.0) << "triangle " << t / 3 << " is not counter-clockwise";
        area += signedArea;
        dvec2 centroid = (a + b + c) * (1.0 / 3);
        EXPECT_TRUE(insideOrOn(outline.points, centroid, 0.0)) << "triangle " << t / 3 << " leaves the outline";
        for (dvec2 corner : {a, b, c}) EXPECT_TRUE(insideOrOn(outline.points, corner, tolerance));
    }
    EXPECT_NEAR(area, shoelaceArea(outline.points), 1e-5 * shoelaceArea(outline.points));
    return r;
}

// Output points lying strictly inside an outline edge (not at its ends).
int pointsInsideEdges(const std::vector<vec2>& outline, const std::vector<vec2>& points, double tolerance) {
    int count = 0;
    for (size_t k = outline.size(); k < points.size(); ++k) {
        for (size_t i = 0; i < outline.size(); ++i) {
            dvec2 a = d(outline[i]), b = d(outline[(i + 1) % outline.size()]), q = d(points[k]);
            dvec2 ab = b - a;
            double t = dot(q - a, ab) / dot(ab, ab);
            if (t > 0 && t < 1 && (q - (a + ab * t)).length() <= tolerance) ++count;
        }
    }
    return count;
}

} // namespace

TEST(Triangulation, TriangleOutlineKeepsItsCornersAndFlags) {
    Outline tri = makeOutline({{0, 0}, {3, 0}, {0, 2}});
    tri.flags = {true, false, true};
    Result r = triangulateChecked(tri, false);
    ASSERT_GE(r.points.size(), 3u);
    EXPECT_TRUE(r.flags[0]);
    EXPECT_FALSE(r.flags[1]);
    EXPECT_TRUE(r.flags[2]);
}

TEST(Triangulation, CoversConvexAndConcaveOutlinesInBothModes) {
    for (bool split : {false, true}) {
        SCOPED_TRACE(split ? "split boundary" : "keep boundary");
        triangulateChecked(square(), split);
        triangulateChecked(ell(), split);
        triangulateChecked(star(), split);
    }
}

TEST(Triangulation, FlagsBeyondTheOutlineAreFalse) {
    Outline o = star();
    for (size_t i = 0; i < o.flags.size(); ++i) o.flags[i] = true;
    o.flags.push_back(true); // extra flags beyond the points are ignored
    Result r = triangulateChecked(o, true);
    EXPECT_GT(r.points.size(), o.points.size()) << "quality refinement should add points to a star";
}

TEST(Triangulation, KeepBoundaryAddsNoPointOnEdgesSplitMayDoSo) {
    // A long thin strip: meeting the angle bound needs points on its long sides.
    Outline strip = makeOutline({{0, 0}, {40, 0}, {40, 1}, {0, 1}});
    Result kept = triangulateChecked(strip, false);
    EXPECT_EQ(pointsInsideEdges(strip.points, kept.points, 1e-6), 0);
    Result split = triangulateChecked(strip, true);
    EXPECT_GT(pointsInsideEdges(strip.points, split.points, 1e-6), 0);
}

TEST(Triangulation, AppendsAfterExistingContentWithLocalIndices) {
    Result fresh = triangulateChecked(ell(), false);

    std::vector<vec2> points = {{9, 9}, {8, 8}};
    std::vector<bool> flags = {true, true};
    std::vector<int> triangles = {0, 1, 0};
    ASSERT_TRUE(triangulateOutline(ell(), points, flags, triangles, false));
    ASSERT_EQ(points.size(), 2 + fresh.points.size());
    ASSERT_EQ(flags.size(), 2 + fresh.flags.size());
    ASSERT_EQ(triangles.size(), 3 + fresh.triangles.size());
    EXPECT_EQ(points[0], vec2(9, 9));
    EXPECT_TRUE(flags[1]);
    EXPECT_EQ(points[2], ell().points[0]);
    for (size_t i = 0; i < fresh.triangles.size(); ++i) EXPECT_EQ(triangles[3 + i], fresh.triangles[i]);
}

TEST(Triangulation, OutlinesThatWouldEndTheProcessAreRefused) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        Outline outline;
    };
    Outline shortFlags = square();
    shortFlags.flags.pop_back();
    std::vector<Case> cases = {
        {"empty", makeOutline({})},
        {"two points", makeOutline({{0, 0}, {1, 1}})},
        {"collinear", makeOutline({{0, 0}, {1, 1}, {3, 3}})},
        {"collinear ordered", makeOutline({{0, 0}, {1, 1}, {2, 2}, {3, 3}})},
        {"no height", makeOutline({{0, 2}, {1, 2}, {5, 2}, {3, 2}})},
        {"single point repeated", makeOutline({{1, 1}, {1, 1}, {1, 1}})},
        {"repeated corner", makeOutline({{0, 0}, {4, 0}, {4, 4}, {0, 0}, {0, 4}})},
        {"closing point repeated", makeOutline({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}})},
        {"bow tie", makeOutline({{0, 0}, {4, 4}, {4, 0}, {0, 4}})},
        {"corner on an edge", makeOutline({{0, 0}, {4, 0}, {4, 4}, {2, 0}, {0, 4}})},
        {"spike folding back", makeOutline({{0, 0}, {6, 0}, {4, 0}, {0, 4}})},
        {"thin spike", makeOutline({{0, 0}, {4, 0}, {6, 0}, {4, 0}, {4, 0.5f}, {0, 4}})},
        {"overlapping edges", makeOutline({{0, 0}, {4, 0}, {4, 2}, {1, 2}, {3, 2}, {3, 4}, {0, 4}})},
        {"not a number", makeOutline({{0, 0}, {4, 0}, {nan, 4}, {0, 4}})},
        {"infinite", makeOutline({{0, 0}, {inf, 0}, {4, 4}, {0, 4}})},
        {"fewer flags than points", shortFlags},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(isSimpleOutline(c.outline));
        std::vector<vec2> points = {{1, 2}};
        std::vector<bool> flags = {true};
        std::vector<int> triangles = {7};
        EXPECT_FALSE(triangulateOutline(c.outline, points, flags, triangles, false));
        EXPECT_FALSE(triangulateOutline(c.outline, points, flags, triangles, true));
        EXPECT_EQ(points.size(), 1u);
        EXPECT_EQ(flags.size(), 1u);
        EXPECT_EQ(triangles.size(), 1u);
    }
    // Still alive, and a sound outline still triangulates.
    triangulateChecked(square(), false);
}

TEST(Triangulation, CollinearRunsAndTinyFeaturesAreAccepted) {
    // Straight runs of several points and a notch far smaller than the outline are legal.
    Outline run = makeOutline({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 3}, {0, 3}});
    EXPECT_TRUE(isSimpleOutline(run));
    triangulateChecked(run, false);
    Outline notch = makeOutline({{0, 0}, {10, 0}, {10, 10}, {5.001f, 10}, {5, 9.999f}, {4.999f, 10}, {0, 10}});
    EXPECT_TRUE(isSimpleOutline(notch));
    triangulateChecked(notch, false);
}

TEST(Triangulation, ExtremeScalesTriangulate) {
    for (float scale : {1e-30f, 1e30f}) {
        SCOPED_TRACE(scale);
        std::vector<vec2> p = ell().points;
        for (vec2& q : p) q = q * scale;
        Result r;
        ASSERT_TRUE(triangulateOutline(makeOutline(p), r.points, r.flags, r.triangles, true));
        EXPECT_FALSE(r.triangles.empty());
    }
}
