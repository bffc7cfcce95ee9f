// The assembly side of a click: press rows, Ctrl copies and Escape, drawing points and Enter, the
// key remapping, the closing steps and Quick Save.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "ViewFixtures.h"
#include "scene/Acts.h"
#include "../scene/SceneSnapshot.h"

using namespace kal;
using test::StepView;

namespace {

class AssemblySteps : public ::testing::Test {
protected:
    StepView v;
    Tool* a = nullptr;
    Tool* b = nullptr;

    void SetUp() override {
        test::resetAllInput();
        a = test::addSceneObject(*v.scene, Mesh::createTetrahedron(), mat4::translation(vec3(1, 0, 0)));
        b = test::addSceneObject(*v.scene, Mesh::createCube(), mat4::translation(vec3(-1, 0, 0)));
        v.setMode(ASSEMBLY);
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    PickRecord on(Tool* t) { return test::pickOn(*v.scene, t, t->pivot.translation(), {0, 0, 1}); }
    void keys(std::initializer_list<int> qtKeys) {
        test::holdQtKeys(qtKeys);
        keyboard.poll();
    }
};

} // namespace

TEST_F(AssemblySteps, PressRowsBeginTheCommandOrNavigate) {
    struct Row {
        Command command;
        bool hit;
        int busy, mode;
        int strokePick; // 0 untouched, 1 the press pick, 2 reset
    };
    const Row rows[] = {{Command::Pick, true, 1, ASSEMBLY, 1},
                        {Command::RotateMultiplicity, true, 1, ASSEMBLY, 2},
                        {Command::CounterConstrainRotation, true, 1, ASSEMBLY, 2},
                        {Command::Pick, false, 1, VIEW, 0},
                        {Command::ArrayClearItems, true, 0, ASSEMBLY, 0}};
    for (const Row& r : rows) {
        v.resetPick(false);
        v.setMode(ASSEMBLY);
        v.setAssemblyCommand(r.command);
        v.pressPick = on(a);
        v.pressPick.stencilBits = r.hit ? 1 : 0;
        v.hoverPick = on(b);
        v.frame(true);
        EXPECT_EQ(v.busy, r.busy) << "command " << int(r.command);
        EXPECT_EQ(v.mode, r.mode) << "command " << int(r.command);
        const Tool* expected = r.strokePick == 1 ? a : r.strokePick == 2 ? nullptr : b;
        EXPECT_EQ(v.hoverPick.object, expected) << "command " << int(r.command);
        v.frame(false);
    }
}

TEST_F(AssemblySteps, EscapeAfterACtrlCopyRemovesTheCopyAndItsRecord) {
    v.setAssemblyCommand(Command::Move);
    v.scene->rebuildToolLists();
    const std::string before = test::snapshot(*v.scene);
    v.pressPick = on(a);
    test::holdQtKeys({Qt::Key_Control});
    v.frame(true);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActCopyTransformKind);
    EXPECT_EQ(v.copySource, a);
    EXPECT_NE(v.pressPick.object, a);
    test::holdQtKeys({Qt::Key_Control, Qt::Key_Escape});
    v.frame(true, false, 101, 100);
    EXPECT_TRUE(v.undoStack.acts.empty());
    EXPECT_EQ(v.copySource, nullptr);
    v.scene->rebuildToolLists();
    EXPECT_EQ(test::snapshot(*v.scene), before);

    // nothing to copy: the press goes on as a plain transform
    test::holdQtKeys({Qt::Key_Control});
    v.frame(false, false);
    v.pressPick = on(a);
    v.pressPick.objectId = 999;
    v.frame(true);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.acts[0]->kind, ActTransformKind);
    EXPECT_EQ(v.pressPick.object, a);
}

TEST_F(AssemblySteps, LinkedSwitchedOnDuringAMoveIsUndoneForEveryObjectItMoved) {
    a->link(b); // one ring, as a mirrored insert leaves it
    v.addLinked = false;
    v.setAssemblyCommand(Command::Move);
    v.scene->rebuildToolLists();
    const std::string before = test::snapshot(*v.scene);
    const mat4 bBefore = b->composeMatrix();
    v.pressPick = on(a);
    v.frame(true);
    v.addLinked = true; // K stays live during a gesture: the ring follows from here on
    v.hoverPick.delta = vec3(0, 0.5f, 0);
    v.frame(true, false, 101, 100);
    v.frame(false, false, 101, 100);
    ASSERT_NE(b->composeMatrix().translation(), bBefore.translation()) << "the ring moved with the object";
    v.undo();
    v.scene->rebuildToolLists();
    EXPECT_EQ(test::snapshot(*v.scene), before);
}

TEST_F(AssemblySteps, DrawingPointsCollectAcrossReleasesAndEnterPlacesTheDrawing) {
    v.setAssemblyCommand(Command::Draw);
    v.brush = Brush::Scale; // an effective value the drawing's releases must keep
    v.pressPick = on(a);
    v.frame(true);
    v.frame(false);
    ASSERT_EQ(v.assemblor.strokes.size(), 1u);
    EXPECT_EQ(v.assemblor.strokes[0].picks[0].pointKind, 1u);
    EXPECT_EQ(v.busy, 1);
    EXPECT_EQ(v.brush, Brush::Scale);
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
    // moved by t / s, then stood up: (x, y, z) -> (x, -z, y)
    EXPECT_EQ(vec3(0, 0, 0) * v.pendingTool->transform, vec3(1, -3, 2));
}

TEST_F(AssemblySteps, EnterOnAFlatElementAndBackspaceOnTheLastPointEndTheDrawing) {
    v.setAssemblyCommand(Command::Draw);
    for (bool enter : {true, false}) {
        v.pressPick = on(a);
        v.frame(true);
        v.frame(false);
        v.pendingTool->element->scale = 0.0f;
        v.placements = {mat4()};
        const mat4 before = v.pendingTool->transform;
        if (enter)
            test::holdQtKeys({Qt::Key_Return});
        else
            backspaceRequest = 1;
        v.frame(false, false, 101, 100);
        test::holdQtKeys({});
        EXPECT_TRUE(v.undoStack.acts.empty());
        EXPECT_EQ(v.pendingTool->transform, before);
        EXPECT_EQ(v.busy, 0);
        EXPECT_TRUE(v.assemblor.strokes.empty());
    }
}

TEST_F(AssemblySteps, HeldKeysRemapTheBrushAndTheCommand) {
    v.setMode(SCULPT);
    v.setSculptBrush(Brush::Deform);
    keys({Qt::Key_1});
    v.keyStep();
    EXPECT_EQ(v.brush, Brush::Smooth);
    frameMouse.left = 1; // a stroke keeps its brush, but Ctrl still reverses a sphere brush
    v.setSculptBrush(Brush::Deform);
    v.keyStep();
    EXPECT_EQ(v.brush, Brush::Deform);
    v.setSculptBrush(Brush::SubSphere);
    keys({Qt::Key_Control});
    v.keyStep();
    EXPECT_EQ(v.brush, Brush::SubSphereReverse);
    frameMouse.left = 0;

    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(Command::Move);
    v.busy = 1;
    keys({Qt::Key_1});
    v.keyStep();
    EXPECT_EQ(v.command, Command::Rotate) << "Move's row applies during a drag";
    v.setAssemblyCommand(Command::Link);
    v.keyStep();
    EXPECT_EQ(v.command, Command::Link) << "Link's row waits until the view is idle";
    v.busy = 0;
    v.keyStep();
    EXPECT_EQ(v.command, Command::Unlink);
    v.scene->addToMainRoot(new test::TwoEnds);
    v.makeInsertTool(InsertKind::UseTool, false);
    v.setAssemblyCommand(Command::Insert);
    keys({});
    v.keyStep();
    EXPECT_EQ(v.command, Command::Place) << "a two-object tool is placed, not inserted";
}

TEST_F(AssemblySteps, ClosingStepsKeepALaterDrawingStageAndAMoveInPlaceLeavesNoRecord) {
    v.setAssemblyCommand(Command::Move);
    v.mode = VIEW;
    v.frame(true);
    v.busy = 2;
    v.frame(false);
    EXPECT_EQ(v.busy, 2);
    EXPECT_EQ(v.mode, ASSEMBLY);

    v.busy = 0;
    v.undoStack.push(new test::CountingAct());
    auto* earlier = static_cast<test::CountingAct*>(v.undoStack.acts[0]);
    v.pressPick = on(a);
    v.frame(true);
    EXPECT_EQ(v.undoStack.acts.size(), 2u);
    v.frame(false);
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
    v.undo();
    EXPECT_EQ(earlier->toggles, 1);
}

TEST_F(AssemblySteps, QuickSaveWritesThePressedObjectOrReportsWhyNot) {
    struct Answers : test::NoDialog {
        std::string name, failed, why;
        std::string askObjectFileName() override { return name; }
        void objectSaveFailed(const std::string& path, const std::string& reason) override {
            failed = path;
            why = reason;
        }
    } answers;
    QTemporaryDir dir;
    v.materialSource = &answers;
    v.setAssemblyCommand(Command::QuickSave);
    answers.name = QDir(dir.path()).filePath("Rock.OBJ").toStdString();
    v.pressPick = on(a);
    v.frame(true);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(answers.name)));
    EXPECT_EQ(v.busy, 0);
    v.frame(false);
    answers.name = QDir(dir.path()).filePath("missing/rock").toStdString();
    v.pressPick = on(a);
    v.frame(true);
    EXPECT_EQ(answers.failed, answers.name + ".ko");
    EXPECT_FALSE(answers.why.empty());
    v.materialSource = nullptr;
}

TEST_F(AssemblySteps, EnterOnAProfileThatMakesNoMeshInsertsNothingAndKeepsTheDrawing) {
    // two points, and three on one line
    for (int n : {2, 3}) {
        v.makeInsertTool(InsertKind::Profile, true);
        for (int i = 0; i < n; ++i) {
            v.pressPick = test::pickOn(*v.scene, a, vec3(float(i), 0, 0), {0, 0, 1});
            v.hoverPick = v.pressPick;
            v.frame(true);
            v.frame(false);
        }
        const size_t drawn = v.assemblor.picks.size();
        v.placements = {mat4()};
        test::holdQtKeys({Qt::Key_Return});
        v.frame(false, false, 101, 100);
        test::holdQtKeys({});
        EXPECT_TRUE(v.undoStack.acts.empty()) << n;
        EXPECT_NE(v.busy, 0) << n;
        EXPECT_EQ(v.assemblor.picks.size(), drawn) << n;
        ASSERT_EQ(v.pendingTool->element->typeCode, CurveType) << n;
        test::holdQtKeys({Qt::Key_Escape});
        v.frame(false, false, 102, 100);
        test::holdQtKeys({});
    }
}

TEST_F(AssemblySteps, EnterOnADrawnProfileMakesItsMesh) {
    v.makeInsertTool(InsertKind::Profile, true);
    ASSERT_EQ(v.command, Command::Draw);
    const vec3 corners[4] = {vec3(0, 0, 0), vec3(2, 0, 0), vec3(2, 1, 0), vec3(0, 1, 0)};
    for (int i = 0; i < 4; ++i) {
        v.pressPick = test::pickOn(*v.scene, a, corners[i], {0, 0, 1});
        v.hoverPick = v.pressPick;
        v.frame(true);
        v.frame(false);
    }
    ASSERT_EQ(v.pendingTool->element->typeCode, CurveType); // the outline while it is drawn
    v.placements = {mat4()};
    test::holdQtKeys({Qt::Key_Return});
    v.frame(false, false, 101, 100);
    test::holdQtKeys({});
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.busy, 0);
    // the added object carries a closed solid of the outline, not the curve
    std::vector<Tool*> all;
    v.scene->sceneRoot->enumerate(all);
    int profiles = 0;
    for (Tool* t : all) {
        if (!t->element || t->element == a->element || t->element == b->element) continue;
        ASSERT_EQ(t->element->typeCode, MeshType);
        EXPECT_GT(static_cast<Mesh*>(t->element)->triangleCount(), 2);
        ++profiles;
    }
    EXPECT_EQ(profiles, 1);
}
