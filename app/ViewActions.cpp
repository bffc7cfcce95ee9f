// The View menu: projection and field of view, the six axis views and the General cycle, brush
// size and elevation steps, frames, placement and selection modes, resolution, full screen,
// large fonts and the guide.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ParameterDialogs.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"
#include "viewport/GLWorkGuard.h"
#include "viewport/StatusText.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// The guide that Help opens: our own, which the build puts beside the program.
const char* const guideFile = "README.md";

const QKeySequence flipKey(QStringLiteral("Alt+Shift+F6"));

constexpr float halfPi = 1.5707964f;
constexpr float pi = 3.1415927f;

// Camera rotations of the presets 1..6: Front, Back, Left, Right, Top, Bottom.
kal::mat3 presetRotation(int preset) {
    switch (preset) {
    case 2: return kal::mat3::rotationEuler(0, pi, 0);
    case 3: return kal::mat3::rotationEuler(0, -halfPi, 0);
    case 4: return kal::mat3::rotationEuler(0, halfPi, 0);
    case 5: return kal::mat3::rotationEuler(halfPi, 0, 0);
    case 6: return kal::mat3::rotationEuler(-halfPi, 0, 0);
    default: return kal::mat3();
    }
}

} // namespace

void MainWindow::showProjection() {
    const bool perspective = view()->perspective != 0;
    ui->actionOrthogonal->setChecked(!perspective);
    ui->actionPerspective->setChecked(perspective);
    // the flip key always sits on the projection not in force
    ui->actionOrthogonal->setShortcut(perspective ? flipKey : QKeySequence());
    ui->actionPerspective->setShortcut(perspective ? QKeySequence() : flipKey);
}

void MainWindow::on_actionOrthogonal_triggered() {
    if (view()->perspective == 1 && view()->isIdle()) view()->setOrthogonal(0);
    showProjection();
}

void MainWindow::on_actionPerspective_triggered() {
    kal::GLView* v = view();
    if (v->isIdle()) {
        bool go = true;
        if (ctrlHeld()) {
            const double fov = kal::dialogs->askNumber(kal::ui::fieldOfViewQuestion, v->fieldOfView, &go);
            if (go) v->setFieldOfView(float(fov));
        }
        if (go && v->perspective != 1) v->setOrthogonal(1);
    }
    showProjection();
}

void MainWindow::showPreset(int preset) { view()->showNamedView(preset, presetRotation(preset)); }

void MainWindow::on_actionFront_triggered() { showPreset(1); }
void MainWindow::on_actionBack_triggered() { showPreset(2); }
void MainWindow::on_actionLeft_triggered() { showPreset(3); }
void MainWindow::on_actionRight_triggered() { showPreset(4); }
void MainWindow::on_actionTop_triggered() { showPreset(5); }
void MainWindow::on_actionBottom_triggered() { showPreset(6); }

void MainWindow::on_actionGeneral_triggered() {
    kal::GLView* v = view();
    const int preset = v->namedView;
    if (preset == 0) {
        savedViewRotation = v->camera.rotation;
        showPreset(1);
    } else if (preset >= 1 && preset <= 5) {
        showPreset(preset + 1);
    } else if (preset == 6) {
        v->showNamedView(0, savedViewRotation);
    }
}

void MainWindow::on_actionSize_triggered() { view()->setBrushSize(float(view()->brushSize * 1.1)); }
void MainWindow::on_actionSize_2_triggered() { view()->setBrushSize(float(view()->brushSize / 1.1)); }
void MainWindow::on_actionElevation_triggered() { view()->setElevation(float(view()->elevation - 0.05)); }
void MainWindow::on_actionElevation_2_triggered() { view()->setElevation(float(view()->elevation + 0.05)); }
void MainWindow::on_actionElevation_0_triggered() { view()->setElevation(0); }

void MainWindow::on_actionScreen_Frame_triggered() { view()->setFrame(kal::FrameScreen); }
void MainWindow::on_actionWorld_Frame_triggered() { view()->setFrame(kal::FrameWorld); }
void MainWindow::on_actionObject_Frame_triggered() { view()->setFrame(kal::FrameObject); }

void MainWindow::setPlacement(QAction* action, int placement) {
    if (sculptGestureGuard(action)) view()->setNumber(kal::ViewNumber::Placement, placement);
}

void MainWindow::on_actionOn_Object_triggered() { setPlacement(ui->actionOn_Object, kal::PlaceOnObject); }
void MainWindow::on_actionSame_Depth_triggered() { setPlacement(ui->actionSame_Depth, kal::PlaceSameDepth); }
void MainWindow::on_actionOn_Normal_triggered() { setPlacement(ui->actionOn_Normal, kal::PlaceOnNormal); }
void MainWindow::on_actionNormal_Plane_triggered() { setPlacement(ui->actionNormal_Plane, kal::PlaceNormalPlane); }
void MainWindow::on_actionTangent_Plane_triggered() { setPlacement(ui->actionTangent_Plane, kal::PlaceTangentPlane); }

void MainWindow::on_actionSelect_Element_triggered() {
    if (!idleGuard(ui->actionSelect_Element)) return;
    // Element -> Component -> Patch -> All Patches -> Element
    static const int next[4] = {3, 2, 0, 1};
    kal::GLView* v = view();
    const int s = v->chosenSelectionMode;
    v->setSelectionMode(s >= 0 && s < 4 ? next[s] : 0);
}

void MainWindow::on_actionHi_res_triggered() {
    kal::GLWorkGuard gl;
    if (gl.hasContext()) glWidget->setScale(ui->actionHi_res->isChecked() ? 2.0f : 1.0f);
}

void MainWindow::on_actionFull_Screen_triggered() {
    if (ui->actionFull_Screen->isChecked())
        showFullScreen();
    else
        showMaximized();
}

void MainWindow::on_actionLarge_Fonts_triggered() {
    kal::GLWorkGuard gl;
    if (gl.hasContext()) kal::setLargeFonts(ui->actionLarge_Fonts->isChecked());
}

void MainWindow::on_actionOnline_help_triggered() {
    const QString guide = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(guideFile));
    if (!QFileInfo(guide).isFile() || !kal::dialogs->openUrl(QUrl::fromLocalFile(guide)))
        kal::dialogs->warn(tr("Help"), tr("Could not open the guide %1").arg(QDir::toNativeSeparators(guide)));
}
