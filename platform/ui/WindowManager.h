#pragma once
// Internal state of the window manager shared by the ui sources: windows, classes, timers,
// focus, capture and mouse tracking. Not for callers outside platform/ui.

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Region.h"
#include "platform/ui/WinUser.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::wm {

struct WindowClass {
    std::u16string name;
    WNDCLASSW wc;
    bool system = false;
};

struct Window {
    HWND hwnd = nullptr;
    DWORD thread = 0;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;      // children only
    HWND owner = nullptr;       // top-level windows only
    std::vector<HWND> children; // z-order, topmost first
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    RECT rect{}; // window rectangle in the parent's client coordinates (screen for top-level)
    std::u16string text;
    LONG_PTR userData = 0;
    LONG_PTR dlgMsgResult = 0;
    LONG_PTR dlgProc = 0;
    LONG_PTR dlgUser = 0;
    std::map<std::u16string, HANDLE> props;
    // Shape and layering.
    HRGN regionHandle = nullptr;       // owned, as given to SetWindowRgn
    std::optional<gdi::Region> region; // window coordinates
    COLORREF colorKey = 0;
    BYTE alpha = 255;
    DWORD layeredFlags = 0;
    // Painting: update region in client coordinates.
    gdi::Region update;
    bool erasePending = false;
    bool internalPaint = false;
    bool beganPaint = false;
    // Backing store of a top-level window (window size); children draw into their root's.
    // Shared with the device contexts drawing into it, so a DC never outlives its pixels.
    std::shared_ptr<gdi::Bitmap> backing;
    // Dialog state.
    bool isDialog = false;
    bool inModalLoop = false;
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    HWND savedFocus = nullptr;
    bool destroying = false;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    std::uint64_t due = 0;
    TIMERPROC proc = nullptr;
    DWORD thread = 0;
};

struct State {
    std::recursive_mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::vector<HWND> topLevels;                                    // z-order, topmost first
    std::map<std::u16string, std::shared_ptr<WindowClass>> classes; // folded names
    std::map<std::u16string, UINT> registeredMessages;
    UINT nextRegisteredMessage = 0xC000;
    std::uintptr_t nextHandle = 0x10000;
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 0x7FFF0000;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    POINT cursor{};  // where the input routed so far put the mouse
    POINT pointer{}; // where the mouse is now (input queued included): GetCursorPos
    BYTE keys[256]{};
    // TrackMouseEvent
    HWND trackLeave = nullptr;
    HWND trackHover = nullptr;
    UINT hoverTime = HOVER_DEFAULT_MS;
    std::uint64_t hoverStart = 0;
    POINT hoverPoint{};
    // Double-click detection.
    HWND lastClickWindow = nullptr;
    UINT lastClickMessage = 0;
    std::uint64_t lastClickTime = 0;
    POINT lastClickPoint{};
    HWND lastMouseWindow = nullptr;
    // Moving a window by its caption (left button held since WM_NCLBUTTONDOWN HTCAPTION).
    HWND moveWindow = nullptr;
    POINT moveStartCursor{};
    POINT moveStartPos{};
    // The popup menu being tracked: it takes the keyboard while open (Menu.cpp).
    HWND menuWindow = nullptr;
};

State& S();
using Lock = std::lock_guard<std::recursive_mutex>;

// Look-ups; call with the lock held.
Window* Get(HWND hwnd);
std::shared_ptr<Window> GetShared(HWND hwnd);
HWND RootOf(HWND hwnd);
// Screen position of the client area's top-left corner.
POINT ClientOrigin(HWND hwnd);
// Client rectangle in window coordinates.
RECT ClientInWindow(const Window& w);
bool IsVisibleChain(HWND hwnd);
DWORD ThreadOf(HWND hwnd);

// Calls the window procedure (no lock may be held).
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sends from the window manager: direct on the owner thread, blocking across threads.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Posts an input or notification message to the window's thread queue; tag goes into the
// message's lPrivate.
bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD tag = 0);

// Painting helpers (Paint.cpp).
void InvalidateInternal(HWND hwnd, const gdi::Region* clientArea, bool erase, bool children);
// A top-level window's backing bitmap is made when the window is first shown or drawn on
// (MakeBacking, which also gives it the window's size), so that windows created ahead of
// their use hold no pixels; ResizeBacking follows a size change of an existing one.
void ResizeBacking(Window& w);
void MakeBacking(Window& w);
void ForgetWindowDCs(HWND hwnd);
// A top-level window with WS_CAPTION: one whose frame and caption the platform paints.
bool HasCaption(HWND hwnd);
// A window of the calling thread with a pending update, parents first; null when none.
HWND FindWindowToPaint(DWORD thread, HWND filter);

// Timers and hover (Message.cpp).
std::optional<std::uint64_t> NextTimerDue(DWORD thread);
void KillWindowTimers(HWND hwnd);

// Key state: a press or release of vk in the live state, call with the lock held (Input.cpp).
void SetKey(int vk, bool down);
// A tagged key message was taken off the calling thread's queue: its key state becomes what
// GetKeyState answers on this thread while key messages wait behind it (KeyboardInput.cpp).
void KeyMessageTaken(const MSG& msg);
// The queue of input events (Input.cpp): each is routed to its window (capture, hit testing,
// focus) when the loop of the thread that will handle it comes to it.
void QueueInput(std::function<void()> route);

// Focus and capture clean-up on destruction (Input.cpp).
void ForgetWindowInput(HWND hwnd);
// Activation of a top-level window (Input.cpp).
void Activate(HWND top, WORD how);
// Another program became active: the active window is told so and loses the focus, which it
// gets back when it is activated again (Input.cpp).
void DeactivateAll();

// Window procedures of the built-in controls (Controls.cpp).
LRESULT StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ButtonControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT EditControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Dialog manager hooks (Dialog.cpp).
bool IsDialogWindow(HWND hwnd);

// Modal loops waiting on the thread: runs the idle hook, false when none is installed.
bool RunModalIdleHook(HWND dialog);

} // namespace platform::wm
