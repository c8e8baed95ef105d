// The sensitivity stages popup on the skin our own skin ships, driven by injected clicks and
// by the thumbs' notifications while its modal loop waits.
#include "configurator/DPIStagesPopup.h"
#include "PopupTestSupport.h"
#include "gui/BitmapBtn.h"
#include "gui/BitmapItem.h"
#include "gui/DPIStageWindow.h"
#include "gui/LangTable.h"
#include "gui/PHSlider.h"
#include "gui/SliderHMulti.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef BORVANTA_PROGRAM_DIR

using popuptest::Script;

namespace {

// The factory stages: 800, 1200, 1800, 4000, 5600 in 100..5600, step 100, all five in use,
// stage 3 active.
DpiStageSet FactorySet() {
    DpiStageSet set;
    set.min = 100;
    set.max = 5600;
    set.step = 100;
    set.stageCount = 5;
    set.activeStage = 3;
    for (size_t i = 0; i < FACTORY_STAGE_DPI.size(); ++i) {
        const LONG dpi = FACTORY_STAGE_DPI[i];
        set.stages.push_back(DpiStageEntry{dpi, dpi, dpi, static_cast<BYTE>(i == 2 ? 1 : 0), 1, 0});
    }
    return set;
}

void ExpectSameSet(const DpiStageSet& a, const DpiStageSet& b) {
    EXPECT_EQ(a.min, b.min);
    EXPECT_EQ(a.max, b.max);
    EXPECT_EQ(a.step, b.step);
    EXPECT_EQ(a.stageCount, b.stageCount);
    EXPECT_EQ(a.activeStage, b.activeStage);
    EXPECT_EQ(a.stages, b.stages);
}

int ThumbPos(const CSliderHMulti* slider) {
    return slider != nullptr && slider->GetThumb(0) != nullptr ? slider->GetThumb(0)->GetPos() : -1;
}

class DPIStagesPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitNameTables();
        SetExeFolder(BORVANTA_PROGRAM_DIR);
        SkinResourceCache::Clear();
        ASSERT_TRUE(LoadSkinFile(m_languages, u"Language.xml", nullptr));
        ASSERT_EQ(LanguageTableMap.count(320), 1u);
        CurrentLangTable = LanguageTableMap[320]; // English
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_owner.DestroyWindow();
        platform::PumpUntilIdle();
        CurrentLangTable = nullptr;
        LanguageTableMap.clear();
        SkinResourceCache::Clear();
    }
    void ClickWindow(HWND hwnd, int dx = -1) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        const int x = dx >= 0 ? r.left + dx : (r.left + r.right) / 2;
        m_display.Click(x, (r.top + r.bottom) / 2);
    }
    void ClickItem(CDPIStagesPopup& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr) << id;
        ClickWindow(item->hwnd);
    }
    static void Thumb(HWND dialog, int position, int thumbId) {
        PostMessageW(dialog, WM_SLIDER_POSCHANGED, static_cast<WPARAM>(position), thumbId);
    }

    platform::ScopedVirtualClock m_clock;
    CGUIItemList m_languages;
    platform::HeadlessDisplay m_display{800, 600};
    CWnd m_owner;
};

} // namespace

TEST_F(DPIStagesPopupTest, ShowsTheSetAndHandsBackTheEditsOnOk) {
    DpiStageSet set = FactorySet();
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    EXPECT_EQ(popup.m_nIDTemplate, IDD_DPI_STAGES_POPUP);
    int clickedPos = 0;
    Script script({[&](HWND) {
                       // Every item of the skin is bound, the thumbs report the popup's ids.
                       for (CDPIStageWindow* tile : popup.stageWindows) {
                           ASSERT_NE(tile, nullptr);
                           EXPECT_EQ(tile->ready, 1);
                           EXPECT_EQ(tile->twoAxis, 0);
                       }
                       ASSERT_NE(popup.slider, nullptr);
                       ASSERT_NE(popup.sliderX, nullptr);
                       ASSERT_NE(popup.sliderY, nullptr);
                       ASSERT_NE(popup.separateXYButton, nullptr);
                       ASSERT_NE(popup.stageCountText, nullptr);
                       EXPECT_EQ(popup.slider->GetThumb(0)->id, SLIDER_DPI_MULTI_STAGE1_POPUP);
                       EXPECT_EQ(popup.sliderX->GetThumb(0)->id, SLIDER_DPI_MULTI_STAGE1_X_POPUP);
                       EXPECT_EQ(popup.sliderY->GetThumb(0)->id, SLIDER_DPI_MULTI_STAGE1_Y_POPUP);
                       EXPECT_EQ(popup.stageWindows[0]->GetHeading(), u"Stage 1");
                       EXPECT_EQ(popup.stageWindows[3]->value, 4000);
                       EXPECT_EQ(popup.stageWindows[2]->selected, 1);
                       EXPECT_EQ(popup.stageWindows[1]->selected, 0);
                       EXPECT_EQ(popup.stageCountText->GetText(), u"5");
                       // The range in steps; the active stage's 1800 as position 18.
                       EXPECT_EQ(popup.slider->GetMin(), 1);
                       EXPECT_EQ(popup.slider->GetMax(), 56);
                       EXPECT_EQ(ThumbPos(popup.slider), 18);
                       EXPECT_TRUE(popup.slider->IsWindowVisible());
                       EXPECT_FALSE(popup.sliderX->IsWindowVisible());
                       EXPECT_EQ(popup.separateXYButton->checked, 0);
                       ClickWindow(popup.stageWindows[1]->hwnd); // stage 2
                   },
                   [&](HWND) {
                       EXPECT_EQ(popup.GetWorkingSet().activeStage, 2);
                       EXPECT_EQ(popup.stageWindows[1]->selected, 1);
                       EXPECT_EQ(popup.stageWindows[2]->selected, 0);
                       EXPECT_EQ(ThumbPos(popup.slider), 12);
                       // A click on the track near its right end moves the thumb there.
                       RECT r{};
                       GetWindowRect(popup.slider->hwnd, &r);
                       ClickWindow(popup.slider->hwnd, (r.right - r.left) * 3 / 4);
                   },
                   [&](HWND) {
                       clickedPos = ThumbPos(popup.slider);
                       EXPECT_GT(clickedPos, 30);
                       EXPECT_EQ(popup.stageWindows[1]->value, clickedPos * 100);
                       ClickItem(popup, BUTTON_DPISTAGES_OK);
                   }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_EQ(set.activeStage, 2);
    EXPECT_EQ(set.stageCount, 5);
    EXPECT_EQ(set.stages[1].dpi, clickedPos * 100);
    EXPECT_EQ(set.stages[1].selected, 1);
    EXPECT_EQ(set.stages[2].selected, 0);
    EXPECT_EQ(set.stages[2].dpi, 1800);
}

TEST_F(DPIStagesPopupTest, CancelLeavesTheCallersSetUnchangedAndKeysDoNotClose) {
    const DpiStageSet original = FactorySet();
    DpiStageSet set = original;
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    bool openAfterKeys = false;
    Script script({[&](HWND dialog) {
                       ClickItem(popup, BUTTON_DPISTAGES_DEC);
                       ClickWindow(popup.stageWindows[0]->hwnd);
                       ClickItem(popup, BUTTON_ENABLEXY_POPUP);
                       Thumb(dialog, 9, SLIDER_DPI_MULTI_STAGE1_X_POPUP);
                   },
                   [&](HWND dialog) {
                       EXPECT_EQ(popup.GetWorkingSet().stageCount, 4);
                       EXPECT_EQ(popup.GetWorkingSet().stages[0].dpiX, 900);
                       // Enter, Escape, Alt+F4, the window menu's Close and WM_CLOSE do
                       // nothing: only OK and Cancel close the popup.
                       m_display.PressKey(VK_RETURN);
                       m_display.PressKey(VK_ESCAPE);
                       m_display.KeyDown(VK_MENU);
                       m_display.PressKey(VK_F4);
                       m_display.KeyUp(VK_MENU);
                       SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                       SendMessageW(dialog, WM_CLOSE, 0, 0);
                       platform::PumpUntilIdle();
                       openAfterKeys = IsWindow(dialog) && IsWindowVisible(dialog);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_DPISTAGES_CANCEL); }});
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_TRUE(openAfterKeys);
    ExpectSameSet(set, original);
}

TEST_F(DPIStagesPopupTest, StageCountStaysWithinOneAndTheEntriesAndTheActiveStageFollows) {
    DpiStageSet set = FactorySet();
    set.activeStage = 5;
    for (DpiStageEntry& entry : set.stages) {
        entry.selected = 0;
    }
    set.stages[4].selected = 1;
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    Script script({[&](HWND) { ClickItem(popup, BUTTON_DPISTAGES_INC); },
                   [&](HWND) {
                       // At the number of entries the count stays.
                       EXPECT_EQ(popup.GetWorkingSet().stageCount, 5);
                       EXPECT_EQ(popup.stageCountText->GetText(), u"5");
                       ClickItem(popup, BUTTON_DPISTAGES_DEC);
                   },
                   [&](HWND) {
                       // Below the active stage: the last stage in use becomes the active one.
                       const DpiStageSet& work = popup.GetWorkingSet();
                       EXPECT_EQ(work.stageCount, 4);
                       EXPECT_EQ(work.activeStage, 4);
                       EXPECT_EQ(popup.stageCountText->GetText(), u"4");
                       EXPECT_EQ(popup.stageWindows[3]->selected, 1);
                       EXPECT_EQ(popup.stageWindows[4]->selected, 0);
                       EXPECT_EQ(popup.stageWindows[4]->clickable, 0);
                       EXPECT_EQ(ThumbPos(popup.slider), 40);
                       // A stage not in use cannot be made active.
                       ClickWindow(popup.stageWindows[4]->hwnd);
                   },
                   [&](HWND) {
                       EXPECT_EQ(popup.GetWorkingSet().activeStage, 4);
                       EXPECT_EQ(popup.stageWindows[4]->selected, 0);
                       for (int i = 0; i < 5; ++i) {
                           ClickItem(popup, BUTTON_DPISTAGES_DEC);
                       }
                   },
                   [&](HWND) {
                       // At one stage the count stays.
                       EXPECT_EQ(popup.GetWorkingSet().stageCount, 1);
                       EXPECT_EQ(popup.GetWorkingSet().activeStage, 1);
                       EXPECT_EQ(popup.stageCountText->GetText(), u"1");
                       // A double click on "+" is two clicks: three stages.
                       m_clock.Advance(1000);
                       RECT r{};
                       GetWindowRect(FindGUIItemById(popup.items, BUTTON_DPISTAGES_INC)->hwnd, &r);
                       m_display.DoubleClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                   },
                   [&](HWND) {
                       m_clock.Advance(1000);
                       ClickItem(popup, BUTTON_DPISTAGES_OK);
                   }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(set.stageCount, 3);
    EXPECT_EQ(set.activeStage, 1);
    for (size_t i = 0; i < set.stages.size(); ++i) {
        EXPECT_EQ(set.stages[i].enabled, i < 3 ? 1 : 0) << i;
        EXPECT_EQ(set.stages[i].selected, i == 0 ? 1 : 0) << i;
        EXPECT_EQ(set.stages[i].dpi, FACTORY_STAGE_DPI[i]) << i;
    }
}

TEST_F(DPIStagesPopupTest, SeparateXYCopiesTheValuesBothWays) {
    DpiStageSet set = FactorySet();
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    Script script({[&](HWND) { ClickItem(popup, BUTTON_ENABLEXY_POPUP); },
                   [&](HWND dialog) {
                       // On: X and Y take the combined 1800; the X and Y sliders show.
                       const DpiStageEntry& entry = popup.GetWorkingSet().stages[2];
                       EXPECT_EQ(entry.separateXY, 1);
                       EXPECT_EQ(entry.dpiX, 1800);
                       EXPECT_EQ(entry.dpiY, 1800);
                       EXPECT_EQ(popup.separateXYButton->checked, 1);
                       EXPECT_FALSE(popup.slider->IsWindowVisible());
                       EXPECT_FALSE(popup.trackXY->IsWindowVisible());
                       EXPECT_TRUE(popup.sliderX->IsWindowVisible());
                       EXPECT_TRUE(popup.sliderY->IsWindowVisible());
                       EXPECT_EQ(popup.stageWindows[2]->twoAxis, 1);
                       EXPECT_EQ(popup.stageWindows[1]->twoAxis, 0);
                       Thumb(dialog, 8, SLIDER_DPI_MULTI_STAGE1_X_POPUP);
                       Thumb(dialog, 16, SLIDER_DPI_MULTI_STAGE1_Y_POPUP);
                   },
                   [&](HWND) {
                       EXPECT_EQ(popup.stageWindows[2]->xValue, 800);
                       EXPECT_EQ(popup.stageWindows[2]->yValue, 1600);
                       ClickItem(popup, BUTTON_ENABLEXY_POPUP);
                   },
                   [&](HWND) {
                       // Off: the combined value takes X.
                       EXPECT_EQ(popup.GetWorkingSet().stages[2].dpi, 800);
                       EXPECT_EQ(ThumbPos(popup.slider), 8);
                       EXPECT_TRUE(popup.slider->IsWindowVisible());
                       EXPECT_FALSE(popup.sliderX->IsWindowVisible());
                       ClickItem(popup, BUTTON_DPISTAGES_OK);
                   }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(set.stages[2], (DpiStageEntry{800, 800, 1600, 1, 1, 0}));
}

TEST_F(DPIStagesPopupTest, ThumbPositionsAreStoredInStepsWithinTheRange) {
    DpiStageSet set = FactorySet();
    set.step = 50;
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    std::vector<LONG> seen;
    const auto record = [&](HWND) { seen.push_back(popup.GetWorkingSet().stages[2].dpi); };
    Script script({[&](HWND dialog) { Thumb(dialog, 3, SLIDER_DPI_MULTI_STAGE1_POPUP); }, record,
                   [&](HWND dialog) { Thumb(dialog, 200, SLIDER_DPI_MULTI_STAGE1_POPUP); }, record,
                   [&](HWND dialog) { Thumb(dialog, 1, SLIDER_DPI_MULTI_STAGE1_POPUP); }, record,
                   [&](HWND dialog) { Thumb(dialog, -4, SLIDER_DPI_MULTI_STAGE1_POPUP); }, record,
                   // A thumb of another slider changes nothing.
                   [&](HWND dialog) { Thumb(dialog, 30, 183); }, record,
                   [&](HWND) {
                       EXPECT_EQ(popup.slider->GetMax(), 112);
                       ClickItem(popup, BUTTON_DPISTAGES_OK);
                   }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(seen, (std::vector<LONG>{150, 5600, 100, 100, 100}));
    EXPECT_EQ(set.stages[2].dpi, 100);
}

TEST_F(DPIStagesPopupTest, ASetOutsideTheRulesIsBroughtIntoShapeAndNoSetShowsNothing) {
    // No active stage, no stage in use, no step: the popup edits stage 1 of one stage.
    DpiStageSet set = FactorySet();
    set.stageCount = 0;
    set.activeStage = 0;
    set.step = 0;
    for (DpiStageEntry& entry : set.stages) {
        entry.selected = 0;
    }
    CBorvantaDPIStagesPopup popup(&m_owner, &set);
    Script script({[&](HWND dialog) {
                       EXPECT_EQ(popup.stageCountText->GetText(), u"1");
                       EXPECT_EQ(popup.stageWindows[0]->selected, 1);
                       Thumb(dialog, 950, SLIDER_DPI_MULTI_STAGE1_POPUP);
                   },
                   [&](HWND) { ClickItem(popup, BUTTON_DPISTAGES_OK); }});
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(set.stageCount, 1);
    EXPECT_EQ(set.activeStage, 1);
    EXPECT_EQ(set.stages[0].dpi, 950);
    EXPECT_EQ(set.stages[0].selected, 1);
    EXPECT_EQ(set.stages[1].enabled, 0);

    CBorvantaDPIStagesPopup none(&m_owner);
    EXPECT_EQ(none.DoModal(), -1);
}

TEST_F(DPIStagesPopupTest, LeavesNoGdiObjectsBehind) {
    // The first run creates what the platform and the cache keep for later ones.
    const auto run = [&] {
        DpiStageSet set = FactorySet();
        CBorvantaDPIStagesPopup popup(&m_owner, &set);
        Script script({[&](HWND) {
                           ClickItem(popup, BUTTON_ENABLEXY_POPUP);
                           ClickWindow(popup.stageWindows[0]->hwnd);
                       },
                       [&](HWND) { ClickItem(popup, BUTTON_DPISTAGES_OK); }});
        EXPECT_EQ(popup.DoModal(), IDOK);
        platform::PumpUntilIdle();
    };
    run();
    SkinResourceCache::Clear();
    const std::size_t before = gdi::LiveObjectCount();
    run();
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

#endif

TEST_F(DPIStagesPopupTest, WithoutItsSkinEscapeEndsItAndTheSetStaysUnchanged) {
    const DpiStageSet original = FactorySet();
    DpiStageSet set = original;
    RegisterDPIStagesPopupTemplate();
    CDPIStagesPopup popup(u"NoSuchStagesPopup.xml", IDD_DPI_STAGES_POPUP, &m_owner);
    popup.stageSet = &set;
    Script script({[&](HWND) { m_display.PressKey(VK_ESCAPE); }});
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
    EXPECT_EQ(script.StepsRun(), 1u);
    ExpectSameSet(set, original);
}
