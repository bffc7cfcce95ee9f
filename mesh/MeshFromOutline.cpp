// A mesh from a closed 2D outline in z = 0: a sheet, or a closed solid whose back is a mirrored
// or flattened copy of the front, joined to it by a wall along the rim.
#include "foundation/Triangulation.h"
#include "gpu/OutlineDepthField.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// The flat front: the quality triangulation of the outline, its points pinned where flagged.
bool buildFlatFront(Mesh& m, const Outline& outline, bool steinerOnRim) {
    std::vector<vec2> points;
    std::vector<bool> flags;
    std::vector<int> tris;
    if (!triangulateOutline(outline, points, flags, tris, steinerOnRim)) return false;
    for (size_t i = 0; i < points.size(); ++i) {
        int v = m.addVertex(vec3(points[i].x, points[i].y, 0.0f));
        m.vertices[v].setPinned(i < flags.size() && flags[i]);
    }
    for (size_t i = 0; i + 2 < tris.size(); i += 3)
        m.addTriangle(uint32_t(tris[i]), uint32_t(tris[i + 1]), uint32_t(tris[i + 2]), false, false, false);
    return true;
}

// A raised front: the depth-field grid of the outline, lifted by profile variant `variant`.
bool buildRaisedFront(Mesh& m, const Outline& outline, uint8_t variant) {
    std::vector<vec3> points;
    std::vector<bool> flags;
    std::vector<int> tris;
    if (!outlineDepthField(outline, points, flags, tris, variant, 128.0f)) return false;
    for (const vec3& p : points) m.addVertex(p);
    for (size_t i = 0; i + 2 < tris.size(); i += 3)
        m.addTriangle(uint32_t(tris[i]), uint32_t(tris[i + 1]), uint32_t(tris[i + 2]), false, false, false);
    return true;
}

// The back copy of every front vertex; profiles 0 and 1 get a uniform front height first.
void addBackVertices(Mesh& m, int count, uint8_t profile, uint8_t thickness) {
    bool uniform = profile == 0 || profile == 1;
    float height = float(double(m.scale) / 20.0);
    for (int j = 0; j < count; ++j) {
        // the stores never move records, so `front` survives the append below
        MeshVertex& front = m.vertices[j];
        front.flags &= uint8_t(~VertexOpen);
        if (uniform)
            front.position.z = height;
        else if (profile == 3)
            front.setSeam(false);
        vec3 p = front.position;
        int b = m.addVertex(vec3(p.x, p.y, thickness == 1 ? -p.z : 0.0f));
        if (!uniform) continue;
        MeshVertex& back = m.vertices[b];
        back.flags = front.flags;
        if (front.pinned())
            back.setPinned(front.seam());
        else
            back.setSeam(front.seam());
    }
}

// Back triangles facing the other way, and a wall quad on every rim edge of the front.
void addBackAndWall(Mesh& m, int n, int count, uint8_t profile) {
    for (int i = 0; i < count; ++i) {
        const MeshTriangle front = m.triangles[i];
        bool backMark[3] = {false, false, false};
        for (int k = 0; k < 3; ++k)
            if ((profile == 0 || profile == 1) && front.neighbour[k] < 0) backMark[2 - k] = true;
        int a = front.vertex[0], b = front.vertex[1], c = front.vertex[2];
        m.addTriangle(uint32_t(c + n), uint32_t(b + n), uint32_t(a + n), backMark[0], backMark[1], backMark[2]);
        for (int k = 0; k < 3; ++k) {
            if (front.neighbour[k] >= 0) continue;
            int p = front.vertex[(k + 1) % 3], q = front.vertex[(k + 2) % 3];
            std::vector<int32_t> quad = {q, p, p + n, q + n};
            if (profile == 0 || profile == 1) {
                m.addPolygon(quad, {true, m.vertices[p].pinned(), true, m.vertices[q].pinned()});
            } else if (profile == 3) {
                m.triangles[i].flags &= uint8_t(~(1 << k));
                m.addPolygon(quad);
            } else {
                m.addPolygon(quad, {true, false, false, false});
            }
        }
    }
}

} // namespace

Mesh Mesh::fromOutline(const Outline& outline, bool steinerOnRim, uint8_t profile, uint8_t thickness) {
    Mesh m;
    bool built =
        profile == 0 ? buildFlatFront(m, outline, steinerOnRim) : buildRaisedFront(m, outline, uint8_t(profile - 1));
    if (!built) return m;
    m.rebuild(Recenter::Box);
    if (thickness == 0) return m;

    for (int t = 0; t < m.triangleCount(); ++t) {
        MeshTriangle& tri = m.triangles[t];
        for (int k = 0; k < 3; ++k) {
            if (tri.neighbour[k] < 0)
                tri.flags |= uint8_t(1 << k);
            else
                tri.flags &= uint8_t(~(1 << k));
        }
    }
    m.rebuild(Recenter::Keep);
    int n = m.vertexCount(), count = m.triangleCount();
    addBackVertices(m, n, profile, thickness);
    addBackAndWall(m, n, count, profile);
    m.rebuild(Recenter::Box);
    m.relax(true, true);
    return m;
}

} // namespace kal
