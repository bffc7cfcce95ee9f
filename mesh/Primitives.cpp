// Appending triangles and fanned polygons, and the standard solids built from them.
#include "mesh/Primitives.h"

#include "mesh/Mesh.h"

#include <cmath>

#include "foundation/Mat.h"

namespace kal {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool markAt(const std::vector<bool>& marks, size_t i) { return i < marks.size() && marks[i]; }

// The default vertex of a solid: walk start 0, seam, not pinned (flags 0x09).
void addSolidVertices(Mesh& m, const float (*points)[3], int count) {
    for (int i = 0; i < count; ++i) m.addVertex(points[i][0], points[i][1], points[i][2], 0, true, false);
}

void addMarkedPolygons(Mesh& m, const int* corners, int sides, int count) {
    std::vector<int32_t> polygon(static_cast<size_t>(sides));
    std::vector<bool> marks(static_cast<size_t>(sides), true);
    for (int f = 0; f < count; ++f) {
        for (int k = 0; k < sides; ++k) polygon[size_t(k)] = corners[f * sides + k];
        m.addPolygon(polygon, marks);
    }
}

void addMarkedTriangles(Mesh& m, const int (*tris)[3], int count, bool marked) {
    for (int i = 0; i < count; ++i)
        m.addTriangle(uint32_t(tris[i][0]), uint32_t(tris[i][1]), uint32_t(tris[i][2]), marked, marked, marked);
}

} // namespace

int Mesh::addTriangle(uint32_t a, uint32_t b, uint32_t c, bool mark0, bool mark1, bool mark2) {
    return addTriangle(a, b, c, -1, -1, -1, mark0, mark1, mark2);
}

int Mesh::addTriangle(uint32_t a, uint32_t b, uint32_t c, int32_t nb0, int32_t nb1, int32_t nb2, bool mark0, bool mark1,
                      bool mark2) {
    pbr material;
    return triangles.push(MeshTriangle(int32_t(a), int32_t(b), int32_t(c), nb0, nb1, nb2, mark0, mark1, mark2, material,
                                       material, material));
}

void Mesh::addPolygon(const std::vector<int32_t>& p, const std::vector<bool>& marks) {
    size_t n = p.size();
    if (n < 3) return;
    for (size_t k = 1; k + 1 < n; ++k) {
        bool edge1 = k == n - 2 && markAt(marks, n - 1);
        bool edge2 = k == 1 && markAt(marks, 0);
        addTriangle(uint32_t(p[0]), uint32_t(p[k]), uint32_t(p[k + 1]), markAt(marks, k), edge1, edge2);
    }
}

void Mesh::addPolygon(const std::vector<int32_t>& p) { addPolygon(p, std::vector<bool>()); }

Mesh* Mesh::createTriangle() {
    auto* m = new Mesh();
    const float points[3][3] = {{0, 1, 0}, {-0.8660254f, -0.5f, 0}, {0.8660254f, -0.5f, 0}};
    addSolidVertices(*m, points, 3);
    m->addTriangle(0, 1, 2, true, true, true);
    m->rebuild(Recenter::Keep);
    return m;
}

Mesh* Mesh::createTetrahedron() {
    auto* m = new Mesh();
    const float points[4][3] = {{0, 0, 0}, {1, 0, 0}, {0.5f, 0.8660254f, 0}, {0.5f, 0.28867513f, 0.70710677f}};
    const int tris[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    addSolidVertices(*m, points, 4);
    addMarkedTriangles(*m, tris, 4, true);
    m->rebuild(Recenter::Mean);
    return m;
}

Mesh* Mesh::createOctahedron() {
    auto* m = new Mesh();
    const float points[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const int tris[8][3] = {{0, 4, 3}, {0, 5, 2}, {1, 4, 2}, {1, 5, 3}, {2, 4, 0}, {2, 5, 1}, {3, 4, 1}, {3, 5, 0}};
    addSolidVertices(*m, points, 6);
    addMarkedTriangles(*m, tris, 8, true);
    m->rebuild(Recenter::Mean);
    return m;
}

Mesh* Mesh::createCube() {
    auto* m = new Mesh();
    const float points[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const int quads[6 * 4] = {3, 2, 1, 0, 4, 5, 6, 7, 0, 1, 5, 4, 2, 3, 7, 6, 0, 4, 7, 3, 1, 2, 6, 5};
    addSolidVertices(*m, points, 8);
    addMarkedPolygons(*m, quads, 4, 6);
    m->rebuild(Recenter::Box);
    return m;
}

Mesh* Mesh::createColouredCube() {
    Mesh* m = createCube();
    const pbr red = [] {
        pbr p;
        p.green = p.blue = 0;
        return p;
    }();
    const pbr green = [] {
        pbr p;
        p.red = p.blue = 0;
        return p;
    }();
    const pbr blue = [] {
        pbr p;
        p.red = p.green = 0;
        return p;
    }();
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c) {
            pbrCopyMasked(m->triangles[i].corner[c], red, kPbrColor);
            pbrCopyMasked(m->triangles[i + 4].corner[c], green, kPbrColor);
            pbrCopyMasked(m->triangles[i + 8].corner[c], blue, kPbrColor);
        }
    return m;
}

Mesh* Mesh::createDodecahedron() {
    auto* m = new Mesh();
    const float a = float((std::sqrt(5.0) - 1.0) / 2.0), b = float((std::sqrt(5.0) + 1.0) / 2.0);
    const float points[20][3] = {{-a, 0, b}, {a, 0, b},   {-1, -1, -1}, {-1, -1, 1}, {-1, 1, -1},
                                 {-1, 1, 1}, {1, -1, -1}, {1, -1, 1},   {1, 1, -1},  {1, 1, 1},
                                 {b, a, 0},  {b, -a, 0},  {-b, a, 0},   {-b, -a, 0}, {-a, 0, -b},
                                 {a, 0, -b}, {0, b, a},   {0, b, -a},   {0, -b, a},  {0, -b, -a}};
    const int pentagons[12 * 5] = {0,  3,  18, 7,  1,  0,  5,  12, 13, 3,  1,  9,  16, 5,  0, 2,  19, 18, 3,  13,
                                   4,  17, 8,  15, 14, 6,  15, 8,  10, 11, 7,  11, 10, 9,  1, 8,  17, 16, 9,  10,
                                   11, 7,  18, 19, 6,  12, 5,  16, 17, 4,  13, 12, 4,  14, 2, 14, 15, 6,  19, 2};
    addSolidVertices(*m, points, 20);
    addMarkedPolygons(*m, pentagons, 5, 12);
    m->rebuild(Recenter::Mean);
    return m;
}

Mesh* Mesh::createIcosahedron() {
    auto* m = new Mesh();
    const float p = 1.05146f, q = 1.7013f;
    const float points[12][3] = {{-p, 0, q}, {p, 0, q},   {-p, 0, -q}, {p, 0, -q}, {0, q, p},  {0, q, -p},
                                 {0, -q, p}, {0, -q, -p}, {q, p, 0},   {-q, p, 0}, {q, -p, 0}, {-q, -p, 0}};
    const int tris[20][3] = {{0, 6, 1},  {0, 11, 6}, {1, 4, 0},  {1, 8, 4},  {1, 10, 8}, {2, 5, 3}, {2, 9, 5},
                             {2, 11, 9}, {3, 7, 2},  {3, 10, 7}, {4, 8, 5},  {4, 9, 0},  {5, 8, 3}, {5, 9, 4},
                             {6, 10, 1}, {6, 11, 7}, {7, 10, 6}, {7, 11, 2}, {8, 10, 3}, {9, 11, 0}};
    for (const auto& v : points) m->addVertex(v[0], v[1], v[2], -1, false, false);
    addMarkedTriangles(*m, tris, 20, false);
    m->rebuild(Recenter::Mean);
    m->markAllSeams();
    return m;
}

Mesh* Mesh::createCylinder(int segments, bool hardSides) {
    auto* m = new Mesh();
    int n = segments > 0 ? segments : 0;
    float step = float(2.0 * kPi / double(n > 0 ? n : 1));
    for (int z = -1; z <= 1; z += 2)
        for (int i = 0; i < n; ++i) {
            double angle = double(float(i) * step);
            m->addVertex(float(std::cos(angle)), float(std::sin(angle)), float(z), -1, true, false);
        }
    uint32_t c0 = uint32_t(m->addVertex(0, 0, -1, -1, false, false));
    uint32_t c1 = uint32_t(m->addVertex(0, 0, 1, -1, false, false));
    // wound counter-clockwise seen from outside like every other solid, so normals face out
    std::vector<bool> marks = {true, hardSides, true, hardSides};
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        m->addPolygon({i, j, n + j, n + i}, marks);
    }
    for (int i = 0; i < n; ++i) m->addTriangle(c0, uint32_t((i + 1) % n), uint32_t(i), true, false, false);
    for (int i = 0; i < n; ++i) m->addTriangle(c1, uint32_t(n + i), uint32_t(n + (i + 1) % n), true, false, false);
    m->rebuild(Recenter::Keep);
    return m;
}

Mesh* Mesh::createCapsule(int levels, bool hard) {
    Mesh shell;
    const float points[8][3] = {{-1, -1, 0},    {1, -1, 0},    {1, 1, 0},    {-1, 1, 0},
                                {-1, -1, 1.5f}, {1, -1, 1.5f}, {1, 1, 1.5f}, {-1, 1, 1.5f}};
    const int quads[5 * 4] = {4, 5, 6, 7, 0, 1, 5, 4, 2, 3, 7, 6, 0, 4, 7, 3, 1, 2, 6, 5};
    addSolidVertices(shell, points, 8);
    addMarkedPolygons(shell, quads, 4, 5);
    shell.rebuild(Recenter::Keep);
    for (int i = 0; i < levels; ++i) shell.subdivide(false);
    shell.projectToSphere();
    if (!hard) shell.clearAllSeams();
    int domeCount = shell.vertexCount();
    shell.scale = 0.5f;

    mat4 flip = mat4::fromMat3(mat3::rotationAxisAngle(normalize(vec3(-1, -1, 0)), float(kPi)));
    flip *= mat4::translationXYZ(0, 0, -1);
    Mesh lower, upper, joined, lowerCopy;
    transformMesh(lower, shell, flip);
    transformMesh(upper, shell, mat4::translationXYZ(0, 0, 1));
    transformMesh(joined, upper, mat4());
    transformMesh(lowerCopy, lower, mat4());
    joined.append(&lowerCopy);
    joined.rebuild(Recenter::Keep);

    std::vector<int32_t> rim1, rim2;
    joined.boundaryLoop(0, rim1);
    joined.boundaryLoop(domeCount, rim2);
    int m = int(rim2.size());
    // both rims come from one shell, so they match; anything else would pair the wrong vertices
    if (m >= 3 && int(rim1.size()) == m) {
        for (int i = 0; i < m; ++i) {
            int32_t facing = rim2[size_t(m - 1 - i)], after = rim2[size_t((m - i) % m)];
            bool r1 = hard && joined.vertices[facing].pinned();
            bool r3 = hard && joined.vertices[rim1[size_t(i)]].pinned();
            joined.addPolygon({rim1[size_t(i)], rim1[size_t((i + 1) % m)], facing, after}, {false, r1, false, r3});
        }
        joined.rebuild(Recenter::Keep);
        for (int i = 0; i < m; ++i) {
            joined.setEdgeFlag(rim1[size_t(i)], rim1[size_t((i + 1) % m)], true);
            joined.setEdgeFlag(rim2[size_t(i)], rim2[size_t((i + 1) % m)], true);
        }
    }
    return new Mesh(joined);
}

namespace {

// Never freed by a static destructor: by then the GL context that owns its buffers is gone.
Mesh* sharedCube = nullptr;

} // namespace

Mesh* colouredCube() {
    // built on first use rather than during static initialisation, whose order across files is unknown
    if (!sharedCube) sharedCube = Mesh::createColouredCube();
    return sharedCube;
}

void releaseColouredCube() {
    delete sharedCube;
    sharedCube = nullptr;
}

} // namespace kal
