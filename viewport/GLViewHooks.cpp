// Placeholders for the steps that other files of the viewport provide. Each one goes away when its
// real body lands; until then the frame runs with nothing happening at these points.
#include "viewport/GLView.h"

namespace kal {

void GLView::keyStep() {}
void GLView::pressStep() {}
void GLView::releaseStep() {}
void GLView::buildDrawnTool() {}
void GLView::setLastStrokeRadius(float) {}

} // namespace kal
