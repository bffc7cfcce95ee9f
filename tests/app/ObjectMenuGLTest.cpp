// The Ctrl + right click menu in the shown window: headed by the object's kind, and acting on
// the object under the click even after the view's pick moved on; and the mode keys.
#include "ShownWindow.h"

#include "elements/Clay.h"
#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "tools/Array.h"
#include "tools/BiTool.h"

#include <QMenu>

#include <algorithm>

using kal::test::ShownWindow;

namespace {

kal::Tool* place(kal::GLView& v, kal::Element* e) {
    return v.scene->sceneRoot->addChild(new kal::Tool(e, kal::mat4(), kal::pbr(), false), false);
}

// Opens the menu as a Ctrl + right click on tool would; true once the popup is up.
bool openMenuOn(MainWindow& w, kal::Tool* tool, QMenu* expected) {
    w.view()->pressPick.object = tool;
    w.openMenu();
    return QTest::qWaitFor([&] { return expected->isVisible(); }, 2000);
}

void closeMenu(QMenu* menu) {
    menu->hide();
    QTest::qWait(20); // the kept pick goes once the hide has run its course
}

} // namespace

TEST_F(ShownWindow, contextMenuFitsTheObjectAndKeepsItsPick) {
    kal::GLView& v = view();
    ASSERT_TRUE(openMenuOn(*w, nullptr, ui().menuRender));
    closeMenu(ui().menuRender);

    kal::Tool* icosahedron = place(v, kal::Mesh::createIcosahedron());
    kal::Tool* cube = place(v, kal::Mesh::createCube());
    ui().actionAs_Clay->setVisible(false); // as an opening on clay leaves it
    ASSERT_TRUE(openMenuOn(*w, icosahedron, ui().menuObject));
    EXPECT_EQ(ui().actionType->text(), "TRI-MESH");
    EXPECT_EQ(ui().actionType->icon().cacheKey(), ui().actionConvert_To_Tri_Mesh->icon().cacheKey());
    EXPECT_FALSE(ui().actionAs_Tri_Mesh->isVisible() || ui().actionUniform->isVisible());
    EXPECT_TRUE(ui().actionAs_Clay->isVisible());

    // the view picks something else while the popup is up; the entry still means the icosahedron
    v.pressPick.object = v.hoverPick.object = cube;
    answerWith([](const kal::Question&) { return reply(false); });
    ui().actionType->trigger();
    closeMenu(ui().menuObject);
    v.pressPick.object = cube; // after the popup, entries follow the view again
    ui().actionType->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "12 Vertices ,  20 Faces");
    EXPECT_NE(asked[1].text, asked[0].text);

    // an object that went while the popup was up leaves its entries idle
    ASSERT_TRUE(openMenuOn(*w, icosahedron, ui().menuObject));
    delete icosahedron;
    v.pressPick.object = cube;
    ui().actionType->trigger();
    ui().actionUnique->trigger();
    EXPECT_EQ(asked.size(), 2u);
    closeMenu(ui().menuObject);
    delete cube;
    v.resetPick(false);
}

TEST_F(ShownWindow, arraysAreHeadedByTheirMode) {
    kal::GLView& v = view();
    for (int32_t mode : {kal::ArrayChain, kal::ArrayZipper}) {
        auto* array = new kal::Array(kal::Curve::makeCircle(5, false), {}, {0x8001}, mode, kal::mat4(), kal::mat4(),
                                     kal::pbr(), false);
        v.scene->sceneRoot->addChild(array, false);
        ASSERT_TRUE(openMenuOn(*w, array, ui().menuObject));
        EXPECT_EQ(ui().actionType->text(), mode == kal::ArrayChain ? "CHAIN" : "ARRAY");
        closeMenu(ui().menuObject);
        delete array;
    }
    v.resetPick(false);
}

TEST_F(ShownWindow, deleteChosenInThePopupRemovesTheObjectOfTheClick) {
    kal::GLView& v = view();
    kal::Tool* kept = place(v, kal::Mesh::createCube());
    kal::Tool* doomed = place(v, kal::Mesh::createIcosahedron());
    v.scene->rebuildToolLists();
    const size_t records = v.undoStack.acts.size();
    const size_t objects = v.scene->sceneRoot->children.size();
    ASSERT_TRUE(openMenuOn(*w, doomed, ui().menuObject));
    v.pressPick.object = v.hoverPick.object = kept;
    ui().actionSimple_Delete->trigger();
    closeMenu(ui().menuObject);
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

TEST_F(ShownWindow, eitherEndOfATwoObjectToolOpensTheObjectMenuAsBinary) {
    kal::GLView& v = view();
    auto* a = new kal::BiTool(kal::BiToolCylinder, kal::Mesh::createCube(), kal::mat4(), kal::pbr(), false);
    auto* b = new kal::BiTool(kal::BiToolBare, nullptr, kal::mat4(), kal::pbr(), false);
    v.scene->sceneRoot->addChild(a, false);
    v.scene->sceneRoot->addChild(b, false);
    a->attachPartner(b);
    for (kal::Tool* end : {static_cast<kal::Tool*>(a), static_cast<kal::Tool*>(b)}) {
        ui().actionType->setText("");
        ASSERT_TRUE(openMenuOn(*w, end, ui().menuObject));
        EXPECT_EQ(ui().actionType->text(), "BINARY");
        closeMenu(ui().menuObject);
    }
    {
        kal::GLWorkGuard gl;
        delete a; // and its partner with it
    }
    v.resetPick(false);
}

TEST_F(ShownWindow, clayObjectsGetTheClayRowAndBox) {
    kal::Mesh* mesh = kal::Mesh::createIcosahedron();
    kal::Tool* tool = place(view(), new kal::Clay(mesh));
    delete mesh;
    ASSERT_TRUE(openMenuOn(*w, tool, ui().menuObject));
    EXPECT_EQ(ui().actionType->text(), "CLAY");
    EXPECT_FALSE(ui().actionAs_Clay->isVisible());
    EXPECT_TRUE(ui().actionAs_Tri_Mesh->isVisible());
    answerWith([](const kal::Question&) { return reply(false); });
    ui().actionType->trigger();
    closeMenu(ui().menuObject);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "CLAY");
    EXPECT_EQ(asked[0].text, "12 Vertices ,  20 Faces");
    {
        kal::GLWorkGuard gl;
        delete tool;
    }
    view().resetPick(false);
}

TEST_F(ShownWindow, sculptKeysReachTheirActionsInTheActiveMode) {
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::qWait(100); // a popup closed just before may still hold the keyboard
    ui().actionSmooth->trigger();
    ASSERT_EQ(view().chosenBrush, kal::Brush::Smooth);
    QTest::keyClick(w->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(view().chosenBrush, kal::Brush::Deform);
    for (bool section : {true, false}) {
        QTest::keyClick(w->windowHandle(), Qt::Key_W);
        EXPECT_EQ(view().axisSection, section);
    }
    EXPECT_EQ(ui().actionAxisSection->text(), "Axis");
    ui().actionInsert->trigger();
    EXPECT_EQ(view().chosenMode, kal::ASSEMBLY);
}

TEST_F(ShownWindow, tubesAndRevolutionsOpenTheAxisSectionMenu) {
    kal::GLView& v = view();
    auto* tube = new kal::Tool(new kal::Tube(kal::Curve::makeSegment(), kal::Curve::makeCircle(6, false)), kal::mat4(),
                               kal::pbr(), false);
    auto* revolution = new kal::Tool(new kal::Revoluton(kal::Curve::makeSegment(), kal::Curve::makeCircle(6, false)),
                                     kal::mat4(), kal::pbr(), false);
    v.scene->sceneRoot->addChild(tube, false);
    v.scene->sceneRoot->addChild(revolution, false);
    const struct {
        kal::Tool* tool;
        const char* label;
        QAction* icon;
    } rows[] = {{tube, "TUBE", ui().actionTube}, {revolution, "REVOLUTON", ui().actionRevoluton}};
    for (const auto& row : rows) {
        v.pressPick.object = row.tool;
        w->openMenu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ui().menuObject_Axis_Section->isVisible(); }, 2000));
        EXPECT_EQ(ui().actionTYPE->text(), row.label);
        EXPECT_EQ(ui().actionTYPE->icon().cacheKey(), row.icon->icon().cacheKey());
        EXPECT_FALSE(ui().menuObject->isVisible());
        ui().menuObject_Axis_Section->hide();
        QTest::qWait(20);
    }
    delete tube;
    delete revolution;
    v.resetPick(false);
}
