#include "gpu/OutlineDepthField.h"

#include "foundation/Mat.h"
#include "foundation/Rasterizer.h"
#include "gpu/FBO.h"
#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"

#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace kal {

namespace {

enum : std::uint8_t { outside = 0, inside = 1, outline = 2, pinned = 3, pinch = 4 };

// Grids bigger than this are refused rather than allocated.
constexpr float largestResolution = 4096.0f;

struct Grid {
    int columns = 0;
    int rows = 0;
    std::size_t index(int c, int r) const { return std::size_t(r) * std::size_t(columns) + std::size_t(c); }
    std::uint8_t cls(int c, int r) const { return cellClass[index(c, r)]; }
};

// Smoothing weights by |dx|, |dy| in 0..3.
constexpr int smoothingWeight[4][4] = {{159, 97, 22, 2}, {97, 59, 13, 1}, {22, 13, 3, 0}, {2, 1, 0, 0}};

// Reads the current float attachment back into the height table.
void readHeights(const Grid& grid, Texture2D* current, std::vector<float>& heights) {
    gl->glReadBuffer(GLenum(current->attachment));
    GLint packAlignment = 4;
    gl->glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, grid.columns, grid.rows, GL_RED, GL_FLOAT, heights.data());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
}

// The distance field of step "heights": one small draw per cell, each over a fresh copy
// of the field so the shader never reads what it writes. Leaves the squared field (or
// the shaped one) in `heights`; all zero when the target cannot be built.
void computeHeights(const Grid& grid, std::uint8_t profile, float resolution, std::vector<float>& heights) {
    FBO target(0, grid.columns, grid.rows, 1);
    Texture2D* ping[2] = {
        target.addAttachment(
            new Texture2D(grid.columns, grid.rows, GL_R32F, GL_RED, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_NEAREST)),
        target.addAttachment(
            new Texture2D(grid.columns, grid.rows, GL_R32F, GL_RED, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_NEAREST)),
    };
    if (!target.bind()) return;
    gl->glDisable(GL_STENCIL_TEST);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glViewport(0, 0, grid.columns, grid.rows);

    const float far = (resolution / 2.0f) * (resolution / 2.0f);
    gl->glDrawBuffer(GLenum(ping[0]->attachment));
    const float start[4] = {far, 0, 0, 0};
    gl->glClearBufferfv(GL_COLOR, 0, start);

    const mat4 gridProjection{
        {2.0f / float(grid.columns), 0, 0, -1, 0, 2.0f / float(grid.rows), 0, -1, 0, 0, -2, -1, 0, 0, 0, 1}};
    const vec2 texelStep{1.0f / float(grid.columns), 1.0f / float(grid.rows)};
    const mat4 quadAtOrigin = mat4::scaling(resolution, resolution, 1) * mat4::translationXYZ(-0.5f, -0.5f, 0);
    int current = 0;

    auto pass = [&](int c, int r, const float* r2) {
        Texture2D* source = ping[current];
        Texture2D* destination = ping[1 - current];
        gl->glReadBuffer(GLenum(source->attachment));
        gl->glDrawBuffer(GLenum(destination->attachment));
        gl->glBlitFramebuffer(0, 0, grid.columns, grid.rows, 0, 0, grid.columns, grid.rows, GL_COLOR_BUFFER_BIT,
                              GL_NEAREST);
        const int unit = source->unit();
        if (unit < 0) return;
        setUniformInt("OldDepth", unit);
        const vec2 centre{float(c) + 0.5f, float(r) + 0.5f};
        setUniformVec2("Center", centre);
        setUniformMat4("Transform", mat4::translationXYZ(centre.x, centre.y, 0) * quadAtOrigin);
        if (r2) setUniformFloat("R2", *r2);
        drawQuad(true);
        source->unbind();
        current = 1 - current;
    };
    auto begin = [&](Shader* shader) {
        if (!shader || !shader->bind()) return false;
        setUniformMat4("ProjectionModelViewMatrix", gridProjection);
        setUniformVec2("WH", texelStep);
        return true;
    };

    if (begin(shaderParabola))
        for (int c = 0; c < grid.columns; ++c)
            for (int r = 0; r < grid.rows; ++r) {
                const std::uint8_t k = grid.cls(c, r);
                if (k == outline || k == pinned || k == pinch) pass(c, r, nullptr);
            }

    if (profile >= 1 && profile <= 3) {
        readHeights(grid, ping[current], heights);
        if (begin(profile == 3 ? shaderChamfer : shaderSphere)) {
            const std::vector<float> squared = heights;
            for (int c = 0; c < grid.columns; ++c)
                for (int r = 0; r < grid.rows; ++r)
                    if (grid.cls(c, r) != outside) pass(c, r, &squared[grid.index(c, r)]);
        }
    }
    Shader::unbindCurrent();
    readHeights(grid, ping[current], heights);
    target.unbind();
}

void shapeHeights(std::uint8_t profile, std::vector<float>& heights) {
    float largest = 0.0f;
    for (std::size_t i = 0; i < heights.size(); ++i) {
        // a negative or NaN texel has no height to give
        heights[i] = cellClass[i] == inside && heights[i] > 0.0f ? std::sqrt(heights[i]) : 0.0f;
        largest = std::max(largest, heights[i]);
    }
    if (!(largest > 0.0f)) return;
    constexpr float halfPi = 1.57079632679489661923f;
    for (float& v : heights) {
        const float t = v / largest;
        if (profile == 5)
            v = largest * std::sqrt(t);
        else if (profile == 6)
            v = largest * std::sin(halfPi * t);
        else if (profile == 7)
            v = largest * (2.0f * t - std::sin(halfPi * t));
    }
}

void smoothHeights(const Grid& grid, std::vector<float>& heights) {
    for (int round = 0; round < 3; ++round) {
        const std::vector<float> before = heights;
        for (int r = 0; r < grid.rows; ++r)
            for (int c = 0; c < grid.columns; ++c) {
                if (grid.cls(c, r) != inside) continue;
                double sum = 0.0, weights = 0.0;
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -3; dx <= 3; ++dx) {
                        const int x = c + dx, y = r + dy;
                        const int w = smoothingWeight[std::abs(dx)][std::abs(dy)];
                        if (w == 0 || x < 0 || y < 0 || x >= grid.columns || y >= grid.rows ||
                            grid.cls(x, y) == outside)
                            continue;
                        sum += double(w) * before[grid.index(x, y)];
                        weights += w;
                    }
                heights[grid.index(c, r)] = float(sum / weights);
            }
    }
}

// Step "vertices": decides which cells carry a vertex (two for a pinch) and makes them.
void makeVertices(const Grid& grid, std::vector<vec3>& cellVertices, std::vector<bool>& vertexFlags,
                  std::vector<int>& firstVertex) {
    static const int ring[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    for (int c = 1; c <= grid.columns - 2; ++c)
        for (int r = 1; r <= grid.rows - 2; ++r) {
            const std::size_t i = grid.index(c, r);
            if (cellClass[i] == outside) continue;
            bool used[8];
            int usedCount = 0;
            for (int k = 0; k < 8; ++k) {
                used[k] = grid.cls(c + ring[k][0], r + ring[k][1]) != outside;
                usedCount += used[k];
            }
            if (usedCount == 0) {
                cellClass[i] = outside;
                continue;
            }
            const bool north = used[1], east = used[3], south = used[5], west = used[7];
            if ((cellClass[i] == outline || cellClass[i] == pinned) && north && east && south && west) {
                cellClass[i] = inside;
                cellPoint[i] = dvec2(c, r);
            }
            int copies = 1;
            if (!((north || south) && (west || east))) {
                // Runs of consecutive used neighbours round the ring; usedCount < 8 here.
                int start = 0;
                while (used[start]) ++start;
                int longRuns = 0, run = 0;
                for (int step = 1; step <= 8; ++step) {
                    const int k = (start + step) % 8;
                    if (used[k]) {
                        ++run;
                    } else {
                        if (run >= 2) ++longRuns;
                        run = 0;
                    }
                }
                if (longRuns == 0) {
                    cellClass[i] = outside;
                    continue;
                }
                if (longRuns >= 2) {
                    copies = 2;
                }
            }
            const dvec2 at = cellPoint[i];
            const vec3 vertex =
                (at.x == 0.0 && at.y == 0.0) ? vec3{float(c), float(r), 0.0f} : vec3{float(at.x), float(at.y), 0.0f};
            const bool flag = cellClass[i] == pinned;
            firstVertex[i] = int(cellVertices.size());
            for (int k = 0; k < copies; ++k) {
                cellVertices.push_back(vertex);
                vertexFlags.push_back(flag);
            }
            if (copies == 2) cellClass[i] = pinch;
        }
}

void makeTriangles(const Grid& grid, const std::vector<int>& firstVertex, int base, std::vector<int>& triangles) {
    for (int c = 1; c <= grid.columns - 2; ++c)
        for (int r = 1; r <= grid.rows - 2; ++r) {
            const int corner[4][2] = {{c - 1, r - 1}, {c, r - 1}, {c, r}, {c - 1, r}}; // a, b, d, e
            bool used[4];
            int count = 0;
            for (int k = 0; k < 4; ++k) {
                const std::size_t i = grid.index(corner[k][0], corner[k][1]);
                used[k] = cellClass[i] != outside && firstVertex[i] >= 0;
                count += used[k];
            }
            if (count < 3) continue;
            int list[4];
            int n = 0;
            for (int k = 0; k < 4; ++k) {
                if (!used[k]) continue;
                const std::size_t i = grid.index(corner[k][0], corner[k][1]);
                int vertex = firstVertex[i];
                if (cellClass[i] == pinch && ((k == 0) || (k == 1 && !used[0]) || (k == 3 && used[2]))) vertex += 1;
                list[n++] = base + vertex;
            }
            for (int k = 2; k < n; ++k) triangles.insert(triangles.end(), {list[0], list[k - 1], list[k]});
        }
}

} // namespace

bool outlineDepthField(const Outline& shape, std::vector<vec3>& points, std::vector<bool>& flags,
                       std::vector<int>& triangles, std::uint8_t profile, float resolution) {
    const std::size_t n = shape.points.size();
    if (n < 3 || !(resolution >= 1.0f && resolution <= largestResolution)) return false;
    float minX = shape.points[0].x, maxX = minX, minY = shape.points[0].y, maxY = minY;
    for (const vec2& p : shape.points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const float w = maxX - minX, h = maxY - minY;
    // A box without area has nothing to fill, and its scale would divide by zero.
    if (!(w > 0.0f && h > 0.0f)) return false;

    // Box and scale.
    int W = 0, H = 0;
    double scale = 0.0;
    if (w > h) {
        W = int(resolution);
        scale = double(W) / double(w);
        H = int(scale * double(h));
    } else {
        H = int(resolution);
        scale = double(H) / double(h);
        W = int(scale * double(w));
    }
    std::vector<dvec2> grid(n);
    for (std::size_t k = 0; k < n; ++k)
        grid[k] =
            dvec2((double(shape.points[k].x) - minX) * scale + 2.5, (double(shape.points[k].y) - minY) * scale + 2.5);

    // Rasterise.
    Grid cells{W + 6, H + 6};
    resetRasterGrid(cells.columns, cells.rows);
    fillPolygonRows(grid);
    fillPolygonColumns(grid);
    for (std::size_t k = 0; k < n; ++k) {
        const int c = int(std::round(grid[k].x)), r = int(std::round(grid[k].y));
        const std::uint8_t v = (k < shape.flags.size() && shape.flags[k]) ? pinned : outline;
        const std::size_t i = cells.index(c, r);
        if (cellClass[i] < v) {
            cellClass[i] = v;
            cellPoint[i] = grid[k];
        }
    }

    // Vertices.
    std::vector<vec3> cellVertices;
    std::vector<bool> vertexFlags;
    std::vector<int> firstVertex(cellClass.size(), -1);
    makeVertices(cells, cellVertices, vertexFlags, firstVertex);

    // Heights.
    std::vector<float> heights(cellClass.size(), 0.0f);
    if (profile != 0) {
        computeHeights(cells, profile, resolution, heights);
        shapeHeights(profile, heights);
        smoothHeights(cells, heights);
        for (vec3& v : cellVertices) {
            const int c = int(std::round(v.x)), r = int(std::round(v.y));
            const std::size_t i = cells.index(c, r);
            v.z = cellClass[i] == inside ? heights[i] : 0.0f;
        }
    }

    // Triangles, then back to outline units.
    const int base = int(points.size());
    makeTriangles(cells, firstVertex, base, triangles);
    for (std::size_t k = 0; k < cellVertices.size(); ++k) {
        const vec3 v = cellVertices[k];
        points.push_back(
            vec3{float((v.x - 2.5) / scale + minX), float((v.y - 2.5) / scale + minY), float(v.z / scale)});
        flags.push_back(vertexFlags[k]);
    }
    return true;
}

} // namespace kal
