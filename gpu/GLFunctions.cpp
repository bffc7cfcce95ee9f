#include "gpu/GLFunctions.h"

#include <QOpenGLContext>

namespace kal {

QOpenGLFunctions_4_0_Core* gl = nullptr;

void setGLFunctions(QOpenGLFunctions_4_0_Core* functions) { gl = functions; }

bool glReady() { return gl && QOpenGLContext::currentContext(); }

} // namespace kal
