#include "platform/base/WideChar.h"

#include <climits>
#include <gtest/gtest.h>

TEST(WideChar, IntegerParsingLikeWtoi) {
    EXPECT_EQ(_wtoi(u"  42abc"), 42);
    EXPECT_EQ(_wtoi(u"-17"), -17);
    EXPECT_EQ(_wtoi(u"+8"), 8);
    EXPECT_EQ(_wtoi(u"true"), 0);
    EXPECT_EQ(_wtoi(u""), 0);
    EXPECT_EQ(_wtoi(nullptr), 0);
    EXPECT_EQ(_wtoi(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(_wtoi(u"-99999999999999999999"), INT_MIN);
    EXPECT_EQ(wcstol(u"0x1F", nullptr, 16), 31);
    EXPECT_EQ(wcstoul(u"FF00FF", nullptr, 16), 0xFF00FFu);
}

TEST(WideChar, BoundedCopiesAlwaysTerminate) {
    WCHAR buf[4];
    EXPECT_EQ(wcscpy_s(buf, u"abc"), 0);
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_NE(wcscpy_s(buf, u"abcdef"), 0);
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_EQ(wcsncpy_s(buf, 4, u"xyz", 2), 0);
    EXPECT_EQ(std::u16string(buf), u"xy");
    EXPECT_NE(wcscat_s(buf, u"12"), 0);
    EXPECT_EQ(std::u16string(buf), u"xy1");
    WCHAR full[3] = {u'a', u'b', u'c'}; // no terminator at all
    EXPECT_NE(wcscat_s(full, 3, u"d"), 0);
    EXPECT_EQ(full[0], 0);
}

TEST(WideChar, CaseInsensitiveCompare) {
    EXPECT_EQ(wcsicmp(u"Language.XML", u"language.xml"), 0);
    EXPECT_EQ(_wcsnicmp(u"ABCdef", u"abcXYZ", 3), 0);
    EXPECT_GT(wcsicmp(u"b", u"A"), 0);
    EXPECT_EQ(FoldCase(u'\u0178'), u'\u00FF');
    EXPECT_EQ(FoldCase(u'\u00D7'), u'\u00D7');
    EXPECT_EQ(ToUpperCase(u'\u0451'), u'\u0401');
}

TEST(WideChar, Utf8RoundTripAndInvalidInput) {
    const std::u16string text = u"Gr\u00FC\u00DFe \u4F60\u597D \U0001F5B1";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("\xC3"), u"\uFFFD"); // truncated sequence
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");                                          // invalid lead byte
    EXPECT_EQ(FromUtf8("\xC0\x80"), u"\uFFFD");                      // overlong
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD"); // lone surrogate
}
