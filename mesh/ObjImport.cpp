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

#include "foundation/Log.h"
#include "foundation/Parallel.h"
#include "foundation/WholeFile.h"
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

// toInteger for a corner's vertex number, where every number out of a store's reach names nothing
// alike: what toInteger reads as 0 reads as 0 here too, and numbers past 2^62 read as 0 as well.
// Faces are most of a file's numbers, so this one is written out.
long long toVertexNumber(const char* b, const char* e) {
    if (b < e && *b == '+') ++b;
    const bool negative = b < e && *b == '-';
    if (negative) ++b;
    if (b == e) return 0;
    uint64_t v = 0;
    for (; b < e; ++b) {
        const unsigned digit = unsigned(*b) - '0';
        if (digit > 9 || v > (uint64_t(1) << 58)) return 0;
        v = v * 10 + digit;
    }
    return negative ? -(long long)v : (long long)v;
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
        long long number = toVertexNumber(b, slash1 ? slash1 : te);
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

// Whether k more records fit: growing the store first takes its further blocks from the read's budget.
template <class T>
bool roomFor(const MeshStore<T>& store, long long k) {
    long long n = store.size() + k;
    if (n <= store.capacity()) return true;
    return n <= INT32_MAX && chargeRead(MeshStore<T>::bytesFor(int(n)) - store.reservedBytes());
}

long long cornersOnLine(const char* p, const char* end) {
    Tokens tk{p, end};
    long long n = 0;
    const char *b, *e;
    while (tk.next(b, e)) ++n;
    return n;
}

// One stretch of the text, cut at line ends. It is read twice: first counted (its "v" and "vn"
// lines, and the triangles its faces would make), so that every chunk knows where its records go
// and what the numbers before it name; then parsed, writing its records straight into the mesh.
struct ObjChunk {
    const char* begin;
    const char* end;
    bool holdsEnd = false; // the text's first zero byte is in this chunk (and ends it)
    int64_t vertices = 0, normals = 0, triangles = 0;
    int64_t written = 0;    // triangles of the usable faces, after the parse
    bool nonFinite = false; // some "v" line is no finite point

    void count() {
        if (const void* zero = std::memchr(begin, 0, size_t(end - begin))) {
            end = static_cast<const char*>(zero);
            holdsEnd = true;
        }
        const LineEnds lines(begin, end);
        for (const char* p = begin; p < end;) {
            const char* e = lines.from(p);
            switch (kindOf(p, e)) {
            case LineKind::Vertex: ++vertices; break;
            case LineKind::Normal: ++normals; break;
            case LineKind::Face:
                if (long long corners = cornersOnLine(p + 2, e); corners >= 3) triangles += corners - 2;
                break;
            case LineKind::Other: break;
            }
            p = e + 1;
        }
    }

    // Writes the vertices from store index firstVertex on and the triangles of the usable faces
    // from slot firstTriangle on. verticesBefore/normalsBefore: "v"/"vn" lines before the chunk;
    // fileVertices: "v" lines of the whole text. A face naming a vertex that is not there (0, past
    // the last one, or counting back past the first) is dropped whole.
    void parse(Mesh& mesh, int32_t base, int firstVertex, int firstTriangle, long long verticesBefore,
               long long normalsBefore, long long fileVertices) {
        const MeshVertex vertexPrototype(vec3(), -1, -1, VertexAlive);
        struct Corner {
            int32_t vertex;
            vec3 normal;
        };
        std::vector<Corner> corners;
        MeshTriangle triangle;
        int v = firstVertex, t = firstTriangle;
        long long vertexSeen = verticesBefore, normalSeen = normalsBefore;
        const LineEnds lines(begin, end);
        for (const char* p = begin; p < end;) {
            const char* e = lines.from(p);
            const char* line = p;
            p = e + 1;
            switch (kindOf(line, e)) {
            case LineKind::Vertex: {
                MeshVertex& vertex = mesh.vertices[v++];
                vertex = vertexPrototype;
                vertex.position = vertexPosition(line, e);
                // read like a vertex that is not there: left dead, and the faces naming it go later
                if (!isFinite(vertex.position)) {
                    vertex = MeshVertex(vec3(), -1, -1, 0);
                    nonFinite = true;
                }
                ++vertexSeen;
                break;
            }
            case LineKind::Normal: ++normalSeen; break;
            case LineKind::Face: {
                corners.clear();
                bool usable = true;
                faceCorners(line, e, [&](long long number, long long normal) {
                    // negative numbers count back from the vertices listed so far; positive ones may
                    // name vertices listed later in the file
                    long long index = number > 0 ? number - 1 : number < 0 ? vertexSeen + number : -1;
                    if (index < 0 || index >= (number > 0 ? fileVertices : vertexSeen)) usable = false;
                    corners.push_back({int32_t(base + (usable ? index : 0)), cornerNormal(normal, normalSeen)});
                });
                if (!usable) break;
                for (size_t k = 2; k < corners.size(); ++k) {
                    const Corner* c[3] = {&corners[0], &corners[k - 1], &corners[k]};
                    for (int i = 0; i < 3; ++i) {
                        triangle.vertex[i] = c[i]->vertex;
                        triangle.cornerNormal[i] = c[i]->normal;
                    }
                    mesh.triangles[t++] = triangle;
                }
                break;
            }
            case LineKind::Other: break;
            }
        }
        written = t - firstTriangle;
    }
};

// Cuts [text, end) into stretches of about chunkBytes, each ending just after a line end.
std::vector<ObjChunk> cutAtLineEnds(const char* text, const char* end, size_t chunkBytes) {
    std::vector<ObjChunk> cuts;
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

bool parseObjText(Mesh& mesh, const char* text, size_t size) {
    // chunks of a quarter megabyte share the work out evenly
    return parseObjText(mesh, text, size, size_t(1) << 18);
}

bool parseObjText(Mesh& mesh, const char* text, size_t size, size_t chunkBytes) {
    if (!text) return true;
    std::vector<ObjChunk> chunks = cutAtLineEnds(text, text + size, std::max<size_t>(chunkBytes, 1));
    auto eachChunk = [&](const std::function<void(ObjChunk&, size_t)>& f) {
        parallelFor(
            int(chunks.size()),
            [&](int begin, int end) {
                for (int i = begin; i < end; ++i) f(chunks[size_t(i)], size_t(i));
            },
            2);
    };
    eachChunk([](ObjChunk& chunk, size_t) { chunk.count(); });
    // the text ends at its first zero byte
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].holdsEnd) {
            chunks.resize(i + 1);
            break;
        }
    const size_t n = chunks.size();
    std::vector<long long> verticesBefore(n + 1, 0), normalsBefore(n + 1, 0), trianglesBefore(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        verticesBefore[i + 1] = verticesBefore[i] + chunks[i].vertices;
        normalsBefore[i + 1] = normalsBefore[i] + chunks[i].normals;
        trianglesBefore[i + 1] = trianglesBefore[i] + chunks[i].triangles;
    }
    // Every record is charged to the read's budget here, on the reading thread, before any is
    // made: a face of millions of corners is 2 bytes a triangle in the file.
    const long long fileVertices = verticesBefore[n];
    if (!roomFor(mesh.vertices, fileVertices) || !roomFor(mesh.triangles, trianglesBefore[n])) return false;
    const int32_t base = mesh.vertexCount();
    const int firstTriangle = mesh.triangleCount();
    mesh.vertices.growUnwritten(int(fileVertices));
    mesh.triangles.growUnwritten(int(trianglesBefore[n]));
    eachChunk([&](ObjChunk& chunk, size_t i) {
        chunk.parse(mesh, base, base + int(verticesBefore[i]), firstTriangle + int(trianglesBefore[i]),
                    verticesBefore[i], normalsBefore[i], fileVertices);
    });
    // Faces naming missing vertices left gaps at the ends of their chunks' stretches: close them up.
    int to = firstTriangle + int(chunks.empty() ? 0 : chunks[0].written);
    for (size_t i = 1; i < n; ++i) {
        const int from = firstTriangle + int(trianglesBefore[i]);
        if (to != from)
            for (int k = 0; k < chunks[i].written; ++k) mesh.triangles[to + k] = mesh.triangles[from + k];
        to += int(chunks[i].written);
    }
    // A face may name a vertex of any chunk, so those naming a dead one go once all are read.
    if (std::any_of(chunks.begin(), chunks.end(), [](const ObjChunk& c) { return c.nonFinite; })) {
        int kept = firstTriangle;
        for (int t = firstTriangle; t < to; ++t) {
            const int32_t* v = mesh.triangles[t].vertex;
            if (mesh.vertices[v[0]].alive() && mesh.vertices[v[1]].alive() && mesh.vertices[v[2]].alive())
                mesh.triangles[kept++] = mesh.triangles[t];
        }
        to = kept;
    }
    mesh.triangles.truncate(to);
    return true;
}

Mesh::Mesh(const std::string& path, bool relative) : Mesh() { loadFromFile(resolvePath(objectsPath, path, relative)); }

bool Mesh::loadFromFile(const std::string& path) { return loadObjFile(path, nullptr); }

bool Mesh::loadObjFile(const std::string& path, std::string* why) {
    std::string reason;
    auto read = [&] {
        // only read access is asked for, so files the user may not write still import
        QFile probe(QString::fromStdString(path));
        if (!probe.open(QIODevice::ReadOnly)) {
            reason = probe.errorString().toStdString();
            invalid = true;
            return false;
        }
        probe.close();
        reset();
        if (!hasExtension(path, ".OBJ")) {
            reason = "not an OBJ file";
            return false;
        }
        bool ok = importObj(path, &reason);
        if (!ok && invalid) return false;
        finishImport(Recenter::Mean);
        return ok;
    };
    if (!read()) {
        qCWarning(logFiles, "could not read %s: %s", path.c_str(), reason.c_str());
        if (why) *why = std::move(reason);
        return false;
    }
    qCDebug(logFiles, "read %s", path.c_str());
    return true;
}

bool Mesh::importObj(const std::string& path, std::string* why) {
    std::vector<char> bytes;
    const std::string unread = readWholeFile(path, bytes);
    if (!unread.empty()) {
        if (why) *why = unread;
        return false;
    }
    ReadBudget budget(bytes.size());
    if (!parseObjText(*this, bytes.data(), bytes.size())) {
        // more than the file can stand for: refused whole, never half a mesh
        reset();
        invalid = true;
        if (why) *why = overBudgetReason;
        return false;
    }
    return true;
}

} // namespace kal
