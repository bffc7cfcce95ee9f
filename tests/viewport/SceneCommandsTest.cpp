#include <gtest/gtest.h>

#include "SceneViewFixture.h"
#include "mesh/Mesh.h"
#include "scene/Element.h"
#include "tools/BiTool.h"

using namespace kal;
using test::SceneView;

namespace {

class SceneCommands : public ::testing::Test {
protected:
    void SetUp() override { test::resetAllInput(); }
};

void pick(SceneView& v, Tool* t) {
    v.pressPick = PickRecord();
    v.pressPick.kind = 1;
    v.pressPick.stencilBits = 1;
    v.pressPick.object = t;
    v.busy = 1;
}

} // namespace

TEST_F(SceneCommands, TheDefaultSceneHoldsOneSphereOfScaleTwoAsTheCurrentTool) {
    SceneView v;
    ASSERT_EQ(v.scene->toolRoot->children.size(), 1u);
    Tool* sphere = v.scene->toolRoot->children[0];
    EXPECT_EQ(v.scene->currentTool, sphere);
    EXPECT_EQ(v.pendingTool, sphere);
    EXPECT_EQ(v.insertKind, InsertKind::UseTool);
    ASSERT_EQ(v.addedTools.size(), 1u);
    EXPECT_EQ(v.addedTools[0], sphere);
    EXPECT_EQ(sphere->transform, mat4::uniformScaling(2.0f));
    EXPECT_EQ(sphere->material.opacity, 65535);
    EXPECT_EQ(sphere->material.refractivity, 65535);
    EXPECT_EQ(sphere->material.lightRed, 0);
    ASSERT_NE(sphere->element, nullptr);
    EXPECT_EQ(sphere->element->typeCode, MeshType);
    EXPECT_EQ(static_cast<Mesh*>(sphere->element)->triangleCount(), 20 * 64);
    EXPECT_FALSE(sphere->element->invalid);
    EXPECT_TRUE(v.scene->sceneRoot->children.empty());
}

TEST_F(SceneCommands, SteppingTheLibraryOnlyWhilePlacingInAssembly) {
    SceneView v;
    Tool* first = v.scene->currentTool;
    v.pickInto(first, 0);
    Tool* second = v.scene->currentTool;
    ASSERT_NE(second, first);

    v.chosenMode = SCULPT;
    EXPECT_EQ(v.cycleTool(false), second);
    EXPECT_EQ(v.scene->currentTool, second);
    v.chosenMode = ASSEMBLY;
    v.setAssemblyCommand(Command::Move);
    EXPECT_EQ(v.cycleTool(false), second);

    v.setAssemblyCommand(Command::Place);
    EXPECT_EQ(v.cycleTool(true), first); // cyclic: past the last child comes the first
    EXPECT_EQ(v.pendingTool, first);
    EXPECT_EQ(v.cycleTool(false), second);
}

TEST_F(SceneCommands, WithOneLibraryToolSteppingKeepsIt) {
    SceneView v;
    Tool* only = v.scene->currentTool;
    v.makeInsertTool(InsertKind::Cube, true);
    v.setAssemblyCommand(Command::Insert);
    EXPECT_EQ(v.cycleTool(true), only);
    EXPECT_EQ(v.insertKind, InsertKind::UseTool);
    EXPECT_EQ(v.scene->currentTool, only);
}

TEST_F(SceneCommands, CommandsOnThePickedObjectRefuseWithoutOne) {
    SceneView v;
    EXPECT_FALSE(v.makeUnique());
    EXPECT_FALSE(v.convertToTriMesh());
    EXPECT_FALSE(v.convertToClay());
    EXPECT_FALSE(v.pickInto(nullptr, 0));
}

TEST_F(SceneCommands, UniqueGivesASharedElementItsOwnCopyAndLeavesASoleOneAlone) {
    SceneView v;
    Tool* a = test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
    Element* sole = a->element;
    pick(v, a);
    v.redraw = true;
    EXPECT_TRUE(v.makeUnique());
    EXPECT_EQ(a->element, sole);
    EXPECT_FALSE(v.redraw);
    EXPECT_EQ(v.pressPick.kind, kPickNothing);
    EXPECT_EQ(v.busy, 0);

    Tool* b = v.scene->sceneRoot->addChild(new Tool(sole, mat4(), pbr(), false), false);
    ASSERT_EQ(sole->useCount, 2);
    pick(v, b);
    EXPECT_TRUE(v.makeUnique());
    EXPECT_TRUE(v.redraw);
    EXPECT_NE(b->element, sole);
    EXPECT_EQ(a->element, sole);
    EXPECT_EQ(sole->useCount, 1);
}

TEST_F(SceneCommands, ConvertingAMeshToAMeshIsRefusedButStillEndsTheGesture) {
    SceneView v;
    Tool* a = test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
    Element* before = a->element;
    pick(v, a);
    EXPECT_TRUE(v.convertToTriMesh());
    EXPECT_FALSE(v.redraw);
    EXPECT_EQ(a->element, before);
    EXPECT_EQ(v.busy, 0);
}

TEST_F(SceneCommands, PickingIntoTheLibraryMakesTheCopyTheInsertTool) {
    SceneView v;
    Tool* a = test::addSceneObject(*v.scene, Mesh::createCube(), mat4::translationXYZ(3, 0, 0));
    a->addChild(new Tool(Mesh::createTetrahedron(), mat4(), pbr(), false), false);
    v.makeInsertTool(InsertKind::Icosahedron, false);

    EXPECT_TRUE(v.pickInto(a, 0));
    ASSERT_EQ(v.scene->toolRoot->children.size(), 2u);
    Tool* whole = v.scene->currentTool;
    EXPECT_EQ(v.pendingTool, whole);
    EXPECT_EQ(v.insertKind, InsertKind::UseTool);
    EXPECT_EQ(whole->element, a->element); // a copy shares the element
    EXPECT_EQ(whole->children.size(), 1u);

    EXPECT_TRUE(v.pickInto(a, 1));
    EXPECT_EQ(v.scene->currentTool->children.size(), 0u); // the element alone

    const size_t count = v.scene->toolRoot->children.size();
    Tool* empty = v.scene->sceneRoot->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
    EXPECT_TRUE(v.pickInto(empty, 1));
    EXPECT_TRUE(v.pickInto(a, 2));
    EXPECT_EQ(v.scene->toolRoot->children.size(), count);
}

TEST_F(SceneCommands, ResettingThePickEndsEveryGestureAndCanRebuildTheTemplate) {
    SceneView v;
    v.makeInsertTool(InsertKind::Cube, true);
    v.busy = 3;
    v.hoverPick.kind = 1;
    v.assemblor.addStroke(PickRecord());
    v.assemblor.picks.resize(2);
    v.assemblor.state = GestureRunning;
    v.sculptors.push_back(new Sculptor(Brush::CopyRotate, 0, 2));
    Tool* cube = v.pendingTool;
    cube->material.blue = 7;
    v.resetPick(true);
    EXPECT_EQ(v.busy, 0);
    EXPECT_EQ(v.hoverPick.kind, kPickNothing);
    EXPECT_TRUE(v.assemblor.strokes.empty());
    EXPECT_TRUE(v.assemblor.picks.empty());
    EXPECT_EQ(v.assemblor.state, GestureIdle);
    EXPECT_EQ(v.assemblor.strokeCount, 0);
    EXPECT_TRUE(v.sculptors.empty());
    EXPECT_EQ(v.insertKind, InsertKind::Cube);
    EXPECT_EQ(v.pendingTool->material.blue, 65535); // a fresh cube
}

TEST_F(SceneCommands, ANewSceneDropsOwnedTemplatesOnly) {
    SceneView v;
    v.makeInsertTool(InsertKind::Octahedron, true);
    v.newScene();
    EXPECT_EQ(v.pendingTool, nullptr);

    SceneView w;
    Tool* library = w.pendingTool;
    w.newScene();
    EXPECT_EQ(w.pendingTool, library);
}

TEST_F(SceneCommands, PickingAnEndIntoTheLibraryTakesItsPartnerAlongAsThePendingPartner) {
    SceneView v;
    Tool* holder = test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
    auto* a = static_cast<BiTool*>(
        holder->addChild(new BiTool(BiToolCylinder, Mesh::createCube(), mat4(), pbr(), false), false));
    Tool* b = holder->addChild(new BiTool(BiToolBare, nullptr, mat4(), pbr(), false), false);
    b->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
    a->attachPartner(b);
    // the object with its children; then the element alone, the partner's copy without children too
    for (Tool* end : {b, static_cast<Tool*>(a)}) {
        const uint8_t level = end == b ? 0 : 1;
        EXPECT_TRUE(v.pickInto(end, level));
        ASSERT_TRUE(v.pendingTool && v.pendingPartner);
        EXPECT_EQ(v.pendingTool->partner(), v.pendingPartner);
        EXPECT_EQ(v.pendingPartner->parent, v.scene->toolRoot);
        EXPECT_EQ((end == b ? v.pendingTool : v.pendingPartner)->children.size(), level == 0 ? 1u : 0u);
        EXPECT_EQ(a->partner(), b);
    }
}
