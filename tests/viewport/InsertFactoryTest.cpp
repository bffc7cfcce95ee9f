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
    v.makeInsertTool(InsertKind::Cube, true);
    Tool* cube = v.pendingTool;
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(trianglesOf(cube), 12);
    v.makeInsertTool(InsertKind::Cube, true);
    EXPECT_EQ(v.pendingTool, cube);
    v.makeInsertTool(InsertKind::Sphere, true); // the cube is deleted (the sanitizer would see it leak otherwise)
    EXPECT_EQ(v.insertKind, InsertKind::Sphere);
    EXPECT_EQ(trianglesOf(v.pendingTool), 20 * 64);
    EXPECT_EQ(v.pendingPartner, nullptr);
}

TEST_F(InsertFactory, EveryMeshKindBuildsAnOwnedTemplateWithDefaults) {
    SceneView v;
    // triangles of the four Platonic solids that are built as they are
    const struct {
        InsertKind kind;
        int triangles;
    } solids[] = {{InsertKind::Tetrahedron, 4},
                  {InsertKind::Cube, 12},
                  {InsertKind::Octahedron, 8},
                  {InsertKind::Dodecahedron, 36},
                  {InsertKind::Icosahedron, 20}};
    for (int k = int(InsertKind::Tetrahedron); k <= int(InsertKind::Capsule); ++k) {
        const InsertKind kind = InsertKind(k);
        v.makeInsertTool(kind, false);
        ASSERT_NE(v.pendingTool, nullptr) << k;
        ASSERT_NE(v.pendingTool->element, nullptr) << k;
        EXPECT_NE(v.pendingTool, v.scene->currentTool);
        EXPECT_EQ(v.pendingTool->transform, mat4());
        EXPECT_EQ(v.pendingTool->material.opacity, 65535);
        for (const auto& solid : solids)
            if (solid.kind == kind) {
                EXPECT_EQ(trianglesOf(v.pendingTool), solid.triangles) << k;
            }
        EXPECT_GT(trianglesOf(v.pendingTool), 0) << k;
    }
}

TEST_F(InsertFactory, ChoosingAKindReturnsToTheLastInsertCommandOnlyFromInsertPlaceOrDraw) {
    SceneView v;
    v.setAssemblyCommand(Command::Insert);
    v.setAssemblyCommand(Command::Draw);
    v.makeInsertTool(InsertKind::Cube, true);
    EXPECT_EQ(v.chosenCommand, Command::Insert);
    EXPECT_EQ(v.command, Command::Insert);
    EXPECT_EQ(v.lastPlacingCommand, Command::Insert);

    v.setAssemblyCommand(Command::Paint);
    v.makeInsertTool(InsertKind::Octahedron, true);
    EXPECT_EQ(v.chosenCommand, Command::Paint);
    v.setAssemblyCommand(Command::Move);
    v.makeInsertTool(InsertKind::Dodecahedron, true);
    EXPECT_EQ(v.command, Command::Move);
}

TEST_F(InsertFactory, KindZeroUsesTheLibraryToolAndGivesItTheAssemblyMaterialInAssembly) {
    SceneView v;
    v.makeInsertTool(InsertKind::Cube, true);
    Tool* library = v.scene->currentTool;
    v.assemblyMaterial.red = 1000;
    v.chosenMode = SCULPT;
    v.makeInsertTool(InsertKind::UseTool, true);
    EXPECT_EQ(v.pendingTool, library);
    EXPECT_EQ(library->material.red, 65535);
    v.chosenMode = ASSEMBLY;
    v.makeInsertTool(InsertKind::UseTool, true);
    EXPECT_EQ(v.pendingTool, library);
    EXPECT_EQ(library->material.red, 1000);
    EXPECT_EQ(v.scene->toolRoot->children.size(), 1u); // never deleted or duplicated
}

TEST_F(InsertFactory, RebuildingKeepsTheKindAndMakesAFreshTemplate) {
    SceneView v;
    v.makeInsertTool(InsertKind::Cylinder, true);
    v.pendingTool->material.green = 5;
    v.rebuildInsertTool();
    EXPECT_EQ(v.insertKind, InsertKind::Cylinder);
    ASSERT_NE(v.pendingTool, nullptr);
    EXPECT_EQ(v.pendingTool->material.green, 65535);
    EXPECT_GT(trianglesOf(v.pendingTool), 0);
}

TEST_F(InsertFactory, TwoObjectKindsBuildAnElementEndAndABarePartnerThatGoTogether) {
    SceneView v;
    const struct {
        InsertKind kind;
        uint32_t end;
    } ends[] = {{InsertKind::Guide, BiToolBare},
                {InsertKind::Hydraulics, BiToolCylinder},
                {InsertKind::Muscle, BiToolVolume},
                {InsertKind::Lightning, BiToolUniform},
                {InsertKind::Cable, BiToolUniform}};
    for (const auto& [kind, end] : ends) {
        v.makeInsertTool(kind, false);
        auto* first = dynamic_cast<BiTool*>(v.pendingTool.get());
        auto* second = dynamic_cast<BiTool*>(v.pendingPartner.get());
        ASSERT_TRUE(first && second) << int(kind);
        EXPECT_EQ(first->biToolKind, end) << int(kind);
        EXPECT_EQ(first->element == nullptr, kind == InsertKind::Guide) << int(kind);
        // unpaired until placed; the far end is bare
        EXPECT_TRUE(!first->partner() && second->biToolKind == 0 && !second->element) << int(kind);
    }
    EXPECT_TRUE(static_cast<Cable*>(v.pendingTool.get())->tube());
    // the cylinder, stored over z -1..1 with radius 1, spans the link's 0..1 with radius 0.5
    v.makeInsertTool(InsertKind::Hydraulics, false);
    EXPECT_EQ(v.pendingTool->element->toLocal(vec3(1, 0, 1)), vec3(0.5f, 0, 1));
    EXPECT_EQ(v.pendingTool->element->toLocal(vec3(1, 0, -1)), vec3(0.5f, 0, 0));
    v.makeInsertTool(InsertKind::Cube, false); // both ends deleted (the sanitizer sees any that is left)
    EXPECT_EQ(v.pendingPartner, nullptr);
}
