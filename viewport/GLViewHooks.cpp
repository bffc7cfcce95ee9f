// Enter with Alt on a revolution drawing: the drawn profile is carried onto the axis it turns
// about, so the surface closes at both ends.
#include <cmath>

#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"

namespace kal {

void GLView::extendRevolutionAxis() {
    Element* e = pendingTool ? pendingTool->element : nullptr;
    if (!e || e->typeCode != RevolutonType) return;
    Curve* axis = static_cast<Revoluton*>(e)->axis;
    if (!axis || axis->points.empty()) return;
    const int n = axis->pointCount();
    // a third segment at a point would make the curve invalid: only free ends are extended
    std::vector<int> uses(size_t(n), 0);
    for (const CurveSegment& s : axis->segments) {
        if (!s.alive() || s.a < 0 || s.a >= n || s.b < 0 || s.b >= n) continue;
        ++uses[size_t(s.a)];
        ++uses[size_t(s.b)];
    }
    const int first = 0, last = n - 1;
    if (first == last || uses[size_t(first)] != 1 || uses[size_t(last)] != 1) return;
    // an end already on the axis would only add a segment of no length
    auto offAxis = [](vec3 p) { return std::fabs(p.x) >= 0.0001f || std::fabs(p.z) >= 0.0001f; };
    const CurvePoint endPoint = axis->points[size_t(last)];
    const CurvePoint startPoint = axis->points[size_t(first)];
    if (offAxis(endPoint.position)) {
        const int q = axis->addPoint(vec3(0, endPoint.position.y, 0));
        axis->points[size_t(q)].radius = endPoint.radius;
        axis->addSegment(last, q);
    }
    if (offAxis(startPoint.position)) {
        const int q = axis->addPoint(vec3(0, startPoint.position.y, 0));
        axis->points[size_t(q)].radius = startPoint.radius;
        axis->addSegment(q, first);
    }
    axis->touch();
    e->touch();
    e->rebuild(Recenter::Box);
}

} // namespace kal
