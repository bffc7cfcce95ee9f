// Hooks for what this build does not make yet: each does nothing until its kind lands, and the
// steps that call them go on as for any other kind.
#include "viewport/GLView.h"

namespace kal {

void GLView::extendRevolutionAxis() {}

} // namespace kal
