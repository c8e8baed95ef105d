// A small system tray for tests: owns _NET_SYSTEM_TRAY_S<screen>, announces itself with the
// MANAGER message, and embeds every icon window that asks to dock: reparented into its own
// window in a row, 24 x 24 pixels (or --size N), mapped. Each dock request is printed as
// "dock <window id>" on standard output (flushed), so that a test can wait for it; a request
// for a window that does not exist is printed as "missing <window id>" and refused.
//
// The docked windows are in its save set, so that they go back to the root window when it
// ends; with --no-save-set they are destroyed with it, as some trays do.
//
// x11_tray_host [--size N] [--seconds N] [--no-save-set]: runs until killed, or for N seconds.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// Errors of requests about windows that went meanwhile are not fatal here.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int size = 24;
    int seconds = -1;
    bool saveSet = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-save-set") == 0) {
            saveSet = false;
        } else if (i + 1 < argc && std::strcmp(argv[i], "--size") == 0) {
            size = std::atoi(argv[++i]);
        } else if (i + 1 < argc && std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atoi(argv[++i]);
        }
    }
    XSetErrorHandler(IgnoreError);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "x11_tray_host: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    const Atom selection = XInternAtom(dpy, name.c_str(), False);
    const Atom opcode = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom manager = XInternAtom(dpy, "MANAGER", False);
    const int width = 8 * (size + 4);
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = 0x404040;
    const Window tray = XCreateWindow(
        dpy, root, DisplayWidth(dpy, screen) - width, DisplayHeight(dpy, screen) - size - 8,
        static_cast<unsigned>(width), static_cast<unsigned>(size + 8), 0, CopyFromParent,
        InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
    XSelectInput(dpy, tray, SubstructureNotifyMask);
    XMapWindow(dpy, tray);
    XSetSelectionOwner(dpy, selection, tray, CurrentTime);
    if (XGetSelectionOwner(dpy, selection) != tray) {
        std::fprintf(stderr, "x11_tray_host: another tray owns %s\n", name.c_str());
        return 1;
    }
    XEvent announce{};
    announce.xclient.type = ClientMessage;
    announce.xclient.window = root;
    announce.xclient.message_type = manager;
    announce.xclient.format = 32;
    announce.xclient.data.l[0] = CurrentTime;
    announce.xclient.data.l[1] = static_cast<long>(selection);
    announce.xclient.data.l[2] = static_cast<long>(tray);
    XSendEvent(dpy, root, False, StructureNotifyMask, &announce);
    XFlush(dpy);
    std::printf("ready %lu\n", tray);
    std::fflush(stdout);

    int docked = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (seconds < 0 || std::chrono::steady_clock::now() < end) {
        if (XPending(dpy) == 0) {
            pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
            poll(&fd, 1, 200);
            continue;
        }
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == ClientMessage && static_cast<Atom>(e.xclient.message_type) == opcode &&
            e.xclient.data.l[1] == 0) {
            const Window icon = static_cast<Window>(e.xclient.data.l[2]);
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(dpy, icon, &attributes) == 0) {
                std::printf("missing %lu\n", icon);
                std::fflush(stdout);
                continue;
            }
            if (saveSet) {
                XAddToSaveSet(dpy, icon);
            }
            XReparentWindow(dpy, icon, tray, 4 + docked * (size + 4), 4);
            XResizeWindow(dpy, icon, static_cast<unsigned>(size), static_cast<unsigned>(size));
            XMapWindow(dpy, icon);
            XSync(dpy, False);
            // Told once the window is in the tray.
            std::printf("dock %lu\n", icon);
            std::fflush(stdout);
            ++docked;
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
