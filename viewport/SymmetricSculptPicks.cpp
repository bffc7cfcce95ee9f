// The symmetric sculpt picks: the pick under the brush and its mirror images and rotated copies,
// one record each, the pick itself first. Picks keep world space, so the copies are made about
// the world axes and stay there; the records' matrices carry each copy into the element. Tubes and
// revolutions copy in their own space, around the curve a stroke edits.
#include <cmath>

#include "mesh/Mesh.h"
#include "scene/Element.h"
#include "scene/Gesture.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

namespace {

bool hasHit(const PickRecord& p) { return p.stencilBits != 0 && p.object && p.object->element; }

// Brushes that act where the surface is follow the object; the others the view's placement. A
// plane holds the drawn line at the depth where the stroke met the object, wherever it goes.
int strokePlacement(Brush brush, int placement) {
    if (drawsPlaneGuide(brush)) return PlaceSameDepth;
    if (brush == Brush::Deform) return placement == PlaceOnObject ? PlaceSameDepth : placement;
    return hasBrushFlag(brush, BrushOnSurface) ? PlaceOnObject : placement;
}

struct Copies {
    std::vector<SymmetryOp> ops;
    std::vector<vec3> centres;
    std::vector<mat3> frames;
    std::vector<float> signs;
};

// Tubes and revolutions copy a pick where their edited curve lives, in their own space.
bool copiesInElementSpace(const Element& e) { return e.typeCode == TubeType || e.typeCode == RevolutonType; }

// worldToFrame: the pick's matrix into the element's space, used by the kinds that copy there.
void replicate(GLView& v, Element& e, const SymmetrySetting& s, const mat4& worldToFrame, vec3 centre, vec3 direction,
               int32_t item, Copies& out) {
    out.centres.clear();
    out.frames.clear();
    out.signs.clear();
    const bool local = copiesInElementSpace(e);
    if (local) {
        centre = centre * worldToFrame;
        direction = transformDirection(direction, worldToFrame);
    }
    e.symmetryFrames(out.ops, centre, direction, s.mirrorX != 0, s.mirrorY != 0, s.mirrorZ != 0, s.rotationX != 0,
                     s.rotationY != 0, s.rotationZ != 0, s.count, out.centres, out.frames, out.signs, item,
                     uint8_t(v.axisSection));
    out.signs.resize(out.centres.size(), 1.0f);
    if (!local) return;
    const mat4 back = inverseAffineOrIdentity(worldToFrame);
    for (vec3& c : out.centres) c = c * back;
    for (mat3& f : out.frames) {
        f = mat3::rotatedBy(f, back);
        // copies placed on a section carry its scale: only the direction is the copy's normal
        f.setColumn(2, normalize(f.column(2)));
    }
}

// The copies of one merged copy under what merging left of the symmetry: about the world axes, or,
// for the kinds that copy in their own space, by the element again, which also renumbers whatever
// it keeps per copy.
void replicateMerged(GLView& v, Element& e, const mat4& worldToFrame, const std::vector<uint8_t>& masks, int32_t count,
                     vec3 centre, const mat3& frame, int32_t item, Copies& out) {
    std::vector<SymmetryOp> ops;
    symmetryOpsFromMasks(masks, count, ops);
    if (copiesInElementSpace(e)) {
        SymmetrySetting left;
        uint8_t* flags[6] = {&left.mirrorX,   &left.mirrorY,   &left.mirrorZ,
                             &left.rotationX, &left.rotationY, &left.rotationZ};
        for (const SymmetryOp& op : ops) *flags[op.kind] = 1;
        left.count = count;
        replicate(v, e, left, worldToFrame, centre, frame.column(2), item, out);
        return;
    }
    out.centres.assign(1, centre);
    out.frames.assign(1, frame);
    out.signs.assign(1, 1.0f);
    replicateBySymmetry(out.centres, out.frames, out.signs, mat4(), ops);
}

void appendColumns(const std::vector<mat3>& frames, std::vector<std::vector<vec3>>& columns) {
    for (int c = 0; c < 3; ++c) {
        std::vector<vec3> column;
        column.reserve(frames.size());
        for (const mat3& f : frames) column.push_back(f.column(c));
        columns.push_back(std::move(column));
    }
}

vec3 normalizedOrShort(vec3 w) { return w.lengthSquared() > kNullLengthSquared ? normalize(w) : w; }

// The stroke's pick and its copies into the symmetric picks, one each. Each entry keeps the view
// direction and handedness it got at the press: in its element's space, with its copy's sign.
void copyStrokePick(GLView& v, const PickRecord& stroke) {
    v.hoverPick = stroke;
    Element& e = *v.pressPick.object->element;
    const int32_t item = int32_t(stroke.itemId);
    Copies c;
    replicate(v, e, v.symmetry, v.pressPick.worldToFrame, stroke.point, stroke.normal, item, c);
    if (!v.symmetryMerges.empty()) {
        int32_t count = v.symmetry.count;
        std::vector<uint8_t> masks;
        symmetryMasks(masks, c.ops);
        std::vector<std::vector<vec3>> columns;
        appendColumns(c.frames, columns);
        // replay mode: the recorded pairs are read, not changed
        if (v.snapSymmetry)
            mergeCoincidentCopies(c.centres, masks, count, columns, c.signs, v.symmetryMerges, v.symmetryMergeGroups,
                                  0.0f);
        else
            dropCoincidentCopies(c.centres, masks, count, columns, c.signs, v.symmetryMerges, v.symmetryMergeGroups,
                                 0.0f);
        const mat3 frame = frameFromMergedColumns(columns[0][0], columns[1][0], columns[2][0]);
        const vec3 centre = c.centres[0];
        replicateMerged(v, e, v.pressPick.worldToFrame, masks, count, centre, frame, item, c);
    }
    // the list follows the copies made here, so gestures and picks never part company
    const size_t n = c.centres.size();
    v.symmetricPicks.resize(n);
    for (size_t i = 0; i < n; ++i) {
        PickRecord& r = v.symmetricPicks[i];
        const vec3 viewAxis = r.viewAxis;
        const int8_t handedness = r.handedness;
        r = v.hoverPick;
        r.point = c.centres[i];
        r.normal = c.frames[i].column(2);
        r.viewAxis = viewAxis;
        r.handedness = handedness;
        if (i == 0)
            v.hoverPick = r;
        else
            r.itemId = kSymmetricCopyItem;
    }
}

} // namespace

void GLView::updateSymmetricPicks(bool hover) {
    if (hover) {
        pressPick = pickSculpt(PlaceOnObject, nullptr);
        hoverPick = pressPick;
        if (!hasHit(pressPick)) return;
        Element& e = *pressPick.object->element;
        const int32_t item = int32_t(pressPick.itemId);
        Copies a, b;
        replicate(*this, e, symmetry, pressPick.worldToFrame, pressPick.point, pressPick.normal, item, a);
        replicate(*this, e, symmetry, pressPick.worldToFrame, pressPick.point, pressPick.viewAxis, item, b);
        symmetryMerges.clear();
        symmetryMergeGroups.clear();
        if (snapSymmetry) {
            int32_t count = symmetry.count;
            std::vector<uint8_t> masks;
            symmetryMasks(masks, a.ops);
            std::vector<std::vector<vec3>> columns;
            appendColumns(a.frames, columns);
            appendColumns(b.frames, columns);
            std::vector<float> zeroSigns(a.centres.size(), 0.0f);
            const float threshold = symmetryThreshold * brushSize * pressPick.pixelVector.length();
            mergeCoincidentCopies(a.centres, masks, count, columns, zeroSigns, symmetryMerges, symmetryMergeGroups,
                                  threshold);
            if (!symmetryMerges.empty()) {
                const vec3 centre = a.centres[0];
                replicateMerged(*this, e, pressPick.worldToFrame, masks, count, centre,
                                frameFromMergedColumns(columns[0][0], columns[1][0], columns[2][0]), item, a);
                replicateMerged(*this, e, pressPick.worldToFrame, masks, count, centre,
                                frameFromMergedColumns(columns[3][0], columns[4][0], columns[5][0]), item, b);
            }
        }
        mat4 P = pressPick.worldToFrame;
        P *= pressPick.frameToTarget;
        const float hand = det(P.upper3()) >= 0.0f ? 1.0f : -1.0f;
        const size_t n = a.centres.size();
        symmetricPicks.resize(n);
        for (size_t i = 0; i < n; ++i) {
            PickRecord& r = symmetricPicks[i];
            r = pressPick;
            const float sign = a.signs[i];
            r.handedness = int8_t(std::lround(sign));
            r.point = a.centres[i];
            r.normal = a.frames[i].column(2);
            const vec3 d = b.frames[i].column(2) * (hand * sign);
            r.viewAxis = normalizedOrShort(transformDirection(d, P));
            if (i == 0)
                pressPick = r;
            else
                r.itemId = kSymmetricCopyItem;
        }
        return;
    }

    if (!hasHit(pressPick)) return;
    const PickRecord stroke = pickSculpt(strokePlacement(brush, placement), &hoverPick);
    if (stroke.kind == kPickNothing) return;
    copyStrokePick(*this, stroke);
}

bool meetObjectOnPlaneStroke(GLView& v) {
    if (!drawsPlaneGuide(v.brush)) return false;
    v.updateSymmetricPicks(true);
    if (!hasHit(v.pressPick)) return false;
    // The drawn copy keeps the triangle its line met; a mesh copy takes the one under its own
    // image of that point, since its start, off the object too, lies over some other triangle.
    std::vector<int32_t> met(v.symmetricPicks.size(), int32_t(kSymmetricCopyItem));
    if (auto* mesh = dynamic_cast<Mesh*>(v.pressPick.object->element))
        for (size_t i = 1; i < met.size(); ++i) met[i] = mesh->closestTriangle(StrokeSample(v.symmetricPicks[i]).point);
    // the stroke begins where it was pressed, at the depth where it met the object
    PickRecord first = v.pressPick;
    first.cursorX = v.pressX;
    first.cursorY = v.pressY;
    const vec3 at = v.worldToScreen(v.pressPick.point);
    first.point = v.windowToWorld({float(v.pressX), float(v.pressY), at.z});
    copyStrokePick(v, first);
    for (size_t i = 1; i < met.size() && i < v.symmetricPicks.size(); ++i)
        v.symmetricPicks[i].itemId = uint32_t(met[i]);
    return true;
}

} // namespace kal
