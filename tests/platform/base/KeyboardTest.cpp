#include "platform/base/Keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

LONG NameArgument(WORD scan, bool extended = false) {
    return static_cast<LONG>((static_cast<DWORD>(scan) << 16) | (extended ? 0x01000000u : 0u));
}

std::u16string KeyName(LONG argument, int size = 20) {
    WCHAR buffer[64] = {};
    const int length = GetKeyNameTextW(argument, buffer, size);
    EXPECT_EQ(static_cast<size_t>(length), std::u16string(buffer).size());
    return buffer;
}

} // namespace

TEST(KeyboardTest, UsEnglishIsTheActiveLayout) {
    EXPECT_EQ(GetKeyboardLayout(0), UsEnglishKeyboardLayout());
    const HKL unknown = reinterpret_cast<HKL>(static_cast<ULONG_PTR>(0x04070407));
    EXPECT_EQ(ActivateKeyboardLayout(unknown, 0), nullptr);
    EXPECT_EQ(GetKeyboardLayout(0), UsEnglishKeyboardLayout());
    EXPECT_EQ(MapVirtualKeyExW('A', MAPVK_VK_TO_VSC, unknown), 0u);
    EXPECT_EQ(VkKeyScanExW(u'a', unknown), -1);
}

TEST(KeyboardTest, VirtualKeysAndScanCodes) {
    EXPECT_EQ(MapVirtualKeyW('A', MAPVK_VK_TO_VSC), 0x1Eu);
    EXPECT_EQ(MapVirtualKeyW(0x25 /* left */, MAPVK_VK_TO_VSC), 0x4Bu);
    EXPECT_EQ(MapVirtualKeyW(0x25, MAPVK_VK_TO_VSC_EX), 0xE04Bu);
    EXPECT_EQ(MapVirtualKeyW(0x10 /* Shift */, MAPVK_VK_TO_VSC), 0x2Au);
    EXPECT_EQ(MapVirtualKeyW(0xA1 /* right Shift */, MAPVK_VK_TO_VSC), 0x36u);
    EXPECT_EQ(MapVirtualKeyW(0x36, MAPVK_VSC_TO_VK), 0x10u);
    EXPECT_EQ(MapVirtualKeyW(0x36, MAPVK_VSC_TO_VK_EX), 0xA1u);
    EXPECT_EQ(MapVirtualKeyW(0x1D, MAPVK_VSC_TO_VK_EX), 0xA2u);
    EXPECT_EQ(MapVirtualKeyW(0xE01D, MAPVK_VSC_TO_VK_EX), 0xA3u);
    EXPECT_EQ(MapVirtualKeyW(0xE01D, MAPVK_VSC_TO_VK), 0x11u);
    EXPECT_EQ(MapVirtualKeyW(0x1E, MAPVK_VSC_TO_VK), u'A');
    EXPECT_EQ(MapVirtualKeyW(0xE048, MAPVK_VSC_TO_VK), 0x26u);
    EXPECT_EQ(MapVirtualKeyW(0x7F, MAPVK_VSC_TO_VK), 0u);
    EXPECT_EQ(MapVirtualKeyW(0x07, MAPVK_VK_TO_VSC), 0u);
}

TEST(KeyboardTest, CharactersOfKeys) {
    EXPECT_EQ(MapVirtualKeyW('A', MAPVK_VK_TO_CHAR), u'A'); // the key cap's letter
    EXPECT_EQ(MapVirtualKeyW(0xBB, MAPVK_VK_TO_CHAR), u'=');
    EXPECT_EQ(MapVirtualKeyW('7', MAPVK_VK_TO_CHAR), u'7');
    EXPECT_EQ(MapVirtualKeyW(0x74 /* F5 */, MAPVK_VK_TO_CHAR), 0u);
    EXPECT_EQ(MapVirtualKeyW(0x26 /* up */, MAPVK_VK_TO_CHAR), 0u);

    EXPECT_EQ(VkKeyScanW(u'a'), 0x0041);
    EXPECT_EQ(VkKeyScanW(u'A'), 0x0141);
    EXPECT_EQ(VkKeyScanW(u'+'), 0x01BB);
    EXPECT_EQ(VkKeyScanW(u'*'), 0x0138); // the main-row key, not the keypad
    EXPECT_EQ(VkKeyScanW(u'\r'), 0x000D);
    EXPECT_EQ(VkKeyScanW(0x01), 0x0241);  // Ctrl+A
    EXPECT_EQ(VkKeyScanW(0x00), 0x0332);  // Ctrl+Shift+2
    EXPECT_EQ(VkKeyScanW(u'\u00E9'), -1); // no key types it
}

TEST(KeyboardTest, ToUnicodeFollowsTheKeyState) {
    BYTE state[256] = {};
    WCHAR buffer[4] = {u'?', u'?', u'?', u'?'};
    EXPECT_EQ(ToUnicode('Q', 0x10, state, buffer, 4, 0), 1);
    EXPECT_EQ(std::u16string(buffer), u"q");
    state[0x10] = 0x80;
    EXPECT_EQ(ToUnicode('Q', 0x10, state, buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], u'Q');
    EXPECT_EQ(ToUnicode('1', 0x02, state, buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], u'!');
    state[0x10] = 0;
    state[0x14] = 0x01; // Caps Lock on: letters only
    EXPECT_EQ(ToUnicode('Q', 0x10, state, buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], u'Q');
    EXPECT_EQ(ToUnicode('1', 0x02, state, buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], u'1');
    state[0x14] = 0;
    state[0xA2] = 0x80; // left Ctrl
    EXPECT_EQ(ToUnicode('C', 0x2E, state, buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], 0x03);
    EXPECT_EQ(ToUnicode('1', 0x02, state, buffer, 4, 0), 0);
    state[0xA2] = 0;

    // Keys without a character, releases and unusable buffers write nothing.
    buffer[0] = u'#';
    EXPECT_EQ(ToUnicode(0x70, 0x3B, state, buffer, 4, 0), 0);
    EXPECT_EQ(ToUnicode('Q', 0x8010, state, buffer, 4, 0), 0);
    EXPECT_EQ(ToUnicode('Q', 0x10, state, buffer, 0, 0), 0);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(ToUnicode('Q', 0x10, nullptr, buffer, 1, 0), 1);
    EXPECT_EQ(buffer[0], u'q');
}

TEST(KeyboardTest, KeyNamesFromScanCodes) {
    EXPECT_EQ(KeyName(NameArgument(0x1D)), u"Ctrl");
    EXPECT_EQ(KeyName(NameArgument(0x1D, true)), u"Right Ctrl");
    EXPECT_EQ(KeyName(NameArgument(0x1D, true) | 0x02000000), u"Ctrl");
    EXPECT_EQ(KeyName(NameArgument(0x36) | 0x02000000), u"Shift");
    EXPECT_EQ(KeyName(NameArgument(0x45)), u"Pause");
    EXPECT_EQ(KeyName(NameArgument(0x45, true)), u"Num Lock");
    EXPECT_EQ(KeyName(NameArgument(0x48)), u"Num 8");
    EXPECT_EQ(KeyName(NameArgument(0x48, true)), u"Up");
    EXPECT_EQ(KeyName(NameArgument(0x1E)), u"A");
    EXPECT_EQ(KeyName(NameArgument(0x0D)), u"=");
    EXPECT_EQ(KeyName(NameArgument(0x3F)), u"F5");
    // Keys this layout does not name.
    EXPECT_EQ(KeyName(NameArgument(0x56)), u"");
    EXPECT_EQ(KeyName(NameArgument(0x6A, true)), u"");
    EXPECT_EQ(KeyName(NameArgument(0x00)), u"");
    EXPECT_EQ(KeyName(NameArgument(0x1E, true)), u"");
    // A short buffer gets a cut, terminated name.
    EXPECT_EQ(KeyName(NameArgument(0x5B, true), 5), u"Left");
    WCHAR untouched = u'x';
    EXPECT_EQ(GetKeyNameTextW(NameArgument(0x1D), &untouched, 0), 0);
    EXPECT_EQ(untouched, u'x');
}
