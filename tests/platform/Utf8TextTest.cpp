#include <gtest/gtest.h>

#include "Utf8Text.h"

TEST(Utf8Text, EveryLengthRoundTripsAndBadInputIsContained)
{
    const std::wstring text = L"A\u00e9\u4e2d\U0001F4F7";
    const std::string utf8 = PlatformToUtf8(text);
    EXPECT_EQ(utf8, "A\xc3\xa9\xe4\xb8\xad\xf0\x9f\x93\xb7");
    EXPECT_EQ(PlatformFromUtf8(utf8), text);

    // A lone surrogate or a value past Unicode cannot be written as UTF-8.
    std::string replaced;
    PlatformAppendUtf8(replaced, 0xD800);
    PlatformAppendUtf8(replaced, 0x110000);
    EXPECT_EQ(replaced, "\xef\xbf\xbd\xef\xbf\xbd");

    // A sequence cut short ends the text rather than reading past it.
    EXPECT_EQ(PlatformFromUtf8("ok\xe4\xb8"), L"ok");
}
