// Hostile OBJ shapes whose import once cost the square of the file: the import's ring walks must
// take a number of steps proportional to the input. Each shape is imported at two sizes and the
// walk steps compared: linear work grows fourfold, quadratic work sixteenfold.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "HostileShapes.h"
#include "MeshInvariants.h"
#include "foundation/Parallel.h"
#include "mesh/MeshWalk.h"
#include "mesh/ObjImport.h"

using namespace kal;
using namespace kal::test;

namespace {

struct Import {
    uint64_t steps = 0;
    int vertices = 0, triangles = 0, creases = 0;
    bool invalid = false;
};

// The step count is kept per thread: the passes run on this one while it is counted.
struct SerialPasses {
    ParallelMode before = parallelMode();
    SerialPasses() { setParallelMode({true, false}); }
    ~SerialPasses() { setParallelMode(before); }
};

Import importCounted(const std::string& text) {
    SerialPasses serial;
    Mesh m;
    parseObjText(m, text.data(), text.size());
    // each thread counts its own walks: count them all on this one
    ParallelMode mode = parallelMode();
    setParallelMode({true, false});
    uint64_t before = meshwalk::walkSteps;
    m.finishImport(1);
    Import r;
    r.steps = meshwalk::walkSteps - before;
    setParallelMode(mode);
    r.vertices = m.vertexCount();
    r.triangles = m.triangleCount();
    r.invalid = m.invalid;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) r.creases += m.triangles[t].marked(k);
    return r;
}

// Steps at 4n may be a little over four times those at n (fixed costs), never near sixteen.
void expectLinear(const std::function<std::string(int)>& shape, int n) {
    Import small = importCounted(shape(n)), large = importCounted(shape(4 * n));
    EXPECT_GT(small.steps, 0u);
    EXPECT_LE(large.steps, 5 * small.steps + 64) << "steps " << small.steps << " then " << large.steps;
}

TEST(LinearWalks, creasedHubMarksEverySpokeInLinearSteps) {
    Import hub = importCounted(creasedHub(64));
    EXPECT_FALSE(hub.invalid);
    EXPECT_EQ(hub.triangles, 64);
    EXPECT_EQ(hub.creases, 2 * 64); // each spoke marked on both of its sides
    expectLinear(creasedHub, 400);
}

TEST(LinearWalks, pinchedFanSplitsInLinearSteps) {
    Import fan = importCounted(pinchedFan(50));
    EXPECT_FALSE(fan.invalid);
    // the lone triangle takes a copy of the hub
    EXPECT_EQ(fan.vertices, 50 + 3 + 1);
    expectLinear(pinchedFan, 400);
}

TEST(LinearWalks, nonOrientableBandsEndTheirWalksAtTheTwist) {
    Import bands = importCounted(moebiusBands(10));
    EXPECT_FALSE(bands.invalid);
    EXPECT_EQ(bands.triangles, 50); // the dead padding is purged
    expectLinear(moebiusBands, 100);
}

} // namespace
