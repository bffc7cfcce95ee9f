#include "MeshFixtures.h"

#include <algorithm>
#include <cmath>

namespace kal::test {

int addTri(Mesh& m, int a, int b, int c, int marks) {
    pbr material;
    return m.addTriangle(
        MeshTriangle(a, b, c, -1, -1, -1, marks & 1, marks & 2, marks & 4, material, material, material));
}

Mesh rebuilt(Mesh m, Recenter mode) {
    m.rebuild(mode);
    return m;
}

Mesh triangleMesh(vec3 a, vec3 b, vec3 c) {
    Mesh m;
    m.addVertex(a);
    m.addVertex(b);
    m.addVertex(c);
    addTri(m, 0, 1, 2);
    return rebuilt(m);
}

Mesh quadMesh() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(1, 1, 0));
    m.addVertex(vec3(0, 1, 0));
    addTri(m, 0, 1, 2);
    addTri(m, 0, 2, 3);
    return m;
}

Mesh octahedronMesh() {
    Mesh m;
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(-1, 0, 0));
    m.addVertex(vec3(0, 1, 0));
    m.addVertex(vec3(0, -1, 0));
    m.addVertex(vec3(0, 0, 1));
    m.addVertex(vec3(0, 0, -1));
    const int faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (const auto& f : faces) addTri(m, f[0], f[1], f[2]);
    return m;
}

Mesh cubeMesh(bool borders) {
    Mesh m;
    // with borders every corner lies on marked edges, so it is a seam vertex
    for (int i = 0; i < 8; ++i)
        m.addVertex(i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, i & 4 ? 1.f : -1.f, -1, borders, false);
    // each face as a quad a b c d, counter-clockwise seen from outside
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        // triangles (a, b, c) and (a, c, d): the diagonal a-c is edge 1 of the first and edge 2 of the second
        int first = borders ? (1 | 4) : 0, second = borders ? (1 | 2) : 0;
        addTri(m, q[0], q[1], q[2], first);
        addTri(m, q[0], q[2], q[3], second);
    }
    return m;
}

Mesh gridMesh(int n) {
    Mesh m;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) m.addVertex(vec3(float(x), float(y), 0));
    auto id = [n](int x, int y) { return y * (n + 1) + x; };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            addTri(m, id(x, y), id(x + 1, y), id(x + 1, y + 1));
            addTri(m, id(x, y), id(x + 1, y + 1), id(x, y + 1));
        }
    return m;
}

Mesh uvSphereMesh(int rings, int segments) {
    Mesh m;
    const double pi = 3.141592653589793;
    int north = m.addVertex(vec3(0, 0, 1));
    for (int r = 1; r < rings; ++r) {
        double theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            double phi = 2 * pi * s / segments;
            m.addVertex(vec3(float(std::sin(theta) * std::cos(phi)), float(std::sin(theta) * std::sin(phi)),
                             float(std::cos(theta))));
        }
    }
    int south = m.addVertex(vec3(0, 0, -1));
    auto ring = [segments](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s) addTri(m, north, ring(1, s), ring(1, s + 1));
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s) {
            addTri(m, ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
            addTri(m, ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
        }
    for (int s = 0; s < segments; ++s) addTri(m, south, ring(rings - 1, s + 1), ring(rings - 1, s));
    return m;
}

Mesh bowTieMesh() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, -0.5f, 0));
    m.addVertex(vec3(1, 0.5f, 0));
    m.addVertex(vec3(-1, 0.5f, 0));
    m.addVertex(vec3(-1, -0.5f, 0));
    addTri(m, 0, 1, 2);
    addTri(m, 0, 3, 4);
    return m;
}

Mesh threeOnEdgeMesh() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0.5f, 1, 0));
    m.addVertex(vec3(0.5f, -1, 0));
    m.addVertex(vec3(0.5f, 0, 1));
    addTri(m, 0, 1, 2);
    addTri(m, 1, 0, 3);
    addTri(m, 0, 1, 4);
    return m;
}

Mesh hexagonFanMesh() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    for (int i = 0; i < 6; ++i) {
        double a = 3.141592653589793 * i / 3;
        m.addVertex(vec3(float(std::cos(a)), float(std::sin(a)), 0));
    }
    for (int i = 0; i < 6; ++i) addTri(m, 0, 1 + i, 1 + (i + 1) % 6);
    return m;
}

Mesh awkwardGrid() {
    Mesh m = rebuilt(gridMesh(4));
    for (int x = 0; x < 3; ++x) m.setEdgeFlag(5 + x, 6 + x, true);
    std::swap(m.triangles[6].vertex[0], m.triangles[6].vertex[1]); // wound the other way
    m.triangles[11].flags &= uint8_t(~TriangleAlive);
    m.vertices[7].position.z = 0.75f;
    m.vertices[12].position.z = -0.5f;
    return m;
}

Mesh tiledCopies(const Mesh& m, int records) {
    const int nv = m.vertexCount(), nt = m.triangleCount(), fewer = std::max(1, std::min(nv, nt));
    const int copies = std::max(1, (records + fewer - 1) / fewer);
    float lo = 0, hi = 0;
    for (int v = 0; v < nv; ++v)
        if (std::isfinite(m.vertices[v].position.x)) {
            lo = std::min(lo, m.vertices[v].position.x);
            hi = std::max(hi, m.vertices[v].position.x);
        }
    const float step = hi - lo + 1;
    Mesh out = m;
    for (int c = 1; c < copies; ++c) {
        for (int v = 0; v < nv; ++v) {
            MeshVertex x = m.vertices[v];
            x.position.x += float(c) * step;
            if (x.firstTriangle >= 0) x.firstTriangle += c * nt;
            out.vertices.push(x);
        }
        for (int t = 0; t < nt; ++t) {
            MeshTriangle x = m.triangles[t];
            for (int32_t& v : x.vertex)
                if (v >= 0) v += c * nv;
            for (int32_t& n : x.neighbour)
                if (n >= 0) n += c * nt;
            out.triangles.push(x);
        }
    }
    return out;
}

std::vector<vec3> markedEdgeMiddles(const Mesh& m) {
    std::vector<vec3> out;
    for (int t = 0; t < m.triangleCount(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        for (int k = 0; k < 3; ++k)
            if (tri.alive() && tri.marked(k) && tri.neighbour[k] > t)
                out.push_back((m.vertices[tri.vertex[(k + 1) % 3]].position +
                               m.vertices[tri.vertex[(k + 2) % 3]].position) *
                              0.5f);
    }
    return out;
}

} // namespace kal::test
