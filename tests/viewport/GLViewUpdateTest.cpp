#include <chrono>
#include <new>
#include <thread>

#include <gtest/gtest.h>

#include "ViewFixtures.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

using namespace kal;
using test::CountingAct;
using test::RecordingView;

namespace {

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApplication();
        test::resetInput();
    }
    void TearDown() override { test::resetInput(); }

    // A view past its start-up frames with the cursor inside, animation off so only input redraws.
    static void ready(RecordingView& v) {
        v.animate = false;
        v.finishStartup();
        v.restoreInputState();
        rawMouse.x = 100;
        rawMouse.y = 100;
        v.update();
        v.calls.clear();
    }
};

std::vector<std::string> steps(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (c == "key" || c == "press" || c == "release" || c == "drag" || c == "render") out.push_back(c);
    return out;
}

} // namespace

TEST_F(Frame, StartupLoadsRendersThenBuildsTheEnvironmentOnFrameThree) {
    RecordingView v;
    Texture2D* first = v.update();
    // frame 0 draws the simple image, then its normal pass draws again because animation is on
    EXPECT_EQ(v.count("render"), 2);
    EXPECT_EQ(first, RecordingView::image());
    EXPECT_TRUE(v.renderSimple);
    v.update();
    v.update();
    EXPECT_EQ(v.startupFrame, 3);
    v.calls.clear();
    rawMouse.wheel = 120;
    EXPECT_EQ(v.update(), nullptr);
    EXPECT_EQ(v.calls, std::vector<std::string>{"buildEnvironment"});
    EXPECT_EQ(v.startupFrame, 4);
    EXPECT_FALSE(v.renderSimple);
    EXPECT_EQ(rawMouse.wheel, 120.0f); // frame 3 reads no input
    EXPECT_FLOAT_EQ(v.camera.scale, 1.0f);
    EXPECT_EQ(v.update(), RecordingView::image()) << "the first frame with the environment draws";
    EXPECT_EQ(v.startupFrame, 4);
    EXPECT_EQ(v.count("buildEnvironment"), 1);
    rawMouse.wheel = 0;
    EXPECT_EQ(v.update(), nullptr) << "animated, but nothing in the scene changes with time";
}

TEST_F(Frame, AnAnimatedSceneDeeperThanTheCallStackRedrawsOnlyForWhatTimeMoves) {
    struct DrawnByTime : Element {
        DrawnByTime() : Element(LightningType) {}
    };
    RecordingView v;
    v.scene = new Scene;
    Tool* t = v.scene->sceneRoot;
    for (int i = 0; i < 200000; ++i) t = t->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
    v.finishStartup();
    v.update(); // the first image with the environment
    EXPECT_EQ(v.update(), nullptr);
    t->addChild(new Tool(new DrawnByTime, mat4(), pbr(), false), false);
    EXPECT_EQ(v.update(), RecordingView::image()) << "a bolt at the bottom of the chain moves with time";
}

TEST_F(Frame, WithoutAnimationTheStartupStillShowsItsFirstImage) {
    RecordingView v;
    v.animate = false;
    EXPECT_EQ(v.update(), RecordingView::image());
}

TEST_F(Frame, InputRunsTheFourStepsInOrderBeforeTheRender) {
    RecordingView v;
    ready(v);
    rawMouse.x = 120;
    v.update();
    EXPECT_EQ(steps(v.calls), (std::vector<std::string>{"key", "press", "release", "drag", "render"}));
}

TEST_F(Frame, AFrameWithoutInputRunsNoStepAndDrawsNothing) {
    RecordingView v;
    ready(v);
    EXPECT_EQ(v.update(), nullptr);
    EXPECT_TRUE(v.calls.empty());
}

TEST_F(Frame, ButtonEdgeKeyChangeAndBackspaceEachCountAsInput) {
    RecordingView v;
    ready(v);
    rawMouse.left = 1;
    v.update();
    EXPECT_EQ(v.count("press"), 1);
    EXPECT_EQ(frameMouse.prevLeft, 0);
    EXPECT_EQ(frameMouse.left, 1);
    v.update(); // held, not moving: no new input
    EXPECT_EQ(v.count("press"), 1);
    test::sendKey(Qt::Key_Shift, true);
    v.update();
    EXPECT_EQ(v.count("press"), 2);
    backspaceRequest = 1;
    v.update();
    EXPECT_EQ(v.count("press"), 3);
    EXPECT_EQ(backspaceRequest, 0);
}

TEST_F(Frame, CursorOnTheBorderOrOutsideRunsNoStep) {
    RecordingView v(200, 200);
    ready(v);
    rawMouse.x = 0; // the one-pixel margin
    v.update();
    EXPECT_EQ(v.count("press"), 0);
    v.clearInputState();
    rawMouse.x = 50;
    v.update();
    EXPECT_EQ(v.count("press"), 0);
}

TEST_F(Frame, WheelOutsideTheViewStillZoomsAndIsConsumed) {
    RecordingView v;
    ready(v);
    v.clearInputState();
    rawMouse.wheel = 120;
    v.update();
    EXPECT_NEAR(v.camera.scale, 0.88f, 1e-6f);
    EXPECT_EQ(rawMouse.wheel, 0.0f);
    v.update(); // the same notch is not applied twice
    EXPECT_NEAR(v.camera.scale, 0.88f, 1e-6f);
}

TEST_F(Frame, ShiftCtrlWheelResetsPanAndZoomButKeepsRotation) {
    RecordingView v;
    ready(v);
    v.rotateView(0.3f, 0.2f, 0.1f);
    mat3 r = v.camera.rotation;
    v.panView(5, 6, 7);
    v.zoomView(0.5f);
    test::sendKey(Qt::Key_Shift, true);
    test::sendKey(Qt::Key_Control, true);
    rawMouse.wheel = -120;
    v.update();
    EXPECT_FLOAT_EQ(v.camera.scale, 1.0f);
    EXPECT_FLOAT_EQ(v.camera.translation.x, 0.0f);
    EXPECT_TRUE(v.camera.rotation == r);
}

TEST_F(Frame, CtrlWheelScalesTheBrushShiftWheelZoomsFinely) {
    RecordingView v;
    ready(v);
    test::sendKey(Qt::Key_Control, true);
    rawMouse.wheel = 120;
    v.update();
    EXPECT_NEAR(v.brushSize, 264.0f, 1e-3f);
    EXPECT_FLOAT_EQ(v.camera.scale, 1.0f);
    test::sendKey(Qt::Key_Control, false);
    test::sendKey(Qt::Key_Shift, true);
    rawMouse.wheel = 120;
    v.update();
    EXPECT_NEAR(v.camera.scale, 1.0f - 120.0f / 10000.0f, 1e-6f);
}

TEST_F(Frame, LeavingDuringPlaceIdlesAndEnteringRestoresTheChosenModeAndCommand) {
    RecordingView v;
    ready(v);
    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(Command::Place);
    v.command = Command::Move; // overridden for the length of a click
    v.clearInputState();
    EXPECT_EQ(v.mode, IDLE);
    EXPECT_EQ(v.chosenMode, ASSEMBLY);
    EXPECT_EQ(v.command, Command::Place);
    EXPECT_TRUE(v.outside);
    v.restoreInputState();
    EXPECT_EQ(v.mode, ASSEMBLY);
    EXPECT_FALSE(v.outside);
}

TEST_F(Frame, EnteringResetsTheKeyTableSoAHeldKeyIsPressedAgain) {
    RecordingView v;
    ready(v);
    test::sendKey(Qt::Key_A, true);
    v.update();
    EXPECT_TRUE(keyboard.isDown('A'));
    v.clearInputState();
    v.restoreInputState();
    EXPECT_FALSE(keyboard.isDown('A'));
    v.update();
    EXPECT_TRUE(keyboard.pressed('A'));
}

TEST_F(Frame, NestedFrameInsideAStepReturnsNullAndChangesNothing) {
    RecordingView v;
    ready(v);
    Texture2D* nested = RecordingView::image();
    v.onPress = [&] {
        rawMouse.wheel = 120; // would zoom if the nested frame ran
        nested = v.update();
    };
    rawMouse.x = 140;
    v.update();
    EXPECT_EQ(nested, nullptr);
    EXPECT_EQ(v.count("press"), 1);
    EXPECT_FLOAT_EQ(v.camera.scale, 1.0f);
    EXPECT_TRUE(v.frameReady);
}

TEST_F(Frame, AStepThatRunsOutOfMemoryEndsItsGestureTellsTheUserAndTheNextFrameRuns) {
    struct Told : MaterialEditSource {
        int outOfMemoryCalls = 0;
        pbr currentMaterial() override { return pbr(); }
        uint8_t currentMask() override { return 0; }
        bool dialogOpen() override { return false; }
        bool accepted() override { return false; }
        void outOfMemory() override { ++outOfMemoryCalls; }
    } told;
    RecordingView v;
    v.materialSource = &told;
    ready(v);
    v.busy = 1;
    v.onPress = [] { throw std::bad_alloc(); };
    rawMouse.x = 140;
    EXPECT_EQ(v.update(), nullptr);
    EXPECT_EQ(told.outOfMemoryCalls, 1);
    EXPECT_TRUE(v.frameReady);
    EXPECT_EQ(v.busy, 0);
    v.onPress = nullptr;
    v.calls.clear();
    rawMouse.x = 150;
    v.update();
    EXPECT_EQ(steps(v.calls), (std::vector<std::string>{"key", "press", "release", "drag", "render"}));
}

TEST_F(Frame, ResizeInsideAFrameDoesNotReopenIt) {
    RecordingView v;
    ready(v);
    Texture2D* nested = RecordingView::image();
    v.onPress = [&] {
        v.resize(640, 480);
        nested = v.update();
    };
    rawMouse.x = 140;
    v.update();
    EXPECT_EQ(nested, nullptr);
    EXPECT_EQ(v.width, 640);
    EXPECT_TRUE(v.frameReady);
}

TEST(AnimationClock, CountsWallTimeNotProcessorTime) {
    RecordingView v;
    const int64_t start = v.startClock;
    // sleeping burns no processor time; a processor clock would not move
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(GLView::monotonicMilliseconds() - start, 30);
}

// --- undo driver ---

class Undo : public Frame {
protected:
    RecordingView v;
    std::vector<CountingAct*> records;
    int live = 0;

    void push(int n) {
        for (int i = 0; i < n; ++i) {
            records.push_back(new CountingAct(&live));
            v.undoStack.push(records.back());
        }
    }
};

TEST_F(Undo, UndoRevertsAtTheCursorAndRedoReappliesTheSameRecord) {
    push(1);
    v.undo();
    EXPECT_FALSE(records[0]->applied);
    EXPECT_EQ(v.undoStack.cursor, -1);
    v.undo(); // nothing left to revert
    EXPECT_EQ(records[0]->toggles, 1);
    v.redo();
    EXPECT_TRUE(records[0]->applied);
    EXPECT_EQ(v.undoStack.cursor, 0);
    v.redo();
    EXPECT_EQ(records[0]->toggles, 2);
}

TEST_F(Undo, UndoAndRedoResetThePressPickAndTheModeEvenWithNothingToDo) {
    v.mode = ASSEMBLY;
    v.pressPick.kind = 1;
    v.redraw = false;
    v.undo();
    EXPECT_EQ(v.pressPick.kind, kPickNothing);
    EXPECT_EQ(v.mode, IDLE);
    EXPECT_TRUE(v.redraw);
    v.mode = ASSEMBLY;
    v.redo();
    EXPECT_EQ(v.mode, IDLE);
}

TEST_F(Undo, NothingHappensWhileAGestureRuns) {
    push(2);
    v.undo();
    v.busy = 2;
    v.mode = ASSEMBLY;
    v.pressPick.kind = 1;
    v.redraw = false;
    v.undo();
    v.redo();
    EXPECT_EQ(records[0]->toggles + records[1]->toggles, 1);
    EXPECT_EQ(v.undoStack.cursor, 0);
    EXPECT_EQ(v.mode, ASSEMBLY);
    EXPECT_EQ(v.pressPick.kind, 1);
    EXPECT_FALSE(v.redraw);
}

// --- live material edit ---

namespace {

class FakeDialog : public MaterialEditSource {
public:
    pbr material;
    uint8_t mask = kPbrColor;
    bool open = true;
    bool wasAccepted = false;
    pbr currentMaterial() override { return material; }
    uint8_t currentMask() override { return mask; }
    bool dialogOpen() override { return open; }
    bool accepted() override { return wasAccepted; }
};

} // namespace

class LiveMaterial : public Undo {
protected:
    FakeDialog dialog;
    Tool* tool = nullptr;

    void SetUp() override {
        Undo::SetUp();
        tool = new Tool(nullptr, mat4(), pbr(), false);
        tool->flags |= PlacedFlag; // linked edits reach placed tools only
        ready(v);
        push(1); // an earlier command
        v.undoStack.push(material = new CountingAct(&live));
        v.materialSource = &dialog;
        v.materialTool = tool;
        v.liveMaterial = true;
        dialog.material.red = 1000;
    }
    void TearDown() override {
        delete tool;
        Undo::TearDown();
    }
    CountingAct* material = nullptr;
};

TEST_F(LiveMaterial, FollowsTheDialogEveryFrameAndRenders) {
    EXPECT_NE(v.update(), nullptr);
    EXPECT_EQ(tool->material.red, 1000);
    EXPECT_TRUE(v.liveMaterial);
    dialog.material.red = 2000;
    v.update();
    EXPECT_EQ(tool->material.red, 2000);
}

TEST_F(LiveMaterial, CancelRevertsTheRecordPushedWhenTheEditBegan) {
    v.update();
    dialog.open = false;
    v.update();
    EXPECT_FALSE(v.liveMaterial);
    EXPECT_EQ(v.materialTool, nullptr);
    EXPECT_EQ(material->toggles, 1);
    EXPECT_EQ(v.undoStack.cursor, 0);
    EXPECT_EQ(v.undoStack.acts.size(), 2u); // kept as redo
}

TEST_F(LiveMaterial, AcceptedWithoutChangeDropsTheRecord) {
    material->effect = false;
    dialog.open = false;
    dialog.wasAccepted = true;
    v.update();
    EXPECT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.undoStack.cursor, 0);
    EXPECT_EQ(live, 1);
}

TEST_F(LiveMaterial, AcceptedWithAChangeKeepsTheRecord) {
    dialog.open = false;
    dialog.wasAccepted = true;
    v.update();
    EXPECT_EQ(v.undoStack.acts.size(), 2u);
    EXPECT_EQ(v.undoStack.cursor, 1);
    EXPECT_EQ(material->toggles, 0);
}

TEST_F(LiveMaterial, ACancelAndAPressInOneFrameRevertTheMaterialRecordNotThePressRecord) {
    v.update();
    dialog.open = false;
    CountingAct* pressed = nullptr;
    v.onPress = [&] { v.undoStack.push(pressed = new CountingAct(&live)); };
    rawMouse.left = 1;
    v.update();
    v.onPress = nullptr;
    ASSERT_NE(pressed, nullptr);
    EXPECT_EQ(pressed->toggles, 0) << "the gesture's before-state must stay in effect";
    EXPECT_EQ(v.undoStack.acts.back(), pressed);
    EXPECT_EQ(v.undoStack.cursor, int32_t(v.undoStack.acts.size()) - 1) << "Undo must reach the gesture first";
}

TEST_F(LiveMaterial, AnEditWithoutADialogEndsInsteadOfFollowingNothing) {
    v.materialSource = nullptr;
    v.update();
    EXPECT_FALSE(v.liveMaterial);
    EXPECT_EQ(material->toggles, 1); // treated as cancelled
}
