#include "ForwardingDevice.h"
#include "PageTestSupport.h"
#include "configurator/DPIStagesPopup.h"
#include "gui/DPIStageWindow.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "model/IMouseConfig.h"
#include "model/IMouseProfile.h"

#include <gtest/gtest.h>

#include <string>

using apptest::Driver;
using pagetest::MouseState;
using pagetest::Steps;

namespace {

std::u16string Text(const CTextItem* item) {
    return item != nullptr ? item->GetText().str() : u"<none>";
}
std::u16string Caption(const CBitmapBtn* button) {
    return button != nullptr ? button->caption.str() : u"<none>";
}
std::u16string Number(LONG value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}
bool Shown(const CWnd* window) {
    return window != nullptr && window->IsWindowVisible();
}

// A device that forwards everything to the real one but reports other polling rates and
// version strings.
class ReportingDevice : public apptest::ForwardingDevice {
public:
    explicit ReportingDevice(IMouseDevice* real) : ForwardingDevice(real) {}
    std::vector<INT> rates;
    CString versionA;
    CString versionB;

    UINT GetSupportedRateCount() const override { return static_cast<UINT>(rates.size()); }
    INT GetSupportedRate(UINT i) const override { return i < rates.size() ? rates[i] : 0; }
    BOOL GetVersionA(CString& out) override {
        out = versionA;
        return !versionA.IsEmpty();
    }
    BOOL GetVersionB(CString& out) override {
        out = versionB;
        return TRUE; // delivered, but empty
    }
};

class PerformancePageTest : public pagetest::PageTest {
protected:
    Driver::Step OpenPage() {
        return OnMain([this](CBorvantaAppDlg& d) { Click(d.performanceTab); });
    }
    Driver::Step OnPage() {
        return WaitMain(
            [](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.performancePage; });
    }
};

TEST_F(PerformancePageTest, SensitivitySlidersAndSeparateXYReachTheMouse) {
    LONG dragged = 0;
    LONG draggedX = 0;
    Run(Steps({{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
                    // Every item of the page is there, of its kind.
                    for (void* item : std::initializer_list<void*>{
                             d.enableXYButton,      d.enableXYText,  d.dpiSlider,
                             d.dpiSliderX,          d.dpiSliderY,    d.dpiTrackXY,
                             d.dpiTrackX,           d.dpiTrackY,     d.accelSlider,
                             d.accelSliderDisabled, d.accelTrack,    d.accelTrackDisabled,
                             d.enableAccelButton,   d.dpiText1,      d.dpiText2,
                             d.dpiValueText1,       d.dpiValueText2, d.sensWindow2,
                             d.headingXText,        d.headingYText,  d.rateButton1,
                             d.rateButton2,         d.rateButton3,   d.dpiOsdButton,
                             d.dpiOsdText}) {
                        EXPECT_NE(item, nullptr);
                    }
                    // Separate X/Y is off: the one-value view is shown.
                    d.config->SetSeparateXY(0, nullptr);
                    d.UpdateControls();
                    EXPECT_TRUE(Shown(d.dpiSlider));
                    EXPECT_FALSE(Shown(d.dpiSliderX));
                    EXPECT_FALSE(Shown(d.headingXText));
                    EXPECT_EQ(d.enableXYButton->checked, 0);
                    const LONG dpi = d.config->GetDpi(nullptr);
                    EXPECT_EQ(Position(d.dpiSlider), dpi / 100);
                    EXPECT_EQ(Text(d.dpiValueText1), Number(dpi));
                    DragThumb(d.dpiSlider, 60);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.PendingChangeMask != 0; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    // The move is stored at once in the active profile and shown.
                    dragged = d.config->GetDpi(nullptr);
                    EXPECT_EQ(dragged, Position(d.dpiSlider) * 100);
                    EXPECT_EQ(Text(d.dpiValueText1), Number(dragged));
                    EXPECT_EQ(d.PendingChangeMask, PENDING_SENSITIVITY);
                    EXPECT_TRUE(d.applyButton->IsWindowEnabled());
                    // Separate X/Y on (by its label): both axes take the one value.
                    Click(d.enableXYText);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.config->GetSeparateXY(nullptr) != 0; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.enableXYButton->checked, 1);
                    EXPECT_EQ(d.config->GetDpiX(nullptr), dragged);
                    EXPECT_EQ(d.config->GetDpiY(nullptr), dragged);
                    EXPECT_FALSE(Shown(d.dpiSlider));
                    EXPECT_TRUE(Shown(d.dpiSliderX));
                    EXPECT_TRUE(Shown(d.dpiSliderY));
                    EXPECT_TRUE(Shown(d.headingYText));
                    EXPECT_EQ(Position(d.dpiSliderY), dragged / 100);
                    DragThumb(d.dpiSliderX, -40);
                }),
                WaitMain([&](CBorvantaAppDlg& d) { return d.config->GetDpiX(nullptr) != dragged; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    draggedX = d.config->GetDpiX(nullptr);
                    EXPECT_EQ(d.config->GetDpiY(nullptr), dragged);
                    EXPECT_EQ(Text(d.dpiValueText1), Number(draggedX));
                    EXPECT_EQ(Text(d.dpiValueText2), Number(dragged));
                    // Off again: the one value takes X, the one-value slider shows it.
                    Click(d.enableXYButton);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.config->GetSeparateXY(nullptr) == 0; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.config->GetDpi(nullptr), draggedX);
                    EXPECT_EQ(Position(d.dpiSlider), draggedX / 100);
                    EXPECT_TRUE(Shown(d.dpiSlider));
                    EXPECT_FALSE(Shown(d.dpiSliderY));
                })},
               ApplyAndWait(),
               {Cancel()}}));
    EXPECT_EQ(stepsDone, 14u);
    ASSERT_NE(draggedX, dragged);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetDpi(nullptr), draggedX);
    EXPECT_EQ(mouse.config.GetSeparateXY(nullptr), 0);
}

TEST_F(PerformancePageTest, AccelerationAndPollingRateReachTheMouse) {
    UINT level = 0;
    Run(Steps({{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
                    // The first fill: the buttons name the rates their choices write (the
                    // mouse lists 4, 1, 2, 8; button k shows value n - k), unit from the skin.
                    EXPECT_EQ(Caption(d.rateButton1), u"8ms");
                    EXPECT_EQ(Caption(d.rateButton2), u"2ms");
                    EXPECT_EQ(Caption(d.rateButton3), u"1ms");
                    // Refreshing does not append the unit again.
                    d.UpdateControls();
                    d.UpdateControls();
                    EXPECT_EQ(Caption(d.rateButton1), u"8ms");
                    EXPECT_EQ(d.rateButton1->toggleOnClick, 0);
                    // Acceleration starts off (factory setting of the mouse).
                    EXPECT_EQ(d.enableAccelButton->checked, 0);
                    EXPECT_FALSE(Shown(d.accelSlider));
                    EXPECT_TRUE(Shown(d.accelSliderDisabled));
                    EXPECT_EQ(d.accelSlider->GetMin(), 1);
                    EXPECT_EQ(d.accelSlider->GetMax(), 10);
                    Click(d.enableAccelButton);
                }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return d.config->GetAccelerationEnabled(nullptr) != 0;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.PendingChangeMask, PENDING_ACCELERATION);
                    EXPECT_TRUE(Shown(d.accelSlider));
                    EXPECT_FALSE(Shown(d.accelSliderDisabled));
                    DragThumb(d.accelSlider, 80);
                }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return d.config->GetAcceleration(nullptr) != 5 &&
                           d.accelSlider->GetThumb(0)->dragging == 0;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    level = d.config->GetAcceleration(nullptr);
                    EXPECT_GT(level, 5u);
                    EXPECT_EQ(Position(d.accelSlider), static_cast<int>(level));
                    // Off keeps the level, and the disabled slider shows it.
                    Click(d.enableAccelButton);
                }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return d.config->GetAccelerationEnabled(nullptr) == 0;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.config->GetAcceleration(nullptr), level);
                    EXPECT_EQ(Position(d.accelSliderDisabled), static_cast<int>(level));
                    Click(d.enableAccelButton); // on again for the write
                }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return d.config->GetAccelerationEnabled(nullptr) != 0;
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    // The first rate button: choice 0, and only it is checked.
                    Click(d.rateButton1);
                }),
                WaitMain([](CBorvantaAppDlg& d) { return d.config->GetPollingRate(nullptr) == 0; }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.rateButton1->checked, 1);
                    EXPECT_EQ(d.rateButton2->checked, 0);
                    EXPECT_EQ(d.rateButton3->checked, 0);
                    // A click on the checked button keeps it checked.
                    Click(d.rateButton1);
                }),
                OnMain([&](CBorvantaAppDlg& d) {
                    EXPECT_EQ(d.rateButton1->checked, 1);
                    EXPECT_EQ(d.PendingChangeMask, PENDING_ACCELERATION | PENDING_POLLING_RATE);
                })},
               ApplyAndWait(),
               {Cancel()}}));
    EXPECT_EQ(stepsDone, 17u);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetPollingRate(nullptr), 0);
    EXPECT_EQ(mouse.config.GetAccelerationEnabled(nullptr), 1);
    EXPECT_EQ(mouse.config.GetAcceleration(nullptr), level);
}

TEST_F(PerformancePageTest, TheStagesPopupMarksEvenWhenCancelledAndStoresOnOk) {
    UINT countBefore = 0;
    Run(Steps(
        {{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
              countBefore = d.config->GetStageCount(nullptr);
              PostPageCommand(d, BUTTON_SENSITIVITY_STAGES);
          }),
          OnPopup([](HWND popup) { EndDialog(popup, IDCANCEL); }), OnMain([&](CBorvantaAppDlg& d) {
              // Cancelled: nothing stored, yet the sensitivity section is pending.
              EXPECT_EQ(d.config->GetStageCount(nullptr), countBefore);
              EXPECT_EQ(d.PendingChangeMask, PENDING_SENSITIVITY);
              EXPECT_TRUE(d.applyButton->IsWindowEnabled());
              d.ClearPendingChanges();
              // A user's click on the page's stages button this time.
              CGUIItem* stages = FindGUIItemById(d.performancePage, BUTTON_SENSITIVITY_STAGES);
              ASSERT_NE(stages, nullptr);
              apptest::ClickItem(m_display, stages->hwnd);
          }),
          OnPopup([this](HWND popup) {
              auto* stagesPopup = dynamic_cast<CDPIStagesPopup*>(CWnd::FromHandle(popup));
              ASSERT_NE(stagesPopup, nullptr);
              // One stage fewer, then the popup's own OK.
              for (int id : {BUTTON_DPISTAGES_DEC, BUTTON_DPISTAGES_OK}) {
                  const CGUIItem* item = FindGUIItemById(stagesPopup->items, id);
                  ASSERT_NE(item, nullptr);
                  PostMessageW(popup, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0),
                               reinterpret_cast<LPARAM>(item->hwnd));
              }
          }),
          WaitMain([](CBorvantaAppDlg& d) { return d.PendingChangeMask != 0; }),
          OnMain([&](CBorvantaAppDlg& d) {
              EXPECT_EQ(d.config->GetStageCount(nullptr), countBefore - 1);
              EXPECT_LE(d.config->GetActiveStage(nullptr), static_cast<LONG>(countBefore - 1));
              // The current sensitivity is the active stage's.
              EXPECT_EQ(d.config->GetDpi(nullptr),
                        d.config->GetStageDpi(d.config->GetActiveStage(nullptr), nullptr));
          })},
         ApplyAndWait(),
         {Cancel()}}));
    EXPECT_EQ(stepsDone, 11u);
    ASSERT_GT(countBefore, 1u);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_EQ(mouse.config.GetStageCount(nullptr), countBefore - 1);
}

TEST_F(PerformancePageTest, OddDevicesAndRangesAreShownSoundly) {
    IMouseProfile* active = nullptr;
    LONG rate = -2;
    BYTE osd = 0;
    Run({OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
             IMouseDevice* real = d.device;
             ReportingDevice two(real);
             // A mouse with two rates: the first button shows the second value, the second
             // the first, the third keeps its skin caption.
             two.rates = {2, 8};
             d.device = &two;
             d.UpdateControls();
             EXPECT_EQ(Caption(d.rateButton1), u"8ms");
             EXPECT_EQ(Caption(d.rateButton2), u"2ms");
             EXPECT_EQ(Caption(d.rateButton3), u"ms");
             // Versions: only a delivered, non-empty string changes the texts.
             const std::u16string firmware = Text(d.firmwareVersionText);
             const std::u16string driver = Text(d.driverVersionText);
             two.versionA = u"";
             d.ShowVersionTexts();
             EXPECT_EQ(Text(d.firmwareVersionText), firmware);
             EXPECT_EQ(Text(d.driverVersionText), driver);
             EXPECT_EQ(firmware.find(u'$'), std::u16string::npos);
             EXPECT_NE(firmware.find(u": "), std::u16string::npos) << "the mouse's own version";
             d.device = real;

             // A range without a step: one unit per position, nothing divides by zero.
             d.config->SetDpiRange(100, 5600, 0, nullptr);
             d.config->SetSeparateXY(0, nullptr);
             d.config->SetDpi(1800, nullptr);
             d.InitPerformanceControls();
             d.UpdateControls();
             EXPECT_EQ(d.dpiSlider->GetMax(), 5600);
             EXPECT_EQ(Position(d.dpiSlider), 1800);
             d.ClearPendingChanges();
             d.dpiSlider->GetThumb(0)->SetPos(700);
             d.SendMessage(WM_SLIDER_POSCHANGED, 700, SLIDER_DPI_MULTI_STAGE1);
             EXPECT_EQ(d.config->GetDpi(nullptr), 700);
             EXPECT_EQ(Text(d.dpiValueText1), u"700");

             // No active profile (the grace period before a mouse is there): page commands
             // and slider moves are ignored, the tabs still work.
             active = d.config->GetActiveProfile();
             rate = d.config->GetPollingRate(nullptr);
             osd = d.config->GetShowDpiOsd(active);
             d.config->SetActiveProfile(nullptr);
             d.ClearPendingChanges();
             d.SendMessage(WM_SLIDER_POSCHANGED, 9, SLIDER_DPI_MULTI_STAGE1);
             PostPageCommand(d, BUTTON_RATE2);
             PostPageCommand(d, BUTTON_ENABLE_DPI_OSD);
             apptest::PostItemCommand(d, BUTTON_LIGHTINGMAINTENANCE);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.PendingChangeMask, 0);
             EXPECT_EQ(d.config->GetPollingRate(nullptr), rate);
             EXPECT_EQ(d.config->GetShowDpiOsd(active), osd);
             d.config->SetActiveProfile(active);
             apptest::PostItemCommand(d, BUTTON_CANCEL);
         })});
    EXPECT_EQ(stepsDone, 5u);
}

TEST_F(PerformancePageTest, TheSensitivityDisplaySwitchMarksTheProfiles) {
    BYTE before = 0;
    Run(Steps(
        {{OpenPage(), OnPage(), OnMain([&](CBorvantaAppDlg& d) {
              before = d.config->GetShowDpiOsd(nullptr);
              EXPECT_EQ(d.dpiOsdButton->checked, before);
              Click(d.dpiOsdText);
          }),
          WaitMain([&](CBorvantaAppDlg& d) { return d.config->GetShowDpiOsd(nullptr) != before; }),
          OnMain([&](CBorvantaAppDlg& d) {
              EXPECT_EQ(d.dpiOsdButton->checked, before ? 0 : 1);
              EXPECT_EQ(d.PendingChangeMask, PENDING_PROFILES);
          })},
         ApplyAndWait(),
         {Cancel()}}));
    EXPECT_EQ(stepsDone, 8u);
    MouseState mouse;
    ASSERT_TRUE(mouse.read);
    EXPECT_NE(mouse.config.GetShowDpiOsd(mouse.config.GetProfile(0)), before);
}

} // namespace
