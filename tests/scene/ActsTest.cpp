#include <gtest/gtest.h>

#include "SceneSnapshot.h"
#include "TestElement.h"
#include "scene/Acts.h"
#include "scene/UndoStack.h"

using namespace kal;
using kal::test::node;
using kal::test::snapshot;
using kal::test::TestElement;

namespace {

// Toggles a record twice more and checks that it lands on the same two states each time.
void expectToggleCycles(Scene& scene, Act& act, const std::string& before, const std::string& after) {
    for (int round = 0; round < 3; ++round) {
        act.toggle();
        scene.rebuildToolLists();
        EXPECT_EQ(snapshot(scene), before) << "undo, round " << round;
        act.toggle();
        scene.rebuildToolLists();
        EXPECT_EQ(snapshot(scene), after) << "redo, round " << round;
    }
}

struct ActScene : ::testing::Test {
    Scene scene;
    Tool *a = nullptr, *b = nullptr, *c = nullptr;
    void SetUp() override {
        a = scene.sceneRoot->addChild(node(new TestElement()), false);
        b = scene.sceneRoot->addChild(a->copyTransformed(mat4::translationXYZ(2, 0, 0), true, 0), false);
        c = scene.sceneRoot->addChild(node(), false);
        c->addChild(node(), false)->addChild(node(), false);
        scene.rebuildToolLists();
    }
};

} // namespace

TEST_F(ActScene, linkWithItselfOrItsRingHasNoEffect) {
    ActObjectLink self(&scene, 1, 1);
    self.toggle();
    EXPECT_FALSE(self.hasEffect());
    ActObjectLink ringMate(&scene, scene.idOf(a), scene.idOf(b));
    std::string before = snapshot(scene);
    ringMate.toggle();
    EXPECT_FALSE(ringMate.hasEffect());
    EXPECT_EQ(snapshot(scene), before);
}

TEST_F(ActScene, linkJoinsAndSplitsRingsInOrder) {
    std::string before = snapshot(scene);
    ActObjectLink link(&scene, scene.idOf(a), scene.idOf(c));
    link.toggle();
    EXPECT_TRUE(link.hasEffect());
    EXPECT_TRUE(a->isLinkedWith(c));
    expectToggleCycles(scene, link, before, snapshot(scene));
}

TEST_F(ActScene, unlinkOfALooseNodeHasNoEffect) {
    ActObjectUnlink act(&scene, scene.idOf(c));
    std::string before = snapshot(scene);
    act.toggle();
    EXPECT_FALSE(act.hasEffect());
    EXPECT_EQ(snapshot(scene), before);
}

TEST_F(ActScene, unlinkUndoPutsTheNodeBackBetweenItsNeighbours) {
    Tool* d = scene.sceneRoot->addChild(b->copyTransformed(mat4(), true, 0), false);
    scene.rebuildToolLists();
    Tool* prev = b->previousLinked();
    Tool* nextOne = b->next;
    std::string before = snapshot(scene);
    ActObjectUnlink act(&scene, scene.idOf(b));
    act.toggle();
    EXPECT_TRUE(act.hasEffect());
    EXPECT_FALSE(b->isLinked());
    EXPECT_TRUE(a->isLinkedWith(d));
    act.toggle();
    EXPECT_EQ(prev->next, b);
    EXPECT_EQ(b->next, nextOne);
    act.toggle();
    expectToggleCycles(scene, act, before, snapshot(scene));
}

TEST_F(ActScene, removeAndUndoRestoresTheSubtreeInPlace) {
    std::string before = snapshot(scene);
    int32_t id = scene.idOf(c);
    ActObjectRemove act(&scene, id);
    act.toggle();
    EXPECT_EQ(scene.sceneRoot->children.size(), 2u);
    std::string after = snapshot(scene);
    expectToggleCycles(scene, act, before, after);
}

TEST_F(ActScene, removeLeavesTemplatesAndRootsAlone) {
    Tool* tmpl = scene.addToMainRoot(node());
    scene.rebuildToolLists();
    std::string before = snapshot(scene);
    ActObjectRemove ofTemplate(&scene, scene.idOf(tmpl));
    ofTemplate.toggle();
    ActObjectRemove ofRoot(&scene, 0);
    ofRoot.toggle();
    scene.rebuildToolLists();
    EXPECT_EQ(snapshot(scene), before);
}

TEST_F(ActScene, removeOfALinkedCopyRestoresItsRingAndSharedElement) {
    int live = TestElement::live;
    Element* e = a->element;
    std::string before = snapshot(scene);
    ActObjectRemove act(&scene, scene.idOf(a));
    act.toggle();
    EXPECT_FALSE(b->isLinked());
    EXPECT_EQ(b->element, e);
    EXPECT_EQ(TestElement::live, live); // the record's copy keeps the shared element alive
    act.toggle();
    scene.rebuildToolLists();
    EXPECT_EQ(snapshot(scene), before);
    EXPECT_TRUE(b->isLinked());
    EXPECT_EQ(scene.sceneRoot->children[0]->element, e);
    act.toggle();
    expectToggleCycles(scene, act, before, snapshot(scene));
}

TEST_F(ActScene, recordsKeptByRemoveAreNotReachedByRingEdits) {
    // a ring with a member inside the removed subtree and one outside it
    Tool* inner = c->children[0];
    Tool* outer = scene.sceneRoot->addChild(inner->copyTransformed(mat4(), true, 0), false);
    scene.rebuildToolLists();
    ActObjectRemove act(&scene, scene.idOf(c));
    act.toggle();
    pbr red;
    red.green = 0;
    outer->setMaterial(red, kPbrColor, true, false);
    EXPECT_FALSE(outer->isLinked());
    act.toggle();
    // the restored member has the colour it had when it was removed
    EXPECT_EQ(scene.sceneRoot->children[2]->children[0]->material.green, 65535);
    EXPECT_TRUE(outer->isLinked());
}

TEST_F(ActScene, addAppliesItselfAndUndoRemovesTheCopies) {
    Tool* tmpl = scene.addToMainRoot(node());
    scene.rebuildToolLists();
    std::string before = snapshot(scene);
    ActObjectAdd act(&scene, 0, tmpl, {mat4::translationXYZ(1, 0, 0), mat4::translationXYZ(0, 1, 0)}, 0, false, false);
    scene.rebuildToolLists();
    EXPECT_EQ(act.createdIds.size(), 2u);
    EXPECT_EQ(scene.sceneRoot->children.size(), 5u);
    expectToggleCycles(scene, act, before, snapshot(scene));
}

TEST_F(ActScene, addToARingGivesEachMemberACopyAndUndoes) {
    Tool* tmpl = scene.addToMainRoot(node());
    scene.rebuildToolLists();
    std::string before = snapshot(scene);
    ActObjectAdd act(&scene, scene.idOf(a), tmpl, {mat4()}, 2, true, false);
    scene.rebuildToolLists();
    EXPECT_EQ(a->children.size(), 1u);
    EXPECT_EQ(b->children.size(), 1u);
    EXPECT_EQ(act.createdIds.size(), 2u);
    expectToggleCycles(scene, act, before, snapshot(scene));
}

TEST_F(ActScene, multiplyAndCopyTransformUndoExactly) {
    std::string before = snapshot(scene);
    ActObjectMultiply multiply(&scene, scene.idOf(c->children[0]), {mat4::translationXYZ(0, 0, 1)}, false, false);
    multiply.toggle();
    scene.rebuildToolLists();
    EXPECT_EQ(c->children.size(), 2u);
    expectToggleCycles(scene, multiply, before, snapshot(scene));
    multiply.toggle();
    scene.rebuildToolLists();
    before = snapshot(scene);

    ActObjectCopyTransform copy(&scene, scene.idOf(b), 2, true);
    copy.toggle();
    ASSERT_EQ(copy.created.size(), 2u); // b and its ring mate a each take a copy
    copy.created[0]->transformBy(mat4::translationXYZ(0, 3, 0), false);
    scene.rebuildToolLists();
    std::string moved = snapshot(scene);
    expectToggleCycles(scene, copy, before, moved);
}

TEST_F(ActScene, propertyRecordsSwapValuesOverTheRing) {
    std::string before = snapshot(scene);
    ActObjectMaterial material(&scene, scene.idOf(a), true);
    pbr blue;
    blue.red = 0;
    a->setMaterial(blue, kPbrColor, true, false);
    EXPECT_TRUE(material.hasEffect());
    EXPECT_EQ(b->material.red, 0);
    scene.rebuildToolLists();
    expectToggleCycles(scene, material, before, snapshot(scene));

    ActObjectMaterial single(&scene, scene.idOf(a), false);
    EXPECT_FALSE(single.hasEffect()); // nothing changed yet
    a->setMaterial(pbr(), kPbrAll, false, false);
    EXPECT_TRUE(single.hasEffect());

    ActObjectTransform move(&scene, scene.idOf(b), true);
    std::string unmoved = snapshot(scene);
    b->transformBy(mat4::translationXYZ(0, 0, 5), true);
    EXPECT_TRUE(move.hasEffect());
    expectToggleCycles(scene, move, unmoved, snapshot(scene));

    ActObjectRotationAxis axis(&scene, scene.idOf(c), false);
    std::string free = snapshot(scene);
    c->rotationAxis = {0, 0, 1};
    expectToggleCycles(scene, axis, free, snapshot(scene));
    ActObjectTranslationAxis along(&scene, scene.idOf(c), false);
    c->translationAxis = {0, std::nanf(""), 0};
    EXPECT_TRUE(along.hasEffect()); // a NaN never compares equal
}

TEST(UndoStack, keepsTwentyRecordsAndDropsTheOldest) {
    struct Counted : Act {
        int* live;
        explicit Counted(int* l) : Act(0), live(l) { ++*live; }
        ~Counted() override { --*live; }
        void toggle() override {}
    };
    int live = 0;
    {
        UndoStack stack;
        std::vector<Act*> pushed;
        for (int i = 0; i < 20; ++i) pushed.push_back(new Counted(&live)), stack.push(pushed.back());
        EXPECT_EQ(stack.cursor, 19);
        stack.push(new Counted(&live));
        EXPECT_EQ(stack.acts.size(), 20u);
        EXPECT_EQ(stack.cursor, 19);
        EXPECT_EQ(stack.acts[0], pushed[1]);
        EXPECT_EQ(live, 20); // the evicted record was destroyed
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(stack.undo());
        EXPECT_EQ(stack.cursor, 14);
        stack.push(new Counted(&live));
        EXPECT_EQ(stack.acts.size(), 15u);
        EXPECT_EQ(stack.cursor, 14);
        EXPECT_EQ(live, 15);
        while (stack.undo()) {}
        EXPECT_EQ(stack.cursor, -1);
        EXPECT_FALSE(stack.undo());
        EXPECT_TRUE(stack.redo());
        EXPECT_EQ(stack.cursor, 0);
        stack.clear();
        EXPECT_FALSE(stack.canUndo());
        stack.push(new Counted(&live));
        EXPECT_EQ(stack.cursor, 0);
        EXPECT_EQ(stack.acts.size(), 1u);
    }
    EXPECT_EQ(live, 0);
}

TEST(UndoStack, pushAfterUndosDropsTheRedoTail) {
    struct Plain : Act {
        Plain() : Act(0) {}
        void toggle() override {}
    };
    UndoStack stack;
    for (int i = 0; i < 3; ++i) stack.push(new Plain());
    stack.undo();
    stack.undo();
    EXPECT_EQ(stack.cursor, 0);
    stack.push(new Plain());
    EXPECT_EQ(stack.acts.size(), 2u);
    EXPECT_EQ(stack.cursor, 1);
    // a full list that was undone completely keeps only the new record
    for (int i = 0; i < 18; ++i) stack.push(new Plain());
    while (stack.undo()) {}
    stack.push(new Plain());
    EXPECT_EQ(stack.acts.size(), 1u);
    EXPECT_EQ(stack.cursor, 0);
}

TEST(UndoStack, recordWithoutEffectIsDropped) {
    Scene scene;
    scene.sceneRoot->addChild(node(), false);
    scene.rebuildToolLists();
    UndoStack stack;
    auto* link = new ActObjectLink(&scene, 1, 1);
    link->toggle();
    stack.push(link);
    stack.dropLastWithoutEffect();
    EXPECT_TRUE(stack.acts.empty());
    EXPECT_EQ(stack.cursor, -1);
}
