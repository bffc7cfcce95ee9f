// The main window without a GL context: start state, the shared keys of the two modes, the
// interface switch, the gesture lock and the guards in front of the slots.
#include "app/MainWindow.h"
#include "app/ActionTable.h"
#include "app/ShortcutConflicts.h"
#include "app/Ui_MainWindow.h"
#include "gpu/ProgressHook.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"
#include "viewport/MouseState.h"
#include "GlobalScope.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

namespace {

class Window : public ::testing::Test {
protected:
    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>();
    Ui_MainWindow& ui = *w->ui;
    kal::GLView& v = *w->view();

    QList<QAction*> allActions() const { return w->findChildren<QAction*>(); }

    // The live actions that a key reaches; more than one means Qt would trigger none.
    QList<QAction*> answering(const char* key) const {
        QList<QAction*> out;
        for (QAction* a : allActions())
            if (a->isEnabled() && a->isVisible() && a->shortcuts().contains(QKeySequence(key))) out << a;
        return out;
    }

    QString conflictText() const {
        QString text;
        for (const ShortcutConflict& c : findShortcutConflicts(allActions())) {
            text += c.key.toString() + ":";
            for (QAction* a : c.actions) text += " " + a->objectName();
            text += "\n";
        }
        return text;
    }

    bool onMenuBar(QMenu* m) const { return ui.menuBar->actions().contains(m->menuAction()); }
};

} // namespace

TEST_F(Window, startsInAssemblyWithMaterialAndTheSimpleInterface) {
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
    EXPECT_EQ(v.chosenCommand, kal::Command::Material);
    EXPECT_TRUE(ui.actionMaterial->isChecked());
    EXPECT_TRUE(w->simpleMode());
    EXPECT_EQ(ui.menuAssembly->title(), "[Assembly]");
    EXPECT_EQ(ui.menuSculpt->title(), "Sculpt");
    EXPECT_FALSE(w->fullToolBar->isVisibleTo(w.get()));
    EXPECT_TRUE(w->simpleToolBar->isVisibleTo(w.get()));
    EXPECT_TRUE(w->sculptToolBar->isVisibleTo(w.get()));
    EXPECT_FALSE(ui.actionInsert->isVisible());
    EXPECT_FALSE(ui.actionPlace->isVisible());
    EXPECT_EQ(answering("F2"), QList<QAction*>({ui.actionUse_Tool}));
    EXPECT_EQ(w->windowTitle(), "Kalvimor");
}

TEST_F(Window, settingsAgreeWithTheViewAfterStartUp) {
    EXPECT_FALSE(ui.actionEdge_Detection->isChecked());
    EXPECT_FALSE(v.edgeDetection);
    EXPECT_EQ(ui.actionGlow->isChecked(), v.glow);
    EXPECT_EQ(ui.actionEnvironment_Rotation->isChecked(), v.rotateEnvironment);
    EXPECT_TRUE(ui.actionColor_4->isChecked());
    EXPECT_EQ(v.relativeToChild, 2);
    EXPECT_EQ(ui.actionAxisNGon->text(), "N-Gon (7)");
    EXPECT_EQ(ui.actionAxisCircle->text(), "Circle (24)");
    EXPECT_EQ(ui.actionAxisTrefoilKnot->text(), "Trefoil (64)");
    EXPECT_EQ(ui.actionSectionNGon->text(), "N-Gon (7)");
    EXPECT_EQ(ui.actionSectionCircle->text(), "Circle (24)");
    EXPECT_EQ(ui.actionRotation_Items->text(), "Rotation Items (6)");
    EXPECT_EQ(ui.actionRotation_Items->iconText(), "6");
    EXPECT_EQ(w->glWidget->undoAction, ui.actionUndo);
    EXPECT_EQ(w->glWidget->redoAction, ui.actionRedo);
}

TEST_F(Window, offersNoDynamicsAuxiliaryPatternOrRemovedEntries) {
    EXPECT_EQ(ui.menuDynamics, nullptr);
    EXPECT_EQ(ui.menuPattern, nullptr);
    EXPECT_FALSE(onMenuBar(ui.menuAuxiliary));
    EXPECT_EQ(ui.actionAnimate_Camera, nullptr);
    EXPECT_EQ(ui.actionFog, nullptr);
    EXPECT_EQ(ui.actionBloom, nullptr);
    for (QAction* a : allActions()) {
        EXPECT_NE(a->objectName(), "actionAnimate_Camera");
        EXPECT_NE(a->objectName(), "actionDraw_X_Mirror");
    }
    for (QAction* a : ui.menuSculpt->actions()) EXPECT_NE(a->text(), "Pattern");
}

TEST_F(Window, progressBarIsPublishedHiddenInTheStatusBar) {
    ASSERT_NE(kal::theProgressBar, nullptr);
    EXPECT_TRUE(kal::theProgressBar->isHidden());
    EXPECT_EQ(kal::theProgressBar->parentWidget(), static_cast<QWidget*>(ui.statusBar));
    w.reset();
    // the environment builder must not reach a bar that went with the window
    EXPECT_EQ(kal::theProgressBar, nullptr);
}

TEST_F(Window, noKeyIsSharedInAnyModeAndInterface) {
    for (bool simple : {true, false}) {
        w->setSimpleMode(simple);
        ui.actionAssembly->trigger();
        EXPECT_EQ(conflictText(), "") << "Assembly, simple " << simple;
        ui.actionSculpt->trigger();
        EXPECT_EQ(conflictText(), "") << "Sculpt, simple " << simple;
    }
}

TEST_F(Window, sharedKeysFollowTheActiveMode) {
    w->setSimpleMode(false);
    EXPECT_EQ(answering("F1"), QList<QAction*>({ui.actionInsert}));
    EXPECT_EQ(answering("F2"), QList<QAction*>({ui.actionPlace}));
    EXPECT_TRUE(ui.actionUse_Tool->shortcut().isEmpty());

    ui.actionSculpt->trigger();
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
    EXPECT_EQ(ui.menuSculpt->title(), "[Sculpt]");
    EXPECT_EQ(ui.menuAssembly->title(), "Assembly");
    EXPECT_EQ(answering("F1"), QList<QAction*>({ui.actionDeform}));
    EXPECT_EQ(answering("F3"), QList<QAction*>({ui.actionPinch}));
    EXPECT_TRUE(ui.actionInsert->shortcut().isEmpty());

    ui.actionAssembly->trigger();
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
    EXPECT_EQ(ui.menuAssembly->title(), "[Assembly]");
    EXPECT_EQ(ui.menuSculpt->title(), "Sculpt");
    EXPECT_EQ(answering("F1"), QList<QAction*>({ui.actionInsert}));
    EXPECT_EQ(answering("F3"), QList<QAction*>({ui.actionAsmRotate}));
    EXPECT_TRUE(ui.actionDeform->shortcut().isEmpty());
    // leaving and coming back resumes the command chosen before
    EXPECT_EQ(v.chosenCommand, kal::Command::Material);
}

TEST_F(Window, fullModeSwapsToolbarsAndAdvancedEntries) {
    ui.actionFULL_MODE->trigger();
    EXPECT_FALSE(w->simpleMode());
    EXPECT_TRUE(w->fullToolBar->isVisibleTo(w.get()));
    EXPECT_FALSE(w->simpleToolBar->isVisibleTo(w.get()));
    for (QAction* a : {ui.actionInsert, ui.actionPlace, ui.actionLink, ui.actionUnlink,
                       ui.menuConstraints->menuAction(), ui.menuHierarchy->menuAction()})
        EXPECT_TRUE(a->isVisible()) << a->objectName().toStdString();
    EXPECT_TRUE(ui.actionUse_Tool->shortcut().isEmpty());

    ui.actionFULL_MODE->trigger();
    EXPECT_TRUE(w->simpleMode());
    EXPECT_FALSE(ui.actionLink->isVisible());
    EXPECT_EQ(answering("F2"), QList<QAction*>({ui.actionUse_Tool}));
}

TEST_F(Window, fullModeOutsideBothModesOnlyStoresTheFlag) {
    v.setMode(kal::VIEW);
    ui.actionFULL_MODE->trigger();
    EXPECT_FALSE(w->simpleMode());
    EXPECT_FALSE(ui.actionInsert->isVisible());
    EXPECT_TRUE(w->simpleToolBar->isVisibleTo(w.get()));
}

TEST_F(Window, modeActionsDoNothingDuringAGesture) {
    v.busy = 1;
    ui.actionSculpt->trigger();
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
    EXPECT_EQ(ui.menuAssembly->title(), "[Assembly]");
    // the check mark still shows the mode in force
    EXPECT_TRUE(ui.actionAssembly->isChecked());
    EXPECT_FALSE(ui.actionSculpt->isChecked());
}

TEST_F(Window, gestureLocksMenusAndUnlockingKeepsFreeSectionDisabled) {
    ASSERT_FALSE(ui.actionSectionFree->isEnabled());
    // Qt reports hidden actions as disabled, so show them all
    w->setSimpleMode(false);
    w->setInAction(true);
    for (QAction* a : {ui.actionNew, ui.actionOpen, ui.actionDeform, ui.actionUse_Tool, ui.actionOrthogonal,
                       ui.actionPerspective, ui.actionFULL_MODE})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {ui.actionPrevious_Tool, ui.actionNext_Tool, ui.menuHierarchy->menuAction(),
                       ui.actionAdd_To_Scene, ui.actionAdd_On_All_Instances, ui.actionAdd_Linked, ui.actionGroups,
                       ui.actionHandles, ui.actionClosed, ui.actionUndo})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();

    w->setInAction(false);
    for (QAction* a : {ui.actionNew, ui.actionDeform, ui.actionUse_Tool, ui.actionOrthogonal, ui.actionFULL_MODE})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(ui.actionSectionFree->isEnabled());
}

TEST_F(Window, modeBoundActionSwitchesModeWhenIdle) {
    ui.actionDeform->trigger();
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
    EXPECT_EQ(ui.menuSculpt->title(), "[Sculpt]");
    EXPECT_TRUE(ui.actionSculpt->isChecked());
    ui.actionCube->trigger();
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
    EXPECT_TRUE(ui.actionAssembly->isChecked());
}

TEST_F(Window, refusedModeBoundActionKeepsModeAndCheckMarks) {
    ui.actionSculpt->trigger();
    v.busy = 1;
    ui.actionInsert->trigger();
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
    EXPECT_TRUE(ui.actionMaterial->isChecked());
    EXPECT_FALSE(ui.actionInsert->isChecked());
    ui.actionCube->trigger();
    EXPECT_TRUE(ui.actionUse_Tool->isChecked());
    EXPECT_FALSE(ui.actionCube->isChecked());
    ui.actionClosed->trigger();
    EXPECT_EQ(ui.actionClosed->isChecked(), v.closed);
}

TEST_F(Window, modeBoundActionActsDuringAGestureInItsOwnMode) {
    ui.actionSculpt->trigger();
    v.busy = 1;
    ui.actionPinch->trigger();
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
    EXPECT_TRUE(ui.actionPinch->isChecked());
}

TEST_F(Window, refusedIdleActionKeepsTheViewsBackground) {
    v.busy = 1;
    ui.actionImage->trigger();
    EXPECT_TRUE(ui.actionColor_4->isChecked());
    EXPECT_FALSE(ui.actionImage->isChecked());
    ui.actionLens_Chromatism->trigger();
    EXPECT_EQ(ui.actionLens_Chromatism->isChecked(), v.lensChromatism);
}

TEST_F(Window, symmetryToggleDuringASculptStrokeIsUndone) {
    ui.actionSculpt->trigger();
    v.busy = 1;
    v.mode = kal::SCULPT;
    ui.actionX_Mirror_Symmetry->trigger();
    EXPECT_TRUE(ui.actionX_Mirror_Symmetry->isChecked());
    EXPECT_EQ(v.symmetry.mirrorX, 1);
    ui.actionTangent_Plane->trigger();
    EXPECT_TRUE(ui.actionSame_Depth->isChecked());
    EXPECT_FALSE(ui.actionTangent_Plane->isChecked());
}

TEST_F(Window, backspaceAsksTheViewportForADeletion) {
    kal::test::GlobalScope<uint8_t> request(kal::backspaceRequest, 0);
    ui.actionBackspace->trigger();
    EXPECT_EQ(kal::backspaceRequest, 1);
}

TEST_F(Window, placingCommandComesBackAfterAShapeChoice) {
    // the simple interface always returns to Place with the last placing command
    v.setAssemblyCommand(kal::Command::Draw);
    v.setAssemblyCommand(kal::Command::Material);
    w->restorePlacementCommand();
    EXPECT_EQ(v.chosenCommand, kal::Command::Draw);
    EXPECT_TRUE(ui.actionPlace->isChecked());

    w->setSimpleMode(false);
    v.setAssemblyCommand(kal::Command::Insert);
    v.setAssemblyCommand(kal::Command::Material);
    w->restorePlacementCommand();
    EXPECT_EQ(v.chosenCommand, kal::Command::Insert);
    EXPECT_TRUE(ui.actionInsert->isChecked());

    v.setAssemblyCommand(kal::Command::Paint);
    v.setAssemblyCommand(kal::Command::Material);
    ui.actionMaterial->setChecked(true);
    w->restorePlacementCommand();
    EXPECT_EQ(v.chosenCommand, kal::Command::Material);
    EXPECT_TRUE(ui.actionMaterial->isChecked());
}

TEST(Licence, textShowsAsWrittenUpToTheFirstZeroByte) {
    QTextDocument doc;
    doc.setHtml(licenceHtml(QByteArray("a <b>bold</b> & \"x\"\n  two\0hidden", 32)));
    EXPECT_EQ(doc.toPlainText(), "a <b>bold</b> & \"x\"\n  two");
    doc.setHtml(licenceHtml(QByteArray()));
    EXPECT_EQ(doc.toPlainText(), "");
}

// The whole slot order against the hand-checked table's "slots" line.
TEST(SlotTable, holdsEveryActionSlotInItsFixedOrder) {
    QFile file(QStringLiteral(KAL_SOURCE_DIR "/tests/app/ActionTableExpected.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList expected;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("slots\t"))) expected = line.split(QLatin1Char('\t')).mid(1);
    }
    ASSERT_EQ(expected.size(), 254);
    const QMetaObject& mo = MainWindow::staticMetaObject;
    const int first = mo.methodOffset();
    ASSERT_EQ(mo.methodCount() - first, expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(mo.method(first + i).methodSignature().toStdString(), expected[i].toStdString()) << "method " << i;
}

TEST_F(Window, licenceOpensAFixedDialogEachTimeWithTheTextAsWritten) {
    QFile file(":/License/License.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString expected = QString::fromUtf8(file.readAll());

    ui.actionLicense->trigger();
    ui.actionLicense->trigger();
    const QList<QDialog*> dialogs = w->findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(dialogs.size(), 2);
    for (QDialog* d : dialogs) {
        EXPECT_EQ(d->minimumSize(), QSize(800, 400));
        EXPECT_EQ(d->maximumSize(), QSize(800, 400));
        auto* text = d->findChild<QTextEdit*>();
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_EQ(text->toPlainText().trimmed(), expected.trimmed());
    }
}
