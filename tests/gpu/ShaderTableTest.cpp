// Runs without any GL context: the table must exist, uncompiled, before start-up.
#include "gpu/GLCallCounter.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ShaderTable, HoldsAll48EntriesNamedByResourcePathFromTheStart) {
    std::set<std::string> names;
    std::set<const kal::Shader*> objects;
    for (int i = 0; i < kal::shaderTableSize; ++i) {
        const kal::Shader* s = kal::shaderTableEntry(i);
        ASSERT_NE(s, nullptr) << i;
        names.insert(s->name);
        objects.insert(s);
        EXPECT_EQ(s->name.find(".glsl"), std::string::npos) << s->name;
        EXPECT_NE(s->name.front(), '/') << s->name;
    }
    EXPECT_EQ(names.size(), 48u);
    EXPECT_EQ(objects.size(), 48u);
    EXPECT_EQ(kal::shaderTableEntry(-1), nullptr);
    EXPECT_EQ(kal::shaderTableEntry(48), nullptr);
    EXPECT_EQ(kal::shaderTableEntry(0)->name, "SkyBox");
    EXPECT_EQ(kal::shaderTableEntry(4), kal::shaderCurveDraw);
    EXPECT_EQ(kal::shaderCurveDraw->name, "Curve/Draw");
    EXPECT_EQ(kal::shaderClay->name, "Mesh/Clay");
    EXPECT_EQ(kal::shaderTableEntry(47)->name, "Mesh/ClayFlatten");
    for (const char* folder : {"Curve/", "Filters/", "Mesh/", "Sprite/"}) {
        int count = 0;
        for (const std::string& n : names) count += n.rfind(folder, 0) == 0;
        EXPECT_GT(count, 0) << folder;
    }
}

TEST(ShaderTable, NoEntryIsCompiledAndNoProgramExistsBeforeAContext) {
    for (int i = 0; i < kal::shaderTableSize; ++i) {
        const kal::Shader* s = kal::shaderTableEntry(i);
        EXPECT_FALSE(s->compiled) << s->name;
        EXPECT_EQ(s->program, 0u) << s->name;
        EXPECT_TRUE(s->stages.empty()) << s->name;
        EXPECT_TRUE(s->source.empty()) << s->name;
    }
    EXPECT_EQ(kal::Shader::currentProgram, 0u);
    EXPECT_EQ(kal::glCallCounts().useProgram, 0);
}

TEST(ShaderTable, BindingWithoutAContextFailsCleanly) {
    kal::Shader s("Curve/Draw");
    EXPECT_FALSE(s.bind());
    EXPECT_FALSE(s.compiled);
    EXPECT_EQ(kal::Shader::currentProgram, 0u);
}

} // namespace
