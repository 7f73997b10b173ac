#include "TextCodec.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {
TEST(TextCodecToWide, ConvertsUtf8AndTheCodePageOfTheUser)
{
    wchar_t out[32];
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "IP \xE4\xB8\xAD\xE6\x96\x87", out, 32), 6);
    EXPECT_STREQ(out, L"IP \u4E2D\u6587");
    // GBK bytes of the same two characters through an explicit code page.
    EXPECT_EQ(CTextCodec::ToWide(936, "\xD6\xD0\xCE\xC4", out, 32), 3);
    EXPECT_STREQ(out, L"\u4E2D\u6587");
    EXPECT_EQ(CTextCodec::ToWide(kCodePageAnsi, "plain", out, 32), 6);
    EXPECT_STREQ(out, L"plain");
}

TEST(TextCodecToWide, MissingEmptyOrUnknownInputGivesZero)
{
    wchar_t out[8] = L"old";
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, nullptr, out, 8), 0);
    EXPECT_STREQ(out, L"");
    wcscpy(out, L"old");
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "", out, 8), 0);
    EXPECT_STREQ(out, L"");
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "abc", nullptr, 8), 0);
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "abc", out, 0), 0);
    EXPECT_EQ(CTextCodec::ToWide(4242, "abc", out, 8), 0);
}

TEST(TextCodecToWide, CutsToTheOutputAndReplacesBrokenBytes)
{
    wchar_t out[4];
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "abcdef", out, 4), 4);
    EXPECT_STREQ(out, L"abc");
    wchar_t wide[16];
    EXPECT_EQ(CTextCodec::ToWide(kCodePageUtf8, "a\xFF\xE4\xB8z", wide, 16), 5);
    EXPECT_STREQ(wide, L"a\uFFFD\uFFFDz");
}

TEST(TextCodecToNarrow, EscapesBackslashAndApostrophe)
{
    char out[64];
    const int n = CTextCodec::ToNarrow(kCodePageAnsi, L"pa'ss\\word", out, sizeof out);
    EXPECT_STREQ(out, "pa\\'ss\\\\word");
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)) + 1);
}

// Credentials are compared byte for byte by the camera: a password with an
// apostrophe or a backslash must leave as typed, cut like any other text.
TEST(TextCodecToNarrowAsTyped, KeepsBackslashAndApostropheAndCutsWholeCharacters)
{
    char out[16];
    EXPECT_EQ(CTextCodec::ToNarrowAsTyped(kCodePageAnsi, L"pa'ss\\word", out, sizeof out), 11);
    EXPECT_STREQ(out, "pa'ss\\word");
    const std::wstring quotes(40, L'\'');
    EXPECT_EQ(CTextCodec::ToNarrowAsTyped(kCodePageUtf8, quotes.c_str(), out, sizeof out), 16);
    EXPECT_EQ(std::string(out), std::string(15, '\''));
    char six[6];
    EXPECT_EQ(CTextCodec::ToNarrowAsTyped(kCodePageUtf8, L"\u4E2D\u6587", six, sizeof six), 4);
    EXPECT_STREQ(six, "\xE4\xB8\xAD");
    EXPECT_EQ(CTextCodec::ToNarrowAsTyped(kCodePageUtf8, L"", out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

TEST(TextCodecToNarrow, CutsAFortyCharacterTextToFifteenBytes)
{
    char out[16];
    memset(out, 'x', sizeof out);
    const std::wstring forty(40, L'k');
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, forty.c_str(), out, 16), 16);
    EXPECT_EQ(std::string(out), std::string(15, 'k'));
}

TEST(TextCodecToNarrow, NeverCutsInsideACharacter)
{
    char out[6];
    // Three Chinese characters are nine UTF-8 bytes; only one fits in five.
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, L"\u4E2D\u6587\u5B57", out, 6), 4);
    EXPECT_STREQ(out, "\xE4\xB8\xAD");
    // An escape that no longer fits is cut with the text: "ab\\" then "'" gone.
    char tiny[4];
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, L"ab'c", tiny, 4), 4);
    EXPECT_STREQ(tiny, "ab\\");
}

TEST(TextCodecToNarrow, UnrepresentableCharactersBecomeQuestionMarks)
{
    char out[16];
    EXPECT_EQ(CTextCodec::ToNarrow(1252, L"caf\u00E9 \u4E2D", out, sizeof out), 7);
    EXPECT_STREQ(out, "caf\xE9 ?");
    EXPECT_EQ(CTextCodec::ToNarrow(936, L"\u4E2D\u6587", out, sizeof out), 5);
    EXPECT_STREQ(out, "\xD6\xD0\xCE\xC4");
}

TEST(TextCodecToNarrow, MissingOrEmptyTextGivesAnEmptyOutput)
{
    char out[8] = "old";
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, nullptr, out, 8), 0);
    EXPECT_STREQ(out, "");
    strcpy(out, "old");
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, L"", out, 8), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CTextCodec::ToNarrow(kCodePageUtf8, L"abc", out, 1), 0);
    EXPECT_STREQ(out, "");
}

TEST(TextCodec, RoundTripsEveryPlaneThroughUtf8)
{
    const std::wstring text = L"A\u00E9\u4E2D\U0001F600z";
    char narrow[32];
    ASSERT_GT(CTextCodec::ToNarrow(kCodePageUtf8, text.c_str(), narrow, sizeof narrow), 0);
    wchar_t back[32];
    ASSERT_GT(CTextCodec::ToWide(kCodePageUtf8, narrow, back, 32), 0);
    EXPECT_EQ(std::wstring(back), text);
}
} // namespace
