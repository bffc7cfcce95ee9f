// Seeded random sessions through the view's steps: inserts and placements (arrays and chains among
// them), Ctrl-drag copies, component picks and detaches, deletes at every granularity, sculpt
// strokes with samples on and off the objects and with symmetric copies, undos and redos, each
// frame followed by the picks a real frame takes. The read-backs are simulated: they hit a random
// listed node, find nothing, or fail and leave the last pick standing. Under AddressSanitizer a
// pointer kept past its tool's deletion shows up here.
#include <gtest/gtest.h>

#include <random>

#include "MeshInvariants.h"
#include "StepFixtures.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "tools/Array.h"

using namespace kal;

namespace {

// Sculpt brushes of the session: the sphere operations, the plane cuts and a plain brush.
constexpr Brush kBrushes[] = {
    Brush::AddSphere,        Brush::SubSphere,      Brush::AddSphereReverse, Brush::SubSphereReverse, Brush::CutSphere,
    Brush::CutSphereReverse, Brush::ClipSphere,     Brush::CutPlane,         Brush::ClipPlane,        Brush::SubPlane,
    Brush::Deform,           Brush::EraseComponent, Brush::ErasePatch,       Brush::EraseFeature};
// Insert kinds: the library tool, a cube, an icosahedron, an array of the picked items and a chain.
constexpr InsertKind kKinds[] = {InsertKind::UseTool,     InsertKind::Cube,  InsertKind::Icosahedron,
                                 InsertKind::Icosahedron, InsertKind::Array, InsertKind::Chain};

class RandomView : public test::SceneView {
public:
    explicit RandomView(unsigned seed) : SceneView(true), rng(seed) {}

    std::mt19937 rng;
    float cursorX = 500, cursorY = 400;
    int lastCopies = 1;

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int percent) { return uniform(0, 99) < percent; }

    // A listed node by the read-back's rules: the id the last frame's lists give it.
    int32_t randomId() {
        const int n = scene->sceneLists.size();
        return n == 0 ? 0 : uniform(1, n);
    }

    // A point of the node's element (a mesh vertex, else its origin) in world space, with the
    // matrices that carry world into the element.
    void placeOn(PickRecord& r) {
        mat4 world = r.object->composeMatrix();
        world *= r.objectWorld;
        r.worldToFrame = inverseAffineOrIdentity(world);
        Element* e = r.object->element;
        r.frameToTarget = e ? inverseAffineOrIdentity(e->inverseTransform()) : mat4();
        vec3 local{0, 0, 0};
        if (e && e->typeCode == MeshType) {
            auto* mesh = static_cast<Mesh*>(e);
            if (mesh->vertexCount() > 0) local = mesh->vertices[uniform(0, mesh->vertexCount() - 1)].position;
            r.itemId = uint32_t(mesh->triangleCount() > 0 ? uniform(0, mesh->triangleCount() - 1) : 0);
        }
        mat4 toElement = r.worldToFrame;
        toElement *= r.frameToTarget;
        r.point = local * inverseAffineOrIdentity(toElement);
        r.normal = normalize(r.point - world.translation() + vec3(0, 0, 1e-3f));
    }

    // The simulated read-back; with previous, a stroke or drag going on from it.
    PickRecord readBack(const PickRecord* previous) {
        PickRecord r = previous ? *previous : PickRecord();
        r.cursorX = lastCursorX;
        r.cursorY = lastCursorY;
        r.radius = brushSize;
        r.pixelVector = pixelVector(true);
        const int roll = uniform(0, 9);
        if (roll == 0) return r; // the read-back failed: nothing is looked up
        const int32_t id = randomId();
        if (roll <= 2 || id == 0) {
            r.stencilBits = 0;
            r.kind = previous ? 2 : 0;
            r.point = screenToWorld(float(r.cursorX), float(r.cursorY), focusDepth());
            r.normal = screenNormal();
            if (!previous) scene->pick(0);
            return r;
        }
        r.kind = 1;
        r.stencilBits = 1;
        if (previous) {
            // a stroke going on keeps its object; the sample lands on whatever lies below
            PickRecord there;
            scene->lookupWithMatrices(id, there.groupRoot, there.object, there.rootWorld, there.objectWorld, false);
            if (there.object) {
                placeOn(there);
                r.point = there.point;
            }
            return r;
        }
        r.objectId = uint32_t(id);
        scene->lookupWithMatrices(id, r.groupRoot, r.object, r.rootWorld, r.objectWorld, true);
        if (r.object) placeOn(r);
        r.viewAxis = screenNormal();
        return r;
    }

    PickRecord pickAt(int mode, const PickRecord* previous) override {
        if (mode != PlaceOnObject) return GLView::pickAt(mode, previous);
        return readBack(nullptr);
    }
    PickRecord pickSculpt(int placement, const PickRecord* previous) override {
        if (previous && placement >= PlaceSameDepth && placement <= PlaceTangentPlane)
            return GLView::pickSculpt(placement, previous);
        PickRecord r = readBack(previous);
        if (!previous && r.stencilBits && (!r.object || !r.object->element)) {
            scene->clearSelection();
            r = PickRecord();
        }
        return r;
    }
    // The frame as the real one runs it, less the drawing.
    Texture2D* render() override {
        if (scene) scene->rebuildToolLists();
        pickForFrame();
        redraw = false;
        return nullptr;
    }

    void frame(bool left) {
        cursorX = std::clamp(cursorX + float(uniform(-40, 40)), 10.0f, 990.0f);
        cursorY = std::clamp(cursorY + float(uniform(-40, 40)), 10.0f, 790.0f);
        frameAt(cursorX, cursorY, left, false);
    }

    // A left click, held for a few frames of motion, with Ctrl down when asked.
    void click(bool ctrl) {
        test::holdQtKeys(ctrl ? std::initializer_list<int>{Qt::Key_Control} : std::initializer_list<int>{});
        // now and then the cursor comes back into the view pressing: no frame has picked there
        if (chance(20))
            frameAt(-20, cursorY, false, false);
        else
            frame(false);
        frame(true);
        for (int i = uniform(0, 4); i > 0; --i) frame(true);
        frame(false);
        test::holdQtKeys({});
        frame(false);
    }

    // A scene tool the menu could name: a listed node, or the one under the last press.
    Tool* namedTool() {
        Tool* pressed = pressPick.object;
        if (pressed && chance(30)) return pressed;
        if (pressed && chance(30)) {
            while (pressed->parent && !pressed->parent->isRoot()) pressed = pressed->parent;
            return pressed;
        }
        const int32_t id = randomId();
        return id ? scene->objectById(id) : nullptr;
    }

    void assembly(Command command) {
        setMode(ASSEMBLY);
        setAssemblyCommand(command);
        hierarchyTarget = uniform(0, 2);
        addOnLinked = chance(50);
        addLinked = chance(50);
    }

    // Tools in both trees: past a few dozen only the steps that add nothing run, since copies onto
    // rings of linked copies multiply.
    int toolCount() {
        std::vector<Tool*> all;
        scene->sceneRoot->enumerate(all);
        return int(all.size());
    }

    // Every mesh of the scene still satisfies the checker's invariants.
    ::testing::AssertionResult meshesHold() {
        std::vector<Tool*> all;
        scene->sceneRoot->enumerate(all);
        for (Tool* t : all)
            if (t->element && t->element->typeCode == MeshType) {
                test::InvariantOptions options;
                options.checkWinding = false;
                ::testing::AssertionResult r = test::meshInvariantsHold(*static_cast<Mesh*>(t->element), options);
                if (!r) return r;
            }
        return ::testing::AssertionSuccess();
    }

    // One random step; true when it was a sculpt stroke.
    bool step() {
        static const int kNoGrowth[] = {6, 7, 8, 9, 10, 11, 12};
        int op = uniform(0, 13);
        if (toolCount() > 40 || scene->sceneLists.size() > 300) op = kNoGrowth[uniform(0, 6)];
        // arrays of arrays multiply their placements: a scene past a few hundred loses an object
        std::vector<Tool*>& top = scene->sceneRoot->children;
        if (scene->sceneLists.size() > 600 && !top.empty())
            deleteByMode(top[size_t(uniform(0, int(top.size()) - 1))], 0, false);
        switch (op) {
        case 0:
        case 1: {
            // pick items for the next array now and then
            if (chance(40) && scene->toolRoot->children.size() < 8) {
                assembly(Command::ArrayPickItem);
                click(false);
            }
            assembly(chance(50) ? Command::Insert : Command::Place);
            makeInsertTool(kKinds[uniform(0, 5)], true);
            click(false);
            break;
        }
        case 2:
            assembly(Command::Place);
            click(false);
            break;
        case 3:
        case 4:
            assembly(Command(uniform(int(Command::Move), int(Command::Scale))));
            click(chance(70));
            break;
        case 5:
            if (chance(50)) {
                const Command commands[] = {Command::Multiply, Command::ArrayPick, Command::PickComponent,
                                            Command::DetachComponent};
                assembly(commands[uniform(0, 3)]);
                click(false);
                break;
            }
            // a drawing: a profile, or an array along a drawn axis; it stays open across clicks
            assembly(Command::Place);
            axisShape = ShapeFree;
            makeInsertTool(chance(50) ? InsertKind::Profile : InsertKind::Array, true);
            for (int i = uniform(1, 3); i > 0; --i) {
                click(false);
                // the object menu works while a drawing is open
                if (chance(30))
                    if (Tool* t = namedTool()) deleteByMode(t, uint8_t(uniform(0, 5)), chance(20));
            }
            if (chance(50)) {
                test::holdQtKeys({chance(70) ? Qt::Key_Return : Qt::Key_Escape});
                frame(false);
                test::holdQtKeys({});
                frame(false);
            }
            break;
        case 6:
        case 7:
            // the menu's Delete at any granularity, on what was under the click
            if (Tool* t = namedTool()) deleteByMode(t, uint8_t(uniform(0, 5)), chance(20));
            frame(false);
            break;
        case 8:
        case 9:
        case 10: {
            setMode(SCULPT);
            // no copies, a mirrored pair or three turned copies
            const int copies = lastCopies = uniform(1, 3);
            const uint8_t symmetryFlags[6] = {uint8_t(copies == 2), 0, 0, 0, 0, uint8_t(copies == 3)};
            setSymmetry(symmetryFlags, 3);
            setSculptBrush(kBrushes[uniform(0, int(std::size(kBrushes)) - 1)]);
            setSelectionMode(uniform(0, 3));
            click(false);
            return true;
        }
        case 11:
        case 12:
            undo();
            frame(false);
            break;
        default:
            redo();
            frame(false);
            break;
        }
        return false;
    }
};

void runSession(unsigned seed, int steps) {
    test::resetAllInput();
    RandomView v(seed);
    v.undoStack.limit = 50;
    v.enter(500, 400);
    // what each stroke leaves is still a mesh the other operations can walk
    for (int i = 0; i < steps; ++i) {
        if (!v.step()) continue;
        ASSERT_TRUE(v.meshesHold()) << "seed " << seed << ", step " << i << ", brush " << brushName(v.brush)
                                    << ", copies " << v.lastCopies << ", mode " << v.selectionMode;
    }
    EXPECT_TRUE(v.meshesHold()) << "seed " << seed;
    test::resetAllInput();
}

} // namespace

TEST(RandomSession, thousandsOfStepsReadNoFreedOrInvalidMemory) {
    for (unsigned seed = 1; seed <= 6; ++seed) runSession(seed, 500);
}
