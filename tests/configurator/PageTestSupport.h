#pragma once
// Test support for the pages of the main window: runs the configurator against the virtual
// mouse (AppTest) with a driver acting inside its modal loops, and helpers that act as the
// user on the pages' widgets and popups.

#include "AppTestSupport.h"
#include "configurator/PopupBox.h"
#include "device/Mouse.h"
#include "gui/DropdownListItem.h"
#include "gui/GUIPanel.h"
#include "model/BorvantaConfig.h"
#include "platform/ui/CommDlg.h"

#include <functional>
#include <string>
#include <vector>

namespace pagetest {

using apptest::Driver;

class PageTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app.keepProgramFolder = true;
        app.startProgram = [](const WCHAR*) {};
        app.onMainWindow = [this](CBorvantaAppDlg& dialog) {
            main = &dialog;
            dialog.openDocument = [](const WCHAR*) {};
        };
    }
    void TearDown() override {
        platform::SetFileChooser(nullptr);
        AppTest::TearDown();
    }

    void Run(std::vector<Driver::Step> steps) {
        Driver driver(m_clock, std::move(steps));
        app.InitInstance();
        stepsDone = driver.StepsDone();
        main = nullptr;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // Acts once on the main window while its own loop runs (no popup open).
    Driver::Step OnMain(std::function<void(CBorvantaAppDlg&)> act) {
        return [this, act](HWND dialog) {
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                return false;
            }
            act(*main);
            return true;
        };
    }
    Driver::Step WaitMain(std::function<bool(CBorvantaAppDlg&)> condition) {
        return [this, condition](HWND dialog) {
            return main != nullptr && dialog == main->GetSafeHwnd() && condition(*main);
        };
    }
    // Acts once on the innermost modal window other than the main window (a popup or an
    // open list); the action ends it or acts on it.
    Driver::Step OnPopup(std::function<void(HWND)> act) {
        return [this, act](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd()) {
                return false;
            }
            act(dialog);
            return true;
        };
    }
    // A popup whose skin file is the given one, answered with result.
    Driver::Step Answer(const char16_t* skin, int result, int* seen = nullptr) {
        return OnPopup([this, skin, result, seen](HWND dialog) {
            auto* panel = dynamic_cast<CGUIPanel*>(CWnd::FromHandle(dialog));
            EXPECT_NE(panel, nullptr);
            if (panel != nullptr) {
                EXPECT_EQ(std::u16string(panel->skinFile.GetString()), std::u16string(skin));
            }
            if (seen != nullptr) {
                ++*seen;
            }
            EndDialog(dialog, result);
        });
    }
    // The user picks the entry with that text in the list a drop-down opened (the list
    // panel's result is the entry's index).
    static Driver::Step PickEntry(PageTest* test, CDropdownListItem** field, const char16_t* text) {
        return test->OnPopup([field, text](HWND dialog) {
            int index = -1;
            for (int i = 0; i < (*field)->GetCount(); ++i) {
                if ((*field)->GetText(i) == text) {
                    index = i;
                }
            }
            EXPECT_GE(index, 0) << "no entry";
            EndDialog(dialog, index);
        });
    }
    // Clicks a skin item of a popup (its OK or Cancel).
    static void ClickPopupItem(platform::HeadlessDisplay& display, HWND dialog, int id) {
        auto* panel = dynamic_cast<CGUIPanel*>(CWnd::FromHandle(dialog));
        ASSERT_NE(panel, nullptr);
        const CGUIItem* item = FindGUIItemById(panel->items, id);
        ASSERT_NE(item, nullptr) << id;
        apptest::ClickItem(display, item->hwnd);
    }

    // The mouse's configuration as a fresh device object reads it.
    static void ReadMouse(CBorvantaConfig& config) {
        CMouse mouse;
        const WORD id = BORVANTA_PRODUCT_ID;
        ASSERT_TRUE(mouse.Initialize(&config, &id));
        ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    }

    CBorvantaApp app;
    CBorvantaAppDlg* main = nullptr;
    size_t stepsDone = 0;
};

} // namespace pagetest
