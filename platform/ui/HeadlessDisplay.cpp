#include "platform/ui/Display.h"
#include "platform/ui/RawInput.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Picture.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace platform {

namespace {
std::atomic<DisplayBackend*> g_backend{nullptr};
} // namespace

void SetDisplayBackend(DisplayBackend* backend) {
    g_backend.store(backend);
}
DisplayBackend* GetDisplayBackend() {
    return g_backend.load();
}

void NotifyScreenChanged() {
    if (DisplayBackend* backend = g_backend.load()) {
        backend->ScreenChanged();
    }
}

SIZE ScreenSize() {
    DisplayBackend* backend = g_backend.load();
    return backend ? backend->ScreenSize() : SIZE{1024, 768};
}

HeadlessDisplay::HeadlessDisplay(int width, int height, COLORREF desktop)
    : m_screen(width, height), m_desktop(desktop) {
    m_screen.Fill(gdi::PixelFromColorRef(m_desktop, 255));
    SetDisplayBackend(this);
}

HeadlessDisplay::~HeadlessDisplay() {
    if (GetDisplayBackend() == this) {
        SetDisplayBackend(nullptr);
    }
}

void HeadlessDisplay::SetScreenSize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_screen = gdi::Bitmap(width, height);
    m_screen.Fill(gdi::PixelFromColorRef(m_desktop, 255));
    // Collected first: a window may move, show or be destroyed while handling the message.
    // Windows of other threads get it without the caller waiting for them.
    std::vector<HWND> tops;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        tops.push_back(w);
    }
    const LPARAM size = MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height));
    for (HWND w : tops) {
        if (IsWindow(w)) {
            SendNotifyMessageW(w, WM_DISPLAYCHANGE, 32, size);
        }
    }
    NotifyScreenChanged();
}

const gdi::Bitmap& HeadlessDisplay::Composite() {
    using namespace wm;
    m_screen.Fill(gdi::PixelFromColorRef(m_desktop, 255));
    Lock lock(S().mutex);
    const auto& tops = S().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = Get(*it);
        if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE) || !w->backing) {
            continue;
        }
        std::optional<COLORREF> key;
        BYTE alpha = 255;
        if (w->exStyle & WS_EX_LAYERED) {
            if (w->layeredFlags & LWA_COLORKEY) {
                key = w->colorKey;
            }
            if (w->layeredFlags & LWA_ALPHA) {
                alpha = w->alpha;
            }
        }
        gdi::ComposeWindow(m_screen, *w->backing, POINT{w->rect.left, w->rect.top},
                           w->region ? &*w->region : nullptr, key, alpha);
    }
    return m_screen;
}

COLORREF HeadlessDisplay::ScreenPixel(int x, int y) {
    Composite();
    return m_screen.Contains(x, y) ? m_screen.GetColor(x, y) : 0;
}

bool HeadlessDisplay::SaveScreenshot(const std::filesystem::path& path) {
    return gdi::SaveBitmapAsPng(Composite(), path);
}

gdi::Bitmap HeadlessDisplay::CaptureWindow(HWND hwnd) {
    RECT r{};
    if (!GetWindowRect(hwnd, &r)) {
        return gdi::Bitmap(0, 0);
    }
    const gdi::Bitmap& screen = Composite();
    gdi::Bitmap shot(r.right - r.left, r.bottom - r.top);
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = 0; x < shot.Width(); ++x) {
            const int sx = r.left + x;
            const int sy = r.top + y;
            shot.SetPixel(x, y,
                          screen.Contains(sx, sy) ? screen.GetPixel(sx, sy)
                                                  : gdi::PixelFromColorRef(0, 255));
        }
    }
    return shot;
}

bool HeadlessDisplay::SaveWindowScreenshot(HWND hwnd, const std::filesystem::path& path) {
    if (!IsWindow(hwnd)) {
        return false;
    }
    return gdi::SaveBitmapAsPng(CaptureWindow(hwnd), path);
}

void HeadlessDisplay::AfterInput() {
    if (m_autoPump) {
        PumpUntilIdle();
    }
}

void HeadlessDisplay::MoveMouse(int x, int y) {
    input::MouseMove(POINT{x, y});
    AfterInput();
}

namespace {

int RawButtonNumber(input::MouseButtonId button) {
    switch (button) {
    case input::MouseButtonId::Left:
        return 1;
    case input::MouseButtonId::Right:
        return 2;
    case input::MouseButtonId::Middle:
        return 3;
    }
    return 0;
}

} // namespace

// The device's raw report comes first, then the messages made from it, as with a real mouse
// and keyboard.
void HeadlessDisplay::ButtonDown(input::MouseButtonId button) {
    DeliverDesktopRawMouse(RawMouseButtonReport(RawButtonNumber(button), true));
    input::MouseButton(button, true);
    AfterInput();
}

void HeadlessDisplay::ButtonUp(input::MouseButtonId button) {
    DeliverDesktopRawMouse(RawMouseButtonReport(RawButtonNumber(button), false));
    input::MouseButton(button, false);
    AfterInput();
}

void HeadlessDisplay::Click(int x, int y, input::MouseButtonId button) {
    MoveMouse(x, y);
    ButtonDown(button);
    ButtonUp(button);
}

void HeadlessDisplay::DoubleClick(int x, int y) {
    Click(x, y);
    Click(x, y);
}

void HeadlessDisplay::Drag(POINT from, POINT to, int steps) {
    MoveMouse(from.x, from.y);
    ButtonDown();
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    }
    ButtonUp();
}

void HeadlessDisplay::Wheel(int notches) {
    input::Wheel(notches * 120);
    AfterInput();
}

void HeadlessDisplay::KeyDown(int vk) {
    DeliverDesktopRawKeyboard(RawKeyboardReport(vk, true));
    input::Key(vk, true);
    AfterInput();
}

void HeadlessDisplay::KeyUp(int vk) {
    DeliverDesktopRawKeyboard(RawKeyboardReport(vk, false));
    input::Key(vk, false);
    AfterInput();
}

void HeadlessDisplay::PressKey(int vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void HeadlessDisplay::PressKey(int vk, std::u16string_view text) {
    DeliverDesktopRawKeyboard(RawKeyboardReport(vk, true));
    input::KeyDetail detail;
    detail.text = std::u16string(text);
    input::Key(vk, true, detail);
    AfterInput();
    KeyUp(vk);
}

void HeadlessDisplay::TypeText(std::u16string_view text) {
    input::Text(text);
    AfterInput();
}

} // namespace platform
