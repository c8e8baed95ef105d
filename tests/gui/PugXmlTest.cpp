#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace pug;

namespace {

std::u16string Text(const WCHAR* s) {
    return s == nullptr ? u"(null)" : std::u16string(s);
}

class TempFolder {
public:
    TempFolder() {
        m_path =
            std::filesystem::temp_directory_path() / ("pugxml_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return m_path / name;
    }
    CString PathOf(const std::string& name) const { return FromNativePath(m_path / name); }
    const std::filesystem::path& Root() const { return m_path; }

private:
    std::filesystem::path m_path;
};

std::string Utf16Le(const std::u16string& text, bool bom) {
    std::string out;
    if (bom) {
        out += "\xFF\xFE";
    }
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

} // namespace

TEST(PugXml, AttributesTextAndEntities) {
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<A q='say \"hi\"' d=\"it's\" e = \"x\">  word  </A>"
                             u"<B>fish &amp; chips</B>"));
    CPugXmlBranch a = parser.GetRoot().FindByName(u"A");
    ASSERT_FALSE(a.IsEmpty());
    EXPECT_EQ(Text(a.FindAttribute(u"q").GetValue()), u"say \"hi\"");
    EXPECT_EQ(Text(a.FindAttribute(u"d").GetValue()), u"it's");
    EXPECT_EQ(Text(a.FindAttribute(u"e").GetValue()), u"x");
    EXPECT_EQ(a.AttributeIndex(u"e"), 2);
    WCHAR buffer[CPugXmlBranch::kMaxText + 1] = u"untouched";
    EXPECT_EQ(a.GetText(buffer), buffer);
    EXPECT_EQ(Text(buffer), u"word  ");
    parser.GetRoot().FindByName(u"B").GetText(buffer);
    EXPECT_EQ(Text(buffer), u"fish &amp; chips");
}

TEST(PugXml, NamesAreCaseSensitiveAndSearchIsPreOrder) {
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<button/><LIST><GROUP><BUTTON n='inner'/></GROUP>"
                             u"<BUTTON n='second'><BUTTON n='nested'/></BUTTON></LIST>"));
    CPugXmlBranch root = parser.GetRoot();
    CPugXmlBranch list = root.FindByName(u"LIST");
    EXPECT_EQ(Text(list.FindByName(u"BUTTON").FindAttribute(u"n").GetValue()), u"inner");
    EXPECT_TRUE(list.FindByName(u"LIST").IsEmpty()); // the branch itself is not tested
    EXPECT_TRUE(root.FindByName(u"Button").IsEmpty());
    CPugXmlBranchArray all;
    root.FindAllByName(u"BUTTON", all);
    ASSERT_EQ(all.GetCount(), 3);
    EXPECT_EQ(Text(all.GetBranch(0).FindAttribute(u"n").GetValue()), u"inner");
    EXPECT_EQ(Text(all.GetBranch(1).FindAttribute(u"n").GetValue()), u"second");
    EXPECT_EQ(Text(all.GetBranch(2).FindAttribute(u"n").GetValue()), u"nested");
    // Checked access out of range.
    EXPECT_TRUE(all.GetBranch(3).IsEmpty());
    EXPECT_TRUE(all.GetBranch(-1).IsEmpty());
    EXPECT_EQ(all.GetAt(99), nullptr);
    void** spare = all.ElementAt(3);
    ASSERT_NE(spare, nullptr);
    *spare = &all; // a stray write lands in the spare slot only
    EXPECT_EQ(*all.ElementAt(-5), nullptr);
    EXPECT_EQ(all.GetCount(), 3);
    EXPECT_EQ(*all.ElementAt(1), all.GetAt(1));
    EXPECT_TRUE(list.GetChild(2).IsEmpty());
    EXPECT_TRUE(list.GetChild(-1).IsEmpty());
    EXPECT_TRUE(list.GetAttribute(0).IsNull());
    EXPECT_EQ(Text(list.GetAttribute(7).GetValue()), u"");
}

TEST(PugXml, WildcardNames) {
    EXPECT_TRUE(PugXmlMatchName(u"BUTTON*", u"BUTTONLIST"));
    EXPECT_TRUE(PugXmlMatchName(u"*LIST", u"BUTTONLIST"));
    EXPECT_TRUE(PugXmlMatchName(u"B?T*N", u"BUTTON"));
    EXPECT_TRUE(PugXmlMatchName(u"[A-C]UTTON", u"BUTTON"));
    EXPECT_FALSE(PugXmlMatchName(u"[!A-C]UTTON", u"BUTTON"));
    EXPECT_TRUE(PugXmlMatchName(u"[!A-C]UTTON", u"MUTTON"));
    EXPECT_FALSE(PugXmlMatchName(u"BUTTON", u"BUTTONS"));
    EXPECT_FALSE(PugXmlMatchName(u"button", u"BUTTON"));
    EXPECT_TRUE(PugXmlMatchName(u"[AB", u"[AB")); // an unclosed set is literal
    EXPECT_FALSE(PugXmlMatchName(u"A", nullptr));
}

TEST(PugXml, MissingAttributeIsAddedEmpty) {
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<E a='1'/>"));
    CPugXmlBranch e = parser.GetRoot().FindByName(u"E");
    EXPECT_EQ(e.GetAttributeCount(), 1);
    EXPECT_TRUE(e.FindAttribute(u"name").IsNull());
    EXPECT_EQ(Text(e.Attribute(u"name").GetValue()), u"");
    EXPECT_EQ(e.GetAttributeCount(), 2);
    EXPECT_FALSE(e.FindAttribute(u"name").IsNull());
    EXPECT_EQ(Text(e.Attribute(u"a").GetValue()), u"1");
    EXPECT_EQ(e.GetAttributeCount(), 2);
    CPugXmlBranch none;
    EXPECT_TRUE(none.Attribute(u"x").IsNull());
}

TEST(PugXml, GetTextLimitsAndChildlessElements) {
    CPugXmlParser parser;
    const std::u16string long600(600, u'x');
    ASSERT_TRUE(parser.Parse(u"<L>" + long600 + u"</L><Empty/><Only><C/></Only>"));
    WCHAR buffer[CPugXmlBranch::kMaxText + 1] = {};
    parser.GetRoot().FindByName(u"L").GetText(buffer);
    EXPECT_EQ(Text(buffer), std::u16string(512, u'x'));
    WCHAR small[8] = u"keep";
    EXPECT_EQ(parser.GetRoot().FindByName(u"Empty").GetText(small, 8), nullptr);
    EXPECT_EQ(Text(small), u"keep");
    EXPECT_EQ(parser.GetRoot().FindByName(u"Only").GetText(small, 8), small);
    EXPECT_EQ(Text(small), u"keep");
    parser.GetRoot().FindByName(u"L").GetText(small, 8);
    EXPECT_EQ(Text(small), u"xxxxxxx"); // bounded by the caller's buffer
}

TEST(PugXml, EndTagNameIsNotCompared) {
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<R><A></WRONG><B/></R>"));
    CPugXmlBranch r = parser.GetRoot().FindByName(u"R");
    ASSERT_EQ(r.GetChildCount(), 2);
    EXPECT_EQ(Text(r.GetChild(1).GetName()), u"B");
}

TEST(PugXml, DeclarationsBeforeTheElementDoNotHideIt) {
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"\xFEFF<?xml version=\"1.0\" encoding='UTF-16'?>\r\n"
                             u"<!DOCTYPE GUIPANEL SYSTEM \"skin.dtd\" [\r\n"
                             u"  <!ENTITY co \"Tolvi\"> <!-- inside -->\r\n"
                             u"  <!ATTLIST BUTTON name CDATA #REQUIRED>\r\n"
                             u"  <!ELEMENT GUIPANEL (BACKGROUND, MASK)>\r\n"
                             u"  <!NOTATION bmp SYSTEM 'image/bmp'>\r\n]>\r\n"
                             u"<!-- <GUIPANEL> in a comment -->\r\n"
                             u"<GUIPANEL><BACKGROUND>bg.bmp</BACKGROUND><![CDATA[<MASK/>]]>"
                             u"<![INCLUDE[ inc ]]></GUIPANEL>"));
    CPugXmlBranch root = parser.GetRoot();
    ASSERT_EQ(root.GetChildCount(), 4);
    EXPECT_EQ(root.GetChild(0).GetType(), PUGXML_PI);
    EXPECT_EQ(Text(root.GetChild(0).FindAttribute(u"encoding").GetValue()), u"UTF-16");
    CPugXmlBranch doctype = root.GetChild(1);
    EXPECT_EQ(doctype.GetType(), PUGXML_DOCTYPE);
    EXPECT_EQ(Text(doctype.GetName()), u"GUIPANEL");
    ASSERT_EQ(doctype.GetChildCount(), 4);
    EXPECT_EQ(doctype.GetChild(0).GetType(), PUGXML_ENTITY);
    EXPECT_EQ(Text(doctype.GetChild(0).GetName()), u"co");
    EXPECT_EQ(Text(doctype.GetChild(0).GetAttribute(0).GetName()), u"Tolvi");
    EXPECT_EQ(doctype.GetChild(1).GetType(), PUGXML_ATTLIST);
    EXPECT_EQ(doctype.GetChild(2).GetType(), PUGXML_ELEMENTDECL);
    EXPECT_EQ(doctype.GetChild(3).GetType(), PUGXML_NOTATION);
    EXPECT_EQ(root.GetChild(2).GetType(), PUGXML_COMMENT);
    EXPECT_EQ(Text(root.GetChild(2).GetValue()), u" <GUIPANEL> in a comment ");
    CPugXmlBranch panel = root.FindByName(u"GUIPANEL");
    EXPECT_EQ(panel.GetType(), PUGXML_ELEMENT);
    EXPECT_FALSE(panel.FindByName(u"BACKGROUND").IsEmpty());
    EXPECT_TRUE(panel.FindByName(u"MASK").IsEmpty()); // CDATA is skipped
    ASSERT_EQ(panel.GetChildCount(), 2);
    EXPECT_EQ(panel.GetChild(1).GetType(), PUGXML_INCLUDE);
    EXPECT_EQ(Text(panel.GetChild(1).GetValue()), u" inc ");
}

TEST(PugXml, UnterminatedConstructsEndAtTheEndOfTheText) {
    struct Case {
        std::u16string text;
        int lastType;
        std::u16string lastValue;
    };
    const Case cases[] = {
        {u"<A><!-- open comment", PUGXML_COMMENT, u" open comment"},
        {u"<A><![INCLUDE[ open", PUGXML_INCLUDE, u" open"},
        {u"<A><![CDATA[ open", PUGXML_TEXT, u""},
        {u"<A><?pi a='1", PUGXML_PI, u""},
        {u"<A><!DOCTYPE A [ <!ENTITY x 'y", PUGXML_DOCTYPE, u""},
        {u"<A><!DOCTYPE A [ <!-- x", PUGXML_DOCTYPE, u""},
        {u"<A>text", PUGXML_TEXT, u"text"},
        {u"<A></A", PUGXML_TEXT, u""},
    };
    for (const Case& c : cases) {
        CPugXmlParser parser;
        EXPECT_TRUE(parser.Parse(c.text)) << ToUtf8(c.text);
        CPugXmlBranch a = parser.GetRoot().FindByName(u"A");
        ASSERT_FALSE(a.IsEmpty()) << ToUtf8(c.text);
        if (c.lastType != PUGXML_TEXT || !c.lastValue.empty()) {
            ASSERT_GT(a.GetChildCount(), 0) << ToUtf8(c.text);
            CPugXmlBranch last = a.GetChild(a.GetChildCount() - 1);
            EXPECT_EQ(last.GetType(), c.lastType) << ToUtf8(c.text);
            if (!c.lastValue.empty()) {
                EXPECT_EQ(Text(last.GetValue()), c.lastValue) << ToUtf8(c.text);
            }
        }
        EXPECT_LE(parser.GetParsePosition(), c.text.size());
    }
    CPugXmlParser quote;
    EXPECT_TRUE(quote.Parse(u"<A b=\"never closed"));
    EXPECT_EQ(Text(quote.GetRoot().FindByName(u"A").FindAttribute(u"b").GetValue()),
              u"never closed");
    CPugXmlParser broken;
    EXPECT_TRUE(broken.Parse(u"<A><B c=5/><C/></A>"));
    EXPECT_FALSE(broken.GetRoot().FindByName(u"B").IsEmpty());
    EXPECT_TRUE(broken.GetRoot().FindByName(u"C").IsEmpty()); // stops where it cannot go on
}

TEST(PugXml, DeepNestingNeedsNoStack) {
    const int depth = 200000;
    std::u16string text;
    for (int i = 0; i < depth; ++i) {
        text += u"<D>";
    }
    text += u"<LEAF v='1'/>";
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(text));
    EXPECT_EQ(Text(parser.GetRoot().FindByName(u"LEAF").FindAttribute(u"v").GetValue()), u"1");
    CPugXmlBranchArray all;
    parser.GetRoot().FindAllByName(u"D", all);
    EXPECT_EQ(all.GetCount(), depth);
}

TEST(PugXml, TextWithoutElementsIsNotUsable) {
    CPugXmlParser parser;
    EXPECT_FALSE(parser.Parse(u"just words"));
    EXPECT_FALSE(parser.Parse(u"<!-- only a comment -->"));
    EXPECT_FALSE(parser.Parse(u""));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"X").IsEmpty());
}

TEST(PugXml, FileEncodings) {
    TempFolder folder;
    CPugXmlParser parser;
    WCHAR buffer[CPugXmlBranch::kMaxText + 1] = {};

    // UTF-16 without a mark, far longer than one read block, with an odd block seam.
    std::u16string big = u"<ROOT>";
    for (int i = 0; i < 3000; ++i) {
        big += u"<I v='" + FromUtf8(std::to_string(i)) + u"'/>";
    }
    big += u"<LAST>\x00E9t\x00E9 \x4E2D</LAST></ROOT>";
    folder.Write("big16.xml", Utf16Le(big, false));
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("big16.xml")));
    CPugXmlBranchArray items;
    parser.GetRoot().FindAllByName(u"I", items);
    EXPECT_EQ(items.GetCount(), 3000);
    EXPECT_EQ(Text(items.GetBranch(2999).FindAttribute(u"v").GetValue()), u"2999");
    parser.GetRoot().FindByName(u"LAST").GetText(buffer);
    EXPECT_EQ(Text(buffer), u"\x00E9t\x00E9 \x4E2D");

    folder.Write("bom16.xml", Utf16Le(u"<A>\x0416</A>", true));
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("bom16.xml")));
    parser.GetRoot().FindByName(u"A").GetText(buffer);
    EXPECT_EQ(Text(buffer), u"\x0416");

    folder.Write("utf8.xml", "\xEF\xBB\xBF<A t='caf\xC3\xA9'>\xE4\xB8\xAD\xE6\x96\x87</A>");
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("utf8.xml")));
    parser.GetRoot().FindByName(u"A").GetText(buffer);
    EXPECT_EQ(Text(buffer), u"\x4E2D\x6587");
    EXPECT_EQ(Text(parser.GetRoot().FindByName(u"A").FindAttribute(u"t").GetValue()), u"caf\x00E9");

    folder.Write("latin1.xml", "<A>caf\xE9</A>"); // not UTF-8: one character per byte
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("latin1.xml")));
    parser.GetRoot().FindByName(u"A").GetText(buffer);
    EXPECT_EQ(Text(buffer), u"caf\x00E9");

    folder.Write("nul.xml", std::string("<A>x</A>\0<B/>", 13));
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("nul.xml")));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"B").IsEmpty());

    folder.Write("empty.xml", "");
    EXPECT_FALSE(parser.ParseFile(folder.PathOf("empty.xml")));
    // A file that gave text is read, whatever the parse found in it.
    folder.Write("words.xml", "no markup here");
    EXPECT_TRUE(parser.ParseFile(folder.PathOf("words.xml")));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"GUIPANEL").IsEmpty());
    EXPECT_FALSE(parser.ParseFile(folder.PathOf("missing.xml")));
    EXPECT_FALSE(parser.ParseFile(nullptr));

    folder.Write("doctype.xml", "<!DOCTYPE GUIPANEL>\r\n<GUIPANEL><MASK>m.bmp</MASK></GUIPANEL>");
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("doctype.xml")));
    CPugXmlBranch panel = parser.GetRoot().FindByName(u"GUIPANEL");
    EXPECT_EQ(panel.GetType(), PUGXML_ELEMENT);
    EXPECT_FALSE(panel.FindByName(u"MASK").IsEmpty());
}

TEST(PugXml, WhatCannotBeReadAsAFileIsMissing) {
    TempFolder folder;
    CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<A/>"));
    // A folder where a skin file should be: no exception, nothing parsed.
    std::filesystem::create_directories(folder.Root() / "dir.xml");
    EXPECT_FALSE(parser.ParseFile(folder.PathOf("dir.xml")));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"A").IsEmpty());
    // The folder itself, as an empty skin file name leaves it.
    EXPECT_FALSE(parser.ParseFile(FromNativePath(folder.Root()) + u"\\"));
    std::u16string text;
    EXPECT_FALSE(CPugXmlParser::ReadXmlFile(folder.PathOf("dir.xml"), text));
    EXPECT_TRUE(text.empty());
}

TEST(PugXml, FilesBeyondTheBoundAreRefusedUnread) {
    TempFolder folder;
    CPugXmlParser parser;
    // Dense markup takes far more memory as a tree than as text: such a file beyond the bound
    // is refused before it is read.
    std::string dense;
    while (dense.size() <= CPugXmlParser::kMaxFileBytes) {
        dense += "<a b='' c=''>";
    }
    folder.Write("dense.xml", dense);
    EXPECT_FALSE(parser.ParseFile(folder.PathOf("dense.xml")));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"a").IsEmpty());
    EXPECT_FALSE(parser.ParseBytes(reinterpret_cast<const BYTE*>(dense.data()), dense.size()));
    EXPECT_TRUE(parser.GetRoot().FindByName(u"a").IsEmpty());
    // A file of exactly the bound is read whole.
    std::string sparse(CPugXmlParser::kMaxFileBytes - 5, ' ');
    sparse += "<a/>\n";
    folder.Write("sparse.xml", sparse);
    ASSERT_TRUE(parser.ParseFile(folder.PathOf("sparse.xml")));
    EXPECT_FALSE(parser.GetRoot().FindByName(u"a").IsEmpty());
}
