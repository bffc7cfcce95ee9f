// Assembly and Sculpt menu actions, the tool library, the Brush dialog, the Type box and the
// material test scene, on a window without GL; dialogs answered through the seam.
#include "WindowTestSupport.h"

#include "app/MaterialDialog.h"
#include "mesh/Mesh.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

using kal::test::holdKeys;
using kal::test::WindowTest;

namespace {

using AssemblySculpt = WindowTest;

// An undo record that changes nothing, so the list has something to lose.
struct NoteAct : kal::Act {
    NoteAct() : kal::Act(0) {}
    void toggle() override {}
};

kal::Tool* meshTool(kal::Mesh* mesh) { return new kal::Tool(mesh, kal::mat4(), kal::pbr(), false); }

} // namespace

TEST_F(AssemblySculpt, sculptMenuSetsModeBrushSelectionAndAxisSection) {
    ASSERT_EQ(v.chosenMode, kal::ASSEMBLY);
    ui.actionDeform_Volume->trigger();
    ui.actionDeform->trigger();
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
    EXPECT_EQ(v.chosenBrush, kal::Brush::Deform);
    EXPECT_EQ(ui.menuSculpt->title(), "[Sculpt]");

    ui.actionScale_Direction->trigger();
    EXPECT_EQ(v.chosenBrush, kal::Brush::ScaleDirection);
    EXPECT_EQ(ui.menuTransform_2->icon().cacheKey(), ui.actionScale_Direction->icon().cacheKey());

    ui.actionAxisSection->trigger(); // W, pressed again in the shown window's test
    EXPECT_TRUE(v.axisSection);
    EXPECT_EQ(ui.actionAxisSection->text(), "Section");

    std::vector<int> modes;
    for (QAction* a : {ui.actionSelect_Component, ui.actionSelect_Patch, ui.actionSelect_All_Patches}) {
        a->trigger();
        modes.push_back(v.chosenSelectionMode);
    }
    EXPECT_EQ(modes, (std::vector<int>{3, 1, 2}));
}

TEST_F(AssemblySculpt, assemblyMenuSetsCommandsKindsPivotsAndFields) {
    w->setSculptMode(true);
    ui.actionPlace->setChecked(true);
    v.setAssemblyCommand(kal::Command::Place);
    kal::Tool* first = v.scene->currentTool;
    v.scene->addToMainRoot(meshTool(kal::Mesh::createCube()));
    v.scene->currentTool = first;
    ui.actionPrevious_Tool->trigger();
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
    EXPECT_NE(v.scene->currentTool, first);

    ui.actionConstrain_Movement->trigger();
    EXPECT_EQ(v.chosenCommand, kal::Command::ConstrainTranslation);
    EXPECT_EQ(ui.menuConstraints->icon().cacheKey(), ui.actionConstrain_Movement->icon().cacheKey());

    ui.actionCube->trigger();
    EXPECT_EQ(v.insertKind, kal::InsertKind::Cube);
    EXPECT_TRUE(ui.actionCube->isChecked());
    EXPECT_EQ(ui.menuPrimitives->icon().cacheKey(), ui.actionCube->icon().cacheKey());
    // a two-object kind brings both of its ends
    ui.actionGuide->trigger();
    EXPECT_EQ(v.insertKind, kal::InsertKind::Guide);
    EXPECT_TRUE(ui.actionGuide->isChecked());
    EXPECT_FALSE(ui.actionCube->isChecked());
    EXPECT_TRUE(v.pendingTool && v.pendingTool->isBiTool() && v.pendingPartner);

    ui.actionPivot->trigger();
    ui.actionAdd_To_Parent->trigger();
    ui.actionRelative_To_Child->setChecked(true);
    ui.actionRelative_To_Child->trigger();
    ui.actionHalf->trigger();
    EXPECT_EQ(v.pivotMode, kal::PivotOnly);
    EXPECT_EQ(v.hierarchyTarget, 1);
    EXPECT_EQ(v.relativeToChild, 3);
    EXPECT_EQ(v.thickness, 2);
}

TEST_F(AssemblySculpt, shapeCountsAskWithCtrlAndKeepApart) {
    holdKeys({kal::VkControl});
    answerWith([](const kal::Question&) { return number(7, false); });
    ui.actionAxisNGon->trigger();
    EXPECT_EQ(ui.actionAxisNGon->text(), "N-Gon (7)");
    EXPECT_EQ(v.axisShape, kal::ShapeNGon);

    answerWith([](const kal::Question&) { return number(12); });
    ui.actionAxisNGon->trigger();
    EXPECT_EQ(asked.back().title, "N-Gon");
    EXPECT_EQ(asked.back().text, "N");
    EXPECT_EQ(v.axisNGonCount, 12);
    EXPECT_EQ(ui.actionAxisNGon->text(), "N-Gon (12)");
    EXPECT_EQ(v.sectionNGonCount, 7);

    answerWith([](const kal::Question&) { return number(2); });
    ui.actionSectionCircle->trigger();
    EXPECT_EQ(v.sectionCircleCount, 3); // the dialog's minimum
    EXPECT_EQ(v.sectionShape, kal::ShapeCircle);

    // during a gesture the axis N-Gon asks but selects nothing
    v.setAxisShape(kal::ShapeFree);
    v.busy = 1;
    ui.actionAxisNGon->trigger();
    v.busy = 0;
    EXPECT_EQ(v.axisShape, kal::ShapeFree);

    holdKeys({});
    ui.actionTube->trigger(); // tubes cannot be built yet: the kind stays
    EXPECT_EQ(asked.size(), 4u);
}

TEST_F(AssemblySculpt, useToolWithShiftEmptiesTheLibraryAndTheUndoList) {
    v.scene->addToMainRoot(meshTool(kal::Mesh::createCube()));
    v.scene->addToMainRoot(meshTool(kal::Mesh::createOctahedron()));
    kal::Tool* last = v.scene->currentTool;
    holdKeys({kal::VkControl});
    ui.actionUse_Tool->trigger();
    EXPECT_NE(v.scene->currentTool, last);
    holdKeys({kal::VkMenu});
    ui.actionUse_Tool->trigger();
    EXPECT_EQ(v.scene->currentTool, last);
    EXPECT_EQ(v.insertKind, kal::InsertKind::UseTool);

    v.undoStack.push(new NoteAct);
    v.hoverPick.object = last;
    v.copySource = last;
    holdKeys({kal::VkShift});
    ui.actionUse_Tool->trigger();
    EXPECT_TRUE(v.undoStack.acts.empty());
    EXPECT_TRUE(v.scene->toolRoot->children.empty());
    EXPECT_EQ(v.scene->currentTool, nullptr);
    EXPECT_EQ(v.pendingTool, nullptr);
    EXPECT_EQ(v.hoverPick.object, nullptr);
    EXPECT_EQ(v.copySource, nullptr);

    // the picked array items were library tools too
    holdKeys({kal::VkControl});
    QString label;
    answerWith([&](const kal::Question& q) {
        label = q.dialog->findChild<QLabel*>()->text();
        return reply(false);
    });
    ui.actionArray->trigger();
    EXPECT_EQ(label, "Item-Multiplicity  ( 0 Items )");
}

TEST_F(AssemblySculpt, brushAndContourDialogsEditTheirValues) {
    const kal::pbr material = v.brushMaterial;
    ASSERT_EQ(v.paintMask, 0x3F);
    ui.actionMaterial_2->trigger();
    MaterialDialog* d = kal::dialogs->materialDialog;
    ASSERT_TRUE(d);
    EXPECT_EQ(d->windowTitle(), "Brush");
    EXPECT_TRUE(d->ui->pushRoughness->isCheckable());
    d->ui->pushRoughness->click();
    d->ui->metalness->setValue(0);
    EXPECT_EQ(v.paintMask, 0x3F & ~4);
    EXPECT_EQ(v.brushMaterial.metalness, -32766);
    d->reject();
    EXPECT_EQ(v.paintMask, 0x3F);
    EXPECT_EQ(v.brushMaterial, material);

    ui.actionContour->trigger();
    ASSERT_TRUE(kal::dialogs->colorDialog);
    EXPECT_EQ(kal::dialogs->colorDialog->windowTitle(), "Contour Color");
    EXPECT_EQ(kal::dialogs->colorTarget, &v.contourColor);
    kal::dialogs->setDialogOK();
}

TEST_F(AssemblySculpt, convertTurnsTheContextMeshIntoClayAndBack) {
    kal::Tool* t = v.scene->sceneRoot->addChild(meshTool(kal::Mesh::createIcosahedron()), false);
    v.scene->rebuildToolLists();
    ui.actionAs_Clay->trigger(); // nothing under the click: nothing happens
    v.pressPick.object = t;
    ui.actionAs_Clay->trigger();
    ASSERT_EQ(t->element->typeCode, kal::ClayType);
    v.pressPick.object = t;
    ui.actionAs_Tri_Mesh->trigger();
    ASSERT_EQ(t->element->typeCode, kal::MeshType);
    EXPECT_EQ(static_cast<kal::Mesh*>(t->element)->triangleCount(), 20);
}

TEST_F(AssemblySculpt, typeBoxCountsTheContextMesh) {
    std::unique_ptr<kal::Tool> tool(meshTool(kal::Mesh::createIcosahedron()));
    answerWith([](const kal::Question&) { return reply(false); });
    ui.actionType->trigger(); // nothing under the click: no box
    EXPECT_TRUE(asked.empty());
    v.pressPick.object = tool.get();
    ui.actionType->trigger();
    v.pressPick.object = nullptr;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, kal::Question::Information);
    EXPECT_EQ(asked[0].title, "TRI-MESH");
    EXPECT_EQ(asked[0].text, "12 Vertices ,  20 Faces");
}

TEST_F(AssemblySculpt, testBoardStepsRoughnessAlongXAndMetalnessAlongZ) {
    answerWith([](const kal::Question&) { return reply(false); });
    ui.actionTest->trigger();
    EXPECT_EQ(asked.at(0).title, "Test");
    EXPECT_EQ(asked.at(0).text, "This action clears the current scene! Proceed?");
    EXPECT_TRUE(v.scene->sceneRoot->children.empty());

    v.undoStack.push(new NoteAct);
    answerWith([](const kal::Question&) { return reply(true); });
    ui.actionTest->trigger();
    EXPECT_TRUE(v.undoStack.acts.empty());
    ASSERT_EQ(v.scene->toolRoot->children.size(), 1u); // the default object stays in the library
    const std::vector<kal::Tool*>& cells = v.scene->sceneRoot->children;
    ASSERT_EQ(cells.size(), 25u);
    const int16_t steps[5] = {-16383, -8191, 0, 8191, 16383};
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            kal::Tool* c = cells[size_t(5 * i + j)];
            EXPECT_EQ(c->element, cells[0]->element);
            EXPECT_EQ(static_cast<kal::Mesh*>(c->element)->triangleCount(), 5120);
            EXPECT_EQ(c->material.roughness, steps[i]);
            EXPECT_EQ(c->material.metalness, steps[j]);
            const kal::mat4 placed = c->composeMatrix();
            const kal::vec3 centre = kal::vec3(0, 0, 0) * placed;
            const kal::vec3 unitX = kal::vec3(1, 0, 0) * placed;
            EXPECT_NEAR(centre.x, 0.2f * (i - 2), 1e-6);
            EXPECT_NEAR(centre.z, 0.2f * (j - 2), 1e-6);
            EXPECT_NEAR(unitX.x - centre.x, 0.2f, 1e-6);
        }
    }
}
