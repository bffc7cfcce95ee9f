// Hooks for the element kinds this build does not make yet (curves, tubes, revolutions, arrays):
// each does nothing until its kind lands, and the steps that call them go on as for any other kind.
#include "viewport/GLView.h"

namespace kal {

void GLView::buildDrawnTool() {}
void GLView::buildProfileFromDrawing() {}
void GLView::extendRevolutionAxis() {}
bool GLView::loadArrayForEditing(Tool*) { return false; }

} // namespace kal
