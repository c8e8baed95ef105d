#include "model/KeyInfo.h"
#include "model/NameTables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kKeyDown = 0x0100;
constexpr UINT kKeyUp = 0x0101;
constexpr UINT kSysKeyDown = 0x0104;
constexpr UINT kChar = 0x0102;

LPARAM KeyLParam(WORD scan, bool extended = false, bool alt = false, bool repeat = false,
                 bool up = false) {
    DWORD v = 1 | (static_cast<DWORD>(scan) << 16);
    v |= extended ? 0x01000000u : 0u;
    v |= alt ? 0x20000000u : 0u;
    v |= repeat ? 0x40000000u : 0u;
    v |= up ? 0x80000000u : 0u;
    return static_cast<LPARAM>(static_cast<LONG>(v));
}

// A message record of the queue's shape.
struct TestMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class KeyInfoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitNameTables(); }
    void TearDown() override { SetKeyboardLayoutProvider(nullptr); }
};

std::u16string DisplayName(WORD vk, WORD scan, bool extended) {
    CString name(u"stale");
    EXPECT_TRUE(GetKeyDisplayName(vk, name, scan, extended));
    return name.str();
}

} // namespace

TEST_F(KeyInfoTest, RightCtrlIsSideSpecificAndPassedOn) {
    KeyInfo k;
    EXPECT_FALSE(KeyInfoFromMessage(k, kKeyDown, 0x11, KeyLParam(0x1D, true)));
    EXPECT_EQ(k.virtualKey, 0xA3);
    EXPECT_EQ(k.virtualKeyReceived, 0xA3);
    EXPECT_EQ(k.scanCode, 0x1D);
    EXPECT_EQ(k.scanCodeReceived, 0x1D);
    EXPECT_EQ(k.direction, KEYINFO_PRESS);
    EXPECT_EQ(k.flags, KEYINFO_EXTENDED);
    EXPECT_EQ(k.name, CString(u"Right Ctrl"));

    EXPECT_FALSE(KeyInfoFromMessage(k, kKeyUp, 0x11, KeyLParam(0x1D, false, false, true, true)));
    EXPECT_EQ(k.virtualKey, 0xA2);
    EXPECT_EQ(k.direction, KEYINFO_RELEASE);
    EXPECT_EQ(k.flags, 0);
    EXPECT_EQ(k.name, CString(u"Ctrl"));
}

TEST_F(KeyInfoTest, ShiftSideFollowsTheScanCode) {
    KeyInfo k;
    KeyInfoFromMessage(k, kKeyDown, 0x10, KeyLParam(0x2A));
    EXPECT_EQ(k.virtualKey, 0xA0);
    KeyInfoFromMessage(k, kKeyDown, 0x10, KeyLParam(0x36));
    EXPECT_EQ(k.virtualKey, 0xA1);
    EXPECT_EQ(k.name, CString(u"Right Shift"));
    KeyInfoFromMessage(k, kKeyDown, 0x10, KeyLParam(0x00));
    EXPECT_EQ(k.virtualKey, 0x10);
}

TEST_F(KeyInfoTest, AltAndEnterSides) {
    KeyInfo k;
    KeyInfoFromMessage(k, kSysKeyDown, 0x12, KeyLParam(0x38, true, true));
    EXPECT_EQ(k.virtualKey, 0xA5);
    EXPECT_EQ(k.flags, KEYINFO_EXTENDED | KEYINFO_ALT);
    KeyInfoFromMessage(k, kKeyDown, 0x0D, KeyLParam(0x1C, true));
    EXPECT_EQ(k.virtualKey, 0x6C);
    EXPECT_EQ(k.name, CString(u"Num Enter"));
    KeyInfoFromMessage(k, kKeyDown, 0x0D, KeyLParam(0x1C));
    EXPECT_EQ(k.virtualKey, 0x0D);
    EXPECT_EQ(k.name, CString(u"Enter"));
}

TEST_F(KeyInfoTest, AutoRepeatAndOtherMessagesLeaveTheKeyUntouched) {
    KeyInfo k;
    k.name = u"kept";
    k.virtualKey = 0x41;
    EXPECT_TRUE(KeyInfoFromMessage(k, kKeyDown, 0x42, KeyLParam(0x30, false, false, true)));
    EXPECT_TRUE(KeyInfoFromMessage(k, kChar, u'b', KeyLParam(0x30)));
    EXPECT_EQ(k.virtualKey, 0x41);
    EXPECT_EQ(k.virtualKeyReceived, 0);
    EXPECT_EQ(k.name, CString(u"kept"));

    const TestMessage* none = nullptr;
    EXPECT_FALSE(KeyInfoFromMessage(k, none));
    EXPECT_EQ(k.name, CString(u"kept"));
}

TEST_F(KeyInfoTest, EditingKeysAreSwallowedOnKeyDownOnly) {
    KeyInfo k;
    TestMessage tab{kKeyDown, 0x09, KeyLParam(0x0F)};
    EXPECT_TRUE(KeyInfoFromMessage(k, &tab));
    EXPECT_EQ(k.virtualKey, 0x09);
    EXPECT_EQ(k.name, CString(u"Tab"));
    tab.message = kKeyUp;
    tab.lParam = KeyLParam(0x0F, false, false, true, true);
    EXPECT_FALSE(KeyInfoFromMessage(k, &tab));
    EXPECT_EQ(k.direction, KEYINFO_RELEASE);

    for (const int vk :
         {0x08, 0x13, 0x14, 0x20, 0x24, 0x25, 0x26, 0x27, 0x28, 0x5B, 0x5C, 0x5D, 0x90, 0x91}) {
        EXPECT_TRUE(KeyInfoFromMessage(k, kKeyDown, static_cast<WPARAM>(vk), KeyLParam(0x01)))
            << vk;
    }
    for (const int vk : {0x23 /* End */, 0x2E /* Delete */, 0x41, 0x70}) {
        EXPECT_FALSE(KeyInfoFromMessage(k, kKeyDown, static_cast<WPARAM>(vk), KeyLParam(0x01)))
            << vk;
    }
    // Not for the system key-down.
    EXPECT_FALSE(KeyInfoFromMessage(k, kSysKeyDown, 0x09, KeyLParam(0x0F, false, true)));
    EXPECT_EQ(k.flags & KEYINFO_ALT, KEYINFO_ALT);
}

TEST_F(KeyInfoTest, KeysWithoutCharacterGetNoModifierFlags) {
    KeyInfo k;
    KeyInfoFromMessage(k, kKeyDown, 0x74, KeyLParam(0x3F)); // F5
    EXPECT_EQ(k.flags, 0);
    EXPECT_EQ(k.name, CString(u"F5"));
    KeyInfoFromMessage(k, kKeyDown, 0x26, KeyLParam(0x48, true)); // up arrow
    EXPECT_EQ(k.flags, KEYINFO_EXTENDED);
    EXPECT_EQ(k.name, CString(u"Up"));
    // Character keys typed without Shift get none either.
    KeyInfoFromMessage(k, kKeyDown, 'A', KeyLParam(0x1E));
    EXPECT_EQ(k.flags, 0);
    EXPECT_EQ(k.name, CString(u"A"));
    KeyInfoFromMessage(k, kKeyDown, 0xBB, KeyLParam(0x0D));
    EXPECT_EQ(k.flags, 0);
    // Keypad keys type their characters without Shift, although the main keys that type the
    // same characters need it.
    KeyInfoFromMessage(k, kKeyDown, 0x6A, KeyLParam(0x37)); // Num *
    EXPECT_EQ(k.flags, 0);
    KeyInfoFromMessage(k, kKeyDown, 0x6B, KeyLParam(0x4E)); // Num +
    EXPECT_EQ(k.flags, 0);
}

TEST_F(KeyInfoTest, LayoutComesFromTheProvider) {
    int calls = 0;
    SetKeyboardLayoutProvider([&calls] {
        ++calls;
        return UsEnglishKeyboardLayout();
    });
    KeyInfo k;
    KeyInfoFromMessage(k, kKeyDown, 'Q', KeyLParam(0x10));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(GetKeyInfoKeyboardLayout(), UsEnglishKeyboardLayout());

    // A layout the system does not know gives no character and so no flags.
    SetKeyboardLayoutProvider(
        [] { return reinterpret_cast<HKL>(static_cast<ULONG_PTR>(0x040C040C)); });
    KeyInfoFromMessage(k, kKeyDown, 0x74, KeyLParam(0x3F));
    EXPECT_EQ(k.flags, 0);
    SetKeyboardLayoutProvider(nullptr);
    EXPECT_EQ(GetKeyInfoKeyboardLayout(), UsEnglishKeyboardLayout());
}

TEST_F(KeyInfoTest, RawReports) {
    KeyInfo k;
    EXPECT_FALSE(KeyInfoFromStored(k, nullptr));

    RAWKEYBOARD report;
    report.MakeCode = 0x1E;
    report.VKey = 'A';
    EXPECT_TRUE(KeyInfoFromStored(k, &report));
    EXPECT_EQ(k.scanCode, 0x1E);
    EXPECT_EQ(k.virtualKey, 'A');
    EXPECT_EQ(k.direction, KEYINFO_PRESS);
    EXPECT_EQ(k.flags, 0);
    EXPECT_EQ(k.name, CString(u"A"));

    report.Flags = RI_KEY_BREAK;
    EXPECT_TRUE(KeyInfoFromStored(k, &report));
    EXPECT_EQ(k.direction, KEYINFO_RELEASE);

    // Right Ctrl: extended, no side-specific key is derived from a raw report.
    report = {};
    report.MakeCode = 0x1D;
    report.Flags = RI_KEY_E0;
    report.VKey = 0x11;
    EXPECT_TRUE(KeyInfoFromStored(k, &report));
    EXPECT_EQ(k.virtualKey, 0x11);
    EXPECT_EQ(k.flags, KEYINFO_EXTENDED);
    EXPECT_EQ(k.name, CString(u"Right Ctrl"));

    // An unmapped virtual key keeps the previous one.
    report = {};
    report.MakeCode = 0x1E;
    report.VKey = 0xFF;
    EXPECT_TRUE(KeyInfoFromStored(k, &report));
    EXPECT_EQ(k.virtualKeyReceived, 0x11);
    EXPECT_EQ(k.virtualKey, 0x11);
}

TEST_F(KeyInfoTest, UnusableRawReports) {
    KeyInfo k;
    RAWKEYBOARD report;
    report.MakeCode = 0;
    report.VKey = 'A';
    EXPECT_FALSE(KeyInfoFromStored(k, &report)); // make code 0

    report.MakeCode = 0x45;
    report.VKey = 0x13;
    EXPECT_FALSE(KeyInfoFromStored(k, &report)); // Pause
    EXPECT_EQ(k.name, CString(u"Pause"));

    report.MakeCode = 0x1D;
    report.Flags = RI_KEY_E1;
    report.VKey = 0x13;
    EXPECT_FALSE(KeyInfoFromStored(k, &report)); // E1 prefix

    report.MakeCode = 0x2A;
    report.Flags = RI_KEY_E0;
    report.VKey = 0xFF;
    EXPECT_FALSE(KeyInfoFromStored(k, &report)); // fake E0 Shift

    report = {};
    report.MakeCode = 0x7E; // no name, no label, no character
    report.VKey = 0xC1;
    EXPECT_FALSE(KeyInfoFromStored(k, &report));
    EXPECT_TRUE(k.name.IsEmpty());
}

TEST_F(KeyInfoTest, DisplayNameFallbacks) {
    // The system name first.
    EXPECT_EQ(DisplayName(0x70, 0x3B, false), u"F1");
    // No system name (browser key): the short label.
    EXPECT_EQ(DisplayName(0xA6, 0x6A, true), u"Backward");
    // Neither: the key's character, upper-cased.
    EXPECT_EQ(DisplayName('Q', 0x00, false), u"Q");
    EXPECT_EQ(DisplayName(0xE2, 0x56, false), u"\\");
    EXPECT_EQ(DisplayName(0xBA, 0x00, false), u";");
    // Nothing at all: empty, never a stale or garbage name.
    EXPECT_EQ(DisplayName(0x07, 0x00, false), u"");
    EXPECT_TRUE(IsKeyNameEmpty(u""));
    EXPECT_TRUE(IsKeyNameEmpty(nullptr));
    EXPECT_FALSE(IsKeyNameEmpty(u"A"));
}

TEST_F(KeyInfoTest, NumLockIsAlwaysNamedAsTheExtendedKey) {
    EXPECT_EQ(DisplayName(0x90, 0x45, false), u"Num Lock");
    EXPECT_EQ(DisplayName(0x13, 0x45, false), u"Pause");
}
