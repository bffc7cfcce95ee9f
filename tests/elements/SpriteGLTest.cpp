// Sprites drawn into a scene render target and read back: ids and packed material, colour, light,
// the alpha cut-out, the normal of a mirrored tool, the texture unit kept by a draw that does not
// end, and the frame of an animated sprite told by its colour.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ImageFiles.h"
#include "SceneTargetTest.h"
#include "elements/AnimatedSprite.h"
#include "elements/Sprite.h"
#include "foundation/Pbr.h"
#include "gpu/TextureUnits.h"
#include "scene/Tool.h"

using namespace kal;
using kal::test::Rgb;

namespace {

class SpriteDraw : public test::SceneTargetTest {
protected:
    QTemporaryDir dir;

    std::string path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    void expectNear(vec4 a, vec4 b, const char* what) {
        EXPECT_NEAR(a.x, b.x, 0.01f) << what;
        EXPECT_NEAR(a.y, b.y, 0.01f) << what;
        EXPECT_NEAR(a.z, b.z, 0.01f) << what;
        EXPECT_NEAR(a.w, b.w, 0.01f) << what;
    }
};

const uint32_t defaultMaterialWord = 32767u + 32767u * 65536u;

} // namespace

TEST_F(SpriteDraw, theImageIsCutOutByItsAlphaFacesTheViewerAndTintsOnlyTheLightOfAColourIsLightTool) {
    // left half alpha 0.49, right half just over 0.5; scaled by 2 the square quad spans +-0.707
    ASSERT_TRUE(test::writePng(path("halves.png"), 2, 2, Rgb{200, 100, 50}, 125, 128));
    Sprite sprite(path("halves.png"), false);
    ASSERT_FALSE(sprite.invalid);
    sprite.draw(7, 3, mat4::uniformScaling(2), pbr(), false, 0, true);
    EXPECT_EQ(idAt(-0.6f, 0), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(idAt(0.6f, 0), (std::vector<uint32_t>{7, 3, defaultMaterialWord}));
    expectNear(floatsAt(target.colorTexture, 0.6f, 0), vec4(200 / 255.f, 100 / 255.f, 50 / 255.f, 128 / 255.f),
               "colour");
    expectNear(floatsAt(target.lightTexture, 0.6f, 0), vec4(0, 0, 0, 1), "plain light");
    // the normal target holds three channels: alpha reads back as 1
    expectNear(floatsAt(target.normalTexture, 0.6f, 0), vec4(0, 0, 1, 1), "normal");
    EXPECT_EQ(idAt(1.0f, 0)[0], 0u) << "outside the quad";

    // mirrored, the quad shows its back; its normal must still face the viewer
    clear();
    sprite.draw(7, 3, mat4::scaling(-2, 2, 2), pbr(), false, 0, true);
    expectNear(floatsAt(target.normalTexture, -0.6f, 0), vec4(0, 0, 1, 1), "mirrored normal");

    clear();
    pbr glowing;
    glowing.lightRed = 65535;
    glowing.roughness = -32766; // 2 x -32766 + 32767 clamps to 1
    glowing.metalness = 100;
    sprite.draw(7, 3, mat4::uniformScaling(2), glowing, true, 0, true);
    expectNear(floatsAt(target.lightTexture, 0.6f, 0), vec4(200 / 255.f, 0, 0, 128 / 255.f), "tinted light");
    EXPECT_EQ(idAt(0.6f, 0)[2], 1u | uint32_t(200 + 32767) << 16);
}

TEST_F(SpriteDraw, aBlackOpaqueTexelIsDrawnUnlessTheMaterialIsClear) {
    ASSERT_TRUE(test::writePng(path("black.png"), 2, 2, Rgb{0, 0, 0}));
    Sprite sprite(path("black.png"), false);
    sprite.draw(5, 0, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(idAt(0, 0)[0], 5u);
    expectNear(floatsAt(target.colorTexture, 0, 0), vec4(0, 0, 0, 1), "black");
    clear();
    pbr clearMaterial;
    clearMaterial.opacity = 0;
    sprite.draw(5, 0, mat4(), clearMaterial, false, 0, true);
    EXPECT_EQ(idAt(0, 0)[0], 0u);
}

TEST_F(SpriteDraw, aDrawThatDoesNotEndKeepsItsTextureUnitUntilEndDraw) {
    ASSERT_TRUE(test::writePng(path("white.png"), 4, 4, Rgb{255, 255, 255}));
    Sprite sprite(path("white.png"), false);
    const int units = textureUnitCounter;
    sprite.draw(1, 0, mat4(), pbr(), false, 0, false);
    EXPECT_EQ(textureUnitCounter, units + 1);
    sprite.endDraw();
    EXPECT_EQ(textureUnitCounter, units);
    sprite.draw(1, 0, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(textureUnitCounter, units);
    Sprite none;
    none.draw(1, 0, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(textureUnitCounter, units);
}

TEST_F(SpriteDraw, theFrameShownFollowsTheTimeAndEachLinkedCopysOffset) {
    const std::vector<Rgb> palette = {Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255}, Rgb{255, 255, 0}};
    ASSERT_TRUE(test::writeBytes(path("four.gif"), test::gifBytes(4, 4, palette, {0, 1, 2, 3}, 10).bytes));
    auto* frames = new AnimatedSprite(path("four.gif"), false);
    ASSERT_FALSE(frames->invalid);
    auto colourAt = [&](float x) {
        vec4 c = floatsAt(target.colorTexture, x, 0);
        return Rgb{uint8_t(c.x * 255 + 0.5f), uint8_t(c.y * 255 + 0.5f), uint8_t(c.z * 255 + 0.5f)};
    };
    const struct {
        float t;
        int frame;
    } times[] = {{250, 2}, {823.9f, 0}, {399.99f, 3}, {-150, 0}, {150, 1}};
    for (const auto& c : times) {
        clear();
        frames->draw(2, 0, mat4(), pbr(), false, c.t, true);
        EXPECT_EQ(idAt(0, 0)[0], 2u) << c.t;
        EXPECT_EQ(colourAt(0), palette[size_t(c.frame)]) << c.t;
    }

    // two linked copies, one a frame ahead, side by side in the same pass
    clear();
    Tool a(frames, mat4::translationXYZ(-1, 0, 0), pbr(), false);
    Tool b(frames, mat4::translationXYZ(1, 0, 0), pbr(), false);
    a.animationTime = b.animationTime = 150;
    b.animationPhase = 100;
    a.draw(1, mat4(), 0);
    b.draw(2, mat4(), 0);
    EXPECT_EQ(colourAt(-1), palette[1]);
    EXPECT_EQ(colourAt(1), palette[2]);
    b.setElement(nullptr);
}
