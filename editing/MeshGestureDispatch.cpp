// The mesh's sculpt dispatcher. Every gesture of one call shares action code, state and sample
// count; a gesture that fails its group's test therefore ends the whole call.
#include <algorithm>
#include <cmath>
#include <memory>

#include "editing/ExtrusionSteps.h"
#include "editing/MeshEditing.h"
#include "editing/SelectionHelpers.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"

namespace kal {

namespace {

using B = Brush;

enum UploadGroup { Positions = 0, Normals = 1, Materials = 2 };

void flag(Mesh& m, UploadGroup g) { m.partChanged[g] = true; }

// Every triangle goes up with the next upload (an operation that does not track what it touched).
void markWhole(Mesh& m) { m.markGpuRange(0, m.triangleCount() - 1); }

// Ids come from the last frame's buffer: one that names no alive triangle counts as none.
int itemOf(const Mesh& m, const StrokeSample& s) {
    int t = s.itemId;
    return t >= 0 && t < m.triangleCount() && m.triangles[t].alive() ? t : -1;
}

// Symmetric copies may land on one region: a region move acts on each region once per call,
// or a mirrored pair would cancel (or double) the move.
struct RegionsDone {
    std::vector<uint8_t> taken;
    bool wholeMesh = false;

    bool claim(Mesh& m, Brush code, int mode, const vec3& point, int item) {
        bool whole = code != B::Move && code != B::CopyMove && (mode == SelectElement || mode == SelectAllPatches);
        if (whole) {
            if (wholeMesh) return false;
            wholeMesh = true;
            return true;
        }
        int t = item >= 0 ? item : m.closestTriangle(point);
        if (t < 0) return true;
        if (size_t(t) < taken.size() && taken[size_t(t)]) return false;
        if (mode == SelectPatch)
            m.selectPatch(point, true, t);
        else
            m.selectComponent(point, true, t);
        if (taken.size() < size_t(m.triangleCount())) taken.resize(size_t(m.triangleCount()), 0);
        for (int32_t s : m.selectedTriangles) taken[size_t(s)] = 1;
        m.clearSelection();
        return true;
    }
};

// Offsets onto the positions; on the finishing application the normals round the moved vertices.
void brushPost(Mesh& m, bool finished) {
    m.applyDrag();
    if (finished) {
        m.markDirtyTriangles();
        m.updateSelectedNormals();
        m.markSelectedTrianglesGpuRange();
    } else {
        m.markSelectionGpuRange();
    }
    m.clearSelection();
}

void twistStep(Mesh& m, const Sculptor& g, const StrokeSample& F, const StrokeSample& P, const StrokeSample& L,
               bool finished) {
    vec3 V = g.viewDirection;
    auto across = [&](vec3 d) { return d - V * dot(d, V); };
    vec3 a = across(P.point - F.point), b = across(L.point - F.point);
    // a point on the view line through the first one gives no angle
    if (!(a.lengthSquared() > kNullLengthSquared) || !(b.lengthSquared() > kNullLengthSquared)) return;
    float w = F.radius > 0 ? std::fmin(std::fmax(b.length() / F.radius, 0.0f), 1.0f) : 1.0f;
    float x = dot(normalize(a), normalize(b)), y = dot(cross(a, b), V);
    float angle = float(std::atan2(double(y), double(x)));
    m.twist(F.point, V, angle * w, F.radius);
    brushPost(m, finished);
}

// The Brush-group rows; a row split by mode does nothing for a mode outside 0..3.
void brushRow(Mesh& m, const Sculptor& g, const StrokeSample& F, const StrokeSample& P, const StrokeSample& L,
              bool finished) {
    const int mode = g.selectionMode;
    const bool elementLike = mode == SelectElement || mode == SelectAllPatches;
    const int fItem = itemOf(m, F), pItem = itemOf(m, P);
    const Brush code = g.action;
    switch (code) {
    case B::Move:
    case B::CopyMove:
        if (mode == SelectPatch)
            m.movePatch(P.point, L.point, fItem);
        else if (elementLike || mode == SelectComponent)
            m.moveComponent(P.point, L.point, fItem);
        markWhole(m);
        break;
    case B::Rotate:
    case B::CopyRotate: {
        vec3 axis = g.viewDirection;
        m.rotateRegion(P.point, L.point, fItem, mode, axis);
        markWhole(m);
        break;
    }
    case B::Scale:
    case B::CopyScale:
    case B::ScaleDirection:
        m.scaleRegion(P.point, L.point, fItem, mode, code != B::ScaleDirection);
        markWhole(m);
        break;
    case B::Deform:
        if (elementLike) {
            m.deformBrush(P.point, L.point, P.radius);
            brushPost(m, finished);
        } else if (mode == SelectPatch) {
            m.deformPatch(P.point, L.point, P.radius, pItem);
            flag(m, Normals);
        } else if (mode == SelectComponent) {
            m.deformComponent(P.point, L.point, P.radius, pItem);
            flag(m, Normals);
        }
        break;
    case B::DeformVolume:
        m.deformVolume(P.point, L.point, P.radius);
        brushPost(m, finished);
        break;
    case B::Smooth:
        // each dab renormals what it moved: send those normals too
        if (elementLike)
            m.smoothBrush(P.point, L.point, P.radius);
        else if (mode == SelectPatch)
            m.smoothPatch(P.point, L.point, P.radius, pItem);
        else if (mode == SelectComponent)
            m.smoothComponent(P.point, L.point, P.radius, pItem);
        flag(m, Normals);
        break;
    case B::Grow:
    case B::Pinch: {
        float s = 0.2f * P.factor;
        if (code == B::Grow) s = -s;
        float path = (L.point - P.point).length();
        m.growPinch(P.point, P.radius, s * path / P.radius);
        brushPost(m, finished);
        break;
    }
    case B::Twist: twistStep(m, g, F, P, L, finished); break;
    default: break;
    }
}

// The extrusion and tear rows: the start at the stroke's second sample, then the step. Answers
// whether the call ends after this gesture (whole-mesh starts and steps run once).
bool extrusionRow(Mesh& m, const Sculptor& g, const StrokeSample& F, const StrokeSample& P, const StrokeSample& L,
                  size_t n, bool alone) {
    const int mode = g.selectionMode;
    const bool all = mode == SelectAllPatches, start = n == 2, running = g.isRunning();
    const int fItem = itemOf(m, F);
    const Brush code = g.action;
    // a lone stroke on a picked triangle pushes the same patches at every step: keep them
    const bool keep = alone && fItem >= 0;
    if (start) {
        m.strokeCache.pushVertices.clear();
        m.strokeCache.pushStarts.clear();
        m.strokeCache.pushNormals.clear();
    }
    switch (code) {
    case B::Extrude:
    case B::ExtrudeScale:
    case B::TearNormal:
    case B::TearScale: {
        // rows split by mode: a mode outside the four does nothing
        if (mode < SelectElement || mode > SelectComponent) return false;
        const bool tear = code == B::TearNormal || code == B::TearScale;
        const bool scale = code == B::ExtrudeScale || code == B::TearScale;
        if (start && tear && running) {
            if (all)
                m.tearAllPatches();
            else
                m.tearPatchAt(F.point, fItem);
        } else if (start && !tear) {
            if (all)
                m.extrudeAllPatches(P.material, true);
            else
                m.extrudePatch(F.point, fItem, F.material, true);
        }
        if (scale && all)
            m.scaleAllPatches(P.point, L.point, fItem);
        else if (scale)
            m.scaleRegion(P.point, L.point, fItem, SelectPatch, true);
        else
            editing::pushStep(m, P.point, L.point, fItem, all, keep);
        markWhole(m);
        return all;
    }
    case B::ExtrudeDeform:
    case B::TearDeform:
        if (start && code == B::ExtrudeDeform) m.extrudeDeformStart(F.point, F.radius, fItem, F.material, true);
        if (start && code == B::TearDeform) m.tearDeformAllPatches(F.point, F.radius, fItem);
        m.deformPatch(P.point, L.point, P.radius, itemOf(m, P));
        flag(m, Normals);
        return false;
    case B::ExtrudeInflate:
        if (start && running) {
            m.extrudePatch(F.point, fItem, P.material, true);
            int item = fItem;
            m.selectPatch(F.point, true, item);
        }
        m.extrudeInflate(P.point, L.point, fItem);
        markWhole(m);
        return false;
    case B::Bevel:
        if (start) m.bevelPatch(P.material, true);
        editing::pushStep(m, start ? F.point : P.point, L.point, fItem, true, keep);
        markWhole(m);
        return true;
    default: return false;
    }
}

// A sphere cut or clip round centre through rim: over the whole element, or over the patch or
// component of the triangle under the rim.
void sphereRow(Mesh& m, int mode, const StrokeSample& centre, const StrokeSample& rim,
               void (Mesh::*whole)(const vec3&, const vec3&), void (Mesh::*part)(const vec3&, const vec3&, int, bool)) {
    if (mode == SelectElement || mode == SelectAllPatches)
        (m.*whole)(centre.point, rim.point);
    else if (mode == SelectPatch || mode == SelectComponent)
        (m.*part)(centre.point, rim.point, itemOf(m, rim), mode == SelectPatch);
}

// The symmetric copies of a finished sphere cut that repeat an earlier copy: their spheres
// coincide (one centred on a mirror plane or a turn's axis is its own image) and their regions
// meet. A second cut along the sphere would find the chords of the first one's line dipping
// inside it, and cut slivers off them. The regions are read on the mesh as it was before any copy
// cut, since a clip renumbers it.
std::vector<const Gesture*> repeatedSphereCuts(Mesh& m, const std::vector<Gesture*>& gestures) {
    struct Sphere {
        dvec3 centre;
        double radius;
        RegionsDone regions;
    };
    std::vector<Sphere> spheres;
    std::vector<const Gesture*> repeated;
    if (gestures.size() < 2) return repeated;
    for (const Gesture* gesture : gestures) {
        const auto* g = dynamic_cast<const Sculptor*>(gesture);
        if (!g || !drawsSphereGuide(g->action) || hasBrushFlag(g->action, BrushStampsSphere) || !g->isFinished() ||
            g->samples.size() < 2)
            return {};
        const bool reversed = hasBrushFlag(g->action, BrushReversed);
        const StrokeSample& centre = reversed ? g->samples.back() : g->samples.front();
        const StrokeSample& rim = reversed ? g->samples.front() : g->samples.back();
        const dvec3 c(centre.point);
        const double r = (c - dvec3(rim.point)).length();
        // the copies are images of one stroke made in float
        auto coincides = [&](const Sphere& s) {
            const double tolerance = 1e-5 * (c.length() + s.centre.length() + r + s.radius);
            return (c - s.centre).length() <= tolerance && std::fabs(r - s.radius) <= tolerance;
        };
        auto same = std::find_if(spheres.begin(), spheres.end(), coincides);
        if (same == spheres.end()) same = spheres.insert(spheres.end(), Sphere{c, r, {}});
        if (!same->regions.claim(m, g->action, g->selectionMode, rim.point, itemOf(m, rim))) repeated.push_back(g);
    }
    return repeated;
}

// The rows acting once on the finished stroke: plane and sphere cuts, clips and stamps.
void releaseRow(Mesh& m, const Sculptor& g, const StrokeSample& F, const StrokeSample& L) {
    const int mode = g.selectionMode;
    const bool elementLike = mode == SelectElement || mode == SelectAllPatches;
    // the plane holds the first point and both the stroke line and the line of sight
    const vec3 N = normalize(cross(g.viewDirection, F.point - L.point));
    const Brush code = g.action;
    switch (code) {
    case B::CutPlane:
        if (elementLike)
            m.cutPlane(F.point, N);
        else if (mode == SelectPatch)
            m.cutPlanePatch(F.point, N, itemOf(m, F));
        else if (mode == SelectComponent)
            m.cutPlaneComponent(F.point, N, itemOf(m, F));
        break;
    case B::ClipPlane: m.clipPlane(F.point, N); break;
    case B::SubPlane:
        // the cap's layout follows the stroke, and a mirror copy's hand: copies cap as copies
        m.subPlane(F.point, N, F.material, F.point - L.point, float(g.handedness));
        break;
    case B::CutSphere: sphereRow(m, mode, F, L, &Mesh::cutSphere, &Mesh::cutSpherePatch); break;
    case B::CutSphereReverse: sphereRow(m, mode, L, F, &Mesh::cutSphere, &Mesh::cutSpherePatch); break;
    case B::ClipSphere: sphereRow(m, mode, F, L, &Mesh::clipSphere, &Mesh::clipSpherePatch); break;
    case B::AddSphere:
    case B::SubSphere: m.addSubSphere(F.point, F.normal, L.point, code == B::AddSphere, F.material); break;
    case B::AddSphereReverse:
    case B::SubSphereReverse:
        m.addSubSphere(L.point, L.normal, F.point, code == B::AddSphereReverse, F.material);
        break;
    default: break;
    }
}

// Symmetric copies' stamps pressed together, so that where they overlap neither presses the
// other's result.
void stampTogether(Mesh& m, const std::vector<Gesture*>& gestures) {
    const auto& first = static_cast<const Sculptor&>(*gestures.front());
    const Brush code = first.action;
    const bool reverse = hasBrushFlag(code, BrushReversed);
    std::vector<Mesh::SphereStamp> stamps;
    for (Gesture* gesture : gestures) {
        const auto& g = static_cast<const Sculptor&>(*gesture);
        const StrokeSample& F = g.samples.front();
        const StrokeSample& L = g.samples.back();
        stamps.push_back(reverse ? Mesh::SphereStamp{L.point, L.normal, F.point}
                                 : Mesh::SphereStamp{F.point, F.normal, L.point});
    }
    m.addSubSpheres(stamps, code == B::AddSphere || code == B::AddSphereReverse, first.samples.front().material);
}

void copyRegion(Mesh& m, const Sculptor& g, const StrokeSample& F) {
    int item = itemOf(m, F);
    std::unique_ptr<Element> copy(g.selectionMode == SelectPatch ? m.extractPatch(F.point, item)
                                                                 : m.extractComponent(F.point, item));
    m.append(static_cast<Mesh*>(copy.get()));
    m.geometryChanged = true;
}

// Symmetric copies erase what each picked on the mesh as it was: a copy that erased and purged
// first would renumber, or free, the triangles under the picks of the others.
void eraseTogether(Mesh& m, Brush code, const std::vector<Gesture*>& gestures) {
    std::vector<vec3> points;
    std::vector<int32_t> picked;
    for (Gesture* gesture : gestures) {
        const auto* g = dynamic_cast<const Sculptor*>(gesture);
        if (!g || g->samples.empty()) continue;
        const StrokeSample& L = g->samples.back();
        points.push_back(L.point);
        picked.push_back(itemOf(m, L));
    }
    if (code == B::EraseComponent)
        m.eraseComponents(points, picked);
    else if (code == B::ErasePatch)
        m.erasePatches(points, picked);
    else
        m.eraseFeatures(points, picked);
}

Mesh* patternTile(Brush code) {
    switch (code) {
    case B::Pattern0: return Mesh::createPatternTile(0.7f, false);
    case B::Pattern1: return Mesh::createPatternTile(0.7f, true);
    case B::Pattern2: return Mesh::createPatternTile2(0.3f, false);
    case B::Pattern3: return Mesh::createPatternTile3(0.9f, false);
    default: return Mesh::createPatternTile3(0.9f, true);
    }
}

void dispatch(Mesh& m, const std::vector<Gesture*>& gestures);

// Moves the vertices by what the copies held, summed per vertex, and renormals round them.
void addHeldDrag(Mesh& m) {
    MeshStrokeCache& c = m.strokeCache;
    c.holdDrag = false;
    m.clearSelection();
    for (const auto& held : c.heldDrag) editing::selectVertex(m, held.first);
    editing::sizeOffsets(m);
    for (const auto& [v, offset] : c.heldDrag) *editing::offsetOf(m, v) += offset;
    c.heldDrag.clear();
    m.applyDrag();
    m.markDirtyTriangles();
    m.updateSelectedNormals();
    m.markSelectedTrianglesGpuRange();
    m.clearSelection();
}

// Keeps the mesh's stroke cache over one call. What the cache holds carries over from one tick of
// a stroke to the next, since nothing else edits the mesh while the stroke is held: the run boxes
// (lent to the gathering during the call), the region marks and the pushed patches. A new stroke,
// a skipped tick or a change of the record counts starts it afresh.
class StrokeCacheKeeper {
public:
    StrokeCacheKeeper(Mesh& m, const Sculptor* stroke) : m(m), stroke(stroke) {
        MeshStrokeCache& c = m.strokeCache;
        const bool held = stroke && c.stroke == stroke && stroke->samples.size() == c.samples + 1 &&
                          c.vertexCount == m.vertexCount() && c.triangleCount == m.triangleCount();
        if (!held) c.clear();
        if (!stroke) return;
        if (hasBrushFlag(stroke->action, BrushGathers)) {
            if (c.runBounds.empty()) m.buildGatherBounds();
            c.lent = true;
        }
    }
    ~StrokeCacheKeeper() {
        MeshStrokeCache& c = m.strokeCache;
        c.lent = false;
        if (!stroke || stroke->isFinished()) {
            c.clear();
            return;
        }
        c.stroke = stroke;
        c.samples = stroke->samples.size();
        c.vertexCount = m.vertexCount();
        c.triangleCount = m.triangleCount();
    }

private:
    Mesh& m;
    const Sculptor* stroke;
};

} // namespace

void applyMeshGestures(Mesh& m, const std::vector<Gesture*>& gestures) {
    if (gestures.empty()) return;
    // a symmetric copy's press names no triangle: it takes the one under its point then and keeps
    // it, as the pick keeps its own, or each step would look for its region afresh
    for (Gesture* gesture : gestures) {
        auto* g = dynamic_cast<Sculptor*>(gesture);
        if (g && g->samples.size() == 1 && g->samples.front().itemId < 0)
            g->samples.front().itemId = m.closestTriangle(g->samples.front().point);
    }
    const auto* first = dynamic_cast<const Sculptor*>(gestures.front());
    StrokeCacheKeeper keeper(m, first);
    // every copy's dab gathers and moves the surface as it was before any of them, so where their
    // brushes overlap the order of the copies does not show; an extrusion's start changes the
    // records, so its first tick runs copy by copy
    const bool together = first && gestures.size() > 1 && hasBrushFlag(first->action, BrushAddsCopies) &&
                          (brushStep(first->action) != BrushStep::Extrusion || first->samples.size() > 2);
    m.strokeCache.holdDrag = together;
    // each copy of a cut cuts its patch as it was: the later copies cross the lines the earlier drew
    m.strokeCache.keepLines = first && gestures.size() > 1 && brushStep(first->action) == BrushStep::Release;
    dispatch(m, gestures);
    if (together) addHeldDrag(m);
    m.strokeCache.keepLines = false;
    m.strokeCache.lineVertices.clear();
}

namespace {

void dispatch(Mesh& m, const std::vector<Gesture*>& gestures) {
    RegionsDone regions;
    const std::vector<const Gesture*> repeatedSpheres = repeatedSphereCuts(m, gestures);
    for (Gesture* gesture : gestures) {
        auto* g = dynamic_cast<Sculptor*>(gesture);
        if (!g) return;
        const Brush code = g->action;
        const int mode = g->selectionMode;
        const size_t n = g->samples.size();
        const bool finished = g->isFinished(), running = g->isRunning();
        if (n == 0) return;
        const StrokeSample& F = g->samples.front();
        const StrokeSample& L = g->samples.back();
        const StrokeSample& P = n > 2 ? g->samples[n - 2] : F;

        // the pre-pass: each group's test, and the flags raised before the operation
        switch (brushStep(code)) {
        case BrushStep::Finish:
            if (!finished) return;
            m.geometryChanged = true;
            break;
        case BrushStep::Paint:
            if (finished) return;
            flag(m, Materials);
            break;
        case BrushStep::Release:
            if (n < 2 || !finished) return;
            m.geometryChanged = true;
            break;
        case BrushStep::Drag:
            if (n < 2) return;
            if (gestures.size() > 1 && brushGroup(code) == BrushGroup::Region &&
                !regions.claim(m, code, mode, P.point, itemOf(m, F)))
                continue;
            if (finished) {
                m.updateNormals(NormalUpdate::All);
                flag(m, Normals);
                // the normals changed everywhere the stroke went, not only under the last dab
                markWhole(m);
            }
            flag(m, Positions);
            if (hasBrushFlag(code, BrushCopiesRegion) && n == 2 && running) copyRegion(m, *g, F);
            break;
        case BrushStep::Extrusion:
            if (n < 2) return;
            if (finished) {
                m.updateNormals(NormalUpdate::All);
                m.clearSelection();
                flag(m, Normals);
                markWhole(m);
                return;
            }
            if (n == 2)
                m.geometryChanged = true;
            else
                flag(m, Positions);
            // symmetric copies on one patch would extrude, tear and push it twice; the patch is
            // found as the step finds it, from the previous point
            if (gestures.size() > 1 && mode != SelectAllPatches && hasBrushFlag(code, BrushWholePatch) &&
                !regions.claim(m, B::Move, SelectPatch, P.point, itemOf(m, F)))
                continue;
            break;
        case BrushStep::Tick:
            if (finished) return;
            break;
        }

        switch (brushStep(code)) {
        case BrushStep::Drag: brushRow(m, *g, F, P, L, finished); break;
        case BrushStep::Paint: {
            int item = itemOf(m, P);
            byte mask = g->paintMask;
            if (code == B::PaintMaterial) {
                float strength = 0.5f * P.factor;
                if (mode == SelectElement || mode == SelectAllPatches)
                    m.paintMaterial(P.point, P.radius, P.material, mask, strength);
                else if (mode == SelectPatch)
                    m.paintPatch(P.point, P.radius, item, P.material, mask, strength);
                else if (mode == SelectComponent)
                    m.paintComponent(P.point, P.radius, item, P.material, mask, strength);
            } else if (mode == SelectPatch) {
                m.fillPatch(P.point, item, P.material, mask);
            } else if (mode == SelectElement || mode == SelectAllPatches || mode == SelectComponent) {
                m.fillMaterial(P.point, item, P.material, mask);
            }
            break;
        }
        case BrushStep::Finish:
            if (brushGroup(code) == BrushGroup::Erase) {
                eraseTogether(m, code, gestures);
            } else {
                std::unique_ptr<Mesh> tile(patternTile(code));
                m.applyPattern(tile.get());
            }
            return;
        case BrushStep::Release:
            if (code == B::Subdivide) {
                m.subdivide(true);
                return;
            }
            if (hasBrushFlag(code, BrushStampsSphere) && gestures.size() > 1) {
                stampTogether(m, gestures);
                return;
            }
            if (std::find(repeatedSpheres.begin(), repeatedSpheres.end(), gesture) != repeatedSpheres.end()) continue;
            releaseRow(m, *g, F, L);
            break;
        case BrushStep::Tick:
            if (code == B::Relax) {
                m.relaxTangential(true);
                flag(m, Positions);
                flag(m, Normals);
                markWhole(m);
            }
            break;
        case BrushStep::Extrusion:
            if (extrusionRow(m, *g, F, P, L, n, gestures.size() == 1)) return;
            break;
        }
    }
}

} // namespace

void registerMeshEditing() { registerMeshGestureHandler(applyMeshGestures); }

} // namespace kal
