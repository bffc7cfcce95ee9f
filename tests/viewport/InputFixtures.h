#pragma once
// The one application object key events need, key events sent as the platform would, and a reset
// of every input record.
#include <QCoreApplication>
#include <QKeyEvent>

#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"
#include "viewport/PlatformKeys.h"

namespace kal::test {

// Creates the application on first use (a GUI test main has made one already) and installs the
// key-table filter on it.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "viewport_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    installPlatformKeys(QCoreApplication::instance());
}

// The modifier keys the test holds: events carry them, as the platform's do.
inline Qt::KeyboardModifiers& heldModifiers() {
    static Qt::KeyboardModifiers held;
    return held;
}

inline void sendKey(int qtKey, bool down, bool autoRepeat = false, unsigned scanCode = 0, int modifiers = 0) {
    ensureApplication();
    const Qt::KeyboardModifier m = qtKey == Qt::Key_Shift     ? Qt::ShiftModifier
                                   : qtKey == Qt::Key_Control ? Qt::ControlModifier
                                   : qtKey == Qt::Key_Alt     ? Qt::AltModifier
                                                              : Qt::NoModifier;
    if (!autoRepeat) heldModifiers().setFlag(m, down);
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, heldModifiers() | Qt::KeyboardModifiers(modifiers),
                scanCode, 0, 0, QString(), autoRepeat);
    QObject target;
    QCoreApplication::sendEvent(&target, &e);
}

// All keys up and every mouse record zero, as at start.
inline void resetInput() {
    heldModifiers() = Qt::NoModifier;
    clearPlatformKeys();
    keyboard.reset();
    rawMouse = MouseState();
    frameMouse = MouseState();
    backspaceRequest = 0;
}

} // namespace kal::test
