#include "platform/framework/CMenu.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameworkMenu, FrameworkMenuOwnsWhatItLoadsAndWrapsWhatItDoesNot) {
    RegisterMenuTemplate(4713, {MenuTemplateItem{u"_POP_UP_", {MenuTemplateItem{u"Only", 300}}}});
    HMENU loaded = nullptr;
    HMENU sub = nullptr;
    {
        CMenu m;
        ASSERT_TRUE(m.LoadMenu(4713));
        loaded = m;
        CMenu* popup = m.GetSubMenu(0);
        ASSERT_NE(popup, nullptr);
        sub = *popup;
        EXPECT_EQ(popup, CMenu::FromHandle(sub));
        EXPECT_TRUE(popup->SetDefaultItem(300));
        CString text;
        EXPECT_EQ(popup->GetMenuString(300, text, MF_BYCOMMAND), 4);
        EXPECT_EQ(text, CString(u"Only"));
    }
    EXPECT_FALSE(IsMenu(loaded));
    EXPECT_FALSE(IsMenu(sub));
    CMenu kept;
    kept.CreatePopupMenu();
    HMENU h = kept.Detach();
    EXPECT_TRUE(IsMenu(h));
    DestroyMenu(h);
}

TEST(FrameworkMenu, SystemMenuAndMessageBoxBelongToTheWindow) {
    platform::HeadlessDisplay display;
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, nullptr, u"plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(plain.GetSystemMenu(FALSE), nullptr);
    CWnd framed;
    ASSERT_TRUE(framed.CreateEx(0, nullptr, u"framed", WS_POPUP | WS_SYSMENU, 0, 0, 50, 50, nullptr,
                                nullptr));
    CMenu* system = framed.GetSystemMenu(FALSE);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->GetMenuItemID(0), static_cast<UINT>(SC_CLOSE));
    EXPECT_TRUE(system->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(system->AppendMenu(MF_STRING, 0x10, u"&About..."));
    EXPECT_EQ(framed.GetSystemMenu(FALSE)->GetMenuItemCount(), 3);

    HWND boxOwner = nullptr;
    platform::SetModalIdleHook([&](HWND box) {
        boxOwner = GetWindow(box, GW_OWNER);
        EndDialog(box, IDOK);
    });
    EXPECT_EQ(framed.MessageBox(u"text", u"caption", MB_OK), IDOK);
    platform::SetModalIdleHook(nullptr);
    EXPECT_EQ(boxOwner, framed.GetSafeHwnd());
    framed.DestroyWindow();
    plain.DestroyWindow();
}

} // namespace
