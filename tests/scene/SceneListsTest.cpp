#include <gtest/gtest.h>

#include "TestElement.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

using namespace kal;
using kal::test::node;
using kal::test::TestElement;

namespace {

// Records the ids and arguments it is drawn with.
struct DrawLog {
    std::vector<uint32_t> ids;
    std::vector<int32_t> items;
};

class RecordingElement : public TestElement {
public:
    DrawLog* log;
    bool geometry;
    explicit RecordingElement(DrawLog* l, bool g = true) : log(l), geometry(g) {}
    void draw(uint32_t objectId, int32_t itemId, const mat4&, const pbr&, bool, float, bool) override {
        log->ids.push_back(objectId);
        log->items.push_back(itemId);
    }
    bool hasGpuGeometry() override { return geometry; }
};

} // namespace

TEST(SceneLists, opacityDecidesTheTransparencyClass) {
    Scene scene;
    Tool* opaque = scene.sceneRoot->addChild(node(), false);
    Tool* clear = scene.sceneRoot->addChild(node(), false);
    Tool* flagged = scene.sceneRoot->addChild(node(), false);
    auto* e = new TestElement();
    e->transparent = true;
    scene.sceneRoot->addChild(node(e), false);
    opaque->material.opacity = 65280;
    clear->material.opacity = 65279;
    flagged->flags |= TransparentFlag;
    scene.rebuildToolLists();
    EXPECT_EQ(scene.sceneLists.transparencyClass(0), 0);
    EXPECT_EQ(scene.sceneLists.transparencyClass(1), 1);
    EXPECT_EQ(scene.sceneLists.transparencyClass(2), 1);
    EXPECT_EQ(scene.sceneLists.transparencyClass(3), 1);
}

TEST(SceneLists, groupsFollowWhichTopLevelNodeHasTheChild) {
    Scene scene;
    Tool* first = scene.sceneRoot->addChild(node(), false);
    Tool* second = scene.sceneRoot->addChild(node(), false);
    second->addChild(node(), false);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.sceneLists.groups, (std::vector<int32_t>{0, 1, 1}));
    second->deleteChildren();
    first->addChild(node(), false);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.sceneLists.groups, (std::vector<int32_t>{0, 0, 2}));
}

TEST(SceneLists, updateAppendsAfterExistingEntries) {
    Root root;
    root.addChild(node(), false)->addChild(node(), false);
    SceneLists lists;
    lists.update(&root);
    lists.update(&root);
    EXPECT_EQ(lists.groups, (std::vector<int32_t>{0, 0, 2, 2}));
    EXPECT_EQ(root.children[0]->index, 2);
    lists.update(nullptr);
    EXPECT_EQ(lists.size(), 4);
}

TEST(SceneLists, classifyListsOnlyDrawableEntries) {
    DrawLog log;
    Scene scene;
    scene.sceneRoot->addChild(node(new RecordingElement(&log)), false);
    scene.sceneRoot->addChild(node(), false);
    scene.sceneRoot->addChild(node(new RecordingElement(&log, false)), false);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.sceneLists.geometryIndex, std::vector<int32_t>{0});
    EXPECT_TRUE(scene.sceneLists.helperIndex.empty());
}

TEST(SceneLists, drawWithIdsUsesSceneIdsAndMarksHighlights) {
    DrawLog log;
    Scene scene;
    Tool* a = scene.sceneRoot->addChild(node(new RecordingElement(&log)), false);
    Tool* b = scene.sceneRoot->addChild(node(new RecordingElement(&log)), false);
    b->material.opacity = 100;
    a->flags |= HighlightFlag;
    scene.rebuildToolLists();
    scene.filterLists(2, false, false);
    EXPECT_EQ(log.ids, (std::vector<uint32_t>{0x80000001u, 2}));
    log.ids.clear();
    scene.filterLists(0, false, false);
    EXPECT_EQ(log.ids, (std::vector<uint32_t>{0x80000001u}));
    log.ids.clear();
    scene.filterLists(1, false, false);
    EXPECT_EQ(log.ids, (std::vector<uint32_t>{2}));
}

TEST(SceneLists, childrenOfAnArrayBorrowItsIdOnlyWithGroupIds) {
    DrawLog log;
    Scene scene;
    Tool* array = scene.sceneRoot->addChild(node(), false);
    array->kind = ArrayKind;
    array->addChild(node(new RecordingElement(&log)), false);
    scene.rebuildToolLists();
    scene.sceneLists.drawArgs[1] = 7; // what an array hands its item copies
    scene.filterLists(2, true, false);
    EXPECT_EQ(log.ids, std::vector<uint32_t>{1});
    EXPECT_EQ(log.items, std::vector<int32_t>{7});
    log = DrawLog();
    scene.filterLists(2, false, false);
    EXPECT_EQ(log.ids, std::vector<uint32_t>{2});
    EXPECT_EQ(log.items, std::vector<int32_t>{-1});
}

TEST(SceneLists, childrenOfAnEmptyGroupNodeDrawWithItsId) {
    DrawLog log;
    Scene scene;
    Tool* group = scene.sceneRoot->addChild(node(), false);
    Tool* leaf = group->addChild(node(new RecordingElement(&log)), false);
    (void)leaf;
    group->flags |= CollectFlag;
    scene.rebuildToolLists();
    scene.filterLists(2, true, false);
    EXPECT_EQ(log.ids, std::vector<uint32_t>{0x80000001u});
    group->flags &= ~CollectFlag;
}

TEST(SceneLists, workingIdsStartAfterTheSceneEntries) {
    DrawLog log;
    Scene scene;
    scene.sceneRoot->addChild(node(), false);
    scene.sceneRoot->addChild(node(), false);
    Tool* tmpl = scene.addToMainRoot(node(new RecordingElement(&log)));
    scene.rebuildToolLists();
    scene.collectTargets(tmpl, {mat4(), mat4::translationXYZ(1, 0, 0)}, 0, false);
    EXPECT_EQ(scene.workLists.size(), 2);
    scene.filterLists(2, false, true);
    EXPECT_EQ(log.ids, (std::vector<uint32_t>{3, 4}));
}

TEST(SceneLists, placingOnARingRepeatsPerPlacedMember) {
    Scene scene;
    Tool* x = scene.sceneRoot->addChild(node(), false);
    x->transform = mat4::translationXYZ(10, 0, 0);
    scene.sceneRoot->addChild(x->copyTransformed(mat4(), true, 0), false);
    scene.sceneRoot->addChild(x->copyTransformed(mat4(), true, 0), false);
    Tool* tmpl = scene.addToMainRoot(node());
    tmpl->addChild(node(), false); // two nodes per placement
    scene.rebuildToolLists();
    scene.pick(1);
    scene.collectTargets(tmpl, {mat4(), mat4()}, 2, true);
    EXPECT_EQ(scene.workLists.size(), 2 * 2 * 3);
    // the first batch sits on the anchor
    vec3 p = vec3() * scene.workLists.worlds[0];
    EXPECT_FLOAT_EQ(p.x, 10);
    // every batch's groups point inside the batch
    for (int i = 0; i < scene.workLists.size(); ++i) EXPECT_LE(scene.workLists.groups[size_t(i)], i);
    scene.rebuildToolLists();
    EXPECT_EQ(scene.workLists.size(), 0);
    scene.collectTargets(tmpl, {mat4()}, 2, false);
    EXPECT_EQ(scene.workLists.size(), 2);
}

TEST(SceneLists, modeThreeOnlyReclassifiesTheWorkingLists) {
    DrawLog log;
    Scene scene;
    Tool* tmpl = scene.addToMainRoot(node(new RecordingElement(&log)));
    scene.rebuildToolLists();
    scene.collectTargets(tmpl, {mat4()}, 0, false);
    scene.workLists.geometryIndex.clear();
    scene.collectTargets(tmpl, {mat4()}, 3, false);
    EXPECT_EQ(scene.workLists.size(), 1);
    EXPECT_EQ(scene.workLists.geometryIndex, std::vector<int32_t>{0});
    scene.collectTargets(nullptr, {mat4()}, 0, false);
    EXPECT_EQ(scene.workLists.size(), 1);
}
