#include <gtest/gtest.h>

#include <memory>

#include "GlobalScope.h"
#include "TestElement.h"
#include "scene/Element.h"
#include "scene/Tool.h"

using namespace kal;
using kal::test::node;
using kal::test::TestElement;

namespace {

Tool* plainTool(Element* e = nullptr) { return new Tool(e, mat4(), pbr(), false); }

std::vector<Tool*> ringOf(Tool* t) {
    std::vector<Tool*> r;
    Tool* m = t;
    do {
        r.push_back(m);
        m = m->next;
    } while (m != t);
    return r;
}

} // namespace

TEST(ToolRing, newToolIsUnlinked) {
    std::unique_ptr<Tool> t(plainTool());
    EXPECT_FALSE(t->isLinked());
    EXPECT_EQ(t->previousLinked(), t.get());
    EXPECT_EQ(t->unlink(), t.get());
    EXPECT_EQ(t->next, t.get());
    EXPECT_EQ(t->flags, LiveFlag);
    std::unique_ptr<Tool> clear(new Tool(nullptr, mat4(), pbr(), true));
    EXPECT_EQ(clear->flags, LiveFlag | TransparentFlag);
}

TEST(ToolRing, linkingTwoRingsOfTwoMakesOneOfFourAndSplitsBack) {
    std::unique_ptr<Tool> a(plainTool()), b(plainTool()), c(plainTool()), d(plainTool());
    a->link(b.get());
    c->link(d.get());
    a->link(c.get());
    EXPECT_EQ(ringOf(a.get()).size(), 4u);
    for (Tool* t : {b.get(), c.get(), d.get()}) EXPECT_TRUE(a->isLinkedWith(t));
    // linking a member again changes nothing
    Tool* before = a->next;
    a->link(d.get());
    EXPECT_EQ(a->next, before);
    // the same exchange of successors splits the ring back into the two it came from
    std::swap(a->next, c->next);
    EXPECT_EQ(ringOf(a.get()).size(), 2u);
    EXPECT_EQ(ringOf(c.get()).size(), 2u);
    EXPECT_TRUE(a->isLinkedWith(b.get()));
    EXPECT_FALSE(a->isLinkedWith(c.get()));
    // rings of different lengths, asked from either side
    std::unique_ptr<Tool> e(plainTool());
    c->link(e.get());
    EXPECT_FALSE(a->isLinkedWith(e.get()));
    EXPECT_FALSE(e->isLinkedWith(b.get()));
    EXPECT_TRUE(e->isLinkedWith(d.get()));
    EXPECT_TRUE(d->isLinkedWith(e.get()));
}

TEST(ToolRing, unlinkAnswersThePreviousMemberAndClosesTheRing) {
    std::unique_ptr<Tool> a(plainTool()), b(plainTool()), c(plainTool());
    a->link(b.get());
    b->link(c.get());
    Tool* prev = b->previousLinked();
    EXPECT_EQ(b->unlink(), prev);
    EXPECT_FALSE(b->isLinked());
    EXPECT_EQ(ringOf(a.get()).size(), 2u);
    EXPECT_TRUE(a->isLinkedWith(c.get()));
}

TEST(ToolRing, destructionLeavesTheRing) {
    std::unique_ptr<Tool> a(plainTool());
    Tool* b = plainTool();
    a->link(b);
    delete b;
    EXPECT_FALSE(a->isLinked());
}

TEST(ToolElement, sharedElementSurvivesOneHolder) {
    int before = TestElement::live;
    auto* e = new TestElement();
    Tool* a = plainTool(e);
    Tool* b = a->copy(false);
    EXPECT_EQ(b->element, e);
    EXPECT_EQ(e->useCount, 2);
    delete a;
    EXPECT_EQ(e->useCount, 1);
    EXPECT_EQ(TestElement::live, before + 1);
    delete b;
    EXPECT_EQ(TestElement::live, before);
}

TEST(ToolElement, setElementReportsWhatHappenedToTheOldOne) {
    int before = TestElement::live;
    auto* e1 = new TestElement();
    auto* e2 = new TestElement();
    std::unique_ptr<Tool> a(plainTool(e1)), b(plainTool(e1));
    EXPECT_EQ(a->setElement(e1), 0);
    EXPECT_EQ(a->setElement(e2), 1); // b still holds e1
    EXPECT_EQ(b->setElement(e2), 2); // e1 had no further holder
    EXPECT_EQ(TestElement::live, before + 1);
    EXPECT_EQ(e2->useCount, 2);
    EXPECT_EQ(a->setElement(nullptr), 1);
    EXPECT_EQ(a->setElement(nullptr), 0);
    std::unique_ptr<Tool> c(plainTool());
    EXPECT_EQ(c->setElement(new TestElement()), 2);
}

TEST(ToolElement, detachGivesAPrivateCopyOnlyWhenShared) {
    int before = TestElement::live;
    auto* e = new TestElement(0, true);
    std::unique_ptr<Tool> a(plainTool(e));
    EXPECT_FALSE(a->detachElement()); // sole holder keeps its element
    std::unique_ptr<Tool> b(a->copy(false));
    EXPECT_TRUE(b->detachElement());
    EXPECT_NE(b->element, a->element);
    EXPECT_EQ(a->element->useCount, 1);
    EXPECT_EQ(b->element->useCount, 1);
    a.reset();
    b.reset();
    EXPECT_EQ(TestElement::live, before);
}

TEST(ToolElement, detachOfAnElementWithoutDeepCopyKeepsCountsBalanced) {
    int before = TestElement::live;
    auto* e = new TestElement();
    std::unique_ptr<Tool> a(plainTool(e));
    std::unique_ptr<Tool> b(a->copy(false));
    EXPECT_FALSE(b->detachElement());
    EXPECT_EQ(e->useCount, 2);
    a.reset();
    b.reset();
    EXPECT_EQ(TestElement::live, before);
}

TEST(ToolChildren, addInsertRemoveAndIndex) {
    std::unique_ptr<Tool> p(plainTool());
    Tool* a = p->addChild(plainTool(), false);
    Tool* c = p->addChild(plainTool(), false);
    Tool* b = p->insertChild(1, plainTool());
    EXPECT_EQ(p->indexOfChild(a), 0);
    EXPECT_EQ(p->indexOfChild(b), 1);
    EXPECT_EQ(p->indexOfChild(c), 2);
    EXPECT_EQ(b->parent, p.get());
    EXPECT_EQ(p->addChild(nullptr, false), nullptr);
    EXPECT_EQ(p->insertChild(0, nullptr), nullptr);
    EXPECT_EQ(p->setChild(0, nullptr), nullptr);
    EXPECT_EQ(p->setChild(7, a), nullptr); // out of range is refused
    // an insert position past the end appends
    Tool* d = p->insertChild(99, plainTool());
    EXPECT_EQ(p->indexOfChild(d), 3);
    EXPECT_EQ(p->removeChild(b), 1);
    EXPECT_EQ(b->parent, p.get()); // removal leaves the parent pointer alone
    EXPECT_EQ(p->removeChild(b), -1);
    b->parent = nullptr;
    delete b;
    delete a; // a child's destruction takes it out of its parent's list
    EXPECT_EQ(p->children.size(), 2u);
    EXPECT_EQ(p->children[0], c);
}

TEST(ToolChildren, purgeDeletesCollectedDescendants) {
    std::unique_ptr<Tool> p(plainTool());
    Tool* a = p->addChild(plainTool(), false);
    Tool* b = p->addChild(plainTool(), false);
    Tool* c = p->addChild(plainTool(), false);
    Tool* inner = b->addChild(plainTool(), false);
    a->flags |= CollectFlag;
    b->flags |= CollectFlag;
    inner->flags |= CollectFlag;
    p->purgeChildren();
    ASSERT_EQ(p->children.size(), 1u);
    EXPECT_EQ(p->children[0], c);
}

TEST(ToolChildren, addToRingGivesEveryHighlightedMemberACopy) {
    std::unique_ptr<Tool> a(node()), b(node()), c(node());
    a->link(b.get());
    a->link(c.get());
    a->setHighlight(true, false);
    Tool* child = plainTool();
    EXPECT_EQ(a->addChild(child, true), child);
    EXPECT_EQ(a->children.back(), child);
    ASSERT_EQ(b->children.size(), 1u);
    ASSERT_EQ(c->children.size(), 1u);
    EXPECT_TRUE(child->isLinkedWith(b->children[0]));
    EXPECT_TRUE(child->isLinkedWith(c->children[0]));
    EXPECT_TRUE(b->children[0]->flags & PlacedFlag);
}

TEST(ToolChildren, addToRingFromAnUnhighlightedStartKeepsTheNode) {
    std::unique_ptr<Tool> a(node()), b(node()), c(node());
    a->link(b.get());
    b->link(c.get());
    b->flags |= HighlightFlag;
    c->flags |= HighlightFlag;
    Tool* child = plainTool();
    // the start tool is not highlighted: the node goes to the first highlighted member
    EXPECT_EQ(a->addChild(child, true), child);
    EXPECT_TRUE(a->children.empty());
    std::vector<Tool*> receivers;
    a->collectRing(receivers, true);
    ASSERT_EQ(receivers.size(), 2u);
    EXPECT_EQ(child->parent, receivers[0]);
    EXPECT_EQ(receivers[1]->children.size(), 1u);
    // with nothing highlighted it stays with the start tool
    b->flags &= ~HighlightFlag;
    c->flags &= ~HighlightFlag;
    Tool* lone = plainTool();
    EXPECT_EQ(a->addChild(lone, true), lone);
    EXPECT_EQ(lone->parent, a.get());
}

TEST(ToolCopy, copyWithChildrenLinksEveryNodeAndClearsMarks) {
    auto* e = new TestElement();
    std::unique_ptr<Tool> src(new Tool(e, mat4::translationXYZ(1, 2, 3), pbr(), true));
    src->flags |= PlacedFlag | ColourIsLightFlag | 0x40;
    src->pivot = mat4::translationXYZ(0, 1, 0);
    src->multiplicity = 2.5f;
    src->rotationAxis = {0, 0, 1};
    Tool* c1 = src->addChild(plainTool(), false);
    Tool* c2 = src->addChild(plainTool(), false);
    c2->addChild(plainTool(), false);
    std::unique_ptr<Tool> t(src->copy(false, true));
    EXPECT_EQ(t->pivot, mat4());
    EXPECT_EQ(t->transform, src->transform);
    EXPECT_EQ(t->flags, LiveFlag | TransparentFlag | ColourIsLightFlag | 0x40);
    EXPECT_EQ(t->multiplicity, 2.5f);
    EXPECT_EQ(t->rotationAxis, vec3(0, 0, 1));
    EXPECT_EQ(t->element, e);
    EXPECT_TRUE(src->isLinkedWith(t.get()));
    ASSERT_EQ(t->children.size(), 2u);
    EXPECT_TRUE(c1->isLinkedWith(t->children[0]));
    EXPECT_TRUE(c2->isLinkedWith(t->children[1]));
    EXPECT_EQ(t->children[1]->children.size(), 1u);
    std::vector<Tool*> all;
    src->enumerate(all);
    t->enumerate(all);
    for (Tool* n : all) {
        EXPECT_EQ(n->mark(), 0);
        EXPECT_EQ(n->copyRef, nullptr);
    }
}

TEST(ToolCopy, copyWithoutChildrenCopiesTheNodeAlone) {
    std::unique_ptr<Tool> src(plainTool());
    src->addChild(plainTool(), false);
    std::unique_ptr<Tool> t(src->copy(true, false));
    EXPECT_TRUE(t->children.empty());
}

TEST(ToolCopy, copyTransformedPlacesEveryCopyAndMovesOnlyTheTopPivot) {
    std::unique_ptr<Tool> src(plainTool());
    Tool* child = src->addChild(plainTool(), false);
    child->pivot = mat4::translationXYZ(0, 0, 1);
    mat4 m = mat4::translationXYZ(5, 0, 0);
    std::unique_ptr<Tool> t(src->copyTransformed(m, false, 0));
    EXPECT_TRUE(t->flags & PlacedFlag);
    EXPECT_EQ(t->pivot, m);
    EXPECT_FALSE(src->isLinkedWith(t.get()));
    ASSERT_EQ(t->children.size(), 1u);
    EXPECT_TRUE(t->children[0]->flags & PlacedFlag);
    EXPECT_EQ(t->children[0]->pivot, child->pivot);
    EXPECT_TRUE(child->isLinkedWith(t->children[0]));
    EXPECT_EQ(src->mark(), 0);
    EXPECT_EQ(child->mark(), 0);
}

TEST(ToolCopy, copyTransformedAllCopiesTheWholeSubtree) {
    std::unique_ptr<Tool> src(plainTool());
    src->addChild(plainTool(), false)->addChild(plainTool(), false);
    std::unique_ptr<Tool> t(src->copyTransformedAll(mat4(), false));
    std::vector<Tool*> a, b;
    src->enumerate(a);
    t->enumerate(b);
    EXPECT_EQ(a.size(), b.size());
    for (Tool* n : b) EXPECT_TRUE(n->flags & PlacedFlag);
}

TEST(ToolSetters, highlightWithoutRingNeedsThePlacedFlag) {
    std::unique_ptr<Tool> t(plainTool());
    t->setHighlight(false, false);
    EXPECT_FALSE(t->flags & HighlightFlag);
    t->flags |= PlacedFlag;
    t->setHighlight(false, false);
    EXPECT_TRUE(t->flags & HighlightFlag);
    t->clearHighlight(false, false);
    EXPECT_FALSE(t->flags & HighlightFlag);
}

TEST(ToolSetters, ringWideSettersReachPlacedMembersOfTheSameParent) {
    std::unique_ptr<Tool> p1(plainTool()), p2(plainTool());
    Tool* a = p1->addChild(node(), false);
    Tool* b = p1->addChild(node(), false);
    Tool* c = p2->addChild(node(), false);
    Tool* loose = p1->addChild(plainTool(), false); // not placed
    a->link(b);
    a->link(c);
    a->link(loose);
    pbr red;
    red.green = 0;
    red.blue = 0;
    a->setMaterial(red, kPbrColor, true, true);
    EXPECT_EQ(b->material.green, 0);
    EXPECT_EQ(c->material.green, 65535);
    EXPECT_EQ(loose->material.green, 65535);
    a->setMaterial(red, kPbrColor, true, false);
    EXPECT_EQ(c->material.green, 0);
    a->setRingFloatA(3.0f, true, false);
    a->setRingFloatB(0.5f, false, false);
    EXPECT_EQ(c->animationRate, 3.0f);
    EXPECT_EQ(b->animationPhase, 0.0f);
    EXPECT_EQ(a->animationPhase, 0.5f);
    a->setFlagMode(0x80, true, false);
    EXPECT_EQ(b->flags & FacingMask, 0x80);
    a->setColorIsLight(true, true, false);
    EXPECT_TRUE(c->flags & ColourIsLightFlag);
    EXPECT_FALSE(loose->flags & ColourIsLightFlag);
    std::vector<Tool*> collected;
    a->collectFlaggedRing(collected, true, false);
    EXPECT_EQ(collected.size(), 3u);
    EXPECT_TRUE(c->flags & CollectFlag);
    unflagCollectedTools(collected);
    EXPECT_TRUE(collected.empty());
    EXPECT_FALSE(c->flags & CollectFlag);
}

TEST(ToolSetters, materialClampsRoughnessAndMetalness) {
    std::unique_ptr<Tool> t(plainTool());
    pbr p;
    p.roughness = 32767;
    p.metalness = -32768;
    t->setMaterial(p, kPbrRoughness, false, false);
    EXPECT_EQ(t->material.roughness, 32766);
    EXPECT_EQ(t->material.metalness, 0);
    t->setMaterial(p, kPbrMetalness, false, false);
    EXPECT_EQ(t->material.metalness, -32766);
}

TEST(ToolFlatten, collectWorldTransformsHandsDownParentMatrices) {
    Root root;
    Tool* a = root.addChild(plainTool(), false);
    a->transform = mat4::translationXYZ(1, 0, 0);
    Tool* b = a->addChild(plainTool(), false);
    std::vector<Tool*> items;
    std::vector<mat4> worlds;
    std::vector<int32_t> groups, args;
    root.collectWorldTransforms(items, worlds, groups, args, mat4(), 0, -1);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], a);
    EXPECT_EQ(items[1], b);
    EXPECT_EQ(groups[0], 0);
    EXPECT_EQ(groups[1], 0);
    EXPECT_EQ(worlds[0], mat4());
    EXPECT_EQ(worlds[1], a->transform);
    EXPECT_EQ(args[1], -1);
    std::vector<Tool*> list;
    root.enumerate(list);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(b->index, 1);
}

TEST(ToolFlatten, composeAppliesTransformThenPivot) {
    std::unique_ptr<Tool> t(plainTool());
    t->transform = mat4::scaling(2, 2, 2);
    t->pivot = mat4::translationXYZ(1, 0, 0);
    vec3 p = vec3(1, 0, 0) * t->composeMatrix();
    EXPECT_FLOAT_EQ(p.x, 3); // scaled first, then moved
    EXPECT_EQ(t->modelMatrix(mat4()), t->composeMatrix());
}

TEST(ToolFlatten, facingModeWithAFlatCameraStaysFinite) {
    std::unique_ptr<Tool> t(plainTool());
    t->setFlagMode(0x40, false, false);
    mat4 m = t->modelMatrix(mat4());
    for (float x : m.m) EXPECT_TRUE(std::isfinite(x));
}

TEST(ToolTime, setTimeReachesTheSubtree) {
    std::unique_ptr<Tool> t(plainTool(new TestElement()));
    Tool* c = t->addChild(plainTool(), false);
    test::GlobalScope time(sceneAnimationTime, 2.5);
    t->setTime();
    EXPECT_EQ(c->animationTime, 2.5);
}
