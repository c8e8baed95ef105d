// The converter that turns the UTF-8 language sources into the files the programs read.
#include "tools/langfile/LangFileText.h"

#include <gtest/gtest.h>

#include <string>

using langfile::ConvertUtf8ToLangFile;

namespace {

// The UTF-16LE bytes of a text, mark first.
std::string Utf16(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

} // namespace

TEST(LangFileText, LinesKeepTheirTextAndEndWithCrLf) {
    // LF and CR LF endings both become CR LF; a last line without LF gets one; a UTF-8 mark
    // is dropped; characters above U+FFFF become surrogate pairs.
    const auto result = ConvertUtf8ToLangFile("\xEF\xBB\xBF"
                                              "Fran\xC3\xA7"
                                              "ais\r\nx\n\nKey\n\xE6\x97\xA5\xF0\x9F\x98\x80");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.bytes, Utf16(u"Fran\u00E7ais\r\nx\r\n\r\nKey\r\n\u65E5\U0001F600\r\n"));

    const auto empty = ConvertUtf8ToLangFile("");
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.bytes, Utf16(u""));
}

TEST(LangFileText, RefusesWhatTheProgramsWouldMisread) {
    struct Case {
        const char* name;
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"bare CR splits a line", "Title\nKey\rText\n", "line 2: CR inside a line"},
        {"CR at the very end", "Title\r", "line 1: CR inside a line"},
        {"NUL ends a key early", std::string("Title\nK\0y\n", 10), "line 2: NUL character"},
        {"Latin-1 byte",
         "Title\nFran\xE7"
         "ais\n",
         "line 2: not UTF-8"},
        {"overlong slash", "\xC0\xAF", "line 1: not UTF-8"},
        {"surrogate code point", "\xED\xA0\x80", "line 1: not UTF-8"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "line 1: not UTF-8"},
        {"cut-off sequence", "ok\n\xE6\x97", "line 2: not UTF-8"},
        {"stray continuation byte", "\x80", "line 1: not UTF-8"},
    };
    for (const Case& c : cases) {
        const auto result = ConvertUtf8ToLangFile(c.text);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
    }
}
