#include "platform/ui/Menu.h"
#include "UiTestSupport.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/StringTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using platform::HeadlessDisplay;
using uitest::Recorder;

namespace {

std::u16string TextOf(HMENU menu, UINT item, UINT flags) {
    WCHAR buffer[64] = {};
    GetMenuStringW(menu, item, buffer, 64, flags);
    return buffer;
}

POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::Get().Clear();
        owner = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
        menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 10, u"&Open");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING | MF_GRAYED, 11, u"Disabled");
        AppendMenuW(menu, MF_STRING | MF_CHECKED, 12, u"&Checked");
        AppendMenuW(menu, MF_STRING, 13, u"E&xit");
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        DestroyMenu(menu);
        DestroyWindow(owner);
    }

    // Runs TrackPopupMenu with `step(n, menuWindow)` called each time its loop is idle; after
    // 50 idle calls the menu is ended, so that a failing test cannot hang.
    BOOL Track(UINT flags, int x, int y, const std::function<void(int, HWND)>& step) {
        int calls = 0;
        platform::SetModalIdleHook([&](HWND menuWindow) {
            if (++calls > 50) {
                EndMenu();
                return;
            }
            step(calls, menuWindow);
            clock.Advance(10);
        });
        const BOOL result = TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
        platform::SetModalIdleHook(nullptr);
        platform::PumpUntilIdle();
        return result;
    }

    std::vector<WORD> Commands() {
        std::vector<WORD> ids;
        for (const auto& m : Recorder::Get().Of(owner, WM_COMMAND)) {
            ids.push_back(LOWORD(m.wParam));
        }
        return ids;
    }

    platform::ScopedVirtualClock clock;
    HeadlessDisplay display{1024, 768};
    HWND owner = nullptr;
    HMENU menu = nullptr;
};

TEST_F(MenuTest, ItemsAreInsertedFoundAndChangedByCommandAndPosition) {
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(GetMenuItemID(menu, 1), 0u); // separator
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);

    // A separator before an item named by command, the text of another replaced.
    EXPECT_TRUE(InsertMenuW(menu, 13, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr));
    EXPECT_EQ(GetMenuItemID(menu, 4), 0u);
    EXPECT_EQ(GetMenuItemID(menu, 5), 13u);
    EXPECT_TRUE(ModifyMenuW(menu, 10, MF_BYCOMMAND | MF_STRING, 10, u"Load"));
    EXPECT_EQ(TextOf(menu, 10, MF_BYCOMMAND), u"Load");
    EXPECT_FALSE(InsertMenuW(menu, 999, MF_BYCOMMAND | MF_STRING, 5, u"nowhere"));

    EXPECT_EQ(CheckMenuItem(menu, 12, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 12, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 999, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
    EXPECT_EQ(EnableMenuItem(menu, 11, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));

    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
    EXPECT_TRUE(SetMenuDefaultItem(menu, 10, FALSE));
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 10u);
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 0u);
    EXPECT_TRUE(SetMenuDefaultItem(menu, 3, TRUE));
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 12u); // only one default
    EXPECT_FALSE(SetMenuDefaultItem(menu, 999, FALSE));

    EXPECT_TRUE(DeleteMenu(menu, 12, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(menu, 12, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_TRUE(DeleteMenu(menu, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemID(menu, 0), 0u);
}

TEST_F(MenuTest, TemplatesLoadWithTheirSubmenusAndDeletingDestroysThem) {
    RegisterMenuTemplate(
        4711, {MenuTemplateItem{
                  u"_POP_UP_", {MenuTemplateItem{u"First", 100}, MenuTemplateItem{u"Last", 200}}}});
    HMENU bar = LoadMenuW(nullptr, MAKEINTRESOURCEW(4711));
    ASSERT_NE(bar, nullptr);
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuItemCount(popup), 2);
    // Commands are found in submenus too.
    EXPECT_EQ(TextOf(bar, 200, MF_BYCOMMAND), u"Last");
    // Each load is a new menu.
    HMENU second = LoadMenuW(nullptr, MAKEINTRESOURCEW(4711));
    EXPECT_NE(GetSubMenu(second, 0), popup);
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(popup));
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_TRUE(IsMenu(second));
    DestroyMenu(second);
    EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(4712)), nullptr);
}

TEST_F(MenuTest, AClickOnAnItemPostsItsCommandToTheOwner) {
    SetMenuDefaultItem(menu, 10, FALSE);
    RECT itemRect{};
    int hotBefore = -2;
    const BOOL result = Track(TPM_LEFTBUTTON, 300, 200, [&](int n, HWND w) {
        if (n == 1) {
            EXPECT_EQ(platform::OpenMenuWindow(), w);
            ASSERT_TRUE(platform::GetMenuItemScreenRect(w, 4, &itemRect));
            const POINT c = Centre(itemRect);
            display.MoveMouse(c.x, c.y);
            hotBefore = platform::GetMenuHotItem(w);
            // The highlighted row is drawn in the highlight colour (left of its text).
            display.Composite();
            EXPECT_EQ(display.ScreenPixel(itemRect.left + 3, c.y), RGB(0x33, 0x7A, 0xCC));
            display.Click(c.x, c.y);
        }
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(hotBefore, 4);
    EXPECT_EQ(itemRect.left, 300 + 2); // opened at the point
    EXPECT_EQ(Commands(), std::vector<WORD>{13});
    EXPECT_EQ(platform::OpenMenuWindow(), nullptr);
}

TEST_F(MenuTest, KeysMoveOverSeparatorsAndReturnChoosesWithReturnCmd) {
    const BOOL result = Track(TPM_RETURNCMD, 300, 200, [&](int n, HWND w) {
        if (n == 1) {
            display.PressKey(VK_DOWN); // Open
            display.PressKey(VK_DOWN); // over the separator: Disabled
            EXPECT_EQ(platform::GetMenuHotItem(w), 2);
            display.PressKey(VK_RETURN); // a disabled item keeps the menu open
            display.PressKey(VK_DOWN);
            display.PressKey(VK_RETURN);
        }
    });
    EXPECT_EQ(result, 12);
    EXPECT_TRUE(Commands().empty()); // TPM_RETURNCMD posts nothing
}

TEST_F(MenuTest, MnemonicChoosesAndEscapeOrAClickOutsideCloses) {
    EXPECT_EQ(Track(TPM_RETURNCMD, 300, 200,
                    [&](int n, HWND) {
                        if (n == 1) {
                            display.PressKey('X');
                        }
                    }),
              13);
    EXPECT_EQ(Track(TPM_RETURNCMD, 300, 200,
                    [&](int n, HWND) {
                        if (n == 1) {
                            display.PressKey(VK_ESCAPE);
                        }
                    }),
              0);
    int seen = 0;
    EXPECT_TRUE(Track(TPM_LEFTBUTTON, 300, 200, [&](int n, HWND w) {
        seen = n;
        if (n == 1) {
            RECT disabled{};
            platform::GetMenuItemScreenRect(w, 2, &disabled);
            display.Click(Centre(disabled).x, Centre(disabled).y); // stays open
        } else if (n == 2) {
            EXPECT_EQ(platform::OpenMenuWindow(), w);
            display.Click(10, 10); // outside
        }
    }));
    EXPECT_EQ(seen, 2);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuTest, AMenuNearTheScreenEdgeOpensOnTheOtherSideOfThePoint) {
    RECT window{};
    Track(TPM_RETURNCMD, 1020, 760, [&](int n, HWND w) {
        if (n == 1) {
            GetWindowRect(w, &window);
            display.PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(window.right, 1020);
    EXPECT_EQ(window.bottom, 760);
    // Right-aligned as asked, then kept on the screen.
    Track(TPM_RETURNCMD | TPM_RIGHTALIGN, 30, 10, [&](int n, HWND w) {
        if (n == 1) {
            GetWindowRect(w, &window);
            display.PressKey(VK_ESCAPE);
        }
    });
    EXPECT_EQ(window.left, 30);
    EXPECT_EQ(window.top, 10);
}

TEST_F(MenuTest, TrackingRefusesABadOwnerAndASecondMenuOnTheThread) {
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_FALSE(TrackPopupMenu(nullptr, 0, 0, 0, 0, owner, nullptr));
    BOOL nested = TRUE;
    Track(TPM_RETURNCMD, 300, 200, [&](int n, HWND) {
        if (n == 1) {
            nested = TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner, nullptr);
            display.PressKey(VK_ESCAPE);
        }
    });
    EXPECT_FALSE(nested);
}

TEST(StringTable, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
    RegisterStringResource(101, u"&About BorvantaSysTray...");
    WCHAR buffer[8] = {u'x'};
    EXPECT_EQ(LoadStringW(nullptr, 101, buffer, 8), 7);
    EXPECT_EQ(std::u16string(buffer), u"&About ");
    EXPECT_EQ(LoadStringW(nullptr, 101, nullptr, 0), 25);
    EXPECT_EQ(LoadStringW(nullptr, 102, buffer, 8), 0);
    EXPECT_EQ(buffer[0], 0);
}

} // namespace
