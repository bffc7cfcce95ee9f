#include "gpu/GLCallCounter.h"

#include "gpu/GLFunctions.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

namespace {
GLCallCounts counts;
}

void useProgram(unsigned program) {
    ++counts.useProgram;
    if (glReady()) gl->glUseProgram(program);
}

void bindArrayBuffer(unsigned buffer) {
    ++counts.bindArrayBuffer;
    if (glReady()) gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void arrayBufferData(long bytes, const void* data) {
    ++counts.bufferData;
    if (glReady()) gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), data, GL_DYNAMIC_DRAW);
}

void arrayBufferSubData(long offset, long bytes, const void* data) {
    ++counts.bufferSubData;
    if (glReady()) gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(offset), GLsizeiptr(bytes), data);
}

void bindArrayStorage(unsigned& buffer, long bytes, bool resize) {
    const bool fresh = buffer == 0;
    if (fresh && glReady()) gl->glGenBuffers(1, &buffer);
    bindArrayBuffer(buffer);
    if (fresh || resize) arrayBufferData(bytes, nullptr);
}

GLCallCounts glCallCounts() { return counts; }

} // namespace kal
