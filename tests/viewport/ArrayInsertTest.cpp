// Array and chain templates: built from the picked items that are still in the scene over a
// curve following the axis preset or the drawing, and the lists an array hands back for editing.
#include <gtest/gtest.h>

#include "SceneViewFixture.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "tools/Array.h"

using namespace kal;
using test::SceneView;

namespace {

Array* arrayOf(Tool* t) { return t && t->isArray() ? static_cast<Array*>(t) : nullptr; }

class ArrayInsert : public ::testing::Test {
protected:
    void SetUp() override { test::resetAllInput(); }
};

} // namespace

TEST_F(ArrayInsert, arrayKindClonesThePickedItemsStillInTheSceneAlongTheAxisPreset) {
    SceneView v;
    v.setAssemblyCommand(Command::Place);
    v.axisShape = ShapeCircle;
    Tool* kept = v.scene->addToMainRoot(new Tool(nullptr, mat4::translationXYZ(1, 2, 3), pbr(), false));
    Tool* gone = v.scene->addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    v.scene->toolRoot->removeChild(gone);
    v.addedTools = {kept, gone};
    v.arrayItems = {arrayEntry(2, 1, EntryHead), arrayEntry(1, 3, EntryCyclic)};
    v.arrayMode = ArrayChain;
    v.makeInsertTool(InsertKind::Array, true);
    EXPECT_EQ(v.command, Command::Place);
    Array* a = arrayOf(v.pendingTool);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->element, nullptr);
    EXPECT_EQ(a->element->typeCode, UCurveType);
    EXPECT_EQ(a->source, a->element);
    EXPECT_EQ(static_cast<UCurve*>(a->element)->segmentCount(), 24);
    ASSERT_EQ(a->copies.size(), 2u);
    ASSERT_NE(a->copies[0], nullptr);
    EXPECT_EQ(a->copies[1], nullptr);
    EXPECT_TRUE(kept->isLinkedWith(a->copies[0]));
    EXPECT_EQ(a->copies[0]->transform, kept->transform);
    EXPECT_EQ(a->itemSequence, v.arrayItems);
    EXPECT_EQ(a->mode, ArrayChain);
    EXPECT_EQ(a->alternateMatrix, (mat4{{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}));
    v.arrayMode = ArrayZipper;
    v.makeInsertTool(InsertKind::UseTool, true);
    v.makeInsertTool(InsertKind::Array, true);
    EXPECT_EQ(arrayOf(v.pendingTool)->alternateMatrix, mat4::scaling(1, -1, 1));
    v.makeInsertTool(InsertKind::Cube, true);
    delete gone;
}

TEST_F(ArrayInsert, chainKindHoldsItsOwnLinkOnly) {
    SceneView v;
    v.axisShape = ShapeSquare;
    v.assemblyMaterial.red = 7;
    v.makeInsertTool(InsertKind::Chain, true);
    Array* a = arrayOf(v.pendingTool);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->copies.size(), 1u);
    Tool* link = a->copies[0];
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->next, link); // the template link is gone
    EXPECT_EQ(link->parent, a);
    EXPECT_EQ(link->transform, (mat4{{0.6f, 0, 0, 0, 0, 0, -0.6f, 0, 0, 0.6f, 0, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(link->material.red, 7);
    ASSERT_NE(link->element, nullptr);
    ASSERT_EQ(link->element->typeCode, TubeType);
    EXPECT_EQ(static_cast<Tube*>(link->element)->section->pointCount(), v.sectionCircleCount);
    EXPECT_EQ(a->itemSequence, (std::vector<uint32_t>{0x8001}));
    EXPECT_EQ(a->mode, ArrayChain);
    EXPECT_EQ(a->alternateMatrix, arrayAlternateMatrix(ArrayChain));
    EXPECT_EQ(static_cast<UCurve*>(a->element)->segmentCount(), 4);
}

TEST_F(ArrayInsert, aDrawnAxisGetsAFreshFollowingCurveEachBuild) {
    SceneView v;
    v.setAssemblyCommand(Command::Place);
    v.axisShape = ShapeFree;
    v.makeInsertTool(InsertKind::Chain, true);
    EXPECT_EQ(v.command, Command::Draw);
    Array* a = arrayOf(v.pendingTool);
    ASSERT_NE(a, nullptr);
    const std::vector<vec3> stroke = {vec3(0, 0, 0), vec3(2, 0, 0), vec3(2, 2, 0), vec3(0, 3, 0)};
    v.placeDrawnCurve(stroke, {1, 1, 1, 1}, {false, false, false, false}, false, mat4());
    Element* first = a->element;
    ASSERT_EQ(first->typeCode, UCurveType);
    EXPECT_EQ(static_cast<UCurve*>(first)->source->pointCount(), 4);
    v.placeDrawnCurve(stroke, {1, 1, 1, 1}, {false, false, false, false}, true, mat4());
    ASSERT_EQ(a->element->typeCode, UCurveType);
    EXPECT_EQ(a->source, a->element);
    EXPECT_EQ(static_cast<UCurve*>(a->element)->source->segmentCount(), 4);
    EXPECT_EQ(a->element->useCount, 1);
}

TEST_F(ArrayInsert, anArrayHandsItsListsBackAndItsCopiesAreClonedByTheNextOne) {
    SceneView v;
    Tool* item = v.scene->addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    Array* array = new Array(nullptr, {item}, {arrayEntry(1, 4, EntryTail)}, ArraySimple, mat4(), mat4(), pbr(), false);
    v.scene->sceneRoot->addChild(array, false);
    EXPECT_FALSE(v.loadArrayForEditing(item));
    ASSERT_TRUE(v.loadArrayForEditing(array));
    EXPECT_EQ(std::vector<Tool*>(v.addedTools.begin(), v.addedTools.end()), array->copies);
    EXPECT_EQ(v.arrayItems, array->itemSequence);
    v.makeInsertTool(InsertKind::Array, true);
    Array* again = arrayOf(v.pendingTool);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->copies.size(), 1u);
    ASSERT_NE(again->copies[0], nullptr);
    EXPECT_TRUE(array->copies[0]->isLinkedWith(again->copies[0]));
}
