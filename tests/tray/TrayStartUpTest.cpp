#include "tray/TrayStartUp.h"

#include "gui/WidgetMessages.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

TEST(TrayStartUp, RegistersTheWidgetMessagesOnceWithStableValues) {
    RegisterTrayMessages();
    const UINT first = WM_XCOMBOLIST_VK_RETURN;
    EXPECT_NE(first, 0u);
    EXPECT_EQ(first, RegisterWindowMessageW(u"WM_XCOMBOLIST_VK_RETURN"));
    EXPECT_NE(WM_XCOMBOLIST_VK_ESCAPE, 0u);
    EXPECT_NE(WM_XCOMBOLIST_KEYDOWN, 0u);
    EXPECT_NE(WM_XCOMBOLIST_LBUTTONUP, 0u);
    RegisterTrayMessages();
    EXPECT_EQ(WM_XCOMBOLIST_VK_RETURN, first);
}
