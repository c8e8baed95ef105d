#include "platform/base/TextUnicode.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextUnicode, TellsWideTextFromByteText) {
    const std::string wide("<\0A\0>\0x\0<\0/\0A\0>\0", 16);
    int flags = 0;
    EXPECT_TRUE(IsTextUnicode(wide.data(), static_cast<int>(wide.size()), &flags));
    EXPECT_NE(flags & IS_TEXT_UNICODE_STATISTICS, 0);
    const std::string marked("\xFF\xFE\x2D\x4E\x87\x65", 6); // mark, then two CJK units
    EXPECT_TRUE(IsTextUnicode(marked.data(), 6, &flags));
    EXPECT_NE(flags & IS_TEXT_UNICODE_SIGNATURE, 0);
    const std::string reversed("\xFE\xFF\0<\0A", 6);
    EXPECT_FALSE(IsTextUnicode(reversed.data(), 6, &flags));
    EXPECT_NE(flags & IS_TEXT_UNICODE_REVERSE_SIGNATURE, 0);
    const std::string bytes = "<A>plain caf\xC3\xA9 text</A>";
    EXPECT_FALSE(IsTextUnicode(bytes.data(), static_cast<int>(bytes.size()), nullptr));
    EXPECT_FALSE(IsTextUnicode(wide.data(), 15, &flags)); // odd length
    EXPECT_NE(flags & IS_TEXT_UNICODE_ODD_LENGTH, 0);
    const std::string zeros(64, '\0');
    EXPECT_FALSE(IsTextUnicode(zeros.data(), 64, nullptr));
    EXPECT_FALSE(IsTextUnicode(nullptr, 10, nullptr));
    EXPECT_FALSE(IsTextUnicode(wide.data(), 1, nullptr));
}
