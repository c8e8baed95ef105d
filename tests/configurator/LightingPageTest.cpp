#include "PageTestSupport.h"
#include "gui/DropdownColorButton.h"
#include "model/IMouseConfig.h"
#include "platform/framework/ColorChooserDialog.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>

using apptest::Driver;
using pagetest::MouseState;
using pagetest::Steps;

namespace {

class LightingPageTest : public pagetest::PageTest {
protected:
    Driver::Step OpenPage() {
        return OnMain([this](CBorvantaAppDlg& d) { Click(d.lightingTab); });
    }
    Driver::Step OnPage() {
        return WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; });
    }
    void Key(int vk) {
        m_display.SetAutoPump(false);
        m_display.PressKey(vk);
        m_display.SetAutoPump(true);
    }
    static std::vector<int> Checks(const CBorvantaAppDlg& d) {
        return {d.scrollLedOn->checked, d.scrollLedOff->checked, d.glowLedOn->checked,
                d.glowLedOff->checked};
    }
};

TEST_F(LightingPageTest, TheOnOffPairsSwitchTheLightsOfTheMouse) {
    std::vector<std::vector<int>> checks;
    Run(Steps(
        {{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
              for (void* item : std::initializer_list<void*>{
                       d.scrollLedOn, d.scrollLedOff, d.glowLedOn, d.glowLedOff, d.scrollColor,
                       d.logoColor, d.firmwareVersionText, d.driverVersionText}) {
                  EXPECT_NE(item, nullptr);
              }
              // The mouse comes with both lights on.
              checks.push_back(Checks(d));
              Click(d.scrollLedOff);
          }),
          WaitMain([](CBorvantaAppDlg& d) { return d.config->GetScrollLightOn(nullptr) == 0; }),
          OnMain([&](CBorvantaAppDlg& d) {
              checks.push_back(Checks(d));
              EXPECT_EQ(d.PendingChangeMask, PENDING_LIGHTING);
              d.ClearPendingChanges();
              // A click on the light that is on keeps it on, and still marks.
              Click(d.glowLedOn);
          }),
          WaitMain([](CBorvantaAppDlg& d) { return d.PendingChangeMask != 0; }),
          OnMain([&](CBorvantaAppDlg& d) {
              checks.push_back(Checks(d));
              EXPECT_EQ(d.config->GetLogoLightOn(nullptr), 1);
              EXPECT_EQ(d.PendingChangeMask, PENDING_LIGHTING);
              Click(d.glowLedOff);
          }),
          WaitMain([](CBorvantaAppDlg& d) { return d.config->GetLogoLightOn(nullptr) == 0; }),
          OnMain([&](CBorvantaAppDlg& d) {
              checks.push_back(Checks(d));
              Click(d.scrollLedOn);
          }),
          WaitMain([](CBorvantaAppDlg& d) { return d.config->GetScrollLightOn(nullptr) != 0; }),
          OnMain([&](CBorvantaAppDlg& d) { checks.push_back(Checks(d)); })},
         ApplyAndWait(),
         {Cancel()}}));
    EXPECT_EQ(stepsDone, 14u);
    EXPECT_EQ(checks, (std::vector<std::vector<int>>{
                          {1, 0, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 0, 1}}));
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetScrollLightOn(nullptr), 1);
    EXPECT_EQ(mouse.config.GetLogoLightOn(nullptr), 0);
}

TEST_F(LightingPageTest, PreviewsShowAtOnceACancelPutsTheColourBackAndAChoiceIsWritten) {
    COLORREF before = 0;
    COLORREF logo = 0;
    COLORREF previewed = 0;
    Run(Steps({{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
                    before = d.config->GetScrollLightColor(nullptr);
                    logo = d.config->GetLogoLightColor(nullptr);
                    EXPECT_EQ(d.scrollColor->GetColor(), before);
                    EXPECT_EQ(d.logoColor->GetColor(), logo);
                    Click(d.scrollColor);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.scrollColor->popupOpen; }),
                // Two moves with the arrow key: each previews its colour at once.
                OnMain([&](CBorvantaAppDlg&) { Key(VK_RIGHT); }),
                OnMain([&](CBorvantaAppDlg&) { Key(VK_DOWN); }), WaitMain([&](CBorvantaAppDlg& d) {
                    return d.config->GetScrollLightColor(nullptr) != before &&
                           d.config->GetScrollLightColor(nullptr) == d.scrollColor->GetColor() &&
                           d.PendingChangeMask != 0;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    previewed = d.scrollColor->GetColor();
                    EXPECT_TRUE(d.scrollColor->popupOpen);
                    EXPECT_TRUE(d.applyButton->IsWindowEnabled());
                    EXPECT_EQ(d.config->GetLogoLightColor(nullptr), logo);
                    // Escape closes the palette without a choice.
                    Key(VK_ESCAPE);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return !d.scrollColor->popupOpen; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.scrollColor->GetColor(), before);
                    EXPECT_EQ(d.config->GetScrollLightColor(nullptr), before);
                    // Now a choice with the mouse: the palette's first cell (white).
                    Click(d.logoColor);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.logoColor->popupOpen; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    RECT r{};
                    GetWindowRect(d.logoColor->popup->GetSafeHwnd(), &r);
                    m_display.SetAutoPump(false);
                    m_display.Click(r.left + 12, r.top + 12);
                    m_display.SetAutoPump(true);
                }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return !d.logoColor->popupOpen &&
                           d.config->GetLogoLightColor(nullptr) == RGB(255, 255, 255);
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.logoColor->GetColor(), RGB(255, 255, 255));
                    EXPECT_EQ(d.config->GetScrollLightColor(nullptr), before);
                })},
               ApplyAndWait(),
               {Cancel()}}));
    EXPECT_EQ(stepsDone, 17u);
    EXPECT_NE(previewed, before);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetLogoLightColor(nullptr), RGB(255, 255, 255));
    EXPECT_EQ(mouse.config.GetScrollLightColor(nullptr), before);
}

TEST_F(LightingPageTest, TheCustomCellOpensTheColourChooserWhoseColourIsWritten) {
    // The chooser the program installs at its start.
    CColorChooserDialog::Install();
    constexpr COLORREF kChosen = RGB(0xC0, 0x40, 0x80); // none of the palette's cells
    bool chooserShown = false;
    Run(Steps({{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) { Click(d.scrollColor); }),
                WaitMain([](CBorvantaAppDlg& d) { return d.scrollColor->popupOpen; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    // The wide cell under the 48 colours.
                    RECT r{};
                    GetWindowRect(d.scrollColor->popup->GetSafeHwnd(), &r);
                    m_display.SetAutoPump(false);
                    m_display.Click((r.left + r.right) / 2, r.bottom - 12);
                    m_display.SetAutoPump(true);
                }),
                OnPopup([&](HWND dialog) {
                    chooserShown =
                        dynamic_cast<CColorChooserDialog*>(CWnd::FromHandle(dialog)) != nullptr;
                    const HWND hex = GetDlgItem(dialog, CColorChooserDialog::kHex);
                    apptest::ClickItem(m_display, hex);
                    platform::PumpUntilIdle();
                    SendMessageW(hex, EM_SETSEL, 0, -1);
                    for (const char key : std::string("C04080")) {
                        m_display.PressKey(key);
                    }
                    apptest::ClickItem(m_display, GetDlgItem(dialog, IDOK));
                }),
                WaitMain([&](CBorvantaAppDlg& d) {
                    return !d.scrollColor->popupOpen &&
                           d.config->GetScrollLightColor(nullptr) == kChosen;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.scrollColor->GetColor(), kChosen);
                    EXPECT_EQ(d.PendingChangeMask, PENDING_LIGHTING);
                })},
               ApplyAndWait(),
               {Cancel()}}));
    platform::SetColorChooser(nullptr);
    EXPECT_TRUE(chooserShown);
    EXPECT_EQ(stepsDone, 11u);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetScrollLightColor(nullptr), kChosen);
}

TEST_F(LightingPageTest, RestoringTheFactorySettingsRefreshesEveryPage) {
    Run(Steps({{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
                    d.config->SetScrollLightOn(0, nullptr);
                    d.config->SetLogoLightColor(RGB(1, 2, 3), nullptr);
                    d.config->SetPollingRate(0, nullptr);
                    d.config->SetAccelerationEnabled(1, nullptr);
                    d.config->SetSeparateXY(1, nullptr);
                    d.UpdateControls();
                    EXPECT_EQ(d.scrollLedOff->checked, 1);
                    EXPECT_EQ(d.rateButton1->checked, 1);
                    CGUIItem* reset = FindGUIItemById(d.lightingPage, BUTTON_RESET);
                    ASSERT_NE(reset, nullptr);
                    apptest::ClickItem(m_display, reset->hwnd);
                }),
                OnPopup([](HWND popup) { EndDialog(popup, IDOK); }),
                WaitMain([](CBorvantaAppDlg& d) { return d.PendingChangeMask == PENDING_ALL; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    // Every control follows the factory settings.
                    EXPECT_EQ(Checks(d), (std::vector<int>{1, 0, 1, 0}));
                    EXPECT_EQ(d.logoColor->GetColor(), 0x00FF0000u);
                    EXPECT_EQ(d.rateButton2->checked, 1);
                    EXPECT_EQ(d.rateButton1->checked, 0);
                    EXPECT_EQ(d.enableAccelButton->checked, 0);
                    EXPECT_EQ(d.enableXYButton->checked, 0);
                })},
               ApplyAndWait(),
               {Cancel()}}));
    EXPECT_EQ(stepsDone, 9u);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetScrollLightOn(nullptr), 1);
    EXPECT_EQ(mouse.config.GetLogoLightColor(nullptr), 0x00FF0000u);
    EXPECT_EQ(mouse.config.GetPollingRate(nullptr), 1);
    EXPECT_EQ(mouse.config.GetAccelerationEnabled(nullptr), 0);
}

} // namespace
