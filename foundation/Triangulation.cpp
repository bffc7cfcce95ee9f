#include "foundation/Triangulation.h"

#include "foundation/Predicates.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

// The library's header defines short lower-case macros (org, dest, apex, mark): keep it last.
extern "C" {
#define REAL double
#define VOID void
#define ANSI_DECLARATORS
#include <triangle.h>
}

namespace kal {

namespace {

dvec2 widen(vec2 p) { return {double(p.x), double(p.y)}; }

// p is known to lie on the line through a and b: is it within the closed segment?
bool withinBox(dvec2 a, dvec2 b, dvec2 p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

// Exact test of two closed segments for any common point, touching included.
bool closedSegmentsMeet(dvec2 p0, dvec2 p1, dvec2 q0, dvec2 q1) {
    double d1 = orientation2(q0, q1, p0);
    double d2 = orientation2(q0, q1, p1);
    double d3 = orientation2(p0, p1, q0);
    double d4 = orientation2(p0, p1, q1);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
    return (d1 == 0 && withinBox(q0, q1, p0)) || (d2 == 0 && withinBox(q0, q1, p1)) ||
           (d3 == 0 && withinBox(p0, p1, q0)) || (d4 == 0 && withinBox(p0, p1, q1));
}

// Edges a-b and b-c share b; they overlap beyond it when c lies on the line back towards a.
bool foldsBack(dvec2 a, dvec2 b, dvec2 c) {
    if (orientation2(a, b, c) != 0.0) return false;
    if (a.x != b.x) return a.x < b.x ? c.x < b.x : c.x > b.x;
    return a.y < b.y ? c.y < b.y : c.y > b.y;
}

bool hasRepeatedPoint(const std::vector<vec2>& points) {
    std::vector<vec2> sorted(points);
    std::sort(sorted.begin(), sorted.end(), [](vec2 a, vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Any two edges meeting other than at the corner they share. Edges are swept in order of
// their smallest x, so only edges whose x ranges overlap are compared.
bool edgesMeet(const std::vector<vec2>& points) {
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i)
        if (foldsBack(widen(points[i]), widen(points[(i + 1) % n]), widen(points[(i + 2) % n]))) return true;

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    auto minX = [&](size_t e) { return std::min(points[e].x, points[(e + 1) % n].x); };
    auto maxX = [&](size_t e) { return std::max(points[e].x, points[(e + 1) % n].x); };
    auto minY = [&](size_t e) { return std::min(points[e].y, points[(e + 1) % n].y); };
    auto maxY = [&](size_t e) { return std::max(points[e].y, points[(e + 1) % n].y); };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return minX(a) < minX(b); });

    for (size_t k = 0; k < n; ++k) {
        const size_t e = order[k];
        for (size_t m = k + 1; m < n && minX(order[m]) <= maxX(e); ++m) {
            const size_t f = order[m];
            const size_t gap = e > f ? e - f : f - e;
            if (gap == 1 || gap == n - 1) continue; // neighbours: checked by foldsBack
            if (minY(f) > maxY(e) || maxY(f) < minY(e)) continue;
            if (closedSegmentsMeet(widen(points[e]), widen(points[(e + 1) % n]), widen(points[f]),
                                   widen(points[(f + 1) % n])))
                return true;
        }
    }
    return false;
}

void freeOutput(triangulateio& out) {
    // Every list the library allocated; holelist and regionlist only echo the input's.
    void* lists[] = {
        out.pointlist,    out.pointattributelist, out.pointmarkerlist,   out.trianglelist, out.triangleattributelist,
        out.neighborlist, out.segmentlist,        out.segmentmarkerlist, out.edgelist,     out.edgemarkerlist};
    for (void* p : lists)
        if (p) trifree(p);
}

} // namespace

bool isSimpleOutline(const Outline& outline) {
    const std::vector<vec2>& points = outline.points;
    if (points.size() < 3 || outline.flags.size() < points.size()) return false;
    if (points.size() > size_t(1) << 28) return false; // beyond the library's int indices
    for (vec2 p : points)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    auto [minX, maxX] = std::minmax_element(points.begin(), points.end(), [](vec2 a, vec2 b) { return a.x < b.x; });
    auto [minY, maxY] = std::minmax_element(points.begin(), points.end(), [](vec2 a, vec2 b) { return a.y < b.y; });
    if (!(minX->x < maxX->x) || !(minY->y < maxY->y)) return false;
    if (hasRepeatedPoint(points)) return false;
    return !edgesMeet(points);
}

bool triangulateOutline(const Outline& outline, std::vector<vec2>& points, std::vector<bool>& flags,
                        std::vector<int>& triangles, bool splitBoundary) {
    // The library ends the whole process on some malformed input; a drawn stroke must not.
    if (!isSimpleOutline(outline)) return false;

    const int n = int(outline.points.size());
    std::vector<double> inPoints(2 * size_t(n));
    std::vector<int> inSegments(2 * size_t(n));
    for (int i = 0; i < n; ++i) {
        inPoints[2 * i] = outline.points[i].x;
        inPoints[2 * i + 1] = outline.points[i].y;
        inSegments[2 * i] = i;
        inSegments[2 * i + 1] = (i + 1) % n;
    }

    triangulateio in;
    triangulateio out;
    std::memset(&in, 0, sizeof in);
    std::memset(&out, 0, sizeof out);
    in.pointlist = inPoints.data();
    in.numberofpoints = n;
    in.segmentlist = inSegments.data();
    in.numberofsegments = n;

    char switches[8];
    std::strcpy(switches, splitBoundary ? "Qpq30z" : "Qpq30Yz");
    triangulate(switches, &in, &out, nullptr);

    const int produced = out.numberofpoints;
    points.reserve(points.size() + size_t(produced));
    for (int i = 0; i < produced; ++i) {
        points.push_back(vec2(float(out.pointlist[2 * i]), float(out.pointlist[2 * i + 1])));
        flags.push_back(i < n ? bool(outline.flags[i]) : false);
    }
    triangles.insert(triangles.end(), out.trianglelist, out.trianglelist + 3 * size_t(out.numberoftriangles));

    freeOutput(out);
    return true;
}

} // namespace kal
