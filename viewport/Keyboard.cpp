#include "viewport/Keyboard.h"

#include <cstddef>

#include "viewport/MouseState.h"
#include "viewport/PlatformKeys.h"

namespace kal {

MouseState rawMouse;
MouseState frameMouse;
uint8_t backspaceRequest = 0;
Keyboard keyboard;

Keyboard::Keyboard() : keys(256), stateBuffer(256, 0) {}

uint8_t Keyboard::poll() {
    readPlatformKeys(stateBuffer.data());
    return pollFrom(stateBuffer.data());
}

uint8_t Keyboard::pollFrom(const uint8_t* table) {
    if (table != stateBuffer.data()) stateBuffer.assign(table, table + 256);
    bool pressedAny = false, releasedAny = false;
    for (int k = 0; k < 256; ++k) {
        KeyState& s = keys[std::size_t(k)];
        s.previous = s.current;
        if (stateBuffer[std::size_t(k)] & 0xF0) {
            if (s.current == 0) pressedAny = true;
            s.current = 1;
        } else {
            if (s.current == 1) releasedAny = true;
            s.current = 0;
        }
    }
    return uint8_t((pressedAny ? 1 : 0) | (releasedAny ? 2 : 0));
}

void Keyboard::reset() {
    keys.assign(256, KeyState());
    stateBuffer.assign(256, 0);
}

} // namespace kal
