// New, Open and Save in the shown window, on files in a temporary folder.
#include "ShownWindow.h"

#include "ImageFiles.h"

#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

using kal::test::ShownWindow;

namespace {

// An OBJ of n separate triangles.
void writeTriangles(const QString& path, int n) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < n; ++i) {
        f.write(QStringLiteral("v %1 0 0\nv %1 1 0\nv %1 0 1\n").arg(i).toLatin1());
        f.write(QStringLiteral("f %1 %2 %3\n").arg(3 * i + 1).arg(3 * i + 2).arg(3 * i + 3).toLatin1());
    }
}

int triangles(kal::Tool* t) { return static_cast<kal::Mesh*>(t->element)->triangleCount(); }

} // namespace

TEST_F(ShownWindow, newAsksFirstAndLeavesOnlyTheDefaultSphere) {
    kal::GLView& v = view();
    auto* extra = new kal::Tool(kal::Mesh::createCube(), kal::mat4(), kal::pbr(), false);
    v.scene->sceneRoot->addChild(extra, false);
    v.hoverPick.object = extra;
    v.copySource = extra;

    answerWith([](const kal::Question&) { return reply(false); });
    ui().actionNew->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "New");
    EXPECT_EQ(asked[0].text, "This action clears the current scene! Proceed?");
    EXPECT_EQ(v.scene->sceneRoot->children.size(), 1u);

    answerWith([](const kal::Question&) { return reply(true); });
    ui().actionNew->trigger();
    EXPECT_TRUE(v.scene->sceneRoot->children.empty());
    ASSERT_EQ(v.scene->toolRoot->children.size(), 1u);
    EXPECT_EQ(triangles(v.scene->toolRoot->children[0]), 1280);
    EXPECT_EQ(std::vector<kal::Tool*>(v.addedTools.begin(), v.addedTools.end()),
              std::vector<kal::Tool*>{v.scene->toolRoot->children[0]});
    EXPECT_EQ(v.hoverPick.object, nullptr);
    EXPECT_EQ(v.copySource, nullptr);
    EXPECT_TRUE(v.undoStack.acts.empty());
    EXPECT_EQ(v.pendingTool, v.scene->currentTool); // the insert tool was rebuilt from the new library
}

TEST_F(ShownWindow, openReadsTheChosenFilesInOrderAndSaveNamesWhatItWrites) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString a = dir.filePath("a.obj"), b = dir.filePath("b.obj");
    writeTriangles(a, 1);
    writeTriangles(b, 2);
    kal::Root* library = view().scene->toolRoot;
    const size_t before = library->children.size();
    answerWith([&](const kal::Question& q) {
        EXPECT_EQ(q.kind, kal::Question::OpenFiles);
        return files({b, a});
    });
    ui().actionOpen->trigger();
    ASSERT_EQ(library->children.size(), before + 2);
    EXPECT_EQ(triangles(library->children[before]), 2);
    EXPECT_EQ(triangles(library->children[before + 1]), 1);
    EXPECT_EQ(asked[0].text,
              "All (*.k *.ko *.obj *.png *.jpg *.gif);;Scenes & Objects (*.k *.ko);;Meshes (*.obj);;Sprites (*.png "
              "*.jpg *.gif)");

    ASSERT_TRUE(QDir(dir.path()).mkdir("work"));
    for (const char* chosen : {"work/robot", "robot.OBJ", "robot.K", "robot.ko", "note.txt"}) {
        answerWith([&](const kal::Question&) { return files({dir.filePath(chosen)}); });
        ui().actionSave->trigger();
    }
    for (const char* written : {"work/robot.k", "robot.K", "robot.k", "note.k"})
        EXPECT_TRUE(QFile::exists(dir.filePath(written))) << written;
    // the OBJ export writes its own lower-case extension beside the material file
    EXPECT_TRUE(QFile::exists(dir.filePath("robot.obj")) || QFile::exists(dir.filePath("robot.OBJ")));
    EXPECT_TRUE(QFile::exists(dir.filePath("robot.mtl")));
    EXPECT_FALSE(QFile::exists(dir.filePath("robot.ko")));
    EXPECT_FALSE(QFile::exists(dir.filePath("note.txt")));
}

TEST_F(ShownWindow, failedOpenAndSaveAreReportedAndChangeNothing) {
    QTemporaryDir dir;
    const size_t before = view().scene->toolRoot->children.size();
    answerWith([&](const kal::Question&) { return files({dir.filePath("missing/none.k")}); });
    ui().actionSave->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, kal::Question::Warning);
    EXPECT_EQ(asked[1].title, "Save");
    EXPECT_TRUE(asked[1].text.contains("none.k"));
    {
        // the message says why, as the file system gave it
        QSaveFile probe(dir.filePath("missing/none.k"));
        ASSERT_FALSE(probe.open(QIODevice::WriteOnly));
        ASSERT_FALSE(probe.errorString().isEmpty());
        EXPECT_TRUE(asked[1].text.contains(probe.errorString())) << asked[1].text.toStdString();
    }
    ui().actionOpen->trigger();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[3].title, "Open");
    EXPECT_EQ(view().scene->toolRoot->children.size(), before);
}

TEST_F(ShownWindow, quickSaveAsksNothingWhileBusyOrWithNothingHovered) {
    answerWith([](const kal::Question&) { return files({}); });
    view().hoverPick.object = nullptr;
    view().pressPick.object = nullptr;
    ui().actionQuick_Save->trigger();
    view().busy = 1;
    ui().actionQuick_Save->trigger();
    view().busy = 0;
    EXPECT_TRUE(asked.empty());
}

TEST_F(ShownWindow, refusedFilesAreReportedWithWhyTheyWereRefused) {
    QTemporaryDir dir;
    const QString cut = dir.filePath("cut.k"), flat = dir.filePath("flat.obj");
    ASSERT_TRUE(view().saveScene(cut.toStdString()));
    {
        // one byte short: the last chunk runs past the end of the file
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(f.size() - 1));
    }
    {
        QFile f(flat);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\nf 0 1 2\n");
    }
    kal::Scene* scene = view().scene;
    const size_t before = scene->toolRoot->children.size();
    answerWith([&](const kal::Question&) { return files({cut, flat}); });
    ui().actionOpen->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, kal::Question::Warning);
    EXPECT_EQ(asked[1].text.toStdString(),
              "Could not open cut.k (the file is truncated), flat.obj (it holds no triangles)");
    EXPECT_EQ(view().scene, scene);
    EXPECT_EQ(scene->toolRoot->children.size(), before);
}

// The scene opens without the sprites whose images cannot be read, and the open names every such
// image with why, before the user can save the scene over its file without them.
TEST_F(ShownWindow, aSceneWhoseSpriteImagesCannotBeReadOpensAndNamesThem) {
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.png"), cut = dir.filePath("cut.png"), saved = dir.filePath("s.k");
    const QByteArray whole = kal::test::pngBytes(16, 16, 2, 8, 16);
    ASSERT_TRUE(kal::test::writeBytes(gone.toStdString(), whole));
    ASSERT_TRUE(kal::test::writeBytes(cut.toStdString(), whole));
    {
        kal::GLWorkGuard gl;
        // two sprites of one image: it is named once
        for (const QString& image : {gone, cut, gone}) ASSERT_TRUE(view().openFile(image.toStdString()));
        ASSERT_TRUE(view().saveScene(saved.toStdString()));
    }
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(kal::test::writeBytes(cut.toStdString(), whole.left(whole.size() / 2)));

    kal::Scene* before = view().scene;
    answerWith([&](const kal::Question&) { return files({saved}); });
    ui().actionOpen->trigger();
    EXPECT_NE(view().scene, before);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, kal::Question::Warning);
    EXPECT_EQ(asked[1].title, "Open");
    EXPECT_EQ(asked[1].text.toStdString(),
              "Could not open gone.png (No such file or directory), cut.png (the file is cut short)");
}
