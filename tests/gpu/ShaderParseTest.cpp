#include "gpu/ShaderSource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kal::shaderTextFromBytes;
using kal::splitShaderSections;

std::string fromBytes(const std::string& bytes) { return shaderTextFromBytes(bytes.data(), bytes.size()); }

TEST(ShaderSections, MarkersSplitStagesAndLinesBeforeFirstMarkerAreDropped) {
    auto s = splitShaderSections("#version 330 core\nstray\n##VERTEX\nvoid v(){}\n##FRAGMENT\nvoid f(){}\n");
    EXPECT_EQ(s.vertex, "void v(){}\n");
    EXPECT_EQ(s.fragment, "void f(){}\n");
    EXPECT_TRUE(s.outputs.empty());
}

TEST(ShaderSections, LaterMarkersSwitchBackAndAppendInOrder) {
    auto s = splitShaderSections("##FRAGMENT\nf1\n##VERTEX\nv1\n##FRAGMENT\nf2\n##VERTEX\nv2\n");
    EXPECT_EQ(s.vertex, "v1\nv2\n");
    EXPECT_EQ(s.fragment, "f1\nf2\n");
}

TEST(ShaderSections, MarkerCountsAnywhereInLineAndVertexWinsOverFragment) {
    auto s = splitShaderSections("// ##FRAGMENT and ##VERTEX\na\n  //##FRAGMENT//\nb\n");
    EXPECT_EQ(s.vertex, "a\n");
    EXPECT_EQ(s.fragment, "b\n");
}

TEST(ShaderSections, EmptyLinesAndCarriageReturnsCarryNoMeaning) {
    auto lf = splitShaderSections("##VERTEX\nout vec3 p;\n\n\nx\n##FRAGMENT\ny\n");
    auto crlf = splitShaderSections("##VERTEX\r\nout vec3 p;\r\n\r\nx\r\n##FRAGMENT\r\ny\r\n");
    EXPECT_EQ(lf.vertex, "out vec3 p;\nx\n");
    EXPECT_EQ(crlf.vertex, lf.vertex);
    EXPECT_EQ(crlf.fragment, lf.fragment);
    EXPECT_EQ(crlf.outputs, lf.outputs);
}

TEST(ShaderSections, OnlyUnindentedLowerCaseOutLinesOfTheVertexStageAreCaptured) {
    auto s = splitShaderSections("##VERTEX\n"
                                 "out vec3 position1;\n"
                                 "  out vec3 indented;\n"
                                 "\tout vec3 tabbed;\n"
                                 "smooth out vec3 qualified;\n"
                                 "flat out int flat1;\n"
                                 "OUT vec3 upper;\n"
                                 "outvec3 glued;\n"
                                 "out float second;\n");
    EXPECT_EQ(s.outputs, (std::vector<std::string>{"position1", "second"}));
    EXPECT_TRUE(s.fragment.empty());
}

TEST(ShaderSections, OutLinesOfTheFragmentStageAreNotCaptured) {
    auto s = splitShaderSections("##VERTEX\nout vec3 a;\n##FRAGMENT\nout vec4 fragColor;\n");
    EXPECT_EQ(s.outputs, std::vector<std::string>{"a"});
}

TEST(ShaderSections, OutLineWithoutNameCapturesNothing) {
    auto s = splitShaderSections("##VERTEX\nout vec3 ;\nout vec3 x\n");
    // "x" less its last character is empty: nothing to capture
    EXPECT_TRUE(s.outputs.empty());
    EXPECT_EQ(kal::capturedOutputName("out vec3 position1;"), "position1");
    EXPECT_EQ(kal::capturedOutputName("out vec3 "), "");
    EXPECT_EQ(kal::capturedOutputName("out"), "");
}

TEST(ShaderText, CrLfLfAndLoneCrFilesStoreTheSameText) {
    const std::string expected = "##VERTEX\nvoid main(){}\n##FRAGMENT\nx\n";
    EXPECT_EQ(fromBytes("##VERTEX\r\nvoid main(){}\r\n##FRAGMENT\r\nx\r\n"), expected);
    EXPECT_EQ(fromBytes("##VERTEX\nvoid main(){}\n##FRAGMENT\nx"), expected);
    EXPECT_EQ(fromBytes("##VERTEX\rvoid main(){}\r\r##FRAGMENT\rx\r"), expected);
    EXPECT_EQ(fromBytes("\n\n##VERTEX\n\n\nvoid main(){}\n##FRAGMENT\nx\n\n"), expected);
}

TEST(ShaderText, TextEndsAtFirstNul) {
    const std::string bytes("##VERTEX\nkeep\n\0##FRAGMENT\ndrop\n", 31);
    EXPECT_EQ(fromBytes(bytes), "##VERTEX\nkeep\n");
    EXPECT_EQ(fromBytes(std::string("\0abc", 4)), "");
}

TEST(ShaderText, EmptyOrMissingTextGivesEmptySections) {
    auto s = splitShaderSections("");
    EXPECT_TRUE(s.vertex.empty() && s.fragment.empty() && s.outputs.empty());
    EXPECT_EQ(fromBytes(""), "");
    EXPECT_EQ(shaderTextFromBytes(nullptr, 12), "");
    EXPECT_EQ(fromBytes("\r\n\r\n"), "");
}

} // namespace
