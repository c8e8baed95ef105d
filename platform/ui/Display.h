#pragma once
// The display behind the windows. A backend says how big the screen is and shows what the
// windows drew; the window manager itself keeps every window's pixels in memory. The headless
// backend is all in memory and deterministic: it composites the top-level windows into a
// screen bitmap on demand and injects input for tests. A backend for a real desktop can be
// added behind the same interface.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Bitmap.h"
#include "platform/ui/Input.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;
    virtual SIZE ScreenSize() const = 0;
    // The primary monitor's rectangle on the screen (the whole screen unless the desktop
    // knows better).
    virtual RECT PrimaryMonitorRect() const {
        const SIZE size = ScreenSize();
        return RECT{0, 0, size.cx, size.cy};
    }
    // Something on the screen may have changed (a window painted, moved, showed or hid).
    virtual void ScreenChanged() {}
    // Asks another process showing a top-level window of the given class on the same display
    // to bring it to the front (raised, restored when minimised, made active). True when such
    // a window was found and asked. A display that sees only this process finds none.
    virtual bool ActivateOtherProcessWindow(const std::u16string& /*className*/) { return false; }
    // A display that shares a clipboard with the other programs of the desktop says so and
    // reads and writes its text (Clipboard.h); others leave the clipboard to the process.
    virtual bool HasDesktopClipboard() const { return false; }
    virtual std::optional<std::u16string> ReadClipboardText() { return std::nullopt; }
    virtual bool WriteClipboardText(const std::u16string& /*text*/) { return false; }
    // The mouse capture moved to this window (null: released), on the thread that changed
    // it. A desktop display keeps the pointer for a popup that holds the capture, so that
    // the popup sees clicks anywhere on the screen.
    virtual void CaptureChanged(HWND /*capture*/) {}
};

// The installed backend (null: none; the screen is then 1024 x 768). The caller keeps it
// alive while installed.
void SetDisplayBackend(DisplayBackend* backend);
DisplayBackend* GetDisplayBackend();
SIZE ScreenSize();
// Tells the installed backend that the screen may have changed.
void NotifyScreenChanged();

class HeadlessDisplay final : public DisplayBackend {
public:
    // Installs itself as the display backend until destroyed.
    explicit HeadlessDisplay(int width = 1024, int height = 768,
                             COLORREF desktop = RGB(0x20, 0x40, 0x60));
    ~HeadlessDisplay() override;
    HeadlessDisplay(const HeadlessDisplay&) = delete;
    HeadlessDisplay& operator=(const HeadlessDisplay&) = delete;

    SIZE ScreenSize() const override { return SIZE{m_screen.Width(), m_screen.Height()}; }
    // A new screen resolution: the screen takes the new size (sizes below 1 count as 1) and
    // every top-level window is sent WM_DISPLAYCHANGE (SendNotifyMessageW: at once on the
    // calling thread, queued for other threads).
    void SetScreenSize(int width, int height);

    // Composites the visible top-level windows, bottom to top, over the desktop colour:
    // each window's pixels inside its window region, without its colour-key pixels, blended
    // with its constant alpha. Call on the windows' thread after they painted.
    const gdi::Bitmap& Composite();
    COLORREF ScreenPixel(int x, int y);
    // PNG of the composited screen, or of one window's rectangle of it.
    bool SaveScreenshot(const std::filesystem::path& path);
    bool SaveWindowScreenshot(HWND hwnd, const std::filesystem::path& path);
    // The window's rectangle of the composited screen.
    gdi::Bitmap CaptureWindow(HWND hwnd);

    // Input at screen level. With auto-pump on (the default) each event is followed by
    // PumpUntilIdle on the calling thread, as a user's next action comes after the program
    // handled the previous one.
    void SetAutoPump(bool on) { m_autoPump = on; }
    void MoveMouse(int x, int y);
    void ButtonDown(input::MouseButtonId button = input::MouseButtonId::Left);
    void ButtonUp(input::MouseButtonId button = input::MouseButtonId::Left);
    void Click(int x, int y, input::MouseButtonId button = input::MouseButtonId::Left);
    void DoubleClick(int x, int y);
    // Press at from, move in `steps` equal steps, release at to.
    void Drag(POINT from, POINT to, int steps = 4);
    void Wheel(int notches);
    void KeyDown(int vk);
    void KeyUp(int vk);
    void PressKey(int vk);
    // A key whose characters the desktop's layout decided (the X display tells them so): a
    // press typing text (empty: nothing), then its release.
    void PressKey(int vk, std::u16string_view text);
    // Text without keys, as an input method commits it: WM_CHAR for each UTF-16 code unit.
    void TypeText(std::u16string_view text);

private:
    void AfterInput();

    gdi::Bitmap m_screen;
    COLORREF m_desktop;
    bool m_autoPump = true;
};

} // namespace platform
