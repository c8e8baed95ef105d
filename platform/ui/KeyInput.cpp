// Keyboard input: keys on their way from the display to the focus window's messages.

#include "platform/ui/Input.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/WindowManager.h"

namespace platform::input {

using namespace platform::wm;

namespace {

struct KeyCode {
    int messageVk;
    BYTE scan;
    bool extended;
};

KeyCode Translate(int vk) {
    switch (vk) {
    case VK_LSHIFT:
        return {VK_SHIFT, 0x2A, false};
    case VK_RSHIFT:
        return {VK_SHIFT, 0x36, false};
    case VK_SHIFT:
        return {VK_SHIFT, 0x2A, false};
    case VK_LCONTROL:
    case VK_CONTROL:
        return {VK_CONTROL, 0x1D, false};
    case VK_RCONTROL:
        return {VK_CONTROL, 0x1D, true};
    case VK_LMENU:
    case VK_MENU:
        return {VK_MENU, 0x38, false};
    case VK_RMENU:
        return {VK_MENU, 0x38, true};
    case VK_RETURN:
        return {vk, 0x1C, false};
    case VK_ESCAPE:
        return {vk, 0x01, false};
    case VK_BACK:
        return {vk, 0x0E, false};
    case VK_TAB:
        return {vk, 0x0F, false};
    case VK_SPACE:
        return {vk, 0x39, false};
    case VK_LEFT:
        return {vk, 0x4B, true};
    case VK_RIGHT:
        return {vk, 0x4D, true};
    case VK_UP:
        return {vk, 0x48, true};
    case VK_DOWN:
        return {vk, 0x50, true};
    case VK_INSERT:
        return {vk, 0x52, true};
    case VK_DELETE:
        return {vk, 0x53, true};
    case VK_HOME:
        return {vk, 0x47, true};
    case VK_END:
        return {vk, 0x4F, true};
    case VK_PRIOR:
        return {vk, 0x49, true};
    case VK_NEXT:
        return {vk, 0x51, true};
    default:
        break;
    }
    static const BYTE letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                     0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                     0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (vk >= 'A' && vk <= 'Z') {
        return {vk, letters[vk - 'A'], false};
    }
    if (vk >= '1' && vk <= '9') {
        return {vk, static_cast<BYTE>(0x02 + (vk - '1')), false};
    }
    if (vk == '0') {
        return {vk, 0x0B, false};
    }
    if (vk >= VK_F1 && vk < VK_F1 + 10) {
        return {vk, static_cast<BYTE>(0x3B + (vk - VK_F1)), false};
    }
    return {vk, 0, false};
}

} // namespace

LPARAM KeyLParam(UINT repeat, BYTE scan, bool extended, bool previouslyDown, bool up) {
    DWORD bits = repeat & 0xFFFFu;
    bits |= static_cast<DWORD>(scan) << 16;
    if (extended) {
        bits |= 1u << 24;
    }
    if (previouslyDown) {
        bits |= 1u << 30;
    }
    if (up) {
        bits |= 1u << 31;
    }
    return static_cast<LPARAM>(static_cast<LONG>(bits));
}

namespace {

void RouteKey(int vk, bool down) {
    const KeyCode code = Translate(vk);
    bool wasDown = false;
    bool alt = false;
    {
        Lock lock(S().mutex);
        wasDown = (S().keys[static_cast<BYTE>(vk)] & 0x80) != 0;
        SetKey(vk, down);
        if (code.messageVk != vk) {
            // The generic key is down while either of its sides is.
            const bool left = vk == VK_LSHIFT || vk == VK_LCONTROL || vk == VK_LMENU;
            const int other = code.messageVk == VK_SHIFT     ? (left ? VK_RSHIFT : VK_LSHIFT)
                              : code.messageVk == VK_CONTROL ? (left ? VK_RCONTROL : VK_LCONTROL)
                                                             : (left ? VK_RMENU : VK_LMENU);
            SetKey(code.messageVk, down || (S().keys[static_cast<BYTE>(other)] & 0x80));
        }
        alt = (S().keys[VK_MENU] & 0x80) != 0 || code.messageVk == VK_MENU;
    }
    HWND target = nullptr;
    {
        Lock lock(S().mutex);
        target = S().menuWindow; // an open popup menu takes the keys
    }
    if (!target) {
        target = GetFocus();
    }
    if (!target) {
        target = GetActiveWindow();
    }
    if (!target || KeyboardLegacyMessagesSuppressed(target)) {
        return; // nobody to tell, or the window takes the keyboard as raw input only
    }
    const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    Post(target, msg, static_cast<WPARAM>(code.messageVk),
         KeyLParam(1, code.scan, code.extended, down ? wasDown : true, !down) |
             (alt && code.messageVk != VK_MENU ? static_cast<LPARAM>(1) << 29 : 0));
}

} // namespace

void Key(int vk, bool down) {
    wm::QueueInput([vk, down] { RouteKey(vk, down); });
}

} // namespace platform::input
