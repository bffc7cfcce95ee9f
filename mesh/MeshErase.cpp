// Erasing a component or a patch, and erasing the feature line nearest a point so that the
// patches on its two sides become one.
#include <cmath>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

// Gives each pick without a triangle the one nearest its point.
void resolvePicks(const Mesh& m, const std::vector<vec3>& points, std::vector<int32_t>& picked) {
    for (size_t i = 0; i < picked.size() && i < points.size(); ++i)
        if (picked[i] < 0) picked[i] = m.closestTriangle(points[i]);
}

} // namespace

void Mesh::eraseComponent(const vec3& point, int triangle) { eraseComponents({point}, {triangle}); }

void Mesh::eraseComponents(const std::vector<vec3>& points, std::vector<int32_t> picked) {
    // every pick names its triangle before any record dies or moves
    resolvePicks(*this, points, picked);
    clearSelection();
    for (int t : picked)
        if (t >= 0) selectComponent(vec3(), false, t);
    for (int32_t t : selectedTriangles) {
        MeshTriangle& tri = triangles[t];
        tri.flags &= uint8_t(~TriangleAlive);
        for (int32_t v : tri.vertex) vertices[v].flags &= uint8_t(~VertexAlive);
    }
    clearSelection();
    purgeDeleted(true);
}

void Mesh::erasePatch(const vec3& point, int triangle) { erasePatches({point}, {triangle}); }

void Mesh::erasePatches(const std::vector<vec3>& points, std::vector<int32_t> picked) {
    resolvePicks(*this, points, picked);
    clearSelection();
    for (int t : picked)
        if (t >= 0) selectPatch(vec3(), false, t);
    // a deleted triangle keeps its selection mark until the purge drops it
    std::vector<int32_t> doomed;
    doomed.swap(selectedTriangles);
    deleteTriangles(doomed);
    purgeDeleted(false);
    clearSelection();
}

namespace {

double distanceToSegment(const vec3& p, const vec3& A, const vec3& B) {
    vec3 d = normalize(B - A), w = p - A;
    float along = dot(w, d);
    if (along <= 0) return w.length();
    if (dot(p - B, d) >= 0) return (p - B).length();
    return (w - d * along).length();
}

struct LineStep {
    int32_t vertex, triangle, edge;
};

// The feature line nearest point in the patch of triangle (the one nearest point when -1), as the
// steps of its walk; empty when the patch has no line. The mesh is only read, bar the selection.
std::vector<LineStep> featureLineNear(Mesh& m, const vec3& point, bool clear, int triangle) {
    std::vector<LineStep> line;
    m.selectPatch(point, clear, triangle);
    int bestTriangle = -1, bestEdge = -1;
    double best = 0;
    for (int32_t t : m.selectedTriangles) {
        const MeshTriangle& tri = m.triangles[t];
        for (int k = 0; k < 3; ++k) {
            if (!tri.marked(k) && tri.neighbour[k] >= 0) continue;
            double d = distanceToSegment(point, m.vertices[tri.vertex[next3(k)]].position,
                                         m.vertices[tri.vertex[prev3(k)]].position);
            if (bestTriangle < 0 || d < best) {
                best = d;
                bestTriangle = t;
                bestEdge = k;
            }
        }
    }
    m.clearSelection();
    if (bestTriangle < 0) return line;
    // Walk the line both ways from the nearest edge until a pinned vertex; a walk that comes
    // back to a vertex it has seen (a closed line, or a loop without pins) stops there.
    std::vector<uint8_t> seen(size_t(m.vertexCount()), 0);
    const MeshTriangle& start = m.triangles[bestTriangle];
    int a = start.vertex[next3(bestEdge)], b = start.vertex[prev3(bestEdge)];
    bool closed = false;
    for (int phase = 0; phase < 2 && !closed; ++phase) {
        int v = phase == 0 ? a : b, t = bestTriangle, e = bestEdge;
        while (true) {
            line.push_back({v, t, e});
            seen[size_t(v)] = 1;
            if (m.vertices[v].pinned()) break;
            m.cornerWalk(v, t, e);
            if (phase == 0 && v == a) {
                closed = true;
                break;
            }
            if (seen[size_t(v)]) break;
        }
    }
    return line;
}

// Unmarks the line's edges and frees its vertices from the seams; erasing a line twice is
// erasing it once.
void eraseLine(Mesh& m, const std::vector<LineStep>& line) {
    for (const LineStep& s : line)
        if (!m.vertices[s.vertex].pinned()) m.vertices[s.vertex].setSeam(false);
    for (const LineStep& s : line) {
        MeshTriangle& tri = m.triangles[s.triangle];
        int32_t n = tri.neighbour[s.edge];
        if (n < 0) continue;
        tri.flags &= uint8_t(~(1 << s.edge));
        int slot = m.triangles[n].slotOf(s.triangle);
        if (slot >= 0) m.triangles[n].flags &= uint8_t(~(1 << slot));
    }
    for (const LineStep& s : line) m.updateVertexRing(s.vertex);
    for (const LineStep& s : line) m.updateVertexNormal(s.vertex);
}

} // namespace

void Mesh::eraseFeature(const vec3& point, bool clear, int triangle) {
    eraseLine(*this, featureLineNear(*this, point, clear, triangle));
}

void Mesh::eraseFeatures(const std::vector<vec3>& points, const std::vector<int32_t>& picked) {
    // every line is found before any is erased: a copy whose line an earlier one erased would
    // find the next line instead
    std::vector<std::vector<LineStep>> lines;
    for (size_t i = 0; i < points.size() && i < picked.size(); ++i)
        lines.push_back(featureLineNear(*this, points[i], true, picked[i]));
    for (const auto& line : lines) eraseLine(*this, line);
}

} // namespace kal
