// The GL side of a mesh: the corner buffer (six attribute arrays, 34 bytes a corner) and the
// edge-line buffer, their uploads of what changed, binding, the main and line draws, and
// painting corner materials. Needs the viewport's context to be current.
#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <array>
#include <cstring>

#include "foundation/ByteBuffer.h"
#include "foundation/Parallel.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "mesh/Mesh.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/CameraMatrices.h"

namespace kal {

void Mesh::releaseGpu() {
    if (glBuffer == 0 && flatBuffer == 0) return;
    // without a published context the names cannot be deleted; forgetting them beats a crash
    if (glReady()) {
        unbind();
        gl->glFlush();
        if (glBuffer != 0) gl->glDeleteBuffers(1, &glBuffer);
        if (flatBuffer != 0) gl->glDeleteBuffers(1, &flatBuffer);
    }
    // stale names would be deleted again (or drawn) later
    forgetGpu();
}

void Mesh::forgetGpu() {
    glBuffer = 0;
    flatBuffer = 0;
    bound = false;
    gpuVertexCount = 0;
    flatVertexCount = 0;
    geometryChanged = true;
    for (bool& p : partChanged) p = true;
}

void pointCornerAttributes(uint32_t buffer, const uint32_t offsets[6]) {
    bindArrayBuffer(buffer);
    for (GLuint a = 0; a < 6; ++a) gl->glEnableVertexAttribArray(a);
    auto at = [offsets](int i) { return reinterpret_cast<const void*>(uintptr_t(offsets[i])); };
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, at(0));
    gl->glVertexAttribPointer(1, 3, GL_HALF_FLOAT, GL_FALSE, 0, at(1));
    gl->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, at(2));
    gl->glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, at(3));
    gl->glVertexAttribIPointer(4, 2, GL_SHORT, 0, at(4));
    gl->glVertexAttribIPointer(5, 1, GL_UNSIGNED_INT, 0, at(5));
    attributeZeroTaken();
}

bool quadArrayReady() { return glReady() && createQuadBuffer(); }

void unpointCornerAttributes() {
    for (GLuint a = 0; a < 6; ++a) gl->glDisableVertexAttribArray(a);
    bindArrayBuffer(0);
}

bool Mesh::bind() {
    if (!updateGpu()) return false;
    if (bound) return true;
    if (!glReady() || glBuffer == 0) return false;
    // a core context draws nothing without a vertex array: the shared one comes with the quad
    if (!createQuadBuffer()) return false;
    pointCornerAttributes(glBuffer, attributeOffset);
    bound = true;
    return true;
}

void Mesh::unbind() {
    if (!bound) return;
    if (glReady()) unpointCornerAttributes();
    bound = false;
}

void Mesh::endDraw() { unbind(); }

bool Mesh::hasGpuGeometry() { return flatBuffer != 0 && flatVertexCount != 0; }

bool Mesh::isLineEdge(int t, int k) const {
    const MeshTriangle& tri = triangles[t];
    if (tri.marked(k)) return t > tri.neighbour[k];
    return tri.neighbour[k] == -1;
}

uint32_t cornerOffset(int a, int32_t corners) {
    uint32_t at = 0;
    for (int i = 0; i < a; ++i) at += cornerAttributeBytes[i] * uint32_t(corners);
    return at;
}

namespace {

// Records are filled in chunks: each chunk's corners go at the count of corners before it.
constexpr int kFillChunk = 4096;

// The line segment of edge k of triangle t, from its corner k+2 to its corner k+1.
void pushEdgeLine(const Mesh& mesh, const MeshTriangle& tri, int k, std::vector<float>& lines) {
    const vec3& a = mesh.vertices[tri.vertex[(k + 2) % 3]].position;
    const vec3& b = mesh.vertices[tri.vertex[(k + 1) % 3]].position;
    lines.insert(lines.end(), {a.x, a.y, a.z, b.x, b.y, b.z});
}

// Where a fill writes each attribute array (position, normal, colour, light, material, id); the
// arrays of groups not filled are never touched. Stores go through memcpy: in a mapped buffer the
// arrays start wherever the corner count puts them, not aligned for their types.
using CornerTargets = std::array<uint8_t*, 6>;

template <class T, size_t N>
void put(uint8_t* array, size_t corner, const T (&values)[N]) {
    std::memcpy(array + sizeof(values) * corner, values, sizeof(values));
}

// The corner arrays of records first..end-1, and with lines the edge lines, in record order
// whatever the blocks: the alive records are counted per chunk, place(corners, targets) says where
// the arrays go (false: nowhere, and nothing is filled), and every chunk writes its own corners;
// each chunk's lines are kept apart and joined in chunk order.
template <class Place>
bool fillCorners(const Mesh& mesh, const bool parts[4], int first, int end, Place&& place, std::vector<int32_t>* starts,
                 std::vector<float>* lines) {
    const int count = std::max(0, end - first);
    const int chunks = (count + kFillChunk - 1) / kFillChunk;
    std::vector<int32_t> before(size_t(chunks) + 1, 0);
    parallelForChunks(count, kFillChunk, [&](int k, int begin, int stop) {
        int32_t corners = 0;
        for (int t = first + begin; t < first + stop; ++t)
            if (mesh.triangles[t].alive()) corners += 3;
        before[size_t(k) + 1] = corners;
    });
    for (int k = 0; k < chunks; ++k) before[size_t(k) + 1] += before[size_t(k)];
    if (starts) starts->resize(size_t(count) + 1);
    std::vector<std::vector<float>> chunkLines(lines ? size_t(chunks) : 0);
    CornerTargets to{};
    if (!place(before[size_t(chunks)], to)) return false;
    parallelForChunks(count, kFillChunk, [&](int k, int begin, int stop) {
        size_t at = size_t(before[size_t(k)]);
        for (int t = first + begin; t < first + stop; ++t) {
            if (starts) (*starts)[size_t(t - first)] = int32_t(at);
            const MeshTriangle& tri = mesh.triangles[t];
            if (!tri.alive()) continue;
            for (int c = 0; c < 3; ++c, ++at) {
                if (parts[GroupPositions]) {
                    const vec3& p = mesh.vertices[tri.vertex[c]].position;
                    put(to[0], at, {p.x, p.y, p.z});
                }
                if (parts[GroupNormals]) {
                    const vec3& n = tri.cornerNormal[c];
                    put(to[1], at, {halfFromFloat(n.x), halfFromFloat(n.y), halfFromFloat(n.z)});
                }
                if (parts[GroupMaterials]) {
                    const pbr& m = tri.corner[c];
                    put(to[2], at,
                        {uint8_t(m.red >> 8), uint8_t(m.green >> 8), uint8_t(m.blue >> 8), uint8_t(m.opacity >> 8)});
                    put(to[3], at,
                        {uint8_t(m.lightRed >> 8), uint8_t(m.lightGreen >> 8), uint8_t(m.lightBlue >> 8),
                         uint8_t(m.refractivity >> 8)});
                    put(to[4], at, {m.roughness, m.metalness});
                }
                if (parts[GroupIds]) put(to[5], at, {uint32_t(t)});
            }
            if (lines)
                for (int k2 = 0; k2 < 3; ++k2)
                    if (mesh.isLineEdge(t, k2)) pushEdgeLine(mesh, tri, k2, chunkLines[size_t(k)]);
        }
    });
    if (starts) starts->back() = before[size_t(chunks)];
    if (lines) {
        lines->clear();
        for (const std::vector<float>& part : chunkLines) lines->insert(lines->end(), part.begin(), part.end());
    }
    return true;
}

template <class V>
uint8_t* bytesOf(V& v) {
    return reinterpret_cast<uint8_t*>(v.data());
}

// Staging arrays in out for the groups in parts, filled from records first..end-1.
void fillArrays(const Mesh& mesh, const bool parts[4], int first, int end, MeshCornerArrays& out,
                std::vector<int32_t>* starts, bool lines) {
    auto stage = [&](int32_t corners, CornerTargets& to) {
        out.corners = corners;
        static const bool every[4] = {true, true, true, true};
        out.forGroups(every, [](auto& a, size_t) { a.clear(); });
        out.forGroups(parts, [&](auto& a, size_t perCorner) { a.resize(perCorner * size_t(corners)); });
        to = {bytesOf(out.positions), bytesOf(out.normals),   bytesOf(out.colours),
              bytesOf(out.lights),    bytesOf(out.materials), bytesOf(out.ids)};
        return true;
    };
    out.lines.clear();
    fillCorners(mesh, parts, first, end, stage, starts, lines ? &out.lines : nullptr);
    out.segments = int32_t(out.lines.size() / 6);
}

} // namespace

void buildCornerRange(const Mesh& mesh, const bool parts[4], int first, int end, MeshCornerArrays& out,
                      std::vector<int32_t>* starts) {
    fillArrays(mesh, parts, first, end, out, starts, false);
}

void buildEdgeLines(const Mesh& mesh, MeshCornerArrays& out) {
    out.segments = 0;
    out.lines.clear();
    const int count = mesh.triangleCount();
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& tri = mesh.triangles[t];
        if (!tri.alive()) continue;
        for (int k = 0; k < 3; ++k)
            if (mesh.isLineEdge(t, k)) pushEdgeLine(mesh, tri, k, out.lines);
    }
    out.segments = int32_t(out.lines.size() / 6);
}

void buildCornerArrays(const Mesh& mesh, const bool parts[4], MeshCornerArrays& out, std::vector<int32_t>* starts) {
    fillArrays(mesh, parts, 0, mesh.triangleCount(), out, starts, parts[GroupPositions]);
}

namespace {

int aliveTriangleCount(const Mesh& mesh) {
    int alive = 0;
    for (int t = 0; t < mesh.triangleCount(); ++t)
        if (mesh.triangles[t].alive()) ++alive;
    return alive;
}

// Writes bytes at offset unless there are none.
uint64_t writeRange(uint32_t offset, size_t bytes, const void* data) {
    if (bytes == 0) return 0;
    arrayBufferSubData(long(offset), long(bytes), data);
    return bytes;
}

template <class V>
size_t byteSize(const V& v) {
    return v.size() * sizeof(typename V::value_type);
}

// Writes the built groups into a corner buffer of `corners` corners, starting at corner `first`.
uint64_t writeGroups(const MeshCornerArrays& arrays, int32_t corners, int32_t first) {
    uint32_t offsets[6];
    for (int a = 0; a < 6; ++a) offsets[a] = cornerOffset(a, corners) + cornerAttributeBytes[a] * uint32_t(first);
    uint64_t written = 0;
    written += writeRange(offsets[0], byteSize(arrays.positions), arrays.positions.data());
    written += writeRange(offsets[1], byteSize(arrays.normals), arrays.normals.data());
    written += writeRange(offsets[2], byteSize(arrays.colours), arrays.colours.data());
    written += writeRange(offsets[3], byteSize(arrays.lights), arrays.lights.data());
    written += writeRange(offsets[4], byteSize(arrays.materials), arrays.materials.data());
    written += writeRange(offsets[5], byteSize(arrays.ids), arrays.ids.data());
    return written;
}

} // namespace

namespace {

// The group each attribute array belongs to, in attribute order.
constexpr MeshGpuGroup attributeGroup[6] = {GroupPositions, GroupNormals,   GroupMaterials,
                                            GroupMaterials, GroupMaterials, GroupIds};
// Runs closer than this many records merge: one write beats two tiny ones.
constexpr int32_t kRunGap = 64;
// More runs than this merge across their smallest gaps.
constexpr size_t kMaxRuns = 128;

} // namespace

void Mesh::markGpuRange(int first, int last) {
    if (first > last) return;
    gpuRangeFirst = gpuRangeLast < 0 ? first : std::min(gpuRangeFirst, first);
    gpuRangeLast = std::max(gpuRangeLast, last);
    // insert in order, then merge the neighbours that overlap or lie close
    size_t at = 0;
    while (at < gpuRuns.size() && gpuRuns[at] < first) at += 2;
    gpuRuns.insert(gpuRuns.begin() + std::ptrdiff_t(at), {first, last});
    std::vector<int32_t> merged;
    for (size_t i = 0; i < gpuRuns.size(); i += 2) {
        if (!merged.empty() && gpuRuns[i] <= merged.back() + kRunGap)
            merged.back() = std::max(merged.back(), gpuRuns[i + 1]);
        else
            merged.insert(merged.end(), {gpuRuns[i], gpuRuns[i + 1]});
    }
    while (merged.size() > 2 * kMaxRuns) {
        size_t best = 0;
        for (size_t i = 2; i + 1 < merged.size(); i += 2)
            if (merged[i] - merged[i - 1] < merged[best + 2] - merged[best + 1]) best = i - 2;
        merged[best + 1] = merged[best + 3];
        merged.erase(merged.begin() + std::ptrdiff_t(best) + 2, merged.begin() + std::ptrdiff_t(best) + 4);
    }
    gpuRuns.swap(merged);
}

// A ranged upload may rewrite the flagged groups of a few records in place only while every
// record still owns the corners the last full upload gave it.
bool Mesh::rangeUploadPossible() const {
    if (gpuRangeLast < 0 || gpuRuns.empty() || geometryChanged || glBuffer == 0) return false;
    if (int(cornerStart.size()) != triangleCount() + 1) return false;
    if (gpuRangeFirst < 0 || gpuRangeLast >= triangleCount()) return false;
    for (size_t i = 0; i < gpuRuns.size(); i += 2)
        for (int t = gpuRuns[i]; t <= gpuRuns[i + 1]; ++t)
            if (triangles[t].alive() != (cornerStart[size_t(t) + 1] != cornerStart[size_t(t)])) return false;
    return true;
}

uint64_t Mesh::uploadLines(const std::vector<float>& lines, int32_t segments) {
    const uint32_t lineBytes = uint32_t(byteSize(lines));
    uint64_t written = 0;
    if (segments == 0) {
        if (flatBuffer != 0) {
            flatVertexCount = 0;
            bindArrayStorage(flatBuffer, 0, geometryChanged || flatBytesAllocated != 0);
            flatBytesAllocated = 0;
            bindArrayBuffer(0);
        }
        return 0;
    }
    flatVertexCount = 2 * segments;
    // the segment count can change without geometryChanged: reallocate on any size change
    bindArrayStorage(flatBuffer, long(lineBytes), geometryChanged || lineBytes != flatBytesAllocated);
    flatBytesAllocated = lineBytes;
    written += writeRange(0, lineBytes, lines.data());
    bindArrayBuffer(0);
    return written;
}

bool Mesh::finishUpload(uint64_t written) {
    bytesUploaded += written;
    gl->glFinish();
    if (const GLenum error = gl->glGetError())
        return uploadRefused(*this, "Mesh", cornerBytesAllocated, glErrorName(error));
    uploadFailed = false;
    for (bool& p : partChanged) p = false;
    geometryChanged = false;
    bound = false;
    gpuRangeFirst = gpuRangeLast = -1;
    gpuRuns.clear();
    return true;
}

bool Mesh::updateGpu() {
    if (glBuffer == 0) {
        geometryChanged = true;
        flatBuffer = 0;
        for (bool& p : partChanged) p = true;
    } else if (geometryChanged) {
        for (bool& p : partChanged) p = true;
    }
    if (!partChanged[0] && !partChanged[1] && !partChanged[2] && !partChanged[3]) {
        gpuRangeFirst = gpuRangeLast = -1;
        gpuRuns.clear();
        return true;
    }
    if (!glReady()) return false;

    if (rangeUploadPossible()) {
        MeshCornerArrays arrays;
        gl->glFlush();
        gl->glGetError();
        uint64_t written = 0;
        bool lines = flatVertexCount > 0;
        bindArrayBuffer(glBuffer);
        for (size_t i = 0; i < gpuRuns.size(); i += 2) {
            const int first = gpuRuns[i], end = gpuRuns[i + 1] + 1;
            buildCornerRange(*this, partChanged, first, end, arrays);
            written += writeGroups(arrays, gpuVertexCount, cornerStart[size_t(first)]);
            // lines come from the whole mesh; a mesh without any skips the walk unless a run has one
            for (int t = first; t < end && !lines && partChanged[GroupPositions]; ++t)
                for (int k = 0; k < 3 && !lines; ++k) lines = triangles[t].alive() && isLineEdge(t, k);
        }
        bindArrayBuffer(0);
        if (partChanged[GroupPositions]) {
            if (lines) {
                buildEdgeLines(*this, arrays);
                written += uploadLines(arrays.lines, arrays.segments);
            }
        }
        return finishUpload(written);
    }

    // A caller that changed the triangle count but forgot geometryChanged would have us write
    // past the old storage (and leave the other groups at stale offsets): rebuild it all instead.
    if (!geometryChanged && uint32_t(3 * aliveTriangleCount(*this)) * bytesPerCorner != cornerBytesAllocated) {
        geometryChanged = true;
        for (bool& p : partChanged) p = true;
    }

    gl->glFlush();
    gl->glGetError();

    // The corners go straight into the buffer's storage, sized and mapped once they are counted.
    // Only the span from the first flagged array to the last is mapped; unflagged arrays inside it
    // keep their bytes, so the span is invalidated only when every array in it is rewritten.
    struct Mapping {
        bool held = false;
        // false when the store was lost while mapped
        bool release() {
            const bool kept = !held || gl->glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE;
            held = false;
            return kept;
        }
        ~Mapping() { release(); } // a fill that throws must not leave the buffer mapped
    } mapping;
    uint64_t written = 0;
    auto place = [&](int32_t corners, CornerTargets& to) {
        gpuVertexCount = corners;
        for (int a = 0; a < 6; ++a) attributeOffset[a] = cornerOffset(a, corners);
        if (geometryChanged) cornerBytesAllocated = uint32_t(corners) * bytesPerCorner;
        bindArrayStorage(glBuffer, long(cornerBytesAllocated), geometryChanged);
        int low = 6, high = -1;
        for (int a = 0; a < 6; ++a)
            if (partChanged[attributeGroup[a]]) low = std::min(low, a), high = a;
        bool whole = true;
        for (int a = low; a <= high; ++a) whole = whole && partChanged[attributeGroup[a]];
        const uint32_t begin = cornerOffset(low, corners), stop = cornerOffset(high + 1, corners);
        if (stop == begin) return true;
        const GLbitfield access = GL_MAP_WRITE_BIT | (whole ? GL_MAP_INVALIDATE_RANGE_BIT : 0);
        auto* span = static_cast<uint8_t*>(gl->glMapBufferRange(GL_ARRAY_BUFFER, begin, stop - begin, access));
        if (!span) return false;
        mapping.held = true;
        for (int a = low; a <= high; ++a)
            if (partChanged[attributeGroup[a]]) {
                to[size_t(a)] = span + (cornerOffset(a, corners) - begin);
                written += uint64_t(cornerAttributeBytes[a]) * uint32_t(corners);
            }
        return true;
    };
    std::vector<float> lines;
    const bool filled = fillCorners(*this, partChanged, 0, triangleCount(), place, &cornerStart,
                                    partChanged[GroupPositions] ? &lines : nullptr);
    const bool kept = mapping.release();
    bindArrayBuffer(0);
    // a failed map, or a store lost while mapped, leaves every group flagged for the next upload
    if (!filled) return uploadRefused(*this, "Mesh", cornerBytesAllocated, glErrorName(gl->glGetError()));
    if (!kept) return uploadRefused(*this, "Mesh", cornerBytesAllocated, "its store was lost while mapped");
    if (partChanged[GroupPositions]) written += uploadLines(lines, int32_t(lines.size() / 6));
    return finishUpload(written);
}

bool Mesh::useShader() {
    if (!shaderMesh->bind()) return false;
    return bind();
}

namespace {

// The element's normalising placement first, then the world matrix.
mat4 modelMatrix(Mesh& mesh, const mat4& world) {
    mat4 m = mesh.inverseTransform();
    m *= world;
    return m;
}

} // namespace

mat3 meshNormalMatrix(const mat4& model, const mat4& view) {
    const mat3 a = model.upper3();
    const vec3 r0(a[0], a[1], a[2]), r1(a[3], a[4], a[5]), r2(a[6], a[7], a[8]);
    // The cofactor matrix is det(A) times the inverse transpose; dividing by |det| keeps a
    // mirror's sign flip off the normals, and a singular matrix still gives finite numbers.
    const vec3 c0 = cross(r1, r2), c1 = cross(r2, r0), c2 = cross(r0, r1);
    const float d = dot(r0, c0);
    const float k = std::fabs(d) > 1e-30f ? 1.0f / std::fabs(d) : 1.0f;
    mat3 n{{c0.x * k, c0.y * k, c0.z * k, c1.x * k, c1.y * k, c1.z * k, c2.x * k, c2.y * k, c2.z * k}};
    n *= view.upper3();
    return n;
}

void setObjectUniforms(uint32_t objectId, int32_t itemId, const pbr& material) {
    gl->glUniform1ui(uniformLocation("ObjectId"), objectId);
    gl->glUniform1ui(uniformLocation("ItemId"), uint32_t(itemId));
    const float colour[4] = {material.red / 65535.0f, material.green / 65535.0f, material.blue / 65535.0f,
                             material.opacity / 65535.0f};
    const float light[4] = {material.lightRed / 65535.0f, material.lightGreen / 65535.0f, material.lightBlue / 65535.0f,
                            material.refractivity / 65535.0f};
    gl->glUniform4fv(uniformLocation("ObjectColor"), 1, colour);
    gl->glUniform4fv(uniformLocation("ObjectLight"), 1, light);
    const GLint surface[2] = {2 * material.roughness, 2 * material.metalness};
    gl->glUniform2iv(uniformLocation("ObjectMaterial"), 1, surface);
}

void setSurfaceUniforms(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material) {
    mat4 pmv = model;
    pmv *= cameraMatrices.projectionView;
    const mat3 normalMatrix = meshNormalMatrix(model, cameraMatrices.viewMatrix);
    gl->glUniformMatrix4fv(uniformLocation("ProjectionModelViewMatrix"), 1, GL_FALSE, pmv.m);
    gl->glUniformMatrix3fv(uniformLocation("NormalMatrix"), 1, GL_FALSE, normalMatrix.m);
    setObjectUniforms(objectId, itemId, material);
}

void Mesh::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool, float, bool last) {
    if (!useShader()) return;
    setSurfaceUniforms(objectId, itemId, modelMatrix(*this, model), material);
    gl->glDrawArrays(GL_TRIANGLES, 0, gpuVertexCount);
    if (last) endDraw();
}

void drawLineBuffer(uint32_t buffer, int32_t vertices, const mat4& pmv, const uint8_t* colour, bool last) {
    gl->glUniformMatrix4fv(uniformLocation("ProjectionModelViewMatrix"), 1, GL_FALSE, pmv.m);
    const float c[4] = {colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f, colour[3] / 255.0f};
    gl->glUniform4fv(uniformLocation("Color"), 1, c);
    feedAttributeZero(buffer);
    gl->glDrawArrays(GL_LINES, 0, vertices);
    if (last) stopFeedingAttributeZero();
}

void Mesh::drawFlat(const mat4& model, const uint8_t* colour, bool last) {
    if (!hasGpuGeometry() || !glReady() || !createQuadBuffer()) return;
    mat4 pmv = modelMatrix(*this, model);
    pmv *= cameraMatrices.lineProjectionView;
    // attribute 0 reads the lines now: the corner arrays must be pointed again
    bound = false;
    drawLineBuffer(flatBuffer, flatVertexCount, pmv, colour, last);
}

void Mesh::paintCorners(uint32_t vertex, uint32_t startTriangle, const pbr& material, uint8_t mask) {
    const int32_t v = int32_t(vertex);
    int32_t t = int32_t(startTriangle);
    // a broken ring must not spin for ever
    for (int steps = 0; steps <= triangleCount(); ++steps) {
        MeshTriangle& tri = triangles[t];
        const int i = tri.cornerOf(v);
        if (i < 0) return;
        pbrCopyMasked(tri.corner[i], material, mask);
        const int e = (i + 1) % 3;
        if (tri.marked(e) || tri.neighbour[e] == -1) return;
        t = tri.neighbour[e];
        if (t == int32_t(startTriangle)) return;
    }
}

} // namespace kal
