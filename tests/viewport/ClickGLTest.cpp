// Clicks through whole frames of a real view: the press and release read the picks the frame
// before drew. Insert puts the library's default sphere where the cursor is; a Deform stroke
// moves the surface under the brush; a drag the view saw no press for changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/Mesh.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "FrameViewFixture.h"

using namespace kal;

namespace {

using Click = test::FrameView;

} // namespace

TEST_F(Click, AClickInsertsTheDefaultSphereUnderTheCursorAndUndoRemovesIt) {
    v->setMode(ASSEMBLY);
    v->setAssemblyCommand(Command::Insert);
    v->restoreInputState();
    ASSERT_NE(v->pendingTool, nullptr);
    frameAt(60, 50, false); // draws and picks under the cursor
    frameAt(60, 50, true);
    EXPECT_EQ(v->busy, 1);
    frameAt(60, 50, false);
    EXPECT_EQ(v->busy, 0);

    ASSERT_EQ(v->undoStack.acts.size(), 1u);
    EXPECT_EQ(v->undoStack.acts[0]->kind, ActAddKind);
    ASSERT_EQ(v->scene->sceneRoot->children.size(), 1u);
    Tool* sphere = v->scene->sceneRoot->children[0];
    EXPECT_EQ(sphere->element, v->pendingTool->element);
    const vec3 at = v->worldToScreen(sphere->composeMatrix().translation());
    EXPECT_NEAR(at.x, 60.0f, 1.5f);
    EXPECT_NEAR(at.y, 50.0f, 1.5f);
    v->undo();
    EXPECT_TRUE(v->scene->sceneRoot->children.empty());
}

TEST_F(Click, ADeformStrokeMovesTheSurfaceUnderTheBrush) {
    v->updateCamera();
    const float unit = v->pixelVector(false).length();
    Mesh* ico = Mesh::createIcosahedron();
    Mesh* mesh = Mesh::subdivided(ico, 2, false, true);
    delete ico;
    mat4 m = mat4::uniformScaling(30.0f * unit);
    m *= mat4::translation(v->screenToWorld(W / 2.0f, H / 2.0f, v->focusDepth()));
    Tool* t = v->scene->sceneRoot->addChild(new Tool(mesh, m, pbr(), false), false);
    t->flags |= PlacedFlag;
    v->scene->rebuildToolLists();
    std::vector<vec3> before;
    for (int i = 0; i < mesh->vertexCount(); ++i) before.push_back(mesh->vertices[i].position);

    v->setMode(SCULPT);
    v->setSculptBrush(Brush::Deform); // Deform: the surface follows the brush with a falloff
    v->setBrushSize(20.0f);
    v->restoreInputState();
    frameAt(W / 2.0f + 1, H / 2.0f, false);
    frameAt(W / 2.0f, H / 2.0f, false);
    frameAt(W / 2.0f, H / 2.0f, true);
    EXPECT_EQ(v->sculptors.size(), 1u);
    for (int dx = 1; dx <= 10; ++dx) frameAt(W / 2.0f + float(dx), H / 2.0f, true);
    frameAt(W / 2.0f + 10, H / 2.0f, false);
    EXPECT_TRUE(v->sculptors.empty());
    EXPECT_EQ(v->busy, 0);

    int moved = 0;
    for (int i = 0; i < mesh->vertexCount(); ++i)
        moved += (mesh->vertices[i].position - before[size_t(i)]).length() > 1e-4f;
    EXPECT_GT(moved, 0);
    EXPECT_LT(moved, mesh->vertexCount()) << "only the surface under the brush moves";
}

TEST_F(Click, ADragWhosePressTheViewNeverSawChangesNothing) {
    v->setMode(ASSEMBLY);
    v->setAssemblyCommand(Command::Insert);
    v->restoreInputState();
    frameAt(50, 60, false);
    frameAt(50, 60, true);
    frameAt(50, 60, false);
    ASSERT_EQ(v->scene->sceneRoot->children.size(), 1u);
    Tool* sphere = v->scene->sceneRoot->children[0];
    const mat4 placed = sphere->transform;

    // pressed on the view's border pixel, then dragged across the sphere: no press record was
    // made, so a change here would be one that Undo skips (it would take the insert instead)
    for (Command c : {Command::Move, Command::Rotate, Command::Scale, Command::RotateScale}) {
        v->setAssemblyCommand(c);
        v->restoreInputState();
        frameAt(0, H / 2.0f, false);
        frameAt(0, H / 2.0f, true);
        for (float x = 4; x < 100; x += 4) frameAt(x, 60 + x / 8, true);
        frameAt(100, 60, false);
        EXPECT_TRUE(std::equal(placed.m, placed.m + 16, sphere->transform.m)) << "command " << int(c);
    }
    EXPECT_EQ(v->undoStack.acts.size(), 1u);
}
