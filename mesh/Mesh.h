#pragma once
// The triangle-mesh element. Records never move while the stores grow; deleting a record clears
// its alive flag and one purge per operation compacts the stores. Walks round a vertex cross
// backward edges (ring order) starting at the vertex's firstTriangle.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mesh/MeshRecords.h"
#include "mesh/MeshStore.h"
#include "mesh/MeshStrokeCache.h"
#include "scene/Element.h"

class QImage;

namespace kal {

class ByteBuffer;
struct Outline;

// The normals updateNormals computes: the faces', the corners' from the faces', or both.
enum class NormalUpdate { Faces, Corners, All };

class Mesh : public Element {
public:
    MeshStore<MeshVertex> vertices;
    MeshStore<MeshTriangle> triangles;
    // GPU state: buffer ids belong to one mesh only and are never copied.
    uint32_t glBuffer = 0;
    bool geometryChanged = true;
    bool bound = false;
    uint32_t attributeOffset[6] = {0, 0, 0, 0, 0, 0};
    bool partChanged[4] = {true, true, true, true};
    int32_t gpuVertexCount = 0;
    uint32_t flatBuffer = 0;
    int32_t flatVertexCount = 0;
    // Record counts when the selection was last cleared (or the stores purged): records at or
    // above them were created since.
    int32_t vertexCountMark = 0;
    int32_t triangleCountMark = 0;
    int32_t tearTriangleMark = 0;
    std::vector<BrushVertex> brushVertices;
    std::vector<PatchBrushRecord> patchRecords;
    // Parallel to selectedVertices: the first patch record of each selected vertex.
    std::vector<int32_t> patchFirstRecords;
    std::vector<int32_t> selectedVertices;
    std::vector<int32_t> selectedTriangles;
    std::vector<vec3> dragOffsets;
    bool purgeNeeded = false;
    // Kept by the sculpt dispatcher over a stroke (editing/); copies of a mesh start without one.
    MeshStrokeCache strokeCache;

    Mesh();
    // Copies start without GPU buffers of their own: sharing ids would delete the same GL buffers twice.
    Mesh(const Mesh& other);
    Mesh& operator=(const Mesh& other);
    ~Mesh() override;

    int vertexCount() const { return vertices.size(); }
    int triangleCount() const { return triangles.size(); }

    // Element interface.
    void reset() override;
    void rebuild(Recenter mode) override;
    Element* acquire(int n) override;
    Element* clone() override;
    void releaseGpu() override;
    bool bind() override;
    void unbind() override;
    void endDraw() override;
    bool hasGpuGeometry() override;

    // Upload and drawing (MeshGpu.cpp).
    bool updateGpu() override;
    bool useShader() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;
    void drawFlat(const mat4& model, const uint8_t* colour, bool last) override;
    // Writes the masked channels of material into the corners of vertex, walking one way round it
    // from startTriangle until a marked or open edge or back at the start.
    void paintCorners(uint32_t vertex, uint32_t startTriangle, const pbr& material, uint8_t mask);
    // Edge k of triangle t is drawn as a line: a marked edge once (by the later triangle), or an open one.
    bool isLineEdge(int t, int k) const;
    // Byte sizes the two buffers' storage was last allocated with; a size change reallocates
    // even when the caller forgot geometryChanged.
    uint32_t cornerBytesAllocated = 0;
    uint32_t flatBytesAllocated = 0;
    // Bytes handed to GL by the uploads so far (storage allocations count nothing).
    uint64_t bytesUploaded = 0;
    // Limits the next upload of the flagged groups to the corners of triangle records first..last;
    // further calls add runs (runs that lie close merge), so a brush stroke costs what it touched.
    // Without a call, or once the set of alive triangles changed, whole groups are written.
    void markGpuRange(int first, int last);
    // The span of all marked runs, and the runs as sorted, disjoint first, last pairs.
    int32_t gpuRangeFirst = -1;
    int32_t gpuRangeLast = -1;
    std::vector<int32_t> gpuRuns;
    // First corner of each triangle record at the last full upload; one more entry ends the last.
    std::vector<int32_t> cornerStart;

    // Storage (Mesh.cpp).
    int addVertex(float x, float y, float z, int32_t firstTriangle, bool seam, bool pinned);
    int addVertex(vec3 p);
    int addVertex(vec3 p, bool pinned);
    int pushVertex(const MeshVertex& v);
    int addTriangle(const MeshTriangle& t) { return triangles.push(t); }
    void deleteTriangle(int t);
    // Deletes the alive triangles of the list, all at once: the records do not depend on the
    // list's order. A vertex whose fan falls apart keeps its last fan in walk order; each other
    // fan moves to a copy appended in vertex order.
    void deleteTriangles(const std::vector<int32_t>& doomed);
    void splitPinchedVertices();
    void append(const Mesh* other);
    void clearSelection();
    void selectAll();
    void selectAllWithTriangles();
    void collectPositions(std::vector<vec3>& out) const;
    void applyDrag();
    static void volumeDeformOffset(vec3& out, vec3 d, float t, vec3 a, vec3 b, vec3 c, float r);

    // Links, rings and walks (MeshAdjacency.cpp).
    bool buildLinks();
    void finishImport(Recenter mode);
    void recenter(Recenter mode);
    int updateVertexRing(int v);
    void updateAllRings();
    bool isSeamCorner(int v) const;
    void markNormalCreases();
    int fanStart(int v, int t) const;
    int fanEnd(int v, int t) const;
    int openFanStart(int v, int t) const;
    int seamNeighbourAfter(int v, int t) const;
    int seamNeighbourBefore(int v, int t) const;
    int valence(int v) const;
    int cornerWalk(int& v, int& t, int& e) const;
    int vertexTriangles(int v, std::vector<int32_t>& tris) const;
    int collectVertexRing(int v, std::vector<int32_t>& tris, std::vector<int32_t>& corners) const;
    int vertexNeighbours(int v, std::vector<int32_t>& verts) const;
    int vertexRingPairs(int v, std::vector<int32_t>& verts, std::vector<int32_t>& tris) const;
    int vertexRingEdges(int v, std::vector<int32_t>& verts, std::vector<int32_t>& tris,
                        std::vector<int32_t>& seams) const;
    int vertexTrianglesFrom(int v, int t, std::vector<int32_t>& tris) const;
    int vertexTrianglesTo(int v, int t, std::vector<int32_t>& tris) const;
    int ringFromTriangle(int v, int t, std::vector<int32_t>& tris) const;
    int vertexFans(int v, std::vector<int32_t>& tris) const;
    int boundaryNeighbour(int v) const;
    int boundaryLoop(int v, std::vector<int32_t>& verts) const;
    int seamLine(int v, std::vector<int32_t>& verts, bool stopAtPinned, int t) const;
    bool findEdge(int a, int b, int& t, int& e) const;
    void setEdgeMark(int t, int e, bool on);
    void setEdgeMarkBetween(int t1, int t2, bool on);
    bool setEdgeFlag(int a, int b, bool on);
    int closestTriangle(const vec3& p) const;
    void trianglePositions(int t, std::vector<vec3>& out) const;
    void edgePositions(int t, int e, std::vector<vec3>& out) const;
    vec3 triangleLocal(int t, const vec3& w) const;

    // Normals, smoothing and relaxation (MeshNormals.cpp, MeshSmoothing.cpp).
    void updateNormals(NormalUpdate which);
    void updateFaceNormal(int t);
    void updateVertexNormal(int v);
    void updateSelectedNormals();
    void growSelection();
    // Selects every triangle round a live selected vertex, except dead ones (when liveOnly) and
    // those holding any of the skip flags; the selected triangles go to the back of the list.
    void selectTrianglesRoundSelectedVertices(uint32_t skip, bool liveOnly);
    void updateNewNormals();
    void markAllSeams();
    void clearAllSeams();
    void markCreasesByAngle(float degrees);
    void resetCreasesByAngle(float degrees);
    vec3 smoothTarget(int v) const;
    // count passes moving every alive vertex onto its smoothing target.
    void smooth(int count);
    void relax(bool seamsToo, bool withNormals);
    vec3 relaxTarget(int v) const;
    void relaxTangential(bool seamsToo);
    vec3 vertexDirection(int v, int t) const;
    void blendTriangleMaterials(int t, uint8_t mask);
    void averageVertexMaterials(int v, uint8_t mask);
    void smoothMaterials(uint8_t mask, int passes);
    void blendCornerNormals(int t);
    void updateVertexNormalFromCorners(int v);
    void smoothCornerNormals(int passes);
    void projectToSphere();
    static Mesh* subdivided(Mesh* source, int levels, bool keepSeams, bool subdivideFlag);
    void transformVertices(const mat4& m);

    // Components and patches (MeshRegions.cpp).
    void selectComponent(const vec3& point, bool clear, int& triangle);
    // With borders, also lists (in selection order) the triangles it selects that have an edge
    // marked, open or linked past the store.
    bool selectPatch(const vec3& point, bool clear, int& triangle, std::vector<int32_t>* borders = nullptr);
    void gatherComponentBrushVertices(const vec3& centre, float radius, bool clear, int triangle);
    void gatherPatchBrushVertices(const vec3& centre, float radius, bool clear, int triangle);
    void orientComponents();

    // Compaction of dead records (MeshPurge.cpp).
    void purgeDeleted(bool force);
    // Gives every vertex without a walk start that a triangle holds one, and settles its ring.
    void restartWalks();

    // Copies of a region into a new mesh (MeshExtraction.cpp).
    // mode 1 copies the patch under the point, any other mode its component.
    Element* extractSelection(const vec3& point, int& item, int mode) override;
    Element* extractComponent(const vec3& point, int& item) override;
    Element* extractPatch(const vec3& point, int& item) override;
    // Null when item names no alive triangle.
    Element* detachComponent(int item) override;

    // Sculpt strokes go to the handler that the editing library registers (MeshGestures.cpp).
    void applyGestures(const std::vector<Gesture*>& gestures) override;

    // Brush gathering and the kernels over the brush lists (editing/BrushKernels.cpp). Kernels
    // that write offsets first size the drag offsets to the selection; "set" kernels overwrite.
    void gatherBrushVertices(const vec3& centre, float radius, bool clear);
    // The run boxes of the whole vertex store (strokeCache.runBounds), from scratch.
    void buildGatherBounds();
    void markDirtyTriangles();
    // Marks for upload the selected triangles and those round the selected vertices (which join
    // the triangle selection), as runs of consecutive records.
    void markSelectionGpuRange();
    // The same once markDirtyTriangles has run since the vertex selection last grew: the rings
    // are not walked again.
    void markSelectedTrianglesGpuRange();
    void deformBrushVertices(const vec3& drag);
    void deformPatchBrushVertices(const vec3& drag);
    void smoothBrushVertices(float factor);
    void smoothPatchBrushVertices(float factor);
    void translateBrushVertices(const vec3& u);
    void offsetBrushVertices(float s);
    void scaleAboutPoint(const vec3& centre, float s);
    void transformBrushVertices(const mat4& m);
    void scaleAlongDirection(const vec3& centre, const vec3& direction, float s);
    void paintBrushVertices(const pbr& material, uint8_t mask, float strength);

    // Brush operations of the Element and All Patches modes (editing/BrushOperations.cpp).
    void paintMaterial(const vec3& centre, float radius, const pbr& material, uint8_t mask, float strength);
    void deformBrush(const vec3& centre, const vec3& target, float radius);
    void deformVolume(const vec3& centre, const vec3& target, float radius);
    void smoothBrush(const vec3& centre, const vec3& target, float radius);
    void growPinch(const vec3& centre, float radius, float strength);
    void twist(const vec3& centre, const vec3& axis, float angle, float radius);
    void extrudeInflate(const vec3& previous, const vec3& last, int item);

    // Rigid moves of a patch, a component or the whole mesh (editing/RegionMoves.cpp).
    void moveComponent(const vec3& previous, const vec3& current, int triangle);
    void movePatch(const vec3& previous, const vec3& current, int triangle);
    void rotateRegion(const vec3& previous, const vec3& current, int triangle, int mode, const vec3& viewAxis);
    void scaleRegion(const vec3& previous, const vec3& current, int triangle, int mode, bool uniform);

    // Fills and the Patch and Component brushes (editing/RegionBrushes.cpp).
    void fillMaterial(const vec3& point, int triangle, const pbr& material, uint8_t mask);
    void fillPatch(const vec3& point, int triangle, const pbr& material, uint8_t mask);
    void paintComponent(const vec3& centre, float radius, int triangle, const pbr& material, uint8_t mask,
                        float strength);
    void paintPatch(const vec3& centre, float radius, int triangle, const pbr& material, uint8_t mask, float strength);
    void deformComponent(const vec3& previous, const vec3& current, float radius, int triangle);
    void deformPatch(const vec3& previous, const vec3& current, float radius, int triangle);
    void smoothComponent(const vec3& previous, const vec3& current, float radius, int triangle);
    void smoothPatch(const vec3& previous, const vec3& current, float radius, int triangle);

    // Erasing components, patches and feature lines (MeshErase.cpp).
    void eraseComponent(const vec3& point, int triangle);
    void erasePatch(const vec3& point, int triangle);
    void eraseFeature(const vec3& point, bool clear, int triangle);
    // All the picks' components, patches or lines, found on the mesh as it was, then erased
    // together; a pick whose triangle is -1 takes the one nearest its point.
    void eraseComponents(const std::vector<vec3>& points, std::vector<int32_t> picked);
    void erasePatches(const std::vector<vec3>& points, std::vector<int32_t> picked);
    void eraseFeatures(const std::vector<vec3>& points, const std::vector<int32_t>& picked);

    // Extrusion starts: border vertices split off with side walls (editing/Extrusion.cpp), and
    // the bevel (editing/Bevel.cpp).
    int extrudeBorderVertex(int v, int t, const pbr& material, bool flag);
    void extrudePatch(const vec3& point, int item, const pbr& material, bool flag);
    void extrudePatchBorder(int t, const pbr& material, bool flag);
    void extrudeAllPatches(const pbr& material, bool flag);
    void extrudeDeformStart(const vec3& point, float radius, int item, const pbr& material, bool flag);
    void bevelPatch(const pbr& material, bool flag);

    // Steps of an extrusion or tear stroke (editing/ExtrusionSteps.cpp).
    void pushAlongNormal(const vec3& previous, const vec3& current, int triangle);
    void pushAllPatches(const vec3& previous, const vec3& current, int triangle);
    void scaleAllPatches(const vec3& previous, const vec3& current, int triangle);

    // Cuts and clips along a plane through q with normal n (editing/PlaneCuts.cpp).
    void cutPlane(const vec3& q, const vec3& n);
    void cutPlaneComponent(const vec3& q, const vec3& n, int item);
    void cutPlanePatch(const vec3& q, const vec3& n, int item);
    void clipPlane(const vec3& q, const vec3& n);
    // The cap is laid out on the plane along `along` and by `handedness`, so that a mirrored or
    // turned stroke caps with the mirrored or turned triangulation.
    void subPlane(const vec3& q, const vec3& n, const pbr& material, const vec3& along = vec3(),
                  float handedness = 1.0f);

    // Cuts, clips and stamps along a sphere with its centre and a point of its rim
    // (editing/SphereCuts.cpp).
    void cutSphere(const vec3& centre, const vec3& rim);
    void clipSphere(const vec3& centre, const vec3& rim);
    void cutSpherePatch(const vec3& centre, const vec3& rim, int triangle, bool patch);
    void clipSpherePatch(const vec3& centre, const vec3& rim, int triangle, bool patch);
    void addSubSphere(const vec3& anchor, const vec3& normal, const vec3& rim, bool add, const pbr& material);
    // Stamps pressed together (a stroke's symmetric copies): every sphere cuts first, then each
    // vertex inside any of them goes out to the outline of their union, whatever their order.
    struct SphereStamp {
        vec3 anchor, normal, rim;
    };
    void addSubSpheres(const std::vector<SphereStamp>& stamps, bool add, const pbr& material);

    // Every triangle replaced by a tile (editing/Patterns.cpp).
    void applyPattern(Mesh* tile);
    void tileTriangle(int t, Mesh* tile);

    // Appending triangles and polygons, and the primitive solids (Primitives.cpp).
    int pushTriangle(const MeshTriangle& t) { return triangles.push(t); }
    int addTriangle(uint32_t a, uint32_t b, uint32_t c, bool mark0, bool mark1, bool mark2);
    int addTriangle(uint32_t a, uint32_t b, uint32_t c, int32_t nb0, int32_t nb1, int32_t nb2, bool mark0, bool mark1,
                    bool mark2);
    // Fans p[0], p[k], p[k+1]; polygon edge k (p[k] to p[k+1]) takes marks[k], fan diagonals stay unmarked.
    void addPolygon(const std::vector<int32_t>& indices, const std::vector<bool>& marks);
    void addPolygon(const std::vector<int32_t>& indices);
    static Mesh* createTriangle();
    static Mesh* createTetrahedron();
    static Mesh* createCube();
    static Mesh* createColouredCube();
    static Mesh* createOctahedron();
    static Mesh* createDodecahedron();
    static Mesh* createIcosahedron();
    static Mesh* createCylinder(int segments, bool hardSides);
    static Mesh* createCapsule(int levels, bool hard);

    // Tiles of the pattern brushes, drawn in the reference triangle (PatternTiles.cpp).
    static Mesh* createPatternTile(float a, bool open);
    static Mesh* createPatternTile2(float a, bool open);
    static Mesh* createPatternTile3(float a, bool open);
    static Mesh* createPatternTile4(float a);

    // Edge flip and collapse (MeshEdgeOps.cpp).
    bool flipEdge(int t, int e);
    bool flipEdgeBetween(int a, int b);
    void flipEdges(int passes);
    bool collapseEdge(int t, int e);
    bool collapseEdgeBetween(int a, int b);

    // Edge split and point insertion (MeshSplit.cpp).
    int splitEdge(int t, int e, const vec3& p);
    int splitEdgeAt(int a, int b, const vec3& p);
    int splitTriangle(int t, const vec3& p);
    int splitEdgeMidpoint(int t, int e, int& oppositeP, int& oppositeS);
    int splitEdgeMidpoint(int t, int e);
    int splitEdgeBetweenMidpoint(int a, int b);
    int insertCentroid(int t);

    // Subdivision and remeshing (MeshSubdivide.cpp).
    bool subdivide(bool smooth) override;
    void subdivideCentroid();
    void refineTriangles(int passes, float ratio);
    void collapseShortEdges(int passes, float ratio);
    void remesh(int passes);
    void remeshPass(int passes);

    // Cutting patches off along their borders (MeshTear.cpp).
    int tearFan(int v, int t);
    void tearPatchAt(const vec3& point, int triangle);
    void tearPatchOf(int t);
    void tearAllPatches();
    void tearDeformAllPatches(const vec3& point, float radius, int triangle);

    // A sheet or a closed solid from a closed 2D outline (MeshFromOutline.cpp).
    static Mesh fromOutline(const Outline& outline, bool steinerOnRim, uint8_t profile, uint8_t thickness);

    // Scene-file record (MeshRecord.cpp; readMeshRecord reads it).
    bool save(ByteBuffer& out) override;

    // Wavefront OBJ (ObjImport.cpp, ObjExport.cpp). Relative paths start in the objects folder.
    Mesh(const std::string& path, bool relative);
    bool loadFromFile(const std::string& path) override;
    // loadFromFile, with why (when given) told the reason of a refusal in words for the user.
    bool loadObjFile(const std::string& path, std::string* why);
    bool saveToFile(const std::string& path) override;
    bool importObj(const std::string& path, std::string* why = nullptr);
    bool exportObj(const std::string& path, std::string* why = nullptr);
    // Appends one object group of the scene export and paints its triangles' cells into the maps.
    void exportObjWithMaterials(QImage& baseColour, QImage& emission, QImage& metalness, QImage& roughness,
                                std::string& obj, std::string& mtl, int totalObjects, int& objectNumber,
                                int& vertexBase, int& texCoordBase, int& normalBase, int& cellNumber, const mat4& m,
                                const pbr& toolMaterial) const;

private:
    // Upload steps (MeshGpu.cpp).
    bool rangeUploadPossible() const;
    // No GPU names, nothing uploaded: the next upload builds everything (the names are not deleted).
    void forgetGpu();
    uint64_t uploadLines(const std::vector<float>& lines, int32_t segments);
    bool finishUpload(uint64_t written);
    // Runs the rebuild passes; markCreases adds the normal-crease pass of an import.
    void rebuildPasses(Recenter mode, bool markCreases);
    // Corner normals of v from face normals (fromCorners false) or from corner normals; group is scratch.
    void cornerNormalsOf(int v, bool fromCorners, std::vector<int32_t>& group);
    // The step bound of every walk: a walk longer than the store is a broken ring.
    int walkLimit() const { return triangles.size() + 1; }
    void copyFrom(const Mesh& other);
};

// Frees the arrays the rebuilds keep from one to the next (a closed scene gives its memory back).
void releaseRebuildScratch();

// A copy of source whose positions are mapped through source's inverse placement followed by m;
// the result sits at the origin with scale 1, wound outward even through a mirror, and owns no
// GPU buffers.
void transformMesh(Mesh& result, const Mesh& source, const mat4& m);

// The sculpt dispatcher, registered by the editing library; without one a stroke changes nothing.
using MeshGestureHandler = void (*)(Mesh& mesh, const std::vector<Gesture*>& gestures);
void registerMeshGestureHandler(MeshGestureHandler handler);

// The union of two meshes: both placed at the origin, b's records appended after a's.
Mesh operator+(const Mesh& a, const Mesh& b);

} // namespace kal
