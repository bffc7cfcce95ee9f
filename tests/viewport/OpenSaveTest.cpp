#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <new>
#include <sstream>

#include "ImageFiles.h"

#include "SceneViewFixture.h"
#include "scene/SceneSnapshot.h"
#include "mesh/Mesh.h"
#include "scene/Acts.h"
#include "scene/SceneFile.h"

using namespace kal;
using test::SceneView;

namespace {

// An undo record that only counts how many of its kind are alive.
class MarkerAct : public Act {
public:
    explicit MarkerAct(int& live) : Act(5), alive(live) { ++alive; }
    ~MarkerAct() override { --alive; }
    void toggle() override {}
    int& alive;
};

class OpenSave : public ::testing::Test {
protected:
    void SetUp() override {
        test::resetAllInput();
        ASSERT_TRUE(dir.isValid());
    }
    std::string path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    void write(const std::string& p, const QByteArray& bytes) const {
        QFile f(QString::fromStdString(p));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Two records in the undo list, as after two commands.
    void withHistory(SceneView& v) {
        v.undoStack.push(new MarkerAct(live));
        v.undoStack.push(new MarkerAct(live));
    }

    QTemporaryDir dir;
    int live = 0;
};

// The placed part of a scene as text: the tree, every field bit for bit, and per mesh its records'
// positions, so that a read that loses or bends anything shows.
std::string placedScene(Scene& scene) {
    const std::string all = test::snapshot(scene);
    // elements renumbered from the placed part's first, so the library's do not count
    std::istringstream lines(all.substr(all.find("d-1 k")));
    std::string s, line;
    std::map<std::string, int> renumbered;
    while (std::getline(lines, line)) {
        const size_t digits = line.find(" e") + 2, end = line.find(' ', digits);
        const std::string id = line.substr(digits, end - digits);
        s += line.substr(0, digits) + std::to_string(renumbered.emplace(id, int(renumbered.size())).first->second) +
             line.substr(end) + "\n";
    }
    std::vector<Tool*> stack(scene.sceneRoot->children.rbegin(), scene.sceneRoot->children.rend());
    while (!stack.empty()) {
        Tool* t = stack.back();
        stack.pop_back();
        stack.insert(stack.end(), t->children.rbegin(), t->children.rend());
        const Mesh* m = dynamic_cast<const Mesh*>(t->element);
        if (!m) continue;
        s += "mesh " + std::to_string(m->vertexCount()) + " " + std::to_string(m->triangleCount()) + ":";
        for (int i = 0; i < m->vertexCount(); ++i) test::appendBits(s, &m->vertices[i].position.x, 3);
        s += "\n";
    }
    return s;
}

const char* const tetrahedronObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n";

} // namespace

TEST_F(OpenSave, AnObjFileBecomesTheLibrarysCurrentToolAndTheInsertTool) {
    SceneView v;
    withHistory(v);
    v.makeInsertTool(InsertKind::Cube, true);
    const std::string obj = path("tetra.obj");
    write(obj, tetrahedronObj);
    ASSERT_TRUE(v.openFile(obj));
    ASSERT_EQ(v.scene->toolRoot->children.size(), 2u);
    Tool* opened = v.scene->toolRoot->children[1];
    EXPECT_EQ(v.scene->currentTool, opened);
    EXPECT_EQ(v.pendingTool, opened);
    EXPECT_EQ(v.insertKind, InsertKind::UseTool);
    ASSERT_NE(opened->element, nullptr);
    EXPECT_EQ(static_cast<Mesh*>(opened->element)->triangleCount(), 4);
    EXPECT_EQ(live, 0); // a successful open empties the history
    EXPECT_TRUE(v.frameReady);
}

TEST_F(OpenSave, ImagesBecomeSpritesAndGifsAnimatedSprites) {
    SceneView v;
    const std::string png = path("picture.png"), gif = path("moving.GIF");
    ASSERT_TRUE(test::writePng(png, 4, 2, test::Rgb{10, 20, 30}));
    write(gif, test::gifBytes(3, 3, {test::Rgb{255, 0, 0}, test::Rgb{0, 0, 255}}, {0, 1}, 10).bytes);
    const struct {
        std::string path;
        int32_t type;
    } opens[] = {{png, SpriteType}, {gif, AnimatedSpriteType}};
    for (const auto& o : opens) {
        withHistory(v);
        const size_t library = v.scene->toolRoot->children.size();
        ASSERT_TRUE(v.openFile(o.path)) << o.path;
        ASSERT_EQ(v.scene->toolRoot->children.size(), library + 1) << o.path;
        Tool* opened = v.scene->toolRoot->children.back();
        EXPECT_EQ(v.scene->currentTool, opened);
        EXPECT_EQ(v.pendingTool, opened);
        ASSERT_NE(opened->element, nullptr);
        EXPECT_EQ(opened->element->typeCode, o.type);
        EXPECT_FALSE(opened->element->invalid);
        EXPECT_EQ(live, 0);
    }
}

TEST_F(OpenSave, FailedOpensKeepTheSceneTheTemplateAndTheHistory) {
    SceneView v;
    withHistory(v);
    v.makeInsertTool(InsertKind::Cube, true);
    Tool* cube = v.pendingTool;
    Scene* scene = v.scene;
    const size_t library = scene->toolRoot->children.size();

    const std::string empty = path("nothing.obj");
    write(empty, "# no faces here\nv 1 2 3\n");
    const std::string jpeg = path("picture.jpeg");
    write(jpeg, "\xff\xd8\xff");
    const std::string text = path("notes.txt");
    write(text, "hello");
    const std::string damagedScene = path("damaged.k");
    write(damagedScene, QByteArray("\xaa\xaa\xff\xff\x04\x00\x00\x00garbage", 15));
    const std::string damagedObject = path("damaged.ko");
    write(damagedObject, QByteArray("\x01\xef\xcd\xab\xff\xff\xff\x7f", 8));
    const std::string damagedPng = path("damaged.PNG");
    write(damagedPng, QByteArray("\x89PNG\r\n\x1a\n", 8));
    const std::string damagedGif = path("damaged.gif");
    write(damagedGif, QByteArray("GIF89a\x02\x00", 8));
    // a reader would wait on a FIFO for ever: it is refused before it is opened
    const std::string fifo = path("pipe.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    for (const std::string& p : {path("missing.k"), empty, jpeg, text, damagedScene, damagedObject, path("noext"),
                                 damagedPng, damagedGif, fifo}) {
        EXPECT_FALSE(v.openFile(p)) << p;
        EXPECT_EQ(v.scene, scene) << p;
        EXPECT_EQ(scene->toolRoot->children.size(), library) << p;
        EXPECT_EQ(v.undoStack.acts.size(), 2u) << p;
        EXPECT_EQ(v.undoStack.cursor, 1) << p;
        EXPECT_EQ(v.pendingTool, cube) << p;
        EXPECT_TRUE(v.frameReady) << p;
    }
    EXPECT_EQ(live, 2);
    // a PNG cut short says so, not that it is a kind of file the program does not read
    const QByteArray whole = test::pngBytes(16, 16, 2, 8, 16);
    const std::string cut = path("cut.png");
    write(cut, whole.left(whole.size() / 2));
    std::string why;
    EXPECT_FALSE(v.openFile(cut, &why));
    EXPECT_EQ(why, "the file is cut short");
}

// A read that runs out of memory half way leaves the scene, the template and the history as they
// were, and the view takes frames again; the window tells the user.
TEST_F(OpenSave, AnOpenThatRunsOutOfMemoryKeepsEverythingAndTheViewRunsOn) {
    SceneView v;
    test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
    const std::string scenePath = path("cube.k"), objectPath = path("cube.ko");
    ASSERT_TRUE(v.saveScene(scenePath));
    v.pressPick.object = v.scene->sceneRoot->children[0];
    ASSERT_TRUE(v.saveObjectAs(objectPath));
    withHistory(v);
    v.makeInsertTool(InsertKind::Cube, true);
    Tool* cube = v.pendingTool;
    Scene* scene = v.scene;
    const std::string before = test::snapshot(*scene);

    struct Starved {
        static Element* read(ByteBuffer&, uint32_t, size_t, bool&) { throw std::bad_alloc(); }
        ElementReader previous = registerElementReader(meshRecordTag, read);
        ~Starved() { registerElementReader(meshRecordTag, previous); }
    } starved;
    for (const std::string& p : {scenePath, objectPath}) {
        EXPECT_THROW(v.openFile(p), std::bad_alloc) << p;
        EXPECT_EQ(v.scene, scene) << p;
        EXPECT_EQ(test::snapshot(*scene), before) << p;
        EXPECT_EQ(v.undoStack.acts.size(), 2u) << p;
        EXPECT_EQ(v.pendingTool, cube) << p;
        EXPECT_TRUE(v.frameReady) << p;
    }
}

TEST_F(OpenSave, ASavedSceneOpensAgainInPlaceOfTheCurrentOneWhateverTheExtensionCase) {
    SceneView v;
    test::addSceneObject(*v.scene, Mesh::createCube(), mat4::translationXYZ(1, 2, 3));
    test::addSceneObject(*v.scene, Mesh::createOctahedron(), mat4());
    const std::string saved = path("two.k");
    withHistory(v);
    v.makeInsertTool(InsertKind::Dodecahedron, true);
    ASSERT_TRUE(v.saveScene(saved));
    EXPECT_EQ(live, 0);
    EXPECT_EQ(v.insertKind, InsertKind::Dodecahedron); // the template of the current kind is built again
    ASSERT_NE(v.pendingTool, nullptr);
    EXPECT_NE(v.pendingTool, v.scene->currentTool);

    for (const char* name : {"two.k", "TWO.K"}) {
        if (QString(name) == "TWO.K") QFile::copy(QString::fromStdString(saved), QString::fromStdString(path(name)));
        SceneView w;
        Scene* old = w.scene;
        withHistory(w);
        ASSERT_TRUE(w.openFile(path(name))) << name;
        EXPECT_NE(w.scene, old);
        EXPECT_EQ(placedScene(*w.scene), placedScene(*v.scene)) << name;
        // the library holds the file's tools and then the default sphere, which is current
        ASSERT_FALSE(w.scene->toolRoot->children.empty());
        EXPECT_EQ(w.scene->currentTool, w.scene->toolRoot->children.back());
        EXPECT_EQ(w.pendingTool, w.scene->currentTool);
        EXPECT_EQ(w.addedTools.size(), 1u);
        EXPECT_EQ(live, 0);
        EXPECT_EQ(w.pressPick.object, nullptr);
    }
}

TEST_F(OpenSave, ASaveThatCannotBeWrittenReportsFailureAndKeepsTheHistory) {
    SceneView v;
    withHistory(v);
    v.makeInsertTool(InsertKind::Cube, true);
    EXPECT_FALSE(v.saveScene(path("no/such/folder/scene.k")));
    EXPECT_EQ(live, 2);
    EXPECT_EQ(v.insertKind, InsertKind::Cube);
    EXPECT_TRUE(v.frameReady);
}

TEST_F(OpenSave, ASavedObjectOpensIntoTheCurrentScene) {
    SceneView v;
    Tool* a = test::addSceneObject(*v.scene, Mesh::createCube(), mat4());
    v.pressPick.object = a;
    const std::string typed = path("thing");
    ASSERT_TRUE(v.saveObjectAs(typed));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(typed + ".ko")));
    EXPECT_EQ(a->next, a); // the written copy is gone from the object's ring

    SceneView w;
    withHistory(w);
    const size_t before = w.scene->sceneRoot->children.size() + w.scene->toolRoot->children.size();
    ASSERT_TRUE(w.openFile(typed + ".ko"));
    EXPECT_GT(w.scene->sceneRoot->children.size() + w.scene->toolRoot->children.size(), before);
    EXPECT_EQ(live, 0);
}

TEST_F(OpenSave, SavingAnObjectWithoutAHoveredToolWritesNothing) {
    SceneView v;
    v.saveObject(); // no dialog: nothing was pressed
    EXPECT_FALSE(v.saveObjectAs(path("x.ko")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("x.ko"))));
}

TEST(ObjectFileName, KoIsAppendedOrReplacesAnyExtensionButKoAndObj) {
    EXPECT_EQ(objectFileName("rock"), "rock.ko");
    EXPECT_EQ(objectFileName("rock.ko"), "rock.ko");
    EXPECT_EQ(objectFileName("rock.obj"), "rock.obj");
    EXPECT_EQ(objectFileName("rock.OBJ"), "rock.OBJ");
    EXPECT_EQ(objectFileName("rock.png"), "rock.ko");
    EXPECT_EQ(objectFileName("rock.txt"), "rock.ko");
    // a dot in a folder name is no extension
    EXPECT_EQ(objectFileName("../Scenes/Objects/rock"), "../Scenes/Objects/rock.ko");
    EXPECT_EQ(objectFileName("C:\\my.models\\rock"), "C:\\my.models\\rock.ko");
}
