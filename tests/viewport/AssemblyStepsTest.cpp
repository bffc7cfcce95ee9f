// The assembly side of a click: the press rows, Ctrl copies and Escape, the drawing points and
// Enter, the key remapping, the closing steps and Quick Save.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "mesh/MeshRecord.h"
#include "scene/Acts.h"
#include "../scene/SceneSnapshot.h"

using namespace kal;
using test::StepView;

namespace {

// A two-object tool as far as the view can tell.
class TwoEnds : public Tool {
public:
    TwoEnds() : Tool(nullptr, mat4(), pbr(), false) { kind = BiToolKind; }
};

class AssemblySteps : public ::testing::Test {
protected:
    StepView v;
    Tool* a = nullptr;
    Tool* b = nullptr;

    void SetUp() override {
        test::resetAllInput();
        const uint8_t none[6] = {};
        v.setSymmetry(none, 6);
        a = test::addSceneObject(*v.scene, Mesh::createTetrahedron(), mat4::translation(vec3(1, 0, 0)));
        b = test::addSceneObject(*v.scene, Mesh::createCube(), mat4::translation(vec3(-1, 0, 0)));
        v.setMode(ASSEMBLY);
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    PickRecord on(Tool* t) { return test::pickOn(*v.scene, t, t->pivot.translation(), {0, 0, 1}); }
    // The press step alone, left button going down at (100, 100).
    void pressOnly() {
        frameMouse.prevLeft = 0;
        frameMouse.left = 1;
        frameMouse.x = frameMouse.prevX = 100;
        frameMouse.y = frameMouse.prevY = 100;
        v.pressStep();
    }
};

} // namespace

TEST_F(AssemblySteps, PressRowsBeginTheCommandOrNavigate) {
    struct Row {
        int command;
        bool hit;
        int busy, mode;
        int strokePick; // 0 untouched, 1 the press pick, 2 reset
    };
    const Row rows[] = {
        {4, true, 1, ASSEMBLY, 1},   {15, true, 1, ASSEMBLY, 1}, {22, true, 1, ASSEMBLY, 2},
        {47, true, 1, ASSEMBLY, 2},  {38, true, 1, ASSEMBLY, 2}, {4, false, 1, VIEW, 0},
        {1, false, 1, VIEW, 0},      {12, true, 0, ASSEMBLY, 0}, {44, true, 0, ASSEMBLY, 0},
    };
    for (const Row& r : rows) {
        v.resetPick(false);
        v.setAssemblyCommand(r.command);
        v.setMode(ASSEMBLY);
        v.pressPick = on(a);
        if (!r.hit) v.pressPick.stencilBits = 0;
        v.hoverPick = on(b);
        pressOnly();
        EXPECT_EQ(v.busy, r.busy) << "command " << r.command;
        EXPECT_EQ(v.mode, r.mode) << "command " << r.command;
        if (r.strokePick == 1) EXPECT_EQ(v.hoverPick.object, a) << "command " << r.command;
        if (r.strokePick == 2) EXPECT_EQ(v.hoverPick.kind, kPickNothing) << "command " << r.command;
        if (r.strokePick == 0) EXPECT_EQ(v.hoverPick.object, b) << "command " << r.command;
    }
}

TEST_F(AssemblySteps, PressRowsThatRecordOrTakeAMaterial) {
    int live = 0;
    v.undoStack.push(new test::CountingAct(&live));
    v.setAssemblyCommand(16);
    v.pressPick = on(a);
    pressOnly();
    EXPECT_EQ(live, 0) << "the chain command gives up the undo list";

    v.resetPick(false);
    v.setAssemblyCommand(28);
    v.pressPick = on(a);
    pressOnly();
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActMaterialKind);

    v.resetPick(false);
    v.setAssemblyCommand(32);
    v.pressPick = on(a);
    v.pressPick.surfaceMaterial.green = 77;
    pressOnly();
    EXPECT_EQ(v.assemblyMaterial.green, 77);
}

TEST_F(AssemblySteps, CtrlWithTheRightButtonOpensTheMenuOnlyWhenIdle) {
    int menus = 0;
    QObject::connect(&v, &GLView::openMenu, [&] { ++menus; });
    test::holdQtKeys({Qt::Key_Control});
    v.frame(false, true);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(v.busy, 0);
    EXPECT_EQ(v.mode, ASSEMBLY);
    v.frame(false, false);

    v.setAssemblyCommand(17);
    v.pressPick = on(a);
    v.frame(true);
    ASSERT_EQ(v.busy, 1);
    v.frame(true, true);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(v.busy, 0) << "busy: the right press cancels the command in progress";
}

TEST_F(AssemblySteps, EscapeAfterACtrlCopyRemovesTheCopyAndItsRecord) {
    v.setAssemblyCommand(17);
    v.scene->rebuildToolLists();
    const std::string before = test::snapshot(*v.scene);
    v.pressPick = on(a);
    test::holdQtKeys({Qt::Key_Control});
    v.frame(true);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActCopyTransformKind);
    EXPECT_EQ(v.copySource, a);
    ASSERT_NE(v.pressPick.object, a);
    v.scene->rebuildToolLists();
    EXPECT_NE(test::snapshot(*v.scene), before);

    test::holdQtKeys({Qt::Key_Control, Qt::Key_Escape});
    v.frame(true, false, 101, 100);
    EXPECT_TRUE(v.undoStack.acts.empty());
    EXPECT_EQ(v.copySource, nullptr);
    EXPECT_EQ(v.busy, 0);
    v.scene->rebuildToolLists();
    EXPECT_EQ(test::snapshot(*v.scene), before);
}

TEST_F(AssemblySteps, ACtrlPressThatCopiesNothingIsAPlainTransform) {
    v.setAssemblyCommand(17);
    v.pressPick = on(a);
    v.pressPick.objectId = 999; // names nothing: no copy can be made
    test::holdQtKeys({Qt::Key_Control});
    v.frame(true);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActTransformKind);
    EXPECT_EQ(v.copySource, nullptr);
    EXPECT_EQ(v.pressPick.object, a);
}

TEST_F(AssemblySteps, AMoveThatEndsWhereItBeganLeavesNoRecord) {
    v.undoStack.push(new test::CountingAct());
    auto* earlier = static_cast<test::CountingAct*>(v.undoStack.acts[0]);
    v.setAssemblyCommand(17);
    v.pressPick = on(a);
    v.frame(true);
    ASSERT_EQ(v.undoStack.acts.size(), 2u);
    v.frame(false);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    v.undo();
    EXPECT_EQ(earlier->toggles, 1);
}

TEST_F(AssemblySteps, DrawingPointsCollectAcrossReleasesAndEnterPlacesTheDrawing) {
    v.setAssemblyCommand(CommandDraw);
    v.brush = 5; // an effective value the drawing's releases must keep
    ASSERT_NE(v.pendingTool, nullptr);
    v.pressPick = on(a);
    v.frame(true);
    ASSERT_EQ(v.assemblor.strokes.size(), 1u);
    EXPECT_EQ(v.assemblor.strokes[0].picks[0].pointKind, 1u);
    EXPECT_EQ(v.busy, 1);
    v.frame(false);
    EXPECT_EQ(v.busy, 1) << "a drawing stays open across releases";
    EXPECT_EQ(v.brush, 5);

    v.hoverPick = on(b);
    test::holdQtKeys({Qt::Key_Control});
    v.frame(true);
    ASSERT_EQ(v.assemblor.strokes[0].picks.size(), 2u);
    EXPECT_EQ(v.assemblor.strokes[0].picks[1].pointKind, 3u);
    v.setLastStrokeRadius(42.0f);
    EXPECT_EQ(v.assemblor.strokes[0].picks[1].radius, 42.0f);
    test::holdQtKeys({});
    v.frame(false);

    Element* e = v.pendingTool->element;
    e->scale = 2.0f;
    e->translation = vec3(2, 4, 6);
    v.placements = {mat4::translation(vec3(0, 5, 0))};
    v.pressPick.kind = 1;
    test::holdQtKeys({Qt::Key_Return});
    v.frame(false, false, 101, 100);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActAddKind);
    EXPECT_EQ(v.busy, 0);
    // the drawing stands up: (x, y, z) -> (x, -z, y) after the move by t / s
    const vec3 p = vec3(0, 0, 0) * v.pendingTool->transform;
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    EXPECT_FLOAT_EQ(p.y, -3.0f);
    EXPECT_FLOAT_EQ(p.z, 2.0f);
}

TEST_F(AssemblySteps, EnterOnAnElementOfScaleZeroCompletesNothing) {
    v.setAssemblyCommand(CommandDraw);
    v.pressPick = on(a);
    v.frame(true);
    v.frame(false);
    v.pendingTool->element->scale = 0.0f;
    v.placements = {mat4()};
    const mat4 before = v.pendingTool->transform;
    test::holdQtKeys({Qt::Key_Return});
    v.frame(false, false, 101, 100);
    EXPECT_TRUE(v.undoStack.acts.empty());
    EXPECT_EQ(v.pendingTool->transform, before);
    EXPECT_EQ(v.busy, 0);
}

TEST_F(AssemblySteps, BackspaceOnTheLastPointEndsTheDrawing) {
    v.setAssemblyCommand(CommandDraw);
    v.pressPick = on(a);
    v.frame(true);
    v.frame(false);
    backspaceRequest = 1;
    v.frame(false, false, 101, 100);
    EXPECT_EQ(v.busy, 0);
    EXPECT_TRUE(v.assemblor.strokes.empty());
}

TEST_F(AssemblySteps, HeldKeysRemapTheSculptBrush) {
    v.setMode(SCULPT);
    v.setSculptBrush(12);
    test::holdQtKeys({Qt::Key_1});
    v.frame(false, false, 101, 100);
    EXPECT_EQ(v.brush, 15);
    test::holdQtKeys({});
    v.frame(false, false, 102, 100);
    EXPECT_EQ(v.brush, 12);
    // a stroke keeps its brush
    frameMouse.left = 1;
    test::holdQtKeys({Qt::Key_1});
    v.keyStep();
    EXPECT_EQ(v.brush, 12);
    // Ctrl reverses a sphere brush even mid-stroke
    v.setSculptBrush(55);
    test::holdQtKeys({Qt::Key_Control});
    keyboard.poll();
    v.keyStep();
    EXPECT_EQ(v.brush, 59);
    frameMouse.left = 0;
    v.setSculptBrush(1);
    test::holdQtKeys({Qt::Key_Control, Qt::Key_2});
    keyboard.poll();
    v.keyStep();
    EXPECT_EQ(v.brush, 2);
}

TEST_F(AssemblySteps, HeldKeysRemapTheCommand) {
    v.setAssemblyCommand(17);
    v.busy = 1;
    test::holdQtKeys({Qt::Key_1});
    keyboard.poll();
    v.keyStep();
    EXPECT_EQ(v.command, 18) << "Move's row applies during a drag";
    v.setAssemblyCommand(35);
    v.keyStep();
    EXPECT_EQ(v.command, 35) << "Link's row waits until the view is idle";
    v.busy = 0;
    v.keyStep();
    EXPECT_EQ(v.command, 36);

    TwoEnds* ends = new TwoEnds;
    v.scene->addToMainRoot(ends);
    v.makeInsertTool(0, false);
    v.setAssemblyCommand(CommandInsert);
    test::holdQtKeys({});
    keyboard.poll();
    v.keyStep();
    EXPECT_EQ(v.command, CommandPlace) << "a two-object tool is placed, not inserted";
}

TEST_F(AssemblySteps, ClosingStepsKeepALaterDrawingStage) {
    v.setAssemblyCommand(17);
    v.mode = VIEW;
    v.busy = 2;
    v.frameAt(100, 100, true, false);
    v.busy = 2;
    v.frame(false);
    EXPECT_EQ(v.busy, 2);
    EXPECT_EQ(v.mode, ASSEMBLY);
}

TEST_F(AssemblySteps, QuickSaveWritesThePressedObjectOrReportsWhyNot) {
    registerMeshRecords();
    struct Answers : MaterialEditSource {
        std::string name, failed;
        pbr currentMaterial() override { return pbr(); }
        uint8_t currentMask() override { return 0; }
        bool dialogOpen() override { return false; }
        bool accepted() override { return false; }
        std::string askObjectFileName() override { return name; }
        void objectSaveFailed(const std::string& path) override { failed = path; }
    } answers;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    v.materialSource = &answers;
    v.setAssemblyCommand(51);
    answers.name = QDir(dir.path()).filePath("Rock.OBJ").toStdString();
    v.pressPick = on(a);
    v.frame(true);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(answers.name)));
    EXPECT_TRUE(answers.failed.empty());
    EXPECT_EQ(v.busy, 0);
    v.frame(false);

    answers.name = QDir(dir.path()).filePath("missing/rock").toStdString();
    v.pressPick = on(a);
    v.frame(true);
    EXPECT_EQ(answers.failed, answers.name + ".ko");
    v.materialSource = nullptr;
}
