#pragma once
// Finding and raising a top-level window that another process shows on the same X server.
// Every X window of ours carries its window class name and its process id as properties;
// a process that wants another's window to the front finds it by class and sends it an
// activation request, which the owning process answers by raising, restoring and activating
// the window itself (through the window manager when there is one).

#include <string>

#include <X11/Xlib.h>

namespace platform::x11 {

// Marks an X window with the class name of its window and this process's id.
void PublishWindowClass(Display* dpy, ::Window xid, const std::u16string& className);

// The first X window below root (frames of a reparenting window manager included) of the
// given class whose process is not this one; 0 when there is none.
::Window FindOtherProcessWindow(Display* dpy, ::Window root, const std::u16string& className);

// Asks the client that made the window to bring it to the front; flushed at once.
void SendActivateRequest(Display* dpy, ::Window target);
bool IsActivateRequest(Display* dpy, const XClientMessageEvent& message);

// Raises the window and gives it the input focus: through the window manager's active-window
// request when a window manager runs, else directly.
void ActivateThroughManager(Display* dpy, ::Window root, ::Window xid);

} // namespace platform::x11
