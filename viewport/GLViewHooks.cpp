// Hooks for the element kinds this build does not make yet (arrays):
// each does nothing until its kind lands, and the steps that call them go on as for any other kind.
#include "viewport/GLView.h"

namespace kal {

void GLView::extendRevolutionAxis() {}
bool GLView::loadArrayForEditing(Tool*) { return false; }

} // namespace kal
