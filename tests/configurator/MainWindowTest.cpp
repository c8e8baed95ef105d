#include "AppTestSupport.h"
#include "StateReportingDevice.h"
#include "configurator/BorvantaWarningDlg.h"
#include "configurator/PopupBox.h"
#include "configurator/StartUp.h"
#include "device/IMouseDevice.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/LangTable.h"
#include "gui/TextItem.h"
#include "model/BorvantaConfig.h"
#include "platform/base/Handle.h"
#include "platform/base/Mutex.h"
#include "platform/ui/MessageBox.h"
#include "service/MouseControl.h"

#include "gui/WidgetMessages.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using apptest::Driver;
using apptest::PostItemCommand;

namespace {

class MainWindowTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app.keepProgramFolder = true;
        app.startProgram = [this](const WCHAR* file) { started.emplace_back(file); };
        app.onMainWindow = [this](CBorvantaAppDlg& dialog) {
            main = &dialog;
            dialog.openDocument = [this](const WCHAR* target) { opened.emplace_back(target); };
        };
    }

    // Runs the program once; the driver acts inside its modal loops.
    void Run(std::vector<Driver::Step> steps) {
        Driver driver(m_clock, std::move(steps));
        EXPECT_FALSE(app.InitInstance());
        stepsDone = driver.StepsDone();
        main = nullptr; // the window object lived inside the run
        // The end of the main window posts WM_QUIT for the program's own loop, which a
        // program whose start-up returns FALSE never enters; the next run must not see it.
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // A step that waits for a popup (a modal window other than the main window) and ends it.
    Driver::Step EndPopup(int* seen) {
        return [this, seen](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd()) {
                return false;
            }
            ++*seen;
            EndDialog(dialog, IDOK);
            return true;
        };
    }
    // A step that waits for a notice (a popup shown while no write runs) and answers it.
    Driver::Step EndNotice(int* seen) {
        return [this, seen](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd() || main->writingPopup != nullptr) {
                return false;
            }
            ++*seen;
            EndDialog(dialog, IDOK);
            return true;
        };
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

    // The polling rate the mouse holds now, read by a device object of its own.
    static LONG DevicePollingRate() {
        CBorvantaConfig config;
        CMouse mouse;
        const WORD id = BORVANTA_PRODUCT_ID;
        EXPECT_TRUE(mouse.Initialize(&config, &id));
        EXPECT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
        return config.GetPollingRate(nullptr);
    }

    CBorvantaApp app;
    CBorvantaAppDlg* main = nullptr;
    std::vector<std::u16string> started;
    std::vector<std::u16string> opened;
    size_t stepsDone = 0;
};

// Whether the page's windows show, judged by its first item that has a window (list-panel
// items have none).
bool Visible(const CGUIItemList& page) {
    for (int i = 0; i < page.GetCount(); ++i) {
        const CGUIItem* item = page.GetAt(i);
        if (item != nullptr && item->hwnd != nullptr && item->hwnd != GUIITEM_NO_WINDOW) {
            return IsWindowVisible(item->hwnd) != FALSE;
        }
    }
    return false;
}

TEST_F(MainWindowTest, WithoutAMouseTheNoMousePopupShowsAndTheWindowCloses) {
    ASSERT_TRUE(SUCCEEDED(service::MouseControl().SetPlugged(false)));
    int popups = 0;
    UINT_PTR timer = 0;
    bool noPage = false;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             timer = d.timerId;
             // No page stands with empty fields behind the notice.
             noPage = d.GetCurrentPage() == nullptr && !Visible(d.assignPage);
             EXPECT_EQ(d.PendingChangeMask, 0);
         }),
         EndPopup(&popups)});
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(stepsDone, 2u);
    EXPECT_EQ(timer, IDT_NO_DEVICE);
    EXPECT_TRUE(noPage);
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
    // The rest of the start-up went on: the tray was started.
    EXPECT_EQ(started, std::vector<std::u16string>{u"BorvantaSysTray.exe"});
    // Torn down afterwards.
    EXPECT_EQ(app.device, nullptr);
    EXPECT_EQ(app.config, nullptr);
    EXPECT_EQ(GetMouseDevice(), nullptr);
}

TEST_F(MainWindowTest, AMouseStateThatCannotBeOpenedIsToldApartAndLeftAsItIs) {
    // A damaged database and one of a newer format: the popup says why, not "connect it".
    const std::filesystem::path db = std::getenv("BORVANTA_SERVICE_DB");
    const std::pair<std::string, std::u16string> cases[] = {
        {std::string(4096, 'x'), u"$MouseStateDamaged"},
        {std::string("SQLite format 3") + std::string(1, '\0') + std::string(4080, '\x07'),
         u"$MouseStateDamaged"},
    };
    for (const auto& [bytes, expected] : cases) {
        std::filesystem::remove(db);
        std::ofstream(db, std::ios::binary) << bytes;
        std::u16string skin;
        std::u16string heading;
        int popups = 0;
        Run({[&](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd()) {
                return false;
            }
            if (auto* popup = dynamic_cast<CBorvantaWarningDlg*>(CWnd::FromHandle(dialog))) {
                skin = popup->skinFile.str();
                heading = popup->text.str();
            }
            ++popups;
            EndDialog(dialog, IDOK);
            return true;
        }});
        EXPECT_EQ(popups, 1);
        EXPECT_EQ(skin, u"MouseStatePopup.xml");
        EXPECT_EQ(heading, expected);
        EXPECT_EQ(app.mainWindowResult, IDCANCEL);
        // The file is never overwritten.
        std::ifstream in(db, std::ios::binary);
        const std::string after((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_EQ(after, bytes);
    }
}

TEST_F(MainWindowTest, ASettingsFileHeldLockedOnAFullDiskOrWithoutProfilesIsToldAsItIs) {
    struct Told {
        std::u16string skin;
        std::u16string heading;
        std::u16string message;
        bool pageShown = true;
    };
    // Runs the program once and answers the one notice it shows.
    auto run = [this](std::function<void(CBorvantaAppDlg&)> first) {
        Told told;
        int popups = 0;
        Run({OnMain(std::move(first)), [&](HWND dialog) {
                 if (main == nullptr || dialog == main->GetSafeHwnd()) {
                     return false;
                 }
                 if (auto* popup =
                         dynamic_cast<CBorvantaWarningDlg*>(CWnd::FromHandlePermanent(dialog))) {
                     told.skin = popup->skinFile.str();
                     told.heading =
                         popup->heading != nullptr ? popup->heading->GetText().str() : u"";
                     const auto* body = dynamic_cast<CTextItem*>(
                         FindGUIItemById(popup->items, TEXT_WARNDLG_MESSAGE));
                     told.message = body != nullptr ? body->GetText().str() : u"";
                 }
                 told.pageShown = Visible(main->assignPage) || Visible(main->performancePage);
                 ++popups;
                 EndDialog(dialog, IDOK);
                 return true;
             }});
        EXPECT_EQ(popups, 1);
        EXPECT_EQ(app.mainWindowResult, IDCANCEL);
        return told;
    };
    auto text = [](const WCHAR* key) { return TranslateText(key).str(); };

    // The service could not have the file: held locked by another program, or no room on
    // its disk. The file is sound: nothing asks to repair it.
    ASSERT_TRUE(SUCCEEDED(service::MouseControl().SetPlugged(false)));
    for (const auto& [why, heading, message] :
         {std::tuple{SERVICE_E_STATE_BUSY, u"$MouseStateBusy", u"$MouseStateBusyMessage"},
          std::tuple{SERVICE_E_STATE_FULL, u"$MouseStateFull", u"$MouseStateFullMessage"}}) {
        std::unique_ptr<apptest::StateReportingDevice> state;
        const Told told = run([&, result = why](CBorvantaAppDlg& d) {
            state = std::make_unique<apptest::StateReportingDevice>(d.device, result);
            d.device = state.get();
        });
        EXPECT_EQ(told.skin, u"MouseStatePopup.xml");
        EXPECT_EQ(told.heading, text(heading));
        EXPECT_EQ(told.message, text(message));
        EXPECT_EQ(told.message.find(u"Repair"), std::u16string::npos);
        EXPECT_FALSE(told.pageShown);
    }

    // A mouse whose settings hold no profile is there: it is not told to be connected.
    ASSERT_TRUE(SUCCEEDED(service::MouseControl().SetPlugged(true)));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(std::getenv("BORVANTA_SERVICE_DB"), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DELETE FROM profiles; UPDATE device SET active = NULL;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const Told told = run([](CBorvantaAppDlg& d) { EXPECT_EQ(d.timerId, IDT_NO_DEVICE); });
    EXPECT_EQ(told.skin, u"MouseStatePopup.xml");
    EXPECT_EQ(told.heading, text(u"$MouseStateNoProfiles"));
    EXPECT_EQ(told.message, text(u"$MouseStateNoProfilesMessage"));
    EXPECT_FALSE(told.pageShown);
}

TEST_F(MainWindowTest, StartUpRegistersTheWidgetMessagesBeforeTheMainWindowShows) {
    ASSERT_TRUE(SUCCEEDED(service::MouseControl().SetPlugged(false)));
    int popups = 0;
    UINT seen[4] = {};
    Run({OnMain([&](CBorvantaAppDlg&) {
             seen[0] = WM_XCOMBOLIST_VK_RETURN;
             seen[1] = WM_XCOMBOLIST_VK_ESCAPE;
             seen[2] = WM_XCOMBOLIST_KEYDOWN;
             seen[3] = WM_XCOMBOLIST_LBUTTONUP;
         }),
         EndPopup(&popups)});
    EXPECT_EQ(stepsDone, 2u);
    EXPECT_EQ(seen[0], RegisterWindowMessageW(u"WM_XCOMBOLIST_VK_RETURN"));
    EXPECT_EQ(seen[1], RegisterWindowMessageW(u"WM_XCOMBOLIST_VK_ESCAPE"));
    EXPECT_EQ(seen[2], RegisterWindowMessageW(u"WM_XCOMBOLIST_KEYDOWN"));
    EXPECT_EQ(seen[3], RegisterWindowMessageW(u"WM_XCOMBOLIST_LBUTTONUP"));
    for (UINT message : seen) {
        EXPECT_NE(message, 0u);
    }
}

TEST_F(MainWindowTest, StartsLayeredOnTheAssignPageAndSwitchesPagesByTab) {
    bool layered = false;
    COLORREF key = 0;
    std::vector<int> checks;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             BYTE alpha = 0;
             DWORD flags = 0;
             layered = (static_cast<DWORD>(GetWindowLongW(d.GetSafeHwnd(), GWL_EXSTYLE)) &
                        WS_EX_LAYERED) != 0;
             GetLayeredWindowAttributes(d.GetSafeHwnd(), &key, &alpha, &flags);
             EXPECT_EQ(flags & LWA_COLORKEY, LWA_COLORKEY);
             EXPECT_EQ(d.GetCurrentPage(), &d.assignPage);
             EXPECT_TRUE(Visible(d.assignPage));
             EXPECT_FALSE(Visible(d.performancePage));
             EXPECT_FALSE(Visible(d.lightingPage));
             ASSERT_NE(d.assignTab, nullptr);
             EXPECT_EQ(d.assignTab->checked, 1);
             EXPECT_FALSE(d.applyButton->IsWindowEnabled());
             // The user clicks the performance tab.
             apptest::ClickItem(m_display, d.performanceTab->GetSafeHwnd());
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.performancePage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_FALSE(Visible(d.assignPage));
             EXPECT_TRUE(Visible(d.performancePage));
             checks = {d.assignTab->checked, d.performanceTab->checked, d.profilesTab->checked,
                       d.macrosTab->checked, d.lightingTab->checked};
             // Clicking the shown tab again keeps it checked (the window checks its tabs).
             PostItemCommand(d, BUTTON_ADJUSTPERFORMANCE);
             PostItemCommand(d, BUTTON_LIGHTINGMAINTENANCE);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_TRUE(Visible(d.lightingPage));
             EXPECT_FALSE(Visible(d.performancePage));
             EXPECT_EQ(d.performanceTab->checked, 0);
             EXPECT_EQ(d.lightingTab->checked, 1);
             d.ShowPage(PAGE_PROFILES | PAGE_LIGHTING); // the lowest page bit wins
             EXPECT_EQ(d.GetCurrentPage(), &d.profilesPage);
             d.ShowPage(0x02); // no page bit: no page shown, yet the assign tab is checked
             EXPECT_EQ(d.GetCurrentPage(), nullptr);
             EXPECT_EQ(d.assignTab->checked, 1);
             PostItemCommand(d, BUTTON_CANCEL);
         })});
    EXPECT_EQ(stepsDone, 5u);
    EXPECT_TRUE(layered);
    EXPECT_EQ(key, RGB(0xFF, 0x00, 0xFF));
    EXPECT_EQ(checks, (std::vector<int>{0, 1, 0, 0, 0}));
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
}

TEST_F(MainWindowTest, MarksAddUpAndApplyWritesThemThroughTheWritingPopup) {
    const LONG before = DevicePollingRate();
    const LONG wanted = before == 0 ? 2 : 0;
    std::vector<BYTE> masks;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             d.MarkPending(PENDING_SENSITIVITY);
             d.MarkPending(PENDING_PROFILES);
             masks.push_back(d.PendingChangeMask);
             d.MarkPending(PENDING_ALL);
             masks.push_back(d.PendingChangeMask);
             d.ClearPendingChanges();
             EXPECT_FALSE(d.applyButton->IsWindowEnabled());
             // An edit of the polling rate.
             d.config->SetPollingRate(wanted, nullptr);
             d.MarkPending(PENDING_POLLING_RATE);
             masks.push_back(d.PendingChangeMask);
             EXPECT_TRUE(d.applyButton->IsWindowEnabled());
             apptest::ClickItem(m_display, d.applyButton->GetSafeHwnd());
         }),
         // The writing popup ran until the write timer found the device idle.
         WaitMain([](CBorvantaAppDlg& d) { return d.timerId == IDT_WRITE_APPLY; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.writingPopup, nullptr);
             masks.push_back(d.PendingChangeMask);
             EXPECT_FALSE(d.applyButton->IsWindowEnabled());
             EXPECT_FALSE(d.device->IsWriting());
             EXPECT_TRUE(d.device->GetLastWriteResult());
             // OK with nothing pending closes at once.
             PostItemCommand(d, BUTTON_OK);
         })});
    EXPECT_EQ(stepsDone, 3u);
    EXPECT_EQ(masks, (std::vector<BYTE>{0x07, 0x7F, 0x10, 0x00}));
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
    EXPECT_EQ(DevicePollingRate(), wanted);
}

TEST_F(MainWindowTest, AFailedWriteKeepsTheChangesPendingAndOkWritesThemLater) {
    const LONG before = DevicePollingRate();
    const LONG wanted = before == 0 ? 2 : 0;
    int notices = 0;
    std::u16string told;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             ASSERT_TRUE(SUCCEEDED(
                 service::MouseControl().InjectFault(service::Fault::WriteFailure, 1000)));
             d.config->SetPollingRate(wanted, nullptr);
             d.MarkPending(PENDING_POLLING_RATE);
             PostItemCommand(d, BUTTON_APPLY);
         }),
         // The user is told that not everything reached the mouse and the changes are kept
         // (part of a write may have reached it).
         [&](HWND dialog) {
             auto* notice = dynamic_cast<CBorvantaWarningDlg*>(CWnd::FromHandlePermanent(dialog));
             if (notice == nullptr || main == nullptr || main->writingPopup != nullptr) {
                 return false;
             }
             for (const int id : {TEXT_WARNDLG_HEADING, TEXT_WARNDLG_MESSAGE}) {
                 if (auto* line = dynamic_cast<CTextItem*>(FindGUIItemById(notice->items, id))) {
                     told += line->GetText().str() + u"|";
                 }
             }
             ++notices;
             EndDialog(dialog, IDOK);
             return true;
         },
         WaitMain([](CBorvantaAppDlg& d) { return d.timerId == IDT_WRITE_APPLY; }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(notices, 1);
             EXPECT_FALSE(d.device->IsWriting());
             EXPECT_FALSE(d.device->GetLastWriteResult());
             EXPECT_EQ(d.PendingChangeMask, PENDING_POLLING_RATE);
             EXPECT_TRUE(d.applyButton->IsWindowEnabled());
             // OK while the mouse still refuses: the window stays open.
             PostItemCommand(d, BUTTON_OK);
         }),
         EndNotice(&notices),
         WaitMain([](CBorvantaAppDlg& d) { return d.timerId == IDT_WRITE_AND_CLOSE; }),
         // A few more turns: the window is still there, its changes still pending.
         [n = 0](HWND) mutable { return ++n == 30; }, OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.PendingChangeMask, PENDING_POLLING_RATE);
             EXPECT_FALSE(d.device->GetLastWriteResult());
             ASSERT_TRUE(
                 SUCCEEDED(service::MouseControl().InjectFault(service::Fault::WriteFailure, 0)));
             PostItemCommand(d, BUTTON_OK);
         }),
         // Nothing more: the successful write closes the window without a notice.
         [](HWND) { return false; }});
    EXPECT_EQ(stepsDone, 8u);
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(told,
              u"Not everything could be written to the mouse|Your changes are kept. Check the "
              u"mouse, then press Apply again.|");
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
    EXPECT_EQ(DevicePollingRate(), wanted);
}

TEST_F(MainWindowTest, EnterWritesPendingChangesAndEndsWithOk) {
    const LONG wanted = DevicePollingRate() == 0 ? 2 : 0;
    Run({OnMain([&](CBorvantaAppDlg& d) {
        d.config->SetPollingRate(wanted, nullptr);
        d.MarkPending(PENDING_POLLING_RATE);
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
    })});
    EXPECT_EQ(app.mainWindowResult, IDOK);
    EXPECT_EQ(DevicePollingRate(), wanted);
}

TEST_F(MainWindowTest, HelpOpensTheManualBelowTheProgramFolder) {
    Run({OnMain([&](CBorvantaAppDlg& d) {
             PostItemCommand(d, BUTTON_HELP);
             // F1 reaches the window as WM_HELP.
             m_display.SetAutoPump(false);
             m_display.PressKey(VK_F1);
             m_display.SetAutoPump(true);
         }),
         WaitMain([&](CBorvantaAppDlg&) { return opened.size() == 2; }),
         OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_CANCEL); })});
    EXPECT_EQ(stepsDone, 3u);
    const std::u16string manual = std::u16string(ExeFolder) + u"Manuals\\index.html";
    EXPECT_EQ(opened, (std::vector<std::u16string>{manual, manual}));
}

TEST_F(MainWindowTest, WhatCannotBeOpenedIsToldInAMessageBox) {
    // No opener on the search path: the manual and the web pages cannot be handed on.
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath != nullptr ? oldPath : "";
    std::filesystem::create_directories(m_dir / "empty-bin");
    ::setenv("PATH", (m_dir / "empty-bin").c_str(), 1);
    app.onMainWindow = [this](CBorvantaAppDlg& dialog) { main = &dialog; };
    std::vector<std::u16string> told;
    // A step that takes the text of the message box that comes up, and closes it.
    auto answerMessage = [&](HWND dialog) {
        if (main == nullptr || dialog == main->GetSafeHwnd()) {
            return false;
        }
        WCHAR text[512]{};
        GetDlgItemTextW(dialog, platform::kMessageBoxTextId, text, 512);
        told.emplace_back(text);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
    auto clickLightingItem = [this](int id) {
        return OnMain([this, id](CBorvantaAppDlg& d) {
            const CGUIItem* item = FindGUIItemById(d.lightingPage, id);
            ASSERT_NE(item, nullptr) << id;
            apptest::ClickItem(m_display, item->hwnd);
        });
    };
    Run({OnMain([&](CBorvantaAppDlg&) {
             m_display.SetAutoPump(false);
             m_display.PressKey(VK_F1);
             m_display.SetAutoPump(true);
         }),
         answerMessage, OnMain([](CBorvantaAppDlg& d) { d.ShowPage(PAGE_LIGHTING); }),
         clickLightingItem(BUTTON_UPDATE), answerMessage, clickLightingItem(BUTTON_CHECKADDONS),
         answerMessage, OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_CANCEL); })});
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(stepsDone, 8u);
    ASSERT_EQ(told.size(), 3u);
    const std::u16string manual = (m_program / "Manuals" / "index.html").u16string();
    const std::u16string reason =
        u"No program that opens documents and web pages (xdg-open) is installed.";
    EXPECT_EQ(told[0], u"This could not be opened:\n" + manual + u"\n\n" + reason);
    EXPECT_NE(told[1].find(u"https://"), std::u16string::npos);
    EXPECT_NE(told[1].find(reason), std::u16string::npos);
    EXPECT_NE(told[2].find(u"https://"), std::u16string::npos);
    EXPECT_NE(told[1], told[2]);
}

TEST_F(MainWindowTest, RestoringTheFactorySettingsMarksEverySectionOnlyWhenConfirmed) {
    // A lighting page with the restore button.
    std::ofstream(m_program / "xml" / "LightingMaintenance.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE ITEMLIST>\n<ITEMLIST><BUTTONLIST>"
           "<BUTTON name=\"BUTTON_RESET\" caption=\"$OK\"><RECT left=\"40\" top=\"120\" "
           "right=\"80\" bottom=\"24\"/><SBMN>PopupButtonNormal.bmp</SBMN>"
           "<SBMO>PopupButtonOver.bmp</SBMO><SBMD>PopupButtonDown.bmp</SBMD>"
           "<SBMDS>PopupButtonDisabled.bmp</SBMDS></BUTTON></BUTTONLIST></ITEMLIST>\n";
    const LONG wanted = DevicePollingRate() == 0 ? 2 : 0;
    LONG rateAfterReset = -1;
    std::vector<BYTE> masks;
    auto clickReset = [](CBorvantaAppDlg& d) {
        const CGUIItem* reset = FindGUIItemById(d.lightingPage, BUTTON_RESET);
        ASSERT_NE(reset, nullptr);
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(BUTTON_RESET, BN_CLICKED),
                     reinterpret_cast<LPARAM>(reset->hwnd));
    };
    auto answer = [this](int result) -> Driver::Step {
        return [this, result](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd()) {
                return false;
            }
            EndDialog(dialog, result);
            return true;
        };
    };
    Run({OnMain([&](CBorvantaAppDlg& d) {
             PostItemCommand(d, BUTTON_LIGHTINGMAINTENANCE);
             d.config->SetPollingRate(wanted, nullptr);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }),
         OnMain(clickReset), answer(IDCANCEL), OnMain([&](CBorvantaAppDlg& d) {
             masks.push_back(d.PendingChangeMask);
             EXPECT_EQ(d.config->GetPollingRate(nullptr), wanted);
             d.MarkPending(PENDING_LIGHTING);
             clickReset(d);
         }),
         answer(IDOK), OnMain([&](CBorvantaAppDlg& d) {
             masks.push_back(d.PendingChangeMask);
             EXPECT_TRUE(d.applyButton->IsWindowEnabled());
             rateAfterReset = d.config->GetPollingRate(nullptr);
             PostItemCommand(d, BUTTON_CANCEL);
         })});
    EXPECT_EQ(stepsDone, 7u);
    EXPECT_EQ(masks, (std::vector<BYTE>{0x00, 0x7F}));
    // The edit of the polling rate went back to the factory value.
    EXPECT_NE(rateAfterReset, wanted);
    EXPECT_NE(rateAfterReset, -1);
}

TEST_F(MainWindowTest, ASecondStartRaisesTheRunningWindowAndEnds) {
    RegisterSingleInstanceClass();
    HWND running = CreateWindowExW(0, kSingleInstanceClass, u"running", WS_POPUP | WS_VISIBLE, 0, 0,
                                   100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(running, nullptr);
    ShowWindow(running, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(running));

    Run({});
    EXPECT_FALSE(IsIconic(running));
    EXPECT_EQ(main, nullptr);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(app.config, nullptr);

    // Not minimised: brought to the front.
    HWND other = CreateWindowExW(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    Run({});
    EXPECT_EQ(GetForegroundWindow(), running);
    EXPECT_EQ(main, nullptr);
    DestroyWindow(other);
    DestroyWindow(running);
}

TEST_F(MainWindowTest, ACopyRunningElsewhereEndsTheNewOne) {
    // Another copy holds the running marker (as one in another process would).
    HANDLE marker = nullptr;
    std::promise<void> held;
    std::promise<void> release;
    std::thread other([&] {
        marker = CreateMutexW(nullptr, TRUE, kRunningInstanceMutex);
        held.set_value();
        release.get_future().wait();
        ReleaseMutex(marker);
        CloseHandle(marker);
    });
    held.get_future().wait();
    Run({});
    EXPECT_EQ(app.mainWindowResult, -1);
    EXPECT_TRUE(started.empty());
    release.set_value();
    other.join();

    // Once it has ended, the next start runs.
    Run({OnMain([](CBorvantaAppDlg& d) { PostItemCommand(d, BUTTON_CANCEL); })});
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
}

} // namespace
