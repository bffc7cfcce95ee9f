// OBJ export of one mesh: plain geometry with one normal per fan, and the object group of the
// scene export with its texel cells. Text is built in memory with locale-free number formatting
// and written in one atomic step.
#include <QImage>
#include <algorithm>

#include "mesh/Mesh.h"
#include "scene/ObjText.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

bool usable(vec3 n) { return isFinite(n) && n.lengthSquared() > kNullLengthSquared; }

// Readers divide by a normal's length, so none is ever written null; this axis is the last resort.
const vec3 lastResortNormal(0, 0, 1);

// A unit normal for the fan of v starting at triangle start, whose own corner has none: the other
// corners of v in that fan, then the faces of the fan, then the same over every fan of v.
vec3 standInNormal(const Mesh& mesh, int v, int start) {
    std::vector<int32_t> tris;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0)
            mesh.vertexTrianglesFrom(v, start, tris);
        else
            mesh.vertexTriangles(v, tris);
        vec3 corners, faces;
        for (int32_t t : tris) {
            if (t < 0 || t >= mesh.triangleCount()) continue;
            const MeshTriangle& tri = mesh.triangles[t];
            const int c = tri.cornerOf(v);
            if (c >= 0 && usable(tri.cornerNormal[c])) corners += normalize(tri.cornerNormal[c]);
            bool known = true;
            for (int32_t w : tri.vertex) known = known && w >= 0 && w < mesh.vertexCount();
            if (!known) continue;
            const vec3 a = mesh.vertices[tri.vertex[0]].position;
            const vec3 f = cross(mesh.vertices[tri.vertex[1]].position - a, mesh.vertices[tri.vertex[2]].position - a);
            if (isFinite(f)) faces += f;
        }
        if (usable(corners)) return normalize(corners);
        if (usable(faces)) return normalize(faces);
    }
    return lastResortNormal;
}

// The fans of every vertex in vertex order: fans[first[v] .. first[v + 1]) are v's start triangles.
struct FanTable {
    std::vector<int32_t> first;
    std::vector<int32_t> fans;

    explicit FanTable(const Mesh& mesh) {
        const int n = mesh.vertexCount();
        first.reserve(size_t(n) + 1);
        std::vector<int32_t> tris;
        for (int v = 0; v < n; ++v) {
            first.push_back(int32_t(fans.size()));
            const MeshVertex& vertex = mesh.vertices[v];
            // a vertex without a triangle has no fan to give a normal
            if (!vertex.alive() || vertex.firstTriangle < 0 || vertex.firstTriangle >= mesh.triangleCount()) continue;
            mesh.vertexFans(v, tris);
            for (int32_t t : tris)
                if (t >= 0 && t < mesh.triangleCount()) fans.push_back(t);
        }
        first.push_back(int32_t(fans.size()));
    }

    int count() const { return int(fans.size()); }

    // Never a null normal: a corner that has none (a fan of triangles without area) takes one from
    // its neighbours.
    vec3 normal(const Mesh& mesh, int v, int k) const {
        const MeshTriangle& t = mesh.triangles[fans[size_t(k)]];
        int c = t.cornerOf(v);
        if (c >= 0 && usable(t.cornerNormal[c])) return t.cornerNormal[c];
        return standInNormal(mesh, v, fans[size_t(k)]);
    }

    // The number (from 0) of the fan of v that holds triangle t.
    int numberOf(const Mesh& mesh, int v, int t) const {
        int b = first[size_t(v)], e = first[size_t(v) + 1];
        if (b == e) return std::max(0, b - 1);
        int start = mesh.fanStart(v, t);
        for (int k = b; k < e; ++k)
            if (fans[size_t(k)] == start) return k;
        return b;
    }
};

void appendVec(std::string& s, const char* prefix, vec3 v) {
    s += prefix;
    appendNumber(s, v.x);
    s += ' ';
    appendNumber(s, v.y);
    s += ' ';
    appendNumber(s, v.z);
    s += '\n';
}

void appendCounts(std::string& s, int vertices, int faces) {
    s += "# ";
    appendNumber(s, vertices);
    s += " vertices, ";
    appendNumber(s, faces);
    s += " faces\n";
}

uint8_t hi(uint16_t x) { return uint8_t(x >> 8); }
uint8_t signedByte(int16_t x) { return uint8_t(((int(x) + 32766) >> 8) & 255); }

void paintTexel(QImage& base, QImage& emission, QImage& metal, QImage& rough, int x, int y, const pbr& p) {
    uint8_t* b = base.scanLine(y) + 4 * x;
    b[0] = hi(p.red), b[1] = hi(p.green), b[2] = hi(p.blue), b[3] = hi(p.opacity);
    // emission has no alpha channel in its format; refractivity has nowhere to go
    uint8_t* e = emission.scanLine(y) + 3 * x;
    e[0] = hi(p.lightRed), e[1] = hi(p.lightGreen), e[2] = hi(p.lightBlue);
    uint8_t m = signedByte(p.metalness), r = signedByte(p.roughness);
    uint8_t* mp = metal.scanLine(y) + 3 * x;
    mp[0] = mp[1] = mp[2] = m;
    uint8_t* rp = rough.scanLine(y) + 3 * x;
    rp[0] = rp[1] = rp[2] = r;
}

// Transpose of the inverse of the upper 3 x 3, i.e. the cofactor matrix over the determinant;
// a singular matrix keeps the cofactors so that no normal turns into NaN.
mat3 normalMatrix(const mat4& M, float& determinant) {
    mat3 a = M.upper3();
    const float* m = a.m;
    mat3 c;
    c.m[0] = m[4] * m[8] - m[5] * m[7];
    c.m[1] = m[5] * m[6] - m[3] * m[8];
    c.m[2] = m[3] * m[7] - m[4] * m[6];
    c.m[3] = m[2] * m[7] - m[1] * m[8];
    c.m[4] = m[0] * m[8] - m[2] * m[6];
    c.m[5] = m[1] * m[6] - m[0] * m[7];
    c.m[6] = m[1] * m[5] - m[2] * m[4];
    c.m[7] = m[2] * m[3] - m[0] * m[5];
    c.m[8] = m[0] * m[4] - m[1] * m[3];
    float d = det(a);
    if (d != 0.0f && std::isfinite(d))
        for (float& x : c.m) x /= d;
    determinant = det(c);
    return c;
}

vec3 mapPoint(vec3 p, const mat4& M) {
    const float* m = M.m;
    float w = m[12] * p.x + m[13] * p.y + m[14] * p.z + m[15];
    vec3 r(m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
           m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]);
    // a point at infinity of a projective matrix is written undivided instead of as inf/NaN
    if (w != 0.0f && std::isfinite(w)) r = vec3(r.x / w, r.y / w, r.z / w);
    return r;
}

} // namespace

bool Mesh::saveToFile(const std::string& path) {
    if (!hasExtension(path, ".OBJ")) return false;
    return exportObj(path);
}

bool Mesh::exportObj(const std::string& path, std::string* why) {
    const int n = vertexCount(), m = triangleCount();
    std::string s;
    s.reserve(size_t(n) * 64 + size_t(m) * 48 + 64);
    s += "# Kalvimor OBJ export\n";
    appendCounts(s, n, m);
    s += '\n';
    for (int v = 0; v < n; ++v) appendVec(s, "v ", vertices[v].position);
    FanTable fans(*this);
    for (int v = 0; v < n; ++v)
        for (int k = fans.first[size_t(v)]; k < fans.first[size_t(v) + 1]; ++k)
            appendVec(s, "vn ", fans.normal(*this, v, k));
    for (int t = 0; t < m; ++t) {
        s += 'f';
        const MeshTriangle& tri = triangles[t];
        for (int c = 0; c < 3; ++c) {
            int v = tri.vertex[c];
            s += ' ';
            appendNumber(s, int64_t(v) + 1);
            s += "//";
            bool known = v >= 0 && v < n;
            appendNumber(s, int64_t(known ? fans.numberOf(*this, v, t) : 0) + 1);
        }
        s += '\n';
    }
    return saveFileAtomically(path, s.data(), s.size(), why);
}

void Mesh::exportObjWithMaterials(QImage& baseColour, QImage& emission, QImage& metalness, QImage& roughness,
                                  std::string& obj, std::string& mtl, int totalObjects, int& objectNumber,
                                  int& vertexBase, int& texCoordBase, int& normalBase, int& cellNumber, const mat4& M,
                                  const pbr& toolMaterial) const {
    const int n = vertexCount(), m = triangleCount();
    ++objectNumber;
    std::string number = std::to_string(objectNumber);
    std::string total = std::to_string(totalObjects);
    if (number.size() < total.size()) number.insert(0, total.size() - number.size(), '0');
    obj += "\no Object" + number + "\n";
    appendCounts(obj, n, m);
    obj += "usemtl Material\n";
    if (objectNumber == 1) mtl += "\nnewmtl Material\n";

    for (int v = 0; v < n; ++v) appendVec(obj, "v ", mapPoint(vertices[v].position, M));

    const int W = baseColour.width(), H = baseColour.height();
    const bool mapsUsable = W >= 2 && H >= 2 && emission.size() == baseColour.size() &&
                            metalness.size() == baseColour.size() && roughness.size() == baseColour.size() &&
                            baseColour.format() == QImage::Format_RGBA8888 &&
                            emission.format() == QImage::Format_RGB888 && metalness.format() == QImage::Format_RGB888 &&
                            roughness.format() == QImage::Format_RGB888;
    const int64_t B = std::max(1, W / 2);
    for (int t = 0; t < m; ++t) {
        const MeshTriangle& tri = triangles[t];
        pbr mats[4];
        for (int c = 0; c < 3; ++c) mats[c] = combineMaterials(tri.corner[c], toolMaterial);
        mats[3] = mats[2];
        const int64_t g = int64_t(t) + cellNumber;
        const int64_t col0 = 2 * (g % B), row0 = 2 * (g / B);
        for (int u = 0; u < 4; ++u) {
            const int64_t col = col0 + (u & 1), row = row0 + (u >> 1);
            if (u < 3) {
                float x = u == 2 ? (float(col) + 1.0f) / float(W) : (float(col) + 0.5f) / float(W);
                float y = (float(row) + 0.5f) / float(H);
                obj += "vt ";
                appendNumber(obj, x);
                obj += ' ';
                appendNumber(obj, y);
                obj += '\n';
            }
            // cells beyond the grid get no pixels
            if (mapsUsable && col < W && row < H)
                paintTexel(baseColour, emission, metalness, roughness, int(col), int(H - 1 - row), mats[u]);
        }
    }

    float d = 0;
    mat3 N = normalMatrix(M, d);
    FanTable fans(*this);
    for (int v = 0; v < n; ++v)
        for (int k = fans.first[size_t(v)]; k < fans.first[size_t(v) + 1]; ++k) {
            vec3 p = fans.normal(*this, v, k);
            vec3 q(N.m[0] * p.x + N.m[1] * p.y + N.m[2] * p.z, N.m[3] * p.x + N.m[4] * p.y + N.m[5] * p.z,
                   N.m[6] * p.x + N.m[7] * p.y + N.m[8] * p.z);
            // many readers take normals as written; one already unit is left to the last bit
            if (std::abs(q.lengthSquared() - 1) > 1e-6) q = normalize(q);
            // a matrix that flattens the object can leave a normal nowhere to point
            if (!usable(q)) q = lastResortNormal;
            appendVec(obj, "vn ", q);
        }
    // the normal matrix keeps normals outward through a mirror, the corners need reversing
    const bool mirrored = d < 0;
    for (int t = 0; t < m; ++t) {
        const MeshTriangle& tri = triangles[t];
        obj += 'f';
        for (int k = 0; k < 3; ++k) {
            const int c = mirrored ? 2 - k : k;
            int v = tri.vertex[c];
            obj += ' ';
            appendNumber(obj, int64_t(vertexBase) + v + 1);
            obj += '/';
            appendNumber(obj, int64_t(texCoordBase) + 3 * int64_t(t) + c + 1);
            obj += '/';
            bool known = v >= 0 && v < n;
            appendNumber(obj, int64_t(normalBase) + (known ? fans.numberOf(*this, v, t) : 0) + 1);
        }
        obj += '\n';
    }
    vertexBase += n;
    texCoordBase += 3 * m;
    normalBase += fans.count();
    cellNumber += m;
}

} // namespace kal
