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

void MainWindow::followCheck(QAction* action, kal::ViewSwitch which) { view()->setSwitch(which, action->isChecked()); }

void MainWindow::on_actionGlow_triggered() { followCheck(ui->actionGlow, kal::ViewSwitch::Glow); }
void MainWindow::on_actionHandles_triggered() { followCheck(ui->actionHandles, kal::ViewSwitch::Handles); }
void MainWindow::on_actionAnimate_triggered() { followCheck(ui->actionAnimate, kal::ViewSwitch::Animate); }
void MainWindow::on_actionHide_Transparent_triggered() {
    followCheck(ui->actionHide_Transparent, kal::ViewSwitch::HideTransparent);
}
void MainWindow::on_actionRender_Simple_triggered() {
    followCheck(ui->actionRender_Simple, kal::ViewSwitch::RenderSimple);
}
void MainWindow::on_actionTurntable_triggered() { followCheck(ui->actionTurntable, kal::ViewSwitch::Turntable); }
void MainWindow::on_actionEdge_Detection_triggered() {
    followCheck(ui->actionEdge_Detection, kal::ViewSwitch::EdgeDetection);
}
void MainWindow::on_actionPressure_Size_triggered() {
    followCheck(ui->actionPressure_Size, kal::ViewSwitch::PressureSizing);
}
void MainWindow::on_actionGroups_triggered() { followCheck(ui->actionGroups, kal::ViewSwitch::Groups); }

void MainWindow::on_actionPivots_triggered() {
    kal::GLView* v = view();
    if (v->chosenMode == kal::ASSEMBLY) v->setSwitch(kal::ViewSwitch::Pivots, !v->pivots);
    ui->actionPivots->setChecked(v->pivots);
}

void MainWindow::on_actionDisplay_triggered() {
    view()->setSwitch(kal::ViewSwitch::TextDisplay, !view()->textDisplay);
    textDisplay = view()->textDisplay;
}

void MainWindow::on_actionBlock_Size_triggered() { view()->toggleBlockSize(); }
void MainWindow::on_actionWireframe_triggered() { view()->setWireframe(ui->actionWireframe->isChecked()); }
void MainWindow::on_actionSelection_triggered() { view()->setSelectionDisplay(ui->actionSelection->isChecked()); }

void MainWindow::setChromatism(QAction* action, kal::ViewSwitch which, bool on, kal::wvec4& colour, const char* title) {
    if (!idleGuard(action)) return;
    if (!ctrlHeld()) {
        view()->setSwitch(which, action->isChecked());
        return;
    }
    action->setChecked(on);
    kal::dialogs->chooseColor(&colour, tr(title));
}

void MainWindow::on_actionLens_Chromatism_triggered() {
    kal::GLView* v = view();
    setChromatism(ui->actionLens_Chromatism, kal::ViewSwitch::LensChromatism, v->lensChromatism, v->lensChromatismColor,
                  "Lens Chromatism Color");
}

void MainWindow::on_actionObjects_Chromatism_triggered() {
    kal::GLView* v = view();
    setChromatism(ui->actionObjects_Chromatism, kal::ViewSwitch::ObjectsChromatism, v->objectsChromatism,
                  v->objectsChromatismColor, "Objects Chromatism Color");
}

void MainWindow::askSnapValue(QAction* action, const kal::ui::ParameterQuestion& question, kal::ViewNumber which,
                              float value, bool flag) {
    if (!ctrlHeld()) return;
    bool ok = false;
    const double answer = kal::dialogs->askNumber(question, value, &ok);
    if (ok) view()->setNumber(which, answer);
    // with Ctrl the action only sets the value: the flag stays as it was
    action->setChecked(flag);
}

void MainWindow::on_actionSnap_Symmetry_triggered() {
    kal::GLView* v = view();
    askSnapValue(ui->actionSnap_Symmetry, kal::ui::snapThresholdQuestion, kal::ViewNumber::SymmetryThreshold,
                 v->symmetryThreshold, v->snapSymmetry);
    v->setSnapSymmetry(ui->actionSnap_Symmetry->isChecked());
}

void MainWindow::on_actionSnap_Grid_triggered() {
    kal::GLView* v = view();
    askSnapValue(ui->actionSnap_Grid, kal::ui::snapStepQuestion, kal::ViewNumber::GridStep, v->gridStep, v->snapGrid);
    v->setSnapGrid(ui->actionSnap_Grid->isChecked());
}

void MainWindow::on_actionIK_Chain_triggered() {
    if (ikGuard() && view()->ikChainLength >= 1)
        view()->setNumber(kal::ViewNumber::IkChainLength, view()->ikChainLength - 1);
}

void MainWindow::on_actionIK_Chain_2_triggered() {
    if (ikGuard() && view()->ikChainLength < INT32_MAX)
        view()->setNumber(kal::ViewNumber::IkChainLength, double(view()->ikChainLength) + 1);
}

void MainWindow::on_actionIK_Chain_Reset_triggered() {
    if (ikGuard()) view()->setNumber(kal::ViewNumber::IkChainLength, -1);
}

void MainWindow::on_actionSubdivide_triggered() {
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
    v->requestRedraw();
}
