// Files that nest arrays and pairs deeper than the call stack reaches, or multiply placements
// per level: each reads, lists, copies, is removed and put back, and tears down, with the arrays'
// placements held to their cap.
#include <gtest/gtest.h>

#include <memory>

#include "elements/CurveRecord.h"
#include "scene/Acts.h"
#include "scene/SceneLists.h"
#include "tests/support/HostileScenes.h"
#include "tools/ToolRecords.h"

using namespace kal;
using namespace kal::test;

namespace {

// Reads the file into a fresh scene and lists it as a frame does; answers the entries listed.
int listedAfterRead(const std::string& bytes, bool* capped = nullptr) {
    registerCurveRecords();
    registerToolRecords();
    Scene s;
    EXPECT_TRUE(readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    s.rebuildToolLists();
    if (capped) *capped = s.sceneLists.arraysCapped;
    s.sceneRoot->setTime();
    std::vector<Tool*> flat;
    s.sceneRoot->enumerate(flat);
    return s.sceneLists.size();
}

TEST(HostileWalks, deepChainsOfArraysAndPairsReadListAndFreeWithoutRecursing) {
    // each array places its one copy once: the chain and the innermost tool
    EXPECT_EQ(listedAfterRead(nestedArrays(5000, 1)), 5001);
    EXPECT_EQ(listedAfterRead(pairChain(14000)), 28000);
}

// Every tool below top, the copies arrays hold included.
size_t toolsBelow(Tool* top) {
    std::vector<Tool*> all;
    top->enumerate(all);
    return all.size();
}

// Ends whose partner names them back.
size_t pairedEnds(Tool* top) {
    std::vector<Tool*> all;
    top->enumerate(all);
    size_t paired = 0;
    for (Tool* t : all) paired += t->partner() && t->partner()->partner() == t;
    return paired;
}

// Removes the object, undoes and redoes it; answers the scene's tools after the undo.
size_t removedAndPutBack(Scene& s, Tool* object, size_t (*count)(Tool*)) {
    s.rebuildToolLists();
    ActObjectRemove remove(&s, s.idOf(object));
    remove.toggle();
    EXPECT_TRUE(s.sceneRoot->children.empty());
    remove.toggle();
    const size_t back = count(s.sceneRoot);
    s.rebuildToolLists();
    remove.toggle();
    EXPECT_TRUE(s.sceneRoot->children.empty());
    return back;
}

void readInto(Scene& s, const std::string& bytes) {
    registerCurveRecords();
    registerToolRecords();
    ASSERT_TRUE(readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

TEST(HostileWalks, deepChainsOfArraysAndPairsCopyAndComeBackFromRemovalWithoutRecursing) {
    // deep enough to overflow the stack of a sanitized build if any of these recursed
    const int arrays = 20000, pairs = 40000;
    {
        Scene s;
        readInto(s, nestedArrays(arrays, 1));
        Tool* top = s.sceneRoot->children.at(0);
        const size_t all = size_t(arrays) + 1;
        for (int form = 0; form < 3; ++form) {
            std::unique_ptr<Tool> c(form == 0   ? top->copy(false)
                                    : form == 1 ? top->copyTransformed(mat4(), false)
                                                : top->copyTransformedAll(mat4(), false));
            EXPECT_EQ(toolsBelow(c.get()), all) << form;
        }
        EXPECT_EQ(removedAndPutBack(s, top, toolsBelow), all);
    }
    {
        // the second ends form the chain: removing its head takes every pair, and undo pairs
        // every end again
        Scene s;
        readInto(s, pairChain(pairs));
        std::unique_ptr<Tool> c(s.sceneRoot->copy(false));
        EXPECT_EQ(pairedEnds(c.get()), size_t(2 * pairs));
        c.reset();
        Tool* head = s.sceneRoot->children.at(1);
        ASSERT_FALSE(head->children.empty());
        EXPECT_EQ(removedAndPutBack(s, head, pairedEnds), size_t(2 * pairs));
    }
}

TEST(HostileWalks, nestedArraysPlaceEveryCopyUpToTheCapAndNoFurther) {
    bool capped = true;
    EXPECT_EQ(listedAfterRead(nestedArrays(3, 48), &capped), 1 + 48 + 48 * 48 + 48 * 48 * 48);
    EXPECT_FALSE(capped);
    // 48^4 placements asked for: the lists stop at the cap, and the walk says so
    const int listed = listedAfterRead(nestedArrays(4, 48), &capped);
    EXPECT_TRUE(capped);
    EXPECT_GT(listed, int(arrayPlacementCap) / 2);
    EXPECT_LE(listed, int(arrayPlacementCap) + 48 * 3 + 1);
}

} // namespace
