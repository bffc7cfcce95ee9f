#include "app/ToolBars.h"

#include "app/Style.h"
#include "app/Ui_MainWindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <cstring>

namespace kal::ui {
namespace {

const char* const fullRows[] = {
    "actionFULL_MODE",
    "actionInsert",
    "actionPlace",
    "actionUse_Tool",
    "menuPrimitives",
    "menuProfiles",
    "actionRevoluton",
    "actionTube",
    "menuArrays",
    "menuBinary",
    "menuAxis",
    "menuSection",
    "actionMaterial",
    "-",
    "actionAsmMove",
    "actionAsmRotate",
    "actionAsmScale",
    "actionAsmMirror",
    "actionAsmRotateScale",
    "menuTransformers",
    "actionInverse_Kinematics",
    "menuConstraints",
    "actionAlign",
    "actionMatch_Pivot",
    "-",
    "actionLink",
    "actionUnlink",
    "actionDynamics_2",
    "-",
    "menuHierarchy",
    "actionAdd_On_All_Instances",
    "actionAdd_Linked",
    "actionGroups",
    "actionClosed",
};

const char* const simpleRows[] = {
    "actionFULL_MODE",
    "actionUse_Tool",
    "menuPrimitives",
    "menuProfiles",
    "actionRevoluton",
    "actionTube",
    "menuArrays",
    "menuBinary",
    "menuAxis",
    "menuSection",
    "actionMaterial",
    "-",
    "actionAsmMove",
    "actionAsmRotate",
    "actionAsmScale",
    "actionAsmMirror",
    "actionAsmRotateScale",
    "menuTransformers",
    "-",
    "actionGroups",
    "actionClosed",
};

} // namespace

Rows<const char*> fullToolBarRows() { return {fullRows, int(sizeof(fullRows) / sizeof(fullRows[0]))}; }
Rows<const char*> simpleToolBarRows() { return {simpleRows, int(sizeof(simpleRows) / sizeof(simpleRows[0]))}; }

} // namespace kal::ui

QToolBar* makeToolBar(QMainWindow* window) {
    auto* bar = new QToolBar(window);
    bar->setIconSize(QSize(24, 24));
    bar->setMovable(false);
    bar->setStyleSheet(QString::fromLatin1(kal::style::toolBarStyleSheet));
    return bar;
}

void fillToolBar(QToolBar* bar, const Ui_MainWindow& ui, kal::ui::Rows<const char*> rows) {
    if (!bar) return;
    for (const char* name : rows) {
        if (std::strcmp(name, "-") == 0)
            bar->addSeparator();
        else if (QMenu* m = ui.menu(name))
            bar->addAction(m->menuAction());
        else if (QAction* a = ui.action(name))
            bar->addAction(a);
    }
}

void setInstantPopup(QToolBar* bar) {
    if (!bar) return;
    for (QToolButton* b : bar->findChildren<QToolButton*>()) b->setPopupMode(QToolButton::InstantPopup);
}
