// The main road through the shown window as a user takes it: the cursor moved over the viewport,
// mouse and key events sent to it, frames run by the viewport's own timer, picks read from the
// images it rendered. What is checked is what the user sees: pixels of the presented image and
// the objects of the scene.
#include "ShownWindow.h"

#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/MouseState.h"

#include <QCursor>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

using kal::test::ShownWindow;

namespace {

// The viewport's window is the one every window test shares (GPU objects live in its context),
// so these helpers take it rather than make a suite of their own.
GLWidget* viewportOf(MainWindow& w) { return w.glWidget; }

// The cursor to p in the viewport, and frames until one has seen it there.
bool hover(GLWidget* viewport, QPoint p) {
    QCursor::setPos(viewport->mapToGlobal(p));
    return QTest::qWaitFor([&] { return kal::frameMouse.x == float(p.x()) && kal::frameMouse.y == float(p.y()); },
                           5000);
}

void send(GLWidget* viewport, QEvent::Type type, Qt::MouseButtons buttons, QPoint p) {
    QMouseEvent e(type, QPointF(p), QPointF(viewport->mapToGlobal(p)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
}

// Press and release with no frame between them: a quick tap.
void tap(GLWidget* viewport, QPoint p) {
    send(viewport, QEvent::MouseButtonPress, Qt::LeftButton, p);
    send(viewport, QEvent::MouseButtonRelease, Qt::NoButton, p);
}

// Some frames run, then the last image is presented.
QImage settledImage(GLWidget* viewport) {
    int ticks = 0;
    viewport->actionStatesHook = [&] { ++ticks; };
    (void)QTest::qWaitFor([&] { return ticks >= 4; }, 5000);
    viewport->actionStatesHook = nullptr;
    return viewport->grabFramebuffer();
}

bool sameColour(const QImage& image, QPoint a, QPoint b) {
    const qreal s = image.devicePixelRatio();
    return image.pixel(int(a.x() * s), int(a.y() * s)) == image.pixel(int(b.x() * s), int(b.y() * s));
}

std::vector<kal::vec3> positionsOf(kal::Tool* t) {
    std::vector<kal::vec3> out;
    static_cast<kal::Mesh*>(t->element)->collectPositions(out);
    return out;
}

bool sameMatrix(const kal::mat4& a, const kal::mat4& b) {
    for (int i = 0; i < 16; ++i)
        if (std::fabs(a.m[i] - b.m[i]) > 1e-4f * (1.0f + std::fabs(a.m[i]))) return false;
    return true;
}

} // namespace

// Full interface, Insert with a new sphere, mirror X on (the start setting): a tap inserts the
// sphere under the cursor and its mirror image, Ctrl+Z takes both away, Ctrl+Shift+Z brings them
// back; they survive Save, New and Open; a Deform drag in Sculpt moves the surface under it.
TEST_F(ShownWindow, tapInsertsUndoRedoesSavesOpensAndSculpts) {
    kal::GLView& v = view();
    GLWidget* viewport = viewportOf(*w);
    // Open puts a new scene in place: ask for its objects each time
    auto objects = [&v]() -> std::vector<kal::Tool*>& { return v.scene->sceneRoot->children; };
    answerWith([](const kal::Question&) { return reply(true); });
    ui().actionNew->trigger();
    ASSERT_TRUE(objects().empty());
    const bool simple = w->simpleMode();
    if (simple) ui().actionFULL_MODE->trigger();
    ui().actionSphere->trigger();
    ui().actionInsert->trigger();
    ASSERT_EQ(v.chosenCommand, kal::Command::Insert);
    v.setBrushSize(30); // the sphere's radius in pixels
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));

    const QPoint centre(viewport->width() / 2, viewport->height() / 2);
    const QPoint at = centre + QPoint(-100, 0), mirrored = centre + QPoint(100, 0);
    const QPoint aside = at + QPoint(0, 60); // beyond the sphere's radius
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(viewport, &enter);
    ASSERT_TRUE(hover(viewport, at + QPoint(1, 0)));
    ASSERT_TRUE(hover(viewport, at));
    const QImage empty = settledImage(viewport);
    ASSERT_TRUE(sameColour(empty, at, centre));

    tap(viewport, at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return objects().size() == 2; }, 5000));
    const QImage inserted = settledImage(viewport);
    EXPECT_FALSE(sameColour(inserted, at, aside)) << "a sphere under the cursor";
    EXPECT_FALSE(sameColour(inserted, mirrored, mirrored + QPoint(0, 60))) << "its mirror image";
    EXPECT_TRUE(sameColour(inserted, centre, aside)) << "nothing between them";
    const kal::mat4 first = objects()[0]->composeMatrix(), second = objects()[1]->composeMatrix();

    QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(objects().empty());
    EXPECT_TRUE(sameColour(settledImage(viewport), at, aside));
    QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(objects().size(), 2u);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("two spheres.k");
    answerWith([&](const kal::Question&) { return files({file}); });
    ui().actionSave->trigger();
    answerWith([](const kal::Question&) { return reply(true); });
    ui().actionNew->trigger();
    ASSERT_TRUE(objects().empty());
    answerWith([&](const kal::Question&) { return files({file}); });
    ui().actionOpen->trigger();
    ASSERT_EQ(objects().size(), 2u);
    EXPECT_TRUE(sameMatrix(objects()[0]->composeMatrix(), first));
    EXPECT_TRUE(sameMatrix(objects()[1]->composeMatrix(), second));
    const QImage reopened = settledImage(viewport);
    EXPECT_FALSE(sameColour(reopened, at, aside));
    EXPECT_FALSE(sameColour(reopened, mirrored, mirrored + QPoint(0, 60)));

    ui().actionDeform->trigger();
    ASSERT_EQ(v.chosenMode, kal::SCULPT);
    std::vector<std::vector<kal::vec3>> before;
    for (kal::Tool* t : objects()) before.push_back(positionsOf(t));
    ASSERT_TRUE(hover(viewport, at + QPoint(1, 0)));
    ASSERT_TRUE(hover(viewport, at));
    send(viewport, QEvent::MouseButtonPress, Qt::LeftButton, at);
    for (int step = 1; step <= 4; ++step) ASSERT_TRUE(hover(viewport, at + QPoint(0, -4 * step)));
    send(viewport, QEvent::MouseButtonRelease, Qt::NoButton, at + QPoint(0, -16));
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.busy == 0; }, 5000));
    int moved = 0;
    for (size_t i = 0; i < objects().size(); ++i) {
        const std::vector<kal::vec3> after = positionsOf(objects()[i]);
        ASSERT_EQ(after.size(), before[i].size());
        for (size_t k = 0; k < after.size(); ++k) moved += (after[k] - before[i][k]).length() > 1e-6f;
    }
    EXPECT_GT(moved, 0) << "the drag moved no vertex";

    // the shared window goes back to how the others expect it
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(viewport, &leave);
    answerWith([](const kal::Question&) { return reply(true); });
    ui().actionNew->trigger();
    ui().actionMaterial->trigger();
    if (simple) ui().actionFULL_MODE->trigger();
    EXPECT_EQ(v.chosenMode, kal::ASSEMBLY);
}
