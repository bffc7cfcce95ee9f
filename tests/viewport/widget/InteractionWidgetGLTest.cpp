// Clicks through the real widget: mouse events reach the raw records, each tick runs one frame of a
// view whose picks the test gives, and the widget tells the window when a gesture runs.
#include <cmath>

#include <QCursor>
#include <QEventLoop>
#include <QOpenGLContext>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "WidgetFixture.h"
#include "scene/Acts.h"

using namespace kal;

namespace {

class Interaction : public test::StepViewWidgetTest {
protected:
    std::vector<test::GestureCall> calls;
    std::vector<bool> inAction;
    Tool* tool = nullptr;

    void SetUp() override {
        StepViewWidgetTest::SetUp();
        if (HasFatalFailure()) return;
        tool = test::addSceneObject(*view->scene, new test::RecordingMesh(&calls), mat4::translation(vec3(0, 1, 0)));
        QObject::connect(w, &GLWidget::setInAction, [this](bool busy) { inAction.push_back(busy); });
        enterWidget();
    }
};

} // namespace

TEST_F(Interaction, AStrokeReleasedOutsideIsFinishedAndTheWindowUnlocks) {
    view->setMode(SCULPT);
    view->setSculptBrush(Brush::Move);
    view->sculptPick = test::pickOn(*view->scene, tool, {0.3f, 1, 0}, {0, 0, 1});
    hoverAndPress(QPoint(100, 100));
    w->tick();
    EXPECT_EQ(inAction, (std::vector<bool>{true}));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave); // the button comes up beyond the widget
    w->tick();
    w->tick();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().states, (std::vector<int>{3}));
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(inAction, (std::vector<bool>{true, false}));
}

// Press and release between two ticks (a quick tap): the first frame sees the press, the next one
// the release, so the stroke begins and ends as it would for a slower click.
TEST_F(Interaction, AClickShorterThanATickBeginsAndEndsTheStroke) {
    view->setMode(SCULPT);
    view->setSculptBrush(Brush::Move);
    view->sculptPick = test::pickOn(*view->scene, tool, {0.3f, 1, 0}, {0, 0, 1});
    moveTo(QPoint(101, 100));
    w->tick();
    moveTo(QPoint(100, 100));
    w->tick();
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 100));
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(100, 100));
    w->tick();
    w->tick();
    w->tick();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].states, (std::vector<int>{GestureBegun}));
    EXPECT_EQ(calls[1].states, (std::vector<int>{GestureFinished}));
    EXPECT_TRUE(view->sculptors.empty());
    EXPECT_EQ(inAction, (std::vector<bool>{true, false}));
}

TEST_F(Interaction, AMirroredComponentDeleteFromTheMenuErasesAtBothCopies) {
    const uint8_t mirrorX[6] = {1, 0, 0, 0, 0, 0};
    view->setSymmetry(mirrorX, 6);
    view->setMode(SCULPT);
    view->pressX = 100;
    view->pressY = 100;
    view->sculptPick = test::pickOn(*view->scene, tool, {0.3f, 1, 0}, {0, 0, 1});
    w->restartTimer();
    test::glContext()->makeCurrent(test::glSurface()); // the menu runs outside the widget's context
    ASSERT_TRUE(view->deleteByMode(tool, 2, false));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].states, (std::vector<int>{3, 3}));
    EXPECT_EQ(calls[0].actions, (std::vector<Brush>{Brush::EraseComponent, Brush::EraseComponent}));
    EXPECT_EQ(calls[0].handedness, (std::vector<int>{1, -1}));
    EXPECT_NE(w->timerId, 0) << "the tick resumes after the menu's GL work";
    EXPECT_EQ(QOpenGLContext::currentContext(), test::glContext());
}

TEST_F(Interaction, AModalQuestionInsideAStepRunsNoNestedFrame) {
    struct Question : test::NoDialog {
        QOpenGLContext* during = nullptr;
        int framesDuring = -1;
        int* frames = nullptr;
        bool askRotationMultiplicity(double& v) override {
            const int start = *frames;
            QEventLoop loop; // as a modal dialog would: the widget's timer keeps firing
            QTimer::singleShot(120, &loop, &QEventLoop::quit);
            loop.exec();
            framesDuring = *frames - start;
            during = QOpenGLContext::currentContext();
            v = 3.0;
            return true;
        }
    } question;
    int frames = 0;
    question.frames = &frames;
    w->actionStatesHook = [&] { ++frames; };
    view->materialSource = &question;
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::RotateMultiplicity);
    view->pressPick = test::pickOn(*view->scene, tool, {0, 1, 0}, {0, 0, 1});
    moveTo(QPoint(100, 100));
    w->tick();
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 100));
    w->tick();
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(100, 100));
    w->restartTimer();
    w->tick();
    w->stopTicks();
    EXPECT_EQ(question.framesDuring, 0);
    EXPECT_EQ(question.during, w->context()) << "the frame's context stays current under the question";
    EXPECT_EQ(tool->multiplicity, 3.0f);
    view->materialSource = nullptr;
}

namespace {

// Its frame picks under the cursor as the real one does; the pick maps a pixel to 0.01 units.
class PickingView : public test::StepView {
public:
    Texture2D* render() override {
        if (isCursorInView()) pickForFrame();
        redraw = false;
        return nullptr;
    }
};

class PressWithoutMotion : public test::StepViewWidgetTest, public ::testing::WithParamInterface<bool> {
protected:
    test::StepView* makeView() override { return new PickingView; }
    static vec3 at(float x, float y) { return {x / 100.0f, -y / 100.0f, 0.0f}; }
};

} // namespace

// A pen, a touch or a loaded machine delivers a press with no motion before it, and the pointer
// has moved on by the next tick: the placement still starts at the press, sized by the drag. So
// too when the pointer came to the press while the view was left (over the status bar), where no
// frame picks. The release that follows a motion no tick saw ends it at the release.
TEST_P(PressWithoutMotion, PlacesFromThePressToTheReleaseNotWhereTheCursorWasLastSeen) {
    const bool cameBackFromOutside = GetParam();
    Tool* target = test::addSceneObject(*view->scene, new Mesh, mat4());
    view->assemblyPick = [this, target](int, const PickRecord*) {
        PickRecord r = test::pickOn(*view->scene, target, at(view->lastCursorX, view->lastCursorY), {0, 0, 1});
        r.cursorX = view->lastCursorX;
        r.cursorY = view->lastCursorY;
        r.pixelVector = {0.01f, 0, 0};
        return r;
    };
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Place);
    enterWidget();
    moveTo(QPoint(40, 40));
    w->tick();
    if (cameBackFromOutside) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
        moveTo(QPoint(200, 150));
        w->tick();
        enterWidget();
    }
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(200, 150));
    for (int d : {10, 30, 50}) {
        // no event is handled until the release: the platform never saw this press, and a focus
        // change would have the view follow the platform's buttons
        QCursor::setPos(w->mapToGlobal(QPoint(200 + d, 150 + d)));
        w->tick();
    }
    w->tick();
    ASSERT_EQ(view->placements.size(), 1u);
    const mat4& p = view->placements[0];
    EXPECT_NEAR((p.translation() - at(200, 150)).length(), 0.0f, 1e-4f);
    EXPECT_NEAR(transformDirection(vec3(1, 0, 0), p).length(), 0.01f * std::hypot(50.0f, 50.0f), 1e-4f);
    QCursor::setPos(w->mapToGlobal(QPoint(280, 230)));
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(280, 230));
    w->tick();
    w->tick();
    ASSERT_EQ(view->undoStack.acts.size(), 1u);
    ASSERT_EQ(view->undoStack.acts[0]->kind, ActAddKind);
    const auto* added = static_cast<const ActObjectAdd*>(view->undoStack.acts[0]);
    ASSERT_EQ(added->placements.size(), 1u);
    const mat4& q = added->placements[0];
    EXPECT_NEAR((q.translation() - at(200, 150)).length(), 0.0f, 1e-4f);
    EXPECT_NEAR(transformDirection(vec3(1, 0, 0), q).length(), 0.01f * std::hypot(80.0f, 80.0f), 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Pointer, PressWithoutMotion, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "CameBackFromOutside" : "StayedInTheView"; });
