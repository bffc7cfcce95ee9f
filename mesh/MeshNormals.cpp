// Face and corner normals, their selective updates, and the hard-edge (crease) operations.
// Corner normals are shared inside one fan and split at marked or open edges.
#include <algorithm>
#include <cmath>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"
#include "mesh/MeshWalk.h"

namespace kal {

using namespace meshwalk;

void Mesh::updateFaceNormal(int t) {
    MeshTriangle& tri = triangles[t];
    dvec3 p0(vertices[tri.vertex[0]].position);
    dvec3 e1 = dvec3(vertices[tri.vertex[1]].position) - p0;
    dvec3 e2 = dvec3(vertices[tri.vertex[2]].position) - p0;
    vec3 n = cross(e1, e2).toFloat();
    // a non-finite corner must not spread into the neighbours' corner normals
    tri.faceNormal = isFinite(n) ? normalize(n) : vec3();
}

void Mesh::cornerNormalsOf(int v, bool fromCorners, std::vector<int32_t>& group) {
    walkFans(triangles, v, vertices[v].firstTriangle, walkLimit(), group, [&](const std::vector<int32_t>& g) {
        vec3 sum;
        for (size_t i = 0; i < g.size(); i += 2) {
            const MeshTriangle& tri = triangles[g[i]];
            vec3 n = fromCorners ? tri.cornerNormal[g[i + 1]] : tri.faceNormal;
            if (isFinite(n)) sum += n;
        }
        vec3 normal = normalize(sum);
        for (size_t i = 0; i < g.size(); i += 2) triangles[g[i]].cornerNormal[g[i + 1]] = normal;
    });
}

void Mesh::updateNormals(NormalUpdate which) {
    if (which != NormalUpdate::Corners) {
        parallelFor(triangles.size(), [&](int begin, int end) {
            for (int t = begin; t < end; ++t)
                if (triangles[t].alive()) updateFaceNormal(t);
        });
    }
    if (which != NormalUpdate::Faces) {
        // a vertex's corner normals read only face normals and links: any vertex order will do
        forEachVertexByTriangles<std::vector<int32_t>>(
            vertices, triangles, [&](int v, std::vector<int32_t>& group) { cornerNormalsOf(v, false, group); });
    }
}

void Mesh::updateVertexNormal(int v) {
    std::vector<int32_t> group;
    cornerNormalsOf(v, false, group);
}

void Mesh::updateVertexNormalFromCorners(int v) {
    std::vector<int32_t> group;
    cornerNormalsOf(v, true, group);
}

void Mesh::updateSelectedNormals() {
    // the lists name each record once (their flags see to that), so each entry is its own work;
    // a brush dab's short lists stay on this thread
    parallelFor(int(selectedTriangles.size()), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int32_t t = selectedTriangles[size_t(i)];
            if (triangles[t].alive()) updateFaceNormal(t);
        }
    });
    const int first = std::max(0, triangleCountMark);
    parallelFor(triangles.size() - first, [&](int begin, int end) {
        for (int t = first + begin; t < first + end; ++t)
            if (triangles[t].alive()) updateFaceNormal(t);
    });
    parallelFor(int(selectedVertices.size()), [&](int begin, int end) {
        std::vector<int32_t> group;
        for (int i = begin; i < end; ++i) {
            int32_t v = selectedVertices[size_t(i)];
            if (vertices[v].alive()) cornerNormalsOf(v, false, group);
        }
    });
}

void Mesh::selectTrianglesRoundSelectedVertices(uint32_t skip, bool liveOnly) {
    // the walk reads no flags, so each triangle is taken as it is reached, without a ring list
    for (size_t i = 0; i < selectedVertices.size(); ++i) {
        int32_t v = selectedVertices[i];
        if (!vertices[v].alive()) continue;
        int last, lastCorner;
        walkRing(triangles, v, vertices[v].firstTriangle, walkLimit(), last, lastCorner, [&](int t, int) {
            MeshTriangle& tri = triangles[t];
            if ((liveOnly && !tri.alive()) || (tri.flags & skip)) return;
            tri.flags |= TriangleSelected;
            selectedTriangles.push_back(t);
        });
    }
}

void Mesh::growSelection() {
    size_t before = selectedTriangles.size();
    selectTrianglesRoundSelectedVertices(TriangleSelected | TriangleVisited, false);
    for (size_t i = before; i < selectedTriangles.size(); ++i) {
        const MeshTriangle& tri = triangles[selectedTriangles[i]];
        for (int c = 0; c < 3; ++c) {
            MeshVertex& vx = vertices[tri.vertex[c]];
            if (vx.flags & VertexSelected) continue;
            vx.link = int32_t(selectedVertices.size());
            vx.flags |= VertexSelected;
            selectedVertices.push_back(tri.vertex[c]);
        }
    }
}

void Mesh::updateNewNormals() {
    int nt = triangles.size();
    // the selected flag marks visited vertices; vertices selected before the call are listed apart
    std::vector<int32_t> touched, alreadySelected;
    for (int t = std::max(0, tearTriangleMark); t < nt; ++t) {
        if (!triangles[t].alive()) continue;
        updateFaceNormal(t);
        for (int c = 0; c < 3; ++c) {
            int32_t v = triangles[t].vertex[c];
            MeshVertex& vx = vertices[v];
            if (vx.flags & VertexSelected) {
                alreadySelected.push_back(v);
                continue;
            }
            vx.flags |= VertexSelected;
            touched.push_back(v);
        }
    }
    std::vector<int32_t> group;
    for (int32_t v : touched) {
        cornerNormalsOf(v, false, group);
        vertices[v].flags &= uint8_t(~VertexSelected);
        vertices[v].link = -1;
    }
    std::sort(alreadySelected.begin(), alreadySelected.end());
    alreadySelected.erase(std::unique(alreadySelected.begin(), alreadySelected.end()), alreadySelected.end());
    for (int32_t v : alreadySelected) cornerNormalsOf(v, false, group);
}

void Mesh::markAllSeams() {
    for (int v = 0; v < vertices.size(); ++v) vertices[v].setSeam(true);
    for (int t = 0; t < triangles.size(); ++t) triangles[t].flags |= EdgeMarks;
    updateAllRings();
    updateNormals(NormalUpdate::All);
}

void Mesh::clearAllSeams() {
    for (int v = 0; v < vertices.size(); ++v) vertices[v].setSeam(false);
    for (int t = 0; t < triangles.size(); ++t) triangles[t].flags &= uint8_t(~EdgeMarks);
    updateNormals(NormalUpdate::All);
}

namespace {
float creaseCosine(float degrees) { return float(std::cos(double(degrees) * 3.141592653589793 / 180.0f)); }
} // namespace

void Mesh::markCreasesByAngle(float degrees) {
    float c = creaseCosine(degrees);
    int nt = triangles.size();
    for (int t = 0; t < nt; ++t) {
        if (!triangles[t].alive()) continue;
        for (int k = 0; k < 3; ++k) {
            int n = triangles[t].neighbour[k];
            if (n <= t) continue;
            int m = triangles[n].slotOf(t);
            bool marked = triangles[t].marked(k) || (m >= 0 && triangles[n].marked(m));
            setEdgeMarkBetween(t, n, marked || dot(triangles[t].faceNormal, triangles[n].faceNormal) < c);
        }
    }
    updateAllRings();
    updateNormals(NormalUpdate::All);
}

// With every mark cleared first, only the angle decides.
void Mesh::resetCreasesByAngle(float degrees) {
    clearAllSeams();
    markCreasesByAngle(degrees);
}

void Mesh::blendCornerNormals(int t) {
    MeshTriangle& tri = triangles[t];
    vec3 s = normalize(tri.cornerNormal[0] + tri.cornerNormal[1] + tri.cornerNormal[2]);
    for (vec3& n : tri.cornerNormal) n = normalize(n + s);
}

void Mesh::smoothCornerNormals(int passes) {
    // each step reads and writes only its own triangle's, or its own vertex's, corners
    for (int pass = 0; pass < passes; ++pass) {
        parallelFor(triangles.size(), [&](int begin, int end) {
            for (int t = begin; t < end; ++t)
                if (triangles[t].alive()) blendCornerNormals(t);
        });
        parallelFor(vertices.size(), [&](int begin, int end) {
            std::vector<int32_t> group;
            for (int v = begin; v < end; ++v)
                if (vertices[v].alive()) cornerNormalsOf(v, true, group);
        });
    }
}

void Mesh::transformVertices(const mat4& m) {
    parallelFor(vertices.size(), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            vec3 p = vertices[i].position;
            double w = double(m[12]) * p.x + double(m[13]) * p.y + double(m[14]) * p.z + m[15];
            if (w == 0) continue;
            vec3 q;
            for (int r = 0; r < 3; ++r)
                q[r] = float(
                    (double(m[4 * r]) * p.x + double(m[4 * r + 1]) * p.y + double(m[4 * r + 2]) * p.z + m[4 * r + 3]) /
                    w);
            vertices[i].position = q;
        }
    });
    updateNormals(NormalUpdate::All);
}

} // namespace kal
