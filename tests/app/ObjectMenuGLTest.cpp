// The Ctrl + right click menu in the shown window: headed by the object's kind, and acting on
// the object under the click even after the view's pick moved on.
#include "ShownWindow.h"

#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

#include <QMenu>

#include <algorithm>

using kal::test::ShownWindow;

namespace {

kal::Tool* addMesh(kal::GLView& v, kal::Mesh* mesh)
{
    auto* t = new kal::Tool(mesh, kal::mat4(), kal::pbr(), false);
    return v.scene->sceneRoot->addChild(t, false);
}

} // namespace

TEST_F(ShownWindow, contextMenuFitsTheObjectAndKeepsItsPick)
{
    kal::GLView& v = view();
    v.pressPick = kal::PickRecord();
    w->openMenu();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui().menuRender->isVisible(); }, 2000));
    ui().menuRender->hide();

    kal::Tool* icosahedron = addMesh(v, kal::Mesh::createIcosahedron());
    kal::Tool* cube = addMesh(v, kal::Mesh::createCube());
    ui().actionAs_Tri_Mesh->setVisible(true);
    ui().actionAs_Clay->setVisible(false);  // as an opening on clay would leave it
    v.pressPick.object = icosahedron;
    w->openMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui().menuObject->isVisible(); }, 2000));
    EXPECT_EQ(ui().actionType->text(), "TRI-MESH");
    EXPECT_EQ(ui().actionType->icon().cacheKey(), ui().actionConvert_To_Tri_Mesh->icon().cacheKey());
    EXPECT_FALSE(ui().actionAs_Tri_Mesh->isVisible());
    EXPECT_FALSE(ui().actionUniform->isVisible());
    EXPECT_TRUE(ui().actionAs_Clay->isVisible());

    // the view picks something else while the popup is up; the entry still means the icosahedron
    v.pressPick.object = cube;
    v.hoverPick.object = cube;
    answerWith([](const kal::Question&) { return kal::Reply(); });
    ui().actionType->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "12 Vertices ,  20 Faces");
    ui().menuObject->hide();
    QTest::qWait(20);

    // after the popup, entries follow the view again
    v.pressPick.object = cube;
    ui().actionType->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[1].text, asked[0].text);

    // an object that went while the popup was up leaves its entries idle
    v.pressPick.object = icosahedron;
    w->openMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui().menuObject->isVisible(); }, 2000));
    delete icosahedron;
    v.pressPick.object = cube;
    ui().actionType->trigger();
    ui().actionUnique->trigger();
    EXPECT_EQ(asked.size(), 2u);
    ui().menuObject->hide();
    QTest::qWait(20);
    delete cube;
    v.resetPick(false);
}

TEST_F(ShownWindow, deleteChosenInThePopupRemovesTheObjectOfTheClick)
{
    kal::GLView& v = view();
    kal::Tool* kept = addMesh(v, kal::Mesh::createCube());
    kal::Tool* doomed = addMesh(v, kal::Mesh::createIcosahedron());
    v.scene->rebuildToolLists();
    const size_t records = v.undoStack.acts.size();
    const size_t objects = v.scene->sceneRoot->children.size();
    v.pressPick.object = doomed;
    w->openMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui().menuObject->isVisible(); }, 2000));
    v.pressPick.object = kept;
    v.hoverPick.object = kept;
    ui().actionSimple_Delete->trigger();
    ui().menuObject->hide();
    QTest::qWait(20);
    const std::vector<kal::Tool*>& placed = v.scene->sceneRoot->children;
    EXPECT_EQ(std::count(placed.begin(), placed.end(), kept), 1);
    EXPECT_EQ(std::count(placed.begin(), placed.end(), doomed), 0);
    EXPECT_EQ(v.undoStack.acts.size(), records + 1);

    v.busy = 1;
    ui().actionUndo->trigger();
    v.busy = 0;
    EXPECT_EQ(v.undoStack.cursor, int(records));
    ui().actionUndo->trigger();
    EXPECT_EQ(v.scene->sceneRoot->children.size(), objects);
    v.clearScene();
}
