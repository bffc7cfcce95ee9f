// The clay element: its private mesh, the two corner-position buffers, upload, drawing, the
// read-back into the mesh, conversion, subdivision and the scene record.
#include "elements/Clay.h"

#include <QOpenGLFunctions_4_0_Core>

#include <cstring>

#include "foundation/ByteBuffer.h"
#include "foundation/Log.h"
#include "foundation/Pbr.h"
#include "gpu/Filters.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "mesh/MeshGpuArrays.h"
#include "gpu/ShaderTable.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "scene/CameraMatrices.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

namespace kal {

Clay::Clay(Element* element) : Element(ClayType) {
    // only a mesh can be held; anything else would be read as one
    source = element && element->typeCode == MeshType ? static_cast<Mesh*>(element->clone()) : new Mesh();
    reset();
    rebuild(Recenter::Keep);
}

Clay::~Clay() {
    if (buffers[0] != 0) releaseBuffers();
    // the source is private: nothing else holds it, whatever its count says
    delete source;
}

void Clay::reset() {
    Element::reset();
    typeCode = ClayType;
    buffers.assign(2, 0);
    current = 0;
}

void Clay::rebuild(Recenter mode) {
    if (!source) return;
    // a rebuild may drop dead triangles: sculpted positions must reach the mesh first, and a
    // changed triangle set needs a fresh upload. Sculpting that cannot come back leaves the clay
    // as it is, its buffers included; the next rebuild tries again.
    const bool uploaded = buffers[0] != 0;
    if (uploaded && !readBack()) {
        qCWarning(logGpu, "ERROR Clay::rebuild: the sculpting could not come back from the GPU; left as it is");
        return;
    }
    const int before = source->triangleCount();
    source->rebuild(mode);
    translation = source->translation;
    scale = source->scale;
    if (uploaded && source->triangleCount() != before) reupload();
}

Element* Clay::acquire(int n) {
    useCount += n;
    if (source) source->acquire(n);
    return this;
}

void Clay::release(int n) {
    // the source lives as long as the clay: deleting it here would leave the clay pointing at
    // freed memory while another holder still draws it
    useCount -= n;
    if (source) source->useCount -= n;
}

Element* Clay::clone() {
    // a copy of the stale mesh would lack the sculpting: there is none until it can come back
    if (!bringHome()) {
        qCWarning(logGpu, "ERROR Clay::clone: the sculpting could not come back from the GPU; no copy made");
        return nullptr;
    }
    Clay* copy = new Clay(source);
    copy->translation = translation;
    copy->scale = scale;
    return copy;
}

Element* Clay::toMesh() {
    // a mesh of the stale copy would lose the sculpting
    if (!bringHome() || !source) return nullptr;
    // the copy is rebuilt, not the source: purging the source's dead records would leave the
    // uploaded corners out of step with its triangles
    Element* mesh = source->clone();
    mesh->rebuild(Recenter::Keep);
    mesh->translation = translation;
    mesh->scale = scale;
    return mesh;
}

bool Clay::subdivide(bool flag) {
    if (!source) return false;
    // without a context the sculpted positions cannot come back: subdividing the old ones
    // would throw the sculpting away
    if (buffers[0] != 0 && !readBack()) return false;
    source->subdivide(flag);
    for (int i = 0; i < 3; ++i) {
        source->smooth(1);
        source->relax(false, false);
    }
    reupload();
    return true;
}

void Clay::listParts(std::vector<Element*>& out) {
    if (source) out.push_back(source);
}

bool Clay::updateGpu() {
    if (buffers[0] != 0) return true;
    if (!source || source->triangleCount() == 0 || !glReady()) return false;
    gl->glFlush();
    gl->glGetError();
    const int n = source->triangleCount();
    const int nv = source->vertexCount();
    std::vector<float> corners(size_t(9) * size_t(n), 0.0f);
    lastCorner.assign(size_t(nv), -1);
    float* p = corners.data();
    for (int t = 0; t < n; ++t) {
        const MeshTriangle& tri = source->triangles[t];
        for (int k = 0; k < 3; ++k, p += 3) {
            const int32_t v = tri.vertex[k];
            if (v < 0 || v >= nv) continue; // a dead record may name nothing: its corner stays at 0
            std::memcpy(p, &source->vertices[v].position, 12);
            lastCorner[size_t(v)] = 3 * t + k;
        }
    }
    vertexCount = 3 * n;
    GLuint names[2] = {0, 0};
    gl->glGenBuffers(2, names);
    for (GLuint name : names) {
        bindArrayBuffer(name);
        arrayBufferData(long(corners.size() * sizeof(float)), corners.data());
    }
    bindArrayBuffer(0);
    gl->glFlush();
    if (const GLenum error = gl->glGetError()) {
        // keeping the names would make every later call believe the upload happened
        gl->glDeleteBuffers(2, names);
        vertexCount = 0;
        return uploadRefused(*this, "Clay", 2 * corners.size() * sizeof(float), glErrorName(error));
    }
    uploadFailed = false;
    buffers[0] = names[0];
    buffers[1] = names[1];
    bound = false;
    return true;
}

void Clay::releaseGpu() {
    if (buffers[0] == 0) return;
    // work that exists only on the GPU comes home before the buffers go; when it cannot, they
    // stay (the clay still draws from them) and the next release tries again
    if (!readBack()) {
        qCWarning(logGpu, "ERROR Clay::releaseGpu: the sculpting could not come back from the GPU; buffers kept");
        return;
    }
    releaseBuffers();
}

void Clay::releaseBuffers() {
    if (glReady()) {
        unbind();
        gl->glFlush();
        GLuint names[2] = {buffers[0], buffers[1]};
        gl->glDeleteBuffers(2, names);
    }
    buffers.assign(2, 0);
    current = 0;
    bound = false;
}

void Clay::reupload() {
    if (buffers[0] != 0) releaseBuffers();
    updateGpu();
}

bool Clay::bind() {
    return bindOnce(updateGpu(), bound, [this] { feedAttributeZero(buffers[current]); });
}

void Clay::unbind() {
    if (!bound) return;
    if (glReady()) stopFeedingAttributeZero();
    bound = false;
}

bool Clay::useShader() {
    if (!shaderClay->bind() || Shader::currentProgram == 0) return false;
    return bind();
}

void Clay::endDraw() { unbind(); }

void Clay::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool, float, bool last) {
    if (!useShader()) return;
    drawPass(objectId, itemId, model, material, last);
}

void Clay::drawPass(uint32_t objectId, int32_t itemId, const mat4& world, const pbr& material, bool last) {
    mat4 pmv = inverseTransform();
    pmv *= world;
    pmv *= cameraMatrices.projectionView;
    setUniformMat4("ProjectionModelViewMatrix", pmv);
    gl->glUniform1ui(uniformLocation("ObjectId"), objectId);
    gl->glUniform1ui(uniformLocation("ItemId"), uint32_t(itemId));
    setUniformVec4("ObjectColor", vec4(material.red / 65535.0f, material.green / 65535.0f, material.blue / 65535.0f,
                                       material.opacity / 65535.0f));
    setUniformVec4("ObjectLight", vec4(material.lightRed / 65535.0f, material.lightGreen / 65535.0f,
                                       material.lightBlue / 65535.0f, material.refractivity / 65535.0f));
    const GLint surface[2] = {2 * material.roughness, 2 * material.metalness};
    gl->glUniform2iv(uniformLocation("ObjectMaterial"), 1, surface);
    gl->glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    if (last) endDraw();
}

bool Clay::readBack() {
    if (buffers[0] == 0 || !source || !glReady()) return false;
    const int n = source->triangleCount();
    const int nv = source->vertexCount();
    // corners uploaded for another triangle set would land on the wrong vertices
    if (n == 0 || vertexCount != 3 * n || lastCorner.size() != size_t(nv)) return false;
    // allocated before the map: nothing between map and unmap may throw and leave it mapped
    std::vector<vec3> read(static_cast<size_t>(nv));
    bindArrayBuffer(buffers[current]);
    const void* mapped = gl->glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY);
    if (!mapped) {
        bindArrayBuffer(0);
        qCWarning(logGpu, "ERROR Clay::readBack: %s", glErrorName(gl->glGetError()));
        return false;
    }
    // each vertex takes the position of its last corner in triangle order; they land in the
    // source only once the unmap says the store held while it was read
    const float* corners = static_cast<const float*>(mapped);
    for (int v = 0; v < nv; ++v) {
        const int32_t c = lastCorner[size_t(v)];
        if (c < 0) continue;
        const float* p = corners + 3 * size_t(c);
        read[size_t(v)] = vec3(p[0], p[1], p[2]);
    }
    const bool kept = gl->glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE;
    bindArrayBuffer(0);
    if (!kept) {
        qCWarning(logGpu, "ERROR Clay::readBack: the store was lost while mapped");
        return false;
    }
    for (int v = 0; v < nv; ++v)
        if (lastCorner[size_t(v)] >= 0) source->vertices[v].position = read[size_t(v)];
    return true;
}

bool Clay::bringHome() { return buffers[0] == 0 || readBack(); }

bool Clay::save(ByteBuffer& out) {
    // sculpting that cannot come back from the GPU must not be written as the stale copy
    if (!bringHome()) return false;
    if (!source) return true;
    // the record carries the clay's own placement (the mesh body is its only store)
    source->translation = translation;
    source->scale = scale;
    ByteBuffer record;
    source->save(record);
    const uint32_t tag = clayRecordTag;
    std::memcpy(record.data(), &tag, 4);
    out.append(record.data(), record.size());
    return true;
}

namespace {

Element* makeClay(Element* mesh) {
    if (!mesh || mesh->typeCode != MeshType) return nullptr;
    return new Clay(mesh);
}

// The record is a mesh record under the clay's tag; the clay makes a mesh of its own first.
Element* readClayRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok) {
    if (!chargeRead(sizeof(Clay) + sizeof(Mesh))) return ok = false, nullptr;
    Element* mesh = readMeshRecord(in, tag, end, ok);
    if (!ok) return nullptr;
    // the clay takes the mesh it was read into instead of a second copy of it
    Clay* clay = new Clay(nullptr);
    delete clay->source;
    clay->source = static_cast<Mesh*>(mesh);
    clay->rebuild(Recenter::Keep);
    return clay;
}

} // namespace

void registerClayRecords() {
    registerClayFactory(makeClay);
    registerElementReader(clayRecordTag, readClayRecord);
}

} // namespace kal
