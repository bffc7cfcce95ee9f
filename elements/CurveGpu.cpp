// The curve's line buffer (a then b of every alive segment, three floats each), its binding, the
// main draw with the object uniforms and the flat single-colour draw. Needs the viewport's
// context to be current.
#include <QOpenGLFunctions_4_0_Core>

#include <atomic>
#include <cstring>

#include "elements/Curve.h"
#include "foundation/Parallel.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/CameraMatrices.h"

namespace kal {

namespace {

void pointAttributeAt(uint32_t buffer, uint32_t offset) {
    bindArrayBuffer(buffer);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, reinterpret_cast<const void*>(uintptr_t(offset)));
    attributeZeroTaken();
}

} // namespace

void Curve::buildLineVertices(std::vector<float>& out) const {
    // every segment writes its own slot, in blocks; the dead ones are squeezed out afterwards
    out.resize(segments.size() * 6);
    std::atomic<bool> anyDead{false};
    parallelFor(segmentCount(), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const CurveSegment& s = segments[size_t(i)];
            if (!s.alive()) {
                anyDead.store(true, std::memory_order_relaxed);
                continue;
            }
            float* o = out.data() + 6 * size_t(i);
            std::memcpy(o, &points[size_t(s.a)].position, 12);
            std::memcpy(o + 3, &points[size_t(s.b)].position, 12);
        }
    });
    if (!anyDead) return;
    float* o = out.data();
    for (size_t i = 0; i < segments.size(); ++i) {
        if (!segments[i].alive()) continue;
        std::memmove(o, out.data() + 6 * i, 24);
        o += 6;
    }
    out.resize(size_t(o - out.data()));
}

bool Curve::uploadPending() { return uploadNeeded; }

bool Curve::hasGpuGeometry() { return !segments.empty(); }

bool Curve::updateGpu() {
    if (buffer == 0) {
        geometryDirty = true;
        uploadNeeded = true;
        if (segments.empty()) return false;
    } else {
        if (geometryDirty) uploadNeeded = true;
        if (!uploadPending()) return true;
        if (segments.empty()) return false;
    }
    if (!glReady()) return false;
    gl->glFlush();
    gl->glGetError();
    static thread_local std::vector<float> scratch;
    buildLineVertices(scratch);
    vertexCount = int32_t(scratch.size() / 3);
    vertexOffset = 0;
    const long bytes = long(scratch.size() * sizeof(float));
    bindArrayStorage(buffer, bytes, geometryDirty);
    if (uploadNeeded && bytes > 0) arrayBufferSubData(long(vertexOffset), bytes, scratch.data());
    bindArrayBuffer(0);
    gl->glFlush();
    if (const GLenum error = gl->glGetError())
        return uploadRefused(*this, "Curve", uint64_t(bytes), glErrorName(error));
    uploadFailed = false;
    uploadNeeded = false;
    geometryDirty = false;
    bound = false;
    return true;
}

void Curve::releaseGpu() {
    if (buffer == 0) return;
    // without a published context the name cannot be deleted; forgetting it beats a crash
    if (glReady()) {
        unbind();
        gl->glFlush();
        gl->glDeleteBuffers(1, &buffer);
    }
    buffer = 0;
    bound = false;
    geometryDirty = true;
    uploadNeeded = true;
}

bool Curve::bind() {
    return bindOnce(updateGpu(), bound, [this] { pointAttributeAt(buffer, vertexOffset); });
}

void Curve::unbind() {
    if (!bound) return;
    if (glReady()) stopFeedingAttributeZero();
    bound = false;
}

bool Curve::useShader() {
    if (!shaderCurve || !shaderCurve->bind()) return false;
    return bind();
}

void Curve::endDraw() { unbind(); }

void Curve::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool, float, bool last) {
    changeStamp();
    if (!useShader()) return;
    mat4 P = inverseTransform();
    P *= model;
    P *= cameraMatrices.projectionView;
    gl->glUniformMatrix4fv(uniformLocation("ProjectionModelViewMatrix"), 1, GL_FALSE, P.m);
    setObjectUniforms(objectId, itemId, material);
    gl->glDrawArrays(GL_LINES, 0, vertexCount);
    if (last) endDraw();
}

void Curve::drawFlat(const mat4& model, const uint8_t* colour, bool last) {
    if (!bind()) return;
    mat4 P = inverseTransform();
    P *= model;
    P *= cameraMatrices.lineProjectionView;
    // the lines start at 0, the main draw's vertices at vertexOffset: the next bind points again
    bound = false;
    drawLineBuffer(buffer, vertexCount, P, colour, last);
}

} // namespace kal
