#include "TempFolder.h"

#include "platform/base/IniDocument.h"
#include "platform/base/PrivateProfile.h"
#include "tests/support/NamedPipe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::u16string GetString(const CString& file, const char16_t* section, const char16_t* key,
                         const char16_t* def = u"<none>") {
    WCHAR buffer[512] = {};
    GetPrivateProfileStringW(section, key, def, buffer, 512, file.GetString());
    return buffer;
}

// Splits a list of terminated strings ending in an extra terminator.
std::vector<std::u16string> SplitList(const WCHAR* buffer) {
    std::vector<std::u16string> items;
    for (const WCHAR* p = buffer; *p != 0; p += std::u16string(p).size() + 1) {
        items.emplace_back(p);
    }
    return items;
}

std::string Utf16Le(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (const char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

} // namespace

TEST(PrivateProfileTest, WritesUtf16WithMarkAndReadsBack) {
    TempFolder dir;
    const CString file = dir.File(u"Office.qmp");
    ASSERT_TRUE(WritePrivateProfileStringW(u"PROPERTIES", u"name", u"Office", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"PROPERTIES", u"auto", u"1", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"ASSIGNMENTS", u"1", u"0", file));
    EXPECT_EQ(ReadBytes(dir.Native() / "Office.qmp"),
              Utf16Le(u"[PROPERTIES]\r\nname=Office\r\nauto=1\r\n[ASSIGNMENTS]\r\n1=0\r\n"));
    EXPECT_EQ(GetString(file, u"PROPERTIES", u"name"), u"Office");
    EXPECT_EQ(GetPrivateProfileIntW(u"PROPERTIES", u"auto", 5, file), 1u);
    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Native())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(PrivateProfileTest, NamesMatchIgnoringCaseAndKeepTheirSpelling) {
    TempFolder dir;
    const CString file = dir.File(u"s.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"Settings", u"ActiveProfileName", u"A", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"SETTINGS", u"activeprofilename", u"B", file));
    EXPECT_EQ(GetString(file, u"settings", u"ACTIVEPROFILENAME"), u"B");
    EXPECT_EQ(ReadBytes(dir.Native() / "s.ini"), Utf16Le(u"[Settings]\r\nActiveProfileName=B\r\n"));
    // Non-ASCII names fold too.
    ASSERT_TRUE(WritePrivateProfileStringW(u"\u00C9T\u00C9", u"\u0416", u"x", file));
    EXPECT_EQ(GetString(file, u"\u00E9t\u00E9", u"\u0436"), u"x");
}

TEST(PrivateProfileTest, ValuesRoundTripExactly) {
    TempFolder dir;
    const CString file = dir.File(u"v.ini");
    const std::vector<std::u16string> values = {
        u"",
        u"plain",
        u"  leading",
        u"trailing  ",
        u"\"quoted\"",
        u"'single'",
        u"\"",
        u"a=b=c",
        u"[x]",
        u";not a comment",
        u"\t tab \t",
        u"\"\"",
        u"caf\u00E9 \u6F22\u5B57 \U0001F600",
        u"C:\\Games\\run.exe",
    };
    for (size_t i = 0; i < values.size(); ++i) {
        const std::u16string key = u"k" + std::u16string(1, static_cast<char16_t>(u'a' + i));
        ASSERT_TRUE(WritePrivateProfileStringW(u"V", key.c_str(), values[i].c_str(), file)) << i;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const std::u16string key = u"k" + std::u16string(1, static_cast<char16_t>(u'a' + i));
        EXPECT_EQ(GetString(file, u"V", key.c_str()), values[i]) << i;
    }
    // Values a line cannot hold are refused and change nothing.
    EXPECT_FALSE(WritePrivateProfileStringW(u"V", u"ka", u"two\r\nlines", file));
    EXPECT_FALSE(WritePrivateProfileStringW(u"V", u"k=", u"x", file));
    EXPECT_FALSE(WritePrivateProfileStringW(u"V]", u"k", u"x", file));
    EXPECT_FALSE(WritePrivateProfileStringW(u"V", u"  ", u"x", file));
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"k", u"x", file));
    EXPECT_EQ(GetString(file, u"V", u"ka"), u"");
}

TEST(PrivateProfileTest, MissingEntriesGiveTheDefault) {
    TempFolder dir;
    const CString file = dir.File(u"d.ini");
    EXPECT_EQ(GetString(file, u"S", u"k", u"dflt"), u"dflt");
    EXPECT_EQ(GetString(file, u"S", u"k", nullptr), u"");
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", 7, file), 7u);
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"n", u"-1", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"t", u"abc", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"e", u"", file));
    EXPECT_EQ(GetString(file, u"S", u"k", u"dflt"), u"dflt");
    EXPECT_EQ(GetString(file, u"T", u"n", u"dflt"), u"dflt");
    EXPECT_EQ(GetString(file, u"S", u"e", u"dflt"), u""); // present but empty
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"n", 7, file), 0xFFFFFFFFu);
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"t", 7, file), 0u);
}

TEST(PrivateProfileTest, ShortBuffersAreCutAndTerminated) {
    TempFolder dir;
    const CString file = dir.File(u"b.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"abcdefgh", file));
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buffer, 4, file), 3u);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(buffer[4], u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buffer, 0, file), 0u);
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", nullptr, 8, file), 0u);
}

TEST(PrivateProfileTest, NameListsAndSectionLines) {
    TempFolder dir;
    const CString file = dir.File(u"l.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"One", u"a", u"1", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Two", u"b", u"2", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Two", u"c", u" 3 ", file));
    WCHAR buffer[64] = {};
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, u"", buffer, 64, file), 8u);
    EXPECT_EQ(SplitList(buffer), (std::vector<std::u16string>{u"One", u"Two"}));
    EXPECT_EQ(GetPrivateProfileStringW(u"two", nullptr, u"", buffer, 64, file), 4u);
    EXPECT_EQ(SplitList(buffer), (std::vector<std::u16string>{u"b", u"c"}));
    EXPECT_EQ(GetPrivateProfileSectionW(u"TWO", buffer, 64, file), 10u);
    EXPECT_EQ(SplitList(buffer), (std::vector<std::u16string>{u"b=2", u"c= 3 "}));
    // A list that does not fit ends in two terminators; the result is size - 2.
    WCHAR small[6];
    std::fill(std::begin(small), std::end(small), u'#');
    EXPECT_EQ(GetPrivateProfileSectionW(u"Two", small, 6, file), 4u);
    EXPECT_EQ(small[4], 0);
    EXPECT_EQ(small[5], 0);
    EXPECT_EQ(std::u16string(small), u"b=2");
    // A missing section gives an empty list.
    EXPECT_EQ(GetPrivateProfileSectionW(u"Three", buffer, 64, file), 0u);
    EXPECT_EQ(buffer[0], 0);
}

TEST(PrivateProfileTest, RemovingKeysAndSections) {
    TempFolder dir;
    const CString file = dir.File(u"r.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"x", u"1", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"y", u"2", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"B", u"z", u"3", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"a", u"X", nullptr, file));
    EXPECT_EQ(GetString(file, u"A", u"x"), u"<none>");
    EXPECT_EQ(GetString(file, u"A", u"y"), u"2");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", nullptr, nullptr, file));
    EXPECT_EQ(GetString(file, u"A", u"y"), u"<none>");
    EXPECT_EQ(GetString(file, u"B", u"z"), u"3");
    // Removing from a file that does not exist succeeds and creates nothing.
    const CString none = dir.File(u"none.ini");
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"x", nullptr, none));
    EXPECT_FALSE(std::filesystem::exists(dir.Native() / "none.ini"));
}

TEST(PrivateProfileTest, WriteIntoMissingFolderFails) {
    TempFolder dir;
    const CString file = dir.File(u"missing\\deeper\\x.ini");
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", file));
    EXPECT_FALSE(std::filesystem::exists(dir.Native() / "missing"));
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", nullptr));
    // A folder in place of the file is not replaced.
    std::filesystem::create_directory(dir.Native() / "adir");
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", dir.File(u"adir")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Native() / "adir"));
}

TEST(PrivateProfileTest, ANamedPipeReadsAsAnEmptyFileWithoutWaitingAndIsNotReplaced) {
    TempFolder dir;
    testsupport::NamedPipe pipe(dir.Native() / "pipe.ini");
    ASSERT_TRUE(pipe.Made());
    const CString file = dir.File(u"pipe.ini");
    std::u16string value;
    BOOL written = TRUE;
    EXPECT_TRUE(pipe.ReturnsWithoutAWriter([&] {
        value = GetString(file, u"S", u"k");
        written = WritePrivateProfileStringW(u"S", u"k", u"v", file);
    }));
    EXPECT_EQ(value, u"<none>");
    EXPECT_FALSE(written);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe.Path()));
}

TEST(PrivateProfileTest, ReadsUtf8AsciiAndAnsiFiles) {
    TempFolder dir;
    WriteBytes(dir.Native() / "u8.ini", "\xEF\xBB\xBF[S]\nname = caf\xC3\xA9 \r\nq=\"  x  \"\r\n");
    EXPECT_EQ(GetString(dir.File(u"u8.ini"), u"S", u"name"), u"caf\u00E9");
    EXPECT_EQ(GetString(dir.File(u"u8.ini"), u"S", u"q"), u"  x  ");
    WriteBytes(dir.Native() / "ascii.ini", "; comment\r[S]\rk=v\r");
    EXPECT_EQ(GetString(dir.File(u"ascii.ini"), u"S", u"k"), u"v");
    WriteBytes(dir.Native() / "ansi.ini", "[S]\r\nk=caf\xE9\r\n");
    EXPECT_EQ(GetString(dir.File(u"ansi.ini"), u"S", u"k"), u"caf\u00E9");

    // Rewriting keeps the other lines, comments included, and turns the file into UTF-16.
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"new", u"1", dir.File(u"ascii.ini")));
    EXPECT_EQ(ReadBytes(dir.Native() / "ascii.ini"),
              Utf16Le(u"; comment\r\n[S]\r\nk=v\r\nnew=1\r\n"));
}

TEST(PrivateProfileTest, FirstSectionAndKeyOfANameCount) {
    TempFolder dir;
    WriteBytes(dir.Native() / "dup.ini", "[S]\r\nk=1\r\nk=2\r\n\r\n[T]\r\nk=3\r\n[s]\r\nk=4\r\n");
    const CString file = dir.File(u"dup.ini");
    EXPECT_EQ(GetString(file, u"S", u"k"), u"1");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"j", u"5", file));
    // The new key goes at the end of the first section, before its blank line.
    EXPECT_EQ(ReadBytes(dir.Native() / "dup.ini"),
              Utf16Le(u"[S]\r\nk=1\r\nk=2\r\nj=5\r\n\r\n[T]\r\nk=3\r\n[s]\r\nk=4\r\n"));
}

TEST(PrivateProfileTest, ConcurrentWritersLoseNothing) {
    TempFolder dir;
    const CString file = dir.File(u"c.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&file, t] {
            for (int i = 0; i < 10; ++i) {
                const std::u16string key = u"k" +
                                           std::u16string(1, static_cast<char16_t>(u'a' + t)) +
                                           std::u16string(1, static_cast<char16_t>(u'0' + i));
                WritePrivateProfileStringW(u"S", key.c_str(), u"v", file);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    WCHAR buffer[1024] = {};
    GetPrivateProfileStringW(u"S", nullptr, u"", buffer, 1024, file);
    EXPECT_EQ(SplitList(buffer).size(), 40u);
}

TEST(IniDocumentTest, SerializeThenParseKeepsEverything) {
    const IniDocument doc = IniDocument::Parse(
        "top line\r\n[A]\r\n k = \" v \" \r\n;c\r\nloose\r\n[B]\r\n=empty key\r\n");
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.GetValue(u"A", u"k"), std::u16string(u" v "));
    EXPECT_EQ(again.GetSectionLines(u"A"), (std::vector<std::u16string>{u"k= v ", u"loose"}));
    EXPECT_EQ(again.GetKeyNames(u"B"), std::vector<std::u16string>{});
    EXPECT_EQ(again.Serialize(), doc.Serialize());
}

TEST(PrivateProfileTest, ReadOnlyFileIsNotReplaced) {
    TempFolder dir;
    const CString file = dir.File(u"ro.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"old", file));
    const auto native = dir.Native() / "ro.ini";
    std::filesystem::permissions(native, std::filesystem::perms::owner_read);
    if (::access(native.c_str(), W_OK) == 0) {
        GTEST_SKIP() << "running with rights that ignore file permissions";
    }
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", file));
    EXPECT_EQ(GetString(file, u"S", u"k"), u"old");
}
