#include "platform/ui/x11/X11InputEvents.h"

#include "platform/ui/Input.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11TextInput.h"

// Xlib last: its macros must not reach the window layer's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform::x11 {

bool IsInputEvent(const XEvent& e) {
    switch (e.type) {
    case MotionNotify:
    case LeaveNotify:
    case ButtonPress:
    case ButtonRelease:
    case KeyPress:
    case KeyRelease:
        return true;
    default:
        return false;
    }
}

void RouteInputEvent(DWORD thread, const XEvent& e, const KeyEventInput* key) {
    switch (e.type) {
    case MotionNotify: {
        const POINT at{e.xmotion.x_root, e.xmotion.y_root};
        PostThreadCallback(thread, [at] { input::MouseMove(at); });
        break;
    }
    case LeaveNotify:
        // The pointer went where no motion of this window reports it (another program's
        // window, the desktop, a keyed-out hole): hit testing there ends hover tracking.
        if (e.xcrossing.mode == NotifyNormal && e.xcrossing.detail != NotifyInferior) {
            const POINT at{e.xcrossing.x_root, e.xcrossing.y_root};
            PostThreadCallback(thread, [at] { input::MouseMove(at); });
        }
        break;
    case ButtonPress:
    case ButtonRelease: {
        const POINT at{e.xbutton.x_root, e.xbutton.y_root};
        const bool down = e.type == ButtonPress;
        const unsigned button = e.xbutton.button;
        PostThreadCallback(thread, [at, down, button] {
            input::MouseMove(at);
            switch (button) {
            case Button1:
                input::MouseButton(input::MouseButtonId::Left, down);
                break;
            case Button2:
                input::MouseButton(input::MouseButtonId::Middle, down);
                break;
            case Button3:
                input::MouseButton(input::MouseButtonId::Right, down);
                break;
            case Button4:
            case Button5:
                if (down) {
                    input::Wheel(button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA);
                }
                break;
            default:
                break;
            }
        });
        break;
    }
    case KeyPress:
    case KeyRelease:
        if (key != nullptr) {
            PostKeyEvent(thread, *key);
        }
        break;
    default:
        break;
    }
}

bool WantsPointerGrab(HWND capture) {
    if (capture == nullptr || !IsWindow(capture)) {
        return false;
    }
    HWND root = GetAncestor(capture, GA_ROOT);
    const auto style = static_cast<DWORD>(GetWindowLongW(root, GWL_STYLE));
    if ((style & WS_POPUP) == 0 || (style & WS_CAPTION) == WS_CAPTION ||
        GetWindow(root, GW_OWNER) == nullptr) {
        return false;
    }
    WCHAR name[16]{};
    GetClassNameW(root, name, 16);
    return std::u16string(name) != u"#32768";
}

} // namespace platform::x11
