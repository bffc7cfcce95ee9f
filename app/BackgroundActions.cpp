// What the viewport shows behind the scene and which 360-degree image lights it: the background
// source, colour and image, the environment image, its blur and whether it turns with the camera.
// Loads build GPU objects with the viewport's tick paused; a failed load keeps what was there.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ParameterDialogs.h"
#include "app/Ui_MainWindow.h"
#include "gpu/Environment.h"
#include "gpu/FBO.h"
#include "gpu/Texture2D.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <QAction>
#include <QFileInfo>

namespace {

const char* const imageFilter = "Images (*.png *.jpg)";

} // namespace

void MainWindow::setBackgroundSource(QAction* action, int source) {
    if (!idleGuard(action)) return;
    view()->setNumber(kal::ViewNumber::Background, source);
}

void MainWindow::on_actionColor_4_triggered() { setBackgroundSource(ui->actionColor_4, 0); }
void MainWindow::on_actionImage_triggered() { setBackgroundSource(ui->actionImage, 1); }
void MainWindow::on_actionEnvironment_triggered() { setBackgroundSource(ui->actionEnvironment, 2); }

void MainWindow::loadBackgroundColor_triggered() {
    kal::dialogs->chooseColor(&view()->backgroundColor, tr("Background Color"));
}

void MainWindow::loadBackgroundImage_triggered() {
    const QString name = kal::dialogs->openFileName(tr("Open"), QString(), tr(imageFilter));
    if (name.isEmpty()) return;
    bool loaded = false;
    {
        kal::GLWorkGuard gl;
        // the image becomes a texture at once: without a context there is nowhere to put it
        if (!gl.hasContext()) return;
        auto* image = new kal::Texture2D(name.toUtf8().toStdString(), false);
        kal::FBO* target = nullptr;
        if (!image->failed) {
            target = new kal::FBOTexture(image);
            image = nullptr;
            if (!target->compile()) {
                delete target;
                target = nullptr;
            }
        }
        delete image;
        if (target) {
            view()->setBackgroundImage(target);
            loaded = true;
        }
    }
    if (!loaded) kal::dialogs->warn(tr("Open"), tr("Could not load ") + QFileInfo(name).fileName());
}

void MainWindow::loadEnvironment_triggered() {
    loadEnvironment(kal::dialogs->openFileName(tr("Open 360 Image"), QString(), tr(imageFilter)));
}

void MainWindow::loadEnvironment(QString filename) {
    if (filename.isEmpty()) return;
    bool built = false;
    {
        kal::GLWorkGuard gl;
        if (!gl.hasContext()) return;
        kal::GLView* v = view();
        const int size = v->environment ? v->environment->size : 128;
        const int levels = v->environment ? v->environment->levels : 64;
        auto* environment = new kal::Environment(filename.toUtf8().toStdString(), size, levels, false);
        built = environment->build();
        if (built) {
            v->setEnvironment(environment);
        } else {
            delete environment;
        }
    }
    if (!built) kal::dialogs->warn(tr("Open 360 Image"), tr("Could not load ") + QFileInfo(filename).fileName());
}

void MainWindow::on_actionDefault_Light_triggered() {
    loadEnvironment(QStringLiteral(":/Environments/env_default.jpg"));
}
void MainWindow::on_actionDefault_Dark_triggered() { loadEnvironment(QStringLiteral(":/Environments/env_dark.jpg")); }

void MainWindow::on_actionEnvironment_Blur_triggered() {
    kal::GLView* v = view();
    bool ok = false;
    const double blur = kal::dialogs->askNumber(kal::ui::environmentBlurQuestion, v->environmentBlur, &ok);
    if (!ok) return;
    v->setNumber(kal::ViewNumber::EnvironmentBlur, blur);
}

void MainWindow::on_actionEnvironment_Rotation_triggered() {
    view()->setSwitch(kal::ViewSwitch::EnvironmentFollowsCamera, ui->actionEnvironment_Rotation->isChecked());
}
