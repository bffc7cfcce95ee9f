#include "foundation/Log.h"
#include "foundation/Strings.h"

#include <gtest/gtest.h>

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

// Warnings of the program's categories are on as in any Qt program; debug lines only with KAL_LOG=1.
TEST(LogSwitch, WarningsAlwaysDebugOnlyWithKalLog) {
    for (const QLoggingCategory* c : {&logFiles(), &logGpu(), &logGL()}) {
        EXPECT_TRUE(c->isWarningEnabled()) << c->categoryName();
        EXPECT_FALSE(c->isDebugEnabled()) << c->categoryName();
    }
    qputenv("KAL_LOG", "0");
    applyLogSwitch();
    EXPECT_FALSE(logFiles().isDebugEnabled());
    qputenv("KAL_LOG", "1");
    applyLogSwitch();
    for (const QLoggingCategory* c : {&logFiles(), &logGpu(), &logGL()}) EXPECT_TRUE(c->isDebugEnabled());
    qunsetenv("KAL_LOG");
    QLoggingCategory::setFilterRules(QString());
    EXPECT_FALSE(logGpu().isDebugEnabled());
}
