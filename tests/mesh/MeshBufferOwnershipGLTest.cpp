// GL buffer names belong to one mesh: copies never share them, and release forgets them.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include "gpu/GLFunctions.h"
#include "mesh/Mesh.h"

namespace {

using namespace kal;

GLuint newBuffer() {
    GLuint id = 0;
    gl->glGenBuffers(1, &id);
    gl->glBindBuffer(GL_ARRAY_BUFFER, id);
    gl->glBufferData(GL_ARRAY_BUFFER, 64, nullptr, GL_DYNAMIC_DRAW);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return id;
}

Mesh withBuffers() {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0, 1, 0));
    pbr material;
    m.addTriangle(MeshTriangle(0, 1, 2, -1, -1, -1, false, false, false, material, material, material));
    m.rebuild(Recenter::Keep);
    m.glBuffer = newBuffer();
    m.flatBuffer = newBuffer();
    return m;
}

TEST(MeshBufferOwnership, destroyingACopyLeavesTheOriginalsBuffersAlive) {
    Mesh m = withBuffers();
    GLuint corner = m.glBuffer, flat = m.flatBuffer;
    {
        Mesh copy(m);
        EXPECT_EQ(copy.glBuffer, 0u);
        Mesh assigned;
        assigned = m;
        EXPECT_EQ(assigned.glBuffer, 0u);
        Element* clone = m.clone();
        delete clone;
    }
    EXPECT_TRUE(gl->glIsBuffer(corner));
    EXPECT_TRUE(gl->glIsBuffer(flat));
    m.releaseGpu();
    EXPECT_FALSE(gl->glIsBuffer(corner));
    EXPECT_FALSE(gl->glIsBuffer(flat));
    EXPECT_EQ(m.glBuffer, 0u);
    EXPECT_EQ(m.flatBuffer, 0u);
    EXPECT_FALSE(m.hasGpuGeometry());
    EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
}

TEST(MeshBufferOwnership, resetAndAssignmentDoNotOrphanOrDoubleFreeBuffers) {
    Mesh m = withBuffers();
    GLuint corner = m.glBuffer, flat = m.flatBuffer;
    m.reset();
    EXPECT_FALSE(gl->glIsBuffer(corner));
    EXPECT_FALSE(gl->glIsBuffer(flat));
    EXPECT_EQ(m.glBuffer, 0u);
    EXPECT_EQ(m.flatBuffer, 0u);

    Mesh target = withBuffers();
    GLuint own = target.glBuffer;
    Mesh source = withBuffers();
    target = source;
    // the target keeps (and later refills) its own buffer; the source keeps its own
    EXPECT_EQ(target.glBuffer, own);
    EXPECT_NE(source.glBuffer, own);
    EXPECT_TRUE(target.geometryChanged);
    EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
