// The performance and lighting pages on a private Xvfb server: the program runs on the X11
// display against the virtual mouse, the pages are switched by their tabs, a polling-rate
// button is clicked with real X input, the screen shows what the window checked, and Apply
// writes it to the mouse.

#include "X11PageTestSupport.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownColorButton.h"
#include "gui/SkinResourceCache.h"
#include "gui/SliderHMulti.h"
#include "model/BorvantaConfig.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

class PagesX11Test : public x11pagetest::X11PageTest {};

TEST_F(PagesX11Test, BothPagesShowAndAClickedRateReachesTheMouse) {
    const auto command = [](CBorvantaAppDlg& d, int id) {
        const CGUIItem* item = FindGUIItemById(d.items, id);
        ASSERT_NE(item, nullptr);
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(item->hwnd));
    };
    int waits = 0;
    const auto settle = [&waits](CBorvantaAppDlg&) { return ++waits % 10 == 0; };
    bool lightsShown = false;
    bool performanceShown = false;
    bool rateDrawnChecked = false;
    bool rateDrawnUnchecked = false;
    Run({[&](CBorvantaAppDlg& d) {
             command(d, BUTTON_LIGHTINGMAINTENANCE);
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }, settle,
         [&](CBorvantaAppDlg& d) {
             lightsShown = d.scrollLedOn->IsWindowVisible() && d.scrollColor->IsWindowVisible() &&
                           !d.rateButton1->IsWindowVisible();
             // The lit light's "on" button is drawn checked (the accent colour).
             EXPECT_TRUE(Greenish(FaceOf(d.scrollLedOn->GetSafeHwnd())));
             command(d, BUTTON_ADJUSTPERFORMANCE);
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.performancePage; }, settle,
         [&](CBorvantaAppDlg& d) {
             performanceShown = d.dpiSlider->IsWindowVisible() &&
                                d.rateButton1->IsWindowVisible() &&
                                !d.scrollLedOn->IsWindowVisible();
             rateDrawnUnchecked = !Greenish(FaceOf(d.rateButton1->GetSafeHwnd()));
             ClickX(d.rateButton1->GetSafeHwnd());
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.config->GetPollingRate(nullptr) == 0; }, settle,
         [&](CBorvantaAppDlg& d) {
             rateDrawnChecked = Greenish(FaceOf(d.rateButton1->GetSafeHwnd()));
             EXPECT_EQ(d.rateButton3->checked, 0);
             EXPECT_TRUE(d.applyButton->IsWindowEnabled());
             ClickX(d.applyButton->GetSafeHwnd());
             return true;
         },
         [](CBorvantaAppDlg& d) {
             return d.PendingChangeMask == 0 && d.writingPopup == nullptr && !d.device->IsWriting();
         },
         [&](CBorvantaAppDlg& d) {
             command(d, BUTTON_CANCEL);
             return true;
         }});
    EXPECT_EQ(stepsDone, 12u);
    EXPECT_TRUE(lightsShown);
    EXPECT_TRUE(performanceShown);
    EXPECT_TRUE(rateDrawnUnchecked);
    EXPECT_TRUE(rateDrawnChecked);

    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    ASSERT_TRUE(mouse.Initialize(&config, &id));
    ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    EXPECT_EQ(config.GetPollingRate(nullptr), 0);
}

} // namespace
