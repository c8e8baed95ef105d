#include "gui/WidgetMessages.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <set>

TEST(WidgetMessages, PrivateMessagesAreDistinctAndRegisteredOnesStable) {
    const UINT all[] = {WM_SLIDER_POSCHANGED,   WM_MARKER_POSCHANGED,    WM_COLORPALETTE_SELECT,
                        WM_COLORPALETTE_CANCEL, WM_COLORPALETTE_CUSTOM,  WM_COLORBUTTON_CHANGED,
                        WM_XLIST_EDITDONE,      WM_XLIST_TEXTCHANGED,    WM_XLIST_CHECKCHANGED,
                        WM_LISTPANEL_SELECT,    WM_DPISTAGE_CLICKED,     WM_APMSLIDER_CLICK,
                        WM_ASSIGNKEY_KEY,       WM_XLIST_ROWCLICK,       WM_XLIST_ROWDBLCLK,
                        WM_XLIST_COMMAND,       WM_DROPDOWN_SELECT,      WM_DROPDOWN_OPENING,
                        WM_LIST_SCROLLROWS,     WM_MACRODISPLAY_CHANGED, WM_MACRODISPLAY_EDITEVENT,
                        WM_MACRODISPLAY_FULL};
    const std::set<UINT> distinct(std::begin(all), std::end(all));
    EXPECT_EQ(distinct.size(), std::size(all));
    EXPECT_EQ(WM_SLIDER_POSCHANGED, 0x446u); // the value the owners' message maps expect
    EXPECT_EQ(WM_MACRODISPLAY_FULL, 0x6BEu);
    for (UINT message : all) {
        EXPECT_GE(message, WM_USER);
        EXPECT_LT(message, 0x8000u);
    }

    RegisterWidgetMessages();
    const UINT registered[] = {WM_XCOMBOLIST_VK_RETURN, WM_XCOMBOLIST_VK_ESCAPE,
                               WM_XCOMBOLIST_KEYDOWN, WM_XCOMBOLIST_LBUTTONUP};
    const std::set<UINT> named(std::begin(registered), std::end(registered));
    EXPECT_EQ(named.size(), 4u);
    for (UINT message : registered) {
        EXPECT_GE(message, 0xC000u);
    }
    const UINT first = WM_XCOMBOLIST_VK_RETURN;
    RegisterWidgetMessages();
    EXPECT_EQ(WM_XCOMBOLIST_VK_RETURN, first);
    EXPECT_EQ(RegisterWindowMessageW(u"WM_XCOMBOLIST_KEYDOWN"), WM_XCOMBOLIST_KEYDOWN);
}
