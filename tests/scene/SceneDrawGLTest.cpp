#include <gtest/gtest.h>

#include "TestElement.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

using namespace kal;
using kal::test::TestElement;

namespace {

// Counts its flat and preview draws and remembers the program current at the time.
class FlatElement : public TestElement {
public:
    int flat = 0, preview = 0;
    unsigned program = 0;
    mat4 model;
    bool hasGpuGeometry() override { return true; }
    bool hasEditPreview() override { return true; }
    void drawFlat(const mat4& m, const uint8_t*, bool) override {
        ++flat;
        model = m;
        program = Shader::currentProgram;
    }
    void drawEditPreview(const mat4&, const uint8_t*, bool) override { ++preview; }
};

} // namespace

TEST(SceneDrawGL, flatPassesDrawThroughTheCurveProgramByClass) {
    Scene scene;
    auto* opaque = new FlatElement();
    auto* clear = new FlatElement();
    Tool* a = scene.sceneRoot->addChild(new Tool(opaque, mat4::translationXYZ(1, 0, 0), pbr(), false), false);
    scene.sceneRoot->addChild(new Tool(clear, mat4(), pbr(), true), false);
    (void)a;
    scene.rebuildToolLists();
    const uint8_t colour[4] = {255, 0, 0, 255};
    scene.drawListedTools(0, false, colour);
    ASSERT_NE(shaderCurve, nullptr);
    ASSERT_NE(shaderCurve->program, 0u) << "Curve/Curve did not build";
    EXPECT_EQ(opaque->flat, 1);
    EXPECT_EQ(clear->flat, 0);
    EXPECT_EQ(opaque->program, shaderCurve->program);
    EXPECT_EQ(opaque->model, a->modelMatrix(mat4()));
    scene.drawListedTools(2, false, colour);
    EXPECT_EQ(opaque->flat, 2);
    EXPECT_EQ(clear->flat, 1);
    scene.drawListedToolsB(1, false, colour);
    EXPECT_EQ(opaque->preview, 0);
    EXPECT_EQ(clear->preview, 1);
}
