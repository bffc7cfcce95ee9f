// The Sculpt menu: the brush a stroke applies, the selection mode, axis or section of a tube or
// revolution, and the material and channel mask that Paint and Fill lay down.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"

#include <QAction>
#include <QMenu>

void MainWindow::chooseBrush(QAction* action, int id, QMenu* iconMenu) {
    if (!modeGuard(kal::SCULPT, action)) return;
    view()->setSculptBrush(id);
    if (iconMenu) showChoice(iconMenu, action);
}

void MainWindow::on_actionMove_triggered() { chooseBrush(ui->actionMove, 1, ui->menuTransform_2); }
void MainWindow::on_actionRotate_triggered() { chooseBrush(ui->actionRotate, 3, ui->menuTransform_2); }
void MainWindow::on_actionScale_triggered() { chooseBrush(ui->actionScale, 5, ui->menuTransform_2); }
void MainWindow::on_actionMirror_triggered() { chooseBrush(ui->actionMirror, 7, ui->menuTransform_2); }
void MainWindow::on_actionScale_Direction_triggered() {
    chooseBrush(ui->actionScale_Direction, 9, ui->menuTransform_2);
}
void MainWindow::on_actionDeform_triggered() { chooseBrush(ui->actionDeform, 12); }
void MainWindow::on_actionDeform_Volume_triggered() { chooseBrush(ui->actionDeform_Volume, 13); }
void MainWindow::on_actionRelax_triggered() { chooseBrush(ui->actionRelax, 14); }
void MainWindow::on_actionSmooth_triggered() { chooseBrush(ui->actionSmooth, 15); }
void MainWindow::on_actionInflate_triggered() { chooseBrush(ui->actionInflate, 20); }
void MainWindow::on_actionDeflate_triggered() { chooseBrush(ui->actionDeflate, 21); }
void MainWindow::on_actionGrow_triggered() { chooseBrush(ui->actionGrow, 22); }
void MainWindow::on_actionPinch_triggered() { chooseBrush(ui->actionPinch, 23); }
void MainWindow::on_actionTwist_triggered() { chooseBrush(ui->actionTwist, 24); }
void MainWindow::on_actionFlatten_triggered() { chooseBrush(ui->actionFlatten, 25); }
void MainWindow::on_actionPaint_triggered() { chooseBrush(ui->actionPaint, 29, ui->menuPaint); }
void MainWindow::on_actionFill_triggered() { chooseBrush(ui->actionFill, 30, ui->menuPaint); }
void MainWindow::on_actionErase_Component_triggered() { chooseBrush(ui->actionErase_Component, 32); }
void MainWindow::on_actionErase_Patch_triggered() { chooseBrush(ui->actionErase_Patch, 34); }
void MainWindow::on_actionErase_Feature_triggered() { chooseBrush(ui->actionErase_Feature, 35); }
void MainWindow::on_actionExtrude_triggered() { chooseBrush(ui->actionExtrude, 36); }
void MainWindow::on_actionExtrude_Scale_triggered() { chooseBrush(ui->actionExtrude_Scale, 37); }
void MainWindow::on_actionExtrude_Deform_triggered() { chooseBrush(ui->actionExtrude_Deform, 38); }
void MainWindow::on_actionExtrude_Inflate_triggered() { chooseBrush(ui->actionExtrude_Inflate, 39); }
void MainWindow::on_actionBevel_triggered() { chooseBrush(ui->actionBevel, 40); }
void MainWindow::on_actionNormal_Tear_triggered() { chooseBrush(ui->actionNormal_Tear, 41); }
void MainWindow::on_actionScale_Tear_triggered() { chooseBrush(ui->actionScale_Tear, 42); }
void MainWindow::on_actionInflate_Tear_triggered() { chooseBrush(ui->actionInflate_Tear, 43); }
void MainWindow::on_actionDeform_Tear_triggered() { chooseBrush(ui->actionDeform_Tear, 44); }
void MainWindow::on_actionCut_Plane_triggered() { chooseBrush(ui->actionCut_Plane, 47); }
void MainWindow::on_actionClip_Plane_triggered() { chooseBrush(ui->actionClip_Plane, 48); }
void MainWindow::on_actionSub_Plane_triggered() { chooseBrush(ui->actionSub_Plane, 49); }
void MainWindow::on_actionCut_Sphere_triggered() { chooseBrush(ui->actionCut_Sphere, 52); }
void MainWindow::on_actionClip_Sphere_triggered() { chooseBrush(ui->actionClip_Sphere, 53); }
void MainWindow::on_actionAdd_Sphere_triggered() { chooseBrush(ui->actionAdd_Sphere, 54); }
void MainWindow::on_actionSub_Sphere_triggered() { chooseBrush(ui->actionSub_Sphere, 55); }
void MainWindow::on_actionPattern_0_triggered() { chooseBrush(ui->actionPattern_0, 67); }
void MainWindow::on_actionPattern_1_triggered() { chooseBrush(ui->actionPattern_1, 68); }
void MainWindow::on_actionPattern_2_triggered() { chooseBrush(ui->actionPattern_2, 69); }
void MainWindow::on_actionPattern_3_triggered() { chooseBrush(ui->actionPattern_3, 70); }
void MainWindow::on_actionPattern_4_triggered() { chooseBrush(ui->actionPattern_4, 71); }

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
