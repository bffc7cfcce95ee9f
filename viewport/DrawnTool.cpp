// The end of a drawn build: the curve made from the stroke chain goes into the pending template
// and the template is placed where the stroke was drawn. Each build makes a fresh curve from the
// whole stroke, so the template never depends on the builds before it.
#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"

namespace kal {

bool GLView::drawnCurveClosed() const { return closed || isProfileKind(insertKind); }

void GLView::placeDrawnCurve(const std::vector<vec3>& positions, const std::vector<float>& radii,
                             const std::vector<bool>& marks, bool closedCurve, const mat4& frame) {
    if (!pendingTool) return;
    strokeFrame = frame;
    // a profile outline is always closed, whatever the caller passed
    if (isProfileKind(insertKind)) closedCurve = true;
    Curve* curve = new Curve(positions, radii, marks, closedCurve, 0);
    // the template lets go of the previous build's curve (deleted when nobody else holds it)
    if (isProfileKind(insertKind)) {
        pendingTool->setElement(curve);
    } else if (insertKind >= 18 && insertKind <= 20 && pendingTool->element &&
               (pendingTool->element->typeCode == TubeType || pendingTool->element->typeCode == RevolutonType)) {
        CurveSurface* surface = static_cast<CurveSurface*>(pendingTool->element);
        if (insertKind == 19) {
            surface->setSection(curve);
        } else {
            surface->setAxis(curve);
        }
    } else {
        delete curve; // no other drawn kind has a home for it in this build
        return;
    }
    Element* e = pendingTool->element;
    e->rebuild(2);
    // the element's own placement first, then the stroke frame
    mat4 placement = inverseAffine(e->inverseTransform());
    placement *= strokeFrame;
    pendingTool->transform = placement;
    redraw = true;
}

} // namespace kal
