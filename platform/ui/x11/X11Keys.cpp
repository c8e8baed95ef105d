#include "platform/ui/x11/X11Keys.h"

#include "platform/base/Keyboard.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11RawInput.h"

// Xlib last: its macros must not meet the window layer's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace platform::x11 {

namespace {

// Virtual keys the window layer does not name itself.
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_OEM_1 = 0xBA;
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;
constexpr int VK_OEM_3 = 0xC0;
constexpr int VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC;
constexpr int VK_OEM_6 = 0xDD;
constexpr int VK_OEM_7 = 0xDE;

struct KeyPair {
    std::uint32_t keysym;
    int vk;
};

constexpr KeyPair kKeys[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Return, VK_RETURN},
    {XK_Pause, VK_PAUSE},
    {XK_Scroll_Lock, VK_SCROLL},
    {XK_Escape, VK_ESCAPE},
    {XK_Delete, VK_DELETE},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Page_Up, VK_PRIOR},
    {XK_Page_Down, VK_NEXT},
    {XK_End, VK_END},
    {XK_Print, VK_SNAPSHOT},
    {XK_Insert, VK_INSERT},
    {XK_Menu, VK_APPS},
    {XK_Num_Lock, VK_NUMLOCK},
    {XK_KP_Enter, VK_RETURN},
    {XK_KP_Home, VK_HOME},
    {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},
    {XK_KP_Right, VK_RIGHT},
    {XK_KP_Down, VK_DOWN},
    {XK_KP_Page_Up, VK_PRIOR},
    {XK_KP_Page_Down, VK_NEXT},
    {XK_KP_End, VK_END},
    {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE},
    {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE},
    {XK_Shift_L, VK_LSHIFT},
    {XK_Shift_R, VK_RSHIFT},
    {XK_Control_L, VK_LCONTROL},
    {XK_Control_R, VK_RCONTROL},
    {XK_Caps_Lock, VK_CAPITAL},
    {XK_Alt_L, VK_LMENU},
    {XK_Alt_R, VK_RMENU},
    {XK_ISO_Level3_Shift, VK_RMENU},
    {XK_Meta_L, VK_LMENU},
    {XK_Meta_R, VK_RMENU},
    {XK_Super_L, VK_LWIN},
    {XK_Super_R, VK_RWIN},
    {XK_space, VK_SPACE},
    {XK_semicolon, VK_OEM_1},
    {XK_equal, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA},
    {XK_minus, VK_OEM_MINUS},
    {XK_period, VK_OEM_PERIOD},
    {XK_slash, VK_OEM_2},
    {XK_grave, VK_OEM_3},
    {XK_bracketleft, VK_OEM_4},
    {XK_backslash, VK_OEM_5},
    {XK_bracketright, VK_OEM_6},
    {XK_apostrophe, VK_OEM_7},
};

} // namespace

int VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym >= XK_a && keysym <= XK_z) {
        return 'A' + static_cast<int>(keysym - XK_a);
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return 'A' + static_cast<int>(keysym - XK_A);
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return '0' + static_cast<int>(keysym - XK_0);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return VK_NUMPAD0 + static_cast<int>(keysym - XK_KP_0);
    }
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return VK_F1 + static_cast<int>(keysym - XK_F1);
    }
    for (const KeyPair& pair : kKeys) {
        if (pair.keysym == keysym) {
            return pair.vk;
        }
    }
    return 0;
}

int VirtualKeyFromKeycode(_XDisplay* dpy, unsigned keycode, unsigned group) {
    const auto keysym = static_cast<std::uint32_t>(
        XkbKeycodeToKeysym(dpy, static_cast<KeyCode>(keycode), static_cast<int>(group), 0));
    if (const int vk = VirtualKeyFromKeysym(keysym)) {
        return vk;
    }
    const unsigned scan = ScanCodeFromKeycode(keycode);
    return scan != 0 ? static_cast<int>(
                           MapVirtualKeyExW(scan, MAPVK_VSC_TO_VK_EX, UsEnglishKeyboardLayout()))
                     : 0;
}

} // namespace platform::x11
