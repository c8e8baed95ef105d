#include "platform/base/Keyboard.h"

#include "platform/base/WideChar.h"

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace {

// Virtual-key codes the US English table uses.
enum : BYTE {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_CLEAR = 0x0C,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
    VK_F13 = 0x7C,
    VK_F24 = 0x87,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_LSHIFT = 0xA0,
    VK_RSHIFT = 0xA1,
    VK_LCONTROL = 0xA2,
    VK_RCONTROL = 0xA3,
    VK_LMENU = 0xA4,
    VK_RMENU = 0xA5,
    VK_BROWSER_BACK = 0xA6,
    VK_BROWSER_FORWARD = 0xA7,
    VK_OEM_1 = 0xBA,
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,
    VK_OEM_3 = 0xC0,
    VK_OEM_4 = 0xDB,
    VK_OEM_5 = 0xDC,
    VK_OEM_6 = 0xDD,
    VK_OEM_7 = 0xDE,
    VK_OEM_102 = 0xE2,
};

// Extended scan codes carry the E0 prefix in the high byte.
constexpr WORD E0 = 0xE000;

// One key of a layout: its virtual key, its scan code, and the characters it types without
// and with Shift. Keypad keys are never chosen to type a character.
struct KeyDef {
    BYTE vk;
    WORD scan;
    WCHAR normal;
    WCHAR shifted;
    bool keypad;
};

// A key name by scan code (E0 in the high byte for extended keys).
struct KeyName {
    WORD scan;
    const WCHAR* name;
};

// The US English layout, in ascending virtual-key order.
constexpr KeyDef kUsKeys[] = {
    {VK_BACK, 0x0E, 0x08, 0x08, false},
    {VK_TAB, 0x0F, u'\t', u'\t', false},
    {VK_CLEAR, 0x4C, 0, 0, true},
    {VK_RETURN, 0x1C, u'\r', u'\r', false},
    {VK_SHIFT, 0x2A, 0, 0, false},
    {VK_CONTROL, 0x1D, 0, 0, false},
    {VK_MENU, 0x38, 0, 0, false},
    {VK_PAUSE, 0x45, 0, 0, false},
    {VK_CAPITAL, 0x3A, 0, 0, false},
    {VK_ESCAPE, 0x01, 0x1B, 0x1B, false},
    {VK_SPACE, 0x39, u' ', u' ', false},
    {VK_PRIOR, E0 | 0x49, 0, 0, false},
    {VK_NEXT, E0 | 0x51, 0, 0, false},
    {VK_END, E0 | 0x4F, 0, 0, false},
    {VK_HOME, E0 | 0x47, 0, 0, false},
    {VK_LEFT, E0 | 0x4B, 0, 0, false},
    {VK_UP, E0 | 0x48, 0, 0, false},
    {VK_RIGHT, E0 | 0x4D, 0, 0, false},
    {VK_DOWN, E0 | 0x50, 0, 0, false},
    {VK_SNAPSHOT, E0 | 0x37, 0, 0, false},
    {VK_INSERT, E0 | 0x52, 0, 0, false},
    {VK_DELETE, E0 | 0x53, 0, 0, false},
    {'0', 0x0B, u'0', u')', false},
    {'1', 0x02, u'1', u'!', false},
    {'2', 0x03, u'2', u'@', false},
    {'3', 0x04, u'3', u'#', false},
    {'4', 0x05, u'4', u'$', false},
    {'5', 0x06, u'5', u'%', false},
    {'6', 0x07, u'6', u'^', false},
    {'7', 0x08, u'7', u'&', false},
    {'8', 0x09, u'8', u'*', false},
    {'9', 0x0A, u'9', u'(', false},
    {'A', 0x1E, u'a', u'A', false},
    {'B', 0x30, u'b', u'B', false},
    {'C', 0x2E, u'c', u'C', false},
    {'D', 0x20, u'd', u'D', false},
    {'E', 0x12, u'e', u'E', false},
    {'F', 0x21, u'f', u'F', false},
    {'G', 0x22, u'g', u'G', false},
    {'H', 0x23, u'h', u'H', false},
    {'I', 0x17, u'i', u'I', false},
    {'J', 0x24, u'j', u'J', false},
    {'K', 0x25, u'k', u'K', false},
    {'L', 0x26, u'l', u'L', false},
    {'M', 0x32, u'm', u'M', false},
    {'N', 0x31, u'n', u'N', false},
    {'O', 0x18, u'o', u'O', false},
    {'P', 0x19, u'p', u'P', false},
    {'Q', 0x10, u'q', u'Q', false},
    {'R', 0x13, u'r', u'R', false},
    {'S', 0x1F, u's', u'S', false},
    {'T', 0x14, u't', u'T', false},
    {'U', 0x16, u'u', u'U', false},
    {'V', 0x2F, u'v', u'V', false},
    {'W', 0x11, u'w', u'W', false},
    {'X', 0x2D, u'x', u'X', false},
    {'Y', 0x15, u'y', u'Y', false},
    {'Z', 0x2C, u'z', u'Z', false},
    {VK_LWIN, E0 | 0x5B, 0, 0, false},
    {VK_RWIN, E0 | 0x5C, 0, 0, false},
    {VK_APPS, E0 | 0x5D, 0, 0, false},
    {VK_NUMPAD0 + 0, 0x52, u'0', u'0', true},
    {VK_NUMPAD0 + 1, 0x4F, u'1', u'1', true},
    {VK_NUMPAD0 + 2, 0x50, u'2', u'2', true},
    {VK_NUMPAD0 + 3, 0x51, u'3', u'3', true},
    {VK_NUMPAD0 + 4, 0x4B, u'4', u'4', true},
    {VK_NUMPAD0 + 5, 0x4C, u'5', u'5', true},
    {VK_NUMPAD0 + 6, 0x4D, u'6', u'6', true},
    {VK_NUMPAD0 + 7, 0x47, u'7', u'7', true},
    {VK_NUMPAD0 + 8, 0x48, u'8', u'8', true},
    {VK_NUMPAD0 + 9, 0x49, u'9', u'9', true},
    {VK_MULTIPLY, 0x37, u'*', u'*', true},
    {VK_ADD, 0x4E, u'+', u'+', true},
    {VK_SUBTRACT, 0x4A, u'-', u'-', true},
    {VK_DECIMAL, 0x53, u'.', u'.', true},
    {VK_DIVIDE, E0 | 0x35, u'/', u'/', true},
    {VK_F1 + 0, 0x3B, 0, 0, false},
    {VK_F1 + 1, 0x3C, 0, 0, false},
    {VK_F1 + 2, 0x3D, 0, 0, false},
    {VK_F1 + 3, 0x3E, 0, 0, false},
    {VK_F1 + 4, 0x3F, 0, 0, false},
    {VK_F1 + 5, 0x40, 0, 0, false},
    {VK_F1 + 6, 0x41, 0, 0, false},
    {VK_F1 + 7, 0x42, 0, 0, false},
    {VK_F1 + 8, 0x43, 0, 0, false},
    {VK_F1 + 9, 0x44, 0, 0, false},
    {VK_F11, 0x57, 0, 0, false},
    {VK_F12, 0x58, 0, 0, false},
    {VK_F13 + 0, 0x64, 0, 0, false},
    {VK_F13 + 1, 0x65, 0, 0, false},
    {VK_F13 + 2, 0x66, 0, 0, false},
    {VK_F13 + 3, 0x67, 0, 0, false},
    {VK_F13 + 4, 0x68, 0, 0, false},
    {VK_F13 + 5, 0x69, 0, 0, false},
    {VK_F13 + 6, 0x6A, 0, 0, false},
    {VK_F13 + 7, 0x6B, 0, 0, false},
    {VK_F13 + 8, 0x6C, 0, 0, false},
    {VK_F13 + 9, 0x6D, 0, 0, false},
    {VK_F13 + 10, 0x6E, 0, 0, false},
    {VK_F24, 0x76, 0, 0, false},
    {VK_NUMLOCK, E0 | 0x45, 0, 0, false},
    {VK_SCROLL, 0x46, 0, 0, false},
    {VK_LSHIFT, 0x2A, 0, 0, false},
    {VK_RSHIFT, 0x36, 0, 0, false},
    {VK_LCONTROL, 0x1D, 0, 0, false},
    {VK_RCONTROL, E0 | 0x1D, 0, 0, false},
    {VK_LMENU, 0x38, 0, 0, false},
    {VK_RMENU, E0 | 0x38, 0, 0, false},
    {VK_BROWSER_BACK, E0 | 0x6A, 0, 0, false},
    {VK_BROWSER_FORWARD, E0 | 0x69, 0, 0, false},
    {VK_OEM_1, 0x27, u';', u':', false},
    {VK_OEM_PLUS, 0x0D, u'=', u'+', false},
    {VK_OEM_COMMA, 0x33, u',', u'<', false},
    {VK_OEM_MINUS, 0x0C, u'-', u'_', false},
    {VK_OEM_PERIOD, 0x34, u'.', u'>', false},
    {VK_OEM_2, 0x35, u'/', u'?', false},
    {VK_OEM_3, 0x29, u'`', u'~', false},
    {VK_OEM_4, 0x1A, u'[', u'{', false},
    {VK_OEM_5, 0x2B, u'\\', u'|', false},
    {VK_OEM_6, 0x1B, u']', u'}', false},
    {VK_OEM_7, 0x28, u'\'', u'"', false},
    {VK_OEM_102, 0x56, u'\\', u'|', false},
};

// Names of the keys that do not type a character (and of the keypad). Character keys are
// named by their character; keys missing here and without a character have no name (the
// extra key of 102-key keyboards, the browser keys, unknown scan codes).
constexpr KeyName kUsNames[] = {
    {0x01, u"Esc"},
    {0x0E, u"Backspace"},
    {0x0F, u"Tab"},
    {0x1C, u"Enter"},
    {E0 | 0x1C, u"Num Enter"},
    {0x1D, u"Ctrl"},
    {E0 | 0x1D, u"Right Ctrl"},
    {0x2A, u"Shift"},
    {0x36, u"Right Shift"},
    {0x37, u"Num *"},
    {E0 | 0x37, u"Prnt Scrn"},
    {0x38, u"Alt"},
    {E0 | 0x38, u"Right Alt"},
    {0x39, u"Space"},
    {0x3A, u"Caps Lock"},
    {0x3B, u"F1"},
    {0x3C, u"F2"},
    {0x3D, u"F3"},
    {0x3E, u"F4"},
    {0x3F, u"F5"},
    {0x40, u"F6"},
    {0x41, u"F7"},
    {0x42, u"F8"},
    {0x43, u"F9"},
    {0x44, u"F10"},
    {0x45, u"Pause"},
    {E0 | 0x45, u"Num Lock"},
    {0x46, u"Scroll Lock"},
    {E0 | 0x46, u"Break"},
    {0x47, u"Num 7"},
    {E0 | 0x47, u"Home"},
    {0x48, u"Num 8"},
    {E0 | 0x48, u"Up"},
    {0x49, u"Num 9"},
    {E0 | 0x49, u"Page Up"},
    {0x4A, u"Num -"},
    {0x4B, u"Num 4"},
    {E0 | 0x4B, u"Left"},
    {0x4C, u"Num 5"},
    {0x4D, u"Num 6"},
    {E0 | 0x4D, u"Right"},
    {0x4E, u"Num +"},
    {0x4F, u"Num 1"},
    {E0 | 0x4F, u"End"},
    {0x50, u"Num 2"},
    {E0 | 0x50, u"Down"},
    {0x51, u"Num 3"},
    {E0 | 0x51, u"Page Down"},
    {0x52, u"Num 0"},
    {E0 | 0x52, u"Insert"},
    {0x53, u"Num Del"},
    {E0 | 0x53, u"Delete"},
    {E0 | 0x35, u"Num /"},
    {0x57, u"F11"},
    {0x58, u"F12"},
    {E0 | 0x5B, u"Left Windows"},
    {E0 | 0x5C, u"Right Windows"},
    {E0 | 0x5D, u"Application"},
    {0x64, u"F13"},
    {0x65, u"F14"},
    {0x66, u"F15"},
    {0x67, u"F16"},
    {0x68, u"F17"},
    {0x69, u"F18"},
    {0x6A, u"F19"},
    {0x6B, u"F20"},
    {0x6C, u"F21"},
    {0x6D, u"F22"},
    {0x6E, u"F23"},
    {0x76, u"F24"},
};

// Scan codes whose key types a character but has no name in this layout.
constexpr WORD kUsUnnamedCharacterKeys[] = {0x56};

struct Layout {
    ULONG_PTR id;
    std::span<const KeyDef> keys;
    std::span<const KeyName> names;
    std::span<const WORD> unnamedCharacterKeys;
};

constexpr ULONG_PTR kUsEnglishId = 0x04090409;
constexpr Layout kLayouts[] = {{kUsEnglishId, kUsKeys, kUsNames, kUsUnnamedCharacterKeys}};

std::atomic<ULONG_PTR> g_activeLayout{kUsEnglishId};

std::mutex g_sourceMutex;
platform::KeyCharacterSource& CharacterSource() {
    static platform::KeyCharacterSource source;
    return source;
}

// The desktop's character of a key, when a source is installed and the key types one.
char32_t DesktopCharacter(UINT scan) {
    platform::KeyCharacterSource source;
    {
        std::lock_guard lock(g_sourceMutex);
        source = CharacterSource();
    }
    if (!source) {
        return 0;
    }
    const char32_t c = source(scan);
    return c > U' ' && c != 0x7F ? c : 0;
}

HKL ToHkl(ULONG_PTR id) {
    return reinterpret_cast<HKL>(id);
}

const Layout* FindLayout(HKL hkl) {
    const ULONG_PTR id = hkl == nullptr ? g_activeLayout.load() : reinterpret_cast<ULONG_PTR>(hkl);
    for (const Layout& layout : kLayouts) {
        if (layout.id == id) {
            return &layout;
        }
    }
    return nullptr;
}

const KeyDef* FindByVk(const Layout& layout, UINT vk) {
    for (const KeyDef& key : layout.keys) {
        if (key.vk == vk) {
            return &key;
        }
    }
    return nullptr;
}

bool IsSideSpecific(BYTE vk) {
    return vk >= VK_LSHIFT && vk <= VK_RMENU;
}
bool IsGenericModifier(BYTE vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU;
}

BYTE ToGeneric(BYTE vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return vk;
    }
}

// Scan code (E0 in the high byte) to virtual key; side-specific or generic modifiers.
UINT ScanToVk(const Layout& layout, UINT scan, bool sideSpecific) {
    WORD wanted = static_cast<WORD>(scan & 0xFF);
    if ((scan & 0xFF00) == 0xE000 || (scan & 0xFF00) == 0xE100) {
        wanted = static_cast<WORD>(wanted | E0);
    }
    // The E0 keys of the cursor block share their code with the keypad; when no E0 entry
    // exists the plain one is taken.
    for (const WORD candidate : {wanted, static_cast<WORD>(wanted & 0xFF)}) {
        for (const KeyDef& key : layout.keys) {
            if (key.scan != candidate || (sideSpecific && IsGenericModifier(key.vk)) ||
                (!sideSpecific && IsSideSpecific(key.vk))) {
                continue;
            }
            return key.vk;
        }
    }
    if (!sideSpecific) {
        // A right-hand modifier has only its side-specific entry.
        for (const KeyDef& key : layout.keys) {
            if ((key.scan & 0xFF) == (wanted & 0xFF) && IsSideSpecific(key.vk)) {
                return ToGeneric(key.vk);
            }
        }
    }
    return 0;
}

std::optional<WCHAR> ControlCharacter(const KeyDef& key, bool shift) {
    if (key.vk >= 'A' && key.vk <= 'Z') {
        return static_cast<WCHAR>(key.vk - 'A' + 1);
    }
    switch (key.vk) {
    case VK_OEM_4:
        return WCHAR{0x1B};
    case VK_OEM_5:
    case VK_OEM_102:
        return WCHAR{0x1C};
    case VK_OEM_6:
        return WCHAR{0x1D};
    case VK_BACK:
        return WCHAR{0x7F};
    case VK_RETURN:
        return WCHAR{0x0A};
    case VK_SPACE:
        return WCHAR{u' '};
    case '6':
        return shift ? std::optional<WCHAR>(WCHAR{0x1E}) : std::nullopt;
    case VK_OEM_MINUS:
        return shift ? std::optional<WCHAR>(WCHAR{0x1F}) : std::nullopt;
    default:
        return std::nullopt;
    }
}

bool IsDown(const BYTE* state, BYTE vk) {
    return state != nullptr && (state[vk] & 0x80) != 0;
}

} // namespace

HKL UsEnglishKeyboardLayout() {
    return ToHkl(kUsEnglishId);
}

HKL GetKeyboardLayout(DWORD) {
    return ToHkl(g_activeLayout.load());
}

HKL ActivateKeyboardLayout(HKL layout, UINT) {
    if (layout == nullptr || FindLayout(layout) == nullptr) {
        return nullptr;
    }
    return ToHkl(g_activeLayout.exchange(reinterpret_cast<ULONG_PTR>(layout)));
}

UINT MapVirtualKeyExW(UINT code, UINT mapType, HKL hkl) {
    const Layout* layout = FindLayout(hkl);
    if (layout == nullptr) {
        return 0;
    }
    switch (mapType) {
    case MAPVK_VK_TO_VSC:
    case MAPVK_VK_TO_VSC_EX: {
        const KeyDef* key = FindByVk(*layout, code);
        if (key == nullptr) {
            return 0;
        }
        return mapType == MAPVK_VK_TO_VSC ? static_cast<UINT>(key->scan & 0xFF)
                                          : static_cast<UINT>(key->scan);
    }
    case MAPVK_VSC_TO_VK:
        return ScanToVk(*layout, code, false);
    case MAPVK_VSC_TO_VK_EX:
        return ScanToVk(*layout, code, true);
    case MAPVK_VK_TO_CHAR: {
        const KeyDef* key = FindByVk(*layout, code);
        if (key == nullptr) {
            return 0;
        }
        // Letter keys are reported by the letter on the key cap.
        return key->vk >= 'A' && key->vk <= 'Z' ? key->vk : key->normal;
    }
    default:
        return 0;
    }
}

UINT MapVirtualKeyW(UINT code, UINT mapType) {
    return MapVirtualKeyExW(code, mapType, nullptr);
}

SHORT VkKeyScanExW(WCHAR ch, HKL hkl) {
    const Layout* layout = FindLayout(hkl);
    if (layout == nullptr) {
        return -1;
    }
    auto result = [](BYTE vk, int shiftState) {
        return static_cast<SHORT>(vk | (shiftState << 8));
    };
    for (const KeyDef& key : layout->keys) {
        if (!key.keypad && key.normal != 0 && key.normal == ch) {
            return result(key.vk, 0);
        }
    }
    for (const KeyDef& key : layout->keys) {
        if (!key.keypad && key.shifted != 0 && key.shifted == ch) {
            return result(key.vk, 1);
        }
    }
    // Control characters are typed with Ctrl (NUL with Ctrl+Shift+2).
    if (ch == 0) {
        return result('2', 3);
    }
    for (const KeyDef& key : layout->keys) {
        if (key.keypad) {
            continue;
        }
        for (const bool shift : {false, true}) {
            const auto control = ControlCharacter(key, shift);
            if (control && *control == ch) {
                return result(key.vk, shift ? 3 : 2);
            }
        }
    }
    return -1;
}

SHORT VkKeyScanW(WCHAR ch) {
    return VkKeyScanExW(ch, nullptr);
}

int ToUnicodeEx(UINT virtualKey, UINT scanCode, const BYTE* keyState, WCHAR* buffer, int bufferSize,
                UINT, HKL hkl) {
    const Layout* layout = FindLayout(hkl);
    if (layout == nullptr || buffer == nullptr || bufferSize <= 0 || (scanCode & 0x8000) != 0) {
        return 0;
    }
    const KeyDef* key = virtualKey <= 0xFF ? FindByVk(*layout, virtualKey) : nullptr;
    if (key == nullptr || key->normal == 0) {
        return 0;
    }
    const bool shift =
        IsDown(keyState, VK_SHIFT) || IsDown(keyState, VK_LSHIFT) || IsDown(keyState, VK_RSHIFT);
    const bool ctrl = IsDown(keyState, VK_CONTROL) || IsDown(keyState, VK_LCONTROL) ||
                      IsDown(keyState, VK_RCONTROL);
    const bool alt =
        IsDown(keyState, VK_MENU) || IsDown(keyState, VK_LMENU) || IsDown(keyState, VK_RMENU);
    const bool capsLock = keyState != nullptr && (keyState[VK_CAPITAL] & 0x01) != 0;

    WCHAR ch = 0;
    if (ctrl && alt) {
        return 0; // this layout has no AltGr characters
    }
    if (ctrl) {
        const auto control = ControlCharacter(*key, shift);
        if (!control) {
            return 0;
        }
        ch = *control;
    } else {
        bool shifted = shift;
        if (capsLock && key->vk >= 'A' && key->vk <= 'Z') {
            shifted = !shifted;
        }
        ch = shifted ? key->shifted : key->normal;
    }
    buffer[0] = ch;
    if (bufferSize > 1) {
        buffer[1] = 0;
    }
    return 1;
}

int ToUnicode(UINT virtualKey, UINT scanCode, const BYTE* keyState, WCHAR* buffer, int bufferSize,
              UINT flags) {
    return ToUnicodeEx(virtualKey, scanCode, keyState, buffer, bufferSize, flags, nullptr);
}

int GetKeyNameTextW(LONG lParam, WCHAR* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = 0;
    const Layout* layout = FindLayout(nullptr);
    if (layout == nullptr) {
        return 0;
    }
    const auto bits = static_cast<DWORD>(lParam);
    WORD scan = static_cast<WORD>((bits >> 16) & 0xFF);
    const bool extended = (bits & 0x01000000) != 0;
    const bool noSides = (bits & 0x02000000) != 0;
    if (extended) {
        scan = static_cast<WORD>(scan | E0);
    }
    if (noSides) {
        // Right-hand Shift, Ctrl and Alt are named as the left-hand ones.
        if (scan == 0x36) {
            scan = 0x2A;
        } else if (scan == (E0 | 0x1D) || scan == (E0 | 0x38)) {
            scan = static_cast<WORD>(scan & 0xFF);
        }
    }

    WCHAR characterName[3] = {};
    const WCHAR* name = nullptr;
    for (const KeyName& entry : layout->names) {
        if (entry.scan == scan) {
            name = entry.name;
            break;
        }
    }
    if (name == nullptr && (scan & E0) == 0 && scan != 0) {
        if (const char32_t c = DesktopCharacter(scan)) {
            const std::u16string upper = FromUtf32(std::u32string(1, c));
            characterName[0] = upper.size() == 1 ? ToUpperCase(upper[0]) : upper[0];
            characterName[1] = upper.size() > 1 ? upper[1] : 0;
            name = characterName;
        }
    }
    if (name == nullptr && (scan & E0) == 0 && scan != 0) {
        bool unnamed = false;
        for (const WORD s : layout->unnamedCharacterKeys) {
            unnamed = unnamed || s == scan;
        }
        for (const KeyDef& key : layout->keys) {
            if (unnamed || key.keypad || key.scan != scan || key.normal <= u' ') {
                continue;
            }
            characterName[0] = ToUpperCase(key.normal);
            name = characterName;
            break;
        }
    }
    if (name == nullptr) {
        return 0;
    }
    wcsncpy_s(buffer, static_cast<size_t>(size), name, static_cast<size_t>(size - 1));
    return static_cast<int>(wcslen(buffer));
}

void platform::SetKeyCharacterSource(KeyCharacterSource source) {
    std::lock_guard lock(g_sourceMutex);
    CharacterSource() = std::move(source);
}
