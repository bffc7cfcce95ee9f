// Display and tool switches: render effects, handles, pivots, groups, animation, pen pressure,
// chromatism colours, snapping, the inverse-kinematics chain length and Subdivide.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ParameterDialogs.h"
#include "app/Ui_MainWindow.h"
#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "scene/Element.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <QAction>

void MainWindow::on_actionGlow_triggered() { view()->glow = ui->actionGlow->isChecked(); }
void MainWindow::on_actionHandles_triggered() { view()->handles = ui->actionHandles->isChecked(); }
void MainWindow::on_actionAnimate_triggered() { view()->animate = ui->actionAnimate->isChecked(); }
void MainWindow::on_actionHide_Transparent_triggered() { view()->hideTransparent = ui->actionHide_Transparent->isChecked(); }
void MainWindow::on_actionRender_Simple_triggered() { view()->renderSimple = ui->actionRender_Simple->isChecked(); }
void MainWindow::on_actionTurntable_triggered() { view()->turntable = ui->actionTurntable->isChecked(); }
void MainWindow::on_actionEdge_Detection_triggered() { view()->edgeDetection = ui->actionEdge_Detection->isChecked(); }
void MainWindow::on_actionPressure_Size_triggered() { view()->pressureSizing = ui->actionPressure_Size->isChecked(); }

void MainWindow::on_actionGroups_triggered()
{
    view()->groups = ui->actionGroups->isChecked();
    ui->actionGroups->setChecked(view()->groups);
}

void MainWindow::on_actionPivots_triggered()
{
    kal::GLView* v = view();
    if (v->chosenMode == kal::ASSEMBLY) v->pivots = !v->pivots;
    ui->actionPivots->setChecked(v->pivots);
}

void MainWindow::on_actionDisplay_triggered()
{
    view()->textDisplay = !view()->textDisplay;
    textDisplay = view()->textDisplay;
}

void MainWindow::on_actionBlock_Size_triggered() { view()->toggleBlockSize(); }
void MainWindow::on_actionWireframe_triggered() { view()->setWireframe(ui->actionWireframe->isChecked()); }
void MainWindow::on_actionSelection_triggered() { view()->setSelectionDisplay(ui->actionSelection->isChecked()); }

void MainWindow::setChromatism(QAction* action, bool& flag, kal::wvec4& colour, const char* title)
{
    if (!idleGuard(action)) return;
    if (!ctrlHeld()) {
        flag = action->isChecked();
        return;
    }
    action->setChecked(flag);
    kal::dialogs->chooseColor(&colour, tr(title));
}

void MainWindow::on_actionLens_Chromatism_triggered()
{
    kal::GLView* v = view();
    setChromatism(ui->actionLens_Chromatism, v->lensChromatism, v->lensChromatismColor, "Lens Chromatism Color");
}

void MainWindow::on_actionObjects_Chromatism_triggered()
{
    kal::GLView* v = view();
    setChromatism(ui->actionObjects_Chromatism, v->objectsChromatism, v->objectsChromatismColor,
                  "Objects Chromatism Color");
}

void MainWindow::askSnapValue(QAction* action, const kal::ui::ParameterQuestion& question, float& value, bool flag)
{
    if (!ctrlHeld()) return;
    bool ok = false;
    const double answer = kal::dialogs->askNumber(question, value, &ok);
    if (ok) value = float(answer);
    // with Ctrl the action only sets the value: the flag stays as it was
    action->setChecked(flag);
}

void MainWindow::on_actionSnap_Symmetry_triggered()
{
    kal::GLView* v = view();
    askSnapValue(ui->actionSnap_Symmetry, kal::ui::snapThresholdQuestion, v->symmetryThreshold, v->snapSymmetry);
    v->setSnapSymmetry(ui->actionSnap_Symmetry->isChecked());
}

void MainWindow::on_actionSnap_Grid_triggered()
{
    kal::GLView* v = view();
    askSnapValue(ui->actionSnap_Grid, kal::ui::snapStepQuestion, v->gridStep, v->snapGrid);
    v->setSnapGrid(ui->actionSnap_Grid->isChecked());
}

void MainWindow::on_actionIK_Chain_triggered()
{
    if (ikGuard() && view()->ikChainLength >= 1) --view()->ikChainLength;
}

void MainWindow::on_actionIK_Chain_2_triggered()
{
    if (ikGuard() && view()->ikChainLength < INT32_MAX) ++view()->ikChainLength;
}

void MainWindow::on_actionIK_Chain_Reset_triggered()
{
    if (ikGuard()) view()->ikChainLength = -1;
}

void MainWindow::on_actionSubdivide_triggered()
{
    // from the context menu: the object the menu was opened for
    if (!restoreMenuPick()) return;
    kal::GLView* v = view();
    kal::Tool* object = v->pressPick.object;
    if (!object || !object->element) return;
    kal::Element* e = object->element;
    // a tube or revolution subdivides its axis or section curve, as the switch chooses
    kal::CurveSurface* surface = kal::curveSurfaceOf(e);
    if (surface) {
        e = v->axisSection ? surface->section : surface->axis;
        if (!e) return;
    }
    kal::GLWorkGuard gl;
    e->subdivide(true);
    e->touch();
    if (surface) surface->touch();
    v->redraw = true;
}
