// Hostile OBJ shapes whose import once cost the square of the file: the import's ring walks must
// take a number of steps proportional to the input. Each shape is imported at two sizes and the
// walk steps compared: linear work grows fourfold, quadratic work sixteenfold.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "MeshInvariants.h"
#include "mesh/MeshWalk.h"
#include "mesh/ObjImport.h"

using namespace kal;

namespace {

struct Import {
    uint64_t steps = 0;
    int vertices = 0, triangles = 0, creases = 0;
    bool invalid = false;
};

Import importCounted(const std::string& text) {
    Mesh m;
    parseObjText(m, text.data(), text.size());
    uint64_t before = meshwalk::walkSteps;
    m.finishImport(1);
    Import r;
    r.steps = meshwalk::walkSteps - before;
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

// A closed fan of d triangles round vertex 1 whose faces alternate between two normal numbers,
// so every spoke is a crease: the flat-shaded tip of a cone.
std::string creasedHub(int d) {
    std::string s = "v 0 0 0\nv 1 0 0\n";
    for (int k = 0; k < d - 1; ++k) s += "v 0 1 0\nf 1//" + std::to_string(1 + k % 2) + " -2 -1\n";
    return s + "f 1//" + std::to_string(1 + (d - 1) % 2) + " -1 2\n";
}

// An open fan of b triangles round vertex 1 and one more triangle naming it apart from the fan.
std::string pinchedFan(int b) {
    std::string s = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 -2 -1\nv 1 1 0\n";
    for (int k = 0; k < b - 1; ++k) s += "v 0 1 1\nf 1 -2 -1\n";
    return s + "f 1 -1 4\n";
}

// k separate five-vertex Moebius bands, then a face naming vertex 1 at every corner (dead
// triangles that only raise the store's size).
std::string moebiusBands(int k) {
    std::string band = "v 1 0 0\nv 0 1 0\nv -1 0 0\nv 0 -1 0\nv 0 0 1\n";
    for (int i = 0; i < 5; ++i) {
        band += "f";
        for (int j = 0; j < 3; ++j) band += " " + std::to_string(-(5 - (i + j) % 5));
        band += "\n";
    }
    std::string s;
    for (int i = 0; i < k; ++i) s += band;
    s += "f";
    for (int i = 0; i < 35 * k; ++i) s += " 1";
    return s + "\n";
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
