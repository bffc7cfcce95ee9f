#include "gpu/GLCallCounter.h"

#include "gpu/GLFunctions.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

namespace {
GLCallCounts counts;
}

void useProgram(unsigned program) {
    ++counts.useProgram;
    if (gl) gl->glUseProgram(program);
}

void bindArrayBuffer(unsigned buffer) {
    ++counts.bindArrayBuffer;
    if (gl) gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

GLCallCounts glCallCounts() { return counts; }

} // namespace kal
