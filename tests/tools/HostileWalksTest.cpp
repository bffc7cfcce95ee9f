// Files that nest arrays and pairs deeper than the call stack reaches, or multiply placements
// per level: each reads, lists and tears down, with the arrays' placements held to their cap.
#include <gtest/gtest.h>

#include "elements/CurveRecord.h"
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
