#include "UiTestSupport.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(ScrollInfoTest, KeepsRangePageAndPositionPerBar) {
    HWND w = uitest::CreateTestWindow(WS_POPUP, 0, 0, 50, 50);
    SCROLLINFO set;
    set.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    set.nMin = 0;
    set.nMax = 19;
    set.nPage = 5;
    set.nPos = 40; // beyond the last page: clamped to 19 - 4
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &set, TRUE), 15);
    SCROLLINFO got;
    got.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(w, SB_VERT, &got));
    EXPECT_EQ(got.nMax, 19);
    EXPECT_EQ(got.nPage, 5u);
    EXPECT_EQ(got.nPos, 15);
    EXPECT_EQ(GetScrollPos(w, SB_HORZ), 0); // the other bar is untouched
    set.fMask = SIF_POS;
    set.nPos = -3;
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &set, TRUE), 0);
    got.fMask = 0;
    EXPECT_FALSE(GetScrollInfo(w, SB_VERT, &got));
    DestroyWindow(w);
    got.fMask = SIF_ALL;
    EXPECT_FALSE(GetScrollInfo(w, SB_VERT, &got));
}

TEST(EditControlTest, ReplaceSelAndDeleteRespectSelectionAndLimit) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP, 0, 0, 100, 40);
    HWND edit = CreateWindowExW(0, u"Edit", u"abcdef", WS_CHILD, 0, 0, 80, 20, parent, nullptr,
                                nullptr, nullptr);
    SendMessageW(edit, EM_SETSEL, 1, 3);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"XYZ"));
    WCHAR text[32]{};
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::u16string(text), u"aXYZdef");
    const auto sel = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(sel), 4);
    EXPECT_EQ(HIWORD(sel), 4);
    SendMessageW(edit, EM_SETLIMITTEXT, 3, 0);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"Shift"));
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::u16string(text), u"Shi");
    // Delete: the selection, else the character after the caret, nothing at the end.
    SendMessageW(edit, EM_SETSEL, 1, 1);
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::u16string(text), u"Si");
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::u16string(text), u"");
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(GetWindowTextLengthW(edit), 0);
    DestroyWindow(parent);
}

TEST(EditControlTest, LineLengthAndGetLineCopyAtMostTheRoomGiven) {
    HWND parent = uitest::CreateTestWindow(WS_POPUP, 0, 0, 100, 40);
    HWND edit = CreateWindowExW(0, u"Edit", u"Profile", WS_CHILD, 0, 0, 80, 20, parent, nullptr,
                                nullptr, nullptr);
    EXPECT_EQ(SendMessageW(edit, EM_LINELENGTH, 0, 0), 7);
    WCHAR buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    buffer[0] = 4; // room for four characters
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_EQ(std::u16string(buffer, 5), u"Prof#"); // no terminator added
    buffer[0] = 15;
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer)), 7);
    EXPECT_EQ(std::u16string(buffer, 7), u"Profile");
    // A single-line field has no second line; a null buffer gets nothing.
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 0, 0), 0);
    SetWindowTextW(edit, u"");
    EXPECT_EQ(SendMessageW(edit, EM_LINELENGTH, 0, 0), 0);
    buffer[0] = 15;
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    DestroyWindow(parent);
}

TEST(RawInputTest, RegistrationAndReports) {
    HWND w = uitest::CreateTestWindow(WS_POPUP, 0, 0, 50, 50);
    RAWINPUTDEVICE keyboard{1, 6, 0, w};
    ASSERT_TRUE(RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard)));
    UINT count = 0;
    EXPECT_EQ(GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE)), 0u);
    EXPECT_EQ(count, 1u);

    RAWKEYBOARD report;
    report.MakeCode = 0x1E;
    report.VKey = 'A';
    EXPECT_EQ(platform::DeliverRawKeyboard(report), 1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, w, WM_INPUT, WM_INPUT, PM_REMOVE));
    const auto handle = reinterpret_cast<HRAWINPUT>(msg.lParam);
    UINT size = 0;
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)), 0u);
    ASSERT_EQ(size, sizeof(RAWINPUT));
    UINT shortSize = 4;
    RAWINPUT read;
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, &read, &shortSize, sizeof(RAWINPUTHEADER)),
              static_cast<UINT>(-1));
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, &read, &size, sizeof(RAWINPUTHEADER)), size);
    EXPECT_EQ(read.header.dwType, RIM_TYPEKEYBOARD);
    EXPECT_EQ(read.data.keyboard.MakeCode, 0x1E);
    EXPECT_EQ(GetRawInputData(nullptr, RID_INPUT, &read, &size, sizeof(RAWINPUTHEADER)),
              static_cast<UINT>(-1));

    keyboard.dwFlags = RIDEV_REMOVE;
    ASSERT_TRUE(RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard)));
    EXPECT_EQ(platform::DeliverRawKeyboard(report), 0);
    DestroyWindow(w);
}

} // namespace
