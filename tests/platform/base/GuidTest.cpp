#include "platform/base/Guid.h"

#include <gtest/gtest.h>

TEST(GuidTest, NullEqualityAndTextRoundTrip) {
    EXPECT_TRUE(IsEqualGUID(GUID{}, GUID_NULL));
    const GUID g{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_FALSE(IsEqualGUID(g, GUID_NULL));
    const std::u16string text = GuidToString(g);
    EXPECT_EQ(text, u"{12345678-9ABC-DEF0-0102-030405060708}");
    const auto back = GuidFromString(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, g);
    EXPECT_EQ(GuidFromString(u"12345678-9abc-def0-0102-030405060708"), g);
    EXPECT_FALSE(GuidFromString(u"{12345678-9ABC-DEF0-0102-03040506070}").has_value());
    EXPECT_FALSE(GuidFromString(u"{12345678-9ABC-DEF0-0102-0304050607G8}").has_value());
}
