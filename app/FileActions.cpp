// The File menu: New, Open, Save and Quick Save. Names pass to the view as UTF-8 bytes; a file
// that cannot be read or written, or that needs more memory than there is, is reported and leaves
// the scene as it was. A scene that opens without sprites whose images cannot be read names them.
#include "app/Dialogs.h"
#include "app/FileNames.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "scene/SceneFile.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <QAction>
#include <QFileInfo>

#include <new>

namespace {

std::string bytesOf(const QString& name) { return name.toUtf8().toStdString(); }

} // namespace

QString fileWithReason(const QString& name, const std::string& why) {
    return why.empty() ? name : name + QStringLiteral(" (%1)").arg(QString::fromStdString(why));
}

QString sceneFileName(const QString& chosen) {
    // only the file-name part counts: a folder "a.b" holds no extension of ours
    const int slash = std::max(chosen.lastIndexOf(QLatin1Char('/')), chosen.lastIndexOf(QLatin1Char('\\')));
    const int dot = chosen.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash) return chosen + QStringLiteral(".k");
    const QString extension = chosen.mid(dot).toLower();
    if (extension == QLatin1String(".k") || extension == QLatin1String(".obj")) return chosen;
    return chosen.left(dot) + QStringLiteral(".k");
}

void MainWindow::on_actionNew_triggered() {
    if (!kal::dialogs->askYesNo(tr("New"), tr("This action clears the current scene! Proceed?"))) return;
    kal::GLWorkGuard gl;
    view()->clearScene();
}

void MainWindow::on_actionOpen_triggered() {
    const QStringList names = kal::dialogs->openFileNames(
        tr("Open"), QString(),
        tr("All (*.k *.ko *.obj *.png *.jpg *.gif);;Scenes & Objects (*.k *.ko);;Meshes (*.obj);;Sprites (*.png *.jpg "
           "*.gif)"));
    if (names.isEmpty()) return;
    kal::GLWorkGuard gl;
    // a load builds GPU objects: without a context there is nothing to build them in
    if (!gl.hasContext()) return;
    // files refused and images a scene went without are told in one message
    QStringList failed;
    for (const QString& name : names) {
        try {
            std::string why;
            std::vector<kal::UnreadImage> unread;
            if (!view()->openFile(bytesOf(name), &why, &unread))
                failed << fileWithReason(QFileInfo(name).fileName(), why);
            for (const kal::UnreadImage& image : unread)
                failed << fileWithReason(QFileInfo(QString::fromStdString(image.path)).fileName(), image.why);
        } catch (const std::bad_alloc&) {
            kal::dialogs->outOfMemory();
        }
    }
    if (!failed.isEmpty()) kal::dialogs->warn(tr("Open"), tr("Could not open ") + failed.join(QStringLiteral(", ")));
}

void MainWindow::on_actionSave_triggered() {
    const QString chosen =
        kal::dialogs->saveFileName(tr("Save"), QString(), tr("All (*.k *.obj);;Scenes (*.k);;Meshes (*.obj)"));
    if (chosen.isEmpty()) return;
    const QString name = sceneFileName(chosen);
    bool saved = false;
    std::string why;
    try {
        kal::GLWorkGuard gl;
        saved = view()->saveScene(bytesOf(name), &why);
    } catch (const std::bad_alloc&) {
        kal::dialogs->outOfMemory();
        return;
    }
    if (!saved) kal::dialogs->warn(tr("Save"), tr("Could not write ") + fileWithReason(name, why));
}

void MainWindow::on_actionQuick_Save_triggered() {
    if (!idleGuard(ui->actionQuick_Save) || !restoreMenuPick()) return;
    view()->saveObject();
}
