// The text form of the array item sequence: entries are kind << 30 | item << 15 | multiplicity.
#include "app/ArrayDialog.h"

#include <gtest/gtest.h>

using kal::ui::parseArrayItems;
using kal::ui::printArrayItems;

namespace {

constexpr uint32_t entry(uint32_t kind, uint32_t item, uint32_t multiplicity) {
    return kind << 30 | item << 15 | multiplicity;
}

} // namespace

TEST(ArrayItems, tokensReadAsTheirEntries) {
    const struct {
        const char* text;
        std::vector<uint32_t> entries;
    } cases[] = {
        {"1-1", {0x8001}},
        {"2-3 /1 4/", {entry(0, 2, 3), entry(1, 1, 1), entry(2, 4, 1)}},
        {"3-x", {entry(0, 3, 1)}},
        {"-5", {entry(0, 5, 1)}},
        {"/3-1/", {entry(1, 3, 1)}},
        {"32769", {entry(0, 1, 1)}},
        {"7-32770", {entry(0, 7, 2)}},
        {"a-2 / - ", {}},
        {"  8-2    9-1-4  ", {entry(0, 8, 2), entry(0, 9, 1)}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseArrayItems(QString::fromLatin1(c.text)), c.entries) << c.text;
}

TEST(ArrayItems, printedTextReadsBackTheSameEntries) {
    EXPECT_EQ(printArrayItems({0x8001}), "1-1");
    EXPECT_EQ(printArrayItems({}), "");
    const std::vector<uint32_t> mixed = parseArrayItems("2-3 /1 4/");
    EXPECT_EQ(printArrayItems(mixed), "2-3 /1-1 4-1/");
    EXPECT_EQ(parseArrayItems(printArrayItems(mixed)), mixed);
    EXPECT_EQ(printArrayItems({entry(3, 6, 2)}), "6-2"); // kind 3 prints no slash
}
