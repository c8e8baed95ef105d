#include "platform/ui/x11/X11Display.h"

#include "platform/base/Keyboard.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Region.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/x11/WakePipe.h"
#include "platform/ui/x11/X11Clipboard.h" // destroyed with the display
#include "platform/ui/x11/X11InputEvents.h"
#include "platform/ui/x11/X11Keys.h"
#include "platform/ui/x11/X11Pixels.h"
#include "platform/ui/x11/X11RawInput.h"
#include "platform/ui/x11/X11Shell.h"
#include "platform/ui/x11/X11TextInput.h"
#include "platform/ui/x11/X11WindowSearch.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <poll.h>
#include <unistd.h>

// Xlib last: it defines macros (None, Bool, Status, True...) and global names (Window,
// Region) that the window layer's headers must not see.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace platform {

namespace {

// What the X side needs to know of one top-level window, copied under the window manager's
// lock so that the X calls run without it.
struct Snapshot {
    HWND hwnd = nullptr;
    bool own = false; // a window of the synchronising thread: its pixels can be read
    HWND owner = nullptr;
    RECT rect{};
    bool shown = false;
    bool minimized = false;
    bool overrideRedirect = false;
    bool topmost = false;
    bool toolWindow = false;
    bool clickThrough = false; // layered and transparent: input passes to what is below
    std::optional<gdi::Region> region;
    std::optional<COLORREF> key;
    BYTE alpha = 255;
    std::u16string title;
    std::u16string className;
    int width = 0;
    int height = 0;
    // The backing bitmap of a shown window, read (never copied) by its own thread, which is
    // the thread that draws on it.
    std::shared_ptr<const gdi::Bitmap> backing;
};

// The X side of one top-level window.
struct XWin {
    ::Window xid = 0;
    Colormap colormap = 0;
    RECT rect{};
    bool mapped = false; // not withdrawn: shown, or minimized by the window manager
    bool iconic = false; // minimized by the window manager
    bool iconicHint = false;
    bool overrideRedirect = false;
    unsigned long stateSerial = 0; // first request after our last change of map state
    bool shaped = false;
    bool forcePush = true;
    int width = 0;
    int height = 0;
    x11::WindowPixels pixels;                // as the server last got them
    std::vector<std::vector<int>> shapeRuns; // the shape's visible runs of each row
    std::optional<gdi::Region> region;
    std::optional<COLORREF> key;
    BYTE alpha = 255;
    std::u16string title;
};

// Popups that belong to another window (menus, drop-down lists, tooltips) and tool windows
// bypass the window manager; other top-level windows are managed (and left undecorated: they
// draw their own frame).
bool WantsOverrideRedirect(const wm::Window& w) {
    const bool popup = (w.style & WS_POPUP) != 0;
    const bool caption = (w.style & WS_CAPTION) == WS_CAPTION;
    return popup && !caption && (w.owner != nullptr || (w.exStyle & WS_EX_TOOLWINDOW) != 0);
}

// Only the thread that owns a window reads its pixels: it is the thread that paints them,
// and it synchronises between messages, never in the middle of drawing.
Snapshot TakeSnapshot(const wm::Window& w, DWORD thread) {
    Snapshot s;
    s.hwnd = w.hwnd;
    s.own = w.thread == thread;
    if (!s.own) {
        return s;
    }
    s.owner = w.owner;
    s.rect = w.rect;
    s.shown = (w.style & WS_VISIBLE) && !(w.style & WS_MINIMIZE);
    s.minimized = (w.style & WS_VISIBLE) && (w.style & WS_MINIMIZE);
    s.overrideRedirect = WantsOverrideRedirect(w);
    s.topmost = (w.exStyle & WS_EX_TOPMOST) != 0;
    s.toolWindow = (w.exStyle & WS_EX_TOOLWINDOW) != 0;
    s.clickThrough = (w.exStyle & WS_EX_LAYERED) && (w.exStyle & WS_EX_TRANSPARENT);
    s.region = w.region;
    if (w.exStyle & WS_EX_LAYERED) {
        if (w.layeredFlags & LWA_COLORKEY) {
            s.key = w.colorKey;
        }
        if (w.layeredFlags & LWA_ALPHA) {
            s.alpha = w.alpha;
        }
    }
    s.title = w.text;
    s.className = w.cls ? w.cls->name : std::u16string();
    if (!s.shown) {
        return s; // hidden windows keep what the X window last showed
    }
    s.backing = w.backing;
    s.width = s.backing->Width();
    s.height = s.backing->Height();
    return s;
}

// The runs [left, right) of one row that lie in the given spans of the window region and are
// not of the key colour; appended to runs.
void VisibleRuns(const Snapshot& s, int y, const std::vector<LONG>& spans, std::vector<int>& runs) {
    const gdi::Pixel keyPixel = s.key ? gdi::PixelFromColorRef(*s.key) & 0xFFFFFF : 0;
    const gdi::Pixel* row = s.backing->Row(y);
    for (size_t i = 0; i + 1 < spans.size(); i += 2) {
        const int left = std::clamp(static_cast<int>(spans[i]), 0, s.width);
        const int right = std::clamp(static_cast<int>(spans[i + 1]), 0, s.width);
        if (!s.key) {
            if (right > left) {
                runs.push_back(left);
                runs.push_back(right);
            }
            continue;
        }
        // Alternately the key-coloured pixels to skip and the run of others to keep.
        int x = left;
        while (x < right) {
            while (x < right && (row[x] & 0xFFFFFF) == keyPixel) {
                ++x;
            }
            const int start = x;
            while (x < right && (row[x] & 0xFFFFFF) != keyPixel) {
                ++x;
            }
            if (x > start) {
                runs.push_back(start);
                runs.push_back(x);
            }
        }
    }
}

// The spans of the window region on row y (the whole row without a region).
const std::vector<LONG>& RegionSpans(const Snapshot& s, int y, const std::vector<LONG>& wholeRow) {
    static const std::vector<LONG> none;
    if (!s.region) {
        return wholeRow;
    }
    const auto& bands = s.region->Bands();
    auto band =
        std::upper_bound(bands.begin(), bands.end(), y,
                         [](int row, const gdi::Region::Band& b) { return row < b.bottom; });
    return band != bands.end() && band->top <= y ? band->spans : none;
}

// The visible runs of the given rows (the window region without colour-key pixels) into
// rowRuns; true when any of them changed.
bool UpdateRowRuns(const Snapshot& s, const x11::WindowPixels::Rows& rows,
                   std::vector<std::vector<int>>& rowRuns) {
    const std::vector<LONG> wholeRow{0, s.width};
    rowRuns.resize(static_cast<size_t>(s.height));
    bool changed = false;
    std::vector<int> runs;
    for (const auto& [first, last] : rows) {
        for (int y = first; y < last; ++y) {
            runs.clear();
            VisibleRuns(s, y, RegionSpans(s, y, wholeRow), runs);
            auto& kept = rowRuns[static_cast<size_t>(y)];
            if (runs != kept) {
                kept.swap(runs);
                changed = true;
            }
        }
    }
    return changed;
}

// The visible shape as y-x banded rectangles; rows with the same runs share one band.
std::vector<XRectangle> ShapeRectangles(const std::vector<std::vector<int>>& rowRuns) {
    std::vector<XRectangle> rects;
    size_t bandStart = 0;
    for (size_t y = 0; y < rowRuns.size(); ++y) {
        const std::vector<int>& runs = rowRuns[y];
        if (y > 0 && runs == rowRuns[y - 1]) {
            for (size_t i = bandStart; i < rects.size(); ++i) {
                ++rects[i].height;
            }
            continue;
        }
        bandStart = rects.size();
        for (size_t i = 0; i + 1 < runs.size(); i += 2) {
            rects.push_back(XRectangle{static_cast<short>(runs[i]), static_cast<short>(y),
                                       static_cast<unsigned short>(runs[i + 1] - runs[i]), 1});
        }
    }
    return rects;
}

// Set on the reader thread.
thread_local bool t_isReader = false;

int ClampSize(LONG v) {
    return std::clamp(static_cast<int>(v), 1, 32767);
}

} // namespace

struct X11Display::Impl {
    Display* dpy = nullptr;
    int screen = 0;
    ::Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    std::atomic<int> screenWidth{0};
    std::atomic<int> screenHeight{0};
    Atom wmProtocols = 0;
    Atom wmDelete = 0;
    Atom opacity = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Atom motifHints = 0;
    Atom netWmState = 0;
    Atom wmState = 0;
    Atom netWmStateAbove = 0;
    Atom netWmStateSkipTaskbar = 0;

    std::mutex xMutex;    // every Xlib call and the window maps
    std::mutex syncMutex; // one synchronisation at a time
    std::map<HWND, XWin> windows;
    std::unordered_map<::Window, HWND> byXid;
    std::vector<::Window> stacking;

    // Closed with the object, after Close: a late wake-up must not write into a descriptor
    // number reused meanwhile.
    x11::WakePipe wake;
    std::atomic<bool> open{false};
    std::atomic<bool> dirty{true};
    std::atomic<bool> stop{false};
    std::thread reader;
    std::mutex pendingMutex;
    std::set<DWORD> syncPending; // threads asked to synchronise their windows
    std::weak_ptr<Impl> self;
    x11::X11RawInput rawInput;               // the desktop's raw keys and buttons
    x11::X11TextInput textInput;             // the input method and the keys' characters (xMutex)
    std::atomic<bool> pointerGrabbed{false}; // for a popup holding the capture
    bool sharedMemory = false;               // window pixels go through MIT-SHM

    Impl() = default;
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool Open(const std::string& name);
    void Close();
    void Wake() { wake.Wake(); }
    // Brings the X windows of the calling thread's windows up to date, and removes the X
    // windows of windows that are gone.
    void Sync();
    // Paints the calling thread's windows that are about to appear, so that they appear with
    // their pixels rather than blank.
    void PaintBeforeMapping();
    // Asks every thread that owns a top-level window to synchronise in its message loop.
    void ScheduleSyncs();
    // Asks one thread to synchronise in its message loop (once while one is pending); false
    // when the thread has no message queue.
    bool ScheduleSync(DWORD thread);
    // A change made by a thread that owns every top-level window is synchronised in that
    // thread's own loop, without waking the reader thread (which would only ask the same
    // thread back, one more hand-over before a new window's first frame); false when the
    // change needs the reader.
    bool SyncInOwnLoop();
    void SyncWindow(Snapshot& s, XWin& x, bool created);
    void SetInitialState(XWin& x, int state);
    // The window manager's WM_STATE of the window says iconic (xMutex held).
    bool IsIconicAtManager(::Window xid);
    // Creates the X window (and its colormap) of a window.
    void CreateXWindow(const Snapshot& s, XWin& x);
    void DestroyXWindow(XWin& x);
    void ReaderLoop();
    // The window lost the X focus: if no window of ours has it now, another program became
    // active and the window is deactivated.
    void CheckFocusLeft(HWND hwnd);
    HWND focusLost = nullptr; // reader thread only
    // key: what a key event means, read with it (null for other events).
    void Handle(const XEvent& e, const x11::KeyEventInput* key);
    // Another process asked for the window: raise it, restore or activate its last active
    // popup, and make that active at the X server (window thread).
    void AnswerActivateRequest(HWND hwnd);
};

namespace {

// A request about a window that another client or the server already removed is not worth
// ending the program for (Xlib's default handler exits): note it and go on.
int IgnoreXError(Display* dpy, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(dpy, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X11 display: request %d failed: %s\n", error->request_code, text);
    return 0;
}

// The events each of the program's X windows selects.
constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | KeyPressMask | KeyReleaseMask | FocusChangeMask |
                               StructureNotifyMask | LeaveWindowMask;

// The server gone (or the connection broken) ends the program, as Xlib's own handler does.
// Each connection's reader thread meets the loss at about the same moment; only the first
// ends the program, and it ends it at once: exit() run by two threads together, or while the
// other threads still use what its destructors free, corrupts the program's memory.
int ConnectionLost(Display*) {
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    if (!ending.test_and_set()) {
        std::fprintf(stderr, "X11 display: the connection to the X server is lost\n");
        std::fflush(nullptr);
        _exit(1);
    }
    for (;;) {
        pause(); // the first thread is ending the program
    }
}

} // namespace

bool X11Display::Impl::Open(const std::string& name) {
    XInitThreads();
    XSetIOErrorHandler(ConnectionLost); // for every connection of the program
    dpy = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!dpy) {
        return false;
    }
    int eventBase = 0;
    int errorBase = 0;
    XVisualInfo info{};
    screen = DefaultScreen(dpy);
    if (!XShapeQueryExtension(dpy, &eventBase, &errorBase) ||
        !XMatchVisualInfo(dpy, screen, 24, TrueColor, &info) || info.red_mask != 0xFF0000 ||
        info.green_mask != 0xFF00 || info.blue_mask != 0xFF) {
        XCloseDisplay(dpy);
        dpy = nullptr;
        return false;
    }
    XSetErrorHandler(IgnoreXError);
    // Held keys repeat as presses only (no release in between), as key messages expect.
    XkbSetDetectableAutoRepeat(dpy, True, nullptr);
    visual = info.visual;
    depth = info.depth;
    root = RootWindow(dpy, screen);
    screenWidth = DisplayWidth(dpy, screen);
    screenHeight = DisplayHeight(dpy, screen);
    // The root window's configure events tell a new screen resolution.
    XSelectInput(dpy, root, StructureNotifyMask);
    // A local server reads the windows' pixels from shared memory, others get them through
    // the connection.
    sharedMemory = x11::SharedMemoryUsable(dpy);
    // Without XInput 2 the windows still get their keys and clicks, only no raw input.
    rawInput.Open(dpy, root);
    // One round trip for all the atoms.
    char* names[] = {const_cast<char*>("WM_PROTOCOLS"),
                     const_cast<char*>("WM_DELETE_WINDOW"),
                     const_cast<char*>("_NET_WM_WINDOW_OPACITY"),
                     const_cast<char*>("_NET_WM_NAME"),
                     const_cast<char*>("UTF8_STRING"),
                     const_cast<char*>("_MOTIF_WM_HINTS"),
                     const_cast<char*>("_NET_WM_STATE"),
                     const_cast<char*>("WM_STATE"),
                     const_cast<char*>("_NET_WM_STATE_ABOVE"),
                     const_cast<char*>("_NET_WM_STATE_SKIP_TASKBAR")};
    Atom atoms[std::size(names)] = {};
    XInternAtoms(dpy, names, static_cast<int>(std::size(names)), False, atoms);
    wmProtocols = atoms[0];
    wmDelete = atoms[1];
    opacity = atoms[2];
    netWmName = atoms[3];
    utf8String = atoms[4];
    motifHints = atoms[5];
    netWmState = atoms[6];
    wmState = atoms[7];
    netWmStateAbove = atoms[8];
    netWmStateSkipTaskbar = atoms[9];

    if (!wake.Open()) {
        XCloseDisplay(dpy);
        dpy = nullptr;
        return false;
    }
    textInput.Open(dpy, kWindowEvents, [this] { Wake(); });
    // Keys are named by what the desktop's layout puts on them.
    std::weak_ptr<Impl> weak = self;
    SetKeyCharacterSource([weak](UINT scan) -> char32_t {
        auto impl = weak.lock();
        if (!impl) {
            return 0;
        }
        x11::WakingLock lock(impl->xMutex, impl->wake);
        return impl->dpy != nullptr ? impl->textInput.CharacterOfScan(scan) : 0;
    });
    open = true;
    reader = std::thread([this] { ReaderLoop(); });
    return true;
}

void X11Display::Impl::Close() {
    if (!dpy) {
        return;
    }
    open = false;
    stop = true;
    Wake();
    if (reader.joinable()) {
        reader.join();
    }
    {
        std::lock_guard lock(xMutex);
        for (auto& [hwnd, x] : windows) {
            DestroyXWindow(x);
        }
        windows.clear();
        byXid.clear();
        textInput.Close();
        SetKeyCharacterSource(nullptr);
        XCloseDisplay(dpy);
        dpy = nullptr;
    }
}

X11Display::Impl::~Impl() {
    Close();
}

void X11Display::Impl::DestroyXWindow(XWin& x) {
    textInput.Detach(x.xid);
    x.pixels.Release(dpy);
    XDestroyWindow(dpy, x.xid);
    XFreeColormap(dpy, x.colormap);
}

void X11Display::Impl::CreateXWindow(const Snapshot& s, XWin& x) {
    XSetWindowAttributes attrs{};
    attrs.override_redirect = s.overrideRedirect ? True : False;
    attrs.background_pixmap = None;
    attrs.border_pixel = 0;
    attrs.colormap = XCreateColormap(dpy, root, visual, AllocNone);
    attrs.event_mask = kWindowEvents;
    const ::Window xid = XCreateWindow(
        dpy, root, static_cast<int>(s.rect.left), static_cast<int>(s.rect.top),
        static_cast<unsigned>(ClampSize(s.rect.right - s.rect.left)),
        static_cast<unsigned>(ClampSize(s.rect.bottom - s.rect.top)), 0, depth, InputOutput, visual,
        CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attrs);
    x.xid = xid;
    textInput.Attach(xid);
    x.colormap = attrs.colormap; // freed with the window: freeing it now would unset it
    if (s.clickThrough) {
        // An empty input shape: clicks reach the windows below, as for a transparent layered
        // window.
        XShapeCombineRectangles(dpy, xid, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    }

    Atom protocols[] = {wmDelete};
    XSetWMProtocols(dpy, xid, protocols, 1);
    XClassHint cls{};
    char resName[] = "borvanta";
    char resClass[] = "Borvanta";
    cls.res_name = resName;
    cls.res_class = resClass;
    XSetClassHint(dpy, xid, &cls);
    // Found by class from other processes (a second start raising the first).
    x11::PublishWindowClass(dpy, xid, s.className);
    // Ask the window manager to keep the position the program chose.
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | USSize | PSize;
    hints.x = static_cast<int>(s.rect.left);
    hints.y = static_cast<int>(s.rect.top);
    hints.width = ClampSize(s.rect.right - s.rect.left);
    hints.height = ClampSize(s.rect.bottom - s.rect.top);
    XSetWMNormalHints(dpy, xid, &hints);
    {
        // No window-manager frame: every window draws its own (a captioned window its
        // caption bar, which drags it), so the frame is the same with or without a window
        // manager and never doubled. flags = decorations, functions = 0, decorations = none
        long motif[5] = {2, 0, 0, 0, 0};
        XChangeProperty(dpy, xid, motifHints, motifHints, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(motif), 5);
    }
    // Initial window-manager state: topmost windows stay above others, tool windows stay
    // out of the task bar.
    std::vector<Atom> states;
    if (s.topmost) {
        states.push_back(netWmStateAbove);
    }
    if (s.toolWindow) {
        states.push_back(netWmStateSkipTaskbar);
    }
    if (!states.empty()) {
        XChangeProperty(dpy, xid, netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states.data()),
                        static_cast<int>(states.size()));
    }
    if (s.owner) {
        auto it = windows.find(s.owner);
        if (it != windows.end()) {
            XSetTransientForHint(dpy, xid, it->second.xid);
        }
    }
}

bool X11Display::Impl::IsIconicAtManager(::Window xid) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, xid, wmState, 0, 2, False, wmState, &type, &format, &count, &after,
                           &data) != Success) {
        return false;
    }
    const bool iconic =
        data && format == 32 && count >= 1 && reinterpret_cast<const long*>(data)[0] == IconicState;
    if (data) {
        XFree(data);
    }
    return iconic;
}

void X11Display::Impl::SetInitialState(XWin& x, int state) {
    XWMHints hints{};
    hints.flags = StateHint | InputHint;
    hints.input = True;
    hints.initial_state = state;
    XSetWMHints(dpy, x.xid, &hints);
    x.iconicHint = state == IconicState;
}

void X11Display::Impl::SyncWindow(Snapshot& s, XWin& x, bool created) {
    if (!created && (s.rect.left != x.rect.left || s.rect.top != x.rect.top ||
                     s.rect.right != x.rect.right || s.rect.bottom != x.rect.bottom)) {
        XMoveResizeWindow(dpy, x.xid, static_cast<int>(s.rect.left), static_cast<int>(s.rect.top),
                          static_cast<unsigned>(ClampSize(s.rect.right - s.rect.left)),
                          static_cast<unsigned>(ClampSize(s.rect.bottom - s.rect.top)));
    }
    x.rect = s.rect;

    if (created || s.alpha != x.alpha) {
        if (s.alpha == 255) {
            XDeleteProperty(dpy, x.xid, opacity);
        } else {
            unsigned long value = static_cast<unsigned long>(s.alpha) * 0xFFFFFFFFul / 255ul;
            XChangeProperty(dpy, x.xid, opacity, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&value), 1);
        }
        x.alpha = s.alpha;
    }
    if (created || s.title != x.title) {
        const std::string utf8 = ToUtf8(s.title);
        XStoreName(dpy, x.xid, utf8.c_str());
        XChangeProperty(dpy, x.xid, netWmName, utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8.data()),
                        static_cast<int>(utf8.size()));
        x.title = s.title;
    }

    if (!s.shown) {
        if (s.minimized && !s.overrideRedirect) {
            // Minimized windows go to the window manager's icons (task bar), not away.
            if (!x.iconic) {
                x.stateSerial = NextRequest(dpy);
                if (x.mapped) {
                    XIconifyWindow(dpy, x.xid, screen);
                } else {
                    SetInitialState(x, IconicState);
                    XMapWindow(dpy, x.xid);
                }
                x.mapped = true;
                x.iconic = true;
            }
            return;
        }
        if (x.mapped) {
            x.stateSerial = NextRequest(dpy);
            if (s.overrideRedirect) {
                XUnmapWindow(dpy, x.xid);
            } else {
                XWithdrawWindow(dpy, x.xid, screen);
            }
            x.mapped = false;
            x.iconic = false;
        }
        return;
    }
    if (x.iconic) {
        // Restored: mapping an iconic window makes it normal again.
        x.stateSerial = NextRequest(dpy);
        XMapWindow(dpy, x.xid);
        x.iconic = false;
        x.forcePush = true;
    }

    const bool sized = created || s.width != x.width || s.height != x.height;
    // Only the rows that differ from what the server got are sent again.
    const x11::WindowPixels::Rows rows = x.pixels.Changed(*s.backing);
    const bool pixelsChanged = sized || !rows.empty();
    // Shape: window region and colour key; the key's part changes with the pixels.
    // The runs of every row are kept: new pixels change only their own rows' runs, and a shape
    // that comes out the same is not sent again.
    const bool wantShape = s.region.has_value() || s.key.has_value();
    const bool wholeShape = created || sized || s.region != x.region || s.key != x.key ||
                            !x.shaped || x.shapeRuns.size() != static_cast<size_t>(s.height);
    if (wantShape && (wholeShape || (s.key && pixelsChanged))) {
        if (wholeShape) {
            x.shapeRuns.clear();
        }
        if (UpdateRowRuns(s, wholeShape ? x11::WindowPixels::All(*s.backing) : rows, x.shapeRuns) ||
            wholeShape) {
            std::vector<XRectangle> rects = ShapeRectangles(x.shapeRuns);
            XShapeCombineRectangles(dpy, x.xid, ShapeBounding, 0, 0, rects.data(),
                                    static_cast<int>(rects.size()), ShapeSet, YXBanded);
        }
        x.shaped = true;
    } else if (!wantShape && x.shaped) {
        XShapeCombineMask(dpy, x.xid, ShapeBounding, 0, 0, None, ShapeSet);
        x.shaped = false;
        x.shapeRuns.clear();
    }
    x.region = s.region;
    x.key = s.key;

    if (!x.mapped) {
        if (x.iconicHint) {
            SetInitialState(x, NormalState);
        }
        x.stateSerial = NextRequest(dpy);
        XMapWindow(dpy, x.xid);
        x.mapped = true;
        x.forcePush = true;
    }
    // Pixels drawn into an unmapped window are lost: push once it is mapped.
    if (x.mapped && (pixelsChanged || x.forcePush)) {
        x.pixels.Put(dpy, visual, depth, x.xid, *s.backing,
                     x.forcePush ? x11::WindowPixels::All(*s.backing) : rows, sharedMemory);
        x.width = s.width;
        x.height = s.height;
        x.forcePush = false;
    }
}

void X11Display::Impl::ScheduleSyncs() {
    std::set<DWORD> threads;
    {
        wm::Lock lock(wm::S().mutex);
        for (HWND h : wm::S().topLevels) {
            if (const wm::Window* w = wm::Get(h)) {
                threads.insert(w->thread);
            }
        }
    }
    for (DWORD thread : threads) {
        ScheduleSync(thread);
    }
}

bool X11Display::Impl::ScheduleSync(DWORD thread) {
    {
        std::lock_guard pendingLock(pendingMutex);
        if (!syncPending.insert(thread).second) {
            return true; // one is on its way
        }
    }
    std::weak_ptr<Impl> weak = self;
    auto run = [weak, thread] {
        if (auto impl = weak.lock()) {
            {
                std::lock_guard pendingLock(impl->pendingMutex);
                impl->syncPending.erase(thread);
            }
            impl->PaintBeforeMapping();
            impl->Sync();
        }
    };
    if (!PostThreadCallback(thread, run)) {
        std::lock_guard pendingLock(pendingMutex);
        syncPending.erase(thread);
        return false;
    }
    return true;
}

bool X11Display::Impl::SyncInOwnLoop() {
    if (t_isReader) {
        return false;
    }
    const DWORD thread = GetCurrentThreadId();
    {
        wm::Lock lock(wm::S().mutex);
        bool any = false;
        for (HWND h : wm::S().topLevels) {
            const wm::Window* w = wm::Get(h);
            if (w == nullptr) {
                continue;
            }
            if (w->thread != thread) {
                return false; // another thread's windows may need it too
            }
            any = true;
        }
        if (!any) {
            return false; // a window that went: the reader takes its X window away
        }
    }
    return ScheduleSync(thread);
}

void X11Display::Impl::PaintBeforeMapping() {
    const DWORD thread = GetCurrentThreadId();
    std::vector<HWND> shown;
    {
        wm::Lock lock(wm::S().mutex);
        for (HWND h : wm::S().topLevels) {
            const wm::Window* w = wm::Get(h);
            if (w && w->thread == thread && (w->style & WS_VISIBLE) && !w->update.IsEmpty()) {
                shown.push_back(h);
            }
        }
    }
    std::vector<HWND> first;
    {
        std::lock_guard lock(xMutex);
        for (HWND h : shown) {
            auto it = windows.find(h);
            if (it == windows.end() || !it->second.mapped) {
                first.push_back(h);
            }
        }
    }
    for (HWND h : first) {
        UpdateWindow(h);
    }
}

void X11Display::Impl::Sync() {
    std::lock_guard syncLock(syncMutex);
    std::vector<Snapshot> snaps;
    {
        const DWORD thread = GetCurrentThreadId();
        wm::Lock lock(wm::S().mutex);
        for (HWND h : wm::S().topLevels) {
            const wm::Window* w = wm::Get(h);
            if (w && w->backing && !w->destroying) {
                snaps.push_back(TakeSnapshot(*w, thread));
            }
        }
    }
    std::lock_guard lock(xMutex);
    if (!dpy) {
        return;
    }
    // Windows that are gone.
    for (auto it = windows.begin(); it != windows.end();) {
        const bool alive = std::any_of(snaps.begin(), snaps.end(),
                                       [&](const Snapshot& s) { return s.hwnd == it->first; });
        if (alive) {
            ++it;
            continue;
        }
        byXid.erase(it->second.xid);
        DestroyXWindow(it->second);
        it = windows.erase(it);
    }
    // X windows are made when first needed: for windows shown (or minimized) and the owners
    // of those (a popup names its owner's X window). A window that was never shown, such as a
    // popup created ahead of its use, costs the server nothing.
    std::set<HWND> wanted;
    for (const Snapshot& s : snaps) {
        if (!s.own || !(s.shown || s.minimized)) {
            continue;
        }
        for (HWND h = s.hwnd; h != nullptr && wanted.insert(h).second;) {
            auto owner = std::find_if(snaps.begin(), snaps.end(),
                                      [h](const Snapshot& o) { return o.hwnd == h; });
            h = owner != snaps.end() && owner->own ? owner->owner : nullptr;
        }
    }
    // Owners first, so that a popup can name its owner's X window.
    for (auto it = snaps.rbegin(); it != snaps.rend(); ++it) {
        if (!it->own) {
            continue;
        }
        auto found = windows.find(it->hwnd);
        const bool created = found == windows.end();
        if (created && wanted.count(it->hwnd) == 0) {
            continue;
        }
        if (created) {
            XWin x;
            CreateXWindow(*it, x);
            x.overrideRedirect = it->overrideRedirect;
            byXid[x.xid] = it->hwnd;
            found = windows.emplace(it->hwnd, std::move(x)).first;
        }
        SyncWindow(*it, found->second, created);
    }
    // Stacking order of the shown windows, topmost first.
    std::vector<::Window> order;
    std::vector<bool> bypassing; // override-redirect, by place in order
    for (const Snapshot& s : snaps) {
        auto x = windows.find(s.hwnd);
        if (x != windows.end() && x->second.mapped) {
            order.push_back(x->second.xid);
            bypassing.push_back(x->second.overrideRedirect);
        }
    }
    if (order != stacking && !order.empty()) {
        if (stacking.empty() || order.front() != stacking.front()) {
            XRaiseWindow(dpy, order.front());
        }
        // A window manager puts the windows it manages into frames of its own, while the
        // override-redirect ones stay children of the root: stacking one kind against the
        // other would name a window that is no sibling (BadMatch). Each run of one kind is
        // restacked on its own.
        size_t begin = 0;
        while (begin < order.size()) {
            size_t end = begin + 1;
            while (end < order.size() && bypassing[end] == bypassing[begin]) {
                ++end;
            }
            if (end - begin > 1) {
                XRestackWindows(dpy, order.data() + begin, static_cast<int>(end - begin));
            }
            begin = end;
        }
    }
    stacking = std::move(order);
    XFlush(dpy);
    if (!t_isReader) {
        // Writing may have read events into Xlib's queue, where the reader's poll cannot see
        // them.
        Wake();
    }
}

void X11Display::Impl::ReaderLoop() {
    t_isReader = true;
    const int xfd = ConnectionNumber(dpy);
    while (!stop) {
        bool pending = false;
        {
            std::lock_guard lock(xMutex);
            pending = XPending(dpy) > 0;
        }
        if (!pending && !dirty) {
            pollfd fds[2] = {{xfd, POLLIN, 0}, {wake.ReadEnd(), POLLIN, 0}};
            poll(fds, 2, -1);
        }
        wake.Drain();
        if (stop) {
            break;
        }
        if (dirty.exchange(false)) {
            // Here only windows that are gone and the stacking order; the pixels are pushed
            // by the threads that own them.
            Sync();
            ScheduleSyncs();
        }
        std::vector<XEvent> events;
        // What each key event among them means (by its index), decided as it is read: the
        // input method's state and the keyboard map are those of that moment.
        std::map<size_t, x11::KeyEventInput> keys;
        // Raw reports, each with the number of events read before it.
        std::vector<std::pair<size_t, x11::RawReport>> rawReports;
        {
            std::lock_guard lock(xMutex);
            while (XPending(dpy) > 0) {
                XEvent e;
                XNextEvent(dpy, &e);
                if (e.type == MappingNotify) {
                    XRefreshKeyboardMapping(&e.xmapping);
                    continue;
                }
                if (e.type == GenericEvent) {
                    if (auto report = rawInput.Translate(dpy, e)) {
                        rawReports.emplace_back(events.size(), *report);
                    }
                    continue;
                }
                if (textInput.Filter(e)) {
                    continue; // the input method's: a dead key, a composition, its own traffic
                }
                if (e.type == KeyPress || e.type == KeyRelease) {
                    keys[events.size()] = textInput.Translate(e);
                } else if (e.type == FocusIn || e.type == FocusOut) {
                    textInput.Focus(e.xfocus.window, e.type == FocusIn);
                }
                events.push_back(e);
            }
        }
        size_t nextRaw = 0;
        for (size_t i = 0; i <= events.size(); ++i) {
            // A device's raw report comes before the window events made from it.
            for (; nextRaw < rawReports.size() && rawReports[nextRaw].first == i; ++nextRaw) {
                x11::X11RawInput::Deliver(rawReports[nextRaw].second);
            }
            if (i == events.size()) {
                break;
            }
            // Only the last of a run of pointer motions matters.
            if (events[i].type == MotionNotify && i + 1 < events.size() &&
                events[i + 1].type == MotionNotify) {
                continue;
            }
            auto key = keys.find(i);
            Handle(events[i], key != keys.end() ? &key->second : nullptr);
        }
        if (focusLost) {
            CheckFocusLeft(std::exchange(focusLost, nullptr));
        }
    }
}

void X11Display::Impl::CheckFocusLeft(HWND hwnd) {
    {
        std::lock_guard lock(xMutex);
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        if (byXid.count(focus)) {
            return;
        }
    }
    if (const DWORD thread = wm::ThreadOf(hwnd)) {
        PostThreadCallback(thread, [hwnd] {
            if (GetActiveWindow() == hwnd) {
                wm::DeactivateAll();
            }
        });
    }
}

void X11Display::Impl::Handle(const XEvent& e, const x11::KeyEventInput* key) {
    bool minimizedByManager = false;
    bool restoredByManager = false;
    if (e.type == ConfigureNotify && e.xconfigure.window == root) {
        const int width = e.xconfigure.width;
        const int height = e.xconfigure.height;
        const bool widthChanged = screenWidth.exchange(width) != width;
        const bool heightChanged = screenHeight.exchange(height) != height;
        if (widthChanged || heightChanged) {
            // A new resolution: every top-level window hears of it in its own loop.
            std::vector<HWND> tops;
            for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
                tops.push_back(w);
            }
            const LPARAM size = MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height));
            for (HWND w : tops) {
                SendNotifyMessageW(w, WM_DISPLAYCHANGE, 24, size);
            }
        }
        return;
    }
    if (e.xany.window == root && pointerGrabbed && x11::IsInputEvent(e)) {
        // Outside our windows while a popup keeps the pointer: the capture holder hears it.
        const HWND capture = GetCapture();
        const DWORD thread = capture != nullptr ? wm::ThreadOf(capture) : 0;
        if (thread != 0) {
            x11::RouteInputEvent(thread, e, key);
        } else {
            std::lock_guard lock(xMutex);
            XUngrabPointer(dpy, CurrentTime);
            XFlush(dpy);
            pointerGrabbed = false;
        }
        return;
    }
    HWND hwnd = nullptr;
    bool forced = false;
    {
        std::lock_guard lock(xMutex);
        auto it = byXid.find(e.xany.window);
        if (it == byXid.end()) {
            return;
        }
        hwnd = it->second;
        auto w = windows.find(hwnd);
        if (w != windows.end() && !w->second.overrideRedirect &&
            e.xany.serial >= w->second.stateSerial) {
            // The window manager minimized or restored the window (task bar, keyboard).
            XWin& x = w->second;
            if (e.type == UnmapNotify && x.mapped && !x.iconic && IsIconicAtManager(x.xid)) {
                x.iconic = true;
                minimizedByManager = true;
            } else if (e.type == MapNotify && x.iconic) {
                x.iconic = false;
                x.forcePush = true;
                restoredByManager = true;
            }
        }
        if (e.type == Expose && w != windows.end()) {
            w->second.forcePush = true;
            forced = true;
        }
    }
    const DWORD thread = wm::ThreadOf(hwnd);
    if (!thread) {
        return;
    }
    if (x11::IsInputEvent(e)) {
        x11::RouteInputEvent(thread, e, key);
        return;
    }
    switch (e.type) {
    case FocusIn:
        // Focus given to the window itself; not the pointer passing over it while the focus
        // follows the pointer (no window manager).
        if ((e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed) &&
            e.xfocus.detail != NotifyPointer && e.xfocus.detail != NotifyPointerRoot &&
            e.xfocus.detail != NotifyDetailNone) {
            focusLost = nullptr;
            PostThreadCallback(thread, [hwnd] {
                if (IsWindow(hwnd) && GetActiveWindow() != hwnd && IsWindowEnabled(hwnd)) {
                    SetActiveWindow(hwnd);
                }
            });
        }
        break;
    case UnmapNotify:
        if (minimizedByManager) {
            PostThreadCallback(thread, [hwnd] {
                if (IsWindow(hwnd) && !IsIconic(hwnd)) {
                    ShowWindow(hwnd, SW_MINIMIZE);
                }
            });
        }
        break;
    case MapNotify:
        if (restoredByManager) {
            PostThreadCallback(thread, [hwnd] {
                if (IsWindow(hwnd) && IsIconic(hwnd)) {
                    ShowWindow(hwnd, SW_RESTORE);
                }
            });
            dirty = true;
            Wake();
        }
        break;
    case FocusOut:
        // Whether the focus went to another program is known once the events queued with
        // this one are handled (it may have gone to another of our windows).
        if ((e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed) &&
            e.xfocus.detail != NotifyInferior && e.xfocus.detail != NotifyPointer &&
            e.xfocus.detail != NotifyPointerRoot && e.xfocus.detail != NotifyDetailNone) {
            focusLost = hwnd;
        }
        break;
    case ClientMessage:
        if (static_cast<Atom>(e.xclient.message_type) == wmProtocols &&
            static_cast<Atom>(e.xclient.data.l[0]) == wmDelete) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        } else if (x11::IsActivateRequest(dpy, e.xclient)) {
            std::weak_ptr<Impl> weak = self;
            PostThreadCallback(thread, [weak, hwnd] {
                if (auto impl = weak.lock()) {
                    impl->AnswerActivateRequest(hwnd);
                }
            });
        }
        break;
    case Expose: {
        const RECT area{e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width,
                        e.xexpose.y + e.xexpose.height};
        PostThreadCallback(thread, [hwnd, area] {
            if (IsWindow(hwnd)) {
                // The area is in window coordinates; the window is repainted whole where
                // its frame is not its client area.
                RECT client = area;
                POINT origin{0, 0};
                ClientToScreen(hwnd, &origin);
                RECT window{};
                GetWindowRect(hwnd, &window);
                const LONG dx = window.left - origin.x;
                const LONG dy = window.top - origin.y;
                client =
                    RECT{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
                // As the system treats an uncovered area: erased and painted again, children
                // included (a list that paints its background only when erased shows it).
                RedrawWindow(hwnd, &client, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            }
        });
        if (forced) {
            dirty = true;
        }
        break;
    }
    case ConfigureNotify:
        // A window manager that moved a managed window tells where with a synthetic event
        // in root coordinates.
        if (e.xconfigure.send_event) {
            const int x = e.xconfigure.x;
            const int y = e.xconfigure.y;
            PostThreadCallback(thread, [hwnd, x, y] {
                RECT r{};
                if (GetWindowRect(hwnd, &r) && (r.left != x || r.top != y)) {
                    SetWindowPos(hwnd, nullptr, x, y, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
            });
        }
        break;
    default:
        break;
    }
}

void X11Display::Impl::AnswerActivateRequest(HWND hwnd) {
    if (!IsWindow(hwnd)) {
        return;
    }
    HWND popup = GetLastActivePopup(hwnd);
    BringWindowToTop(hwnd);
    if (IsIconic(popup)) {
        ShowWindow(popup, SW_RESTORE);
    }
    SetForegroundWindow(popup);
    Sync(); // mapped again before the focus is asked for
    x11::WakingLock lock(xMutex, wake);
    auto it = windows.find(popup);
    if (dpy && it != windows.end() && it->second.mapped) {
        x11::ActivateThroughManager(dpy, root, it->second.xid);
    }
}

bool X11Display::ActivateOtherProcessWindow(const std::u16string& className) {
    x11::WakingLock lock(m_impl->xMutex, m_impl->wake);
    if (!m_impl->dpy) {
        return false;
    }
    const ::Window found = x11::FindOtherProcessWindow(m_impl->dpy, m_impl->root, className);
    if (found == 0) {
        return false;
    }
    x11::SendActivateRequest(m_impl->dpy, found);
    return true;
}

X11Display::X11Display(const std::string& displayName)
    : m_impl(std::make_shared<Impl>()), m_displayName(displayName) {
    m_impl->self = m_impl;
    if (m_impl->Open(displayName)) {
        SetDisplayBackend(this);
        m_impl->Wake();
        m_shell = std::make_unique<X11Shell>(*this, displayName);
    }
}

X11Display::~X11Display() {
    m_clipboard.reset();
    m_shell.reset();
    if (GetDisplayBackend() == this) {
        SetDisplayBackend(nullptr);
    }
    m_impl->Close();
}

bool X11Display::IsOpen() const {
    return m_impl->open;
}

SIZE X11Display::ScreenSize() const {
    return IsOpen() ? SIZE{m_impl->screenWidth.load(), m_impl->screenHeight.load()}
                    : SIZE{1024, 768};
}

RECT X11Display::PrimaryMonitorRect() const {
    if (m_shell) {
        if (auto primary = m_shell->PrimaryMonitorRect()) {
            return *primary;
        }
    }
    return DisplayBackend::PrimaryMonitorRect();
}

void X11Display::ScreenChanged() {
    if (!IsOpen() || m_impl->SyncInOwnLoop()) {
        return;
    }
    if (!m_impl->dirty.exchange(true)) {
        m_impl->Wake();
    }
}

void X11Display::Flush() {
    if (!IsOpen()) {
        return;
    }
    m_impl->dirty = false;
    m_impl->Sync();
    x11::WakingLock lock(m_impl->xMutex, m_impl->wake);
    XSync(m_impl->dpy, False);
}

void X11Display::CaptureChanged(HWND capture) {
    if (!IsOpen()) {
        return;
    }
    const bool want = x11::WantsPointerGrab(capture);
    x11::WakingLock lock(m_impl->xMutex, m_impl->wake);
    if (want && !m_impl->pointerGrabbed) {
        // Our own clicks still reach our windows as usual (owner events); the rest of the
        // screen reports to the root window, which hands it to the capture.
        m_impl->pointerGrabbed =
            XGrabPointer(m_impl->dpy, m_impl->root, True,
                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    } else if (!want && m_impl->pointerGrabbed) {
        XUngrabPointer(m_impl->dpy, CurrentTime);
        m_impl->pointerGrabbed = false;
    }
    XFlush(m_impl->dpy);
}

unsigned long X11Display::XWindowOf(HWND hwnd) {
    std::lock_guard lock(m_impl->xMutex);
    auto it = m_impl->windows.find(hwnd);
    return it == m_impl->windows.end() ? 0 : it->second.xid;
}

bool WantX11Display() {
    const char* display = std::getenv("DISPLAY");
    const char* choice = std::getenv("BORVANTA_DISPLAY");
    return display && *display && !(choice && std::strcmp(choice, "headless") == 0);
}

std::unique_ptr<DisplayBackend> CreateDesktopDisplay(int headlessWidth, int headlessHeight) {
    if (WantX11Display()) {
        auto x11 = std::make_unique<X11Display>();
        if (x11->IsOpen()) {
            return x11;
        }
    }
    return std::make_unique<HeadlessDisplay>(headlessWidth, headlessHeight);
}

} // namespace platform
