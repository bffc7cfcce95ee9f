#pragma once
// Scanline classification of grid cells against a closed polygon given in grid units.
// Cell (c, r) stands for the point (c, r); rows are integer y, columns integer x.
#include "foundation/Vec.h"

#include <cstdint>
#include <vector>

namespace kal {

enum : uint8_t { kCellOutside = 0, kCellInside = 1, kCellOutline = 2 };

// One process-wide grid, reused from outline to outline so repeated use does not reallocate.
extern int32_t rasterColumns;
extern int32_t rasterRows;
extern std::vector<uint8_t> cellClass;                 // rasterColumns x rasterRows, cell (c, r) at r * columns + c
extern std::vector<dvec2> cellPoint;                   // exact outline position of an outline cell
extern std::vector<std::vector<double>> scanCrossings; // per scan line, only during a pass

// Sizes the grid and clears every cell to outside at (0, 0).
void resetRasterGrid(int32_t columns, int32_t rows);

// Crossings of the edge a-b with the integer rows (or columns) it spans, both ends included,
// so a vertex lying exactly on a line gives one crossing for each of its two edges.
void rasterizeEdge(const dvec2& a, const dvec2& b);
void rasterizeEdgeColumns(const dvec2& a, const dvec2& b);

// Mark the cells where the polygon's spans begin and end as outline (keeping the exact
// crossing point) and the cells between as inside. Classes are never lowered. Points and
// cells outside the grid are skipped rather than written.
void fillPolygonRows(const std::vector<dvec2>& points);
void fillPolygonColumns(const std::vector<dvec2>& points);

} // namespace kal
