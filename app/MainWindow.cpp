#include "app/MainWindow.h"

#include "app/ActionButton.h"
#include "app/ActionGroups.h"
#include "app/ActionTable.h"
#include "app/Dialogs.h"
#include "app/MenuWalk.h"
#include "app/ParameterDialogs.h"
#include "app/Style.h"
#include "app/ToolBars.h"
#include "app/Ui_MainWindow.h"
#include "gpu/ProgressHook.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Deletes a form object and forgets it, so later steps see null instead of a dangling pointer.
template <class T>
void deleteMember(T*& member) {
    delete member;
    member = nullptr;
}

} // namespace

QString licenceHtml(QByteArray bytes) {
    const int end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    // Escaped, so a '<' or '&' in the licence shows as written instead of being read as markup.
    return QStringLiteral("<pre>") + QString::fromUtf8(bytes).toHtmlEscaped() + QStringLiteral("</pre>");
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent, Qt::WindowFlags()), ui(new Ui_MainWindow) {
    ui->setupUi(this);

    glWidget = new GLWidget(nullptr);
    ui->horizontalLayout->addWidget(glWidget);
    kal::GLView* v = view();

    // The view's settings win over the form's check marks.
    if (v->backgroundMode == 1)
        ui->actionImage->setChecked(true);
    else if (v->backgroundMode == 2)
        ui->actionEnvironment->setChecked(true);
    else
        ui->actionColor_4->setChecked(true);
    ui->actionGlow->setChecked(v->glow);
    ui->actionEnvironment_Rotation->setChecked(v->rotateEnvironment);
    ui->actionEdge_Detection->setChecked(false);
    v->setSwitch(kal::ViewSwitch::EdgeDetection, false);
    v->setSwitch(kal::ViewSwitch::Handles, ui->actionHandles->isChecked());
    v->setSwitch(kal::ViewSwitch::Animate, ui->actionAnimate->isChecked());
    v->setSwitch(kal::ViewSwitch::Turntable, ui->actionTurntable->isChecked());
    glWidget->undoAction = ui->actionUndo;
    kal::dialogs->setMainWindow(this);
    v->setMaterialSource(kal::dialogs);
    glWidget->redoAction = ui->actionRedo;

    // The Auxiliary menu only feeds the object context menu.
    ui->menuBar->removeAction(ui->menuAuxiliary->menuAction());
    setMenuActionsEnabled(ui->menuDynamics, false);

    deleteMember(ui->actionDynamics);
    deleteMember(ui->menuDynamics);
    deleteMember(ui->menuPattern);
    deleteMember(ui->actionDraw_Rotation_Items);
    deleteMember(ui->actionDraw_Rotation_Items_2);
    deleteMember(ui->actionDraw_Rotation_Items_3);
    deleteMember(ui->actionDraw_X_Mirror);
    deleteMember(ui->actionDraw_X_Rotation);
    deleteMember(ui->actionDraw_Y_Mirror);
    deleteMember(ui->actionDraw_Y_Rotation);
    deleteMember(ui->actionDraw_Z_Mirror);
    deleteMember(ui->actionDraw_Z_Rotation);
    deleteMember(ui->actionAnimate_Camera);
    deleteMember(ui->actionReplace_Tool);
    deleteMember(ui->actionStretch);
    deleteMember(ui->actionBend);
    deleteMember(ui->actionExtrude_Inflate);
    deleteMember(ui->actionInflate_Tear);
    deleteMember(ui->actionRelax);
    deleteMember(ui->actionRefine);
    deleteMember(ui->actionMovement_Multiplicity);
    deleteMember(ui->actionFog);
    deleteMember(ui->actionBloom);

    // Shortcuts of these menus work whatever menus and toolbars are shown.
    for (QMenu* m :
         {ui->menuFile, ui->menuAssembly, ui->menuSculpt, ui->menuBrush, ui->menuRender, ui->menuView, ui->menuACTION})
        addMenuActions(m);

    connect(glWidget, SIGNAL(setInAction(bool)), this, SLOT(setInAction(bool)));
    connect(ui->actionExit, SIGNAL(triggered(bool)), this, SLOT(onExit()));
    connect(v, SIGNAL(openMenu()), this, SLOT(openMenu()));

    for (int g = 1; g <= 7; ++g) makeActionGroup(this, *ui, g);
    ui->actionAxisNGon->setText(countedText("N-Gon (", v->axisNGonCount));
    ui->actionAxisCircle->setText(countedText("Circle (", v->axisCircleCount));
    ui->actionAxisTrefoilKnot->setText(countedText("Trefoil (", v->trefoilCount));
    ui->actionSectionNGon->setText(countedText("N-Gon (", v->sectionNGonCount));
    ui->actionSectionCircle->setText(countedText("Circle (", v->sectionCircleCount));
    makeActionGroup(this, *ui, 8);

    v->setNumber(kal::ViewNumber::RelativeToChild, ui->actionRelative_To_Child->isChecked() ? 2 : 3);
    v->setSwitch(kal::ViewSwitch::AddOnLinked, ui->actionAdd_On_All_Instances->isChecked());
    v->setSwitch(kal::ViewSwitch::AddLinked, ui->actionAdd_Linked->isChecked());
    v->setSwitch(kal::ViewSwitch::Groups, ui->actionGroups->isChecked());

    for (int g = 9; g <= 11; ++g) makeActionGroup(this, *ui, g);
    ui->actionRotation_Items->setText(countedText("Rotation Items (", v->symmetry.count));
    ui->actionRotation_Items->setIconText(QString::number(v->symmetry.count));
    for (int g = 12; g <= 13; ++g) makeActionGroup(this, *ui, g);

    for (int i = 0; i < 3; ++i) toolBars.append(makeToolBar(this));
    for (QMenu* m : {ui->menuPrimitives, ui->menuProfiles, ui->menuAxis, ui->menuSection})
        m->menuAction()->setStatusTip(m->statusTip());
    fullToolBar = toolBars[0];
    sculptToolBar = toolBars[1];
    simpleToolBar = toolBars[2];
    addToolBar(Qt::TopToolBarArea, fullToolBar);
    addToolBar(Qt::LeftToolBarArea, sculptToolBar);
    addToolBar(Qt::TopToolBarArea, simpleToolBar);
    fillToolBar(fullToolBar, *ui, kal::ui::fullToolBarRows());
    fillToolBar(simpleToolBar, *ui, kal::ui::simpleToolBarRows());
    sculptToolBar->addActions(ui->menuSculpt->actions());
    for (QToolBar* bar : toolBars) setInstantPopup(bar);

    deleteMember(ui->menuDelete);
    deleteMember(ui->menuDelete_2);
    deleteMember(ui->menuDelete_3);
    deleteMember(ui->menuDelete_4);

    // Before the first mode switch, which clears the inactive menu's keys.
    captureMenuShortcuts(ui->menuAssembly, assemblyShortcuts);
    captureMenuShortcuts(ui->menuSculpt, sculptShortcuts);

    setAssemblyMode(true);
    v->setAssemblyCommand(kal::Command::Material);
    ui->actionMaterial->setChecked(true);
    setSimpleMode(true);

    auto* progress = new QProgressBar(nullptr);
    kal::theProgressBar = progress;
    progress->setStyleSheet(QString::fromLatin1(kal::style::progressBarStyleSheet));
    progress->hide();
    ui->statusBar->addPermanentWidget(progress, 0);

    addMenuButtons(*ui, this);

    for (const kal::ui::ActionRow& r : kal::ui::actionRows())
        if (r.flags & kal::ui::Disabled)
            if (QAction* a = ui->action(r.name)) disabledForGood.append(a);
}

MainWindow::~MainWindow() {
    // The environment builder must not reach a bar that leaves with the status bar.
    if (kal::theProgressBar && kal::theProgressBar->window() == this) kal::theProgressBar = nullptr;
    delete ui;
    ui = nullptr;
}

kal::GLView* MainWindow::view() const { return glWidget->view; }

void MainWindow::setMenuActionsEnabled(QMenu* menu, bool enabled) {
    for (QAction* a : menuWalk(menu)) a->setEnabled(enabled);
}

void MainWindow::setToolBarActionsEnabled(QToolBar* bar, bool enabled) {
    for (QAction* a : menuWalk(bar)) a->setEnabled(enabled);
}

void MainWindow::addMenuActions(QMenu* menu) { addActions(menuWalkRepeated(menu)); }

void MainWindow::setInAction(bool InAction) {
    const bool e = !InAction;
    setMenuActionsEnabled(ui->menuFile, e);
    setMenuActionsEnabled(ui->menuSculpt, e);
    setToolBarActionsEnabled(fullToolBar, e);
    setMenuActionsEnabled(ui->menuAssembly, e);
    setToolBarActionsEnabled(sculptToolBar, e);
    ui->actionOrthogonal->setEnabled(e);
    ui->actionPerspective->setEnabled(e);

    // What a running gesture may still change.
    ui->actionPrevious_Tool->setEnabled(true);
    ui->actionNext_Tool->setEnabled(true);
    ui->menuHierarchy->menuAction()->setEnabled(true);
    setMenuActionsEnabled(ui->menuHierarchy, true);
    ui->actionAdd_On_All_Instances->setEnabled(true);
    ui->actionAdd_Linked->setEnabled(true);
    ui->actionGroups->setEnabled(true);
    ui->actionHandles->setEnabled(true);
    ui->actionClosed->setEnabled(true);

    for (QAction* a : disabledForGood) a->setEnabled(false);
}

void MainWindow::on_actionLicense_triggered() {
    auto* dialog = new QDialog(this, Qt::WindowFlags());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFixedSize(800, 400);
    auto* layout = new QVBoxLayout(dialog);

    QFile file(QStringLiteral(":/License/License.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        delete dialog;
        return;
    }
    auto* text = new QTextEdit(dialog);
    text->setAcceptRichText(true);
    QFont font = text->font();
    font.setStyleStrategy(QFont::PreferAntialias);
    text->setFont(font);
    text->setHtml(licenceHtml(file.readAll()));
    text->setReadOnly(true);
    layout->addWidget(text);
    dialog->show();
}

void MainWindow::onExit() {
    if (kal::dialogs->askYesNo(tr("Kalvimor"), tr("Exit?"))) close();
}
