// The Sculpt menu: the brush a stroke applies, the selection mode, axis or section of a tube or
// revolution, and the material and channel mask that Paint and Fill lay down.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"

#include <QAction>
#include <QMenu>

using B = kal::Brush;

void MainWindow::chooseBrush(QAction* action, B brush, QMenu* iconMenu) {
    if (!modeGuard(kal::SCULPT, action)) return;
    view()->setSculptBrush(brush);
    if (iconMenu) showChoice(iconMenu, action);
}

void MainWindow::on_actionMove_triggered() { chooseBrush(ui->actionMove, B::Move, ui->menuTransform_2); }
void MainWindow::on_actionRotate_triggered() { chooseBrush(ui->actionRotate, B::Rotate, ui->menuTransform_2); }
void MainWindow::on_actionScale_triggered() { chooseBrush(ui->actionScale, B::Scale, ui->menuTransform_2); }
void MainWindow::on_actionMirror_triggered() { chooseBrush(ui->actionMirror, B::Mirror, ui->menuTransform_2); }
void MainWindow::on_actionScale_Direction_triggered() {
    chooseBrush(ui->actionScale_Direction, B::ScaleDirection, ui->menuTransform_2);
}
void MainWindow::on_actionDeform_triggered() { chooseBrush(ui->actionDeform, B::Deform); }
void MainWindow::on_actionDeform_Volume_triggered() { chooseBrush(ui->actionDeform_Volume, B::DeformVolume); }
void MainWindow::on_actionRelax_triggered() { chooseBrush(ui->actionRelax, B::Relax); }
void MainWindow::on_actionSmooth_triggered() { chooseBrush(ui->actionSmooth, B::Smooth); }
void MainWindow::on_actionInflate_triggered() { chooseBrush(ui->actionInflate, B::Inflate); }
void MainWindow::on_actionDeflate_triggered() { chooseBrush(ui->actionDeflate, B::Deflate); }
void MainWindow::on_actionGrow_triggered() { chooseBrush(ui->actionGrow, B::Grow); }
void MainWindow::on_actionPinch_triggered() { chooseBrush(ui->actionPinch, B::Pinch); }
void MainWindow::on_actionTwist_triggered() { chooseBrush(ui->actionTwist, B::Twist); }
void MainWindow::on_actionFlatten_triggered() { chooseBrush(ui->actionFlatten, B::Flatten); }
void MainWindow::on_actionPaint_triggered() { chooseBrush(ui->actionPaint, B::PaintMaterial, ui->menuPaint); }
void MainWindow::on_actionFill_triggered() { chooseBrush(ui->actionFill, B::FillMaterial, ui->menuPaint); }
void MainWindow::on_actionErase_Component_triggered() { chooseBrush(ui->actionErase_Component, B::EraseComponent); }
void MainWindow::on_actionErase_Patch_triggered() { chooseBrush(ui->actionErase_Patch, B::ErasePatch); }
void MainWindow::on_actionErase_Feature_triggered() { chooseBrush(ui->actionErase_Feature, B::EraseFeature); }
void MainWindow::on_actionExtrude_triggered() { chooseBrush(ui->actionExtrude, B::Extrude); }
void MainWindow::on_actionExtrude_Scale_triggered() { chooseBrush(ui->actionExtrude_Scale, B::ExtrudeScale); }
void MainWindow::on_actionExtrude_Deform_triggered() { chooseBrush(ui->actionExtrude_Deform, B::ExtrudeDeform); }
void MainWindow::on_actionExtrude_Inflate_triggered() { chooseBrush(ui->actionExtrude_Inflate, B::ExtrudeInflate); }
void MainWindow::on_actionBevel_triggered() { chooseBrush(ui->actionBevel, B::Bevel); }
void MainWindow::on_actionNormal_Tear_triggered() { chooseBrush(ui->actionNormal_Tear, B::TearNormal); }
void MainWindow::on_actionScale_Tear_triggered() { chooseBrush(ui->actionScale_Tear, B::TearScale); }
void MainWindow::on_actionInflate_Tear_triggered() { chooseBrush(ui->actionInflate_Tear, B::TearInflate); }
void MainWindow::on_actionDeform_Tear_triggered() { chooseBrush(ui->actionDeform_Tear, B::TearDeform); }
void MainWindow::on_actionCut_Plane_triggered() { chooseBrush(ui->actionCut_Plane, B::CutPlane); }
void MainWindow::on_actionClip_Plane_triggered() { chooseBrush(ui->actionClip_Plane, B::ClipPlane); }
void MainWindow::on_actionSub_Plane_triggered() { chooseBrush(ui->actionSub_Plane, B::SubPlane); }
void MainWindow::on_actionCut_Sphere_triggered() { chooseBrush(ui->actionCut_Sphere, B::CutSphere); }
void MainWindow::on_actionClip_Sphere_triggered() { chooseBrush(ui->actionClip_Sphere, B::ClipSphere); }
void MainWindow::on_actionAdd_Sphere_triggered() { chooseBrush(ui->actionAdd_Sphere, B::AddSphere); }
void MainWindow::on_actionSub_Sphere_triggered() { chooseBrush(ui->actionSub_Sphere, B::SubSphere); }
void MainWindow::on_actionPattern_0_triggered() { chooseBrush(ui->actionPattern_0, B::Pattern0); }
void MainWindow::on_actionPattern_1_triggered() { chooseBrush(ui->actionPattern_1, B::Pattern1); }
void MainWindow::on_actionPattern_2_triggered() { chooseBrush(ui->actionPattern_2, B::Pattern2); }
void MainWindow::on_actionPattern_3_triggered() { chooseBrush(ui->actionPattern_3, B::Pattern3); }
void MainWindow::on_actionPattern_4_triggered() { chooseBrush(ui->actionPattern_4, B::Pattern4); }

void MainWindow::chooseSelection(QAction* action, int selection) {
    if (modeGuard(kal::SCULPT, action)) view()->setSelectionMode(selection);
}

void MainWindow::on_actionSelect_Component_triggered() { chooseSelection(ui->actionSelect_Component, 3); }
void MainWindow::on_actionSelect_Patch_triggered() { chooseSelection(ui->actionSelect_Patch, 1); }
void MainWindow::on_actionSelect_All_Patches_triggered() { chooseSelection(ui->actionSelect_All_Patches, 2); }

void MainWindow::on_actionAxisSection_triggered() {
    if (!modeGuard(kal::SCULPT, ui->actionAxisSection)) return;
    kal::GLView* v = view();
    v->setSwitch(kal::ViewSwitch::AxisSection, !v->axisSection);
    ui->actionAxisSection->setText(v->axisSection ? tr("Section") : tr("Axis"));
}

void MainWindow::on_actionMaterial_2_triggered() {
    if (!modeGuard(kal::SCULPT, ui->actionMaterial_2)) return;
    kal::dialogs->editMaterial(&view()->brushMaterial, &view()->paintMask, tr("Brush"));
}
