// The copies an array owns outside its children: what deleting one, or the array, leaves behind.
#include <gtest/gtest.h>

#include "elements/Curve.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "tools/Array.h"

using namespace kal;

namespace {

// A placed array of two items (the second with a child) over a square, at the top of the scene.
Array* placedArray(Scene& scene) {
    Curve* square = new Curve({vec3(0, 0, 0), vec3(4, 0, 0), vec3(4, 4, 0), vec3(0, 4, 0)}, true, 0);
    Tool* first = new Tool(nullptr, mat4(), pbr(), false);
    Tool* second = new Tool(nullptr, mat4::translationXYZ(1, 0, 0), pbr(), false);
    second->addChild(new Tool(nullptr, mat4::translationXYZ(0, 1, 0), pbr(), false), false);
    auto* array = new Array(square, {first, second}, {arrayEntry(1, 1, EntryCyclic), arrayEntry(2, 1, EntryCyclic)},
                            ArraySimple, mat4(), mat4(), pbr(), false);
    delete first;
    delete second;
    array->flags |= PlacedFlag;
    scene.sceneRoot->addChild(array, false);
    scene.rebuildToolLists();
    return array;
}

int placedCopies(Scene& scene, Array* array) {
    int n = 0;
    for (int i = 0; i < scene.sceneLists.size(); ++i)
        if (scene.sceneLists.groups[size_t(i)] == array->index && scene.sceneLists.tools[size_t(i)] != array) ++n;
    return n;
}

} // namespace

TEST(ArrayCopies, aDeletedCopyEmptiesItsSlotAndIsPlacedNoMore) {
    Scene scene;
    Array* array = placedArray(scene);
    EXPECT_EQ(placedCopies(scene, array), 4);
    delete array->copies[1];
    ASSERT_EQ(array->copies.size(), 2u);
    EXPECT_EQ(array->copies[1], nullptr);
    scene.rebuildToolLists();
    EXPECT_EQ(placedCopies(scene, array), 2);
}

TEST(ArrayCopies, removingAnArrayKeepsItsCopiesForUndoAndRedo) {
    Scene scene;
    Array* array = placedArray(scene);
    const int listed = scene.sceneLists.size();
    ActObjectRemove remove(&scene, scene.idOf(array));
    remove.toggle();
    EXPECT_TRUE(scene.sceneRoot->children.empty());
    EXPECT_EQ(scene.sceneLists.size(), 0);
    for (int round = 0; round < 2; ++round) {
        remove.toggle();
        ASSERT_EQ(scene.sceneRoot->children.size(), 1u);
        auto* back = static_cast<Array*>(scene.sceneRoot->children[0]);
        ASSERT_EQ(back->copies.size(), 2u);
        for (Tool* c : back->copies) {
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->parent, back);
        }
        EXPECT_EQ(back->copies[1]->children.size(), 1u);
        EXPECT_EQ(scene.sceneLists.size(), listed);
        remove.toggle();
        EXPECT_EQ(scene.sceneLists.size(), 0);
    }
}

TEST(ArrayCopies, aCopyOnItsOwnIsNotRemoved) {
    Scene scene;
    Array* array = placedArray(scene);
    ActObjectRemove remove(&scene, scene.idOf(array->copies[0]));
    remove.toggle();
    EXPECT_FALSE(remove.hasEffect());
    EXPECT_NE(array->copies[0], nullptr);
}
