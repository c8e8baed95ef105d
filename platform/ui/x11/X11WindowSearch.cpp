#include "platform/ui/x11/X11WindowSearch.h"

#include "platform/base/WideChar.h"

#include <vector>

#include <unistd.h>

#include <X11/Xatom.h>

namespace platform::x11 {

namespace {

constexpr const char* kClassProperty = "_BORVANTA_WINDOW_CLASS";
constexpr const char* kActivateMessage = "_BORVANTA_ACTIVATE";
// Deep enough for a window inside a window manager's frame inside a virtual root.
constexpr int kSearchDepth = 4;

std::string ReadUtf8Property(Display* dpy, ::Window xid, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(dpy, xid, property, 0, 256, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 8) {
            value.assign(reinterpret_cast<const char*>(data), count);
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

long ReadCardinal(Display* dpy, ::Window xid, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(dpy, xid, property, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 32 && count == 1) {
        value = *reinterpret_cast<const long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

::Window Search(Display* dpy, ::Window window, Atom classProperty, Atom pidProperty,
                const std::string& wanted, int depth) {
    ::Window rootReturn = 0;
    ::Window parentReturn = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, window, &rootReturn, &parentReturn, &children, &count)) {
        return 0;
    }
    const std::vector<::Window> list(children, children + count);
    if (children != nullptr) {
        XFree(children);
    }
    const long self = static_cast<long>(getpid());
    // Topmost first: the window the user saw last.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (ReadUtf8Property(dpy, *it, classProperty) == wanted &&
            ReadCardinal(dpy, *it, pidProperty) != self) {
            return *it;
        }
    }
    if (depth <= 1) {
        return 0;
    }
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (::Window found = Search(dpy, *it, classProperty, pidProperty, wanted, depth - 1)) {
            return found;
        }
    }
    return 0;
}

bool WindowManagerRuns(Display* dpy, ::Window root) {
    const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) {
        return false;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool present = XGetWindowProperty(dpy, root, check, 0, 1, False, XA_WINDOW, &type,
                                            &format, &count, &after, &data) == Success &&
                         data != nullptr && count == 1;
    if (data != nullptr) {
        XFree(data);
    }
    return present;
}

} // namespace

void PublishWindowClass(Display* dpy, ::Window xid, const std::u16string& className) {
    const std::string utf8 = ToUtf8(className);
    XChangeProperty(dpy, xid, XInternAtom(dpy, kClassProperty, False),
                    XInternAtom(dpy, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
    long pid = static_cast<long>(getpid());
    XChangeProperty(dpy, xid, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
}

::Window FindOtherProcessWindow(Display* dpy, ::Window root, const std::u16string& className) {
    const Atom classProperty = XInternAtom(dpy, kClassProperty, True);
    if (classProperty == None || className.empty()) {
        return 0; // no window of ours was ever made on this server
    }
    const Atom pidProperty = XInternAtom(dpy, "_NET_WM_PID", False);
    return Search(dpy, root, classProperty, pidProperty, ToUtf8(className), kSearchDepth);
}

void SendActivateRequest(Display* dpy, ::Window target) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = XInternAtom(dpy, kActivateMessage, False);
    event.xclient.format = 32;
    // No event mask: delivered to the client that made the window.
    XSendEvent(dpy, target, False, NoEventMask, &event);
    XSync(dpy, False);
}

bool IsActivateRequest(Display* dpy, const XClientMessageEvent& message) {
    const Atom type = XInternAtom(dpy, kActivateMessage, True);
    return type != None && static_cast<Atom>(message.message_type) == type;
}

void ActivateThroughManager(Display* dpy, ::Window root, ::Window xid) {
    if (WindowManagerRuns(dpy, root)) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = xid;
        event.xclient.message_type = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // asked for by the user through another program
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XRaiseWindow(dpy, xid);
        XSetInputFocus(dpy, xid, RevertToParent, CurrentTime);
    }
    XFlush(dpy);
}

} // namespace platform::x11
