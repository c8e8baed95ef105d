#pragma once
// Key descriptions: what the key-capturing widgets (the macro event list and the single-key
// entry field) make of a keyboard message or a raw-input keyboard report, and the display
// names of keys wherever a stored key is shown.

#include "platform/base/CString.h"
#include "platform/base/Keyboard.h"
#include "platform/base/WinTypes.h"

#include <functional>

// KeyInfo::direction values (the low byte of a key MacroEvent's flags).
inline constexpr BYTE KEYINFO_PRESS = 0xFF;
inline constexpr BYTE KEYINFO_RELEASE = 0x01;
// KeyInfo::flags bits (the flags byte of a "$SingleKey" assignment).
inline constexpr BYTE KEYINFO_EXTENDED = 0x01;
inline constexpr BYTE KEYINFO_ALT = 0x02;
inline constexpr BYTE KEYINFO_CTRL = 0x04;
inline constexpr BYTE KEYINFO_SHIFT = 0x08;

struct KeyInfo {
    WORD scanCode = 0;
    // Side-specific for Ctrl, Shift and Alt (left/right) and Enter (keypad Enter 0x6C).
    WORD virtualKey = 0;
    BYTE direction = 0;
    BYTE flags = 0;
    CString name;
    // The codes as the system reported them.
    WORD virtualKeyReceived = 0;
    WORD scanCodeReceived = 0;
};

// Fills the description from a key message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP).
// True means the caller swallows the message: for an auto-repeated key-down and for any other
// message (the description is then untouched), and for a key-down of the keys the edit
// controls would otherwise act on (Backspace, Tab, Pause, Caps Lock, Space, Home and the
// arrows, the Windows and Apps keys, Num Lock, Scroll Lock).
bool KeyInfoFromMessage(KeyInfo& key, UINT message, WPARAM wParam, LPARAM lParam);
// The same for a queued message record (anything with message, wParam and lParam); a null
// message is passed on (false) and changes nothing.
template <class Message>
requires requires(const Message& m) {
    m.message;
    m.wParam;
    m.lParam;
}
bool KeyInfoFromMessage(KeyInfo& key, const Message* msg) {
    return msg != nullptr && KeyInfoFromMessage(key, msg->message, msg->wParam, msg->lParam);
}

// Fills the description from key.virtualKeyReceived and the key flags of a key message's
// lParam; press selects the direction.
void KeyInfoFromKeyFlags(LPARAM lParam, KeyInfo& key, bool press);

// Fills the description from a raw-input keyboard report; true when the key is usable (it has
// a name and a make code, and is neither Pause nor an E1 or unmapped E0 report). A null
// report changes nothing and is not usable.
bool KeyInfoFromStored(KeyInfo& key, const RAWKEYBOARD* report);

// The display name of a key: the system's key name, else the short label of the vocabulary
// tables, else the key's character (a-z raised to capitals); empty when none gives a name.
// Always true.
bool GetKeyDisplayName(WORD virtualKey, CString& name, WORD scanCode, bool extended);

// True when the text is the empty string (a null text counts as empty).
bool IsKeyNameEmpty(const WCHAR* text);

// The keyboard layout that key descriptions use to tell which modifiers a key's character
// needs: the layout of the current language table. Until a provider is set (and after
// SetKeyboardLayoutProvider with an empty function) it is the US English layout.
using KeyboardLayoutProvider = std::function<HKL()>;
void SetKeyboardLayoutProvider(KeyboardLayoutProvider provider);
HKL GetKeyInfoKeyboardLayout();
