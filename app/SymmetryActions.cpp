// The symmetry of sculpt and assembly picks: three mirror planes, three rotation axes and the
// rotation item count. The six check marks are the authority; each toggle hands all of them over.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ParameterDialogs.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"

#include <QAction>

namespace {

// A mirror goes with every mirror and the rotation about its own axis; a rotation only with the
// mirror about its own axis. Indexes: mirror X, Y, Z, rotation X, Y, Z.
const bool excludes[6][6] = {
    {0, 0, 0, 0, 1, 1}, {0, 0, 0, 1, 0, 1}, {0, 0, 0, 1, 1, 0},
    {0, 1, 1, 0, 1, 1}, {1, 0, 1, 1, 0, 1}, {1, 1, 0, 1, 1, 0},
};

} // namespace

QList<QAction*> MainWindow::symmetryActions() const {
    return {ui->actionX_Mirror_Symmetry,   ui->actionY_Mirror_Symmetry,   ui->actionZ_Mirror_Symmetry,
            ui->actionX_Rotation_Symmetry, ui->actionY_Rotation_Symmetry, ui->actionZ_Rotation_Symmetry};
}

void MainWindow::applySymmetry() {
    uint8_t flags[6];
    const QList<QAction*> actions = symmetryActions();
    for (int i = 0; i < 6; ++i) flags[i] = actions[i]->isChecked() ? 1 : 0;
    view()->setSymmetry(flags, view()->symmetry.count);
}

void MainWindow::toggleSymmetry(int index) {
    const QList<QAction*> actions = symmetryActions();
    if (!sculptGestureGuard(actions[index])) return;
    if (actions[index]->isChecked())
        for (int i = 0; i < 6; ++i)
            if (excludes[index][i]) actions[i]->setChecked(false);
    applySymmetry();
}

void MainWindow::on_actionX_Mirror_Symmetry_triggered() { toggleSymmetry(0); }
void MainWindow::on_actionY_Mirror_Symmetry_triggered() { toggleSymmetry(1); }
void MainWindow::on_actionZ_Mirror_Symmetry_triggered() { toggleSymmetry(2); }
void MainWindow::on_actionX_Rotation_Symmetry_triggered() { toggleSymmetry(3); }
void MainWindow::on_actionY_Rotation_Symmetry_triggered() { toggleSymmetry(4); }
void MainWindow::on_actionZ_Rotation_Symmetry_triggered() { toggleSymmetry(5); }

void MainWindow::showRotationItems() {
    const int count = view()->symmetry.count;
    ui->actionRotation_Items->setText(countedText("Rotation Items (", count));
    ui->actionRotation_Items->setIconText(QString::number(count));
}

void MainWindow::on_actionRotation_Items_triggered() {
    bool ok = false;
    const double chosen = kal::dialogs->askNumber(kal::ui::rotationItemsQuestion, view()->symmetry.count, &ok);
    if (ok) view()->setNumber(kal::ViewNumber::RotationItems, chosen);
    showRotationItems();
}

void MainWindow::on_actionRotation_Items_2_triggered() {
    const int32_t count = view()->symmetry.count;
    if (count < INT32_MAX) view()->setNumber(kal::ViewNumber::RotationItems, double(count) + 1);
    showRotationItems();
}

void MainWindow::on_actionRotation_Items_3_triggered() {
    const int32_t count = view()->symmetry.count;
    if (count > 1) view()->setNumber(kal::ViewNumber::RotationItems, count - 1);
    showRotationItems();
}
