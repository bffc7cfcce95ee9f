// The GL side of tubes and revolutions: the upload of the stale arrays into the corner buffer and
// of the outline into the line buffer, binding, the main pass and the outline and preview passes.
// Needs the viewport's context to be current.
#include <QOpenGLFunctions_4_0_Core>

#include <new>

#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/CameraMatrices.h"

namespace kal {

namespace {

template <class V>
long byteSize(const V& v) {
    return long(v.size() * sizeof(typename V::value_type));
}

void writeArray(uint32_t offset, long bytes, const void* data) {
    if (bytes > 0) arrayBufferSubData(long(offset), bytes, data);
}

// The staging area is kept for the next rebuild up to this size; past it, it goes once its
// surface is uploaded, so one large surface does not hold its size in memory for good.
constexpr size_t keptStagingBytes = size_t(16) << 20;

template <class V>
size_t capacityBytes(const V& v) {
    return v.capacity() * sizeof(typename V::value_type);
}

size_t stagingBytes(const SurfaceArrays& a) {
    return capacityBytes(a.positions) + capacityBytes(a.normals) + capacityBytes(a.colours) + capacityBytes(a.lights) +
           capacityBytes(a.materials) + capacityBytes(a.ids) + capacityBytes(a.lines);
}

const char* kindName(const CurveSurface& s) { return s.typeCode == TubeType ? "Tube" : "Revolution"; }

} // namespace

bool CurveSurface::updateGpu() {
    if (vertexBuffer == 0) {
        rebuildNeeded = true;
        lineBuffer = 0;
    } else if (!rebuildNeeded && !needsUpload()) {
        return true;
    }
    // every try builds the surface anew: a refused one waits until the surface changes
    if (uploadFailed) return ++undrawnThisFrame, false;
    if (rebuildNeeded)
        for (bool& s : stale) s = true;
    // one staging area for every surface: its storage outlives the call (up to keptStagingBytes),
    // so a rebuild of the same size writes into memory already there
    static SurfaceArrays arrays;
    struct Trim {
        ~Trim() {
            if (stagingBytes(arrays) > keptStagingBytes) arrays = SurfaceArrays();
        }
    } trim;
    bool built = false;
    try {
        built = buildArrays(stale, arrays);
    } catch (const std::bad_alloc&) {
        arrays = SurfaceArrays();
        vertexCount = 0;
        lineVertexCount = 0;
        return uploadRefused(*this, kindName(*this), sweepBytes(), "out of memory");
    }
    if (!built) {
        vertexCount = 0;
        lineVertexCount = 0;
        return false;
    }
    if (!glReady()) return false;
    gl->glFlush();
    gl->glGetError();

    const uint32_t n = uint32_t(arrays.corners);
    vertexCount = arrays.corners;
    uint32_t at = 0;
    for (int a = 0; a < 6; ++a) {
        arrayOffsets[a] = at;
        at += n * cornerAttributeBytes[a];
    }
    bindArrayStorage(vertexBuffer, long(at), rebuildNeeded);
    if (stale[StalePositions]) writeArray(arrayOffsets[0], byteSize(arrays.positions), arrays.positions.data());
    if (stale[StaleNormals]) writeArray(arrayOffsets[1], byteSize(arrays.normals), arrays.normals.data());
    if (stale[StaleMaterials]) {
        writeArray(arrayOffsets[2], byteSize(arrays.colours), arrays.colours.data());
        writeArray(arrayOffsets[3], byteSize(arrays.lights), arrays.lights.data());
        writeArray(arrayOffsets[4], byteSize(arrays.materials), arrays.materials.data());
    }
    if (stale[StaleIds]) writeArray(arrayOffsets[5], byteSize(arrays.ids), arrays.ids.data());
    bindArrayBuffer(0);

    if (!arrays.lines.empty()) {
        lineVertexCount = int32_t(arrays.lines.size() / 3);
        const long bytes = byteSize(arrays.lines);
        bindArrayStorage(lineBuffer, bytes, rebuildNeeded);
        writeArray(0, bytes, arrays.lines.data());
        bindArrayBuffer(0);
    } else if (stale[StalePositions] && lineBuffer != 0) {
        lineVertexCount = 0;
        bindArrayBuffer(lineBuffer);
        if (rebuildNeeded) arrayBufferData(0, nullptr);
        bindArrayBuffer(0);
    } else if (stale[StalePositions]) {
        lineVertexCount = 0;
    }

    gl->glFlush();
    if (const GLenum error = gl->glGetError()) return uploadRefused(*this, kindName(*this), at, glErrorName(error));
    uploadFailed = false;
    for (bool& s : stale) s = false;
    rebuildNeeded = false;
    bound = false;
    return true;
}

void CurveSurface::releaseGpu() {
    if (vertexBuffer == 0) return;
    // without a published context the names cannot be deleted; forgetting them beats a crash
    if (glReady()) {
        unbind();
        gl->glFlush();
        gl->glDeleteBuffers(1, &vertexBuffer);
        gl->glDeleteBuffers(1, &lineBuffer);
    }
    vertexBuffer = 0;
    lineBuffer = 0;
    lineVertexCount = 0;
    bound = false;
    rebuildNeeded = true;
    uploadFailed = false; // a new context may take it
}

bool CurveSurface::bind() {
    return bindOnce(updateGpu(), bound, [this] { pointCornerAttributes(vertexBuffer, arrayOffsets); });
}

void CurveSurface::unbind() {
    if (!bound) return;
    if (glReady()) unpointCornerAttributes();
    bound = false;
}

bool CurveSurface::useShader() {
    if (!shaderMesh || !shaderMesh->bind()) return false;
    return bind();
}

void CurveSurface::endDraw() { unbind(); }

void CurveSurface::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool, float,
                        bool last) {
    changeStamp();
    if (!useShader()) return;
    mat4 m = inverseTransform();
    m *= model;
    setSurfaceUniforms(objectId, itemId, m, material);
    gl->glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    if (last) endDraw();
}

bool CurveSurface::hasGpuGeometry() { return lineBuffer != 0 && lineVertexCount != 0; }

void CurveSurface::drawFlat(const mat4& model, const uint8_t* colour, bool last) {
    if (lineBuffer == 0 || lineVertexCount == 0 || !glReady()) return;
    mat4 pmv = inverseTransform();
    pmv *= model;
    pmv *= cameraMatrices.lineProjectionView;
    // attribute 0 reads the lines now: the corner arrays must be pointed again
    bound = false;
    drawLineBuffer(lineBuffer, lineVertexCount, pmv, colour, last);
}

bool CurveSurface::hasEditPreview() { return editPreview != nullptr; }

void CurveSurface::drawEditPreview(const mat4& model, const uint8_t* colour, bool) {
    if (editPreview) editPreview->drawFlat(model, colour, true);
}

} // namespace kal
