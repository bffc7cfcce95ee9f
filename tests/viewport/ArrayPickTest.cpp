// ArrayPick hands an array's copies and item sequence back to the view for editing.
#include <gtest/gtest.h>

#include "SceneViewFixture.h"
#include "tools/Array.h"

using namespace kal;
using test::SceneView;

TEST(ArrayPick, anArrayHandsItsCopiesAndSequenceBackForEditing) {
    test::resetAllInput();
    SceneView v;
    Tool* item = v.scene->addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    Array* array = new Array(nullptr, {item, nullptr}, {arrayEntry(2, 4, EntryTail)}, ArraySimple, mat4(), mat4(),
                             pbr(), false);
    v.scene->sceneRoot->addChild(array, false);
    const std::vector<uint32_t> before = v.arrayItems;
    EXPECT_FALSE(v.loadArrayForEditing(item));
    EXPECT_FALSE(v.loadArrayForEditing(nullptr));
    EXPECT_EQ(v.arrayItems, before);
    ASSERT_TRUE(v.loadArrayForEditing(array));
    EXPECT_EQ(v.addedTools, array->copies);
    EXPECT_EQ(v.arrayItems, array->itemSequence);
}
