// Tiles of the pattern brushes: small meshes drawn inside the reference triangle, with their
// inner vertices pinned so smoothing keeps the pattern in place.
#include <memory>

#include "mesh/Mesh.h"

namespace kal {

namespace {

// The reference corners, then the inner points at the given barycentric weights.
std::unique_ptr<Mesh> startTile(const vec3* weights, int count, bool pinned) {
    std::unique_ptr<Mesh> reference(Mesh::createTriangle());
    auto tile = std::make_unique<Mesh>();
    for (int c = 0; c < 3; ++c) tile->addVertex(reference->vertices[c].position);
    for (int i = 0; i < count; ++i) tile->addVertex(reference->triangleLocal(0, weights[i]), pinned);
    return tile;
}

void addQuads(Mesh& m, const int (*quads)[4], int count) {
    for (int i = 0; i < count; ++i)
        m.addPolygon({quads[i][0], quads[i][1], quads[i][2], quads[i][3]}, {true, false, true, false});
}

// The filled centre of a tile: every triangle from first on gets the tile colour.
void colourFrom(Mesh& m, int first) {
    pbr colour;
    colour.red = 0;
    colour.green = 34952;
    colour.blue = 65535;
    for (int t = first; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) pbrCopyMasked(m.triangles[t].corner[c], colour, kPbrColor);
}

} // namespace

Mesh* Mesh::createPatternTile(float a, bool open) {
    float c = (2 * a + 1) / 3, b = (1 - c) / 2;
    const vec3 weights[3] = {vec3(c, b, b), vec3(b, c, b), vec3(b, b, c)};
    std::unique_ptr<Mesh> m = startTile(weights, 3, true);
    const int quads[3][4] = {{0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
    addQuads(*m, quads, 3);
    if (!open) {
        int first = m->triangleCount();
        m->addTriangle(3u, 4u, 5u, true, true, true);
        colourFrom(*m, first);
    }
    m->rebuild(Recenter::Keep);
    return m.release();
}

Mesh* Mesh::createPatternTile2(float a, bool open) {
    float c = (1 - a) / 3, b = (1 - c) / 2;
    const vec3 weights[3] = {vec3(c, b, b), vec3(b, c, b), vec3(b, b, c)};
    std::unique_ptr<Mesh> m = startTile(weights, 3, true);
    m->addTriangle(0u, 1u, 5u, true, true, true);
    m->addTriangle(1u, 2u, 3u, true, true, true);
    m->addTriangle(2u, 0u, 4u, true, true, true);
    if (!open) {
        int first = m->triangleCount();
        m->addTriangle(0u, 5u, 4u, false, true, true);
        m->addTriangle(1u, 3u, 5u, false, true, true);
        m->addTriangle(2u, 4u, 3u, false, true, true);
        m->addTriangle(3u, 4u, 5u, false, false, false);
        colourFrom(*m, first);
    }
    m->rebuild(Recenter::Keep);
    return m.release();
}

Mesh* Mesh::createPatternTile3(float a, bool open) {
    float c1 = (a + 1) / 3, c2 = (1 - a) / 3, c3 = 1 - c1 - c2;
    const vec3 weights[6] = {vec3(c1, c2, c3), vec3(c1, c3, c2), vec3(c3, c1, c2),
                             vec3(c2, c1, c3), vec3(c2, c3, c1), vec3(c3, c2, c1)};
    std::unique_ptr<Mesh> m = startTile(weights, 6, true);
    const int quads[3][4] = {{0, 1, 5, 4}, {1, 2, 7, 6}, {2, 0, 3, 8}};
    addQuads(*m, quads, 3);
    m->addTriangle(0u, 4u, 3u, true, false, false);
    m->addTriangle(1u, 6u, 5u, true, false, false);
    m->addTriangle(2u, 8u, 7u, true, false, false);
    if (!open) {
        int first = m->triangleCount();
        m->addPolygon({3, 4, 5, 6, 7, 8}, std::vector<bool>(6, true));
        colourFrom(*m, first);
    }
    m->rebuild(Recenter::Keep);
    return m.release();
}

Mesh* Mesh::createPatternTile4(float a) {
    float c = (2 * a + 1) / 3, b = (1 - c) / 2;
    const vec3 weights[1] = {vec3(c, b, b)};
    std::unique_ptr<Mesh> m = startTile(weights, 1, false);
    m->addTriangle(0u, 1u, 3u, false, false, false);
    m->addTriangle(1u, 2u, 3u, false, false, false);
    m->addTriangle(2u, 0u, 3u, false, false, false);
    m->rebuild(Recenter::Keep);
    m->markAllSeams();
    return m.release();
}

} // namespace kal
