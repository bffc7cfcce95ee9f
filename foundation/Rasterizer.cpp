#include "foundation/Rasterizer.h"

#include <algorithm>
#include <cmath>

namespace kal {

int32_t rasterColumns = 0;
int32_t rasterRows = 0;
std::vector<uint8_t> cellClass;
std::vector<dvec2> cellPoint;
std::vector<std::vector<double>> scanCrossings;

void resetRasterGrid(int32_t columns, int32_t rows) {
    rasterColumns = std::max(columns, 0);
    rasterRows = std::max(rows, 0);
    const size_t cells = size_t(rasterColumns) * size_t(rasterRows);
    cellClass.assign(cells, kCellOutside);
    cellPoint.assign(cells, dvec2(0.0, 0.0));
}

namespace {

// Appends, for every integer line u from ceil(min(a.u, b.u)) to floor(max(a.u, b.u)), the
// other coordinate of the edge at u. Lines beyond the crossing table are skipped, so a
// point outside the grid or a non-finite one cannot write out of bounds or loop for ages.
void addCrossings(double au, double av, double bu, double bv) {
    if (au == bu) return; // parallel to the lines: no crossing
    if (!std::isfinite(au) || !std::isfinite(av) || !std::isfinite(bu) || !std::isfinite(bv)) return;
    const double lines = double(scanCrossings.size());
    const double first = std::max(std::ceil(std::min(au, bu)), 0.0);
    const double last = std::min(std::floor(std::max(au, bu)), lines - 1.0);
    for (double u = first; u <= last; u += 1.0)
        scanCrossings[size_t(u)].push_back(av + (u - au) * (bv - av) / (bu - au));
}

// Nearest integer, an exact half going up (s) or down (e).
double roundHalfUp(double x) {
    double f = std::floor(x);
    return x - f >= 0.5 ? f + 1.0 : f;
}
double roundHalfDown(double x) {
    double c = std::ceil(x);
    return c - x >= 0.5 ? c - 1.0 : c;
}

// Index of cell (c, r), or -1 outside the grid.
long cellIndex(double c, double r) {
    if (!(c >= 0.0 && c < double(rasterColumns) && r >= 0.0 && r < double(rasterRows))) return -1;
    size_t i = size_t(r) * size_t(rasterColumns) + size_t(c);
    if (i >= cellClass.size() || i >= cellPoint.size()) return -1;
    return long(i);
}

void markOutline(double c, double r, dvec2 at) {
    long i = cellIndex(c, r);
    if (i >= 0 && cellClass[i] < kCellOutline) {
        cellClass[i] = kCellOutline;
        cellPoint[i] = at;
    }
}

void markInside(double c, double r) {
    long i = cellIndex(c, r);
    if (i >= 0 && cellClass[i] == kCellOutside) cellClass[i] = kCellInside;
}

// One pass: along rows when rows is true (crossings are x), else along columns.
void fillPolygon(const std::vector<dvec2>& points, bool rows) {
    scanCrossings.assign(size_t(std::max(rows ? rasterRows : rasterColumns, 0)), {});
    const size_t n = points.size();
    for (size_t i = 1; i <= n; ++i) {
        if (rows)
            rasterizeEdge(points[i - 1], points[i % n]);
        else
            rasterizeEdgeColumns(points[i - 1], points[i % n]);
    }
    for (size_t line = 0; line < scanCrossings.size(); ++line) {
        std::vector<double>& list = scanCrossings[line];
        if (list.empty()) continue;
        std::sort(list.begin(), list.end());
        const double l = double(line);
        for (size_t k = 0; k + 1 < list.size(); k += 2) {
            const double v0 = list[k], v1 = list[k + 1];
            const double s = roundHalfUp(v0), e = roundHalfDown(v1);
            if (rows) {
                markOutline(s, l, {v0, l});
                markOutline(e, l, {v1, l});
                for (double c = std::max(s, 0.0); c <= e && c < double(rasterColumns); c += 1.0) markInside(c, l);
            } else {
                markOutline(l, s, {l, v0});
                markOutline(l, e, {l, v1});
                for (double r = std::max(s, 0.0); r <= e && r < double(rasterRows); r += 1.0) markInside(l, r);
            }
        }
    }
    scanCrossings.clear();
    scanCrossings.shrink_to_fit();
}

} // namespace

void rasterizeEdge(const dvec2& a, const dvec2& b) { addCrossings(a.y, a.x, b.y, b.x); }

void rasterizeEdgeColumns(const dvec2& a, const dvec2& b) { addCrossings(a.x, a.y, b.x, b.y); }

void fillPolygonRows(const std::vector<dvec2>& points) { fillPolygon(points, true); }

void fillPolygonColumns(const std::vector<dvec2>& points) { fillPolygon(points, false); }

} // namespace kal
