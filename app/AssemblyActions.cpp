// The Assembly menu and the creation toolbars: commands, the kind of object Insert creates, tube
// axis and section shapes with their counts, pivot modes, placement fields and the tool library.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ParameterDialogs.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/Keyboard.h"

#include <QAction>
#include <QMenu>

void MainWindow::showChoice(QMenu* menu, QAction* chosen) {
    // the entry of a submenu shows the last choice made in it
    auto* from = qobject_cast<QAction*>(sender());
    menu->setIcon((from ? from : chosen)->icon());
}

void MainWindow::chooseCommand(QAction* action, kal::Command id, QMenu* iconMenu) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    view()->setAssemblyCommand(id);
    if (iconMenu) showChoice(iconMenu, action);
}

void MainWindow::chooseKind(QAction* action, kal::InsertKind kind, QMenu* iconMenu) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    restorePlacementCommand();
    {
        kal::GLWorkGuard gl;
        view()->makeInsertTool(kind, true);
    }
    // a kind the factory cannot build yet leaves the one in force checked
    showViewState(action);
    if (iconMenu) showChoice(iconMenu, action);
}

void MainWindow::on_actionInsert_triggered() { chooseCommand(ui->actionInsert, kal::Command::Insert); }
void MainWindow::on_actionPlace_triggered() { chooseCommand(ui->actionPlace, kal::Command::Place); }
void MainWindow::on_actionInverse_Kinematics_triggered() {
    chooseCommand(ui->actionInverse_Kinematics, kal::Command::InverseKinematics);
}
void MainWindow::on_actionAsmMove_triggered() { chooseCommand(ui->actionAsmMove, kal::Command::Move); }
void MainWindow::on_actionAsmRotate_triggered() { chooseCommand(ui->actionAsmRotate, kal::Command::Rotate); }
void MainWindow::on_actionAsmScale_triggered() { chooseCommand(ui->actionAsmScale, kal::Command::Scale); }
void MainWindow::on_actionAsmMirror_triggered() { chooseCommand(ui->actionAsmMirror, kal::Command::Mirror); }
void MainWindow::on_actionAsmRotateScale_triggered() {
    chooseCommand(ui->actionAsmRotateScale, kal::Command::RotateScale);
}
void MainWindow::on_actionRotation_Multiplicity_triggered() {
    chooseCommand(ui->actionRotation_Multiplicity, kal::Command::RotateMultiplicity, ui->menuConstraints);
}
void MainWindow::on_actionMaterial_triggered() { chooseCommand(ui->actionMaterial, kal::Command::Material); }
void MainWindow::on_actionLink_triggered() { chooseCommand(ui->actionLink, kal::Command::Link); }
void MainWindow::on_actionUnlink_triggered() { chooseCommand(ui->actionUnlink, kal::Command::Unlink); }
void MainWindow::on_actionConstrain_Rotation_triggered() {
    chooseCommand(ui->actionConstrain_Rotation, kal::Command::ConstrainRotation, ui->menuConstraints);
}
void MainWindow::on_actionConstrain_Movement_triggered() {
    chooseCommand(ui->actionConstrain_Movement, kal::Command::ConstrainTranslation, ui->menuConstraints);
}
void MainWindow::on_actionAlign_triggered() { chooseCommand(ui->actionAlign, kal::Command::Align); }
void MainWindow::on_actionMatch_Pivot_triggered() { chooseCommand(ui->actionMatch_Pivot, kal::Command::MatchPivot); }
void MainWindow::on_actionReplace_Tool_triggered() { chooseCommand(ui->actionReplace_Tool, kal::Command::ReplaceTool); }
void MainWindow::on_actionDynamics_2_triggered() { chooseCommand(ui->actionDynamics_2, kal::Command::Speed); }

void MainWindow::on_actionTetrahedron_triggered() {
    chooseKind(ui->actionTetrahedron, kal::InsertKind::Tetrahedron, ui->menuPrimitives);
}
void MainWindow::on_actionCube_triggered() { chooseKind(ui->actionCube, kal::InsertKind::Cube, ui->menuPrimitives); }
void MainWindow::on_actionOctahedron_triggered() {
    chooseKind(ui->actionOctahedron, kal::InsertKind::Octahedron, ui->menuPrimitives);
}
void MainWindow::on_actionDodecahedron_triggered() {
    chooseKind(ui->actionDodecahedron, kal::InsertKind::Dodecahedron, ui->menuPrimitives);
}
void MainWindow::on_actionIcosahedron_triggered() {
    chooseKind(ui->actionIcosahedron, kal::InsertKind::Icosahedron, ui->menuPrimitives);
}
void MainWindow::on_actionSphere_triggered() {
    chooseKind(ui->actionSphere, kal::InsertKind::Sphere, ui->menuPrimitives);
}
void MainWindow::on_actionCylinder_triggered() {
    chooseKind(ui->actionCylinder, kal::InsertKind::Cylinder, ui->menuPrimitives);
}
void MainWindow::on_actionCapsule_triggered() {
    chooseKind(ui->actionCapsule, kal::InsertKind::Capsule, ui->menuPrimitives);
}
void MainWindow::on_actionProfile_triggered() { chooseKind(ui->actionProfile, kal::InsertKind::Profile); }
void MainWindow::on_actionUniform_Profile_triggered() {
    chooseKind(ui->actionUniform_Profile, kal::InsertKind::UniformProfile);
}
void MainWindow::on_actionPillow_Profile_triggered() {
    chooseKind(ui->actionPillow_Profile, kal::InsertKind::PillowProfile);
}
void MainWindow::on_actionBlob_Profile_triggered() { chooseKind(ui->actionBlob_Profile, kal::InsertKind::BlobProfile); }
void MainWindow::on_actionChamfer_Profile_triggered() {
    chooseKind(ui->actionChamfer_Profile, kal::InsertKind::ChamferProfile);
}
void MainWindow::on_actionChisel_Profile_triggered() {
    chooseKind(ui->actionChisel_Profile, kal::InsertKind::ChiselProfile);
}
void MainWindow::on_actionConvex_Profile_triggered() {
    chooseKind(ui->actionConvex_Profile, kal::InsertKind::ConvexProfile);
}
void MainWindow::on_actionConvex_Sharp_Profile_triggered() {
    chooseKind(ui->actionConvex_Sharp_Profile, kal::InsertKind::ConvexSharpProfile);
}
void MainWindow::on_actionScoop_Profile_triggered() {
    chooseKind(ui->actionScoop_Profile, kal::InsertKind::ScoopProfile);
}
void MainWindow::on_actionRevoluton_triggered() { chooseKind(ui->actionRevoluton, kal::InsertKind::Revolution); }
// a tube whose section is drawn as well, with Ctrl
void MainWindow::on_actionTube_triggered() {
    chooseKind(ui->actionTube, ctrlHeld() ? kal::InsertKind::TubeDrawnSection : kal::InsertKind::Tube);
}
void MainWindow::on_actionChain_triggered() { chooseKind(ui->actionChain, kal::InsertKind::Chain, ui->menuArrays); }
void MainWindow::on_actionGuide_triggered() { chooseKind(ui->actionGuide, kal::InsertKind::Guide, ui->menuBinary); }
void MainWindow::on_actionHydraulics_triggered() {
    chooseKind(ui->actionHydraulics, kal::InsertKind::Hydraulics, ui->menuBinary);
}
void MainWindow::on_actionMuscle_triggered() { chooseKind(ui->actionMuscle, kal::InsertKind::Muscle, ui->menuBinary); }
void MainWindow::on_actionLightning_triggered() {
    chooseKind(ui->actionLightning, kal::InsertKind::Lightning, ui->menuBinary);
}
void MainWindow::on_actionCable_triggered() { chooseKind(ui->actionCable, kal::InsertKind::Cable, ui->menuBinary); }

void MainWindow::selectShape(bool axis, int code) {
    // the view rebuilds the pending tool around the new shape
    kal::GLWorkGuard gl;
    if (axis)
        view()->setAxisShape(code);
    else
        view()->setSectionShape(code);
}

void MainWindow::chooseShape(QAction* action, bool axis, int code) {
    if (modeGuard(kal::ASSEMBLY, action)) selectShape(axis, code);
}

void MainWindow::chooseCountedShape(QAction* action, bool axis, int code, const kal::ui::ParameterQuestion& question,
                                    kal::ViewNumber which, int32_t count, const char* prefix) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    if (ctrlHeld()) {
        bool ok = false;
        const double n = kal::dialogs->askNumber(question, count, &ok);
        if (ok) {
            count = int32_t(n);
            view()->setNumber(which, count);
        }
        action->setText(countedText(prefix, count));
    }
    // the axis N-Gon alone waits for the gesture the dialog may have let start
    if (axis && code == kal::ShapeNGon && !view()->isIdle()) return;
    selectShape(axis, code);
}

void MainWindow::on_actionAxisFree_triggered() { chooseShape(ui->actionAxisFree, true, kal::ShapeFree); }
void MainWindow::on_actionAxisSegment_triggered() { chooseShape(ui->actionAxisSegment, true, kal::ShapeSegment); }
void MainWindow::on_actionAxisTriangle_triggered() { chooseShape(ui->actionAxisTriangle, true, kal::ShapeTriangle); }
void MainWindow::on_actionAxisSquare_triggered() { chooseShape(ui->actionAxisSquare, true, kal::ShapeSquare); }
void MainWindow::on_actionAxisPentagon_triggered() { chooseShape(ui->actionAxisPentagon, true, kal::ShapePentagon); }
void MainWindow::on_actionAxisHexagon_triggered() { chooseShape(ui->actionAxisHexagon, true, kal::ShapeHexagon); }
void MainWindow::on_actionAxisNGon_triggered() {
    chooseCountedShape(ui->actionAxisNGon, true, kal::ShapeNGon, kal::ui::axisNGonQuestion,
                       kal::ViewNumber::AxisNGonCount, view()->axisNGonCount, "N-Gon (");
}
void MainWindow::on_actionAxisCircle_triggered() {
    chooseCountedShape(ui->actionAxisCircle, true, kal::ShapeCircle, kal::ui::axisCircleQuestion,
                       kal::ViewNumber::AxisCircleCount, view()->axisCircleCount, "Circle (");
}
void MainWindow::on_actionAxisTrefoilKnot_triggered() {
    chooseCountedShape(ui->actionAxisTrefoilKnot, true, kal::ShapeTrefoilKnot, kal::ui::trefoilQuestion,
                       kal::ViewNumber::TrefoilCount, view()->trefoilCount, "Trefoil (");
}
void MainWindow::on_actionAxisKnot_triggered() { chooseShape(ui->actionAxisKnot, true, kal::ShapeTorusKnot); }
void MainWindow::on_actionAxisChainlink_triggered() { chooseShape(ui->actionAxisChainlink, true, kal::ShapeChainLink); }
void MainWindow::on_actionSectionFree_triggered() { chooseShape(ui->actionSectionFree, false, kal::ShapeFree); }
void MainWindow::on_actionSectionSegment_triggered() {
    chooseShape(ui->actionSectionSegment, false, kal::ShapeSegment);
}
void MainWindow::on_actionSectionTriangle_triggered() {
    chooseShape(ui->actionSectionTriangle, false, kal::ShapeTriangle);
}
void MainWindow::on_actionSectionSquare_triggered() { chooseShape(ui->actionSectionSquare, false, kal::ShapeSquare); }
void MainWindow::on_actionSectionPentagon_triggered() {
    chooseShape(ui->actionSectionPentagon, false, kal::ShapePentagon);
}
void MainWindow::on_actionSectionHexagon_triggered() {
    chooseShape(ui->actionSectionHexagon, false, kal::ShapeHexagon);
}
void MainWindow::on_actionSectionNGon_triggered() {
    chooseCountedShape(ui->actionSectionNGon, false, kal::ShapeNGon, kal::ui::sectionNGonQuestion,
                       kal::ViewNumber::SectionNGonCount, view()->sectionNGonCount, "N-Gon (");
}
void MainWindow::on_actionSectionCircle_triggered() {
    chooseCountedShape(ui->actionSectionCircle, false, kal::ShapeCircle, kal::ui::sectionCircleQuestion,
                       kal::ViewNumber::SectionCircleCount, view()->sectionCircleCount, "Circle (");
}

void MainWindow::choosePivot(QAction* action, int mode) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    view()->setPivotMode(mode);
    showChoice(ui->menuTransformers, action);
}

void MainWindow::on_actionObject_Pivot_triggered() { choosePivot(ui->actionObject_Pivot, kal::PivotObjectPivot); }
void MainWindow::on_actionObject_triggered() { choosePivot(ui->actionObject, kal::PivotObject); }
void MainWindow::on_actionPivot_triggered() { choosePivot(ui->actionPivot, kal::PivotOnly); }

void MainWindow::chooseHierarchy(QAction* action, int target) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    view()->setNumber(kal::ViewNumber::HierarchyTarget, target);
    showChoice(ui->menuHierarchy, action);
}

void MainWindow::on_actionAdd_To_Scene_triggered() { chooseHierarchy(ui->actionAdd_To_Scene, 0); }
void MainWindow::on_actionAdd_To_Parent_triggered() { chooseHierarchy(ui->actionAdd_To_Parent, 1); }
void MainWindow::on_actionAdd_To_Child_triggered() { chooseHierarchy(ui->actionAdd_To_Child, 2); }

void MainWindow::on_actionRelative_To_Child_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionRelative_To_Child))
        view()->setNumber(kal::ViewNumber::RelativeToChild, ui->actionRelative_To_Child->isChecked() ? 2 : 3);
}

void MainWindow::on_actionAdd_On_All_Instances_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionAdd_On_All_Instances))
        followCheck(ui->actionAdd_On_All_Instances, kal::ViewSwitch::AddOnLinked);
}

void MainWindow::on_actionAdd_Linked_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionAdd_Linked)) followCheck(ui->actionAdd_Linked, kal::ViewSwitch::AddLinked);
}

void MainWindow::on_actionThin_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionThin)) view()->setNumber(kal::ViewNumber::Thickness, 0);
}

void MainWindow::on_actionThick_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionThick)) view()->setNumber(kal::ViewNumber::Thickness, 1);
}

void MainWindow::on_actionHalf_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionHalf)) view()->setNumber(kal::ViewNumber::Thickness, 2);
}

void MainWindow::on_actionClosed_triggered() {
    if (modeGuard(kal::ASSEMBLY, ui->actionClosed)) view()->setClosed(ui->actionClosed->isChecked());
}

void MainWindow::stepTool(QAction* action, bool back) {
    if (!modeGuard(kal::ASSEMBLY, action)) return;
    {
        kal::GLWorkGuard gl;
        view()->cycleTool(back);
    }
    restorePlacementCommand();
}

void MainWindow::on_actionPrevious_Tool_triggered() { stepTool(ui->actionPrevious_Tool, true); }
void MainWindow::on_actionNext_Tool_triggered() { stepTool(ui->actionNext_Tool, false); }

void MainWindow::on_actionUse_Tool_triggered() {
    if (!modeGuard(kal::ASSEMBLY, ui->actionUse_Tool)) return;
    restorePlacementCommand();
    kal::GLView* v = view();
    kal::GLWorkGuard gl;
    if (kal::keyboard.isDown(kal::VkShift))
        v->emptyToolLibrary();
    else if (ctrlHeld())
        v->cycleTool(true);
    else if (kal::keyboard.isDown(kal::VkMenu))
        v->cycleTool(false);
    else
        v->makeInsertTool(kal::InsertKind::UseTool, true);
}
