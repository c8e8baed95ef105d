#include "model/KeyInfo.h"

#include "model/NameTables.h"

namespace {

// Key messages.
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;

// Virtual keys with a side-specific or special meaning here.
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_TAB = 0x09;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_SHIFT = 0x10;
constexpr WORD VK_CONTROL = 0x11;
constexpr WORD VK_MENU = 0x12;
constexpr WORD VK_PAUSE = 0x13;
constexpr WORD VK_CAPITAL = 0x14;
constexpr WORD VK_SPACE = 0x20;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_LWIN = 0x5B;
constexpr WORD VK_RWIN = 0x5C;
constexpr WORD VK_APPS = 0x5D;
constexpr WORD VK_SEPARATOR = 0x6C; // the keypad Enter
constexpr WORD VK_NUMLOCK = 0x90;
constexpr WORD VK_SCROLL = 0x91;
constexpr WORD VK_LSHIFT = 0xA0;
constexpr WORD VK_RSHIFT = 0xA1;
constexpr WORD VK_LCONTROL = 0xA2;
constexpr WORD VK_RCONTROL = 0xA3;
constexpr WORD VK_LMENU = 0xA4;
constexpr WORD VK_RMENU = 0xA5;

constexpr WORD SCAN_LSHIFT = 0x2A;
constexpr WORD SCAN_RSHIFT = 0x36;
constexpr WORD UNMAPPED_VKEY = 0xFF;

// Characters of the key-name buffer.
constexpr int KEY_NAME_CHARS = 20;

KeyboardLayoutProvider& LayoutProvider() {
    static KeyboardLayoutProvider provider;
    return provider;
}

// Keys whose key-down the capturing widgets swallow so that the edit control underneath does
// not act on them.
bool IsSwallowedKey(WORD vk) {
    switch (vk) {
    case VK_BACK:
    case VK_TAB:
    case VK_PAUSE:
    case VK_CAPITAL:
    case VK_SPACE:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_NUMLOCK:
    case VK_SCROLL:
        return true;
    default:
        return vk >= VK_HOME && vk <= VK_DOWN;
    }
}

WORD SideSpecificKey(WORD vk, WORD scan, bool extended) {
    switch (vk) {
    case VK_CONTROL:
        return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_SHIFT:
        if (scan == SCAN_LSHIFT) {
            return VK_LSHIFT;
        }
        return scan == SCAN_RSHIFT ? VK_RSHIFT : VK_SHIFT;
    case VK_MENU:
        return extended ? VK_RMENU : VK_LMENU;
    case VK_RETURN:
        return extended ? VK_SEPARATOR : VK_RETURN;
    default:
        return vk;
    }
}

// Shift, Ctrl and Alt that the layout needs to type the key's own character. A key that types
// no character (function keys, arrows, modifiers) needs none: the character lookup would
// otherwise answer for the NUL character (Ctrl+Shift) or for no key at all (-1, every bit).
BYTE ModifiersOfCharacter(WORD vk) {
    const HKL layout = GetKeyInfoKeyboardLayout();
    // Bit 31 marks a dead key; the character is in the low word.
    auto ch = static_cast<WCHAR>(MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, layout) & 0xFFFF);
    if (ch == 0) {
        return 0;
    }
    // Letter keys are reported by their capital; the key itself types the small letter.
    if (ch >= u'A' && ch <= u'Z') {
        ch = static_cast<WCHAR>(ch - u'A' + u'a');
    }
    const SHORT scan = VkKeyScanExW(ch, layout);
    // The shift state belongs to the key that the lookup found; when that is another key
    // (the keypad's '*' and '+' are found on the main keys, which need Shift), it says
    // nothing about this one.
    if (scan == -1 || static_cast<WORD>(static_cast<USHORT>(scan) & 0xFF) != (vk & 0xFF)) {
        return 0;
    }
    const auto state = static_cast<UINT>(static_cast<USHORT>(scan));
    BYTE flags = 0;
    if ((state & 0x100) != 0) {
        flags |= KEYINFO_SHIFT;
    }
    if ((state & 0x200) != 0) {
        flags |= KEYINFO_CTRL;
    }
    if ((state & 0x400) != 0) {
        flags |= KEYINFO_ALT;
    }
    return flags;
}

bool IsHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(WCHAR c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

void SetKeyboardLayoutProvider(KeyboardLayoutProvider provider) {
    LayoutProvider() = std::move(provider);
}

HKL GetKeyInfoKeyboardLayout() {
    const KeyboardLayoutProvider& provider = LayoutProvider();
    return provider ? provider() : UsEnglishKeyboardLayout();
}

bool KeyInfoFromMessage(KeyInfo& key, UINT message, WPARAM wParam, LPARAM lParam) {
    bool press = false;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if ((static_cast<ULONG_PTR>(lParam) & (ULONG_PTR{KF_REPEAT} << 16)) != 0) {
            return true;
        }
        press = true;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        press = false;
        break;
    default:
        return true;
    }
    key.virtualKeyReceived = LOWORD(wParam);
    const bool swallow = message == WM_KEYDOWN && IsSwallowedKey(key.virtualKeyReceived);
    key.name.Empty();
    KeyInfoFromKeyFlags(lParam, key, press);
    GetKeyDisplayName(key.virtualKey, key.name, key.scanCodeReceived,
                      (key.flags & KEYINFO_EXTENDED) != 0);
    return swallow;
}

void KeyInfoFromKeyFlags(LPARAM lParam, KeyInfo& key, bool press) {
    const auto bits = static_cast<DWORD>(static_cast<ULONG_PTR>(lParam));
    const auto scan = static_cast<WORD>((bits >> 16) & 0xFF);
    const bool extended = (bits & (DWORD{KF_EXTENDED} << 16)) != 0;
    key.scanCodeReceived = scan;

    const WORD vk = SideSpecificKey(key.virtualKeyReceived, scan, extended);
    key.virtualKeyReceived = vk;
    key.scanCode = scan;
    key.virtualKey = vk;
    key.direction = press ? KEYINFO_PRESS : KEYINFO_RELEASE;

    key.flags = extended ? KEYINFO_EXTENDED : 0;
    if ((bits & (DWORD{KF_ALTDOWN} << 16)) != 0) {
        key.flags |= KEYINFO_ALT;
    }
    key.flags |= ModifiersOfCharacter(vk);

    GetKeyDisplayName(key.virtualKey, key.name, key.scanCodeReceived, extended);
}

bool KeyInfoFromStored(KeyInfo& key, const RAWKEYBOARD* report) {
    if (report == nullptr) {
        return false;
    }
    key.scanCode = 0;
    key.virtualKey = 0;
    key.direction = 0;
    key.flags = 0;
    key.scanCodeReceived = report->MakeCode;
    if (report->VKey != UNMAPPED_VKEY) {
        key.virtualKeyReceived = report->VKey;
    }
    const bool extended = (report->Flags & RI_KEY_E0) != 0;
    key.scanCode = report->MakeCode;
    key.virtualKey = key.virtualKeyReceived;
    key.flags = extended ? KEYINFO_EXTENDED : 0;
    key.direction = (report->Flags & RI_KEY_BREAK) != 0 ? KEYINFO_RELEASE : KEYINFO_PRESS;

    GetKeyDisplayName(key.virtualKey, key.name, report->MakeCode, extended);
    if (IsKeyNameEmpty(key.name.GetString())) {
        return false;
    }
    return report->MakeCode != 0 && (report->Flags & RI_KEY_E1) == 0 &&
           !(extended && report->VKey == UNMAPPED_VKEY) && key.virtualKey != VK_PAUSE;
}

bool GetKeyDisplayName(WORD virtualKey, CString& name, WORD scanCode, bool extended) {
    name.Empty();
    DWORD argument = static_cast<DWORD>(scanCode) << 16;
    if (extended || virtualKey == VK_NUMLOCK) {
        argument |= 0x01000000;
    }
    WCHAR buffer[KEY_NAME_CHARS] = {};
    if (GetKeyNameTextW(static_cast<LONG>(argument), buffer, KEY_NAME_CHARS) > 0) {
        name = buffer;
        return true;
    }
    if (const WCHAR* label = LookupName(KeyShortNameMap, virtualKey)) {
        name = label;
        return true;
    }
    // The character the key types on its own, as a key cap shows it. Only what the call
    // wrote is read; control characters make no name.
    const BYTE noKeysDown[256] = {};
    WCHAR typed[2] = {};
    const int count = ToUnicode(virtualKey, scanCode, noKeysDown, typed, 2, 0);
    if (count == 0 || typed[0] < u' ' || typed[0] == 0x7F) {
        return true;
    }
    if (IsHighSurrogate(typed[0])) {
        if (count == 2 && IsLowSurrogate(typed[1])) {
            name = CString(typed, 2);
        }
        return true;
    }
    // Key caps show letters in capitals; only the ASCII letters are raised, every other
    // character is named as the key types it.
    WCHAR shown = typed[0];
    if (shown >= u'a' && shown <= u'z') {
        shown = static_cast<WCHAR>(shown - u'a' + u'A');
    }
    name = CString(shown);
    return true;
}

bool IsKeyNameEmpty(const WCHAR* text) {
    return text == nullptr || text[0] == 0;
}
