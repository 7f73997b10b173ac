#include "LogText.h"

#include <gtest/gtest.h>

namespace {

TEST(LogText, ControlCharactersBecomeEscapesAndOtherTextStays)
{
    EXPECT_EQ(EscapeLogText(std::string_view("Lobby 2 \xE4\xB8\xAD")), "Lobby 2 \xE4\xB8\xAD");
    EXPECT_EQ(EscapeLogText(std::string_view("a\nb\rc\td\x1b" "e\x7f")), "a\\nb\\rc\\td\\x1Be\\x7F");
    EXPECT_EQ(EscapeLogText(std::string("nul\0after", 9)), "nul\\x00after");
    // C1 controls and the Unicode line and paragraph separators end lines in
    // some viewers too.
    EXPECT_EQ(EscapeLogText(std::string_view("\xC2\x85|\xE2\x80\xA8|\xE2\x80\xA9")), "\\x85|\\u2028|\\u2029");
    EXPECT_EQ(EscapeLogText(std::wstring_view(L"x\ny\u2028")), L"x\\ny\\u2028");
    EXPECT_EQ(EscapeLogText(std::wstring_view(L"back\\slash 'kept'")), L"back\\slash 'kept'");
}

TEST(LogText, InvalidUtf8IsReplacedSoTheResultIsAlwaysValid)
{
    EXPECT_EQ(EscapeLogText(std::string_view("\xFF\xFE" "ok")), "\xEF\xBF\xBD\xEF\xBF\xBDok");
    EXPECT_EQ(EscapeLogText(std::string_view("cut \xE4\xB8")), "cut \xEF\xBF\xBD");
    EXPECT_EQ(EscapeLogText(std::string_view("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD") << "overlong";
    EXPECT_EQ(EscapeLogText(std::string_view("\xED\xA0\x80")).find('\xED'), std::string::npos)
        << "a surrogate is no character";
    // Every byte value, alone and after a lead byte, gives valid UTF-8 without
    // a control character.
    for (int b = 0; b < 256; ++b) {
        for (const std::string& input : {std::string(1, static_cast<char>(b)),
                                         std::string("\xE4") + static_cast<char>(b) + "z"}) {
            const std::string out = EscapeLogText(std::string_view(input));
            for (std::size_t i = 0; i < out.size(); ++i) {
                const auto c = static_cast<unsigned char>(out[i]);
                ASSERT_FALSE(c < 0x20 || c == 0x7F) << "byte " << b;
                if (c >= 0x80) {
                    const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
                    ASSERT_TRUE(c >= 0xC2 && c <= 0xF4 && i + length <= out.size()) << "byte " << b;
                    for (int k = 1; k < length; ++k) {
                        ASSERT_EQ(static_cast<unsigned char>(out[i + k]) & 0xC0, 0x80) << "byte " << b;
                    }
                    i += length - 1;
                }
            }
        }
    }
}

} // namespace
