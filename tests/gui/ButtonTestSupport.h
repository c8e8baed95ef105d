#pragma once
// Helpers for the skinned button, text and bitmap widget tests: a host window that records
// the WM_COMMAND and WM_USER-range messages it gets, bitmaps made in memory, and pixel
// searches on the headless screen.

#include "platform/framework/CWnd.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace buttontest {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A top-level popup at the screen's top left corner (client = screen coordinates).
class HostWindow : public CWnd {
public:
    BOOL CreateAt(int width, int height) {
        return CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                        nullptr);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (CWnd::OnCommand(wParam, lParam)) {
            return TRUE; // the control handled its own notification
        }
        received.push_back({WM_COMMAND, wParam, lParam});
        return TRUE;
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message >= WM_USER && message < 0x8000) {
            received.push_back({message, wParam, lParam});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
    std::vector<Received> Of(UINT message) const {
        std::vector<Received> out;
        for (const Received& r : received) {
            if (r.message == message) {
                out.push_back(r);
            }
        }
        return out;
    }
    std::vector<Received> received;
};

// A 32-bit bitmap whose pixel (x, y) is colour(x, y); the caller owns it.
inline HBITMAP MakeBitmap(int width, int height, const std::function<COLORREF(int, int)>& colour) {
    std::vector<std::uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            bits[static_cast<size_t>(y * width + x)] =
                0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
                (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
        }
    }
    return CreateBitmap(width, height, 1, 32, bits.data());
}

inline HBITMAP MakeSolidBitmap(int width, int height, COLORREF colour) {
    return MakeBitmap(width, height, [colour](int, int) { return colour; });
}

// How many screen pixels of the rectangle have exactly that colour.
inline int CountPixels(platform::HeadlessDisplay& display, RECT r, COLORREF colour) {
    const gdi::Bitmap& screen = display.Composite();
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            count += screen.Contains(x, y) && screen.GetColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// How many screen pixels of the rectangle differ from `background`.
inline int CountOtherPixels(platform::HeadlessDisplay& display, RECT r, COLORREF background) {
    const int all = (r.right - r.left) * (r.bottom - r.top);
    return all - CountPixels(display, r, background);
}

} // namespace buttontest
