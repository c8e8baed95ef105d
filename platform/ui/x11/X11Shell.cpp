#include "platform/ui/x11/X11Shell.h"

#include "platform/ui/Icon.h"
#include "platform/ui/Input.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/TrayTip.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/WakePipe.h"
#include "platform/ui/x11/X11Display.h"
#include "platform/ui/x11/X11Keys.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <cerrno>
#include <poll.h>

// Xlib last: its macros must not meet the window layer's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace platform {

namespace {

constexpr long kSystemTrayRequestDock = 0;
constexpr int kDefaultIconSize = 24;

struct IconWin {
    TrayIconRecord record;
    ::Window xid = 0;
    // The tray that was asked to dock the window (one request per tray).
    ::Window dockedWith = 0;
    int width = kDefaultIconSize;
    int height = kDefaultIconSize;
    Time lastPress = 0;
    unsigned lastButton = 0;
};

} // namespace

struct X11Shell::Impl {
    X11Display& display;
    Display* dpy = nullptr;
    int screen = 0;
    ::Window root = 0;
    Atom trayAtom = 0;
    Atom opcode = 0;
    Atom manager = 0;
    Atom xembedInfo = 0;
    Atom activeWindow = 0;
    Atom wmPid = 0;
    ::Window trayOwner = 0;
    std::atomic<bool> desktopActive{false};

    std::mutex mutex; // Xlib calls and the icons
    std::map<std::pair<HWND, UINT>, IconWin> icons;
    HWND grabbedMenu = nullptr;

    x11::WakePipe wake;
    std::atomic<bool> stop{false};
    std::thread reader;

    explicit Impl(X11Display& d) : display(d) {}

    bool Open(const std::string& name);
    void Close();
    void Wake() { wake.Wake(); }
    void ReaderLoop();
    void Handle(XEvent& e);
    // mutex held
    void FindTrayOwner();
    // Makes the icon's window: unmapped, not docked.
    bool MakeIconWindow(IconWin& icon);
    void Dock(IconWin& icon);
    void Draw(IconWin& icon);
    // The icon's place on the screen.
    RECT ScreenRectOf(const IconWin& icon);
    // Pointer crossings and moves on an icon window (the tip); false for another window.
    bool HandleIconPointer(XEvent& e);
    // The active window at the window manager (null: none); mutex held.
    HWND ReadActiveWindow();
    HWND HandleOf(::Window xid);
};

bool X11Shell::Impl::Open(const std::string& name) {
    dpy = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!dpy) {
        return false;
    }
    screen = DefaultScreen(dpy);
    root = RootWindow(dpy, screen);
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    // One round trip for all the atoms.
    char* names[] = {const_cast<char*>(selection.c_str()),
                     const_cast<char*>("_NET_SYSTEM_TRAY_OPCODE"),
                     const_cast<char*>("MANAGER"),
                     const_cast<char*>("_XEMBED_INFO"),
                     const_cast<char*>("_NET_ACTIVE_WINDOW"),
                     const_cast<char*>("_NET_WM_PID")};
    Atom atoms[std::size(names)] = {};
    XInternAtoms(dpy, names, static_cast<int>(std::size(names)), False, atoms);
    trayAtom = atoms[0];
    opcode = atoms[1];
    manager = atoms[2];
    xembedInfo = atoms[3];
    activeWindow = atoms[4];
    wmPid = atoms[5];
    // MANAGER messages go to the root window with StructureNotifyMask; the active window is a
    // property of the root window.
    XSelectInput(dpy, root, StructureNotifyMask | PropertyChangeMask);
    FindTrayOwner();
    {
        // Whether the window manager keeps an active window at all.
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, root, activeWindow, 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            desktopActive = count == 1;
            XFree(data);
        }
    }
    XFlush(dpy);
    if (!wake.Open()) {
        XCloseDisplay(dpy);
        dpy = nullptr;
        return false;
    }
    reader = std::thread([this] { ReaderLoop(); });
    return true;
}

void X11Shell::Impl::Close() {
    if (!dpy) {
        return;
    }
    stop = true;
    Wake();
    if (reader.joinable()) {
        reader.join();
    }
    std::lock_guard lock(mutex);
    for (auto& [key, icon] : icons) {
        XDestroyWindow(dpy, icon.xid);
    }
    icons.clear();
    XCloseDisplay(dpy);
    dpy = nullptr;
}

void X11Shell::Impl::FindTrayOwner() {
    XGrabServer(dpy);
    trayOwner = XGetSelectionOwner(dpy, trayAtom);
    if (trayOwner) {
        // Its end is heard as DestroyNotify.
        XSelectInput(dpy, trayOwner, StructureNotifyMask);
    }
    XUngrabServer(dpy);
}

bool X11Shell::Impl::MakeIconWindow(IconWin& icon) {
    XSetWindowAttributes attrs{};
    // The transparent parts of the icon show the tray's background, also after something
    // that covered the icon (a menu) went away.
    attrs.background_pixmap = ParentRelative;
    attrs.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask | StructureNotifyMask |
                       EnterWindowMask | LeaveWindowMask | PointerMotionMask;
    // Never a window manager's: a tray that ends hands the icon back to the root window and
    // maps it there, and a window manager would frame it as an application window in the
    // middle of the screen (and, unframing it when the next tray takes it, leave it unmapped).
    attrs.override_redirect = True;
    icon.xid = XCreateWindow(dpy, root, 0, 0, static_cast<unsigned>(std::max(1, icon.width)),
                             static_cast<unsigned>(std::max(1, icon.height)), 0, CopyFromParent,
                             InputOutput, CopyFromParent,
                             CWBackPixmap | CWEventMask | CWOverrideRedirect, &attrs);
    icon.dockedWith = 0;
    if (!icon.xid) {
        return false;
    }
    // Embedding protocol version 0, mapped by the tray once docked.
    long info[2] = {0, 1};
    XChangeProperty(dpy, icon.xid, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(info), 2);
    // Named after the program, not its tip: the tip may be the title of another of its
    // windows, which a search by title must not mistake for the icon.
    std::string program = program_invocation_short_name ? program_invocation_short_name : "";
    XStoreName(dpy, icon.xid, program.c_str());
    XClassHint hint{};
    hint.res_name = program.data();
    hint.res_class = program.data();
    XSetClassHint(dpy, icon.xid, &hint);
    return true;
}

void X11Shell::Impl::Dock(IconWin& icon) {
    // Docked when a tray appears; once per tray (a tray asked twice may be handed a window
    // it already holds).
    if (!trayOwner || icon.dockedWith == trayOwner || !icon.xid) {
        return;
    }
    icon.dockedWith = trayOwner;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = trayOwner;
    e.xclient.message_type = opcode;
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = kSystemTrayRequestDock;
    e.xclient.data.l[2] = static_cast<long>(icon.xid);
    XSendEvent(dpy, trayOwner, False, NoEventMask, &e);
    XFlush(dpy);
}

void X11Shell::Impl::Draw(IconWin& icon) {
    const int w = std::max(1, icon.width);
    const int h = std::max(1, icon.height);
    gdi::Bitmap source(0, 0);
    const bool hasImage =
        GetIconImage(icon.record.icon, source) && source.Width() > 0 && source.Height() > 0;
    // The icon scaled to the size the tray gave, transparent pixels left to the tray.
    std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    std::vector<XRectangle> opaque;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = 0;
            if (hasImage) {
                p = source.GetPixel(x * source.Width() / w, y * source.Height() / h);
            } else {
                // An icon without pixels: a plain framed tile.
                const bool frame = x == 1 || y == 1 || x == w - 2 || y == h - 2;
                const bool inside = x >= 1 && y >= 1 && x <= w - 2 && y <= h - 2;
                p = !inside ? 0 : frame ? 0xFFFFFFFFu : 0xFF2E8B57u;
            }
            if ((p >> 24) >= 0x80) {
                pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                    p & 0xFFFFFF;
                opaque.push_back(XRectangle{static_cast<short>(x), static_cast<short>(y), 1, 1});
            }
        }
    }
    Visual* visual = DefaultVisual(dpy, screen);
    XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(DefaultDepth(dpy, screen)),
                                 ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                                 static_cast<unsigned>(w), static_cast<unsigned>(h), 32, w * 4);
    if (!image) {
        return;
    }
    // The tray's background first, then the opaque pixels over it: every pixel is painted.
    XClearArea(dpy, icon.xid, 0, 0, 0, 0, False);
    GC gc = XCreateGC(dpy, icon.xid, 0, nullptr);
    XSetClipRectangles(dpy, gc, 0, 0, opaque.data(), static_cast<int>(opaque.size()), Unsorted);
    XPutImage(dpy, icon.xid, gc, image, 0, 0, 0, 0, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    XFreeGC(dpy, gc);
    image->data = nullptr;
    XDestroyImage(image);
    XFlush(dpy);
}

RECT X11Shell::Impl::ScreenRectOf(const IconWin& icon) {
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(dpy, icon.xid, root, 0, 0, &x, &y, &child);
    return RECT{x, y, x + icon.width, y + icon.height};
}

bool X11Shell::Impl::HandleIconPointer(XEvent& e) {
    if (e.type != EnterNotify && e.type != LeaveNotify && e.type != MotionNotify) {
        return false;
    }
    HWND hwnd = nullptr;
    UINT id = 0;
    RECT rect{};
    {
        std::lock_guard lock(mutex);
        auto it = std::find_if(icons.begin(), icons.end(), [&](const auto& entry) {
            return entry.second.xid == e.xany.window;
        });
        if (it == icons.end()) {
            return false;
        }
        hwnd = it->second.record.hwnd;
        id = it->second.record.id;
        if (e.type != LeaveNotify) {
            rect = ScreenRectOf(it->second);
        }
    }
    if (e.type == LeaveNotify) {
        // The pointer grabbed away (a menu opening) is no leaving: the tip stays away.
        if (e.xcrossing.mode == NotifyGrab) {
            traytip::MenuOpened();
        } else if (e.xcrossing.mode == NotifyNormal) {
            traytip::PointerLeft(hwnd, id);
        }
    } else if (e.type == MotionNotify ||
               (e.xcrossing.mode == NotifyNormal && e.xcrossing.detail != NotifyInferior)) {
        traytip::PointerOver(hwnd, id, rect);
    }
    return true;
}

HWND X11Shell::Impl::HandleOf(::Window xid) {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (display.XWindowOf(w) == xid) {
            return w;
        }
    }
    return ForeignWindowHandle(xid);
}

HWND X11Shell::Impl::ReadActiveWindow() {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    ::Window active = 0;
    if (XGetWindowProperty(dpy, root, activeWindow, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32) {
            active = static_cast<::Window>(reinterpret_cast<unsigned long*>(data)[0]);
        }
        XFree(data);
    }
    desktopActive = true;
    return active ? HandleOf(active) : nullptr; // none: the desktop itself
}

void X11Shell::Impl::ReaderLoop() {
    const int xfd = ConnectionNumber(dpy);
    while (!stop) {
        bool pending = false;
        {
            std::lock_guard lock(mutex);
            pending = XPending(dpy) > 0;
        }
        if (!pending) {
            pollfd fds[2] = {{xfd, POLLIN, 0}, {wake.ReadEnd(), POLLIN, 0}};
            poll(fds, 2, -1);
        }
        wake.Drain();
        if (stop) {
            break;
        }
        std::vector<XEvent> events;
        {
            std::lock_guard lock(mutex);
            while (XPending(dpy) > 0) {
                XEvent e;
                XNextEvent(dpy, &e);
                events.push_back(e);
            }
        }
        for (XEvent& e : events) {
            Handle(e);
        }
    }
}

void X11Shell::Impl::Handle(XEvent& e) {
    if (e.type == ClientMessage && e.xclient.window == root &&
        static_cast<Atom>(e.xclient.message_type) == manager &&
        static_cast<Atom>(e.xclient.data.l[1]) == trayAtom) {
        // A new tray: every icon docks with it, once. The icons live on from tray to tray, so
        // programs are not told to add them again ("TaskbarCreated" would have them delete
        // and add each icon: a second request, for a window destroyed on the way).
        std::lock_guard lock(mutex);
        FindTrayOwner();
        for (auto& [key, icon] : icons) {
            icon.dockedWith = 0; // a new tray may have the number of one before it
            Dock(icon);
        }
        return;
    }
    if (e.type == PropertyNotify && e.xproperty.window == root &&
        e.xproperty.atom == activeWindow) {
        HWND hwnd = nullptr;
        {
            std::lock_guard lock(mutex);
            hwnd = ReadActiveWindow();
        }
        // Told without the lock: a listener may ask for the window's process.
        if (hwnd) {
            NotifyActiveWindowChanged(hwnd, true);
        }
        return;
    }
    if (e.type == DestroyNotify && trayOwner && e.xdestroywindow.window == trayOwner) {
        std::lock_guard lock(mutex);
        trayOwner = 0;
        for (auto& [key, icon] : icons) {
            icon.dockedWith = 0;
        }
        return;
    }
    if (HandleIconPointer(e)) {
        return;
    }
    if (e.type == ButtonPress || e.type == ButtonRelease || e.type == MotionNotify ||
        e.type == KeyPress || e.type == KeyRelease) {
        HWND menu = nullptr;
        {
            std::lock_guard lock(mutex);
            menu = grabbedMenu;
        }
        // While a menu holds the grab, input anywhere goes to it.
        const ::Window window = e.xany.window;
        bool onIcon = false;
        IconWin* icon = nullptr;
        TrayIconRecord record;
        POINT at{};
        UINT message = 0;
        if (!menu && (e.type == ButtonPress || e.type == ButtonRelease)) {
            std::lock_guard lock(mutex);
            for (auto& [key, candidate] : icons) {
                if (candidate.xid == window) {
                    icon = &candidate;
                    break;
                }
            }
            if (icon) {
                onIcon = true;
                const bool down = e.type == ButtonPress;
                const unsigned button = e.xbutton.button;
                at = POINT{e.xbutton.x_root, e.xbutton.y_root};
                if (button == Button1) {
                    message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                    if (down && icon->lastButton == button &&
                        e.xbutton.time - icon->lastPress <= GetDoubleClickTime()) {
                        message = WM_LBUTTONDBLCLK;
                        icon->lastButton = 0;
                    } else if (down) {
                        icon->lastButton = button;
                        icon->lastPress = e.xbutton.time;
                    }
                } else if (button == Button3) {
                    message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                } else if (button == Button2) {
                    message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
                }
                record = icon->record;
            }
        }
        if (onIcon) {
            if (!IsWindow(record.hwnd)) {
                // Its window is gone without removing it: the icon goes at the first click.
                std::lock_guard lock(mutex);
                auto it = icons.find({record.hwnd, record.id});
                if (it != icons.end()) {
                    XDestroyWindow(dpy, it->second.xid);
                    XFlush(dpy);
                    icons.erase(it);
                }
            } else if (message) {
                DeliverTrayMouseMessage(record, message, at);
            }
            return;
        }
        if (!menu) {
            return;
        }
        const DWORD thread = GetWindowThreadProcessId(menu, nullptr);
        if (e.type == MotionNotify) {
            const POINT p{e.xmotion.x_root, e.xmotion.y_root};
            PostThreadCallback(thread, [p] { input::MouseMove(p); });
        } else if (e.type == ButtonPress || e.type == ButtonRelease) {
            const POINT p{e.xbutton.x_root, e.xbutton.y_root};
            const bool down = e.type == ButtonPress;
            const unsigned button = e.xbutton.button;
            PostThreadCallback(thread, [p, down, button] {
                input::MouseMove(p);
                if (button == Button1) {
                    input::MouseButton(input::MouseButtonId::Left, down);
                } else if (button == Button3) {
                    input::MouseButton(input::MouseButtonId::Right, down);
                } else if (button == Button2) {
                    input::MouseButton(input::MouseButtonId::Middle, down);
                }
            });
        } else {
            XKeyEvent key = e.xkey;
            const int vk =
                x11::VirtualKeyFromKeysym(static_cast<std::uint32_t>(XLookupKeysym(&key, 0)));
            const bool down = e.type == KeyPress;
            if (vk) {
                PostThreadCallback(thread, [vk, down] { input::Key(vk, down); });
            }
        }
        return;
    }
    std::lock_guard lock(mutex);
    for (auto& [key, icon] : icons) {
        if (icon.xid != e.xany.window) {
            continue;
        }
        if (e.type == ConfigureNotify) {
            icon.width = e.xconfigure.width;
            icon.height = e.xconfigure.height;
            Draw(icon);
        } else if (e.type == Expose && e.xexpose.count == 0) {
            Draw(icon);
        } else if (e.type == ReparentNotify && e.xreparent.parent == root) {
            // The tray went away and gave the icon back: it waits, unseen, for the next.
            XUnmapWindow(dpy, icon.xid);
            XFlush(dpy);
        } else if (e.type == DestroyNotify && e.xdestroywindow.window == icon.xid) {
            // Destroyed with a tray that ended without giving it back: made anew, it waits
            // for the next tray (never is a tray sent a window that is gone).
            MakeIconWindow(icon);
            XFlush(dpy);
        }
        break;
    }
}

X11Shell::X11Shell(X11Display& display, const std::string& displayName)
    : m_impl(std::make_unique<Impl>(display)) {
    if (m_impl->Open(displayName)) {
        SetShellBackend(this);
    }
}

X11Shell::~X11Shell() {
    if (GetShellBackend() == this) {
        SetShellBackend(nullptr);
    }
    m_impl->Close();
}

bool X11Shell::IsOpen() const {
    return m_impl->dpy != nullptr;
}

void X11Shell::BeginMenuGrab(HWND menuWindow) {
    traytip::MenuOpened();
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    Display* dpy = m_impl->dpy;
    m_impl->grabbedMenu = menuWindow;
    // The pointer may still be grabbed for a moment (a tray's button release): try again
    // briefly.
    for (int tries = 0; tries < 20; ++tries) {
        const int pointer = XGrabPointer(dpy, m_impl->root, False,
                                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (pointer == GrabSuccess) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (int tries = 0; tries < 20; ++tries) {
        if (XGrabKeyboard(dpy, m_impl->root, False, GrabModeAsync, GrabModeAsync, CurrentTime) ==
            GrabSuccess) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XFlush(dpy);
}

void X11Shell::EndMenuGrab(HWND menuWindow) {
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    if (m_impl->grabbedMenu != menuWindow) {
        return;
    }
    m_impl->grabbedMenu = nullptr;
    XUngrabPointer(m_impl->dpy, CurrentTime);
    XUngrabKeyboard(m_impl->dpy, CurrentTime);
    XFlush(m_impl->dpy);
}

bool X11Shell::AddTrayIcon(const TrayIconRecord& record) {
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    Display* dpy = m_impl->dpy;
    IconWin icon;
    icon.record = record;
    if (!m_impl->MakeIconWindow(icon)) {
        return false;
    }
    auto& slot = m_impl->icons[{record.hwnd, record.id}];
    slot = icon;
    m_impl->Dock(slot);
    XFlush(dpy);
    return true;
}

bool X11Shell::ModifyTrayIcon(const TrayIconRecord& record) {
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    auto it = m_impl->icons.find({record.hwnd, record.id});
    if (it == m_impl->icons.end()) {
        return false;
    }
    it->second.record = record;
    m_impl->Draw(it->second);
    return true;
}

void X11Shell::DeleteTrayIcon(HWND hwnd, UINT id) {
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    auto it = m_impl->icons.find({hwnd, id});
    if (it == m_impl->icons.end()) {
        return;
    }
    XDestroyWindow(m_impl->dpy, it->second.xid);
    XFlush(m_impl->dpy);
    m_impl->icons.erase(it);
}

bool X11Shell::ReportsActiveWindow() const {
    return m_impl->desktopActive;
}

DWORD X11Shell::ForeignWindowProcessId(HWND hwnd) {
    const unsigned long xid = NativeWindowOfForeignHandle(hwnd);
    if (!xid) {
        return 0;
    }
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    DWORD pid = 0;
    if (XGetWindowProperty(m_impl->dpy, xid, m_impl->wmPid, 0, 1, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32) {
            pid = static_cast<DWORD>(reinterpret_cast<unsigned long*>(data)[0]);
        }
        XFree(data);
    }
    return pid;
}

std::optional<RECT> X11Shell::PrimaryMonitorRect() {
    x11::WakingLock lock(m_impl->mutex, m_impl->wake);
    if (!m_impl->dpy) {
        return std::nullopt;
    }
    int events = 0;
    int errors = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(m_impl->dpy, &events, &errors) ||
        !XRRQueryVersion(m_impl->dpy, &major, &minor) || (major == 1 && minor < 5)) {
        return std::nullopt;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(m_impl->dpy, m_impl->root, True, &count);
    if (!monitors) {
        return std::nullopt;
    }
    std::optional<RECT> result;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        if (m.primary || !result) {
            result = RECT{m.x, m.y, m.x + m.width, m.y + m.height};
            if (m.primary) {
                break;
            }
        }
    }
    XRRFreeMonitors(monitors);
    return result;
}

unsigned long X11Shell::IconWindowOf(HWND hwnd, UINT id) {
    std::lock_guard lock(m_impl->mutex);
    auto it = m_impl->icons.find({hwnd, id});
    return it == m_impl->icons.end() ? 0 : it->second.xid;
}

} // namespace platform
