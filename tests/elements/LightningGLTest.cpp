// Bolts drawn into a scene render target: pinned to the two points their matrix spans while the
// middle flickers with time, and the noise texture's unit handed back when the pass ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "SceneTargetTest.h"
#include "elements/Lightning.h"
#include "elements/Tube.h"
#include "foundation/Pbr.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureUnits.h"

using namespace kal;

namespace {

using BoltDraw = test::SceneTargetTest;

} // namespace

TEST_F(BoltDraw, aBoltCoversBothEndsAtEveryTimeWhileItsMiddleMoves) {
    // from (-1.5, 0, 0) to (1.5, 0, 0): the unit span turned onto X and stretched to 3
    mat4 model = mat4::mapVectorOnto(vec3(0, 0, 1), vec3(3, 0, 0));
    model *= mat4::translationXYZ(-1.5f, 0, 0);
    Lightning bolt(vec2(0.15f, 0.1f), vec2(0.8f, 1e-5f), 6);
    std::set<std::vector<int>> middles;
    for (float time : {0.0f, 2e4f, 4e4f, 6e4f, 8e4f}) {
        clear();
        bolt.draw(9, 0, model, pbr(), false, time, true);
        const std::vector<uint32_t> ids = allIds();
        auto column = [&](float x) {
            std::vector<int> rows;
            for (int y = 0; y < size; ++y)
                if (ids[3 * size_t(y * size + px(x))] == 9) rows.push_back(y);
            return rows;
        };
        for (float end : {-1.45f, 1.45f}) {
            const std::vector<int> rows = column(end);
            EXPECT_FALSE(rows.empty()) << "end " << end << " at " << time;
            // the bolt's section is 0.2 across; near its pinned ends it barely moves off the line
            for (int y : rows) EXPECT_LE(std::abs(y - px(0)), 2) << "end " << end << " at " << time;
        }
        middles.insert(column(0));
    }
    EXPECT_GT(middles.size(), 1u) << "the middle never moved";
}

TEST_F(BoltDraw, thePassGivesTheNoiseUnitBackAndDrawsNoLines) {
    Lightning bolt(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6);
    EXPECT_FALSE(bolt.hasGpuGeometry());
    const int units = textureUnitCounter;
    bolt.draw(1, 0, mat4(), pbr(), false, 100, false);
    EXPECT_EQ(textureUnitCounter, units + 1);
    bolt.endDraw();
    EXPECT_EQ(textureUnitCounter, units);
    EXPECT_FALSE(noiseTexture->bound);
    bolt.draw(1, 0, mat4(), pbr(), false, 100, true);
    EXPECT_EQ(textureUnitCounter, units);
    ASSERT_NE(boltTube, nullptr);
    EXPECT_GT(boltTube->vertexCount, 0);
    deleteBoltTube();
    EXPECT_EQ(boltTube, nullptr);
}
