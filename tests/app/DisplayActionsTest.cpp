// Display and tool switches on a window without GL; dialogs answered through the seam.
#include "WindowTestSupport.h"

#include "mesh/Mesh.h"
#include "scene/Tool.h"

#include <QColorDialog>

using kal::test::holdKeys;
using kal::test::WindowTest;

namespace {

using DisplayActions = WindowTest;

} // namespace

TEST_F(DisplayActions, flagsFollowTheirCheckMarks) {
    const struct {
        QAction* action;
        bool* flag;
    } rows[] = {
        {ui.actionGlow, &v.glow},
        {ui.actionHandles, &v.handles},
        {ui.actionAnimate, &v.animate},
        {ui.actionHide_Transparent, &v.hideTransparent},
        {ui.actionRender_Simple, &v.renderSimple},
        {ui.actionTurntable, &v.turntable},
        {ui.actionEdge_Detection, &v.edgeDetection},
        {ui.actionPressure_Size, &v.pressureSizing},
        {ui.actionGroups, &v.groups},
    };
    for (const auto& r : rows)
        for (int i = 0; i < 2; ++i) {
            v.redraw = false;
            r.action->trigger();
            EXPECT_EQ(*r.flag, r.action->isChecked()) << r.action->objectName().toStdString();
            // the image shows the switch at once, not after the cursor next moves over the view
            EXPECT_TRUE(v.redraw) << r.action->objectName().toStdString();
        }
    ui.actionWireframe->setChecked(true);
    ui.actionWireframe->trigger(); // now unchecked
    ui.actionSelection->trigger();
    EXPECT_EQ(v.displayState, (ui.actionWireframe->isChecked() ? 1 : 0) + (ui.actionSelection->isChecked() ? 2 : 0));

    const bool shown = v.textDisplay;
    ui.actionDisplay->trigger();
    EXPECT_EQ(v.textDisplay, !shown);
    EXPECT_EQ(w->textDisplay, v.textDisplay);
}

TEST_F(DisplayActions, pivotsToggleOnlyInAssembly) {
    const bool pivots = v.pivots;
    w->setSculptMode(true);
    ui.actionPivots->trigger();
    EXPECT_TRUE(v.pivots == pivots && ui.actionPivots->isChecked() == pivots);
    w->setAssemblyMode(true);
    ui.actionPivots->trigger();
    EXPECT_TRUE(v.pivots != pivots && ui.actionPivots->isChecked() != pivots);
}

TEST_F(DisplayActions, ikChainLengthStepsOnlyWithTheIkCommand) {
    v.ikChainLength = 3;
    ui.actionIK_Chain->trigger();
    EXPECT_EQ(v.ikChainLength, 3); // not in command 16

    v.setAssemblyCommand(kal::Command::InverseKinematics);
    v.ikChainLength = 0;
    ui.actionIK_Chain->trigger();
    EXPECT_EQ(v.ikChainLength, 0);
    ui.actionIK_Chain_Reset->trigger();
    EXPECT_EQ(v.ikChainLength, -1);
    ui.actionIK_Chain->trigger();
    EXPECT_EQ(v.ikChainLength, -1);
    ui.actionIK_Chain_2->trigger();
    EXPECT_EQ(v.ikChainLength, 0);
}

TEST_F(DisplayActions, snapWithCtrlAsksTheValueAndKeepsTheFlag) {
    holdKeys({kal::VkControl});
    const float step = v.gridStep;
    answerWith([](const kal::Question&) { return number(5, false); });
    ui.actionSnap_Grid->trigger();
    EXPECT_EQ(asked.back().title, "Snap Grid");
    EXPECT_EQ(asked.back().text, "Step");
    EXPECT_EQ(v.gridStep, step);
    EXPECT_FALSE(v.snapGrid);
    EXPECT_FALSE(ui.actionSnap_Grid->isChecked());

    answerWith([](const kal::Question&) { return number(0.25); });
    ui.actionSnap_Symmetry->trigger();
    EXPECT_EQ(asked.back().title, "Snap Symmetry");
    EXPECT_EQ(v.symmetryThreshold, 0.25f);
    EXPECT_FALSE(v.snapSymmetry);

    holdKeys({});
    ui.actionSnap_Grid->trigger();
    EXPECT_TRUE(v.snapGrid);
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(DisplayActions, chromatismWithCtrlEditsItsColourAndKeepsTheEffect) {
    holdKeys({kal::VkControl});
    const kal::wvec4 colour = v.lensChromatismColor;
    ui.actionLens_Chromatism->trigger();
    EXPECT_FALSE(v.lensChromatism);
    EXPECT_FALSE(ui.actionLens_Chromatism->isChecked());
    ASSERT_TRUE(kal::dialogs->colorDialog);
    EXPECT_EQ(kal::dialogs->colorDialog->windowTitle(), "Lens Chromatism Color");
    EXPECT_EQ(kal::dialogs->colorTarget, &v.lensChromatismColor);
    kal::dialogs->colorDialog->setCurrentColor(QColor(1, 2, 3, 4));
    EXPECT_NE(v.lensChromatismColor, colour);
    kal::dialogs->colorDialog->reject();
    EXPECT_EQ(v.lensChromatismColor, colour);

    holdKeys({});
    ui.actionObjects_Chromatism->trigger();
    EXPECT_TRUE(v.objectsChromatism);
    EXPECT_FALSE(kal::dialogs->colorDialog);
}

TEST_F(DisplayActions, subdivideSplitsTheHoveredMesh) {
    auto tool = std::make_unique<kal::Tool>(kal::Mesh::createIcosahedron(), kal::mat4(), kal::pbr(), false);
    ui.actionSubdivide->trigger(); // nothing hovered: nothing happens
    v.pressPick.object = tool.get();
    ui.actionSubdivide->trigger();
    v.pressPick.object = nullptr;
    auto* mesh = static_cast<kal::Mesh*>(tool->element);
    EXPECT_EQ(mesh->vertexCount(), 42);
    EXPECT_EQ(mesh->triangleCount(), 80);
}
