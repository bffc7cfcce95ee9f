#include <cstdint>

#include <QCoreApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "InputFixtures.h"
#include "viewport/Keyboard.h"
#include "viewport/PlatformKeys.h"

using namespace kal;

namespace {

uint8_t platformByte(int key) {
    uint8_t table[256];
    readPlatformKeys(table);
    return table[key];
}

class KeyTable : public ::testing::Test {
protected:
    void SetUp() override { test::resetInput(); }
    void TearDown() override { test::resetInput(); }
};

} // namespace

TEST(Keyboard, PollReportsPressesAndReleasesOnTheirEdgesOnly) {
    Keyboard k;
    uint8_t table[256] = {};
    table['A'] = 0x80;
    EXPECT_EQ(k.pollFrom(table), 1);
    EXPECT_TRUE(k.pressed('A'));
    EXPECT_EQ(k.pollFrom(table), 0); // held: no edge
    EXPECT_TRUE(k.isDown('A'));
    EXPECT_FALSE(k.pressed('A'));
    table['A'] = 0;
    table[VkShift] = 0x80;
    EXPECT_EQ(k.pollFrom(table), 3);
    EXPECT_FALSE(k.isDown('A'));
    EXPECT_TRUE(k.wasDown('A'));
}

TEST(Keyboard, OnlyTheHighNibbleMeansDown) {
    Keyboard k;
    uint8_t table[256] = {};
    table[1] = 0x0F; // toggle-style low bits alone are not a held key
    table[2] = 0x10;
    k.pollFrom(table);
    EXPECT_FALSE(k.isDown(1));
    EXPECT_TRUE(k.isDown(2));
}

TEST(Keyboard, ByteViewPutsShiftAt33AndCtrlAt35) {
    Keyboard k;
    uint8_t table[256] = {};
    table[VkShift] = 0x80;
    k.pollFrom(table);
    table[VkControl] = 0x80;
    k.pollFrom(table);
    EXPECT_EQ(k.bytes()[32], 1); // Shift previous
    EXPECT_EQ(k.bytes()[33], 1); // Shift current
    EXPECT_EQ(k.bytes()[34], 0); // Ctrl previous
    EXPECT_EQ(k.bytes()[35], 1);
}

TEST(Keyboard, ResetForgetsHeldKeysSoTheNextPollSeesAFreshPress) {
    Keyboard k;
    uint8_t table[256] = {};
    table['Q'] = 0x80;
    k.pollFrom(table);
    k.reset();
    EXPECT_EQ(k.keys.size(), 256u);
    EXPECT_FALSE(k.isDown('Q'));
    EXPECT_EQ(k.pollFrom(table) & 1, 1);
}

TEST_F(KeyTable, QtKeyEventsFillTheVirtualKeyTable) {
    test::sendKey(Qt::Key_Shift, true);
    test::sendKey(Qt::Key_Control, true);
    test::sendKey(Qt::Key_Escape, true);
    test::sendKey(Qt::Key_Return, true);
    test::sendKey(Qt::Key_F1, true);
    test::sendKey(Qt::Key_G, true);
    test::sendKey(Qt::Key_7, true);
    EXPECT_EQ(platformByte(16), 0x80);
    EXPECT_EQ(platformByte(17), 0x80);
    EXPECT_EQ(platformByte(27), 0x80);
    EXPECT_EQ(platformByte(13), 0x80);
    EXPECT_EQ(platformByte(0x70), 0x80);
    EXPECT_EQ(platformByte('G'), 0x80);
    EXPECT_EQ(platformByte('7'), 0x80);
    test::sendKey(Qt::Key_G, false);
    EXPECT_EQ(platformByte('G'), 0);
    EXPECT_EQ(platformByte(16), 0x80);
}

TEST_F(KeyTable, AKeyTakenByAShortcutStillCountsAsDown) {
    // a key bound to an action arrives as a shortcut override and never as a key press
    QKeyEvent e(QEvent::ShortcutOverride, Qt::Key_Z, Qt::NoModifier, 0, 0, 0);
    QObject target;
    QCoreApplication::sendEvent(&target, &e);
    EXPECT_EQ(platformByte('Z'), 0x80);
    test::sendKey(Qt::Key_Z, false);
    EXPECT_EQ(platformByte('Z'), 0);
}

TEST_F(KeyTable, KeypadDigitsAreNotMainKeyboardDigits) {
    test::sendKey(Qt::Key_3, true, false, 0, Qt::KeypadModifier);
    EXPECT_EQ(platformByte('3'), 0);
    EXPECT_EQ(platformByte(0x63), 0x80);
}

TEST_F(KeyTable, AutoRepeatIsIgnored) {
    test::sendKey(Qt::Key_A, true);
    test::sendKey(Qt::Key_A, false, true); // a repeat's release is not the real release
    EXPECT_EQ(platformByte('A'), 0x80);
    test::sendKey(Qt::Key_A, false);
    EXPECT_EQ(platformByte('A'), 0);
}

TEST_F(KeyTable, ReleaseClearsThePressedKeyEvenWhenShiftChangedItsSymbol) {
    test::sendKey(Qt::Key_1, true, false, 10);
    EXPECT_EQ(platformByte('1'), 0x80);
    test::sendKey(Qt::Key_Exclam, false, false, 10);
    EXPECT_EQ(platformByte('1'), 0);
}

TEST_F(KeyTable, AKeyTappedBetweenTwoPollsIsSeenDownOnceThenUp) {
    keyboard.poll();
    test::sendKey(Qt::Key_Escape, true);
    test::sendKey(Qt::Key_Escape, false);
    EXPECT_EQ(keyboard.poll(), 1);
    EXPECT_TRUE(keyboard.pressed(VkEscape));
    EXPECT_EQ(keyboard.poll(), 2);
    EXPECT_FALSE(keyboard.isDown(VkEscape));
    EXPECT_EQ(keyboard.poll(), 0);
    // lost focus between the tap and the poll: nothing is left to report
    test::sendKey(Qt::Key_Escape, true);
    test::sendKey(Qt::Key_Escape, false);
    clearPlatformKeys();
    EXPECT_EQ(keyboard.poll(), 0);
}

TEST_F(KeyTable, LosingFocusClearsTheTable) {
    test::sendKey(Qt::Key_Alt, true);
    test::sendKey(Qt::Key_Space, true);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QObject target;
    QCoreApplication::sendEvent(&target, &deactivate);
    EXPECT_EQ(platformByte(18), 0);
    EXPECT_EQ(platformByte(32), 0);
}

TEST_F(KeyTable, GlobalKeyboardPollsThePlatformTable) {
    test::sendKey(Qt::Key_Control, true);
    EXPECT_EQ(keyboard.poll(), 1);
    EXPECT_TRUE(keyboard.isDown(VkControl));
    EXPECT_EQ(keyboard.stateBuffer[VkControl], 0x80);
}
