#pragma once
// The X11 display: every visible top-level window is shown as an X window of the same
// position and size, with the window's pixels, its window region and colour key as the X
// window's shape, and its constant alpha as the window opacity hint. Mouse and keyboard
// events of the X windows go through the same input path as injected input (screen
// coordinates, hit testing, capture, focus) on the thread that owns the window; a close
// request from the window manager becomes WM_CLOSE.
//
// A reader thread waits on the X connection and on a wake-up pipe together (no polling
// loop): X events are handed to the owning thread's message loop as thread callbacks, so a
// thread blocked in GetMessage wakes for them. Changes on the screen are batched the same
// way: the owning thread pushes its windows' pixels from its message loop, between
// messages, so pixels are never read while they are being drawn.

#include "platform/ui/Display.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

class X11Clipboard;
class X11Shell;

class X11Display final : public DisplayBackend {
public:
    // Connects to the X server named by displayName (empty: $DISPLAY). Check IsOpen(); a
    // display that is open installs itself as the display backend until destroyed.
    explicit X11Display(const std::string& displayName = {});
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool IsOpen() const;
    SIZE ScreenSize() const override;
    // The primary output (RandR), else the whole screen.
    RECT PrimaryMonitorRect() const override;
    void ScreenChanged() override;

    // Pushes every pending change of the calling thread's windows (geometry, shapes, pixels)
    // to the X server now and waits until the server has processed it. Other threads' windows
    // are brought up to date in their own message loops.
    void Flush();
    // The X window showing a top-level window (0 when it has none yet).
    unsigned long XWindowOf(HWND hwnd);
    // Finds a top-level window of that class shown by another process on this server and
    // asks that process to bring it to the front.
    bool ActivateOtherProcessWindow(const std::u16string& className) override;
    // While a window of an owned popup holds the capture, the pointer is grabbed: clicks
    // outside every window of ours reach the capture holder (X11InputEvents.h).
    void CaptureChanged(HWND capture) override;

    // The desktop around the windows: system tray, menu grabs, active window (X11Shell.h).
    X11Shell* Shell() const { return m_shell.get(); }

    // The CLIPBOARD selection (X11Clipboard.h), connected when first used.
    bool HasDesktopClipboard() const override { return IsOpen(); }
    std::optional<std::u16string> ReadClipboardText() override;
    bool WriteClipboardText(const std::u16string& text) override;

private:
    X11Clipboard* Clipboard();

    struct Impl;
    std::shared_ptr<Impl> m_impl; // shared with callbacks queued to window threads
    std::unique_ptr<X11Shell> m_shell;
    std::string m_displayName;
    std::mutex m_clipboardMutex;
    std::unique_ptr<X11Clipboard> m_clipboard;
};

// True when programs should show their windows on X11: $DISPLAY is set and
// $BORVANTA_DISPLAY is not "headless".
bool WantX11Display();

// The display a desktop program starts with: X11 when wanted and the server can be reached,
// else a headless display of the given size. Installed as the display backend.
std::unique_ptr<DisplayBackend> CreateDesktopDisplay(int headlessWidth = 1024,
                                                     int headlessHeight = 768);

} // namespace platform
