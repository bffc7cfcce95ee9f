// OBJ import. Only positions and faces are read; numbers are parsed with std::from_chars so that
// a comma-decimal locale cannot change them.
#include "mesh/ObjImport.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
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

// The end of the line starting at p: the first '\n' or '\r', or end. Most files have no '\r'
// at all, and then a memchr for '\n' finds the end many bytes at a time.
struct LineEnds {
    const char* end;
    bool anyReturn;
    LineEnds(const char* text, const char* end_)
        : end(end_), anyReturn(std::memchr(text, '\r', size_t(end_ - text)) != nullptr) {}
    const char* from(const char* p) const {
        if (!anyReturn) {
            const void* n = std::memchr(p, '\n', size_t(end - p));
            return n ? static_cast<const char*>(n) : end;
        }
        while (p < end && *p != '\n' && *p != '\r') ++p;
        return p;
    }
};

enum class LineKind { Vertex, Normal, Face, Other };

LineKind kindOf(const char* line, const char* e) {
    if (startsWith(line, e, 'v')) return LineKind::Vertex;
    if (e - line >= 3 && line[0] == 'v' && line[1] == 'n' && isBlank(line[2])) return LineKind::Normal;
    if (startsWith(line, e, 'f')) return LineKind::Face;
    return LineKind::Other;
}

// The position of a "v" line: its first three numbers, missing ones 0.
vec3 vertexPosition(const char* line, const char* e) {
    Tokens tk{line + 2, e};
    vec3 position;
    const char *b, *te;
    for (int k = 0; k < 3 && tk.next(b, te); ++k) position[k] = float(toDouble(b, te));
    return position;
}

// corner(number, normal) for every corner of an "f" line: its vertex number as written, and the
// normal number of the latest corner of exactly three fields ("v/t/n" or "v//n"), 0 before one.
template <class Corner>
void faceCorners(const char* line, const char* e, Corner&& corner) {
    Tokens tk{line + 2, e};
    long long normal = 0;
    const char *b, *te;
    while (tk.next(b, te)) {
        // fields split on '/', empty fields kept
        const char* slash1 = static_cast<const char*>(std::memchr(b, '/', size_t(te - b)));
        long long number = toInteger(b, slash1 ? slash1 : te);
        if (slash1) {
            const char* slash2 = static_cast<const char*>(std::memchr(slash1 + 1, '/', size_t(te - slash1 - 1)));
            if (slash2 && !std::memchr(slash2 + 1, '/', size_t(te - slash2 - 1))) normal = toInteger(slash2 + 1, te);
        }
        corner(number, normal);
    }
}

// A negative normal number counts back from the "vn" lines seen so far.
vec3 cornerNormal(long long normal, long long normalsSeen) {
    float n = float(normal < 0 ? normalsSeen + normal + 1 : normal);
    return vec3(n, n, n);
}

// Resolves an OBJ number (1-based, or negative counting back from count) to an index below count;
// -1 when it names nothing.
long long resolveNumber(long long number, long long count) {
    long long i = number > 0 ? number - 1 : number < 0 ? count + number : -1;
    return i >= 0 && i < count ? i : -1;
}

// Whether k more records fit: pushes that would reserve further blocks of the store first take
// them from the read's budget.
template <class T>
bool roomFor(const MeshStore<T>& store, long long k) {
    long long n = store.size() + k;
    if (n <= store.capacity()) return true;
    return n <= INT32_MAX && chargeRead(MeshStore<T>::bytesFor(int(n)) - store.reservedBytes());
}

// Faces longer than this are counted before they are read, so that one face of millions of
// corners (2 bytes a triangle) is refused before it fills memory with triangles that cannot fit.
constexpr ptrdiff_t longFace = 4096;

long long cornersOnLine(const char* p, const char* end) {
    Tokens tk{p, end};
    long long n = 0;
    const char *b, *e;
    while (tk.next(b, e)) ++n;
    return n;
}

// The whole text on the calling thread, in one pass after counting the vertices.
bool parseInOnePass(Mesh& mesh, const char* text, const char* end) {
    const long long base = mesh.vertexCount();
    const LineEnds lines(text, end);
    // absolute face numbers may name vertices listed later in the file: count them first
    long long fileVertices = 0;
    for (const char* p = text; p < end;) {
        const char* e = lines.from(p);
        if (startsWith(p, e, 'v')) ++fileVertices;
        p = e + 1;
    }
    // Records are filled from one prototype each, not built afresh per line.
    const MeshVertex vertexPrototype(vec3(), -1, -1, VertexAlive);
    MeshTriangle triangle;
    long long vertexSeen = 0, normalSeen = 0;
    struct Corner {
        int32_t vertex;
        vec3 normal;
    };
    std::vector<Corner> corners;
    for (const char* p = text; p < end;) {
        const char* e = lines.from(p);
        const char* line = p;
        p = e + 1;
        switch (kindOf(line, e)) {
        case LineKind::Vertex: {
            MeshVertex vertex = vertexPrototype;
            vertex.position = vertexPosition(line, e);
            if (!roomFor(mesh.vertices, 1)) return false;
            mesh.vertices.push(vertex);
            ++vertexSeen;
            break;
        }
        case LineKind::Normal:
            ++normalSeen;
            break;
        case LineKind::Face: {
            // a long face takes its triangles' blocks from the budget at once, not push by push
            const bool charged = e - line > longFace;
            if (charged && !roomFor(mesh.triangles, cornersOnLine(line + 2, e) - 2)) return false;
            corners.clear();
            bool usable = true;
            faceCorners(line, e, [&](long long number, long long normal) {
                // negative numbers count back from the vertices listed so far
                long long index = number < 0 ? resolveNumber(number, vertexSeen) : resolveNumber(number, fileVertices);
                if (index < 0) usable = false;
                corners.push_back({int32_t(base + index), cornerNormal(normal, normalSeen)});
            });
            if (!usable) break;
            for (size_t k = 2; k < corners.size(); ++k) {
                const Corner* c[3] = {&corners[0], &corners[k - 1], &corners[k]};
                for (int i = 0; i < 3; ++i) {
                    triangle.vertex[i] = c[i]->vertex;
                    triangle.cornerNormal[i] = c[i]->normal;
                }
                // a face of millions of corners is 2 bytes a triangle in the file
                if (!charged && !roomFor(mesh.triangles, 1)) return false;
                mesh.triangles.push(triangle);
            }
            break;
        }
        case LineKind::Other:
            break;
        }
    }
    return true;
}

// The lines of one stretch of the text, cut at line ends, parsed apart from the other stretches.
// Face numbers are kept as written: what a negative one names depends on the vertices and normals
// listed before it, in earlier chunks too, so they are resolved once the chunks are joined.
struct ObjChunk {
    struct Face {
        int64_t verticesBefore, normalsBefore;  // "v" and "vn" lines of this chunk before the face
        uint32_t firstCorner, cornerCount;
        // the smallest and largest vertex numbers; broken: a number that can name no vertex
        int32_t lowest, highest;
        bool broken;
    };
    struct RawCorner {
        int64_t normal;
        int32_t vertex;
    };
    std::vector<vec3> positions;
    std::vector<Face> faces;
    std::vector<RawCorner> corners;
    int64_t normals = 0;
    int64_t triangles = 0;  // after resolving: triangles of the usable faces

    void parse(const char* text, const char* end) {
        const LineEnds lines(text, end);
        for (const char* p = text; p < end;) {
            const char* e = lines.from(p);
            const char* line = p;
            p = e + 1;
            switch (kindOf(line, e)) {
            case LineKind::Vertex:
                positions.push_back(vertexPosition(line, e));
                break;
            case LineKind::Normal:
                ++normals;
                break;
            case LineKind::Face: {
                Face face{int64_t(positions.size()), normals, uint32_t(corners.size()), 0, 0, 0, false};
                faceCorners(line, e, [&](long long number, long long normal) {
                    // 0 names nothing, and no store holds more vertices than a 32-bit count
                    if (number == 0 || number > INT32_MAX || number < -INT32_MAX) {
                        face.broken = true;
                        number = 0;
                    }
                    int32_t n = int32_t(number);
                    if (face.cornerCount == 0 || n < face.lowest) face.lowest = n;
                    if (face.cornerCount == 0 || n > face.highest) face.highest = n;
                    corners.push_back({normal, n});
                    ++face.cornerCount;
                });
                // a face of fewer than three corners adds nothing: only what can make triangles
                // is kept, so the chunk's lists stay a small multiple of its bytes
                if (face.cornerCount < 3)
                    corners.resize(face.firstCorner);
                else
                    faces.push_back(face);
                break;
            }
            case LineKind::Other:
                break;
            }
        }
    }

    // Decides which faces name only vertices that are there, given the vertices before the chunk
    // and in the whole text (as resolveNumber does); a face naming a missing vertex is dropped.
    void resolve(long long verticesBefore, long long fileVertices) {
        triangles = 0;
        for (Face& face : faces) {
            const long long seen = verticesBefore + face.verticesBefore;
            const bool usable = !face.broken && face.highest <= fileVertices && face.lowest >= -seen;
            if (!usable) face.cornerCount = 0;
            if (face.cornerCount >= 3) triangles += face.cornerCount - 2;
        }
    }

    // Writes the fans of the usable faces from triangle slot first on; indices are offset by base.
    void writeTriangles(Mesh& mesh, int first, int32_t base, long long verticesBefore, long long normalsBefore) const {
        MeshTriangle triangle;
        int t = first;
        for (const Face& face : faces) {
            if (face.cornerCount < 3) continue;
            const long long seen = verticesBefore + face.verticesBefore;
            const long long normalsSeen = normalsBefore + face.normalsBefore;
            const RawCorner* c = corners.data() + face.firstCorner;
            auto set = [&](int i, const RawCorner& r) {
                triangle.vertex[i] = int32_t(base + (r.vertex > 0 ? r.vertex - 1 : seen + r.vertex));
                triangle.cornerNormal[i] = cornerNormal(r.normal, normalsSeen);
            };
            set(0, c[0]);
            for (uint32_t k = 2; k < face.cornerCount; ++k) {
                set(1, c[k - 1]);
                set(2, c[k]);
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

// The chunks parsed in parallel, then joined: counts before each chunk, which faces are usable,
// and the records written in order.
bool parseInChunks(Mesh& mesh, const std::vector<std::pair<const char*, const char*>>& cuts) {
    const int count = int(cuts.size());
    std::vector<ObjChunk> chunks(cuts.size());
    auto eachChunk = [&](const std::function<void(int)>& f) {
        parallelFor(
            count, [&](int begin, int end) {
                for (int i = begin; i < end; ++i) f(i);
            },
            2);
    };
    eachChunk([&](int i) { chunks[size_t(i)].parse(cuts[size_t(i)].first, cuts[size_t(i)].second); });
    std::vector<long long> verticesBefore(cuts.size() + 1, 0), normalsBefore(cuts.size(), 0);
    long long normals = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        verticesBefore[i + 1] = verticesBefore[i] + (long long)chunks[i].positions.size();
        normalsBefore[i] = normals;
        normals += chunks[i].normals;
    }
    const long long fileVertices = verticesBefore[cuts.size()];
    eachChunk([&](int i) { chunks[size_t(i)].resolve(verticesBefore[size_t(i)], fileVertices); });
    std::vector<long long> trianglesBefore(cuts.size() + 1, 0);
    for (size_t i = 0; i < chunks.size(); ++i) trianglesBefore[i + 1] = trianglesBefore[i] + chunks[i].triangles;
    // the records are charged to the read's budget here, on the reading thread, before any is made
    if (!roomFor(mesh.vertices, fileVertices) || !roomFor(mesh.triangles, trianglesBefore.back())) return false;

    const int32_t base = mesh.vertexCount();
    const int firstTriangle = mesh.triangleCount();
    mesh.vertices.growUnwritten(int(fileVertices));
    mesh.triangles.growUnwritten(int(trianglesBefore.back()));
    const MeshVertex vertexPrototype(vec3(), -1, -1, VertexAlive);
    eachChunk([&](int i) {
        const ObjChunk& chunk = chunks[size_t(i)];
        int v = base + int(verticesBefore[size_t(i)]);
        for (const vec3& p : chunk.positions) {
            MeshVertex vertex = vertexPrototype;
            vertex.position = p;
            mesh.vertices[v++] = vertex;
        }
        chunk.writeTriangles(mesh, firstTriangle + int(trianglesBefore[size_t(i)]), base, verticesBefore[size_t(i)],
                             normalsBefore[size_t(i)]);
    });
    return true;
}

} // namespace

bool parseObjText(Mesh& mesh, const char* text, size_t size) {
    // About a megabyte per chunk, and the whole text at once on one thread, where chunks would
    // only cost; tests ask for tiny chunks so that short texts are cut too.
    size_t chunkBytes = parallelMode().splitSmall ? 8 : parallelThreads() > 1 ? size_t(1) << 20 : SIZE_MAX;
    return parseObjText(mesh, text, size, chunkBytes);
}

bool parseObjText(Mesh& mesh, const char* text, size_t size, size_t chunkBytes) {
    if (!text) return true;
    if (const void* zero = std::memchr(text, 0, size)) size = size_t(static_cast<const char*>(zero) - text);
    const auto cuts = cutAtLineEnds(text, text + size, std::max<size_t>(chunkBytes, 1));
    return cuts.size() <= 1 ? parseInOnePass(mesh, text, text + size) : parseInChunks(mesh, cuts);
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
    if (!ok && invalid) return false;
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
    ReadBudget budget(size_t(bytes.size()));
    if (!parseObjText(*this, bytes.constData(), size_t(bytes.size()))) {
        // more than the file can stand for: refused whole, never half a mesh
        reset();
        invalid = true;
        return false;
    }
    return true;
}

} // namespace kal
