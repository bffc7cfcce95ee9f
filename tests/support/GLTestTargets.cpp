#include "GLTestTargets.h"

#include "gpu/FBO.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Texture2D.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal::test {

void resetSharedGeometry() {
    releaseQuadBuffer();
    releaseCircleBuffer();
    sharedVertexArray = 0;
}

std::unique_ptr<FBO> makeColourTarget(int w, int h, Texture2D*& colour, float r, float g, float b, float a) {
    auto target = std::make_unique<FBO>(0, w, h, 1);
    colour = target->addAttachment(
        new Texture2D(w, h, glenum::Rgba8, glenum::Rgba, glenum::UnsignedByte, glenum::ClampToEdge, glenum::Nearest));
    if (!target->bind()) return nullptr;
    gl->glViewport(0, 0, w, h);
    gl->glDrawBuffer(GLenum(colour->attachment));
    gl->glClearColor(r, g, b, a);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    return target;
}

} // namespace kal::test
