#include <gtest/gtest.h>

#include <memory>

#include "TestElement.h"
#include "foundation/ByteBuffer.h"
#include "scene/Acts.h"
#include "scene/PickRecord.h"
#include "scene/Registry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

using namespace kal;
using kal::test::node;
using kal::test::TestElement;

namespace {

// scene root -> A -> B -> C
struct ChainScene : ::testing::Test {
    Scene scene;
    Tool *a = nullptr, *b = nullptr, *c = nullptr;
    void SetUp() override {
        a = scene.sceneRoot->addChild(node(), false);
        b = a->addChild(node(), false);
        c = b->addChild(node(), false);
        a->transform = mat4::translationXYZ(1, 0, 0);
        b->transform = mat4::translationXYZ(0, 1, 0);
        scene.rebuildToolLists();
    }
};

} // namespace

TEST(Scene, emptySceneAnswersRootsAndNothingElse) {
    Scene scene;
    EXPECT_FALSE(scene.pick(1));
    EXPECT_EQ(scene.pickedObject, nullptr);
    EXPECT_EQ(scene.objectById(0), scene.sceneRoot);
    EXPECT_EQ(scene.idOf(scene.sceneRoot), 0);
    EXPECT_EQ(scene.objectById(5), nullptr);
    EXPECT_EQ(scene.objectById(-1), nullptr);
    Tool loose(nullptr, mat4(), pbr(), false);
    EXPECT_EQ(scene.idOf(&loose), noId);
    EXPECT_EQ(noId, 2147483647);
}

TEST_F(ChainScene, groupsFormAUnionFindOfTheChain) {
    EXPECT_EQ(scene.sceneLists.groups, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_TRUE(scene.pick(3));
    EXPECT_EQ(scene.pickedObject, c);
    EXPECT_EQ(scene.pickedGroup, a);
    EXPECT_EQ(scene.pickedGroupIndex, 0);
    EXPECT_EQ(scene.idOf(c), 3);
    EXPECT_EQ(scene.objectById(2), b);
    EXPECT_EQ(c->index, 2);
}

TEST_F(ChainScene, collectByIdWalksUpToTheGroupRoot) {
    std::vector<Tool*> chain;
    std::vector<mat4> m;
    EXPECT_TRUE(scene.collectById(3, chain, m, -1));
    EXPECT_EQ(chain, (std::vector<Tool*>{b, c}));
    EXPECT_TRUE(b->flags & CollectFlag);
    EXPECT_TRUE(c->flags & CollectFlag);
    EXPECT_FALSE(a->flags & CollectFlag);
    EXPECT_EQ(m[0], scene.sceneLists.worlds[1]);
    EXPECT_TRUE(scene.collectById(3, chain, m, 1));
    EXPECT_EQ(chain, (std::vector<Tool*>{c}));
    EXPECT_FALSE(c->flags & CollectFlag); // toggled back
    EXPECT_TRUE(scene.collectById(1, chain, m, -1));
    EXPECT_TRUE(chain.empty()); // a group root is never collected
    EXPECT_TRUE(scene.collectById(3, chain, m, 0));
    EXPECT_TRUE(chain.empty());
    EXPECT_FALSE(scene.collectById(4, chain, m, -1));
}

TEST_F(ChainScene, lookupWithMatricesGivesGroupAndObjectFrames) {
    ToolRef g, o;
    mat4 gm, om;
    EXPECT_TRUE(scene.lookupWithMatrices(3, g, o, gm, om, true));
    EXPECT_EQ(g, a);
    EXPECT_EQ(o, c);
    EXPECT_EQ(om, scene.sceneLists.worlds[2]);
    vec3 p = vec3() * om;
    EXPECT_EQ(p, vec3(1, 1, 0));
    EXPECT_EQ(scene.pickedObject, c);
    EXPECT_FALSE(scene.lookupWithMatrices(0, g, o, gm, om, true));
    EXPECT_EQ(g, nullptr);
    EXPECT_EQ(scene.pickedObject, nullptr);
}

TEST_F(ChainScene, selectCopiesThePickAndClearForgetsBoth) {
    EXPECT_TRUE(scene.select(2));
    EXPECT_EQ(scene.selectedObject, b);
    EXPECT_EQ(scene.selectedGroup, a);
    scene.clearSelection();
    EXPECT_EQ(scene.selectedObject, nullptr);
    EXPECT_EQ(scene.pickedObject, nullptr);
    EXPECT_FALSE(scene.select(9));
}

TEST_F(ChainScene, picksSelectionsAndKeptPickRecordsGoNullWithTheirTool) {
    ASSERT_TRUE(scene.select(3));
    PickRecord kept;
    kept.object = c;
    kept.groupRoot = a;
    const PickRecord copied = kept;
    delete b; // takes c with it
    EXPECT_EQ(scene.pickedObject, nullptr);
    EXPECT_EQ(scene.selectedObject, nullptr);
    EXPECT_EQ(scene.pickedGroup, a);
    EXPECT_EQ(kept.object, nullptr);
    EXPECT_EQ(copied.object, nullptr);
    EXPECT_EQ(copied.groupRoot, a);
    EXPECT_FALSE(kept.hitsObject());
}

TEST(Scene, cycleCurrentToolWrapsBothWays) {
    Scene scene;
    EXPECT_EQ(scene.cycleCurrentTool(false), nullptr);
    Tool* t0 = scene.addToMainRoot(node());
    Tool* t1 = scene.addToMainRoot(node());
    Tool* t2 = scene.addToMainRoot(node());
    EXPECT_EQ(scene.currentTool, t2);
    EXPECT_EQ(scene.cycleCurrentTool(false), t0);
    EXPECT_EQ(scene.cycleCurrentTool(true), t2);
    EXPECT_EQ(scene.cycleCurrentTool(true), t1);
    Tool stranger(nullptr, mat4(), pbr(), false);
    scene.currentTool = &stranger;
    EXPECT_EQ(scene.cycleCurrentTool(true), t0);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.idOf(t1), -2);
    EXPECT_EQ(scene.objectById(-3), t2);
}

TEST(Scene, placeToolPutsLinkedCopiesOnTheirOwnRing) {
    Scene scene;
    Tool* tmpl = scene.addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    std::vector<mat4> where{mat4::translationXYZ(1, 0, 0), mat4::translationXYZ(2, 0, 0),
                            mat4::translationXYZ(3, 0, 0)};
    Tool* last = scene.placeTool(tmpl, where, 0, false, false);
    ASSERT_EQ(scene.sceneRoot->children.size(), 3u);
    EXPECT_EQ(last, scene.sceneRoot->children[2]);
    Tool* first = scene.sceneRoot->children[0];
    EXPECT_TRUE(first->isLinkedWith(scene.sceneRoot->children[1]));
    EXPECT_TRUE(first->isLinkedWith(last));
    EXPECT_FALSE(first->isLinkedWith(tmpl));
    EXPECT_FALSE(tmpl->isLinked());
    std::vector<Tool*> created;
    scene.insertCopies(tmpl, {mat4()}, created, 0, false, true);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_TRUE(created[0]->isLinkedWith(tmpl));
    EXPECT_EQ(scene.placeTool(nullptr, where, 0, false, false), nullptr);
    EXPECT_EQ(scene.placeTool(tmpl, {}, 0, false, false), nullptr);
}

TEST(Scene, placeOnARingGivesEveryPlacedMemberACopy) {
    Scene scene;
    Tool* tmpl = scene.addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    Tool* x = scene.sceneRoot->addChild(node(), false);
    Tool* y = scene.sceneRoot->addChild(x->copyTransformed(mat4(), true, 0), false);
    scene.rebuildToolLists();
    ASSERT_TRUE(scene.select(scene.idOf(y)));
    std::vector<Tool*> created;
    scene.insertCopies(tmpl, {mat4()}, created, 2, true, false);
    EXPECT_EQ(created.size(), 2u);
    EXPECT_EQ(x->children.size(), 1u);
    EXPECT_EQ(y->children.size(), 1u);
    EXPECT_FALSE(x->flags & HighlightFlag);
    EXPECT_FALSE(y->flags & HighlightFlag);
}

TEST(Scene, attachCopyWithAnUnknownModeMakesNothing) {
    Scene scene;
    Tool* t = scene.sceneRoot->addChild(node(), false);
    scene.rebuildToolLists();
    scene.select(1);
    Tool* tmpl = scene.addToMainRoot(node());
    EXPECT_EQ(scene.attachCopy(tmpl, mat4(), 7, false), nullptr);
    EXPECT_TRUE(t->children.empty());
    EXPECT_NE(scene.attachCopy(tmpl, mat4(), 2, false), nullptr);
    EXPECT_EQ(t->children.size(), 1u);
}

TEST(Scene, insertInPlaceCopyStaysWhereThePickedObjectIs) {
    Scene scene;
    Tool* a = scene.sceneRoot->addChild(node(), false);
    a->transform = mat4::translationXYZ(3, 0, 0);
    scene.rebuildToolLists();
    scene.pick(1);
    std::vector<Tool*> created;
    Tool* c = scene.insertInPlaceCopy(created, false, 2);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->parent, a);
    EXPECT_EQ(created, std::vector<Tool*>{c});
    vec3 p = vec3() * c->composeMatrix();
    EXPECT_NEAR(p.x, 0, 1e-6);
    created.clear();
    Tool* top = scene.insertInPlaceCopy(created, false, 0);
    EXPECT_EQ(top->parent, scene.sceneRoot);
}

TEST(Scene, removeToolDeletesTheMarkedSubtree) {
    Scene scene;
    Tool* a = scene.sceneRoot->addChild(node(), false);
    a->addChild(node(), false);
    Tool* b = scene.sceneRoot->addChild(node(), false);
    scene.removeTool(a, false);
    EXPECT_EQ(scene.sceneRoot->children, std::vector<Tool*>{b});
}

TEST(Scene, repairRingsUnlinksMembersOutsideTheTrees) {
    Scene scene;
    Tool* a = scene.sceneRoot->addChild(node(), false);
    Tool* b = scene.sceneRoot->addChild(node(), false);
    Tool* c = scene.sceneRoot->addChild(node(), false);
    Tool outside(nullptr, mat4(), pbr(), false);
    a->link(b);
    c->link(&outside);
    EXPECT_TRUE(scene.repairRings());
    EXPECT_TRUE(a->isLinkedWith(b));
    EXPECT_FALSE(c->isLinked());
    outside.next = &outside;
}

TEST(Scene, repairRingsKeepsTheRingALeadInRunsInto) {
    Scene scene;
    Tool* tail = scene.sceneRoot->addChild(node(), false);
    Tool* a = scene.sceneRoot->addChild(node(), false);
    Tool* b = scene.sceneRoot->addChild(node(), false);
    a->link(b);
    tail->next = a; // a second way into the ring a, b: tail's walk never comes back to it
    EXPECT_TRUE(scene.repairRings());
    EXPECT_FALSE(tail->isLinked());
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, a);
}

// Ring repair and teardown walk each ring once, whatever its length: a file of n linked copies
// once took n walks of n steps each way.
TEST(Scene, ringRepairAndTeardownAreLinearInTheRing) {
    auto stepsFor = [](int n) {
        uint64_t before = ringSteps;
        {
            Scene scene;
            Tool* first = scene.sceneRoot->addChild(node(), false);
            Tool* last = first;
            for (int i = 1; i < n; ++i) {
                Tool* t = scene.sceneRoot->addChild(node(), false);
                // spliced in after the newest member: the ring runs in insertion order
                t->next = last->next;
                last->next = t;
                last = t;
            }
            EXPECT_TRUE(scene.repairRings());
            EXPECT_EQ(last->next, first);
        }
        return ringSteps - before;
    };
    uint64_t small = stepsFor(200), large = stepsFor(800);
    EXPECT_GT(small, 0u);
    EXPECT_LE(large, 5 * small) << small << " then " << large;
}

// The cut links of a group whose members form one ring with tools outside it: one walk of the
// ring, not one per member.
TEST(Scene, cutLinksOfAGroupWalkItsRingOnce) {
    auto stepsFor = [](int n) {
        Scene scene;
        Tool* group = scene.sceneRoot->addChild(node(), false);
        Tool* outside = scene.sceneRoot->addChild(node(), false);
        Tool* last = outside;
        for (int i = 0; i < n; ++i) {
            Tool* t = group->addChild(node(), false);
            t->next = last->next;
            last->next = t;
            last = t;
        }
        std::vector<Tool*> roots, partnerFrom, partnerTo, ringFrom, ringTo;
        uint64_t before = ringSteps;
        group->collectCutLinks(roots, partnerFrom, partnerTo, ringFrom, ringTo, true, true, true);
        uint64_t steps = ringSteps - before;
        // the ring leaves the group after its last member and enters it at its first
        EXPECT_EQ(ringFrom, (std::vector<Tool*>{outside, last}));
        EXPECT_EQ(ringTo, (std::vector<Tool*>{group->children[0], outside}));
        return steps;
    };
    uint64_t small = stepsFor(200), large = stepsFor(800);
    EXPECT_GT(small, 0u);
    EXPECT_LE(large, 5 * small) << small << " then " << large;
}

// Members of a ring from t on, t counted.
size_t ringLength(Tool* t) {
    size_t n = 0;
    Tool* m = t;
    do {
        ++n;
        m = m->next;
    } while (m != t);
    return n;
}

// A tool whose n children are all linked copies of one another, copied as a pick into the view
// does (then its children let go), and as an addition's undo record keeps, joins to the template's
// rings and places it: each copied child once walked the whole ring, which grows with every copy.
TEST(Scene, copyingAToolWhoseChildrenFormOneRingIsLinearInTheRing) {
    auto stepsFor = [](int n) {
        Scene scene;
        Tool* group = scene.sceneRoot->addChild(node(), false);
        Tool* last = group->addChild(node(), false);
        for (int i = 1; i < n; ++i) {
            Tool* t = group->addChild(node(), false);
            t->next = last->next;
            last->next = t;
            last = t;
        }
        scene.rebuildToolLists();
        uint64_t before = ringSteps;
        std::unique_ptr<Tool> picked(group->copy(false));
        EXPECT_EQ(ringLength(last), size_t(2 * n));
        picked->deleteChildren();
        EXPECT_EQ(ringLength(last), size_t(n));
        {
            ActObjectAdd add(&scene, 0, group, {mat4::translationXYZ(1, 0, 0)}, 0, false, false);
            add.toggle();
            add.toggle();
        }
        uint64_t steps = ringSteps - before;
        // the placed copy's children joined the ring, the record's kept copy left it
        EXPECT_EQ(scene.sceneRoot->children.size(), 2u);
        Tool* placed = scene.sceneRoot->children.back();
        EXPECT_EQ(ringLength(last), size_t(2 * n));
        EXPECT_TRUE(last->isLinkedWith(placed->children.front()));
        EXPECT_FALSE(placed->isLinked());
        return steps;
    };
    uint64_t small = stepsFor(500), large = stepsFor(2000);
    EXPECT_GT(small, 0u);
    EXPECT_LE(large, 5 * small) << small << " then " << large;
}

TEST(Scene, deletingPartOfARingKeepsTheRestInOrder) {
    Scene scene;
    Tool* group = scene.sceneRoot->addChild(node(), false);
    Tool* a = scene.sceneRoot->addChild(node(), false);
    Tool* b = group->addChild(node(), false);
    Tool* c = scene.sceneRoot->addChild(node(), false);
    Tool* d = group->addChild(node(), false);
    Tool* e = scene.sceneRoot->addChild(node(), false);
    a->next = b, b->next = c, c->next = d, d->next = e, e->next = a;
    delete group;
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->next, e);
    EXPECT_EQ(e->next, a);
    EXPECT_EQ(scene.sceneRoot->children, (std::vector<Tool*>{a, c, e}));
}

// A file may nest tools as deep as it likes: flattening, timing, writing, reading and deleting
// a chain of 200,000 tools must not run out of call stack.
TEST(Scene, deepChainOfToolsNeedsNoCallDepth) {
    const int depth = 200000;
    Scene scene;
    Tool* t = scene.sceneRoot->addChild(node(), false);
    for (int i = 1; i < depth; ++i) t = t->addChild(node(), false);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.sceneLists.size(), depth);
    EXPECT_EQ(scene.sceneLists.groups.back(), depth - 2);
    scene.setTime(2.0);
    EXPECT_EQ(t->animationTime, 2.0);
    ByteBuffer bytes;
    writeSceneBytes(scene, bytes);
    Scene read;
    ASSERT_TRUE(readSceneBytes(read, bytes.data(), bytes.size()));
    std::vector<Tool*> all;
    read.sceneRoot->enumerate(all);
    ASSERT_EQ(all.size(), size_t(depth));
    EXPECT_EQ(all.back()->parent, all[size_t(depth) - 2]);
    // copies and the cut links of a removal walk the whole chain
    Tool* top = read.sceneRoot->children[0];
    std::unique_ptr<Tool> copy(top->copyTransformedAll(mat4(), false));
    std::vector<Tool*> copied;
    copy->enumerate(copied);
    EXPECT_EQ(copied.size(), size_t(depth));
    EXPECT_EQ(copied.back()->parent, copied[size_t(depth) - 2]);
    copy.reset(top->copy(false));
    copied.clear();
    copy->enumerate(copied);
    EXPECT_EQ(copied.size(), size_t(depth));
    EXPECT_EQ(copied.back()->next, all.back()); // each copy is linked to its original
    copy.reset();
    std::vector<Tool*> roots, partnerFrom, partnerTo, ringFrom, ringTo;
    top->collectCutLinks(roots, partnerFrom, partnerTo, ringFrom, ringTo, true, true, true);
    EXPECT_EQ(roots, std::vector<Tool*>{top});
    EXPECT_TRUE(ringFrom.empty());
    // a removal purges the tree: the chain ends above the collected tool
    all[size_t(depth) / 2]->flags |= CollectFlag;
    read.sceneRoot->purgeChildren();
    all.clear();
    read.sceneRoot->enumerate(all);
    EXPECT_EQ(all.size(), size_t(depth) / 2);
    EXPECT_TRUE(all.back()->children.empty());
}

TEST(Scene, convertToTriMeshReplacesTheElementOnEveryHolder) {
    int before = TestElement::live;
    {
        Scene scene;
        auto* e = new TestElement(TubeType);
        e->convertible = true;
        Tool* a = scene.sceneRoot->addChild(node(e), false);
        Tool* b = scene.sceneRoot->addChild(a->copy(false), false);
        scene.rebuildToolLists();
        EXPECT_TRUE(scene.convertToTriMesh(e));
        EXPECT_EQ(a->element, b->element);
        EXPECT_EQ(a->element->typeCode, MeshType);
        EXPECT_EQ(a->element->useCount, 2);
        EXPECT_FALSE(scene.convertToTriMesh(a->element));
    }
    EXPECT_EQ(TestElement::live, before);
}

TEST(Scene, convertToTriMeshWithoutAMeshKeepsTheElement) {
    Scene scene;
    auto* e = new TestElement(CurveType);
    Tool* a = scene.sceneRoot->addChild(node(e), false);
    scene.rebuildToolLists();
    EXPECT_FALSE(scene.convertToTriMesh(e));
    EXPECT_EQ(a->element, e);
    EXPECT_EQ(e->useCount, 1);
}

TEST(Scene, convertToClayUsesTheRegisteredFactory) {
    int before = TestElement::live;
    {
        Scene scene;
        auto* e = new TestElement(MeshType, true);
        Tool* a = scene.sceneRoot->addChild(node(e), false);
        scene.rebuildToolLists();
        registerClayFactory([](Element* mesh) -> Element* {
            auto* clay = new TestElement(ClayType);
            clay->translation = mesh->translation;
            return clay;
        });
        EXPECT_TRUE(scene.convertToClay(e));
        EXPECT_EQ(a->element->typeCode, ClayType);
        EXPECT_FALSE(scene.convertToClay(a->element));
        registerClayFactory(nullptr);
    }
    EXPECT_EQ(TestElement::live, before);
}

// A registry nobody filled is a loud error naming it, and the scene is left as it was.
TEST(Scene, lookupsInEmptyRegistriesNameTheRegistry) {
    auto message = [](auto&& call) -> std::string {
        try {
            call();
        } catch (const EmptyRegistry& e) {
            return e.what();
        }
        return "no error";
    };
    Scene scene;
    auto* e = new TestElement(MeshType, true);
    Tool* a = scene.sceneRoot->addChild(node(e), false);
    scene.rebuildToolLists();
    registerClayFactory(nullptr);
    EXPECT_NE(message([&] { scene.convertToClay(e); }).find("clay factory"), std::string::npos);
    EXPECT_EQ(a->element, e);

    // this binary registers no element kind: reading any element record is refused loudly
    ByteBuffer bytes;
    writeSceneBytes(scene, bytes);
    Scene read;
    EXPECT_NE(message([&] { readSceneBytes(read, bytes.data(), bytes.size()); }).find("element readers"),
              std::string::npos);
    EXPECT_TRUE(read.sceneRoot->children.empty());
}

TEST(Scene, createRootsStartsOver) {
    Scene scene;
    scene.addToMainRoot(node());
    scene.sceneRoot->addChild(node(), false);
    scene.rebuildToolLists();
    scene.select(1);
    scene.createRoots();
    EXPECT_EQ(scene.currentTool, nullptr);
    EXPECT_EQ(scene.selectedObject, nullptr);
    EXPECT_TRUE(scene.sceneRoot->children.empty());
    EXPECT_EQ(scene.sceneLists.size(), 0);
    EXPECT_TRUE(scene.sceneLists.geometryIndex.empty());
}

TEST(Scene, setTimeReachesBothTrees) {
    Scene scene;
    Tool* t = scene.addToMainRoot(node());
    Tool* s = scene.sceneRoot->addChild(node(), false);
    scene.setTime(1.5);
    EXPECT_EQ(t->animationTime, 1.5);
    EXPECT_EQ(s->animationTime, 1.5);
    scene.setTime(0);
}
