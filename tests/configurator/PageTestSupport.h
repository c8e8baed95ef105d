#pragma once
// Test support for the main window's pages: the program runs against the virtual mouse with
// the shipped skin, steps act inside its modal loops as a user would (clicks and drags on
// the headless display), and a device object of the test's own reads back what the mouse
// holds afterwards.

#include "AppTestSupport.h"
#include "configurator/PopupBox.h"
#include "device/IMouseDevice.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/PHSlider.h"
#include "gui/SliderHMulti.h"
#include "gui/DropdownListItem.h"
#include "gui/GUIPanel.h"
#include "model/BorvantaConfig.h"
#include "platform/ui/CommDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pagetest {

using apptest::Driver;

// What the mouse holds now, read by a device object of its own.
struct MouseState {
    CBorvantaConfig config;
    CMouse mouse;
    bool read = false;
    MouseState() {
        const WORD id = BORVANTA_PRODUCT_ID;
        read = mouse.Initialize(&config, &id) && mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL);
    }
};

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

    // Runs the program once; the driver acts inside its modal loops.
    void Run(std::vector<Driver::Step> steps) {
        Driver driver(m_clock, std::move(steps));
        EXPECT_FALSE(app.InitInstance());
        stepsDone = driver.StepsDone();
        main = nullptr;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // A step that acts once on the main window.
    Driver::Step OnMain(std::function<void(CBorvantaAppDlg&)> act) {
        return [this, act](HWND dialog) {
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                return false;
            }
            act(*main);
            return true;
        };
    }
    // A step that waits until the condition holds while the main window's loop runs.
    Driver::Step WaitMain(std::function<bool(CBorvantaAppDlg&)> condition) {
        return [this, condition](HWND dialog) {
            return main != nullptr && dialog == main->GetSafeHwnd() && condition(*main);
        };
    }
    // A step that acts once on a popup (a modal window other than the main window) that is
    // not the writing popup.
    Driver::Step OnPopup(std::function<void(HWND)> act) {
        return [this, act](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd() || main->writingPopup != nullptr) {
                return false;
            }
            act(dialog);
            return true;
        };
    }
    // Apply, then waits until the write has ended and the window is back.
    std::vector<Driver::Step> ApplyAndWait() {
        return {OnMain([this](CBorvantaAppDlg& d) { Click(d.applyButton); }),
                WaitMain([](CBorvantaAppDlg& d) {
                    return d.timerId == IDT_WRITE_APPLY && d.writingPopup == nullptr &&
                           !d.device->IsWriting();
                })};
    }
    Driver::Step Cancel() {
        return OnMain([](CBorvantaAppDlg& d) { apptest::PostItemCommand(d, BUTTON_CANCEL); });
    }

    // The pointer comes to (x, y) the way a user moves it: the move is handled at once, so
    // a widget that held the pointer for its hover look lets it go before the next press.
    void PointAt(POINT at) { m_display.MoveMouse(at.x, at.y); }
    // A user's click in the middle of a window.
    void Click(CWnd* window) {
        ASSERT_NE(window, nullptr);
        RECT r{};
        GetWindowRect(window->GetSafeHwnd(), &r);
        PointAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        apptest::ClickItem(m_display, window->GetSafeHwnd());
    }
    // A user's drag of a slider's first thumb by dx pixels.
    void DragThumb(CSliderHMulti* slider, int dx) {
        ASSERT_NE(slider, nullptr);
        CPHSlider* thumb = slider->GetThumb(0);
        ASSERT_NE(thumb, nullptr);
        RECT r{};
        GetWindowRect(thumb->GetSafeHwnd(), &r);
        const POINT from{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        // Each move is handled before the next, as a user's hand would give them (a drag
        // opens no popup, so handling the input right here is safe).
        m_display.Drag(from, POINT{from.x + dx, from.y}, 6);
    }
    // The command a click on an item of the current page reports.
    static void PostPageCommand(CBorvantaAppDlg& dialog, int id) {
        const CGUIItem* item = dialog.GetCurrentPage() != nullptr
                                   ? FindGUIItemById(*dialog.GetCurrentPage(), id)
                                   : nullptr;
        ASSERT_NE(item, nullptr) << id;
        PostMessageW(dialog.GetSafeHwnd(), WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(item->hwnd));
    }
    static int Position(const CSliderHMulti* slider) {
        const CPHSlider* thumb = slider != nullptr ? slider->GetThumb(0) : nullptr;
        return thumb != nullptr ? thumb->GetPos() : -1;
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

// Concatenates step lists.
inline std::vector<Driver::Step> Steps(std::initializer_list<std::vector<Driver::Step>> parts) {
    std::vector<Driver::Step> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace pagetest
