// OBJ import. Only positions and faces are read; numbers are parsed with std::from_chars so that
// a comma-decimal locale cannot change them.
#include "mesh/ObjImport.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "foundation/Parallel.h"

#include "mesh/Mesh.h"
#include "scene/Paths.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Splits [p, end) on blanks, dropping empty parts.
struct Tokens {
    const char* p;
    const char* end;
    bool next(const char*& b, const char*& e) {
        while (p < end && isBlank(*p)) ++p;
        if (p == end) return false;
        b = p;
        while (p < end && !isBlank(*p)) ++p;
        e = p;
        return true;
    }
};

// The whole token as a number, or 0 when it is not one (like a string-to-number conversion).
double toDouble(const char* b, const char* e) {
    if (b < e && *b == '+') ++b;
    double v = 0;
    auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e ? v : 0.0;
}

long long toInteger(const char* b, const char* e) {
    if (b < e && *b == '+') ++b;
    long long v = 0;
    auto r = std::from_chars(b, e, v, 10);
    return r.ec == std::errc() && r.ptr == e ? v : 0;
}

bool startsWith(const char* b, const char* e, char letter) {
    return e - b >= 2 && (b[0] == letter || b[0] == letter - 32) && b[1] == ' ';
}

// Resolves an OBJ number (1-based, or negative counting back from count) to an index below count;
// -1 when it names nothing.
long long resolveNumber(long long number, long long count) {
    long long i = number > 0 ? number - 1 : number < 0 ? count + number : -1;
    return i >= 0 && i < count ? i : -1;
}

// The end of the line starting at p: the first '\n' or '\r', or end. Most files have no '\r'
// at all, and then a memchr for '\n' finds the end many bytes at a time.
struct LineEnds {
    const char* end;
    bool anyReturn;
    const char* from(const char* p) const {
        if (!anyReturn) {
            const void* n = std::memchr(p, '\n', size_t(end - p));
            return n ? static_cast<const char*>(n) : end;
        }
        while (p < end && *p != '\n' && *p != '\r') ++p;
        return p;
    }
};

// The lines of one stretch of the text, cut at line ends, parsed apart from the other stretches.
// Face numbers are kept as written: what a negative one names depends on the vertices and normals
// listed before it, in earlier chunks too, so they are resolved once the chunks are joined.
struct ObjChunk {
    struct Face {
        int64_t verticesBefore, normalsBefore;  // "v" and "vn" lines of this chunk before the face
        uint32_t firstCorner, cornerCount;
    };
    struct RawCorner {
        long long vertex;  // the number as written, then its index once resolved (-1: names nothing)
        long long normal;  // the normal number as written (carried on from the corner before)
    };
    std::vector<vec3> positions;
    std::vector<Face> faces;
    std::vector<RawCorner> corners;
    int64_t normals = 0;
    int64_t triangles = 0;  // after resolving: triangles of the usable faces

    void parse(const char* text, const char* end) {
        const LineEnds lines{end, std::memchr(text, '\r', size_t(end - text)) != nullptr};
        for (const char* p = text; p < end;) {
            const char* e = lines.from(p);
            const char* line = p;
            p = e + 1;
            if (startsWith(line, e, 'v')) {
                Tokens tk{line + 2, e};
                vec3 position;
                const char *b, *te;
                for (int k = 0; k < 3 && tk.next(b, te); ++k) position[k] = float(toDouble(b, te));
                positions.push_back(position);
            } else if (e - line >= 3 && line[0] == 'v' && line[1] == 'n' && isBlank(line[2])) {
                ++normals;
            } else if (startsWith(line, e, 'f')) {
                Tokens tk{line + 2, e};
                Face face{int64_t(positions.size()), normals, uint32_t(corners.size()), 0};
                long long normal = 0;
                const char *b, *te;
                while (tk.next(b, te)) {
                    // fields split on '/', empty fields kept: the vertex number, and the normal
                    // number when there are exactly three fields
                    const char* slash1 = static_cast<const char*>(std::memchr(b, '/', size_t(te - b)));
                    long long number = toInteger(b, slash1 ? slash1 : te);
                    if (slash1) {
                        const char* slash2 =
                            static_cast<const char*>(std::memchr(slash1 + 1, '/', size_t(te - slash1 - 1)));
                        if (slash2 && !std::memchr(slash2 + 1, '/', size_t(te - slash2 - 1)))
                            normal = toInteger(slash2 + 1, te);
                    }
                    corners.push_back({number, normal});
                    ++face.cornerCount;
                }
                faces.push_back(face);
            }
        }
    }

    // Resolves the numbers of every face, given the vertices and normals before the chunk and in
    // the whole text; a face naming a vertex that is not there is dropped whole.
    void resolve(long long verticesBefore, long long normalsBefore, long long fileVertices) {
        triangles = 0;
        for (Face& face : faces) {
            const long long seen = verticesBefore + face.verticesBefore;
            const long long normalsSeen = normalsBefore + face.normalsBefore;
            bool usable = true;
            for (uint32_t i = 0; i < face.cornerCount; ++i) {
                RawCorner& c = corners[face.firstCorner + i];
                // negative numbers count back from the vertices (normals) listed so far
                c.vertex = c.vertex < 0 ? resolveNumber(c.vertex, seen) : resolveNumber(c.vertex, fileVertices);
                if (c.vertex < 0) usable = false;
                if (c.normal < 0) c.normal = normalsSeen + c.normal + 1;
            }
            if (!usable) face.cornerCount = 0;
            if (face.cornerCount >= 3) triangles += face.cornerCount - 2;
        }
    }

    // Writes the fans of the usable faces from triangle slot first on; indices are offset by base.
    void writeTriangles(Mesh& mesh, int first, int32_t base) const {
        MeshTriangle triangle;
        int t = first;
        for (const Face& face : faces) {
            const RawCorner* c = corners.data() + face.firstCorner;
            for (uint32_t k = 2; k < face.cornerCount; ++k) {
                const RawCorner* fan[3] = {&c[0], &c[k - 1], &c[k]};
                for (int i = 0; i < 3; ++i) {
                    triangle.vertex[i] = int32_t(base + fan[i]->vertex);
                    float n = float(fan[i]->normal);
                    triangle.cornerNormal[i] = vec3(n, n, n);
                }
                mesh.triangles[t++] = triangle;
            }
        }
    }
};

// Cuts [text, end) into stretches of about chunkBytes, each ending just after a line end.
std::vector<std::pair<const char*, const char*>> cutAtLineEnds(const char* text, const char* end, size_t chunkBytes) {
    std::vector<std::pair<const char*, const char*>> cuts;
    for (const char* p = text; p < end;) {
        const char* q = size_t(end - p) > chunkBytes ? p + chunkBytes - 1 : end;
        while (q < end && *q != '\n' && *q != '\r') ++q;
        const char* next = q < end ? q + 1 : end;
        cuts.push_back({p, next});
        p = next;
    }
    return cuts;
}

} // namespace

void parseObjText(Mesh& mesh, const char* text, size_t size) {
    // about a megabyte per chunk; tests ask for tiny chunks so that short texts are cut too
    parseObjText(mesh, text, size, parallelMode().splitSmall ? 8 : size_t(1) << 20);
}

void parseObjText(Mesh& mesh, const char* text, size_t size, size_t chunkBytes) {
    if (!text) return;
    if (const void* zero = std::memchr(text, 0, size)) size = size_t(static_cast<const char*>(zero) - text);
    const auto cuts = cutAtLineEnds(text, text + size, std::max<size_t>(chunkBytes, 1));
    const int count = int(cuts.size());
    std::vector<ObjChunk> chunks(cuts.size());
    parallelFor(
        count,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) chunks[size_t(i)].parse(cuts[size_t(i)].first, cuts[size_t(i)].second);
        },
        2);

    // The join: counts before each chunk, then every face's numbers, then the records in order.
    std::vector<long long> verticesBefore(cuts.size() + 1, 0), normalsBefore(cuts.size(), 0);
    long long normals = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        verticesBefore[i + 1] = verticesBefore[i] + (long long)chunks[i].positions.size();
        normalsBefore[i] = normals;
        normals += chunks[i].normals;
    }
    const long long fileVertices = verticesBefore[cuts.size()];
    parallelFor(
        count,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i)
                chunks[size_t(i)].resolve(verticesBefore[size_t(i)], normalsBefore[size_t(i)], fileVertices);
        },
        2);
    std::vector<long long> trianglesBefore(cuts.size() + 1, 0);
    for (size_t i = 0; i < chunks.size(); ++i) trianglesBefore[i + 1] = trianglesBefore[i] + chunks[i].triangles;
    // the stores count records in 32 bits
    const long long limit = std::numeric_limits<int32_t>::max();
    if (mesh.vertexCount() + fileVertices > limit || mesh.triangleCount() + trianglesBefore.back() > limit) return;

    const int32_t base = mesh.vertexCount();
    const int firstTriangle = mesh.triangleCount();
    mesh.vertices.growUnwritten(int(fileVertices));
    mesh.triangles.growUnwritten(int(trianglesBefore.back()));
    const MeshVertex vertexPrototype(vec3(), -1, -1, VertexAlive);
    parallelFor(
        count,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                const ObjChunk& chunk = chunks[size_t(i)];
                int v = base + int(verticesBefore[size_t(i)]);
                for (const vec3& p : chunk.positions) {
                    MeshVertex vertex = vertexPrototype;
                    vertex.position = p;
                    mesh.vertices[v++] = vertex;
                }
                chunk.writeTriangles(mesh, firstTriangle + int(trianglesBefore[size_t(i)]), base);
            }
        },
        2);
}

Mesh::Mesh(const std::string& path, bool relative) : Mesh() {
    loadFromFile(resolvePath(objectsPath, path, relative));
}

bool Mesh::loadFromFile(const std::string& path) {
    // only read access is asked for, so files the user may not write still import
    QFile probe(QString::fromStdString(path));
    if (!probe.open(QIODevice::ReadOnly)) {
        invalid = true;
        return false;
    }
    probe.close();
    reset();
    if (!hasExtension(path, ".OBJ")) return false;
    bool ok = importObj(path);
    finishImport(1);
    return ok;
}

bool Mesh::importObj(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    // a device or pipe has no end to read up to
    if (file.isSequential()) return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    parseObjText(*this, bytes.constData(), size_t(bytes.size()));
    return true;
}

} // namespace kal
