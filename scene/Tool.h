#pragma once
// A node of the object hierarchy: one shared element, a transform and pivot, constraint axes, a
// material, flags, owned children and a place in a ring of linked copies that act together.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "scene/ToolRef.h"

namespace kal {

class Element;
class ByteBuffer;
class Gesture;
class Tool;

// Bits of Tool::flags.
enum ToolFlag : uint8_t {
    LiveFlag = 0x01,
    HighlightFlag = 0x02,   // target of ring-wide commands; never written to files
    TransparentFlag = 0x04, // transparent draw class
    PlacedFlag = 0x08,      // a placed scene object: only placed members take part in ring-wide edits
    CollectFlag = 0x10,     // transient selection of one pass; never written to files
    ColourIsLightFlag = 0x20,
    FacingMask = 0xC0, // 0x40 faces with the camera transform, 0x80/0xC0 with the projection-view
};

enum ToolKind : int32_t { PlainKind = 0, ArrayKind = 1, BiToolKind = 2, RootKind = 3 };

// Scene animation time handed to every tool by Scene::setTime.
extern double sceneAnimationTime;

// Steps this thread's walks have taken along rings of linked copies. Always counted, at the cost of
// one increment: benchmarks and tests read it to see ring work stay linear in a ring's length.
inline thread_local uint64_t ringSteps = 0;

// Each top-level placement walk takes a new serial (SceneLists), so that a two-object tool end can
// tell what it captured in this walk from what an earlier one left. world is false for the walk of
// a template below no root, whose frames are not world frames.
struct PlacementWalk {
    uint32_t serial = 0;
    bool world = true;
    bool capped = false; // some array of the walk stopped at arrayPlacementCap
};
extern PlacementWalk placementWalk;
void beginPlacementWalk(bool world);

// Entries that arrays may place in one walk, their copies' subtrees counted, and placements they
// may work out: past either an array places no more copies. Nested arrays multiply, so a few
// kilobytes of file could otherwise ask for billions.
constexpr size_t arrayPlacementCap = 250000;

// One step of the placement walk: a visit of tool below handed (stage 0), or a later stage of a
// tool kind's own work, queued so that the entries come out in the order the tree gives them.
struct PlacementStep {
    Tool* tool;
    mat4 handed;
    int32_t group, drawArg;
    int32_t stage = 0;
    bool placed = false; // below a copy an array placed
};
// Handed as the group to a step that is its own group: it takes the index it is given.
constexpr int32_t ownIndexGroup = INT32_MIN;

// The lists one placement walk fills and the steps it has still to take, on an explicit stack:
// however deeply arrays, pairs and plain tools nest, no visit calls another.
struct PlacementWalker {
    std::vector<Tool*>& items;
    std::vector<mat4>& matrices;
    std::vector<int32_t>& groups;
    std::vector<int32_t>& drawArgs;
    std::vector<PlacementStep> pending;
    uint64_t serial;      // tells one walk's work from another's
    size_t arrayWork = 0; // entries placed by arrays
    bool capped = false;
    // Where arrays place their copies, worked out once per array in this walk (an array may be
    // reached again and again as a copy of another): each array's run of entries, the matrix
    // below the array's parent, the copy and its step id. They go with the walk.
    struct Placement {
        mat4 local;
        Tool* copy;
        int32_t stepId;
    };
    std::vector<Placement> placements{};

    // Appends an entry and answers its index.
    int32_t append(Tool* t, const mat4& m, int32_t group, int32_t drawArg, bool placed);
    // Queues the children of t below w, in group k, to be visited next and in order.
    void pushChildren(Tool* t, const mat4& w, int32_t k, bool placed);
    // Whether arrays may still place: false, and the walk marked capped, past the cap.
    bool mayPlace();
};

class Tool {
public:
    int32_t kind = PlainKind;
    Tool* parent = nullptr;
    Tool* copyRef = nullptr;
    Element* element = nullptr;
    mat4 transform;
    mat4 pivot;
    vec3 rotationAxis;
    vec3 translationAxis;
    pbr material;
    uint8_t flags = LiveFlag;
    int32_t index = -1;
    float multiplicity = 1.0f;
    Tool* next = this;
    std::vector<Tool*> children;
    uint8_t passState = 0;
    uint8_t markState = 0; // copy and removal pass mark, read through mark()
    double animationTime = 0.0;
    float animationRate = 1.0f;
    float animationPhase = 0.0f;

    Tool(Element* e, const mat4& transform, const pbr& material, bool transparent);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    virtual ~Tool();

    // Copy family. The one- and three-argument forms are conveniences over the three below, which
    // all copy on one explicit stack, however deeply arrays, pairs and plain tools nest; each kind
    // makes its own node (newCopyOfSelf) and finishes it once everything below is copied (copied).
    Tool* copy(bool keepPivot) { return copy(keepPivot, true); }
    Tool* copyTransformed(const mat4& m, bool link, uint8_t depth = 0) {
        return copyTransformedMode(m, link, uint8_t(depth + 1));
    }
    Tool* copyTransformedAll(const mat4& m, bool link) { return copyTransformedAll(m, link, true); }
    virtual bool isCopyMarked();
    // A linked copy sharing the element, never placed.
    Tool* copy(bool keepPivot, bool withChildren);
    // A placed copy whose pivot is followed by m. markMode 1 marks the subtree, 2 marks it through
    // setStateRecursive, anything else relies on marks set by the caller.
    Tool* copyTransformedMode(const mat4& m, bool link, uint8_t markMode);
    // A placed copy of the whole subtree.
    Tool* copyTransformedAll(const mat4& m, bool link, bool mark);
    // Roots of the marked set and the links that leave it (partner links of two-object tools in
    // partnerFrom/partnerTo, ring links in ringFrom/ringTo), on an explicit stack. A pair end whose
    // partner lies outside the set takes the partner's subtree in after its own (with
    // followPartner).
    void collectCutLinks(std::vector<Tool*>& roots, std::vector<Tool*>& partnerFrom, std::vector<Tool*>& partnerTo,
                         std::vector<Tool*>& ringFrom, std::vector<Tool*>& ringTo, bool markAll, bool markSubtree,
                         bool followPartner);
    virtual void setStateRecursive(uint8_t m);
    virtual void deleteChildren();
    virtual void attachPartner(Tool* other);
    // 0 unchanged, 1 the old element is still used elsewhere, 2 the old one was deleted or there was none.
    virtual int32_t setElement(Element* e);
    virtual bool detachElement();
    virtual void setMark(uint8_t m);
    virtual uint8_t mark();
    virtual void markSubtree(uint8_t m);
    virtual Tool* setChild(int i, Tool* c);
    virtual Tool* addChild(Tool* c, bool toRing);
    virtual int collectRing(std::vector<Tool*>& out, bool ring);
    virtual int removeChild(Tool* c);
    virtual int indexOfChild(Tool* c);
    virtual Tool* insertChild(int i, Tool* c);
    virtual void purgeChildren();
    virtual void enumerate(std::vector<Tool*>& list);
    // Appends this tool and what is below it: one entry per placement, with the matrix its
    // ancestors hand down, its group and draw argument.
    void collectWorldTransforms(std::vector<Tool*>& items, std::vector<mat4>& matrices, std::vector<int32_t>& groups,
                                std::vector<int32_t>& drawArgs, mat4 handed, int group, int drawArg);
    // One step of that walk; a plain tool appends itself and queues its children.
    virtual void placementStep(PlacementWalker& walker, const PlacementStep& step);
    // The copies an array owns apart from its children; null for every other tool.
    virtual std::vector<Tool*>* heldCopies() { return nullptr; }
    virtual Tool* previousLinked();
    virtual bool isLinked();
    virtual bool isLinkedWith(Tool* t);
    virtual void link(Tool* t);
    virtual Tool* unlink();
    virtual mat4 composeMatrix();
    virtual mat4 modelMatrix(const mat4& parentMatrix);
    virtual bool isEmpty();
    virtual bool isPlainTool();
    virtual bool isArray();
    virtual bool isBiTool();
    virtual bool isRoot();
    virtual void draw(uint32_t objectId, const mat4& parentMatrix, int32_t itemId);
    virtual void drawFlat(const mat4& parentMatrix, const uint8_t* colour);
    virtual bool hasGeometry();
    virtual void drawHelperFlat(const mat4& parentMatrix, const uint8_t* colour);
    virtual bool hasHelperGeometry();

    // Transforms; see ToolTransforms.cpp. `extra` is unused by the plain tool.
    virtual void transformConstrained(const mat4& m, const mat4& a, const mat4& b, bool ringWide, int extra = 0);
    virtual void translateConstrained(const mat4& m, bool ringWide, int extra = 0);
    virtual mat4 rotateConstrained(const mat4& m, bool ringWide, int extra = 0);
    // transform := transform followed by m (named apart from the `transform` field).
    virtual void transformBy(const mat4& m, bool ringWide, int extra = 0);
    virtual void movePivot(const mat4& m, bool ringWide, int extra = 0);
    virtual void transformPivot(const mat4& m, bool ringWide, int extra = 0);
    virtual void multiplyTransform(const mat4& m, bool ringWide, int extra = 0);

    virtual void applyGestures(const std::vector<Gesture*>& gestures);

    // Tool records of the file format (written with the scene reader and writers).
    virtual void serializeBody(ByteBuffer& out, bool wholeScene);
    virtual void serialize(ByteBuffer& out, bool wholeScene);
    virtual void resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements);
    // Writes this tool and its subtree as an object file (.ko), or as one joined mesh for ".obj";
    // false when it could not be written (why, when given, then says why).
    bool saveObject(const std::string& path, std::string* why = nullptr);
    // Record indices a read tool names until resolveLinks turns them into pointers.
    std::vector<uint32_t> pendingChildren;
    uint32_t pendingNext = 0;
    int32_t pendingElement = -1;
    // Copies an array record names (negative for an empty entry); the reader checks them with
    // the child indices, and the array takes them at resolveLinks.
    std::vector<int32_t> pendingCopies;

    virtual void setTime();

    // Frame of the first end of a two-object tool, the matrix it takes in a collected chain;
    // a plain tool has no ends.
    virtual mat4 firstEndFrame();
    // The other end of a two-object tool; none for every other tool.
    virtual Tool* partner() { return nullptr; }
    // Lets go of the other end (on both sides) without deleting it; nothing for other tools.
    virtual void forgetPartner() {}

    // Ring-wide setters: with ring, every placed member (of the same parent when sameParent).
    void setHighlight(bool ring, bool sameParent);
    void clearHighlight(bool ring, bool sameParent);
    void setCollect(bool ring, bool sameParent);
    void clearCollect(bool ring, bool sameParent);
    void collectFlaggedRing(std::vector<Tool*>& out, bool ring, bool sameParent);
    void setMaterial(const pbr& p, byte mask, bool ring, bool sameParent);
    void setColorIsLight(bool on, bool ring, bool sameParent);
    void setFlagMode(uint8_t mode, bool ring, bool sameParent);
    void setRingFloatA(float rate, bool ring, bool sameParent);
    void setRingFloatB(float phase, bool ring, bool sameParent);

private:
    friend class ToolRef;
    ToolRef* refs_ = nullptr; // the references that go null with this tool

protected:
    // Visits this tool and its subtree in pre-order on an explicit stack, since a file may nest
    // tools deeper than the call stack reaches: each tool's children, then an array's copies.
    // plain(t) for this tool and every tool below it, except that a pair end below it is handed to
    // other(t), its own virtual form of the walk.
    template <class Plain, class Other>
    void walkSubtree(Plain&& plain, Other&& other) {
        std::vector<Tool*> stack{this};
        while (!stack.empty()) {
            Tool* t = stack.back();
            stack.pop_back();
            if (t != this && t->kind == BiToolKind) {
                other(t);
                continue;
            }
            plain(t);
            pushBelow(t, stack);
        }
    }
    // The same over every tool of the subtree, pair ends included.
    template <class Plain>
    void walkSubtree(Plain&& plain) {
        std::vector<Tool*> stack{this};
        while (!stack.empty()) {
            Tool* t = stack.back();
            stack.pop_back();
            plain(t);
            pushBelow(t, stack);
        }
    }
    // Pushes what lies below t so that it pops in order: its children, then its copies.
    static void pushBelow(Tool* t, std::vector<Tool*>& stack);
    // Marks this subtree for a copy pass (on 1) or clears the marks (on 0): markMode 1 marks the
    // subtree, 2 sets the state of every tool below, anything else leaves the caller's marks.
    void markForCopy(uint8_t markMode, uint8_t on);
    // The three forms of a copy pass.
    enum class CopyForm : uint8_t { Plain, Transformed, All };
    // Copies this tool, then its descendants (only those with a copy mark unless All): a
    // descendant already copied in this pass is added again, any other is copied by its own kind.
    Tool* copyPass(CopyForm form, const mat4& m, bool keepPivot, bool linkCopy);
    // Makes this tool's copy for a pass and keeps it as copyRef: linked to this tool (Plain), or
    // placed by m and linked when asked.
    Tool* copyNode(CopyForm form, const mat4& m, bool keepPivot, bool linkCopy);
    // Called once everything below this tool is copied in the pass that made copy.
    virtual void copied(Tool* copy) { (void)copy; }
    // Members a ring-wide setter reaches, start first; without ring the start tool alone.
    void ringTargets(std::vector<Tool*>& out, bool ring, bool sameParent, bool startNeedsPlaced);
    // Sets (on) or clears a flag bit on the members a ring-wide setter reaches.
    void switchFlag(uint8_t flag, bool on, bool ring, bool sameParent);
    // A new tool of this one's kind with its own fields (not children, copies, ring or element
    // sharing).
    virtual Tool* newCopyOfSelf(bool keepPivot);
    // The fields every copy takes over: display bits, pivot (when kept), axes and the scalars.
    void copyFieldsTo(Tool* t, bool keepPivot) const;
};

// Holds the two trees of a scene; never listed itself by the flattening.
class Root : public Tool {
public:
    Root();
    void enumerate(std::vector<Tool*>& list) override;
    // Not listed itself: each child is its own group.
    void placementStep(PlacementWalker& walker, const PlacementStep& step) override;
};

// Appends top and every tool below it in pre-order over the child lists, without touching the
// tools' index fields; an explicit stack, however deep the tree.
void listSubtree(Tool* top, std::vector<Tool*>& out);
// What deleting top deletes: its subtree and, through the partners of two-object tools, theirs
// (a pair lives and dies together), each tool once, top first.
void collectWithPartners(Tool* top, std::vector<Tool*>& out);
// Takes every listed tool out of its ring, with one walk per ring touched; the others of each ring
// keep their order.
void unlinkAll(const std::vector<Tool*>& tools);
// Deletes the listed tools in order, skipping any that an earlier one took with it.
void deleteTools(const std::vector<Tool*>& list);

// Clears the collect flag on every listed tool, then empties the list.
void unflagCollectedTools(std::vector<Tool*>& list);

} // namespace kal
