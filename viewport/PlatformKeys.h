#pragma once
// Our own stand-in for the platform's 256-byte key-state table: an application-wide event filter
// keeps it from Qt key events, indexed by Windows virtual-key code, 0x80 while a key is down.
#include <Qt>

class QCoreApplication;
class QKeyEvent;

namespace kal {

// Installs the filter on the application once; later calls do nothing.
void installPlatformKeys(QCoreApplication* app);
// Copies the table (256 bytes) into out. A key pressed since the last read reads as down even
// when it has been released already; the next read shows it up.
void readPlatformKeys(unsigned char* out);
// Clears every key; done when the application loses focus.
void clearPlatformKeys();
// Sets Shift, Ctrl and Alt to what is really held. Every input event carries that state, and the
// release of a modifier can go astray (to a window a modal dialog blocks), so the table follows it.
void followModifiers(Qt::KeyboardModifiers held);
// The virtual-key code of a Qt key event, 0 when it has none.
int virtualKeyOf(const QKeyEvent& event);

} // namespace kal
