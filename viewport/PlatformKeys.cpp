#include "viewport/PlatformKeys.h"

#include <cstring>
#include <unordered_map>

#include <QCoreApplication>
#include <QInputEvent>
#include <QKeyEvent>

namespace kal {

namespace {

unsigned char keyTable[256] = {};
// Keys pressed since the last read: a tap that comes and goes between two frames (or while one
// frame renders) is still reported down once, and released by the read after.
bool pressUnread[256] = {};
// Scan code -> key code of the press, so the release clears the same entry even when a modifier
// changed what the key means in between (Shift+1 arrives as '!').
std::unordered_map<quint32, int> pressedByScanCode;

int keyOfQtKey(int key, bool keypad) {
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return 18;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Meta: return 0x5B;
    // the shifted digits of the usual layout still name the digit key
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return keypad ? 0x6A : '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Plus: return keypad ? 0x6B : 0xBB;
    case Qt::Key_Minus: return keypad ? 0x6D : 0xBD;
    case Qt::Key_Period: return keypad ? 0x6E : 0xBE;
    case Qt::Key_Slash: return keypad ? 0x6F : 0xBF;
    case Qt::Key_Comma: return 0xBC;
    default: return 0;
    }
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr ||
           key == Qt::Key_Meta;
}

// Input events whose modifiers tell what is held; a modifier key's own event may or may not count
// itself, so its press and release speak for it instead.
bool tellsHeldModifiers(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: return !isModifierKey(static_cast<QKeyEvent*>(event)->key());
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    default: return false;
    }
}

class KeyTableFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (tellsHeldModifiers(event)) followModifiers(static_cast<QInputEvent*>(event)->modifiers());
        switch (event->type()) {
        // A key bound to a shortcut arrives only as ShortcutOverride, never as KeyPress.
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (e->isAutoRepeat()) break;
            const int k = virtualKeyOf(*e);
            if (k <= 0) break;
            keyTable[k] = 0x80;
            pressUnread[k] = true;
            if (e->nativeScanCode() != 0) pressedByScanCode[e->nativeScanCode()] = k;
            break;
        }
        case QEvent::KeyRelease: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (e->isAutoRepeat()) break;
            int k = virtualKeyOf(*e);
            auto it = pressedByScanCode.find(e->nativeScanCode());
            if (e->nativeScanCode() != 0 && it != pressedByScanCode.end()) {
                keyTable[it->second] = 0;
                pressedByScanCode.erase(it);
            }
            if (k > 0) keyTable[k] = 0;
            break;
        }
        case QEvent::ApplicationDeactivate: clearPlatformKeys(); break;
        case QEvent::ApplicationStateChange:
            if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
                clearPlatformKeys();
            break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

KeyTableFilter* installedFilter = nullptr;

} // namespace

int virtualKeyOf(const QKeyEvent& event) {
    return keyOfQtKey(event.key(), (event.modifiers() & Qt::KeypadModifier) != 0);
}

void installPlatformKeys(QCoreApplication* app) {
    if (!app || installedFilter) return;
    installedFilter = new KeyTableFilter(app);
    app->installEventFilter(installedFilter);
    QObject::connect(installedFilter, &QObject::destroyed, [] { installedFilter = nullptr; });
}

void readPlatformKeys(unsigned char* out) {
    for (int k = 0; k < 256; ++k) out[k] = pressUnread[k] ? 0x80 : keyTable[k];
    std::memset(pressUnread, 0, sizeof pressUnread);
}

void followModifiers(Qt::KeyboardModifiers held) {
    keyTable[16] = (held & Qt::ShiftModifier) ? 0x80 : 0;
    keyTable[17] = (held & Qt::ControlModifier) ? 0x80 : 0;
    keyTable[18] = (held & Qt::AltModifier) ? 0x80 : 0;
}

void clearPlatformKeys() {
    std::memset(keyTable, 0, sizeof keyTable);
    std::memset(pressUnread, 0, sizeof pressUnread);
    pressedByScanCode.clear();
}

} // namespace kal
