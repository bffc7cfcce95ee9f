#include <gtest/gtest.h>

#include "SceneViewFixture.h"
#include "mesh/Mesh.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"

using namespace kal;
using test::SceneView;

namespace {

int trianglesOf(Tool* t) { return t && t->element ? static_cast<Mesh*>(t->element)->triangleCount() : -1; }

class InsertFactory : public ::testing::Test {
protected:
    void SetUp() override { test::resetAllInput(); }
};

} // namespace

TEST_F(InsertFactory, TheSameKindTwiceKeepsOneTemplateAndAnotherKindReplacesIt) {
    SceneView v;
    v.makeInsertTool(2, true);
    Tool* cube = v.pendingTool;
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(trianglesOf(cube), 12);
    v.makeInsertTool(2, true);
    EXPECT_EQ(v.pendingTool, cube);
    v.makeInsertTool(6, true); // the cube is deleted (the sanitizer would see it leak otherwise)
    EXPECT_EQ(v.insertKind, 6);
    EXPECT_EQ(trianglesOf(v.pendingTool), 20 * 64);
    EXPECT_EQ(v.pendingPartner, nullptr);
}

TEST_F(InsertFactory, EveryMeshKindBuildsAnOwnedTemplateWithDefaults) {
    SceneView v;
    const int expected[] = {0, 4, 12, 8, 36, 20};
    for (int kind = 1; kind <= 8; ++kind) {
        v.makeInsertTool(kind, false);
        ASSERT_NE(v.pendingTool, nullptr) << kind;
        ASSERT_NE(v.pendingTool->element, nullptr) << kind;
        EXPECT_NE(v.pendingTool, v.scene->currentTool);
        EXPECT_EQ(v.pendingTool->transform, mat4());
        EXPECT_EQ(v.pendingTool->material.opacity, 65535);
        if (kind <= 5) { EXPECT_EQ(trianglesOf(v.pendingTool), expected[kind]) << kind; }
        EXPECT_GT(trianglesOf(v.pendingTool), 0) << kind;
    }
}

TEST_F(InsertFactory, ChoosingAKindReturnsToTheLastInsertCommandOnlyFromInsertPlaceOrDraw) {
    SceneView v;
    v.setAssemblyCommand(CommandInsert);
    v.setAssemblyCommand(CommandDraw);
    v.makeInsertTool(2, true);
    EXPECT_EQ(v.chosenCommand, CommandInsert);
    EXPECT_EQ(v.command, CommandInsert);
    EXPECT_EQ(v.lastPlacingCommand, CommandInsert);

    v.setAssemblyCommand(CommandPaint);
    v.makeInsertTool(3, true);
    EXPECT_EQ(v.chosenCommand, CommandPaint);
    v.setAssemblyCommand(17);
    v.makeInsertTool(4, true);
    EXPECT_EQ(v.command, 17);
}

TEST_F(InsertFactory, KindZeroUsesTheLibraryToolAndGivesItTheAssemblyMaterialInAssembly) {
    SceneView v;
    v.makeInsertTool(2, true);
    Tool* library = v.scene->currentTool;
    v.assemblyMaterial.red = 1000;
    v.chosenMode = SCULPT;
    v.makeInsertTool(0, true);
    EXPECT_EQ(v.pendingTool, library);
    EXPECT_EQ(library->material.red, 65535);
    v.chosenMode = ASSEMBLY;
    v.makeInsertTool(0, true);
    EXPECT_EQ(v.pendingTool, library);
    EXPECT_EQ(library->material.red, 1000);
    EXPECT_EQ(v.scene->toolRoot->children.size(), 1u); // never deleted or duplicated
}

TEST_F(InsertFactory, KindsWithoutTheirElementClassesChangeNothing) {
    SceneView v;
    v.makeInsertTool(2, true);
    Tool* cube = v.pendingTool;
    v.setAssemblyCommand(CommandPlace);
    for (int kind : {28, -1}) {
        v.makeInsertTool(kind, true);
        EXPECT_EQ(v.pendingTool, cube) << kind;
        EXPECT_EQ(v.insertKind, 2) << kind;
        EXPECT_EQ(v.command, CommandPlace) << kind;
    }
}

TEST_F(InsertFactory, RebuildingKeepsTheKindAndMakesAFreshTemplate) {
    SceneView v;
    v.makeInsertTool(7, true);
    v.pendingTool->material.green = 5;
    v.rebuildInsertTool();
    EXPECT_EQ(v.insertKind, 7);
    ASSERT_NE(v.pendingTool, nullptr);
    EXPECT_EQ(v.pendingTool->material.green, 65535);
    EXPECT_GT(trianglesOf(v.pendingTool), 0);
}

TEST_F(InsertFactory, TwoObjectKindsBuildAnElementEndAndABarePartnerThatGoTogether) {
    SceneView v;
    const uint32_t kinds[] = {BiToolBare, BiToolCylinder, BiToolVolume, BiToolUniform, BiToolUniform};
    for (int kind = 23; kind <= 27; ++kind) {
        v.makeInsertTool(kind, false);
        auto* first = dynamic_cast<BiTool*>(v.pendingTool.get());
        auto* second = dynamic_cast<BiTool*>(v.pendingPartner.get());
        ASSERT_TRUE(first && second) << kind;
        EXPECT_EQ(first->biToolKind, kinds[kind - 23]) << kind;
        EXPECT_EQ(first->element == nullptr, kind == 23) << kind;
        // unpaired until placed; the far end is bare
        EXPECT_TRUE(!first->partner() && second->biToolKind == 0 && !second->element) << kind;
    }
    EXPECT_TRUE(static_cast<Cable*>(v.pendingTool.get())->tube());
    // the cylinder, stored over z -1..1 with radius 1, spans the link's 0..1 with radius 0.5
    v.makeInsertTool(24, false);
    EXPECT_EQ(v.pendingTool->element->toLocal(vec3(1, 0, 1)), vec3(0.5f, 0, 1));
    EXPECT_EQ(v.pendingTool->element->toLocal(vec3(1, 0, -1)), vec3(0.5f, 0, 0));
    v.makeInsertTool(2, false); // both ends deleted (the sanitizer sees any that is left)
    EXPECT_EQ(v.pendingPartner, nullptr);
}
