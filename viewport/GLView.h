#pragma once
// The controller of the viewport: it owns the scene, the scene render targets, the camera, the undo
// list and every setting the main window's actions change. The frame itself (update, input state,
// undo driver) is in GLViewUpdate.cpp, the camera in Camera.cpp; drawing, picking and the gesture
// steps live in their own files and are declared here.
#include <cstdint>
#include <string>
#include <vector>

#include <QObject>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "viewport/Camera.h"
#include "viewport/Commands.h"
#include "scene/Gesture.h"
#include "scene/PickRecord.h"
#include "scene/UndoStack.h"

namespace kal {

class Curve;
class Element;
class Act;
class Environment;
class FBO;
class FBOScene;
class FBOSceneTransparent;
class Scene;
class Sculptor;
class Texture2D;
struct UnreadImage;
class Tool;

// Interaction modes (effective `mode`, chosen `chosenMode`).
enum ViewMode : int32_t { IDLE = 0, VIEW = 2, ASSEMBLY = 3, SCULPT = 4, DYNAMICS = 5 };

enum TransformFrame : int32_t { FrameScreen = 0, FrameWorld = 1, FrameObject = 2 };
enum PivotMode : int32_t { PivotObjectPivot = 0, PivotObject = 1, PivotOnly = 2 };
enum Placement : int32_t {
    PlaceOnObject = 1,
    PlaceSameDepth = 2,
    PlaceOnNormal = 3,
    PlaceNormalPlane = 4,
    PlaceTangentPlane = 5
};
// Shapes of the tube axis and section; 8.. are axis only.
enum CurveShape : int32_t {
    ShapeFree = 0,
    ShapeSegment = 1,
    ShapeTriangle = 2,
    ShapeSquare = 3,
    ShapePentagon = 4,
    ShapeHexagon = 5,
    ShapeNGon = 6,
    ShapeCircle = 7,
    ShapeTrefoilKnot = 8,
    ShapeTorusKnot = 9,
    ShapeChainLink = 10
};

// The window's on/off settings (GLView::setSwitch).
enum class ViewSwitch {
    Glow,
    Handles,
    Pivots,
    Animate,
    Turntable,
    HideTransparent,
    RenderSimple,
    EdgeDetection,
    LensChromatism,
    ObjectsChromatism,
    TextDisplay,
    PressureSizing,
    Groups,
    AddOnLinked,
    AddLinked,
    AxisSection,
    FullMode,
    EnvironmentFollowsCamera,
};
// The window's numeric settings (GLView::setNumber); whole-number settings drop the fraction.
enum class ViewNumber {
    Background,
    HierarchyTarget,
    RelativeToChild,
    Thickness,
    Placement,
    IkChainLength,
    EnvironmentBlur,
    AxisNGonCount,
    AxisCircleCount,
    TrefoilCount,
    SectionNGonCount,
    SectionCircleCount,
    RotationItems,
    SymmetryThreshold,
    GridStep,
};

// Mirror X, Y, Z, rotation X, Y, Z (each 0/1) and the rotation item count.
struct SymmetrySetting {
    uint8_t mirrorX = 0, mirrorY = 0, mirrorZ = 0;
    uint8_t rotationX = 0, rotationY = 0, rotationZ = 0;
    int32_t count = 6;
};

// The name a saved object is written under: ".ko" appended or put in place of any extension but .ko or .obj.
std::string objectFileName(const std::string& typed);

// What the live material edit reads of the material dialog; the main window provides it.
class MaterialEditSource {
public:
    virtual ~MaterialEditSource() = default;
    virtual pbr currentMaterial() = 0;
    virtual uint8_t currentMask() = 0;
    // The dialog exists and is still visible.
    virtual bool dialogOpen() = 0;
    virtual bool accepted() = 0;

    // Questions the interaction steps ask; the answers below are what a cancelled dialog gives.
    // Quick Save: the name typed into "Save Object", empty when cancelled.
    virtual std::string askObjectFileName() { return {}; }
    // Quick Save could not write the object file, for the reason given.
    virtual void objectSaveFailed(const std::string& /*path*/, const std::string& /*why*/) {}
    // A command ran out of memory and was dropped.
    virtual void outOfMemory() {}
    // "Constrained Rotation" / "Multiplicity" (-1e20..1e20, 2 decimals), starting at value;
    // true with the new value on OK.
    virtual bool askRotationMultiplicity(double& /*value*/) { return false; }
    // The material dialog ("Material", window-modal) on the tool's material; does not wait.
    // False when no dialog could be opened.
    virtual bool openMaterialDialog(Tool* /*tool*/) { return false; }
};

class GLView : public QObject {
    Q_OBJECT
public:
    GLView(int width, int height);
    ~GLView() override;
    GLView(const GLView&) = delete;
    GLView& operator=(const GLView&) = delete;

    int32_t width;
    int32_t height;
    bool hiRes = false;
    CameraState camera;
    Scene* scene = nullptr;
    FBOScene* opaqueTarget = nullptr;
    FBOSceneTransparent* transparentTarget = nullptr;
    std::vector<FBO*> renderTargets;
    Environment* environment = nullptr;
    mat3 environmentRotation;
    bool rotateEnvironment = false;
    bool fullMode = false;  // "Full Mode": Place forced when no command, linked edits off
    bool outside = true;    // cursor outside the viewport
    bool frameReady = true; // false while a frame or a render-target rebuild runs
    bool redraw = true;
    bool renderSimple = false;
    uint8_t startupFrame = 0; // 0..4
    int32_t perspective = 0;  // 0 orthographic, 1 perspective
    uint8_t namedView = 1;    // 0 free, 1 Front, 2 Back, 3 Left, 4 Right, 5 Top, 6 Bottom
    float nearDistance = 10.0f;
    float farDistance = 10000.0f;
    float fieldOfView = 60.0f;
    float focalLength = 1.0f;   // written by updateCamera
    int32_t backgroundMode = 0; // 0 colour, 1 image, 2 environment
    bool glow = true;
    bool lensChromatism = false;
    bool objectsChromatism = false;
    bool edgeDetection = false;
    bool wireframe = false;
    bool selectionDisplay = false;
    bool handles = true;
    bool pivots = true;
    bool hideTransparent = false;
    wvec4 backgroundColor{0x22 * 256, 0x22 * 256, 0x22 * 256, 0};
    // Colours of the compositing passes: the outline of objects and parts (black, half covering),
    // and the tints of the lens and the objects chromatism.
    wvec4 contourColor{0, 0, 0, 0x80 * 256};
    wvec4 lensChromatismColor{0, 0xAA * 256, 0xFF * 256, 0x04 * 256};
    wvec4 objectsChromatismColor{0xFF * 256, 0, 0xFF * 256, 0x0F * 256};
    FBO* backgroundImage = nullptr;
    uint8_t environmentBlur = 0; // 0..100, "Blur (0-100)": how far the sky background is blurred
    int32_t displayState = 0;    // wireframe + 2 x selection display
    int64_t startClock = 0;      // monotonic milliseconds at construction
    bool animate = true;
    bool turntable = false;
    std::vector<uint32_t> arrayItems{0x8001};
    int32_t arrayMode = 0;           // 0 Simple, 1 Chain, 2 Zipper
    std::vector<ToolRef> addedTools; // the array items picked so far
    int32_t axisNGonCount = 7;
    int32_t axisCircleCount = 24;
    int32_t trefoilCount = 64;
    int32_t knotSamples = 64, knotP = 2, knotQ = 3;
    int32_t sectionNGonCount = 7;
    int32_t sectionCircleCount = 24;
    int32_t busy = 0;               // gesture stage counter; 0 when idle
    int32_t pressX = 0, pressY = 0; // cursor at the last press (or at the click that opened the menu)
    uint8_t drawModifier = 0;       // the last drawing point was set with a modifier key
    bool shiftHeld = false;         // Shift as the key step last saw it
    int32_t paintMask = 0x3F;       // material channels painting and filling change (low byte)
    int32_t chosenMode = ASSEMBLY, mode = IDLE;
    Command chosenCommand = Command::Place, command = Command::Place;
    Command lastPlacingCommand = Command::Place;
    Command lastInsertCommand = Command::Place;
    InsertKind insertKind = InsertKind::UseTool;
    int32_t pivotMode = PivotObjectPivot;
    int32_t thickness = 1; // 0 Thin, 1 Thick, 2 Half
    int32_t axisShape = ShapeFree, sectionShape = ShapeCircle;
    bool addOnLinked = true;
    bool addLinked = true;
    bool groups = true;
    // tools the view keeps between frames go null when they are deleted
    ToolRef pendingTool;
    ToolRef pendingPartner;
    ToolRef copySource;
    int32_t placement = PlaceSameDepth;
    PickRecord pressPick;
    PickRecord hoverPick;
    vec3 latchedAxis{0, 0, 0};
    bool liveMaterial = false;
    ToolRef materialTool;
    MaterialEditSource* materialSource = nullptr; // not owned
    int32_t ikChainLength = -1;
    std::vector<Tool*> chainTools;
    std::vector<mat4> chainMatrices;
    std::vector<Sculptor*> sculptors;
    Assemblor assemblor; // the drawing gesture of the assembly mode
    std::vector<PickRecord> symmetricPicks;
    std::vector<int32_t> symmetryMerges;
    std::vector<int32_t> symmetryMergeGroups;
    Brush chosenBrush = Brush::Deform, brush = Brush::Deform;
    int32_t chosenSelectionMode = 0, selectionMode = 0; // 0 Element, 1 Patch, 2 All Patches, 3 Component
    int32_t chosenSculptOption = 2, sculptOption = 2;
    int32_t hierarchyTarget = 2; // 0 Add To Scene, 1 Add To Parent, 2 Add To Child
    int32_t relativeToChild = 2;
    bool drawAnchored = false;
    bool closed = false;
    bool axisSection = false;
    bool snapSymmetry = false;
    bool snapGrid = false;
    float symmetryThreshold = 0.5f;
    float gridStep = 16.0f;
    int32_t frame = FrameObject;
    SymmetrySetting symmetry{1, 0, 0, 0, 0, 0, 6};
    std::vector<mat4> placements;
    mat3 screenFrameSnapshot;
    mat4 firstPlacement;
    mat4 strokeFrame;
    float brushSize = 300.0f; // render pixels, 1..2000
    float elevation = 0.0f;   // -1..1
    pbr assemblyMaterial;
    pbr brushMaterial;
    bool pressureSizing = true;
    bool blockSize = false;
    vec3 blockExtent{0, 0, 0};
    uint8_t penState = 0; // 0 away, 1 near, 2 pressing
    float pressure = 1.0f;
    UndoStack undoStack; // the undo list: acts, cursor, limit (20)
    int32_t lastCursorX = 0, lastCursorY = 0;
    int32_t dragAccumX = 0, dragAccumY = 0;
    bool cursorMoved = false;

    // --- setters (GLView.cpp) ---
    void setMode(int m);
    void setAssemblyCommand(Command c);
    void setSculptBrush(Brush b);
    void setSelectionMode(int s);
    void setSculptOption(int v);
    void setSymmetry(const uint8_t flags[6], int count);
    void setOrthogonal(int p);
    void setFieldOfView(float degrees);
    void setFrame(int f);
    void setPivotMode(int p);
    void setWireframe(bool on);
    void setSelectionDisplay(bool on);
    void updateDisplayState();
    void setClosed(bool on);
    void setSnapSymmetry(bool on);
    void setSnapGrid(bool on);
    void setBrushSize(float s);
    void setElevation(float e);
    void setAxisShape(int id);
    void setSectionShape(int id);
    bool toggleBlockSize();
    void applyAssemblyMaterial();

    // --- what the window sets (ViewSettings.cpp); each asks for a new image ---
    void setSwitch(ViewSwitch which, bool on);
    void setNumber(ViewNumber which, double value);
    // The picture and the sky of the background, owned from here on; the previous ones are deleted.
    void setBackgroundImage(FBO* image);
    void setEnvironment(Environment* sky);
    // A standard view (1 Front .. 6 Bottom; 0 free) with its camera rotation.
    void showNamedView(int preset, const mat3& rotation);
    void setArrayItems(int mode, std::vector<uint32_t> items);
    // The pick a context-menu command acts on, as pressed and hovered.
    void setMenuPick(const PickRecord& pick);
    void setMaterialSource(MaterialEditSource* source) { materialSource = source; }
    // Something the view draws changed behind its back.
    void requestRedraw() { redraw = true; }

    // --- accessors ---
    bool isIdle() const { return busy == 0; }
    Command assemblyCommand() const;
    bool isAddOnLinked() const { return fullMode ? false : addOnLinked; }
    bool isLinked() const { return fullMode ? false : addLinked; }
    int effectiveHierarchyTarget(bool flag) const;
    float focusDepth() const;
    vec3 pixelVector(bool useBlock) const;
    vec3 screenNormal() const;
    float nearPlane() const;
    double smallerSide() const;
    bool isCursorInView() const;
    // A Draw gesture is running.
    bool isDrawing() const;

    // --- camera (Camera.cpp) ---
    ProjectionSettings projectionSettings() const;
    void updateCamera();
    void rotateView(float a, float b, float c);
    void panView(float dx, float dy, float dz);
    void zoomView(float d);
    void zoomViewAbout(float px, float py, float d);
    void resetView(bool position, bool rotation);
    vec3 screenToWorld(float x, float y, float depth) const;
    vec3 worldToNdc(vec3 world) const;
    vec3 ndcToWindow(vec3 ndc) const;
    vec3 worldToScreen(vec3 world) const;
    vec3 windowToNdc(vec3 window) const;
    vec3 ndcToWorld(vec3 ndc) const;
    vec3 windowToWorld(vec3 window) const;
    vec3 projectToScreen(vec3 world) const;
    vec3 worldToViewDirection(vec3 v) const;
    vec3 viewToWorldDirection(vec3 v) const;
    float viewZToDepth(float viewZ) const;
    float depthToViewZ(float depth) const;

    // --- frame (GLViewUpdate.cpp) ---
    // One frame. A step or render that runs out of memory drops the gesture it was part of, tells
    // the user and leaves the view ready for the next frame.
    Texture2D* update();
    void resize(int width, int height);
    void restoreInputState();
    void clearInputState();
    void onWheel();
    void undo();
    void redo();
    void loadDefaultEnvironment();
    // One step of an open live material edit; answers whether the edit is still open.
    bool followLiveMaterial();
    // Milliseconds of a monotonic clock; the origin of the animation time.
    static int64_t monotonicMilliseconds();
    // Whether the next image can differ from the last with no request and no input: the one list
    // of the image's inputs that change with time alone.
    bool imageChangesWithTime() const;

    // --- layers (GLViewLayers.cpp, GLViewComposite.cpp) ---
    // Fills one scene target: on the opaque one the background first, then the tools of the
    // layer (mode 0 opaque, 1 transparent, 2 all) and the flat line lists. keep draws over what
    // the target holds. The caller has bound the target and updated the camera.
    bool drawLayer(FBOScene* target, int mode, bool keep);
    // Lights the layer, then adds edge contours and outlines, in up to three full-screen passes
    // inside the target; the image ends where the target's spareColor points. False when a
    // pass cannot bind its shader or textures.
    bool compositLayer(FBOScene* target);
    // The sky background of drawLayer; false when the environment's cube array cannot be bound.
    bool drawSky(FBOScene* target);

    // --- frame image (GLViewRender.cpp) and status text (GLViewHud.cpp, StatusText.cpp) ---
    bool textDisplay = true;         // "Display": the status text over the image
    float refractionStrength = 0.5f; // how far the transparent layer bends what lies behind it
    // Prints the status lines into the current draw buffer of the bound target.
    void drawHud();

    // --- interaction steps (GLViewKeys.cpp, GLViewPress.cpp, GLViewRelease.cpp, GLViewDelete.cpp) ---
    virtual void keyStep();
    virtual void pressStep();
    virtual void releaseStep();
    // A button went up with the cursor outside the view: the click ends without its command.
    void endClickOutside();
    // Removes the tool (granularity 0, 1) or erases its component (2, 5+), patch (3) or feature (4)
    // under the click that named it, on the axis or (sectionFlag) the section curve. False when
    // the tool is null or holds no element.
    bool deleteByMode(Tool* tool, uint8_t granularity, bool sectionFlag);
    // Pushes a record that changed the scene; one that made nothing is destroyed (a push would
    // drop the redo tail for nothing).
    void pushIfEffective(Act* record);
    virtual void dragStep();
    virtual Texture2D* render();
    virtual void resetPick(bool rebuild);
    // Deletes the sculpt gestures of a stroke that ends without its finishing call, telling the
    // stroke's element first.
    void dropSculptStroke();
    // --- hooks for the element kinds still to come (GLViewHooks.cpp) ---
    virtual void buildDrawnTool();
    // The closed flag a drawn build uses: the setting, forced on for profiles.
    bool drawnCurveClosed() const;
    // What a drawn build does with the stroke chain's lists and frame: a new curve from them goes
    // where the pending template of the insert kind expects it, and the template is placed so that
    // the curve shows where it was drawn (DrawnTool.cpp).
    void placeDrawnCurve(const std::vector<vec3>& positions, const std::vector<float>& radii,
                         const std::vector<bool>& marks, bool closedCurve, const mat4& frame);
    // The axis and section presets by shape id; a new curve owned by the caller, empty for Free
    // and unknown ids.
    Curve* makeShapeCurve(int shape, bool axis, int extra);
    // The element a new insert template of this kind carries (InsertFactory.cpp).
    Element* elementOfKind(InsertKind kind);
    // The array or chain template along the axis preset.
    Tool* makeArrayTemplate(InsertKind kind);
    Tool* firstEndOfKind(InsertKind kind);
    // Enter on a profile drawing: the flat mesh of the drawn outline as the pending element.
    // False when the outline makes no mesh (fewer than 3 points, or nothing to triangulate).
    virtual bool buildProfileFromDrawing();
    // Enter with Alt on a revolution drawing: the axis curve extended onto the Y axis.
    virtual void extendRevolutionAxis();
    // ArrayPick: the released array's two lists into addedTools and arrayItems; false when the
    // tool is no array this build can read.
    virtual bool loadArrayForEditing(Tool* array);
    virtual void rebuildInsertTool();
    virtual void makeInsertTool(InsertKind kind, bool flag);
    // The last point of the running Draw stroke takes this radius.
    virtual void setLastStrokeRadius(float radius);
    virtual void fillDefaultScene();
    // Builds the environment cube map at start-up; false when it failed.
    virtual bool buildEnvironment();

    // --- picking (Picking.cpp, SculptPick.cpp, SymmetricPlacement.cpp, SymmetricSculptPicks.cpp) ---
    // What lies under the cursor: mode 1 reads back, 2..5 move previous by a placement mode.
    virtual PickRecord pickAt(int mode, const PickRecord* previous);
    // The pick under the sculpt brush: point, normal, pixel vector and view axis in world space;
    // worldToFrame then frameToTarget carry world into the hit element. Placement 1 reads back,
    // 2..5 move previous by that placement mode.
    virtual PickRecord pickSculpt(int placement, const PickRecord* previous);
    // One pick per symmetric copy under the brush into symmetricPicks, the pick itself first.
    // hover picks afresh and records the snap merges; otherwise the stroke is followed and the
    // merges replayed, so a stroke keeps its number of copies.
    void updateSymmetricPicks(bool hover);
    // Symmetric placements from the press pick, and from the press and hover picks of a drag.
    int pressPlacement();
    int dragPlacement();
    // The picks of a frame, once its layers are drawn: the press placement, the sculpt copies, the
    // drag's hover pick and the targets a placement previews; true when the preview needs drawing.
    bool pickForFrame();
    // Orients what a drawing builds from its first two anchors; answers their direction.
    vec3 placementFrameStep(vec3 firstAnchor, vec3 secondAnchor);

    // --- drag step helpers (GLViewDrag.cpp) ---
    // Assembly commands that transform the picked tool while the left button is held.
    void dragMove();
    void dragRotate();
    void dragScale();
    void dragRotateScale();
    void dragChain();
    void captureDrawStroke();

    // --- scene commands (GLViewCommands.cpp) ---
    void newScene();
    // Drops everything that names objects of the present scene (undo records, the material edit,
    // the copy source, chain and picks), before that scene goes.
    void forgetScene();
    // New: the scene emptied down to the default object, nothing left naming what was there.
    void clearScene();
    // Use Tool + Shift: the tool library emptied, with the undo list and everything naming it.
    void emptyToolLibrary();
    void discardPendingTools();
    // Steps the library's current tool (back: to the next child) and rebuilds the pending tool.
    Tool* cycleTool(bool back);
    // The commands on the picked object answer false when nothing is picked.
    bool makeUnique();
    bool convertToTriMesh();
    bool convertToClay();
    // Takes a copy of the tool into the library (level 0 object, 1 element) as the insert tool.
    bool pickInto(Tool* tool, uint8_t level);
    // After a two-object tool end went into the library as the pending tool: a copy of its
    // partner (without children when asked) joins the library as the pending partner, paired.
    void pickPartnerOf(Tool* end, bool withoutChildren);

    // --- opening and saving (GLViewFiles.cpp) ---
    // Loads by upper-cased extension. False, with the scene and the undo list untouched, when the
    // file cannot be read or its kind cannot be loaded; why, when given, then receives the reason
    // in words for the user ("the file is truncated"). A scene or object opens without the sprites
    // whose images cannot be read; unreadImages, when given, receives those images.
    bool openFile(const std::string& path, std::string* why = nullptr,
                  std::vector<UnreadImage>* unreadImages = nullptr);
    // False, with the undo list untouched, when the file could not be written; why, when given,
    // then receives the reason.
    bool saveScene(const std::string& path, std::string* why = nullptr);
    // Quick Save: asks the dialog interface for a name and writes the pressed object (.ko, or .obj
    // as typed); a failed write is reported through the same interface. Ends the click.
    void saveObject();
    // The writing half of saveObject, for a name the user has chosen.
    bool saveObjectAs(const std::string& name, std::string* why = nullptr);

signals:
    void openMenu();

protected:
    // --- pieces of the steps ---
    // Sculpt: the last sample of every gesture, finished, applied once more and deleted.
    void finishSculptStroke();
    // After a release: the gesture state cleared, chosen mode, command and brush back.
    void closeClick(bool inView);
    void drawingPress();
    void assemblyPress(Command command);
    // Assembly release handlers, one per command (ReleaseAdding.cpp, ReleaseTransforms.cpp).
    void releaseCommand(Command command);
    void releaseInsert();
    void releaseMultiply();
    void releasePlace();
    void releasePick();
    void releasePickComponent(bool patch);
    void releaseDetachComponent();
    void releaseRemove();
    void releaseDraw();
    void releaseArrayPick();
    void releaseArrayPickItem();
    void releaseDrawPickAxis();
    void releaseDrawPickSection();
    void releaseMakeUniform();
    void releaseLink();
    void releaseUnlink();
    void releaseEndDrag();
    void releaseMirror();
    void releaseRotateMultiplicity();
    void releaseMaterial();
    void releaseColorIsLight();
    void releaseMatchMaterial();
    void releaseConstrain(Command command);
    void releaseRemoveConstraint(Command command);
    void releaseAlign();
    void releaseMatchPivot(bool objectPivot);
    void releaseOrientation();
    // The release pick: what lies under the cursor now, on the object.
    void repickRelease();
    // Key step parts (GLViewKeys.cpp).
    void escapeKey();
    void backspaceKey();
    void retagDrawingPoint();
    void completeDrawing();
    void remapSculpt();
    void remapAssembly();

protected:
    // Tests build a view without scene or render targets.
    struct Bare {};
    GLView(int width, int height, Bare);

private:
    Texture2D* runFrame();
    void initialiseDefaults();
    void createRenderTargets();
    void destroyGpuObjects();
    void resizeRenderTargets();
    void reapplyChosenSettings();
};

} // namespace kal
