// The Material command's dialog in the shown window: the view follows it every tick, OK keeps the
// change and Cancel undoes it.
#include "ShownWindow.h"

#include "app/MaterialDialog.h"
#include "mesh/Mesh.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

#include <QSlider>

using kal::test::ShownWindow;

TEST_F(ShownWindow, materialDialogOnAToolIsFollowedLiveAndCancelUndoesIt) {
    kal::GLView& v = view();
    auto* tool = new kal::Tool(kal::Mesh::createIcosahedron(), kal::mat4(), kal::pbr(), false);
    v.scene->sceneRoot->addChild(tool, false);
    v.scene->rebuildToolLists();
    for (bool ok : {false, true}) {
        // what the Material command's press and release leave behind
        v.undoStack.push(new kal::ActObjectMaterial(v.scene, v.scene->idOf(tool), false));
        v.liveMaterial = true;
        v.materialTool = tool;
        ASSERT_TRUE(kal::dialogs->openMaterialDialog(tool));
        kal::dialogs->materialDialog->ui->roughness->setValue(255);
        EXPECT_TRUE(QTest::qWaitFor([&] { return tool->material.roughness == 32766; }, 5000));
        if (ok)
            kal::dialogs->materialDialog->accept();
        else
            kal::dialogs->materialDialog->reject();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !v.liveMaterial; }, 5000));
        EXPECT_EQ(tool->material.roughness, ok ? 32766 : 0);
    }
    v.clearScene();
}
