// Runs without any GL context: the table must exist, uncompiled, before start-up.
#include "gpu/GLCallCounter.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ShaderTable, EveryRowIsADistinctShaderAndTheEndsAnswerNull) {
    std::set<std::string> names;
    std::set<const kal::Shader*> objects;
    for (int i = 0; i < kal::shaderTableSize; ++i) {
        const kal::Shader* s = kal::shaderTableEntry(i);
        ASSERT_NE(s, nullptr) << i;
        names.insert(s->name);
        objects.insert(s);
        // names are resource paths without the folder's root or the extension
        EXPECT_EQ(s->name.find(".glsl"), std::string::npos) << s->name;
        EXPECT_NE(s->name.front(), '/') << s->name;
    }
    EXPECT_EQ(names.size(), size_t(kal::shaderTableSize));
    EXPECT_EQ(objects.size(), size_t(kal::shaderTableSize));
    EXPECT_EQ(kal::shaderTableEntry(-1), nullptr);
    EXPECT_EQ(kal::shaderTableEntry(kal::shaderTableSize), nullptr);
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
