// OBJ import. Only positions and faces are read; numbers are parsed with std::from_chars so that
// a comma-decimal locale cannot change them.
#include "mesh/ObjImport.h"

#include <QFile>
#include <charconv>
#include <cstring>
#include <vector>

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
long long resolve(long long number, long long count) {
    long long i = number > 0 ? number - 1 : number < 0 ? count + number : -1;
    return i >= 0 && i < count ? i : -1;
}

struct Corner {
    int32_t vertex;
    float normal;
};

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

} // namespace

bool parseObjText(Mesh& mesh, const char* text, size_t size) {
    if (!text) return true;
    if (const void* zero = std::memchr(text, 0, size)) size = size_t(static_cast<const char*>(zero) - text);
    const char* const end = text + size;
    const long long base = mesh.vertexCount();
    const LineEnds lines{end, std::memchr(text, '\r', size) != nullptr};

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
    std::vector<Corner> corners;
    for (const char* p = text; p < end;) {
        const char* e = lines.from(p);
        const char* line = p;
        p = e + 1;
        if (startsWith(line, e, 'v')) {
            Tokens tk{line + 2, e};
            MeshVertex vertex = vertexPrototype;
            const char *b, *te;
            for (int k = 0; k < 3 && tk.next(b, te); ++k) vertex.position[k] = float(toDouble(b, te));
            if (!roomFor(mesh.vertices, 1)) return false;
            mesh.vertices.push(vertex);
            ++vertexSeen;
        } else if (e - line >= 3 && line[0] == 'v' && line[1] == 'n' && isBlank(line[2])) {
            ++normalSeen;
        } else if (startsWith(line, e, 'f')) {
            // a long face takes its triangles' blocks from the budget at once, not push by push
            const bool charged = e - line > longFace;
            if (charged && !roomFor(mesh.triangles, cornersOnLine(line + 2, e) - 2)) return false;
            Tokens tk{line + 2, e};
            corners.clear();
            bool usable = true;
            float normal = 0;
            const char *b, *te;
            while (tk.next(b, te)) {
                // fields split on '/', empty fields kept: the vertex number, and the normal
                // number when there are exactly three fields
                const char* slash1 = static_cast<const char*>(std::memchr(b, '/', size_t(te - b)));
                const char* vertexEnd = slash1 ? slash1 : te;
                long long number = toInteger(b, vertexEnd);
                // negative numbers count back from the vertices listed so far
                long long index = number < 0 ? resolve(number, vertexSeen) : resolve(number, fileVertices);
                if (index < 0) usable = false;
                if (slash1) {
                    const char* slash2 = static_cast<const char*>(std::memchr(slash1 + 1, '/', size_t(te - slash1 - 1)));
                    if (slash2 && !std::memchr(slash2 + 1, '/', size_t(te - slash2 - 1))) {
                        long long n = toInteger(slash2 + 1, te);
                        if (n < 0) n = normalSeen + n + 1;
                        normal = float(n);
                    }
                }
                corners.push_back({int32_t(base + index), normal});
            }
            if (!usable) continue;
            for (size_t k = 2; k < corners.size(); ++k) {
                const Corner* c[3] = {&corners[0], &corners[k - 1], &corners[k]};
                for (int i = 0; i < 3; ++i) {
                    triangle.vertex[i] = c[i]->vertex;
                    triangle.cornerNormal[i] = vec3(c[i]->normal, c[i]->normal, c[i]->normal);
                }
                // a face of millions of corners is 2 bytes a triangle in the file
                if (!charged && !roomFor(mesh.triangles, 1)) return false;
                mesh.triangles.push(triangle);
            }
        }
    }
    return true;
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
