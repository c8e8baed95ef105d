#include "gui/MacroDisplayItem.h"
#include "WidgetTestSupport.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/RawInputDevices.h"
#include "gui/WidgetMessages.h"
#include "gui/XListCtrl.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kItemId = 321;
constexpr UINT kMenuTemplate = 9341;

MacroEvent Key(WORD scan, WORD vk, bool release) {
    return MacroEvent{MACRO_EVENT_KEY, static_cast<std::int32_t>(scan | (vk << 16)),
                      release ? MACRO_KEY_RELEASE : MACRO_KEY_PRESS};
}
MacroEvent Mouse(int button, bool release) {
    return MacroEvent{MACRO_EVENT_MOUSE_BUTTON, button, release ? 1u : 0xFFu};
}
MacroEvent Delay(int ms) {
    return MacroEvent{MACRO_EVENT_DELAY, ms, static_cast<std::uint32_t>(ms)};
}

class MacroDisplayItemTest : public ::testing::Test {
protected:
    void SetUp() override { Make(10); }
    void TearDown() override {
        if (m_list && m_list->recording) {
            m_list->ToggleRecording();
        }
        m_list.reset();
    }
    void Make(int maximum) {
        if (m_owner.GetSafeHwnd() == nullptr) {
            ASSERT_TRUE(m_owner.CreateAt(300, 200));
        }
        m_list = std::make_unique<CMacroDisplayItem>(maximum, false);
        m_list->id = kItemId;
        ASSERT_TRUE(m_list->SetScrollBar(nullptr, RECT{0, 0, 200, 180}, &m_owner, 7));
        ASSERT_TRUE(m_list->AddColumn(LCITEM_MCREVENT_ICON, 0, 0, 28));
        ASSERT_TRUE(m_list->AddColumn(LCITEM_MCREVENT_DESCRIP, 1, 0, 150));
    }
    void PressKey(WORD scan, WORD vk, bool release) {
        RAWKEYBOARD report;
        report.MakeCode = scan;
        report.VKey = vk;
        report.Flags = release ? RI_KEY_BREAK : RI_KEY_MAKE;
        platform::DeliverRawKeyboard(report);
        platform::PumpUntilIdle();
    }
    void MouseFlags(USHORT flags) {
        RAWMOUSE report;
        report.usButtonFlags = flags;
        platform::DeliverRawMouse(report);
        platform::PumpUntilIdle();
    }
    std::vector<int> Types() const {
        std::vector<int> types;
        for (const MacroEvent& e : m_list->events) {
            types.push_back(e.type);
        }
        return types;
    }
    CString RowText(int row) const { return m_list->GetItemText(row, 1); }
    CString RowTextOf(int row) const { return RowText(row); }

    platform::ScopedVirtualClock m_clock;
    widgettest::RecordingOwner m_owner;
    std::unique_ptr<CMacroDisplayItem> m_list;
};

TEST_F(MacroDisplayItemTest, RowsShowTheEventsAndFollowTheVector) {
    EXPECT_FALSE(m_list->AddColumn(9, 1, 0, 10)); // two columns at most
    EXPECT_FALSE(m_list->SetEvents(nullptr));
    const std::vector<MacroEvent> macro{Key(0x1E, 'A', false), Delay(50), Mouse(1, false),
                                        Mouse(2, true), Key(0x1E, 'A', true)};
    EXPECT_TRUE(m_list->SetEvents(&macro));
    ASSERT_EQ(m_list->GetItemCount(), 5);
    EXPECT_EQ(RowText(1), CString(u"0.050 sec delay"));
    EXPECT_EQ(RowText(2), CString(u"$LeftButtonDown")); // no language table: as composed
    EXPECT_EQ(RowText(3), CString(u"$RightButtonUp"));
    EXPECT_FALSE(RowText(0).IsEmpty());
    EXPECT_EQ(m_list->GetItemData(0), static_cast<DWORD_PTR>(MACROROW_KEYDOWN));
    EXPECT_EQ(m_list->GetItemData(1), static_cast<DWORD_PTR>(MACROROW_DELAY));
    EXPECT_EQ(m_list->GetItemData(3), static_cast<DWORD_PTR>(MACROROW_MOUSE));
    EXPECT_EQ(m_list->GetItemData(4), static_cast<DWORD_PTR>(MACROROW_KEYUP));
    EXPECT_EQ(CMacroDisplayItem::ImageKey(MACROROW_DELAY, true), 3);
    EXPECT_EQ(CMacroDisplayItem::ImageKey(MACROROW_MOUSE, false), 4);
    EXPECT_FALSE(m_list->AddEventRow(MacroEvent{7, 0, 0}, false, -1));
    EXPECT_FALSE(m_list->AddKeyEventRow(Delay(5), false, -1));

    // Replacing: the row and the event change in place and the parent hears of it.
    EXPECT_FALSE(m_list->ReplaceEvent(-1, Delay(1)));
    EXPECT_FALSE(m_list->ReplaceEvent(5, Delay(1)));
    EXPECT_TRUE(m_list->ReplaceEvent(1, Delay(1250)));
    EXPECT_EQ(RowText(1), CString(u"1.250 sec delay"));
    EXPECT_EQ(m_list->events[1].code, 1250);
    ASSERT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED).size(), 1u);
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED)[0].second, kItemId);
    EXPECT_EQ(m_list->events.size(), 5u);

    // Setting the list from its own vector keeps the events.
    EXPECT_TRUE(m_list->SetEvents(&m_list->events));
    EXPECT_EQ(m_list->GetItemCount(), 5);

    ASSERT_TRUE(m_list->ToggleRecording());
    EXPECT_FALSE(m_list->SetEvents(&macro)); // refused while recording; rows kept
    EXPECT_EQ(m_list->GetItemCount(), 5);
    EXPECT_FALSE(m_list->ToggleRecording());
}

TEST_F(MacroDisplayItemTest, RecordingMeasuresDelaysAndSkipsKeyRepeats) {
    ASSERT_TRUE(m_list->ToggleRecording());
    PressKey(0x1E, 'A', false);
    PressKey(0x1E, 'A', false); // auto-repeat: dropped
    m_clock.Advance(2000);
    PressKey(0x1E, 'A', true);
    EXPECT_EQ(Types(), (std::vector<int>{MACRO_EVENT_KEY, MACRO_EVENT_DELAY, MACRO_EVENT_KEY}));
    ASSERT_EQ(m_list->events.size(), 3u);
    EXPECT_EQ(m_list->events[0].code & 0xFFFF, 0x1E);
    EXPECT_EQ(m_list->events[0].flags & 0xFF, MACRO_KEY_PRESS);
    EXPECT_EQ(m_list->events[1].code, 2000);
    EXPECT_EQ(RowText(1), CString(u"2.000 sec delay"));
    EXPECT_EQ(m_list->events[2].flags & 0xFF, MACRO_KEY_RELEASE);

    // A very long pause is capped.
    m_clock.Advance(20'000'000);
    MouseFlags(RI_MOUSE_LEFT_BUTTON_DOWN);
    ASSERT_EQ(m_list->events.size(), 5u);
    EXPECT_EQ(m_list->events[3].code, 0xFFFFFF);
    EXPECT_EQ(m_list->events[4].type, MACRO_EVENT_MOUSE_BUTTON);
    EXPECT_EQ(m_list->events[4].code, 1);
    EXPECT_EQ(m_list->events[4].flags, 0xFFu);

    // The wheel and two transitions in one report are not buttons.
    MouseFlags(RI_MOUSE_WHEEL);
    MouseFlags(RI_MOUSE_LEFT_BUTTON_UP | RI_MOUSE_RIGHT_BUTTON_UP);
    EXPECT_EQ(m_list->events.size(), 5u);

    // Fixed delays: every later event gets the fixed delay; ignored delays: none.
    m_list->fixedDelays = true;
    m_list->fixedDelay = 50;
    m_clock.Advance(700);
    MouseFlags(RI_MOUSE_LEFT_BUTTON_UP);
    ASSERT_EQ(m_list->events.size(), 7u);
    EXPECT_EQ(m_list->events[5].code, 50);
    m_list->ignoreDelays = true;
    MouseFlags(RI_MOUSE_RIGHT_BUTTON_DOWN);
    EXPECT_EQ(m_list->events.size(), 8u);
    EXPECT_EQ(m_list->events[7].type, MACRO_EVENT_MOUSE_BUTTON);

    // Stopping drops the press at the end whose release was not recorded (a click on the
    // stop button can be recorded before the pointer is seen over it).
    EXPECT_FALSE(m_list->ToggleRecording());
    ASSERT_EQ(m_list->events.size(), 7u);
    EXPECT_EQ(m_list->GetItemCount(), 7);
    EXPECT_EQ(m_list->events[6].flags & 0xFF, MACRO_BUTTON_RELEASE);
    MouseFlags(RI_MOUSE_RIGHT_BUTTON_UP); // not registered any more
    EXPECT_EQ(m_list->events.size(), 7u);

    // Keys still held at the stop go as well, with the delays before them; events that were
    // there before the recording began stay.
    const std::vector<MacroEvent> before{Key(0x1E, 'A', false)};
    ASSERT_TRUE(m_list->SetEvents(&before));
    m_list->ignoreDelays = false; // fixed delays of 50
    ASSERT_TRUE(m_list->ToggleRecording());
    PressKey(0x1D, VK_CONTROL, false);
    PressKey(0x2E, 'C', false);
    PressKey(0x2E, 'C', true);
    m_clock.Advance(300);
    PressKey(0x2A, VK_SHIFT, false);
    EXPECT_EQ(m_list->events.size(), 9u);
    EXPECT_FALSE(m_list->ToggleRecording());
    EXPECT_EQ(Types(), (std::vector<int>{MACRO_EVENT_KEY, MACRO_EVENT_DELAY, MACRO_EVENT_KEY,
                                         MACRO_EVENT_DELAY, MACRO_EVENT_KEY, MACRO_EVENT_DELAY,
                                         MACRO_EVENT_KEY}));
    EXPECT_EQ(m_list->events[6].code & 0xFFFF, 0x2E);
    EXPECT_EQ(m_list->events[6].flags & 0xFF, MACRO_KEY_RELEASE);
    EXPECT_EQ(m_list->GetItemCount(), 7);
}

TEST_F(MacroDisplayItemTest, ClicksOnTheExcludedWindowAreNotRecorded) {
    CWnd button;
    ASSERT_TRUE(
        button.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{250, 0, 290, 20}, &m_owner, 9));
    m_list->excludedWindow = &button;
    ASSERT_TRUE(m_list->ToggleRecording());
    button.SetCapture();
    MouseFlags(RI_MOUSE_LEFT_BUTTON_DOWN);
    EXPECT_TRUE(m_list->events.empty());
    EXPECT_EQ(m_list->lastMouseButton, 1); // still remembered
    ReleaseCapture();
    MouseFlags(RI_MOUSE_LEFT_BUTTON_UP);
    EXPECT_EQ(m_list->events.size(), 1u);
    m_list->ToggleRecording();
    m_list->excludedWindow = nullptr;
}

TEST_F(MacroDisplayItemTest, RecordingStopsBeingAcceptedAtTheMaximum) {
    ASSERT_TRUE(m_list->ToggleRecording());
    for (int i = 0; i < 8; ++i) {
        m_clock.Advance(10);
        PressKey(static_cast<WORD>(0x1E), 'A', i % 2 == 1);
    }
    // Keys at positions 1, 3, ... 11 with delays between; the sixth key crosses the maximum.
    ASSERT_EQ(m_list->events.size(), 11u);
    for (size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(m_list->events[i].type, i % 2 == 0 ? MACRO_EVENT_KEY : MACRO_EVENT_DELAY) << i;
    }
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_FULL).size(), 1u);
    EXPECT_TRUE(m_list->IsFull());
}

// Answers the next modal list with the given entry.
class MenuAnswer {
public:
    explicit MenuAnswer(int entry) {
        platform::SetModalIdleHook([entry](HWND dialog) { EndDialog(dialog, entry); });
    }
    ~MenuAnswer() { platform::SetModalIdleHook(nullptr); }
    MenuAnswer(const MenuAnswer&) = delete;
    MenuAnswer& operator=(const MenuAnswer&) = delete;
};

TEST_F(MacroDisplayItemTest, RowMenuInsertsDeletesAndEditsRows) {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE;
    RegisterDialogTemplate(kMenuTemplate, dialog);
    CListPanel::DefaultTemplateId() = kMenuTemplate;
    CListPanelItem keyMenu(100, 60);
    keyMenu.parent = &m_owner;
    keyMenu.SetEntries({{u"$InsertDelay", nullptr}, {u"$Delete", nullptr}, {u"$Edit", nullptr}});
    m_list->keyRowMenu = &keyMenu;
    const std::vector<MacroEvent> macro{Key(0x1E, 'A', false), Mouse(1, false),
                                        Key(0x1E, 'A', true)};
    m_list->SetEvents(&macro);
    m_list->fixedDelay = 75;
    const auto rowY = [](int row) { return static_cast<WORD>(row * 18 + 9); };

    {
        MenuAnswer answer(0); // insert a delay after the first row
        m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(0)));
        platform::PumpUntilIdle();
    }
    ASSERT_EQ(m_list->events.size(), 4u);
    EXPECT_EQ(m_list->events[1].type, MACRO_EVENT_DELAY);
    EXPECT_EQ(m_list->events[1].code, 75);
    EXPECT_EQ(GetFirstSelectedItem(m_list.get()), 1);
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED).size(), 1u);

    {
        MenuAnswer answer(2); // edit a key row: the owner is asked
        m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(3)));
        platform::PumpUntilIdle();
    }
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_EDITEVENT).size(), 1u);

    {
        MenuAnswer answer(1); // delete the last row: none stays selected
        m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(3)));
        platform::PumpUntilIdle();
    }
    ASSERT_EQ(m_list->events.size(), 3u);
    EXPECT_EQ(m_list->GetItemCount(), 3);
    EXPECT_EQ(GetFirstSelectedItem(m_list.get()), -1);
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED).size(), 2u);

    {
        MenuAnswer answer(1); // delete the first row: the next one is selected
        m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(0)));
        platform::PumpUntilIdle();
    }
    ASSERT_EQ(m_list->events.size(), 2u);
    EXPECT_EQ(m_list->events[0].type, MACRO_EVENT_DELAY);
    EXPECT_EQ(GetFirstSelectedItem(m_list.get()), 0);

    // The mouse row has no menu of its own here: nothing happens.
    m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(1)));
    EXPECT_EQ(m_list->events.size(), 2u);
    // While recording the menu is refused.
    m_list->ToggleRecording();
    m_list->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, rowY(0)));
    EXPECT_EQ(m_list->events.size(), 2u);
    m_list->ToggleRecording();
    m_list->keyRowMenu = nullptr;
}

TEST_F(MacroDisplayItemTest, CellsShowTheRowPictureAndTheSelectedRowHighlighted) {
    const COLORREF pictures[6] = {RGB(10, 0, 0), RGB(20, 0, 0), RGB(30, 0, 0),
                                  RGB(40, 0, 0), RGB(50, 0, 0), RGB(60, 0, 0)};
    HBITMAP sources[6];
    for (int i = 0; i < 6; ++i) {
        sources[i] = widgettest::MakeSolidBitmap(28, 18, pictures[i]);
    }
    m_list->SetBitmaps(sources[0], sources[1], sources[2], sources[3], sources[4], nullptr);
    for (HBITMAP b : sources) {
        DeleteObject(b); // the list keeps its own copies
    }
    m_list->backgroundColor = RGB(0, 0, 80);
    m_list->selectedBackgroundColor = RGB(0, 150, 0);
    const std::vector<MacroEvent> macro{Key(0x1E, 'A', true), Delay(50), Mouse(1, false)};
    m_list->SetEvents(&macro);
    m_list->SelectRow(1);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = widgettest::MakeSolidBitmap(200, 60, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, ToGdiObj(canvas));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            RECT cell{};
            ASSERT_TRUE(m_list->GetSubItemRect(row, column, LVIR_BOUNDS, cell));
            m_list->DrawCell(dc, row, column, cell);
        }
    }
    EXPECT_EQ(GetPixel(dc, 5, 5), pictures[1]);           // key release
    EXPECT_EQ(GetPixel(dc, 5, 18 + 5), pictures[3]);      // the selected delay
    EXPECT_EQ(GetPixel(dc, 5, 36 + 5), pictures[4]);      // mouse, not selected
    EXPECT_EQ(GetPixel(dc, 170, 18 + 1), RGB(0, 150, 0)); // selected text cell
    EXPECT_EQ(GetPixel(dc, 170, 1), RGB(0, 0, 80));
    // While recording the selected row is not highlighted.
    m_list->ToggleRecording();
    RECT cell{};
    m_list->GetSubItemRect(1, 1, LVIR_BOUNDS, cell);
    m_list->DrawCell(dc, 1, 1, cell);
    EXPECT_EQ(GetPixel(dc, 170, 18 + 1), RGB(0, 0, 80));
    m_list->ToggleRecording();
    // The selected mouse row has no picture of its own here: only the background.
    m_list->SelectRow(-1);
    m_list->SelectRow(2);
    m_list->GetSubItemRect(2, 0, LVIR_BOUNDS, cell);
    m_list->DrawCell(dc, 2, 0, cell);
    EXPECT_EQ(GetPixel(dc, 5, 36 + 5), RGB(0, 0, 80));
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(MacroDisplayItemTest, DelayRowsAreEditedInPlaceInMilliseconds) {
    const std::vector<MacroEvent> macro{Key(0x1E, 'A', false), Delay(1001), Mouse(1, false)};
    m_list->SetEvents(&macro);
    m_list->SelectRow(1);
    m_list->ShowContextMenu(u"$edit"); // commands ignore case
    EXPECT_TRUE(m_list->labelEditing);
    auto* edit = reinterpret_cast<HWND>(m_list->SendMessage(LVM_GETEDITCONTROL));
    ASSERT_NE(edit, nullptr);
    WCHAR text[16]{};
    GetWindowTextW(edit, text, 16);
    EXPECT_EQ(std::u16string(text), u"1001"); // not 1000
    EXPECT_EQ(RowTextOf(1), CString());       // emptied while edited
    SetWindowTextW(edit, u"");
    for (char16_t c : std::u16string(u"12x345678")) {
        SendMessageW(edit, WM_CHAR, c, 0);
    }
    GetWindowTextW(edit, text, 16);
    EXPECT_EQ(std::u16string(text), u"1234567"); // digits only, seven at most
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(m_list->labelEditing);
    EXPECT_EQ(m_list->events[1].code, 1234567);
    EXPECT_EQ(m_list->events[1].flags, 1001u); // the old flags stay
    EXPECT_EQ(RowTextOf(1), CString(u"1234.567 sec delay"));
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED).size(), 1u);

    // An empty text keeps the delay.
    m_list->EditSelectedRow();
    edit = reinterpret_cast<HWND>(m_list->SendMessage(LVM_GETEDITCONTROL));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, u"");
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(m_list->events[1].code, 1234567);
    EXPECT_EQ(RowTextOf(1), CString(u"1234.567 sec delay"));
    // Escape cancels: a typed delay is dropped and nothing is told.
    m_list->EditSelectedRow();
    edit = reinterpret_cast<HWND>(m_list->SendMessage(LVM_GETEDITCONTROL));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, u"777");
    const size_t told = m_owner.Of(WM_MACRODISPLAY_CHANGED).size();
    SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(m_list->labelEditing);
    EXPECT_EQ(m_list->events[1].code, 1234567);
    EXPECT_EQ(RowTextOf(1), CString(u"1234.567 sec delay"));
    EXPECT_EQ(m_owner.Of(WM_MACRODISPLAY_CHANGED).size(), told);

    // Mouse rows are not editable.
    m_list->SelectRow(-1);
    m_list->SelectRow(2);
    m_list->ShowContextMenu(u"$Edit");
    EXPECT_FALSE(m_list->labelEditing);
    EXPECT_EQ(m_list->SendMessage(LVM_GETEDITCONTROL), 0);
}

TEST_F(MacroDisplayItemTest, RowsScrollByWholeRowsAndTheWheelScrollsPerNotch) {
    std::vector<MacroEvent> macro;
    for (int i = 0; i < 30; ++i) {
        macro.push_back(Delay(10 + i));
    }
    m_list->SetEvents(&macro);
    m_list->EnsureVisible(0);
    EXPECT_EQ(m_list->GetTopIndex(), 0);
    m_list->SendMessage(WM_LIST_SCROLLROWS, 1); // one row, although rows are taller than the step
    EXPECT_EQ(m_list->GetTopIndex(), 1);
    m_list->SendMessage(WM_LIST_SCROLLROWS, 3);
    EXPECT_EQ(m_list->GetTopIndex(), 4);
    m_list->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list->GetTopIndex(), 6);
    m_list->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 359), 0); // two whole notches
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list->GetTopIndex(), 4);
}

TEST(RawInputDevicesTest, RegistersEachUsageOnceWithItsFlags) {
    CRawInputDevices devices;
    EXPECT_FALSE(devices.Register(reinterpret_cast<HWND>(1))); // no usage
    devices.AddUsage(6);
    devices.AddUsage(2);
    devices.AddUsage(6);
    EXPECT_EQ(devices.Usages(), (std::vector<WORD>{6, 2}));
    EXPECT_FALSE(devices.Register(nullptr));
    HWND target = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(devices.Register(target));
    EXPECT_FALSE(devices.Register(target)); // already registered
    RAWINPUTDEVICE registered[4];
    UINT count = 4;
    ASSERT_EQ(GetRegisteredRawInputDevices(registered, &count, sizeof(RAWINPUTDEVICE)), 2u);
    for (UINT i = 0; i < 2; ++i) {
        EXPECT_EQ(registered[i].dwFlags,
                  registered[i].usUsage == 2 ? RIDEV_INPUTSINK : RIDEV_INPUTSINK | RIDEV_NOLEGACY);
    }
    devices.Unregister();
    EXPECT_FALSE(devices.IsRegistered());
    EXPECT_TRUE(devices.Usages().empty());
    count = 4;
    EXPECT_EQ(GetRegisteredRawInputDevices(registered, &count, sizeof(RAWINPUTDEVICE)), 0u);
    DestroyWindow(target);
    EXPECT_EQ(LookupRawMouseButton(RI_MOUSE_BUTTON_5_UP).button, 5);
    EXPECT_EQ(LookupRawMouseButton(RI_MOUSE_BUTTON_5_UP).direction, 1);
    EXPECT_EQ(LookupRawMouseButton(RI_MOUSE_WHEEL).button, 0);
}

} // namespace

TEST_F(MacroDisplayItemTest, RecordingKeepsKeysAfterButtonsAndIgnoresOtherProgramsInput) {
    ASSERT_TRUE(m_list->ToggleRecording());
    // Escape (scan code 1) pressed while the left button (number 1) is held is no repeat.
    MouseFlags(RI_MOUSE_LEFT_BUTTON_DOWN);
    PressKey(0x01, VK_ESCAPE, false);
    EXPECT_EQ(Types(),
              (std::vector<int>{MACRO_EVENT_MOUSE_BUTTON, MACRO_EVENT_DELAY, MACRO_EVENT_KEY}));
    // What is typed into another program reaches the list as background input: not recorded.
    RAWKEYBOARD report;
    report.MakeCode = 0x1E;
    report.VKey = 'A';
    EXPECT_EQ(platform::DeliverRawKeyboard(report, false), 1);
    platform::PumpUntilIdle();
    EXPECT_EQ(m_list->events.size(), 3u);
    EXPECT_FALSE(m_list->ToggleRecording());
}

TEST_F(MacroDisplayItemTest, AKeyFieldThatWentLeavesTheRegistrationListFree) {
    {
        CEditItemSingleKeyInput field;
        CRawInputDevices& devices = TheRawInputDevices();
        devices.AddUsage(6);
        ASSERT_TRUE(devices.Register(m_owner.GetSafeHwnd()));
    } // the field drops every registration of the program
    EXPECT_FALSE(TheRawInputDevices().IsRegistered());
    ASSERT_TRUE(m_list->ToggleRecording());
    EXPECT_TRUE(TheRawInputDevices().IsRegistered());
    PressKey(0x1E, 'A', false);
    EXPECT_EQ(m_list->events.size(), 1u);
    EXPECT_FALSE(m_list->ToggleRecording());
}
