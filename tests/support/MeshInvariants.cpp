#include "MeshInvariants.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <unordered_map>

namespace kal::test {

namespace {

struct Report {
    std::ostringstream text;
    int count = 0;
    template <class... Parts>
    void fail(const Parts&... parts) {
        if (++count > 8) return;
        (text << ... << parts);
        text << "\n";
    }
};

uint64_t edgeKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (uint64_t(uint32_t(a)) << 32) | uint32_t(b);
}

// A face normal pointing away from the side its corners wind towards. A zero normal (not yet
// worked out), a thin triangle and one whose corners differ only by rounding have no clear side.
bool facesAgainstWinding(const Mesh& m, const MeshTriangle& tri) {
    dvec3 P[3];
    double reach = 0;
    for (int k = 0; k < 3; ++k) {
        P[k] = dvec3(m.vertices[tri.vertex[k]].position);
        reach = std::max({reach, std::fabs(P[k].x), std::fabs(P[k].y), std::fabs(P[k].z)});
    }
    double size2 = 0;
    for (int k = 0; k < 3; ++k) {
        const dvec3 e = P[(k + 1) % 3] - P[k];
        size2 = std::max(size2, dot(e, e));
    }
    const dvec3 w = cross(P[1] - P[0], P[2] - P[0]);
    const double area = w.length();
    const double rounding = 1e-5 * (1 + reach);
    // a sliver whose height lies within the rounding of its corners has no winding to speak of
    if (!std::isfinite(area) || !(size2 > rounding * rounding) || !(area > 1e-4 * size2) ||
        !(area > rounding * std::sqrt(size2)))
        return false;
    return dot(dvec3(tri.faceNormal), w / area) < -0.5;
}

} // namespace

::testing::AssertionResult meshInvariantsHold(const Mesh& m, const InvariantOptions& options) {
    Report r;
    int nv = m.vertices.size(), nt = m.triangles.size();
    std::vector<int> uses(size_t(nv), 0);
    std::vector<uint8_t> touchesOpenEdge(size_t(nv), 0);
    std::unordered_map<uint64_t, int> edgeUse;

    for (int t = 0; t < nt; ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) {
            if (!options.allowDeadRecords) r.fail("dead triangle ", t, " left after purge");
            continue;
        }
        bool cornersOk = true;
        for (int c = 0; c < 3; ++c) {
            int v = tri.vertex[c];
            if (v < 0 || v >= nv || !m.vertices[v].alive()) {
                r.fail("triangle ", t, " corner ", c, " names vertex ", v, " which is not an alive vertex");
                cornersOk = false;
            }
        }
        if (!cornersOk) continue;
        if (tri.vertex[0] == tri.vertex[1] || tri.vertex[1] == tri.vertex[2] || tri.vertex[0] == tri.vertex[2])
            r.fail("triangle ", t, " repeats a vertex");
        for (int c = 0; c < 3; ++c) ++uses[size_t(tri.vertex[c])];
        if (!isFinite(tri.faceNormal)) r.fail("triangle ", t, " has a non-finite face normal");
        if (options.checkFaceNormals && facesAgainstWinding(m, tri))
            r.fail("triangle ", t, " has a face normal against its winding");
        for (int c = 0; c < 3; ++c)
            if (!isFinite(tri.cornerNormal[c])) r.fail("triangle ", t, " corner ", c, " has a non-finite normal");
        for (int k = 0; k < 3; ++k) {
            int a = tri.vertex[(k + 1) % 3], b = tri.vertex[(k + 2) % 3];
            if (++edgeUse[edgeKey(a, b)] == 3) r.fail("edge ", a, "-", b, " is shared by three alive triangles");
            int n = tri.neighbour[k];
            if (n < 0) {
                touchesOpenEdge[size_t(a)] = touchesOpenEdge[size_t(b)] = 1;
                continue;
            }
            if (n >= nt || !m.triangles[n].alive()) {
                r.fail("triangle ", t, " edge ", k, " links to ", n, " which is not an alive triangle");
                continue;
            }
            const MeshTriangle& other = m.triangles[n];
            int slot = other.slotOf(t);
            if (slot < 0) {
                r.fail("triangle ", t, " links to ", n, " across edge ", k, " but not back");
                continue;
            }
            int oa = other.vertex[(slot + 1) % 3], ob = other.vertex[(slot + 2) % 3];
            bool samePair = (oa == a && ob == b) || (oa == b && ob == a);
            if (!samePair) r.fail("triangles ", t, " and ", n, " link across different vertex pairs");
            if (options.checkWinding && samePair && !(oa == b && ob == a))
                r.fail("triangles ", t, " and ", n, " run their shared edge the same way (inconsistent winding)");
            if (tri.marked(k) != other.marked(slot))
                r.fail("edge mark differs on the two sides of the edge between ", t, " and ", n);
        }
    }

    std::vector<int32_t> ring;
    for (int v = 0; v < nv; ++v) {
        const MeshVertex& vx = m.vertices[v];
        if (!vx.alive()) {
            if (!options.allowDeadRecords) r.fail("dead vertex ", v, " left after purge");
            continue;
        }
        if (!options.allowNonFinitePositions && !isFinite(vx.position)) r.fail("vertex ", v, " is not finite");
        if (vx.pinned() && !vx.seam()) r.fail("vertex ", v, " is pinned but not a seam");
        // a vertex is in the selection list exactly when its link is its position there
        if (vx.link != -1 &&
            (vx.link < 0 || size_t(vx.link) >= m.selectedVertices.size() || m.selectedVertices[vx.link] != v))
            r.fail("vertex ", v, " has link ", vx.link, " but is not there in the selection list");
        if (uses[size_t(v)] == 0) {
            if (vx.firstTriangle != -1) r.fail("vertex ", v, " has no triangle but a walk start");
            continue;
        }
        int s = vx.firstTriangle;
        if (s < 0 || s >= nt || !m.triangles[s].alive() || m.triangles[s].cornerOf(v) < 0) {
            r.fail("vertex ", v, " walk start ", s, " is not an alive triangle holding it");
            continue;
        }
        if (bool(vx.open()) != bool(touchesOpenEdge[size_t(v)]))
            r.fail("vertex ", v, " open flag ", vx.open(), " but open edge ", int(touchesOpenEdge[size_t(v)]));
        if (vx.open() && !vx.seam()) r.fail("open vertex ", v, " is not a seam");
        m.vertexTriangles(v, ring);
        std::vector<int32_t> sorted = ring;
        std::sort(sorted.begin(), sorted.end());
        bool repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
        if (repeats || int(ring.size()) != uses[size_t(v)])
            r.fail("ring walk of vertex ", v, " reaches ", ring.size(), " triangles, ", uses[size_t(v)], " name it");
    }

    for (size_t k = 0; k < m.selectedVertices.size(); ++k) {
        int v = m.selectedVertices[k];
        if (v < 0 || v >= nv || m.vertices[v].link != int(k)) r.fail("selection entry ", k, " is not linked back");
    }

    if (r.count == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << r.count << " mesh invariant(s) broken:\n" << r.text.str();
}

namespace {

// Bit for bit: a sign of zero or a NaN payload that differs is a different result.
template <class T>
bool sameBits(const T& x, const T& y) {
    return std::memcmp(&x, &y, sizeof(T)) == 0;
}

} // namespace

int zeroAreaTriangles(const Mesh& m) {
    int count = 0;
    for (int t = 0; t < m.triangleCount(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) continue;
        // measured as the face normal is made: a cross product the normalisation leaves as it is
        const dvec3 a(m.vertices[tri.vertex[0]].position), b(m.vertices[tri.vertex[1]].position),
            c(m.vertices[tri.vertex[2]].position);
        const vec3 n = cross(b - a, c - a).toFloat();
        if (!(double(n.lengthSquared()) > kNullLengthSquared)) ++count;
    }
    return count;
}

void expectSameRecords(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.vertexCount(), b.vertexCount());
    ASSERT_EQ(a.triangleCount(), b.triangleCount());
    EXPECT_EQ(a.invalid, b.invalid);
    // the first few differing records are enough to tell what went wrong on a large mesh
    int reported = 0;
    auto differs = [&](const char* what, int index) {
        ADD_FAILURE() << what << " of record " << index << " differs";
        return ++reported >= 8;
    };
    for (int v = 0; v < a.vertexCount(); ++v) {
        const MeshVertex &x = a.vertices[v], &y = b.vertices[v];
        if (!sameBits(x.position, y.position) && differs("vertex position", v)) return;
        if (x.firstTriangle != y.firstTriangle && differs("vertex walk start", v)) return;
        if (x.flags != y.flags && differs("vertex flags", v)) return;
    }
    for (int t = 0; t < a.triangleCount(); ++t) {
        const MeshTriangle &x = a.triangles[t], &y = b.triangles[t];
        if (x.flags != y.flags && differs("triangle flags", t)) return;
        if (!sameBits(x.faceNormal, y.faceNormal) && differs("face normal", t)) return;
        if (!sameBits(x.vertex, y.vertex) && differs("triangle corners", t)) return;
        if (!sameBits(x.neighbour, y.neighbour) && differs("triangle links", t)) return;
        if (!sameBits(x.cornerNormal, y.cornerNormal) && differs("corner normals", t)) return;
        if (!sameBits(x.corner, y.corner) && differs("corner materials", t)) return;
    }
}

void expectSameCornerArrays(const MeshCornerArrays& a, const MeshCornerArrays& b) {
    EXPECT_EQ(a.positions, b.positions);
    EXPECT_EQ(a.normals, b.normals);
    EXPECT_EQ(a.colours, b.colours);
    EXPECT_EQ(a.lights, b.lights);
    EXPECT_EQ(a.materials, b.materials);
    EXPECT_EQ(a.ids, b.ids);
    EXPECT_EQ(a.lines, b.lines);
    EXPECT_EQ(a.segments, b.segments);
}

} // namespace kal::test
