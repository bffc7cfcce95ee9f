// The end of a drawn build: the curve made from the stroke chain goes into the pending template
// and the template is placed where the stroke was drawn. Each build makes a fresh curve from the
// whole stroke, so the template never depends on the builds before it.
#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "elements/UCurve.h"
#include "editing/StrokeChain.h"
#include "mesh/Mesh.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"

namespace kal {

namespace {

// The drawing's chain as the lists of a curve, in the drawing frame; the frame is returned.
struct DrawnChain {
    std::vector<vec3> positions, normals;
    std::vector<float> radii;
    std::vector<bool> marks;
};

} // namespace

void GLView::buildDrawnTool() {
    if (assemblor.strokes.empty() && assemblor.picks.empty()) return;
    const bool closedCurve = drawnCurveClosed();
    DrawnChain c;
    const mat4 frame =
        buildStrokeChain(assemblor, c.positions, c.normals, c.radii, c.marks, closedCurve, firstPlacement);
    placeDrawnCurve(c.positions, c.radii, c.marks, closedCurve, frame);
}

bool GLView::buildProfileFromDrawing() {
    if (!pendingTool || !isProfileKind(insertKind)) return false;
    // two drawn points close into a sliver of the curve between them, which outlines nothing
    size_t drawn = 0;
    for (const AStroke& s : assemblor.strokes) drawn += s.picks.size();
    if (drawn < 3) return false;
    DrawnChain c;
    strokeFrame = buildStrokeChain(assemblor, c.positions, c.normals, c.radii, c.marks, true, firstPlacement);
    const Curve outlineCurve(c.positions, c.radii, c.marks, true, 0);
    mat4 M;
    const Outline outline = Curve::projectOntoFitPlane(outlineCurve, M);
    // points that fix no plane (a line, a single point) make no profile
    if (outline.points.size() < 3) return false;
    Mesh* mesh = new Mesh(Mesh::fromOutline(outline, false, uint8_t(profileIndex(insertKind)), uint8_t(thickness)));
    if (mesh->triangleCount() == 0) {
        delete mesh;
        return false;
    }
    // from the outline's plane back into the drawing frame
    mesh->transformVertices(M);
    mesh->rebuild(Recenter::Box);
    pendingTool->setElement(mesh);
    redraw = true;
    return true;
}

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
    } else if ((insertKind == InsertKind::Revolution || insertKind == InsertKind::TubeDrawnSection ||
                insertKind == InsertKind::Tube) &&
               pendingTool->element &&
               (pendingTool->element->typeCode == TubeType || pendingTool->element->typeCode == RevolutonType)) {
        CurveSurface* surface = static_cast<CurveSurface*>(pendingTool->element);
        if (insertKind == InsertKind::TubeDrawnSection) {
            surface->setSection(curve);
        } else {
            surface->setAxis(curve);
        }
    } else if (isArrayKind(insertKind) && pendingTool->isArray()) {
        // a fresh following curve over each build's curve; the last build's goes with its holder
        pendingTool->setElement(new UCurve(curve, 2));
    } else {
        delete curve; // no other drawn kind has a home for it in this build
        return;
    }
    Element* e = pendingTool->element;
    e->rebuild(Recenter::Box);
    // the element's own placement first, then the stroke frame
    mat4 placement = inverseAffine(e->inverseTransform());
    placement *= strokeFrame;
    pendingTool->transform = placement;
    redraw = true;
}

} // namespace kal
