#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"

#include <gtest/gtest.h>

TEST(CStringFormat, WindowsConversions) {
    CString s;
    s.Format(u"%s%s%s.%s", u"C:\\prog\\", u"save\\", u"Borvanta", u"qmc");
    EXPECT_EQ(s, u"C:\\prog\\save\\Borvanta.qmc");
    s.Format(u"%d|%02d|%04d|%c|%x|%X|%d%%", -42, 7, 99, u'Z', 255, 0xABCu, 5);
    EXPECT_EQ(s, u"-42|07|0099|Z|ff|ABC|5%");
    s.Format(u"%d.%02d", 1, 5);
    EXPECT_EQ(s, u"1.05");
    s.Format(u"%.3f %s", 1.5, u"ms");
    EXPECT_EQ(s, u"1.500 ms");
    s.Format(u"[%5d][%-4d][%05d][%+d]", 42, 7, -12, 3);
    EXPECT_EQ(s, u"[   42][7   ][-0012][+3]");
    s.Format(u"%s|%S|%.2s", static_cast<const WCHAR*>(nullptr), "na\xC3\xAFve", u"abc");
    EXPECT_EQ(s, u"(null)|na\u00EFve|ab");
    s.Format(u"%u %I64d %lld", 4000000000u, 1LL << 40, -(1LL << 40));
    EXPECT_EQ(s, u"4000000000 1099511627776 -1099511627776");
    // A trailing lone percent sign ends the text without reading further.
    s.Format(u"100%");
    EXPECT_EQ(s, u"100");
}

TEST(CStringOps, SubstringsClampAndSearch) {
    const CString s(u"Profile Office");
    EXPECT_EQ(s.Left(7), u"Profile");
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Right(6), u"Office");
    EXPECT_EQ(s.Right(-3), u"");
    EXPECT_EQ(s.Mid(8), u"Office");
    EXPECT_EQ(s.Mid(50), u"");
    EXPECT_EQ(s.Mid(-2, 3), u"Pro");
    EXPECT_EQ(s.Find(u'O'), 8);
    EXPECT_EQ(s.Find(u"ffi"), 9);
    EXPECT_EQ(s.Find(u'x'), -1);
    EXPECT_EQ(s.Find(u'e', 100), -1);
    EXPECT_EQ(s.ReverseFind(u'e'), 13);
    EXPECT_EQ(s.GetAt(99), 0);
}

TEST(CStringOps, CaseFoldingAndModification) {
    EXPECT_EQ(CString(u"Gaming").CompareNoCase(u"GAMING"), 0);
    EXPECT_EQ(CString(u"\u00C9t\u00E9").CompareNoCase(u"\u00E9T\u00C9"), 0);
    EXPECT_EQ(CString(u"\u041F\u0420\u041E").CompareNoCase(u"\u043F\u0440\u043E"), 0);
    EXPECT_LT(CString(u"abc").CompareNoCase(u"ABD"), 0);
    EXPECT_NE(CString(u"a").Compare(u"A"), 0);

    CString t(u"  a\\b\\c  ");
    t.Trim();
    EXPECT_EQ(t, u"a\\b\\c");
    EXPECT_EQ(t.Replace(u'\\', u'/'), 2);
    EXPECT_EQ(t, u"a/b/c");
    EXPECT_EQ(t.Replace(u"/", u"--"), 2);
    EXPECT_EQ(t, u"a--b--c");
    EXPECT_EQ(t.Remove(u'-'), 4);
    t.Insert(1, u"XY");
    EXPECT_EQ(t, u"aXYbc");
    t.Delete(1, 2);
    EXPECT_EQ(t, u"abc");
    t.MakeUpper();
    EXPECT_EQ(t, u"ABC");

    CString buf;
    WCHAR* p = buf.GetBuffer(10);
    p[0] = u'h';
    p[1] = u'i';
    p[2] = 0;
    buf.ReleaseBuffer();
    EXPECT_EQ(buf, u"hi");
    EXPECT_EQ(buf.GetLength(), 2);

    int pos = 0;
    const CString list(u"a,,b,c");
    EXPECT_EQ(list.Tokenize(u",", pos), u"a");
    EXPECT_EQ(list.Tokenize(u",", pos), u"b");
    EXPECT_EQ(list.Tokenize(u",", pos), u"c");
    EXPECT_EQ(list.Tokenize(u",", pos), u"");
    EXPECT_EQ(pos, -1);
}

TEST(CStringArrayTest, BoundsAreSafe) {
    CStringArray a;
    a.Add(u"one");
    a.Add(u"two");
    a.InsertAt(1, u"half");
    ASSERT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[1], u"half");
    EXPECT_EQ(a.GetAt(7), u"");
    a.RemoveAt(0, 10);
    EXPECT_EQ(a.GetSize(), 0);
    a.SetAtGrow(2, u"x");
    EXPECT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[2], u"x");
}
