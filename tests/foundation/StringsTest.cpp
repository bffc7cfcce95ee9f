#include "foundation/Log.h"
#include "foundation/Strings.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace kal;

TEST(CaseConversion, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(toUpper("scene.obj"), "SCENE.OBJ");
    EXPECT_EQ(toLower(".OBJ"), ".obj");
    EXPECT_EQ(toUpper(""), "");
    EXPECT_EQ(toLower(""), "");
    EXPECT_EQ(toUpper("a1_-z{`"), "A1_-Z{`");
    EXPECT_EQ(toLower("A1_-Z[@"), "a1_-z[@");
}

TEST(CaseConversion, CopiesHighBytesAndZerosUnchanged) {
    std::string text("\xe9t\xc3\xa9\0x\xff", 7);
    std::string upper = toUpper(text);
    EXPECT_EQ(upper, std::string("\xe9T\xc3\xa9\0X\xff", 7));
    EXPECT_EQ(upper.size(), text.size());
    EXPECT_EQ(toLower(upper), text);
}

TEST(SplitCamelCase, PutsABlankBeforeEveryNonLowerCaseCharacter) {
    EXPECT_EQ(splitCamelCase("ConstrainTranslation"), "Constrain Translation");
    EXPECT_EQ(splitCamelCase("RotateScale"), "Rotate Scale");
    EXPECT_EQ(splitCamelCase("Pattern2"), "Pattern 2");
    EXPECT_EQ(splitCamelCase("Pattern10"), "Pattern 1 0");
    EXPECT_EQ(splitCamelCase("XYZ"), "X Y Z");
    EXPECT_EQ(splitCamelCase("x"), "x");
    EXPECT_EQ(splitCamelCase("already lower"), "already  lower");
    EXPECT_EQ(splitCamelCase("deformVolume"), "deform Volume"); // the first character stays as it is
    EXPECT_EQ(splitCamelCase(""), "");
    EXPECT_EQ(splitCamelCase("a\xe9"), "a \xe9"); // not a lower-case ASCII letter
}

TEST(HexConversion, ToStringIsLowerCaseWithoutPadding) {
    EXPECT_EQ(toString(255), "ff");
    EXPECT_EQ(toString(0), "0");
    EXPECT_EQ(toString(4294967295u), "ffffffff");
    EXPECT_EQ(toString(0xABCDEF01u), "abcdef01");
}

TEST(HexConversion, ToUnsignedReadsALeadingHexNumber) {
    EXPECT_EQ(toUnsigned("ff"), 255u);
    EXPECT_EQ(toUnsigned("0x1F"), 31u);
    EXPECT_EQ(toUnsigned("  Ab"), 0xABu);
    EXPECT_EQ(toUnsigned("12g4"), 0x12u);
    EXPECT_EQ(toUnsigned("ffffffff"), 4294967295u);
    for (std::uint32_t v : {0u, 1u, 0x80000000u, 0xDEADBEEFu}) EXPECT_EQ(toUnsigned(toString(v)), v);
}

TEST(HexConversion, ToUnsignedOfNoNumberIsZero) {
    EXPECT_EQ(toUnsigned(""), 0u);
    EXPECT_EQ(toUnsigned("   "), 0u);
    EXPECT_EQ(toUnsigned("zz"), 0u);
    EXPECT_EQ(toUnsigned("123456789"), 0u); // needs more than 32 bits
}

namespace {
std::vector<std::pair<std::string, int>> captured;
void capture(const std::string& text, int flag) { captured.emplace_back(text, flag); }
} // namespace

TEST(LogSink, WritesToStderrOnlyWhenAskedAndTestsCanSeeIt) {
    logToStderr(false);
    testing::internal::CaptureStderr();
    writeLog("ERROR FBO::compile", 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    logToStderr(true);
    testing::internal::CaptureStderr();
    writeLog(std::string("ERROR Shader::compile a\0b", 25), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("ERROR Shader::compile a\0b\n", 26));
    logToStderr(false);

    captured.clear();
    setLogCapture(capture);
    writeLog("KALVIMOR LOG FILE", 1);
    writeLog("", 0);
    setLogCapture(nullptr);
    writeLog("not seen", 0);
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_EQ(captured[0], std::make_pair(std::string("KALVIMOR LOG FILE"), 1));
    EXPECT_EQ(captured[1], std::make_pair(std::string(), 0));
}
