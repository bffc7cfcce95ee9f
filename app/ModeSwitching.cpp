// Assembly and Sculpt share keys such as F1, F2 and F3: only the menu of the active mode holds its
// shortcuts, the other one holds empty ones. The simple interface hides the advanced assembly
// entries and swaps the full creation toolbar for the simple one.

#include "app/MainWindow.h"

#include "app/MenuWalk.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

// The view calls this flag fullMode; it is on while the simple interface is shown (Place forced,
// linked edits off).
bool MainWindow::simpleMode() const { return view()->fullMode; }

void MainWindow::setAssemblyMode(bool enter) {
    const bool simple = simpleMode();
    fullToolBar->setVisible(!simple);
    simpleToolBar->setVisible(simple);
    sculptToolBar->setVisible(true);

    for (QAction* a :
         {ui->actionInsert, ui->actionPlace, ui->actionPrevious_Tool, ui->actionNext_Tool, ui->actionAsmRotateScale,
          ui->actionInverse_Kinematics, ui->actionIK_Chain, ui->actionIK_Chain_2, ui->actionIK_Chain_Reset,
          ui->menuConstraints->menuAction(), ui->actionAlign, ui->actionMatch_Pivot, ui->menuHierarchy->menuAction(),
          ui->actionLink, ui->actionUnlink, ui->actionDynamics_2, ui->actionAdd_Linked, ui->actionAdd_On_All_Instances})
        a->setVisible(!simple);

    if (!enter) {
        clearMenuShortcuts(ui->menuAssembly);
        ui->menuAssembly->setTitle(tr("Assembly"));
        return;
    }
    setSculptMode(false);
    applyMenuShortcuts(ui->menuAssembly, assemblyShortcuts);
    // Place is hidden in the simple interface, so Use Tool answers its key there.
    ui->actionUse_Tool->setShortcut(simple ? ui->actionPlace->shortcut() : QKeySequence());
    ui->menuAssembly->setTitle(tr("[Assembly]"));
    // a mode entered through another mode's action shows in the mode menu too
    ui->actionAssembly->setChecked(true);
    view()->setMode(kal::ASSEMBLY);
    glWidget->update();
}

void MainWindow::setSculptMode(bool enter) {
    if (!enter) {
        clearMenuShortcuts(ui->menuSculpt);
        ui->menuSculpt->setTitle(tr("Sculpt"));
        return;
    }
    setAssemblyMode(false);
    applyMenuShortcuts(ui->menuSculpt, sculptShortcuts);
    ui->menuSculpt->setTitle(tr("[Sculpt]"));
    ui->actionSculpt->setChecked(true);
    view()->setMode(kal::SCULPT);
    glWidget->update();
}

void MainWindow::setSimpleMode(bool simple) {
    if (simpleMode() == simple) return;
    view()->setSwitch(kal::ViewSwitch::FullMode, simple);
    if (view()->chosenMode == kal::ASSEMBLY)
        setAssemblyMode(true);
    else if (view()->chosenMode == kal::SCULPT)
        setSculptMode(true);
}

void MainWindow::on_actionFULL_MODE_triggered() { setSimpleMode(!simpleMode()); }

void MainWindow::on_actionAssembly_triggered() {
    if (view()->isIdle())
        setAssemblyMode(true);
    else
        showViewState(ui->actionAssembly);
}

void MainWindow::on_actionSculpt_triggered() {
    if (view()->isIdle())
        setSculptMode(true);
    else
        showViewState(ui->actionSculpt);
}
