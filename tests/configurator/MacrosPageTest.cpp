// The macros page on the headless display: create, duplicate names, record and stop through
// the raw input of the display's own keys and clicks, the delay options, predefined commands,
// delete with the buttons that played the macro, import (hostile files refused with a
// notice) and export through the virtual mouse.

#include "PageTestSupport.h"
#include "configurator/PopupBox.h"
#include "configurator/PredefinedMacroPopup.h"
#include "device/DeviceServiceApi.h"
#include "device/IMouseDevice.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "model/BorvantaConfig.h"
#include "model/IMouseProfile.h"
#include "model/Macro.h"
#include "model/PredefinedMacroList.h"
#include "platform/ui/CommDlg.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using apptest::Driver;

namespace {

// The page fixture, with steps that wait for a popup by its skin file and note each one seen.
class MacrosPageTest : public pagetest::PageTest {
protected:
    // A step that waits for a popup of that skin file and acts on it.
    Driver::Step OnPopup(const char16_t* skin, std::function<void(CGUIPanel&)> act) {
        return [this, skin, act](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd()) {
                return false;
            }
            auto* panel = dynamic_cast<CGUIPanel*>(CWnd::FromHandlePermanent(dialog));
            if (panel == nullptr) {
                return false;
            }
            EXPECT_EQ(panel->skinFile, CString(skin));
            popups.emplace_back(panel->skinFile.GetString());
            act(*panel);
            return true;
        };
    }
    // A click handled at once (it opens no popup).
    void Click(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        m_display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // A click handled by the modal loop once the step is over (it opens a popup).
    void ClickLater(HWND window) { apptest::ClickItem(m_display, window); }
    void ClickPopupItem(CGUIPanel& panel, int id) {
        const CGUIItem* item = FindGUIItemById(panel.items, id);
        ASSERT_NE(item, nullptr) << id;
        ClickLater(item->hwnd);
    }
    // Types a name into the name popup and takes it.
    Driver::Step EnterName(const char16_t* skin, const char16_t* name) {
        return OnPopup(skin, [this, name](CGUIPanel& panel) {
            const CGUIItem* edit = FindGUIItemById(panel.items, EDITCTRL_POPUP_NAMEENTRY);
            ASSERT_NE(edit, nullptr);
            SetWindowTextW(edit->hwnd, name);
            ClickPopupItem(panel, BUTTON_POPUP_OK);
        });
    }
    Driver::Step Confirm(const char16_t* skin) {
        return OnPopup(skin, [this](CGUIPanel& panel) { ClickPopupItem(panel, BUTTON_POPUP_OK); });
    }
    // Keys and clicks as the user makes them, with the time between them.
    void Key(int vk, bool down, DWORD after = 0) {
        if (down) {
            m_display.KeyDown(vk);
        } else {
            m_display.KeyUp(vk);
        }
        m_clock.Advance(after);
    }
    // Waits for the write that Apply started to end, then closes the window.
    Driver::Step AfterWriteClose() {
        return [this](HWND dialog) {
            if (main == nullptr || dialog != main->GetSafeHwnd() || main->timerId == 0 ||
                main->device->IsWriting() || main->writingPopup != nullptr) {
                return false;
            }
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return true;
        };
    }

    // The macros of the mouse as a fresh device object reads them.
    static std::vector<std::pair<std::u16string, MacroEventList>> DeviceMacros() {
        pagetest::MouseState state;
        EXPECT_TRUE(state.read);
        std::vector<std::pair<std::u16string, MacroEventList>> macros;
        for (int i = 0; i < state.config.GetMacroCount(); ++i) {
            const CMacro* macro = state.config.GetMacro(i, nullptr);
            macros.emplace_back(macro->GetName(), macro->GetEvents());
        }
        return macros;
    }

    std::vector<std::u16string> popups;
};

// What the mouse plays of each event: its type, the scan code (keys), the button (mouse) or
// the milliseconds (delays), and press or release.
std::vector<std::uint32_t> Played(const MacroEventList& events) {
    std::vector<std::uint32_t> played;
    for (const MacroEvent& e : events) {
        const auto code = static_cast<std::uint32_t>(e.code);
        played.push_back(static_cast<std::uint32_t>(e.type) << 28 |
                         (e.type == MACRO_EVENT_KEY ? code & 0xFFFF : code) << 8 |
                         (e.type == MACRO_EVENT_DELAY ? 0 : e.flags & 0xFF));
    }
    return played;
}

std::vector<int> Types(const MacroEventList& events) {
    std::vector<int> types;
    for (const MacroEvent& e : events) {
        types.push_back(e.type);
    }
    return types;
}

TEST_F(MacrosPageTest, CreateRecordStopAndApplyReachTheMouse) {
    MacroEventList recorded;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             Click(d.macrosTab->GetSafeHwnd());
             ASSERT_EQ(d.GetCurrentPage(), &d.macrosPage);
             EXPECT_FALSE(d.macroRecordButton->IsWindowEnabled());
             ClickLater(d.macroCreateButton->GetSafeHwnd());
         }),
         EnterName(u"MacroNamePopup.xml", u"cp"), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.macroList->currentText, CString(u"cp"));
             EXPECT_TRUE(d.macroRecordButton->IsWindowEnabled());
             EXPECT_EQ(d.PendingChangeMask & PENDING_MACROS, PENDING_MACROS);
             // The same name in other letters is refused with the duplicate popup.
             ClickLater(d.macroCreateButton->GetSafeHwnd());
         }),
         EnterName(u"MacroNamePopup.xml", u"CP"),
         OnPopup(u"DuplicateMacroWarningPopup.xml",
                 [this](CGUIPanel& p) { ClickPopupItem(p, BUTTON_POPUP_OK); }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetMacroCount(), 1);
             EXPECT_EQ(d.macroList->GetCount(), 1);
             Click(d.macroRecordButton->GetSafeHwnd());
             ASSERT_TRUE(d.IsRecording());
             EXPECT_EQ(d.macroRecordButton->caption, CString(u"Stop"));
             EXPECT_FALSE(d.macroCreateButton->IsWindowEnabled());
             EXPECT_FALSE(d.macrosTab->IsWindowEnabled());
             EXPECT_EQ(d.macroList->disabled, 1);
             // Ctrl+C with the time between the keys; a held key repeats without a release.
             Key(VK_LCONTROL, true, 250);
             Key('C', true, 0);
             Key('C', true, 100);
             Key('C', false, 30);
             Key(VK_LCONTROL, false, 0);
             // Escape and the window's close are ignored while recording.
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
             PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
         }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_TRUE(d.IsRecording());
             // Stopping (a second later, so not a double click): the click on the record
             // button itself is not recorded.
             m_clock.Advance(1000);
             Click(d.macroRecordButton->GetSafeHwnd());
             EXPECT_FALSE(d.IsRecording());
             EXPECT_EQ(d.macroRecordButton->caption, CString(u"Record"));
             EXPECT_TRUE(d.macroCreateButton->IsWindowEnabled());
             recorded = d.SelectedMacro()->GetEvents();
             ClickLater(d.applyButton->GetSafeHwnd());
         }),
         AfterWriteClose()});
    ASSERT_EQ(Types(recorded), (std::vector<int>{0, 2, 0, 2, 0, 2, 0}));
    EXPECT_EQ(recorded[0].code, static_cast<std::int32_t>(0x1D | (VK_LCONTROL << 16)));
    EXPECT_EQ(recorded[0].flags & 0xFF, MACRO_KEY_PRESS);
    EXPECT_EQ(recorded[1].code, 250);
    EXPECT_EQ(recorded[2].code & 0xFFFF, 0x2E);
    EXPECT_EQ(recorded[3].code, 100);
    EXPECT_EQ(recorded[4].flags & 0xFF, MACRO_KEY_RELEASE);
    EXPECT_EQ(recorded[5].code, 30);
    const auto macros = DeviceMacros();
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0].first, u"cp");
    EXPECT_EQ(Played(macros[0].second), Played(recorded));
}

TEST_F(MacrosPageTest, DelayOptionsAndPredefinedCommands) {
    MacroEventList fixed;
    MacroEventList withCommand;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             Click(d.macrosTab->GetSafeHwnd());
             d.config->CreateMacro(u"m", nullptr);
             d.FillMacroList();
             d.macroList->SetCurSel(0);
             d.OnMacroChosen(0);
             EXPECT_FALSE(d.defaultDelayEdit->IsWindowEnabled());
             EXPECT_EQ(d.defaultDelayEdit->numericOnly, 1);
             // The two options exclude each other.
             Click(d.ignoreDelayButton->GetSafeHwnd());
             EXPECT_TRUE(d.macroDisplay->ignoreDelays);
             Click(d.insertDefaultDelayButton->GetSafeHwnd());
             EXPECT_TRUE(d.macroDisplay->fixedDelays);
             EXPECT_FALSE(d.macroDisplay->ignoreDelays);
             EXPECT_EQ(d.ignoreDelayButton->checked, 0);
             EXPECT_TRUE(d.defaultDelayEdit->IsWindowEnabled());
             // No fixed delay: the warning, and no recording.
             d.defaultDelayEdit->SetWindowText(u"0");
             ClickLater(d.macroRecordButton->GetSafeHwnd());
         }),
         Confirm(u"DefaultDelayWarningPopup.xml"), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_FALSE(d.IsRecording());
             d.defaultDelayEdit->SetWindowText(u"120");
             Click(d.macroRecordButton->GetSafeHwnd());
             ASSERT_TRUE(d.IsRecording());
             Key('A', true, 5000);
             Key('A', false, 0);
             m_display.Click(20, 20); // a click anywhere is recorded too
             Click(d.macroRecordButton->GetSafeHwnd());
             fixed = d.SelectedMacro()->GetEvents();
             // A command after the first row.
             d.macroDisplay->SelectRow(0);
             ClickLater(d.macroAdvancedButton->GetSafeHwnd());
         }),
         OnPopup(u"AdvancedMacroPopup.xml",
                 [this](CGUIPanel& p) {
                     const CGUIItem* list = FindGUIItemById(p.items, LIST_GLOBAL_BASIC_COMMANDS);
                     ASSERT_NE(list, nullptr);
                     p.SendMessage(WM_DROPDOWN_OPENING, 0, reinterpret_cast<LPARAM>(list->hwnd));
                     p.SendMessage(WM_DROPDOWN_SELECT, 2, reinterpret_cast<LPARAM>(list->hwnd));
                     ClickPopupItem(p, BUTTON_ADD_BASIC_MACRO_CMDS);
                 }),
         OnMain([&](CBorvantaAppDlg& d) {
             withCommand = d.SelectedMacro()->GetEvents();
             EXPECT_EQ(d.macroDisplay->events, withCommand);
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
         })});
    EXPECT_EQ(stepsDone, 5u);
    ASSERT_EQ(Types(fixed), (std::vector<int>{0, 2, 0, 2, 1, 2, 1}));
    EXPECT_EQ(fixed[1].code, 120);
    EXPECT_EQ(fixed[3].code, 120);
    MacroEventList paste;
    PredefinedMacros().GetMacroEvents(u"$paste", paste);
    ASSERT_EQ(withCommand.size(), fixed.size() + 4);
    EXPECT_EQ(withCommand[0], fixed[0]);
    EXPECT_EQ(MacroEventList(withCommand.begin() + 1, withCommand.begin() + 5), paste);
    EXPECT_EQ(withCommand[5], fixed[1]);
}

TEST_F(MacrosPageTest, DeletingAMacroResetsItsButtonsAndMarksThem) {
    ButtonAssignment after;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             Click(d.macrosTab->GetSafeHwnd());
             d.config->CreateMacro(u"gone", nullptr);
             d.FillMacroList();
             d.macroList->SetCurSel(0);
             d.OnMacroChosen(0);
             d.config->GetActiveProfile()->SetButtonAssignment(
                 4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"GONE"));
             d.ClearPendingChanges();
             ClickLater(d.macroDeleteButton->GetSafeHwnd());
         }),
         Confirm(u"ConfirmDeleteMacroPopup.xml"), OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetMacroCount(), 0);
             EXPECT_EQ(d.PendingChangeMask, PENDING_BUTTONS | PENDING_MACROS);
             d.config->GetActiveProfile()->GetButtonAssignment(after, 4);
             EXPECT_TRUE(d.macroList->currentText.IsEmpty());
             EXPECT_EQ(d.macroList->GetCount(), 0);
             EXPECT_EQ(d.macroDisplay->GetItemCount(), 0);
             EXPECT_FALSE(d.macroRecordButton->IsWindowEnabled());
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
         })});
    EXPECT_EQ(stepsDone, 3u);
    EXPECT_EQ(after, GetDefaultAssignment(4));
}

TEST_F(MacrosPageTest, ApplyStaysOffWhileRecordingAndStopAndDoubleClicksAreNoRecordedClicks) {
    MacroEventList recorded;
    bool applyWhileRecording = true;
    bool applyAfterStop = false;
    bool recordingAfterDoubleClick = true;
    Run({OnMain([&](CBorvantaAppDlg& d) {
        Click(d.macrosTab->GetSafeHwnd());
        d.config->CreateMacro(u"m", nullptr);
        d.FillMacroList();
        d.macroList->SetCurSel(0);
        d.OnMacroChosen(0);
        d.MarkPending(PENDING_PROFILES);
        Click(d.macroRecordButton->GetSafeHwnd());
        ASSERT_TRUE(d.IsRecording());
        applyWhileRecording = d.applyButton->IsWindowEnabled() != FALSE;
        Key('A', true, 300);
        Key('A', false, 700);
        // Stop with one jump of the pointer onto the button: the press and the release
        // arrive before the button has seen the pointer come.
        m_display.MoveMouse(20, 20);
        RECT stop{};
        GetWindowRect(d.macroRecordButton->GetSafeHwnd(), &stop);
        m_display.SetAutoPump(false);
        m_display.MoveMouse((stop.left + stop.right) / 2, (stop.top + stop.bottom) / 2);
        m_display.ButtonDown();
        m_display.ButtonUp();
        m_display.SetAutoPump(true);
        platform::PumpUntilIdle();
        EXPECT_FALSE(d.IsRecording());
        recorded = d.SelectedMacro()->GetEvents();
        applyAfterStop = d.applyButton->IsWindowEnabled() != FALSE;
        // A double click on Record starts and stops: two clicks, not three.
        m_clock.Advance(1000);
        m_display.DoubleClick((stop.left + stop.right) / 2, (stop.top + stop.bottom) / 2);
        recordingAfterDoubleClick = d.IsRecording();
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
    })});
    EXPECT_EQ(stepsDone, 1u);
    EXPECT_FALSE(applyWhileRecording);
    EXPECT_TRUE(applyAfterStop);
    EXPECT_FALSE(recordingAfterDoubleClick);
    EXPECT_EQ(Types(recorded), (std::vector<int>{0, 2, 0}));
}

TEST_F(MacrosPageTest, ExportImportAndHostileFiles) {
    const std::filesystem::path exported = m_dir / "copy.qmm";
    const std::filesystem::path hostile = m_dir / "hostile.qmm";
    std::ofstream(hostile) << "not a macro file\n\x01\x02\xff";
    std::u16string chosen;
    std::u16string initialDir;
    platform::SetFileChooser([&](const OPENFILENAMEW& request, std::u16string& path) {
        initialDir = request.lpstrInitialDir != nullptr ? request.lpstrInitialDir : u"";
        path = chosen;
        return TRUE;
    });
    const MacroEventList events{{MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_PRESS},
                                {MACRO_EVENT_DELAY, 40, 40},
                                {MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_RELEASE}};
    Run({OnMain([&](CBorvantaAppDlg& d) {
             Click(d.macrosTab->GetSafeHwnd());
             CMacro* macro = d.config->CreateMacro(u"keep", nullptr);
             macro->SetEvents(events);
             d.FillMacroList();
             d.macroList->SetCurSel(0);
             d.OnMacroChosen(0);
             // Not on the mouse yet: the export is refused.
             ClickLater(d.macroExportButton->GetSafeHwnd());
         }),
         Confirm(u"ExportMacroWarningPopup.xml"), OnMain([&](CBorvantaAppDlg& d) {
             d.MarkPending(PENDING_MACROS);
             ClickLater(d.applyButton->GetSafeHwnd());
         }),
         [this](HWND dialog) {
             return main != nullptr && dialog == main->GetSafeHwnd() && main->timerId != 0 &&
                    !main->device->IsWriting() && main->writingPopup == nullptr;
         },
         OnMain([&](CBorvantaAppDlg& d) {
             chosen = exported.u16string();
             Click(d.macroExportButton->GetSafeHwnd());
             EXPECT_TRUE(std::filesystem::exists(exported));
             // A hostile file: a notice, nothing changed.
             chosen = hostile.u16string();
             d.ClearPendingChanges();
             ClickLater(d.macroImportButton->GetSafeHwnd());
         }),
         OnPopup(u"ImportMacroWarningPopup.xml",
                 [this](CGUIPanel& p) { ClickPopupItem(p, BUTTON_POPUP_OK); }),
         OnMain([&](CBorvantaAppDlg& d) {
             EXPECT_EQ(d.config->GetMacroCount(), 1);
             EXPECT_EQ(d.macroList->GetCount(), 1);
             // The exported file comes back once its macro is gone from the list.
             d.config->DeleteMacro(d.config->GetMacro(0, nullptr), nullptr);
             chosen = exported.u16string();
             Click(d.macroImportButton->GetSafeHwnd());
             ASSERT_EQ(d.config->GetMacroCount(), 1);
             EXPECT_EQ(d.macroList->GetCount(), 1);
             EXPECT_EQ(CString(d.config->GetMacro(0, nullptr)->GetName()), CString(u"keep"));
             EXPECT_EQ(Played(d.config->GetMacro(0, nullptr)->GetEvents()), Played(events));
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
         })});
    EXPECT_EQ(stepsDone, 7u);
    EXPECT_EQ(popups, (std::vector<std::u16string>{u"ExportMacroWarningPopup.xml",
                                                   u"ImportMacroWarningPopup.xml"}));
    EXPECT_NE(initialDir.find(u"save"), std::u16string::npos);
}

// A macro made on the mouse by another client of the service, with `delays` delay events.
GUID MakeDeviceMacro(const WCHAR* name, int delays) {
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IMacroManager> manager;
    CComPtr<IMacro> macro;
    EXPECT_EQ(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                               reinterpret_cast<void**>(&service)),
              S_OK);
    EXPECT_EQ(service->GetDevice(0, &device), S_OK);
    EXPECT_EQ(device->GetFeature(IID_IMacroManager, reinterpret_cast<void**>(&manager)), S_OK);
    EXPECT_EQ(manager->CreateMacro(&macro), S_OK);
    std::vector<BYTE> block(MacroEventBlockSize(delays), 0);
    const MacroEventBlockHeader header{0, delays};
    std::memcpy(block.data(), &header, sizeof header);
    for (int i = 0; i < delays; ++i) {
        MacroDeviceEvent delay{DEVICE_MACRO_EVENT_DELAY, {}};
        const INT ms = 10 * (i + 1);
        std::memcpy(delay.data, &ms, sizeof ms);
        std::memcpy(block.data() + sizeof header + static_cast<size_t>(i) * sizeof delay, &delay,
                    sizeof delay);
    }
    EXPECT_EQ(macro->SetEvents(block.data()), S_OK);
    EXPECT_EQ(macro->SetName(name), S_OK);
    GUID guid{};
    macro->GetGuid(&guid);
    return guid;
}

TEST_F(MacrosPageTest, MacrosReadByIdentifierAndANoticeOfTheOneThatCouldNotBeRead) {
    // Another client made "Fire" and "FIRE"; the record of a third is damaged.
    MakeDeviceMacro(u"Fire", 1);
    MakeDeviceMacro(u"FIRE", 3);
    const GUID broken = MakeDeviceMacro(u"Broken", 1);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(std::getenv("BORVANTA_SERVICE_DB"), &db), SQLITE_OK);
    sqlite3_stmt* update = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE macros SET events = x'010203' WHERE guid = ?1", -1,
                                 &update, nullptr),
              SQLITE_OK);
    sqlite3_bind_blob(update, 1, &broken, sizeof broken, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(update), SQLITE_DONE);
    sqlite3_finalize(update);
    sqlite3_close(db);

    CString heading;
    Run({OnMain([&](CBorvantaAppDlg& d) { ClickLater(d.macrosTab->GetSafeHwnd()); }),
         OnPopup(u"UnreadMacrosPopup.xml",
                 [&](CGUIPanel& p) {
                     auto* text =
                         dynamic_cast<CTextItem*>(FindGUIItemById(p.items, TEXT_WARNDLG_HEADING));
                     ASSERT_NE(text, nullptr);
                     heading = text->GetText();
                     ClickPopupItem(p, BUTTON_POPUP_OK);
                 }),
         OnMain([&](CBorvantaAppDlg& d) {
             // Both are listed, and choosing "FIRE" shows its own three events.
             ASSERT_EQ(d.macroList->GetCount(), 2);
             EXPECT_EQ(d.macroList->GetText(0), CString(u"Fire"));
             EXPECT_EQ(d.macroList->GetText(1), CString(u"FIRE"));
             d.macroList->SetCurSel(1);
             d.OnMacroChosen(1);
             EXPECT_EQ(d.macroDisplay->GetItemCount(), 3);
             // The notice comes once: the page shows again without it.
             Click(d.assignTab->GetSafeHwnd());
             Click(d.macrosTab->GetSafeHwnd());
             EXPECT_EQ(d.GetCurrentPage(), &d.macrosPage);
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
         })});
    EXPECT_EQ(stepsDone, 3u);
    EXPECT_EQ(popups, std::vector<std::u16string>{u"UnreadMacrosPopup.xml"});
    EXPECT_NE(heading.Find(u": Broken"), -1) << heading.ToUtf8();
}

} // namespace

namespace {

TEST_F(MacrosPageTest, AKeyRowIsEditedThroughTheSingleKeyPopup) {
    const MacroEvent leftCtrl{MACRO_EVENT_KEY, 0x1D | (VK_LCONTROL << 16), MACRO_KEY_PRESS};
    MacroEventList afterCancel;
    MacroEventList afterEdit;
    Run({OnMain([&](CBorvantaAppDlg& d) {
             Click(d.macrosTab->GetSafeHwnd());
             d.config->CreateMacro(u"k", nullptr)->SetEvents({leftCtrl});
             d.FillMacroList();
             d.macroList->SetCurSel(0);
             d.OnMacroChosen(0);
             d.macroDisplay->SelectRow(0);
             d.ClearPendingChanges();
             d.PostMessage(WM_MACRODISPLAY_EDITEVENT, 0, MACRO_DISPLAY);
         }),
         OnPopup(u"SingleKeyPopup.xml",
                 [this](CGUIPanel& p) {
                     m_display.SetAutoPump(false);
                     m_display.PressKey(VK_RCONTROL);
                     m_display.SetAutoPump(true);
                     ClickPopupItem(p, BUTTON_POPUP_CANCEL);
                 }),
         OnMain([&](CBorvantaAppDlg& d) {
             afterCancel = d.SelectedMacro()->GetEvents();
             EXPECT_EQ(d.PendingChangeMask, PENDING_MACROS);
             d.PostMessage(WM_MACRODISPLAY_EDITEVENT, 0, MACRO_DISPLAY);
         }),
         // Right Ctrl shares left Ctrl's scan code: the edit is taken all the same.
         OnPopup(u"SingleKeyPopup.xml",
                 [this](CGUIPanel& p) {
                     m_display.SetAutoPump(false);
                     m_display.PressKey(VK_RCONTROL);
                     m_display.SetAutoPump(true);
                     ClickPopupItem(p, BUTTON_POPUP_OK);
                 }),
         OnMain([&](CBorvantaAppDlg& d) {
             afterEdit = d.SelectedMacro()->GetEvents();
             PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
         })});
    EXPECT_EQ(stepsDone, 5u);
    EXPECT_EQ(afterCancel, MacroEventList{leftCtrl});
    ASSERT_EQ(afterEdit.size(), 1u);
    EXPECT_EQ(afterEdit[0].code & 0xFFFF, 0x1D);
    EXPECT_EQ(static_cast<std::uint32_t>(afterEdit[0].code) >> 16,
              static_cast<std::uint32_t>(VK_RCONTROL));
    EXPECT_EQ(afterEdit[0].flags, MACRO_KEY_PRESS | MACRO_KEY_EXTENDED);
}

} // namespace
