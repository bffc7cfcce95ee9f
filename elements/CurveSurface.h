#pragma once
// What tubes and surfaces of revolution share: a surface spanned by two curves, an axis and a
// section. Every pair of an axis point and a section point gives a surface point through a map
// that depends on the axis point only (placed ring by ring); every pair of an alive axis segment
// and an alive section segment gives a quad. The element keeps no geometry besides its GPU copy:
// edits go to the curves and the surface is rebuilt from them.
#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/Mat.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/Element.h"

namespace kal {

class Curve;
class Mesh;
namespace surfacesculpt {
struct StrokeCall;
}

// One surface build staged without GL in the mesh's corner layout: six corners a quad (two
// triangles), ids (axis segment << 16) + section segment, and the outline lines.
using SurfaceArrays = MeshCornerArrays;

class CurveSurface : public Element {
public:
    // Arrays whose data is out of date; all of them after a full rebuild. They index the groups of
    // the staged corner arrays.
    enum Stale : int {
        StalePositions = GroupPositions,
        StaleNormals = GroupNormals,
        StaleMaterials = GroupMaterials,
        StaleIds = GroupIds
    };

    uint32_t vertexBuffer = 0;
    bool rebuildNeeded = true;
    bool bound = false;
    uint32_t arrayOffsets[6] = {0, 0, 0, 0, 0, 0};
    bool stale[4] = {true, true, true, true};
    int32_t vertexCount = 0;
    uint32_t lineBuffer = 0;
    int32_t lineVertexCount = 0;
    vec3 axisPoint;
    Curve* axis = nullptr;
    Curve* section = nullptr;
    // The scale the section is drawn at here, 0 for its own: tubes that share one section may each
    // want another (cables keep their thickness in the world as their links stretch).
    float sectionScale = 0.0f;
    // A point of the section in the section's own frame, at this surface's scale for it.
    vec3 sectionToLocal(vec3 p) const;
    std::vector<vec3> sectionPoints(bool aliveOnly) const; // every point so; zero for dead ones
    Curve* editPreview = nullptr;
    // Element indices of a linked record until resolveLinks (id -1 marks them unresolved).
    uint32_t pendingAxis = 0, pendingSection = 0;
    // Curves this element made itself (an older embedded record) and nobody has taken yet: the
    // element frees them when it is deleted unheld, as a refused file does.
    bool ownsUnheldCurves = false;
    // Whether the last pick search found the quad its item id names; a stroke begun without it
    // edits nothing.
    bool pickLocated = false;
    // The running stroke was refused at its first call: its later calls edit nothing either.
    bool strokeRefused = false;
    // The working curve in editPreview edits the section (else the axis).
    bool workingOnSection = false;

    CurveSurface(int32_t type, Curve* axisCurve, Curve* sectionCurve);
    CurveSurface(const CurveSurface&) = delete;
    CurveSurface& operator=(const CurveSurface&) = delete;
    ~CurveSurface() override;

    // Element interface.
    void reset() override;
    void rebuild(Recenter mode) override;
    Element* acquire(int n) override;
    Element* toMesh() override;
    void listParts(std::vector<Element*>& out) override;
    void collectAll(std::vector<Element*>& out) override;
    void resolveLinks(const std::vector<Element*>& table) override;
    bool partLinksHold(const std::vector<Element*>& table) const override;
    void touch() override;
    bool save(ByteBuffer& out) override;

    // Replaces a curve; the old one goes when nobody else holds it. Null changes nothing.
    void setAxis(Curve* c);
    void setSection(Curve* c);
    bool needsUpload() const;
    // The axis recentred by mode and the element placed by it.
    void followAxis(Recenter mode);

    // The map of ring i: surface point = origin + F s for a section point s in the section's
    // local frame. False when axis point i places no ring.
    virtual void ringMap(int i, mat3& F, vec3& origin) const = 0;
    // Whether ring i collapses into one point (a ring on the axis of a revolution).
    virtual bool ringCollapses(int i) const;
    // Frames or other axis data the ring maps read, brought up to date before a build.
    virtual void prepareRings();
    // The element's placement from its recentred axis.
    virtual void placeFromAxis() = 0;
    // The linked record's tag.
    virtual uint32_t linkedTag() const = 0;

    // The section is a circle the older record made from a stored count: no point of it is stored.
    bool sectionMade = false;

    // What a build spans of one curve: its alive segments and the points they end on, each in
    // index order, and every segment's and point's place among them (-1 for none).
    struct LivePart {
        explicit LivePart(const Curve& c);
        std::vector<int32_t> segments, segmentPlace, points, pointPlace;
    };

    // What one build of this surface stages: six corners a quad, over the larger of its point
    // grid and its segment grid, both of the live parts alone.
    size_t sweepBytes() const;

    // Fills the stale arrays of `out` (GPU layout) and the outline when positions are stale.
    // False when a curve has no segment or the surface is too large for one buffer.
    bool buildArrays(const bool staleParts[4], SurfaceArrays& out);

    // GPU (CurveSurfaceGpu.cpp).
    bool updateGpu() override;
    void releaseGpu() override;
    bool bind() override;
    void unbind() override;
    bool useShader() override;
    void endDraw() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;
    bool hasGpuGeometry() override;
    void drawFlat(const mat4& model, const uint8_t* colour, bool last) override;
    bool hasEditPreview() override;
    void drawEditPreview(const mat4& model, const uint8_t* colour, bool last) override;

    // Sculpting through the curves (CurveSurfaceSculpt.cpp): a stroke edits the axis or the
    // section, as its gestures' switch says.
    void applyGestures(const std::vector<Gesture*>& gestures) override;
    void cancelGestures() override;
    // Deletes a working curve the element made (never the axis or the section); no preview after.
    void dropWorkingCurve();
    // Picks copied where the edited curve lives: an axis pick by the axis, a section pick by the
    // section placed at the picked axis point. Points and directions in local space.
    void symmetryFrames(std::vector<SymmetryOp>& ops, vec3 point, vec3 direction, uint8_t mirrorX, uint8_t mirrorY,
                        uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                        std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& weights,
                        int32_t itemId, uint8_t sectionMode) override;
    // Where the copies of an axis stroke start, one a symmetric pick, in stored space.
    std::vector<vec3> axisPoints;

protected:
    // One call of an axis or a section stroke; each ends with endStrokeCall.
    virtual void applyAxisStroke(surfacesculpt::StrokeCall& call) = 0;
    // A section stroke edits a working copy of the section placed at the picked axis point.
    void applySectionStroke(surfacesculpt::StrokeCall& call);
    // The pick q (stored space) on the quad itemId names: sets axisPoint, and c to the pick snapped
    // onto the quad. False when the id names no quad of this surface.
    virtual bool locatePick(vec3 q, int32_t itemId, vec3& c) = 0;
    // Whether an axis stroke starts at copies of the picked axis point; else the axis copies the
    // view's picks itself.
    virtual bool axisStrokesStartAtPick() const = 0;
    // Where the section stands at the picked axis point: stored = section point * frame + origin.
    // False without a located pick, or where the placement squeezes the section into a point.
    virtual bool placedSection(mat3& frame, vec3& origin) const = 0;
    // A stored point (direction false) or direction taken back into the placed section's space.
    virtual vec3 intoSection(vec3 v, bool direction) const = 0;
    // While a stroke runs the pick location found at its start stays.
    bool pickFrozen() const { return editPreview != nullptr || strokeRefused; }
    // The start of every call of a stroke: false when the stroke was refused.
    bool startStrokeCall(const surfacesculpt::StrokeCall& call);
    // The end of every call: the finishing call (or a refusal) lets the working curve go.
    void endStrokeCall(const surfacesculpt::StrokeCall& call, bool refused);
    // Whether editPreview is a working curve this element made for a stroke of this kind.
    bool ownsWorkingCurve(bool sectionStroke) const;
    // A working copy of target with every point placed by `place`, drawn as the edit preview.
    Curve& startWorkingCurve(const Curve& target, bool sectionStroke, const std::function<vec3(vec3)>& place);
    // The copies edit the working curve (about `centre` when given); target takes its geometry and
    // every target point is carried back into target's own space by `back`.
    void editThroughWorkingCurve(surfacesculpt::StrokeCall& call, Curve& target, const vec3* centre,
                                 const std::function<vec3(vec3)>& back);

    // Charges the open read for the sweep, as rebuild says.
    void chargeSweep();
    // For clone: a new element of the same class over the two curve copies.
    Element* cloneWith(CurveSurface* copy) const;
    // A copy of the curve for a clone; null for none.
    static Curve* curveCopy(Curve* c);
};

// The element as a tube or revolution; null for any other kind or none.
inline CurveSurface* curveSurfaceOf(Element* e) {
    return e && (e->typeCode == TubeType || e->typeCode == RevolutonType) ? static_cast<CurveSurface*>(e) : nullptr;
}

// Reads the body of a linked record (two u32 element indices); false unless the body is 8 bytes.
bool readLinkedSurface(CurveSurface& s, ByteBuffer& in, size_t end);

} // namespace kal
