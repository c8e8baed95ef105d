// The cell list's choice drop-down on a private Xvfb server: its scroll-bar thumb dragged with
// real X input, the pointer leaving the drop-down while the button is held.

#include "gui/XComboList.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using testsupport::FindXvfb;
using testsupport::XvfbServer;

// Runs a real message loop until done() holds or five seconds passed.
bool LoopUntil(const std::function<bool()>& done) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG msg{};
    bool ok = false;
    while (!(ok = done()) && std::chrono::steady_clock::now() < deadline) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);
    return ok;
}

TEST(ComboListX11Test, ThumbIsDraggedWithRealInputAndTheListFollows) {
    const auto program = FindXvfb();
    if (!program) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer server;
    ASSERT_TRUE(server.Start(*program, "640x480x24"));
    std::optional<platform::X11Display> display;
    display.emplace(server.Name());
    ASSERT_TRUE(display->IsOpen());
    Display* x = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(x, nullptr);
    int ignored = 0;
    ASSERT_TRUE(XTestQueryExtension(x, &ignored, &ignored, &ignored, &ignored));
    {
        CXComboList combo(nullptr);
        ASSERT_TRUE(combo.CreatePopup(RECT{100, 100, 200, 260}, nullptr));
        for (int i = 0; i < 40; ++i) {
            combo.list.AddString(std::u16string(1, static_cast<char16_t>(u'A' + i % 26)).c_str());
        }
        combo.list.SetCurSel(0);
        combo.ShowList();
        platform::PumpUntilIdle();
        display->Flush();
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        GetScrollInfo(combo.m_hWnd, SB_VERT, &info);
        const int span = 40 - static_cast<int>(info.nPage);
        ASSERT_GT(span, 1);
        const CXComboList::ScrollParts parts = combo.GetScrollParts();
        POINT grab{(parts.thumb.left + parts.thumb.right) / 2, parts.thumb.top + 2};
        combo.ClientToScreen(&grab);
        const int travel = static_cast<int>(parts.down.top - parts.up.bottom) -
                           static_cast<int>(parts.thumb.bottom - parts.thumb.top);
        ASSERT_GT(travel, 0);

        XTestFakeMotionEvent(x, 0, grab.x, grab.y, 0);
        XTestFakeButtonEvent(x, 1, True, 0);
        XSync(x, False);
        ASSERT_TRUE(LoopUntil([&] { return combo.IsDraggingThumb(); }));
        XTestFakeMotionEvent(x, 0, grab.x, grab.y + travel / 2, 0);
        XSync(x, False);
        EXPECT_TRUE(LoopUntil([&] { return combo.list.GetTopIndex() > 0; }));
        EXPECT_NEAR(combo.list.GetTopIndex(), span / 2, 1);
        // Far below and beside the drop-down, the button still held: the last page.
        XTestFakeMotionEvent(x, 0, grab.x + 150, grab.y + 300, 0);
        XSync(x, False);
        EXPECT_TRUE(LoopUntil([&] { return combo.list.GetTopIndex() == span; }));
        XTestFakeButtonEvent(x, 1, False, 0);
        XSync(x, False);
        EXPECT_TRUE(LoopUntil([&] { return !combo.IsDraggingThumb(); }));
        EXPECT_EQ(combo.list.GetTopIndex(), span);
        EXPECT_EQ(combo.GetScrollParts().thumb.bottom, parts.down.top);
        combo.DestroyWindow();
        platform::PumpUntilIdle();
    }
    display.reset();
    XCloseDisplay(x);
    server.Stop();
}

} // namespace
