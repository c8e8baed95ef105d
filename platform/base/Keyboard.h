#pragma once
// The keyboard as the system's code sees it: keyboard layouts, key-message flag bits, the
// raw-input keyboard report, and the translations between virtual keys, scan codes,
// characters and key names. The built-in layout is US English; it is the active layout until
// another one is activated. (The key messages and virtual-key codes themselves are declared
// with the window messages.)

#include "platform/base/WinTypes.h"

#include <functional>

// Keyboard layout (input locale) handle.
struct HKL__;
using HKL = HKL__*;

// The built-in US English layout.
HKL UsEnglishKeyboardLayout();

// The layout of the calling thread (every thread shares the process's active layout).
HKL GetKeyboardLayout(DWORD threadId);
// Makes a known layout the active one; returns the previous layout, or null (nothing changes)
// for a layout this system does not know.
HKL ActivateKeyboardLayout(HKL layout, UINT flags);

// Flags in the high word of a key message's lParam (bits 16..31 of lParam): the scan code is
// in bits 16..23.
inline constexpr WORD KF_EXTENDED = 0x0100; // bit 24: extended key (E0 prefix)
inline constexpr WORD KF_DLGMODE = 0x0800;
inline constexpr WORD KF_MENUMODE = 0x1000;
inline constexpr WORD KF_ALTDOWN = 0x2000; // bit 29: Alt held
inline constexpr WORD KF_REPEAT = 0x4000;  // bit 30: the key was already down
inline constexpr WORD KF_UP = 0x8000;      // bit 31: the key is being released

// Raw-input keyboard report.
struct RAWKEYBOARD {
    USHORT MakeCode = 0;
    USHORT Flags = 0;
    USHORT Reserved = 0;
    USHORT VKey = 0;
    UINT Message = 0;
    ULONG ExtraInformation = 0;
};
using PRAWKEYBOARD = RAWKEYBOARD*;
inline constexpr USHORT RI_KEY_MAKE = 0;
inline constexpr USHORT RI_KEY_BREAK = 1; // key released
inline constexpr USHORT RI_KEY_E0 = 2;    // E0 prefix: extended key
inline constexpr USHORT RI_KEY_E1 = 4;    // E1 prefix (Pause)
// Virtual key of a report that the keyboard driver could not map.
inline constexpr USHORT KEYBOARD_OVERRUN_MAKE_CODE = 0xFF;

// Translation kinds of MapVirtualKey.
inline constexpr UINT MAPVK_VK_TO_VSC = 0;    // virtual key to scan code (left-hand for Shift...)
inline constexpr UINT MAPVK_VSC_TO_VK = 1;    // scan code to virtual key, no left/right
inline constexpr UINT MAPVK_VK_TO_CHAR = 2;   // virtual key to unshifted character
inline constexpr UINT MAPVK_VSC_TO_VK_EX = 3; // scan code (0xE0 in the high byte) to left/right
inline constexpr UINT MAPVK_VK_TO_VSC_EX = 4; // virtual key to scan code with 0xE0 high byte

// Translates a code by the layout (null = the active layout); 0 when there is no translation
// or the layout is unknown. MAPVK_VK_TO_CHAR gives letters in upper case, as the key caps show
// them, and sets bit 31 for dead keys.
UINT MapVirtualKeyExW(UINT code, UINT mapType, HKL layout);
UINT MapVirtualKeyW(UINT code, UINT mapType);

// The key and shift state that type the character: virtual key in the low byte, shift state in
// the high byte (1 Shift, 2 Ctrl, 4 Alt); -1 when no key of the layout types it.
SHORT VkKeyScanExW(WCHAR ch, HKL layout);
SHORT VkKeyScanW(WCHAR ch);

// The characters that the key types with the given 256-byte key state (high bit = down, low
// bit of VK_CAPITAL = Caps Lock on; null = nothing down). Returns the number of characters
// written to the buffer (at most bufferSize; a terminator follows when there is room), 0 when
// the key types nothing (or scanCode has bit 15 set: a release), -1 for a dead key.
int ToUnicodeEx(UINT virtualKey, UINT scanCode, const BYTE* keyState, WCHAR* buffer, int bufferSize,
                UINT flags, HKL layout);
int ToUnicode(UINT virtualKey, UINT scanCode, const BYTE* keyState, WCHAR* buffer, int bufferSize,
              UINT flags);

// The name of a key from a key-message lParam (scan code in bits 16..23, extended bit 24, bit
// 25 = do not tell left and right apart), in the active layout. Copies at most size - 1
// characters and a terminator; returns the number of characters copied, 0 when the key has no
// name (the buffer then holds the empty string).
int GetKeyNameTextW(LONG lParam, WCHAR* buffer, int size);

namespace platform {

// Where the desktop's keyboard layout differs from the built-in one, its display says what a
// key types: the character of the key at a scan code (0xE000 added for the E0 keys) without
// modifiers, 0 when it types none. GetKeyNameTextW then names the keys that type a character
// by it, as the system names keys in the active layout ("Z" for the key a German keyboard
// has "Z" on). Null (the default): the built-in layout names them.
using KeyCharacterSource = std::function<char32_t(UINT scan)>;
void SetKeyCharacterSource(KeyCharacterSource source);

} // namespace platform
