#pragma once
// Key states indexed by Windows virtual-key code, refreshed once per frame from the platform key
// table (PlatformKeys.h). A key is down when its platform byte has a bit of 0xF0 set.
#include <cstdint>
#include <vector>

namespace kal {

// Virtual-key codes the program reads.
enum VirtualKey : int {
    VkBack = 8,
    VkTab = 9,
    VkReturn = 13,
    VkShift = 16,
    VkControl = 17,
    VkMenu = 18,
    VkEscape = 27,
    VkSpace = 32,
    VkDelete = 0x2E,
    VkF1 = 0x70
};

struct KeyState {
    uint8_t previous = 0;
    uint8_t current = 0;
};

class Keyboard {
public:
    std::vector<KeyState> keys;       // 256 entries
    std::vector<uint8_t> stateBuffer; // platform table of the last poll, 256 bytes

    Keyboard();

    // Reads the platform table; bit 0 of the answer: some key went down, bit 1: some key went up.
    uint8_t poll();
    // Same, from a given 256-byte table.
    uint8_t pollFrom(const uint8_t* table);
    // Back to 256 released keys, so no key counts as held across a focus change.
    void reset();

    bool isDown(int key) const { return keys[key & 255].current != 0; }
    bool wasDown(int key) const { return keys[key & 255].previous != 0; }
    bool pressed(int key) const { return isDown(key) && !wasDown(key); }
    // The table as bytes: byte 2k is previous, 2k+1 current of key k (Shift is byte 33).
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(keys.data()); }
};

static_assert(sizeof(KeyState) == 2, "the key table is read as bytes");

extern Keyboard keyboard;

} // namespace kal
