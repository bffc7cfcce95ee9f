// The GL side of a mesh: binding its corner buffer to the six vertex attributes and releasing
// its buffers. Needs the viewport's context to be current.
#include <QOpenGLFunctions_4_0_Core>

#include "gpu/GLFunctions.h"
#include "mesh/Mesh.h"

namespace kal {

void Mesh::releaseGpu() {
    if (glBuffer == 0 && flatBuffer == 0) return;
    // without a published context the names cannot be deleted; forgetting them beats a crash
    if (gl) {
        unbind();
        gl->glFlush();
        if (glBuffer != 0) gl->glDeleteBuffers(1, &glBuffer);
        if (flatBuffer != 0) gl->glDeleteBuffers(1, &flatBuffer);
    }
    // stale names would be deleted again (or drawn) later
    glBuffer = 0;
    flatBuffer = 0;
    bound = false;
    gpuVertexCount = 0;
    flatVertexCount = 0;
    geometryChanged = true;
    for (bool& p : partChanged) p = true;
}

bool Mesh::bind() {
    if (!updateGpu()) return false;
    if (bound) return true;
    if (!gl || glBuffer == 0) return false;
    gl->glBindBuffer(GL_ARRAY_BUFFER, glBuffer);
    for (GLuint a = 0; a < 6; ++a) gl->glEnableVertexAttribArray(a);
    auto at = [this](int i) { return reinterpret_cast<const void*>(uintptr_t(attributeOffset[i])); };
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, at(0));
    gl->glVertexAttribPointer(1, 3, GL_HALF_FLOAT, GL_FALSE, 0, at(1));
    gl->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, at(2));
    gl->glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, at(3));
    gl->glVertexAttribIPointer(4, 2, GL_SHORT, 0, at(4));
    gl->glVertexAttribIPointer(5, 1, GL_UNSIGNED_INT, 0, at(5));
    bound = true;
    return true;
}

void Mesh::unbind() {
    if (!bound) return;
    if (gl) {
        for (GLuint a = 0; a < 6; ++a) gl->glDisableVertexAttribArray(a);
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    bound = false;
}

void Mesh::endDraw() { unbind(); }

bool Mesh::hasGpuGeometry() { return flatBuffer != 0 && flatVertexCount != 0; }

} // namespace kal
