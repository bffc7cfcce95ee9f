// The object context menu that Ctrl + right click opens, headed by the kind of the object under
// the click. The popup is not modal and the view picks anew under it every tick, so the pick of
// the click is kept here and put back before the chosen entry runs.
#include "app/MainWindow.h"
#include "app/MenuWalk.h"
#include "app/Ui_MainWindow.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "tools/Array.h"
#include "viewport/GLView.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// Whether the tool still hangs in one of the scene's trees (the id lists may be stale).
bool inScene(kal::Scene* scene, kal::Tool* tool) {
    if (!scene || !tool) return false;
    std::vector<kal::Tool*> all;
    scene->sceneRoot->enumerate(all);
    scene->toolRoot->enumerate(all);
    return std::find(all.begin(), all.end(), tool) != all.end();
}

} // namespace

void MainWindow::popupMenu(QMenu* menu) {
    // the popup hides before its entry triggers: the kept pick is dropped only after that
    connect(menu, &QMenu::aboutToHide, this, &MainWindow::releaseMenuPick, Qt::UniqueConnection);
    menu->popup(QCursor::pos());
}

void MainWindow::releaseMenuPick() {
    QTimer::singleShot(0, this, [this] { menuPickKept = false; });
}

bool MainWindow::restoreMenuPick() {
    if (!menuPickKept) return true;
    kal::GLView* v = view();
    // the object may have gone while the popup was up
    if (!inScene(v->scene, menuPick.object)) return false;
    v->setMenuPick(menuPick);
    return true;
}

kal::Tool* MainWindow::contextTool() { return restoreMenuPick() ? view()->pressPick.object : nullptr; }

void MainWindow::openMenu() {
    kal::GLView* v = view();
    menuPick = v->pressPick;
    menuPickKept = true;
    kal::Tool* t = menuPick.object;
    if (!t) {
        popupMenu(ui->menuRender);
        return;
    }
    // each opening starts from every entry, undoing what the last one hid
    for (QAction* a : menuWalk(ui->menuObject)) a->setVisible(true);
    kal::Element* e = t->element;
    if (t->isArray()) {
        const bool chain = static_cast<kal::Array*>(t)->mode == kal::ArrayChain;
        ui->actionType->setText(chain ? tr("CHAIN") : tr("ARRAY"));
        popupMenu(ui->menuObject);
        return;
    }
    if (t->isBiTool()) {
        ui->actionType->setText(tr("BINARY"));
        popupMenu(ui->menuObject);
        return;
    }
    if (!e) return;
    if (e->typeCode == kal::TubeType || e->typeCode == kal::RevolutonType) {
        const bool tube = e->typeCode == kal::TubeType;
        ui->actionTYPE->setText(tube ? tr("TUBE") : tr("REVOLUTON"));
        ui->actionTYPE->setIcon((tube ? ui->actionTube : ui->actionRevoluton)->icon());
        popupMenu(ui->menuObject_Axis_Section);
        return;
    }
    if (e->typeCode != kal::MeshType && e->typeCode != kal::ClayType) return;
    const bool mesh = e->typeCode == kal::MeshType;
    ui->actionType->setText(mesh ? tr("TRI-MESH") : tr("CLAY"));
    ui->actionType->setIcon((mesh ? ui->actionConvert_To_Tri_Mesh : ui->actionConvert_To_Clay)->icon());
    // Convert offers only what the object is not
    ui->actionUniform->setVisible(false);
    (mesh ? ui->actionAs_Tri_Mesh : ui->actionAs_Clay)->setVisible(false);
    popupMenu(ui->menuObject);
}
