#pragma once
// A network of points joined by straight segments: open chains and closed loops. Curves are the
// axes and sections of tubes and revolutions, the paths of arrays and cables and the outlines of
// drawn profiles. Each point touches at most two segments once the curve is valid; dead records
// stay in the lists until cleanup() compacts them.
#include <cstdint>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Outline.h"
#include "foundation/Pbr.h"
#include "scene/Element.h"

namespace kal {

enum CurvePointFlags : uint8_t {
    PointMarked = 0x01,   // a corner kept sharp by editing and smoothing
    PointChainEnd = 0x02, // free end of an open chain; always also marked
    PointAlive = 0x04,
    PointSelected = 0x08,
};

enum CurveSegmentFlags : uint8_t {
    SegmentMarkA = 0x01,
    SegmentMarkB = 0x02,
    SegmentAlive = 0x04,
    SegmentVisited = 0x08, // selected, and the walks' visited mark
};

struct CurvePoint {
    vec3 position;
    vec3 displacement;
    float radius = 1.0f;
    float twist = 0.0f;
    int32_t segment = -1;
    int32_t link = -1;
    uint8_t flags = PointAlive;

    bool alive() const { return flags & PointAlive; }
    bool marked() const { return flags & PointMarked; }
};

struct CurveSegment {
    int32_t a = -1, b = -1;
    int32_t neighbour[2] = {-1, -1}; // past a, past b
    vec3 tangent;
    vec3 normal;
    pbr material[2];
    uint8_t flags = SegmentAlive;

    bool alive() const { return flags & SegmentAlive; }
    int32_t end(int k) const { return k == 0 ? a : b; }
    // 0 when p is a, 1 when it is b.
    int endOf(int32_t p) const { return p == a ? 0 : 1; }
};

struct CurveSelectionRecord {
    int32_t point = -1;
    float t = 0.0f;
    vec3 offset;
};

class Curve : public Element {
public:
    uint32_t word = 0;
    std::vector<CurvePoint> points;
    std::vector<CurveSegment> segments;
    // GPU state (CurveGpu.cpp); the buffer name belongs to this curve only.
    uint32_t buffer = 0;
    bool geometryDirty = true;
    bool bound = false;
    uint32_t vertexOffset = 0;
    bool uploadNeeded = true;
    bool normalsPending = false;
    bool materialsPending = false;
    bool idsPending = false;
    int32_t vertexCount = 0;
    int32_t cachedPointCount = 0;
    int32_t cachedSegmentCount = 0;
    std::vector<uint32_t> editList;
    std::vector<CurveSelectionRecord> selectionRecords;
    std::vector<uint32_t> selectedPoints;
    std::vector<uint32_t> selectedSegments;
    std::vector<vec3> dragOffsets;
    std::vector<float> radiusDeltas;
    std::vector<float> twistDeltas;
    bool topologyChanged = false;
    bool framesValid = false;
    // A new number whenever the shape is touched or rebuilt: a following curve derives again only
    // when the number of its source is not the one it derived from.
    uint64_t shapeVersion = 0;
    // The read (openReadSerial) in which a surface last swept this curve: a stored curve pays for
    // the first surface of a read that sweeps it, not for every one.
    uint64_t sweptInRead = 0;

    explicit Curve(uint32_t word = 0);
    Curve(const std::vector<vec3>& positions, bool closed, uint32_t word);
    Curve(const std::vector<vec3>& positions, const std::vector<float>& radii, const std::vector<bool>& marks,
          bool closed, uint32_t word);
    // A copy has no holders and no GL buffer of its own.
    Curve(const Curve& other);
    Curve& operator=(const Curve&) = delete;
    ~Curve() override;

    int pointCount() const { return int(points.size()); }
    int segmentCount() const { return int(segments.size()); }

    // Element interface.
    void reset() override;
    void rebuild(Recenter mode) override;
    Element* clone() override;
    bool subdivide(bool smooth) override;
    void touch() override;

    // Construction and structure (Curve.cpp).
    int addPoint(vec3 position);
    int addSegment(int a, int b);
    void buildFromPoints(const std::vector<vec3>& positions, bool closed);
    void buildFromStroke(const std::vector<vec3>& positions, const std::vector<float>& radii,
                         const std::vector<bool>& marks, bool closed);
    void append(const Curve& other);
    virtual void close();
    virtual void setGeometry(const Curve& other, bool touchIt);
    bool isValid();
    void orientChains();
    virtual void recenter(Recenter mode);
    bool collapseSegment(int s);

    // Queries.
    int nextSegment(int s, int previous) const;
    int chainStart(int s) const;
    int closestSegment(vec3 p) const;
    float length() const;
    void segmentEndPositions(int s, std::vector<vec3>& out) const;
    void segmentEndRadii(int s, std::vector<float>& out) const;
    void segmentEndData(int s, std::vector<vec3>& positions, std::vector<float>& radii) const;

    // Marks, selection, change.
    void markAll();
    void unmarkAll();
    void clearSelection();
    void selectAll();
    void selectAllWithSegments();
    void applyDrag(bool move, bool radius, bool twist);

    // Frames carried smoothly along every chain (CurveFrames.cpp).
    void updateFrames(bool force);

    // Presets and plane fitting (CurvePresets.cpp).
    static Curve* makeSegmentAtOrigin();
    static Curve* makeSegment();
    static Curve* makeLine(int n, Recenter recenter);
    static Curve* makeTriangle();
    static Curve* makeRectangle(float w, float h);
    static Curve* makeCircle(int n, bool mark);
    static Curve* makeDoubleArc(int n, bool mark);
    static Curve* makeTrefoilKnot(int n);
    static Curve* makeTorusKnot(int p, int q, int n);
    // The points flattened onto their best-fit plane; M maps (u, v, 0) back into the curve's space.
    // Points that fix no plane answer an empty outline.
    static Outline projectOntoFitPlane(const Curve& curve, mat4& M);

    // Topology (CurveTopology.cpp).
    int addLinkedSegment(int a, int b, int n0, int n1, bool mark0, bool mark1);
    // In segment n (none when negative), the neighbour that names `from` becomes `to`.
    void relinkNeighbour(int n, int from, int to);
    // Ends a split of segment si (s: its state before) at the new point mid: a new segment takes
    // mid..s.b with materials M and s's end b, and si keeps s.a..mid ending in M. mark: the split
    // point is a mark. Returns the new segment.
    int finishSplit(int si, const CurveSegment& s, int mid, const pbr& M, bool mark);
    int splitSegment(int s);
    int splitSegmentAt(int s, vec3 p, bool mark);
    int insertPoint(vec3 p, int s);
    int appendSegment(const CurveSegment& s);
    void addSegmentChain(const std::vector<int32_t>& ids, const std::vector<bool>& marks);
    int pointSegments(int p, std::vector<int32_t>& out) const;
    int pointNeighbours(int p, std::vector<int32_t>& out) const;
    int pointStar(int p, std::vector<int32_t>& neighbours, std::vector<int32_t>& segs) const;
    int segmentBetween(int p, int q) const;
    int nextAlongChain(int p, int from) const;
    int walkRun(int start, int s, std::vector<int32_t>& out) const;
    void removeSegment(int s);
    void cleanup(bool force);
    static mat3 pointFrame(const Curve& curve, int p);
    vec3 smoothTarget(int p) const;
    float neighbourRadius(int p) const;
    float neighbourTwist(int p) const;
    void resample();
    void markCorners(float degrees);

    // Selection and extraction (CurveSelection.cpp). A segment argument of -1, or one that names
    // no alive segment (an id gone stale after an erase compacted the lists), means the segment
    // closest to the position; the selections write the segment they used back.
    int liveSegment(int s) const;
    void selectPatch(vec3 position, bool clear, int& segment);
    void selectComponent(vec3 position, bool clear, int& segment);
    Element* extractSelection(const vec3& point, int& item, int mode) override;
    Element* extractComponent(const vec3& point, int& item) override;
    Element* extractPatch(const vec3& point, int& item) override;
    void erasePatch(vec3 position, int segment);
    void eraseComponent(vec3 position, int segment);
    void fillMaterial(vec3 position, int segment, const pbr& material, uint8_t mask);

    // Brush gathers, kernels, region moves and plane edits (CurveSculpt.cpp). Positions are in
    // the curve's own space; every operation leaves the selection empty.
    void gatherSphere(vec3 centre, float radius, bool clear);
    void gatherAlong(vec3 centre, float radius, bool clear, int segment);
    void gatherAlongPatch(vec3 centre, float radius, bool clear, int segment);
    void smoothKernel(float strength);
    void smoothSphere(vec3 centre, float radius);
    void smoothAlong(vec3 centre, float radius, int segment);
    void deformOffsets(vec3 d);
    void deformSphere(vec3 from, vec3 to, float radius);
    void deformAlong(vec3 from, vec3 to, float radius, int segment);
    void inflate(vec3 from, vec3 to, float radius, int segment);
    void paintMaterial(vec3 centre, float radius, int segment, const pbr& material, uint8_t mask, float strength);
    void translateOffsets(vec3 d);
    void scaleOffsets(vec3 centre, float factor);
    // M is the transform with 1 taken off its diagonal entries 0, 5 and 10, so M p is the offset.
    void transformOffsets(const mat4& M);
    void scaleAlongDirection(vec3 centre, vec3 direction, float factor);
    void movePatch(vec3 from, vec3 to, int& segment);
    void moveComponent(vec3 from, vec3 to, int& segment);
    void rotateSelection(vec3 from, vec3 to, int segment, int mode, vec3 axis);
    void scaleSelection(vec3 from, vec3 to, int segment, int mode, bool uniform);
    void dragPlacedPoint(int point, vec3 to);
    void cutPlane(vec3 planePoint, vec3 normal);
    void clipPlane(vec3 planePoint, vec3 normal);

    // The sculpt gestures of a stroke (CurveGestures.cpp).
    void applyGestures(const std::vector<Gesture*>& gestures) override;

    // Every chain resampled at steps of the local radius and relaxed (CurveChains.cpp); the
    // caller owns the result. Each result point's link names the source segment it lies on. The
    // samples are held to 16 per point of the curve a chain of following curves starts from
    // (basePoints; this curve's own by default) and 4096 more, and charged to an open read: past
    // its budget the result is empty (and the read is refused).
    Curve* extractChains(int basePoints = -1);
    vec3 tangentTarget(int p) const;
    void relaxAlongTangent();

    // Line buffer and drawing (CurveGpu.cpp).
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
    virtual bool uploadPending();
    // The line vertices: a then b of every alive segment.
    void buildLineVertices(std::vector<float>& out) const;

    // Scene-file record (CurveRecord.cpp; readCurveRecord reads it).
    bool save(ByteBuffer& out) override;
};

} // namespace kal
