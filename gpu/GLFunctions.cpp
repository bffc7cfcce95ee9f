#include "gpu/GLFunctions.h"

namespace kal {

QOpenGLFunctions_4_0_Core* gl = nullptr;

void setGLFunctions(QOpenGLFunctions_4_0_Core* functions) { gl = functions; }

} // namespace kal
