#pragma once
// Typing on an X server as a user does, whatever its keyboard layout: the key that gives a key
// symbol in the current layout is found with the level it sits on, and pressed through XTest
// with Shift and AltGr (the third-level shift) as that level needs. setxkbmap changes the
// layout of a server.

#include <cstdlib>
#include <string>

#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace testsupport {

// Whether setxkbmap is installed.
inline bool HaveSetxkbmap() {
    return access("/usr/bin/setxkbmap", X_OK) == 0;
}

// Gives the server the layout (such as "de" or "ru"); true when setxkbmap succeeded.
inline bool SetKeyboardLayout(const std::string& display, const std::string& layout) {
    const std::string command = "setxkbmap -display " + display + " " + layout;
    return std::system(command.c_str()) == 0;
}

// The key code of a key whose first level is the symbol (the highest such code), 0 when none.
inline KeyCode KeyWithFirstLevel(Display* x, KeySym sym, int group) {
    int low = 0;
    int high = 0;
    XDisplayKeycodes(x, &low, &high);
    for (int code = high; code >= low; --code) {
        if (XkbKeycodeToKeysym(x, static_cast<KeyCode>(code), group, 0) == sym) {
            return static_cast<KeyCode>(code);
        }
    }
    return 0;
}

// Presses and releases the key that types sym in the current layout, holding Shift and AltGr
// as its level needs, and Ctrl when asked. delayMs goes before each event (XTest's delay).
// False when no key of the layout gives the symbol.
inline bool PressKeysym(Display* x, KeySym sym, bool control = false, unsigned long delayMs = 0) {
    XkbStateRec state{};
    XkbGetState(x, XkbUseCoreKbd, &state);
    const int group = state.group;
    int low = 0;
    int high = 0;
    XDisplayKeycodes(x, &low, &high);
    KeyCode code = 0;
    int level = 0;
    for (int c = low; c <= high && code == 0; ++c) {
        for (int l = 0; l < 4; ++l) {
            if (XkbKeycodeToKeysym(x, static_cast<KeyCode>(c), group, l) == sym) {
                code = static_cast<KeyCode>(c);
                level = l;
                break;
            }
        }
    }
    if (code == 0) {
        return false;
    }
    const KeyCode shift = KeyWithFirstLevel(x, XK_Shift_L, group);
    const KeyCode altGr = KeyWithFirstLevel(x, XK_ISO_Level3_Shift, group);
    const KeyCode ctrl = KeyWithFirstLevel(x, XK_Control_L, group);
    const bool needShift = (level & 1) != 0;
    const bool needAltGr = (level & 2) != 0;
    if (needAltGr && altGr == 0) {
        return false;
    }
    if (control) {
        XTestFakeKeyEvent(x, ctrl, True, delayMs);
    }
    if (needShift) {
        XTestFakeKeyEvent(x, shift, True, delayMs);
    }
    if (needAltGr) {
        XTestFakeKeyEvent(x, altGr, True, delayMs);
    }
    XTestFakeKeyEvent(x, code, True, delayMs);
    XTestFakeKeyEvent(x, code, False, delayMs);
    if (needAltGr) {
        XTestFakeKeyEvent(x, altGr, False, delayMs);
    }
    if (needShift) {
        XTestFakeKeyEvent(x, shift, False, delayMs);
    }
    if (control) {
        XTestFakeKeyEvent(x, ctrl, False, delayMs);
    }
    XSync(x, False);
    return true;
}

} // namespace testsupport
