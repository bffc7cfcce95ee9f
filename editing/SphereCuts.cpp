// Cuts along a sphere: the triangles the sphere surface crosses are re-triangulated along arcs of
// at most 15 degrees per edge, and the cut line becomes a chain of border-marked edges. The clips
// then remove the inside, the stamps press the inside onto the sphere.
#include "editing/SphereCuts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "editing/EditingMath.h"
#include "editing/SelectionHelpers.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using meshwalk::next3;
using meshwalk::prev3;

namespace {

constexpr double kArcStep = 0.2617993877991494; // pi / 12
constexpr double kTwoPi = 6.283185307179586;

struct Crossing {
    int32_t a = -1, b = -1;
    dvec3 point;
    // the outside end when it lies on the sphere: the crossing is that vertex, and no split is made
    int32_t reuse = -1;
};

using editing::roundingBand;

bool finiteCorners(const Mesh& m, const MeshTriangle& tri) {
    for (int32_t v : tri.vertex)
        if (!isFinite(m.vertices[v].position)) return false;
    return true;
}

// The unit normal of the plane through the corners, wound as they are; false without area. The
// cut reads the plane from the corners: a stored face normal an earlier edit left stale would put
// split points off the triangle, and their halves would split again and again.
bool cornerPlane(const dvec3 P[3], dvec3& n) {
    const dvec3 w = cross(P[1] - P[0], P[2] - P[0]);
    const double area = w.length();
    if (!(area > 1e-12) || !std::isfinite(area)) return false;
    n = w / area;
    return true;
}

// Whether a triangle lies clearly away from the sphere round c of radius r, so that no test of the
// cut can take it: its box lies more than 2r from c along an axis; its corners lie close enough
// that the rounding of the distance tests stays under a tenth of r squared; and its face normal is
// its own to within a quarter of r over its size, so that the centre's projection along it lands
// more than r away. (An inside corner lies within r of c: the gathering saw c and r rounded to
// float, which the caller bounds.) Anything else, non-finite corners included, counts as near.
bool clearlyAway(const Mesh& m, const MeshTriangle& tri, const dvec3& c, double r) {
    dvec3 P[3];
    for (int k = 0; k < 3; ++k) P[k] = dvec3(m.vertices[tri.vertex[k]].position);
    bool away = false;
    for (int i = 0; i < 3; ++i) {
        auto axis = [i](const dvec3& p) { return i == 0 ? p.x : i == 1 ? p.y : p.z; };
        double ci = axis(c);
        double lo = std::min({axis(P[0]), axis(P[1]), axis(P[2])}) - ci;
        double hi = std::max({axis(P[0]), axis(P[1]), axis(P[2])}) - ci;
        away = away || lo > 2 * r || hi < -2 * r;
    }
    if (!away) return false;
    double reach2 = 0, diameter2 = 0;
    for (int k = 0; k < 3; ++k) {
        dvec3 d = P[k] - c, e = P[(k + 1) % 3] - P[k];
        reach2 = std::max(reach2, dot(d, d));
        diameter2 = std::max(diameter2, dot(e, e));
    }
    if (!(reach2 < 1e14 * r * r)) return false;
    dvec3 normal = cross(P[1] - P[0], P[2] - P[0]);
    double area = normal.length();
    if (!(area > 0)) return false;
    dvec3 drift = dvec3(tri.faceNormal) - normal / area;
    return dot(drift, drift) * diameter2 < 0.0625 * r * r;
}

// The triangles below the store's count that the cut could touch, in record order: the others
// are clearly away from the sphere, and no split of a listed one reaches them (a split edge or
// point lies within r of the centre, and so do both triangles on a split edge).
std::vector<int32_t> nearTriangles(const Mesh& m, const dvec3& c, double r) {
    const int count = m.triangleCount();
    std::vector<int32_t> list;
    // the gathering's float rounding of c must stay well under r for the inside corners' bound
    double extent = std::max({std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)});
    if (!(r > 1e-6 * extent)) {
        list.resize(size_t(count));
        for (int t = 0; t < count; ++t) list[size_t(t)] = t;
        return list;
    }
    std::vector<uint8_t> near(size_t(count), 0);
    parallelFor(count, [&](int begin, int end) {
        for (int t = begin; t < end; ++t) {
            const MeshTriangle& tri = m.triangles[t];
            near[size_t(t)] = tri.alive() && !clearlyAway(m, tri, c, r);
        }
    });
    for (int t = 0; t < count; ++t)
        if (near[size_t(t)]) list.push_back(t);
    return list;
}

class SphereCut {
public:
    SphereCut(Mesh& m, const dvec3& centre, double radius, bool restricted)
        : m(m), c(centre), r(radius), r2(radius * radius), restricted(restricted), V0(m.vertexCount()),
          T0(m.triangleCount()) {}

    bool inside(int v) const { return m.vertices[v].flags & VertexSelected; }

    // Samples off the object may put the sphere anywhere: one without a finite centre and
    // radius reaches nothing.
    bool reaches() const {
        return r > 0 && std::isfinite(r) && std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z);
    }

    // The cut over the whole mesh, every alive vertex strictly inside counting; false (nothing
    // done) for a sphere of no radius, which reaches nothing.
    bool runOnMesh() {
        if (!reaches()) return false;
        m.gatherBrushVertices(c.toFloat(), float(r), true);
        near = nearTriangles(m, c, r);
        selectInsideCorners(near);
        dropOnSphere();
        run();
        return true;
    }

    // The cut over the patch or the component of the triangle; false (nothing done) when there is
    // no sphere or no region.
    bool runOnRegion(const vec3& rim, int triangle, bool patch) {
        if (!reaches()) return false;
        gatherRegion(rim, triangle, patch);
        if (m.selectedTriangles.empty()) return false;
        run();
        return true;
    }

    // Marks the edges between vertices made by the cut, over the given triangles (the triangles
    // made by the cut when null), and the stretches of the line that end on a vertex it reused.
    void markCutLine(const std::vector<int32_t>* tris) {
        std::sort(made.begin(), made.end());
        for (const auto& [from, to] : reusedLine) {
            const int u = lineVertex(from), w = lineVertex(to);
            if (u >= 0 && w >= 0) m.setEdgeFlag(u, w, true);
        }
        auto mark = [&](int t) {
            if (!m.triangles[t].alive()) return;
            for (int k = 0; k < 3; ++k) {
                int a = m.triangles[t].vertex[next3(k)], b = m.triangles[t].vertex[prev3(k)];
                if (a >= V3 && b >= V3) m.setEdgeFlag(a, b, true);
            }
        };
        if (tris)
            for (size_t i = 0; i < tris->size(); ++i) mark((*tris)[i]);
        else
            for (int t = T3; t < m.triangleCount(); ++t) mark(t);
    }

    // Flags the line's vertices for the stroke's later copies: those made from V3 on, and those
    // it reused.
    void keepLine() {
        for (int v = V3; v < m.vertexCount(); ++v) m.strokeCache.keepLineVertex(v);
        for (const auto& [from, to] : reusedLine)
            for (const Crossing* end : {&from, &to}) m.strokeCache.keepLineVertex(end->reuse);
    }

    // Every triangle the cut changed holds a vertex it made: the corner normals that the full pass
    // would change are those of the vertices of these triangles.
    // After a clip, also the corners round every vertex that lost triangles to the deletion of
    // the listed ones (the copies the deletion made lie past V0).
    void renormalCorners(const std::vector<int32_t>* deleted = nullptr) {
        editing::CutCorners corners(m);
        for (int v = V0; v < m.vertexCount(); ++v)
            if (m.vertices[v].alive()) corners.addRound(v, false);
        for (const auto& [from, to] : reusedLine)
            for (const Crossing* end : {&from, &to})
                if (end->reuse >= 0 && m.vertices[end->reuse].alive()) corners.addRound(end->reuse, false);
        if (deleted) corners.addCornersOf(*deleted);
        corners.renormal();
    }

    Mesh& m;
    dvec3 c;
    double r, r2;
    bool restricted;
    int V0, T0, V3 = 0, T3 = 0;

private:
    // Over the whole mesh: the triangles that existed before the cut and may take part in it.
    std::vector<int32_t> near;

    // The pos-th triangle a pass over the whole mesh visits: the near ones, then those appended
    // since the cut began; -1 past end (the store's count at the call).
    int wholeMeshTriangle(size_t pos, int end) const {
        if (pos < near.size()) return near[pos];
        size_t appended = pos - near.size() + size_t(T0);
        return appended < size_t(end) ? int(appended) : -1;
    }

    // The patch or component of the triangle: its corners strictly inside.
    void gatherRegion(const vec3& rim, int triangle, bool patch) {
        if (patch)
            m.selectPatch(rim, true, triangle);
        else
            m.selectComponent(rim, true, triangle);
        selectInsideCorners(m.selectedTriangles);
        dropOnSphere();
    }

    // Whether v lies on the sphere to within the rounding of its position. It counts as outside,
    // and a crossing on an edge to it is v itself: one made a rounding away would leave a
    // triangle without area.
    bool onSphere(int v) const {
        const dvec3 p(m.vertices[v].position);
        return std::fabs((p - c).length() - r) <= roundingBand(p);
    }

    // Deselects the inside vertices that lie on the sphere (the float gathering takes some).
    void dropOnSphere() {
        size_t kept = 0;
        for (int32_t v : m.selectedVertices) {
            MeshVertex& vx = m.vertices[v];
            if (onSphere(v)) {
                vx.flags &= uint8_t(~VertexSelected);
                vx.link = -1;
                continue;
            }
            vx.link = int32_t(kept);
            m.selectedVertices[kept++] = v;
        }
        if (kept == m.selectedVertices.size()) return;
        m.selectedVertices.resize(kept);
        m.brushVertices.erase(std::remove_if(m.brushVertices.begin(), m.brushVertices.end(),
                                             [&](const BrushVertex& b) { return !inside(b.vertex); }),
                              m.brushVertices.end());
    }

    // Selects the corners of the triangles strictly inside by the crossings' own measure: the
    // float rounding of a large sphere leaves some out, and their crossings would fall off
    // their edges.
    void selectInsideCorners(const std::vector<int32_t>& tris) {
        for (int32_t t : tris) {
            if (!m.triangles[t].alive()) continue;
            for (int32_t v : m.triangles[t].vertex) {
                if (inside(v)) continue;
                dvec3 d = dvec3(m.vertices[v].position) - c;
                if (std::fabs(d.x) < r && std::fabs(d.y) < r && std::fabs(d.z) < r && dot(d, d) < r2)
                    editing::selectVertex(m, v);
            }
        }
    }

    // Runs the cut: splits, re-triangulation and crossing vertices.
    void run() {
        straddlingEdges();
        centreInsideTriangles();
        V3 = m.vertexCount();
        T3 = m.triangleCount();
        for (size_t j = 0; j < cutList.size(); ++j) retriangulate(j);
        if (restricted)
            for (int t = T3; t < m.triangleCount(); ++t) list(t);
        for (int s = 0; s < 2; ++s)
            for (size_t j = 0; j < cutList.size(); ++j) crossingVertex(slots[s][j]);
    }

    void markInside(int v) { editing::selectVertex(m, v); }

    // Selects and lists a triangle appended for a region triangle.
    void list(int t) {
        MeshTriangle& tri = m.triangles[t];
        if (tri.flags & TriangleSelected) return;
        tri.flags = uint8_t((tri.flags & ~0x30) | TriangleSelected);
        m.selectedTriangles.push_back(t);
    }
    bool taken(int t) const { return t >= 0 && (m.triangles[t].flags & (TriangleSelected | TriangleVisited)); }

    // Splits edge e of t at p; in a region the halves join it when their triangle did.
    int splitAndList(int t, int e, const vec3& p) {
        int neighbour = m.triangles[t].neighbour[e];
        bool neighbourTaken = taken(neighbour);
        int before = m.triangleCount();
        int v = m.splitEdge(t, e, p);
        if (restricted) {
            if (before < m.triangleCount()) list(before);
            if (neighbourTaken && before + 1 < m.triangleCount()) list(before + 1);
        }
        return v;
    }

    // The point where edge a-b crosses the sphere, from the inside end's side.
    dvec3 crossing(int a, int b) const {
        dvec3 pa(m.vertices[a].position), pb(m.vertices[b].position);
        dvec3 d = normalize(pb - pa);
        dvec3 ca = c - pa;
        double t0 = dot(ca, d);
        // the inside test saw r rounded to float: a vertex inside by one measure only gives no root
        double s = std::sqrt(std::fmax(0.0, r2 - (dot(ca, ca) - t0 * t0)));
        return pa + d * (inside(a) ? t0 + s : t0 - s);
    }

    void recordCrossings(int t) {
        const MeshTriangle& tri = m.triangles[t];
        Crossing found[2];
        int n = 0;
        for (int k = 1; k <= 3 && n < 2; ++k) {
            int a = tri.vertex[k % 3], b = tri.vertex[(k + 1) % 3];
            if (inside(a) == inside(b)) continue;
            const int out = inside(a) ? b : a;
            if (onSphere(out))
                found[n++] = Crossing{a, b, dvec3(m.vertices[out].position), out};
            else
                found[n++] = Crossing{a, b, crossing(a, b)};
        }
        if (n != 2) return;
        cutList.push_back(t);
        slots[0].push_back(found[0]);
        slots[1].push_back(found[1]);
    }

    void straddlingEdges() {
        for (size_t pos = 0;; ++pos) {
            int t;
            if (restricted) {
                if (pos >= m.selectedTriangles.size()) break;
                t = m.selectedTriangles[pos];
            } else {
                t = wholeMeshTriangle(pos, m.triangleCount());
                if (t < 0) break;
            }
            for (bool again = true; again;) {
                again = false;
                const MeshTriangle& tri = m.triangles[t];
                if (!tri.alive() || !finiteCorners(m, tri)) break;
                if (inside(tri.vertex[0]) && inside(tri.vertex[1]) && inside(tri.vertex[2])) break;
                for (int e = 0; e < 3 && !again; ++e) {
                    int a = tri.vertex[next3(e)], b = tri.vertex[prev3(e)];
                    if (inside(a) || inside(b)) continue;
                    dvec3 pa(m.vertices[a].position), pb(m.vertices[b].position);
                    dvec3 d = normalize(pb - pa);
                    double t0 = dot(c - pa, d);
                    if (!(t0 > 0 && dot(c - pb, d) < 0 && dot(c - pa, c - pa) - t0 * t0 <= r2)) continue;
                    // a foot on the sphere within the rounding would be an inside vertex on it; an
                    // edge between two vertices on the sphere is a stretch of the line already
                    const dvec3 foot = pa + d * t0;
                    if (!((foot - c).length() < r - roundingBand(foot)) || (onSphere(a) && onSphere(b))) continue;
                    // the sphere passes between two outside ends: the edge's nearest point goes inside
                    markInside(splitAndList(t, e, (pa + d * t0).toFloat()));
                    again = true;
                }
                if (!again) recordCrossings(t);
            }
        }
    }

    void centreInsideTriangles() {
        const int count = restricted ? int(m.selectedTriangles.size()) : m.triangleCount();
        for (int i = 0;; ++i) {
            int t;
            if (restricted) {
                if (i >= count) break;
                t = m.selectedTriangles[size_t(i)];
            } else {
                t = wholeMeshTriangle(size_t(i), count);
                if (t < 0) break;
            }
            const MeshTriangle& tri = m.triangles[t];
            if (!tri.alive() || !finiteCorners(m, tri)) continue;
            if (inside(tri.vertex[0]) || inside(tri.vertex[1]) || inside(tri.vertex[2])) continue;
            dvec3 n, P[3];
            for (int k = 0; k < 3; ++k) P[k] = dvec3(m.vertices[tri.vertex[k]].position);
            if (!cornerPlane(P, n)) continue;
            double dist = dot(n, c - P[0]);
            const dvec3 foot = c - n * dist;
            // a foot on the sphere, or on an edge, within the rounding would split into a
            // triangle without area
            if (!(std::fabs(dist) < r - roundingBand(foot))) continue;
            bool within = true;
            for (int k = 0; k < 3; ++k) {
                const dvec3 edge = P[(k + 1) % 3] - P[k];
                within = within && dot(n, cross(P[k] - c, P[(k + 1) % 3] - c)) >
                                       edge.length() * (roundingBand(P[k]) + roundingBand(foot));
            }
            if (!within) continue;
            int T = m.triangleCount();
            markInside(m.splitTriangle(t, (c - n * dist).toFloat()));
            if (restricted) {
                list(T);
                list(T + 1);
            }
            for (int s : {t, T, T + 1}) recordCrossings(s);
        }
    }

    // The material of a point of the triangle from its barycentric weights.
    static pbr materialAt(const dvec3& p, const dvec3 P[3], const pbr M[3]) {
        dvec3 n = cross(P[0] - P[2], P[1] - P[2]);
        int drop = std::fabs(n.x) >= std::fabs(n.y) && std::fabs(n.x) >= std::fabs(n.z) ? 0
                   : std::fabs(n.y) >= std::fabs(n.z)                                   ? 1
                                                                                        : 2;
        auto u = [&](const dvec3& v) { return drop == 0 ? v.y : v.x; };
        auto w = [&](const dvec3& v) { return drop == 2 ? v.y : v.z; };
        double x0 = u(P[0]) - u(P[2]), y0 = w(P[0]) - w(P[2]), x1 = u(P[1]) - u(P[2]), y1 = w(P[1]) - w(P[2]);
        double x = u(p) - u(P[2]), y = w(p) - w(P[2]);
        double det = x0 * y1 - x1 * y0;
        double l0 = (x * y1 - x1 * y) / det, l1 = (x0 * y - x * y0) / det, l2 = 1 - l0 - l1;
        pbrFloat sum = pbrFloat::fromPbr(M[0]) * float(l0) + pbrFloat::fromPbr(M[1]) * float(l1) +
                       pbrFloat::fromPbr(M[2]) * float(l2);
        return pbrFloat::toPbr(sum);
    }

    void retriangulate(size_t j) {
        const int t = cutList[j];
        const MeshTriangle old = m.triangles[t];
        bool in[3] = {inside(old.vertex[0]), inside(old.vertex[1]), inside(old.vertex[2])};
        int o = in[0] == in[1] ? 2 : in[0] == in[2] ? 1 : 0, o1 = next3(o), o2 = prev3(o);
        int w[3] = {old.vertex[o], old.vertex[o1], old.vertex[o2]};
        pbr M[3] = {old.corner[o], old.corner[o1], old.corner[o2]};
        // outer edges: w1w2 is edge o, w2w0 edge o1, w0w1 edge o2
        const int outer[3] = {o2, o, o1}; // w0w1, w1w2, w2w0
        const Crossing& s0 = slots[0][j];
        bool firstOnW0W1 = (s0.a == w[0] && s0.b == w[1]) || (s0.a == w[1] && s0.b == w[0]);
        dvec3 X = firstOnW0W1 ? s0.point : slots[1][j].point, Y = firstOnW0W1 ? slots[1][j].point : s0.point;
        const Crossing &atX = firstOnW0W1 ? s0 : slots[1][j], &atY = firstOnW0W1 ? slots[1][j] : s0;
        // where the arc is not laid, the line runs straight from X to Y
        auto straight = [&] {
            if (atX.reuse >= 0 || atY.reuse >= 0) reusedLine.emplace_back(atX, atY);
        };
        dvec3 n, P[3];
        for (int k = 0; k < 3; ++k) P[k] = dvec3(m.vertices[w[k]].position);
        // a triangle without area keeps the straight cut X-Y
        if (!cornerPlane(P, n)) return straight();
        dvec3 Q = c - n * dot(c - P[0], n);
        double R = (X - Q).length();
        dvec3 axis = cross(n, X - Q);
        if (!in[o]) axis = -axis;
        std::vector<dvec3> arc;
        if (subdivideArc(X, axis, Y, Q, R, kArcStep, arc) == 0) return straight();
        arc.pop_back();
        arc.erase(arc.begin());
        // the arc runs inside the triangle. One that leaves it went the long way round a lone
        // corner on the sphere, which the float gathering and the crossings saw on different
        // sides: its crossings lie a rounding apart, and its fan would fold over the triangle.
        for (int k = 0; k < 3; ++k) {
            const dvec3 edge = P[next3(k)] - P[k];
            const double slack = 1e-6 * R * edge.length();
            for (const dvec3& p : arc)
                if (dot(n, cross(edge, p - P[k])) < -slack) return straight();
        }
        const int count = int(arc.size());
        std::vector<int32_t> a(static_cast<size_t>(count));
        std::vector<pbr> mat(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            a[size_t(k)] = m.addVertex(arc[size_t(k)].toFloat());
            mat[size_t(k)] = materialAt(arc[size_t(k)], P, M);
        }
        if (atX.reuse >= 0) reusedLine.emplace_back(atX, Crossing{-1, -1, dvec3(), a[0]});
        if (atY.reuse >= 0) reusedLine.emplace_back(Crossing{-1, -1, dvec3(), a[size_t(count - 1)]}, atY);
        // the fan: t keeps (w0, w1, a0); near and far triangles along the arc; the apex moves
        // from w1 to w2 where the arc turns past w1
        std::vector<MeshTriangle> fan;
        auto add = [&](int v0, int v1, int v2, const pbr& m0, const pbr& m1, const pbr& m2) {
            fan.push_back(MeshTriangle(v0, v1, v2, -1, -1, -1, false, false, false, m0, m1, m2));
        };
        add(w[0], w[1], a[0], M[0], M[1], mat[0]);
        int apex = 1;
        for (int k = 0; k + 1 < count; ++k) {
            if (apex == 1) {
                dvec3 A0(arc[size_t(k)]), A1(arc[size_t(k + 1)]);
                if (dot(n, cross(A1 - P[1], A0 - P[1])) < 0) {
                    add(a[size_t(k)], w[1], w[2], mat[size_t(k)], M[1], M[2]);
                    apex = 2;
                }
            }
            add(w[0], a[size_t(k)], a[size_t(k + 1)], M[0], mat[size_t(k)], mat[size_t(k + 1)]);
            add(w[apex], a[size_t(k + 1)], a[size_t(k)], M[apex], mat[size_t(k + 1)], mat[size_t(k)]);
        }
        add(w[0], a[size_t(count - 1)], w[2], M[0], mat[size_t(count - 1)], M[2]);
        if (apex == 1) add(w[1], w[2], a[size_t(count - 1)], M[1], M[2], mat[size_t(count - 1)]);

        // ids: t first, then appended; links inside the fan by shared edges, outer edges to the
        // old neighbours, which now point to the fan triangle that holds their edge
        std::vector<int32_t> ids(fan.size());
        ids[0] = t;
        for (size_t i = 1; i < fan.size(); ++i) ids[i] = m.triangleCount() + int(i) - 1;
        for (size_t i = 0; i < fan.size(); ++i) {
            MeshTriangle& f = fan[i];
            f.faceNormal = n.toFloat();
            for (int e = 0; e < 3; ++e) {
                int p = f.vertex[next3(e)], q = f.vertex[prev3(e)];
                for (int side = 0; side < 3; ++side) {
                    int u = w[side], v = w[(side + 1) % 3];
                    if ((p == u && q == v) || (p == v && q == u)) {
                        int slot = outer[side];
                        f.neighbour[e] = old.neighbour[slot];
                        if (old.marked(slot)) f.flags |= uint8_t(1 << e);
                        int out = old.neighbour[slot];
                        if (out >= 0) {
                            int back = m.triangles[out].slotOf(t);
                            if (back >= 0) m.triangles[out].neighbour[back] = ids[i];
                        }
                    }
                }
                for (size_t k = 0; k < fan.size() && f.neighbour[e] < 0; ++k)
                    if (k != i && fan[k].cornerOf(p) >= 0 && fan[k].cornerOf(q) >= 0) f.neighbour[e] = ids[k];
            }
        }
        uint8_t keep = old.flags & (TriangleSelected | TriangleVisited);
        for (size_t i = 0; i < fan.size(); ++i) {
            if (i == 0) {
                fan[0].flags |= keep;
                m.triangles[t] = fan[0];
            } else {
                m.pushTriangle(fan[i]);
            }
        }
        for (size_t i = 0; i < fan.size(); ++i)
            for (int32_t v : fan[i].vertex) {
                int32_t& first = m.vertices[v].firstTriangle;
                if (first < 0 || first == t || m.triangles[first].cornerOf(v) < 0) first = ids[i];
            }
        for (int v : {w[0], w[1], w[2]}) m.updateVertexRing(v);
        for (int32_t v : a) m.updateVertexRing(v);
    }

    void crossingVertex(const Crossing& x) {
        int t, e;
        // the neighbouring cut triangle's record of the same edge may have split it already
        if (x.reuse >= 0 || !m.findEdge(x.a, x.b, t, e)) return;
        bool border = m.triangles[t].marked(e) || m.triangles[t].neighbour[e] < 0;
        int v = splitAndList(t, e, x.point.toFloat());
        if (border) m.vertices[v].setPinned(true);
        made.push_back({edgeKey(x.a, x.b), v});
    }

    static uint64_t edgeKey(int a, int b) {
        return uint64_t(uint32_t(std::min(a, b))) << 32 | uint32_t(std::max(a, b));
    }
    // The vertex at an end of a stretch of the line: the one it reused, or the one made at its
    // crossing (-1 when none was).
    int lineVertex(const Crossing& x) const {
        if (x.reuse >= 0) return x.reuse;
        // made is sorted by then
        const auto at = std::lower_bound(made.begin(), made.end(), std::make_pair(edgeKey(x.a, x.b), int32_t(-1)));
        return at != made.end() && at->first == edgeKey(x.a, x.b) ? at->second : -1;
    }

    std::vector<int32_t> cutList;
    std::vector<Crossing> slots[2];
    // the stretches of the line with an end on a reused vertex (the others join made vertices)
    std::vector<std::pair<Crossing, Crossing>> reusedLine;
    // the crossings split so far, by edge
    std::vector<std::pair<uint64_t, int32_t>> made;
};

// The radius of the sphere round centre through rim; 0 when there is none.
double radiusThrough(const vec3& centre, const vec3& rim) {
    double r = (dvec3(centre) - dvec3(rim)).length();
    return std::isfinite(r) ? r : 0.0;
}

// Deletes the listed triangles that are alive and, when asked, have an inside corner; answers them.
// The set is fixed first: a deletion may split a vertex, and the copy is not marked inside.
std::vector<int32_t> deleteListed(Mesh& m, const SphereCut& cut, bool needInside) {
    std::vector<int32_t> doomed;
    for (int32_t t : m.selectedTriangles) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) continue;
        if (needInside && !cut.inside(tri.vertex[0]) && !cut.inside(tri.vertex[1]) && !cut.inside(tri.vertex[2]))
            continue;
        doomed.push_back(t);
    }
    m.deleteTriangles(doomed);
    return doomed;
}

} // namespace

int subdivideArc(const dvec3& a, const dvec3& axis, const dvec3& b, const dvec3& centre, double radius, double maxStep,
                 std::vector<dvec3>& out) {
    dvec3 u = normalize(a - centre), w = normalize(axis), v = normalize(b - centre);
    double theta = std::atan2(dot(v, w), dot(v, u));
    if (theta < 0) theta += kTwoPi;
    if (maxStep >= theta) return 0;
    int n = int(theta / maxStep + 1.0);
    double delta = theta / n;
    for (int i = 0; i <= n; ++i) out.push_back(centre + (u * std::cos(i * delta) + w * std::sin(i * delta)) * radius);
    return n + 1;
}

void Mesh::cutSphere(const vec3& centre, const vec3& rim) {
    SphereCut cut(*this, dvec3(centre), radiusThrough(centre, rim), false);
    if (!cut.runOnMesh()) return;
    cut.markCutLine(nullptr);
    clearSelection();
    cut.renormalCorners();
}

void Mesh::clipSphere(const vec3& centre, const vec3& rim) {
    SphereCut cut(*this, dvec3(centre), radiusThrough(centre, rim), false);
    if (!cut.runOnMesh()) return;
    cut.markCutLine(nullptr);
    // every triangle with an inside corner
    markDirtyTriangles();
    const std::vector<int32_t> deleted = deleteListed(*this, cut, false);
    editing::clearSelectionInParallel(*this);
    cut.renormalCorners(&deleted);
    purgeDeleted(false);
}

void Mesh::cutSpherePatch(const vec3& centre, const vec3& rim, int triangle, bool patch) {
    SphereCut cut(*this, dvec3(centre), radiusThrough(centre, rim), true);
    if (!cut.runOnRegion(rim, triangle, patch)) return;
    cut.markCutLine(&selectedTriangles);
    cut.keepLine();
    clearSelection();
    cut.renormalCorners();
}

void Mesh::clipSpherePatch(const vec3& centre, const vec3& rim, int triangle, bool patch) {
    SphereCut cut(*this, dvec3(centre), radiusThrough(centre, rim), true);
    if (!cut.runOnRegion(rim, triangle, patch)) return;
    cut.markCutLine(nullptr);
    const std::vector<int32_t> deleted = deleteListed(*this, cut, true);
    clearSelection();
    cut.renormalCorners(&deleted);
    purgeDeleted(false);
}

void Mesh::addSubSphere(const vec3& anchor, const vec3& normal, const vec3& rim, bool add, const pbr& material) {
    addSubSpheres({SphereStamp{anchor, normal, rim}}, add, material);
}

void Mesh::addSubSpheres(const std::vector<SphereStamp>& stamps, bool add, const pbr& material) {
    struct Ball {
        dvec3 centre;
        double radius;
        std::vector<int32_t> inside; // as its cut saw them
    };
    std::vector<Ball> balls;
    for (const SphereStamp& stamp : stamps) {
        float s = (add ? 1.0f : -1.0f) * (stamp.anchor - stamp.rim).length() / 3.0f;
        vec3 G = stamp.anchor - stamp.normal * s;
        const double R = radiusThrough(G, stamp.rim);
        SphereCut cut(*this, dvec3(G), R, false);
        if (!cut.runOnMesh()) continue;
        cut.markCutLine(nullptr);
        balls.push_back(Ball{dvec3(G), R, selectedVertices});
        clearSelection();
    }
    if (balls.empty()) return;
    auto pressOnto = [](const Ball& b, dvec3& p) {
        const dvec3 d = p - b.centre;
        const double len = d.length();
        // a vertex right at the centre has no direction to be pushed out along
        if (len > 0) p = b.centre + d * (b.radius / len);
    };
    // Where balls overlap, a vertex goes out to their union's outline along the line from a
    // centre: the centres of the balls it lies in, each weighted by how deep it lies, so that
    // the centre, and with it the result, moves smoothly and keeps the copies' symmetry. A
    // vertex on a rim, which rounding may put just inside, stays where it is.
    auto outOfTheUnion = [&](dvec3& p, int ownBall) {
        dvec3 centre;
        double total = 0;
        for (const Ball& b : balls) {
            const double w = 1 - (p - b.centre).length() / b.radius;
            if (w > 1e-6) {
                centre = centre + b.centre * w;
                total += w;
            }
        }
        if (total > 0)
            centre = centre / total;
        else if (ownBall >= 0)
            centre = balls[size_t(ownBall)].centre;
        else
            return false;
        const dvec3 d = p - centre;
        const double a = dot(d, d);
        if (!(a > 0)) return false;
        // along p + (t - 1) d: out past every ball that holds the point reached so far
        double t = 1;
        for (bool grew = true; grew;) {
            grew = false;
            for (const Ball& b : balls) {
                const dvec3 o = centre - b.centre;
                const double half = dot(d, o), c = dot(o, o) - b.radius * b.radius;
                const double disc = half * half - a * c;
                if (!(disc > 0)) continue;
                const double root = std::sqrt(disc), in = (-half - root) / a, out = (-half + root) / a;
                if (in <= t && out > t) {
                    t = out;
                    grew = true;
                }
            }
        }
        p = centre + d * t;
        return true;
    };
    std::vector<int32_t> own(size_t(vertexCount()), -1);
    for (size_t i = 0; i < balls.size(); ++i)
        for (int32_t v : balls[i].inside) own[size_t(v)] = int32_t(i);
    std::vector<int32_t> candidates;
    if (balls.size() == 1) {
        candidates = balls[0].inside;
    } else {
        for (int v = 0; v < vertexCount(); ++v)
            if (vertices[v].alive()) candidates.push_back(v);
    }
    std::vector<int32_t> ring, ringTriangles;
    for (int32_t v : candidates) {
        MeshVertex& vx = vertices[v];
        dvec3 p(vx.position);
        if (balls.size() == 1)
            pressOnto(balls[0], p);
        else if (!outOfTheUnion(p, own[size_t(v)]))
            continue;
        vx.position = p.toFloat();
        vertexRingPairs(v, ring, ringTriangles);
        // a ring open on a border ends with -1 for the missing triangle
        for (int32_t t : ringTriangles)
            if (t >= 0)
                for (pbr& corner : triangles[t].corner) pbrCopyMasked(corner, material, kPbrAll);
        // the stamped area keeps no border inside its rim
        if (vx.seam() && !vx.open())
            for (int32_t u : ring) setEdgeFlag(v, u, false);
    }
    clearSelection();
    updateNormals(NormalUpdate::All);
}

} // namespace kal
