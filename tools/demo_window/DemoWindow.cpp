// Opens a shaped, colour-keyed window with text and a bitmap, and a half-transparent window
// over it. By default on the headless display, writing a PNG screenshot of the screen; with
// --x11 on the X display as real desktop windows (drag the face to move it, Escape or the
// window manager's close ends it; --seconds N ends it after N seconds).
//
//     demo_window [output.png]
//     demo_window --x11 [--seconds N]

#include "platform/framework/CPaintDC.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/x11/X11Display.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

// A rounded rectangle as a region of one-pixel rows.
HRGN RoundedRegion(int width, int height, int radius) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        int inset = 0;
        const int dy =
            y < radius ? radius - y : (y >= height - radius ? y - (height - radius) + 1 : 0);
        if (dy > 0) {
            const double dx = std::sqrt(static_cast<double>(radius * radius - (dy - 1) * (dy - 1)));
            inset = radius - static_cast<int>(dx);
        }
        HRGN row = CreateRectRgn(inset, y, width - inset, y + 1);
        CombineRgn(region, region, row, RGN_OR);
        DeleteObject(row);
    }
    return region;
}

class DemoWindow : public CWnd {
public:
    void OnPaint() override {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(client);
        // Face, a frame, and a keyed-out hole.
        dc.FillSolidRect(client, RGB(235, 235, 225));
        CRect frame = client;
        frame.DeflateRect(6, 6);
        CBrush border(RGB(30, 60, 120));
        dc.FrameRect(frame, &border);
        dc.FillSolidRect(client.Width() - 70, client.Height() - 70, 40, 40, kKey);

        // A bitmap drawn off-screen and copied in.
        CDC memory;
        memory.CreateCompatibleDC(&dc);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, 120, 80);
        CBitmap* old = memory.SelectObject(&bitmap);
        for (int x = 0; x < 120; ++x) {
            const auto shade = static_cast<BYTE>(x * 2);
            memory.FillSolidRect(x, 0, 1, 80, RGB(shade, static_cast<BYTE>(255 - shade), 90));
        }
        memory.FillSolidRect(20, 20, 80, 40, RGB(250, 200, 40));
        dc.BitBlt(24, 90, 120, 80, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(old);

        // Text.
        CFont font;
        font.CreateFont(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                        u"Arial");
        CFont* oldFont = dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(30, 60, 120));
        CRect title(0, 24, client.Width(), 70);
        dc.DrawText(u"Borvanta 5600", -1, title, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        dc.SelectObject(oldFont);
    }

    // The face moves the window when dragged; the bitmap area stays a client area.
    LRESULT OnNcHitTest(CPoint point) override {
        const LRESULT hit = CWnd::OnNcHitTest(point);
        CRect window;
        GetWindowRect(window);
        const CPoint at(point.x - window.left, point.y - window.top);
        const bool onBitmap = at.x >= 24 && at.x < 144 && at.y >= 90 && at.y < 170;
        return hit == HTCLIENT && m_dragToMove && !onBitmap ? HTCAPTION : hit;
    }
    void OnKeyDown(UINT ch, UINT repeat, UINT flags) override {
        if (ch == VK_ESCAPE) {
            SendMessage(WM_CLOSE);
            return;
        }
        CWnd::OnKeyDown(ch, repeat, flags);
    }
    void OnDestroy() override {
        CWnd::OnDestroy();
        if (m_quitOnDestroy) {
            PostQuitMessage(0);
        }
    }

    bool m_dragToMove = false;
    bool m_quitOnDestroy = false;
};

class GlassWindow : public CWnd {
public:
    void OnPaint() override {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(client);
        dc.FillSolidRect(client, RGB(20, 160, 60));
    }
};

} // namespace

int RunOnX11(DemoWindow& demo, int seconds) {
    demo.m_dragToMove = true;
    demo.m_quitOnDestroy = true;
    if (seconds > 0) {
        SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, nullptr);
    }
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

int main(int argc, char** argv) {
    bool x11 = false;
    int seconds = 0;
    std::string output = "demo_window.png";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--x11") == 0) {
            x11 = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            output = argv[i];
        }
    }
    std::unique_ptr<platform::DisplayBackend> display;
    if (x11) {
        auto desktop = std::make_unique<platform::X11Display>();
        if (!desktop->IsOpen()) {
            std::fprintf(stderr, "demo_window: cannot open the X display\n");
            return 1;
        }
        display = std::move(desktop);
    } else {
        display = std::make_unique<platform::HeadlessDisplay>(480, 320, RGB(40, 70, 110));
    }

    DemoWindow demo;
    demo.CreateEx(WS_EX_LAYERED, nullptr, u"Demo", WS_POPUP | WS_VISIBLE, 60, 40, 360, 240, nullptr,
                  nullptr);
    demo.SetLayeredWindowAttributes(kKey, 0, LWA_COLORKEY);
    demo.SetWindowRgn(RoundedRegion(360, 240, 40), TRUE);

    GlassWindow glass;
    glass.CreateEx(WS_EX_LAYERED, nullptr, u"Glass", WS_POPUP | WS_VISIBLE, 300, 200, 140, 90,
                   nullptr, nullptr);
    glass.SetLayeredWindowAttributes(0, 140, LWA_ALPHA);

    platform::PumpUntilIdle();
    if (x11) {
        return RunOnX11(demo, seconds);
    }
    auto& headless = static_cast<platform::HeadlessDisplay&>(*display);
    if (!headless.SaveScreenshot(output)) {
        std::fprintf(stderr, "demo_window: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s\n", output.c_str());
    return 0;
}
