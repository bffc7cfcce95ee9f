#include "foundation/Rasterizer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace kal;

namespace {

uint8_t cls(int c, int r) { return cellClass[size_t(r) * rasterColumns + c]; }
dvec2 pointAt(int c, int r) { return cellPoint[size_t(r) * rasterColumns + c]; }
void setCell(int c, int r, uint8_t k, dvec2 p) {
    cellClass[size_t(r) * rasterColumns + c] = k;
    cellPoint[size_t(r) * rasterColumns + c] = p;
}

int countClass(uint8_t k) {
    int n = 0;
    for (uint8_t v : cellClass) n += v == k;
    return n;
}

std::vector<dvec2> shifted(std::vector<dvec2> p, double dx, double dy) {
    for (dvec2& q : p) q = {q.x + dx, q.y + dy};
    return p;
}

void fillBoth(const std::vector<dvec2>& polygon) {
    fillPolygonRows(polygon);
    fillPolygonColumns(polygon);
}

// Lattice point classification of a polygon with axis-parallel edges: 2 on an edge,
// 1 strictly inside, 0 outside.
uint8_t latticeClass(const std::vector<dvec2>& poly, double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        dvec2 a = poly[j], b = poly[i];
        if (std::min(a.x, b.x) <= x && x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= y && y <= std::max(a.y, b.y))
            return 2;                                            // axis-parallel edge: within its box means on it
        if ((a.y > y) != (b.y > y) && x < a.x) inside = !inside; // vertical edges only cross rows
    }
    return inside ? 1 : 0;
}

double shoelace(const std::vector<dvec2>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) a += p[i].x * p[(i + 1) % p.size()].y - p[(i + 1) % p.size()].x * p[i].y;
    return std::fabs(a) / 2;
}

} // namespace

TEST(Rasterizer, RectangleRowsMarkSidesColumnsMarkTopAndBottom) {
    resetRasterGrid(10, 8);
    const std::vector<dvec2> rect = {{2, 2}, {6, 2}, {6, 5}, {2, 5}};
    fillPolygonRows(rect);
    for (int r = 2; r <= 5; ++r) {
        EXPECT_EQ(cls(2, r), kCellOutline) << r;
        EXPECT_EQ(cls(6, r), kCellOutline) << r;
        EXPECT_EQ(pointAt(2, r).x, 2.0);
        EXPECT_EQ(pointAt(6, r).y, double(r));
        for (int c = 3; c <= 5; ++c) EXPECT_EQ(cls(c, r), kCellInside);
    }
    EXPECT_EQ(countClass(kCellOutline), 8);
    EXPECT_EQ(countClass(kCellInside), 12);
    EXPECT_TRUE(scanCrossings.empty());

    fillPolygonColumns(rect);
    for (int c = 2; c <= 6; ++c) {
        EXPECT_EQ(cls(c, 2), kCellOutline) << c;
        EXPECT_EQ(cls(c, 5), kCellOutline) << c;
    }
    EXPECT_EQ(pointAt(4, 5).x, 4.0);
    EXPECT_EQ(pointAt(4, 5).y, 5.0);
    EXPECT_EQ(countClass(kCellOutline), 14);
    EXPECT_EQ(countClass(kCellInside), 6);
    EXPECT_EQ(countClass(kCellOutside), 80 - 20);

    // The grid is cleared and resized for the next outline.
    resetRasterGrid(5, 3);
    EXPECT_EQ(cellClass.size(), 15u);
    EXPECT_EQ(countClass(kCellOutside), 15);
}

TEST(Rasterizer, ConcaveOutlinesMatchTheirLatticePoints) {
    const std::vector<std::vector<dvec2>> shapes = {
        {{0, 0}, {0, 6}, {2, 6}, {2, 2}, {6, 2}, {6, 0}},                 // L, clockwise
        {{0, 0}, {6, 0}, {6, 5}, {4, 5}, {4, 2}, {2, 2}, {2, 5}, {0, 5}}, // U
        {{0, 0}, {7, 0}, {7, 1}, {1, 1}, {1, 3}, {7, 3}, {7, 4}, {0, 4}}, // C with a one-cell arm
    };
    for (const auto& shape : shapes) {
        const std::vector<dvec2> poly = shifted(shape, 3, 3);
        resetRasterGrid(14, 13);
        fillBoth(poly);
        int boundary = 0, interior = 0;
        for (int r = 0; r < rasterRows; ++r) {
            for (int c = 0; c < rasterColumns; ++c) {
                uint8_t want = latticeClass(poly, c, r);
                EXPECT_EQ(cls(c, r), want) << "cell " << c << "," << r;
                boundary += want == 2;
                interior += want == 1;
            }
        }
        // Pick's theorem ties the counts to the area, so the reference itself is sound.
        EXPECT_DOUBLE_EQ(interior + boundary / 2.0 - 1.0, shoelace(poly));
    }
}

TEST(Rasterizer, VertexOnScanLineContributesTwoEqualCrossings) {
    resetRasterGrid(10, 10);
    scanCrossings.assign(size_t(rasterRows), {});
    rasterizeEdge({1, 1}, {3, 3});
    rasterizeEdge({3, 3}, {5.5, 0.5});
    rasterizeEdge({5.5, 0.5}, {8, 0.5}); // horizontal: nothing
    EXPECT_EQ(scanCrossings[3], (std::vector<double>{3, 3}));
    EXPECT_EQ(scanCrossings[1], (std::vector<double>{1, 5}));
    EXPECT_EQ(scanCrossings[2], (std::vector<double>{2, 4}));
    EXPECT_TRUE(scanCrossings[0].empty());

    scanCrossings.assign(size_t(rasterColumns), {});
    rasterizeEdgeColumns({1, 1}, {3, 3});
    rasterizeEdgeColumns({3, 3}, {3, 7}); // vertical: nothing
    rasterizeEdgeColumns({3, 7}, {1, 9});
    EXPECT_EQ(scanCrossings[3], (std::vector<double>{3, 7}));
    EXPECT_EQ(scanCrossings[2], (std::vector<double>{2, 8}));
    scanCrossings.clear();
}

TEST(Rasterizer, NarrowSpansMarkOnlyTheirEndCells) {
    resetRasterGrid(10, 10);
    // Row 1 of this sliver crosses at 2.3 and 2.4: both round to cell 2, which keeps the
    // first point recorded for it.
    fillPolygonRows({{2.3, 0.5}, {2.4, 0.5}, {2.4, 1.5}, {2.3, 1.5}});
    EXPECT_EQ(cls(2, 1), kCellOutline);
    EXPECT_EQ(pointAt(2, 1).x, 2.3);
    EXPECT_EQ(countClass(kCellOutline), 1);
    EXPECT_EQ(countClass(kCellInside), 0);

    // A vertex at x = 2.5 on row 4: the span starts at cell 3 and ends at cell 2, so
    // both become outline cells and nothing is filled between them.
    resetRasterGrid(10, 10);
    fillPolygonRows({{2.5, 4}, {6, 8}, {0, 8}});
    EXPECT_EQ(cls(2, 4), kCellOutline);
    EXPECT_EQ(cls(3, 4), kCellOutline);
    EXPECT_EQ(pointAt(3, 4).x, 2.5);
    EXPECT_EQ(pointAt(2, 4).x, 2.5);
    for (int c = 0; c < 10; ++c)
        if (c != 2 && c != 3) {
            EXPECT_EQ(cls(c, 4), kCellOutside) << c;
        }
}

TEST(Rasterizer, ClassesAreNeverLowered) {
    resetRasterGrid(10, 8);
    setCell(2, 3, 3, {2.25, 3.0});      // a flagged outline point
    setCell(6, 4, kCellInside, {0, 0}); // an inside cell where a span ends
    setCell(0, 0, 4, {0.5, 0.5});       // untouched by the outline
    fillBoth({{2, 2}, {6, 2}, {6, 5}, {2, 5}});
    EXPECT_EQ(cls(2, 3), 3);
    EXPECT_EQ(pointAt(2, 3).x, 2.25);
    EXPECT_EQ(cls(6, 4), kCellOutline);
    EXPECT_EQ(pointAt(6, 4).x, 6.0);
    EXPECT_EQ(pointAt(6, 4).y, 4.0);
    EXPECT_EQ(cls(0, 0), 4);
}

TEST(Rasterizer, ColumnPassClosesGapsOfShallowEdges) {
    // A sliver whose long lower edge rises only two rows over 29 columns.
    const std::vector<dvec2> sliver = {{1, 1}, {30, 3}, {1, 2.5}};
    auto lowerEdge = [](int c) { return 1.0 + (c - 1) * 2.0 / 29.0; };
    auto columnsTouched = [&]() {
        int n = 0;
        for (int c = 1; c <= 30; ++c) {
            double y = lowerEdge(c);
            bool hit = false;
            for (int r = int(std::floor(y)); r <= int(std::ceil(y)); ++r) hit = hit || cls(c, r) == kCellOutline;
            n += hit;
        }
        return n;
    };
    resetRasterGrid(34, 6);
    fillPolygonRows(sliver);
    EXPECT_LT(columnsTouched(), 30) << "rows alone should leave gaps along the shallow edge";
    fillPolygonColumns(sliver);
    EXPECT_EQ(columnsTouched(), 30);
}

TEST(Rasterizer, OutlinePartsOutsideTheGridAreSkipped) {
    // A polygon larger than the grid fills it without writing beyond it.
    resetRasterGrid(8, 6);
    fillBoth({{-5, -5}, {20, -5}, {20, 20}, {-5, 20}});
    EXPECT_EQ(countClass(kCellInside), 48);

    // Non-finite and absurd coordinates neither crash nor loop for ages.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    resetRasterGrid(8, 6);
    fillBoth({{1, 1}, {1e300, 2}, {3, -1e300}, {nan, 4}, {2, 5}});
    fillBoth({});
    fillBoth({{3, 3}});
    ASSERT_EQ(cellClass.size(), 48u);
    for (uint8_t v : cellClass) EXPECT_LE(v, kCellOutline);

    // An unsized grid is left alone.
    resetRasterGrid(0, 0);
    fillBoth({{0, 0}, {2, 0}, {2, 2}});
    EXPECT_TRUE(cellClass.empty());
}
