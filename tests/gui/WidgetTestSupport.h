#pragma once
// Helpers for widget tests: an owner window that records the notifications posted or sent to
// it, and bitmaps made in memory.

#include "platform/framework/CGdiObject.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace widgettest {

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A top-level popup at the screen's top left corner (client = screen coordinates) that keeps
// every WM_USER-range message it gets.
class RecordingOwner : public CWnd {
public:
    BOOL CreateAt(int width, int height) {
        return CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                        nullptr);
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message >= WM_USER && message < 0x8000) {
            received.push_back({message, wParam, lParam});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
    // The notifications of one message, in order of arrival.
    std::vector<std::pair<WPARAM, LPARAM>> Of(UINT message) const {
        std::vector<std::pair<WPARAM, LPARAM>> out;
        for (const Notification& n : received) {
            if (n.message == message) {
                out.emplace_back(n.wParam, n.lParam);
            }
        }
        return out;
    }
    std::vector<Notification> received;
};

inline std::uint32_t ToPixel(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// A 32-bit bitmap whose pixel (x, y) is colour(x, y); the caller owns it.
inline HBITMAP MakeBitmap(int width, int height, const std::function<COLORREF(int, int)>& colour) {
    std::vector<std::uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bits[static_cast<size_t>(y * width + x)] = ToPixel(colour(x, y));
        }
    }
    return CreateBitmap(width, height, 1, 32, bits.data());
}

inline HBITMAP MakeSolidBitmap(int width, int height, COLORREF colour) {
    return MakeBitmap(width, height, [colour](int, int) { return colour; });
}

} // namespace widgettest
