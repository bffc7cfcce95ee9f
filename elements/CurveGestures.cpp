// The sculpt gestures of a curve: which operation runs, on which samples, by brush, selection
// mode and stroke state. Drags act on the step since the previous tick, erasers, subdivision
// and plane edits once on release, paint and fill on every tick before it.
#include <cmath>

#include "elements/Curve.h"
#include "scene/Gesture.h"

namespace kal {

namespace {

bool usableSamples(const std::vector<StrokeSample>& samples) {
    for (const StrokeSample& s : samples)
        if (!isFinite(s.point) || !std::isfinite(s.radius) || !std::isfinite(s.cursorX) || !std::isfinite(s.factor))
            return false;
    return !samples.empty();
}

// Whether the gesture goes on this tick; false ends the whole call.
bool ready(Curve& c, const Sculptor& g, size_t n) {
    const bool finished = g.isFinished();
    switch (g.action) {
    case Brush::Move:
    case Brush::CopyMove:
    case Brush::Rotate:
    case Brush::CopyRotate:
    case Brush::Scale:
    case Brush::CopyScale:
    case Brush::ScaleDirection:
    case Brush::Deform:
    case Brush::DeformVolume:
    case Brush::Smooth:
    case Brush::Twist:
        if (n < 2) return false;
        c.uploadNeeded = true;
        return true;
    case Brush::Subdivide:
    case Brush::EraseComponent:
    case Brush::ErasePatch:
    case Brush::EraseFeature:
        if (!finished) return false;
        c.geometryDirty = true;
        return true;
    case Brush::CutPlane:
        if (!(g.selectionMode == SelectPatch || (n >= 2 && finished))) return false;
        c.geometryDirty = true;
        return true;
    case Brush::ClipPlane:
    case Brush::SubPlane:
    case Brush::CutSphere:
    case Brush::ClipSphere:
        if (!(n >= 2 && finished)) return false;
        c.geometryDirty = true;
        return true;
    case Brush::PaintMaterial:
    case Brush::FillMaterial: return !finished;
    case Brush::PlacePoint:
        if (finished) {
            c.editList.clear();
            return false;
        }
        c.geometryDirty = true;
        return true;
    default: return true;
    }
}

// Brushes that move, thicken or turn points in place, adding and removing none.
bool movesPointsInPlace(Brush b) { return b == Brush::Deform || b == Brush::Smooth || b == Brush::Inflate; }

// What a point's place, thickness and turn are.
struct PointShape {
    vec3 position;
    float radius, twist;
};

std::vector<PointShape> pointShapes(const std::vector<CurvePoint>& points) {
    std::vector<PointShape> out(points.size());
    for (size_t i = 0; i < points.size(); ++i) out[i] = {points[i].position, points[i].radius, points[i].twist};
    return out;
}

void setPointShapes(std::vector<CurvePoint>& points, const std::vector<PointShape>& shapes) {
    for (size_t i = 0; i < points.size() && i < shapes.size(); ++i) {
        points[i].position = shapes[i].position;
        points[i].radius = shapes[i].radius;
        points[i].twist = shapes[i].twist;
    }
}

} // namespace

void Curve::applyGestures(const std::vector<Gesture*>& gestures) {
    // Symmetric copies whose brushes overlap would each move what the one before had moved: every
    // copy acts on the points as they were before the call, and their changes are added.
    std::vector<PointShape> start, summed;
    for (size_t gi = 0; gi < gestures.size(); ++gi) {
        Sculptor* g = dynamic_cast<Sculptor*>(gestures[gi]);
        // a stroke without usable samples changes nothing (a NaN would be saved for good)
        if (!g || !usableSamples(g->samples)) return;
        const size_t n = g->samples.size();
        if (!ready(*this, *g, n)) return;
        const Brush code = g->action;
        const int32_t mode = g->selectionMode;

        // the copy gestures copy the region once, on their first drag tick, and work on the copy
        if (hasBrushFlag(code, BrushCopiesRegion) && n == 2 && g->isRunning()) {
            StrokeSample& first = g->samples[0];
            int item = first.itemId;
            Element* copy = mode == SelectPatch ? extractPatch(first.point, item) : extractComponent(first.point, item);
            first.itemId = item;
            if (copy) {
                append(static_cast<const Curve&>(*copy));
                delete copy;
            }
            geometryDirty = true;
        }

        const bool together = gestures.size() > 1 && movesPointsInPlace(code);
        if (together && start.empty()) {
            start = pointShapes(points);
            summed = start;
        } else if (together) {
            setPointShapes(points, start);
        }

        const std::vector<StrokeSample>& s = g->samples;
        const StrokeSample& S0 = s[0];
        const StrokeSample& L = s[n - 1];
        const StrokeSample& A = n > 2 ? s[n - 2] : s[0];
        int item = S0.itemId;
        const bool wholeCurve = mode == SelectElement || mode == SelectAllPatches;
        auto plane = [&](vec3& N) {
            N = normalize(cross(g->viewDirection, S0.point - L.point));
            return S0.point;
        };
        switch (code) {
        case Brush::Move:
        case Brush::CopyMove:
            if (mode == SelectPatch) {
                movePatch(A.point, L.point, item);
            } else {
                moveComponent(A.point, L.point, item);
            }
            break;
        case Brush::Rotate:
        case Brush::CopyRotate: rotateSelection(A.point, L.point, item, mode, g->viewDirection); break;
        case Brush::Scale:
        case Brush::CopyScale: scaleSelection(A.point, L.point, item, mode, true); break;
        case Brush::ScaleDirection: scaleSelection(A.point, L.point, item, mode, false); break;
        case Brush::Deform:
            if (wholeCurve) {
                deformSphere(A.point, L.point, A.radius);
            } else {
                deformAlong(A.point, L.point, A.radius, item);
            }
            break;
        case Brush::Smooth:
            if (mode == SelectElement) {
                smoothSphere(A.point, A.radius);
            } else {
                smoothAlong(A.point, A.radius, A.itemId);
            }
            break;
        case Brush::Inflate: inflate(A.point, L.point, A.radius, item); break;
        case Brush::Twist:
            // one value for the whole curve: a stroke's copies all drag by the same step and turn it once
            if (gi == 0 && !points.empty()) {
                const float twist = points[0].twist + (L.cursorX - A.cursorX) / 1000.0f;
                for (CurvePoint& p : points) p.twist = twist;
            }
            break;
        case Brush::Subdivide:
            // one subdivision for the whole symmetric stroke
            subdivide(true);
            touch();
            return;
        case Brush::PaintMaterial:
            paintMaterial(A.point, A.radius, A.itemId, A.material, g->paintMask, 0.5f * A.factor);
            break;
        case Brush::FillMaterial: fillMaterial(A.point, A.itemId, A.material, g->paintMask); break;
        case Brush::EraseComponent: eraseComponent(L.point, L.itemId); break;
        case Brush::ErasePatch: erasePatch(L.point, L.itemId); break;
        case Brush::CutPlane:
            if (mode == SelectPatch) {
                if (n == 1) insertPoint(S0.point, liveSegment(S0.itemId));
            } else if (wholeCurve) {
                vec3 N;
                const vec3 P = plane(N);
                cutPlane(P, N);
            }
            break;
        case Brush::ClipPlane:
        case Brush::SubPlane:
            if (wholeCurve) {
                vec3 N;
                const vec3 P = plane(N);
                clipPlane(P, N);
            }
            break;
        case Brush::PlacePoint:
            if (n == 1) {
                // a press that placed nothing keeps its place in the list, as an entry naming no point
                editList.push_back(uint32_t(insertPoint(S0.point, liveSegment(S0.itemId))));
            } else if (gi < editList.size()) {
                // a gesture whose press placed nothing has no entry: it drags nothing
                dragPlacedPoint(int(editList[gi]), L.point);
            }
            break;
        default: break;
        }
        if (together && points.size() == start.size()) {
            for (size_t i = 0; i < points.size(); ++i) {
                summed[i].position += points[i].position - start[i].position;
                summed[i].radius += points[i].radius - start[i].radius;
                summed[i].twist += points[i].twist - start[i].twist;
            }
            setPointShapes(points, summed);
        }
    }
    geometryDirty = true;
    touch();
}

} // namespace kal
