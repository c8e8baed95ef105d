// A program of the tests that owns a window on the X display and makes it the desktop's
// active window (_NET_ACTIVE_WINDOW on the root window, the window naming this process in
// _NET_WM_PID), as a window manager would when the user brings it to the front. Prints
// "active <window>" and waits to be killed. Tests start it under other names and first words
// (a game under Wine's loader).

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

int main() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        return 1;
    }
    const Window root = DefaultRootWindow(dpy);
    const Window window = XCreateSimpleWindow(dpy, root, 20, 20, 60, 40, 0, 0, 0);
    long pid = getpid();
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(dpy, window);
    Window active = window;
    XChangeProperty(dpy, root, XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&active), 1);
    XSync(dpy, False);
    std::printf("active %lu\n", window);
    std::fflush(stdout);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(60));
    }
}
